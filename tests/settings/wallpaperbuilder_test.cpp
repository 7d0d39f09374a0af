// The wallpaper builder without the dialog: the crop and fit arithmetic, the
// render's stages and files, the keys, and the failures that must leave
// nothing behind.
#include "settings/WallpaperBuilder.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/Globals.h"
#include "core/PPS.h"
#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "platform/desktop.h"
#include "platform/msgbox.h"
#include "platform/vbruntime.h"
#include "tests/installer/tiny_disk.h"
#include "tests/settings/picture_files.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
namespace im = orvane::imaging;
namespace pf = orvane::platform;
using namespace orvane::settings;

namespace {

using orvane::test::WritePicture;
using orvane::test::LoadPicture;

int BitsOfBitmap(const fs::path& file) {
  const std::string bytes = orvane::test::ReadFile(file);
  return bytes.size() > 29 ? static_cast<unsigned char>(bytes[28]) : 0;
}

class Builder : public testing::Test {
 protected:
  void SetUp() override {
    root_ = orvane::test::MakeTempDir("builder");
    fs::create_directories(root_ / "settings");
    fs::create_directories(root_ / "Sea");
    job.SettingsFolder = (root_ / "settings").string() + "/";
    job.SettingsFile = job.SettingsFolder + "ScreenSaver.ini";
    job.WPSetFolder = (root_ / "Sea").string() + "/";
    job.WPImagePath = job.WPSetFolder + "photo";
    job.ScreenWidth = 320;
    job.ScreenHeight = 180;
    keys.CurrentSet = "Sea";
    keys.CurrentImage = "Photo";
    pf::SetMessageBoxHandler([this](const pf::MessageBoxCall& call) {
      boxes.push_back(call.text);
      return 1;
    });
  }
  void TearDown() override { pf::SetMessageBoxHandler({}); }

  fs::path Settings(const char* name) const { return root_ / "settings" / name; }
  std::string Key(const char* section, const char* key) const {
    return orvane::core::GetIniString(section, key, "<none>", job.SettingsFile);
  }
  WallpaperRender Render() {
    statuses.clear();
    return RenderWallpaper(job, [this](const std::string& s) { statuses.push_back(s); });
  }

  fs::path root_;
  WallpaperJob job;
  WallpaperKeys keys;
  std::vector<std::string> statuses;
  std::vector<std::string> boxes;
};

TEST(WallpaperCrop, PanoramaZoomAndClamp) {
  struct Case {
    const char* name;
    CropRect got;
    CropRect expected;
  };
  const Case cases[] = {
      {"panorama", PanoramaCrop(3000, 600, "LeftToRight", 500, 1024, 768), {500, 0, 800, 600}},
      {"lower-case direction", PanoramaCrop(3000, 600, "lefttoright", 500, 1024, 768), {0, 0, 3000, 600}},
      {"vertical", PanoramaCrop(600, 3000, "BottomToTop", 100, 1024, 768), {0, 100, 600, 450}},
      {"origin past the edge", PanoramaCrop(3000, 600, "RightToLeft", 2900, 1024, 768), {2200, 0, 800, 600}},
      {"negative origin", PanoramaCrop(3000, 600, "LeftToRight", -40, 1024, 768), {0, 0, 800, 600}},
      {"16:9 screen", PanoramaCrop(3000, 600, "LeftToRight", 500, 1920, 1080), {500, 0, 1067, 600}},
      {"crop wider than the picture keeps the shape", PanoramaCrop(500, 600, "LeftToRight", 10, 1024, 768),
       {0, 112, 500, 375}},
      {"crop higher than the picture keeps the shape", PanoramaCrop(600, 300, "TopToBottom", 10, 1024, 768),
       {100, 0, 400, 300}},
      {"4:3 on 16:9 keeps the middle", ZoomCrop(400, 300, 320, 180), {0, 38, 400, 225}},
      {"6000x4000 on 16:9", ZoomCrop(6000, 4000, 1920, 1080), {0, 312, 6000, 3375}},
      {"portrait on 16:9", ZoomCrop(300, 400, 320, 180), {0, 116, 300, 169}},
      {"wide on 4:3 keeps the centre", ZoomCrop(1000, 300, 400, 300), {300, 0, 400, 300}},
      {"within 2 % is taken whole", ZoomCrop(400, 226, 320, 180), {0, 0, 400, 226}},
      {"clamp", ClampCrop({-5, 90, 50, 50}, 40, 100), {0, 50, 40, 50}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.name;
}

TEST_F(Builder, FittedPictureCoversTheScreenAndCropsEvenly) {
  // 4:3 with bands at top and bottom that the 16:9 screen leaves out.
  WritePicture(root_ / "Sea/photo.jpg", 400, 300, [](int, int y) {
    return y < 30 ? qRgb(255, 0, 0) : y >= 270 ? qRgb(0, 0, 255) : qRgb(0, 200, 0);
  });
  const WallpaperRender render = Render();
  ASSERT_TRUE(render.ok) << render.failedStep;
  EXPECT_EQ(render.target, Settings("Orvane.bmp").string());
  const QImage out = LoadPicture(Settings("Orvane.bmp"));
  ASSERT_EQ(out.size(), QSize(320, 180));
  for (int x : {0, 160, 319}) {
    EXPECT_EQ(out.pixel(x, 0), qRgb(0, 200, 0)) << x;
    EXPECT_EQ(out.pixel(x, 179), qRgb(0, 200, 0)) << x;
  }
  EXPECT_EQ(statuses, std::vector<std::string>{"Loading Image."});  // shrunk: no filter pass
  EXPECT_TRUE(fs::exists(Settings("sswpprep.bmp")));                // the decoded picture stays
}

TEST_F(Builder, PanoramaIsCutAtItsOriginThenStretchedAndSmoothedBelowTheTopRows) {
  // The red channel tells the column, the green one the row band.
  WritePicture(root_ / "Sea/photo.jpg", 3000, 600,
               [](int x, int y) { return qRgb(x / 12, (y / 8) % 2 ? 255 : 0, 0); });
  orvane::test::WriteFile(root_ / "Sea/photo.nfo", "[Panoramic]\r\nPanDirection=LeftToRight\r\nPanoramicOrigin=500\r\n");
  job.ScreenWidth = 1024;
  job.ScreenHeight = 768;
  ASSERT_TRUE(Render().ok);
  const QImage out = LoadPicture(Settings("Orvane.bmp"));
  ASSERT_EQ(out.size(), QSize(1024, 768));
  EXPECT_NEAR(qRed(out.pixel(0, 300)), 500 / 12, 1);
  EXPECT_NEAR(qRed(out.pixel(1023, 300)), 1299 / 12, 1);
  // Higher than the picture: smoothed, except the top four rows.
  EXPECT_EQ(statuses, (std::vector<std::string>{"Loading Image.", "Filtering Image."}));
  const im::Handle source = im::LoadWorkBuff((root_ / "Sea/photo.jpg").string());
  const im::Handle plain = im::CreateWorkBuff(1024, 768, 0, 0);
  im::SetStretchBltMode(im::GetWorkBuffHDC(plain), 4);
  im::StretchBlt(im::GetWorkBuffHDC(plain), 0, 0, 1024, 768, im::GetWorkBuffHDC(source), 500, 0, 800, 600);
  const QImage unsmoothed = im::WorkBuffImage(plain);
  for (int y = 0; y < 4; ++y)
    EXPECT_EQ(out.copy(0, y, 1024, 1), unsmoothed.copy(0, y, 1024, 1)) << "row " << y;
  EXPECT_NE(out.copy(0, 20, 1024, 20), unsmoothed.copy(0, 20, 1024, 20));
  im::DestroyWorkBuff(plain);
  im::DestroyWorkBuff(source);
}

// On a 16:9 screen the still piece of a panorama is cut 16:9, so nothing is
// stretched out of shape; the origin still says where along the pan it lies.
// The picture's channels tell the column (red) and the row (green).
TEST_F(Builder, PanoramaIsCutAtTheScreensProportions) {
  struct Case {
    const char* name;
    int width, height;
    const char* nfo;
    QPoint probe;      // a pixel of the wallpaper
    QPoint expected;   // the picture's pixel it shows
  };
  const Case cases[] = {
      // 600 x 16 / 9 = 1067 columns from 500: the right edge shows column 1566.
      {"left to right", 3000, 600, "PanDirection=LeftToRight\r\nPanoramicOrigin=500", {319, 90}, {1565, 300}},
      {"left to right, middle", 3000, 600, "PanDirection=LeftToRight\r\nPanoramicOrigin=500", {160, 90}, {1033, 300}},
      // 600 x 9 / 16 = 338 rows from 100: the bottom row shows row 437.
      {"top to bottom", 600, 3000, "PanDirection=TopToBottom\r\nPanoramicOrigin=100", {160, 179}, {300, 436}},
      // Shorter than the screen's shape: the whole length at the screen's shape,
      // the height centred (500 x 9 / 16 = 281 rows from 59).
      {"short panorama", 500, 400, "PanDirection=RightToLeft\r\nPanoramicOrigin=0", {160, 0}, {250, 59}},
  };
  job.ScreenWidth = 320;
  job.ScreenHeight = 180;
  for (const Case& c : cases) {
    WritePicture(root_ / "Sea/photo.jpg", c.width, c.height,
                 [](int x, int y) { return qRgb(x / 16 % 256, y / 16 % 256, 0); });
    orvane::test::WriteFile(root_ / "Sea/photo.nfo", std::string("[Panoramic]\r\n") + c.nfo + "\r\n");
    ASSERT_TRUE(Render().ok) << c.name;
    const QImage out = LoadPicture(Settings("Orvane.bmp"));
    ASSERT_EQ(out.size(), QSize(320, 180)) << c.name;
    const QRgb got = out.pixel(c.probe);
    EXPECT_NEAR(qRed(got), c.expected.x() / 16, 1) << c.name;
    EXPECT_NEAR(qGreen(got), c.expected.y() / 16, 1) << c.name;
  }
}

TEST_F(Builder, NotFittedIsCopiedOneToOne) {
  WritePicture(root_ / "Sea/photo.jpg", 200, 150, [](int x, int y) { return qRgb(x, y, (x * y) % 256); });
  job.Fit2Screen = false;
  orvane::core::ProgressTotal = 400;
  ASSERT_TRUE(Render().ok);
  EXPECT_EQ(LoadPicture(Settings("Orvane.bmp")), LoadPicture(root_ / "Sea/photo.jpg"));
  EXPECT_EQ(orvane::core::ProgressTotal, 200);
  EXPECT_EQ(statuses, std::vector<std::string>{"Loading Image."});
}

TEST_F(Builder, LowColourScreenGetsAnEightBitWallpaperAndNoTemporaryFiles) {
  WritePicture(root_ / "Sea/photo.jpg", 160, 90, [](int x, int y) { return qRgb(x, y, 100); }, true);
  job.BitsPerPixel = 16;
  job.ScreenWidth = 160;
  job.ScreenHeight = 90;
  const WallpaperOutcome outcome = BuildAndSetWallpaper(job, keys, true, [this](const std::string& s) {
    statuses.push_back(s);
  });
  ASSERT_EQ(outcome.result, WallpaperResult::Applied);
  EXPECT_EQ(orvane::core::ProgressTotal, 900);
  EXPECT_EQ(BitsOfBitmap(Settings("Orvane.bmp")), 8);
  EXPECT_EQ(LoadPicture(Settings("Orvane.bmp")).size(), QSize(160, 90));
  EXPECT_FALSE(fs::exists(Settings("wp.jpg")));
  EXPECT_FALSE(fs::exists(Settings("sswpprep.bmp")));
  EXPECT_EQ(statuses, (std::vector<std::string>{"Loading Image.", "Conversion to 8 bit. Pass 1",
                                                "Conversion to 8 bit. Pass 2"}));
  for (const auto& entry : fs::directory_iterator(root_ / "settings")) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "Orvane.bmp" || name.rfind("ScreenSaver.ini", 0) == 0) << name;
  }
}

TEST_F(Builder, LargeJpegIsDecodedScaledAndStillFillsTheScreen) {
  WritePicture(root_ / "Sea/photo.jpg", 1600, 1200, [](int x, int y) { return qRgb(x % 256, y % 256, 60); }, true);
  job.ScreenWidth = 240;
  job.ScreenHeight = 135;
  ASSERT_TRUE(Render().ok);
  EXPECT_EQ(LoadPicture(Settings("Orvane.bmp")).size(), QSize(240, 135));
  // 1/4 still covers the screen with the crop (400x225); 1/8 (200x113) would not.
  EXPECT_EQ(LoadPicture(Settings("sswpprep.bmp")).size(), QSize(400, 300));
}

TEST_F(Builder, PictureIsFoundWhateverTheCaseOfItsName) {
  WritePicture(root_ / "Sea/Photo.JPG", 32, 18, [](int, int) { return qRgb(9, 9, 9); });
  ASSERT_TRUE(Render().ok);
  EXPECT_EQ(LoadPicture(Settings("Orvane.bmp")).pixel(100, 100), qRgb(9, 9, 9));
}

TEST_F(Builder, PictureThatCannotBeDecodedSetsNothingAndWritesNoKeys) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
  };
  const Case cases[] = {
      {"missing", [](const fs::path&) {}},
      {"truncated", [](const fs::path& f) {
         WritePicture(f, 64, 64, [](int x, int) { return qRgb(x, 0, 0); }, true);
         const std::string bytes = orvane::test::ReadFile(f);
         orvane::test::WriteFile(f, bytes.substr(0, bytes.size() / 2));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(root_ / "Sea/photo.jpg");
    c.make(root_ / "Sea/photo.jpg");
    // What an earlier render left must not be taken for this one.
    orvane::test::WriteFile(Settings("Orvane.bmp"), "old wallpaper");
    WritePicture(Settings("sswpprep.bmp"), 320, 180, [](int, int) { return qRgb(1, 2, 3); });
    const WallpaperOutcome outcome = BuildAndSetWallpaper(job, keys, true);
    EXPECT_EQ(outcome.result, WallpaperResult::Failed);
    EXPECT_EQ(outcome.failedStep, "Decompressing");
    EXPECT_FALSE(fs::exists(job.SettingsFile));
    EXPECT_FALSE(fs::exists(Settings("sswpprep.bmp")));
    EXPECT_EQ(orvane::test::ReadFile(Settings("Orvane.bmp")), "old wallpaper");
    EXPECT_EQ(pf::GetDesktopWallpaper(), "");
  }
}

TEST_F(Builder, WallpaperThatCannotBeWrittenIsAFailureNotASuccess) {
  WritePicture(root_ / "Sea/photo.jpg", 64, 36, [](int, int) { return qRgb(5, 5, 5); });
  fs::create_directories(Settings("Orvane.bmp") / "in the way");  // the rename cannot replace it
  for (int bits : {24, 8}) {
    job.BitsPerPixel = bits;
    const WallpaperOutcome outcome = BuildAndSetWallpaper(job, keys, true);
    EXPECT_EQ(outcome.result, WallpaperResult::Failed) << bits;
    EXPECT_EQ(outcome.failedStep, "Creating work buff") << bits;
    EXPECT_FALSE(fs::exists(job.SettingsFile)) << bits;
    EXPECT_EQ(pf::GetDesktopWallpaper(), "") << bits;
  }
  // No temporary file is left behind either.
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(root_ / "settings")) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"Orvane.bmp"}));
}

// The settings folder on a 512 KiB disk: the decode's output, or the wallpaper
// after it, does not fit. The report says the disk is full and which file
// could not be written, not that the photograph failed, and the run leaves
// nothing behind; the wallpaper before it stays.
TEST_F(Builder, FullDiskIsSaidAndLeavesNothingBehind) {
  if (const char* disk = orvane::test::TinyDisk()) {
    job.SettingsFolder = std::string(disk) + "/";
    job.SettingsFile = job.SettingsFolder + "ScreenSaver.ini";
    struct Case {
      int pictureW, pictureH, screenW, screenH, bits;
      const char* failedStep;
      const char* file;
    };
    const std::vector<Case> cases = {
        {600, 400, 320, 180, 24, "Decompressing", "sswpprep.bmp"},  // 720,000 bytes decoded
        {200, 150, 480, 360, 24, "Creating work buff", "Orvane.bmp"},  // 518,400 bytes of wallpaper
        {200, 150, 480, 360, 8, "Creating work buff", "sswpprep.bmp"},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.bits));
      fs::remove(root_ / "Sea/photo.jpg");
      WritePicture(root_ / "Sea/photo.jpg", c.pictureW, c.pictureH, [](int x, int y) { return qRgb(x, y, 9); });
      orvane::test::WriteFile(fs::path(disk) / "Orvane.bmp", "old wallpaper");
      job.ScreenWidth = c.screenW;
      job.ScreenHeight = c.screenH;
      job.BitsPerPixel = c.bits;
      const WallpaperOutcome outcome = BuildAndSetWallpaper(job, keys, true);
      ASSERT_EQ(outcome.result, WallpaperResult::Failed);
      EXPECT_EQ(outcome.failedStep, c.failedStep);
      EXPECT_EQ(outcome.reason, "the disk is full, " + job.SettingsFolder + c.file +
                                    " could not be written (No space left on device)");
      std::vector<std::string> left;
      for (const auto& entry : fs::directory_iterator(disk)) left.push_back(entry.path().filename().string());
      EXPECT_EQ(left, std::vector<std::string>{"Orvane.bmp"});
      EXPECT_EQ(orvane::test::ReadFile(fs::path(disk) / "Orvane.bmp"), "old wallpaper");

      orvane::core::ErrorFile = (root_ / "Sea/photo.jpg").string();
      fs::remove(WallpaperLogFile());
      ReportWallpaperFailure(outcome.failedStep, false, outcome.reason);
      const std::string log = orvane::test::ReadFile(WallpaperLogFile());
      EXPECT_NE(log.find("(" + outcome.failedStep + "): the disk is full, " + job.SettingsFolder + c.file),
                std::string::npos)
          << log;
      EXPECT_EQ(log.find("photo.jpg"), std::string::npos) << log;
    }
    return;
  }
  orvane::test::RunOnTinyDisk("Builder.FullDiskIsSaidAndLeavesNothingBehind", "512k");
}

TEST_F(Builder, FailureIsReportedByTwoBoxesOrOnceWithoutThem) {
  ReportWallpaperFailure("Decompressing", true);
  EXPECT_EQ(boxes, (std::vector<std::string>{"An Error occured while setting the wall paper.", "Decompressing"}));
  boxes.clear();
  orvane::core::ErrorFile = "/sets/Sea/photo.jpg";
  ReportWallpaperFailure("Decompressing", false);
  EXPECT_TRUE(boxes.empty());
  const std::string log = orvane::test::ReadFile(WallpaperLogFile());
  EXPECT_NE(log.find("(Decompressing): /sets/Sea/photo.jpg"), std::string::npos) << log;
}

TEST_F(Builder, KeysFollowWhatWasDueAndWhoAsked) {
  const pf::DateTime when{2026, 6, 27, 15, 4, 5};
  keys.Change = 3;
  keys.CalendarOn = true;
  keys.CalendarPosition = 9;
  keys.CalendarSize = 66;
  WriteWallpaperKeys(job.SettingsFile, keys, true, when);
  EXPECT_EQ(Key("PrefsWP", "random"), "0");
  EXPECT_EQ(Key("PrefsWP", "CurrentSet"), "Sea");
  EXPECT_EQ(Key("PrefsWP", "CurrentImage"), "Photo");
  EXPECT_EQ(Key("PrefsWP", "stretch"), "1");
  EXPECT_EQ(Key("PrefsWP", "enable"), "1");
  EXPECT_EQ(Key("PrefsWP", "change"), "3");
  EXPECT_EQ(Key("PrefsWP", "sound"), "0");
  EXPECT_EQ(Key("CalendarWP", "enable"), "1");
  EXPECT_EQ(Key("CalendarWP", "position"), "9");
  EXPECT_EQ(Key("CalendarWP", "size"), "66");
  EXPECT_EQ(Key("PrefsWP", "LastChanged"), "Jun 27, 2026 3:04:05 PM");

  // Random: the set and image are not stored; nothing due: no LastChanged.
  fs::remove(job.SettingsFile);
  keys.Random = true;
  WriteWallpaperKeys(job.SettingsFile, keys, false, when);
  EXPECT_EQ(Key("PrefsWP", "random"), "1");
  EXPECT_EQ(Key("PrefsWP", "CurrentSet"), "<none>");
  EXPECT_EQ(Key("PrefsWP", "LastChanged"), "<none>");

  // A "/wall" change stores only the set and the image (and when).
  fs::remove(job.SettingsFile);
  keys.WPAutoChange = true;
  WriteWallpaperKeys(job.SettingsFile, keys, true, when);
  EXPECT_EQ(Key("PrefsWP", "CurrentSet"), "Sea");
  EXPECT_EQ(Key("PrefsWP", "CurrentImage"), "Photo");
  EXPECT_EQ(Key("PrefsWP", "random"), "<none>");
  EXPECT_EQ(Key("PrefsWP", "stretch"), "<none>");
  EXPECT_EQ(Key("PrefsWP", "LastChanged"), "Jun 27, 2026 3:04:05 PM");
}

TEST_F(Builder, WallpaperOffClearsTheDesktopAndNothingDueTouchesOnlyTheKeys) {
  job.WallpaperOn = false;
  keys.WallpaperOn = false;
  EXPECT_EQ(BuildAndSetWallpaper(job, keys, true).result, WallpaperResult::Applied);
  EXPECT_EQ(pf::GetDesktopWallpaper(), "(none)");
  EXPECT_EQ(Key("PrefsWP", "enable"), "0");
  EXPECT_NE(Key("PrefsWP", "LastChanged"), "<none>");
  EXPECT_FALSE(fs::exists(Settings("Orvane.bmp")));

  fs::remove(job.SettingsFile);
  pf::SetDesktopWallpaper("");
  job.WallpaperOn = true;
  EXPECT_EQ(BuildAndSetWallpaper(job, keys, false).result, WallpaperResult::KeysOnly);  // no picture needed
  EXPECT_EQ(pf::GetDesktopWallpaper(), "");
  EXPECT_EQ(Key("PrefsWP", "LastChanged"), "<none>");
  EXPECT_EQ(Key("PrefsWP", "CurrentSet"), "Sea");
}

}  // namespace
