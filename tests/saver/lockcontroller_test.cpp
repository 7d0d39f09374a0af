// The lock's table as the controller carries it out: for each way (X11,
// Wayland) a run of events gives the reactions in order and the state after
// each; the prompt's answer and a failed session lock lead on to their own
// rows, and an event that arrives while the prompt is up finds the asking state.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "saver/LockController.h"

namespace orvane::saver {
namespace {

class RecordingWays : public LockWays {
 public:
  std::vector<std::string> done;
  bool lockWorks = true;
  bool accept = false;
  std::function<void()> duringAsk;

  void LockCover() override { done.push_back("cover"); }
  void LockRemap() override { done.push_back("remap"); }
  void LockRaise() override { done.push_back("raise"); }
  void LockRegrab() override { done.push_back("regrab"); }
  void LockRefocus() override { done.push_back("refocus"); }
  bool LockSessionNow() override {
    done.push_back(lockWorks ? "lock" : "lock failed");
    return lockWorks;
  }
  bool LockAsk() override {
    done.push_back("ask");
    if (duringAsk) duringAsk();
    return accept;
  }
  void LockCancelPrompts() override { done.push_back("cancel"); }
  void LockEnd() override { done.push_back("end"); }
};

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : " ") + item;
  return out;
}

struct Case {
  const char* name;
  LockWay way;
  std::vector<LockEvent> events;
  bool lockWorks, accept;
  std::string reactions;
  LockState after;
};

TEST(LockController, EachRunOfEventsGivesItsReactionsAndState) {
  using E = LockEvent;
  using S = LockState;
  const Case cases[] = {
      {"x11 key, refused", LockWay::X11, {E::Key}, true, false, "ask raise regrab refocus", S::Showing},
      {"x11 click, accepted", LockWay::X11, {E::Click}, true, true, "ask end", S::Unlocked},
      {"x11 unmap asks", LockWay::X11, {E::Unmap}, true, true, "remap raise regrab ask end", S::Unlocked},
      {"x11 monitors, restack, focus, grab", LockWay::X11, {E::MonitorChange, E::Restack, E::FocusLoss, E::GrabLost},
       true, false, "cover raise raise refocus regrab", S::Showing},
      {"x11 signal ends without asking", LockWay::X11, {E::Signal, E::Key}, true, false, "cancel end", S::Unlocked},
      {"x11 lock call failure is not its business", LockWay::X11, {E::LockCallFailed}, true, false, "", S::Showing},
      {"wayland key locks and ends", LockWay::Wayland, {E::Key}, true, false, "lock end", S::Unlocked},
      {"wayland failed lock asks", LockWay::Wayland, {E::Click}, false, false, "lock failed ask", S::Showing},
      {"wayland failed lock, right password", LockWay::Wayland, {E::CloseRequest}, false, true, "lock failed ask end",
       S::Unlocked},
      {"wayland hidden", LockWay::Wayland, {E::Unmap}, true, false, "lock end", S::Unlocked},
      // A show that cannot lock the session stays through focus loss and hiding, and asks.
      {"wayland hidden, failed lock asks", LockWay::Wayland, {E::Unmap}, false, false, "lock failed ask", S::Showing},
      {"wayland focus lost, failed lock, right password", LockWay::Wayland, {E::FocusLoss}, false, true,
       "lock failed ask end", S::Unlocked},
      {"wayland restack and grab mean nothing", LockWay::Wayland, {E::Restack, E::GrabLost, E::MonitorChange}, true,
       false, "cover", S::Showing},
      {"wayland signal", LockWay::Wayland, {E::Signal}, true, false, "lock cancel end", S::Unlocked},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingWays ways;
    ways.lockWorks = c.lockWorks;
    ways.accept = c.accept;
    LockController lock(c.way, ways);
    for (LockEvent event : c.events) lock.On(event);
    EXPECT_EQ(Joined(ways.done), c.reactions);
    EXPECT_EQ(lock.State(), c.after);
  }
}

TEST(LockController, EventsWhileThePromptIsUpFindTheAskingState) {
  struct During {
    const char* name;
    LockEvent event;
    std::string reactions;
    LockState after;
  };
  const During cases[] = {
      // Keys go on to the prompt; its answer still counts.
      {"key", LockEvent::Key, "ask refocus raise regrab refocus", LockState::Showing},
      {"unmap", LockEvent::Unmap, "ask remap raise regrab refocus raise regrab refocus", LockState::Showing},
      // A signal ends the show; the prompt's late answer changes nothing.
      {"signal", LockEvent::Signal, "ask cancel end", LockState::Unlocked},
  };
  for (const During& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingWays ways;
    LockController lock(LockWay::X11, ways);
    ways.duringAsk = [&] {
      EXPECT_EQ(lock.State(), LockState::Asking);
      lock.On(c.event);
    };
    lock.On(LockEvent::Key);
    EXPECT_EQ(Joined(ways.done), c.reactions);
    EXPECT_EQ(lock.State(), c.after);
  }
}

TEST(LockController, AWaylandPromptStaysThroughFocusLossAndHiding) {
  struct During {
    const char* name;
    LockEvent event;
    std::string reactions;
  };
  const During cases[] = {
      {"focus loss", LockEvent::FocusLoss, "lock failed ask end"},
      {"hidden", LockEvent::Unmap, "lock failed ask remap end"},
  };
  for (const During& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingWays ways;
    ways.lockWorks = false;
    ways.accept = true;  // answered once the user is back
    LockController lock(LockWay::Wayland, ways);
    ways.duringAsk = [&] {
      lock.On(c.event);
      EXPECT_EQ(lock.State(), LockState::Asking);
    };
    lock.On(LockEvent::Key);
    EXPECT_EQ(Joined(ways.done), c.reactions);
    EXPECT_EQ(lock.State(), LockState::Unlocked);
  }
}

TEST(LockController, EveryStateAndEventHasAtMostOneRowAndUnlockedHasNone) {
  for (const LockState state : {LockState::Showing, LockState::Asking, LockState::Unlocked})
    for (int e = 0; e < kLockEventCount; ++e) {
      int rows = 0;
      for (const LockRow& row : kLockTable) rows += row.state == state && row.event == LockEvent(e);
      EXPECT_LE(rows, 1) << LockStateName(state) << " / " << LockEventName(LockEvent(e));
      if (state == LockState::Unlocked) {
        EXPECT_EQ(rows, 0);
      }
    }
}

}  // namespace
}  // namespace orvane::saver
