#pragma once
// "Orvane.scr" in the Windows folder is how other programs start the saver (the
// wallpaper changer, the idle watcher, "system.ini" [boot] "SCRNSAVE.EXE"): on
// Linux it is a symbolic link to the orvane program.
#include <filesystem>

namespace orvane::platform {

// The full path of "Orvane.scr" in the Windows folder.
std::filesystem::path SaverLinkPath();

// Points "Orvane.scr" at program when it is missing or dangling, and also when
// program is an installed copy, so the link follows the installed program and
// not a build tree that a developer ran once (a program counts as installed
// unless its folder holds CMake's "CMakeFiles"). A regular file in its place is
// left alone. The link is replaced atomically. Returns false when it could not
// be written; the caller goes on without it.
bool EnsureSaverLink(const std::filesystem::path& program);

}  // namespace orvane::platform
