#pragma once
// What orvane-add-set says while it works, on standard error.
#include <string>

#include "addset/Thumbnail.h"

namespace orvane::addset {

// Progress of the thumbnails: on a terminal a count and a percentage written
// over in place; otherwise only the final line.
ThumbnailProgress StderrProgress();
// A line of its own on standard error, after the program's name.
void StderrNotice(const std::string& utf8);

}  // namespace orvane::addset
