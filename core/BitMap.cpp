#include "core/BitMap.h"

namespace orvane::core {

namespace im = orvane::imaging;

BitMap::~BitMap() {
  if (handle_ > im::kNoHandle) im::UnloadBitMap(handle_);
}

bool BitMap::InitBitmap(const std::string& fileName, std::uint8_t red, std::uint8_t green,
                        std::uint8_t blue) {
  // The bitmap held before is released first, so reloading never leaks it.
  if (handle_ > im::kNoHandle) im::UnloadBitMap(handle_);
  handle_ = im::LoadBitMapEx(fileName, red, green, blue);
  return handle_ > im::kNoHandle;
}

int BitMap::Width() const {
  return handle_ > im::kNoHandle ? im::GetGCBitmapWidth(handle_) : 0;
}

int BitMap::Height() const {
  return handle_ > im::kNoHandle ? im::GetGCBitmapHeight(handle_) : 0;
}

}  // namespace orvane::core
