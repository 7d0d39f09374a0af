#include <stdexcept>

#include "installer/Library.h"

namespace orvane::installer {

namespace {

void Append32(std::string& out, std::int64_t value) {
  const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(bits >> (8 * i) & 0xFF));
}

}  // namespace

std::string EncodeLibrary(const std::string& setName, const std::vector<LibraryFile>& files,
                          const std::string& secondString) {
  std::string out;
  Append32(out, static_cast<std::int64_t>(setName.size()));
  out += setName;
  Append32(out, static_cast<std::int64_t>(secondString.size()));
  out += secondString;
  for (const LibraryFile& file : files) {
    if (file.bytes.empty()) throw std::invalid_argument("a library cannot hold an empty file");
    Append32(out, static_cast<std::int64_t>(file.name.size()));
    Append32(out, static_cast<std::int64_t>(file.bytes.size()) - 1);
    out += file.name;
    out += file.bytes;
  }
  return out;
}

}  // namespace orvane::installer
