#pragma once
// Carrying the recorded screen-saver settings out on the running session: an
// idle watcher (idle_watcher.h: orvane-idle on GNOME, swayidle on other
// Wayland compositors, xss-lock on other X sessions) starts the saver program
// ("system.ini" [boot] "SCRNSAVE.EXE") with "/s" once the session has been
// idle for the time-out. The watcher is started at once for the running
// session and through an XDG autostart entry for later ones, which runs
// orvane-idle: it picks the watcher of the session it finds itself in. On X the
// time-out is also the X server's screen-saver time-out ("xset s SECONDS").
// Switching the saver off removes the entry and stops the session's watcher.
//
// Where no watcher can run (no session bus, no idle protocol, the tool
// missing) the settings are only recorded and the reason is logged once; under
// ORVANE_DESKTOP=record nothing is carried out.
#include <functional>
#include <string>
#include <vector>

namespace orvane::platform {

// $XDG_CONFIG_HOME/autostart/orvane-idle-start.desktop (default ~/.config/...).
std::string IdleStartAutostartFile();

// The autostart entry's text: watcherProgram (orvane-idle's full path) with
// the time-out and the saver program.
std::string IdleStartAutostartEntry(const std::string& watcherProgram, const std::string& saverProgram,
                                    int timeoutSeconds);

// Brings the live session in line with the recorded active flag and time-out;
// the desktop settings call it after every change of either. A time-out of 0
// means the saver never starts by itself, as on the system the settings come from.
void ApplyIdleStart(bool active, int timeoutSeconds);

// True when an idle watcher of this user and Wayland display hands logind's
// lock to a locker (swayidle with a "lock" command).
bool SessionLockHandlerRunning();
// True while a swaylock of this user runs on this Wayland display: the session
// is locked.
bool SwaylockRunning();

// Test hook: starts a program without waiting for it (no shell); true when it
// started. An empty function restores the built-in starter.
using DetachedStarter = std::function<bool(const std::string& program, const std::vector<std::string>& args)>;
void SetDetachedStarter(DetachedStarter starter);

}  // namespace orvane::platform
