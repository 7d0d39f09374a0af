#include "core/FindFiles.h"

#include <sys/stat.h>

#include <QString>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/events.h"

namespace orvane::core {

namespace fs = std::filesystem;

namespace {

// The names of a folder's entries in byte order, so every file system gives the
// same order. Hidden entries (a leading ".") are left out like hidden files on
// the system the sets come from. A folder that cannot be read gives none.
std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (!name.empty() && name.front() != '.') names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
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
  std::vector<std::string> subfolders;
  for (const std::string& name : ListFolder(folder)) {
    std::error_code ec;
    const fs::file_status status = fs::status(folder + name, ec);
    if (!ec && fs::is_directory(status)) subfolders.push_back(folder + name + "/");
    if (pumpEvents_) pumpEvents_();
  }
  for (std::string& sub : subfolders) SearchFolder(std::move(sub), pattern, searched);

  for (const std::string& name : ListFolder(folder)) {
    if (!MatchesPattern(name, pattern)) continue;
    std::error_code ec;
    if (!fs::is_regular_file(fs::status(folder + name, ec)) || ec) continue;
    results_.push_back(folder + name);
    if (pumpEvents_) pumpEvents_();
  }
}

}  // namespace orvane::core
