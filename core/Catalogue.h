#pragma once
// Brings the catalogue file up to date with the sets on disk, as the settings
// dialog's load does, for the slide show that starts before any dialog exists.
#include <string>
#include <vector>

namespace orvane::core {

enum class CatalogueStatus {
  Refreshed,      // at least one "images.ini" was found and imported where new
  NoProgramPath,  // the registry names no program folder: nothing searched
  NoImageSets,    // no "images.ini" below the program folder
};

struct CatalogueRefresh {
  CatalogueStatus status = CatalogueStatus::NoProgramPath;
  std::string programPath;
  // Every set folder found, relative to the program folder and ending in "/",
  // in search order.
  std::vector<std::string> setFolders;
};

// EnsureUserIni on the settings folder; then every "images.ini" below the
// program folder (depth first) whose folder is not the program folder itself
// goes through ImportSetDescriptions, in search order. Sets the catalogue knows
// already are left as they are. With NoImageSets the caller reports it as the
// dialog does (ShowNoImageSetsMessage) and ends the program.
CatalogueRefresh RefreshCatalogue();
// The same with the two folders given.
CatalogueRefresh RefreshCatalogue(const std::string& settingsFolder, const std::string& programPath);

// "Unable to find image sets. PATH = " & programPath, exclamation icon, title "ERROR".
void ShowNoImageSetsMessage(const std::string& programPath);

}  // namespace orvane::core
