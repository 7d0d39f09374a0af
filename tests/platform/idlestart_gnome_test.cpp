// The idle start on GNOME: a stand-in of GNOME's idle monitor on a private
// session bus, and the real orvane-idle started by switching the saver on. The
// watcher registers the delay; a fired watch starts the saver once, also when
// it fires again; a user-active watch re-arms it; a running show (its caption
// lock) is not started twice; a monitor that comes back gets the watch anew;
// a second watcher on the bus takes over from the first; switching off ends
// the watcher. Needs dbus-daemon.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/caption_lock.h"
#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/idle_start.h"
#include "platform/idle_watcher.h"
#include "platform/profile.h"
#include "tests/support/dbus_daemon.h"
#include "tests/support/testenv.h"

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

using orvane::test::WaitWithEvents;

constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";

// GNOME's idle monitor as far as the watcher uses it: each call is recorded
// and answered with a new watch number.
class IdleMonitorStandIn : public QDBusVirtualObject {
 public:
  struct Call {
    std::string method;
    qulonglong interval = 0;
    uint pid = 0;  // of the caller
  };
  std::vector<Call> calls;

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    Call call{message.member().toStdString(), 0, connection.interface()->servicePid(message.service()).value()};
    if (call.method == "AddIdleWatch" && !message.arguments().isEmpty())
      call.interval = message.arguments().first().toULongLong();
    calls.push_back(call);
    connection.send(message.createReply(QVariant::fromValue(uint(calls.size()))));
    return true;
  }
  int Count(const std::string& method) const {
    int n = 0;
    for (const Call& call : calls) n += call.method == method;
    return n;
  }
  // The watch number the last call of method got.
  uint Last(const std::string& method) const {
    for (std::size_t i = calls.size(); i-- > 0;)
      if (calls[i].method == method) return uint(i + 1);
    return 0;
  }
};


bool Alive(uint pid) {
  const std::string stat = orvane::test::ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const auto close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

int Lines(const fs::path& file) {
  if (!fs::exists(file)) return 0;
  const std::string text = orvane::test::ReadFile(file);
  return int(std::count(text.begin(), text.end(), '\n'));
}

TEST(IdleStartOnGnome, TheWatcherHoldsTheMonitorsWatchAndStartsTheSaverOncePerIdlePeriod) {
  orvane::test::PrivateBus bus;
  if (bus.Address().empty()) GTEST_SKIP() << "dbus-daemon is not installed";
  QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus.Address()), "monitor");
  ASSERT_TRUE(connection.isConnected());
  IdleMonitorStandIn monitor;
  ASSERT_TRUE(connection.registerVirtualObject(kPath, &monitor));
  ASSERT_TRUE(connection.registerService(kService));
  auto fire = [&](uint watch) {
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, "WatchFired");
    signal << watch;
    connection.send(signal);
  };

  // A stand-in saver file that notes each start.
  const fs::path starts = orvane::test::TempRoot() / "starts.txt";
  const fs::path saver = orvane::test::MakeTempDir("windows") / "Orvane.scr";
  orvane::test::WriteFile(saver, "#!/bin/sh\necho \"$@\" >> '" + starts.string() + "'\n");
  fs::permissions(saver, fs::perms::owner_all);
  pf::WritePrivateProfileString("boot", "SCRNSAVE.EXE", saver.string(), "system.ini");

  setenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str(), 1);
  setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);
  setenv("XDG_SESSION_TYPE", "wayland", 1);
  setenv("WAYLAND_DISPLAY", "wayland-gnome-test", 1);
  unsetenv("DISPLAY");
  unsetenv("ORVANE_DESKTOP");

  ASSERT_TRUE(pf::SetScreenSaveTimeOut(60));
  ASSERT_TRUE(pf::SetScreenSaveActive(true));
  ASSERT_TRUE(WaitWithEvents([&] { return monitor.Count("AddIdleWatch") == 1; })) << "the watcher did not register";
  EXPECT_EQ(monitor.calls.front().interval, 60000u);
  const uint watcher = monitor.calls.front().pid;
  const uint idle = monitor.Last("AddIdleWatch");
  EXPECT_NE(orvane::test::ReadFile(pf::IdleStartAutostartFile()).find("orvane-idle --timeout 60 -- "),
            std::string::npos);
  // Switching on again (the delay applied once more) keeps the one watcher.
  ASSERT_TRUE(pf::SetScreenSaveTimeOut(60));
  EXPECT_TRUE(Alive(watcher));

  // Idle: one start, also when the watch fires again before the user is back.
  fire(idle);
  fire(idle);
  ASSERT_TRUE(WaitWithEvents([&] { return Lines(starts) == 1 && monitor.Count("AddUserActiveWatch") == 1; }));
  EXPECT_EQ(orvane::test::ReadFile(starts), "/s\n");
  QThread::msleep(300);
  QCoreApplication::processEvents();
  EXPECT_EQ(Lines(starts), 1) << "started twice in one idle period";
  EXPECT_EQ(monitor.Count("AddUserActiveWatch"), 1);

  // The user comes back while a show still runs: the next idle period finds it
  // running and starts none.
  {
    pf::CaptionLock show(pf::LocalAppDataFolder());
    ASSERT_TRUE(show.Held());
    fire(monitor.Last("AddUserActiveWatch"));
    fire(idle);
    ASSERT_TRUE(WaitWithEvents([&] { return monitor.Count("AddUserActiveWatch") == 2; }));
    EXPECT_EQ(Lines(starts), 1);
  }
  // Back again, the show over: the next idle period starts it.
  fire(monitor.Last("AddUserActiveWatch"));
  fire(idle);
  ASSERT_TRUE(WaitWithEvents([&] { return Lines(starts) == 2 && monitor.Count("AddUserActiveWatch") == 3; }));

  // The shell restarts: its new monitor gets the watch again.
  ASSERT_TRUE(connection.unregisterService(kService));
  ASSERT_TRUE(connection.registerService(kService));
  ASSERT_TRUE(WaitWithEvents([&] { return monitor.Count("AddIdleWatch") == 2; }));
  fire(monitor.Last("AddIdleWatch"));
  ASSERT_TRUE(WaitWithEvents([&] { return Lines(starts) == 3; }));

  // The next login's watcher on the same bus (a user bus outlives a session)
  // takes over: the older one ends.
  ASSERT_TRUE(QProcess::startDetached(QString::fromStdString(pf::IdleWatcherProgramPath()),
                                      {"--timeout", "60", "--", QString::fromStdString(saver.string()), "/s"}));
  ASSERT_TRUE(WaitWithEvents([&] { return monitor.Count("AddIdleWatch") == 3; }));
  const uint next = monitor.calls.back().pid;
  EXPECT_NE(next, watcher);
  EXPECT_TRUE(WaitWithEvents([&] { return !Alive(watcher); })) << "two watchers on one bus";

  // Off: the watcher ends and the entry goes.
  ASSERT_TRUE(pf::SetScreenSaveActive(false));
  EXPECT_TRUE(WaitWithEvents([&] { return !Alive(next); })) << "the watcher still runs";
  EXPECT_FALSE(fs::exists(pf::IdleStartAutostartFile()));

  setenv("ORVANE_DESKTOP", "record", 1);
  for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE", "WAYLAND_DISPLAY"})
    unsetenv(name);
  connection.unregisterService(kService);
  QDBusConnection::disconnectFromBus("monitor");
}

}  // namespace
