#include "platform/vbtimer.h"

#include <algorithm>

#include "platform/events.h"

namespace orvane::platform {

VbTimer::VbTimer(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &VbTimer::Tick);
}

void VbTimer::SetInterval(int ms) {
  interval_ = std::clamp(ms, 0, 65535);
  Restart();
}

void VbTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Restart();
}

void VbTimer::Restart() {
  if (enabled_ && interval_ > 0) timer_.start(interval_);
  else timer_.stop();
}

void VbTimer::Tick() {
  ReentryGuard guard(inHandler_);
  if (!guard || !handler_) return;
  handler_();
}

}  // namespace orvane::platform
