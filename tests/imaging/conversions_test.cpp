// The file conversions: JPEG round trips, DCT-scaled decoding, the 8-bit
// reduction, progress reports, stop requests and failures.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QImage>
#include <filesystem>
#include <functional>
#include <vector>

#include "imaging/imaging.h"
#include "tests/imaging/imaging_fixtures.h"
#include "tests/support/testenv.h"

namespace orvane::imaging {
namespace {

namespace fs = std::filesystem;
using test::PixelAt;

// Mean and largest per-channel difference between two pictures of one size.
struct Difference {
  double mean = 0;
  int worst = 0;
};
Difference Compare(Handle a, Handle b) {
  const QImage x = WorkBuffImage(a), y = WorkBuffImage(b);
  Difference d;
  long long sum = 0;
  for (int j = 0; j < x.height(); ++j)
    for (int i = 0; i < x.width(); ++i) {
      const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
      for (int e : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
        sum += std::abs(e);
        d.worst = std::max(d.worst, std::abs(e));
      }
    }
  d.mean = double(sum) / (3.0 * x.width() * x.height());
  return d;
}

class Conversions : public ::testing::Test {
 public:
  void SetUp() override {
    dir_ = orvane::test::MakeTempDir("conversions");
    SetProgressCallback(nullptr);
    SetFilterProgressCallback(nullptr);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // A photograph-like bitmap file and its JPEG.
  void MakeFiles(int width, int height) {
    photo_ = test::BufferFrom(test::PhotoLike(width, height));
    ASSERT_TRUE(SaveBitmap(Path("photo.bmp"), photo_));
    ASSERT_TRUE(DoCompress(Path("photo.bmp"), Path("photo.jpg")));
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir_;
  Handle photo_ = kNoHandle;
};

TEST_F(Conversions, JpegRoundTripStaysClose) {
  MakeFiles(96, 64);
  const std::string jpeg = orvane::test::ReadFile(Path("photo.jpg"));
  ASSERT_GE(jpeg.size(), 3u);
  EXPECT_EQ(jpeg.substr(0, 3), "\xFF\xD8\xFF");
  ASSERT_TRUE(DoDecompress(Path("photo.jpg"), Path("back.bmp")));
  const Handle back = LoadBitMap(Path("back.bmp"));
  ASSERT_GE(back, 0);
  ASSERT_EQ(GetGCBitmapWidth(back), 96);
  ASSERT_EQ(GetGCBitmapHeight(back), 64);
  const Difference d = Compare(photo_, back);
  EXPECT_LT(d.mean, 6.0);
  EXPECT_LT(d.worst, 80);
  // A JPEG loads as a bitmap directly too, whatever its name says.
  fs::copy_file(Path("photo.jpg"), Path("photo.bmp.dat"));
  const Handle direct = LoadBitMap(Path("photo.bmp.dat"));
  ASSERT_GE(direct, 0);
  EXPECT_EQ(Compare(direct, back).worst, 0);
}

TEST_F(Conversions, BitmapJustDecompressedLoadsAsTheFileSays) {
  // The picture kept from the decompression must be exactly what the file
  // holds, and a file changed since must be read afresh.
  MakeFiles(96, 64);
  ASSERT_TRUE(DoDecompress(Path("photo.jpg"), Path("Temp.bmp")));
  fs::copy_file(Path("Temp.bmp"), Path("copy.bmp"));
  const Handle kept = LoadBitMap(Path("Temp.bmp"));
  const Handle read = LoadBitMap(Path("copy.bmp"));
  ASSERT_GE(kept, 0);
  ASSERT_GE(read, 0);
  EXPECT_EQ(WorkBuffImage(kept), WorkBuffImage(read));
  EXPECT_EQ(Compare(kept, read).worst, 0);

  ASSERT_TRUE(DoDecompress(Path("photo.jpg"), Path("Temp.bmp")));
  ASSERT_TRUE(SaveBitmap(Path("Temp.bmp"), photo_));  // replaced since
  const Handle replaced = LoadBitMap(Path("Temp.bmp"));
  ASSERT_GE(replaced, 0);
  EXPECT_EQ(Compare(replaced, photo_).worst, 0);
}

TEST_F(Conversions, BufferSavedForLoadLoadsAsTheFileSays) {
  // The buffer goes; its picture is kept for the next load of the file, which
  // must give exactly what the file holds, unless the file changed since.
  MakeFiles(96, 64);
  for (bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "file changed since" : "file as saved");
    const Handle buffer = CreateWorkBuff(96, 64, 0, 0);
    DoBlitToWork(buffer, 0, 0, photo_);
    ASSERT_TRUE(SaveBitmapForLoad(Path("ssj.bmp"), buffer));
    EXPECT_EQ(GetGCBitmapWidth(buffer), 0);  // released
    if (changed) {
      const Handle other = CreateBitMap(96, 64, 9, 8, 7);
      ASSERT_TRUE(SaveBitmap(Path("ssj.bmp"), other));
      UnloadBitMap(other);
    }
    const Handle loaded = LoadBitMap(Path("ssj.bmp"));
    const Handle read = LoadBitMap(Path("ssj.bmp"));  // nothing kept any more: from the file
    ASSERT_GE(loaded, 0);
    ASSERT_GE(read, 0);
    EXPECT_EQ(Compare(loaded, read).worst, 0);
    EXPECT_EQ(PixelAt(loaded, 5, 5) & 0xFFFFFF,
              changed ? 0x090807u : PixelAt(photo_, 5, 5) & 0xFFFFFF);
    UnloadBitMap(loaded);
    UnloadBitMap(read);
  }
}

TEST_F(Conversions, ScaledDecodeUsesSmallestCoveringDctScale) {
  MakeFiles(803, 601);
  const struct {
    int targetWidth, targetHeight, width, height;
  } cases[] = {
      {100, 75, 101, 76},  {101, 76, 101, 76},   {102, 76, 201, 151}, {0, 76, 101, 76},
      {400, 300, 402, 301}, {402, 301, 402, 301}, {403, 10, 803, 601}, {2000, 2000, 803, 601},
      {0, 0, 803, 601},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.targetWidth) + "x" + std::to_string(c.targetHeight));
    ASSERT_TRUE(DoDecompressScaled(Path("photo.jpg"), Path("scaled.bmp"), c.targetWidth,
                                   c.targetHeight));
    const Handle h = LoadBitMap(Path("scaled.bmp"));
    EXPECT_EQ(GetGCBitmapWidth(h), c.width);
    EXPECT_EQ(GetGCBitmapHeight(h), c.height);
    UnloadBitMap(h);
    const Handle direct = LoadBitMapScaled(Path("photo.jpg"), c.targetWidth, c.targetHeight);
    EXPECT_EQ(GetGCBitmapWidth(direct), c.width);
    UnloadBitMap(direct);
    const Handle buffer = LoadWorkBuff(Path("photo.jpg"), c.targetWidth, c.targetHeight);
    EXPECT_NE(GetWorkBuffHDC(buffer), 0);
    EXPECT_EQ(GetGCBitmapHeight(buffer), c.height);
    DestroyWorkBuff(buffer);
  }
}

TEST_F(Conversions, SizeCapHoldsForTheDecodedPicture) {
  // A strip wider than the cap: refused at full size, loaded when DCT scaling
  // brings it under the cap.
  const int w = kMaxDimension + 8, h = 16;
  std::vector<unsigned char> grey(std::size_t(w) * h, 128);
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(tjCompress2(tj, grey.data(), w, 0, h, TJPF_GRAY, &out, &size, TJSAMP_GRAY, 75, 0), 0);
  orvane::test::WriteFile(Path("wide.jpg"), std::string(reinterpret_cast<char*>(out), size));
  tjFree(out);
  tjDestroy(tj);
  EXPECT_EQ(LoadBitMap(Path("wide.jpg")), kNoHandle);
  EXPECT_EQ(LastError(), kInvalidPicture);
  const Handle scaled = LoadBitMapScaled(Path("wide.jpg"), 1000, 2);
  ASSERT_GE(scaled, 0);
  EXPECT_EQ(GetGCBitmapWidth(scaled), (w + 7) / 8);
  EXPECT_EQ(PixelAt(scaled, 5, 1), 0x808080u);
}

TEST_F(Conversions, ReductionTo8BitsKeepsMeanErrorSmall) {
  MakeFiles(160, 120);
  for (const char* input : {"photo.bmp", "photo.jpg"}) {
    SCOPED_TRACE(input);
    ASSERT_TRUE(Do24To8(Path(input), Path("eight.bmp")));
    const std::string bytes = orvane::test::ReadFile(Path("eight.bmp"));
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ(bytes[28], 8);
    const Handle eight = LoadBitMap(Path("eight.bmp"));
    ASSERT_GE(eight, 0);
    const Difference d = Compare(photo_, eight);
    EXPECT_LT(d.mean, 6.0);
    UnloadBitMap(eight);
  }
}

// Progress of one operation, recorded by a plain callback.
std::vector<int> reported;
int stopAt = -1;  // the first value at or above which the callback asks to stop
std::int16_t Record(std::int16_t value) {
  reported.push_back(value);
  return stopAt >= 0 && value >= stopAt ? 1 : 0;
}

struct Operation {
  const char* name;
  std::function<bool(Conversions&)> run;
  const char* output;  // file that must not exist after a stop ("" for none)
};

std::vector<Operation> Operations() {
  return {
      {"DoDecompress", [](Conversions& t) { return DoDecompress(t.Path("photo.jpg"), t.Path("out.bmp")); }, "out.bmp"},
      {"DoDecompressScaled", [](Conversions& t) { return DoDecompressScaled(t.Path("photo.jpg"), t.Path("out.bmp"), 100, 50); }, "out.bmp"},
      {"DoCompress", [](Conversions& t) { return DoCompress(t.Path("photo.bmp"), t.Path("out.jpg")); }, "out.jpg"},
      {"Do24To8", [](Conversions& t) { return Do24To8(t.Path("photo.jpg"), t.Path("out.bmp")); }, "out.bmp"},
      {"FilterBitmap", [](Conversions& t) { return FilterBitmap(t.photo_); }, ""},
  };
}

TEST_F(Conversions, RunFromZeroToHundredAndStopLeavesNoFile) {
  MakeFiles(200, 150);
  SetProgressCallback(Record);
  SetFilterProgressCallback(Record);
  const auto before = Files();
  for (const Operation& op : Operations()) {
    SCOPED_TRACE(op.name);
    reported.clear();
    stopAt = -1;
    ASSERT_TRUE(op.run(*this));
    ASSERT_GE(reported.size(), 3u);
    EXPECT_EQ(reported.front(), 0);
    EXPECT_EQ(reported.back(), 100);
    for (std::size_t i = 1; i < reported.size(); ++i) EXPECT_GT(reported[i], reported[i - 1]);
    if (*op.output) fs::remove(Path(op.output));

    for (int stop : {0, 1, 50, 100}) {
      SCOPED_TRACE("stop at " + std::to_string(stop));
      reported.clear();
      stopAt = stop;
      EXPECT_FALSE(op.run(*this));
      EXPECT_GE(reported.back(), stop);
      EXPECT_EQ(Files(), before) << "no output and no temporary file";
    }
  }
  stopAt = -1;
}

// The filter stopped from its own callback (as the dialog's cancel does) leaves
// the buffer untouched; one left to finish smooths it.
std::int16_t KillHalfway(std::int16_t value) {
  if (value >= 50) KillFilter();
  return 0;
}

TEST_F(Conversions, KilledFilterLeavesBufferUnchanged) {
  const Handle buffer = CreateWorkBuff(64, 64, 0, 0);
  QImage image = WorkBuffImage(buffer);
  image.setPixel(32, 32, 0xFFFFFFFF);
  image.setPixel(0, 63, 0xFFFFFFFF);
  SetFilterParameters(1, 1, 0, 0);
  SetFilterProgressCallback(KillHalfway);
  EXPECT_FALSE(FilterBitmap(buffer));
  EXPECT_EQ(PixelAt(buffer, 32, 32), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(buffer, 33, 32), 0u);

  SetFilterProgressCallback(nullptr);
  ASSERT_TRUE(FilterBitmap(buffer)) << "a kill before the pass does not carry over";
  // 1 2 1 / 2 4 2 / 1 2 1 over 16.
  EXPECT_EQ(PixelAt(buffer, 32, 32), 0x404040u);
  EXPECT_EQ(PixelAt(buffer, 33, 32), 0x202020u);
  EXPECT_EQ(PixelAt(buffer, 33, 33), 0x101010u);
  EXPECT_EQ(PixelAt(buffer, 34, 32), 0u);
  // At the corner the edge pixels repeat: 4 + 2 + 2 + 1 = 9 sixteenths.
  EXPECT_EQ(PixelAt(buffer, 0, 63), 0x8F8F8Fu);
  EXPECT_FALSE(FilterBitmap(kNoHandle));
}

// The pass in place gives the very pixels of the pass into new memory, also
// where the picture is split into bands between threads (each band's edge rows
// are overwritten by its neighbour) and at the one-pixel extremes.
TEST_F(Conversions, FilterInPlaceGivesThePixelsOfTheFilterIntoNewMemory) {
  SetFilterProgressCallback(nullptr);
  SetFilterParameters(1, 1, 0, 0);
  const struct {
    int w, h;
  } sizes[] = {{1, 1}, {1, 37}, {53, 1}, {64, 64}, {2048, 1100}, {2101, 1003}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(std::to_string(size.w) + " x " + std::to_string(size.h));
    const Handle copied = CreateWorkBuff(size.w, size.h, 0, 0);
    const Handle inPlace = CreateWorkBuff(size.w, size.h, 0, 0);
    QImage a = WorkBuffImage(copied), b = WorkBuffImage(inPlace);
    std::uint32_t noise = 12345;
    for (int y = 0; y < size.h; ++y) {
      for (int x = 0; x < size.w; ++x) {
        noise = noise * 1664525u + 1013904223u;
        a.setPixel(x, y, 0xFF000000u | (noise >> 8));
        b.setPixel(x, y, 0xFF000000u | (noise >> 8));
      }
    }
    ASSERT_TRUE(FilterBitmap(copied));
    ASSERT_TRUE(FilterBitmapInPlace(inPlace));
    EXPECT_TRUE(WorkBuffImage(copied) == WorkBuffImage(inPlace));
    DestroyWorkBuff(copied);
    DestroyWorkBuff(inPlace);
  }
}

// A buffer destroyed by code that runs inside the filter's callback: the pass
// ends without touching freed memory.
Handle doomed = kNoHandle;
std::int16_t DestroyDuringFilter(std::int16_t value) {
  if (value >= 30 && doomed != kNoHandle) {
    DestroyWorkBuff(doomed);
    doomed = kNoHandle;
    CreateWorkBuff(64, 64, 0, 0);  // reuses the slot
  }
  return 0;
}

TEST_F(Conversions, FilterSurvivesItsBufferBeingDestroyed) {
  doomed = CreateWorkBuff(64, 64, 0, 0);
  const Handle handle = doomed;
  SetFilterProgressCallback(DestroyDuringFilter);
  EXPECT_FALSE(FilterBitmap(handle));
  EXPECT_EQ(doomed, kNoHandle);
}

TEST_F(Conversions, CmykJpegDecodesToRgb) {
  // Inverted CMYK as Photoshop stores it: 255 is no ink.
  const int w = 16, h = 8;
  std::vector<unsigned char> cmyk(std::size_t(w) * h * 4);
  for (int i = 0; i < w * h; ++i) {
    const bool left = i % w < w / 2;
    cmyk[4 * i] = 200;
    cmyk[4 * i + 1] = 100;
    cmyk[4 * i + 2] = 50;
    cmyk[4 * i + 3] = left ? 255 : 128;
  }
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(tjCompress2(tj, cmyk.data(), w, 0, h, TJPF_CMYK, &out, &size, TJSAMP_444, 100, 0), 0);
  orvane::test::WriteFile(Path("cmyk.jpg"), std::string(reinterpret_cast<char*>(out), size));
  tjFree(out);
  tjDestroy(tj);
  const Handle picture = LoadBitMap(Path("cmyk.jpg"));
  ASSERT_GE(picture, 0) << LastError();
  const QRgb left = WorkBuffImage(picture).pixel(2, 4), right = WorkBuffImage(picture).pixel(13, 4);
  EXPECT_NEAR(qRed(left), 200, 3);
  EXPECT_NEAR(qGreen(left), 100, 3);
  EXPECT_NEAR(qBlue(left), 50, 3);
  EXPECT_NEAR(qRed(right), 100, 3);
  EXPECT_NEAR(qGreen(right), 50, 3);
  EXPECT_NEAR(qBlue(right), 25, 3);
}

TEST_F(Conversions, OneFileNamedTwiceIsNotLost) {
  MakeFiles(32, 16);
  ASSERT_TRUE(DoDecompress(Path("photo.jpg"), Path("photo.jpg")));
  const Handle h = LoadBitMap(Path("photo.jpg"));
  ASSERT_GE(h, 0);
  EXPECT_EQ(orvane::test::ReadFile(Path("photo.jpg")).substr(0, 2), "BM");
  EXPECT_EQ(GetGCBitmapWidth(h), 32);
  ASSERT_TRUE(Do24To8(Path("photo.jpg"), Path("photo.jpg")));
  EXPECT_EQ(orvane::test::ReadFile(Path("photo.jpg"))[28], 8);
}

TEST_F(Conversions, BadInputsFailWithTheirErrorNumbers) {
  MakeFiles(64, 48);
  const std::string jpeg = orvane::test::ReadFile(Path("photo.jpg"));
  std::string hugeFrame = jpeg;
  // The frame header's height and width (after FF C0, length and precision).
  const std::size_t sof = hugeFrame.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  hugeFrame[sof + 5] = hugeFrame[sof + 6] = hugeFrame[sof + 7] = hugeFrame[sof + 8] = '\xFF';
  std::string garbage = jpeg;
  for (std::size_t i = 20; i < garbage.size(); i += 7) garbage[i] = char(i * 31);
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"cut in half", jpeg.substr(0, jpeg.size() / 2)},
      {"cut after the headers", jpeg.substr(0, jpeg.find("\xFF\xDA") + 20)},
      {"only the start marker", "\xFF\xD8\xFF"},
      {"frame of 65535 x 65535", hugeFrame},
      {"scrambled", garbage},
      {"text", "not a picture"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    orvane::test::WriteFile(Path("bad.jpg"), c.bytes);
    orvane::test::WriteFile(Path("old.bmp"), "an older output");
    EXPECT_FALSE(DoDecompress(Path("bad.jpg"), Path("old.bmp")));
    EXPECT_EQ(LastError(), kInvalidPicture);
    EXPECT_FALSE(fs::exists(Path("old.bmp"))) << "the output is removed first";
    EXPECT_FALSE(Do24To8(Path("bad.jpg"), Path("eight.bmp")));
    EXPECT_EQ(LastError(), kInvalidPicture);
    EXPECT_FALSE(fs::exists(Path("eight.bmp")));
    EXPECT_EQ(LoadBitMap(Path("bad.jpg")), kNoHandle);
  }
  orvane::test::WriteFile(Path("old.bmp"), "an older output");
  EXPECT_FALSE(DoDecompress(Path("missing.jpg"), Path("old.bmp")));
  EXPECT_EQ(LastError(), kFileNotFound);
  EXPECT_FALSE(fs::exists(Path("old.bmp")));
  EXPECT_EQ(LoadWorkBuff(Path("missing.jpg")), kNoHandle);
  EXPECT_EQ(LastError(), kFileNotFound);
  EXPECT_FALSE(DoCompress(Path("missing.bmp"), Path("out.jpg")));
  EXPECT_EQ(LastError(), kFileNotFound);
  EXPECT_FALSE(Do24To8(Path("missing.jpg"), Path("out.bmp")));
  EXPECT_EQ(LastError(), kFileNotFound);
  EXPECT_FALSE(DoDecompress(Path("photo.jpg"), Path("no/such/folder/out.bmp")));
  EXPECT_EQ(LastError(), kPathFileAccess);
}

}  // namespace
}  // namespace orvane::imaging
