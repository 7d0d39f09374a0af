#pragma once
// The ".ilb" image-set library: reading, checking and extracting it.
//
// Layout, little-endian throughout:
//   int32 L1, set name (L1 bytes), int32 L2, second header string (L2 bytes),
//   then entries to the end of the file, each:
//   int32 nameLen, int32 size, name (nameLen bytes), data (size + 1 bytes).
// Entry data is size + 1 bytes long and is written whole: that is the file.
//
// A library is checked whole before anything of it is written (CheckLibrary);
// extraction streams each entry from the library to its file (the kernel copies
// it), so memory does not grow with the entry or library size.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvane::installer {

// One library of the run's collection.
struct clsILB {
  std::string szSetName;   // the header's set name (code-page bytes)
  std::string szDestDir;   // kept as the library record has it; no step reads it
  std::string szLibFile;   // full path of the library
  std::int64_t lSizeNeeded = 0;  // bytes needed in the program folder's file system
};

// Copies count bytes from offset of the file in to the file out (at its current
// position), by the kernel where it can, else through a fixed buffer. false with
// error set on failure (a full disk, a file that ended early).
bool CopyBytes(int in, std::int64_t offset, std::int64_t count, int out, std::string& error);

// The fixed parts of the format.
inline constexpr int kMaxEntryNameBytes = 255;
inline constexpr int kMaxSetNameBytes = 255;

// One entry's header, as read.
struct LibraryEntry {
  std::string name;          // code-page bytes, checked to be a plain file name
  std::int64_t size = 0;     // the stored size value; the data is size + 1 bytes
  std::int64_t dataOffset = 0;
  std::int64_t DataBytes() const { return size + 1; }
};

// Sequential reader over one library file. Every header it hands out has been
// checked: lengths non-negative and inside the file, names plain file names.
// A problem is kept in Error() and ends the walk.
class LibraryReader {
 public:
  LibraryReader() = default;
  ~LibraryReader();
  LibraryReader(const LibraryReader&) = delete;
  LibraryReader& operator=(const LibraryReader&) = delete;

  // Opens the file and reads its header; false (with Error()) when either fails.
  bool Open(const std::string& path);
  const std::string& SetName() const { return setName_; }
  std::int64_t FileSize() const { return fileSize_; }

  // The next entry's header; the read position is then at its data. false at the
  // end of the file (Error() empty) or on a problem (Error() set).
  bool Next(LibraryEntry& entry);
  // Reads count bytes of the entry's data (at most its size + 1); nullopt on a
  // read error.
  std::optional<std::string> ReadData(const LibraryEntry& entry, std::int64_t count);
  // Copies the entry's size + 1 data bytes to the open file descriptor out. false
  // with errno-based Error() text on failure (a full disk, a read error).
  bool CopyData(const LibraryEntry& entry, int out);

  const std::string& Error() const { return error_; }
  int fd() const { return fd_; }

 private:
  bool Fail(std::string message);
  bool ReadExact(std::int64_t offset, void* buffer, std::int64_t count);

  int fd_ = -1;
  std::string path_;
  std::string setName_;
  std::int64_t fileSize_ = 0;
  std::int64_t position_ = 0;
  int entryIndex_ = 0;
  std::string error_;
};

// frmExtractor.ReadLibraryHeader: the library's record (set name and file), or
// nullopt when its header cannot be read.
std::optional<clsILB> ReadLibraryHeader(const std::string& fileName);

// True when name (code-page bytes) may be used as one file or folder name: 1 to
// 255 bytes, also in UTF-8; no "/", "\", ":", control characters or wildcards;
// not "." or "..".
bool IsPlainName(const std::string& name);
// The name as it is stored on disk (UTF-8).
std::string DiskName(const std::string& name);

// What a whole check of a library found.
struct LibraryCheck {
  std::string error;               // UTF-8; empty: the library may be installed
  std::string setName;
  std::int64_t entryCount = 0;
  std::string folder;              // the set's folder below the program folder, ending in "/"
  std::optional<std::string> license;  // the text of the first "license.txt" entry
};

// Walks every entry of the library, checks the whole file and works out the
// set's folder (frmExtractor.GetSetFolder): "Bonus/" without an "images.ini"
// entry; else the value for the set name in the [SetDescriptions] section of the
// first "images.ini" entry, or the library's file title when it has none. The "images.ini" entry is read in memory
// and looked up through a private temporary file; nothing in the program folder
// is touched. The folder must be one plain folder name.
LibraryCheck CheckLibrary(const std::string& libFile);

// Checks the whole library (CheckLibrary) and only then writes every entry into
// programFolder + the set's folder (created when missing). Each entry goes to a temporary name in the set folder; only when all
// of them are written are they renamed to their names. A failure (a full disk,
// no permission, a library that changed under us) removes the temporary files
// and the set folder when this call created it and it is empty, so nothing of
// the set is left half written. The set folder must resolve inside the program
// folder; no symbolic link below it is followed. onEntry is called with each
// entry's name before it is written.
struct ExtractResult {
  std::string error;  // UTF-8; empty on success
  std::string folder;  // the set's folder, ending in "/"
  std::int64_t files = 0;
};
ExtractResult ExtractLibrary(const std::string& libFile, const std::string& programFolder,
                             const std::function<void(const std::string&)>& onEntry = {});

// Copies the regular files directly in source (no sub-folders) into
// programFolder + folderName (created when missing), each through a temporary
// name and a rename, so no file is left half copied. A destination that is the
// source itself, or that leads out of the program folder, copies nothing.
struct CopyResult {
  std::string error;                 // UTF-8; the whole copy failed
  std::int64_t copied = 0;
  std::vector<std::string> failed;   // "name: reason" of each file not copied
};
CopyResult CopyFolderFiles(const std::string& source, const std::string& programFolder,
                           const std::string& folderName,
                           const std::function<void(const std::string&)>& onFile = {});

// A library as bytes, for the tools that make them: each file's size value is
// its length - 1, so the size + 1 data bytes extract to exactly the file (every
// file must hold at least one byte). Names are code-page bytes.
struct LibraryFile {
  std::string name;
  std::string bytes;
};
std::string EncodeLibrary(const std::string& setName, const std::vector<LibraryFile>& files,
                          const std::string& secondString = "");

// SplitPath(path, drive, directory, file title, extension): "\" and "/" both
// separate. Nothing is set when the path has no separator.
void SplitPath(const std::string& path, std::string& drive, std::string& directory,
               std::string& fileTitle, std::string& extension);

}  // namespace orvane::installer
