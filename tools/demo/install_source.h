#pragma once
// Writes an install source folder for `pellam`: "custom.inf", and in its "Sets"
// sub-folder a "logo.bmp" and three ".ilb" libraries of generated image sets
// ("Gardens" with a "license.txt", "Mountains", "Waves").
#include <filesystem>
#include <string>
#include <vector>

#include "installer/Library.h"

namespace orvane::demo {

// One library of the install source: its file name, set name and files.
struct DemoLibrary {
  std::string fileName;
  std::string setName;
  std::string folder;  // the set's folder below the program folder
  std::vector<installer::LibraryFile> files;
};
// The libraries' contents, drawn afresh (the same bytes on every call).
std::vector<DemoLibrary> DemoLibraries();

// Writes the folder; returns the files written. Throws std::runtime_error.
std::vector<std::filesystem::path> WriteInstallSource(const std::filesystem::path& folder);

// The default place: $XDG_DATA_HOME/orvane-demo-install/.
std::filesystem::path DefaultInstallSourceFolder();

// Records folder as the program folder under the current user, as a setup
// program does before it starts the installer. False when it cannot be written.
bool RegisterInstallTarget(const std::filesystem::path& folder);

}  // namespace orvane::demo
