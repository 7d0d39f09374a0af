#include "platform/session_lock.h"

#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "platform/idle_start.h"

namespace orvane::platform {

namespace {

constexpr int kLockCallMs = 5000;
// A question whose answer only decides whether a show starts.
constexpr int kQuestionMs = 1000;
constexpr int kWaylandMs = 2000;

// The system bus that DBUS_SYSTEM_BUS_ADDRESS names now. Qt's own systemBus()
// keeps the first connection it made for the life of the process, even one
// that failed or whose bus has gone; this one is made again when it is down.
QDBusConnection SystemBus() {
  const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  if (!address || !*address) return QDBusConnection::systemBus();
  const QString name = QStringLiteral("orvane-system:") + QString::fromUtf8(address);
  if (QDBusConnection bus(name); bus.isConnected()) return bus;
  QDBusConnection::disconnectFromBus(name);
  return QDBusConnection::connectToBus(QString::fromUtf8(address), name);
}

SessionLocker& Locker() {
  static SessionLocker locker;
  return locker;
}

bool DesktopLocksItself(const EnvironmentReader& env) {
  std::string desktops = env("XDG_CURRENT_DESKTOP");
  for (char& c : desktops) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return IsGnomeDesktop(env) || desktops.find("KDE") != std::string::npos;
}

bool Has(const std::vector<std::string>& globals, const char* name) {
  return std::find(globals.begin(), globals.end(), name) != globals.end();
}

// What swaylock needs of the compositor: the session-lock protocol, or the
// layer shell and the input inhibitor of wlroots.
bool SwaylockCanLock(const std::vector<std::string>& globals) {
  return Has(globals, "ext_session_lock_manager_v1") ||
         (Has(globals, "zwlr_layer_shell_v1") && Has(globals, "zwlr_input_inhibit_manager_v1"));
}

bool SwaylockInstalled() { return !QStandardPaths::findExecutable("swaylock").isEmpty(); }

// logind's word on the caller's session; false when it cannot be asked.
bool LogindSaysLocked() {
  QDBusConnection bus = SystemBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1/session/auto",
                                                     "org.freedesktop.DBus.Properties", "Get");
  call << QString("org.freedesktop.login1.Session") << QString("LockedHint");
  const QDBusMessage reply = bus.call(call, QDBus::Block, kQuestionMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
  return reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

// GNOME's and KDE's screen savers, where their names are on the session bus
// (none is started by the question).
bool DesktopSaysLocked() {
  // Without a bus of the session, none is started for the question.
  const std::string runtime = ProcessEnvironment("XDG_RUNTIME_DIR");
  if (ProcessEnvironment("DBUS_SESSION_BUS_ADDRESS").empty() &&
      (runtime.empty() || access((runtime + "/bus").c_str(), F_OK) != 0))
    return false;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()) return false;
  const struct {
    const char* service;
    const char* path;
  } savers[] = {
      {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"},
      {"org.freedesktop.ScreenSaver", "/ScreenSaver"},
  };
  for (const auto& saver : savers) {
    if (!bus.interface()->isServiceRegistered(saver.service).value()) continue;
    const QDBusMessage reply = bus.call(
        QDBusMessage::createMethodCall(saver.service, saver.path, saver.service, "GetActive"), QDBus::Block,
        kQuestionMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
        reply.arguments().first().toBool())
      return true;
  }
  return false;
}

void AddGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
  static_cast<std::vector<std::string>*>(data)->push_back(interface);
}
void RemoveGlobal(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {AddGlobal, RemoveGlobal};

void SyncDone(void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }
const wl_callback_listener kSyncListener = {SyncDone};

}  // namespace

bool ShowLocksSession() { return IsWaylandSession(); }

bool LockLoginSession(std::string* error) {
  QDBusConnection bus = SystemBus();
  if (!bus.isConnected()) {
    if (error) *error = "the system bus cannot be reached (" + bus.lastError().message().toStdString() + ")";
    return false;
  }
  // "auto": the caller's own session, or else its user's graphical one.
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1/session/auto",
                                                     "org.freedesktop.login1.Session", "Lock");
  const QDBusMessage reply = bus.call(call, QDBus::Block, kLockCallMs);
  if (reply.type() == QDBusMessage::ErrorMessage) {
    if (error) *error = "logind refused to lock the session (" + reply.errorMessage().toStdString() + ")";
    return false;
  }
  return true;
}

SessionLockScreen ChooseSessionLockScreen(const EnvironmentReader& env, const std::vector<std::string>& globals,
                                          bool swaylockInstalled) {
  // Two lock screens would fight over the session: the desktop's own wins.
  if (DesktopLocksItself(env)) return SessionLockScreen::Desktop;
  return swaylockInstalled && SwaylockCanLock(globals) ? SessionLockScreen::Swaylock : SessionLockScreen::Nobody;
}

std::vector<std::string> WaylandGlobals() {
  std::vector<std::string> globals;
  if (ProcessEnvironment("WAYLAND_DISPLAY").empty()) return globals;
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &globals);
  // Every global is announced before the answer to a sync that follows.
  bool done = false;
  wl_callback* sync = wl_display_sync(display);
  wl_callback_add_listener(sync, &kSyncListener, &done);
  pollfd ready{wl_display_get_fd(display), POLLIN, 0};
  while (!done) {
    while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
    if (done) {
      wl_display_cancel_read(display);
      break;
    }
    wl_display_flush(display);
    if (poll(&ready, 1, kWaylandMs) <= 0) {
      wl_display_cancel_read(display);
      globals.clear();  // a compositor that does not answer offers nothing
      break;
    }
    if (wl_display_read_events(display) != 0 || wl_display_dispatch_pending(display) < 0) {
      globals.clear();
      break;
    }
  }
  wl_callback_destroy(sync);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return globals;
}

SessionLockScreen SessionLockScreenHere() {
  if (DesktopLocksItself(ProcessEnvironment)) return SessionLockScreen::Desktop;
  return ChooseSessionLockScreen(ProcessEnvironment, WaylandGlobals(), SwaylockInstalled());
}

std::string LoginSessionUnreachableReason() {
  QDBusConnection bus = SystemBus();
  if (!bus.isConnected()) return "the system bus cannot be reached";
  const QString logind = "org.freedesktop.login1";
  if (bus.interface() && !bus.interface()->isServiceRegistered(logind).value() &&
      !bus.interface()->activatableServiceNames().value().contains(logind))
    return "logind is not on the system bus";
  return "";
}

std::string SessionLockUnansweredReason() {
  if (const std::string unreachable = LoginSessionUnreachableReason(); !unreachable.empty())
    return unreachable + ": the show asks with its own prompt, and other windows stay within reach";
  const SessionLockScreen screen = SessionLockScreenHere();
  // The user's own swayidle may hand the lock to a locker of their choice.
  if (screen == SessionLockScreen::Desktop || SessionLockHandlerRunning()) return "";
  if (screen == SessionLockScreen::Swaylock)
    return "nothing in this session locks the screen when logind asks: swaylock is installed, but no "
           "idle watcher hands logind's lock to it; switch the screen saver off and on again";
  if (!SwaylockInstalled() && SwaylockCanLock(WaylandGlobals()))
    return "nothing in this session locks the screen when logind asks: install swaylock "
           "(Debian package swaylock), then switch the screen saver off and on again";
  return "nothing in this session locks the screen when logind asks, and this compositor offers no "
         "lock screen that swaylock could use";
}

std::string SessionCannotHoldPasswordNote() {
  if (!ShowLocksSession()) return "";
  if (!LoginSessionUnreachableReason().empty())
    return "This session cannot hold the screen-saver password: nothing can lock it here, so while the slide "
           "show asks for the password other windows stay within reach of the keyboard.";
  if (SessionLockScreenHere() == SessionLockScreen::Nobody && !SessionLockHandlerRunning())
    return "This session cannot hold the screen-saver password: nothing in it puts a lock screen up, so the "
           "desktop is within reach once the slide show ends.";
  return "";
}

bool SessionLocked() {
  return LogindSaysLocked() || DesktopSaysLocked() || SwaylockRunning();
}

void SetSessionLocker(SessionLocker locker) { Locker() = std::move(locker); }

bool LockSession(std::string* error) {
  if (Locker()) return Locker()();
  return LockLoginSession(error);
}

}  // namespace orvane::platform
