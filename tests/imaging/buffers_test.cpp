// The handle table, device contexts and BitBlt between work buffers.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/gdi.h"
#include "imaging/imaging.h"

namespace orvane::imaging {
namespace {

// Fills a buffer so that every pixel tells where it came from: (x, y) -> x + 16 * y.
void FillIndexed(Handle buffer) {
  QImage image = WorkBuffImage(buffer);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, 0xFF000000u | unsigned(x + 16 * y));
}

unsigned At(Handle buffer, int x, int y) {
  return WorkBuffImage(buffer).pixel(x, y) & 0xFFFFFFu;
}

TEST(WorkBuffers, CreateQueryDestroy) {
  const Handle a = CreateWorkBuff(20, 10, 0, 0);
  const Handle b = CreateWorkBuff(3, 4, 0, 0);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(GetGCBitmapWidth(a), 20);
  EXPECT_EQ(GetGCBitmapHeight(a), 10);
  const DeviceContext dc = GetWorkBuffHDC(a);
  EXPECT_NE(dc, 0);
  EXPECT_NE(dc, GetWorkBuffHDC(b));
  EXPECT_EQ(HandleOfDC(dc), a);
  EXPECT_EQ(At(a, 19, 9), 0u) << "a new buffer is black";

  DestroyWorkBuff(a);
  EXPECT_EQ(GetGCBitmapWidth(a), 0);
  EXPECT_EQ(GetWorkBuffHDC(a), 0);
  EXPECT_EQ(HandleOfDC(dc), kNoHandle);
  EXPECT_TRUE(WorkBuffImage(a).isNull());
  DestroyWorkBuff(a);  // twice is harmless
  EXPECT_EQ(GetGCBitmapWidth(b), 3) << "other buffers stay";
  DestroyWorkBuff(b);
}

TEST(WorkBuffers, BadSizesAndHandlesFailQuietly) {
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {kMaxDimension + 1, 1}})
    EXPECT_EQ(CreateWorkBuff(w, h, 0, 0), kNoHandle) << w << "x" << h;
  for (Handle bad : {-1, 0, 7, 100000}) {
    EXPECT_EQ(GetGCBitmapWidth(bad), 0);
    EXPECT_EQ(GetGCBitmapHeight(bad), 0);
    EXPECT_EQ(GetWorkBuffHDC(bad), 0);
    DestroyWorkBuff(bad);
    UnloadBitMap(bad);
  }
  for (DeviceContext dc : {DeviceContext(0), DeviceContext(1), DeviceContext(-5)})
    EXPECT_EQ(HandleOfDC(dc), kNoHandle);
  EXPECT_FALSE(BitBlt(0, 0, 0, 1, 1, 12345, 0, 0));
}

TEST(WorkBuffers, BitmapHasNoDeviceContextAndBufferCannotBeUnloaded) {
  const Handle bitmap = CreateBitMap(4, 2, 10, 20, 30);
  ASSERT_GE(bitmap, 0);
  EXPECT_EQ(GetGCBitmapWidth(bitmap), 4);
  EXPECT_EQ(GetWorkBuffHDC(bitmap), 0);
  DestroyWorkBuff(bitmap);  // not a buffer: no-op
  EXPECT_EQ(GetGCBitmapWidth(bitmap), 4);
  UnloadBitMap(bitmap);
  EXPECT_EQ(GetGCBitmapWidth(bitmap), 0);
}

TEST(WorkBuffers, ImageWrapsPixelsAt96Dpi) {
  const Handle buffer = CreateWorkBuff(40, 30, 0, 0);
  QImage image = WorkBuffImage(buffer);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.format(), QImage::Format_RGB32);
  EXPECT_EQ(image.dotsPerMeterX(), 3780);
  EXPECT_EQ(image.dotsPerMeterY(), 3780);
  {
    QPainter painter(&image);
    painter.fillRect(5, 5, 10, 10, QColor(200, 100, 50));
  }
  // Painting on the wrapper changed the buffer itself.
  EXPECT_EQ(At(buffer, 7, 7), 0xC86432u);
  EXPECT_EQ(WorkBuffImage(buffer).constBits(), image.constBits());
  DestroyWorkBuff(buffer);
}

struct BlitCase {
  const char* name;
  int x, y, w, h, srcX, srcY;
};

// Copies between two 16x16 buffers and checks every destination pixel against a
// straightforward model of a clipped copy.
TEST(BitBltTest, ClipsAgainstBothBuffers) {
  const BlitCase cases[] = {
      {"inside", 2, 3, 5, 4, 1, 1},
      {"negative destination", -3, -2, 6, 6, 0, 0},
      {"negative source", 0, 0, 6, 6, -4, -1},
      {"beyond destination edge", 12, 13, 10, 10, 0, 0},
      {"beyond source edge", 0, 0, 10, 10, 10, 12},
      {"wholly outside", 20, 0, 4, 4, 0, 0},
      {"source wholly outside", 0, 0, 4, 4, -10, 0},
      {"empty", 1, 1, 0, 5, 0, 0},
      {"huge", -2000000000, -2000000000, 2100000000, 2100000000, 0, 0},
  };
  for (const BlitCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Handle src = CreateWorkBuff(16, 16, 0, 0);
    const Handle dst = CreateWorkBuff(16, 16, 0, 0);
    FillIndexed(src);
    EXPECT_TRUE(BitBlt(GetWorkBuffHDC(dst), c.x, c.y, c.w, c.h, GetWorkBuffHDC(src),
                       c.srcX, c.srcY, kSrcCopy));
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const long long sx = (long long)c.srcX + (x - c.x), sy = (long long)c.srcY + (y - c.y);
        const bool copied = x >= c.x && x < (long long)c.x + c.w && y >= c.y &&
                            y < (long long)c.y + c.h && sx >= 0 && sx < 16 && sy >= 0 &&
                            sy < 16;
        const unsigned want = copied ? unsigned(sx + 16 * sy) : 0u;
        ASSERT_EQ(At(dst, x, y), want) << "at " << x << "," << y;
      }
    DestroyWorkBuff(src);
    DestroyWorkBuff(dst);
  }
}

TEST(BitBltTest, OverlapWithinOneBufferActsLikeMemmove) {
  const BlitCase cases[] = {
      {"down right", 2, 3, 10, 10, 0, 0},
      {"up left", 0, 0, 10, 10, 3, 2},
      {"right only", 1, 0, 15, 16, 0, 0},
      {"left only", 0, 0, 15, 16, 1, 0},
      {"down only", 0, 1, 16, 15, 0, 0},
      {"up only", 0, 0, 16, 15, 0, 1},
  };
  for (const BlitCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Handle buffer = CreateWorkBuff(16, 16, 0, 0);
    FillIndexed(buffer);
    std::vector<unsigned> before(256);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) before[x + 16 * y] = At(buffer, x, y);
    const DeviceContext dc = GetWorkBuffHDC(buffer);
    EXPECT_TRUE(BitBlt(dc, c.x, c.y, c.w, c.h, dc, c.srcX, c.srcY));
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const bool inside = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
        const unsigned want =
            inside ? before[(c.srcX + x - c.x) + 16 * (c.srcY + y - c.y)] : before[x + 16 * y];
        ASSERT_EQ(At(buffer, x, y), want) << "at " << x << "," << y;
      }
    DestroyWorkBuff(buffer);
  }
}

TEST(BitBltTest, RectanglesAtOnceMatchOneBitBltEach) {
  // Side-by-side columns, a frame, rectangles clipped by either buffer, one
  // wholly outside, an empty one and far-off points, at several source offsets.
  const std::vector<BlitRect> rects = {
      {1, 0, 2, 16},   {6, 0, 2, 16},  {11, 0, 3, 16},  {0, 2, 16, 1},   {-3, 5, 6, 3},
      {13, 12, 10, 10}, {30, 0, 4, 4}, {4, 4, 0, 4},    {-2000000000, 1, 2100000000, 2}};
  const std::pair<int, int> offsets[] = {{0, 0}, {-1, 2}, {3, -4}, {2000000000, 0}};
  for (auto [dx, dy] : offsets) {
    SCOPED_TRACE("offset " + std::to_string(dx) + "," + std::to_string(dy));
    const Handle src = CreateWorkBuff(16, 16, 0, 0);
    const Handle one = CreateWorkBuff(16, 16, 0, 0);
    const Handle all = CreateWorkBuff(16, 16, 0, 0);
    FillIndexed(src);
    for (const BlitRect& r : rects) {
      const long long sx = (long long)r.x + dx, sy = (long long)r.y + dy;
      if (sx < INT_MIN || sx > INT_MAX) continue;  // nothing of it lies in the source
      BitBlt(GetWorkBuffHDC(one), r.x, r.y, r.width, r.height, GetWorkBuffHDC(src), int(sx),
             int(sy));
    }
    EXPECT_TRUE(BitBltRects(GetWorkBuffHDC(all), rects.data(), rects.size(), GetWorkBuffHDC(src),
                            dx, dy));
    EXPECT_EQ(WorkBuffImage(all), WorkBuffImage(one));
    DestroyWorkBuff(src);
    DestroyWorkBuff(one);
    DestroyWorkBuff(all);
  }
}

TEST(BitBltTest, ASecondGridGetsThePixelsNowAndTheDestinationAtItsNextUse) {
  // Columns of a step and a corner, clipped by the source (offset 3, 2), into
  // a 16 x 16 destination and a 24 x 20 grid that holds it at (5, 3), fewer
  // pixels than an eighth of the destination, so that they are kept. Each way
  // of next using either picture gives the destination the pixels the grid
  // got, and nothing written after them is lost.
  const std::vector<BlitRect> rects = {{1, 0, 1, 16}, {9, 0, 1, 4}, {12, 13, 4, 8}, {14, 3, 9, 2}};
  enum Use { kRead, kWriteSource, kFill, kEraseSource, kOtherPair, kMake };
  for (Use use : {kRead, kWriteSource, kFill, kEraseSource, kOtherPair, kMake}) {
    SCOPED_TRACE("use " + std::to_string(use));
    const Handle src = CreateWorkBuff(16, 16, 0, 0);
    const Handle plain = CreateWorkBuff(16, 16, 0, 0);
    const Handle dst = CreateWorkBuff(16, 16, 0, 0);
    const Handle other = CreateWorkBuff(16, 16, 0, 0);
    FillIndexed(src);
    ASSERT_TRUE(
        BitBltRects(GetWorkBuffHDC(plain), rects.data(), rects.size(), GetWorkBuffHDC(src), 3, 2));
    std::vector<std::uint32_t> grid(24 * 20, 0xDEADBEEF);
    const AlsoTarget also{grid.data(), 24, 24, 20, 5, 3};
    std::vector<BlitRect> written;
    // A view of the destination's memory, which does not make kept copies.
    const QImage memory = WorkBuffImage(dst);
    // Two halves, as two steps: the second joins the first's copies.
    ASSERT_TRUE(BitBltRectsLater(GetWorkBuffHDC(dst), rects.data(), 2, GetWorkBuffHDC(src), 3, 2,
                                 also, &written));
    ASSERT_TRUE(BitBltRectsLater(GetWorkBuffHDC(dst), rects.data() + 2, 2, GetWorkBuffHDC(src), 3,
                                 2, also, &written));
    std::vector<std::vector<int>> clipped;
    for (const BlitRect& r : written) clipped.push_back({r.x, r.y, r.width, r.height});
    // The source ends at the destination's column 13 and row 14; the last
    // rectangle lies wholly outside it.
    EXPECT_EQ(clipped, (std::vector<std::vector<int>>{{1, 0, 1, 14}, {9, 0, 1, 4}, {12, 13, 1, 1}}));
    const QImage want = WorkBuffImage(plain);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 24; ++x) {
        bool in = false;
        for (const BlitRect& r : written)
          in = in || (x - 5 >= r.x && x - 5 < r.x + r.width && y - 3 >= r.y && y - 3 < r.y + r.height);
        const std::uint32_t pixel =
            in ? reinterpret_cast<const std::uint32_t*>(want.constScanLine(y - 3))[x - 5] : 0xDEADBEEF;
        ASSERT_EQ(grid[std::size_t(x + 24 * y)], pixel) << "at " << x << "," << y;
      }
    EXPECT_EQ(memory.pixel(1, 0), 0xFF000000u) << "the copies were made at once";
    QImage expected = want;
    switch (use) {
      case kRead: break;
      case kWriteSource:  // the source changes after the step was shown
        BitBlt(GetWorkBuffHDC(src), 0, 0, 16, 16, GetWorkBuffHDC(other), 0, 0);
        break;
      case kFill:  // the destination is filled after the step: the fill holds
        FillWorkBuff(dst, 0, 0, 0);
        expected.fill(QColor(0, 0, 0));
        break;
      case kEraseSource: DestroyWorkBuff(src); break;
      case kOtherPair: {
        const BlitRect one{0, 0, 1, 1};
        ASSERT_TRUE(BitBltRectsLater(GetWorkBuffHDC(other), &one, 1, GetWorkBuffHDC(plain), 0, 0, also));
        break;
      }
      case kMake: MakeLaterCopies(); break;
    }
    EXPECT_EQ(WorkBuffImage(dst), expected);
    MakeLaterCopies();
    for (Handle h : {src, plain, dst, other}) DestroyWorkBuff(h);
  }
}

TEST(BitBltTest, LaterCopiesRefuseAGridTheyDoNotFitAndACopyWithinOnePicture) {
  const BlitRect rect{2, 2, 8, 8};
  const Handle src = CreateWorkBuff(16, 16, 0, 0);
  const Handle dst = CreateWorkBuff(16, 16, 0, 0);
  const Handle blank = CreateWorkBuff(16, 16, 0, 0);
  FillIndexed(src);
  std::vector<std::uint32_t> grid(16 * 16, 0xDEADBEEF);
  const std::vector<std::uint32_t> before = grid;
  const AlsoTarget small{grid.data(), 16, 9, 16, 0, 0};
  EXPECT_FALSE(BitBltRectsLater(GetWorkBuffHDC(dst), &rect, 1, GetWorkBuffHDC(src), 0, 0, small));
  const AlsoTarget whole{grid.data(), 16, 16, 16, 0, 0};
  EXPECT_FALSE(BitBltRectsLater(GetWorkBuffHDC(src), &rect, 1, GetWorkBuffHDC(src), 1, 1, whole));
  EXPECT_EQ(grid, before);
  EXPECT_EQ(WorkBuffImage(dst), WorkBuffImage(blank));
  for (Handle h : {src, dst, blank}) DestroyWorkBuff(h);
}

}  // namespace
}  // namespace orvane::imaging
