#include "core/Utils.h"

#include <QString>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/Globals.h"
#include "core/PPS.h"
#include "platform/events.h"
#include "platform/folders.h"
#include "platform/msgbox.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/textcodec.h"

namespace orvane::core {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxTemplateBytes = size_t{16} << 20;

enum class Lookup { kFound, kNoKey, kNoValue };

struct ProgramPathValue {
  Lookup state = Lookup::kNoKey;
  std::string path;
};

// The program path of one hive. A value that is empty or not an absolute path
// would make every file name relative to the working folder: it counts as a key
// that cannot be opened.
ProgramPathValue ReadProgramPath(platform::Hive hive) {
  if (!platform::RegKeyExists(hive, kProgramPathKey)) return {};
  const auto value = platform::RegQueryValue(hive, kProgramPathKey, "");
  if (!value) return {Lookup::kNoValue, {}};
  std::string path = *value;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.empty() || path.front() != '/') return {};
  if (path.back() != '/') path += '/';
  return {Lookup::kFound, path};
}

std::string ReportMissingKey() {
  platform::MsgBox(std::string("Unable to open registry key ") + kProgramPathKey);
  return {};
}

std::string ReportedPath(const ProgramPathValue& value) {
  if (value.state == Lookup::kNoValue) {
    platform::MsgBox("Error getting Registry Data");
    return {};
  }
  return value.path;
}

QString FoldedName(const std::string& name) {
  const QString text = platform::IsValidUtf8(name)
                           ? QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
                           : platform::ToQString(name, platform::CodePage::Windows1252);
  return text.toCaseFolded();
}

// "*" any run of characters, "?" one character.
bool WildcardMatch(const QString& pattern, const QString& name) {
  qsizetype p = 0, n = 0, starP = -1, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP >= 0) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<std::string> ReadSmallFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::optional<std::string> result;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<size_t>(info.st_size) <= kMaxTemplateBytes) {
    std::string bytes(static_cast<size_t>(info.st_size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    if (done == bytes.size()) result = std::move(bytes);
  }
  close(fd);
  return result;
}

}  // namespace

std::string GetSettingsFolder() {
  const std::string folder = platform::LocalAppDataFolder();
  std::error_code ec;
  // The folder is created on first use; where that fails, say which and why.
  // Callers append file names to it and their reads then give the defaults.
  if (!fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    const std::string reason = ec ? ec.message() : "it is not a folder";
    platform::MsgBox("The folder does not exist: " + folder + " (" + reason + ")");
  }
  return folder;
}

std::string GetProgramPath() {
  ProgramPathValue value = ReadProgramPath(platform::Hive::LocalMachine);
  if (value.state == Lookup::kNoKey) value = ReadProgramPath(platform::Hive::CurrentUser);
  if (value.state == Lookup::kNoKey) {
    ReportMissingKey();
    platform::End();
  }
  return ReportedPath(value);
}

std::string GetChangerProgramPath() {
  const ProgramPathValue value = ReadProgramPath(platform::Hive::LocalMachine);
  if (value.state == Lookup::kNoKey) return ReportMissingKey();
  return ReportedPath(value);
}

bool FileExists(const std::string& path, long /*attributes*/) {
  std::string wanted = path;
  std::replace(wanted.begin(), wanted.end(), '\\', '/');
  const size_t slash = wanted.rfind('/');
  const std::string name = slash == std::string::npos ? wanted : wanted.substr(slash + 1);
  if (name.empty()) return false;
  if (name.find_first_of("*?") == std::string::npos) {
    return IsRegularFile(platform::ResolveCaseInsensitive(wanted));
  }

  std::string folder = slash == std::string::npos ? "" : wanted.substr(0, slash + 1);
  if (!folder.empty()) folder = platform::ResolveCaseInsensitive(folder);
  QString pattern = FoldedName(name);
  if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (entry.front() == '.') continue;  // hidden
    std::error_code statError;
    if (!it->is_regular_file(statError)) continue;
    if (WildcardMatch(pattern, FoldedName(entry))) return true;
  }
  return false;
}

void EnsureUserIni(const std::string& folder) {
  if (FileExists(folder + "ScreenSaver.ini")) return;
  EnsureUserIni(folder, GetProgramPath());
}

std::string FindProgramPath() {
  ProgramPathValue value = ReadProgramPath(platform::Hive::LocalMachine);
  if (value.state == Lookup::kNoKey) value = ReadProgramPath(platform::Hive::CurrentUser);
  return value.state == Lookup::kFound ? value.path : std::string();
}

void EnsureUserIni(const std::string& folder, const std::string& programPath) {
  const std::string target = folder + "ScreenSaver.ini";
  if (FileExists(target)) return;
  if (programPath.empty()) return;  // no program folder, so no template
  const auto bytes = ReadSmallFile(platform::ResolveCaseInsensitive(programPath + "ScreenSaver.ini"));
  if (!bytes) return;
  // Under the settings file's lock, so a value another program writes meanwhile
  // is not replaced by the template. The copy is always writable by the user.
  platform::CreatePrivateProfileIfMissing(target, *bytes, 0666);
}

void ReadWindowTitles(const std::string& folder) {
  // Without a program folder there is no config.ini; a bare name would be looked
  // up in the Windows folder instead.
  const std::string file = folder.empty() ? std::string() : folder + "config.ini";
  ConfigTitle = GetIniString("config", "ConfigWinTitle", "Screen Saver Configuration", file);
  PasswordTitle = GetIniString("config", "PassWinTitle", "Screen Saver", file);
}

std::string EncodePassword(const std::string& text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (char c : text) {
    char group[4];
    std::snprintf(group, sizeof group, "%03u", static_cast<unsigned>(static_cast<unsigned char>(c) ^ 0xFF));
    out += group;
  }
  return out;
}

}  // namespace orvane::core
