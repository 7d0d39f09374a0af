#include "installer/Library.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/PPS.h"
#include "platform/textcodec.h"

namespace orvane::installer {

namespace {

// The "images.ini" lookup reads no more than the profile reader would.
constexpr std::int64_t kMaxIniBytes = 16 << 20;
// A licence longer than this is shown cut off; it is text for a reader.
constexpr std::int64_t kMaxLicenseBytes = 4 << 20;
constexpr std::size_t kCopyBuffer = 1 << 20;

std::int32_t LittleEndian32(const unsigned char* bytes) {
  const std::uint32_t value = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                              std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24;
  return static_cast<std::int32_t>(value);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : char(c); });
  return text;
}

// A name as it can be shown in a message: control characters as "?".
std::string Shown(const std::string& name) {
  std::string text = platform::ToUtf8(name);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return "\"" + text + "\"";
}

bool HasControlCharacters(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; });
}

// The [SetDescriptions] value for setName in an "images.ini" held in memory,
// looked up through the profile reader on a private copy.
std::string LookUpSetFolder(const std::string& iniBytes, const std::string& setName) {
  std::string folder = (std::filesystem::temp_directory_path() / "pellam-XXXXXX").string();
  if (!mkdtemp(folder.data())) return {};
  const std::string file = folder + "/images.ini";
  std::string value;
  {
    std::ofstream out(file, std::ios::binary);
    out << iniBytes << "\r\n";
  }
  value = core::GetIniString("SetDescriptions", setName, "", file);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return value;
}

}  // namespace

LibraryReader::~LibraryReader() {
  if (fd_ >= 0) close(fd_);
}

bool LibraryReader::Fail(std::string message) {
  error_ = std::move(message);
  return false;
}

bool LibraryReader::ReadExact(std::int64_t offset, void* buffer, std::int64_t count) {
  auto* bytes = static_cast<char*>(buffer);
  while (count > 0) {
    const ssize_t got = pread(fd_, bytes, static_cast<std::size_t>(count), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    offset += got;
    count -= got;
  }
  return true;
}

bool LibraryReader::Open(const std::string& path) {
  path_ = path;
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return Fail(std::strerror(errno));
  struct stat info {};
  if (fstat(fd_, &info) != 0) return Fail(std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return Fail("it is not a regular file");
  fileSize_ = info.st_size;

  unsigned char word[4];
  if (fileSize_ < 4 || !ReadExact(0, word, 4)) return Fail("its header is cut short");
  const std::int64_t nameLength = LittleEndian32(word);
  if (nameLength < 1 || nameLength > kMaxSetNameBytes)
    return Fail("its set name has a length of " + std::to_string(nameLength) + " bytes");
  if (4 + nameLength + 4 > fileSize_) return Fail("its header is cut short");
  setName_.assign(static_cast<std::size_t>(nameLength), ' ');
  if (!ReadExact(4, setName_.data(), nameLength)) return Fail("its header cannot be read");
  if (HasControlCharacters(setName_)) return Fail("its set name holds control characters");
  if (!ReadExact(4 + nameLength, word, 4)) return Fail("its header cannot be read");
  const std::int64_t secondLength = LittleEndian32(word);
  if (secondLength < 0 || 8 + nameLength + secondLength > fileSize_)
    return Fail("its header is cut short");
  position_ = 8 + nameLength + secondLength;
  return true;
}

bool LibraryReader::Next(LibraryEntry& entry) {
  if (!error_.empty() || fd_ < 0) return false;
  if (position_ == fileSize_) return false;
  ++entryIndex_;
  const std::string which = "entry " + std::to_string(entryIndex_);
  unsigned char header[8];
  if (fileSize_ - position_ < 8 || !ReadExact(position_, header, 8))
    return Fail(which + " is cut short");
  const std::int64_t nameLength = LittleEndian32(header);
  const std::int64_t size = LittleEndian32(header + 4);
  if (nameLength < 1 || nameLength > kMaxEntryNameBytes)
    return Fail(which + " has a name length of " + std::to_string(nameLength) + " bytes");
  if (position_ + 8 + nameLength > fileSize_) return Fail(which + " is cut short");
  entry.name.assign(static_cast<std::size_t>(nameLength), '\0');
  if (!ReadExact(position_ + 8, entry.name.data(), nameLength)) return Fail(which + " cannot be read");
  if (!IsPlainName(entry.name))
    return Fail(which + " has the name " + Shown(entry.name) + ", which is not a plain file name");
  if (size < 0)
    return Fail("the entry " + Shown(entry.name) + " has a negative size (" + std::to_string(size) + ")");
  entry.size = size;
  entry.dataOffset = position_ + 8 + nameLength;
  if (entry.dataOffset + entry.DataBytes() > fileSize_)
    return Fail("the entry " + Shown(entry.name) + " is cut short: it needs " +
                std::to_string(entry.DataBytes()) + " bytes, the file holds " +
                std::to_string(fileSize_ - entry.dataOffset));
  position_ = entry.dataOffset + entry.DataBytes();
  return true;
}

std::optional<std::string> LibraryReader::ReadData(const LibraryEntry& entry, std::int64_t count) {
  count = std::clamp<std::int64_t>(count, 0, entry.DataBytes());
  std::string data(static_cast<std::size_t>(count), '\0');
  if (!ReadExact(entry.dataOffset, data.data(), count)) return std::nullopt;
  return data;
}

bool LibraryReader::CopyData(const LibraryEntry& entry, int out) {
  std::string error;
  if (!CopyBytes(fd_, entry.dataOffset, entry.DataBytes(), out, error)) return Fail(error);
  return true;
}

bool CopyBytes(int in, std::int64_t offset, std::int64_t count, int out, std::string& error) {
  loff_t from = offset;
  std::int64_t left = count;
  // The kernel copies between the files without the data passing through here.
  while (left > 0) {
    const ssize_t copied = copy_file_range(in, &from, out, nullptr, static_cast<std::size_t>(left), 0);
    if (copied > 0) {
      left -= copied;
      continue;
    }
    if (copied == 0) {
      error = "the file ended early";
      return false;
    }
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) break;
    error = std::strerror(errno);
    return false;
  }
  if (left == 0) return true;
  // File systems that cannot copy between them: through a fixed buffer.
  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(left, kCopyBuffer)));
  while (left > 0) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(left, std::int64_t(buffer.size())));
    const ssize_t got = pread(in, buffer.data(), chunk, from);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      error = got == 0 ? "the file ended early" : std::strerror(errno);
      return false;
    }
    from += got;
    const char* bytes = buffer.data();
    ssize_t pending = got;
    while (pending > 0) {
      const ssize_t written = write(out, bytes, static_cast<std::size_t>(pending));
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) {
        error = std::strerror(errno);
        return false;
      }
      bytes += written;
      pending -= written;
    }
    left -= got;
  }
  return true;
}

std::optional<clsILB> ReadLibraryHeader(const std::string& fileName) {
  LibraryReader reader;
  if (!reader.Open(fileName)) return std::nullopt;
  clsILB library;
  library.szSetName = reader.SetName();
  library.szLibFile = fileName;
  return library;
}

bool IsPlainName(const std::string& name) {
  if (name.empty() || name.size() > kMaxEntryNameBytes || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return false;
    if (std::strchr("/\\:*?\"<>|", c)) return false;
  }
  return DiskName(name).size() <= kMaxEntryNameBytes;
}

std::string DiskName(const std::string& name) { return platform::ToUtf8(name); }

LibraryCheck CheckLibrary(const std::string& libFile) {
  LibraryCheck check;
  LibraryReader reader;
  if (!reader.Open(libFile)) {
    check.error = reader.Error();
    return check;
  }
  check.setName = reader.SetName();
  std::optional<std::string> imagesIni;
  LibraryEntry entry;
  while (reader.Next(entry)) {
    ++check.entryCount;
    const std::string lower = Lower(entry.name);
    if (!imagesIni && lower == "images.ini") {
      // The lookup reads size bytes of it, not size + 1.
      imagesIni = reader.ReadData(entry, std::min(entry.size, kMaxIniBytes));
      if (!imagesIni) {
        check.error = "the entry " + Shown(entry.name) + " cannot be read";
        return check;
      }
    } else if (!check.license && lower == "license.txt") {
      check.license = reader.ReadData(entry, std::min(entry.size, kMaxLicenseBytes));
      if (!check.license) {
        check.error = "the entry " + Shown(entry.name) + " cannot be read";
        return check;
      }
    }
  }
  if (!reader.Error().empty()) {
    check.error = reader.Error();
    return check;
  }

  std::string folder = "Bonus";
  if (imagesIni) {
    std::string value = LookUpSetFolder(*imagesIni, check.setName);
    if (!value.empty() && (value.back() == '\\' || value.back() == '/')) value.pop_back();
    if (!value.empty()) {
      if (!IsPlainName(value)) {
        check.error = "its \"images.ini\" names the folder " + Shown(value) +
                      ", which is not one plain folder name";
        return check;
      }
      folder = DiskName(value);
    } else {
      std::string drive, directory, title, extension;
      SplitPath(libFile, drive, directory, title, extension);
      if (!IsPlainName(title)) {
        check.error = "its file title " + Shown(title) + " cannot name a folder";
        return check;
      }
      folder = title;
    }
  }
  check.folder = folder + "/";
  return check;
}

void SplitPath(const std::string& path, std::string& drive, std::string& directory,
               std::string& fileTitle, std::string& extension) {
  const std::size_t first = path.find_first_of("\\/");
  if (first == std::string::npos) return;
  drive = path.substr(0, first);
  std::string rest = path.substr(first);
  const std::size_t last = rest.find_last_of("\\/");
  const std::string fileName = rest.substr(last + 1);
  directory = rest.substr(0, last);
  const std::size_t dot = fileName.rfind('.');
  if (!fileName.empty() && dot != std::string::npos) {
    extension = fileName.substr(dot + 1);
    fileTitle = fileName.substr(0, dot);
  } else {
    fileTitle = fileName;
  }
}

}  // namespace orvane::installer
