#pragma once
// A stand-in of logind on a test's private bus (tests/support/dbus_daemon.h),
// as far as the show and swayidle use it: the manager's GetSession and
// GetSessionByPID give one session; that session's Lock and Unlock (also
// called on ".../session/auto") are recorded and sent as its signals, which
// swayidle's "lock" command waits for; its LockedHint is a property that
// SetLockedHint sets. Its calls are answered while the test's Qt events run
// (those of the thread it lives in).
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QString>
#include <mutex>
#include <string>
#include <vector>

namespace orvane::test {

class LogindStandIn : public QDBusVirtualObject {
 public:
  static constexpr const char* kSessionPath = "/org/freedesktop/login1/session/c1";
  struct Call {
    std::string path, interface, method;
    uint pid;
  };

  // Registers itself on connection (a bus the test connected to by name);
  // false when the bus refused.
  bool Register(QDBusConnection connection) {
    return connection.registerVirtualObject("/org/freedesktop/login1", this, QDBusConnection::SubPath) &&
           connection.registerService("org.freedesktop.login1");
  }

  std::vector<Call> calls;
  bool lockedHint = false;

  int Count(const std::string& method) const {
    const std::lock_guard<std::mutex> hold(mutex_);
    int n = 0;
    for (const Call& call : calls) n += call.method == method;
    return n;
  }

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    const QString method = message.member();
    const std::lock_guard<std::mutex> hold(mutex_);
    calls.push_back({message.path().toStdString(), message.interface().toStdString(), method.toStdString(),
                     connection.interface()->servicePid(message.service()).value()});
    if (method == "GetSession" || method == "GetSessionByPID") {
      connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(kSessionPath))));
    } else if (method == "Lock" || method == "Unlock") {
      connection.send(message.createReply());
      connection.send(QDBusMessage::createSignal(kSessionPath, "org.freedesktop.login1.Session", method));
    } else if (method == "SetLockedHint") {
      lockedHint = !message.arguments().isEmpty() && message.arguments().first().toBool();
      connection.send(message.createReply());
    } else if (method == "Get" && message.arguments().value(1).toString() == "LockedHint") {
      connection.send(message.createReply(QVariant::fromValue(QDBusVariant(lockedHint))));
    } else {
      connection.send(message.createErrorReply("org.freedesktop.DBus.Error.UnknownMethod", "not in the stand-in"));
    }
    return true;
  }

 private:
  mutable std::mutex mutex_;
};

}  // namespace orvane::test
