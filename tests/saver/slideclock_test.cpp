// The slide clock, the panel countdown, the input that ends the show, the web
// links Esc and Tab hand over, and the password check.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "core/mdlMain.h"
#include "platform/cursor.h"
#include "platform/password.h"
#include "tests/saver/frmsaver_fixture.h"

namespace orvane::saver::test {
namespace {

class SlideClockTest : public SaverTest {
 protected:
  void SetUp() override {
    SaverTest::SetUp();
    SeaSet({"a.bmp", "b.bmp"});
    WritePicture(SetFile("a.bmp"), 32, 24);
    WritePicture(SetFile("b.bmp"), 32, 24);
  }
  bool Ended() { return core::QuitSaver && !Window().isVisible(); }
  void Key(int key, const QString& text = {}, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(&Window(), &press);
  }
  std::string PendingLink() {
    return core::GetIniString("Launcher", "URL", "<none>", settingsFolder_ + "Orvane.ini");
  }
};

TEST_F(SlideClockTest, FirstTickShowsASlideThenEveryImageDelay) {
  frmSaver& w = Window();
  std::vector<int> slides;
  for (int tick = 1; tick <= 11; ++tick) {
    const std::string before = w.EntryName;
    w.tmrTrans_Timer();
    if (w.EntryName != before || tick == 1) slides.push_back(tick);
  }
  EXPECT_EQ(slides, (std::vector<int>{1, 6, 11}));  // change=5s
  EXPECT_EQ(w.tmrTrans.Interval(), 1000);
}

TEST_F(SlideClockTest, NoticeWhenNotSetUpPulsesAndNoSlideIsPrepared) {
  Setting("ScreenSaver", "Setup", "0");
  frmSaver& w = Window();
  std::int64_t highest = 0, lowestAfterPeak = 255;
  bool peaked = false;
  for (int tick = 0; tick < 600; ++tick) {
    w.tmrTrans_Timer();
    highest = std::max(highest, w.TickCount);
    if (w.TickCount == 255) peaked = true;
    if (peaked) lowestAfterPeak = std::min(lowestAfterPeak, w.TickCount);
  }
  EXPECT_EQ(highest, 255);
  EXPECT_EQ(lowestAfterPeak, 64);
  EXPECT_EQ(w.tmrTrans.Interval(), 25);
  EXPECT_TRUE(w.EntryName.empty());
  EXPECT_FALSE(fs::exists(settingsFolder_ + "ssprep.bmp"));
  // The text is drawn in the current grey.
  const QImage screen = OnScreen();
  bool drawn = false;
  for (int y = 0; y < 20 && !drawn; ++y)
    for (int x = 0; x < 200 && !drawn; ++x) drawn = (screen.pixel(x, y) & 0xFFFFFF) != 0;
  EXPECT_TRUE(drawn);
  w.Form_Click();
  EXPECT_TRUE(Ended());
}

// Pictures of the chosen set gone: the show says so, naming the set's folder,
// looks again only after a change time, and goes on once they are back.
TEST_F(SlideClockTest, ShowWithoutPicturesSaysWhyAndGoesOnWhenTheyAreBack) {
  const fs::path away = orvane::test::MakeTempDir("away");
  for (const char* name : {"a.bmp", "b.bmp"}) fs::rename(SetFile(name), away / name);
  Setting("PrefsSS", "Random", "0");
  Setting("PrefsSS", "CurrentSet", "Sea");
  frmSaver& w = Window();
  w.tmrTrans_Timer();
  ASSERT_TRUE(w.NothingToShow);
  EXPECT_EQ(w.NothingFolder, (root_ / "Sea").string() + "/");
  for (int tick = 0; tick < 50; ++tick) w.tmrTrans_Timer();
  EXPECT_TRUE(w.NothingToShow) << "looked again before the change time";
  EXPECT_EQ(w.tmrTrans.Interval(), 25);
  // The notice is drawn: two lines of text at the top.
  const QImage screen = OnScreen();
  int lit = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < kScreenW; ++x) lit += (screen.pixel(x, y) & 0xFFFFFF) != 0;
  EXPECT_GT(lit, 50);

  // Still nothing after a change time: the notice goes on.
  clock_.Advance(5000);
  w.tmrTrans_Timer();
  EXPECT_TRUE(w.NothingToShow);
  EXPECT_TRUE(w.EntryName.empty() || !fs::exists(SetFile(w.EntryName)));

  for (const char* name : {"a.bmp", "b.bmp"}) fs::rename(away / name, SetFile(name));
  clock_.Advance(5000);
  w.tmrTrans_Timer();  // the notice's tick after the change time
  w.tmrTrans_Timer();
  EXPECT_FALSE(w.NothingToShow);
  EXPECT_TRUE(w.SetUp);
  EXPECT_FALSE(w.AllSets);
  EXPECT_TRUE(w.EntryName == "a.bmp" || w.EntryName == "b.bmp") << w.EntryName;
  EXPECT_EQ(w.tmrTrans.Interval(), 1000);
  EXPECT_EQ(OnScreen(), Prepared());
}

TEST_F(SlideClockTest, PanelCountdownLastsInfoTimeSeconds) {
  struct Case {
    const char* infoTime;
    int ticks;  // tmrInfo ticks until the slide is finished
  } cases[] = {{"20", 200}, {"1", 10}, {"0", 1}, {"-3", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.infoTime);
    Setting("InfoPanel", "defaultTime", c.infoTime);
    frmSaver& w = NewRun();
    w.DoTrans();
    w.tmrTrans.SetEnabled(false);
    int ticks = 0;
    while (!w.tmrTrans.Enabled() && ticks < 100000) {
      w.tmrInfo_Timer();
      ++ticks;
    }
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_FALSE(w.tmrInfo.Enabled());
  }
}

TEST_F(SlideClockTest, SmallMovesReArmAndALargerOneEnds) {
  frmSaver& w = Window();
  w.Form_MouseMove(100, 100);  // the first move only arms
  w.Form_MouseMove(105, 105);  // 5 each way: no end
  EXPECT_FALSE(core::QuitSaver);
  w.Form_MouseMove(110, 110);  // 5 from the re-armed point
  EXPECT_FALSE(core::QuitSaver);
  // From a point on the left edge a move only re-arms.
  w.LastMouseX = 0;
  w.Form_MouseMove(200, 110);
  EXPECT_FALSE(core::QuitSaver);
  EXPECT_EQ(w.LastMouseX, 200);
  // A real move event 6 pixels away ends the show.
  QMouseEvent move(QEvent::MouseMove, QPointF(206, 110), QPointF(206, 110), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&w, &move);
  EXPECT_TRUE(Ended());
  EXPECT_EQ(w.LastMouseX, 0);
}

TEST_F(SlideClockTest, DebugModeIgnoresTheMouse) {
  core::DebugMode = true;
  frmSaver& w = Window();
  w.Form_MouseMove(100, 100);
  w.Form_MouseMove(300, 200);
  EXPECT_FALSE(core::QuitSaver);
}

TEST_F(SlideClockTest, WhichKeysEndTheShow) {
  struct Case {
    const char* name;
    int key;
    QString text;
    bool ends;
  } cases[] = {
      {"Shift", Qt::Key_Shift, {}, true},       {"Ctrl", Qt::Key_Control, {}, true},
      {"Alt", Qt::Key_Alt, {}, true},           {"letter", Qt::Key_A, "a", true},
      {"Enter", Qt::Key_Return, "\r", true},    {"Esc", Qt::Key_Escape, "\x1b", true},
      {"Tab", Qt::Key_Tab, "\t", true},         {"space", Qt::Key_Space, " ", true},
      {"left arrow", Qt::Key_Left, {}, false},  {"down arrow", Qt::Key_Down, {}, false},
      {"F5", Qt::Key_F5, {}, false},            {"Page Up", Qt::Key_PageUp, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NewRun();
    Key(c.key, c.text);
    EXPECT_EQ(Ended(), c.ends);
  }
}

TEST_F(SlideClockTest, EscAndTabHandOverTheSlidesLink) {
  struct Case {
    const char* name;
    int key;
    bool webLinks, tabOn, escOn;
    const char *image, *set, *company, *saver;
    const char* expected;  // [Launcher] URL afterwards
  } cases[] = {
      {"Esc hands the saver link", Qt::Key_Escape, true, true, true, "i", "s", "c", "http://saver", "http://saver"},
      {"Esc without its switch", Qt::Key_Escape, true, true, false, "", "", "", "http://saver", "http://pending"},
      {"Esc with links off", Qt::Key_Escape, false, true, true, "", "", "", "http://saver", "http://pending"},
      {"Tab: the image link first", Qt::Key_Tab, true, true, false, "http://image", "http://set", "", "", "http://image"},
      {"Tab: then the set link", Qt::Key_Tab, true, true, false, "", "http://set", "http://co", "", "http://set"},
      {"Tab: only the company link", Qt::Key_Tab, true, true, false, "", "", "http://co", "", "http://co"},
      {"Tab: the saver link last", Qt::Key_Tab, true, true, false, "", "", "", "http://saver", "http://saver"},
      {"Tab with no link keeps a pending one", Qt::Key_Tab, true, true, false, "", "", "", "", "http://pending"},
      {"Tab without its switch", Qt::Key_Tab, true, false, false, "http://image", "", "", "", "http://pending"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    core::WriteIni("Launcher", "URL", "http://pending", settingsFolder_ + "Orvane.ini");
    frmSaver& w = NewRun();
    w.WebLinksOn = c.webLinks;
    w.TabLinkOn = c.tabOn;
    w.EscLinkOn = c.escOn;
    w.ImageURL = c.image;
    w.SetURL = c.set;
    w.CompanyURL = c.company;
    w.SaverURL = c.saver;
    Key(c.key, c.key == Qt::Key_Tab ? "\t" : "\x1b");
    EXPECT_TRUE(Ended());
    EXPECT_EQ(PendingLink(), c.expected);
  }
}

TEST_F(SlideClockTest, RefusedPasswordResumesTheShow) {
  ASSERT_TRUE(platform::StoreScreenSavePassword("secret"));
  int prompts = 0;
  std::string answer;
  platform::SetPasswordDialogHandler([&](const platform::PasswordDialogCall& call) {
    ++prompts;
    platform::PasswordDialogAnswer reply;
    if (!call.message.empty()) return reply;  // refused once: cancel
    reply.ok = true;
    reply.password = answer;
    return reply;
  });
  frmSaver& w = Window();
  EXPECT_TRUE(w.UsePassword);
  core::HideMouse();
  w.tmrTrans.SetEnabled(true);

  answer = "wrong";
  w.Form_Click();
  EXPECT_GE(prompts, 1);
  EXPECT_FALSE(core::QuitSaver);
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.tmrTrans.Enabled());   // running again as before
  EXPECT_FALSE(w.tmrInfo.Enabled());
  EXPECT_LT(platform::CursorDisplayCount(), 0);

  answer = "secret";
  w.Form_Click();
  EXPECT_TRUE(Ended());
  EXPECT_GE(platform::CursorDisplayCount(), 0);
  platform::SetPasswordDialogHandler({});
}

TEST_F(SlideClockTest, CloseRequestOfTheWindowSystemAsksForThePassword) {
  ASSERT_TRUE(platform::StoreScreenSavePassword("secret"));
  int prompts = 0;
  bool give = false;
  platform::SetPasswordDialogHandler([&](const platform::PasswordDialogCall&) {
    ++prompts;
    return give ? platform::PasswordDialogAnswer{true, "secret", "", ""}
                : platform::PasswordDialogAnswer{};
  });
  frmSaver& w = Window();
  w.tmrTrans.SetEnabled(true);
  // A window manager's close (WM_DELETE_WINDOW) arrives as a close event.
  w.close();
  EXPECT_EQ(prompts, 1);
  EXPECT_FALSE(core::QuitSaver);
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.tmrTrans.Enabled());
  give = true;
  w.close();
  EXPECT_EQ(prompts, 2);
  EXPECT_TRUE(Ended());
  platform::SetPasswordDialogHandler({});
}

TEST_F(SlideClockTest, PasswordCheckIsNotEnteredTwice) {
  ASSERT_TRUE(platform::StoreScreenSavePassword("secret"));
  frmSaver& w = Window();
  bool inner = true;
  platform::SetPasswordDialogHandler([&](const platform::PasswordDialogCall&) {
    inner = w.PasswordCheck();  // input arriving while the prompt is up
    return platform::PasswordDialogAnswer{true, "secret", "", ""};
  });
  EXPECT_TRUE(w.PasswordCheck());
  EXPECT_FALSE(inner);
  platform::SetPasswordDialogHandler({});
}

TEST_F(SlideClockTest, WithoutAPasswordAnyInputEndsAtOnce) {
  platform::SetPasswordDialogHandler([](const platform::PasswordDialogCall&) {
    ADD_FAILURE() << "no prompt expected";
    return platform::PasswordDialogAnswer{};
  });
  frmSaver& w = Window();
  EXPECT_FALSE(w.UsePassword);
  w.Form_Click();
  EXPECT_TRUE(Ended());
  platform::SetPasswordDialogHandler({});
}

}  // namespace
}  // namespace orvane::saver::test
