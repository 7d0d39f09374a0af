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
#include <functional>
#include <random>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include "platform/folders.h"

namespace orvane::platform {

namespace {

constexpr size_t kMaxFileBytes = size_t{16} << 20;
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";

// Case folding of ASCII and the windows-1252 letters, as the system's
// case-insensitive comparison of ANSI names does.
unsigned char Fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 16);
  if (c == 0x9F) return 0xFF;
  return c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
  return out;
}

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

// Calls visit(line, terminator) for every line; CRLF and LF both end a line.
// A visitor that returns false stops the walk.
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
    const size_t newline = contents.find('\n', start);
    if (newline == std::string_view::npos) {
      call(contents.substr(start), std::string_view());
      return;
    }
    size_t end = newline;
    if (end > start && contents[end - 1] == '\r') --end;
    if (!call(contents.substr(start, end - start), contents.substr(end, newline + 1 - end))) return;
    start = newline + 1;
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

// Key names of a section (sectionFilter set) or the section names, each once,
// in file order, in the spelling of their first occurrence.
std::vector<std::string_view> ListNames(std::string_view contents,
                                        const std::string* sectionFilter) {
  std::vector<std::string_view> names;
  std::unordered_set<std::string> seen;
  bool inSection = false;
  ForEachLine(WithoutBom(contents), [&](std::string_view line, std::string_view) {
    const ParsedLine parsed = ParseLine(line);
    std::string_view name;
    if (parsed.kind == ParsedLine::kSection) {
      if (sectionFilter) {
        inSection = EqualNoCase(parsed.name, *sectionFilter);
        return;
      }
      name = parsed.name;
    } else if (parsed.kind == ParsedLine::kEntry && sectionFilter && inSection) {
      name = parsed.name;
    } else {
      return;
    }
    if (seen.insert(Folded(name)).second) names.push_back(name);
  });
  return names;
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
};

struct Document {
  std::string bom;
  std::vector<Line> lines;

  explicit Document(std::string_view contents) {
    if (contents.substr(0, kBom.size()) == kBom) {
      bom = kBom;
      contents.remove_prefix(kBom.size());
    }
    ForEachLine(contents, [&](std::string_view text, std::string_view terminator) {
      lines.push_back({std::string(text), std::string(terminator)});
    });
  }

  std::string Text() const {
    std::string out = bom;
    for (const Line& line : lines) {
      out += line.text;
      out += line.terminator;
    }
    return out;
  }

  // Inserts a line before position; the line before it is given a terminator.
  void Insert(size_t position, std::string text) {
    if (position > 0 && lines[position - 1].terminator.empty()) {
      lines[position - 1].terminator = kCrLf;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(position),
                 Line{std::move(text), std::string(kCrLf)});
  }
};

void SetEntry(Document& doc, const std::string& section, const std::string& key,
              const std::string& value) {
  std::optional<size_t> firstHeader;
  std::optional<size_t> lastEntryOfFirst;
  bool inSection = false;
  bool inFirst = false;
  for (size_t i = 0; i < doc.lines.size(); ++i) {
    const ParsedLine parsed = ParseLine(doc.lines[i].text);
    if (parsed.kind == ParsedLine::kSection) {
      inSection = EqualNoCase(parsed.name, section);
      inFirst = inSection && !firstHeader;
      if (inFirst) firstHeader = i;
    } else if (parsed.kind == ParsedLine::kEntry && inSection) {
      if (EqualNoCase(parsed.name, key)) {
        doc.lines[i].text = std::string(parsed.name) + "=" + value;
        return;
      }
      if (inFirst) lastEntryOfFirst = i;
    }
  }
  if (firstHeader) {
    doc.Insert(lastEntryOfFirst.value_or(*firstHeader) + 1, key + "=" + value);
    return;
  }
  doc.Insert(doc.lines.size(), "[" + section + "]");
  doc.Insert(doc.lines.size(), key + "=" + value);
}

void DeleteEntries(Document& doc, const std::string& section, const std::string& key) {
  bool inSection = false;
  std::erase_if(doc.lines, [&](const Line& line) {
    const ParsedLine parsed = ParseLine(line.text);
    if (parsed.kind == ParsedLine::kSection) inSection = EqualNoCase(parsed.name, section);
    return parsed.kind == ParsedLine::kEntry && inSection && EqualNoCase(parsed.name, key);
  });
}

void DeleteSection(Document& doc, const std::string& section) {
  bool inSection = false;
  std::erase_if(doc.lines, [&](const Line& line) {
    const ParsedLine parsed = ParseLine(line.text);
    if (parsed.kind == ParsedLine::kSection) inSection = EqualNoCase(parsed.name, section);
    return inSection;
  });
}

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
  std::string path = ProfilePath(file);
  if (path.empty() || path.back() == '/') return false;
  path = WriteTarget(path);
  if (path.empty()) return false;

  SidecarLock lock(path);
  if (!lock.locked()) return false;

  struct stat info {};
  const bool existed = stat(path.c_str(), &info) == 0;
  if (!existed && errno != ENOENT) return false;
  std::string contents;
  if (existed) {
    // A read-only, special or oversized file is left alone rather than
    // replaced or cut short.
    if (!S_ISREG(info.st_mode) || !(info.st_mode & S_IWUSR)) return false;
    if (static_cast<size_t>(info.st_size) > kMaxFileBytes) return false;
    auto read = ReadProfileFile(path);
    if (!read || read->size() != static_cast<size_t>(info.st_size)) return false;
    contents = std::move(*read);
  }
  std::string updated = contents;
  if (!edit(updated, existed)) return false;
  if (existed ? updated == contents : updated.empty()) return true;  // nothing to write
  return ReplaceFile(path, updated, existed ? &info : nullptr, newFileMode);
}

long ClampToLong32(long long value) {
  return static_cast<long>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
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
  const std::string contents = ReadProfileFile(ProfilePath(file)).value_or(std::string());

  if (!section) return CopyList(ListNames(contents, nullptr), size);
  if (!key) {
    const auto names = ListNames(contents, &*section);
    if (names.empty()) return CopyDefault(defaultValue, size);
    return CopyList(names, size);
  }
  if (key->empty()) return CopyDefault(defaultValue, size);
  const auto value = FindValue(contents, *section, *key);
  if (!value) return CopyDefault(defaultValue, size);
  return CopyText(StripQuotes(*value), size);
}

long GetPrivateProfileInt(const std::string& section, const std::string& key, long defaultValue,
                          const std::string& file) {
  const ProfileString text = GetPrivateProfileString(section, key, "", LONG_MAX, file);
  if (text.count == 0) return defaultValue;
  std::string_view digits = text.text;
  while (!digits.empty() && (digits.front() == ' ' || digits.front() == '\t')) {
    digits.remove_prefix(1);
  }
  bool negative = false;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  long long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') break;
    value = std::min<long long>(value * 10 + (c - '0'), LLONG_MAX / 20);
  }
  return ClampToLong32(negative ? -value : value);
}

bool WritePrivateProfileString(const std::string& section,
                               const std::optional<std::string>& key,
                               const std::optional<std::string>& value,
                               const std::string& file) {
  const std::string sectionName(Trim(section));
  if (HasLineBreakOrNul(section)) return false;
  std::string keyName;
  if (key) {
    keyName = std::string(Trim(*key));
    if (keyName.empty() || HasLineBreakOrNul(*key) || keyName.find('=') != std::string::npos ||
        keyName.front() == '[' || keyName.front() == ';') {
      return false;
    }
  }
  if (value && HasLineBreakOrNul(*value)) return false;

  return EditProfile(
      file,
      [&](std::string& contents, bool) {
        Document doc(contents);
        if (!key) {
          DeleteSection(doc, sectionName);
        } else if (!value) {
          DeleteEntries(doc, sectionName, keyName);
        } else {
          SetEntry(doc, sectionName, keyName, *value);
        }
        contents = doc.Text();
        return true;
      },
      0666);
}

std::optional<std::string> ExchangePrivateProfileString(const std::string& section,
                                                        const std::string& key,
                                                        const std::string& value,
                                                        const std::string& file) {
  const std::string sectionName(Trim(section));
  const std::string keyName(Trim(key));
  if (keyName.empty() || HasLineBreakOrNul(section) || HasLineBreakOrNul(key) ||
      HasLineBreakOrNul(value) || keyName.find('=') != std::string::npos ||
      keyName.front() == '[' || keyName.front() == ';') {
    return std::nullopt;
  }
  std::string previous;
  const bool written = EditProfile(
      file,
      [&](std::string& contents, bool) {
        if (const auto found = FindValue(contents, sectionName, keyName)) {
          previous = std::string(StripQuotes(*found));
        }
        Document doc(contents);
        SetEntry(doc, sectionName, keyName, value);
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
