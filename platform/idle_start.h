#pragma once
// Carrying the recorded screen-saver settings out on the running X session: the
// X server's screen-saver time-out ("xset s SECONDS"), and Debian's xss-lock as
// the idle watcher that starts the saver program ("system.ini" [boot]
// "SCRNSAVE.EXE") with "/s" when the X screen saver activates. The watcher is
// started at once for the running session and through an XDG autostart entry
// for later ones; switching the saver off sets the time-out off, removes the
// entry and stops the session's watcher.
//
// Without an X server (DISPLAY unset or not answering), in a Wayland session
// (whose XWayland server does not see the session's input) and under
// ORVANE_DESKTOP=record nothing is carried out: the settings are only recorded.
#include <functional>
#include <string>
#include <vector>

namespace orvane::platform {

// $XDG_CONFIG_HOME/autostart/orvane-idle-start.desktop (default ~/.config/...).
std::string IdleStartAutostartFile();

// The autostart entry's text for a saver program and a time-out: it sets the
// time-out again (a new X server starts with its own) and starts the watcher.
std::string IdleStartAutostartEntry(const std::string& saverProgram, int timeoutSeconds);

// Brings the live session in line with the recorded active flag and time-out;
// the desktop settings call it after every change of either. A time-out of 0
// switches the X screen saver off, as on the system the settings come from.
void ApplyIdleStart(bool active, int timeoutSeconds);

// Test hook: starts a program without waiting for it (no shell); true when it
// started. An empty function restores the built-in starter.
using DetachedStarter = std::function<bool(const std::string& program, const std::vector<std::string>& args)>;
void SetDetachedStarter(DetachedStarter starter);

}  // namespace orvane::platform
