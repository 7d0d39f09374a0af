// The wallpaper page inside the real dialog: loading, the handlers, Apply,
// the changer's next image, the layer rotation over several renders and the
// failure reports.
#include "settings/WallpaperPage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "core/PPS.h"
#include "core/Utils.h"
#include "imaging/imaging.h"
#include "platform/desktop.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/vbruntime.h"
#include "settings/frmKestrin.h"
#include "tests/settings/picture_files.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
namespace im = orvane::imaging;
namespace pf = orvane::platform;
using orvane::settings::frmKestrin;
using orvane::settings::WallpaperPage;

namespace {

using orvane::test::WritePicture;
using orvane::test::LoadPicture;

class ScriptedRandom : public pf::RandomSource {
 public:
  float Rnd() override {
    if (values.empty()) return 0.5f;
    const float v = values.front();
    values.pop_front();
    return v;
  }
  void Randomize() override {}
  std::deque<float> values;
};

class Page : public testing::Test {
 protected:
  void SetUp() override {
    program_ = orvane::test::MakeTempDir("program");
    orvane::test::WriteFile(program_ / "Sea/images.ini", "[SetDescriptions]\r\nSea=Sea\\\r\n[Sea]\r\nHarbour=harbour\r\nCliff=cliff\r\n");
    WritePicture(program_ / "Sea/harbour.jpg", 400, 300, qRgb(0, 90, 160));
    WritePicture(program_ / "Sea/cliff.jpg", 400, 300, qRgb(150, 140, 90));
    orvane::test::WriteFile(program_ / "Hills/images.ini", "[SetDescriptions]\r\nHills=Hills\\\r\n[Hills]\r\nTop=top\r\n");
    WritePicture(program_ / "Hills/top.jpg", 320, 240, qRgb(60, 160, 60));
    pf::RegSetValue(pf::Hive::LocalMachine, orvane::core::kProgramPathKey, "@", program_.string());
    settings_ = orvane::core::GetSettingsFolder() + "ScreenSaver.ini";
    pf::SetMessageBoxHandler([this](const pf::MessageBoxCall& call) {
      boxes.push_back(call.text);
      return 1;
    });
    pf::SetRandomSource(&random);
  }
  void TearDown() override {
    dialog.reset();
    pf::SetMessageBoxHandler({});
    pf::SetRandomSource(nullptr);
  }
  void Settings(const std::string& text) { orvane::test::WriteFile(settings_, "[ScreenSaver]\r\nSetup=1\r\n" + text); }
  std::string Key(const char* section, const char* key) const {
    return orvane::core::GetIniString(section, key, "<none>", settings_);
  }
  void Open() {
    dialog = std::make_unique<frmKestrin>();
    dialog->EndProgram = [] {};
    dialog->Load();
    page = dialog->wallpaperPage.get();
  }
  fs::path Wallpaper() const { return fs::path(orvane::core::GetSettingsFolder()) / "Orvane.bmp"; }
  QSize Screen() const { return QGuiApplication::primaryScreen()->geometry().size(); }

  fs::path program_;
  std::string settings_;
  std::unique_ptr<frmKestrin> dialog;
  WallpaperPage* page = nullptr;
  std::vector<std::string> boxes;
  ScriptedRandom random;
};

TEST_F(Page, LoadsTheStoredChoices) {
  struct Case {
    const char* name;
    std::string ini;
    int fit;
    std::string change;
    bool on;
    bool calendar;
    std::string position;
    std::string size;
  };
  const Case cases[] = {
      {"defaults", "", 1, "Every Day", true, true, "Top-Right", "Small"},
      {"stored", "[PrefsWP]\r\nstretch=0\r\nchange=10\r\nenable=0\r\nsound=1\r\n[CalendarWP]\r\nenable=0\r\nposition=9\r\nsize=66\r\n",
       0, "Manually", false, false, "Bottom-Right", "Large"},
      {"old size form", "[CalendarWP]\r\nsize=2\r\nposition=5\r\n", 1, "Every Day", true, true, "Center", "Large"},
      // Values outside the lists show the page's defaults.
      {"unknown size", "[CalendarWP]\r\nsize=50\r\nposition=7\r\n", 1, "Every Day", true, true, "Bottom-Left", "Small"},
      {"unknown position", "[CalendarWP]\r\nsize=33\r\nposition=12\r\n", 1, "Every Day", true, true, "Top-Right",
       "Medium"},
      {"old form out of the table", "[CalendarWP]\r\nsize=7\r\nposition=0\r\n", 1, "Every Day", true, true,
       "Top-Right", "Small"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings(c.ini);
    Open();
    EXPECT_EQ(page->chkFit2Screen->Value(), c.fit);
    EXPECT_EQ(page->cmboAutoChange->Text(), c.change);
    EXPECT_EQ(page->optWallPaperOn(), c.on);
    EXPECT_EQ(page->optWallPaperOff->Value(), !c.on);
    EXPECT_EQ(page->frmAutoChange->isEnabled(), c.on);
    EXPECT_EQ(page->WPCalendarOn, c.calendar);
    EXPECT_EQ(page->optWPCalendarOn->Value(), c.calendar);
    EXPECT_EQ(page->cmboWPCalendarPosition->Text(), c.position);
    EXPECT_EQ(page->cmboWPCalendarSize->Text(), c.size);
    // The handlers raised while loading leave the fields as the controls show them.
    EXPECT_EQ(page->WPCalendarSize, page->cmboWPCalendarSize->ItemData(page->cmboWPCalendarSize->ListIndex()));
    EXPECT_EQ(page->WPCalendarPosition,
              page->cmboWPCalendarPosition->ItemData(page->cmboWPCalendarPosition->ListIndex()));
    dialog.reset();
  }
}

TEST_F(Page, ACalendarOutsideTheListsIsStoredAsThePageShowsIt) {
  // As "/kalendar" runs: the hidden dialog renders the calendar and stores the
  // page's keys. An empty choice is never stored as 0.
  Settings("[PrefsWP]\r\nrandom=0\r\nCurrentSet=Sea\r\nCurrentImage=Cliff\r\n[CalendarWP]\r\nenable=1\r\n"
           "size=50\r\nposition=12\r\n");
  Open();
  dialog->ResetWPImage(true);
  dialog->SetWallpaper();
  EXPECT_EQ(Key("CalendarWP", "size"), "20");
  EXPECT_EQ(Key("CalendarWP", "position"), "3");
  EXPECT_EQ(page->WPCalendarSize, 20);
  EXPECT_EQ(page->WPCalendarPosition, 3);

  page->cmboWPCalendarSize->SetListIndex(-1);
  page->cmboWPCalendarPosition->SetListIndex(-1);
  EXPECT_EQ(page->Keys().CalendarSize, 20);
  EXPECT_EQ(page->Keys().CalendarPosition, 3);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(Page, ApplyRendersOnceAndThenWritesOnlyTheKeys) {
  Settings("[PrefsWP]\r\nrandom=0\r\nCurrentSet=Sea\r\nCurrentImage=Cliff\r\n[CalendarWP]\r\nenable=0\r\n");
  Open();
  dialog->StartingTab(1);
  dialog->Show();
  ASSERT_EQ(dialog->cmboSets->Text(), "Sea");
  page->cmboWPCalendarPosition->SetListIndex(4);  // a change: Apply becomes possible
  EXPECT_TRUE(dialog->cmdApply->isEnabled());
  dialog->cmdApply_Click();
  const QImage wallpaper = LoadPicture(Wallpaper());
  ASSERT_EQ(wallpaper.size(), Screen());
  EXPECT_EQ(wallpaper.pixel(Screen().width() / 2, Screen().height() / 2), qRgb(150, 140, 90));
  EXPECT_EQ(pf::GetDesktopWallpaper(), Wallpaper().string());
  EXPECT_EQ(Key("CalendarWP", "position"), "5");
  EXPECT_EQ(Key("PrefsWP", "CurrentImage"), "Cliff");
  EXPECT_FALSE(dialog->WPImageReset);
  const std::string changed = Key("PrefsWP", "LastChanged");
  EXPECT_NE(changed, "<none>");

  // Nothing changed since: keys only, the desktop is not told again.
  pf::SetDesktopWallpaper("elsewhere");
  orvane::core::WriteIni("PrefsWP", "LastChanged", "untouched", settings_);
  dialog->ApplyPage(frmKestrin::kPageWallpaper);
  EXPECT_EQ(pf::GetDesktopWallpaper(), "elsewhere");
  EXPECT_EQ(Key("PrefsWP", "LastChanged"), "untouched");

  // Switched off: the desktop loses its picture.
  page->optWallPaperOff->SetValue(true);
  EXPECT_FALSE(page->chkFit2Screen->isEnabled());
  dialog->ApplyPage(frmKestrin::kPageWallpaper);
  EXPECT_EQ(pf::GetDesktopWallpaper(), "(none)");
  EXPECT_EQ(Key("PrefsWP", "enable"), "0");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(Page, NextImageNeverPicksTheRandomizeEntryItself) {
  Settings("[PrefsWP]\r\nrandom=1\r\nchange=4\r\n");
  Open();
  ASSERT_EQ(dialog->cmboSets->Text(), "Randomize From All Image Sets");
  ASSERT_EQ(dialog->cmboSets->ListCount(), 3);
  dialog->ResetWPImage(true);
  random.values = {0.0f, 0.999f};  // the first set after the Randomize entry, its last image
  dialog->NextWallpaperImage();
  EXPECT_EQ(dialog->cmboSets->ListIndex(), 1);
  const std::string set = dialog->cmboSets->Text();
  EXPECT_EQ(Key("PrefsWP", "CurrentSet"), set);
  EXPECT_EQ(Key("PrefsWP", "CurrentImage"), dialog->lstImages->List(dialog->lstImages->ListCount() - 1));
  // A changer's run stores only set and image.
  EXPECT_EQ(Key("PrefsWP", "stretch"), "<none>");
  EXPECT_EQ(Key("PrefsWP", "random"), "1");
  EXPECT_EQ(LoadPicture(Wallpaper()).size(), Screen());

  // A set of one image gets the same image again.
  dialog->cmboSets->SetListIndex(orvane::settings::frmKestrin::FindItemIndex(*dialog->cmboSets, "Hills"));
  dialog->ResetWPImage(true);
  random.values = {0.999f};
  dialog->NextWallpaperImage();
  EXPECT_EQ(Key("PrefsWP", "CurrentImage"), "Top");
  EXPECT_EQ(LoadPicture(Wallpaper()).pixel(5, 5), qRgb(60, 160, 60));
}

TEST_F(Page, SuccessiveRendersRotateTheSetsLayers) {
  orvane::test::WriteFile(program_ / "Hills/company.ini",
                          "[LayerWP]\r\nlayerImage=a.bmp,b.bmp,c.bmp\r\nlayerTranslucency=0\r\n");
  WritePicture(program_ / "Hills/a.bmp", 8, 8, qRgb(255, 0, 0));
  WritePicture(program_ / "Hills/b.bmp", 8, 8, qRgb(0, 255, 0));
  WritePicture(program_ / "Hills/c.bmp", 8, 8, qRgb(0, 0, 255));
  Settings("[PrefsWP]\r\nrandom=0\r\nCurrentSet=Hills\r\nCurrentImage=Top\r\n[CalendarWP]\r\nenable=0\r\n");
  Open();
  const QPoint probe(Screen().width() - 24, Screen().height() - 24);
  std::vector<QRgb> seen;
  for (int render = 0; render < 4; ++render) {
    dialog->ResetWPImage(true);
    dialog->SetWallpaper();  // "/kalendar"
    seen.push_back(LoadPicture(Wallpaper()).pixel(probe));
  }
  EXPECT_EQ(seen, (std::vector<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 0)}));
}

TEST_F(Page, FailureIsShownAtTheDialogButNeverWaitedOnWhenHidden) {
  Settings("[PrefsWP]\r\nrandom=0\r\nCurrentSet=Sea\r\nCurrentImage=Harbour\r\n");
  fs::remove(program_ / "Sea/harbour.jpg");
  Open();
  dialog->ResetWPImage(true);
  dialog->SetWallpaper();  // hidden, as for "/kalendar"
  EXPECT_TRUE(boxes.empty());
  EXPECT_NE(orvane::test::ReadFile(orvane::settings::WallpaperLogFile()).find("Decompressing"), std::string::npos);
  EXPECT_TRUE(dialog->WPImageReset);
  EXPECT_EQ(Key("PrefsWP", "LastChanged"), "<none>");

  dialog->Show();
  dialog->ApplyPage(frmKestrin::kPageWallpaper);
  EXPECT_EQ(boxes, (std::vector<std::string>{"An Error occured while setting the wall paper.", "Decompressing"}));
  EXPECT_TRUE(dialog->cmdOk->isEnabled());
  EXPECT_EQ(pf::GetDesktopWallpaper(), "");
}

TEST_F(Page, KeysThatCannotBeSavedInAChangerRunAreLoggedNotShown) {
  Settings("[PrefsWP]\r\nrandom=0\r\nCurrentSet=Sea\r\nCurrentImage=Harbour\r\n");
  Open();
  ASSERT_EQ(chmod(settings_.c_str(), 0444), 0);  // refused whoever runs the test
  dialog->ResetWPImage(true);
  testing::internal::CaptureStderr();
  dialog->SetWallpaper();  // hidden, as for "/wall"
  const std::string said = testing::internal::GetCapturedStderr();
  const std::string line = "The wallpaper settings could not be saved in \"" + settings_ + "\": Permission denied.";
  EXPECT_TRUE(boxes.empty());
  EXPECT_NE(said.find(line), std::string::npos) << said;
  EXPECT_NE(orvane::test::ReadFile(orvane::settings::WallpaperLogFile()).find(line), std::string::npos);
  EXPECT_TRUE(dialog->WPImageReset);
  ASSERT_EQ(chmod(settings_.c_str(), 0644), 0);
}

}  // namespace

namespace {

TEST_F(Page, ShowsTheChosenImagesThumbnail) {
  WritePicture(program_ / "Sea/cliff.bmp", 40, 30, qRgb(200, 10, 10));
  Settings("[PrefsWP]\r\nrandom=0\r\nCurrentSet=Sea\r\nCurrentImage=Cliff\r\n");
  Open();
  const QImage shown = dialog->picThumbNail->Box().Image();
  ASSERT_EQ(shown.size(), QSize(160, 120));
  EXPECT_EQ(shown.pixel(80, 60), qRgb(200, 10, 10));
}

}  // namespace
