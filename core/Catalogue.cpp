#include "core/Catalogue.h"

#include "core/FindFiles.h"
#include "core/ImportSetDescriptions.h"
#include "core/Utils.h"
#include "platform/msgbox.h"

namespace orvane::core {

CatalogueRefresh RefreshCatalogue() {
  const std::string settingsFolder = GetSettingsFolder();
  EnsureUserIni(settingsFolder);
  return RefreshCatalogue(settingsFolder, GetProgramPath());
}

CatalogueRefresh RefreshCatalogue(const std::string& settingsFolder, const std::string& programPath) {
  CatalogueRefresh refresh;
  refresh.programPath = programPath;
  if (programPath.empty()) return refresh;

  // The search reports root & folder & name, with "/" after the root.
  std::string root = programPath;
  if (root.back() == '\\') root.back() = '/';
  if (root.back() != '/') root += '/';

  FindFiles finder;
  finder.StartPath(root);
  finder.Pattern("images.ini");
  std::vector<std::string> found;
  if (!finder.Find(found)) {
    refresh.status = CatalogueStatus::NoImageSets;
    return refresh;
  }
  refresh.status = CatalogueStatus::Refreshed;

  for (const std::string& path : found) {
    if (path.compare(0, root.size(), root) != 0) continue;
    const std::size_t nameAt = path.rfind('/') + 1;
    if (nameAt <= root.size()) continue;  // "images.ini" of the program folder itself
    refresh.setFolders.push_back(path.substr(root.size(), nameAt - root.size()));
  }
  SetImport import(settingsFolder, root);
  for (std::string folder : refresh.setFolders) import.Add(folder);
  import.Commit();
  return refresh;
}

void ShowNoImageSetsMessage(const std::string& programPath) {
  platform::MsgBox("Unable to find image sets. PATH = " + programPath, platform::vbExclamation,
                   "ERROR");
}

}  // namespace orvane::core
