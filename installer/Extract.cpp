#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <dirent.h>
#include <filesystem>

#include "installer/Library.h"

namespace orvane::installer {

namespace {

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  // Closes and reports the close's own error (a delayed write error).
  bool Close() {
    const int fd = std::exchange(fd_, -1);
    return fd < 0 || close(fd) == 0;
  }

 private:
  int fd_;
};

std::string Real(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

std::string ErrnoText() { return std::strerror(errno); }

// Opens the set folder below the program folder, following no link that leads
// out of the program folder.
int OpenSetFolder(int programFd, const std::string& programFolder, const std::string& name,
                  std::string& error) {
  int fd = openat(programFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) return fd;
  if (errno == ELOOP || errno == ENOTDIR) {
    const std::string root = Real(programFolder);
    const std::string target = Real(programFolder + "/" + name);
    if (!root.empty() && !target.empty() && target.compare(0, root.size() + 1, root + "/") == 0) {
      fd = open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd >= 0) return fd;
    }
    error = "the folder \"" + name + "\" is a link that leads out of the program folder, or not a folder";
    return -1;
  }
  error = "the folder \"" + name + "\" cannot be opened: " + ErrnoText();
  return -1;
}

}  // namespace

ExtractResult ExtractLibrary(const std::string& libFile, const std::string& programFolder,
                             const std::function<void(const std::string&)>& onEntry) {
  ExtractResult result;
  const LibraryCheck check = CheckLibrary(libFile);
  if (!check.error.empty()) {
    result.error = check.error;
    return result;
  }
  result.folder = check.folder;
  const std::string folderName = check.folder.substr(0, check.folder.size() - 1);

  LibraryReader reader;
  if (!reader.Open(libFile)) {
    result.error = reader.Error();
    return result;
  }
  Fd program(open(programFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (program.get() < 0) {
    result.error = "the program folder cannot be opened: " + ErrnoText();
    return result;
  }
  const bool created = mkdirat(program.get(), folderName.c_str(), 0777) == 0;
  if (!created && errno != EEXIST) {
    result.error = "the folder \"" + folderName + "\" cannot be made: " + ErrnoText();
    return result;
  }
  Fd folder(OpenSetFolder(program.get(), programFolder, folderName, result.error));
  if (folder.get() < 0) return result;

  // (temporary name, final name) of every entry written so far.
  std::vector<std::pair<std::string, std::string>> written;
  // While the entries go in place: the names this install put there, and the
  // older files they replace, moved aside under a name of our own and kept
  // until every entry is in place.
  std::vector<std::string> placed;
  std::vector<std::pair<std::string, std::string>> keptAside;  // (kept name, its own name)
  std::size_t firstUnplaced = 0;
  auto undo = [&](std::string error) {
    for (auto name = placed.rbegin(); name != placed.rend(); ++name) unlinkat(folder.get(), name->c_str(), 0);
    for (auto kept = keptAside.rbegin(); kept != keptAside.rend(); ++kept)
      renameat(folder.get(), kept->first.c_str(), folder.get(), kept->second.c_str());
    for (std::size_t i = firstUnplaced; i < written.size(); ++i)
      unlinkat(folder.get(), written[i].first.c_str(), 0);
    if (created) unlinkat(program.get(), folderName.c_str(), AT_REMOVEDIR);
    result.error = std::move(error);
    result.files = 0;
    return result;
  };

  const std::string prefix = ".pellam-" + std::to_string(getpid()) + "-";
  LibraryEntry entry;
  while (reader.Next(entry)) {
    if (onEntry) onEntry(entry.name);
    const std::string temporary = prefix + std::to_string(written.size()) + ".part";
    Fd out(openat(folder.get(), temporary.c_str(),
                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (out.get() < 0) return undo("\"" + DiskName(entry.name) + "\" cannot be written: " + ErrnoText());
    written.emplace_back(temporary, DiskName(entry.name));
    if (!reader.CopyData(entry, out.get()) || !out.Close())
      return undo("\"" + DiskName(entry.name) + "\" cannot be written: " +
                  (reader.Error().empty() ? ErrnoText() : reader.Error()));
  }
  if (!reader.Error().empty()) return undo(reader.Error());

  for (std::size_t i = 0; i < written.size(); ++i) {
    const std::string& name = written[i].second;
    const bool ours = std::find(placed.begin(), placed.end(), name) != placed.end();
    struct stat info {};
    // A folder of that name is not moved: the entry cannot go in its place.
    if (!ours && fstatat(folder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(info.st_mode)) {
      const std::string kept = prefix + std::to_string(i) + ".old";
      if (renameat(folder.get(), name.c_str(), folder.get(), kept.c_str()) != 0)
        return undo("\"" + name + "\" cannot be replaced: " + ErrnoText());
      keptAside.emplace_back(kept, name);
    }
    if (renameat(folder.get(), written[i].first.c_str(), folder.get(), name.c_str()) != 0)
      return undo("\"" + name + "\" cannot be written: " + ErrnoText());
    firstUnplaced = i + 1;
    if (!ours) placed.push_back(name);
  }
  for (const auto& kept : keptAside) unlinkat(folder.get(), kept.first.c_str(), 0);
  result.files = static_cast<std::int64_t>(written.size());
  return result;
}

CopyResult CopyFolderFiles(const std::string& source, const std::string& programFolder,
                           const std::string& folderName,
                           const std::function<void(const std::string&)>& onFile) {
  CopyResult result;
  if (!IsPlainName(folderName)) {
    result.error = "\"" + folderName + "\" is not a plain folder name";
    return result;
  }
  std::error_code ec;
  const std::string destination = programFolder + "/" + folderName;
  if (std::filesystem::equivalent(source, destination, ec) || std::filesystem::equivalent(source, programFolder, ec)) {
    result.error = "the folder is already in the program folder";
    return result;
  }
  Fd program(open(programFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (program.get() < 0) {
    result.error = "the program folder cannot be opened: " + ErrnoText();
    return result;
  }
  if (mkdirat(program.get(), folderName.c_str(), 0777) != 0 && errno != EEXIST) {
    result.error = "the folder \"" + folderName + "\" cannot be made: " + ErrnoText();
    return result;
  }
  Fd folder(OpenSetFolder(program.get(), programFolder, folderName, result.error));
  if (folder.get() < 0) return result;

  // Names in listing order, so the copy runs as the folder lists them.
  std::vector<std::string> names;
  if (DIR* dir = opendir(source.c_str())) {
    while (const dirent* item = readdir(dir)) {
      const std::string name = item->d_name;
      // Hidden files (a dot in front) are no part of a set, as Dir passes them over.
      if (name.empty() || name.front() == '.') continue;
      struct stat info {};
      if (stat((source + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) names.push_back(name);
    }
    closedir(dir);
  } else {
    result.error = "the folder cannot be read: " + ErrnoText();
    return result;
  }

  const std::string temporary = ".pellam-" + std::to_string(getpid()) + ".part";
  for (const std::string& name : names) {
    if (onFile) onFile(name);
    auto fail = [&](const std::string& reason) {
      unlinkat(folder.get(), temporary.c_str(), 0);
      result.failed.push_back(name + ": " + reason);
    };
    Fd in(open((source + "/" + name).c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (in.get() < 0 || fstat(in.get(), &info) != 0) {
      fail(ErrnoText());
      continue;
    }
    Fd out(openat(folder.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (out.get() < 0) {
      fail(ErrnoText());
      continue;
    }
    std::string error;
    if (!CopyBytes(in.get(), 0, info.st_size, out.get(), error) || !out.Close()) {
      fail(error.empty() ? ErrnoText() : error);
      continue;
    }
    if (renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) != 0) {
      fail(ErrnoText());
      continue;
    }
    ++result.copied;
  }
  return result;
}

}  // namespace orvane::installer
