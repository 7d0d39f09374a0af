#pragma once
// Opening a document with the user's own program (ShellExecuteA "open"): web
// addresses go to the browser or mail program, a local file to the program the
// desktop associates with it. Nothing is ever passed to a shell, and only
// http, https and mailto addresses and existing local files are opened; any
// other target is refused before anything runs.
#include <functional>
#include <string>

namespace orvane::platform {

// True for an http or https address with a host, or a mailto address with a
// recipient (scheme in any letter case), made only of the characters an address
// may hold. Blanks, control characters, quotes and the characters a shell would
// act on (` $ ; | < > \ ^ { }) are refused even where an address could encode them.
bool IsWebAddress(const std::string& target);

// The address a link of a set file (or one handed over by the slide show)
// stands for: a web address as it is written (IsWebAddress); one written without
// a scheme that begins with a host name ("www." and a name, or a name with a
// dot such as "example.com", then an optional ":port" and path) with "http://"
// in front, as a browser takes it; empty for anything else, a file name such as
// "Help.html" included.
std::string WebLinkAddress(const std::string& link);

// Opens a link as WebLinkAddress reads it. A link that is no web address opens
// nothing and is said once per link and run, on standard error and in the run
// log (runlog.h); an empty link opens nothing and says nothing. False when
// nothing was opened.
bool OpenWebLink(const std::string& link);

// Opens target: a web address (IsWebAddress), or the absolute path of an existing
// regular local file. False, with nothing run, for anything else ("file:" and
// other schemes, relative paths, an empty target) or when the desktop could not
// open it.
bool ShellExecuteOpen(const std::string& target);

// Test hook: receives what would be opened (the address, or "file://" and the
// path for a local file) instead of the desktop; its result is the open's. An
// empty function restores the desktop's opener.
void SetLaunchHandler(std::function<bool(const std::string& url)> handler);

}  // namespace orvane::platform
