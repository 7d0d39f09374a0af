// The slide-show window's start: the settings it runs on, the preview's
// hand-over, the first layout, the signs that a show runs, the sound looping
// and a whole modal show ended by a key.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

#include "platform/caption_lock.h"
#include "platform/desktop.h"
#include "tests/saver/frmsaver_fixture.h"

namespace orvane::saver::test {
namespace {

class FrmSaverTest : public SaverTest {
 protected:
  void SetUp() override {
    SaverTest::SetUp();
    SeaSet({"a.bmp"});
    WritePicture(SetFile("a.bmp"), 32, 24);
  }
};

TEST(ImageDelay, SecondsMinutesAndTableIndexes) {
  struct Case {
    const char* change;
    std::int64_t seconds;
  } cases[] = {
      {"90s", 90}, {"2m", 120},  {"3", 120},  {"", 15},   {"0", 15},    {"12", 7200},
      {"13", 60},  {"-1", 60},   {"x", 15},   {"2.5s", 2}, {"99999999999m", 1000000000},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseImageDelay(c.change), c.seconds) << c.change;
}

TEST_F(FrmSaverTest, ReadsItsSettingsWithTheShowsDefaults) {
  Settings("[ScreenSaver]\r\nSetup=1\r\n[PrefsSS]\r\nRandom=0\r\nCurrentSet=Sea\r\n");
  frmSaver& w = Window();
  EXPECT_TRUE(w.SetUp);
  EXPECT_EQ(w.ImageDelay, 60);
  EXPECT_EQ(w.TransitionSetting, core::kAllTransitions);
  EXPECT_EQ(w.LanguageName, "English");
  EXPECT_EQ(w.InfoTime, 20);
  EXPECT_EQ(w.PanSpeed, 250);
  EXPECT_TRUE(w.PanOn);
  EXPECT_TRUE(w.Stretch);
  EXPECT_TRUE(w.CalendarOn);
  EXPECT_EQ(w.CalendarSize, 20);
  EXPECT_EQ(w.CalendarPosition, 1);
  EXPECT_FALSE(w.SoundOn);
  EXPECT_TRUE(w.WebLinksOn);
  EXPECT_FALSE(w.AllSets);
  EXPECT_EQ(w.SlideList.Count(), 1);
  EXPECT_FALSE(w.UsePassword);
}

TEST_F(FrmSaverTest, OutOfRangeSettingsFallBackToTheDefaults) {
  Settings(
      "[ScreenSaver]\r\nSetup=1\r\n[PrefsSS]\r\nchange=20\r\n"
      "[transition]\r\ndefaultTransition=42\r\n"
      "[InfoPanel]\r\ndefaultLanguage=9\r\n"
      "[CalendarSS]\r\nsize=0\r\nposition=12\r\n");
  frmSaver& w = Window();
  EXPECT_EQ(w.ImageDelay, 60);
  EXPECT_EQ(w.TransitionSetting, core::kAllTransitions);
  EXPECT_EQ(w.LanguageName, "English");
  EXPECT_EQ(w.CalendarSize, 20);
  EXPECT_EQ(w.CalendarPosition, 12);  // the calendar keeps its own place for it
}

TEST_F(FrmSaverTest, EmptyChosenSetShowsAllSets) {
  Catalogue("[SetDescriptions]\r\nSea=Sea\\\r\nEmpty=Empty\\\r\n[Sea]\r\na=a.bmp\r\n[Empty]\r\n");
  Setting("PrefsSS", "CurrentSet", "Empty");
  frmSaver& w = Window();
  EXPECT_TRUE(w.Random);
  EXPECT_TRUE(w.AllSets);
  EXPECT_EQ(w.SlideList.Count(), 1);
}

TEST_F(FrmSaverTest, LaysTheScreenOut) {
  struct Case {
    const char* name;
    QRect screen;
    bool stretch;
    QRect disp;
    int refW, refH;
    int panelW;
  } cases[] = {
      {"fitted", {0, 0, 320, 240}, true, {0, 0, 320, 240}, 1024, 768, 280},
      {"small screen unfitted", {0, 0, 800, 600}, false, {0, 0, 800, 600}, 800, 600, 700},
      {"large screen unfitted", {0, 0, 1280, 1024}, false, {128, 128, 1024, 768}, 1024, 768, 896},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Setting("PrefsSS", "stretch", c.stretch ? "1" : "0");
    frmSaver w(c.screen);
    w.Load();
    w.tmrTrans.SetEnabled(false);
    EXPECT_EQ(QRect(w.picDispLeft, w.picDispTop, w.picDisp.Width(), w.picDisp.Height()), c.disp);
    EXPECT_EQ(w.RefWidth, c.refW);
    EXPECT_EQ(w.RefHeight, c.refH);
    EXPECT_EQ(w.picDesc.Width(), c.panelW);
    EXPECT_EQ(w.picDesc.Tag, " " + std::to_string(c.panelW));
    EXPECT_EQ(w.Transitions->BlindSize(), c.disp.width() / 10);
    EXPECT_EQ(imaging::GetGCBitmapWidth(w.PanelBitmap), c.panelW);
    EXPECT_EQ(w.geometry(), c.screen);
  }
}

TEST_F(FrmSaverTest, SignsOfARunningShowLastAsLongAsTheWindow) {
  {
    frmSaver& w = Window();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("DUZudaveZeved"));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(platform::IsCaptionLocked(settingsFolder_));
    EXPECT_EQ(SettingValue("ScreenSaver", "running"), "1");
    EXPECT_TRUE(platform::GetScreenSaverRunning());
  }
  window_.reset();
  EXPECT_FALSE(platform::IsCaptionLocked(settingsFolder_));
  EXPECT_EQ(SettingValue("ScreenSaver", "running"), "0");
  EXPECT_FALSE(platform::GetScreenSaverRunning());
}

TEST_F(FrmSaverTest, DebugModeIsNeitherTopmostNorTheSystemsSaver) {
  core::DebugMode = true;
  frmSaver& w = Window();
  EXPECT_FALSE(w.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(platform::GetScreenSaverRunning());
}

TEST_F(FrmSaverTest, PreviewRunsOnTheDialogsValuesOnly) {
  Settings("[ScreenSaver]\r\nSetup=0\r\nShowInit=1\r\n[PrefsSS]\r\nchange=90s\r\n");
  frmSaver w(QRect(0, 0, kScreenW, kScreenH));
  w.InitiSaver(root_.string() + "/", settingsFolder_ + "Orvane.ini",
               settingsFolder_ + "ScreenSaver.ini", "Sea", false, 2, true, "Korean", true, false, 7,
               5, 100, false, true, 33, 9, false, true, true, false);
  EXPECT_EQ(SettingValue("ScreenSaver", "running"), "1");
  w.Load();
  w.tmrTrans.SetEnabled(false);
  EXPECT_TRUE(w.SetUp);
  EXPECT_FALSE(w.ShowInit);
  EXPECT_EQ(w.ImageDelay, 120);
  EXPECT_FALSE(w.AllSets);
  EXPECT_EQ(w.SlideList.Count(), 1);
  EXPECT_EQ(w.LanguageName, "Korean");
  EXPECT_TRUE(w.EastAsian);
  EXPECT_FALSE(w.Screen.lblDesc.Font.Bold);
  EXPECT_EQ(w.TransitionSetting, 5);
  EXPECT_EQ(w.PanSpeed, 100);
  EXPECT_FALSE(w.Stretch);
  EXPECT_EQ(w.CalendarSize, 33);
  EXPECT_EQ(w.CalendarPosition, 9);
  EXPECT_TRUE(w.SoundLooping);
  EXPECT_FALSE(w.WebLinksOn);
}

TEST_F(FrmSaverTest, SoundStartsAgainWhenItEndsWhileLooping) {
  frmSaver& w = Window();
  platform::RecordingSoundPlayer& player = *sounds_.last();
  w.SoundFile = SetFile("a.wav").string();
  w.SoundLooping = true;
  player.SetFileName(w.SoundFile);
  player.Play();
  player.FinishPlayback();
  EXPECT_EQ(player.PlayState(), platform::mpPlaying);

  w.SoundLooping = false;
  player.FinishPlayback();
  EXPECT_EQ(player.PlayState(), platform::mpStopped);
}

TEST_F(FrmSaverTest, ModalShowRunsUntilAKeyEndsIt) {
  platform::SetTickClock(nullptr);  // the real clock, so the modal loop's timers run
  frmSaver w(QRect(0, 0, kScreenW, kScreenH));
  int slidesSeen = 0;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!w.EntryName.empty() && w.tmrTrans.Enabled()) {
      ++slidesSeen;
      QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
      QCoreApplication::sendEvent(&w, &press);
    }
  });
  poll.start();
  QTimer::singleShot(20000, [&w] { w.EndShow(); });  // a safety net, never a timing check
  w.ShowModal();
  EXPECT_GE(slidesSeen, 1);
  EXPECT_EQ(w.EntryName, "a.bmp");
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(SettingValue("ScreenSaver", "running"), "0");
  EXPECT_FALSE(platform::IsCaptionLocked(settingsFolder_));
}

}  // namespace
}  // namespace orvane::saver::test
