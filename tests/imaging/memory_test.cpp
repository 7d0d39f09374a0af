// The memory behind buffers: the pool that large buffers are reused from, a
// buffer that is black only where its caller does not cover it, pixels handed
// to a QImage without a copy, a stretch computed band by band, and a stretch
// filtered in place as it goes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QImage>
#include <cstdint>
#include <cstdio>
#include <string>

#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "imaging/pixels.h"

namespace orvane::imaging {
namespace {

// Every pixel different: (x, y) -> a colour of its own.
void FillIndexed(Handle buffer) {
  QImage image = WorkBuffImage(buffer);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, qRgb((x * 7 + y) & 255, (y * 13) & 255, (x * y) & 255));
}

// The raw words, alpha byte included, so that a pixel without it shows.
bool SameWords(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (reinterpret_cast<const std::uint32_t*>(a.constScanLine(y))[x] !=
          reinterpret_cast<const std::uint32_t*>(b.constScanLine(y))[x])
        return false;
  return true;
}

TEST(BufferMemory, ReleasedLargeBuffersAreReusedWithinTheirSize) {
  detail::EmptyPixelPool();
  // 1024 x 1024 x 4 bytes: a pooled block (4 MiB).
  const Handle first = CreateWorkBuff(1024, 1024, 0, 0);
  const uchar* memory = WorkBuffImage(first).constBits();
  DestroyWorkBuff(first);
  EXPECT_EQ(detail::PooledPixelBlocks(), 1u);

  // A small picture (plain memory) does not take it; a larger one cannot; one
  // that fits does, and is black all the same.
  const Handle small = CreateWorkBuff(300, 300, 0, 0);
  const Handle larger = CreateWorkBuff(1100, 1024, 0, 0);
  EXPECT_EQ(detail::PooledPixelBlocks(), 1u);
  const Handle again = CreateWorkBuff(1000, 700, 0, 0);
  EXPECT_EQ(detail::PooledPixelBlocks(), 0u);
  EXPECT_EQ(WorkBuffImage(again).constBits(), memory);
  const QImage image = WorkBuffImage(again);
  for (int y = 0; y < image.height(); y += 97)
    for (int x = 0; x < image.width(); x += 89)
      ASSERT_EQ(image.pixel(x, y), 0xFF000000u) << x << "," << y;
  DestroyWorkBuff(again);
  DestroyWorkBuff(small);
  DestroyWorkBuff(larger);

  // The pool keeps a few blocks, not every one released.
  Handle many[8];
  for (Handle& h : many) h = CreateWorkBuff(1024, 1024, 0, 0);
  for (Handle h : many) DestroyWorkBuff(h);
  EXPECT_LE(detail::PooledPixelBlocks(), 4u);
  EXPECT_GE(detail::PooledPixelBlocks(), 1u);
  detail::EmptyPixelPool();
  EXPECT_EQ(detail::PooledPixelBytes(), 0u);
}

// Resident memory of this process, in bytes.
std::size_t Resident();

TEST(BufferMemory, ASmallerPictureHandsBackWhatItDoesNotNeedOfAPooledBlock) {
  detail::EmptyPixelPool();
  constexpr std::size_t kMiB = std::size_t(1) << 20;
  const Handle large = CreateWorkBuff(2048, 2048, 0, 0);  // 16 MiB, every page used
  FillIndexed(large);
  const uchar* memory = WorkBuffImage(large).constBits();
  DestroyWorkBuff(large);
  ASSERT_EQ(detail::PooledPixelBytes(), 16 * kMiB);
  const std::size_t pooled = Resident();

  // A 4 MiB picture is made in the block's start; the other 12 MiB go back.
  const Handle small = CreateWorkBuff(1024, 1024, 0, 0);
  EXPECT_EQ(WorkBuffImage(small).constBits(), memory);
  EXPECT_LT(Resident() + 10 * kMiB, pooled);
  DestroyWorkBuff(small);
  EXPECT_EQ(detail::PooledPixelBytes(), 4 * kMiB);

  // Between slides nothing spare stays.
  ReleaseSpareMemory();
  EXPECT_EQ(detail::PooledPixelBlocks(), 0u);
}

TEST(BufferMemory, ABitmapBecomesAWorkBufferWithoutACopy) {
  for (const int size : {40, 1200}) {  // operator new and pooled memory
    SCOPED_TRACE(size);
    const Handle bitmap = CreateBitMap(size, size / 2, 0, 0, 0);
    FillIndexed(bitmap);
    const QImage before = WorkBuffImage(bitmap).copy();
    const uchar* memory = WorkBuffImage(bitmap).constBits();
    EXPECT_EQ(GetWorkBuffHDC(bitmap), 0u);
    ASSERT_TRUE(MakeWorkBuff(bitmap));
    EXPECT_NE(GetWorkBuffHDC(bitmap), 0u);
    EXPECT_EQ(WorkBuffImage(bitmap).constBits(), memory);
    EXPECT_TRUE(SameWords(WorkBuffImage(bitmap), before));
    EXPECT_FALSE(MakeWorkBuff(bitmap)) << "a work buffer already";
    DestroyWorkBuff(bitmap);
  }
  EXPECT_FALSE(MakeWorkBuff(kNoHandle));
  EXPECT_FALSE(MakeWorkBuff(12345));
}

std::size_t Resident() {
  std::FILE* in = std::fopen("/proc/self/statm", "r");
  if (!in) return 0;
  unsigned long size = 0, resident = 0;
  const int read = std::fscanf(in, "%lu %lu", &size, &resident);
  std::fclose(in);
  return read == 2 ? std::size_t(resident) * std::size_t(sysconf(_SC_PAGESIZE)) : 0;
}

TEST(BufferMemory, AFilledBufferTakesNoMemoryUntilItsPixelsAreUsed) {
  detail::EmptyPixelPool();
  constexpr std::size_t kBytes = 4000u * 2000u * 4u;  // 32 MB
  const std::size_t start = Resident();
  const Handle buffer = CreateWorkBuff(4000, 2000, 0, 0);
  const Handle bitmap = CreateBitMap(4000, 2000, 10, 20, 30);
  ASSERT_GE(buffer, 0);
  ASSERT_GE(bitmap, 0);
  // Questions about the buffers, and a new colour, leave the pixels alone.
  EXPECT_EQ(GetGCBitmapWidth(buffer), 4000);
  EXPECT_EQ(GetGCBitmapHeight(bitmap), 2000);
  const DeviceContext dc = GetWorkBuffHDC(buffer);
  EXPECT_EQ(HandleOfDC(dc), buffer);
  SetStretchBltMode(dc, kHalftone);
  FillWorkBuff(buffer, 1, 2, 3);
  EXPECT_LT(Resident(), start + kBytes / 4);

  // Used, they have their colours; the bitmap copied in reads as its colour.
  const Handle small = CreateWorkBuff(8, 8, 0, 0);
  FillWorkBuff(small, 200, 100, 50);
  DoBlitToWork(buffer, 3990, 1995, small);
  const QImage image = WorkBuffImage(buffer);
  EXPECT_GE(Resident(), start + kBytes * 3 / 4);
  EXPECT_EQ(reinterpret_cast<const std::uint32_t*>(image.constScanLine(0))[0], 0xFF010203u);
  EXPECT_EQ(image.pixel(3999, 1999), 0xFF010203u) << "outside the copy";
  EXPECT_EQ(image.pixel(3990, 1995), 0xFFC86432u);
  EXPECT_EQ(WorkBuffImage(small).pixel(7, 7), 0xFFC86432u);
  const QImage taken = TakeBitmapImage(bitmap);
  EXPECT_EQ(taken.pixel(2500, 1500), 0xFF0A141Eu);
  // A view of pixels in use sees a later fill at once.
  FillWorkBuff(buffer, 9, 9, 9);
  EXPECT_EQ(image.pixel(3990, 1995), 0xFF090909u);
  EXPECT_EQ(reinterpret_cast<const std::uint32_t*>(image.constScanLine(1999))[3999], 0xFF090909u);
  DestroyWorkBuff(small);
  DestroyWorkBuff(buffer);
  detail::EmptyPixelPool();
}

TEST(BufferMemory, BlackOutsideLeavesOnlyTheCoveredPartToTheCaller) {
  // Large enough to come from the pool, which holds an older picture.
  constexpr int kW = 520, kH = 505;
  const struct {
    int x, y, w, h;
  } cases[] = {
      {30, 20, 50, 40},     // inside
      {-40, -30, 80, 60},   // over the top-left corner
      {480, 470, 200, 200}, // over the bottom-right corner
      {-5, 100, 600, 3},    // across the whole width
      {0, 0, kW, kH},       // the whole buffer
      {600, 600, 5, 5},     // outside: all black
      {20, 20, 0, 40},      // empty: all black
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y) + " " + std::to_string(c.w) +
                 "x" + std::to_string(c.h));
    const Handle old = CreateWorkBuff(kW, kH, 0, 0);
    FillIndexed(old);
    DestroyWorkBuff(old);
    const Handle buffer = CreateWorkBuffBlackOutside(kW, kH, c.x, c.y, c.w, c.h);
    ASSERT_GE(buffer, 0);
    // The caller's part: white.
    if (c.w > 0 && c.h > 0) {
      const Handle cover = CreateWorkBuff(c.w, c.h, 0, 0);
      QImage(WorkBuffImage(cover)).fill(0xFFFFFFFFu);
      BitBlt(GetWorkBuffHDC(buffer), c.x, c.y, c.w, c.h, GetWorkBuffHDC(cover), 0, 0);
      DestroyWorkBuff(cover);
    }
    QImage want(kW, kH, QImage::Format_RGB32);
    want.fill(0xFF000000u);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        if (x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h) want.setPixel(x, y, 0xFFFFFFFFu);
    EXPECT_TRUE(SameWords(WorkBuffImage(buffer), want));
    DestroyWorkBuff(buffer);
  }
  EXPECT_EQ(CreateWorkBuffBlackOutside(0, 5, 0, 0, 1, 1), kNoHandle);
}

TEST(BufferMemory, TakenPixelsOutliveTheirHandleWithoutACopy) {
  for (const int size : {40, 1200}) {  // operator new and pooled memory
    SCOPED_TRACE(size);
    const int before = LiveHandleCount();
    const Handle bitmap = CreateBitMap(size, size / 2, 0, 0, 0);
    FillIndexed(bitmap);
    const QImage view = WorkBuffImage(bitmap).copy();
    const uchar* memory = WorkBuffImage(bitmap).constBits();
    QImage taken = TakeBitmapImage(bitmap);
    EXPECT_EQ(LiveHandleCount(), before) << "the handle is released";
    EXPECT_EQ(taken.constBits(), memory) << "no copy";
    EXPECT_EQ(taken.format(), QImage::Format_RGB32);
    EXPECT_EQ(taken.dotsPerMeterX(), 3780);
    // Other buffers made meanwhile do not touch it.
    const Handle other = CreateWorkBuff(size, size / 2, 0, 0);
    EXPECT_TRUE(SameWords(taken, view));
    DestroyWorkBuff(other);
    const QImage kept = taken;
    taken = QImage();
    EXPECT_TRUE(SameWords(kept, view));
  }
  EXPECT_TRUE(TakeBitmapImage(kNoHandle).isNull());
  EXPECT_TRUE(TakeBitmapImage(12345).isNull());
}

TEST(BufferMemory, StretchInBandsMatchesOneStretch) {
  const struct {
    int sw, sh, x, y, w, h, mode;
  } cases[] = {
      {90, 70, 3, 4, 31, 23, kHalftone},   // shrinking
      {13, 9, -5, -2, 40, 37, kHalftone},  // growing, over the edges
      {50, 40, 40, 33, -37, -29, kHalftone},  // mirrored both ways
      {17, 11, 1, -3, 30, 40, kColorOnColor},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    const Handle src = CreateWorkBuff(c.sw, c.sh, 0, 0);
    FillIndexed(src);
    const Handle whole = CreateWorkBuff(36, 32, 0, 0);
    const Handle banded = CreateWorkBuff(36, 32, 0, 0);
    SetStretchBltMode(GetWorkBuffHDC(whole), c.mode);
    SetStretchBltMode(GetWorkBuffHDC(banded), c.mode);
    ASSERT_TRUE(StretchBlt(GetWorkBuffHDC(whole), c.x, c.y, c.w, c.h, GetWorkBuffHDC(src), 0, 0,
                           c.sw, c.sh));
    // Uneven bands, from above the buffer to below it.
    for (int top = -4; top < 40; top += 5)
      ASSERT_TRUE(StretchBltRows(GetWorkBuffHDC(banded), c.x, c.y, c.w, c.h, GetWorkBuffHDC(src),
                                 0, 0, c.sw, c.sh, top, 5));
    EXPECT_TRUE(SameWords(WorkBuffImage(banded), WorkBuffImage(whole)));
    // A band writes its rows only.
    const Handle one = CreateWorkBuff(36, 32, 0, 0);
    SetStretchBltMode(GetWorkBuffHDC(one), c.mode);
    ASSERT_TRUE(StretchBltRows(GetWorkBuffHDC(one), c.x, c.y, c.w, c.h, GetWorkBuffHDC(src), 0, 0,
                               c.sw, c.sh, 10, 3));
    const QImage a = WorkBuffImage(one), b = WorkBuffImage(whole);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 36; ++x)
        ASSERT_EQ(a.pixel(x, y), y >= 10 && y < 13 ? b.pixel(x, y) : 0xFF000000u) << x << "," << y;
    for (Handle h : {src, whole, banded, one}) DestroyWorkBuff(h);
  }
}

// The one-pass stretch and filter gives the pixels of a stretch and then a
// filter of the whole buffer: borders on any side, the picture over the edges,
// one-pixel buffers, mirrored and nearest-pixel stretches, and buffers large
// enough to be shared between threads (the rows beside each part).
TEST(BufferMemory, StretchFilteredMatchesStretchThenFilter) {
  const struct {
    int bw, bh, sw, sh, x, y, w, h, mode;
  } cases[] = {
      {64, 40, 30, 25, 9, 0, 46, 40, kHalftone},     // black left and right
      {50, 61, 20, 10, 0, 17, 50, 25, kHalftone},    // black above and below
      {33, 21, 31, 19, 1, 1, 31, 19, kHalftone},     // one black line all round
      {60, 40, 17, 11, -5, -3, 70, 50, kHalftone},   // over every edge
      {37, 29, 9, 7, 2, 3, 30, 20, kHalftone},       // odd sizes, black on all sides
      {1, 9, 1, 3, 0, 0, 1, 9, kHalftone},
      {9, 1, 3, 1, 0, 0, 9, 1, kHalftone},
      {20, 20, 5, 5, 25, 0, 10, 10, kHalftone},      // wholly outside
      {50, 40, 21, 17, 45, 36, -40, -30, kHalftone},  // mirrored both ways
      {45, 30, 17, 11, 3, 2, 40, 26, kColorOnColor},
      {1401, 1000, 500, 400, 151, 0, 1100, 1000, kHalftone},
      {1800, 1250, 600, 400, 0, 24, 1800, 1200, kHalftone},
  };
  SetFilterProgressCallback(nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.bw) + "x" + std::to_string(c.bh) + " at " +
                 std::to_string(c.x) + "," + std::to_string(c.y));
    const Handle src = CreateWorkBuff(c.sw, c.sh, 0, 0);
    FillIndexed(src);
    const Handle separate = CreateWorkBuff(c.bw, c.bh, 0, 0);
    const Handle fused = CreateWorkBuff(c.bw, c.bh, 0, 0);
    SetStretchBltMode(GetWorkBuffHDC(separate), c.mode);
    SetStretchBltMode(GetWorkBuffHDC(fused), c.mode);
    ASSERT_TRUE(StretchBlt(GetWorkBuffHDC(separate), c.x, c.y, c.w, c.h, GetWorkBuffHDC(src), 0,
                           0, c.sw, c.sh));
    ASSERT_TRUE(FilterBitmap(separate));
    ASSERT_TRUE(StretchBltFiltered(GetWorkBuffHDC(fused), c.x, c.y, c.w, c.h, GetWorkBuffHDC(src),
                                   0, 0, c.sw, c.sh));
    EXPECT_TRUE(SameWords(WorkBuffImage(fused), WorkBuffImage(separate)));
    for (Handle h : {src, separate, fused}) DestroyWorkBuff(h);
  }
}

// Stopped from the filter's callback, the pass says so.
std::int16_t KillAtHalf(std::int16_t value) {
  if (value >= 50) KillFilter();
  return 0;
}

TEST(BufferMemory, StretchFilteredStopsWhenKilled) {
  const Handle src = CreateWorkBuff(40, 30, 0, 0);
  const Handle dst = CreateWorkBuff(100, 80, 0, 0);
  SetStretchBltMode(GetWorkBuffHDC(dst), kHalftone);
  SetFilterProgressCallback(KillAtHalf);
  EXPECT_FALSE(StretchBltFiltered(GetWorkBuffHDC(dst), 0, 0, 100, 80, GetWorkBuffHDC(src), 0, 0,
                                  40, 30));
  SetFilterProgressCallback(nullptr);
  EXPECT_TRUE(StretchBltFiltered(GetWorkBuffHDC(dst), 0, 0, 100, 80, GetWorkBuffHDC(src), 0, 0,
                                 40, 30))
      << "a kill before the pass does not carry over";
  DestroyWorkBuff(src);
  DestroyWorkBuff(dst);
}

}  // namespace
}  // namespace orvane::imaging
