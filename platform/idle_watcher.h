#pragma once
// Which idle watcher starts the saver in the running session, and its command:
// - GNOME (X11 or Wayland): our own `orvane-idle`, which holds a watch on
//   GNOME's idle monitor on the session bus;
// - any other Wayland compositor: Debian's `swayidle` on the standard idle
//   protocol, which also hands logind's lock to `swaylock` when it is installed;
// - any other X session: Debian's `xss-lock` on the X server's screen saver.
// The choice follows XDG_CURRENT_DESKTOP, XDG_SESSION_TYPE and WAYLAND_DISPLAY.
#include <functional>
#include <string>
#include <vector>

namespace orvane::platform {

enum class IdleWatcherKind { None, XssLock, SwayIdle, GnomeMonitor };

// The name of our watcher program, installed beside `orvane`.
inline constexpr const char* kIdleWatcherProgram = "orvane-idle";

struct IdleWatcherChoice {
  IdleWatcherKind kind = IdleWatcherKind::None;
  // The environment variable whose value tells this session's watchers from
  // those of other sessions of the same user (DISPLAY, WAYLAND_DISPLAY or
  // DBUS_SESSION_BUS_ADDRESS).
  std::string sessionVariable;
  // Why no watcher can run here (kind None, or the watcher's program missing);
  // empty when it can.
  std::string unavailable;
};

// Reads a variable of the environment; tests hand in their own.
using EnvironmentReader = std::function<std::string(const char* name)>;
std::string ProcessEnvironment(const char* name);

// True when XDG_CURRENT_DESKTOP names GNOME among its colon-separated desktops.
bool IsGnomeDesktop(const EnvironmentReader& env = ProcessEnvironment);
// True in a Wayland session: WAYLAND_DISPLAY set or XDG_SESSION_TYPE "wayland".
bool IsWaylandSession(const EnvironmentReader& env = ProcessEnvironment);

// The watcher this session needs. X sessions are taken as there when DISPLAY
// is set; whether an X server answers is for the caller to find out.
IdleWatcherChoice ChooseIdleWatcher(const EnvironmentReader& env = ProcessEnvironment);

// The full path of `orvane-idle`: beside the running program, else on PATH;
// empty when neither has it.
std::string IdleWatcherProgramPath();

// The command line of a watcher that starts saverProgram with "/s" after
// timeoutSeconds of idle time. withLocker: swayidle also runs `swaylock -f` on
// logind's lock. An X session's time-out is the X server's (xset), not part of
// the command.
std::vector<std::string> IdleWatcherCommand(IdleWatcherKind kind, const std::string& saverProgram,
                                            int timeoutSeconds, bool withLocker);

// The shell's single-quoted form of word; ShellUnquoted reads such a form back
// (false when text is not one word quoted that way).
std::string ShellQuoted(const std::string& word);
bool ShellUnquoted(const std::string& text, std::string& word);

}  // namespace orvane::platform
