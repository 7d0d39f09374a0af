#include "platform/folders.h"

#include <QString>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
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

// The entry of folder whose name equals wanted without regard to case; the
// first by byte order when several do. Empty when none.
std::string FindEntry(const std::string& folder, const std::string& wanted) {
  const QString folded = FoldedName(wanted);
  // A UTF-8 name may also be windows-1252 bytes that happen to form UTF-8.
  const QString folded1252 = ToQString(wanted, CodePage::Windows1252).toCaseFolded();
  std::vector<std::string> matches;
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const QString candidate = FoldedName(name);
    if (candidate == folded || candidate == folded1252) matches.push_back(name);
  }
  if (matches.empty()) return {};
  return *std::min_element(matches.begin(), matches.end());
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
