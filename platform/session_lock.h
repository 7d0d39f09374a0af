#pragma once
// The session lock of a Wayland session. There no client may hold the
// keyboard, so a show cannot keep other windows out of reach by itself: a show
// with a password locks the session through logind instead
// (org.freedesktop.login1.Session.Lock, as `loginctl lock-session` does), and
// the desktop's own lock screen asks for the login password. GNOME and KDE
// Plasma lock on that call themselves; a bare wlroots compositor needs a
// locker that listens for it (swayidle's "lock" command running swaylock).
//
// The same places tell whether the session is locked now: logind's LockedHint,
// GNOME's and KDE's screen-saver interfaces on the session bus, and a running
// swaylock of this display.
#include <functional>
#include <string>
#include <vector>

#include "platform/idle_watcher.h"

namespace orvane::platform {

// True when the show's password must be held by the session's lock: in a
// Wayland session (also through XWayland, whose grabs do not reach the
// compositor's shortcuts).
bool ShowLocksSession();

// Asks logind to lock the caller's session; false with the reason in error
// when the call did not go through. Waits for the answer (a few seconds at most).
bool LockLoginSession(std::string* error = nullptr);

// Who puts the lock screen up when logind is asked to lock the session.
enum class SessionLockScreen {
  Desktop,   // GNOME's or KDE Plasma's own (they listen to logind themselves)
  Swaylock,  // swaylock, run by swayidle's "lock" command
  Nobody,    // neither: the compositor offers swaylock nothing to lock with
};
// The lock screen of a session whose desktop env names and whose compositor
// offers the Wayland globals (interface names) given. swaylock needs
// ext-session-lock-v1, or wlr-layer-shell with wlr-input-inhibitor (the
// wlroots compositors); it is chosen only when installed and the desktop has
// no locker of its own.
SessionLockScreen ChooseSessionLockScreen(const EnvironmentReader& env, const std::vector<std::string>& globals,
                                  bool swaylockInstalled);
// The interface names of the globals the session's compositor (WAYLAND_DISPLAY)
// offers; empty when none answers within a few seconds.
std::vector<std::string> WaylandGlobals();
// ChooseSessionLockScreen for this session.
SessionLockScreen SessionLockScreenHere();

// Empty when logind can be asked to lock the session (the system bus answers
// and names it); else the reason, as a phrase.
std::string LoginSessionUnreachableReason();

// Empty when something in this session answers logind's lock; else the text
// that says what is missing (logind itself out of reach included).
std::string SessionLockUnansweredReason();

// In a Wayland session that cannot hold the screen-saver password (logind out
// of reach, or nothing that would put a lock screen up): one sentence that
// says so, for the change-password dialog and the settings; else empty.
std::string SessionCannotHoldPasswordNote();

// True when the session is locked now: logind's LockedHint of the session,
// GNOME's or KDE's screen saver active (asked only where their names are on
// the session bus), or a swaylock of this user running on this display. Each
// question waits a second at most.
bool SessionLocked();

// Test hook: called instead of LockLoginSession. An empty function restores it.
using SessionLocker = std::function<bool()>;
void SetSessionLocker(SessionLocker locker);
// LockLoginSession, or the test hook when one is set.
bool LockSession(std::string* error = nullptr);

}  // namespace orvane::platform
