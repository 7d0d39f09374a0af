// The end of a show run as its own process: the termination signals end it
// through the show's normal end, and a later start removes the temporary files
// that killed processes left behind, and the running flags of a killed show.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <string>

#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/password.h"
#include "platform/profile.h"
#include "tests/support/testenv.h"
#include "tools/demo/demo_sets.h"

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

using orvane::test::WaitFor;

std::string SettingsIni() { return pf::LocalAppDataFolder() + "ScreenSaver.ini"; }

// The demo sets as the program folder, set up for a show.
void SetUpShow() {
  const fs::path programFolder = orvane::test::MakeTempDir("program");
  orvane::demo::WriteDemoProgramFolder(programFolder);
  ASSERT_TRUE(orvane::demo::RegisterProgramFolder(programFolder));
  fs::copy_file(programFolder / "ScreenSaver.ini", SettingsIni(), fs::copy_options::overwrite_existing);
  pf::WritePrivateProfileString("ScreenSaver", "Setup", "1", SettingsIni());
}

// A process that no longer runs.
pid_t DeadProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}


TEST(ShowProcess, TerminationSignalsEndTheShowThroughItsNormalEnd) {
  SetUpShow();
  // With a password: a signal must not wait for it.
  ASSERT_TRUE(pf::StoreScreenSavePassword("secret"));
  const fs::path trace = orvane::test::TempRoot() / "trace.txt";
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    fs::remove(trace);
    QProcess show;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORVANE_TRACE", QString::fromStdString(trace.string()));
    show.setProcessEnvironment(env);
    show.start(QString::fromStdString(orvane::test::OrvaneExe().string()), {"/s"});
    ASSERT_TRUE(show.waitForStarted(10000));
    // Once the first slide is on its way the show runs.
    ASSERT_TRUE(WaitFor([&] { return fs::exists(trace) && fs::file_size(trace) > 0; }, std::chrono::seconds(30)));
    EXPECT_EQ(pf::GetPrivateProfileInt("ScreenSaver", "running", 0, SettingsIni()), 1);
    kill(pid_t(show.processId()), signal);
    ASSERT_TRUE(show.waitForFinished(20000));
    EXPECT_EQ(show.exitStatus(), QProcess::NormalExit) << "killed by the signal";
    EXPECT_EQ(show.exitCode(), 0);
    EXPECT_EQ(pf::GetPrivateProfileInt("ScreenSaver", "running", 1, SettingsIni()), 0);
    for (const auto& entry : fs::directory_iterator(pf::LocalAppDataFolder())) {
      const std::string name = entry.path().filename().string();
      EXPECT_EQ(name.find(".part-"), std::string::npos) << name;
      EXPECT_NE(name, "Temp.bmp");
      EXPECT_NE(name, "ssj.bmp");
    }
  }
}

TEST(ShowProcess, StartRemovesTemporaryFilesOfKilledProcesses) {
  const std::string settings = pf::LocalAppDataFolder();
  const std::string state = pf::MachineStateFolder();
  const std::string dead = std::to_string(DeadProcess());
  const std::string alive = std::to_string(getpid());
  const std::string stale[] = {
      settings + ".ScreenSaver.ini.tmp" + dead + "-2654435761",
      settings + ".Orvane.ini.tmp" + dead + "-17",
      settings + "Temp.bmp.part-" + dead + "-0",
      settings + "ssj.bmp.part-" + dead + "-3",
      state + ".HKEY_CURRENT_USER.reg.tmp" + dead + "-5",
  };
  const std::string kept[] = {
      settings + ".Orvane.ini.tmp" + alive + "-9",  // a process that still runs
      settings + "Temp.bmp.part-" + alive + "-1",
      settings + "holiday.part-two.bmp",             // not ours
      settings + ".notes.tmpfile",
      settings + "Orvane.ini",
  };
  for (const std::string& file : stale) orvane::test::WriteFile(file, "left behind");
  for (const std::string& file : kept) orvane::test::WriteFile(file, "keep");

  QProcess start;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ORVANE_PLACEHOLDER_SAVER", "1");
  start.setProcessEnvironment(env);
  start.start(QString::fromStdString(orvane::test::OrvaneExe().string()), {"/s"});
  ASSERT_TRUE(start.waitForFinished(30000));
  for (const std::string& file : stale) EXPECT_FALSE(fs::exists(file)) << file;
  for (const std::string& file : kept) EXPECT_TRUE(fs::exists(file)) << file;
}

// Both flags that say a show runs.
std::pair<long, bool> RunningFlags() {
  return {pf::GetPrivateProfileInt("ScreenSaver", "running", -1, SettingsIni()), pf::GetScreenSaverRunning()};
}

TEST(ShowProcess, ANextStartOfAnyProgramClearsTheFlagsOfAKilledShow) {
  SetUpShow();
  const fs::path trace = orvane::test::TempRoot() / "trace.txt";
  const fs::path built = orvane::test::OrvaneExe().parent_path();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ORVANE_TRACE", QString::fromStdString(trace.string()));
  auto startShow = [&](QProcess& show) {
    fs::remove(trace);
    show.setProcessEnvironment(env);
    show.start(QString::fromStdString(orvane::test::OrvaneExe().string()), {"/s"});
    ASSERT_TRUE(show.waitForStarted(10000));
    ASSERT_TRUE(WaitFor([&] { return fs::exists(trace) && fs::file_size(trace) > 0; }, std::chrono::seconds(30)));
    ASSERT_EQ(RunningFlags(), std::make_pair(1L, true));
  };
  // Each program's start, with a way to end at once.
  const struct {
    const char* name;
    fs::path program;
    QStringList args;
  } programs[] = {
      {"orvane", orvane::test::OrvaneExe(), {"/x"}},
      {"orvane-add-set", built / "orvane-add-set", {QString::fromStdString((orvane::test::TempRoot() / "none").string())}},
      {"orvane-idle", built / "orvane-idle", {}},
  };
  auto run = [&](const fs::path& program, const QStringList& args) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QString::fromStdString(program.string()), args);
    ASSERT_TRUE(process.waitForFinished(30000));
  };

  QProcess killed;
  startShow(killed);
  kill(pid_t(killed.processId()), SIGKILL);
  ASSERT_TRUE(killed.waitForFinished(20000));
  EXPECT_EQ(RunningFlags(), std::make_pair(1L, true)) << "the killed show cleared its flags";
  for (const auto& program : programs) {
    SCOPED_TRACE(program.name);
    ASSERT_TRUE(pf::WritePrivateProfileString("ScreenSaver", "running", "1", SettingsIni()));
    ASSERT_TRUE(pf::SetScreenSaverRunning(true));
    run(program.program, program.args);
    EXPECT_EQ(RunningFlags(), std::make_pair(0L, false));
  }

  // A show that runs keeps its flags whatever starts meanwhile.
  QProcess show;
  startShow(show);
  for (const auto& program : programs) {
    SCOPED_TRACE(std::string(program.name) + " during a show");
    run(program.program, program.args);
    EXPECT_EQ(RunningFlags(), std::make_pair(1L, true));
  }
  kill(pid_t(show.processId()), SIGTERM);
  ASSERT_TRUE(show.waitForFinished(20000));
  EXPECT_EQ(RunningFlags(), std::make_pair(0L, false));
}

}  // namespace
