#pragma once
// The registry, kept in two hive files in the machine-state folder,
// "HKEY_LOCAL_MACHINE.reg" and "HKEY_CURRENT_USER.reg", in the profile format
// (section = key path with "\" separators, "@" = default value). Same locking and
// atomic replace as the profile API. A new HKEY_CURRENT_USER hive (mode 0600, as
// it may hold the password hash) holds what every user profile has:
// "Control Panel\desktop" with "ScreenSaveUsePassword" = 0.
//
// Values are plain strings (the programs store only text), written in double
// quotes so that blanks and quotes at either end survive the round trip. Key paths
// and value names compare without regard to case; leading, trailing and doubled
// "\" in a key path are ignored. A key exists when it or a key below it has a
// section in the hive.
#include <optional>
#include <string>

namespace orvane::platform {

enum class Hive { LocalMachine, CurrentUser };

// The hive's file, MachineStateFolder() + "HKEY_LOCAL_MACHINE.reg" or
// "HKEY_CURRENT_USER.reg".
std::string HiveFile(Hive hive);

// True when the key exists (RegOpenKeyExA succeeds).
bool RegKeyExists(Hive hive, const std::string& keyPath);
// The value's data, or nullopt when the key or value is missing. name "" or "@"
// is the default value.
std::optional<std::string> RegQueryValue(Hive hive, const std::string& keyPath,
                                         const std::string& name);
// Creates the key when needed and sets the value; false when it cannot be written
// (the hive cannot be written, an empty key path, a name holding "=", or data
// holding a line break or NUL).
bool RegSetValue(Hive hive, const std::string& keyPath, const std::string& name,
                 const std::string& data);

}  // namespace orvane::platform
