#pragma once
// File access for the imaging library: whole-file reads with a size cap, and
// output files that appear only when complete (temporary name, then rename).
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvane::imaging::detail {

// Largest input file read (a 20000 x 20000 24-bit bitmap and a little more).
constexpr std::uint64_t kMaxFileBytes = 1280ull * 1024 * 1024;

// A file's bytes, read into memory. Never mapped: a file that another program
// truncates while it is decoded (a synced set folder, a copy over it) would
// kill the program with SIGBUS; a copy only ever holds what was read.
class FileBytes {
 public:
  FileBytes() = default;
  ~FileBytes() = default;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  const std::uint8_t* data() const { return owned_.get(); }
  std::size_t size() const { return size_; }

 private:
  friend bool ReadWholeFile(const std::string& path, FileBytes& bytes,
                            const std::function<bool()>& poll);
  std::size_t size_ = 0;
  std::unique_ptr<std::uint8_t[]> owned_;
};

// Reads the whole file (regular files only, opened without blocking). poll, when
// given, is called between pieces of a large file; true from it stops the read.
// On failure sets LastError: kFileNotFound when it does not exist,
// kPermissionDenied, kPathFileAccess when it is no regular file or reading
// fails, kInvalidPicture when it is too large, kOutOfMemory.
bool ReadWholeFile(const std::string& path, FileBytes& bytes,
                   const std::function<bool()>& poll = {});

// The run time's error number for a failed open, read or write (errno).
int ErrorNumberOf(int error);

// Bytes of memory the machine has free (MemAvailable), or the figure set by
// SetAvailableMemoryForTesting.
std::uint64_t AvailableMemory();
// 0 returns to the machine's own figure.
void SetAvailableMemoryForTesting(std::uint64_t bytes);

// Writes to a temporary file beside the target; Commit() renames it over the
// target. Without a successful Commit() the temporary file is removed, so a
// failed or stopped conversion never leaves a half-written file.
class AtomicFile {
 public:
  explicit AtomicFile(const std::string& target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return file_ != nullptr && !failed_; }
  void Write(const void* data, std::size_t size);
  // false when anything failed, with LastError for the first failure (kDiskFull,
  // kPermissionDenied or kPathFileAccess).
  bool Commit();
  // The error number of the first failure (0 while there is none).
  int error() const { return error_; }

 private:
  std::string target_;
  std::string temp_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  int error_ = 0;
  bool committed_ = false;
  void Fail(int errnoValue);
};

// Removes a file; a missing file is fine.
void RemoveFile(const std::string& path);

}  // namespace orvane::imaging::detail
