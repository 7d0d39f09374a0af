// Slide preparation: which entry comes next, how the picture is fitted,
// centred, laid out as a strip or cut out, the overlay, the low-colour path,
// and the pictures and lists that cannot be shown.
#include <gtest/gtest.h>

#include <QPainter>
#include <cstdlib>
#include <fstream>

#include "imaging/gdi.h"

#include "core/ImageDescription.h"
#include "tests/saver/frmsaver_fixture.h"

namespace orvane::saver::test {
namespace {

class PrepImageTest : public SaverTest {};

TEST(HasExtension, LastPathComponentDecides) {
  struct Case {
    const char* name;
    bool expected;
  } cases[] = {
      {"a\\b.c", true}, {"abc.", true},     {"a.b\\c", false}, {"abc", false},
      {"a.b/c", false}, {"a.b\\c.d", true}, {"", false},       {"x.bmp", true},
  };
  for (const Case& c : cases) EXPECT_EQ(HasExtension(c.name), c.expected) << c.name;
}

struct FitCase {
  const char* name;
  int width, height;  // source picture
  const char* direction;
  int origin;
  bool panOn, stretch;
  int slideW, slideH;        // picStretch afterwards
  int imageW, imageH;        // ImageWidth, ImageHeight
  bool stillPanning;         // PanDirection kept
  int checkX, checkY;        // a point of the slide...
  int sourceX, sourceY;      // ...that must hold this source pixel (-1: not checked)
  const char* location;
};

TEST_F(PrepImageTest, FitsCentresStripsAndCutsOut) {
  const FitCase cases[] = {
      {"smaller, fitted", 160, 120, "", 0, true, true, 320, 240, 160, 120, false, 0, 0, -1, -1, "PrepImage:1"},
      {"larger, fitted", 640, 480, "", 0, true, true, 320, 240, 640, 480, false, 0, 0, -1, -1, "PrepImage:2"},
      {"screen size", 320, 240, "", 0, true, true, 320, 240, 320, 240, false, 5, 7, 5, 7, "PrepImage:2"},
      {"smaller, centred", 100, 50, "", 0, true, false, 320, 240, 100, 50, false, 110, 95, 0, 0, "PrepImage:2"},
      {"larger, cropped evenly", 400, 300, "", 0, true, false, 320, 240, 400, 300, false, 0, 0, 40, 30, "PrepImage:2"},
      {"vertical strip, fitted", 160, 600, "TopToBottom", 0, true, true, 320, 1200, 160, 600, true, 0, 0, -1, -1, "PrepImage:1"},
      {"vertical strip, own size", 160, 600, "BottomToTop", 0, true, false, 160, 600, 160, 600, true, 3, 500, 3, 500, "PrepImage:2"},
      {"horizontal strip, fitted", 800, 120, "LeftToRight", 0, true, true, 1600, 240, 800, 120, true, 0, 0, -1, -1, "PrepImage:1"},
      {"vertical cut-out, fitted", 160, 600, "TopToBottom", 100, false, true, 320, 240, 160, 120, false, 0, 0, -1, -1, "PrepImage:1"},
      {"horizontal cut-out, centred", 800, 120, "RightToLeft", 50, false, false, 320, 240, 160, 120, false, 80, 60, 50, 0, "PrepImage:2"},
      {"direction in other case", 640, 120, "lefttoright", 0, true, false, 320, 240, 640, 120, true, 0, 60, 160, 0, "PrepImage:2"},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.name);
    SeaSet({"pic.bmp"});
    WritePicture(SetFile("pic.bmp"), c.width, c.height);
    SetText("pic.bmp.nfo", std::string("[Panoramic]\r\nPanDirection=") + c.direction +
                               "\r\nPanoramicOrigin=" + std::to_string(c.origin) + "\r\n");
    Setting("Panoramic", "enable", c.panOn ? "1" : "0");
    Setting("PrefsSS", "stretch", c.stretch ? "1" : "0");
    frmSaver& w = NewRun();
    w.PrepImage();
    const QImage slide = Prepared();
    EXPECT_EQ(slide.width(), c.slideW);
    EXPECT_EQ(slide.height(), c.slideH);
    EXPECT_EQ(w.ImageWidth, c.imageW);
    EXPECT_EQ(w.ImageHeight, c.imageH);
    EXPECT_EQ(!w.PanDirection.empty(), c.stillPanning);
    EXPECT_EQ(core::ErrorLocation, c.location);
    if (c.sourceX >= 0) {
      EXPECT_EQ(slide.pixel(c.checkX, c.checkY) & 0xFFFFFF,
                PatternPixel(c.sourceX, c.sourceY) & 0xFFFFFF);
    }
    EXPECT_TRUE(fs::exists(settingsFolder_ + "ssprep.bmp"));
    EXPECT_FALSE(fs::exists(settingsFolder_ + "ssj.bmp"));
  }
}

// Writes the picture as a 24-bit bitmap, or as a JPEG for a ".jpg" name.
void WriteImage(const fs::path& file, const QImage& picture) {
  fs::create_directories(file.parent_path());
  const imaging::Handle buffer = imaging::CreateWorkBuff(picture.width(), picture.height(), 0, 0);
  QImage surface = imaging::WorkBuffImage(buffer);
  QPainter(&surface).drawImage(0, 0, picture);
  const std::string bmp = file.extension() == ".jpg" ? file.string() + ".tmp.bmp" : file.string();
  ASSERT_TRUE(imaging::SaveBitmap(bmp, buffer));
  imaging::DestroyWorkBuff(buffer);
  if (file.extension() == ".jpg") {
    ASSERT_TRUE(imaging::DoCompress(bmp, file.string()));
    fs::remove(bmp);
  }
}

// A white disc filling the height of a grey picture.
QImage Disc(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(QColor(100, 100, 100));
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  const int d = height * 4 / 5;
  painter.drawEllipse(QRect((width - d) / 2, (height - d) / 2, d, d));
  return picture;
}

// The extent of the pixels brighter than mid-grey: left, top, right, bottom.
QRect BrightArea(const QImage& image) {
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGreen(image.pixel(x, y)) > 180) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

bool IsBlack(QRgb pixel) { return (pixel & 0xFFFFFF) == 0; }

TEST_F(PrepImageTest, FittedPictureKeepsItsProportionsCentredOnBlack) {
  // A 4:3 picture on a 16:9 screen: 240 x 180 in the middle of 320 x 180,
  // from a bitmap at twice that and from a JPEG large enough to be decoded
  // DCT-scaled.
  screenSize_ = QSize(320, 180);
  for (const char* name : {"disc.bmp", "disc.jpg"}) {
    SCOPED_TRACE(name);
    const bool jpeg = std::string(name).ends_with(".jpg");
    SeaSet({name});
    WriteImage(SetFile(name), jpeg ? Disc(1600, 1200) : Disc(480, 360));
    frmSaver& w = NewRun();
    w.PrepImage();
    const QImage slide = Prepared();
    ASSERT_EQ(slide.size(), QSize(320, 180));
    EXPECT_EQ(w.ImageWidth, jpeg ? 1600 : 480);
    // The disc stays round: 144 pixels across both ways.
    const QRect disc = BrightArea(slide);
    EXPECT_NEAR(disc.width(), 144, 2);
    EXPECT_NEAR(disc.height(), 144, 2);
    EXPECT_NEAR(disc.center().x(), 160, 1);
    EXPECT_NEAR(disc.center().y(), 90, 1);
    // Black bars of 40 columns either side, the picture's grey between them.
    for (int y : {0, 90, 179}) {
      EXPECT_TRUE(IsBlack(slide.pixel(0, y)));
      EXPECT_TRUE(IsBlack(slide.pixel(38, y)));
      EXPECT_TRUE(IsBlack(slide.pixel(281, y)));
      EXPECT_TRUE(IsBlack(slide.pixel(319, y)));
      EXPECT_NEAR(qGreen(slide.pixel(42, y)), 100, 3);
      EXPECT_NEAR(qGreen(slide.pixel(277, y)), 100, 3);
    }
  }
}

TEST_F(PrepImageTest, PictureWithinTwoPercentOfTheScreenIsStretchedOverIt) {
  SeaSet({"pic.bmp"});
  WritePicture(SetFile("pic.bmp"), 326, 240, qRgb(10, 200, 30));  // 1.9 % wider than the screen
  Window().PrepImage();
  const QImage slide = Prepared();
  for (QPoint corner : {QPoint(0, 0), QPoint(319, 0), QPoint(0, 239), QPoint(319, 239)})
    EXPECT_EQ(slide.pixel(corner) & 0xFFFFFF, qRgb(10, 200, 30) & 0xFFFFFF);
}

TEST_F(PrepImageTest, PanoramaCutOutRunningPastItsEndIsFittedKeepingProportions) {
  // 40 rows are left below PanoramicOrigin 560: a 160 x 40 cut-out, shown
  // 320 x 80 in the middle of the screen.
  SeaSet({"pic.bmp"});
  WritePicture(SetFile("pic.bmp"), 160, 600, qRgb(10, 200, 30));
  SetText("pic.bmp.nfo", "[Panoramic]\r\nPanDirection=TopToBottom\r\nPanoramicOrigin=560\r\n");
  Setting("Panoramic", "enable", "0");
  frmSaver& w = Window();
  w.PrepImage();
  const QImage slide = Prepared();
  EXPECT_EQ(w.ImageWidth, 160);
  EXPECT_EQ(w.ImageHeight, 40);
  EXPECT_TRUE(IsBlack(slide.pixel(160, 78)));
  EXPECT_EQ(slide.pixel(160, 81) & 0xFFFFFF, qRgb(10, 200, 30) & 0xFFFFFF);
  EXPECT_EQ(slide.pixel(160, 158) & 0xFFFFFF, qRgb(10, 200, 30) & 0xFFFFFF);
  EXPECT_TRUE(IsBlack(slide.pixel(160, 161)));
}

TEST_F(PrepImageTest, DctScaledSlideMatchesTheFullDecodeWithinRounding) {
  // A smooth photograph-like JPEG at five times the slide: the fast path
  // decodes it at a quarter and stretches that; the reference stretches the
  // full decode.
  screenSize_ = QSize(320, 180);
  QImage picture(1600, 1200, QImage::Format_RGB32);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      picture.setPixel(x, y, qRgb(x * 255 / 1600, y * 255 / 1200, (x + y) * 255 / 2800));
  SeaSet({"photo.jpg"});
  WriteImage(SetFile("photo.jpg"), picture);
  Window().PrepImage();
  const QImage slide = Prepared();

  const imaging::Handle full = imaging::LoadWorkBuff(SetFile("photo.jpg").string());
  const imaging::Handle reference = imaging::CreateWorkBuff(320, 180, 0, 0);
  imaging::SetStretchBltMode(imaging::GetWorkBuffHDC(reference), imaging::kHalftone);
  imaging::StretchBlt(imaging::GetWorkBuffHDC(reference), 40, 0, 240, 180,
                      imaging::GetWorkBuffHDC(full), 0, 0, 1600, 1200);
  const QImage expected = imaging::WorkBuffImage(reference);
  int worst = 0;
  for (int y = 0; y < 180; ++y)
    for (int x = 0; x < 320; ++x) {
      const QRgb a = slide.pixel(x, y), b = expected.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                        std::abs(qBlue(a) - qBlue(b))});
    }
  EXPECT_LE(worst, 2);
  imaging::DestroyWorkBuff(full);
  imaging::DestroyWorkBuff(reference);
}

TEST_F(PrepImageTest, CentredPictureHasBlackAroundIt) {
  SeaSet({"pic.bmp"});
  WritePicture(SetFile("pic.bmp"), 100, 50);
  Setting("PrefsSS", "stretch", "0");
  Window().PrepImage();
  const QImage slide = Prepared();
  EXPECT_EQ(slide.pixel(109, 95) & 0xFFFFFF, 0u);
  EXPECT_EQ(slide.pixel(210, 145) & 0xFFFFFF, 0u);
  EXPECT_EQ(slide.pixel(209, 144) & 0xFFFFFF, PatternPixel(99, 49) & 0xFFFFFF);
}

TEST_F(PrepImageTest, LayerSitsTwentyPixelsInAtItsLevel) {
  SeaSet({"pic.bmp"});
  WritePicture(SetFile("pic.bmp"), 320, 240, qRgb(0, 0, 200));
  WritePicture(SetFile("logo.bmp"), 20, 10, qRgb(200, 0, 0));
  SetText("company.ini", "[LayerSS]\r\nlayerImage=logo.bmp\r\nlayerTranslucency=0\r\n");
  Window().PrepImage();
  QImage slide = Prepared();
  EXPECT_EQ(slide.pixel(280, 210) & 0xFFFFFF, qRgb(200, 0, 0) & 0xFFFFFF);
  EXPECT_EQ(slide.pixel(299, 219) & 0xFFFFFF, qRgb(200, 0, 0) & 0xFFFFFF);
  EXPECT_EQ(slide.pixel(279, 210) & 0xFFFFFF, qRgb(0, 0, 200) & 0xFFFFFF);
  EXPECT_EQ(slide.pixel(300, 220) & 0xFFFFFF, qRgb(0, 0, 200) & 0xFFFFFF);

  // Half translucent: half of each.
  SetText("company.ini", "[LayerSS]\r\nlayerImage=logo.bmp\r\nlayerTranslucency=50\r\n");
  Window().PrepImage();
  slide = Prepared();
  EXPECT_NEAR(qRed(slide.pixel(285, 215)), 100, 2);
  EXPECT_NEAR(qBlue(slide.pixel(285, 215)), 100, 2);
}

TEST_F(PrepImageTest, LayerOfAPanoramaStartingAtItsFarEndSitsInThePartShownFirst) {
  SeaSet({"pic.bmp"});
  WritePicture(SetFile("pic.bmp"), 160, 600, qRgb(0, 0, 200));
  WritePicture(SetFile("logo.bmp"), 20, 10, qRgb(200, 0, 0));
  SetText("pic.bmp.nfo", "[Panoramic]\r\nPanDirection=BottomToTop\r\n");
  SetText("company.ini", "[LayerSS]\r\nlayerImage=logo.bmp\r\nlayerTranslucency=0\r\n");
  Window().PrepImage();
  const QImage slide = Prepared();
  ASSERT_EQ(slide.height(), 1200);
  EXPECT_EQ(slide.pixel(280, 960 + 210) & 0xFFFFFF, qRgb(200, 0, 0) & 0xFFFFFF);
  EXPECT_EQ(slide.pixel(280, 210) & 0xFFFFFF, qRgb(0, 0, 200) & 0xFFFFFF);
}

TEST_F(PrepImageTest, ListOrderContinuesFromLastImageAcrossRuns) {
  SeaSet({"a.bmp", "b.bmp", "c.bmp"});
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) WritePicture(SetFile(name), 32, 24);
  std::vector<std::string> shown;
  for (int slide = 0; slide < 2; ++slide) {
    Window().PrepImage();
    shown.push_back(Window().EntryName);
  }
  EXPECT_EQ(SettingValue("PrefsSS", "LastImage"), "2");
  NewRun().PrepImage();
  shown.push_back(Window().EntryName);
  Window().PrepImage();
  shown.push_back(Window().EntryName);
  EXPECT_EQ(shown, (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp", "a.bmp"}));
}

TEST_F(PrepImageTest, TitlePageComesFirstOnceAndStaysItsOwnTime) {
  SeaSet({"a.bmp", "b.bmp"});
  for (const char* name : {"title.bmp", "a.bmp", "b.bmp"}) WritePicture(SetFile(name), 32, 24);
  WritePicture(SetFile("logo.bmp"), 4, 4, qRgb(255, 0, 0));
  SetText("company.ini",
          "[TitlePage]\r\nfile=title.bmp\r\ntime=7\r\n[LayerSS]\r\nlayerImage=logo.bmp\r\n");
  Setting("PrefsSS", "LastImage", "5");  // beyond the list: wraps past the title page

  frmSaver& w = Window();
  w.PrepImage();
  EXPECT_TRUE(w.IsTitlePage);
  EXPECT_EQ(w.EntryName, "NULL");
  EXPECT_EQ(w.ImageDelay, 7);
  EXPECT_TRUE(w.Overlay.LayerFile.empty());
  EXPECT_EQ(SettingValue("PrefsSS", "LastImage"), "5");  // untouched by the title page

  std::vector<std::string> next;
  for (int slide = 0; slide < 3; ++slide) {
    w.PrepImage();
    EXPECT_FALSE(w.IsTitlePage);
    EXPECT_EQ(w.ImageDelay, 5);
    next.push_back(w.EntryName);
  }
  EXPECT_EQ(next, (std::vector<std::string>{"a.bmp", "b.bmp", "a.bmp"}));
}

TEST_F(PrepImageTest, MissingFileIsSkippedAndJpgAddedWithoutExtension) {
  SeaSet({"gone.bmp", "pic"});
  WritePicture(SetFile("pic.jpg"), 64, 48);
  SetText("pic.nfo", "[WebLinker]\r\nURL=http://example.org/pic\r\n");
  frmSaver& w = Window();
  w.PrepImage();
  EXPECT_EQ(w.EntryPath, "Sea\\pic");
  EXPECT_EQ(w.ImageURL, "http://example.org/pic");
  EXPECT_EQ(w.ImageWidth, 64);
  EXPECT_EQ(SettingValue("PrefsSS", "LastImage"), "2");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(PrepImageTest, DescriptionOfABitmapEntryIsNamedAfterTheWholeName) {
  SeaSet({"x.bmp"});
  WritePicture(SetFile("x.bmp"), 32, 24);
  SetText("x.bmp.nfo",
          "[WebLinker]\r\nURL=http://example.org/x\r\n"
          "[sound]\r\ndefaultsound=wave.wav\r\nsoundRampInTime=300\r\nsoundRampOutTime=400\r\n");
  SetText("company.ini",
          "[WebLinker]\r\ncompanyURL=http://c\r\nsetURL=http://s\r\nSSURL=http://ss\r\n"
          "WebLinker=1\r\nSSWebLinker=0\r\n");
  frmSaver& w = Window();
  w.PrepImage();
  EXPECT_EQ(w.ImageURL, "http://example.org/x");
  EXPECT_EQ(w.CompanyURL, "http://c");
  EXPECT_EQ(w.SetURL, "http://s");
  EXPECT_EQ(w.SaverURL, "http://ss");
  EXPECT_TRUE(w.TabLinkOn);
  EXPECT_FALSE(w.EscLinkOn);
  EXPECT_EQ(w.RampInTime, 300);
  EXPECT_EQ(w.RampOutTime, 400);
  EXPECT_EQ(w.SoundFile, root_.string() + "/Sea\\wave.wav");
  EXPECT_TRUE(w.SoundChanged);
  // The same sound on the next slide is no change.
  w.SoundChanged = false;
  w.PrepImage();
  EXPECT_FALSE(w.SoundChanged);
}

TEST_F(PrepImageTest, LowColourScreensGetAnEightBitSlide) {
  setenv("ORVANE_SCREEN_BPP", "8", 1);
  SeaSet({"pic.bmp"});
  WritePicture(SetFile("pic.bmp"), 64, 48);
  frmSaver& w = Window();
  w.PrepImage();
  unsetenv("ORVANE_SCREEN_BPP");
  EXPECT_EQ(core::ProgressTotal, 900);
  const std::string header = orvane::test::ReadFile(settingsFolder_ + "ssprep.bmp").substr(0, 30);
  ASSERT_EQ(header.size(), 30u);
  EXPECT_EQ(int(static_cast<unsigned char>(header[28])), 8);  // bits per pixel
  EXPECT_FALSE(fs::exists(settingsFolder_ + "conv.jpg"));
  EXPECT_EQ(Prepared().width(), kScreenW);
}

TEST_F(PrepImageTest, CorruptJpegIsReportedAndSkipped) {
  SeaSet({"bad.jpg", "good.bmp"});
  orvane::test::WriteFile(SetFile("bad.jpg"), std::string("\xFF\xD8\xFF\xE0 not really a picture", 25));
  WritePicture(SetFile("good.bmp"), 320, 240, qRgb(10, 200, 30));
  frmSaver& w = Window();
  w.PrepImage();
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].style, platform::vbCritical);
  EXPECT_NE(boxes_[0].text.find("LoadPicture Failed."), std::string::npos);
  EXPECT_NE(boxes_[0].text.find("bad.jpg"), std::string::npos);
  EXPECT_EQ(w.EntryName, "good.bmp");
  EXPECT_EQ(Prepared().pixel(100, 100) & 0xFFFFFF, qRgb(10, 200, 30) & 0xFFFFFF);
}

TEST_F(PrepImageTest, UnplayableSetFallsBackToAllSetsOnce) {
  Catalogue(
      "[SetDescriptions]\r\nSea=Sea\\\r\nHills=Hills\\\r\n"
      "[Sea]\r\ngone=gone.bmp\r\nlost=lost.jpg\r\n"
      "[Hills]\r\nhill=hill.bmp\r\n");
  WritePicture(root_ / "Hills/hill.bmp", 32, 24);
  frmSaver& w = Window();
  w.PrepImage();
  EXPECT_FALSE(w.NothingToShow);
  EXPECT_TRUE(w.AllSets);
  EXPECT_EQ(w.EntryPath, "Hills\\hill.bmp");
  w.PrepImage();
  EXPECT_EQ(w.EntryPath, "Hills\\hill.bmp");
}

TEST_F(PrepImageTest, ListOfOnlyATitlePageShowsItThenAllSets) {
  Catalogue(
      "[SetDescriptions]\r\nSea=Sea\\\r\nHills=Hills\\\r\n[Sea]\r\n"
      "[Hills]\r\nhill=hill.bmp\r\n");
  WritePicture(SetFile("title.bmp"), 32, 24);
  SetText("company.ini", "[TitlePage]\r\nfile=title.bmp\r\n");
  WritePicture(root_ / "Hills/hill.bmp", 32, 24);
  frmSaver& w = Window();
  w.PrepImage();
  EXPECT_TRUE(w.IsTitlePage);
  w.PrepImage();
  EXPECT_FALSE(w.IsTitlePage);
  EXPECT_EQ(w.EntryPath, "Hills\\hill.bmp");
}

TEST_F(PrepImageTest, NothingAnywhereRunsTheNotice) {
  Catalogue("[SetDescriptions]\r\nSea=Sea\\\r\n[Sea]\r\ngone=gone.bmp\r\n");
  frmSaver& w = Window();
  w.PrepImage();
  EXPECT_TRUE(w.NothingToShow);
  EXPECT_FALSE(w.SetUp);
  EXPECT_TRUE(w.picStretch.Image().isNull() || !w.picStretch.HasPicture());
}

}  // namespace
}  // namespace orvane::saver::test
