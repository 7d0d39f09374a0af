#include "core/BitMap.h"

#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <vector>

#include "imaging/imaging.h"
#include "tests/support/testenv.h"

namespace orvane::core {
namespace {

namespace im = orvane::imaging;

std::string SaveBmp(const std::string& name, int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  const std::string path = (test::MakeTempDir("bitmap-" + name) / name).string();
  EXPECT_TRUE(image.save(QString::fromStdString(path), "BMP"));
  return path;
}

TEST(BitMap, LoadsReplacesAndReleases) {
  const std::string small = SaveBmp("small.bmp", 3, 2, qRgb(200, 0, 0));
  const std::string large = SaveBmp("large.bmp", 9, 4, qRgb(0, 200, 0));
  // Released handles are given out again: releases are checked by counting.
  const int held = im::LiveHandleCount();
  {
    BitMap bitmap;
    EXPECT_EQ(bitmap.hBMP(), im::kNoHandle);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);

    ASSERT_TRUE(bitmap.InitBitmap(small, 0, 0, 0));
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(im::LiveHandleCount(), held + 1);

    // Loading again releases the bitmap held before.
    ASSERT_TRUE(bitmap.InitBitmap(large, 0, 0, 0));
    EXPECT_EQ(bitmap.Width(), 9);
    EXPECT_EQ(bitmap.Height(), 4);
    EXPECT_EQ(im::GetGCBitmapWidth(bitmap.hBMP()), 9);
    EXPECT_EQ(im::LiveHandleCount(), held + 1);

    EXPECT_FALSE(bitmap.InitBitmap(small + ".missing", 0, 0, 0));
    EXPECT_EQ(bitmap.hBMP(), im::kNoHandle);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(im::LiveHandleCount(), held);

    ASSERT_TRUE(bitmap.InitBitmap(small, 0, 0, 0));
    EXPECT_EQ(im::LiveHandleCount(), held + 1);
  }
  EXPECT_EQ(im::LiveHandleCount(), held);
}

TEST(BitMap, TransparentColourReachesTheLibrary) {
  const std::string keyed = SaveBmp("keyed.bmp", 2, 2, qRgb(1, 1, 1));
  BitMap bitmap;
  ASSERT_TRUE(bitmap.InitBitmap(keyed, 1, 1, 1));
  const im::Handle buffer = im::CreateWorkBuff(2, 2, 0, 0);
  im::WorkBuffImage(buffer).fill(qRgb(255, 0, 0));
  im::DoBlitToWork(buffer, 0, 0, bitmap.hBMP(), 0, 0, 0, 0, 1, 0, 0);
  EXPECT_EQ(im::WorkBuffImage(buffer).pixel(1, 1) & 0xFFFFFF, 0xFF0000u);
  im::DestroyWorkBuff(buffer);
}

}  // namespace
}  // namespace orvane::core
