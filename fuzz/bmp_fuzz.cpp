// Feeds arbitrary bytes to the BMP reader; a decoded picture is also reduced to
// 256 colours, which walks every pixel the reader produced.
#include <cstddef>
#include <cstdint>

#include "imaging/bmp.h"
#include "imaging/quantize.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvane::imaging::detail;
  pixelLimit = 1u << 22;  // keeps each run well inside the fuzzer's memory limit
  auto picture = DecodeBmp(data, size);
  if (picture && std::size_t(picture->width) * picture->height <= 1u << 20) {
    IndexedPicture indexed;
    ReduceTo256(*picture, indexed);
  }
  return 0;
}
