// The changer starting a stand-in "Orvane.scr" for real: a detached process
// with the switch as its one argument, which records the change the way the
// saver program does; the schedule then has nothing more to start.
#include <sys/wait.h>
#include <unistd.h>

#include <QThread>
#include <chrono>

#include "platform/saverlink.h"
#include "platform/tick.h"
#include "tests/changer/changer_fixture.h"

namespace orvane::test {
namespace {

class RealLaunch : public ChangerTest {
 protected:
  void SetUp() override {
    ChangerTest::SetUp();
    changer::SetSaverLauncher(nullptr);
    log = TempRoot() / "saver.log";
    std::filesystem::remove(log);
  }
  void WriteStub(const std::string& body) {
    WriteFile(platform::SaverLinkPath(), "#!/bin/sh\necho \"$#:$1\" >> '" + log.string() + "'\n" + body);
    std::filesystem::permissions(platform::SaverLinkPath(), std::filesystem::perms::owner_all);
  }
  bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      QThread::msleep(50);
    }
    return true;
  }
  std::string Log() { return std::filesystem::exists(log) ? ReadFile(log) : ""; }
  std::filesystem::path log;
};

TEST_F(RealLaunch, StubRecordsTheChangeAndTheScheduleIsSatisfied) {
  const std::string ini = settings + "ScreenSaver.ini";
  WriteStub("printf '[PrefsWP]\\r\\nchange=7\\r\\nLastChanged=Aug 3, 2026 12:00:01 PM\\r\\n' > '" +
            ini + ".new'\nmv '" + ini + ".new' '" + ini + "'\n");
  Ini("ScreenSaver.ini", "PrefsWP", "change", "7");
  Ini("ScreenSaver.ini", "PrefsWP", "LastChanged", "8/2/2026 9:00:00 AM");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->Timer1_Timer();
  ASSERT_TRUE(WaitFor([&] { return ReadIni("ScreenSaver.ini", "PrefsWP", "LastChanged") ==
                                   "Aug 3, 2026 12:00:01 PM"; }));
  // One argument, the switch alone.
  EXPECT_EQ(Log(), "1:/wall\n");
  for (int i = 0; i < 5; ++i) form->Timer1_Timer();
  QThread::msleep(200);
  EXPECT_EQ(Log(), "1:/wall\n");
}

TEST_F(RealLaunch, FailingProgramIsNotStartedAgainAndAgain) {
  platform::ManualTickClock clock(5000);
  platform::SetTickClock(&clock);
  WriteStub("exit 3\n");
  Ini("ScreenSaver.ini", "PrefsWP", "change", "4");
  Ini("ScreenSaver.ini", "PrefsWP", "LastChanged", "8/3/2026 6:00:00 AM");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->Timer1_Timer();
  ASSERT_TRUE(WaitFor([&] { return Log() == "1:/wall\n"; }));
  for (int i = 0; i < 40; ++i) form->Timer1_Timer();  // ten minutes of ticks, as far as the clock knows
  QThread::msleep(200);
  EXPECT_EQ(Log(), "1:/wall\n");
  platform::SetTickClock(nullptr);
}

TEST_F(RealLaunch, MissingSaverProgramIsReportedNotRetriedAtOnce) {
  std::filesystem::remove(platform::SaverLinkPath());
  EXPECT_FALSE(changer::StartWallpaperChange().has_value());
  Ini("ScreenSaver.ini", "PrefsWP", "change", "4");
  Ini("ScreenSaver.ini", "PrefsWP", "LastChanged", "8/3/2026 6:00:00 AM");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  testing::internal::CaptureStderr();
  for (int i = 0; i < 10; ++i) form->Timer1_Timer();
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("Orvane.scr"), std::string::npos);
  EXPECT_EQ(errors.find("Orvane.scr"), errors.rfind("Orvane.scr")) << errors;
  EXPECT_TRUE(form->Timer1.Enabled());
}

TEST(DetachedLauncher, AnEndedProcessNotYetReapedDoesNotRun) {
  changer::DetachedLauncher launcher;
  EXPECT_TRUE(launcher.Running(getpid()));
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  // Until it is waited for, the ended child stays behind as a zombie.
  const std::string stat = "/proc/" + std::to_string(child) + "/stat";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (ReadFile(stat).find(") Z") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    QThread::msleep(10);
  }
  EXPECT_FALSE(launcher.Running(child));
  waitpid(child, nullptr, 0);
  EXPECT_FALSE(launcher.Running(child));
}

}  // namespace
}  // namespace orvane::test
