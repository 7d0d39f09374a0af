// The screen-saver page's settings without the window: the stored formats read
// into page values (old formats, out-of-range fallbacks), and the write with
// its order and the saver's desktop settings.
#include "settings/ScreenSaverSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/PPS.h"
#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/profile.h"
#include "tests/support/testenv.h"

namespace pf = orvane::platform;
using orvane::settings::ReadScreenSaverPage;
using orvane::settings::ScreenSaverPageValues;
using orvane::settings::WriteScreenSaverPage;

namespace {

constexpr std::array<int, 13> kDelays = {15, 30, 60, 120, 300, 600, 900, 1200, 1500, 1800, 2700, 3600, 7200};
constexpr std::array<int, 4> kSizes = {100, 66, 33, 20};

class SaverSettings : public testing::Test {
 protected:
  void SetUp() override { file = (orvane::test::MakeTempDir("settings") / "ScreenSaver.ini").string(); }
  ScreenSaverPageValues Read(const std::string& text, bool active = false, int timeOut = 600) {
    orvane::test::WriteFile(file, "[ScreenSaver]\r\nSetup=1\r\n" + text);
    return ReadScreenSaverPage(file, active, timeOut, kDelays, kSizes);
  }
  std::string Key(const char* section, const char* key) const {
    return orvane::core::GetIniString(section, key, "<none>", file);
  }
  std::string file;
};

TEST_F(SaverSettings, TheTimeBetweenImagesInEveryStoredForm) {
  struct Case {
    const char* change;  // nullptr: no key
    int delay;
    bool minutes;
  };
  const Case cases[] = {
      {"45s", 45, false}, {"2m", 2, true},      {"3", 2, true},        // DelayTable(3) = 120 s
      {"1", 30, false},   {"0", 15, false},     {"12", 120, true},     // 7200 s
      {nullptr, 60, false},
      // Out of range: the page's default, 60 seconds.
      {"13", 60, false},  {"-1", 60, false},    {"0s", 60, false},     {"1000m", 60, false},
  };
  for (const Case& c : cases) {
    const auto v = Read(c.change ? std::string("[PrefsSS]\r\nchange=") + c.change + "\r\n" : "");
    EXPECT_EQ(v.ImageDelay, c.delay) << (c.change ? c.change : "missing");
    EXPECT_EQ(v.Minutes, c.minutes) << (c.change ? c.change : "missing");
  }
}

TEST_F(SaverSettings, ListValuesOutOfRangeFallBackToThePagesDefaults) {
  struct Case {
    const char* name;
    std::string ini;
    int transition, language, position, size, slider;
  };
  const Case cases[] = {
      {"missing", "", 1, 0, 0, 20, 250},
      {"stored", "[Transition]\r\ndefaultTransition=10\r\n[InfoPanel]\r\ndefaultLanguage=8\r\n"
                 "[CalendarSS]\r\nposition=9\r\nsize=66\r\n[Panoramic]\r\nspeed=0\r\n",
       10, 7, 8, 66, 255},
      {"old size form", "[CalendarSS]\r\nsize=3\r\n", 1, 0, 0, 33, 250},
      {"size in no list", "[CalendarSS]\r\nsize=50\r\n", 1, 0, 0, 20, 250},
      {"beyond every list", "[Transition]\r\ndefaultTransition=11\r\n[InfoPanel]\r\ndefaultLanguage=9\r\n"
                            "[CalendarSS]\r\nposition=10\r\nsize=5\r\n[Panoramic]\r\nspeed=256\r\n",
       1, 0, 0, 20, 250},
      {"below every list", "[Transition]\r\ndefaultTransition=-1\r\n[InfoPanel]\r\ndefaultLanguage=0\r\n"
                           "[CalendarSS]\r\nposition=0\r\nsize=0\r\n[Panoramic]\r\nspeed=-5\r\n",
       1, 0, 0, 20, 250},
  };
  for (const Case& c : cases) {
    const auto v = Read(c.ini);
    EXPECT_EQ(v.Transition, c.transition) << c.name;
    EXPECT_EQ(v.Language, c.language) << c.name;
    EXPECT_EQ(v.CalendarPosition, c.position) << c.name;
    EXPECT_EQ(v.CalendarSize, c.size) << c.name;
    EXPECT_EQ(v.PanSlider, c.slider) << c.name;
  }
}

TEST_F(SaverSettings, FlagsSetsAndTheStartDelay) {
  auto v = Read("[PrefsSS]\r\nrandom=0\r\nCurrentSet=Sea\r\nsound=1\r\nlooping=2\r\nstretch=0\r\n"
                "[Panoramic]\r\nenable=2\r\n[CalendarSS]\r\nenable=0\r\n[WebLinker]\r\nenable=0\r\nuserControl=0\r\n"
                "[InfoPanel]\r\nshowText=1\r\nshowTitle=1\r\ndefaultTime=7\r\n",
                true, 90);
  EXPECT_FALSE(v.RandomAll);
  EXPECT_EQ(v.CurrentSet, "Sea");
  EXPECT_TRUE(v.SoundOn);
  EXPECT_TRUE(v.LoopOn);
  EXPECT_FALSE(v.Stretch);
  EXPECT_FALSE(v.PanOn);  // only 1 is on
  EXPECT_FALSE(v.CalendarOn);
  EXPECT_FALSE(v.WebLinkOn);
  EXPECT_FALSE(v.WebLinkUserControl);
  EXPECT_TRUE(v.ShowText && v.ShowTitle);
  EXPECT_EQ(v.InfoPanelShows, 7);
  EXPECT_TRUE(v.SaverOn);
  EXPECT_EQ(v.SaverDelay, 2);  // 1.5 minutes, halves to even
  EXPECT_EQ(Read("", false, 150).SaverDelay, 2);
  EXPECT_EQ(Read("", false, 0).SaverDelay, 0);
  EXPECT_EQ(Read("[PrefsSS]\r\nrandom=0\r\n").CurrentSet, "0");
  EXPECT_EQ(Read("[InfoPanel]\r\ndefaultTime=0\r\n").InfoPanelShows, 20);
}

TEST_F(SaverSettings, AFirstStartShowsTheSaverOn) {
  orvane::test::WriteFile(file, "[PrefsSS]\r\nchange=2m\r\n");
  const auto v = ReadScreenSaverPage(file, false, 600, kDelays, kSizes);
  EXPECT_TRUE(v.FirstRun);
  EXPECT_TRUE(v.SaverOn);
  EXPECT_FALSE(Read("", false).FirstRun);
}

TEST_F(SaverSettings, WritingOnSetsTheDesktopAndEveryKeyInOrder) {
  ScreenSaverPageValues v;
  v.SaverOn = true;
  v.SaverDelay = 600;  // 36000 s: beyond a 16-bit product
  v.ImageDelay = 3;
  v.Minutes = true;
  v.RandomAll = false;
  v.CurrentSet = "Sea";
  v.Transition = 4;
  v.Language = 2;
  v.ShowText = true;
  v.InfoPanelShows = 9;
  v.PanSlider = 200;
  v.CalendarPosition = 8;
  v.CalendarSize = 66;
  v.SoundOn = true;
  ASSERT_TRUE(WriteScreenSaverPage(v, file, "/w/Orvane.scr", true));

  EXPECT_EQ(orvane::core::GetIniString("boot", "SCRNSAVE.EXE", "<none>", "system.ini"), "/w/Orvane.scr");
  EXPECT_TRUE(pf::GetScreenSaveActive());
  EXPECT_EQ(pf::GetScreenSaveTimeOut(), 36000);
  const std::string expected =
      "[ScreenSaver]\r\nLastImage=0\r\nSetup=1\r\n"
      "[PrefsSS]\r\nchange=3m\r\nrandom=0\r\nCurrentSet=Sea\r\nstretch=1\r\nsound=1\r\nlooping=0\r\n"
      "[Transition]\r\ndefaultTransition=4\r\n"
      "[InfoPanel]\r\ndefaultLanguage=3\r\nshowText=1\r\nshowTitle=0\r\ndefaultTime=9\r\n"
      "[Panoramic]\r\nspeed=55\r\nenable=1\r\n"
      "[CalendarSS]\r\nsize=66\r\nposition=9\r\nenable=1\r\n"
      "[WebLinker]\r\nenable=1\r\n";
  EXPECT_EQ(orvane::test::ReadFile(file), expected);
}

TEST_F(SaverSettings, WritingOffClearsTheSaverAndStillWritesTheShow) {
  orvane::test::WriteFile(file, "[PrefsSS]\r\nCurrentSet=Hills\r\n");
  pf::SetScreenSaveActive(true);
  ScreenSaverPageValues v;
  v.SaverOn = false;
  v.RandomAll = true;  // "Randomize From All Image Sets": the stored set stays
  ASSERT_TRUE(WriteScreenSaverPage(v, file, "/w/Orvane.scr", true));
  EXPECT_EQ(orvane::core::GetIniString("boot", "SCRNSAVE.EXE", "<none>", "system.ini"), "");
  EXPECT_FALSE(pf::GetScreenSaveActive());
  EXPECT_EQ(Key("ScreenSaver", "Setup"), "1");
  EXPECT_EQ(Key("ScreenSaver", "LastImage"), "<none>");
  EXPECT_EQ(Key("PrefsSS", "random"), "1");
  EXPECT_EQ(Key("PrefsSS", "CurrentSet"), "Hills");
  EXPECT_EQ(Key("PrefsSS", "change"), "60s");
}

TEST_F(SaverSettings, UnshownSaverSettingsAreLeftAsTheyWere) {
  pf::SetScreenSaveActive(true);
  pf::SetScreenSaveTimeOut(300);
  orvane::core::WriteIni("boot", "SCRNSAVE.EXE", "/w/Orvane.scr", "system.ini");
  ScreenSaverPageValues v;  // off, 10 minutes: what a hidden frame would say
  ASSERT_TRUE(WriteScreenSaverPage(v, file, "/w/Orvane.scr", false));
  EXPECT_TRUE(pf::GetScreenSaveActive());
  EXPECT_EQ(pf::GetScreenSaveTimeOut(), 300);
  EXPECT_EQ(orvane::core::GetIniString("boot", "SCRNSAVE.EXE", "", "system.ini"), "/w/Orvane.scr");
  EXPECT_EQ(Key("ScreenSaver", "Setup"), "1");
}

TEST_F(SaverSettings, AFileThatCannotBeWrittenIsReported) {
  const std::string missing = (orvane::test::TempRoot() / "no such folder" / "ScreenSaver.ini").string();
  EXPECT_FALSE(WriteScreenSaverPage(ScreenSaverPageValues{}, missing, "/w/Orvane.scr", false));
}

}  // namespace
