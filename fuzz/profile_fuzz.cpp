// Feeds arbitrary bytes, as a file, to the ini reader and writer: every section
// and key it lists is read as text and as a number, then one key is written and
// a batch rewrites the file, which must read back what was written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_files.h"
#include "platform/profile.h"

namespace profile = orvane::platform;

namespace {

// The names of a NUL-separated list, at most limit of them.
std::vector<std::string> Names(const std::string& list, std::size_t limit) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < list.size() && names.size() < limit) {
    std::size_t end = list.find('\0', start);
    if (end == std::string::npos) end = list.size();
    // A name cut at a NUL inside the file can end in a blank or a control
    // character, which a query does not trim: not a name the file holds.
    const std::string name = list.substr(start, end - start);
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    if (!name.empty() && !blank(name.front()) && !blank(name.back())) names.push_back(name);
    start = end + 1;
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto dir = orvane::fuzz::FreshDir("profile");
  const std::string file = (dir / "Orvane.ini").string();
  orvane::fuzz::WriteBytes(file, data, size);

  const auto sections =
      Names(profile::GetPrivateProfileString(std::nullopt, std::nullopt, "", 1 << 20, file).text, 8);
  for (const std::string& section : sections) {
    const auto keys =
        Names(profile::GetPrivateProfileString(section, std::nullopt, "", 1 << 20, file).text, 16);
    for (const std::string& key : keys) {
      profile::GetPrivateProfileString(section, key, "default", 1 << 20, file);
      profile::GetPrivateProfileString(section, key, "", 7, file);  // truncated like the system call
      profile::GetPrivateProfileInt(section, key, -1, file);
    }
  }
  profile::GetPrivateProfileString("SetDescriptions", std::string("missing"), "\"quoted\" ", 256, file);

  // A write keeps every other line; a batch is all or nothing.
  const std::string section = sections.empty() ? std::string("New") : sections.front();
  if (profile::WritePrivateProfileString(section, std::string("FuzzKey"), std::string("value 1"), file)) {
    if (profile::GetPrivateProfileString(section, std::string("FuzzKey"), "", 256, file).text != "value 1")
      std::abort();
  }
  const std::vector<profile::ProfileEdit> batch = {
      {sections.size() > 1 ? sections[1] : std::string("Other"), std::nullopt, std::nullopt},
      {section, std::string("FuzzKey"), std::nullopt},
      {"Added", std::string("Two"), std::string("2")},
  };
  if (profile::WritePrivateProfileBatch(batch, file)) {
    if (profile::GetPrivateProfileInt("Added", "Two", 0, file) != 2) std::abort();
  }
  return 0;
}
