#pragma once
// Reading files named by image sets. A set file may name anything: a FIFO
// would block an ordinary open (and the whole show with it) until a writer
// comes, a device could be read forever. These open without blocking and read
// only regular files.
#include <cstddef>
#include <string>

namespace orvane::platform {

// True when path (links followed) is a regular file.
bool IsRegularFile(const std::string& path);

// Reads up to maxBytes of a regular file into bytes. False (bytes empty) when
// it cannot be opened, is no regular file or cannot be read.
bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes);

}  // namespace orvane::platform
