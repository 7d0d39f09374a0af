#pragma once
// A timer control in the run time's manner over QTimer: it ticks every Interval
// milliseconds while it is Enabled and its Interval is above 0. Switching it on
// (Enabled false -> true) or changing the Interval starts the count afresh;
// setting Enabled to true again while it runs changes nothing. A tick that falls
// due while the handler is still running (it pumped events) is dropped, so the
// handler is never entered twice.
#include <QObject>
#include <QTimer>
#include <functional>

namespace orvane::platform {

class VbTimer : public QObject {
  Q_OBJECT

 public:
  explicit VbTimer(QObject* parent = nullptr);

  int Interval() const { return interval_; }
  // 0 switches the timer off without touching Enabled; negative counts as 0,
  // values above 65535 as 65535.
  void SetInterval(int ms);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Called on every tick (the control's Timer event).
  void SetHandler(std::function<void()> handler) { handler_ = std::move(handler); }

  // True while ticks are being produced (Enabled and Interval > 0).
  bool Running() const { return timer_.isActive(); }

 private:
  void Restart();
  void Tick();

  QTimer timer_;
  int interval_ = 0;
  bool enabled_ = true;  // a new timer control is enabled; its interval of 0 keeps it silent
  bool inHandler_ = false;
  std::function<void()> handler_;
};

}  // namespace orvane::platform
