#include "imaging/io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <new>

#include "imaging/store.h"

namespace orvane::imaging::detail {

namespace {
// Pieces a large file is read in, with a poll between them.
constexpr std::size_t kReadPiece = 4u << 20;
std::atomic<std::uint64_t> availableForTesting{0};
}  // namespace

int ErrorNumberOf(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return kFileNotFound;
    case ENOSPC:
    case EDQUOT: return kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS: return kPermissionDenied;
    case ENOMEM: return kOutOfMemory;
    default: return kPathFileAccess;
  }
}

std::uint64_t AvailableMemory() {
  if (const std::uint64_t forced = availableForTesting.load()) return forced;
  std::uint64_t available = 0;
  if (std::FILE* in = std::fopen("/proc/meminfo", "re")) {
    char line[128];
    unsigned long long kb = 0;
    while (std::fgets(line, sizeof line, in))
      if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1) {
        available = std::uint64_t(kb) * 1024;
        break;
      }
    std::fclose(in);
  }
  if (available == 0) {
    struct sysinfo info {};
    if (::sysinfo(&info) == 0)
      available = (std::uint64_t(info.freeram) + info.bufferram) * (info.mem_unit ? info.mem_unit : 1);
  }
  // Nothing known: do not refuse on a guess.
  return available ? available : UINT64_MAX;
}

void SetAvailableMemoryForTesting(std::uint64_t bytes) { availableForTesting = bytes; }

bool ReadWholeFile(const std::string& path, FileBytes& bytes, const std::function<bool()>& poll) {
  bytes.owned_.reset();
  bytes.size_ = 0;
  // O_NONBLOCK: opening a FIFO must not wait for a writer (regular files ignore it).
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    SetLastError(ErrorNumberOf(errno));
    return false;
  }
  struct stat st {};
  int error = kNoError;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) error = kPathFileAccess;
  else if (std::uint64_t(st.st_size) > kMaxFileBytes) error = kInvalidPicture;
  const std::size_t size = error ? 0 : std::size_t(st.st_size);
  if (!error) {
    bytes.owned_.reset(new (std::nothrow) std::uint8_t[size > 0 ? size : 1]);
    if (!bytes.owned_) error = kOutOfMemory;
  }
  std::size_t done = 0;
  while (!error && done < size) {
    const ssize_t n = ::read(fd, bytes.owned_.get() + done, std::min(size - done, kReadPiece));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = ErrorNumberOf(errno);
    if (n <= 0) break;  // a file that shrank meanwhile is read as it is now
    done += std::size_t(n);
    if (poll && done < size && poll()) error = kInvalidPicture;
  }
  ::close(fd);
  if (error) {
    bytes.owned_.reset();
    SetLastError(error);
    return false;
  }
  bytes.size_ = done;
  return true;
}

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
  static std::atomic<unsigned> counter{0};
  temp_ = target + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  const int fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    file_ = ::fdopen(fd, "wb");
    if (!file_) ::close(fd);
  }
  if (!file_) {
    Fail(errno);
    temp_.clear();
  }
}

void AtomicFile::Fail(int errnoValue) {
  // A missing folder for an output is an access error, not a missing file.
  const int number = ErrorNumberOf(errnoValue);
  if (!failed_) {
    error_ = number == kFileNotFound ? kPathFileAccess : number;
    SetLastWriteErrno(errnoValue);
  }
  failed_ = true;
}

AtomicFile::~AtomicFile() {
  if (file_) std::fclose(file_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFile::Write(const void* data, std::size_t size) {
  if (!ok() || size == 0) return;
  if (std::fwrite(data, 1, size, file_) != size) Fail(errno);
}

bool AtomicFile::Commit() {
  if (file_) {
    if (std::fflush(file_) != 0) Fail(errno);
    if (std::fclose(file_) != 0) Fail(errno);
    file_ = nullptr;
  }
  if (!failed_ && ::rename(temp_.c_str(), target_.c_str()) == 0) {
    committed_ = true;
    return true;
  }
  if (!failed_) Fail(errno);
  SetLastError(error_ ? error_ : kPathFileAccess);
  return false;
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

}  // namespace orvane::imaging::detail
