#pragma once
// The registry, kept in two hive files in the machine-state folder,
// "HKEY_LOCAL_MACHINE.reg" and "HKEY_CURRENT_USER.reg", in the profile format
// (section = key path, "@" = default value). Same locking and atomic replace as
// the profile API. A new HKEY_CURRENT_USER hive holds what every user profile
// has: "Control Panel\desktop" with "ScreenSaveUsePassword" = 0.
#include <optional>
#include <string>

namespace orvane::platform {

enum class Hive { LocalMachine, CurrentUser };

// True when the key exists (RegOpenKeyExA succeeds).
bool RegKeyExists(Hive hive, const std::string& keyPath);
// The value's data, or nullopt when the key or value is missing. name "" or "@"
// is the default value.
std::optional<std::string> RegQueryValue(Hive hive, const std::string& keyPath,
                                         const std::string& name);
// Creates the key when needed and sets the value; false when it cannot be written.
bool RegSetValue(Hive hive, const std::string& keyPath, const std::string& name,
                 const std::string& data);

}  // namespace orvane::platform
