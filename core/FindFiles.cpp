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
    std::vector<FolderId> visiting;
    SearchFolder(std::move(start), pattern, visiting);
  }

  if (results_.empty()) return false;
  files = results_;
  return true;
}

void FindFiles::SearchFolder(std::string folder, const std::string& pattern,
                             std::vector<FolderId>& visiting) {
  if (folder.back() == '\\') folder.back() = '/';
  if (folder.back() != '/') folder += '/';

  // A folder reached a second time on one descent (a bind mount of an ancestor)
  // would make the search endless.
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return;
  const FolderId id{static_cast<unsigned long>(info.st_dev),
                    static_cast<unsigned long>(info.st_ino)};
  if (std::find(visiting.begin(), visiting.end(), id) != visiting.end()) return;
  visiting.push_back(id);

  // The whole folder is enumerated before any descent. Symbolic links to
  // folders are not followed, so a link loop cannot hold the search.
  std::vector<std::string> subfolders;
  for (const std::string& name : ListFolder(folder)) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(folder + name, ec);
    if (!ec && fs::is_directory(status)) subfolders.push_back(folder + name + "/");
    if (pumpEvents_) pumpEvents_();
  }
  for (std::string& sub : subfolders) SearchFolder(std::move(sub), pattern, visiting);

  for (const std::string& name : ListFolder(folder)) {
    if (!MatchesPattern(name, pattern)) continue;
    std::error_code ec;
    if (!fs::is_regular_file(fs::status(folder + name, ec)) || ec) continue;
    results_.push_back(folder + name);
    if (pumpEvents_) pumpEvents_();
  }
  visiting.pop_back();
}

}  // namespace orvane::core
