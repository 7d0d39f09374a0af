#pragma once
// Reduction of a picture to 256 colours.
#include <cstdint>
#include <vector>

#include "imaging/progress.h"
#include "imaging/store.h"

namespace orvane::imaging::detail {

struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> indices;   // rows top-down
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB, at most 256
};

// A picture with at most 256 colours keeps them exactly; any other gets a
// median-cut palette and Floyd-Steinberg error diffusion. The dithering reports
// progress from `from` to `to`; false when the progress callback asked to stop.
bool ReduceTo256(const Picture& picture, IndexedPicture& out, Progress* progress = nullptr,
                 int from = 0, int to = 0);

}  // namespace orvane::imaging::detail
