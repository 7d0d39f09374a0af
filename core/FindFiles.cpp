#include "core/FindFiles.h"

#include <sys/stat.h>

#include <QString>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "platform/events.h"

namespace orvane::core {

namespace fs = std::filesystem;

namespace {

struct FolderEntry {
  std::string name;
  bool folder;  // a folder, or a link to one
  bool operator<(const FolderEntry& other) const { return name < other.name; }
};

// A folder's entries in byte order of their names, so every file system gives
// the same order. Hidden entries (a leading ".") are left out like hidden files
// on the system the sets come from. A folder that cannot be read gives none.
// The kind of an entry comes with the listing; only links are looked up.
std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name.front() == '.') continue;
    std::error_code kind;
    const bool folderEntry = it->is_symlink(kind)
                                 ? fs::is_directory(fs::status(it->path(), kind))
                                 : it->is_directory(kind);
    entries.push_back({std::move(name), folderEntry && !kind});
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

bool WildcardMatch(const QString& name, const QString& pattern) {
  qsizetype n = 0, p = 0, starAt = -1, resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starAt = p++;
      resumeAt = n;
    } else if (starAt >= 0) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace

FindFiles::FindFiles() : FindFiles([] { platform::DoEvents(); }) {}

FindFiles::FindFiles(std::function<void()> pumpEvents) : pumpEvents_(std::move(pumpEvents)) {}

bool FindFiles::MatchesPattern(const std::string& name, const std::string& pattern) {
  if (pattern == "*.*") return true;
  return WildcardMatch(QString::fromUtf8(name).toCaseFolded(),
                       QString::fromUtf8(pattern).toCaseFolded());
}

bool FindFiles::Find(std::vector<std::string>& files) {
  if (searching_) return false;
  searching_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{searching_};

  // Copies: a handler that runs between entries may change the properties.
  std::string start = startPath_;
  const std::string pattern = pattern_;
  if (!start.empty()) {
    std::set<FolderId> searched;
    pumped_ = false;
    SearchFolder(std::move(start), pattern, searched);
  }

  if (results_.empty()) return false;
  files = results_;
  return true;
}

void FindFiles::SearchFolder(std::string folder, const std::string& pattern,
                             std::set<FolderId>& searched) {
  if (folder.back() == '\\') folder.back() = '/';
  if (folder.back() != '/') folder += '/';

  // A folder reached a second time (a link or a bind mount of an ancestor, two
  // links to one folder) is searched once: a loop would make the search endless
  // and a set found twice would be imported twice.
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return;
  const FolderId id{static_cast<unsigned long>(info.st_dev),
                    static_cast<unsigned long>(info.st_ino)};
  if (!searched.insert(id).second) return;

  // The whole folder is enumerated before any descent. Symbolic links to
  // folders are followed: set folders are often links to where the pictures are.
  const std::vector<FolderEntry> entries = ListFolder(folder);
  for (const FolderEntry& entry : entries) {
    if (entry.folder) SearchFolder(folder + entry.name + "/", pattern, searched);
    PumpEvents();
  }

  for (const FolderEntry& entry : entries) {
    if (entry.folder || !MatchesPattern(entry.name, pattern)) continue;
    std::error_code ec;
    if (!fs::is_regular_file(fs::status(folder + entry.name, ec)) || ec) continue;
    results_.push_back(folder + entry.name);
    PumpEvents();
  }
}

void FindFiles::PumpEvents() {
  if (!pumpEvents_) return;
  // A set folder holds thousands of pictures: running the events after each
  // entry would cost more than the search. Windows stay alive all the same.
  constexpr auto kEvery = std::chrono::milliseconds(10);
  const auto now = std::chrono::steady_clock::now();
  if (pumped_ && now - lastPump_ < kEvery) return;
  pumped_ = true;
  lastPump_ = now;
  pumpEvents_();
}

}  // namespace orvane::core
