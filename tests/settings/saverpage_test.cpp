// The screen-saver page, the About page and the thumbnails inside the real
// dialog: loading, first run, the hidden saver frame of a "/c" start, the
// preview's hand-over, the sound notices, the thumbnail walks and the links.
#include "settings/ScreenSaverPage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/PPS.h"
#include "core/Utils.h"
#include "imaging/imaging.h"
#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/launcher.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/screen.h"
#include "saver/frmSaver.h"
#include "settings/AboutPage.h"
#include "settings/Thumbnails.h"
#include "settings/WallpaperPage.h"
#include "settings/frmCredits.h"
#include "settings/frmKestrin.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
namespace im = orvane::imaging;
namespace pf = orvane::platform;
using namespace orvane::settings;

namespace {

void WriteBitmap(const fs::path& file, int width, int height, QRgb colour) {
  const im::Handle h = im::CreateWorkBuff(width, height, 0, 0);
  im::WorkBuffImage(h).fill(colour);
  ASSERT_TRUE(im::SaveBitmap(file.string(), h));
  im::DestroyWorkBuff(h);
}

constexpr QRgb kRed = 0xffc00000;
constexpr QRgb kGreen = 0xff00a000;
constexpr QRgb kBlue = 0xff0000c0;

class SaverPage : public testing::Test {
 protected:
  void SetUp() override {
    program_ = orvane::test::MakeTempDir("program");
    using orvane::test::WriteFile;
    WriteFile(program_ / "Sea/images.ini", "[SetDescriptions]\r\nSea=Sea\\\r\n[Sea]\r\nAlpha=a\r\nBeta=b\r\nGamma=c\r\n");
    WriteBitmap(program_ / "Sea/a.bmp", 80, 60, kRed);
    WriteBitmap(program_ / "Sea/b.bmp", 80, 60, kGreen);  // c.bmp is missing
    WriteFile(program_ / "Sea/company.ini",
              "[Sound]\r\nHasSound=1\r\n[WebLinker]\r\nwebButton=Sea on the Web\r\nCompanyURL=https://sea.example/\r\n"
              "[Company]\r\nWeb Site=https://company.example/\r\nCompany Name=Sea Pictures\r\n"
              "[About]\r\nsupportURL=https://sea.example/help\r\nsupportPhone=555 0100\r\n");
    WriteFile(program_ / "Hills/images.ini", "[SetDescriptions]\r\nHills=Hills\\\r\n[Hills]\r\nTop=top\r\n");
    WriteBitmap(program_ / "Hills/top.bmp", 80, 60, kBlue);
    pf::RegSetValue(pf::Hive::LocalMachine, orvane::core::kProgramPathKey, "@", program_.string());
    settings_ = orvane::core::GetSettingsFolder() + "ScreenSaver.ini";
    pf::SetMessageBoxHandler([this](const pf::MessageBoxCall& call) {
      boxes.push_back(call.text);
      return 1;
    });
    pf::SetLaunchHandler([this](const std::string& url) {
      opened.push_back(url);
      return true;
    });
  }
  void TearDown() override {
    dialog.reset();
    pf::SetMessageBoxHandler({});
    pf::SetLaunchHandler({});
    unsetenv("ORVANE_SCREEN_BPP");
  }
  void Settings(const std::string& text) { orvane::test::WriteFile(settings_, "[ScreenSaver]\r\nSetup=1\r\n" + text); }
  std::string Key(const char* section, const char* key) const {
    return orvane::core::GetIniString(section, key, "<none>", settings_);
  }
  void Open(bool configMode = false) {
    dialog = std::make_unique<frmKestrin>();
    dialog->EndProgram = [] {};
    dialog->SetConfigMode(configMode);
    dialog->Load();
    page = dialog->screenSaverPage.get();
    about = dialog->aboutPage.get();
  }
  void ChooseSet(const std::string& name) {
    dialog->cmboSS_SetsToUse->SetListIndex(frmKestrin::FindItemIndex(*dialog->cmboSS_SetsToUse, name));
  }
  QRgb Centre(const orvane::platform::VbPictureBox& box) const { return box.Box().Image().pixel(80, 60); }

  fs::path program_;
  std::string settings_;
  std::unique_ptr<frmKestrin> dialog;
  ScreenSaverPage* page = nullptr;
  AboutPage* about = nullptr;
  std::vector<std::string> boxes;
  std::vector<std::string> opened;
};

TEST_F(SaverPage, LoadsTheStoredValuesIntoTheControls) {
  Settings("[PrefsSS]\r\nchange=3\r\nrandom=0\r\nCurrentSet=Hills\r\n[CalendarSS]\r\nsize=3\r\nposition=6\r\n"
           "[Transition]\r\ndefaultTransition=5\r\n[InfoPanel]\r\ndefaultLanguage=4\r\n");
  pf::SetScreenSaveActive(true);
  pf::SetScreenSaveTimeOut(300);
  Open();
  EXPECT_TRUE(page->optSS_State[1]->Value());
  EXPECT_EQ(page->nbsSaverDelay->Value(), 5);
  EXPECT_EQ(page->nbsImageDelay->Value(), 2);
  EXPECT_TRUE(page->optSSMinutes->Value());
  EXPECT_EQ(dialog->cmboSS_SetsToUse->Text(), "Hills");
  EXPECT_FALSE(dialog->PreviewAllSets);
  EXPECT_EQ(page->cmboCalendarSize->Text(), "Medium");
  EXPECT_EQ(page->cmboCalendarPosition->Text(), "Center-Right");
  EXPECT_EQ(page->cmboTransitions->Text(), "Horizontal Sweep");
  EXPECT_EQ(page->cmboSSLanguage->Text(), "Spanish");
  EXPECT_FALSE(dialog->FirstRun);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SaverPage, SaysWhenTheSessionCannotHoldThePassword) {
  // No system bus: nothing can lock a Wayland session, and only there it matters.
  setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (orvane::test::TempRoot() / "no-bus").string()).c_str(), 1);
  for (const bool wayland : {false, true}) {
    SCOPED_TRACE(wayland ? "Wayland" : "X");
    if (wayland) setenv("WAYLAND_DISPLAY", "wayland-9", 1);
    Open();
    EXPECT_EQ(page->lblSessionCannotHold->isHidden(), !wayland);
    const std::string text = page->lblSessionCannotHold->text().toStdString();
    EXPECT_EQ(text.find("This session cannot hold the screen-saver password") == 0, wayland) << text;
  }
  unsetenv("WAYLAND_DISPLAY");
}

TEST_F(SaverPage, ASetNoLongerListedSelectsTheFirstEntry) {
  Settings("[PrefsSS]\r\nrandom=0\r\nCurrentSet=Gone\r\n");
  Open();
  EXPECT_EQ(dialog->cmboSS_SetsToUse->ListIndex(), 0);
  EXPECT_EQ(dialog->cmboSS_SetsToUse->Text(), kRandomizeAllSets);
  page->SetScreenSaverInfo();
  EXPECT_EQ(Key("PrefsSS", "random"), "1");
  EXPECT_EQ(Key("PrefsSS", "CurrentSet"), "Gone");  // left as it was, not emptied
}

TEST_F(SaverPage, AFirstStartWritesTheSaverSettingsAtOnce) {
  orvane::test::WriteFile(settings_, "[PrefsSS]\r\nchange=45s\r\n");
  Open();
  EXPECT_TRUE(dialog->FirstRun);
  EXPECT_TRUE(page->optSS_State[1]->Value());
  EXPECT_FALSE(dialog->cmdCancel->Enabled());
  EXPECT_EQ(Key("ScreenSaver", "Setup"), "1");
  EXPECT_EQ(Key("PrefsSS", "change"), "45s");
  EXPECT_TRUE(pf::GetScreenSaveActive());
  EXPECT_EQ(pf::GetScreenSaveTimeOut(), 600);
  EXPECT_EQ(orvane::core::GetIniString("boot", "SCRNSAVE.EXE", "", "system.ini"),
            pf::GetWindowsDirectory() + "Orvane.scr");
}

TEST_F(SaverPage, ASettingsButtonStartHidesAndKeepsTheSaversOwnSettings) {
  Settings("");
  pf::SetScreenSaveActive(true);
  pf::SetScreenSaveTimeOut(120);
  Open(/*configMode=*/true);
  EXPECT_TRUE(page->SSFrame1->isHidden());
  EXPECT_TRUE(page->frmSaverDelay->isHidden());
  page->optSS_State[0]->SetValue(true);  // whatever the hidden frame holds
  page->nbsSaverDelay->SetValue(30);
  page->SetScreenSaverInfo();
  EXPECT_TRUE(pf::GetScreenSaveActive());
  EXPECT_EQ(pf::GetScreenSaveTimeOut(), 120);
  EXPECT_EQ(Key("ScreenSaver", "Setup"), "1");
}

TEST_F(SaverPage, ASettingsButtonStartWithTheSaverOffStillOffersTheSaversOwnSettings) {
  Settings("");
  pf::SetScreenSaveActive(false);
  Open(/*configMode=*/true);
  dialog->show();
  // The on/off switch is hidden, so nothing could bring a greyed page back.
  EXPECT_TRUE(dialog->cmboSS_SetsToUse->isEnabled());
  EXPECT_TRUE(dialog->SSTabScreenSaver->isEnabled());
  EXPECT_TRUE(page->cmdSSPreview->isEnabled());
  EXPECT_TRUE(dialog->tmrThumbnailChanger.Enabled());
  page->SetScreenSaverInfo();
  EXPECT_FALSE(pf::GetScreenSaveActive());
}

TEST_F(SaverPage, ADialogOpenedWithTheSaverOffShowsNoThumbnailsUntilItIsSwitchedOn) {
  Settings("[PrefsSS]\r\nrandom=0\r\nCurrentSet=Sea\r\n");
  pf::SetScreenSaveActive(false);
  Open();
  dialog->show();
  EXPECT_FALSE(dialog->tmrThumbnailChanger.Enabled());
  dialog->SSTabPages->SetTab(frmKestrin::kPageAbout);
  dialog->SSTabPages->SetTab(frmKestrin::kPageScreenSaver);
  EXPECT_FALSE(dialog->tmrThumbnailChanger.Enabled());
  page->optSS_State[1]->SetValue(true);
  EXPECT_TRUE(dialog->tmrThumbnailChanger.Enabled());
}

TEST_F(SaverPage, OffDisablesThePageAndOnBringsItBack) {
  Settings("");
  pf::SetScreenSaveActive(true);
  Open();
  dialog->show();
  page->optSS_State[0]->SetValue(true);
  EXPECT_FALSE(page->cmdSSPreview->isEnabled());
  EXPECT_FALSE(dialog->cmboSS_SetsToUse->isEnabled());
  EXPECT_FALSE(dialog->SSTabScreenSaver->isEnabled());
  EXPECT_FALSE(dialog->tmrThumbnailChanger.Enabled());
  EXPECT_TRUE(dialog->PageDirty[frmKestrin::kPageScreenSaver]);
  page->optSS_State[1]->SetValue(true);
  EXPECT_TRUE(page->cmdSSPreview->isEnabled());
  EXPECT_TRUE(dialog->SSTabScreenSaver->isEnabled());
  EXPECT_TRUE(dialog->tmrThumbnailChanger.Enabled());
  dialog->ApplyPage(frmKestrin::kPageScreenSaver);
  EXPECT_TRUE(pf::GetScreenSaveActive());
}

TEST_F(SaverPage, OkWritesTheChangedPage) {
  Settings("[PrefsSS]\r\nchange=30s\r\n");
  Open();
  bool ended = false;
  dialog->EndProgram = [&ended] { ended = true; };
  dialog->show();
  page->optSS_State[1]->SetValue(true);
  page->nbsSaverDelay->SetValue(1);
  page->nbsImageDelay->SetValue(45);
  ChooseSet("Hills");
  dialog->cmdOk->click();
  EXPECT_TRUE(ended);
  EXPECT_EQ(Key("PrefsSS", "change"), "45s");
  EXPECT_EQ(Key("PrefsSS", "random"), "0");
  EXPECT_EQ(Key("PrefsSS", "CurrentSet"), "Hills");
  EXPECT_TRUE(pf::GetScreenSaveActive());
  EXPECT_EQ(pf::GetScreenSaveTimeOut(), 60);
  EXPECT_EQ(orvane::core::GetIniString("boot", "SCRNSAVE.EXE", "", "system.ini"),
            pf::GetWindowsDirectory() + "Orvane.scr");
}

TEST_F(SaverPage, SoundControlsFollowTheSetsThatHaveSound) {
  Settings("");
  pf::SetScreenSaveActive(true);
  Open();
  ChooseSet("Hills");
  EXPECT_FALSE(page->framSound->isEnabled());
  EXPECT_FALSE(page->optLoopOn->isEnabled());
  EXPECT_EQ(page->lblSSNoSound->Caption(), "The selected image set does not have sound.");
  ChooseSet("Sea");
  EXPECT_TRUE(page->framSound->isEnabled());
  EXPECT_EQ(page->lblSSNoSound->Caption(), "");
  EXPECT_EQ(dialog->PreviewImages.Count(), 3);
  EXPECT_EQ(dialog->PreviewImages.Item(1), dialog->Sets.GetSet("Sea")->SetDirectory() + "a");
  ChooseSet(kRandomizeAllSets);
  EXPECT_TRUE(page->framSound->isEnabled());
  EXPECT_EQ(dialog->PreviewImages.Count(), 4);
  EXPECT_TRUE(dialog->PreviewAllSets);

  orvane::test::WriteFile(program_ / "Sea/company.ini", "[Sound]\r\nHasSound=0\r\n");
  dialog.reset();
  Open();
  ChooseSet(kRandomizeAllSets);
  EXPECT_EQ(page->lblSSNoSound->Caption(), "None of the installed image sets have sound.");
}

TEST_F(SaverPage, ThePreviewHandsTheValuesOnScreenToTheShowWhileTheDialogWaits) {
  Settings("");
  pf::SetScreenSaveActive(true);
  Open();
  dialog->show();
  ChooseSet("Sea");
  page->nbsImageDelay->SetValue(7);
  page->optSSMinutes->SetValue(true);
  page->cmboSSLanguage->SetListIndex(2);
  page->chkShowTitles->SetValue(1);
  page->chkShowDescriptive->SetValue(0);
  page->nbsInfoPanelShows->SetValue(12);
  page->cmboTransitions->SetListIndex(9);
  page->sldrPanSpeed->SetValue(205);
  page->chkSSFit2Screen->SetValue(0);
  page->optCalendarOff->SetValue(true);
  page->cmboCalendarSize->SetListIndex(1);
  page->cmboCalendarPosition->SetListIndex(4);
  page->optVeloscanOff->SetValue(true);
  page->optSndOn->SetValue(true);
  page->optLoopOff->SetValue(true);
  page->optWebLinkOff->SetValue(true);
  dialog->tmrEditSetsThumbnailChanger.SetEnabled(false);
  dialog->tmrThumbnailChanger.SetEnabled(true);
  const std::string before = orvane::test::ReadFile(settings_);

  std::vector<PreviewValues> shows;
  bool blocked = false;
  page->RunPreview = [&](const PreviewValues& v) {
    shows.push_back(v);
    blocked = !dialog->isEnabled() && !dialog->tmrThumbnailChanger.Enabled();
  };
  page->cmdSSPreview->click();
  ASSERT_EQ(shows.size(), 1u);
  const PreviewValues& v = shows[0];
  EXPECT_EQ(v.ImageSetRoot, dialog->ImageSetRoot);
  EXPECT_EQ(v.CatalogueFile, dialog->CatalogueFile);
  EXPECT_EQ(v.SettingsFile, settings_);
  EXPECT_EQ(v.CurrentSet, "Sea");
  EXPECT_FALSE(v.RandomAll);
  EXPECT_EQ(v.Delay, 7);
  EXPECT_TRUE(v.Minutes);
  EXPECT_EQ(v.Language, "German");
  EXPECT_TRUE(v.Titles);
  EXPECT_FALSE(v.Text);
  EXPECT_EQ(v.InfoTime, 12);
  EXPECT_EQ(v.Transition, 9);
  EXPECT_EQ(v.PanSpeed, 50);
  EXPECT_FALSE(v.Stretch);
  EXPECT_FALSE(v.CalendarOn);
  EXPECT_EQ(v.CalendarSize, 66);
  EXPECT_EQ(v.CalendarPosition, 5);
  EXPECT_FALSE(v.PanOn);
  EXPECT_TRUE(v.SoundOn);
  EXPECT_FALSE(v.SoundLooping);
  EXPECT_FALSE(v.WebLinksOn);
  EXPECT_TRUE(blocked);
  EXPECT_TRUE(dialog->isEnabled());
  EXPECT_TRUE(dialog->tmrThumbnailChanger.Enabled());
  EXPECT_FALSE(dialog->tmrEditSetsThumbnailChanger.Enabled());
  EXPECT_EQ(orvane::test::ReadFile(settings_), before);  // nothing applied
}

TEST_F(SaverPage, APreviewWithNothingToPlayShowsTheNoticeAndReturnsToTheDialog) {
  for (const char* file : {"Sea/a.bmp", "Sea/b.bmp", "Hills/top.bmp"}) fs::remove(program_ / file);
  Settings("");
  pf::SetScreenSaveActive(true);
  Open();
  dialog->show();
  ChooseSet("Sea");
  bool notice = false;
  QTimer watch;
  watch.setInterval(50);
  QObject::connect(&watch, &QTimer::timeout, [&notice] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* show = dynamic_cast<orvane::saver::frmSaver*>(window);
      if (!show || !show->isVisible()) continue;
      if (show->NothingToShow) {
        notice = true;
        show->EndShow();
      }
    }
  });
  watch.start();
  QTimer::singleShot(20000, [] {  // a safety net, never a timing check
    for (QWidget* window : QApplication::topLevelWidgets())
      if (auto* show = dynamic_cast<orvane::saver::frmSaver*>(window)) show->EndShow();
  });
  page->cmdSSPreview->click();  // the real show
  watch.stop();
  EXPECT_TRUE(notice);
  EXPECT_TRUE(dialog->isEnabled());
  EXPECT_TRUE(dialog->isVisible());
}

TEST(ThumbnailWalks, PreviewIndexCyclesAndRestartsAfterARebuild) {
  int index = 0;
  std::vector<int> shown;
  for (int tick = 0; tick < 4; ++tick) shown.push_back(index = NextPreviewIndex(index, 3));
  EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 1}));
  EXPECT_EQ(NextPreviewIndex(3, 2), 1);  // the list was rebuilt with 2 entries
}

TEST(ThumbnailWalks, EditSetsWalkGoesThroughIncludedThenExcludedImages) {
  orvane::core::SetInfoClass set;
  set.IncludeImage("One", "one");
  set.IncludeImage("Two", "two");
  set.ExcludeImage("Three", "three");
  int index = 0;
  bool excluded = false;
  std::vector<std::string> shown;
  for (int tick = 0; tick < 4; ++tick) {
    const auto image = EditSetsPicture(set, index, excluded);
    ASSERT_TRUE(image);
    shown.push_back(image->FileName());
    ++index;
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"one", "two", "three", "one"}));
  orvane::core::SetInfoClass empty;
  EXPECT_FALSE(EditSetsPicture(empty, index, excluded));
}

TEST_F(SaverPage, ADialogOpenedWithTheSaverOnCyclesItsThumbnailsFromTheStart) {
  Settings("[PrefsSS]\r\nrandom=0\r\nCurrentSet=Sea\r\n");
  pf::SetScreenSaveActive(true);
  Open();
  dialog->show();
  EXPECT_TRUE(dialog->tmrThumbnailChanger.Running());
  // The first tick comes on its own, without a click on the page.
  QElapsedTimer waited;
  waited.start();
  while (Centre(*page->picSSThumbNail) != kRed && waited.elapsed() < 10000)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(Centre(*page->picSSThumbNail), kRed);
}

TEST_F(SaverPage, TheTimerShowsEachThumbnailAndThePlaceholderForAMissingOne) {
  Settings("[PrefsSS]\r\nrandom=0\r\nCurrentSet=Sea\r\n");
  pf::SetScreenSaveActive(true);
  Open();
  dialog->show();
  Thumbnails& thumbnails = page->thumbnails();
  thumbnails.PreviewIndex = 0;
  std::vector<QRgb> centres;
  for (int tick = 0; tick < 4; ++tick) {
    dialog->tmrThumbnailChanger_Timer();
    centres.push_back(Centre(*page->picSSThumbNail));
  }
  const QRgb placeholder = NoThumbnailPicture(160, 120).pixel(80, 60);
  EXPECT_EQ(centres, (std::vector<QRgb>{kRed, kGreen, placeholder, kRed}));
  EXPECT_EQ(dialog->tmrThumbnailChanger.Interval(), kThumbnailInterval);
  EXPECT_TRUE(boxes.empty());
  EXPECT_FALSE(fs::exists(dialog->SettingsFolder + "tn.bmp"));
  EXPECT_FALSE(fs::exists(program_ / "tn.bmp"));
}

TEST_F(SaverPage, AnEightBitScreenReducesThumbnailsInTheSettingsFolder) {
  setenv("ORVANE_SCREEN_BPP", "8", 1);
  Settings("[PrefsSS]\r\nrandom=0\r\nCurrentSet=Hills\r\n");
  pf::SetScreenSaveActive(true);
  Open();
  dialog->show();
  // The Edit Sets page's image list: the temporary files stay, in the settings folder.
  dialog->SSTabPages->SetTab(frmKestrin::kPageEditSets);
  dialog->cmboEditSet->SetListIndex(frmKestrin::FindItemIndex(*dialog->cmboEditSet, "Hills"));
  dialog->lstActiveImages->SetListIndex(0);
  EXPECT_TRUE(fs::exists(dialog->SettingsFolder + "tn.bmp"));
  EXPECT_FALSE(fs::exists(program_ / "tn.bmp"));
  EXPECT_FALSE(fs::exists(program_ / "tn.jpg"));
  const QRgb shown = Centre(*dialog->picImageEditThumbNail);
  EXPECT_GT(qBlue(shown), 150);
  EXPECT_LT(qRed(shown) + qGreen(shown), 60);
  // The timers' files are removed after each picture.
  dialog->SSTabPages->SetTab(frmKestrin::kPageScreenSaver);
  dialog->tmrThumbnailChanger_Timer();
  EXPECT_GT(qBlue(Centre(*page->picSSThumbNail)), 150);
  EXPECT_FALSE(fs::exists(dialog->SettingsFolder + "tn.jpg"));
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SaverPage, AnEightBitTickPassesOverAThumbnailThatCannotBeReduced) {
  setenv("ORVANE_SCREEN_BPP", "8", 1);
  orvane::test::WriteFile(program_ / "Sea/a.bmp", "BM not a picture");
  Settings("[PrefsSS]\r\nrandom=0\r\nCurrentSet=Sea\r\n");
  pf::SetScreenSaveActive(true);
  Open();
  dialog->show();
  Thumbnails& thumbnails = page->thumbnails();
  thumbnails.PreviewIndex = 0;
  dialog->tmrThumbnailChanger_Timer();
  EXPECT_EQ(thumbnails.PreviewIndex, 2);  // the next picture, in the same tick
  EXPECT_GT(qGreen(Centre(*page->picSSThumbNail)), 120);
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(dialog->tmrThumbnailChanger.Enabled());
}

TEST_F(SaverPage, EditSetsTimerWalksTheChosenSet) {
  Settings("");
  Open();
  dialog->show();
  dialog->SSTabPages->SetTab(frmKestrin::kPageEditSets);
  dialog->SSTabEditSets->SetTab(1);
  dialog->lstActiveSets->SetListIndex(frmKestrin::FindItemIndex(*dialog->lstActiveSets, "Sea"));
  EXPECT_EQ(dialog->tmrEditSetsThumbnailChanger.Interval(), kFirstSetThumbnail);
  Thumbnails& thumbnails = page->thumbnails();
  thumbnails.EditPreviewIndex = 0;
  thumbnails.EditPreviewExcluded = false;
  std::vector<QRgb> centres;
  for (int tick = 0; tick < 4; ++tick) {
    dialog->tmrEditSetsThumbnailChanger_Timer();
    centres.push_back(Centre(*dialog->picEditSetsThumbnail));
  }
  const QRgb placeholder = NoThumbnailPicture(160, 120).pixel(80, 60);
  EXPECT_EQ(centres, (std::vector<QRgb>{kRed, kGreen, placeholder, kRed}));
  EXPECT_EQ(dialog->tmrEditSetsThumbnailChanger.Interval(), kThumbnailInterval);
}

TEST_F(SaverPage, ImageInfoWithAllSetsReadsTheWallpaperImagesOwnSet) {
  orvane::test::WriteFile(program_ / "Hills/top.nfo", "[info]\r\nversion=1\r\n[Top]\r\nPictureInfo=Hill top at noon\r\n");
  orvane::test::WriteFile(program_ / "Hills/photo.nfo", "[Info]\r\nPrintOrder=Print 12\r\n");
  Settings("[PrefsWP]\r\nrandom=1\r\nCurrentSet=Hills\r\nenable=1\r\n");
  Open();
  dialog->show();
  ASSERT_EQ(dialog->cmboSets->Text(), kRandomizeAllSets);
  dialog->lstImages->SetListIndex(frmKestrin::FindItemIndex(*dialog->lstImages, "Top"));
  std::string title, printOrder;
  QTimer::singleShot(0, [&] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* credits = dynamic_cast<frmCredits*>(window);
      if (!credits || !credits->isVisible()) continue;
      title = credits->lblImageTitle->text().toStdString();
      printOrder = credits->lblPrintOrder->text().toStdString();
      credits->cmdClose_Click();
    }
  });
  dialog->wallpaperPage->cmdImageCredits->click();
  EXPECT_EQ(title, "Hill top at noon");
  EXPECT_EQ(printOrder, "Print 12");
  EXPECT_TRUE(boxes.empty());
}

// ---------------------------------------------------------------------------
// About page

TEST_F(SaverPage, AboutShowsTheChosenSetsPublisherAndOpensItsLinks) {
  Settings("[About]\r\nsupportPhone=999\r\n[Company]\r\nwebButton=Our site\r\nWeb Site=https://user.example/\r\n");
  Open();
  dialog->show();
  dialog->cmboAboutSets->SetListIndex(frmKestrin::FindItemIndex(*dialog->cmboAboutSets, "Sea"));
  EXPECT_EQ(about->lblCompanyName->Caption(), "Sea Pictures");
  EXPECT_EQ(about->lblWebAddress->Caption(), "https://company.example/");
  EXPECT_EQ(about->lblSupport->Caption(), "Online Support: https://sea.example/help");
  EXPECT_EQ(about->lblPhoneSupport->Caption(), "Call-back support: 555 0100");
  EXPECT_FALSE(about->cmdVisitUs->isHidden());
  EXPECT_EQ(about->cmdVisitUs->Caption(), "Sea on the Web");  // [WebLinker] before [Company]
  about->cmdVisitUs->click();
  about->lblWebAddress_Click();
  about->lblSupport_Click();
  EXPECT_EQ(opened, (std::vector<std::string>{"https://sea.example/", "https://company.example/",
                                              "https://sea.example/help"}));

  // A set without company.ini: the user's settings behind it.
  opened.clear();
  dialog->cmboAboutSets->SetListIndex(frmKestrin::FindItemIndex(*dialog->cmboAboutSets, "Hills"));
  EXPECT_EQ(about->lblCompanyName->Caption(), "");
  EXPECT_EQ(about->lblSupport->Caption(), "");
  EXPECT_EQ(about->lblPhoneSupport->Caption(), "Call-back support: 999");
  EXPECT_EQ(about->cmdVisitUs->Caption(), "Our site");
  about->lblSupport_Click();  // no address: nothing opens
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(about->lblBitDepth->Caption(), std::to_string(pf::ScreenBitsPerPixel()) + " Bit Color");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SaverPage, AboutSupportOpensTheProgramsHelpFileWhenThereIsOne) {
  orvane::test::WriteFile(program_ / "Help.html", "<html>help</html>");
  Settings("");
  setenv("ORVANE_SCREEN_BPP", "16", 1);
  Open();
  dialog->cmboAboutSets->SetListIndex(frmKestrin::FindItemIndex(*dialog->cmboAboutSets, "Sea"));
  EXPECT_EQ(about->lblSupport->Caption(), "Technical Support Help File");
  EXPECT_EQ(about->lblBitDepth->Caption(), "16 Bit Color");
  about->lblSupport_Click();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "file://" + (program_ / "Help.html").string());
}

TEST_F(SaverPage, AboutRefusesLinksThatAreNoWebAddresses) {
  orvane::test::WriteFile(program_ / "Sea/company.ini",
                          "[WebLinker]\r\nwebButton=Visit\r\nCompanyURL=file:///etc/passwd\r\n"
                          "[Company]\r\nWeb Site=http://x.example/$(reboot)\r\n[About]\r\nsupportURL=`id`\r\n");
  Settings("");
  Open();
  dialog->cmboAboutSets->SetListIndex(frmKestrin::FindItemIndex(*dialog->cmboAboutSets, "Sea"));
  about->cmdVisitUs->click();
  about->lblWebAddress_Click();
  about->lblSupport_Click();
  EXPECT_TRUE(opened.empty());
}

TEST_F(SaverPage, AboutOpensAddressesWrittenWithoutAScheme) {
  orvane::test::WriteFile(program_ / "Sea/company.ini",
                          "[WebLinker]\r\nwebButton=Visit\r\nCompanyURL=www.sea.example\r\n"
                          "[Company]\r\nWeb Site=company.example/about\r\n[About]\r\nsupportURL=www.sea.example/help\r\n");
  Settings("");
  Open();
  dialog->cmboAboutSets->SetListIndex(frmKestrin::FindItemIndex(*dialog->cmboAboutSets, "Sea"));
  about->cmdVisitUs->click();
  about->lblWebAddress_Click();
  about->lblSupport_Click();
  EXPECT_EQ(opened, (std::vector<std::string>{"http://www.sea.example", "http://company.example/about",
                                              "http://www.sea.example/help"}));
}

TEST_F(SaverPage, AboutCyclesThePicturesOfTheSetItShows) {
  Settings("[PrefsSS]\r\nrandom=0\r\nCurrentSet=Sea\r\n");
  pf::SetScreenSaveActive(true);
  Open();
  dialog->show();
  dialog->SSTabPages->SetTab(frmKestrin::kPageAbout);
  dialog->cmboAboutSets->SetListIndex(frmKestrin::FindItemIndex(*dialog->cmboAboutSets, "Hills"));
  EXPECT_EQ(Centre(*about->picAboutThumbnail), kBlue);  // not the saver's set
  dialog->tmrThumbnailChanger_Timer();
  EXPECT_EQ(Centre(*about->picAboutThumbnail), kBlue);
  dialog->SSTabPages->SetTab(frmKestrin::kPageScreenSaver);
  dialog->tmrThumbnailChanger_Timer();
  const QRgb saverSet = Centre(*page->picSSThumbNail);
  EXPECT_TRUE(saverSet == kRed || saverSet == kGreen || saverSet == NoThumbnailPicture(160, 120).pixel(80, 60));
}

TEST_F(SaverPage, AboutShowsTheTextsOfTheSetAsTheyStand) {
  orvane::test::WriteFile(program_ / "Hills/company.ini",
                          "[Company]\r\nWeb Site=https://hills.example/?a=1&b=2\r\nCompany Name=Fell && Dale <b>Ltd</b>\r\n"
                          "[About]\r\nsupportURL=https://hills.example/help?x&y\r\n");
  Settings("");
  Open();
  dialog->cmboAboutSets->SetListIndex(frmKestrin::FindItemIndex(*dialog->cmboAboutSets, "Hills"));
  EXPECT_EQ(about->lblWebAddress->text().toStdString(), "https://hills.example/?a=1&b=2");
  EXPECT_EQ(about->lblCompanyName->text().toStdString(), "Fell && Dale <b>Ltd</b>");
  EXPECT_EQ(about->lblSupport->text().toStdString(), "Online Support: https://hills.example/help?x&y");
  about->lblWebAddress_Click();
  EXPECT_EQ(opened, (std::vector<std::string>{"https://hills.example/?a=1&b=2"}));
}

TEST_F(SaverPage, AboutHidesTheWebButtonBeforeASetIsChosen) {
  Settings("[Company]\r\nwebButton=Our site\r\n");
  Open();
  about->AboutSetFolder.clear();
  about->SetWebButton();
  EXPECT_TRUE(about->cmdVisitUs->isHidden());
}

}  // namespace
