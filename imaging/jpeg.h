#pragma once
// JPEG decoding and encoding through the TurboJPEG API.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/store.h"

namespace orvane::imaging::detail {

bool LooksLikeJpeg(const std::uint8_t* data, std::size_t size);

// The scale factor (1, 1/2, 1/4 or 1/8 as a denominator 1, 2, 4, 8) with the
// smallest decoded size that still covers targetWidth x targetHeight; a target
// of 0 (or below) on both sides means full size.
int DctScaleDenominator(int width, int height, int targetWidth, int targetHeight);

// Decodes a JPEG held in memory, DCT-scaled as DctScaleDenominator says.
// Truncated or corrupt data, and decoded sizes above kMaxDimension per side, fail
// with kInvalidPicture.
std::unique_ptr<Picture> DecodeJpeg(const std::uint8_t* data, std::size_t size,
                                    int targetWidth = 0, int targetHeight = 0);
// As above, the target asked of `target` once the picture's own size is known.
std::unique_ptr<Picture> DecodeJpeg(const std::uint8_t* data, std::size_t size,
                                    const TargetForSize& target);

// Encodes a picture (4:2:0, the given quality); false on failure.
bool EncodeJpeg(const Picture& picture, int quality, std::vector<std::uint8_t>& out);

}  // namespace orvane::imaging::detail
