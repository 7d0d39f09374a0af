#include "settings/CatalogueFile.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>

#include "platform/profile.h"

namespace orvane::settings {

namespace {

// Case folding of ASCII and the windows-1252 letters, as the profile reader folds
// section and key names.
unsigned char Fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 16);
  if (c == 0x9F) return 0xFF;
  return c;
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

std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

bool HasControlByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

constexpr std::size_t kMaxFileBytes = std::size_t{16} << 20;

}  // namespace

bool StorableSetName(const std::string& name) {
  if (!StorableKey(name)) return false;
  if (name.find(']') != std::string::npos) return false;
  const std::string lower = Folded(name);
  return lower != "setdescriptions" && lower != "launcher" && lower != "wallpaper";
}

bool StorableKey(const std::string& key) {
  if (key.empty() || HasControlByte(key)) return false;
  if (key.find('=') != std::string::npos) return false;
  if (key.front() == ';' || key.front() == '[') return false;
  return Trim(key) == std::string_view(key);
}

bool StorableValue(const std::string& value) { return !HasControlByte(value); }

IniSnapshot::IniSnapshot(const std::string& file) {
  std::ifstream in(platform::ProfilePath(file), std::ios::binary);
  if (!in) return;
  std::string contents;
  contents.resize(kMaxFileBytes);
  in.read(contents.data(), static_cast<std::streamsize>(contents.size()));
  contents.resize(static_cast<std::size_t>(in.gcount()));
  std::string_view text = contents;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

  Section* current = nullptr;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      const std::string_view name =
          Trim(close == std::string_view::npos || close == 0 ? line.substr(1) : line.substr(1, close - 1));
      current = &sections_[Folded(name)];
      continue;
    }
    if (!current) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, equals));
    if (key.empty()) continue;
    const auto [it, added] =
        current->values.emplace(Folded(key), std::string(StripQuotes(Trim(line.substr(equals + 1)))));
    if (added) current->keys.emplace_back(key);
  }
}

std::vector<std::string> IniSnapshot::Keys(const std::string& section) const {
  const auto it = sections_.find(Folded(section));
  return it == sections_.end() ? std::vector<std::string>() : it->second.keys;
}

std::string IniSnapshot::Value(const std::string& section, const std::string& key,
                               const std::string& defaultValue) const {
  const auto it = sections_.find(Folded(section));
  if (it != sections_.end() && !key.empty()) {
    const auto value = it->second.values.find(Folded(key));
    if (value != it->second.values.end()) return value->second;
  }
  std::string_view text = defaultValue;
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(StripQuotes(text));
}

bool WriteIniEdits(const std::string& file, const std::vector<IniEdit>& edits) {
  bool ok = true;
  for (const IniEdit& edit : edits)
    ok = platform::WritePrivateProfileString(edit.section, edit.key, edit.value, file) && ok;
  return ok;
}

}  // namespace orvane::settings
