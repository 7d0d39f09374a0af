#include "platform/instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

namespace orvane::platform {

namespace {

std::string TmpLockPath(const std::string& program) {
  return "/tmp/" + program + "-" + std::to_string(getuid()) + ".lock";
}

// Close-on-exec, so programs started from here do not inherit the lock;
// no-follow, so a planted link in /tmp cannot redirect the open.
int OpenLockFile(const std::string& path) {
  return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

}  // namespace

std::string InstanceLockPath(const std::string& program) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) {
    std::string folder = runtime;
    if (folder.back() != '/') folder += '/';
    return folder + program + ".lock";
  }
  return TmpLockPath(program);
}

bool PrevInstance(const std::string& program) {
  static std::mutex mutex;
  static std::map<std::string, bool> answers;  // program -> another instance runs
  std::lock_guard<std::mutex> guard(mutex);
  if (const auto it = answers.find(program); it != answers.end()) return it->second;

  // A runtime folder that has gone missing falls back to /tmp, where every
  // instance of the same user looks as well.
  int fd = OpenLockFile(InstanceLockPath(program));
  if (fd < 0) fd = OpenLockFile(TmpLockPath(program));
  bool another = false;
  if (fd >= 0) {
    int rc;
    do rc = flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      another = errno == EWOULDBLOCK;
      close(fd);
    }
    // On success the descriptor stays open on purpose: it holds the lock.
  }
  // A lock file that cannot be opened at all must not stop the program: it then
  // runs as if it were alone.
  answers[program] = another;
  return another;
}

}  // namespace orvane::platform
