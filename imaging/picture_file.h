#pragma once
// Loading pictures by content (BMP or JPEG, whatever the file is called).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/store.h"

namespace orvane::imaging::detail {

// Decodes bytes held in memory; JPEGs are DCT-scaled to cover the target when
// one is given. nullptr and LastError on failure.
std::unique_ptr<Picture> DecodePicture(const std::uint8_t* data, std::size_t size,
                                       int targetWidth = 0, int targetHeight = 0);
std::unique_ptr<Picture> LoadPictureFile(const std::string& path, int targetWidth = 0,
                                         int targetHeight = 0);

}  // namespace orvane::imaging::detail
