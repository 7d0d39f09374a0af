#pragma once
// File access for the imaging library: whole-file reads with a size cap, and
// output files that appear only when complete (temporary name, then rename).
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orvane::imaging::detail {

// Largest input file read (a 20000 x 20000 24-bit bitmap and a little more).
constexpr std::uint64_t kMaxFileBytes = 1280ull * 1024 * 1024;

// Reads the whole file. On failure sets LastError (kFileNotFound when it does
// not exist, kInvalidPicture when it cannot be read or is too large).
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);

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
