#pragma once
// The system tick count: milliseconds from the monotonic clock, cut to 32 bits
// so that differences wrap like the counter the programs were written for.
// The clock can be replaced for tests; waits go through it too, so a test clock
// makes them instant.
#include <cstdint>

namespace orvane::platform {

class TickClock {
 public:
  virtual ~TickClock() = default;
  virtual std::uint64_t Milliseconds() = 0;
  virtual void SleepMilliseconds(std::uint32_t ms) = 0;
};

// A clock that moves only when told to; sleeping on it moves it forward.
class ManualTickClock : public TickClock {
 public:
  explicit ManualTickClock(std::uint64_t start = 0) : now_(start) {}
  std::uint64_t Milliseconds() override { return now_; }
  void SleepMilliseconds(std::uint32_t ms) override { now_ += ms; }
  void Set(std::uint64_t ms) { now_ = ms; }
  void Advance(std::uint64_t ms) { now_ += ms; }

 private:
  std::uint64_t now_;
};

// nullptr restores the monotonic clock. The caller keeps the clock alive.
void SetTickClock(TickClock* clock);

std::uint32_t GetTickCount();

// Sleep(ms): the thread sleeps (on the current clock).
void Sleep(std::uint32_t ms);

// One short step of a wait loop that polls the tick count: sleeps about a
// millisecond instead of burning a core.
void WaitStep();

}  // namespace orvane::platform
