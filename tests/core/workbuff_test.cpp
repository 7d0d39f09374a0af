#include "core/WorkBuff.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <filesystem>
#include <string>

#include "imaging/imaging.h"
#include "tests/support/testenv.h"

namespace orvane::core {
namespace {

namespace fs = std::filesystem;
namespace im = orvane::imaging;

QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 20, y * 30, 90));
  return image;
}

bool SamePixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) return false;
  return true;
}

class WorkBuffTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::MakeTempDir("workbuff");
    temp_ = dir_ / "settings";
    fs::create_directories(temp_);
    ASSERT_TRUE(Pattern(7, 5).save(QString::fromStdString(Path("pic.bmp")), "BMP"));
    ASSERT_TRUE(Pattern(6, 4).save(QString::fromStdString(Path("pic.jpg")), "JPEG"));
    fs::copy_file(Path("pic.jpg"), Path("upper.JPG"));
    fs::copy_file(Path("pic.jpg"), Path("pic.jpg.old"));
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
  fs::path temp_;
};

TEST_F(WorkBuffTest, NewObjectHoldsNothing) {
  WorkBuff buffer;
  EXPECT_EQ(buffer.Width(), 0);
  EXPECT_EQ(buffer.Height(), 0);
  EXPECT_EQ(buffer.hBMP(), im::kNoHandle);
  EXPECT_EQ(buffer.hDC(), 0);
}

// Released handles are given out again, so releases are checked by counting
// the handles held.
TEST_F(WorkBuffTest, InitWorkBuffReplacesTheBufferAndTheDestructorFreesIt) {
  const int held = im::LiveHandleCount();
  {
    WorkBuff buffer;
    ASSERT_TRUE(buffer.InitWorkBuff(30, 20, 0, 0));
    const im::Handle first = buffer.hBMP();
    EXPECT_EQ(buffer.Width(), 30);
    EXPECT_EQ(buffer.Height(), 20);
    EXPECT_EQ(buffer.hDC(), im::GetWorkBuffHDC(first));
    EXPECT_NE(buffer.hDC(), 0);
    EXPECT_EQ(im::LiveHandleCount(), held + 1);

    ASSERT_TRUE(buffer.InitWorkBuff(8, 9, 0, 0));
    EXPECT_EQ(im::LiveHandleCount(), held + 1);  // the first one was released
    EXPECT_EQ(buffer.Width(), 8);
    EXPECT_EQ(im::GetGCBitmapWidth(buffer.hBMP()), 8);

    EXPECT_FALSE(buffer.InitWorkBuff(0, 0, 0, 0));
    EXPECT_EQ(buffer.hBMP(), im::kNoHandle);
    EXPECT_EQ(im::LiveHandleCount(), held);
    ASSERT_TRUE(buffer.InitWorkBuff(3, 3, 0, 0));
    EXPECT_EQ(im::LiveHandleCount(), held + 1);
  }
  EXPECT_EQ(im::LiveHandleCount(), held);
}

TEST_F(WorkBuffTest, InitWorkBuffFromFileChoosesTheWayByTheJpgSubstring) {
  const std::string missingFolder = (dir_ / "no-such-folder/").string();
  struct Case {
    const char* file;
    std::string tempFolder;
    bool loads;
    int width, height;
  };
  // A folder that does not exist shows which names are decoded through the
  // temporary bitmap: only those containing ".jpg" in small letters fail there.
  const Case cases[] = {
      {"pic.jpg", temp_.string() + "/", true, 6, 4},
      {"pic.jpg", temp_.string(), true, 6, 4},  // separator added
      {"pic.jpg", missingFolder, false, 0, 0},
      {"pic.jpg.old", missingFolder, false, 0, 0},
      {"upper.JPG", missingFolder, true, 6, 4},  // loaded directly
      {"pic.bmp", missingFolder, true, 7, 5},
      {"missing.bmp", temp_.string() + "/", false, 0, 0},
      {"missing.jpg", temp_.string() + "/", false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " via " + c.tempFolder);
    const int held = im::LiveHandleCount();
    WorkBuff buffer;
    buffer.SetTempFolder(c.tempFolder);
    ASSERT_TRUE(buffer.InitWorkBuff(2, 2, 0, 0));  // an old buffer goes in every case
    EXPECT_EQ(buffer.InitWorkBuffFromFile(Path(c.file), 0), c.loads);
    EXPECT_EQ(buffer.hBMP() > im::kNoHandle, c.loads);
    EXPECT_EQ(buffer.Width(), c.width);
    EXPECT_EQ(buffer.Height(), c.height);
    // The old buffer is gone, and so is any picture decoded on the way.
    EXPECT_EQ(im::LiveHandleCount(), held + (c.loads ? 1 : 0));
    EXPECT_FALSE(fs::exists(temp_ / "Temp.bmp"));
  }
}

TEST_F(WorkBuffTest, BitmapFileLandsPixelExactAndJpegApproximately) {
  WorkBuff buffer;
  buffer.SetTempFolder(temp_.string() + "/");
  ASSERT_TRUE(buffer.InitWorkBuffFromFile(Path("pic.bmp"), 0));
  EXPECT_TRUE(SamePixels(im::WorkBuffImage(buffer.hBMP()), Pattern(7, 5)));

  ASSERT_TRUE(buffer.InitWorkBuffFromFile(Path("pic.jpg"), 0));
  const QColor corner = QColor(im::WorkBuffImage(buffer.hBMP()).pixel(5, 3));
  EXPECT_NEAR(corner.red(), 100, 24);
  EXPECT_NEAR(corner.green(), 90, 24);
  EXPECT_NEAR(corner.blue(), 90, 24);
}

TEST_F(WorkBuffTest, StaleTemporaryBitmapIsNeitherUsedNorLeft) {
  // A Temp.bmp left from before must not stand in for a JPEG that cannot be read.
  ASSERT_TRUE(Pattern(3, 3).save(QString::fromStdString((temp_ / "Temp.bmp").string()), "BMP"));
  test::WriteFile(dir_ / "broken.jpg", "not a picture");
  WorkBuff buffer;
  buffer.SetTempFolder(temp_.string() + "/");
  EXPECT_FALSE(buffer.InitWorkBuffFromFile(Path("broken.jpg"), 0));
  EXPECT_EQ(buffer.hBMP(), im::kNoHandle);
  EXPECT_FALSE(fs::exists(temp_ / "Temp.bmp"));
}

TEST_F(WorkBuffTest, TempBitmapPathJoinsWithOneSeparator) {
  const std::pair<std::string, std::string> cases[] = {
      {"/data/orvane/", "/data/orvane/Temp.bmp"},
      {"/data/orvane", "/data/orvane/Temp.bmp"},
      {"/data/orvane\\", "/data/orvane/Temp.bmp"},
  };
  for (const auto& [folder, path] : cases) {
    WorkBuff buffer;
    buffer.SetTempFolder(folder);
    EXPECT_EQ(buffer.TempFolder(), folder);
    EXPECT_EQ(buffer.TempBitmapPath(), path);
  }
  WorkBuff none;  // no folder: the system's temporary folder, never the root
  EXPECT_EQ(fs::path(none.TempBitmapPath()).parent_path(), fs::temp_directory_path());
}

TEST_F(WorkBuffTest, CopyIsIndependentAndSelfCopyKeepsThePixels) {
  WorkBuff source;
  ASSERT_TRUE(source.InitWorkBuffFromFile(Path("pic.bmp"), 0));
  WorkBuff copy;
  ASSERT_TRUE(copy.InitWorkBuff(50, 50, 0, 0));
  copy.SetWorkBuff(source);
  EXPECT_NE(copy.hBMP(), source.hBMP());
  EXPECT_EQ(copy.Width(), 7);
  EXPECT_EQ(copy.Height(), 5);
  im::WorkBuffImage(source.hBMP()).fill(Qt::black);
  EXPECT_TRUE(SamePixels(im::WorkBuffImage(copy.hBMP()), Pattern(7, 5)));

  const int held = im::LiveHandleCount();
  copy.SetWorkBuff(copy);
  EXPECT_TRUE(SamePixels(im::WorkBuffImage(copy.hBMP()), Pattern(7, 5)));
  EXPECT_EQ(im::LiveHandleCount(), held);

  // Copying an object without a buffer leaves this one without one too.
  WorkBuff empty;
  copy.SetWorkBuff(empty);
  EXPECT_EQ(copy.hBMP(), im::kNoHandle);
  EXPECT_EQ(copy.Width(), 0);
}

TEST_F(WorkBuffTest, SavePictureWritesTheBuffer) {
  WorkBuff buffer;
  ASSERT_TRUE(buffer.InitWorkBuffFromFile(Path("pic.bmp"), 0));
  const im::Handle handle = buffer.hBMP();
  const int held = im::LiveHandleCount();
  buffer.Clone();  // does nothing
  EXPECT_EQ(buffer.hBMP(), handle);
  EXPECT_EQ(im::LiveHandleCount(), held);
  buffer.SavePicture(Path("saved.bmp"));
  const QImage saved(QString::fromStdString(Path("saved.bmp")));
  EXPECT_TRUE(SamePixels(saved, Pattern(7, 5)));

  WorkBuff empty;
  empty.SavePicture(Path("empty.bmp"));  // reported nowhere, and no crash
  EXPECT_FALSE(fs::exists(Path("empty.bmp")));
}

}  // namespace
}  // namespace orvane::core
