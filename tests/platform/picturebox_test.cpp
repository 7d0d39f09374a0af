// The picture-box surface: font sizes, Print and the current point, measuring,
// Cls and pictures.
#include "platform/picturebox.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QRect>
#include <string>
#include <utility>

#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "tests/support/testenv.h"

namespace orvane::platform {
namespace {

// Bounding box of the pixels that differ from `background`.
QRect InkBox(const QImage& image, QRgb background) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF)) box |= QRect(x, y, 1, 1);
  return box;
}

TEST(Fonts, SizeIsReadBackInWholePixels) {
  struct Case {
    double set;
    double readBack;
  } cases[] = {
      {8.25, 8.25},  // 11 px
      {10, 9.75},    // 13.33 px -> 13
      {12, 12},      // 16 px
      {20, 20.25},   // 26.67 px -> 27
      {20.5, 20.25}, // 27.33 px -> 27
      {25, 24.75},   // 33.33 px -> 33
      {7.875, 8.25}, // 10.5 px rounds up to 11
      {0, 0.75},     // never below one pixel
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(RoundedFontSize(c.set), c.readBack) << "set " << c.set;
    PictureBox box;
    box.SetFontSize(c.set);
    EXPECT_DOUBLE_EQ(box.FontSize(), c.readBack) << "set " << c.set;
  }
}

TEST(Fonts, WindowsFacesMapToInstalledFonts) {
  InstallFontSubstitutions();
  struct Case {
    const char* asked;
    const char* drawn;
  } cases[] = {
      {"Times New Roman", "Liberation Serif"},
      {"System", "Liberation Sans"},
      {"MS Sans Serif", "Liberation Sans"},
  };
  for (const Case& c : cases) {
    FontSpec font;
    font.Name = c.asked;
    font.Size = 24;
    EXPECT_EQ(QFontInfo(MakeQFont(font)).family(), QString(c.drawn)) << c.asked;
  }
}

TEST(Fonts, JapaneseTextFallsBackToTheCjkFont) {
  PictureBox box(200, 60);
  FontSpec font;
  font.Name = "Times New Roman";
  font.Size = 18;
  box.SetFont(font);
  box.SetForeColor(QColor(255, 255, 255));
  const QString text = QString::fromUtf8("\u5915\u66ae\u308c\u306e\u6e2f");
  // Five full-width ideographs of about one em (24 px) each, not narrow boxes.
  EXPECT_GE(box.TextWidth(text), 5 * 22);
  box.Print(text);
  const QRect ink = InkBox(box.Image(), qRgb(0, 0, 0));
  EXPECT_GT(ink.width(), 4 * 22);
  EXPECT_GT(ink.height(), 12);
}

TEST(PictureBox, NewBoxHasItsSizeAndADeviceContext) {
  PictureBox box(40, 30);
  EXPECT_EQ(box.Width(), 40);
  EXPECT_EQ(box.Height(), 30);
  ASSERT_NE(box.hDC(), 0);
  EXPECT_EQ(imaging::HandleOfDC(box.hDC()), box.Buffer());
  EXPECT_EQ(imaging::GetGCBitmapWidth(box.Buffer()), 40);
  EXPECT_EQ(box.Image().size(), QSize(40, 30));

  PictureBox empty;
  EXPECT_EQ(empty.hDC(), 0);
  empty.Print("nothing to draw on");  // must not crash
  EXPECT_GT(empty.CurrentY(), 0);
}

TEST(PictureBox, PrintDrawsGlyphsAtTheCurrentPointAndMovesToTheNextLine) {
  PictureBox box(300, 120);
  box.SetBackColor(QColor(1, 1, 1));
  FontSpec font;
  font.Name = "Times New Roman";
  font.Size = 24;
  font.Bold = true;
  box.SetFont(font);
  box.SetForeColor(QColor(255, 255, 255));

  const QString text = "Hello";
  const double width = box.TextWidth(text);
  const double height = box.TextHeight(text);
  EXPECT_GT(width, 40);
  EXPECT_EQ(width, std::floor(width)) << "measured in whole pixels";
  EXPECT_GE(height, 32) << "24 pt is 32 px";
  EXPECT_DOUBLE_EQ(box.TextHeight("a\r\nb"), 2 * height);
  EXPECT_GT(box.TextWidth("Hello, world"), width);

  box.SetCurrentX(50);
  box.SetCurrentY(20);
  int changed = 0;
  QObject::connect(&box, &PictureBox::Changed, [&changed] { ++changed; });
  box.Print(text);
  EXPECT_GE(changed, 1);
  EXPECT_DOUBLE_EQ(box.CurrentX(), 0);
  EXPECT_DOUBLE_EQ(box.CurrentY(), 20 + height);

  const QImage image = box.Image();
  const QRect ink = InkBox(image, qRgb(1, 1, 1));
  ASSERT_FALSE(ink.isEmpty());
  // The glyphs lie inside the text's cell whose top-left is the current point.
  EXPECT_GE(ink.left(), 50);
  EXPECT_LE(ink.left(), 50 + 4);
  EXPECT_GE(ink.top(), 20);
  EXPECT_LE(ink.bottom(), 20 + height);
  EXPECT_LE(ink.right(), 50 + width + 2);
  EXPECT_GT(ink.width(), width * 0.7);
  // Glyphs only: a point inside the cell between letters keeps the background,
  // and the ink is the fore colour.
  EXPECT_EQ(image.pixel(50, 20) & 0xFFFFFF, 0x010101u);
  EXPECT_EQ(image.pixel(0, 119) & 0xFFFFFF, 0x010101u);
  bool sawWhite = false;
  for (int y = ink.top(); y <= ink.bottom(); ++y)
    for (int x = ink.left(); x <= ink.right(); ++x)
      sawWhite = sawWhite || (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
  EXPECT_TRUE(sawWhite);

  // A second Print goes to the next line at x 0.
  box.Print("Hi");
  const QRect both = InkBox(box.Image(), qRgb(1, 1, 1));
  EXPECT_LE(both.left(), 4);
  EXPECT_GT(both.bottom(), ink.bottom());
  EXPECT_DOUBLE_EQ(box.CurrentY(), 20 + 2 * height);
}

TEST(PictureBox, ClsErasesToBackColorAndPictureAndResetsThePoint) {
  PictureBox box(20, 10);
  QImage picture(8, 4, QImage::Format_RGB32);
  picture.fill(qRgb(200, 0, 0));
  box.SetBackColor(QColor(0, 0, 90));
  box.SetPicture(picture);
  box.SetForeColor(QColor(0, 255, 0));
  box.SetCurrentX(2);
  box.Print("x");

  box.Cls();
  EXPECT_DOUBLE_EQ(box.CurrentX(), 0);
  EXPECT_DOUBLE_EQ(box.CurrentY(), 0);
  const QImage image = box.Image();
  EXPECT_EQ(image.pixel(7, 3) & 0xFFFFFF, 0xC80000u) << "the picture stays";
  EXPECT_EQ(image.pixel(8, 3) & 0xFFFFFF, 0x00005Au) << "the rest is the back colour";
  EXPECT_EQ(image.pixel(19, 9) & 0xFFFFFF, 0x00005Au);

  box.ClearPicture();
  EXPECT_EQ(box.Image().pixel(0, 0) & 0xFFFFFF, 0x00005Au);
}

TEST(PictureBox, AutoSizeTakesThePictureSize) {
  PictureBox box(10, 10);
  box.SetAutoSize(true);
  QImage picture(33, 17, QImage::Format_RGB32);
  picture.fill(qRgb(9, 8, 7));
  box.SetPicture(picture);
  EXPECT_EQ(box.Width(), 33);
  EXPECT_EQ(box.Height(), 17);
  EXPECT_EQ(box.Image().pixel(32, 16) & 0xFFFFFF, 0x090807u);

  PictureBox fixed(10, 10);
  fixed.SetPicture(picture);
  EXPECT_EQ(fixed.Width(), 10) << "without AutoSize the picture is clipped";
  EXPECT_EQ(fixed.Image().pixel(9, 9) & 0xFFFFFF, 0x090807u);
}

TEST(PictureBox, ResizeKeepsTheDrawingAndTheDeviceContextFollows) {
  PictureBox box(10, 10);
  box.SetBackColor(QColor(5, 5, 5));
  imaging::WorkBuffImage(box.Buffer()).setPixel(3, 3, qRgb(250, 0, 0));
  box.Resize(30, 20);
  EXPECT_EQ(imaging::GetGCBitmapWidth(imaging::HandleOfDC(box.hDC())), 30);
  const QImage image = box.Image();
  EXPECT_EQ(image.pixel(3, 3) & 0xFFFFFF, 0xFA0000u);
  EXPECT_EQ(image.pixel(29, 19) & 0xFFFFFF, 0x050505u);

  // The device context is a real work-buffer context: blits reach the surface.
  const imaging::Handle other = imaging::CreateWorkBuff(4, 4, 0, 0);
  imaging::WorkBuffImage(other).fill(qRgb(0, 0, 255));
  ASSERT_TRUE(imaging::BitBlt(box.hDC(), 20, 10, 4, 4, imaging::GetWorkBuffHDC(other), 0, 0));
  EXPECT_EQ(box.Image().pixel(21, 11) & 0xFFFFFF, 0x0000FFu);
  imaging::DestroyWorkBuff(other);
}

TEST(PictureBox, PictureReplacesWhatWasDrawnAndTheRestIsBackColour) {
  // Raw words, so that a pixel left without its alpha byte shows.
  auto word = [](const QImage& image, int x, int y) {
    return reinterpret_cast<const std::uint32_t*>(image.constScanLine(y))[x];
  };
  for (const bool autoSize : {false, true}) {
    SCOPED_TRACE(autoSize ? "AutoSize" : "fixed");
    PictureBox box(700, 500);  // large enough for pooled memory
    box.SetBackColor(QColor(0, 0, 90));
    box.SetAutoSize(autoSize);
    box.SetForeColor(QColor(0, 255, 0));
    box.Print("drawn");
    QImage covering(autoSize ? 640 : 700, autoSize ? 520 : 500, QImage::Format_RGB32);
    covering.fill(qRgb(200, 0, 0));
    box.SetPicture(covering);
    QImage image = box.SurfaceView();
    for (int y = 0; y < image.height(); y += 7)
      for (int x = 0; x < image.width(); x += 5) ASSERT_EQ(word(image, x, y), 0xFFC80000u) << x << "," << y;

    QImage smaller(8, 4, QImage::Format_RGB32);
    smaller.fill(qRgb(1, 2, 3));
    box.SetAutoSize(false);
    box.SetPicture(smaller);
    image = box.SurfaceView();
    EXPECT_EQ(word(image, 7, 3), 0xFF010203u);
    EXPECT_EQ(word(image, 8, 3), 0xFF00005Au) << "no trace of the picture before";
    EXPECT_EQ(word(image, image.width() - 1, image.height() - 1), 0xFF00005Au);
  }
}

TEST(PictureBox, ANewBoxIsOneColourUntilItIsUsed) {
  PictureBox box(640, 480);
  ASSERT_TRUE(box.PlainColour());
  EXPECT_EQ(box.PlainColour()->rgb(), qRgb(0, 0, 0));
  box.SetBackColor(QColor(0, 0, 90));
  box.Resize(700, 500);
  ASSERT_TRUE(box.PlainColour());
  EXPECT_EQ(box.PlainColour()->rgb(), qRgb(0, 0, 90));
  EXPECT_EQ(box.hDC() != 0, true) << "asking for the device context is no use";
  EXPECT_TRUE(box.PlainColour());
  // Read or drawn on, it is no longer one colour, and shows what it holds.
  EXPECT_EQ(box.Image().pixel(699, 499), qRgb(0, 0, 90));
  EXPECT_FALSE(box.PlainColour());
  box.Print("x");
  box.Cls();
  EXPECT_FALSE(box.PlainColour());
  EXPECT_EQ(box.Image().pixel(0, 0), qRgb(0, 0, 90));
  EXPECT_FALSE(PictureBox().PlainColour()) << "no surface";
}

TEST(PictureBox, PictureRoundTripsThroughABitmapFile) {
  PictureBox box(12, 6);
  box.SetBackColor(QColor(10, 20, 30));
  const std::string file = (test::MakeTempDir("pic") / "box.bmp").string();
  ASSERT_TRUE(box.SavePicture(file));

  PictureBox loaded;
  loaded.SetAutoSize(true);
  EXPECT_EQ(loaded.LoadPicture(file), 0);
  EXPECT_EQ(loaded.Width(), 12);
  EXPECT_EQ(loaded.Image().pixel(11, 5) & 0xFFFFFF, 0x0A141Eu);

  EXPECT_EQ(loaded.LoadPicture(file + ".missing"), imaging::kFileNotFound);
  EXPECT_EQ(loaded.Width(), 12) << "a failed load leaves the box as it was";
}

TEST(PictureBox, ASurfaceLoadedIsThePictureItselfAndKeepsNoCopy) {
  const auto folder = test::MakeTempDir("surface");
  PictureBox source(30, 20);
  source.SetBackColor(QColor(10, 20, 30));
  {
    QImage drawn = source.SurfaceView();
    drawn.setPixel(29, 19, qRgb(200, 100, 50));
  }
  const std::string file = (folder / "slide.bmp").string();
  ASSERT_TRUE(source.SavePicture(file));
  test::WriteFile(folder / "junk.bmp", "BM not a bitmap at all");

  PictureBox box(8, 8);
  box.SetPicture(QImage(8, 8, QImage::Format_RGB32));
  const std::pair<std::string, int> failures[] = {
      {file + ".missing", imaging::kFileNotFound},
      {(folder / "junk.bmp").string(), imaging::kInvalidPicture},
  };
  for (const auto& [bad, error] : failures) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(box.LoadSurface(bad), error);
    EXPECT_EQ(box.Width(), 8) << "a failed load leaves the box as it was";
    EXPECT_TRUE(box.HasPicture());
  }

  const int before = imaging::LiveHandleCount();
  ASSERT_EQ(box.LoadSurface(file), imaging::kNoError);
  EXPECT_EQ(imaging::LiveHandleCount(), before) << "the old surface went";
  EXPECT_EQ(box.Width(), 30);
  EXPECT_EQ(box.Height(), 20);
  EXPECT_FALSE(box.HasPicture());
  EXPECT_EQ(box.Image(), source.Image());
  EXPECT_NE(box.hDC(), 0u);
  // Drawn on like any surface; Cls leaves the background only.
  imaging::BitBlt(box.hDC(), 0, 0, 1, 1, source.hDC(), 29, 19);
  EXPECT_EQ(box.Image().pixel(0, 0), qRgb(200, 100, 50));
  box.Cls();
  EXPECT_EQ(box.Image().pixel(29, 19), qRgb(0, 0, 0));
}

TEST(PictureBoxView, ShowsTheSurfaceAsItStands) {
  PictureBox box(30, 20);
  box.SetBackColor(QColor(0, 128, 0));
  PictureBoxView view(box);
  EXPECT_EQ(view.sizeHint(), QSize(30, 20));
  view.resize(40, 20);
  EXPECT_EQ(view.grab().toImage().pixel(5, 5) & 0xFFFFFF, 0x008000u);
  EXPECT_EQ(view.grab().toImage().pixel(35, 5) & 0xFFFFFF, 0x008000u)
      << "beyond the surface: the back colour";
  imaging::WorkBuffImage(box.Buffer()).fill(qRgb(200, 0, 0));  // drawn through the buffer
  box.Refresh();
  EXPECT_EQ(view.grab().toImage().pixel(5, 5) & 0xFFFFFF, 0xC80000u);
}

}  // namespace
}  // namespace orvane::platform
