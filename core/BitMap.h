#pragma once
// A loaded bitmap of the imaging library as an object; it unloads the bitmap
// when it goes.
#include <cstdint>
#include <string>

#include "imaging/imaging.h"

namespace orvane::core {

class BitMap {
 public:
  BitMap() = default;
  ~BitMap();
  BitMap(const BitMap&) = delete;
  BitMap& operator=(const BitMap&) = delete;

  // Unloads the bitmap held, then loads fileName with (red, green, blue) as its
  // transparent colour; true when loaded.
  bool InitBitmap(const std::string& fileName, std::uint8_t red, std::uint8_t green,
                  std::uint8_t blue);
  int Width() const;   // 0 without a bitmap
  int Height() const;  // 0 without a bitmap
  imaging::Handle hBMP() const { return handle_; }

 private:
  imaging::Handle handle_ = imaging::kNoHandle;
};

}  // namespace orvane::core
