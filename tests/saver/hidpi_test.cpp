// The show on a screen scaled by the desktop: it prepares and shows its
// slides in the screen's device pixels, and its overlays keep the size they
// have on the screen at ratio 1.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <cmath>
#include <vector>

#include "platform/fonts.h"
#include "saver/InfoPanel.h"
#include "saver/TitleCalendar.h"
#include "tests/saver/frmsaver_fixture.h"

namespace orvane::saver::test {
namespace {

class ScaledShowTest : public SaverTest {
 protected:
  void SetUp() override {
    SaverTest::SetUp();
    SeaSet({"pic.bmp"});
    SetText("pic.bmp.nfo", "[English]\r\nEnglish=Harbour Lights\r\n\r\nBoats at the quay.\r\n\r\n\r\n");
  }
};

TEST_F(ScaledShowTest, SlidesArePreparedAndShownInDevicePixels) {
  pixelRatio_ = 2.0;
  WritePicture(SetFile("pic.bmp"), 2 * kScreenW, 2 * kScreenH);
  frmSaver& w = Window();
  EXPECT_EQ(w.geometry(), QRect(0, 0, kScreenW, kScreenH));
  EXPECT_EQ(QSize(w.picDisp.Width(), w.picDisp.Height()), QSize(2 * kScreenW, 2 * kScreenH));
  EXPECT_EQ(w.Transitions->BlindSize(), 2 * kScreenW / 10);
  EXPECT_EQ(w.picDesc.Width(), 560);  // 3.5 quarters of the device width
  w.DoTrans();
  const QImage slide = Prepared();
  ASSERT_EQ(slide.size(), QSize(2 * kScreenW, 2 * kScreenH));
  // The picture of the screen's device size is the slide pixel for pixel, and
  // it is what the screen shows.
  for (int y = 0; y < slide.height(); y += 37)
    for (int x = 0; x < slide.width(); x += 13)
      ASSERT_EQ(slide.pixel(x, y) & 0xFFFFFF, PatternPixel(x, y) & 0xFFFFFF) << x << "," << y;
  EXPECT_EQ(OnScreen(), slide);
}

TEST_F(ScaledShowTest, UnfittedSlidesKeepTheReferenceAreasShareOfTheScreen) {
  // 1024 x 768 units of a 1280 x 1024 screen, at 150 % in device pixels.
  Setting("PrefsSS", "stretch", "0");
  frmSaver w(platform::ScreenPixelsOf(QRect(0, 0, 1280, 1024), 1.5));
  w.Load();
  w.tmrTrans.SetEnabled(false);
  EXPECT_EQ(w.RefWidth, 1536);
  EXPECT_EQ(w.RefHeight, 1152);
  EXPECT_EQ(QRect(w.picDispLeft, w.picDispTop, w.picDisp.Width(), w.picDisp.Height()),
            QRect(192, 192, 1536, 1152));
}

// Where the overlays of one slide lie on picDisp: the panel, then the title
// box and the calendar drawn after it, and the size of the notices' font.
struct Overlays {
  QRect panel, title, calendar;
  int noticeFont = 0;
};

TEST_F(ScaledShowTest, OverlaysKeepTheirSizeOnTheScreen) {
  Setting("InfoPanel", "showText", "1");
  Setting("InfoPanel", "showTitle", "1");
  Setting("CalendarSS", "enable", "1");
  Setting("CalendarSS", "size", "33");
  Setting("CalendarSS", "position", "1");
  Setting("InfoPanel", "defaultTime", "0");
  auto show = [&](double ratio) {
    pixelRatio_ = ratio;
    WritePicture(SetFile("pic.bmp"), int(std::lround(kScreenW * ratio)), int(std::lround(kScreenH * ratio)));
    frmSaver& w = NewRun();
    w.DoTrans();
    Overlays o;
    const PanelRect p = CurrentPanelRect(w.Screen);
    EXPECT_TRUE(w.Screen.DescVisible);
    o.panel = QRect(p.Left, p.Top, p.Width, p.Height);
    o.noticeFont = QFontMetrics(platform::MakeQFont(w.picDisp.Font())).height();
    w.tmrInfo_Timer();  // a panel time of 0 ends the panel at the first tick
    EXPECT_EQ(w.Screen.OverlayAreas.size(), 2u);
    if (w.Screen.OverlayAreas.size() == 2) {
      o.title = w.Screen.OverlayAreas[0];
      o.calendar = w.Screen.OverlayAreas[1];
    }
    return o;
  };
  const Overlays plain = show(1.0);
  for (const double ratio : {1.5, 2.0}) {
    SCOPED_TRACE(ratio);
    const Overlays scaled = show(ratio);
    // Font heights are whole pixels, rounded per size (Liberation Sans is 17
    // pixels high at 16, 36 at 32): a panel of three lines grows by 5 % more.
    auto expectScaled = [&](const char* what, int value, int atOne) {
      const double expected = ratio * atOne;
      EXPECT_NEAR(value, expected, std::max(2.0, 0.06 * expected)) << what << " at ratio 1: " << atOne;
    };
    for (const auto& [what, a, b] : std::vector<std::tuple<const char*, QRect, QRect>>{
             {"panel", scaled.panel, plain.panel},
             {"title", scaled.title, plain.title},
             {"calendar", scaled.calendar, plain.calendar}}) {
      expectScaled(what, a.left(), b.left());
      expectScaled(what, a.top(), b.top());
      expectScaled(what, a.width(), b.width());
      expectScaled(what, a.height(), b.height());
    }
    expectScaled("notice font", scaled.noticeFont, plain.noticeFont);
  }
}

}  // namespace
}  // namespace orvane::saver::test
