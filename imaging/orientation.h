#pragma once
// EXIF orientation: the tag read through libexif, and the picture turned (and
// mirrored) to be seen upright. Internal to the imaging library.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/imaging.h"
#include "imaging/store.h"

namespace orvane::imaging::detail {

// The orientation (1 to 8) a JPEG's EXIF block gives; 1 without one, with a
// broken one, or with a value outside 1 to 8. Only the segments before the
// frame header are looked at.
int JpegOrientation(const std::uint8_t* data, std::size_t size);

// Whether the orientation swaps width and height (5 to 8).
inline bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// The picture as it is seen: mirrored and turned as the orientation says.
// nullptr (and kOutOfMemory) when the turned copy cannot be made.
std::unique_ptr<Picture> Orient(std::unique_ptr<Picture> picture, int orientation);

// A JPEG decoded (DCT-scaled to the target, which is asked with the upright
// size and answers in it) and turned upright.
std::unique_ptr<Picture> DecodeJpegUpright(const std::uint8_t* data, std::size_t size,
                                           const TargetForSize& target);

// The upright size a JPEG declares (frame header and EXIF orientation), read
// without decoding; false when the data holds no frame header.
bool JpegUprightSize(const std::uint8_t* data, std::size_t size, int& width, int& height);

}  // namespace orvane::imaging::detail
