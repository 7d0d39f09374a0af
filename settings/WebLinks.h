#pragma once
// The links the settings dialog opens. Addresses come from the image sets' own
// files, so only web addresses are opened from them (http, https and mailto, and
// an address written without a scheme that begins with a host name, as http);
// the one local page opened is the program folder's own "Help.html". An empty or
// refused address opens nothing, and nothing is ever handed to a shell.
#include <string>

namespace orvane::settings {

inline constexpr const char* kHelpFileName = "Help.html";

// Opens a web address taken from a set file or the settings file
// (platform::OpenWebLink). False, with nothing opened, for anything else.
bool OpenSetLink(const std::string& url);

// The support line: programFolder & "Help.html" when that file exists, else the
// support address (as OpenSetLink).
bool OpenSupportLink(const std::string& programFolder, const std::string& supportURL);

}  // namespace orvane::settings
