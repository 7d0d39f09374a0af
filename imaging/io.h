#pragma once
// File access for the imaging library: whole-file reads with a size cap, and
// output files that appear only when complete (temporary name, then rename).
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace orvane::imaging::detail {

// Largest input file read (a 20000 x 20000 24-bit bitmap and a little more).
constexpr std::uint64_t kMaxFileBytes = 1280ull * 1024 * 1024;

// A file's bytes: large files are mapped rather than copied (a full-size
// bitmap is tens of megabytes, and copying it into fresh memory costs more than
// decoding it), small ones are read.
class FileBytes {
 public:
  FileBytes() = default;
  ~FileBytes();
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  friend bool ReadWholeFile(const std::string& path, FileBytes& bytes);
  void Release();
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
  std::unique_ptr<std::uint8_t[]> owned_;
};

// Reads the whole file. On failure sets LastError (kFileNotFound when it does
// not exist, kInvalidPicture when it cannot be read or is too large).
bool ReadWholeFile(const std::string& path, FileBytes& bytes);

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
  bool Commit();  // false (and LastError kPathFileAccess) when anything failed

 private:
  std::string target_;
  std::string temp_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  bool committed_ = false;
};

// Removes a file; a missing file is fine.
void RemoveFile(const std::string& path);

}  // namespace orvane::imaging::detail
