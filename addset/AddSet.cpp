#include "addset/AddSet.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "addset/SetPictures.h"
#include "addset/Thumbnail.h"
#include "core/FindFiles.h"
#include "core/PPS.h"
#include "platform/folders.h"
#include "platform/textcodec.h"

namespace orvane::addset {

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string Quoted(const std::string& utf8) { return "\"" + utf8 + "\""; }
std::string Shown(const std::string& ansi) { return platform::ToUtf8(ansi); }

// Where a set's files are and how the program folder reaches them.
struct Placement {
  enum Kind { New, Linked, Inside, Copied } kind = New;
  std::string entry;      // below the program folder, without a trailing "/"
  std::string setFolder;  // ends in "/"
};

std::optional<std::string> SourceOf(const fs::path& setFolder) {
  std::ifstream in(setFolder / kSourceFileName, std::ios::binary);
  if (!in) return std::nullopt;
  std::string line;
  std::getline(in, line);
  return line;
}

// The folder's place in the program folder from an earlier run: a link to it,
// a set folder made for it, or the folder itself below the program folder.
Placement FindPlacement(const fs::path& source, const fs::path& program) {
  std::error_code ec;
  for (fs::directory_iterator it(program, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.front() == '.') continue;
    std::error_code kind;
    if (it->is_symlink(kind)) {
      std::error_code resolve;
      if (fs::canonical(it->path(), resolve) == source && !resolve)
        return {Placement::Linked, name, WithSlash(source.string())};
    } else if (it->is_directory(kind) && SourceOf(it->path()) == source.string()) {
      return {Placement::Copied, name, WithSlash(it->path().string())};
    }
  }
  const fs::path relative = source.lexically_relative(program);
  if (!relative.empty() && *relative.begin() != ".." && relative != ".")
    return {Placement::Inside, relative.string(), WithSlash(source.string())};
  return {};
}

// The folder can take the set's files: the user may write it and its owner
// write bit (the read-only attribute) is set.
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

std::string CatalogueFolder(std::string value) {
  if (!value.empty() && value.front() == '*') value.erase(0, 1);
  for (char& c : value)
    if (c == '\\') c = '/';
  return value.empty() ? value : WithSlash(value);
}

// The folder of another set below the program folder that has this name, or "".
std::string OtherSetNamed(const std::string& setName, const std::string& program, const fs::path& own) {
  core::FindFiles finder([] {});
  finder.StartPath(program);
  finder.Pattern("images.ini");
  std::vector<std::string> found;
  finder.Find(found);
  for (const std::string& file : found) {
    const fs::path folder = fs::path(file).parent_path();
    std::error_code ec;
    if (fs::canonical(folder, ec) == own || fs::canonical(folder, ec) == fs::canonical(program, ec)) continue;
    if (SameKey(ReadSetFile(file).setName, setName)) return WithSlash(folder.string());
  }
  return {};
}

bool LinkTo(const fs::path& link, const fs::path& target) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(link, ec))) {
    if (fs::read_symlink(link, ec) == target) return true;
    fs::remove(link, ec);
  } else if (fs::exists(fs::symlink_status(link, ec))) {
    return false;  // something of the user's own: never replaced
  }
  fs::create_symlink(target, link, ec);
  return !ec;
}

bool OlderThan(const fs::path& a, const fs::path& b) {
  std::error_code ec1, ec2;
  const auto ta = fs::last_write_time(a, ec1);
  const auto tb = fs::last_write_time(b, ec2);
  return !ec1 && !ec2 && ta < tb;
}

bool HasFolderPart(const std::string& stored) { return stored.find_first_of("\\/") != std::string::npos; }
// Thumbnails of entries that name the picture with its extension are this
// program's own; an author's set names them without.
bool OurThumbnail(const std::string& stored) { return NamesItsExtension(stored); }

AddSetReport Fail(AddSetStatus status, std::string message) {
  AddSetReport report;
  report.status = status;
  report.message = std::move(message);
  return report;
}

// The catalogue's section of a set it knows already, in the new entry order:
// names kept keep their value (and with it an exclusion mark), new ones are
// added, those gone are dropped.
bool UpdateCatalogue(const std::string& settingsFolder, const SetFile& set) {
  if (settingsFolder.empty()) return true;
  const std::string catalogue = settingsFolder + "Orvane.ini";
  if (core::GetIniString("SetDescriptions", set.setName, "", catalogue).empty()) return true;  // found at the next start
  core::IniBatch batch(catalogue);
  std::vector<std::pair<std::string, std::string>> section;
  for (const SetEntry& entry : set.entries) {
    const std::string stored = core::GetIniString(set.setName, entry.name, "", catalogue);
    section.emplace_back(entry.name, stored.empty() ? entry.file : stored);
  }
  batch.DeleteSection(set.setName);
  for (const auto& [key, value] : section) batch.Write(set.setName, key, value);
  return batch.Commit();
}

}  // namespace

AddSetReport AddSet(const AddSetRequest& request) {
  std::error_code ec;
  if (request.folder.empty() || !fs::is_directory(request.folder, ec))
    return Fail(AddSetStatus::NoSuchFolder, "no such folder: " + request.folder);
  const fs::path source = fs::canonical(request.folder, ec);
  if (ec) return Fail(AddSetStatus::NoSuchFolder, "no such folder: " + request.folder);
  if (request.programFolder.empty() || !fs::is_directory(request.programFolder, ec))
    return Fail(AddSetStatus::NoProgramFolder,
                "the program folder " + request.programFolder + " does not exist");
  const fs::path program = fs::canonical(request.programFolder, ec);
  if (source == program)
    return Fail(AddSetStatus::NameTaken, request.folder +
                                             " is the program folder itself; give the folder of one set");

  Placement place = FindPlacement(source, program);
  bool brokenLink = false;
  const bool writable = Writable(source);
  if ((place.kind == Placement::Linked || place.kind == Placement::Inside) && !writable)
    return Fail(AddSetStatus::NotWritten, request.folder + " cannot be written, so its set cannot be brought up to date");

  // The set as an earlier run (or its author) left it.
  SetFile old;
  if (place.kind != Placement::New) old = ReadSetFile(platform::ResolveCaseInsensitive(place.setFolder + "images.ini"));
  if (old.setName.empty()) old = ReadSetFile(platform::ResolveCaseInsensitive(WithSlash(source.string()) + "images.ini"));
  if (place.kind == Placement::New && !writable) old.folderValue.clear();

  std::string setName = request.name.empty() ? std::string() : SafeSetName(request.name);
  if (!setName.empty() && !old.setName.empty() && !SameKey(setName, old.setName))
    return Fail(AddSetStatus::NameTaken, request.folder + " is the image set " + Quoted(Shown(old.setName)) +
                                             " already; run without a name to bring it up to date");
  const std::string givenName = request.name.empty() ? source.filename().string() : request.name;
  if (setName.empty()) setName = !old.setName.empty() ? old.setName : SafeSetName(givenName);

  if (place.kind == Placement::New) {
    place.entry = EntryName(old.setName.empty() ? givenName : Shown(old.setName));
    // A link that leads nowhere (its folder was moved or deleted) gives way.
    const fs::path entry = program / place.entry;
    brokenLink = fs::is_symlink(fs::symlink_status(entry, ec)) && !fs::exists(entry, ec);
    if (!brokenLink && fs::exists(fs::symlink_status(entry, ec)))
      return Fail(AddSetStatus::NameTaken, "the name " + Quoted(place.entry) + " is taken by another image set (" +
                                               (program / place.entry).string() + "); give another name");
    place.setFolder = writable ? WithSlash(source.string()) : WithSlash((program / place.entry).string());
  }
  const std::string catalogue = request.settingsFolder.empty() ? "" : request.settingsFolder + "Orvane.ini";
  const std::string known = catalogue.empty() ? "" : CatalogueFolder(core::GetIniString("SetDescriptions", setName, "", catalogue));
  if (!known.empty() && !SameDiskName(known, WithSlash(place.entry)))
    return Fail(AddSetStatus::NameTaken, "the name " + Quoted(Shown(setName)) +
                                             " is taken by another image set (" + Shown(known) + "); give another name");
  const fs::path ownFolder = fs::weakly_canonical(place.setFolder, ec);
  if (const std::string other = OtherSetNamed(setName, program.string(), ownFolder); !other.empty())
    return Fail(AddSetStatus::NameTaken, "the name " + Quoted(Shown(setName)) +
                                             " is taken by another image set (" + other + "); give another name");

  // The pictures: the entries of pictures still there keep their names.
  std::vector<std::string> oldThumbnails;
  for (const SetEntry& entry : old.entries) oldThumbnails.push_back(ThumbnailDiskName(entry.file));
  const std::vector<std::string> pictures = ListPictures(source.string(), oldThumbnails);
  std::vector<bool> kept(old.entries.size(), false);
  struct Candidate {
    SetEntry entry;
    std::string diskName;
    bool isNew;
  };
  std::vector<Candidate> candidates;
  auto keyTaken = [&candidates, &old, &kept](const std::string& key) {
    for (const Candidate& c : candidates)
      if (SameKey(c.entry.name, key)) return true;
    for (std::size_t i = 0; i < old.entries.size(); ++i)
      if (SameKey(old.entries[i].name, key)) return true;
    return false;
  };
  for (const std::string& picture : pictures) {
    bool found = false;
    for (std::size_t i = 0; i < old.entries.size() && !found; ++i) {
      if (!kept[i] && !HasFolderPart(old.entries[i].file) && SameDiskName(PictureDiskName(old.entries[i].file), picture)) {
        kept[i] = found = true;
        candidates.push_back({old.entries[i], picture, false});
      }
    }
    if (found) continue;
    std::string key = DisplayName(picture);
    for (int n = 2; keyTaken(key); ++n) key = DisplayName(picture) + " (" + std::to_string(n) + ")";
    candidates.push_back({{key, StoredName(picture)}, picture, true});
  }
  // Entries of an author's set that name pictures in subfolders stay while the
  // picture is there.
  const bool copied = place.kind == Placement::Copied || (place.kind == Placement::New && !writable);
  for (std::size_t i = 0; i < old.entries.size() && !copied; ++i) {
    if (kept[i] || !HasFolderPart(old.entries[i].file)) continue;
    const std::string path = platform::ResolveCaseInsensitive(WithSlash(source.string()) + PictureDiskName(old.entries[i].file));
    if (fs::is_regular_file(path, ec)) {
      kept[i] = true;
      candidates.push_back({old.entries[i], PictureDiskName(old.entries[i].file), false});
    }
  }

  AddSetReport report;
  if (brokenLink) {
    report.warnings.push_back("the broken link " + (program / place.entry).string() + " to " +
                              fs::read_symlink(program / place.entry, ec).string() + " is replaced");
    fs::remove(program / place.entry, ec);
  }
  if (copied) {
    fs::create_directories(place.setFolder, ec);
    std::ofstream marker(fs::path(place.setFolder) / kSourceFileName, std::ios::binary | std::ios::trunc);
    marker << source.string() << '\n';
    if (ec || !marker.flush())
      return Fail(AddSetStatus::NotWritten, "the set folder " + place.setFolder + " cannot be made");
  }

  if (Shown(setName) != givenName && SameKey(setName, SafeSetName(givenName)))
    report.warnings.push_back("the set is named " + Quoted(Shown(setName)) + ": the catalogue cannot hold " +
                              Quoted(givenName) + " as it is");
  SetFile set{setName, old.folderValue.empty() ? WithSlash(place.entry) : old.folderValue, {}};
  for (const Candidate& c : candidates) {
    const fs::path picture = source / c.diskName;
    if (copied && !HasFolderPart(c.entry.file) && !LinkTo(fs::path(place.setFolder) / c.diskName, picture)) {
      report.warnings.push_back("left out " + c.diskName + ": " + place.setFolder + c.diskName +
                                " is a file of its own, not a link to the picture");
      continue;
    }
    const std::string thumbnail =
        platform::ResolveCaseInsensitive(place.setFolder + ThumbnailDiskName(c.entry.file));
    const bool exists = fs::exists(thumbnail, ec);
    // Our own thumbnails are remade when the picture changed; an author's are
    // only ever added where missing.
    if (!exists || (OurThumbnail(c.entry.file) && OlderThan(thumbnail, picture))) {
      const ThumbnailResult made = MakeThumbnail(picture.string(), thumbnail);
      if (made == ThumbnailResult::Unreadable) {
        report.warnings.push_back("left out " + c.diskName + ": it is not a picture that can be read");
        if (copied) fs::remove(fs::path(place.setFolder) / c.diskName, ec);
        continue;
      }
      if (made == ThumbnailResult::NotWritten)
        return Fail(AddSetStatus::NotWritten, "the thumbnail " + thumbnail + " cannot be written");
    }
    if (c.isNew) ++report.added;
    set.entries.push_back(c.entry);
  }
  if (set.entries.empty()) {
    AddSetReport none = Fail(AddSetStatus::NoPictures,
                             request.folder + " holds no pictures (\".jpg\", \".jpeg\" or \".bmp\" files) that can be read");
    none.warnings = report.warnings;
    return none;
  }

  // What is gone: its entry, and the link and thumbnail this program made for it.
  for (std::size_t i = 0; i < old.entries.size(); ++i) {
    if (kept[i]) continue;
    ++report.dropped;
    const std::string& file = old.entries[i].file;
    if (HasFolderPart(file)) continue;
    if (copied && fs::is_symlink(fs::symlink_status(fs::path(place.setFolder) / PictureDiskName(file), ec)))
      fs::remove(fs::path(place.setFolder) / PictureDiskName(file), ec);
    if (OurThumbnail(file)) fs::remove(platform::ResolveCaseInsensitive(place.setFolder + ThumbnailDiskName(file)), ec);
  }

  if (!WriteSetFile(place.setFolder + "images.ini", set))
    return Fail(AddSetStatus::NotWritten, place.setFolder + "images.ini cannot be written");
  if (place.kind == Placement::New && writable) {
    fs::create_directory_symlink(source, program / place.entry, ec);
    if (ec)
      return Fail(AddSetStatus::NotWritten,
                  "the link " + (program / place.entry).string() + " cannot be made: " + ec.message());
  }
  if (!UpdateCatalogue(request.settingsFolder, set))
    return Fail(AddSetStatus::NotWritten, catalogue + " cannot be written");

  report.status = place.kind == Placement::New ? AddSetStatus::Made : AddSetStatus::Updated;
  report.setName = setName;
  report.setFolder = place.setFolder;
  report.programEntry = place.entry;
  report.pictures = set.entries.size();
  std::ostringstream message;
  if (report.status == AddSetStatus::Made) {
    message << "Made the image set " << Quoted(Shown(setName)) << " of " << report.pictures
            << (report.pictures == 1 ? " picture" : " pictures") << " in " << place.setFolder
            << "; the settings and the slide show find it from their next start.";
  } else {
    message << "The image set " << Quoted(Shown(setName)) << " is up to date: " << report.pictures
            << (report.pictures == 1 ? " picture" : " pictures") << ", " << report.added << " new, "
            << report.dropped << " gone.";
  }
  report.message = message.str();
  return report;
}

}  // namespace orvane::addset
