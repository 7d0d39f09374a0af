#pragma once
// The session lock of a Wayland session. There no client may hold the
// keyboard, so a show cannot keep other windows out of reach by itself: a show
// with a password locks the session through logind instead
// (org.freedesktop.login1.Session.Lock, as `loginctl lock-session` does), and
// the desktop's own lock screen asks for the login password. GNOME and KDE
// Plasma lock on that call themselves; a bare compositor needs a locker that
// listens for it (swayidle's "lock" command running swaylock).
#include <functional>
#include <string>

namespace orvane::platform {

// True when the show's password must be held by the session's lock: in a
// Wayland session (also through XWayland, whose grabs do not reach the
// compositor's shortcuts).
bool ShowLocksSession();

// Asks logind to lock the caller's session; false with the reason in error
// when the call did not go through. Waits for the answer (a few seconds at most).
bool LockLoginSession(std::string* error = nullptr);

// Empty when something in this session answers logind's lock; else the text
// that says what is missing.
std::string SessionLockUnansweredReason();

// Test hook: called instead of LockLoginSession. An empty function restores it.
using SessionLocker = std::function<bool()>;
void SetSessionLocker(SessionLocker locker);
// LockLoginSession, or the test hook when one is set.
bool LockSession(std::string* error = nullptr);

}  // namespace orvane::platform
