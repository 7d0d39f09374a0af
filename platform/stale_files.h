#pragma once
// Temporary files that a killed process leaves behind: the profile writer's
// ".<name>.tmp<pid>-<n>" beside an ini file, and the imaging library's
// "<name>.part-<pid>-<n>" beside a picture it writes. Both name the process
// that made them, so a later start can tell which are stale.
#include <string>

namespace orvane::platform {

// Removes, from folder (not below it), the temporary files of processes that
// no longer run. Files of running processes (this one included) stay. Returns
// how many were removed.
int RemoveStaleTemporaryFiles(const std::string& folder);

}  // namespace orvane::platform
