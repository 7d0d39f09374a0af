#include "addset/RunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace orvane::addset {

RunLock::RunLock(const std::string& programFolder, const std::function<void()>& waiting) {
  fd_ = open((programFolder + kLockFileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return;
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
  if (errno == EWOULDBLOCK && waiting) waiting();
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    close(fd_);
    fd_ = -1;
    return;
  }
}

RunLock::~RunLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace orvane::addset
