#include "platform/vbtimer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include "platform/events.h"
#include "platform/modal.h"

namespace pf = orvane::platform;

namespace {

// Runs the event loop until done() holds; the generous bound only keeps a
// broken timer from hanging the test, it is not what is being checked.
template <typename Done>
bool PumpUntil(Done done) {
  QEventLoop loop;
  QTimer bound;
  bound.setSingleShot(true);
  QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
  bound.start(20000);
  while (!done() && bound.isActive()) loop.processEvents(QEventLoop::WaitForMoreEvents);
  return done();
}

}  // namespace

TEST(VbTimer, IntervalZeroOrDisabledIsOff) {
  pf::VbTimer timer;
  EXPECT_TRUE(timer.Enabled());  // a new control is enabled but silent
  EXPECT_EQ(timer.Interval(), 0);
  EXPECT_FALSE(timer.Running());
  timer.SetInterval(100);
  EXPECT_TRUE(timer.Running());
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
  timer.SetInterval(200);
  EXPECT_FALSE(timer.Running());  // a new interval does not switch it on
  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Running());
  timer.SetInterval(0);
  EXPECT_FALSE(timer.Running());
  EXPECT_TRUE(timer.Enabled());
  timer.SetInterval(-5);
  EXPECT_EQ(timer.Interval(), 0);
  timer.SetInterval(100000);
  EXPECT_EQ(timer.Interval(), 65535);
}

TEST(VbTimer, TicksUntilTheHandlerSwitchesItOff) {
  pf::VbTimer fast, slow;
  int fastTicks = 0, slowTicks = 0;
  fast.SetHandler([&] {
    if (++fastTicks == 3) fast.SetEnabled(false);
  });
  slow.SetHandler([&] { ++slowTicks; });
  fast.SetInterval(1);
  ASSERT_TRUE(PumpUntil([&] { return fastTicks == 3; }));
  slow.SetInterval(30);  // started after the third fast tick
  ASSERT_TRUE(PumpUntil([&] { return slowTicks >= 1; }));
  EXPECT_EQ(fastTicks, 3);
  EXPECT_FALSE(fast.Running());
}

TEST(VbTimer, HandlerThatPumpsEventsIsNotEnteredAgain) {
  pf::VbTimer timer, reference;
  int depth = 0, maxDepth = 0, ticks = 0;
  bool referenceFired = false;
  reference.SetHandler([&] { referenceFired = true; });
  timer.SetHandler([&] {
    ++ticks;
    maxDepth = std::max(maxDepth, ++depth);
    if (ticks == 1) {
      reference.SetInterval(20);  // many 1 ms ticks fall due meanwhile
      while (!referenceFired) pf::DoEvents();
      timer.SetEnabled(false);
    }
    --depth;
  });
  timer.SetInterval(1);
  ASSERT_TRUE(PumpUntil([&] { return referenceFired; }));
  EXPECT_EQ(maxDepth, 1);
  EXPECT_EQ(ticks, 1);
}

TEST(ReentryGuard, OnlyTheOutermostEntryRuns) {
  bool busy = false;
  {
    pf::ReentryGuard outer(busy);
    EXPECT_TRUE(outer);
    EXPECT_TRUE(busy);
    pf::ReentryGuard inner(busy);
    EXPECT_FALSE(inner);
  }
  EXPECT_FALSE(busy);
}

TEST(Modal, ShowModalRunsUntilUnloadAndKeepsTheWindow) {
  QWidget window;
  int loopTurns = 0;
  QTimer::singleShot(0, [&] {
    ++loopTurns;
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(pf::IsShownModally(window));
    EXPECT_EQ(window.windowModality(), Qt::ApplicationModal);
    pf::Unload(window);
    EXPECT_TRUE(pf::IsUnloaded(window));  // what the window's loops test
  });
  pf::ShowModal(window);
  EXPECT_EQ(loopTurns, 1);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(pf::IsShownModally(window));
  EXPECT_TRUE(pf::IsUnloaded(window));
  EXPECT_EQ(window.windowModality(), Qt::NonModal);

  // Showing it again loads it again; hiding it also ends the modal show.
  QTimer::singleShot(0, [&] {
    EXPECT_FALSE(pf::IsUnloaded(window));
    window.hide();
  });
  pf::ShowModal(window);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(pf::IsUnloaded(window));
}

TEST(Modal, NestedModalWindowsReturnInOrder) {
  QWidget outer, inner;
  std::vector<std::string> order;
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(0, [&] {
      order.push_back("unload inner");
      pf::Unload(inner);
    });
    pf::ShowModal(inner);
    order.push_back("inner returned");
    pf::Unload(outer);
  });
  pf::ShowModal(outer);
  order.push_back("outer returned");
  EXPECT_EQ(order, (std::vector<std::string>{"unload inner", "inner returned", "outer returned"}));
}

TEST(Modal, DestroyingTheWindowEndsTheShow) {
  auto* window = new QWidget;
  QTimer::singleShot(0, [window] { delete window; });
  pf::ShowModal(*window);
  SUCCEED();
}
