#include "platform/tick.h"

#include <chrono>
#include <thread>

namespace orvane::platform {

namespace {

class MonotonicClock : public TickClock {
 public:
  std::uint64_t Milliseconds() override {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  }
  void SleepMilliseconds(std::uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
};

TickClock*& Override() {
  static TickClock* clock = nullptr;
  return clock;
}

TickClock& Current() {
  static MonotonicClock monotonic;
  TickClock* clock = Override();
  return clock ? *clock : monotonic;
}

}  // namespace

void SetTickClock(TickClock* clock) { Override() = clock; }

std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(Current().Milliseconds()); }

void Sleep(std::uint32_t ms) { Current().SleepMilliseconds(ms); }

void WaitStep() { Current().SleepMilliseconds(1); }

}  // namespace orvane::platform
