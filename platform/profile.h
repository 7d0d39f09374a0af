#pragma once
// Private-profile (ini file) access with the behaviour the programs rely on:
// case-insensitive sections and keys, first match wins, blanks trimmed and one
// pair of surrounding quotes removed on read, the default when missing, key-list
// and section-list modes with NUL separators, an integer reader that stops at the
// first non-digit, CRLF written and CRLF or LF read. A bare file name (no folder)
// is looked up in the Windows folder. Writes are read-modify-write under an
// advisory lock on a sidecar file ("<file>.lock") and replace the file atomically.
//
// Values are bytes in the file's code page; nothing here converts them.
#include <optional>
#include <string>

namespace orvane::platform {

// GetPrivateProfileStringA. key empty (std::nullopt) lists the section's key
// names, each followed by NUL; section empty lists the section names likewise.
// The result is truncated to size - 1 characters like the system call (size - 2
// in the list modes, ending in two NULs); the returned count is what was copied.
struct ProfileString {
  std::string text;
  long count = 0;
};
ProfileString GetPrivateProfileString(const std::optional<std::string>& section,
                                      const std::optional<std::string>& key,
                                      const std::string& defaultValue, long size,
                                      const std::string& file);

// GetPrivateProfileIntA: the leading decimal digits (after blanks and one sign),
// the default when the key is missing, 0 when the value has no leading digits.
long GetPrivateProfileInt(const std::string& section, const std::string& key,
                          long defaultValue, const std::string& file);

// WritePrivateProfileStringA. key nullopt deletes the section; value nullopt
// deletes the key. Returns false when the file cannot be written.
bool WritePrivateProfileString(const std::string& section,
                               const std::optional<std::string>& key,
                               const std::optional<std::string>& value,
                               const std::string& file);

}  // namespace orvane::platform
