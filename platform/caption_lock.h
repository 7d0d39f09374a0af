#pragma once
// The slide-show window's sign of life for other programs: while a CaptionLock
// lives it holds an advisory lock on "DUZudaveZeved.lock" in a folder (the
// settings folder); IsCaptionLocked tests for it without blocking. The kernel
// drops the lock when the holding process dies, so a crash leaves nothing stale.
#include <functional>
#include <string>

namespace orvane::platform {

inline constexpr const char* kCaptionLockName = "DUZudaveZeved.lock";

class CaptionLock {
 public:
  // folder ends in "/" or not; the lock file is created when missing. While
  // another process has it only for a moment (WhileNoShowRuns), the lock is
  // tried again for up to waitMs milliseconds.
  explicit CaptionLock(const std::string& folder, int waitMs = 0);
  ~CaptionLock();
  CaptionLock(const CaptionLock&) = delete;
  CaptionLock& operator=(const CaptionLock&) = delete;

  // False when the file could not be opened or another holder has it.
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// True while some CaptionLock (in any process) holds the folder's lock file.
bool IsCaptionLocked(const std::string& folder);

// Runs work holding the folder's lock, when no CaptionLock holds it; false
// (work not run) when one does or no show ever made the lock file. A show killed without its end (SIGKILL,
// xkill) leaves flags that say it runs: work clears them, and a show that
// starts meanwhile waits for the lock before it sets them.
bool WhileNoShowRuns(const std::string& folder, const std::function<void()>& work);

}  // namespace orvane::platform
