// The wallpaper's calendar and layer overlays, probed by pixels.
#include "settings/WallpaperOverlays.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

#include "core/PPS.h"
#include "imaging/imaging.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
namespace im = orvane::imaging;
using namespace orvane::settings;

namespace {

class Overlays : public testing::Test {
 protected:
  void SetUp() override {
    root_ = orvane::test::MakeTempDir("overlays");
    fs::create_directories(root_ / "Sea");
    job.SettingsFolder = root_.string() + "/";
    job.SettingsFile = job.SettingsFolder + "ScreenSaver.ini";
    job.WPSetFolder = (root_ / "Sea").string() + "/";
    job.WPImagePath = job.WPSetFolder + "photo";
    job.CalendarDate = QDate(2026, 2, 10);
  }
  void TearDown() override {
    if (buffer_ != im::kNoHandle) im::DestroyWorkBuff(buffer_);
  }
  // A grey wallpaper in a work buffer.
  QImage Wallpaper(int width, int height) {
    buffer_ = im::CreateWorkBuff(width, height, 0, 0);
    QImage image = im::WorkBuffImage(buffer_);
    image.fill(qRgb(120, 120, 120));
    return image;
  }
  void Layer(const char* name, int size, QRgb colour) {
    const im::Handle h = im::CreateWorkBuff(size, size, 0, 0);
    im::WorkBuffImage(h).fill(colour);
    ASSERT_TRUE(im::SaveBitmap((root_ / "Sea" / name).string(), h));
    im::DestroyWorkBuff(h);
  }

  fs::path root_;
  WallpaperJob job;
  im::Handle buffer_ = im::kNoHandle;
};

TEST_F(Overlays, CalendarDarkensItsTilesAndLeavesTheRestAlone) {
  // 170 wide at full size: a calendar 130 wide, tiles 32 wide, a band of 128.
  QImage image = Wallpaper(170, 170);
  job.WPCalendarOn = true;
  job.WPCalendarPosition = 1;  // top-left, 20 in
  job.WPCalendarSize = 100;
  DispCalendar(buffer_, 170, 170, job);
  EXPECT_TRUE(fs::exists(root_ / "cal.bmp"));
  EXPECT_EQ(image.pixel(10, 10), qRgb(120, 120, 120));    // outside
  EXPECT_EQ(image.pixel(21, 21), qRgb(40, 40, 40));       // darkened, a third shows through
  EXPECT_EQ(image.pixel(147, 21), qRgb(40, 40, 40));      // the band's last column
  EXPECT_EQ(image.pixel(148, 21), qRgb(120, 120, 120));   // past the 4 x 32 tiles
  // The month is drawn on the darkened area (some pixels bright).
  int bright = 0;
  for (int y = 20; y < 150; ++y)
    for (int x = 20; x < 150; ++x) bright += qRed(image.pixel(x, y)) > 150;
  EXPECT_GT(bright, 50);
}

TEST_F(Overlays, CalendarOffChangesNothingAndLargerThanThePictureIsClipped) {
  QImage image = Wallpaper(60, 40);
  const QImage before = image.copy();
  DispCalendar(buffer_, 60, 40, job);
  EXPECT_EQ(image, before);
  EXPECT_FALSE(fs::exists(root_ / "cal.bmp"));

  job.WPCalendarOn = true;
  job.WPCalendarPosition = 9;
  job.WPCalendarSize = 100;
  DispCalendar(buffer_, 60, 40, job);  // the bounds reach outside the picture
  EXPECT_EQ(image.size(), QSize(60, 40));
}

TEST_F(Overlays, LayerSitsTwentyPixelsInFromTheBottomRight) {
  QImage image = Wallpaper(100, 80);
  Layer("logo.bmp", 10, qRgb(255, 0, 0));
  orvane::test::WriteFile(root_ / "Sea/photo.nfo", "[LayerWP]\r\nlayerImage=logo.bmp\r\nlayerTranslucency=0\r\n");
  DisplayWPLayer(buffer_, 100, 80, job);
  EXPECT_EQ(image.pixel(70, 50), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(79, 59), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(80, 60), qRgb(120, 120, 120));
  EXPECT_EQ(image.pixel(69, 49), qRgb(120, 120, 120));
  // The picture's own layer does not move the set's rotation.
  EXPECT_EQ(orvane::core::GetIniString("PrefsWP", "WallpaperLastLayer", "<none>", job.SettingsFile), "<none>");

  // A layer larger than the wallpaper is clipped; 32768 is the 0..65535 scale's half.
  Layer("big.bmp", 300, qRgb(0, 0, 0));
  orvane::test::WriteFile(root_ / "Sea/photo.nfo", "[LayerWP]\r\nlayerImage=big.bmp\r\nlayerTranslucency=32768\r\n");
  DisplayWPLayer(buffer_, 100, 80, job);
  EXPECT_EQ(image.pixel(0, 0), qRgb(60, 60, 60));
}

TEST_F(Overlays, CompanyLayersRotate) {
  struct Case {
    const char* levels;
    std::vector<std::string> names;
    std::vector<long> expected;
  };
  const Case cases[] = {
      {"30", {"a.bmp", "b.bmp", "c.bmp", "a.bmp"}, {30, 30, 30, 30}},
      {"30,40", {"a.bmp", "b.bmp", "c.bmp", "a.bmp"}, {30, 40, 50, 30}},
  };
  for (const Case& c : cases) {
    fs::remove(job.SettingsFile);
    for (std::size_t i = 0; i < c.names.size(); ++i) {
      long level = -1;
      EXPECT_EQ(NextWPLayer("a.bmp,b.bmp,c.bmp", c.levels, level, job.SettingsFile), c.names[i]) << i;
      EXPECT_EQ(level, c.expected[i]) << c.levels << " " << i;
    }
  }
  long level = -1;
  EXPECT_EQ(NextWPLayer("", "30", level, job.SettingsFile), "");
  EXPECT_EQ(level, -1);
  // A stored index out of range starts again at the first layer.
  orvane::core::WriteIni("PrefsWP", "WallpaperLastLayer", "-7", job.SettingsFile);
  EXPECT_EQ(NextWPLayer("a.bmp,b.bmp", "10", level, job.SettingsFile), "a.bmp");
  EXPECT_EQ(level, 10);
}

TEST_F(Overlays, CompanyLayerIsBlendedAtItsLevel) {
  QImage image = Wallpaper(100, 80);
  Layer("a.bmp", 10, qRgb(200, 0, 0));
  Layer("b.bmp", 10, qRgb(0, 200, 0));
  orvane::test::WriteFile(root_ / "Sea/company.ini", "[LayerWP]\r\nlayerImage=a.bmp,b.bmp\r\nlayerTranslucency=100\r\n");
  DisplayWPLayer(buffer_, 100, 80, job);  // 100 counts as 99: almost all wallpaper
  EXPECT_EQ(image.pixel(75, 55), qRgb(121, 119, 119));
  DisplayWPLayer(buffer_, 100, 80, job);
  EXPECT_EQ(orvane::core::GetIniString("PrefsWP", "WallpaperLastLayer", "", job.SettingsFile), "2");
}

}  // namespace
