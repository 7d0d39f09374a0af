#include "addset/SetPictures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "core/PPS.h"
#include "platform/ansifold.h"
#include "platform/textcodec.h"

namespace orvane::addset {

namespace fs = std::filesystem;

namespace {

QString Decoded(const std::string& name) {
  return platform::IsValidUtf8(name) ? QString::fromUtf8(name.data(), qsizetype(name.size()))
                                     : platform::ToQString(name, platform::CodePage::Windows1252);
}

QString Folded(const std::string& name) { return Decoded(name).toCaseFolded(); }

// The extension of the last name component, folded, without the dot; "" when none.
QString Extension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return {};
  return Folded(name.substr(dot + 1));
}

bool IsPictureExtension(const QString& extension) {
  return extension == u"jpg" || extension == u"jpeg" || extension == u"bmp";
}

bool HasExtension(const std::string& stored) {
  const std::size_t slash = stored.find_last_of("\\/");
  return stored.find('.', slash == std::string::npos ? 0 : slash + 1) != std::string::npos;
}

// The on-disk (UTF-8) form of a stored name: windows-1252 text is decoded,
// bytes that are UTF-8 already are kept.
std::string DiskForm(const std::string& stored) {
  if (platform::IsValidUtf8(stored)) return stored;
  return platform::ToUtf8(stored, platform::CodePage::Windows1252);
}

std::string CrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

}  // namespace

std::vector<std::string> ListPictures(const std::string& folder,
                                      const std::vector<std::string>& thumbnailNames) {
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code kind;
    if (name.front() == '.' || !it->is_regular_file(kind)) continue;
    if (IsPictureExtension(Extension(name))) files.push_back(name);
  }
  std::set<QString> thumbnails;
  for (const std::string& name : thumbnailNames) thumbnails.insert(Folded(name));

  std::vector<std::string> result;
  for (const std::string& name : files) {
    if (Extension(name) == u"bmp") {
      const std::string stem = name.substr(0, name.size() - 4);
      // Our own thumbnails are named after the picture with its extension.
      if (IsPictureExtension(Extension(stem)) || thumbnails.count(Folded(name))) continue;
    }
    result.push_back(name);
  }
  std::sort(result.begin(), result.end(), [](const std::string& a, const std::string& b) {
    const int order = Folded(a).compare(Folded(b));
    return order != 0 ? order < 0 : a < b;
  });
  return result;
}

std::string DisplayName(const std::string& diskName) {
  std::string stem = diskName;
  const std::size_t dot = stem.rfind('.');
  if (dot != std::string::npos && dot > 0) stem.erase(dot);
  std::string name = platform::IsValidUtf8(stem) ? platform::FromUtf8(stem) : stem;
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
    if (c == '=') c = '-';
  }
  const std::size_t first = name.find_first_not_of(' ');
  name = first == std::string::npos ? std::string() : name.substr(first, name.find_last_not_of(' ') - first + 1);
  if (name.empty()) return "Picture";
  if (name.front() == '[') {  // would start a section: "[Beach] day" is shown as "(Beach) day"
    name.front() = '(';
    if (const std::size_t close = name.find(']'); close != std::string::npos) name[close] = ')';
  }
  if (name.front() == ';') name.front() = '-';
  return name;
}

std::string StoredName(const std::string& diskName) {
  if (!platform::IsValidUtf8(diskName)) return diskName;
  const std::string ansi = platform::FromUtf8(diskName);
  return platform::ToUtf8(ansi) == diskName ? ansi : diskName;
}

std::string PictureDiskName(const std::string& storedFile) {
  std::string name = DiskForm(storedFile);
  std::replace(name.begin(), name.end(), '\\', '/');
  return HasExtension(name) ? name : name + ".jpg";
}

bool NamesItsExtension(const std::string& storedFile) { return HasExtension(storedFile); }

std::string ThumbnailDiskName(const std::string& storedFile) {
  std::string name = DiskForm(storedFile);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name + ".bmp";
}

bool SameKey(const std::string& a, const std::string& b) {
  return platform::FoldedAnsi(a) == platform::FoldedAnsi(b);
}

bool SameDiskName(const std::string& a, const std::string& b) { return Folded(a) == Folded(b); }

SetFile ReadSetFile(const std::string& imagesIni) {
  SetFile set;
  std::string names = core::GetIniString("SetDescriptions", "", "", imagesIni);
  const std::size_t end = names.find('\0');
  if (end == std::string::npos || end == 0) return set;
  set.setName = names.substr(0, end);
  set.folderValue = core::GetIniString("SetDescriptions", set.setName, "", imagesIni);
  std::string keys = core::GetIniString(set.setName, "", "", imagesIni);
  for (std::size_t at; (at = keys.find('\0')) != std::string::npos; keys.erase(0, at + 1)) {
    const std::string key = keys.substr(0, at);
    const std::string file = core::GetIniString(set.setName, key, "", imagesIni);
    if (!key.empty() && !file.empty()) set.entries.push_back({key, file});
  }
  return set;
}

bool WriteSetFile(const std::string& imagesIni, const SetFile& set) {
  std::vector<std::string> lines = {"[SetDescriptions]", set.setName + "=" + set.folderValue, "",
                                    "[" + set.setName + "]"};
  // The set's own section comes last: the catalogue's import reads it to the end.
  for (const SetEntry& entry : set.entries) lines.push_back(entry.name + "=" + entry.file);
  const std::string bytes = CrLf(lines);

  const fs::path target(imagesIni);
  const std::string temporary = (target.parent_path() / ".images.ini.XXXXXX").string();
  std::vector<char> pattern(temporary.begin(), temporary.end());
  pattern.push_back('\0');
  const int fd = mkstemp(pattern.data());
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0644) == 0;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) ok = false;
    else done += std::size_t(n);
  }
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(pattern.data(), imagesIni.c_str()) == 0;
  if (!ok) unlink(pattern.data());
  return ok;
}

}  // namespace orvane::addset
