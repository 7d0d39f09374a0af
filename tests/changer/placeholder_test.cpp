// The changer's start, its menu and the schedule's timer with a recording launcher.
#include <sys/stat.h>

#include <QAction>
#include <ostream>
#include <QMenu>

#include "changer/TrayIcons.h"
#include "platform/tick.h"
#include "platform/folders.h"
#include "tests/changer/changer_fixture.h"

namespace orvane::test {
namespace {

using changer::kIconActive;
using changer::kIconInactive;

TEST_F(ChangerTest, MenuEntriesInOrder) {
  auto form = MakeForm();
  std::vector<std::string> captions;
  for (QAction* action : form->mnuProp->actions()) {
    captions.push_back(action->isSeparator() ? "-" : action->text().toStdString());
  }
  EXPECT_EQ(captions, (std::vector<std::string>{
                          "Close Wallpaper Auto Changer", "-", "Next Wallpaper", "Settings...", "-",
                          "Play Sounds", "-", "Wallpaper Auto Change Active"}));
}

TEST_F(ChangerTest, NoOrvaneIniStartsBothOnWithoutWriting) {
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  EXPECT_TRUE(form->mnuProp_AutoChangState->isChecked());
  EXPECT_TRUE(form->mnuProp_Sound->isChecked());
  EXPECT_TRUE(form->Timer1.Enabled());
  EXPECT_TRUE(form->audioTimer.Enabled());
  EXPECT_TRUE(form->Launcher.Enabled());
  EXPECT_EQ(form->Timer1.Interval(), changer::kFirstInterval);
  EXPECT_EQ(form->TrayIconResource(), kIconActive);
  EXPECT_FALSE(std::filesystem::exists(settings + "Orvane.ini"));
  EXPECT_TRUE(boxes.empty());
}

struct SwitchCase {
  const char* changerActive;
  const char* playSound;
  bool changer;
  bool sound;
};

void PrintTo(const SwitchCase& c, std::ostream* os) {
  *os << "ChangerActive=" << c.changerActive << " PlaySound=" << c.playSound;
}

class ChangerSwitches : public ChangerTest, public testing::WithParamInterface<SwitchCase> {};

TEST_P(ChangerSwitches, ReadAtStart) {
  const SwitchCase& c = GetParam();
  Ini("Orvane.ini", "Wallpaper", "ChangerActive", c.changerActive);
  Ini("Orvane.ini", "Wallpaper", "PlaySound", c.playSound);
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  EXPECT_EQ(form->mnuProp_AutoChangState->isChecked(), c.changer);
  EXPECT_EQ(form->Timer1.Enabled(), c.changer);
  EXPECT_EQ(form->TrayIconResource(), c.changer ? kIconActive : kIconInactive);
  EXPECT_EQ(form->mnuProp_Sound->isChecked(), c.sound);
  EXPECT_EQ(form->audioTimer.Enabled(), c.sound);
}

INSTANTIATE_TEST_SUITE_P(Values, ChangerSwitches,
                         testing::Values(SwitchCase{"1", "1", true, true},
                                         SwitchCase{"0", "0", false, false},
                                         SwitchCase{"5", "0", true, false},
                                         SwitchCase{"0", "-1", false, true}),
                         [](const testing::TestParamInfo<SwitchCase>& info) {
                           return "Case" + std::to_string(info.index);
                         });

TEST_F(ChangerTest, TogglesPersistAcrossARestart) {
  {
    auto form = MakeForm();
    ASSERT_TRUE(form->Form_Load());
    form->mnuProp_AutoChangState->trigger();  // as a click in the menu does
    form->mnuProp_Sound->trigger();
    EXPECT_FALSE(form->mnuProp_AutoChangState->isChecked());
    EXPECT_FALSE(form->Timer1.Enabled());
    EXPECT_EQ(form->TrayIconResource(), kIconInactive);
    EXPECT_FALSE(form->mnuProp_Sound->isChecked());
    EXPECT_FALSE(form->audioTimer.Enabled());
  }
  EXPECT_EQ(ReadIni("Orvane.ini", "Wallpaper", "ChangerActive"), "0");
  EXPECT_EQ(ReadIni("Orvane.ini", "Wallpaper", "PlaySound"), "0");
  {
    auto form = MakeForm();
    ASSERT_TRUE(form->Form_Load());
    EXPECT_FALSE(form->mnuProp_AutoChangState->isChecked());
    EXPECT_FALSE(form->mnuProp_Sound->isChecked());
    form->mnuProp_AutoChangState_Click();
    form->mnuProp_Sound_Click();
    EXPECT_TRUE(form->Timer1.Enabled());
    EXPECT_EQ(form->TrayIconResource(), kIconActive);
    EXPECT_TRUE(form->audioTimer.Enabled());
  }
  EXPECT_EQ(ReadIni("Orvane.ini", "Wallpaper", "ChangerActive"), "1");
  EXPECT_EQ(ReadIni("Orvane.ini", "Wallpaper", "PlaySound"), "1");
}

TEST_F(ChangerTest, ReadOnlySettingsFileIsMadeWritableKeepingOtherBits) {
  Ini("ScreenSaver.ini", "PrefsWP", "change", "4");
  const std::string file = settings + "ScreenSaver.ini";
  ASSERT_EQ(chmod(file.c_str(), 0440), 0);
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(ChangerTest, MenuAndActivationStartTheSaverProgram) {
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->mnuProp_NextWallpaper->trigger();
  form->mnuProp_Change->trigger();
  form->TrayX1_Activated();
  ASSERT_EQ(launcher.started.size(), 3u);
  EXPECT_EQ(launcher.Arguments(), (std::vector<std::string>{"/wall", "/-ConfigWall", "/-ConfigWall"}));
  EXPECT_EQ(launcher.started[0].program, platform::GetWindowsDirectory() + "Orvane.scr");
}

TEST_F(ChangerTest, CloseUnloadsAndEnds) {
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->mnuClose_Close->trigger();
  EXPECT_EQ(ends, 1);
  EXPECT_FALSE(form->Timer1.Enabled());
  EXPECT_FALSE(form->Launcher.Enabled());
}

// ---- the schedule's timer ----

class ScheduleTimer : public ChangerTest {
 protected:
  void SetUp() override {
    ChangerTest::SetUp();
    platform::SetTickClock(&clock);
  }
  void TearDown() override {
    platform::SetTickClock(nullptr);
    ChangerTest::TearDown();
  }
  // Ticks until a decision tick has run (the counter is 1 after it).
  void Decide(changer::frmPlaceHolder& form) {
    do form.Timer1_Timer();
    while (form.Counter() != 1);
  }
  platform::ManualTickClock clock{1000};
};

TEST_F(ScheduleTimer, NothingRecordedKeepsPollingQuickly) {
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->Timer1_Timer();
  EXPECT_TRUE(launcher.started.empty());
  EXPECT_EQ(form->Timer1.Interval(), changer::kFirstInterval);
  EXPECT_TRUE(form->Timer1.Enabled());
}

TEST_F(ScheduleTimer, DueChangeStartsWallThenWaitsForTheRecordedChange) {
  Ini("ScreenSaver.ini", "PrefsWP", "LastChanged", "Aug 2, 2026 9:00:00 AM");
  Ini("ScreenSaver.ini", "PrefsWP", "change", "7");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->Timer1_Timer();
  EXPECT_EQ(form->Timer1.Interval(), changer::kLongInterval);
  EXPECT_TRUE(form->Timer1.Enabled());
  EXPECT_EQ(launcher.Arguments(), (std::vector<std::string>{"/wall"}));

  // Still due on the next ticks, but the started program runs: nothing more.
  launcher.running = true;
  for (int i = 0; i < 20; ++i) form->Timer1_Timer();
  // One that hangs holds the schedule back only so long.
  clock.Advance(changer::kLaunchTimeoutMs);
  form->Timer1_Timer();
  EXPECT_EQ(launcher.started.size(), 2u);
  launcher.started.pop_back();
  // It ended without recording a change: a few minutes' hold, then a retry.
  launcher.running = false;
  form->Timer1_Timer();
  clock.Advance(changer::kRetryDelayMs - 1);
  form->Timer1_Timer();
  EXPECT_EQ(launcher.started.size(), 1u);
  clock.Advance(1);
  form->Timer1_Timer();
  EXPECT_EQ(launcher.Arguments(), (std::vector<std::string>{"/wall", "/wall"}));

  // The change is recorded: the next tick is not due, and a later due change
  // starts at once.
  Ini("ScreenSaver.ini", "PrefsWP", "LastChanged", "8/3/2026 12:00:05 PM");
  form->Timer1_Timer();
  EXPECT_EQ(launcher.started.size(), 2u);
  now = {2026, 8, 4, 7, 0, 0};
  form->Timer1_Timer();
  EXPECT_EQ(launcher.started.size(), 3u);
}

TEST_F(ScheduleTimer, UnreadableLastChangedSkipsAndKeepsTheTimerOn) {
  Ini("ScreenSaver.ini", "PrefsWP", "LastChanged", "2026-08-02T09:00");
  Ini("ScreenSaver.ini", "PrefsWP", "change", "7");
  Ini("ScreenSaver.ini", "CalendarWP", "Enable", "1");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  for (int i = 0; i < 3; ++i) form->Timer1_Timer();
  EXPECT_TRUE(launcher.started.empty());
  EXPECT_TRUE(form->Timer1.Enabled());
  EXPECT_EQ(form->Timer1.Interval(), changer::kLongInterval);
}

TEST_F(ScheduleTimer, CalendarRedrawnOncePerNewDay) {
  Ini("ScreenSaver.ini", "PrefsWP", "LastChanged", "8/2/2026 9:00:00 PM");
  Ini("ScreenSaver.ini", "PrefsWP", "change", "1");
  Ini("ScreenSaver.ini", "CalendarWP", "enable", "1");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->Timer1_Timer();
  EXPECT_EQ(launcher.Arguments(), (std::vector<std::string>{"/kalendar"}));
  // The redraw need not move the recorded change; the same day never redraws again.
  clock.Advance(changer::kRetryDelayMs * 3);
  for (int i = 0; i < 5; ++i) form->Timer1_Timer();
  EXPECT_EQ(launcher.started.size(), 1u);
  now = {2026, 8, 4, 0, 0, 10};
  form->Timer1_Timer();
  EXPECT_EQ(launcher.Arguments(), (std::vector<std::string>{"/kalendar", "/kalendar"}));
}

TEST_F(ScheduleTimer, MinuteModeCounterSurvivesSwitchingOffAndOn) {
  Ini("ScreenSaver.ini", "PrefsWP", "LastChanged", "8/3/2026 11:00:00 AM");
  Ini("ScreenSaver.ini", "PrefsWP", "change", "2");
  now = {2026, 8, 3, 11, 30, 5};
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->Timer1_Timer();
  EXPECT_EQ(form->Counter(), changer::kCounterAfterMinuteStart);
  form->mnuProp_AutoChangState_Click();
  form->mnuProp_AutoChangState_Click();
  EXPECT_EQ(form->Counter(), changer::kCounterAfterMinuteStart);
  EXPECT_EQ(form->Timer1.Interval(), changer::kLongInterval);
  EXPECT_EQ(launcher.started.size(), 1u);
}

}  // namespace
}  // namespace orvane::test
