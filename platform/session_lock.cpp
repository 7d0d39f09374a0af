#include "platform/session_lock.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStandardPaths>
#include <QString>
#include <cctype>

#include "platform/idle_start.h"
#include "platform/idle_watcher.h"

namespace orvane::platform {

namespace {

constexpr int kLockCallMs = 5000;

SessionLocker& Locker() {
  static SessionLocker locker;
  return locker;
}

bool DesktopLocksItself() {
  std::string desktops = ProcessEnvironment("XDG_CURRENT_DESKTOP");
  for (char& c : desktops) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return IsGnomeDesktop() || desktops.find("KDE") != std::string::npos;
}

}  // namespace

bool ShowLocksSession() { return IsWaylandSession(); }

bool LockLoginSession(std::string* error) {
  QDBusConnection bus = QDBusConnection::systemBus();
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

std::string SessionLockUnansweredReason() {
  if (DesktopLocksItself() || SessionLockHandlerRunning()) return "";
  if (QStandardPaths::findExecutable("swaylock").isEmpty())
    return "nothing in this session locks the screen when logind asks: install swaylock "
           "(Debian package swaylock), then switch the screen saver off and on again";
  return "nothing in this session locks the screen when logind asks: swaylock is installed, but no "
         "idle watcher hands logind's lock to it; switch the screen saver off and on again";
}

void SetSessionLocker(SessionLocker locker) { Locker() = std::move(locker); }

bool LockSession(std::string* error) {
  if (Locker()) return Locker()();
  return LockLoginSession(error);
}

}  // namespace orvane::platform
