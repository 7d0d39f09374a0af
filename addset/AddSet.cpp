#include "addset/AddSet.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include "addset/RunLock.h"
#include "addset/SetPictures.h"
#include "addset/SetPlace.h"
#include "addset/Thumbnail.h"
#include "core/PPS.h"
#include "platform/folders.h"
#include "platform/regular_file.h"
#include "platform/textcodec.h"

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

// The name in the folder of pictures that an old entry stands for: the target
// of its link in a set folder of links, else its own name.
std::string OldPictureName(const SetPlace& place, const SetEntry& entry) {
  const std::string own = PictureDiskName(entry.file);
  if (place.kind != SetPlace::OfLinks) return own;
  std::error_code ec;
  const fs::path target = fs::read_symlink(fs::path(place.setFolder) / own, ec);
  return ec ? own : target.filename().string();
}

// The pictures matched with the old entries: those still there keep their entry
// (and name), the others get new names that no kept or new entry has. In a set
// folder of links the entry's file is the link's name, chosen here.
Matched MatchEntries(const SetPlace& place, const fs::path& source) {
  const std::vector<SetEntry>& old = place.old.entries;
  std::vector<std::string> oldThumbnails, oldPictures;
  for (const SetEntry& entry : old) {
    oldThumbnails.push_back(ThumbnailDiskName(entry.file));
    oldPictures.push_back(HasFolderPart(entry.file) ? std::string() : OldPictureName(place, entry));
  }
  Matched matched;
  matched.kept.assign(old.size(), false);
  const std::vector<std::string> pictures = ListPictures(source.string(), oldThumbnails);
  std::vector<Candidate> candidates(pictures.size());
  for (std::size_t p = 0; p < pictures.size(); ++p) candidates[p] = {{}, pictures[p], true};
  // The same name first, then the same name in another case.
  for (const bool exact : {true, false}) {
    for (Candidate& candidate : candidates) {
      if (!candidate.isNew) continue;
      for (std::size_t i = 0; i < old.size(); ++i) {
        if (matched.kept[i] || oldPictures[i].empty()) continue;
        if (exact ? oldPictures[i] == candidate.diskName : SameDiskName(oldPictures[i], candidate.diskName)) {
          matched.kept[i] = true;
          candidate = {old[i], candidate.diskName, false};
          break;
        }
      }
    }
  }
  matched.candidates = std::move(candidates);
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
  if (!place.Copied()) return matched;

  // The links' names: a kept entry keeps its link where the name is still a
  // good one; the others get one of the picture's name that no other link has.
  std::set<std::string> links;
  auto linkTaken = [&links](const std::string& link) {
    return links.count(link) != 0 || SameDiskName(link, "images.ini");
  };
  std::vector<bool> named(matched.candidates.size(), false);
  for (std::size_t k = 0; k < matched.candidates.size(); ++k) {
    Candidate& c = matched.candidates[k];
    const std::string link = PictureDiskName(c.entry.file);
    if (c.isNew || NeedsOtherName(link) || HasFolderPart(link) || !platform::IsValidUtf8(link) || linkTaken(link))
      continue;
    links.insert(link);
    named[k] = true;
  }
  for (std::size_t k = 0; k < matched.candidates.size(); ++k) {
    if (named[k]) continue;
    Candidate& c = matched.candidates[k];
    const std::string link = LinkName(c.diskName, linkTaken);
    links.insert(link);
    c.entry.file = StoredName(link);
  }
  return matched;
}

bool LinkTo(const fs::path& link, const fs::path& target) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(link, ec))) {
    if (fs::read_symlink(link, ec) == target) return true;
    fs::remove(link, ec);
  } else if (fs::exists(fs::symlink_status(link, ec))) {
    return false;  // not a link: never replaced
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
  return folder + " holds no pictures (JPEG, BMP, PNG, WebP or HEIC files) that can be read";
}

// A 24-bit bitmap of a thumbnail's size: what this program writes as a thumbnail.
bool LooksLikeOurThumbnail(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(fs::symlink_status(file, ec))) return false;
  std::string head;
  if (!platform::ReadRegularFile(file.string(), 54, head) || head.size() < 54 || head.compare(0, 2, "BM") != 0)
    return false;
  auto number = [&head](std::size_t at, std::size_t bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) value |= std::uint32_t(static_cast<unsigned char>(head[at + i])) << (8 * i);
    return value;
  };
  const int width = int(number(18, 4));
  const int height = std::abs(int(number(22, 4)));
  if (number(28, 2) != 24 || number(30, 4) != 0 || width < 1 || height < 1) return false;
  return (width == kThumbnailWidth && height <= kThumbnailHeight) ||
         (height == kThumbnailHeight && width <= kThumbnailWidth);
}

// Removes what an earlier version of this program wrote among the pictures: its
// "images.ini", when it is exactly as that version wrote it, and the
// thumbnails of its entries. A file it did not write is never removed.
void RemoveOldSetFiles(const fs::path& folder, std::vector<std::string>& warnings) {
  const std::string file = platform::ResolveCaseInsensitive(WithSlash(folder.string()) + "images.ini");
  std::string bytes;
  if (!platform::ReadRegularFile(file, 16u << 20, bytes)) return;
  const SetFile set = ReadSetFile(file);
  bool ours = !set.setName.empty() && !platform::HasUtf8Bom(bytes) && SetFileText(set) == bytes;
  for (const SetEntry& entry : set.entries) ours = ours && OurThumbnail(entry.file) && !HasFolderPart(entry.file);
  if (!ours) {
    warnings.push_back("kept " + file + ": it is not as orvane-add-set writes it");
    return;
  }
  std::error_code ec;
  for (const SetEntry& entry : set.entries) {
    const fs::path thumbnail =
        platform::ResolveCaseInsensitive(WithSlash(folder.string()) + ThumbnailDiskName(entry.file));
    if (LooksLikeOurThumbnail(thumbnail) && !fs::remove(thumbnail, ec) && ec)
      warnings.push_back("the old thumbnail " + thumbnail.string() + " cannot be removed: " + ec.message());
  }
  if (!fs::remove(file, ec) && ec) warnings.push_back("the old " + file + " cannot be removed: " + ec.message());
}

// A folder being made, removed unless it is kept.
struct WorkFolder {
  fs::path path;
  bool keep = false;
  ~WorkFolder() {
    std::error_code ec;
    if (!path.empty() && !keep) fs::remove_all(path, ec);
  }
};

// Puts the finished set folder work in place of entry (a link that leads to the
// folder of pictures, a broken link, or nothing): swapped in one step where the
// file system can, so the set is never missing.
bool PutInPlace(const fs::path& work, const fs::path& entry, std::string& error) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(entry, ec))) {
    if (renameat2(AT_FDCWD, work.c_str(), AT_FDCWD, entry.c_str(), RENAME_EXCHANGE) == 0) {
      fs::remove(work, ec);  // the link, now at the work folder's name
      return true;
    }
    fs::remove(entry, ec);
  }
  if (rename(work.c_str(), entry.c_str()) != 0) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

constexpr const char* kWorkPrefix = ".orvane-add-set-";

// What runs cut short left: set folders being made (hidden in the program
// folder) and temporary thumbnails. Called under the lock, when no other run
// can be making them.
void RemoveLeftovers(const fs::path& program, const fs::path& setFolder) {
  std::error_code ec;
  for (fs::directory_iterator it(program, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code remove;
    if (it->path().filename().string().rfind(kWorkPrefix, 0) == 0) fs::remove_all(it->path(), remove);
  }
  if (setFolder.empty()) return;
  for (fs::directory_iterator it(setFolder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code remove;
    if (it->path().filename().string().rfind(kScratchPrefix, 0) == 0) fs::remove(it->path(), remove);
  }
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

  // One run at a time: a second one waits here for the first to finish.
  const RunLock lock(WithSlash(program.string()), [&request] {
    if (request.notice) request.notice("another run is updating the image sets; waiting for it to finish");
  });

  const PlaceResult placed = PlaceSet(source, program, request.name, request.settingsFolder);
  if (!placed.place) return Fail(placed.status, placed.message);
  const SetPlace& place = *placed.place;
  const bool copied = place.Copied();
  // New sets, and sets an earlier version kept among the pictures, are made in
  // a hidden folder and put in place when whole.
  const bool inWork = place.kind == SetPlace::New || place.kind == SetPlace::Linked;
  if (lock.held()) RemoveLeftovers(program, inWork ? fs::path() : fs::path(place.setFolder));
  Matched matched = MatchEntries(place, source);
  if (matched.candidates.empty()) return Fail(AddSetStatus::NoPictures, NoPictures(request.folder));

  // From here on files are written.
  AddSetReport report;
  if (place.renamed)
    report.warnings.push_back("the set is named " + Quoted(Shown(place.setName)) + ": the catalogue cannot hold " +
                              Quoted(place.givenName) + " as it is");
  if (place.brokenLink)
    report.warnings.push_back("the broken link " + (program / place.entry).string() + " to " +
                              fs::read_symlink(program / place.entry, ec).string() + " is replaced");
  if (!place.staleSource.empty())
    report.warnings.push_back("the set folder " + place.setFolder + " of " + place.staleSource +
                              ", which is gone, is now the set of " + source.string());

  WorkFolder work;
  if (inWork) {
    work.path = program / (kWorkPrefix + std::to_string(getpid()));
    fs::remove_all(work.path, ec);
    if (!fs::create_directory(work.path, ec))
      return Fail(AddSetStatus::NotWritten, "the set folder " + place.setFolder + " cannot be made: " + ec.message(),
                  report.warnings);
  }
  const std::string building = inWork ? WithSlash(work.path.string()) : place.setFolder;
  const fs::path buildFolder(building);
  if (copied) {
    std::ofstream marker(buildFolder / kSourceFileName, std::ios::binary | std::ios::trunc);
    marker << source.string() << '\n';
    if (!marker.flush())
      return Fail(AddSetStatus::NotWritten, "the set folder " + place.setFolder + " cannot be written",
                  report.warnings);
  }

  // The pictures that get an entry, and the thumbnails to make for them.
  std::vector<const Candidate*> taken;
  std::vector<ThumbnailJob> jobs;
  std::vector<std::size_t> jobOf;
  for (const Candidate& c : matched.candidates) {
    const fs::path picture = source / c.diskName;
    const std::string shown = Quoted(Printable(c.diskName));
    if (copied && !LinkTo(buildFolder / PictureDiskName(c.entry.file), picture)) {
      report.warnings.push_back("left out " + shown + ": " + place.setFolder + PictureDiskName(c.entry.file) +
                                " is a file of its own, not a link to the picture");
      continue;
    }
    if (!copied && !HasFolderPart(c.entry.file) && NeedsOtherName(c.diskName)) {
      report.warnings.push_back("left out " + shown +
                                ": a set file cannot hold its name (a line break or other control character, "
                                "blanks at its ends, or no room for its thumbnail's name)");
      continue;
    }
    const std::string thumbnail = platform::ResolveCaseInsensitive(building + ThumbnailDiskName(c.entry.file));
    // Our own thumbnails are remade when the picture changed; an author's are
    // only ever added where missing.
    jobOf.push_back(SIZE_MAX);
    if (!fs::exists(thumbnail, ec) || (OurThumbnail(c.entry.file) && OlderThan(thumbnail, picture))) {
      jobOf.back() = jobs.size();
      jobs.push_back({picture.string(), thumbnail, ThumbnailResult::NotWritten, {}});
    }
    taken.push_back(&c);
  }
  MakeThumbnails(jobs, building, request.progress);

  SetFile set{place.setName, place.old.folderValue.empty() ? WithSlash(place.entry) : place.old.folderValue, {}};
  std::vector<bool> isNew;
  std::size_t notWritten = 0;
  for (std::size_t k = 0; k < taken.size(); ++k) {
    const Candidate& c = *taken[k];
    const std::string shown = Quoted(Printable(c.diskName));
    if (jobOf[k] != SIZE_MAX && jobs[jobOf[k]].result != ThumbnailResult::Made) {
      if (jobs[jobOf[k]].result == ThumbnailResult::Unreadable) {
        const std::string& reason = jobs[jobOf[k]].reason;
        report.warnings.push_back("left out " + shown + ": " +
                                  (reason.empty() ? std::string("it is not a picture that can be read") : reason));
      } else {
        ++notWritten;
        report.warnings.push_back("left out " + shown + ": its thumbnail " + jobs[jobOf[k]].thumbnail +
                                  " cannot be written");
      }
      if (copied) fs::remove(buildFolder / PictureDiskName(c.entry.file), ec);
      continue;
    }
    set.entries.push_back(c.entry);
    isNew.push_back(c.isNew);
  }
  // A set file that must be UTF-8 cannot hold a file name that is no UTF-8.
  if (!copied && NeedsUtf8(set)) {
    for (std::size_t i = set.entries.size(); i-- > 0;) {
      if (platform::IsValidUtf8(set.entries[i].file)) continue;
      report.warnings.push_back("left out " + Quoted(Printable(set.entries[i].file)) +
                                ": its name is no UTF-8 text, which this set's file must be");
      set.entries.erase(set.entries.begin() + std::ptrdiff_t(i));
      isNew.erase(isNew.begin() + std::ptrdiff_t(i));
    }
  }
  if (set.entries.empty()) {
    if (notWritten > 0)
      return Fail(AddSetStatus::NotWritten, "the thumbnails cannot be written in " + place.setFolder,
                  report.warnings);
    return Fail(AddSetStatus::NoPictures, NoPictures(request.folder), report.warnings);
  }
  for (const bool added : isNew) report.added += added ? 1 : 0;

  // What is gone: its entry, and the link and thumbnail this program made for it.
  for (std::size_t i = 0; i < place.old.entries.size(); ++i) {
    if (matched.kept[i]) continue;
    ++report.dropped;
    const std::string& file = place.old.entries[i].file;
    if (inWork || HasFolderPart(file)) continue;
    if (copied && fs::is_symlink(fs::symlink_status(buildFolder / PictureDiskName(file), ec)))
      fs::remove(buildFolder / PictureDiskName(file), ec);
    if (OurThumbnail(file)) fs::remove(platform::ResolveCaseInsensitive(building + ThumbnailDiskName(file)), ec);
  }
  // A kept entry whose link got another name leaves its old link and thumbnail behind.
  if (copied && !inWork) {
    std::set<std::string> current;
    for (const SetEntry& entry : set.entries) {
      current.insert(PictureDiskName(entry.file));
      current.insert(ThumbnailDiskName(entry.file));
    }
    for (const SetEntry& entry : place.old.entries) {
      for (const std::string& name : {PictureDiskName(entry.file), ThumbnailDiskName(entry.file)}) {
        const fs::path stale = buildFolder / name;
        if (!current.count(name) && !HasFolderPart(name) &&
            (fs::is_symlink(fs::symlink_status(stale, ec)) || (name == ThumbnailDiskName(entry.file) && OurThumbnail(entry.file))))
          fs::remove(stale, ec);
      }
    }
  }

  if (!WriteSetFile(building + "images.ini", set))
    return Fail(AddSetStatus::NotWritten, place.setFolder + "images.ini cannot be written", report.warnings);
  if (inWork) {
    std::string error;
    if (!PutInPlace(work.path, program / place.entry, error))
      return Fail(AddSetStatus::NotWritten, "the set folder " + place.setFolder + " cannot be put in place: " + error,
                  report.warnings);
    work.keep = true;
  }
  if (!UpdateCatalogue(request.settingsFolder, set, isNew))
    return Fail(AddSetStatus::NotWritten, request.settingsFolder + "Orvane.ini cannot be written", report.warnings);
  // The set is whole in the program folder: what an earlier version wrote
  // among the pictures can go.
  if (place.oldFilesInSource) RemoveOldSetFiles(source, report.warnings);

  const bool made = place.kind == SetPlace::New || !place.staleSource.empty();
  report.status = made ? AddSetStatus::Made : AddSetStatus::Updated;
  report.setName = place.setName;
  report.setFolder = place.setFolder;
  report.programEntry = place.entry;
  report.pictures = set.entries.size();
  report.message = Summary(report, place);
  return report;
}

}  // namespace orvane::addset
