#include "imaging/picture_file.h"

#include <vector>

#include "imaging/bmp.h"
#include "imaging/io.h"
#include "imaging/jpeg.h"

namespace orvane::imaging {

namespace detail {

std::unique_ptr<Picture> DecodePicture(const std::uint8_t* data, std::size_t size,
                                       int targetWidth, int targetHeight) {
  if (LooksLikeJpeg(data, size)) return DecodeJpeg(data, size, targetWidth, targetHeight);
  if (LooksLikeBmp(data, size)) return DecodeBmp(data, size);
  SetLastError(kInvalidPicture);
  return nullptr;
}

std::unique_ptr<Picture> LoadPictureFile(const std::string& path, int targetWidth,
                                         int targetHeight) {
  FileBytes bytes;
  if (!ReadWholeFile(path, bytes)) return nullptr;
  return DecodePicture(bytes.data(), bytes.size(), targetWidth, targetHeight);
}

}  // namespace detail

using namespace detail;

Handle LoadBitMap(const std::string& file) {
  auto picture = LoadPictureFile(file);
  if (!picture) return kNoHandle;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

Handle LoadBitMapEx(const std::string& file, std::uint8_t red, std::uint8_t green,
                    std::uint8_t blue) {
  auto picture = LoadPictureFile(file);
  if (!picture) return kNoHandle;
  picture->colourKey = MakePixel(red, green, blue) & 0xFFFFFFu;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

Handle LoadBitMapScaled(const std::string& file, int targetWidth, int targetHeight) {
  auto picture = LoadPictureFile(file, targetWidth, targetHeight);
  if (!picture) return kNoHandle;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

Handle LoadWorkBuff(const std::string& file, int targetWidth, int targetHeight) {
  auto picture = LoadPictureFile(file, targetWidth, targetHeight);
  if (!picture) return kNoHandle;
  picture->isWorkBuffer = true;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

}  // namespace orvane::imaging
