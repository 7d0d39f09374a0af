#pragma once
// Thumbnails for the settings dialog's lists, made through the imaging library.
#include <string>

namespace orvane::addset {

constexpr int kThumbnailWidth = 160;
constexpr int kThumbnailHeight = 120;

enum class ThumbnailResult { Made, Unreadable, NotWritten };

// Writes a 24-bit bitmap of the picture, fitted into 160 x 120 with its
// proportions kept, to thumbnail (through a temporary file beside it and a
// rename). Nothing is written when the picture cannot be read or the file
// cannot be written.
ThumbnailResult MakeThumbnail(const std::string& picture, const std::string& thumbnail);

}  // namespace orvane::addset
