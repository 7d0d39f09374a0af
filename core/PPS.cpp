#include "core/PPS.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/profile.h"

namespace orvane::core {

namespace {

// VB's Trim: spaces only.
void TrimSpaces(std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    text.clear();
    return;
  }
  text.erase(text.find_last_not_of(' ') + 1);
  text.erase(0, first);
}

}  // namespace

long GetIniInt(const std::string& section, const std::string& key, int defaultValue,
               const std::string& file) {
  return platform::GetPrivateProfileInt(section, key, defaultValue, file);
}

std::string GetIniString(const std::string& section, const std::string& key,
                         const std::string& defaultValue, const std::string& file) {
  // The buffer grows until the answer leaves 10 characters spare, so a value of
  // any length is read whole. Past the first steps it doubles, which keeps long
  // values from costing one file read per 512 characters.
  const std::optional<std::string> keyArgument =
      key.empty() ? std::nullopt : std::optional<std::string>(key);
  long size = 512;
  for (;;) {
    platform::ProfileString answer =
        platform::GetPrivateProfileString(section, keyArgument, defaultValue, size, file);
    if (answer.count < size - 10) return answer.count != 0 ? std::move(answer.text) : std::string();
    size = std::max(size + 512, size * 2);
  }
}

bool WriteIni(const std::string& section, const std::string& key, std::string& value,
              const std::string& file) {
  TrimSpaces(value);
  return platform::WritePrivateProfileString(section, key, value, file);
}

bool WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file) {
  std::string copy = value;
  return WriteIni(section, key, copy, file);
}

void IniBatch::Write(const std::string& section, const std::string& key, std::string value) {
  TrimSpaces(value);
  edits_.push_back({section, key, std::move(value)});
}

void IniBatch::DeleteKey(const std::string& section, const std::string& key) {
  edits_.push_back({section, key, std::nullopt});
}

void IniBatch::DeleteSection(const std::string& section) {
  edits_.push_back({section, std::nullopt, std::nullopt});
}

bool IniBatch::Commit() {
  const bool written = platform::WritePrivateProfileBatch(edits_, file_);
  edits_.clear();
  return written;
}

}  // namespace orvane::core
