#pragma once
// Where the programs keep their files on Linux. Every folder returned ends in "/".
#include <string>

namespace orvane::platform {

// $XDG_DATA_HOME/orvane/ (default ~/.local/share/orvane/), created on first use:
// the stand-in for the user's local application-data folder.
std::string LocalAppDataFolder();
// $XDG_STATE_HOME/orvane/ (default ~/.local/state/orvane/): registry hives,
// desktop settings and the Windows folder.
std::string MachineStateFolder();
// MachineStateFolder() + "windows/", created on first use.
std::string GetWindowsDirectory();
// The short form of a path is the path itself.
std::string GetShortPathName(const std::string& path);

// Looks a file or folder name up in its folder: the exact name when it exists,
// else the one entry whose name matches without regard to case (names in set
// files are windows-1252 bytes; names on disk UTF-8; both are compared decoded).
// "\" in the name counts as "/"; each component below the longest leading part
// that exists as written is looked up in turn. Returns the path on disk, or the
// name (with "\" turned into "/") when nothing matches.
std::string ResolveCaseInsensitive(const std::string& path);

}  // namespace orvane::platform
