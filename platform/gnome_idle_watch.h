#pragma once
// A watch on GNOME's idle monitor (org.gnome.Mutter.IdleMonitor on the session
// bus, object /org/gnome/Mutter/IdleMonitor/Core). The idle watch fires each
// time the session has been idle for the interval; after it fired once, a
// user-active watch re-arms it when the user comes back, so that one idle
// period starts one show. When the monitor leaves the bus and comes back (the
// shell restarted) the watch is registered anew. One watcher holds the bus
// name below: a newer one (the next login's, on a user bus that outlived the
// session) takes it over, and the older one ends. It also ends with its bus.
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <functional>

namespace orvane::idle {

inline constexpr const char* kMonitorService = "org.gnome.Mutter.IdleMonitor";
inline constexpr const char* kMonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";
inline constexpr const char* kMonitorInterface = "org.gnome.Mutter.IdleMonitor";
inline constexpr const char* kWatcherName = "org.orvane.IdleWatcher";

class GnomeIdleWatch : public QObject {
  Q_OBJECT

 public:
  GnomeIdleWatch(QDBusConnection bus, quint64 intervalMs, std::function<void()> idle);
  // False (and said in the log) when the session bus cannot be reached.
  bool Start();

 private slots:
  void WatchFired(uint id);
  void NameLost(const QString& name);
  void Disconnected();

 private:
  void Register();
  quint32 Call(const char* method, const QVariantList& arguments);

  QDBusConnection bus_;
  quint64 intervalMs_;
  std::function<void()> idle_;
  QDBusServiceWatcher monitor_;
  quint32 idleWatch_ = 0;
  quint32 activeWatch_ = 0;
  bool armed_ = true;
  bool saidMissing_ = false;
};

}  // namespace orvane::idle
