#pragma once
// One orvane-add-set run at a time per program folder: an flock on a hidden
// lock file there, so that a second run waits for the first instead of finding
// its half-made files.
#include <functional>
#include <string>

namespace orvane::addset {

inline constexpr const char* kLockFileName = ".orvane-add-set.lock";

class RunLock {
 public:
  // Takes the lock of programFolder (ends in "/"); while another run holds it,
  // calls waiting once and waits. Without a lock file that can be opened (a
  // program folder that cannot be written) the run goes on unlocked.
  RunLock(const std::string& programFolder, const std::function<void()>& waiting);
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace orvane::addset
