#include "addset/SetPlace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <system_error>
#include <vector>

#include "core/FindFiles.h"
#include "core/PPS.h"
#include "platform/folders.h"
#include "platform/textcodec.h"

namespace orvane::addset {

namespace fs = std::filesystem;

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string Quoted(const std::string& utf8) { return "\"" + utf8 + "\""; }
std::string Shown(const std::string& name) { return platform::NameToUtf8(name); }

namespace {

std::optional<std::string> SourceOf(const fs::path& setFolder) {
  std::ifstream in(setFolder / kSourceFileName, std::ios::binary);
  if (!in) return std::nullopt;
  std::string line;
  std::getline(in, line);
  return line;
}

// The folder's place in the program folder from an earlier run: a link to it,
// a set folder made for it, or the folder itself below the program folder.
SetPlace FindPlace(const fs::path& source, const fs::path& program) {
  SetPlace place;
  std::error_code ec;
  for (fs::directory_iterator it(program, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.front() == '.') continue;
    std::error_code kind, resolve;
    if (it->is_symlink(kind)) {
      if (fs::canonical(it->path(), resolve) == source && !resolve) {
        place.kind = SetPlace::Linked;
        place.entry = name;
        place.setFolder = WithSlash(it->path().string());
        return place;
      }
    } else if (it->is_directory(kind) && SourceOf(it->path()) == source.string()) {
      place.kind = SetPlace::OfLinks;
      place.entry = name;
      place.setFolder = WithSlash(it->path().string());
      return place;
    }
  }
  const fs::path relative = source.lexically_relative(program);
  if (!relative.empty() && *relative.begin() != ".." && relative != ".") {
    place.kind = SetPlace::Inside;
    place.entry = relative.string();
    place.setFolder = WithSlash(source.string());
  }
  return place;
}

// The folder can be written: the user may write it and its owner write bit
// (the read-only attribute) is set.
bool Writable(const fs::path& folder) {
  struct stat info {};
  return access(folder.c_str(), W_OK) == 0 && stat(folder.c_str(), &info) == 0 &&
         (info.st_mode & S_IWUSR) != 0;
}

// A set name that the catalogue can hold as a key and as a section of its own:
// brackets become round ones, and the catalogue's own section names get " (set)".
std::string SafeSetName(const std::string& utf8) {
  std::string name = DisplayName(utf8 + ".x");
  for (char& c : name) {
    if (c == '[') c = '(';
    if (c == ']') c = ')';
  }
  for (const char* own : {"SetDescriptions", "Launcher", "Wallpaper"})
    if (SameKey(name, own)) name += " (set)";
  return name;
}

// A folder name for the set in the program folder, from the name as given.
std::string EntryName(std::string name) {
  for (char& c : name)
    if (c == '/') c = '-';
  while (!name.empty() && (name.front() == '.' || name.front() == ' ')) name.erase(0, 1);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name.empty() ? "Set" : name;
}

// A [SetDescriptions] value as a folder below the program folder.
std::string CatalogueFolder(std::string value) {
  if (!value.empty() && value.front() == '*') value.erase(0, 1);
  for (char& c : value)
    if (c == '\\') c = '/';
  return value.empty() ? value : WithSlash(value);
}

// The folder of another set below the program folder that has this name, or "".
std::string OtherSetNamed(const std::string& setName, const fs::path& program, const fs::path& own) {
  core::FindFiles finder([] {});
  finder.StartPath(WithSlash(program.string()));
  finder.Pattern("images.ini");
  std::vector<std::string> found;
  finder.Find(found);
  for (const std::string& file : found) {
    const fs::path folder = fs::path(file).parent_path();
    std::error_code ec;
    const fs::path real = fs::canonical(folder, ec);
    if (real == own || real == program) continue;
    if (SameKey(ReadSetFile(file).setName, setName)) return WithSlash(folder.string());
  }
  return {};
}

PlaceResult Refuse(AddSetStatus status, std::string message) { return {std::nullopt, status, std::move(message)}; }

std::string Taken(const std::string& name, const std::string& where) {
  return "the name " + Quoted(name) + " is taken by another image set (" + where + "); give another name";
}

}  // namespace

PlaceResult PlaceSet(const fs::path& source, const fs::path& program, const std::string& name,
                     const std::string& settingsFolder) {
  SetPlace place = FindPlace(source, program);
  place.writable = Writable(source);
  if (place.kind == SetPlace::Inside && !place.writable)
    return Refuse(AddSetStatus::NotWritten,
                  source.string() + " cannot be written, so its set cannot be brought up to date");

  const std::string sourceFile = platform::ResolveCaseInsensitive(WithSlash(source.string()) + "images.ini");
  if (place.kind == SetPlace::OfLinks || place.kind == SetPlace::Inside)
    place.old = ReadSetFile(platform::ResolveCaseInsensitive(place.setFolder + "images.ini"));

  std::error_code ec;
  if (place.kind == SetPlace::New) {
    // A set folder of links made for a folder that is gone stands for this
    // one when it has this folder's name: the folder was moved.
    const SetFile own = ReadSetFile(sourceFile);
    const std::string entryName = EntryName(own.setName.empty() ? (name.empty() ? source.filename().string() : name)
                                                                : Shown(own.setName));
    const fs::path entry = program / entryName;
    if (fs::is_directory(fs::symlink_status(entry, ec))) {
      const std::optional<std::string> was = SourceOf(entry);
      if (was && !was->empty() && !fs::exists(*was, ec)) {
        place.kind = SetPlace::OfLinks;
        place.entry = entryName;
        place.setFolder = WithSlash(entry.string());
        place.staleSource = *was;
        place.old = ReadSetFile(platform::ResolveCaseInsensitive(place.setFolder + "images.ini"));
      }
    }
  }
  if (place.old.setName.empty() && place.kind != SetPlace::Inside) {
    place.old = ReadSetFile(sourceFile);
    place.oldFilesInSource = !place.old.setName.empty();
  }
  // The folder value of a file in the folder of pictures names that folder, not a set folder of links.
  if (place.Copied()) place.old.folderValue.clear();

  const std::string& oldName = place.old.setName;
  const std::string asked = name.empty() ? std::string() : SafeSetName(name);
  if (!asked.empty() && !oldName.empty() && !SameKey(asked, oldName))
    return Refuse(AddSetStatus::NameTaken, source.string() + " is the image set " + Quoted(Shown(oldName)) +
                                               " already; run without a name to bring it up to date");
  place.givenName = name.empty() ? source.filename().string() : name;
  place.setName = !oldName.empty() ? oldName : !asked.empty() ? asked : SafeSetName(place.givenName);
  place.renamed = oldName.empty() && Shown(place.setName) != place.givenName;

  if (place.kind == SetPlace::New) {
    place.entry = EntryName(oldName.empty() ? place.givenName : Shown(oldName));
    const fs::path entry = program / place.entry;
    // A link that leads nowhere (its folder was moved or deleted) gives way.
    place.brokenLink = fs::is_symlink(fs::symlink_status(entry, ec)) && !fs::exists(entry, ec);
    if (!place.brokenLink && fs::exists(fs::symlink_status(entry, ec)))
      return Refuse(AddSetStatus::NameTaken, Taken(place.entry, entry.string()));
    place.setFolder = WithSlash(entry.string());
  }

  if (!settingsFolder.empty()) {
    const std::string known =
        CatalogueFolder(core::GetIniString("SetDescriptions", place.setName, "", settingsFolder + "Orvane.ini"));
    if (!known.empty() && !SameDiskName(known, WithSlash(place.entry)))
      return Refuse(AddSetStatus::NameTaken, Taken(Shown(place.setName), Shown(known)));
  }
  if (const std::string other = OtherSetNamed(place.setName, program, fs::weakly_canonical(place.setFolder, ec));
      !other.empty())
    return Refuse(AddSetStatus::NameTaken, Taken(Shown(place.setName), other));
  return {std::move(place), AddSetStatus::Made, {}};
}

}  // namespace orvane::addset
