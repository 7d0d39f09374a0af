#pragma once
// The desktop settings the programs read and change (SystemParametersInfoA):
// the wallpaper, the screen-saver active flag and time-out, and the
// screen-saver-running state. They are recorded in "desktop.ini" [Desktop] in
// the machine-state folder through the profile API. A new wallpaper is also
// applied to the live desktop (wallpaper_live.h), and the screen-saver flag
// and time-out to the X session (idle_start.h), unless ORVANE_DESKTOP=record.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvane::platform {

// Action numbers of the calls these stand in for.
enum SystemParameter : unsigned {
  SPI_GETSCREENSAVETIMEOUT = 14,
  SPI_SETSCREENSAVETIMEOUT = 15,
  SPI_GETSCREENSAVEACTIVE = 16,
  SPI_SETSCREENSAVEACTIVE = 17,
  SPI_SETDESKWALLPAPER = 20,
  SPI_SETSCREENSAVERRUNNING = 97,
  SPI_GETSCREENSAVERRUNNING = 114,
};

// MachineStateFolder() + "desktop.ini".
std::string DesktopSettingsFile();

// SPI_SETDESKWALLPAPER. path "(none)" or empty removes the wallpaper. False when
// the setting could not be recorded (applying to the live desktop is best effort).
bool SetDesktopWallpaper(const std::string& path);
// The recorded wallpaper; empty when none was ever set.
std::string GetDesktopWallpaper();

// SPI_SETSCREENSAVEACTIVE / SPI_GETSCREENSAVEACTIVE (default: off).
bool SetScreenSaveActive(bool active);
bool GetScreenSaveActive();

// SPI_SETSCREENSAVETIMEOUT / SPI_GETSCREENSAVETIMEOUT, in seconds (default 600).
bool SetScreenSaveTimeOut(int seconds);
int GetScreenSaveTimeOut();

// SPI_SETSCREENSAVERRUNNING / SPI_GETSCREENSAVERRUNNING (default: not running).
bool SetScreenSaverRunning(bool running);
bool GetScreenSaverRunning();

// Runs one desktop tool and returns its standard output, or nullopt when the
// tool is missing or fails. Tests replace it to see the commands without running them.
using DesktopCommandRunner =
    std::function<std::optional<std::string>(const std::string& program, const std::vector<std::string>& args)>;
// An empty function restores the built-in runner (QProcess, a few seconds at most).
void SetDesktopCommandRunner(DesktopCommandRunner runner);
// Runs a desktop tool through the runner above.
std::optional<std::string> RunDesktopTool(const std::string& program, const std::vector<std::string>& args);

}  // namespace orvane::platform
