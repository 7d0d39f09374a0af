// Panoramic panning: the start point handed over for each direction, every step
// showing an exact window of the strip, the end on the strip's far end, the
// pacing on the tick clock and the ways a pan stops.
#include "saver/Panning.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/Globals.h"
#include "imaging/gdi.h"
#include "platform/picturebox.h"
#include "platform/tick.h"
#include "saver/TitleCalendar.h"
#include "tests/support/testenv.h"

namespace orvane::saver {
namespace {

using platform::PictureBox;

class RecordingCalls : public SaverWindowCalls {
 public:
  void StartSlideClock() override { ++slideClockStarts; }
  void StartInfoCountdown() override { ++countdownStarts; }
  int slideClockStarts = 0;
  int countdownStarts = 0;
};

// A manual clock that counts its sleeps and, after a given number, sets
// QuitSaver (the input handlers' part) or stops a runaway wait.
class CountingClock : public platform::ManualTickClock {
 public:
  using ManualTickClock::ManualTickClock;
  void SleepMilliseconds(std::uint32_t ms) override {
    ManualTickClock::SleepMilliseconds(ms);
    ++sleeps;
    if (quitAfter > 0 && sleeps >= quitAfter) core::QuitSaver = true;
  }
  int sleeps = 0;
  int quitAfter = 0;
};

// A strip whose every pixel names its column and row, so any shifted,
// duplicated or missing line shows.
void PaintStrip(PictureBox& strip) {
  QImage surface = strip.SurfaceView();
  for (int y = 0; y < surface.height(); ++y)
    for (int x = 0; x < surface.width(); ++x)
      surface.setPixel(x, y, qRgb(x * 5 % 256, y % 256, 100 + y / 256 + x / 256));
}

class PanFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    core::QuitSaver = false;
    platform::SetTickClock(&clock);
  }
  void TearDown() override {
    platform::SetTickClock(nullptr);
    core::QuitSaver = false;
  }

  // Lays the strip out as DoTrans hands it over and shows its start.
  void Prepare(int mode, int stripWidth, int stripHeight) {
    strip.Resize(stripWidth, stripHeight);
    PaintStrip(strip);
    screen.picDisp = &disp;
    screen.picStretch = &strip;
    screen.PanMode = mode;
    const PanPoint start = PanStartPoint(mode, stripWidth, stripHeight, disp.Width(), disp.Height());
    screen.PanX = start.X;
    screen.PanY = start.Y;
    view = PanViewArea(mode, stripWidth, stripHeight, disp.Width(), disp.Height());
    imaging::BitBlt(disp.hDC(), view.Left, view.Top, view.Width, view.Height, strip.hDC(),
                    screen.PanX, screen.PanY);
  }

  // The view as it stands equals the strip's window at (x, y), and nothing
  // outside the view was touched.
  void ExpectViewShows(int x, int y, const std::string& where) {
    const QImage shown = disp.Image();
    const QRect area(view.Left, view.Top, view.Width, view.Height);
    EXPECT_EQ(shown.copy(area), strip.Image().copy(x, y, view.Width, view.Height))
        << where << ": view should show the strip at " << x << "," << y;
    for (int py = 0; py < shown.height(); ++py) {
      for (int px = 0; px < shown.width(); ++px) {
        if (!area.contains(px, py)) {
          ASSERT_EQ(shown.pixel(px, py) & 0xFFFFFF, 0u)
              << where << ": outside the view at " << px << "," << py;
        }
      }
    }
  }

  CountingClock clock{1000};
  PictureBox disp{32, 24};
  PictureBox strip;
  SaverScreen screen;
  RecordingCalls calls;
  PanArea view;
};

struct PanCase {
  const char* name;
  int mode;
  int stripWidth;
  int stripHeight;
  // Where the strip's window starts and which way it moves per step.
  int startX, startY, dx, dy;
  int steps;
};

// Screen 32 x 24. Strips as wide (high) as the screen fill it; narrower ones
// pan in a centred area of the screen's shape (16 x 12 at 8, 6).
const PanCase kPans[] = {
    {"TopToBottom full width", kPanTopToBottom, 32, 40, 0, 0, 0, 1, 16},
    {"BottomToTop full width", kPanBottomToTop, 32, 40, 0, 16, 0, -1, 16},
    {"LeftToRight full height", kPanLeftToRight, 50, 24, 0, 0, 1, 0, 18},
    {"RightToLeft full height", kPanRightToLeft, 50, 24, 18, 0, -1, 0, 18},
    {"TopToBottom centred", kPanTopToBottom, 16, 30, 0, 0, 0, 1, 18},
    {"BottomToTop centred", kPanBottomToTop, 16, 30, 0, 18, 0, -1, 18},
    {"LeftToRight centred", kPanLeftToRight, 40, 12, 0, 0, 1, 0, 24},
    {"RightToLeft centred", kPanRightToLeft, 40, 12, 24, 0, -1, 0, 24},
};

TEST_F(PanFixture, EveryStepShowsTheNextWindowOfTheStripAndEndsOnTheFarEnd) {
  for (const PanCase& c : kPans) {
    SCOPED_TRACE(c.name);
    disp.Cls();
    calls = RecordingCalls{};
    Prepare(c.mode, c.stripWidth, c.stripHeight);
    EXPECT_EQ(screen.PanX, c.startX);
    EXPECT_EQ(screen.PanY, c.startY);
    bool done = false;
    for (int step = 1; step <= c.steps; ++step) {
      ASSERT_FALSE(done) << "ended early before step " << step;
      PanStep(screen, calls, step == 1, done);
      ExpectViewShows(c.startX + c.dx * step, c.startY + c.dy * step,
                      "after step " + std::to_string(step));
    }
    EXPECT_TRUE(done) << "the far end is on screen";
    EXPECT_EQ(calls.slideClockStarts, 1);
    // A call after the end draws nothing more.
    PanStep(screen, calls, false, done);
    EXPECT_TRUE(done);
    ExpectViewShows(c.startX + c.dx * c.steps, c.startY + c.dy * c.steps, "after the end");
  }
}

TEST_F(PanFixture, TitleAndCalendarStayWhereTheyWereDrawnWhileThePictureMoves) {
  struct Case {
    const char* name;
    int mode, stripWidth, stripHeight, dx, dy;
    double ratio = 1.0;  // of the screen: lines per step
  } cases[] = {
      {"TopToBottom", kPanTopToBottom, 320, 400, 0, 1},
      {"BottomToTop", kPanBottomToTop, 320, 400, 0, -1},
      {"LeftToRight", kPanLeftToRight, 500, 240, 1, 0},
      {"RightToLeft, centred", kPanRightToLeft, 500, 120, -1, 0},
      {"BottomToTop at ratio 2", kPanBottomToTop, 320, 400, 0, -1, 2.0},
      {"LeftToRight at ratio 1.5", kPanLeftToRight, 500, 240, 1, 0, 1.5},
      {"TopToBottom at ratio 3", kPanTopToBottom, 320, 400, 0, 1, 3.0},
  };
  PictureBox big(320, 240);
  const imaging::Handle workBuffer = imaging::CreateWorkBuff(320, 240, 0, 0);
  const imaging::Handle panel = imaging::CreateBitMap(280, 240, 0, 0, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    big.Cls();
    screen = SaverScreen{};
    screen.PixelRatio = c.ratio;
    screen.picDisp = &big;
    screen.WorkBuffer = workBuffer;
    screen.PanelBitmap = panel;
    strip.Resize(c.stripWidth, c.stripHeight);
    PaintStrip(strip);
    screen.picStretch = &strip;
    screen.PanMode = c.mode;
    const PanPoint start = PanStartPoint(c.mode, c.stripWidth, c.stripHeight, 320, 240);
    screen.PanX = start.X;
    screen.PanY = start.Y;
    view = PanViewArea(c.mode, c.stripWidth, c.stripHeight, 320, 240);
    imaging::BitBlt(big.hDC(), view.Left, view.Top, view.Width, view.Height, strip.hDC(),
                    screen.PanX, screen.PanY);
    // The title box at the bottom and a large calendar in the middle, drawn
    // as the slide finishes.
    screen.ShowTitle = 1;
    screen.PanelTitle = QStringLiteral("Harbour at dawn");
    screen.CalendarOn = true;
    // At a ratio above 1 the small screen needs a larger calendar for its
    // month's name to fit in it.
    screen.CalendarSize = c.ratio == 1.0 ? 33 : 66;
    screen.CalendarPosition = core::kCenter;
    screen.CalendarDate = QDate(2026, 12, 10);
    DispTitle(screen);
    DispCalender(screen);
    ASSERT_EQ(screen.OverlayAreas.size(), 2u);
    const QImage drawn = big.Image();

    bool done = false;
    for (int step = 1; step <= 30; ++step) PanStep(screen, calls, step == 1, done);
    const QImage shown = big.Image();
    const QRect viewArea(view.Left, view.Top, view.Width, view.Height);
    QRegion overlays;
    for (const QRect& area : screen.OverlayAreas) {
      const QRect kept = area.intersected(viewArea);
      if (kept.isEmpty()) continue;  // the title box below a centred view
      overlays += kept;
      EXPECT_EQ(shown.copy(kept), drawn.copy(kept)) << "overlay moved";
    }
    // Everywhere else in the view: the strip 30 steps further on.
    const int lines = int(30 * c.ratio);
    const int x0 = screen.PanX + lines * c.dx, y0 = screen.PanY + lines * c.dy;
    const QImage stripImage = strip.Image();
    int compared = 0;
    for (int y = view.Top; y < view.Top + view.Height; ++y)
      for (int x = view.Left; x < view.Left + view.Width; ++x) {
        if (overlays.contains(QPoint(x, y))) continue;
        ++compared;
        ASSERT_EQ(shown.pixel(x, y), stripImage.pixel(x - view.Left + x0, y - view.Top + y0))
            << "at " << x << "," << y;
      }
    EXPECT_GT(compared, view.Width * view.Height / 2);
  }
  imaging::DestroyWorkBuff(workBuffer);
  imaging::UnloadBitMap(panel);
}

TEST_F(PanFixture, OnAScaledScreenEachStepMovesAsManyLinesAsTheRatio) {
  for (const double ratio : {1.5, 2.0, 3.0}) {
    for (const PanCase& c : kPans) {
      SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(ratio));
      disp.Cls();
      calls = RecordingCalls{};
      screen.PixelRatio = ratio;
      Prepare(c.mode, c.stripWidth, c.stripHeight);
      bool done = false;
      int step = 0;
      while (!done && step < c.steps) {
        PanStep(screen, calls, ++step == 1, done);
        // A fractional ratio alternates (1.5: 1, 2, 1, 2 ...); the last step
        // stops on the far end.
        const int moved = std::min(int(step * ratio), c.steps);
        ExpectViewShows(c.startX + c.dx * moved, c.startY + c.dy * moved,
                        "after step " + std::to_string(step));
      }
      EXPECT_TRUE(done);
      EXPECT_EQ(step, int(std::ceil(c.steps / ratio)));
      EXPECT_EQ(calls.slideClockStarts, 1);
    }
  }
}

TEST_F(PanFixture, ExecutePanRunsToTheFarEndPacedByTheTickClock) {
  for (const PanCase& c : {kPans[1], kPans[3], kPans[4]}) {
    SCOPED_TRACE(c.name);
    disp.Cls();
    calls = RecordingCalls{};
    Prepare(c.mode, c.stripWidth, c.stripHeight);
    screen.PanSpeed = 40;
    const std::uint64_t before = clock.Milliseconds();
    ExecutePan(screen, calls);
    ExpectViewShows(c.startX + c.dx * c.steps, c.startY + c.dy * c.steps, "at the end");
    EXPECT_EQ(calls.slideClockStarts, 1);
    // The first step comes at once, each later one a PanSpeed interval after it.
    EXPECT_EQ(clock.Milliseconds() - before, std::uint64_t(40 * (c.steps - 1)));
  }
}

TEST_F(PanFixture, QuitSaverMidPanReturnsBetweenStepsWithoutRestartingTheClock) {
  Prepare(kPanTopToBottom, 32, 60);
  screen.PanSpeed = 10;
  clock.quitAfter = 5;  // 10 ms slices: the show ends during the 5th interval
  ExecutePan(screen, calls);
  EXPECT_TRUE(core::QuitSaver);
  EXPECT_EQ(calls.slideClockStarts, 0);
  EXPECT_EQ(clock.sleeps, 5);
  ExpectViewShows(0, 5, "stopped after the 5th step");
  // A step asked for after the end of the show draws nothing.
  bool done = true;
  PanStep(screen, calls, false, done);
  EXPECT_FALSE(done);
  ExpectViewShows(0, 5, "after the show ended");
}

TEST_F(PanFixture, WaitsSleepAndSurviveTheTickWrap) {
  struct Case {
    const char* name;
    std::uint64_t start;
    int speed;
  } cases[] = {
      {"masked count wraps", (std::uint64_t(1) << 31) - 25, 10},
      {"32-bit count wraps", (std::uint64_t(1) << 32) - 25, 10},
      {"speed 0", 5000, 0},
      {"negative speed", 5000, -3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    disp.Cls();
    calls = RecordingCalls{};
    clock.Set(c.start);
    clock.sleeps = 0;
    clock.quitAfter = 10000;  // a hung wait ends the pan instead of the test run
    Prepare(kPanTopToBottom, 32, 30);
    screen.PanSpeed = c.speed;
    ExecutePan(screen, calls);
    EXPECT_FALSE(core::QuitSaver) << "the wait hung";
    core::QuitSaver = false;
    ExpectViewShows(0, 6, "at the end");
    // Every interval is slept, never spun: at least one sleep per step after the first.
    EXPECT_GE(clock.sleeps, 5);
  }
}

TEST_F(PanFixture, NothingToPanIsDoneAtOnceWithoutDrawing) {
  struct Case {
    const char* name;
    int mode, stripWidth, stripHeight;
  } cases[] = {
      {"no direction", kPanNone, 32, 40},
      {"unknown mode", 3, 32, 40},
      {"strip as high as the screen", kPanTopToBottom, 32, 24},
      {"strip shorter than the screen", kPanBottomToTop, 32, 20},
      {"strip as wide as the view", kPanRightToLeft, 32, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    disp.Cls();
    calls = RecordingCalls{};
    Prepare(c.mode, c.stripWidth, c.stripHeight);
    const QImage before = disp.Image();
    ExecutePan(screen, calls);
    EXPECT_EQ(disp.Image(), before);
    EXPECT_EQ(calls.slideClockStarts, 1);
    EXPECT_EQ(clock.sleeps, 0);
  }
}

TEST_F(PanFixture, AScreenOfNoSizeEndsThePanAtOnce) {
  Prepare(kPanTopToBottom, 32, 40);
  PictureBox empty;
  screen.picDisp = &empty;
  bool done = false;
  PanStep(screen, calls, true, done);
  EXPECT_TRUE(done);
  EXPECT_EQ(calls.slideClockStarts, 1);
}

TEST(PanStart, DirectionsAndStartPoints) {
  struct Case {
    std::string direction;
    std::optional<int> mode;
  } modes[] = {
      {"", kPanNone},           {"TopToBottom", kPanTopToBottom},
      {"Top", kPanTopToBottom}, {"BottomToTop", kPanBottomToTop},
      {"LeftToRight", kPanLeftToRight}, {"RightToLeft", kPanRightToLeft},
      {"topToBottom", std::nullopt},    {"Diagonal", std::nullopt},
  };
  for (const Case& c : modes) EXPECT_EQ(PanModeOf(c.direction), c.mode) << c.direction;

  struct Point {
    int mode, stripWidth, stripHeight;
    PanPoint start;
    PanArea view;
  } points[] = {
      // 320 x 240 screen.
      {kPanTopToBottom, 320, 900, {0, 0}, {0, 0, 320, 240}},
      {kPanBottomToTop, 320, 900, {0, 660}, {0, 0, 320, 240}},
      {kPanBottomToTop, 200, 900, {0, 750}, {60, 45, 200, 150}},
      {kPanLeftToRight, 1000, 240, {0, 0}, {0, 0, 320, 240}},
      {kPanRightToLeft, 1000, 240, {680, 0}, {0, 0, 320, 240}},
      {kPanRightToLeft, 1000, 120, {840, 0}, {80, 60, 160, 120}},
      {kPanBottomToTop, 320, 200, {0, 0}, {0, 0, 320, 240}},  // shorter than the screen
      {kPanNone, 320, 240, {0, 0}, {0, 0, 320, 240}},
  };
  for (const Point& p : points) {
    SCOPED_TRACE(testing::Message() << "mode " << p.mode << " strip " << p.stripWidth << "x"
                                    << p.stripHeight);
    EXPECT_EQ(PanStartPoint(p.mode, p.stripWidth, p.stripHeight, 320, 240), p.start);
    EXPECT_EQ(PanViewArea(p.mode, p.stripWidth, p.stripHeight, 320, 240), p.view);
  }
}

}  // namespace
}  // namespace orvane::saver
