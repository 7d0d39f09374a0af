// Title and calendar overlays: their rectangles, the darkening levels checked on
// pixels, the text over it, and overlays that stay on the screen.
#include "saver/TitleCalendar.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>
#include <filesystem>
#include <functional>
#include <memory>

#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "platform/picturebox.h"
#include "tests/support/testenv.h"

namespace orvane::saver {
namespace {

using platform::PictureBox;

constexpr int kGrey = 210;

class OverlayFixture : public ::testing::Test {
 protected:
  void SetUpScreen(int width, int height) {
    disp = std::make_unique<PictureBox>(width, height);
    disp->SetBackColor(QColor(kGrey, kGrey, kGrey));
    if (workBuffer != imaging::kNoHandle) imaging::DestroyWorkBuff(workBuffer);
    if (panel != imaging::kNoHandle) imaging::UnloadBitMap(panel);
    workBuffer = imaging::CreateWorkBuff(width, height, 0, 0);
    // The panel bitmap of Form_Resize: 3.5 quarters of the width, 16 rows, so
    // every darkened rectangle taller than that is mixed in several pieces.
    panel = imaging::CreateBitMap(width / 4 * 7 / 2, 16, 0, 0, 0);
    screen.picDisp = disp.get();
    screen.WorkBuffer = workBuffer;
    screen.PanelBitmap = panel;
    screen.CalendarDate = QDate(2026, 12, 10);
  }
  void TearDown() override {
    imaging::DestroyWorkBuff(workBuffer);
    imaging::UnloadBitMap(panel);
  }

  // Every pixel that the drawing alone leaves untouched is darkened to
  // `darkened` inside rect and kept grey outside. draw makes the same drawing
  // on a plain box; it is made on two grounds, so that a glyph pixel that
  // happens to blend back to the ground colour is not taken for an empty one.
  void ExpectDarkenedExactlyIn(const std::function<void(PictureBox&)>& draw, const QRect& rect,
                               int darkened) {
    const auto plain = [&](int ground) {
      PictureBox box(disp->Width(), disp->Height());
      box.SetBackColor(QColor(ground, ground, ground));
      draw(box);
      return box.Image();
    };
    const QImage onGrey = plain(kGrey);
    const QImage onDark = plain(90);
    const QImage shown = disp->Image();
    int checkedInside = 0;
    for (int y = 0; y < shown.height(); ++y) {
      for (int x = 0; x < shown.width(); ++x) {
        if (onGrey.pixel(x, y) != qRgb(kGrey, kGrey, kGrey) || onDark.pixel(x, y) != qRgb(90, 90, 90))
          continue;
        const int expected = rect.contains(x, y) ? darkened : kGrey;
        checkedInside += rect.contains(x, y);
        ASSERT_EQ(shown.pixel(x, y), qRgb(expected, expected, expected)) << "at " << x << "," << y;
      }
    }
    EXPECT_GT(checkedInside, rect.width() * rect.height() / 3);
  }

  std::unique_ptr<PictureBox> disp;
  imaging::Handle workBuffer = imaging::kNoHandle;
  imaging::Handle panel = imaging::kNoHandle;
  SaverScreen screen;
};

void WriteDescription(const std::filesystem::path& root, const std::string& text) {
  std::filesystem::create_directories(root / "Sea");
  test::WriteFile(root / "Sea" / "harbour.jpg.nfo", text);
}

TEST_F(OverlayFixture, TitleBoxIsHalvedBehindAWhiteTitleAtTheBottomCentre) {
  const auto root = test::MakeTempDir("title");
  WriteDescription(root, "[Panoramic]\r\nPanDirection=\r\n[English]\r\nEnglish=Harbour at dawn\r\n");
  struct Case {
    int width, height;
  } sizes[] = {{320, 240}, {640, 200}};
  for (const Case& c : sizes) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    SetUpScreen(c.width, c.height);
    screen.ShowTitle = 1;
    screen.ProgramFolder = root.string() + "/";
    screen.EntryPath = "Sea\\harbour.jpg";
    disp->SetFont({QStringLiteral("Times New Roman"), 14, false, false, false});
    const platform::FontSpec own = disp->Font();

    DispTitle(screen);
    EXPECT_EQ(disp->Font(), own) << "picDisp gets its own font back";

    // The box in the "System" font: 4 W wider than the title, text height + 4,
    // on the bottom edge, centred.
    PictureBox measure;
    measure.SetFontName(QStringLiteral("System"));
    const QString title = QStringLiteral("Harbour at dawn");
    const int boxWidth = int(measure.TextWidth(title + "WWWW"));
    const int boxHeight = int(measure.TextHeight("Ayj")) + 4;
    const QRect titleBox((c.width - boxWidth) / 2, c.height - boxHeight, boxWidth, boxHeight);
    disp->SetFont(measure.Font());
    EXPECT_EQ(TitleBox(screen, title),
              (OverlayRect{titleBox.x(), titleBox.y(), titleBox.width(), titleBox.height()}));

    // The same text drawn on a plain screen shows where the glyphs are.
    const auto drawTitle = [&](PictureBox& box) {
      box.SetFont(measure.Font());
      const double inset = measure.TextWidth("WW");
      box.SetCurrentX(titleBox.x() + inset + 2);
      box.SetCurrentY(titleBox.y() + 3);
      box.SetForeColor(Qt::black);
      box.Print(title);
      box.SetCurrentX(titleBox.x() + inset);
      box.SetCurrentY(titleBox.y() + 1);
      box.SetForeColor(Qt::white);
      box.Print(title);
    };
    ExpectDarkenedExactlyIn(drawTitle, titleBox, 105);  // half of 210
    bool white = false;
    const QImage shown = disp->Image();
    for (int y = titleBox.top(); y <= titleBox.bottom(); ++y) {
      for (int x = titleBox.left(); x <= titleBox.right(); ++x) white |= shown.pixel(x, y) == qRgb(255, 255, 255);
    }
    EXPECT_TRUE(white) << "the title is drawn in white";
  }
}

TEST_F(OverlayFixture, NoTitleLeavesScreenAndFontAlone) {
  const auto root = test::MakeTempDir("notitle");
  WriteDescription(root, "[English]\r\nEnglish=Harbour\r\n");
  struct Case {
    const char* name;
    int showTitle;
    const char* entry;
  } cases[] = {
      {"titles off", 0, "Sea\\harbour.jpg"},
      {"missing description file", 1, "Sea\\gone.jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpScreen(320, 240);
    screen.ShowTitle = c.showTitle;
    screen.ProgramFolder = root.string() + "/";
    screen.EntryPath = c.entry;
    disp->SetFont({QStringLiteral("Times New Roman"), 14, false, false, false});
    const platform::FontSpec own = disp->Font();
    const QImage before = disp->Image();
    DispTitle(screen);
    EXPECT_EQ(disp->Image(), before);
    EXPECT_EQ(disp->Font(), own);
  }
}

TEST_F(OverlayFixture, TitleSourcesAndCodePages) {
  const auto root = test::MakeTempDir("titles");
  std::filesystem::create_directories(root / "Sea");
  // "Café" in windows-1252, and a German title in a UTF-8 file with its mark.
  test::WriteFile(root / "Sea" / "a.jpg.nfo", "[x]\r\nFrench=Caf\xE9\r\nEnglish=Bay\r\n");
  test::WriteFile(root / "Sea" / "b.jpg.nfo", "\xEF\xBB\xBF[x]\r\nGerman=Stra\xC3\x9F" "e\r\n");
  SetUpScreen(320, 240);
  const std::string a = (root / "Sea" / "a.jpg.nfo").string();
  const std::string b = (root / "Sea" / "b.jpg.nfo").string();
  screen.LanguageName = "French";
  EXPECT_EQ(GetTitle(screen, a), QStringLiteral("Caf\u00E9"));
  screen.LanguageName = "German";
  EXPECT_EQ(GetTitle(screen, b), QStringLiteral("Stra\u00DFe"));
  screen.LanguageName = "Spanish";
  EXPECT_EQ(GetTitle(screen, a), QString());
  // The panel's own title wins over the description file's.
  screen.LanguageName = "English";
  screen.PanelTitle = QStringLiteral("Harbour");
  EXPECT_EQ(GetTitle(screen, a), QStringLiteral("Harbour"));
}

TEST_F(OverlayFixture, LongTitleBoxIsCentredAndDarkensTheWholeBottomBand) {
  const auto root = test::MakeTempDir("long");
  std::string title(120, 'M');
  WriteDescription(root, "[English]\r\nEnglish=" + title + "\r\n");
  SetUpScreen(320, 240);
  screen.ShowTitle = 1;
  screen.ProgramFolder = root.string() + "/";
  screen.EntryPath = "Sea\\harbour.jpg";
  DispTitle(screen);
  disp->SetFontName(QStringLiteral("System"));
  const OverlayRect box = TitleBox(screen, QString::fromStdString(title));
  EXPECT_LT(box.Left, 0);
  EXPECT_GT(box.Width, 320);
  EXPECT_NEAR(box.Left + box.Width / 2.0, 160, 1);
  // The box's top row holds no text: darkened from edge to edge, although the
  // box is wider than the black bitmap.
  const QImage shown = disp->Image();
  for (int x = 0; x < 320; ++x) ASSERT_EQ(qGreen(shown.pixel(x, box.Top)), 105) << "x " << x;
  EXPECT_EQ(qGreen(shown.pixel(0, box.Top - 1)), kGrey);
}

TEST_F(OverlayFixture, CalendarRectangles) {
  struct Case {
    const char* name;
    int dispWidth, dispHeight;
    bool stretch;
    int imageWidth, imageHeight;
    int size, position;
    // The area the calendar is placed on and where that area lies on screen.
    int areaWidth, areaHeight, offsetX, offsetY;
    int sizeUsed;
  } cases[] = {
      {"stretched, top left", 320, 240, true, 0, 0, 20, 1, 320, 240, 0, 0, 20},
      {"stretched, bottom right", 320, 240, true, 0, 0, 33, 9, 320, 240, 0, 0, 33},
      {"stretched, centre, full size", 640, 480, true, 0, 0, 100, 5, 640, 480, 0, 0, 100},
      {"800x600 picture on 1024x768", 1024, 768, false, 800, 600, 66, 9, 800, 600, 112, 84, 66},
      {"narrow picture", 320, 240, false, 200, 240, 20, 3, 200, 240, 60, 0, 20},
      {"picture larger than the screen", 320, 240, false, 2000, 1500, 33, 9, 320, 240, 0, 0, 33},
      {"4:3 picture fitted on a 16:9 screen", 640, 360, true, 800, 600, 33, 3, 480, 360, 80, 0, 33},
      {"wide picture fitted on a 4:3 screen", 320, 240, true, 1600, 600, 20, 7, 320, 120, 0, 60, 20},
      {"picture within 2 % of the screen's shape", 640, 360, true, 1280, 722, 20, 9, 640, 360, 0, 0, 20},
      {"size 0 falls back to 20", 320, 240, true, 0, 0, 0, 7, 320, 240, 0, 0, 20},
      {"size below 0 falls back to 20", 320, 240, true, 0, 0, -5, 2, 320, 240, 0, 0, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpScreen(c.dispWidth, c.dispHeight);
    screen.Stretch = c.stretch;
    screen.ImageWidth = c.imageWidth;
    screen.ImageHeight = c.imageHeight;
    screen.CalendarSize = c.size;
    screen.CalendarPosition = c.position;
    const OverlayRect rect = CalendarRect(screen);

    core::CalendarClass calendar;
    calendar.Position = c.position;
    calendar.Scale = float(c.sizeUsed) / 100.0f;
    calendar.SetDate(QDate(2026, 12, 10));
    int left, top, w, h;
    calendar.GetBounds(c.areaWidth, c.areaHeight, left, top, w, h);
    EXPECT_EQ(rect, (OverlayRect{left + c.offsetX, top + c.offsetY, w, h}));
    EXPECT_GE(rect.Left, 0);
    EXPECT_GE(rect.Top, 0);
    EXPECT_LE(rect.Left + rect.Width, c.dispWidth);
    EXPECT_LE(rect.Top + rect.Height, c.dispHeight);
  }
}

TEST_F(OverlayFixture, PanningStripPlacesTheCalendarOnTheWholeScreen) {
  SetUpScreen(640, 360);
  screen.Stretch = true;
  screen.ImageWidth = 3000;  // the panorama's own size, not the screen's shape
  screen.ImageHeight = 600;
  screen.PanDirection = "LeftToRight";
  screen.CalendarSize = 20;
  screen.CalendarPosition = 9;
  const OverlayRect rect = CalendarRect(screen);

  core::CalendarClass calendar;
  calendar.Position = 9;
  calendar.Scale = 0.2f;
  calendar.SetDate(QDate(2026, 12, 10));
  int left, top, w, h;
  calendar.GetBounds(640, 360, left, top, w, h);
  EXPECT_EQ(rect, (OverlayRect{left, top, w, h}));
}

TEST_F(OverlayFixture, CalendarPositionOutsideTheNineKeepsTheCalendarsOwnPlace) {
  SetUpScreen(320, 240);
  screen.CalendarPosition = 12;
  const OverlayRect rect = CalendarRect(screen);
  EXPECT_EQ(rect.Left, 20);
  EXPECT_EQ(rect.Top, 20);
  screen.CalendarPosition = 9;
  const OverlayRect corner = CalendarRect(screen);
  screen.CalendarPosition = 0;
  EXPECT_EQ(CalendarRect(screen).Left, corner.Left) << "the last place is kept";
}

TEST_F(OverlayFixture, CalendarDarkensItsRectangleToAThirdAndPaintsTheMonth) {
  struct Case {
    const char* name;
    int dispWidth, dispHeight;
    bool stretch;
    int imageWidth, imageHeight;
    int size, position;
  } cases[] = {
      {"stretched", 320, 240, true, 0, 0, 33, 9},
      {"size not a multiple of 4", 333, 251, true, 0, 0, 66, 5},
      {"picture larger than the screen", 320, 240, false, 1200, 900, 66, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUpScreen(c.dispWidth, c.dispHeight);
    screen.Stretch = c.stretch;
    screen.ImageWidth = c.imageWidth;
    screen.ImageHeight = c.imageHeight;
    screen.CalendarSize = c.size;
    screen.CalendarPosition = c.position;
    DispCalender(screen);
    const OverlayRect rect = CalendarRect(screen);

    const auto drawMonth = [&](PictureBox& box) {
      core::CalendarClass calendar;
      calendar.Position = c.position;
      calendar.Scale = float(c.size) / 100.0f;
      calendar.SetDate(QDate(2026, 12, 10));
      int l, t, w, h;
      calendar.GetBounds(rect.Width, rect.Height, l, t, w, h);
      calendar.BeginDraw(box, -1, rect.Left, rect.Top, rect.Width, rect.Height);
    };
    ExpectDarkenedExactlyIn(drawMonth, QRect(rect.Left, rect.Top, rect.Width, rect.Height),
                            69);  // a third of 210
  }
}

TEST_F(OverlayFixture, CalendarOffDrawsNothing) {
  SetUpScreen(320, 240);
  screen.CalendarOn = false;
  const QImage before = disp->Image();
  DispCalender(screen);
  EXPECT_EQ(disp->Image(), before);
}

TEST_F(OverlayFixture, DarkenedRectanglesAreClippedToTheScreen) {
  SetUpScreen(320, 240);
  EXPECT_EQ(ClipToScreen(screen, {-30, 200, 400, 100}), (OverlayRect{0, 200, 320, 40}));
  EXPECT_EQ(ClipToScreen(screen, {400, 10, 20, 20}).Width, 0);
  DarkenRect(screen, {-30, 200, 400, 100}, 50);
  const QImage shown = disp->Image();
  EXPECT_EQ(qGreen(shown.pixel(0, 239)), 105);
  EXPECT_EQ(qGreen(shown.pixel(319, 200)), 105);
  EXPECT_EQ(qGreen(shown.pixel(319, 199)), kGrey);
}

}  // namespace
}  // namespace orvane::saver
