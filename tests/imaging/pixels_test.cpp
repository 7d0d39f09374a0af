// Pixel work on buffers: mixing, colour keys, stretching.
#include <gtest/gtest.h>

#include <QImage>

#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "tests/imaging/imaging_fixtures.h"
#include "tests/support/testenv.h"

namespace orvane::imaging {
namespace {

using test::PixelAt;

void Fill(Handle h, QRgb colour) { WorkBuffImage(h).fill(colour); }

TEST(Mixing, TranslucencyLevels) {
  const struct {
    int level;
    std::uint32_t expected;
  } cases[] = {
      {0, 0x000000},  // opaque black panel
      {50, 0x64327D},  // half of (200, 100, 250), rounded
      {33, 0x422153},  // a third of the screen kept
      {100, 0xC864FA},
      {250, 0xC864FA},  // clamped to 100
      {-5, 0x000000},   // clamped to 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    const Handle buffer = CreateWorkBuff(8, 6, 0, 0);
    Fill(buffer, qRgb(200, 100, 250));
    const Handle panel = CreateBitMap(4, 3, 0, 0, 0);
    DoBlitToWorkWOP(buffer, 2, 1, panel, 0, 0, 0, 0, 1, 0, c.level, 0);
    EXPECT_EQ(PixelAt(buffer, 2, 1), c.expected);
    EXPECT_EQ(PixelAt(buffer, 5, 3), c.expected);
    EXPECT_EQ(PixelAt(buffer, 1, 1), 0xC864FAu) << "outside the bitmap";
    EXPECT_EQ(PixelAt(buffer, 6, 1), 0xC864FAu);
    EXPECT_EQ(PixelAt(buffer, 2, 4), 0xC864FAu);
    UnloadBitMap(panel);
    DestroyWorkBuff(buffer);
  }
}

TEST(Mixing, PartOfTheBitmapAndClipping) {
  const Handle buffer = CreateWorkBuff(10, 10, 0, 0);
  Fill(buffer, qRgb(100, 100, 100));
  const Handle white = CreateBitMap(20, 20, 255, 255, 255);
  // A 3 x 2 part, half the screen kept; the part hangs over the left edge.
  DoBlitToWorkWOP(buffer, -1, 4, white, 5, 5, 3, 2, 1, 0, 50, 0);
  EXPECT_EQ(PixelAt(buffer, 0, 4), 0xB2B2B2u);  // (255 + 100) / 2 rounded
  EXPECT_EQ(PixelAt(buffer, 1, 5), 0xB2B2B2u);
  EXPECT_EQ(PixelAt(buffer, 2, 4), 0x646464u);
  EXPECT_EQ(PixelAt(buffer, 0, 6), 0x646464u);
  // The whole bitmap, larger than the buffer, at a negative place: all covered.
  DoBlitToWorkWOP(buffer, -5, -5, white, 0, 0, 0, 0, 1, 0, 0, 0);
  EXPECT_EQ(PixelAt(buffer, 9, 9), 0xFFFFFFu);
  DoBlitToWorkWOP(buffer, 0, 0, kNoHandle, 0, 0, 0, 0, 1, 0, 0, 0);  // no-op
  DoBlitToWorkWOP(kNoHandle, 0, 0, white, 0, 0, 0, 0, 1, 0, 0, 0);
}

TEST(Blitting, ColourKeyIsTransparentOnlyWithFlagOne) {
  const std::string file = (orvane::test::MakeTempDir("key") / "calendar.bmp").string();
  const Handle source = CreateWorkBuff(3, 1, 0, 0);
  QImage image = WorkBuffImage(source);
  image.setPixel(0, 0, qRgb(1, 1, 1));
  image.setPixel(1, 0, qRgb(200, 0, 0));
  image.setPixel(2, 0, qRgb(1, 1, 2));  // near the key, but not it
  ASSERT_TRUE(SaveBitmap(file, source));
  const Handle keyed = LoadBitMapEx(file, 1, 1, 1);
  const Handle plain = LoadBitMap(file);
  ASSERT_GE(keyed, 0);
  const struct {
    const char* name;
    Handle bitmap;
    int flag;
    std::uint32_t first;
  } cases[] = {
      {"key with flag 1", keyed, 1, 0x00FF00},
      {"key with flag 0", keyed, 0, 0x010101},
      {"no key with flag 1", plain, 1, 0x010101},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Handle buffer = CreateWorkBuff(5, 2, 0, 0);
    Fill(buffer, qRgb(0, 255, 0));
    DoBlitToWork(buffer, 1, 1, c.bitmap, 0, 0, 0, 0, c.flag, 0, 0);
    EXPECT_EQ(PixelAt(buffer, 1, 1), c.first);
    EXPECT_EQ(PixelAt(buffer, 2, 1), 0xC80000u);
    EXPECT_EQ(PixelAt(buffer, 3, 1), 0x010102u);
    EXPECT_EQ(PixelAt(buffer, 4, 1), 0x00FF00u);
    EXPECT_EQ(PixelAt(buffer, 1, 0), 0x00FF00u);
    DestroyWorkBuff(buffer);
  }
}

struct StretchFixture {
  Handle src, dst;
  DeviceContext srcDC, dstDC;
  StretchFixture(int sw, int sh, int dw, int dh)
      : src(CreateWorkBuff(sw, sh, 0, 0)), dst(CreateWorkBuff(dw, dh, 0, 0)),
        srcDC(GetWorkBuffHDC(src)), dstDC(GetWorkBuffHDC(dst)) {}
  ~StretchFixture() {
    DestroyWorkBuff(src);
    DestroyWorkBuff(dst);
  }
};

TEST(Stretching, HalftoneKeepsFlatColourFlat) {
  const struct {
    int sw, sh, dw, dh;
  } cases[] = {{7, 5, 3, 2}, {3, 2, 11, 7}, {100, 100, 33, 17}, {5, 9, 5, 9}, {640, 480, 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.sw) + "x" + std::to_string(c.sh) + " to " +
                 std::to_string(c.dw) + "x" + std::to_string(c.dh));
    StretchFixture f(c.sw, c.sh, c.dw, c.dh);
    Fill(f.src, qRgb(255, 17, 254));
    EXPECT_EQ(SetStretchBltMode(f.dstDC, kHalftone), kBlackOnWhite);
    ASSERT_TRUE(StretchBlt(f.dstDC, 0, 0, c.dw, c.dh, f.srcDC, 0, 0, c.sw, c.sh));
    for (int y = 0; y < c.dh; ++y)
      for (int x = 0; x < c.dw; ++x) ASSERT_EQ(PixelAt(f.dst, x, y), 0xFF11FEu) << x << "," << y;
  }
}

TEST(Stretching, HalftoneAveragesAreas) {
  StretchFixture f(2, 2, 1, 1);
  QImage image = WorkBuffImage(f.src);
  image.setPixel(0, 0, qRgb(255, 255, 255));
  image.setPixel(1, 1, qRgb(255, 255, 255));
  image.setPixel(1, 0, qRgb(0, 0, 0));
  image.setPixel(0, 1, qRgb(0, 0, 0));
  SetStretchBltMode(f.dstDC, kHalftone);
  ASSERT_TRUE(StretchBlt(f.dstDC, 0, 0, 1, 1, f.srcDC, 0, 0, 2, 2));
  EXPECT_EQ(PixelAt(f.dst, 0, 0), 0x808080u);

  // Three columns to two: each output takes one and a half source pixels.
  StretchFixture g(3, 1, 2, 1);
  QImage row = WorkBuffImage(g.src);
  row.setPixel(0, 0, qRgb(0, 0, 0));
  row.setPixel(1, 0, qRgb(90, 90, 90));
  row.setPixel(2, 0, qRgb(210, 210, 210));
  SetStretchBltMode(g.dstDC, kHalftone);
  ASSERT_TRUE(StretchBlt(g.dstDC, 0, 0, 2, 1, g.srcDC, 0, 0, 3, 1));
  EXPECT_EQ(PixelAt(g.dst, 0, 0), 0x1E1E1Eu);  // (0 + 90 / 2) / 1.5
  EXPECT_EQ(PixelAt(g.dst, 1, 0), 0xAAAAAAu);  // (90 / 2 + 210) / 1.5
  // Mirrored, the same two averages swap places.
  ASSERT_TRUE(StretchBlt(g.dstDC, 2, 0, -2, 1, g.srcDC, 0, 0, 3, 1));
  EXPECT_EQ(PixelAt(g.dst, 0, 0), 0xAAAAAAu);
  EXPECT_EQ(PixelAt(g.dst, 1, 0), 0x1E1E1Eu);
  // A source rectangle hanging over the left edge repeats the edge pixel.
  ASSERT_TRUE(StretchBlt(g.dstDC, 0, 0, 2, 1, g.srcDC, -1, 0, 2, 1));
  EXPECT_EQ(PixelAt(g.dst, 0, 0), 0x000000u);
  EXPECT_EQ(PixelAt(g.dst, 1, 0), 0x000000u);
  ASSERT_TRUE(StretchBlt(g.dstDC, 0, 0, 2, 1, g.srcDC, 2, 0, 2, 1));
  EXPECT_EQ(PixelAt(g.dst, 0, 0), 0xD2D2D2u);
  EXPECT_EQ(PixelAt(g.dst, 1, 0), 0xD2D2D2u);
}

TEST(Stretching, NearestModeAndMirroringAndClipping) {
  StretchFixture f(2, 1, 4, 2);
  QImage image = WorkBuffImage(f.src);
  image.setPixel(0, 0, qRgb(10, 0, 0));
  image.setPixel(1, 0, qRgb(20, 0, 0));
  EXPECT_EQ(SetStretchBltMode(f.dstDC, kColorOnColor), kBlackOnWhite);
  ASSERT_TRUE(StretchBlt(f.dstDC, 0, 0, 4, 2, f.srcDC, 0, 0, 2, 1));
  const std::uint32_t want[] = {0x0A0000, 0x0A0000, 0x140000, 0x140000};
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(PixelAt(f.dst, x, 0), want[x]);
    EXPECT_EQ(PixelAt(f.dst, x, 1), want[x]);
  }
  // A negative destination width mirrors.
  ASSERT_TRUE(StretchBlt(f.dstDC, 4, 0, -4, 1, f.srcDC, 0, 0, 2, 1));
  EXPECT_EQ(PixelAt(f.dst, 0, 0), 0x140000u);
  EXPECT_EQ(PixelAt(f.dst, 3, 0), 0x0A0000u);
  // Destination partly outside, source rectangle partly outside: no crash, edge
  // pixels repeat, the visible part is drawn.
  Fill(f.dst, qRgb(0, 0, 0));
  ASSERT_TRUE(StretchBlt(f.dstDC, -2, -1, 8, 4, f.srcDC, -1, 0, 4, 1));
  EXPECT_EQ(PixelAt(f.dst, 0, 0), 0x0A0000u);
  EXPECT_EQ(PixelAt(f.dst, 3, 1), 0x140000u);
  EXPECT_FALSE(StretchBlt(f.dstDC, 0, 0, 4, 2, 0, 0, 0, 2, 1)) << "no source";
  EXPECT_EQ(SetStretchBltMode(0, kHalftone), 0);
}

TEST(Stretching, WithinOneBufferReadsTheOriginal) {
  const Handle buffer = CreateWorkBuff(4, 1, 0, 0);
  QImage image = WorkBuffImage(buffer);
  for (int x = 0; x < 4; ++x) image.setPixel(x, 0, qRgb(x * 10, 0, 0));
  const DeviceContext dc = GetWorkBuffHDC(buffer);
  // Doubles the first two pixels across the whole row.
  ASSERT_TRUE(StretchBlt(dc, 0, 0, 4, 1, dc, 0, 0, 2, 1));
  const std::uint32_t want[] = {0x000000, 0x000000, 0x0A0000, 0x0A0000};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelAt(buffer, x, 0), want[x]);
  DestroyWorkBuff(buffer);
}

}  // namespace
}  // namespace orvane::imaging
