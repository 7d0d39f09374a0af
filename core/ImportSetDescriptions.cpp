#include "core/ImportSetDescriptions.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "core/PPS.h"
#include "platform/ansifold.h"
#include "platform/folders.h"
#include "platform/regular_file.h"
#include "platform/textcodec.h"

namespace orvane::core {

namespace {

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// A set's images go into a catalogue section named after the set: a name that
// would end its header early or fall on one of the catalogue's own sections
// would spill its image lines into another set or into the set list itself.
bool StorableSetName(const std::string& name) {
  if (name.find(']') != std::string::npos) return false;
  if (std::any_of(name.begin(), name.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
    return false;
  const std::string lower = AsciiLower(name);
  return lower != "setdescriptions" && lower != "launcher" && lower != "wallpaper";
}

constexpr std::size_t kMaxSetFileBytes = 64u << 20;

// The file's lines; utf8 tells whether it is UTF-8 (a byte-order mark first).
std::optional<std::vector<std::string>> ReadLines(const std::string& path, bool& utf8) {
  // A set file is read only when it is a regular file (a FIFO would block).
  std::string text;
  if (!platform::ReadRegularFile(path, kMaxSetFileBytes, text)) return std::nullopt;
  utf8 = platform::HasUtf8Bom(text);
  if (utf8) text.erase(0, 3);
  std::vector<std::string> lines;
  // Lines end in CRLF, LF or CR alone, as the profile reader takes them.
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

using ImageLines = std::vector<std::pair<std::string, std::string>>;

// The "key=value" lines of the set's section, or nullopt when it has none.
std::optional<ImageLines> SectionLines(const std::vector<std::string>& lines,
                                       const std::string& setName) {
  const std::string header = "[" + setName + "]";
  auto it = std::find_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return TrimBlanks(line) == header; });
  if (it == lines.end()) return std::nullopt;

  ImageLines images;
  std::set<std::string> seen;
  for (++it; it != lines.end(); ++it) {
    const std::string_view line = TrimBlanks(*it);
    if (!line.empty() && line.front() == '[') break;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = TrimBlanks(line.substr(0, equals));
    if (key.empty() || key.front() == ';') continue;
    if (!seen.insert(AsciiLower(key)).second) continue;
    images.emplace_back(std::string(key), std::string(line.substr(equals + 1)));
  }
  return images;
}

}  // namespace

// Lines queued before a write of the catalogue: a large first import keeps
// what it has done so far when it is cut short, at a few rewrites of the file.
constexpr std::size_t kLinesPerWrite = 20000;

SetImport::SetImport(const std::string& settingsFolder, const std::string& rootFolder)
    : rootFolder_(rootFolder), batch_(settingsFolder + "Orvane.ini") {}

ImportResult SetImport::Add(std::string& setFolder) {
  if (setFolder.empty() || (setFolder.back() != '\\' && setFolder.back() != '/')) setFolder += '\\';

  std::string folderOnDisk = rootFolder_;
  if (!folderOnDisk.empty() && folderOnDisk.back() != '/' && folderOnDisk.back() != '\\')
    folderOnDisk += '/';
  folderOnDisk += setFolder;
  std::replace(folderOnDisk.begin(), folderOnDisk.end(), '\\', '/');
  const std::string imagesIni = platform::ResolveCaseInsensitive(folderOnDisk + "images.ini");
  const std::string& catalogue = batch_.file();

  // The key list holds every name followed by NUL; a file that declares several
  // sets is taken for its first.
  const std::string keyList = GetIniString("SetDescriptions", "", "", imagesIni);
  const std::string declared = keyList.substr(0, keyList.find('\0'));
  if (declared.empty()) return ImportResult::NoSetName;
  bool utf8 = false;
  const auto lines = ReadLines(imagesIni, utf8);
  if (!lines) return ImportResult::NoSetName;
  // Names of a UTF-8 set file go into the catalogue in the one form every name
  // has there (windows-1252 where that holds them, else UTF-8).
  auto name = [utf8](const std::string& text) { return utf8 ? platform::NameBytes(text) : text; };
  const std::string setName = name(declared);
  if (!StorableSetName(setName)) return ImportResult::BadSetName;

  if (queued_.count(platform::FoldedAnsi(setName)) ||
      !GetIniString("SetDescriptions", setName, "", catalogue).empty())
    return ImportResult::AlreadyKnown;

  const auto images = SectionLines(*lines, declared);
  if (!images) return ImportResult::NoSection;

  // The set entry goes in with its images, in the same write, so the catalogue
  // never names a set whose images are missing.
  setFolder.erase(0, setFolder.find_first_not_of(' '));
  setFolder.erase(setFolder.find_last_not_of(' ') + 1);
  for (const auto& [key, value] : *images) batch_.Write(setName, name(key), name(value));
  batch_.Write("SetDescriptions", setName, setFolder);
  queued_.insert(platform::FoldedAnsi(setName));
  if (batch_.size() >= kLinesPerWrite) Commit();
  return ImportResult::Added;
}

std::string DeclaredSetName(const std::string& imagesIni) {
  const std::string keyList = GetIniString("SetDescriptions", "", "", imagesIni);
  const std::string declared = keyList.substr(0, keyList.find('\0'));
  std::string head;
  if (declared.empty() || !platform::ReadRegularFile(imagesIni, 3, head) || !platform::HasUtf8Bom(head))
    return declared;
  return platform::NameBytes(declared);
}

bool SetImport::Commit() {
  if (batch_.size() != 0) written_ = batch_.Commit() && written_;
  return written_;
}

ImportResult ImportSetDescriptions(const std::string& settingsFolder, const std::string& rootFolder,
                                   std::string& setFolder) {
  SetImport import(settingsFolder, rootFolder);
  const ImportResult result = import.Add(setFolder);
  if (!import.Commit()) return ImportResult::NotWritten;
  return result;
}

}  // namespace orvane::core
