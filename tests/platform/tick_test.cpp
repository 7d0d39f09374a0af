#include "platform/tick.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace pf = orvane::platform;

TEST(TickCount, FollowsAnInjectedClockAndWrapsAt32Bits) {
  pf::ManualTickClock clock(0xFFFFFFF0ull);
  pf::SetTickClock(&clock);
  const std::uint32_t start = pf::GetTickCount();
  EXPECT_EQ(start, 0xFFFFFFF0u);
  clock.Advance(0x20);
  EXPECT_EQ(pf::GetTickCount(), 0x10u);  // wrapped
  EXPECT_EQ(static_cast<std::uint32_t>(pf::GetTickCount() - start), 0x20u);  // differences still right
  pf::Sleep(250);
  pf::WaitStep();
  EXPECT_EQ(clock.Milliseconds(), 0xFFFFFFF0ull + 0x20 + 251);
  pf::SetTickClock(nullptr);
}

TEST(TickCount, MonotonicClockNeverRunsBackwards) {
  std::uint32_t previous = pf::GetTickCount();
  for (int i = 0; i < 5; ++i) {
    pf::WaitStep();
    const std::uint32_t now = pf::GetTickCount();
    EXPECT_LE(static_cast<std::uint32_t>(now - previous), 0x7FFFFFFFu);
    previous = now;
  }
}
