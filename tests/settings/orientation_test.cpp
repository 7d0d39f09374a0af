// Phone portraits in the wallpaper and the dialog: the wallpaper builder crops
// and fits the picture by the size it is seen at, and the dialog's thumbnail
// boxes show it upright, for each EXIF orientation.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <string>

#include "core/Globals.h"
#include "platform/msgbox.h"
#include "platform/picturebox.h"
#include "settings/Thumbnails.h"
#include "settings/WallpaperBuilder.h"
#include "tests/settings/picture_files.h"
#include "tests/support/oriented_pictures.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using namespace orvane::settings;
using orvane::test::CornerName;

namespace {

TEST(Orientation, TheWallpaperIsCutAndFittedUpright) {
  const fs::path root = orvane::test::MakeTempDir("wallpaper");
  fs::create_directories(root / "settings");
  orvane::platform::SetMessageBoxHandler([](const orvane::platform::MessageBoxCall& call) {
    ADD_FAILURE() << call.text;
    return 1;
  });
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(testing::Message() << "orientation " << orientation);
    orvane::test::WriteBytes(root / "Sea/photo.jpg", orvane::test::OrientedJpeg(orientation));
    // A screen of the upright picture's shape, five times its size: a crop
    // worked out on the stored size would leave out the marked corner.
    const QSize upright = orvane::test::ExpectedSize(orientation);
    WallpaperJob job;
    job.SettingsFolder = (root / "settings").string() + "/";
    job.SettingsFile = job.SettingsFolder + "ScreenSaver.ini";
    job.WPSetFolder = (root / "Sea").string() + "/";
    job.WPImagePath = job.WPSetFolder + "photo";
    job.ScreenWidth = upright.width() * 5;
    job.ScreenHeight = upright.height() * 5;
    const WallpaperRender render = RenderWallpaper(job, {});
    ASSERT_TRUE(render.ok) << render.failedStep;
    const QImage wallpaper = orvane::test::LoadPicture(root / "settings/Orvane.bmp");
    ASSERT_EQ(wallpaper.size(), upright * 5);
    const orvane::test::SeenMark seen = orvane::test::SeeMark(wallpaper);
    EXPECT_EQ(seen.area.size(), upright * 5);
    EXPECT_STREQ(CornerName(seen.corner), CornerName(orvane::test::ExpectedCorner(orientation)));
  }
  orvane::platform::SetMessageBoxHandler({});
}

TEST(Orientation, TheDialogsThumbnailBoxShowsThePictureUpright) {
  const fs::path root = orvane::test::MakeTempDir("thumbnails");
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(testing::Message() << "orientation " << orientation);
    const fs::path file = root / "pic.jpg";
    orvane::test::WriteBytes(file, orvane::test::OrientedJpeg(orientation));
    orvane::platform::PictureBox box(100, 100);
    ASSERT_EQ(ShowThumbnailFile(box, file.string()), 0);
    const orvane::test::SeenMark seen = orvane::test::SeeMark(box.Image());
    EXPECT_EQ(seen.area.size(), orvane::test::ExpectedSize(orientation));
    EXPECT_STREQ(CornerName(seen.corner), CornerName(orvane::test::ExpectedCorner(orientation)));
  }
}

}  // namespace
