#pragma once
// Picture files for the wallpaper tests: written through the imaging library
// (as a bitmap, so exact pixels can be probed, or as a real JPEG) and read back
// as an image.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <functional>
#include <string>

#include "imaging/imaging.h"

namespace orvane::test {

// A width x height picture whose pixels come from colour(x, y).
inline void WritePicture(const std::filesystem::path& file, int width, int height,
                         const std::function<QRgb(int, int)>& colour, bool jpeg = false) {
  namespace im = orvane::imaging;
  const im::Handle h = im::CreateWorkBuff(width, height, 0, 0);
  QImage image = im::WorkBuffImage(h);
  for (int y = 0; y < height; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) row[x] = colour(x, y);
  }
  const std::string bmp = file.string() + ".tmp.bmp";
  ASSERT_TRUE(im::SaveBitmap(jpeg ? bmp : file.string(), h));
  im::DestroyWorkBuff(h);
  if (jpeg) {
    ASSERT_TRUE(im::DoCompress(bmp, file.string()));
    std::filesystem::remove(bmp);
  }
}

// A bitmap of one colour.
inline void WritePicture(const std::filesystem::path& file, int width, int height, QRgb colour) {
  WritePicture(file, width, height, [colour](int, int) { return colour; });
}

// The picture a file holds, or a null image when it cannot be read.
inline QImage LoadPicture(const std::filesystem::path& file) {
  namespace im = orvane::imaging;
  const im::Handle h = im::LoadBitMap(file.string());
  if (h == im::kNoHandle) return {};
  QImage copy = im::WorkBuffImage(h).copy();
  im::UnloadBitMap(h);
  return copy;
}

}  // namespace orvane::test
