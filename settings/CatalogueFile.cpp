#include "settings/CatalogueFile.h"

#include <algorithm>
#include <string_view>

#include "core/PPS.h"

namespace orvane::settings {

namespace {

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool HasControlByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

}  // namespace

bool StorableSetName(const std::string& name) {
  if (!StorableKey(name)) return false;
  if (name.find(']') != std::string::npos) return false;
  const std::string lower = AsciiLower(name);
  return lower != "setdescriptions" && lower != "launcher" && lower != "wallpaper";
}

bool StorableKey(const std::string& key) {
  if (key.empty() || HasControlByte(key)) return false;
  if (key.find('=') != std::string::npos) return false;
  if (key.front() == ';' || key.front() == '[') return false;
  return key.front() != ' ' && key.front() != '\t' && key.back() != ' ' && key.back() != '\t';
}

bool StorableValue(const std::string& value) { return !HasControlByte(value); }

std::vector<std::string> IniSnapshot::Keys(const std::string& section) const {
  std::vector<std::string> names;
  const std::string list = core::GetIniString(section, "", "", file_);
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find('\0', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) names.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::string IniSnapshot::Value(const std::string& section, const std::string& key,
                               const std::string& defaultValue) const {
  // An empty key would ask for the key list.
  if (key.empty()) return defaultValue;
  return core::GetIniString(section, key, defaultValue, file_);
}

}  // namespace orvane::settings
