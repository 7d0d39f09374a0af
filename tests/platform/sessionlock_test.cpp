// Who locks a Wayland session when logind is asked to (the desktop's own
// locker, swaylock where the compositor offers what it needs, or nobody), and
// whether the session is locked now, as logind, GNOME's and KDE's screen
// savers tell it on private buses. Needs dbus-daemon for the second part.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <chrono>
#include <cstdlib>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "platform/session_lock.h"
#include "tests/support/dbus_daemon.h"
#include "tests/support/logind_standin.h"
#include "tests/support/testenv.h"

namespace pf = orvane::platform;

namespace {

// What each compositor offered under test (its interface names, the ones
// that matter here).
const std::vector<std::string> kSway17 = {"wl_compositor", "xdg_wm_base", "zwlr_layer_shell_v1",
                                          "zwlr_input_inhibit_manager_v1", "org_kde_kwin_idle"};
const std::vector<std::string> kWlrootsNewer = {"wl_compositor", "xdg_wm_base", "ext_session_lock_manager_v1",
                                                "ext_idle_notifier_v1"};
const std::vector<std::string> kKwin527 = {"wl_compositor", "xdg_wm_base", "zwlr_layer_shell_v1",
                                           "org_kde_kwin_idle", "ext_idle_notifier_v1"};
const std::vector<std::string> kMutter43 = {"wl_compositor", "xdg_wm_base", "gtk_shell1"};

TEST(SessionLockScreen, EachDesktopGetsTheLockerThatCanLockIt) {
  using S = pf::SessionLockScreen;
  const struct {
    const char* desktop;
    const std::vector<std::string>& globals;
    bool swaylock;
    S expected;
  } cases[] = {
      {"sway", kSway17, true, S::Swaylock},
      {"sway", kSway17, false, S::Nobody},  // nothing installed to run
      {"", kSway17, true, S::Swaylock},     // a wlroots compositor that names no desktop
      {"river", kWlrootsNewer, true, S::Swaylock},
      {"KDE", kKwin527, true, S::Desktop},  // swaylock cannot run on KWin; Plasma locks itself
      {"", kKwin527, true, S::Nobody},      // a bare KWin: the layer shell alone is not enough
      {"GNOME", kMutter43, true, S::Desktop},
      {"ubuntu:GNOME", kMutter43, true, S::Desktop},
      {"", kMutter43, true, S::Nobody},
      {"KDE", kSway17, true, S::Desktop},   // never two lock screens
      {"sway", {}, true, S::Nobody},        // no compositor answered
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.desktop) + (c.swaylock ? "" : " without swaylock"));
    const auto env = [&](const char* name) { return std::string(name) == "XDG_CURRENT_DESKTOP" ? c.desktop : ""; };
    EXPECT_EQ(pf::ChooseSessionLockScreen(env, c.globals, c.swaylock), c.expected);
  }
}

// GNOME's or KDE's screen saver on the session bus: GetActive answers active.
class ScreenSaverStandIn : public QDBusVirtualObject {
 public:
  bool active = false;
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() == "GetActive") connection.send(message.createReply(active));
    else connection.send(message.createErrorReply("org.freedesktop.DBus.Error.UnknownMethod", "no"));
    return true;
  }
};

// SessionLocked asked on another thread: the stand-ins answer on this one.
bool AskLocked() {
  auto answer = std::async(std::launch::async, [] { return pf::SessionLocked(); });
  EXPECT_TRUE(orvane::test::WaitWithEvents(
      [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  return answer.get();
}

TEST(SessionLocked, LogindOrTheDesktopsScreenSaverTellsIt) {
  orvane::test::PrivateBus system, session;
  if (system.Address().empty() || session.Address().empty()) GTEST_SKIP() << "dbus-daemon is not installed";
  setenv("DBUS_SYSTEM_BUS_ADDRESS", system.Address().c_str(), 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", session.Address().c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");  // no swaylock of this display can be running
  QDBusConnection systemSide = QDBusConnection::connectToBus(QString::fromStdString(system.Address()), "logind");
  QDBusConnection sessionSide = QDBusConnection::connectToBus(QString::fromStdString(session.Address()), "desktop");
  ASSERT_TRUE(systemSide.isConnected() && sessionSide.isConnected());

  // Nothing answers at first: not locked, and asking waited for nobody.
  EXPECT_FALSE(AskLocked());

  orvane::test::LogindStandIn logind;
  ASSERT_TRUE(logind.Register(systemSide));
  ScreenSaverStandIn gnome, kde;
  ASSERT_TRUE(sessionSide.registerVirtualObject("/org/gnome/ScreenSaver", &gnome));
  ASSERT_TRUE(sessionSide.registerVirtualObject("/ScreenSaver", &kde));
  const struct {
    const char* name;
    bool lockedHint, gnomeActive, kdeActive;
    bool gnomeThere, kdeThere;
    bool expected;
  } cases[] = {
      {"all unlocked", false, false, false, true, true, false},
      {"logind's LockedHint", true, false, false, false, false, true},
      {"GNOME's screen saver active", false, true, false, true, false, true},
      {"KDE's screen saver active", false, false, true, false, true, true},
      {"an active saver whose name is gone", false, true, true, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    logind.lockedHint = c.lockedHint;
    gnome.active = c.gnomeActive;
    kde.active = c.kdeActive;
    sessionSide.unregisterService("org.gnome.ScreenSaver");
    sessionSide.unregisterService("org.freedesktop.ScreenSaver");
    if (c.gnomeThere) {
      ASSERT_TRUE(sessionSide.registerService("org.gnome.ScreenSaver"));
    }
    if (c.kdeThere) {
      ASSERT_TRUE(sessionSide.registerService("org.freedesktop.ScreenSaver"));
    }
    EXPECT_EQ(AskLocked(), c.expected);
  }
  EXPECT_GE(logind.Count("Get"), 1) << "logind was never asked";
  systemSide.unregisterService("org.freedesktop.login1");
  QDBusConnection::disconnectFromBus("logind");
  QDBusConnection::disconnectFromBus("desktop");
}

}  // namespace
