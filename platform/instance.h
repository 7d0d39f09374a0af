#pragma once
// The previous-instance test: each program holds an advisory lock on a lock file
// of its own for as long as it runs. The kernel drops the lock when the process
// ends, however it ends, so nothing stale is ever left behind.
#include <string>

namespace orvane::platform {

// True when another process of the program is already running. The first call
// of a process that finds no other instance takes the lock and keeps it for the
// rest of the process's life; later calls give the same answer again.
// The lock file is "<program>.lock" in $XDG_RUNTIME_DIR, or
// "/tmp/<program>-<uid>.lock" when that is not set or cannot be used.
bool PrevInstance(const std::string& program);

// The lock file PrevInstance uses for a program.
std::string InstanceLockPath(const std::string& program);

}  // namespace orvane::platform
