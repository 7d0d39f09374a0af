#pragma once
// Writes a complete demo program folder: three image sets with "images.ini",
// "company.ini", per-image ".nfo" files, "photo.nfo", thumbnails, a panorama,
// a title page, a layer picture and a set sound, plus the program folder's
// template "ScreenSaver.ini" and "config.ini". Running it again rewrites the
// same files with the same bytes.
#include <filesystem>
#include <string>
#include <vector>

namespace orvane::demo {

struct WrittenFolder {
  std::filesystem::path folder;
  std::vector<std::filesystem::path> files;  // every file written, in order
};

// Throws std::runtime_error when a file cannot be written.
WrittenFolder WriteDemoProgramFolder(const std::filesystem::path& folder);

// The default place: $XDG_DATA_HOME/orvane-demo/ (~/.local/share/orvane-demo/).
std::filesystem::path DefaultDemoFolder();

// Records folder (absolute, with a trailing "/") as the program folder in the
// stand-in registry, HKEY_LOCAL_MACHINE. False when it cannot be written.
bool RegisterProgramFolder(const std::filesystem::path& folder);

}  // namespace orvane::demo
