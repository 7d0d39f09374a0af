#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace orvane::platform {

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
  bytes.clear();
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer, and is
  // then refused as no regular file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (ok) {
    bytes.resize(std::min<std::size_t>(std::size_t(info.st_size), maxBytes));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ok = false;
      if (n <= 0) break;
      done += std::size_t(n);
    }
    bytes.resize(done);  // a file that shrank meanwhile is read as it is now
  }
  ::close(fd);
  if (!ok) bytes.clear();
  return ok;
}

}  // namespace orvane::platform
