#include "saver/SlideLists.h"

#include <algorithm>

#include "core/CompanyIni.h"
#include "core/PPS.h"

namespace orvane::saver {
namespace {

constexpr const char* kSetDescriptions = "SetDescriptions";

bool IsExcluded(const std::string& value) { return !value.empty() && value.front() == '*'; }

// Appends the included images of one set, in the catalogue's key order.
void AppendSetImages(const std::string& catalogueFile, const std::string& set,
                     const std::string& folder, std::vector<std::string>& entries) {
  for (const std::string& key : KeyListToArray(core::GetIniString(set, "", "", catalogueFile))) {
    const std::string name = core::GetIniString(set, key, "", catalogueFile);
    if (!IsExcluded(name)) entries.push_back(MakeEntry(folder + name, key));
  }
}

}  // namespace

std::vector<std::string> KeyListToArray(const std::string& list) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find('\0', start);
    if (end == std::string::npos) end = list.size();
    if (end == start) break;  // callers stop at the first empty name
    names.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::string MakeEntry(const std::string& imagePath, const std::string& key) {
  std::string entry = imagePath;
  entry += '\0';
  entry += key;
  return entry;
}

SlideListResult BuildSetList(const std::string& catalogueFile, const std::string& programFolder,
                             const std::string& currentSet, int imageDelay) {
  SlideListResult result;
  result.TitleTime = imageDelay;
  // An empty name would make the ini layer answer with key lists instead of values.
  if (currentSet.empty()) return result;

  std::string folder = core::GetIniString(kSetDescriptions, currentSet, "", catalogueFile);
  // The set was chosen by name even if it is marked excluded; a folder with the
  // mark in front would name no image on disk.
  if (IsExcluded(folder)) folder.erase(0, 1);
  const core::SlideTitlePage title =
      core::ReadSlideTitlePage(core::CompanyFile(programFolder + folder));
  result.TitleFile = title.TitleFile;
  result.TitleTime = result.TitleFile.empty()
                         ? imageDelay
                         : static_cast<int>(std::clamp(title.TitleTime, -32768L, 32767L));
  if (!result.TitleFile.empty())
    result.entries.push_back(MakeEntry(folder + result.TitleFile, kTitlePageKey));
  AppendSetImages(catalogueFile, currentSet, folder, result.entries);
  return result;
}

SlideListResult BuildAllSetsList(const std::string& catalogueFile, int imageDelay) {
  SlideListResult result;
  result.TitleTime = imageDelay;
  for (const std::string& set :
       KeyListToArray(core::GetIniString(kSetDescriptions, "", "", catalogueFile))) {
    const std::string folder = core::GetIniString(kSetDescriptions, set, "", catalogueFile);
    if (IsExcluded(folder)) continue;
    AppendSetImages(catalogueFile, set, folder, result.entries);
  }
  return result;
}

void AppendTo(const SlideListResult& list, core::clsImageList& slideList) {
  for (const std::string& entry : list.entries) slideList.Add(entry);
}

}  // namespace orvane::saver
