#pragma once
// The slide-show window's sign of life for other programs: while a CaptionLock
// lives it holds an advisory lock on "DUZudaveZeved.lock" in a folder (the
// settings folder); IsCaptionLocked tests for it without blocking. The kernel
// drops the lock when the holding process dies, so a crash leaves nothing stale.
#include <string>

namespace orvane::platform {

inline constexpr const char* kCaptionLockName = "DUZudaveZeved.lock";

class CaptionLock {
 public:
  // folder ends in "/" or not; the lock file is created when missing.
  explicit CaptionLock(const std::string& folder);
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

}  // namespace orvane::platform
