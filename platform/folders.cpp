#include "platform/folders.h"

#include <QHash>
#include <QString>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <list>
#include <mutex>
#include <system_error>
#include <vector>

#include "platform/textcodec.h"

namespace orvane::platform {

namespace fs = std::filesystem;

namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/tmp";
}

// An XDG base folder: the variable when it holds an absolute path, else the
// default below HOME.
std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
  if (const char* value = std::getenv(variable); value && value[0] == '/') return value;
  return HomeFolder() + "/" + fallbackBelowHome;
}

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string CreatedFolder(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  return WithSlash(path);
}

bool ExistsExactly(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// A name as the characters it stands for, folded for a comparison without
// regard to case. Names that are not UTF-8 are taken as windows-1252.
QString FoldedName(const std::string& name) {
  const QString text = IsValidUtf8(name)
                           ? QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
                           : ToQString(name, CodePage::Windows1252);
  return text.toCaseFolded();
}

// A folder's entries by folded name (the first by byte order where several
// fold alike), listed once and kept while the folder is unchanged: a set folder
// holds thousands of pictures, and the files looked up in it that do not exist
// as written would each cost a listing of the whole folder.
class FolderIndexCache {
 public:
  std::string Find(const std::string& folder, const QString& folded, const QString& folded1252) {
    const std::string path = folder.empty() ? "." : folder;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return {};
    std::lock_guard<std::mutex> hold(mutex_);
    Index* index = nullptr;
    for (auto it = indexes_.begin(); it != indexes_.end(); ++it) {
      if (it->path != path) continue;
      if (it->trusted && Same(it->info, info)) {
        indexes_.splice(indexes_.begin(), indexes_, it);
        index = &indexes_.front();
      } else {
        indexes_.erase(it);
      }
      break;
    }
    if (!index) index = &List(path, info);
    std::string best;
    for (const QString& key : {folded, folded1252}) {
      const auto found = index->names.constFind(key);
      if (found != index->names.cend() && (best.empty() || *found < best)) best = *found;
    }
    return best;
  }

 private:
  struct Index {
    std::string path;
    struct stat info;
    bool trusted;
    QHash<QString, std::string> names;
  };

  static bool Same(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
  }

  Index& List(const std::string& path, const struct stat& info) {
    // File times advance in clock ticks: a listing is kept for the next look-up
    // only when the folder last changed well before it (see the profile reader).
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    const long long age = (now.tv_sec - info.st_ctim.tv_sec) * 1000000000LL +
                          (now.tv_nsec - info.st_ctim.tv_nsec);
    Index index{path, info, age > 50'000'000, {}};
    std::error_code ec;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
      std::string name = it->path().filename().string();
      const QString folded = FoldedName(name);
      auto found = index.names.find(folded);
      if (found == index.names.end()) {
        index.names.insert(folded, std::move(name));
      } else if (name < *found) {
        *found = std::move(name);
      }
    }
    struct stat after {};
    if (ec || stat(path.c_str(), &after) != 0 || !Same(after, info)) index.trusted = false;
    indexes_.push_front(std::move(index));
    if (indexes_.size() > kIndexes) indexes_.pop_back();
    return indexes_.front();
  }

  static constexpr size_t kIndexes = 8;
  std::mutex mutex_;
  std::list<Index> indexes_;
};

// The entry of folder whose name equals wanted without regard to case; the
// first by byte order when several do. Empty when none.
std::string FindEntry(const std::string& folder, const std::string& wanted) {
  static FolderIndexCache* cache = new FolderIndexCache;  // never destroyed: used at exit too
  // A UTF-8 name may also be windows-1252 bytes that happen to form UTF-8.
  return cache->Find(folder, FoldedName(wanted),
                     ToQString(wanted, CodePage::Windows1252).toCaseFolded());
}

}  // namespace

std::string LocalAppDataFolder() {
  return CreatedFolder(XdgFolder("XDG_DATA_HOME", ".local/share") + "/orvane");
}

std::string MachineStateFolder() {
  return CreatedFolder(XdgFolder("XDG_STATE_HOME", ".local/state") + "/orvane");
}

std::string GetWindowsDirectory() { return CreatedFolder(MachineStateFolder() + "windows"); }

std::string GetShortPathName(const std::string& path) { return path; }

std::string ResolveCaseInsensitive(const std::string& path) {
  std::string wanted = path;
  std::replace(wanted.begin(), wanted.end(), '\\', '/');
  if (wanted.empty() || ExistsExactly(wanted)) return wanted;

  // Split into components, keeping a leading "/" and a trailing one.
  const bool absolute = wanted.front() == '/';
  const bool trailingSlash = wanted.back() == '/';
  std::vector<std::string> parts;
  for (size_t start = 0; start <= wanted.size();) {
    size_t end = wanted.find('/', start);
    if (end == std::string::npos) end = wanted.size();
    if (end > start) parts.push_back(wanted.substr(start, end - start));
    start = end + 1;
  }
  auto join = [&](size_t count) {
    std::string out = absolute ? "/" : "";
    for (size_t i = 0; i < count; ++i) {
      if (i > 0) out += '/';
      out += parts[i];
    }
    return out;
  };

  // The longest leading part that exists as written.
  size_t known = parts.size();
  while (known > 0 && !ExistsExactly(join(known))) --known;

  std::string resolved = join(known);
  for (size_t i = known; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    std::string actual;
    if (part != "." && part != "..") actual = FindEntry(resolved, part);
    if (actual.empty()) return wanted;  // nothing matches: the name unchanged
    if (!resolved.empty() && resolved.back() != '/') resolved += '/';
    resolved += actual;
  }
  if (trailingSlash && resolved.back() != '/') resolved += '/';
  return resolved;
}

}  // namespace orvane::platform
