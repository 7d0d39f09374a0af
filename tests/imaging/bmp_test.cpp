// The BMP reader and writers: layouts we build byte by byte, the public BMP test
// suite, and hostile headers.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "imaging/imaging.h"
#include "tests/imaging/imaging_fixtures.h"
#include "tests/support/testenv.h"

namespace orvane::imaging {
namespace {

namespace fs = std::filesystem;
using test::BmpSpec;
using test::BuildBmp;
using test::PixelAt;

std::string Write(const std::string& name, const std::string& bytes) {
  static const fs::path dir = orvane::test::MakeTempDir("bmp");
  const fs::path path = dir / name;
  orvane::test::WriteFile(path, bytes);
  return path.string();
}

struct Layout {
  const char* name;
  BmpSpec header;
  std::vector<std::uint32_t> expected;  // 0xRRGGBB, top-down
};

// 5x2 pictures in every layout the reader supports.
std::vector<Layout> Layouts() {
  const std::vector<std::uint32_t> pal = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00,
                                          0x0000FF, 0x808080, 0x123456, 0xABCDEF};
  const std::vector<std::uint32_t> idx = {0, 1, 2, 3, 4, 5, 6, 7, 1, 0};
  std::vector<std::uint32_t> viaPal;
  for (auto i : idx) viaPal.push_back(pal[i]);
  std::vector<std::uint32_t> bits1 = {0, 1, 1, 0, 1, 1, 0, 0, 0, 1};
  std::vector<std::uint32_t> viaPal1;
  for (auto i : bits1) viaPal1.push_back(i ? 0xFFEEDD : 0x102030);
  const std::vector<std::uint32_t> rgb = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF,
                                          0x123456, 0xABCDEF, 0x7F7F7F, 0x010203, 0xFEFDFC};
  auto make = [](int bits, std::uint32_t comp, std::vector<std::uint32_t> palette,
                 std::vector<std::uint32_t> masks, std::vector<std::uint32_t> values,
                 int headerSize = 40, bool topDown = false) {
    BmpSpec s;
    s.width = 5;
    s.height = 2;
    s.bits = bits;
    s.compression = comp;
    s.palette = std::move(palette);
    s.masks = std::move(masks);
    s.values = std::move(values);
    s.headerSize = headerSize;
    s.topDown = topDown;
    return s;
  };
  // Packed forms of rgb for 16 and 32 bits.
  std::vector<std::uint32_t> v555, v565, v32, v32odd;
  std::vector<std::uint32_t> e555, e565;
  for (std::uint32_t c : rgb) {
    const std::uint32_t r = c >> 16, g = (c >> 8) & 255, b = c & 255;
    v555.push_back(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
    v565.push_back(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
    auto widen = [](std::uint32_t v, int bits) { return (v * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1); };
    e555.push_back((widen(r >> 3, 5) << 16) | (widen(g >> 3, 5) << 8) | widen(b >> 3, 5));
    e565.push_back((widen(r >> 3, 5) << 16) | (widen(g >> 2, 6) << 8) | widen(b >> 3, 5));
    v32.push_back(c);
    v32odd.push_back((r << 24) | (g << 4) | (b << 16));  // red 0xFF000000, green 0xFF0, blue 0xFF0000
  }
  return {
      {"1 bit", make(1, 0, {0x102030, 0xFFEEDD}, {}, bits1), viaPal1},
      {"4 bits", make(4, 0, pal, {}, idx), viaPal},
      {"8 bits", make(8, 0, pal, {}, idx), viaPal},
      {"8 bits top-down", make(8, 0, pal, {}, idx, 40, true), viaPal},
      {"8 bits OS/2 core header", make(8, 0, pal, {}, idx, 12), viaPal},
      {"8 bits V5 header", make(8, 0, pal, {}, idx, 124), viaPal},
      {"16 bits 555", make(16, 0, {}, {}, v555), e555},
      {"16 bits 565 bitfields", make(16, 3, {}, {0xF800, 0x07E0, 0x001F}, v565), e565},
      {"16 bits 565 in V4 header", make(16, 3, {}, {0xF800, 0x07E0, 0x001F}, v565, 108), e565},
      {"24 bits", make(24, 0, {}, {}, rgb), rgb},
      {"24 bits top-down", make(24, 0, {}, {}, rgb, 40, true), rgb},
      {"32 bits", make(32, 0, {}, {}, v32), rgb},
      {"32 bits odd bitfields", make(32, 3, {}, {0xFF000000, 0xFF0, 0xFF0000}, v32odd), rgb},
  };
}

TEST(BmpReader, ReadsEveryLayout) {
  for (const Layout& layout : Layouts()) {
    SCOPED_TRACE(layout.name);
    const Handle h = LoadBitMap(Write("layout.bmp", BuildBmp(layout.header)));
    ASSERT_GE(h, 0) << "error " << LastError();
    ASSERT_EQ(GetGCBitmapWidth(h), 5);
    ASSERT_EQ(GetGCBitmapHeight(h), 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(PixelAt(h, x, y), layout.expected[std::size_t(y) * 5 + x]) << x << "," << y;
    UnloadBitMap(h);
  }
}

TEST(BmpReader, DecodesRle8AndRle4) {
  const std::vector<std::uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  struct Case {
    const char* name;
    int bits;
    std::uint32_t comp;
    std::string rle;
    std::vector<int> expected;  // indices, top-down, 6x2
  };
  using namespace std::string_literals;
  const Case cases[] = {
      // bottom row: run of 3 x 1, absolute 2,3,1; top row: delta skips 2 pixels, run 2 x 2.
      {"rle8", 8, 1, "\x03\x01\x00\x03\x02\x03\x01\x00\x00\x00\x00\x02\x02\x00\x02\x02\x00\x01"s,
       {0, 0, 2, 2, 0, 0, 1, 1, 1, 2, 3, 1}},
      // bottom row: run of 3 alternating 1,2, absolute 3,1,2; top row: run 6 of 3,0.
      {"rle4", 4, 2, "\x03\x12\x00\x03\x31\x20\x00\x00\x06\x30\x00\x01"s,
       {3, 0, 3, 0, 3, 0, 1, 2, 1, 3, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec header;
    header.width = 6;
    header.height = 2;
    header.bits = c.bits;
    header.compression = c.comp;
    header.palette = pal;
    header.rle = c.rle;
    const Handle h = LoadBitMap(Write("rle.bmp", BuildBmp(header)));
    ASSERT_GE(h, 0) << "error " << LastError();
    for (int i = 0; i < 12; ++i)
      EXPECT_EQ(PixelAt(h, i % 6, i / 6), pal[std::size_t(c.expected[std::size_t(i)])]) << i;
    UnloadBitMap(h);
  }
}

TEST(BmpWriter, SaveBitmapAndRemapRoundTrip) {
  const QImage photo = test::PhotoLike(37, 23);  // odd width: row padding
  const Handle buffer = test::BufferFrom(photo);
  const std::string file = Write("saved.bmp", "");
  ASSERT_TRUE(SaveBitmap(file, buffer));
  const std::string bytes = orvane::test::ReadFile(file);
  EXPECT_EQ(bytes[28], 24) << "24 bits per pixel";
  const Handle back = LoadBitMap(file);
  ASSERT_GE(back, 0);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) ASSERT_EQ(PixelAt(back, x, y), PixelAt(buffer, x, y));

  // A picture of at most 256 colours survives the 8-bit rewrite exactly.
  const Handle few = CreateWorkBuff(19, 7, 0, 0);
  QImage image = WorkBuffImage(few);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 19; ++x) image.setPixel(x, y, qRgb(x * 13, y * 30, (x * y) % 256));
  const std::string small = Write("few.bmp", "");
  ASSERT_TRUE(SaveBitmap(small, few));
  ASSERT_TRUE(RemapBMP(small, small));
  EXPECT_EQ(orvane::test::ReadFile(small)[28], 8) << "8 bits per pixel";
  const Handle remapped = LoadBitMap(small);
  ASSERT_GE(remapped, 0);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 19; ++x) ASSERT_EQ(PixelAt(remapped, x, y), PixelAt(few, x, y));
  EXPECT_FALSE(SaveBitmap(small, kNoHandle));
}

TEST(BmpReader, HostileFilesFailWithInvalidPicture) {
  BmpSpec base;
  base.bits = 8;
  base.palette = {0x000000, 0xFFFFFF};
  base.values.assign(12, 1);
  const std::string good = BuildBmp(base);
  auto patched = [&](std::size_t at, std::uint32_t value, int bytes = 4) {
    std::string s = good;
    test::PutLE(s, at, value, bytes);
    return s;
  };
  BmpSpec badIndex = base;
  badIndex.values[5] = 2;  // past the two-colour palette
  BmpSpec rleRunTooLong = base;
  rleRunTooLong.compression = 1;
  rleRunTooLong.rle = std::string("\x09\x01\x00\x01", 4);
  BmpSpec badMasks = base;
  badMasks.bits = 16;
  badMasks.palette.clear();
  badMasks.compression = 3;
  badMasks.masks = {0xF800, 0x0FE0, 0x001F};  // red and green overlap
  badMasks.values.assign(12, 0);
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"just the magic", "BM"},
      {"not a picture", "hello, world, this is not a bitmap at all......"},
      {"truncated pixels", good.substr(0, good.size() - 10)},
      {"truncated header", good.substr(0, 30)},
      {"absurd width", patched(18, 3000000)},
      {"absurd height", patched(22, 0x7FFFFFFF)},
      {"zero width", patched(18, 0)},
      {"negative width", patched(18, std::uint32_t(-4))},
      {"width just above the cap", patched(18, kMaxDimension + 1)},
      {"bit count 30000", patched(28, 30000, 2)},
      {"planes 2", patched(26, 2, 2)},
      {"header size 66", patched(14, 66)},
      {"header size 4 GB", patched(14, 0xFFFFFFFF)},
      {"pixel offset past the end", patched(10, 0x7FFFFFFF)},
      {"pixel offset inside the header", patched(10, 20)},
      {"file size lies", patched(2, 0x7FFFFFFF)},
      {"image size lies", patched(34, 0x7FFFFFF0)},
      {"palette of 300 million", patched(46, 305402420)},
      {"unknown compression", patched(30, 9)},
      {"palette index out of range", BuildBmp(badIndex)},
      {"RLE run beyond the row", BuildBmp(rleRunTooLong)},
      {"overlapping bit masks", BuildBmp(badMasks)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LoadBitMap(Write("bad.bmp", c.bytes)), kNoHandle);
    EXPECT_EQ(LastError(), kInvalidPicture);
  }
  EXPECT_EQ(LoadBitMap((orvane::test::TempRoot() / "missing.bmp").string()), kNoHandle);
  EXPECT_EQ(LastError(), kFileNotFound);
  EXPECT_EQ(LoadBitMap(orvane::test::TempRoot().string()), kNoHandle) << "a folder";
  EXPECT_EQ(LastError(), kPathFileAccess);
}

// The public BMP suite: good files match their references, bad ones fail, and
// questionable ones load or fail without harm.
class BmpSuite : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = orvane::test::SharedTestData();
    if (root_.empty() || !fs::is_directory(root_ / "bmp"))
      GTEST_SKIP() << "shared BMP test suite not present";
    root_ /= "bmp";
  }
  fs::path root_;
};

TEST_F(BmpSuite, GoodFilesMatchTheirReferences) {
  const std::pair<const char*, const char*> table[] = {
      {"pal1.bmp", "pal1.png"},         {"pal1bg.bmp", "pal1bg.png"},
      {"pal1wb.bmp", "pal1.png"},       {"pal4.bmp", "pal4.png"},
      {"pal4gs.bmp", "pal4gs.png"},     {"pal4rle.bmp", "pal4.png"},
      {"pal8-0.bmp", "pal8.png"},       {"pal8.bmp", "pal8.png"},
      {"pal8gs.bmp", "pal8gs.png"},     {"pal8nonsquare.bmp", "pal8nonsquare-e.png"},
      {"pal8os2.bmp", "pal8.png"},      {"pal8rle.bmp", "pal8.png"},
      {"pal8topdown.bmp", "pal8.png"},  {"pal8v4.bmp", "pal8.png"},
      {"pal8v5.bmp", "pal8.png"},       {"pal8w124.bmp", "pal8w124.png"},
      {"pal8w125.bmp", "pal8w125.png"}, {"pal8w126.bmp", "pal8w126.png"},
      {"rgb16-565.bmp", "rgb16-565.png"}, {"rgb16-565pal.bmp", "rgb16-565.png"},
      {"rgb16.bmp", "rgb16.png"},       {"rgb16bfdef.bmp", "rgb16.png"},
      {"rgb24.bmp", "rgb24.png"},       {"rgb24pal.bmp", "rgb24.png"},
      {"rgb32.bmp", "rgb24.png"},       {"rgb32bf.bmp", "rgb24.png"},
      {"rgb32bfdef.bmp", "rgb24.png"},
  };
  for (const auto& [file, reference] : table) {
    SCOPED_TRACE(file);
    const Handle h = LoadBitMap((root_ / "g" / file).string());
    ASSERT_GE(h, 0) << "error " << LastError();
    const QImage want = QImage(QString::fromStdString((root_ / "reference" / reference).string()))
                            .convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(want.isNull());
    ASSERT_EQ(GetGCBitmapWidth(h), want.width());
    ASSERT_EQ(GetGCBitmapHeight(h), want.height());
    const int tolerance = std::string(file).starts_with("rgb16") ? 8 : 0;
    int worst = 0;
    for (int y = 0; y < want.height(); ++y)
      for (int x = 0; x < want.width(); ++x) {
        const QRgb a = want.pixel(x, y), b = PixelAt(h, x, y);
        worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                          std::abs(qBlue(a) - qBlue(b))});
      }
    EXPECT_LE(worst, tolerance);
    UnloadBitMap(h);
  }
}

TEST_F(BmpSuite, BadFilesFailCleanly) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(root_ / "b")) {
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_EQ(LoadBitMap(entry.path().string()), kNoHandle);
    EXPECT_EQ(LastError(), kInvalidPicture);
    ++count;
  }
  EXPECT_GT(count, 0);
}

TEST_F(BmpSuite, QuestionableFilesLoadOrFailWithoutHarm) {
  for (const auto& entry : fs::directory_iterator(root_ / "q")) {
    SCOPED_TRACE(entry.path().filename().string());
    const Handle h = LoadBitMap(entry.path().string());
    if (h == kNoHandle) {
      EXPECT_EQ(LastError(), kInvalidPicture);
      continue;
    }
    EXPECT_GT(GetGCBitmapWidth(h), 0);
    EXPECT_GT(GetGCBitmapHeight(h), 0);
    UnloadBitMap(h);
  }
}

}  // namespace
}  // namespace orvane::imaging
