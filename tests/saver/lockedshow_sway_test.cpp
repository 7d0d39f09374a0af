// A show with a password in a headless sway session (tests/support/sway_session.h).
// With logind's stand-in on a system bus of the test's own: the show's end
// locks the session, swayidle hands that to swaylock, and while swaylock is up
// the idle watcher's next start of the saver shows nothing; after the unlock
// the user is at the desktop, and the next idle time starts a show again.
// Without a system bus: the show's own prompt, inside the full-screen show,
// takes the keyboard, and switching the workspace away and back does not end
// the show; it ends with the password. The change-password dialog floats.
// Needs sway, swayidle, swaylock, wtype and dbus-daemon; each test skips
// without what it needs.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnection>
#include <QProcess>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "tests/support/dbus_daemon.h"
#include "tests/support/logind_standin.h"
#include "tests/support/sway_session.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
namespace pf = orvane::platform;

namespace {

using orvane::test::SwaySession;
using orvane::test::WaitFor;
using orvane::test::sway::kPoll;
using orvane::test::sway::Processes;

bool Installed(const char* tool) { return !QStandardPaths::findExecutable(tool).isEmpty(); }

// wtype's keys, after a pause that lets the window take the new virtual
// keyboard's keymap (keys sent at once after it appears may be dropped).
std::vector<std::string> Typing(std::vector<std::string> keys) {
  keys.insert(keys.begin(), {"wtype", "-s", "300", "-d", "20"});
  return keys;
}

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// logind's stand-in answers on a thread of its own, so that the test may wait
// for the session's programs without running Qt's events.
class SwayLockedSession : public SwaySession {
 protected:
  void SetUp() override {
    for (const char* tool : {"swaylock", "wtype"})
      if (!Installed(tool)) GTEST_SKIP() << tool << " is not installed";
    bus_ = std::make_unique<orvane::test::PrivateBus>(true);
    if (bus_->Address().empty()) GTEST_SKIP() << "dbus-daemon is not installed";
    systemBus_ = bus_->Address();
    password_ = "secret";
    QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(systemBus_), "sway-logind");
    ASSERT_TRUE(logind_.Register(connection));
    thread_.start();
    logind_.moveToThread(&thread_);
    SwaySession::SetUp();
  }
  void TearDown() override {
    SwaySession::TearDown();
    QDBusConnection::disconnectFromBus("sway-logind");
    thread_.quit();
    thread_.wait();
  }

  std::unique_ptr<orvane::test::PrivateBus> bus_;
  QThread thread_;
  orvane::test::LogindStandIn logind_;
};

TEST_F(SwayLockedSession, NoShowStartsBehindSwaylockAndTheUnlockLeavesTheDesktop) {
  // The saver the idle watcher starts, with a record of each start's end.
  const fs::path starts = root_ / "starts.txt";
  std::error_code ec;
  fs::remove(saver_, ec);
  orvane::test::WriteFile(saver_, "#!/bin/sh\n'" + (root_ / "bin/orvane").string() + "' \"$@\"\necho \"end $?\" >> '" +
                                      starts.string() + "'\n");
  fs::permissions(saver_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  ASSERT_EQ(Run({"chown", std::to_string(user_), saver_}, false), 0);
  auto ends = [&] { return Count(orvane::test::ReadFile(starts), "end "); };
  auto showRuns = [&] { return orvane::test::ReadFile(trace_).find("trans ") != std::string::npos; };
  auto shows = [&] { return Processes(user_, root_ / "run", "orvane"); };

  ASSERT_EQ(Run({"orvane-test-idle-switch", "2", "on"}), 0);
  const auto watchers = Processes(user_, root_ / "run", "swayidle");
  ASSERT_EQ(watchers.size(), 1u);
  EXPECT_EQ(watchers[0].second.back(), "swaylock -f") << "logind's lock must go to swaylock on sway";
  ASSERT_TRUE(WaitFor(showRuns, std::chrono::seconds(60), kPoll)) << "no show started";

  // The show's end locks the session; swaylock puts the lock screen up.
  ASSERT_EQ(shows().size(), 1u);
  kill(shows()[0].first, SIGTERM);
  ASSERT_TRUE(WaitFor([&] { return ends() == 1; }, std::chrono::seconds(30), kPoll));
  EXPECT_EQ(logind_.Count("Lock"), 1);
  ASSERT_TRUE(WaitFor([&] { return !Processes(user_, root_ / "run", "swaylock").empty(); },
                      std::chrono::seconds(30), kPoll))
      << "swaylock did not lock: " << orvane::test::ReadFile(root_ / "sway.log");

  // A key at the lock screen, then idle time again: the watcher starts the
  // saver behind swaylock, and it shows nothing.
  fs::remove(trace_, ec);
  ASSERT_EQ(Run(Typing({"a"})), 0);
  ASSERT_TRUE(WaitFor([&] { return ends() == 2; }, std::chrono::seconds(60), kPoll))
      << "the saver started behind the lock screen is still running";
  EXPECT_FALSE(showRuns()) << "a show ran behind the lock screen";
  EXPECT_TRUE(ShowViews().empty());
  EXPECT_EQ(pf::GetPrivateProfileInt("ScreenSaver", "running", 0, settingsFile_), 0);
  EXPECT_EQ(logind_.Count("Lock"), 1) << "locked again";

  // The unlock leaves the user at the desktop: no show waits there.
  const auto lockers = Processes(user_, root_ / "run", "swaylock");
  ASSERT_FALSE(lockers.empty());
  for (const auto& [pid, argv] : lockers) kill(pid, SIGUSR1);  // what a typed password does
  ASSERT_TRUE(WaitFor([&] { return Processes(user_, root_ / "run", "swaylock").empty(); }, std::chrono::seconds(30),
                      kPoll));
  EXPECT_TRUE(shows().empty());
  EXPECT_TRUE(ShowViews().empty());

  // Unlocked, the next idle time starts a show again.
  ASSERT_EQ(Run(Typing({"b"})), 0);
  EXPECT_TRUE(WaitFor(showRuns, std::chrono::seconds(60), kPoll)) << "no show after the unlock";
  ASSERT_EQ(Run({"orvane-test-idle-switch", "2", "off"}), 0);
}

class SwayWithoutSystemBus : public SwaySession {
 protected:
  void SetUp() override {
    if (!Installed("wtype")) GTEST_SKIP() << "wtype is not installed";
    noSystemBus_ = true;
    password_ = "secret";
    SwaySession::SetUp();
  }
};

TEST_F(SwayWithoutSystemBus, TheShowsOwnPromptTakesTheKeyboardAndAWorkspaceSwitchDoesNotEndTheShow) {
  QProcess show;
  StartAsUser(show, {saver_, "/s"});
  ASSERT_TRUE(show.waitForStarted(10000));
  auto trace = [&] { return orvane::test::ReadFile(trace_); };
  ASSERT_TRUE(WaitFor([&] { return trace().find("trans ") != std::string::npos; }, std::chrono::seconds(60), kPoll))
      << "no show started";
  const std::string log = orvane::test::ReadFile(home_ / ".local/state/orvane/orvane.log");
  EXPECT_EQ(Count(log, "cannot keep its password in this session: the system bus cannot be reached"), 1) << log;

  // A key: the session cannot be locked, so the show asks.
  ASSERT_EQ(Run(Typing({"x"})), 0);
  ASSERT_TRUE(WaitFor([&] { return trace().find("ask ") != std::string::npos; }, std::chrono::seconds(30), kPoll));

  // Another workspace, and back: the show stays up and asking.
  auto showView = [&](const std::function<bool(const View&)>& test) {
    for (const View& view : ShowViews())
      if (test(view)) return true;
    return false;
  };
  ASSERT_EQ(Run({"swaymsg", "workspace", "2"}), 0);
  ASSERT_TRUE(WaitFor([&] { return showView([](const View& v) { return !v.visible; }); }, std::chrono::seconds(30),
                      kPoll))
      << "the show is still on screen";
  ASSERT_EQ(Run({"swaymsg", "workspace", "1"}), 0);
  ASSERT_TRUE(WaitFor([&] { return showView([](const View& v) { return v.focused; }); }, std::chrono::seconds(30),
                      kPoll))
      << "the show did not get the focus back";
  EXPECT_EQ(show.state(), QProcess::Running) << "the workspace switch ended the show";
  EXPECT_EQ(pf::GetPrivateProfileInt("ScreenSaver", "running", 0, settingsFile_), 1);
  // The prompt is part of the show's window, not a window of its own.
  std::vector<View> own;
  for (const View& view : Views(""))
    if (view.pid == show.processId()) own.push_back(view);
  ASSERT_EQ(own.size(), 1u) << "the prompt is a window of its own";
  EXPECT_EQ(own[0].name, "DUZudaveZeved");
  EXPECT_EQ(own[0].fullscreen, 1);

  if (Installed("grim")) Screenshot("sway-prompt-inside");  // kept with ORVANE_SCREENSHOT_DIR

  // The password typed into it ends the show.
  ASSERT_EQ(Run(Typing({"secret", "-k", "Return"})), 0);
  if (!show.waitForFinished(30000)) {
    Screenshot("sway-prompt");
    FAIL() << "the typed password did not end the show; trace: " << trace();
  }
  EXPECT_EQ(show.exitCode(), 0);
  EXPECT_EQ(pf::GetPrivateProfileInt("ScreenSaver", "running", 1, settingsFile_), 0);
}

TEST_F(SwaySession, TheChangePasswordDialogFloats) {
  QProcess dialog;
  StartAsUser(dialog, {(root_ / "bin/orvane").string(), "/a"});
  ASSERT_TRUE(dialog.waitForStarted(10000));
  std::vector<View> views;
  ASSERT_TRUE(WaitFor([&] { return !(views = Views("Change Password")).empty(); }, std::chrono::seconds(60), kPoll))
      << "no dialog";
  EXPECT_TRUE(views[0].floating) << "tiled over the output";
  EXPECT_LT(views[0].size.width(), 800);
  EXPECT_LT(views[0].size.height(), 600);
  dialog.terminate();
  dialog.waitForFinished(10000);
}

}  // namespace
