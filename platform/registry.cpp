#include "platform/registry.h"

#include <climits>
#include <string_view>

#include "platform/folders.h"
#include "platform/profile.h"

namespace orvane::platform {

namespace {

constexpr char kNewCurrentUserHive[] =
    "[Control Panel\\desktop]\r\n"
    "ScreenSaveUsePassword=\"0\"\r\n";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string NormalKeyPath(const std::string& keyPath) {
  std::string out;
  for (char c : keyPath) {
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

std::string ValueName(const std::string& name) { return name.empty() ? "@" : name; }

// NUL-separated names as a list.
template <typename Visit>
void ForEachName(const std::string& list, Visit visit) {
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\0', start);
    if (end == std::string::npos) end = list.size();
    visit(std::string_view(list).substr(start, end - start));
    start = end + 1;
  }
}

// The hive's file; a missing HKEY_CURRENT_USER hive is created first.
std::string OpenHive(Hive hive) {
  const std::string file = HiveFile(hive);
  if (hive == Hive::CurrentUser) CreatePrivateProfileIfMissing(file, kNewCurrentUserHive, 0600);
  return file;
}

}  // namespace

std::string HiveFile(Hive hive) {
  return MachineStateFolder() +
         (hive == Hive::LocalMachine ? "HKEY_LOCAL_MACHINE.reg" : "HKEY_CURRENT_USER.reg");
}

bool RegKeyExists(Hive hive, const std::string& keyPath) {
  const std::string file = OpenHive(hive);
  const std::string key = NormalKeyPath(keyPath);
  if (key.empty()) return true;  // the hive's root
  const std::string sections =
      GetPrivateProfileString(std::nullopt, std::nullopt, "", LONG_MAX, file).text;
  bool found = false;
  ForEachName(sections, [&](std::string_view section) {
    const std::string normal = NormalKeyPath(std::string(section));
    const std::string_view view = normal;
    if (EqualNoCase(view, key) ||
        (view.size() > key.size() && view[key.size()] == '\\' &&
         EqualNoCase(view.substr(0, key.size()), key))) {
      found = true;
    }
  });
  return found;
}

std::optional<std::string> RegQueryValue(Hive hive, const std::string& keyPath,
                                         const std::string& name) {
  const std::string file = OpenHive(hive);
  const std::string key = NormalKeyPath(keyPath);
  const std::string value = ValueName(name);
  if (key.empty()) return std::nullopt;
  const std::string names = GetPrivateProfileString(key, std::nullopt, "", LONG_MAX, file).text;
  bool present = false;
  ForEachName(names, [&](std::string_view entry) { present = present || EqualNoCase(entry, value); });
  if (!present) return std::nullopt;
  return GetPrivateProfileString(key, value, "", LONG_MAX, file).text;
}

bool RegSetValue(Hive hive, const std::string& keyPath, const std::string& name,
                 const std::string& data) {
  const std::string file = OpenHive(hive);
  const std::string key = NormalKeyPath(keyPath);
  if (key.empty()) return false;
  return WritePrivateProfileString(key, ValueName(name), "\"" + data + "\"", file);
}

}  // namespace orvane::platform
