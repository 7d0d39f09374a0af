#pragma once
// Folder look-ups and small helpers shared by the programs. Every folder returned
// ends in "/".
#include <string>

namespace orvane::core {

// Registry key whose default value names the installation (program) folder.
inline constexpr const char* kProgramPathKey = "Software\\Orvane\\Orvane Configuration\\ProgramPath";

// The user's settings folder (created on first use), with a trailing "/".
std::string GetSettingsFolder();

// The installation folder from the registry: HKEY_LOCAL_MACHINE first, then
// HKEY_CURRENT_USER. "\" in the stored value becomes "/" and a trailing "/" is
// added. A key that cannot be opened, or whose value is empty or not an absolute
// path, counts as missing: when neither hive has a usable one, shows
// "Unable to open registry key " & key and ends the process. A key whose value
// cannot be read shows "Error getting Registry Data" and returns "".
std::string GetProgramPath();

// The changer's variant: asks HKEY_LOCAL_MACHINE only, and where Orvane would end
// the process it shows the same message and returns "".
std::string GetChangerProgramPath();

// True when path names an existing file (not a folder). The folder part and the
// name are looked up without regard to case; "*" and "?" in the name match as
// Dir matches them (hidden dot files only by their exact name). attributes is
// accepted for the callers' sake; 0 (normal files) is the only value used.
bool FileExists(const std::string& path, long attributes = 0);

// Copies the program folder's template "ScreenSaver.ini" into folder when folder
// has none. Errors of the copy are ignored (no template: nothing happens).
void EnsureUserIni(const std::string& folder);
// The same with the template of programPath (nothing when it is "").
void EnsureUserIni(const std::string& folder, const std::string& programPath);

// The program folder the registry names, as GetProgramPath finds it, or ""
// when there is none usable - without a message and without ending the process.
std::string FindProgramPath();

// Reads ConfigTitle and PasswordTitle from folder & "config.ini".
void ReadWindowTitles(const std::string& folder);

// Each byte XOR 255 as three decimal digits, joined: "abc" gives "158157156".
std::string EncodePassword(const std::string& text);

}  // namespace orvane::core
