// The session lock of a show run as its own program in a Wayland session, with
// a stand-in of logind on a private bus in place of the system bus: SIGTERM
// ends a show with a password through exactly one Session.Lock call, made by
// the show and answered before it exits; without a password none is made. A
// session where nothing would answer the lock is said once in the log.
// Needs dbus-daemon.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/password.h"
#include "platform/profile.h"
#include "platform/runlog.h"
#include "tests/support/dbus_daemon.h"
#include "tests/support/logind_standin.h"
#include "tests/support/testenv.h"
#include "tools/demo/demo_sets.h"

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

using orvane::test::WaitWithEvents;

using orvane::test::LogindStandIn;

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(ShowLockProcess, ASignalEndsAShowWithAPasswordThroughOneSessionLock) {
  orvane::test::PrivateBus bus;
  if (bus.Address().empty()) GTEST_SKIP() << "dbus-daemon is not installed";
  QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus.Address()), "logind");
  ASSERT_TRUE(connection.isConnected());
  LogindStandIn logind;
  ASSERT_TRUE(logind.Register(connection));

  const fs::path programFolder = orvane::test::MakeTempDir("program");
  orvane::demo::WriteDemoProgramFolder(programFolder);
  ASSERT_TRUE(orvane::demo::RegisterProgramFolder(programFolder));
  const std::string settings = pf::LocalAppDataFolder() + "ScreenSaver.ini";
  fs::copy_file(programFolder / "ScreenSaver.ini", settings, fs::copy_options::overwrite_existing);
  pf::WritePrivateProfileString("ScreenSaver", "Setup", "1", settings);
  const fs::path trace = orvane::test::TempRoot() / "trace.txt";

  for (const bool password : {true, false}) {
    SCOPED_TRACE(password ? "with a password" : "without");
    ASSERT_TRUE(pf::StoreScreenSavePassword(password ? "secret" : ""));
    logind.calls.clear();
    fs::remove(trace);
    fs::remove(pf::RunLogFile());
    QProcess show;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORVANE_TRACE", QString::fromStdString(trace.string()));
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", QString::fromStdString(bus.Address()));
    env.insert("XDG_SESSION_TYPE", "wayland");
    env.insert("WAYLAND_DISPLAY", "wayland-lock-test");  // the window itself stays offscreen
    env.remove("XDG_CURRENT_DESKTOP");                    // a bare compositor without swaylock
    env.insert("PATH", "/usr/bin:/bin");
    show.setProcessEnvironment(env);
    show.start(QString::fromStdString(orvane::test::OrvaneExe().string()), {"/s"});
    ASSERT_TRUE(show.waitForStarted(10000));
    ASSERT_TRUE(WaitWithEvents([&] { return fs::exists(trace) && fs::file_size(trace) > 0; }));
    EXPECT_EQ(logind.Count("Lock"), 0) << "locked while the show runs";
    const uint pid = uint(show.processId());
    kill(pid_t(pid), SIGTERM);
    // The stand-in answers while the show ends.
    ASSERT_TRUE(WaitWithEvents([&] { return show.state() == QProcess::NotRunning; }));
    EXPECT_EQ(show.exitStatus(), QProcess::NormalExit);
    const std::string log = fs::exists(pf::RunLogFile()) ? orvane::test::ReadFile(pf::RunLogFile()) : "";
    std::vector<LogindStandIn::Call> locks;
    for (const auto& call : logind.calls)
      if (call.method == "Lock") locks.push_back(call);
    if (password) {
      ASSERT_EQ(locks.size(), 1u);
      EXPECT_EQ(locks[0].path, "/org/freedesktop/login1/session/auto");
      EXPECT_EQ(locks[0].interface, "org.freedesktop.login1.Session");
      EXPECT_EQ(locks[0].pid, pid);
      EXPECT_EQ(Count(log, "could not be locked"), 0) << log;
      EXPECT_EQ(Count(log, "nothing in this session locks the screen"), 1) << log;
    } else {
      EXPECT_TRUE(locks.empty());
      EXPECT_EQ(log, "");
    }
  }
  connection.unregisterService("org.freedesktop.login1");
  QDBusConnection::disconnectFromBus("logind");
}

}  // namespace
