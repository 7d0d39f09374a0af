#include "platform/caption_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace orvane::platform {

namespace {

std::string LockPath(const std::string& folder) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + kCaptionLockName;
}

int TryLock(int fd) {
  int rc;
  do rc = flock(fd, LOCK_EX | LOCK_NB);
  while (rc != 0 && errno == EINTR);
  return rc;
}

}  // namespace

CaptionLock::CaptionLock(const std::string& folder, int waitMs) {
  const int fd = open(LockPath(folder).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (TryLock(fd) != 0) {
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      close(fd);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  fd_ = fd;
}

CaptionLock::~CaptionLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

bool IsCaptionLocked(const std::string& folder) {
  // Opened without O_CREAT: a folder that never had a slide show has no file.
  const int fd = open(LockPath(folder).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool locked = TryLock(fd) != 0 && errno == EWOULDBLOCK;
  close(fd);  // also drops the probe's own lock when it got one
  return locked;
}

bool WhileNoShowRuns(const std::string& folder, const std::function<void()>& work) {
  // Without the file no show ever ran here (each one makes it), so nothing is stale.
  const int fd = open(LockPath(folder).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  if (TryLock(fd) != 0) {
    close(fd);
    return false;
  }
  work();
  close(fd);
  return true;
}

}  // namespace orvane::platform
