#include "platform/gnome_idle_watch.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "platform/runlog.h"

namespace orvane::idle {

GnomeIdleWatch::GnomeIdleWatch(QDBusConnection bus, quint64 intervalMs, std::function<void()> idle)
    : bus_(std::move(bus)),
      intervalMs_(intervalMs),
      idle_(std::move(idle)),
      monitor_(kMonitorService, bus_, QDBusServiceWatcher::WatchForRegistration) {
  connect(&monitor_, &QDBusServiceWatcher::serviceRegistered, this, [this] { Register(); });
}

bool GnomeIdleWatch::Start() {
  if (!bus_.isConnected()) {
    platform::WriteRunLog("The idle watcher cannot reach the session bus: " + bus_.lastError().message().toStdString() +
                      ".");
    return false;
  }
  bus_.connect(QString(), "/org/freedesktop/DBus/Local", "org.freedesktop.DBus.Local", "Disconnected", this,
               SLOT(Disconnected()));
  bus_.connect("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameLost", this,
               SLOT(NameLost(QString)));
  bus_.interface()->registerService(kWatcherName, QDBusConnectionInterface::ReplaceExistingService,
                                    QDBusConnectionInterface::AllowReplacement);
  bus_.connect(kMonitorService, kMonitorPath, kMonitorInterface, "WatchFired", this, SLOT(WatchFired(uint)));
  Register();
  return true;
}

quint32 GnomeIdleWatch::Call(const char* method, const QVariantList& arguments) {
  QDBusMessage call = QDBusMessage::createMethodCall(kMonitorService, kMonitorPath, kMonitorInterface, method);
  call.setArguments(arguments);
  const QDBusMessage reply = bus_.call(call, QDBus::Block, 10000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0;
  return reply.arguments().first().toUInt();
}

void GnomeIdleWatch::Register() {
  // A new monitor knows none of the old watches.
  activeWatch_ = 0;
  armed_ = true;
  idleWatch_ = Call("AddIdleWatch", {QVariant::fromValue(quint64(intervalMs_))});
  if (idleWatch_ != 0) return;
  // It may come later (the shell restarting): the service watcher registers then.
  if (!saidMissing_)
    platform::WriteRunLog("GNOME's idle monitor is not on the session bus; the idle watcher waits for it.");
  saidMissing_ = true;
}

void GnomeIdleWatch::NameLost(const QString& name) {
  if (name == kWatcherName) QCoreApplication::quit();  // a newer watcher took over
}

void GnomeIdleWatch::Disconnected() { QCoreApplication::quit(); }  // the session is over

void GnomeIdleWatch::WatchFired(uint id) {
  if (id == 0) return;
  if (id == idleWatch_ && armed_) {
    armed_ = false;
    idle_();
    activeWatch_ = Call("AddUserActiveWatch", {});
    if (activeWatch_ == 0) armed_ = true;  // no way to learn of the user's return
  } else if (id == activeWatch_) {
    activeWatch_ = 0;  // a user-active watch fires once
    armed_ = true;
  }
}

}  // namespace orvane::idle
