// The information panel: paragraph wrapping, reading the panel text file in its
// code page, the panel's layout and darkened background, the slide's finish
// with and without a panel, and the restore when the countdown ends.
#include "saver/InfoPanel.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/Globals.h"
#include "imaging/imaging.h"
#include "platform/picturebox.h"
#include "platform/vbruntime.h"
#include "tests/support/testenv.h"

namespace orvane::saver {
namespace {

using platform::PictureBox;

// ---- Wrapping ----

struct WrapCase {
  const char* name;
  QString text;
  bool eastAsian;
};

// Checks what any wrap must satisfy: the lines put together give the text
// (blanks in a row as one), a line stays below the limit unless it is a single
// word or character, and no line could have taken the next one's first piece.
void ExpectGreedyWrap(const PictureBox& desc, const WrapCase& c, const std::vector<QString>& lines) {
  const int limit = WrapLimit(desc);
  const QString separator = c.eastAsian ? QString() : QStringLiteral(" ");
  const QString normalised =
      c.eastAsian ? c.text : c.text.split(QLatin1Char(' '), Qt::SkipEmptyParts).join(separator);
  QStringList joined;
  for (const QString& line : lines) joined << line;
  EXPECT_EQ(joined.join(separator), normalised);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const QString& line = lines[i];
    const bool single = c.eastAsian ? line.size() == 1 : !line.contains(QLatin1Char(' '));
    if (!single) {
      EXPECT_LT(desc.TextWidth(line), limit) << "line " << i << ": " << line.toStdString();
    }
    if (i + 1 < lines.size()) {
      const QString next = c.eastAsian ? lines[i + 1].left(1) : lines[i + 1].section(' ', 0, 0);
      EXPECT_GE(desc.TextWidth(line + separator + next), limit)
          << "line " << i << " could have taken " << next.toStdString();
    }
  }
}

class WrapFixture : public ::testing::Test {
 protected:
  PictureBox desc{300, 100};
};

TEST_F(WrapFixture, ParagraphsWrapGreedilyByWordsOrCharacters) {
  // Wider than the wrap limit, narrower than the panel: kept whole.
  QString longWord(QStringLiteral("W"));
  while (desc.TextWidth(longWord + QLatin1Char('W')) < BreakLimit(desc)) longWord += QLatin1Char('W');
  ASSERT_GT(desc.TextWidth(longWord), WrapLimit(desc));
  const WrapCase cases[] = {
      {"English words",
       "The harbour lies quiet in the early light while the fishing boats wait for the "
       "morning tide to carry them out past the old stone lighthouse",
       false},
      {"one word", "Harbour", false},
      {"blanks in a row count as one", "Sea   and    sky  meet", false},
      {"leading and trailing blanks", "  Sea and sky ", false},
      {"a word longer than the line", "Before " + longWord + " after it", false},
      {"Chinese characters",
       QString::fromUtf8("港口在清晨的光线中静静地躺着渔船等待着潮水把它们带出古老的石头灯塔"
                         "海风轻轻吹过码头"),
       true},
      {"Japanese with Latin letters", QString::fromUtf8("港の朝ABCDEF港の朝港の朝港の朝港の朝港の朝港の朝港の朝港の朝"), true},
  };
  for (const WrapCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<QString> lines;
    const int last = WrapParagraph(desc, c.eastAsian, c.text, lines);
    ASSERT_GE(last, 0);
    EXPECT_EQ(last, int(lines.size()) - 1);
    ExpectGreedyWrap(desc, c, lines);
  }
  std::vector<QString> lines;
  EXPECT_EQ(WrapParagraph(desc, false, "Harbour", lines), 0);
  EXPECT_EQ(WrapParagraph(desc, false, "Before " + longWord + " after it", lines), 2);
  EXPECT_EQ(lines[1], longWord);
}

// A word wider than the panel itself (a web address) is broken at the panel's
// width, whatever that is, and nothing of it is lost.
TEST(Wrap, WordWiderThanThePanelIsBrokenAtItsWidth) {
  const QString address = QStringLiteral("https://www.harbour-example.org/lighthouse/morning-tide.html");
  ASSERT_EQ(address.size(), 60);
  for (int width : {300, 180}) {
    SCOPED_TRACE(width);
    PictureBox desc(width, 100);
    ASSERT_GE(desc.TextWidth(address), BreakLimit(desc));
    std::vector<QString> lines;
    const int last = WrapParagraph(desc, false, "Before " + address + " after", lines);
    ASSERT_GE(last, 2);  // "Before" and at least two pieces of the address
    EXPECT_EQ(lines.front(), "Before");
    QString joined;
    for (std::size_t i = 1; i < lines.size(); ++i) {
      EXPECT_LT(desc.TextWidth(lines[i]), BreakLimit(desc)) << lines[i].toStdString();
      joined += lines[i];
    }
    // The last piece of the address takes the next word when it fits.
    EXPECT_EQ(joined.remove(' '), address + "after");
  }
}

TEST_F(WrapFixture, IdeographicFullStopClosesTheLineItWouldStart) {
  const QString ch = QString::fromUtf8("港");
  const QString stop = QString::fromUtf8("。");
  // The longest run of characters that fits, so that a full stop after it
  // would have to start the next line.
  QString run;
  while (desc.TextWidth(run + ch + stop) < WrapLimit(desc)) run += ch;
  run += ch;
  ASSERT_LT(desc.TextWidth(run), WrapLimit(desc));
  std::vector<QString> lines;
  ASSERT_EQ(WrapParagraph(desc, true, run + stop + ch + ch, lines), 1);
  EXPECT_EQ(lines[0], run + stop);
  EXPECT_EQ(lines[1], ch + ch);
  // Ending the paragraph, it leaves no empty line behind.
  ASSERT_EQ(WrapParagraph(desc, true, run + stop, lines), 0);
  EXPECT_EQ(lines[0], run + stop);
  // Without character wrap it is an ordinary character.
  ASSERT_EQ(WrapParagraph(desc, false, run + stop, lines), 0);
}

TEST_F(WrapFixture, MoreThanTwentyLinesIsRefused) {
  // Each on a line of its own: wider than the wrap limit, narrower than the panel.
  QString word(QStringLiteral("W"));
  while (desc.TextWidth(word + QLatin1Char('W')) < BreakLimit(desc)) word += QLatin1Char('W');
  QStringList twenty, twentyOne;
  for (int i = 0; i < 20; ++i) twenty << word;
  twentyOne = twenty;
  twentyOne << word;
  std::vector<QString> lines{"kept"};
  EXPECT_EQ(WrapParagraph(desc, false, twenty.join(' '), lines), 19);
  lines = {"kept"};
  EXPECT_EQ(WrapParagraph(desc, false, twentyOne.join(' '), lines), -1);
  EXPECT_EQ(lines, std::vector<QString>{"kept"});
}

TEST(NextPieces, WordsAndCharacters) {
  QString text = "Sea and sky";
  EXPECT_EQ(NextWord(text), "Sea");
  EXPECT_EQ(text, "and sky");
  text = "sky";
  EXPECT_EQ(NextWord(text), "sky");
  EXPECT_EQ(text, "");
  EXPECT_EQ(NextWord(text), "");
  text = QString::fromUtf8("𠀋港");  // a character outside the basic plane
  EXPECT_EQ(NextChar(text), QString::fromUtf8("𠀋"));
  EXPECT_EQ(NextChar(text), QString::fromUtf8("港"));
  EXPECT_EQ(NextChar(text), "");
}

// ---- The panel text file ----

class PanelFileFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = test::MakeTempDir("panel");
    screen.picDesc = &desc;
    screen.ShowText = 1;
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    test::WriteFile(folder / name, bytes);
    return (folder / name).string();
  }
  std::filesystem::path folder;
  PictureBox desc{600, 100};
  SaverScreen screen;
};

TEST_F(PanelFileFixture, LinesOfThePanel) {
  const std::string harbour =
      "English=Harbour\r\n\r\nBoats wait for the tide.\r\n\r\nGulls circle.\r\n\r\n\r\n";
  struct Case {
    const char* name;
    std::string language;
    int showText;
    std::string bytes;
    bool shown;
    std::vector<QString> lines;
    QString title;
  } cases[] = {
      {"title and two paragraphs", "English", 1, harbour, true,
       {"Harbour", "", "Boats wait for the tide.", "", "Gulls circle."}, "Harbour"},
      {"text off: the title alone", "English", 0, harbour, true, {"Harbour"}, "Harbour"},
      {"without the closing lines", "English", 1,
       "English=Harbour\r\n\r\nBoats wait.\r\n\r\nGulls circle.\r\n", false, {}, "Harbour"},
      {"LF line ends, text before the name", "English", 1,
       "[Sea]\n1 English=Bay=Blue\nx\nCalm water.\nx\n\n", true, {"Bay=Blue", "", "Calm water."},
       "Bay=Blue"},
      {"no title line for the language", "French", 1, harbour, false, {}, ""},
      {"empty title", "English", 1, "English=\r\n\r\nText\r\n\r\n\r\n", false, {}, ""},
      {"windows-1252", "French", 1, "French=Caf\xE9\r\n\r\nCr\xE8me br\xFBl\xE9" "e\r\n\r\n\r\n",
       true, {QString::fromUtf8("Café"), "", QString::fromUtf8("Crème brûlée")},
       QString::fromUtf8("Café")},
      {"UTF-8 with its mark", "German", 1,
       "\xEF\xBB\xBFGerman=Stra\xC3\x9F" "e\r\n\r\n\xC3\x9C" "ber Br\xC3\xBC" "cken\r\n\r\n\r\n",
       true, {QString::fromUtf8("Straße"), "", QString::fromUtf8("Über Brücken")},
       QString::fromUtf8("Straße")},
      // "港" and the full stop "。" in Shift-JIS.
      {"Japanese code page", "Japanese", 1, "Japanese=\x8D\x60\r\n\r\n\x8D\x60\x81\x42\r\n\r\n\r\n",
       true, {QString::fromUtf8("港"), "", QString::fromUtf8("港。")}, QString::fromUtf8("港")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    screen.LanguageName = c.language;
    screen.EastAsian = c.language == "Japanese";
    screen.ShowText = c.showText;
    screen.PanelTitle.clear();
    std::vector<QString> lines{"untouched"};
    EXPECT_EQ(ReadPanelText(screen, Write("text.txt", c.bytes), lines), c.shown);
    EXPECT_EQ(lines, c.shown ? c.lines : std::vector<QString>{"untouched"});
    EXPECT_EQ(screen.PanelTitle, c.title);
  }
}

TEST_F(PanelFileFixture, PanelFileThatIsAFifoGivesNoPanel) {
  const std::string fifo = (folder / "fifo.txt").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  alarm(30);  // a blocked open ends the test program
  std::vector<QString> lines;
  EXPECT_FALSE(ReadPanelText(screen, fifo, lines));
  alarm(0);
}

TEST_F(PanelFileFixture, MissingFileAndOverlongParagraphGiveNoPanel) {
  std::vector<QString> lines;
  EXPECT_FALSE(ReadPanelText(screen, (folder / "gone.txt").string(), lines));
  EXPECT_TRUE(screen.PanelTitle.isEmpty());
  std::string paragraph;
  for (int i = 0; i < 21; ++i) paragraph += std::string(60, 'W') + " ";
  EXPECT_FALSE(ReadPanelText(
      screen, Write("long.txt", "English=Harbour\r\n\r\n" + paragraph + "\r\n\r\n\r\n"), lines));
  EXPECT_EQ(screen.PanelTitle, "Harbour");
}

// ---- The panel on the screen ----

class RecordingCalls : public SaverWindowCalls {
 public:
  void StartSlideClock() override { log.push_back("clock"); }
  void StartInfoCountdown() override { log.push_back("countdown"); }
  void PanelChanged() override { ++panelChanges; }
  void DispTitle(SaverScreen&) override { log.push_back("title"); }
  void DispCalender(SaverScreen&) override { log.push_back("calendar"); }
  void ExecutePan(SaverScreen&) override { log.push_back("pan"); }
  std::vector<std::string> log;
  int panelChanges = 0;
};

class PanelScreenFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    core::QuitSaver = false;
    root = test::MakeTempDir("sets");
    std::filesystem::create_directories(root / "Sea");
    test::WriteFile(root / "Sea" / "harbour.jpg.nfo",
                    "[English]\r\nFile=harbour.txt\r\n[Sound]\r\ndefaultSound=\r\n");
    test::WriteFile(root / "Sea" / "harbour.txt",
                    "English=Harbour\r\n\r\nBoats wait for the morning tide to carry them out past "
                    "the old stone lighthouse and into the grey sea.\r\n\r\n\r\n");
    // The slide: a gradient, on screen as it is in picStretch.
    QImage slide = stretch.SurfaceView();
    for (int y = 0; y < slide.height(); ++y)
      for (int x = 0; x < slide.width(); ++x) slide.setPixel(x, y, qRgb(100 + x % 100, 200, 2 * (y % 100)));
    disp.SetPicture(stretch.Image());
    desc.Tag = " 280";  // what Form_Resize stores: 3.5 x CInt(320 / 4)
    workBuffer = imaging::CreateWorkBuff(320, 240, 0, 0);
    panelBitmap = imaging::CreateBitMap(280, 240, 0, 0, 0);
    screen.picDisp = &disp;
    screen.picStretch = &stretch;
    screen.picDesc = &desc;
    screen.WorkBuffer = workBuffer;
    screen.PanelBitmap = panelBitmap;
    screen.ProgramFolder = root.string() + "/";
    screen.EntryPath = "Sea\\harbour.jpg";
    screen.EntryName = "harbour";
    screen.ShowText = 1;
  }
  void TearDown() override {
    imaging::DestroyWorkBuff(workBuffer);
    imaging::UnloadBitMap(panelBitmap);
    core::QuitSaver = false;
  }

  std::filesystem::path root;
  PictureBox disp{320, 240};
  PictureBox stretch{320, 240};
  PictureBox desc{280, 768};
  imaging::Handle workBuffer = imaging::kNoHandle;
  imaging::Handle panelBitmap = imaging::kNoHandle;
  SaverScreen screen;
  RecordingCalls calls;
};

// Each colour channel halved, as the black bitmap mixed in at 50 leaves it.
QRgb Halved(QRgb c) { return qRgb((qRed(c) + 1) / 2, (qGreen(c) + 1) / 2, (qBlue(c) + 1) / 2); }

TEST_F(PanelScreenFixture, PanelIsCentredOverAHalvedBackgroundAndCountsDown) {
  ShowInfoPanel(screen, calls);
  EXPECT_EQ(calls.log, std::vector<std::string>{"countdown"});
  EXPECT_TRUE(screen.DescVisible);
  EXPECT_TRUE(screen.lblDesc.Visible);
  EXPECT_EQ(screen.PanelTitle, "Harbour");

  const PanelRect r = CurrentPanelRect(screen);
  const int lineHeight = QFontMetrics(platform::MakeQFont(screen.lblDesc.Font)).height();
  const int lineCount = int(screen.lblDesc.Caption.count("\r\n"));
  EXPECT_GE(lineCount, 4) << "title, empty line, a paragraph wrapped into two or more";
  EXPECT_EQ(screen.lblDesc.Height, lineCount * lineHeight);
  EXPECT_EQ(r, (PanelRect{20, (240 - (screen.lblDesc.Height + 12)) / 2, 280,
                          screen.lblDesc.Height + 12}));
  EXPECT_NEAR(screen.lblDesc.Left, (280 - screen.lblDesc.Width) / 2.0, 0.5);
  EXPECT_EQ(screen.lblDescShadow.Left, screen.lblDesc.Left + 2);
  EXPECT_EQ(screen.lblDescShadow.Top, screen.lblDesc.Top + 2);

  // The screen is halved inside the panel's rectangle and untouched outside;
  // the panel holds the halved background as its own picture.
  const QImage slide = stretch.Image();
  const QImage shown = disp.Image();
  const QImage panel = desc.Image();
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      const bool inside = x >= r.Left && x < r.Left + r.Width && y >= r.Top && y < r.Top + r.Height;
      const QRgb expected = inside ? Halved(slide.pixel(x, y)) : slide.pixel(x, y);
      ASSERT_EQ(shown.pixel(x, y), expected) << "screen at " << x << "," << y;
      if (inside) {
        ASSERT_EQ(panel.pixel(x - r.Left, y - r.Top), expected);
      }
    }
  }
  // The window shows the panel with its labels on it.
  EXPECT_NE(RenderPanel(screen), panel);

  // The countdown's end hides the panel, puts the slide back and finishes it.
  EndInfoPanel(screen, calls);
  EXPECT_EQ(calls.log, (std::vector<std::string>{"countdown", "title", "calendar", "clock"}));
  EXPECT_FALSE(screen.DescVisible);
  EXPECT_FALSE(screen.lblDesc.Visible);
  EXPECT_EQ(disp.Image(), slide);
}

TEST_F(PanelScreenFixture, WithoutAPanelTheSlideIsFinishedAtOnce) {
  struct Case {
    const char* name;
    std::string entryName;
    int showText;
    bool titlePage;
    std::string panDirection;
    std::string entryPath;
    std::vector<std::string> log;
  } cases[] = {
      {"title page", "NULL", 1, true, "", "Sea\\harbour.jpg", {"title", "clock"}},
      {"text off", "harbour", 0, false, "", "Sea\\harbour.jpg", {"title", "calendar", "clock"}},
      {"no image name", "", 1, false, "", "Sea\\harbour.jpg", {"title", "calendar", "clock"}},
      {"no text file", "harbour", 1, false, "", "Sea\\gone.jpg", {"title", "calendar", "clock"}},
      {"a panorama pans", "harbour", 0, false, "TopToBottom", "Sea\\harbour.jpg",
       {"title", "calendar", "pan"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    calls.log.clear();
    screen.EntryName = c.entryName;
    screen.ShowText = c.showText;
    screen.IsTitlePage = c.titlePage;
    screen.PanDirection = c.panDirection;
    screen.EntryPath = c.entryPath;
    screen.PanelTitle = "stale";
    const QImage before = disp.Image();
    ShowInfoPanel(screen, calls);
    EXPECT_EQ(calls.log, c.log);
    EXPECT_FALSE(screen.DescVisible);
    EXPECT_TRUE(screen.PanelTitle.isEmpty());
    EXPECT_EQ(disp.Image(), before);
  }
}

TEST_F(PanelScreenFixture, UnstretchedPanelFollowsTheVisiblePictureAndWrapsToItsOwnWidth) {
  struct Case {
    int imageWidth;
    int panelWidth;
  } cases[] = {
      {200, 175},   // 3.5 x 50
      {160, 140},   // narrower than the previous slide's panel
      {2000, 280},  // larger than the screen: the visible part counts
  };
  screen.Stretch = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.imageWidth);
    calls.log.clear();
    screen.ImageWidth = c.imageWidth;
    ShowInfoPanel(screen, calls);
    const PanelRect r = CurrentPanelRect(screen);
    EXPECT_EQ(r.Width, c.panelWidth);
    EXPECT_EQ(r.Left, (320 - c.panelWidth) / 2);
    EXPECT_GE(r.Left, 0);
    EXPECT_EQ(platform::Val(desc.Tag), c.panelWidth);
    for (const QString& line : screen.lblDesc.Caption.split("\r\n")) {
      if (line.contains(' ')) {
        EXPECT_LT(desc.TextWidth(line), WrapLimit(desc)) << line.toStdString();
      }
    }
    EndInfoPanel(screen, calls);
  }
}

// A 60-character word in the text or the title: every line of the label lies
// inside the panel, so none loses its beginning, at two panel widths.
TEST_F(PanelScreenFixture, LongWordKeepsEveryLineInsideThePanel) {
  const std::string word = "Leuchtturmwaerterhaeuschenschluesselbundaufbewahrungsortkart";
  ASSERT_EQ(word.size(), 60u);
  for (const char* tag : {" 280", " 160"}) {
    for (const std::string& text : {"English=Harbour\r\n\nThe " + word + " is shut.\r\n\r\n\r\n",
                                    "English=" + word + "\r\n\nShut.\r\n\r\n\r\n"}) {
      SCOPED_TRACE(std::string(tag) + " " + text);
      test::WriteFile(root / "Sea" / "harbour.txt", text);
      calls.log.clear();
      desc.Tag = tag;
      ShowInfoPanel(screen, calls);
      ASSERT_TRUE(screen.DescVisible);
      const PanelRect r = CurrentPanelRect(screen);
      EXPECT_EQ(r.Width, int(platform::Val(tag)));
      EXPECT_GE(screen.lblDesc.Left, 0);
      EXPECT_LE(screen.lblDesc.Left + screen.lblDesc.Width, r.Width);
      QString letters;
      for (const QString& line : screen.lblDesc.Caption.split("\r\n")) letters += line;
      EXPECT_TRUE(letters.contains(QString::fromStdString(word).left(30)));
      EXPECT_TRUE(letters.remove(' ').contains(QString::fromStdString(word)));
      if (const char* dir = std::getenv("ORVANE_SCREENSHOT_DIR")) {  // to look at it
        QImage shown = disp.Image();
        QPainter(&shown).drawImage(screen.DescLeft, screen.DescTop, RenderPanel(screen));
        static int n = 0;
        shown.save(QString::fromStdString(std::string(dir) + "/panel-long-word-" + std::to_string(++n) + ".png"));
      }
      EndInfoPanel(screen, calls);
    }
  }
}

TEST_F(PanelScreenFixture, PanoramaIsRestoredFromItsStartWindowOnly) {
  struct Case {
    const char* name;
    int stripWidth, stripHeight;
    // The strip's window on screen: where it lies, and its size.
    int viewLeft, viewTop, viewWidth, viewHeight;
  } cases[] = {
      {"strip as wide as the screen", 320, 400, 0, 0, 320, 240},
      {"strip at its own size, centred", 100, 400, 110, 82, 100, 75},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PictureBox strip(c.stripWidth, c.stripHeight);
    QImage pixels = strip.SurfaceView();
    for (int y = 0; y < c.stripHeight; ++y)
      for (int x = 0; x < c.stripWidth; ++x) pixels.setPixel(x, y, qRgb(x % 256, y % 256, 77));
    screen.picStretch = &strip;
    screen.Stretch = c.viewWidth == 320;
    screen.PanDirection = "TopToBottom";
    screen.PanMode = kPanTopToBottom;
    screen.ImageWidth = c.viewWidth;
    screen.ImageHeight = c.viewHeight;
    screen.PanX = 0;
    screen.PanY = 40;
    screen.DescLeft = 20;
    screen.DescTop = 60;
    desc.Resize(280, 120);
    disp.ClearPicture();
    disp.SetBackColor(QColor(9, 9, 9));  // what the panel left there
    RestorePanelBackground(screen);
    const QImage shown = disp.Image();
    const QImage source = strip.Image();
    for (int y = 60; y < 180; ++y) {
      for (int x = 20; x < 300; ++x) {
        const bool picture = x >= c.viewLeft && x < c.viewLeft + c.viewWidth && y >= c.viewTop &&
                             y < c.viewTop + c.viewHeight;
        const QRgb expected =
            picture ? source.pixel(x - c.viewLeft, y - c.viewTop + 40) : qRgb(0, 0, 0);
        ASSERT_EQ(shown.pixel(x, y), expected) << "at " << x << "," << y;
      }
    }
    EXPECT_EQ(shown.pixel(19, 60), qRgb(9, 9, 9)) << "outside the panel nothing changes";
  }
}

TEST_F(PanelScreenFixture, QuitDuringTheRestoreEndsWithoutFinishingTheSlide) {
  ShowInfoPanel(screen, calls);
  core::QuitSaver = true;
  EndInfoPanel(screen, calls);
  EXPECT_EQ(calls.log, std::vector<std::string>{"countdown"});
  EXPECT_FALSE(screen.DescVisible);
}

}  // namespace
}  // namespace orvane::saver
