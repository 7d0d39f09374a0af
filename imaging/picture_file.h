#pragma once
// Loading pictures by content (see formats.h), whatever the file is called.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "imaging/io.h"
#include "imaging/store.h"

namespace orvane::imaging::detail {

// Decodes bytes held in memory; JPEGs are DCT-scaled to cover the target when
// one is given. nullptr and LastError on failure.
std::unique_ptr<Picture> DecodePicture(const std::uint8_t* data, std::size_t size,
                                       int targetWidth = 0, int targetHeight = 0);
// As DecodePicture, for a file's bytes: with a poll function, a large picture is
// decoded on a worker thread while this one calls poll every 15 ms or so; true
// from poll gives up the result (nullptr) without waiting for the worker.
std::unique_ptr<Picture> DecodePolled(const std::shared_ptr<const FileBytes>& bytes,
                                      const TargetForSize& target,
                                      const std::function<bool()>& poll);
// A target that always answers targetWidth x targetHeight (none for 0 x 0).
TargetForSize FixedTarget(int targetWidth, int targetHeight);
// Reads and decodes a picture file, polling the load callback when one is set.
std::unique_ptr<Picture> LoadPictureFile(const std::string& path, int targetWidth = 0,
                                         int targetHeight = 0);
// As above, the target asked of `target` with the picture's own size (bitmaps
// load at their own size whatever it answers).
std::unique_ptr<Picture> DecodePicture(const std::uint8_t* data, std::size_t size,
                                       const TargetForSize& target);
std::unique_ptr<Picture> LoadPictureFile(const std::string& path, const TargetForSize& target);

// Keeps the picture that was just written as the bitmap file `path`, for one
// load of that same file: slide preparation decodes a JPEG to a temporary bitmap
// and loads it straight back, and reading tens of megabytes back costs a third
// of the whole preparation. The file's identity (device, inode, size, change
// time) is checked on the load, so a file changed since is read as usual.
void RememberWrittenPicture(const std::string& path, std::unique_ptr<Picture> picture);

}  // namespace orvane::imaging::detail
