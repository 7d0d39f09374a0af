#include "imaging/io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <new>

#include "imaging/store.h"

namespace orvane::imaging::detail {

namespace {
// Files from this size on are mapped. Our own writers replace files by rename,
// which leaves a mapped file whole.
constexpr std::size_t kMapFrom = 4u << 20;
}  // namespace

FileBytes::~FileBytes() { Release(); }

void FileBytes::Release() {
  if (mapped_) ::munmap(const_cast<std::uint8_t*>(data_), size_);
  owned_.reset();
  data_ = nullptr;
  size_ = 0;
  mapped_ = false;
}

bool ReadWholeFile(const std::string& path, FileBytes& bytes) {
  bytes.Release();
  // O_NONBLOCK: opening a FIFO must not wait for a writer (regular files ignore it).
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? kFileNotFound : kInvalidPicture);
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            std::uint64_t(st.st_size) <= kMaxFileBytes;
  const std::size_t size = ok ? std::size_t(st.st_size) : 0;
  if (ok && size >= kMapFrom) {
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (map != MAP_FAILED) {
      bytes.data_ = static_cast<const std::uint8_t*>(map);
      bytes.size_ = size;
      bytes.mapped_ = true;
    }
  }
  if (ok && !bytes.mapped_) {
    bytes.owned_.reset(new (std::nothrow) std::uint8_t[size > 0 ? size : 1]);
    ok = bytes.owned_ != nullptr;
    std::size_t done = 0;
    while (ok && done < size) {
      const ssize_t n = ::read(fd, bytes.owned_.get() + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += std::size_t(n);
    }
    bytes.data_ = bytes.owned_.get();
    bytes.size_ = done;  // a file that shrank meanwhile is read as it is now
  }
  ::close(fd);
  if (!ok) {
    bytes.Release();
    SetLastError(kInvalidPicture);
  }
  return ok;
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
    failed_ = true;
    temp_.clear();
  }
}

AtomicFile::~AtomicFile() {
  if (file_) std::fclose(file_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFile::Write(const void* data, std::size_t size) {
  if (!ok() || size == 0) return;
  if (std::fwrite(data, 1, size, file_) != size) failed_ = true;
}

bool AtomicFile::Commit() {
  if (file_) {
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
  }
  if (!failed_ && ::rename(temp_.c_str(), target_.c_str()) == 0) {
    committed_ = true;
    return true;
  }
  failed_ = true;
  SetLastError(kPathFileAccess);
  return false;
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

}  // namespace orvane::imaging::detail
