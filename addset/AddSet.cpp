#include "addset/AddSet.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "addset/SetPictures.h"
#include "addset/SetPlace.h"
#include "addset/Thumbnail.h"
#include "core/PPS.h"
#include "platform/folders.h"

namespace orvane::addset {

namespace fs = std::filesystem;

namespace {

// One picture of the set to be: its entry and its name on disk.
struct Candidate {
  SetEntry entry;
  std::string diskName;
  bool isNew = false;
};

struct Matched {
  std::vector<Candidate> candidates;  // in name order
  std::vector<bool> kept;             // per entry of the old set: its picture is still there
};

bool HasFolderPart(const std::string& stored) { return stored.find_first_of("\\/") != std::string::npos; }
// Thumbnails of entries that name the picture with its extension are this
// program's own; an author's set names them without.
bool OurThumbnail(const std::string& stored) { return NamesItsExtension(stored); }

// The pictures matched with the old entries: those still there keep their entry
// (and name), the others get new names that no kept or new entry has.
Matched MatchEntries(const SetPlace& place, const fs::path& source) {
  const std::vector<SetEntry>& old = place.old.entries;
  std::vector<std::string> oldThumbnails;
  for (const SetEntry& entry : old) oldThumbnails.push_back(ThumbnailDiskName(entry.file));
  Matched matched;
  matched.kept.assign(old.size(), false);
  for (const std::string& picture : ListPictures(source.string(), oldThumbnails)) {
    Candidate candidate{{}, picture, true};
    for (std::size_t i = 0; i < old.size(); ++i) {
      if (!matched.kept[i] && !HasFolderPart(old[i].file) && SameDiskName(PictureDiskName(old[i].file), picture)) {
        matched.kept[i] = true;
        candidate = {old[i], picture, false};
        break;
      }
    }
    matched.candidates.push_back(candidate);
  }
  // Entries of an author's set that name pictures in subfolders stay while the
  // picture is there.
  for (std::size_t i = 0; i < old.size() && !place.Copied(); ++i) {
    if (matched.kept[i] || !HasFolderPart(old[i].file)) continue;
    const std::string disk = PictureDiskName(old[i].file);
    std::error_code ec;
    if (fs::is_regular_file(platform::ResolveCaseInsensitive(WithSlash(source.string()) + disk), ec)) {
      matched.kept[i] = true;
      matched.candidates.push_back({old[i], disk, false});
    }
  }
  auto taken = [&matched](const std::string& key) {
    for (const Candidate& c : matched.candidates)
      if (!c.entry.name.empty() && SameKey(c.entry.name, key)) return true;
    return false;
  };
  for (Candidate& c : matched.candidates) {
    if (!c.isNew) continue;
    const std::string base = DisplayName(c.diskName);
    std::string key = base;
    for (int n = 2; taken(key); ++n) key = base + " (" + std::to_string(n) + ")";
    c.entry = {key, StoredName(c.diskName)};
  }
  return matched;
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

AddSetReport Fail(AddSetStatus status, std::string message, std::vector<std::string> warnings = {}) {
  AddSetReport report;
  report.status = status;
  report.message = std::move(message);
  report.warnings = std::move(warnings);
  return report;
}

std::string NoPictures(const std::string& folder) {
  return folder + " holds no pictures (\".jpg\", \".jpeg\" or \".bmp\" files) that can be read";
}

// The catalogue's section of a set it knows already, in the new entry order:
// names kept keep their stored value (and with it an exclusion mark), new ones
// are added as included, those gone are dropped.
bool UpdateCatalogue(const std::string& settingsFolder, const SetFile& set, const std::vector<bool>& isNew) {
  if (settingsFolder.empty()) return true;
  const std::string catalogue = settingsFolder + "Orvane.ini";
  // A set the catalogue does not know yet is imported at the next start.
  if (core::GetIniString("SetDescriptions", set.setName, "", catalogue).empty()) return true;
  std::vector<std::pair<std::string, std::string>> section;
  for (std::size_t i = 0; i < set.entries.size(); ++i) {
    const SetEntry& entry = set.entries[i];
    const std::string stored = isNew[i] ? std::string() : core::GetIniString(set.setName, entry.name, "", catalogue);
    section.emplace_back(entry.name, stored.empty() ? entry.file : stored);
  }
  core::IniBatch batch(catalogue);
  batch.DeleteSection(set.setName);
  for (const auto& [key, value] : section) batch.Write(set.setName, key, value);
  return batch.Commit();
}

std::string Summary(const AddSetReport& report, const SetPlace& place) {
  std::ostringstream message;
  const char* pictures = report.pictures == 1 ? " picture" : " pictures";
  if (report.status == AddSetStatus::Made) {
    message << "Made the image set " << Quoted(Shown(place.setName)) << " of " << report.pictures << pictures
            << " in " << place.setFolder << "; the settings and the slide show find it from their next start.";
  } else {
    message << "The image set " << Quoted(Shown(place.setName)) << " is up to date: " << report.pictures << pictures
            << ", " << report.added << " new, " << report.dropped << " gone.";
  }
  return message.str();
}

}  // namespace

AddSetReport AddSet(const AddSetRequest& request) {
  std::error_code ec;
  if (request.folder.empty() || !fs::is_directory(request.folder, ec))
    return Fail(AddSetStatus::NoSuchFolder, "no such folder: " + request.folder);
  const fs::path source = fs::canonical(request.folder, ec);
  if (ec) return Fail(AddSetStatus::NoSuchFolder, "no such folder: " + request.folder);
  if (request.programFolder.empty() || !fs::is_directory(request.programFolder, ec))
    return Fail(AddSetStatus::NoProgramFolder, "the program folder " + request.programFolder + " does not exist");
  const fs::path program = fs::canonical(request.programFolder, ec);
  if (source == program)
    return Fail(AddSetStatus::NameTaken, request.folder + " is the program folder itself; give the folder of one set");

  const PlaceResult placed = PlaceSet(source, program, request.name, request.settingsFolder);
  if (!placed.place) return Fail(placed.status, placed.message);
  const SetPlace& place = *placed.place;
  const bool copied = place.Copied();
  const fs::path setFolder(place.setFolder);
  Matched matched = MatchEntries(place, source);
  if (matched.candidates.empty()) return Fail(AddSetStatus::NoPictures, NoPictures(request.folder));

  // From here on files are written.
  AddSetReport report;
  if (place.renamed)
    report.warnings.push_back("the set is named " + Quoted(Shown(place.setName)) + ": the catalogue cannot hold " +
                              Quoted(place.givenName) + " as it is");
  if (place.brokenLink) {
    report.warnings.push_back("the broken link " + (program / place.entry).string() + " to " +
                              fs::read_symlink(program / place.entry, ec).string() + " is replaced");
    fs::remove(program / place.entry, ec);
  }
  const bool madeSetFolder = copied && !fs::exists(setFolder, ec);
  if (copied) {
    fs::create_directories(setFolder, ec);
    std::ofstream marker(setFolder / kSourceFileName, std::ios::binary | std::ios::trunc);
    marker << source.string() << '\n';
    if (ec || !marker.flush())
      return Fail(AddSetStatus::NotWritten, "the set folder " + place.setFolder + " cannot be made", report.warnings);
  }

  SetFile set{place.setName, place.old.folderValue.empty() ? WithSlash(place.entry) : place.old.folderValue, {}};
  std::vector<bool> isNew;
  for (const Candidate& c : matched.candidates) {
    const fs::path picture = source / c.diskName;
    if (copied && !HasFolderPart(c.entry.file) && !LinkTo(setFolder / c.diskName, picture)) {
      report.warnings.push_back("left out " + c.diskName + ": " + place.setFolder + c.diskName +
                                " is a file of its own, not a link to the picture");
      continue;
    }
    const std::string thumbnail = platform::ResolveCaseInsensitive(place.setFolder + ThumbnailDiskName(c.entry.file));
    // Our own thumbnails are remade when the picture changed; an author's are
    // only ever added where missing.
    if (!fs::exists(thumbnail, ec) || (OurThumbnail(c.entry.file) && OlderThan(thumbnail, picture))) {
      const ThumbnailResult made = MakeThumbnail(picture.string(), thumbnail);
      if (made == ThumbnailResult::NotWritten)
        return Fail(AddSetStatus::NotWritten, "the thumbnail " + thumbnail + " cannot be written", report.warnings);
      if (made == ThumbnailResult::Unreadable) {
        report.warnings.push_back("left out " + c.diskName + ": it is not a picture that can be read");
        if (copied) fs::remove(setFolder / c.diskName, ec);
        continue;
      }
    }
    if (c.isNew) ++report.added;
    set.entries.push_back(c.entry);
    isNew.push_back(c.isNew);
  }
  if (set.entries.empty()) {
    if (madeSetFolder) fs::remove_all(setFolder, ec);  // nothing of it is left
    return Fail(AddSetStatus::NoPictures, NoPictures(request.folder), report.warnings);
  }

  // What is gone: its entry, and the link and thumbnail this program made for it.
  for (std::size_t i = 0; i < place.old.entries.size(); ++i) {
    if (matched.kept[i]) continue;
    ++report.dropped;
    const std::string& file = place.old.entries[i].file;
    if (HasFolderPart(file)) continue;
    if (copied && fs::is_symlink(fs::symlink_status(setFolder / PictureDiskName(file), ec)))
      fs::remove(setFolder / PictureDiskName(file), ec);
    if (OurThumbnail(file)) fs::remove(platform::ResolveCaseInsensitive(place.setFolder + ThumbnailDiskName(file)), ec);
  }

  if (!WriteSetFile(place.setFolder + "images.ini", set))
    return Fail(AddSetStatus::NotWritten, place.setFolder + "images.ini cannot be written", report.warnings);
  if (place.kind == SetPlace::New && !copied) {
    fs::create_directory_symlink(source, program / place.entry, ec);
    if (ec)
      return Fail(AddSetStatus::NotWritten,
                  "the link " + (program / place.entry).string() + " cannot be made: " + ec.message(), report.warnings);
  }
  if (!UpdateCatalogue(request.settingsFolder, set, isNew))
    return Fail(AddSetStatus::NotWritten, request.settingsFolder + "Orvane.ini cannot be written", report.warnings);

  report.status = place.kind == SetPlace::New ? AddSetStatus::Made : AddSetStatus::Updated;
  report.setName = place.setName;
  report.setFolder = place.setFolder;
  report.programEntry = place.entry;
  report.pictures = set.entries.size();
  report.message = Summary(report, place);
  return report;
}

}  // namespace orvane::addset
