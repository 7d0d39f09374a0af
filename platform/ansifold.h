#pragma once
// Case folding of names in the windows-1252 code page, as the system's
// case-insensitive comparison of ANSI names does: ASCII letters, the accented
// letters (0xC0-0xDE but the multiplication sign) and the three letters of
// 0x8A, 0x8C, 0x8E and Y with diaeresis fold to their small forms. The ini
// files and the keyed lists compare names through it.
#include <string>
#include <string_view>

namespace orvane::platform {

inline unsigned char FoldAnsiCase(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 16);
  if (c == 0x9F) return 0xFF;
  return c;
}

inline std::string FoldedAnsi(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(FoldAnsiCase(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace orvane::platform
