#pragma once
// The one owner of a show's lock. Its states are showing (the slides run, the
// lock holds), asking (the password prompt is up) and unlocked (the show
// ends); every event that can reach a show (a key, a click, a close request,
// a monitor change, another window restacked over it, its window taken off the
// screen, the focus lost, a grab lost, a termination signal, a failed call to
// lock the session, the prompt's answer) has one row in kLockTable: the state
// it leads to and what is done, once for each way a lock is held:
//
// - X11: the show holds the keyboard and pointer itself (platform/input_grab),
//   keeps its windows on top of every other (platform/window_watch) and asks
//   with its own prompt.
// - Wayland: no client may hold the keyboard; the show locks the session
//   through logind as it ends or is left (platform/session_lock), and the
//   desktop's lock screen asks; its own prompt, drawn inside the show's window,
//   only where that call fails. A show that could not lock is not ended by
//   losing the focus or being hidden: it asks, and its prompt stays until
//   answered (asking is reached on Wayland only through a failed lock).
//
// A show without a password runs the same table; its prompt passes at once and
// the grabs and restacking are not taken (LockWays decides).
#include <cstdint>

namespace orvane::saver {

enum class LockState : std::uint8_t { Showing, Asking, Unlocked };

enum class LockEvent : std::uint8_t {
  Key,            // a key of the show or of a window it covers
  Click,          // a button, or a move past the slack
  CloseRequest,   // the window system's close (WM_DELETE_WINDOW)
  MonitorChange,  // a monitor added, removed, moved or resized
  Restack,        // another window mapped, raised or moved over the show
  Unmap,          // the show's window unmapped or destroyed (Wayland: hidden, minimised)
  FocusLoss,      // the keyboard focus went to a window that is not the show's
  GrabLost,       // the server let the keyboard or pointer grab go
  Signal,         // SIGTERM, SIGINT, SIGHUP
  LockCallFailed, // logind's lock did not go through
  Accepted,       // the prompt took the right password
  Refused,        // the prompt was cancelled or taken away
};
inline constexpr int kLockEventCount = int(LockEvent::Refused) + 1;

// What a row does; several at once, in this order.
enum LockReaction : std::uint16_t {
  kNothing = 0,
  kCover = 1 << 0,          // every monitor covered again, the slides on one
  kRemap = 1 << 1,          // the show's window made and mapped again
  kRaise = 1 << 2,          // the show's windows put back on top, the prompt above
  kRegrab = 1 << 3,         // keyboard and pointer taken again
  kRefocus = 1 << 4,        // the keyboard focus back to the show, or to its prompt
  kLockSession = 1 << 5,    // the session locked (once); a failure is only logged
  kLockOrAsk = 1 << 6,      // the session locked (once); a failure is LockCallFailed
  kAsk = 1 << 7,            // the prompt asks; its answer is Accepted or Refused
  kCancelPrompts = 1 << 8,  // the prompt and the show's boxes cancelled
  kEnd = 1 << 9,            // the show ends
};

enum class LockWay : std::uint8_t { X11, Wayland };

struct LockStep {
  LockState next;
  std::uint16_t reactions;
};

struct LockRow {
  LockState state;
  LockEvent event;
  LockStep x11;
  LockStep wayland;
};

// The whole lock, one row per state and event; a pair without a row changes
// nothing. Kept in step with the table in docs/DESIGN.md.
inline constexpr LockRow kLockTable[] = {
    // state        event                X11                                      Wayland
    {LockState::Showing, LockEvent::Key, {LockState::Asking, kAsk}, {LockState::Unlocked, kLockOrAsk | kEnd}},
    {LockState::Showing, LockEvent::Click, {LockState::Asking, kAsk}, {LockState::Unlocked, kLockOrAsk | kEnd}},
    {LockState::Showing, LockEvent::CloseRequest, {LockState::Asking, kAsk}, {LockState::Unlocked, kLockOrAsk | kEnd}},
    {LockState::Showing, LockEvent::MonitorChange, {LockState::Showing, kCover | kRaise}, {LockState::Showing, kCover}},
    {LockState::Showing, LockEvent::Restack, {LockState::Showing, kRaise}, {LockState::Showing, kNothing}},
    {LockState::Showing, LockEvent::Unmap, {LockState::Asking, kRemap | kRaise | kRegrab | kAsk}, {LockState::Unlocked, kLockOrAsk | kEnd}},
    {LockState::Showing, LockEvent::FocusLoss, {LockState::Showing, kRefocus}, {LockState::Unlocked, kLockOrAsk | kEnd}},
    {LockState::Showing, LockEvent::GrabLost, {LockState::Showing, kRegrab}, {LockState::Showing, kNothing}},
    {LockState::Showing, LockEvent::Signal, {LockState::Unlocked, kCancelPrompts | kEnd}, {LockState::Unlocked, kCancelPrompts | kLockSession | kEnd}},
    {LockState::Showing, LockEvent::LockCallFailed, {LockState::Showing, kNothing}, {LockState::Asking, kAsk}},

    {LockState::Asking, LockEvent::Key, {LockState::Asking, kRefocus}, {LockState::Asking, kNothing}},
    {LockState::Asking, LockEvent::Click, {LockState::Asking, kRefocus}, {LockState::Asking, kNothing}},
    {LockState::Asking, LockEvent::MonitorChange, {LockState::Asking, kCover | kRaise}, {LockState::Asking, kCover}},
    {LockState::Asking, LockEvent::Restack, {LockState::Asking, kRaise}, {LockState::Asking, kNothing}},
    {LockState::Asking, LockEvent::Unmap, {LockState::Asking, kRemap | kRaise | kRegrab | kRefocus}, {LockState::Asking, kRemap}},
    {LockState::Asking, LockEvent::FocusLoss, {LockState::Asking, kRefocus}, {LockState::Asking, kNothing}},
    {LockState::Asking, LockEvent::GrabLost, {LockState::Asking, kRegrab}, {LockState::Asking, kNothing}},
    {LockState::Asking, LockEvent::Signal, {LockState::Unlocked, kCancelPrompts | kEnd}, {LockState::Unlocked, kCancelPrompts | kLockSession | kEnd}},
    {LockState::Asking, LockEvent::Accepted, {LockState::Unlocked, kEnd}, {LockState::Unlocked, kEnd}},
    {LockState::Asking, LockEvent::Refused, {LockState::Showing, kRaise | kRegrab | kRefocus}, {LockState::Showing, kNothing}},
};

// What the show does for each reaction; the controller decides when.
class LockWays {
 public:
  virtual ~LockWays() = default;
  virtual void LockCover() = 0;
  virtual void LockRemap() = 0;
  virtual void LockRaise() = 0;
  virtual void LockRegrab() = 0;
  virtual void LockRefocus() = 0;
  // False when the session could not be locked.
  virtual bool LockSessionNow() = 0;
  // True when the right password was typed (or none is stored).
  virtual bool LockAsk() = 0;
  virtual void LockCancelPrompts() = 0;
  virtual void LockEnd() = 0;
};

// The row for state and event, or null when the pair changes nothing.
const LockRow* FindLockRow(LockState state, LockEvent event);
const char* LockStateName(LockState state);
const char* LockEventName(LockEvent event);

class LockController {
 public:
  LockController(LockWay way, LockWays& ways) : way_(way), ways_(ways) {}
  LockController(const LockController&) = delete;
  LockController& operator=(const LockController&) = delete;

  LockWay Way() const { return way_; }
  void SetWay(LockWay way) { way_ = way; }
  LockState State() const { return state_; }

  // Carries out the row of the current state and event. The prompt runs its
  // own event loop, so further events arrive while an earlier one is still
  // being handled; each finds the state as it is then. Returns the state after
  // the event.
  LockState On(LockEvent event);

 private:
  LockWay way_;
  LockWays& ways_;
  LockState state_ = LockState::Showing;
};

}  // namespace orvane::saver
