#pragma once
// Puts the wallpaper on the running desktop. Desktops that draw their own
// background are told through their settings: GNOME and its kin, Cinnamon and
// MATE through gsettings, Xfce through xfconf-query, KDE Plasma through its
// shell's scripting call over D-Bus. Any other X session gets the picture as
// the root window's background pixmap, announced through the _XROOTPMAP_ID and
// ESETROOT_PMAP_ID properties that compositors and terminals read, and kept
// after the program ends. A Wayland session of any other compositor cannot be
// reached and is left alone.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvane::platform {

enum class LiveDesktop { Gnome, Cinnamon, Mate, Xfce, Plasma, XRootWindow, Unreachable };

// The desktop to talk to, from XDG_CURRENT_DESKTOP, XDG_SESSION_TYPE and DISPLAY.
LiveDesktop DetectLiveDesktop();

// Runs one tool and returns its standard output, or nullopt when it is missing
// or fails.
using DesktopTool =
    std::function<std::optional<std::string>(const std::string& program, const std::vector<std::string>& args)>;

// Applies path ("(none)" or empty: no picture) to the desktop, using tool for
// the desktop programs.
void ApplyWallpaperToLiveDesktop(const std::string& path, const DesktopTool& tool);

// The X root window of display (nullptr: $DISPLAY): the picture file (any
// bitmap or JPEG the imaging library reads) centred on black at the screen's
// size, or, with an empty path or "(none)", the server's default background.
// The pixmap of the picture set before is freed. False when the display or the
// picture cannot be opened.
bool SetRootWindowPicture(const std::string& path, const char* display = nullptr);

}  // namespace orvane::platform
