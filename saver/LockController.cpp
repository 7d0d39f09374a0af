#include "saver/LockController.h"

namespace orvane::saver {

const LockRow* FindLockRow(LockState state, LockEvent event) {
  for (const LockRow& row : kLockTable)
    if (row.state == state && row.event == event) return &row;
  return nullptr;
}

const char* LockStateName(LockState state) {
  switch (state) {
    case LockState::Showing: return "showing";
    case LockState::Asking: return "asking";
    case LockState::Unlocked: return "unlocked";
  }
  return "?";
}

const char* LockEventName(LockEvent event) {
  switch (event) {
    case LockEvent::Key: return "key";
    case LockEvent::Click: return "click";
    case LockEvent::CloseRequest: return "close request";
    case LockEvent::MonitorChange: return "monitor change";
    case LockEvent::Restack: return "restack";
    case LockEvent::Unmap: return "unmap";
    case LockEvent::FocusLoss: return "focus loss";
    case LockEvent::GrabLost: return "grab lost";
    case LockEvent::Signal: return "signal";
    case LockEvent::LockCallFailed: return "lock call failed";
    case LockEvent::Accepted: return "accepted";
    case LockEvent::Refused: return "refused";
  }
  return "?";
}

LockState LockController::On(LockEvent event) {
  const LockRow* row = FindLockRow(state_, event);
  if (!row) return state_;
  const LockStep step = way_ == LockWay::X11 ? row->x11 : row->wayland;
  const LockState from = state_;
  state_ = step.next;
  const auto does = [&step](LockReaction reaction) { return (step.reactions & reaction) != 0; };
  if (does(kCover)) ways_.LockCover();
  if (does(kRemap)) ways_.LockRemap();
  if (does(kRaise)) ways_.LockRaise();
  if (does(kRegrab)) ways_.LockRegrab();
  if (does(kRefocus)) ways_.LockRefocus();
  if (does(kLockSession)) ways_.LockSessionNow();
  if (does(kLockOrAsk) && !ways_.LockSessionNow()) {
    // The session did not lock: the row of the failure decides instead of
    // this one's end.
    state_ = from;
    return On(LockEvent::LockCallFailed);
  }
  if (does(kAsk)) {
    const bool accepted = ways_.LockAsk();
    // Something else (a signal) decided meanwhile.
    if (state_ != LockState::Asking) return state_;
    return On(accepted ? LockEvent::Accepted : LockEvent::Refused);
  }
  if (does(kCancelPrompts)) ways_.LockCancelPrompts();
  if (does(kEnd)) ways_.LockEnd();
  return state_;
}

}  // namespace orvane::saver
