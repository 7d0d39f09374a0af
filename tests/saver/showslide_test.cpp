// Showing a slide: the transition leaves the prepared slide on screen, the
// kinds take turns, panoramas start and end on the strip's ends, the sound
// fades out and in, and an end of the show in the middle returns cleanly.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QPaintDevice>
#include <QRegion>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/ImageDescription.h"
#include "saver/TitleCalendar.h"
#include "tests/saver/frmsaver_fixture.h"

namespace orvane::saver::test {
namespace {

class ShowSlideTest : public SaverTest {
 protected:
  void OnePicture(int width = kScreenW, int height = kScreenH, const std::string& nfo = "") {
    SeaSet({"pic.bmp"});
    WritePicture(SetFile("pic.bmp"), width, height);
    if (!nfo.empty()) SetText("pic.bmp.nfo", nfo);
  }
  // The part of picStretch shown at the screen's top-left, as big as the screen.
  QImage StripPart(int x, int y) { return Prepared().copy(x, y, kScreenW, kScreenH); }
};

TEST_F(ShowSlideTest, EveryKindEndsWithThePreparedSlideOnScreen) {
  OnePicture();
  frmSaver& w = Window();
  for (int kind = core::kNoTransition; kind <= core::kCenterPush; ++kind) {
    SCOPED_TRACE(kind);
    if (kind == core::kAllTransitions) continue;
    w.picDisp.Cls();
    w.TransitionSetting = kind;
    w.DoTrans();
    EXPECT_EQ(w.Transitions->TransType(), kind);
    const QImage slide = Prepared();
    EXPECT_EQ(OnScreen(), slide);
    // The picture's own top rows, not black ones.
    for (int y : {0, 1, 2}) EXPECT_EQ(slide.pixel(10, y) & 0xFFFFFF, PatternPixel(10, y) & 0xFFFFFF);
    EXPECT_TRUE(w.tmrTrans.Enabled());  // the slide clock runs again
  }
}

TEST_F(ShowSlideTest, APictureOfTheScreensSizeKeepsItsEdgeRowsAndColumns) {
  struct Case {
    double ratio;
    int kind;
  } cases[] = {{1.0, core::kNoTransition}, {1.0, core::kVerticalBlinds},
               {2.0, core::kNoTransition}, {2.0, core::kVerticalBlinds}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "ratio " << c.ratio << ", kind " << c.kind);
    pixelRatio_ = c.ratio;
    const int w = int(kScreenW * c.ratio), h = int(kScreenH * c.ratio);
    OnePicture(w, h);
    frmSaver& win = NewRun();
    win.TransitionSetting = c.kind;
    win.DoTrans();
    const QImage screen = OnScreen();
    ASSERT_EQ(screen.size(), QSize(w, h));
    auto expectOwn = [&](int x, int y) {
      ASSERT_EQ(screen.pixel(x, y) & 0xFFFFFF, PatternPixel(x, y) & 0xFFFFFF) << x << "," << y;
    };
    for (int x = 0; x < w; ++x)
      for (int y : {0, 1, h - 2, h - 1}) expectOwn(x, y);
    for (int y = 0; y < h; ++y)
      for (int x : {0, 1, w - 2, w - 1}) expectOwn(x, y);
  }
}

// The window's own picture (its backing store) after every step of every kind
// is the screen as the step left it: the step's rectangles, copied row by row
// for all of them at once, are exactly what was drawn, at the window's edges
// and around a centred picDisp too.
TEST_F(ShowSlideTest, TheWindowShowsTheScreenAfterEveryStepOfEveryKind) {
  struct Case {
    QSize screen;
    bool stretch;
    std::vector<int> kinds;
  } cases[] = {
      {QSize(kScreenW, kScreenH), true, {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
      {QSize(1100, 820), false, {2, 9}},  // picDisp at (38, 26), black around it
  };
  for (const Case& c : cases) {
    screenSize_ = c.screen;
    Setting("PrefsSS", "stretch", c.stretch ? "1" : "0");
    OnePicture(c.stretch ? kScreenW : 1024, c.stretch ? kScreenH : 768);
    frmSaver& w = NewRun();
    w.TransitionSetting = core::kNoTransition;
    w.DoTrans();  // prepares the slide and makes it the transitions' source
    const QRect disp(w.picDispLeft, w.picDispTop, w.picDisp.Width(), w.picDisp.Height());
    auto backing = [&w]() -> const QImage& {
      QPaintDevice* device = w.backingStore()->paintDevice();
      EXPECT_EQ(device->devType(), QInternal::Image);
      return *static_cast<const QImage*>(device);
    };
    // The rows of the window's picture where picDisp lies, byte for byte.
    auto showsScreen = [&] {
      const QImage& window = backing();
      const QImage screen = w.picDisp.SurfaceView();
      if (window.depth() != 32 || screen.size() != disp.size()) return false;
      for (int y = 0; y < disp.height(); ++y)
        if (std::memcmp(window.constScanLine(disp.y() + y) + disp.x() * 4, screen.constScanLine(y),
                        std::size_t(disp.width()) * 4) != 0)
          return false;
      return true;
    };
    // The step's copies made by the step, left to the repaint (which writes
    // them into the window, and the screen takes them when it is looked at),
    // and left to a repaint of half the area (the rest is made after it and
    // painted by a second one).
    enum Copies { kByStep, kByPaint, kByHalfPaints };
    for (Copies copies : {kByStep, kByPaint, kByHalfPaints})
    for (int kind : c.kinds) {
      SCOPED_TRACE(testing::Message() << c.screen.width() << " wide, kind " << kind
                                      << ", copies " << copies);
      w.picDisp.Cls();
      w.picDisp.SurfaceView();  // its pixels made, as before a transition's first step
      w.repaint();
      w.Transitions->SetTransType(kind);
      bool done = false;
      for (int step = 0; !done; ++step) {
        ASSERT_LT(step, 5000);
        done = w.Transitions->Transition(copies != kByStep);
        QRegion region;
        for (const core::StepRect& r : w.Transitions->LastStepArea())
          region += QRect(r.x, r.y, r.width, r.height).translated(disp.topLeft()).intersected(disp);
        const QRegion top = region.intersected(QRect(0, 0, w.width(), disp.center().y()));
        w.repaint(copies == kByHalfPaints ? top : region);
        w.Transitions->CopyLeft();
        if (copies == kByHalfPaints) w.repaint(region.subtracted(top));
        ASSERT_FALSE(w.Transitions->HasLeftCopies());
        ASSERT_TRUE(showsScreen()) << "step " << step;
      }
      EXPECT_EQ(OnScreen(), Prepared());
    }
    // Around picDisp the window stays black.
    const QImage window = backing().convertToFormat(QImage::Format_RGB32);
    int lit = 0;
    for (int y = 0; y < window.height(); ++y)
      for (int x = 0; x < window.width(); ++x)
        if (!disp.contains(x, y) && (window.pixel(x, y) & 0xFFFFFF) != 0) ++lit;
    EXPECT_EQ(lit, 0);
  }
}

TEST_F(ShowSlideTest, AllKindsInTurnCycleFromTwoToTen) {
  OnePicture(32, 24);
  Setting("transition", "defaultTransition", "1");
  frmSaver& w = Window();
  std::vector<int> kinds;
  for (int slide = 0; slide < 11; ++slide) {
    w.DoTrans();
    kinds.push_back(w.Transitions->TransType());
  }
  EXPECT_EQ(kinds, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 2, 3}));
  EXPECT_EQ(w.TimerCalls, 11);
  EXPECT_NE(w.lblStartMem.find("Total Physical:"), std::string::npos);
  EXPECT_NE(w.lblMemStatus.find("Timer Calls: 11"), std::string::npos);
}

TEST_F(ShowSlideTest, PanoramasStartAndEndExactlyOnTheStripEnds) {
  struct Case {
    const char* direction;
    bool stretch;
    int stripW, stripH;  // picStretch
    int panMode, panX, panY;
    int viewLeft, viewTop, viewW, viewH;  // where the strip is seen on screen
    int endX, endY;                       // the strip's point shown there after the pan
  } cases[] = {
      {"TopToBottom", true, 320, 1200, 1, 0, 0, 0, 0, 320, 240, 0, 960},
      {"BottomToTop", true, 320, 1200, 2, 0, 960, 0, 0, 320, 240, 0, 0},
      {"BottomToTop", false, 160, 600, 2, 0, 480, 80, 60, 160, 120, 0, 0},
      {"TopToBottom", false, 160, 600, 1, 0, 0, 80, 60, 160, 120, 0, 480},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.direction) + (c.stretch ? " fitted" : " own size"));
    OnePicture(160, 600, std::string("[Panoramic]\r\nPanDirection=") + c.direction + "\r\n");
    Setting("PrefsSS", "stretch", c.stretch ? "1" : "0");
    Setting("Panoramic", "speed", "1");
    frmSaver& w = NewRun();
    w.PrepImage();
    ASSERT_EQ(Prepared().size(), QSize(c.stripW, c.stripH));
    // DoTrans prepares again (same picture) and pans to the far end.
    w.DoTrans();
    EXPECT_EQ(w.PanMode, c.panMode);
    EXPECT_EQ(w.PanX, c.panX);
    EXPECT_EQ(w.PanY, c.panY);
    EXPECT_EQ(w.Screen.ImageWidth, c.viewW);
    EXPECT_EQ(w.Screen.ImageHeight, c.viewH);
    const QImage screen = OnScreen();
    const QImage strip = Prepared();
    EXPECT_EQ(screen.copy(c.viewLeft, c.viewTop, c.viewW, c.viewH),
              strip.copy(c.endX, c.endY, c.viewW, c.viewH));
  }
}

TEST_F(ShowSlideTest, LetterboxOfAStripFollowsTheScreensShape) {
  OnePicture(160, 600, "[Panoramic]\r\nPanDirection=TopToBottom\r\n");
  Setting("PrefsSS", "stretch", "0");
  Setting("Panoramic", "enable", "1");
  Setting("Panoramic", "speed", "1");
  frmSaver& w = Window();
  w.DoTrans();
  // Area of the screen's shape (4:3 here) as wide as the strip, centred.
  EXPECT_EQ(w.ImageWidth, 160);
  EXPECT_EQ(w.ImageHeight, 120);
  EXPECT_EQ(OnScreen().pixel(79, 100) & 0xFFFFFF, 0u);
  EXPECT_EQ(OnScreen().pixel(80, 59) & 0xFFFFFF, 0u);
}

TEST_F(ShowSlideTest, OverlaysOfAnUnfittedLargePictureStayOnTheScreen) {
  OnePicture(400, 300);
  Settings(
      "[ScreenSaver]\r\nSetup=1\r\n[PrefsSS]\r\nchange=5s\r\nRandom=0\r\nCurrentSet=Sea\r\n"
      "stretch=0\r\n[transition]\r\ndefaultTransition=0\r\n"
      "[CalendarSS]\r\nenable=1\r\nposition=9\r\nsize=33\r\n");
  frmSaver& w = Window();
  w.DoTrans();
  EXPECT_EQ(w.ImageWidth, 400);  // the picture's own size...
  EXPECT_EQ(w.Screen.ImageWidth, kScreenW);  // ...of which the screen shows its width
  EXPECT_EQ(w.Screen.ImageHeight, kScreenH);
  const OverlayRect calendar = CalendarRect(w.Screen);
  EXPECT_GT(calendar.Width, 0);
  EXPECT_GE(calendar.Left, 0);
  EXPECT_GE(calendar.Top, 0);
  EXPECT_LE(calendar.Left + calendar.Width, kScreenW);
  EXPECT_LE(calendar.Top + calendar.Height, kScreenH);
}

TEST_F(ShowSlideTest, CalendarOfAFittedPictureStaysOnThePictureNotOnTheBlackBeside) {
  OnePicture(400, 150);  // fitted to 320 x 120, centred between black bands of 60 rows
  Settings(
      "[ScreenSaver]\r\nSetup=1\r\n[PrefsSS]\r\nchange=5s\r\nRandom=0\r\nCurrentSet=Sea\r\n"
      "stretch=1\r\n[transition]\r\ndefaultTransition=0\r\n"
      "[CalendarSS]\r\nenable=1\r\nposition=9\r\nsize=33\r\n");
  frmSaver& w = Window();
  w.DoTrans();
  const OverlayRect calendar = CalendarRect(w.Screen);
  EXPECT_GT(calendar.Height, 0);
  EXPECT_GE(calendar.Top, 60);
  EXPECT_LE(calendar.Top + calendar.Height, 180);
  EXPECT_LE(calendar.Left + calendar.Width, kScreenW);
}

TEST_F(ShowSlideTest, EightBitScreensShowThePreparedFileAsTheWindowsPicture) {
  setenv("ORVANE_SCREEN_BPP", "8", 1);
  OnePicture(64, 48);
  frmSaver& w = Window();
  w.DoTrans();
  unsetenv("ORVANE_SCREEN_BPP");
  EXPECT_TRUE(boxes_.empty());
  ASSERT_FALSE(w.Picture.isNull());
  EXPECT_EQ(w.Picture.size(), QSize(kScreenW, kScreenH));
  EXPECT_EQ(OnScreen(), Prepared());
}

// Unstretched on a screen larger than the reference area, picDisp is centred:
// around it the window is black at 8 bits as at 16 and 24.
TEST_F(ShowSlideTest, SurroundOfAnUnstretchedSlideIsBlackAtEveryDepth) {
  screenSize_ = QSize(1100, 820);
  Setting("PrefsSS", "stretch", "0");
  OnePicture(1024, 768);  // the reference area's size: the slide is picture to its edges
  for (const char* bits : {"8", "16", "24"}) {
    SCOPED_TRACE(bits);
    setenv("ORVANE_SCREEN_BPP", bits, 1);
    frmSaver& w = NewRun();
    w.DoTrans();
    unsetenv("ORVANE_SCREEN_BPP");
    ASSERT_EQ(OnScreen().size(), QSize(1024, 768));
    const QImage window = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(window.size(), QSize(1100, 820));
    const QRect disp(38, 26, 1024, 768);
    EXPECT_EQ(window.copy(disp), OnScreen().convertToFormat(QImage::Format_RGB32));
    int lit = 0;
    for (int y = 0; y < window.height(); ++y)
      for (int x = 0; x < window.width(); ++x)
        if (!disp.contains(x, y) && (window.pixel(x, y) & 0xFFFFFF) != 0) ++lit;
    EXPECT_EQ(lit, 0);
    if (const char* dir = std::getenv("ORVANE_SCREENSHOT_DIR"))  // to look at it
      window.save(QString::fromStdString(std::string(dir) + "/surround-" + bits + "bit.png"));
  }
}

class SoundFadeTest : public ShowSlideTest {
 protected:
  void SetUp() override {
    ShowSlideTest::SetUp();
    SeaSet({"a.bmp", "b.bmp"});
    WritePicture(SetFile("a.bmp"), 32, 24);
    WritePicture(SetFile("b.bmp"), 32, 24);
    orvane::test::WriteFile(SetFile("a.wav"), "RIFF");
    orvane::test::WriteFile(SetFile("b.wav"), "RIFF");
    Setting("PrefsSS", "sound", "1");
  }
  void Sounds(const std::string& rampIn, const std::string& rampOut) {
    for (const char* name : {"a", "b"})
      SetText(std::string(name) + ".bmp.nfo", std::string("[sound]\r\ndefaultsound=") + name +
                                                   ".wav\r\nsoundRampInTime=" + rampIn +
                                                   "\r\nsoundRampOutTime=" + rampOut + "\r\n");
  }
  platform::RecordingSoundPlayer& Player() { return *sounds_.last(); }
};

TEST_F(SoundFadeTest, NewSoundFadesInToFullVolume) {
  for (const char* ramp : {"100", "1", "0", "-5"}) {
    SCOPED_TRACE(ramp);
    Sounds(ramp, ramp);
    frmSaver& w = NewRun();
    w.DoTrans();
    const std::vector<long>& volumes = Player().volumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.back(), platform::kVolumeFull);
    EXPECT_TRUE(std::is_sorted(volumes.begin(), volumes.end()));
    EXPECT_EQ(Player().PlayState(), platform::mpPlaying);
    EXPECT_FALSE(w.SoundChanged);
  }
}

TEST_F(SoundFadeTest, ChangedSoundFadesOutThenIn) {
  Sounds("200", "300");
  frmSaver& w = Window();
  w.DoTrans();
  platform::RecordingSoundPlayer& player = Player();
  const std::size_t firstSlide = player.volumes().size();
  const std::uint32_t before = platform::GetTickCount();
  w.DoTrans();
  EXPECT_GE(platform::GetTickCount() - before, 300u);  // the fade-out's length at least

  const std::vector<long> second(player.volumes().begin() + long(firstSlide), player.volumes().end());
  // Down from full to silent, then up again to full.
  const auto silent = std::find(second.begin(), second.end(), platform::kVolumeSilent);
  ASSERT_NE(silent, second.end());
  EXPECT_TRUE(std::is_sorted(second.begin(), silent, std::greater<long>()));
  EXPECT_TRUE(std::is_sorted(silent, second.end()));
  EXPECT_EQ(second.back(), platform::kVolumeFull);
  const std::vector<std::string> tail(player.calls().end() - 3, player.calls().end());
  EXPECT_EQ(tail, (std::vector<std::string>{"Stop", "FileName=" + SetFile("b.wav").string(), "Play"}));

}

TEST_F(SoundFadeTest, SameSoundKeepsPlayingWithoutAFade) {
  SetText("a.bmp.nfo", "[sound]\r\ndefaultsound=a.wav\r\nsoundRampInTime=200\r\n");
  SetText("b.bmp.nfo", "[sound]\r\ndefaultsound=a.wav\r\nsoundRampInTime=200\r\n");
  frmSaver& w = Window();
  w.DoTrans();
  const std::size_t calls = Player().calls().size();
  const std::size_t volumes = Player().volumes().size();
  w.DoTrans();
  EXPECT_EQ(w.EntryName, "b.bmp");
  EXPECT_EQ(Player().calls().size(), calls);
  EXPECT_EQ(Player().volumes().size(), volumes);
  EXPECT_EQ(Player().PlayState(), platform::mpPlaying);
}

TEST_F(SoundFadeTest, NoSoundStopsThePlayer) {
  frmSaver& w = Window();
  w.DoTrans();
  EXPECT_EQ(Player().calls(), (std::vector<std::string>{"Stop"}));
}

// A clock that ends the show once a given time has passed, as input arriving
// while the show waits would.
class QuittingClock : public platform::ManualTickClock {
 public:
  using ManualTickClock::ManualTickClock;
  std::function<void()> atDeadline;
  std::uint64_t deadline = 0;
  void SleepMilliseconds(std::uint32_t ms) override {
    ManualTickClock::SleepMilliseconds(ms);
    if (atDeadline && Milliseconds() >= deadline) {
      auto call = std::move(atDeadline);
      atDeadline = nullptr;
      call();
    }
  }
};

TEST_F(SoundFadeTest, EndingDuringTheFadeReturnsAndUnloads) {
  Sounds("5000", "5000");
  QuittingClock clock(1000);
  platform::SetTickClock(&clock);
  frmSaver& w = Window();
  clock.deadline = 1000 + 2000;  // in the middle of the fade-in
  clock.atDeadline = [&w] { w.EndShow(); };
  w.DoTrans();
  EXPECT_TRUE(core::QuitSaver);
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(w.SoundChanged);  // the slide did not finish
  EXPECT_FALSE(w.tmrTrans.Enabled());
  EXPECT_EQ(SettingValue("ScreenSaver", "running"), "0");
  EXPECT_LT(clock.Milliseconds(), 1000u + 5000u);
  platform::SetTickClock(&clock_);
}

TEST_F(ShowSlideTest, WaitsSurviveTheTickCountWrap) {
  OnePicture(32, 24);
  clock_.Set(0xFFFFFFFFull - 20);  // wraps during the first steps
  frmSaver& w = Window();
  w.TransitionSetting = core::kVerticalBlinds;
  w.DoTrans();
  EXPECT_EQ(OnScreen().copy(0, 0, 32, 24), Prepared().copy(0, 0, 32, 24));
}

}  // namespace
}  // namespace orvane::saver::test
