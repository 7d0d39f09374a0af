#include "addset/SetPictures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "core/PPS.h"
#include "imaging/formats.h"
#include "platform/ansifold.h"
#include "platform/regular_file.h"
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

// The extensions of the formats the imaging library reads; a ".bmp" named
// after a file with one of them is that picture's thumbnail.
bool IsPictureExtension(const QString& extension) {
  for (const char16_t* known : {u"jpg", u"jpeg", u"bmp", u"png", u"webp", u"heic", u"heif"})
    if (extension == known) return true;
  return false;
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

// By content, whatever the name says (a PNG named ".jpg" or with no extension
// is a picture); a file named as a picture is one too, so that one that cannot
// be read is named with the reason rather than passed over.
bool IsPictureFile(const std::string& path, const std::string& name) {
  return IsPictureExtension(Extension(name)) || imaging::SniffPictureFormat(path) != imaging::PictureFormat::kUnknown;
}

std::vector<std::string> ListPictures(const std::string& folder,
                                      const std::vector<std::string>& thumbnailNames) {
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code kind;
    if (name.front() == '.' || !it->is_regular_file(kind)) continue;
    if (IsPictureFile(it->path().string(), name)) files.push_back(name);
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
  std::string name = platform::NameBytes(stem);
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

std::string StoredName(const std::string& diskName) { return platform::NameBytes(diskName); }

bool NeedsOtherName(const std::string& diskName) {
  if (diskName.size() + 4 > NAME_MAX) return true;
  if (diskName.front() == ' ' || diskName.back() == ' ') return true;
  return std::any_of(diskName.begin(), diskName.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

std::string LinkName(const std::string& diskName, const std::function<bool(const std::string&)>& taken) {
  std::string name = platform::IsValidUtf8(diskName) ? diskName : platform::ToUtf8(diskName);
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
  }
  const std::size_t first = name.find_first_not_of(". ");
  name = first == std::string::npos ? std::string() : name.substr(first, name.find_last_not_of(' ') - first + 1);
  const std::size_t dot = name.rfind('.');
  std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  std::string extension = dot == std::string::npos ? ".jpg" : name.substr(dot);
  if (extension.size() > 16) extension = ".jpg";  // not an extension but the rest of a long name
  stem.erase(stem.find_last_not_of(' ') + 1);
  if (stem.empty()) stem = "Picture";
  for (int n = 1;; ++n) {
    const std::string suffix = n == 1 ? std::string() : " (" + std::to_string(n) + ")";
    // Room for the thumbnail's ".bmp"; a cut never splits a character.
    const std::size_t room = NAME_MAX - 4 - extension.size() - suffix.size();
    std::string cut = stem;
    if (cut.size() > room) {
      cut.resize(room);
      while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80) cut.pop_back();
      if (!cut.empty() && static_cast<unsigned char>(cut.back()) >= 0xC0) cut.pop_back();
      cut.erase(cut.find_last_not_of(' ') + 1);
    }
    const std::string candidate = cut + suffix + extension;
    if (!taken(candidate)) return candidate;
  }
}

std::string Printable(const std::string& diskName) {
  std::string out;
  for (const char c : diskName) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (byte < 0x20 || byte == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return platform::IsValidUtf8(out) ? out : platform::ToUtf8(out);
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
  std::string head;
  const bool utf8 = platform::ReadRegularFile(imagesIni, 3, head) && platform::HasUtf8Bom(head);
  auto name = [utf8](const std::string& text) { return utf8 ? platform::NameBytes(text) : text; };
  const std::string declared = names.substr(0, end);
  set.setName = name(declared);
  set.folderValue = name(core::GetIniString("SetDescriptions", declared, "", imagesIni));
  std::string keys = core::GetIniString(declared, "", "", imagesIni);
  for (std::size_t at; (at = keys.find('\0')) != std::string::npos; keys.erase(0, at + 1)) {
    const std::string key = keys.substr(0, at);
    const std::string file = core::GetIniString(declared, key, "", imagesIni);
    if (!key.empty() && !file.empty()) set.entries.push_back({name(key), name(file)});
  }
  return set;
}

bool NeedsUtf8(const SetFile& set) {
  bool utf8 = platform::IsUtf8Name(set.setName) || platform::IsUtf8Name(set.folderValue);
  for (const SetEntry& entry : set.entries)
    utf8 = utf8 || platform::IsUtf8Name(entry.name) || platform::IsUtf8Name(entry.file);
  return utf8;
}

std::string SetFileText(const SetFile& set) {
  const bool utf8 = NeedsUtf8(set);
  // In a UTF-8 file every name is UTF-8: those in windows-1252 form are converted.
  auto text = [utf8](const std::string& name) { return utf8 ? platform::NameToUtf8(name) : name; };
  std::vector<std::string> lines = {"[SetDescriptions]", text(set.setName) + "=" + text(set.folderValue), "",
                                    "[" + text(set.setName) + "]"};
  // The set's own section comes last: the catalogue's import reads it to the end.
  for (const SetEntry& entry : set.entries) lines.push_back(text(entry.name) + "=" + text(entry.file));
  return (utf8 ? "\xEF\xBB\xBF" : "") + CrLf(lines);
}

bool WriteSetFile(const std::string& imagesIni, const SetFile& set) {
  const std::string bytes = SetFileText(set);

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
