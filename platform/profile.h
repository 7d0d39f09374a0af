#pragma once
// Private-profile (ini file) access with the behaviour the programs rely on:
// case-insensitive sections and keys, first match wins, blanks trimmed and one
// pair of surrounding quotes removed on read, the default when missing, key-list
// and section-list modes with NUL separators, an integer reader that stops at the
// first non-digit, CRLF written and CRLF, LF or CR alone read. A bare file name (no folder)
// is looked up in the Windows folder; a file that does not exist as written is
// looked up without regard to case (ResolveCaseInsensitive). Writes are
// read-modify-write under an advisory lock on a sidecar file ("<file>.lock") and
// replace the file atomically (temporary file in the same folder, then rename),
// keeping the file's mode and every line the write does not concern.
//
// The file format as read:
// - "[name]" starts a section (the name runs to the last "]" and is trimmed);
//   lines before the first section belong to none.
// - "key=value" is an entry: key and value are trimmed of blanks and tabs.
// - Lines starting with ";" are comments; lines without "=" are neither keys nor
//   values. Both are kept as they are when the file is rewritten.
// - A section that occurs twice is one section: its entries are searched in file
//   order and the first entry of a key wins.
// - A leading UTF-8 byte-order mark is skipped (and kept on rewrite).
// - Names compare without regard to case in ASCII and windows-1252.
// - Only the first 16 MiB of a file are read; larger files are never rewritten.
//
// Reads go through a parsed copy of the file kept in memory and checked against
// the file's identity (device, inode, size, modification and change times) on
// every call, so repeated reads of an unchanged file cost one stat and a change
// made by any process is seen by the next read.
//
// Values are bytes in the file's code page; nothing here converts them.
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace orvane::platform {

// GetPrivateProfileStringA. key empty (std::nullopt) lists the section's key
// names, each followed by NUL (each name once); section empty lists the section
// names likewise. The result is truncated to size - 1 characters like the system
// call (size - 2 in the list modes); the returned count is what was copied and
// text holds exactly those count characters (in the list modes without the final
// extra NUL). A missing key, a key "" or a list without names gives the default
// (trailing blanks removed, one pair of surrounding quotes too).
struct ProfileString {
  std::string text;
  long count = 0;
};
ProfileString GetPrivateProfileString(const std::optional<std::string>& section,
                                      const std::optional<std::string>& key,
                                      const std::string& defaultValue, long size,
                                      const std::string& file);

// GetPrivateProfileIntA: the leading decimal digits (after blanks and one sign),
// the default when the key is missing or its value empty, 0 when the value has no
// leading digits. The number wraps modulo 2^32 as the system's reader does
// ("4294967297" reads 1, "4294967295" reads -1).
long GetPrivateProfileInt(const std::string& section, const std::string& key,
                          long defaultValue, const std::string& file);

// WritePrivateProfileStringA. key nullopt deletes the section; value nullopt
// deletes the key (every entry of it). An existing entry keeps its position and
// the spelling of its key; a new key goes after the last entry of its section, a
// new section at the end of the file. Returns false when the file cannot be
// written: its folder is missing or not writable, the file is read-only (owner
// write bit clear), not a regular file or too large, or a name or the value
// cannot be stored as one line (line breaks or NUL anywhere; "=" in the key, or a
// key that is empty or starts with "[" or ";"). After a failed write errno
// tells why (EACCES for a read-only file, EINVAL for an edit that cannot be
// stored), for every write function below as well.
bool WritePrivateProfileString(const std::string& section,
                               const std::optional<std::string>& key,
                               const std::optional<std::string>& value,
                               const std::string& file);

// One edit of a batch, with the meaning of the WritePrivateProfileString
// arguments: key nullopt deletes the section, value nullopt deletes the key,
// else key = value is written.
struct ProfileEdit {
  std::string section;
  std::optional<std::string> key;
  std::optional<std::string> value;
};

// Batch write: applies every edit, in order, to one file as one change - one
// hold of the lock, one read, the edits in memory, one atomic replace - with the
// result a series of WritePrivateProfileString calls would have. Use it wherever
// many keys are written at once (a set import, a whole catalogue, a dialog's
// settings): a series of single writes reads and rewrites the whole file per key.
// All or nothing: false, with the file left as it was, when the file cannot be
// written or any edit could not be stored (see WritePrivateProfileString).
// An empty batch writes nothing and returns true when the file could be written.
bool WritePrivateProfileBatch(const std::vector<ProfileEdit>& edits, const std::string& file);

// Writes value under key and returns the value it replaced (empty when there
// was none), both under one hold of the file's lock, so a one-slot mailbox that
// another program fills can be read and cleared without losing a message.
// nullopt when the file cannot be written (nothing was read then).
std::optional<std::string> ExchangePrivateProfileString(const std::string& section,
                                                        const std::string& key,
                                                        const std::string& value,
                                                        const std::string& file);

// Creates file with contents (mode newFileMode, less the umask) unless it exists,
// under the same lock as the writes, so nothing another process wrote meanwhile
// is replaced. True when the file exists afterwards.
bool CreatePrivateProfileIfMissing(const std::string& file, const std::string& contents,
                                   mode_t newFileMode = 0666);

// The path a profile call with this file name works on (bare names in the
// Windows folder, "\" as "/", case-insensitive look-up).
std::string ProfilePath(const std::string& file);

}  // namespace orvane::platform
