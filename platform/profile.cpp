#include "platform/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <cstdint>
#include <ctime>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <random>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "platform/ansifold.h"
#include "platform/folders.h"

namespace orvane::platform {

namespace {

constexpr size_t kMaxFileBytes = size_t{16} << 20;
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";

unsigned char Fold(unsigned char c) { return FoldAnsiCase(c); }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string Folded(std::string_view text) { return FoldedAnsi(text); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// One pair of matching single or double quotes around the whole value.
std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

struct ParsedLine {
  enum Kind { kOther, kSection, kEntry } kind = kOther;
  std::string_view name;
  std::string_view value;
};

ParsedLine ParseLine(std::string_view line) {
  ParsedLine parsed;
  const std::string_view text = Trim(line);
  if (text.empty() || text.front() == ';') return parsed;
  if (text.front() == '[') {
    const size_t close = text.rfind(']');
    parsed.kind = ParsedLine::kSection;
    parsed.name = Trim(close == std::string_view::npos || close == 0 ? text.substr(1)
                                                                    : text.substr(1, close - 1));
    return parsed;
  }
  const size_t equals = text.find('=');
  if (equals == std::string_view::npos) return parsed;
  parsed.name = Trim(text.substr(0, equals));
  if (parsed.name.empty()) return parsed;
  parsed.kind = ParsedLine::kEntry;
  parsed.value = Trim(text.substr(equals + 1));
  return parsed;
}

std::string_view WithoutBom(std::string_view contents) {
  if (contents.substr(0, kBom.size()) == kBom) contents.remove_prefix(kBom.size());
  return contents;
}

// Calls visit(line, terminator) for every line; CRLF, LF and CR alone end a
// line. A visitor that returns false stops the walk.
template <typename Visit>
void ForEachLine(std::string_view contents, Visit visit) {
  auto call = [&](std::string_view line, std::string_view terminator) {
    if constexpr (std::is_same_v<decltype(visit(line, terminator)), bool>) {
      return visit(line, terminator);
    } else {
      visit(line, terminator);
      return true;
    }
  };
  size_t start = 0;
  while (start < contents.size()) {
    const size_t end = contents.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      call(contents.substr(start), std::string_view());
      return;
    }
    const size_t next =
        contents[end] == '\r' && end + 1 < contents.size() && contents[end + 1] == '\n' ? end + 2
                                                                                      : end + 1;
    if (!call(contents.substr(start, end - start), contents.substr(end, next - end))) return;
    start = next;
  }
}

// Reads at most kMaxFileBytes of a regular file; nullopt when it cannot be read.
std::optional<std::string> ReadProfileFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  // O_NONBLOCK so that a FIFO in the file's place cannot hang the reader.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return std::nullopt;
  }
  std::string contents;
  contents.resize(std::min(static_cast<size_t>(info.st_size), kMaxFileBytes));
  size_t done = 0;
  while (done < contents.size()) {
    const ssize_t n = read(fd, contents.data() + done, contents.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  contents.resize(done);
  return contents;
}

std::optional<std::string_view> FindValue(std::string_view contents, std::string_view section,
                                          std::string_view key) {
  std::optional<std::string_view> found;
  bool inSection = false;
  ForEachLine(WithoutBom(contents), [&](std::string_view line, std::string_view) {
    const ParsedLine parsed = ParseLine(line);
    if (parsed.kind == ParsedLine::kSection) {
      inSection = EqualNoCase(parsed.name, section);
    } else if (parsed.kind == ParsedLine::kEntry && inSection && EqualNoCase(parsed.name, key)) {
      found = parsed.value;
    }
    return !found;
  });
  return found;
}

ProfileString CopyText(std::string_view text, long size) {
  ProfileString result;
  if (size <= 0) return result;
  const size_t count = std::min(text.size(), static_cast<size_t>(size - 1));
  result.text.assign(text.substr(0, count));
  result.count = static_cast<long>(count);
  return result;
}

ProfileString CopyList(const std::vector<std::string_view>& names, long size) {
  std::string list;
  for (std::string_view name : names) {
    list += name;
    list += '\0';
  }
  ProfileString result;
  if (size <= 0) return result;
  // The list and its final extra NUL must fit; else size - 2 characters are copied.
  const size_t count = list.size() + 1 <= static_cast<size_t>(size)
                           ? list.size()
                           : static_cast<size_t>(std::max(0L, size - 2));
  result.text = list.substr(0, count);
  result.count = static_cast<long>(count);
  return result;
}

ProfileString CopyDefault(const std::string& defaultValue, long size) {
  std::string_view text = defaultValue;
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return CopyText(StripQuotes(text), size);
}

// --- writing -------------------------------------------------------------

struct Line {
  std::string text;
  std::string terminator;
  bool deleted = false;
};

// A file as a list of blocks: the lines before the first section header, then
// each header with the lines up to the next one. Keys are found through an
// index built once per section, so a batch of many edits costs one pass over
// the file rather than one per edit.
class Document {
 public:
  explicit Document(std::string_view contents) {
    if (contents.substr(0, kBom.size()) == kBom) {
      bom_ = kBom;
      contents.remove_prefix(kBom.size());
    }
    blocks_.emplace_back();  // lines before any section
    ForEachLine(contents, [&](std::string_view text, std::string_view terminator) {
      const ParsedLine parsed = ParseLine(text);
      if (parsed.kind == ParsedLine::kSection) {
        blocks_.emplace_back();
        blocks_.back().named = true;
        blocks_.back().folded = Folded(parsed.name);
        sections_[blocks_.back().folded].blocks.push_back(blocks_.size() - 1);
      }
      blocks_.back().lines.push_back({std::string(text), std::string(terminator)});
    });
  }

  std::string Text() const {
    std::string out = bom_;
    const Line* pending = nullptr;  // the last line written, whose terminator waits
    auto put = [&](const Line& line) {
      if (line.deleted) return;
      if (pending) out += pending->terminator.empty() ? std::string(kCrLf) : pending->terminator;
      out += line.text;
      pending = &line;
    };
    for (const Block& block : blocks_) {
      if (block.deleted) continue;
      for (size_t i = 0; i < block.lines.size(); ++i) {
        put(block.lines[i]);
        if (!block.added.empty() && i == block.insertAfter) {
          for (const Line& line : block.added) put(line);
        }
      }
    }
    if (pending) out += pending->terminator;
    return out;
  }

  // Sets the first entry of key in section (every occurrence of the section
  // searched in file order), keeping the spelling of its key; a new key goes
  // after the last entry of the section's first occurrence, a new section at
  // the end of the file.
  void SetEntry(const std::string& section, const std::string& key, const std::string& value) {
    Section& index = Indexed(section);
    const auto found = index.keys.find(Folded(key));
    if (found != index.keys.end() && !found->second.empty()) {
      Line& line = At(found->second.front());
      line.text = std::string(ParseLine(line.text).name) + "=" + value;
      return;
    }
    if (index.blocks.empty()) {
      blocks_.emplace_back();
      Block& block = blocks_.back();
      block.named = true;
      block.folded = Folded(section);
      block.lines.push_back({"[" + section + "]", std::string(kCrLf)});
      index.blocks.push_back(blocks_.size() - 1);
    }
    const size_t blockIndex = index.blocks.front();
    Block& block = blocks_[blockIndex];
    if (block.added.empty()) {
      // After the last entry that is still there, or after the header.
      block.insertAfter = 0;
      for (size_t i = block.lines.size(); i-- > 1;) {
        if (!block.lines[i].deleted && ParseLine(block.lines[i].text).kind == ParsedLine::kEntry) {
          block.insertAfter = i;
          break;
        }
      }
    }
    block.added.push_back({key + "=" + value, std::string(kCrLf)});
    index.keys[Folded(key)].push_back({blockIndex, true, block.added.size() - 1});
  }

  // Deletes every entry of key in section.
  void DeleteEntries(const std::string& section, const std::string& key) {
    Section& index = Indexed(section);
    const auto found = index.keys.find(Folded(key));
    if (found == index.keys.end()) return;
    for (const EntryRef& ref : found->second) At(ref).deleted = true;
    found->second.clear();
  }

  // Deletes every occurrence of section with all its lines.
  void DeleteSection(const std::string& section) {
    const auto found = sections_.find(Folded(section));
    if (found == sections_.end()) return;
    for (size_t blockIndex : found->second.blocks) blocks_[blockIndex].deleted = true;
    sections_.erase(found);
  }

 private:
  struct Block {
    bool named = false;
    bool deleted = false;
    std::string folded;
    std::vector<Line> lines;  // the header first, in a named block
    size_t insertAfter = 0;   // new entries follow this line
    std::vector<Line> added;
  };
  struct EntryRef {
    size_t block;
    bool added;
    size_t line;
  };
  struct Section {
    std::vector<size_t> blocks;
    bool indexed = false;
    std::unordered_map<std::string, std::vector<EntryRef>> keys;  // folded key, file order
  };

  Line& At(const EntryRef& ref) {
    Block& block = blocks_[ref.block];
    return ref.added ? block.added[ref.line] : block.lines[ref.line];
  }

  Section& Indexed(const std::string& section) {
    Section& index = sections_[Folded(section)];
    if (index.indexed) return index;
    index.indexed = true;
    for (size_t blockIndex : index.blocks) {
      const Block& block = blocks_[blockIndex];
      for (size_t i = 1; i < block.lines.size(); ++i) {
        if (block.lines[i].deleted) continue;
        const ParsedLine parsed = ParseLine(block.lines[i].text);
        if (parsed.kind == ParsedLine::kEntry) {
          index.keys[Folded(parsed.name)].push_back({blockIndex, false, i});
        }
      }
    }
    return index;
  }

  std::string bom_;
  std::vector<Block> blocks_;
  std::unordered_map<std::string, Section> sections_;  // by folded name
};

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Holds an exclusive flock on "<path>.lock" for its lifetime. The file itself is
// never locked: after the rename a lock on it would guard a file that is gone.
class SidecarLock {
 public:
  explicit SidecarLock(const std::string& path)
      : fd_(open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~SidecarLock() {
    if (fd_ >= 0) close(fd_);  // closing drops the lock
  }
  SidecarLock(const SidecarLock&) = delete;
  SidecarLock& operator=(const SidecarLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string TemporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + ".tmp" + std::to_string(getpid()) + "-" +
         std::to_string(seed ^ counter.fetch_add(1) * 2654435761u);
}

// Writes data to a fresh file beside path and renames it over path, so readers
// see the old or the new file whole and a crash of the program leaves the old
// one. No fsync: the catalogue import writes one key per image, and a sync per
// write would make a first import of many sets take minutes on a spinning disk;
// the common Linux file systems order a rename-replace after the new data.
bool ReplaceFile(const std::string& path, const std::string& data, const struct stat* old,
                 mode_t newFileMode) {
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = TemporaryName(path);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, old ? 0600 : newFileMode);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = true;
  if (old) {
    ok = fchmod(fd, old->st_mode & 07777) == 0;
    if (fchown(fd, old->st_uid, old->st_gid) != 0) {
      // Only the owner's own files are ours to rewrite; another owner stays ours.
    }
  }
  ok = ok && WriteAll(fd, data);
  ok = (close(fd) == 0) && ok;
  ok = ok && rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

// The file behind a symbolic link, so that the link stays a link. Empty when
// the link leads nowhere.
std::string WriteTarget(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  std::error_code ec;
  const auto target = std::filesystem::canonical(path, ec);
  return ec ? std::string() : target.string();
}

// Read-modify-write of one profile file under its sidecar lock. edit changes
// contents (empty when the file does not exist) and returns false to refuse.
bool EditProfile(const std::string& file,
                 const std::function<bool(std::string& contents, bool existed)>& edit,
                 mode_t newFileMode) {
  // Every refusal leaves errno telling why, for the caller's report.
  const auto refuse = [](int error) {
    errno = error;
    return false;
  };
  std::string path = ProfilePath(file);
  if (path.empty() || path.back() == '/') return refuse(EISDIR);
  path = WriteTarget(path);
  if (path.empty()) return refuse(ENOENT);

  SidecarLock lock(path);
  if (!lock.locked()) return false;

  struct stat info {};
  const bool existed = stat(path.c_str(), &info) == 0;
  if (!existed && errno != ENOENT) return false;
  std::string contents;
  if (existed) {
    // A read-only, special or oversized file is left alone rather than
    // replaced or cut short.
    if (!S_ISREG(info.st_mode)) return refuse(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    if (!(info.st_mode & S_IWUSR)) return refuse(EACCES);
    if (static_cast<size_t>(info.st_size) > kMaxFileBytes) return refuse(EFBIG);
    errno = 0;
    auto read = ReadProfileFile(path);
    if (!read || read->size() != static_cast<size_t>(info.st_size)) return refuse(errno != 0 ? errno : EIO);
    contents = std::move(*read);
  }
  std::string updated = contents;
  if (!edit(updated, existed)) return refuse(EINVAL);
  if (existed ? updated == contents : updated.empty()) return true;  // nothing to write
  return ReplaceFile(path, updated, existed ? &info : nullptr, newFileMode);
}

// --- reading through a parsed copy ----------------------------------------

// A file parsed once: its section names and, per section, its key names in
// file order and the first value of every key.
struct ParsedProfile {
  struct Section {
    std::vector<std::string_view> keyNames;
    std::unordered_map<std::string, std::string_view> values;  // by folded key
  };
  std::string contents;
  std::vector<std::string_view> sectionNames;
  std::unordered_map<std::string, Section> sections;  // by folded name

  explicit ParsedProfile(std::string text) : contents(std::move(text)) {
    Section* current = nullptr;
    ForEachLine(WithoutBom(contents), [&](std::string_view line, std::string_view) {
      const ParsedLine parsed = ParseLine(line);
      if (parsed.kind == ParsedLine::kSection) {
        auto [it, added] = sections.try_emplace(Folded(parsed.name));
        if (added) sectionNames.push_back(parsed.name);
        current = &it->second;
      } else if (parsed.kind == ParsedLine::kEntry && current) {
        if (current->values.try_emplace(Folded(parsed.name), parsed.value).second) {
          current->keyNames.push_back(parsed.name);
        }
      }
    });
  }
  ParsedProfile(const ParsedProfile&) = delete;
  ParsedProfile& operator=(const ParsedProfile&) = delete;

  const Section* Find(std::string_view section) const {
    const auto it = sections.find(Folded(section));
    return it == sections.end() ? nullptr : &it->second;
  }
};

// What tells one version of a file from another: a rename puts another inode
// in its place, a rewrite in place changes its modification and change times.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  explicit FileIdentity(const struct stat& info)
      : device(info.st_dev),
        inode(info.st_ino),
        size(info.st_size),
        modified(info.st_mtim),
        changed(info.st_ctim) {}
  bool operator==(const FileIdentity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
  }
};

long long Nanoseconds(const timespec& time) {
  return static_cast<long long>(time.tv_sec) * 1000000000LL + time.tv_nsec;
}

// File times advance in clock ticks (up to 10 ms), so a second rewrite of a
// file within the tick of the first, at the same size, looks like the first.
// A copy is trusted only when the file's change time (set by every write, and
// unlike the modification time not settable by programs) lies well before the
// read; a fresher file is read again next time.
constexpr long long kTimestampSlackNs = 50'000'000;

// Parsed copies of the files read lately, checked against the file's identity
// on every read so a change by any process is seen at once.
class ProfileCache {
 public:
  std::shared_ptr<const ParsedProfile> Read(const std::string& path) {
    if (path.empty()) return Empty();
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return Empty();
    {
      std::lock_guard<std::mutex> hold(mutex_);
      for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->path != path) continue;
        if (it->trusted && it->identity == FileIdentity(info)) {
          entries_.splice(entries_.begin(), entries_, it);  // most recent first
          return it->parsed;
        }
        entries_.erase(it);
        break;
      }
    }

    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    // O_NONBLOCK so that a FIFO put in the file's place cannot hang the reader.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Empty();
    struct stat before {};
    if (fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
      close(fd);
      return Empty();
    }
    std::string contents = ReadAll(fd, before);
    struct stat after {};
    const bool unchanged = fstat(fd, &after) == 0 && FileIdentity(after) == FileIdentity(before);
    close(fd);
    auto parsed = std::make_shared<const ParsedProfile>(std::move(contents));
    if (unchanged) {
      std::lock_guard<std::mutex> hold(mutex_);
      std::erase_if(entries_, [&](const Entry& entry) { return entry.path == path; });
      const bool trusted = Nanoseconds(now) - Nanoseconds(before.st_ctim) > kTimestampSlackNs;
      entries_.push_front({path, FileIdentity(before), trusted, parsed});
      // A few files, and only so many bytes of them: the largest are 16 MiB.
      size_t bytes = 0;
      size_t kept = 0;
      for (auto it = entries_.begin(); it != entries_.end(); ++it, ++kept) {
        bytes += it->parsed->contents.size();
        if (kept == kEntries || (kept > 0 && bytes > kBytes)) {
          entries_.erase(it, entries_.end());
          break;
        }
      }
    }
    return parsed;
  }

 private:
  static constexpr size_t kEntries = 16;
  static constexpr size_t kBytes = size_t{32} << 20;
  struct Entry {
    std::string path;
    FileIdentity identity;
    bool trusted;
    std::shared_ptr<const ParsedProfile> parsed;
  };

  static std::shared_ptr<const ParsedProfile> Empty() {
    static const auto empty = std::make_shared<const ParsedProfile>(std::string());
    return empty;
  }

  static std::string ReadAll(int fd, const struct stat& info) {
    std::string contents;
    contents.resize(std::min(static_cast<size_t>(info.st_size), kMaxFileBytes));
    size_t done = 0;
    while (done < contents.size()) {
      const ssize_t n = read(fd, contents.data() + done, contents.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    contents.resize(done);
    return contents;
  }

  std::mutex mutex_;
  std::list<Entry> entries_;
};

ProfileCache& Cache() {
  static ProfileCache* cache = new ProfileCache;  // never destroyed: read from exit handlers too
  return *cache;
}

// --- edits -----------------------------------------------------------------

// An edit with its names trimmed; nullopt when it cannot be stored as one line.
std::optional<ProfileEdit> Checked(const ProfileEdit& edit) {
  if (HasLineBreakOrNul(edit.section)) return std::nullopt;
  ProfileEdit checked{std::string(Trim(edit.section)), std::nullopt, std::nullopt};
  if (edit.key) {
    std::string keyName(Trim(*edit.key));
    if (keyName.empty() || HasLineBreakOrNul(*edit.key) ||
        keyName.find('=') != std::string::npos || keyName.front() == '[' ||
        keyName.front() == ';') {
      return std::nullopt;
    }
    checked.key = std::move(keyName);
    if (edit.value) {
      if (HasLineBreakOrNul(*edit.value)) return std::nullopt;
      checked.value = *edit.value;
    }
  }
  return checked;
}

void Apply(Document& doc, const ProfileEdit& edit) {
  if (!edit.key) {
    doc.DeleteSection(edit.section);
  } else if (!edit.value) {
    doc.DeleteEntries(edit.section, *edit.key);
  } else {
    doc.SetEntry(edit.section, *edit.key, *edit.value);
  }
}

// The leading decimal number after blanks and one sign, wrapping modulo 2^32
// as the system's reader does; 0 when there are no digits.
long ParseProfileInt(std::string_view digits) {
  while (!digits.empty() && (digits.front() == ' ' || digits.front() == '\t')) {
    digits.remove_prefix(1);
  }
  bool negative = false;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  uint32_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') break;
    value = value * 10u + static_cast<uint32_t>(c - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<long>(static_cast<int32_t>(value));
}

}  // namespace

std::string ProfilePath(const std::string& file) {
  if (file.empty()) return {};
  if (file.find_first_of("/\\") == std::string::npos) {
    return ResolveCaseInsensitive(GetWindowsDirectory() + file);
  }
  return ResolveCaseInsensitive(file);
}

ProfileString GetPrivateProfileString(const std::optional<std::string>& section,
                                      const std::optional<std::string>& key,
                                      const std::string& defaultValue, long size,
                                      const std::string& file) {
  if (size <= 0) return {};
  const auto parsed = Cache().Read(ProfilePath(file));

  if (!section) return CopyList(parsed->sectionNames, size);
  const ParsedProfile::Section* found = parsed->Find(*section);
  if (!key) {
    if (!found || found->keyNames.empty()) return CopyDefault(defaultValue, size);
    return CopyList(found->keyNames, size);
  }
  if (key->empty() || !found) return CopyDefault(defaultValue, size);
  const auto value = found->values.find(Folded(*key));
  if (value == found->values.end()) return CopyDefault(defaultValue, size);
  return CopyText(StripQuotes(value->second), size);
}

long GetPrivateProfileInt(const std::string& section, const std::string& key, long defaultValue,
                          const std::string& file) {
  const ProfileString text = GetPrivateProfileString(section, key, "", LONG_MAX, file);
  if (text.count == 0) return defaultValue;
  return ParseProfileInt(text.text);
}

bool WritePrivateProfileString(const std::string& section,
                               const std::optional<std::string>& key,
                               const std::optional<std::string>& value,
                               const std::string& file) {
  return WritePrivateProfileBatch({ProfileEdit{section, key, value}}, file);
}

bool WritePrivateProfileBatch(const std::vector<ProfileEdit>& edits, const std::string& file) {
  std::vector<ProfileEdit> checked;
  checked.reserve(edits.size());
  for (const ProfileEdit& edit : edits) {
    auto one = Checked(edit);
    if (!one) {
      errno = EINVAL;  // a name or value that cannot be one line of the file
      return false;
    }
    checked.push_back(std::move(*one));
  }
  return EditProfile(
      file,
      [&](std::string& contents, bool) {
        Document doc(contents);
        for (const ProfileEdit& edit : checked) Apply(doc, edit);
        contents = doc.Text();
        return true;
      },
      0666);
}

std::optional<std::string> ExchangePrivateProfileString(const std::string& section,
                                                        const std::string& key,
                                                        const std::string& value,
                                                        const std::string& file) {
  const auto edit = Checked(ProfileEdit{section, key, value});
  if (!edit) {
    errno = EINVAL;
    return std::nullopt;
  }
  std::string previous;
  const bool written = EditProfile(
      file,
      [&](std::string& contents, bool) {
        if (const auto found = FindValue(contents, edit->section, *edit->key)) {
          previous = std::string(StripQuotes(*found));
        }
        Document doc(contents);
        Apply(doc, *edit);
        contents = doc.Text();
        return true;
      },
      0666);
  if (!written) return std::nullopt;
  return previous;
}

bool CreatePrivateProfileIfMissing(const std::string& file, const std::string& contents,
                                   mode_t newFileMode) {
  EditProfile(
      file,
      [&](std::string& current, bool existed) {
        if (!existed) current = contents;
        return true;
      },
      newFileMode);
  const std::string path = ProfilePath(file);
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0;
}

}  // namespace orvane::platform
