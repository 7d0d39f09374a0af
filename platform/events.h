#pragma once
// The run-time statements the programs are written around.
namespace orvane::platform {

// Lets pending window-system events run once (QCoreApplication::processEvents).
void DoEvents();
// Ends the process at once, like the statement it stands for: every settings
// write is already atomic and the kernel drops the locks.
[[noreturn]] void End(int code = 0);

}  // namespace orvane::platform
