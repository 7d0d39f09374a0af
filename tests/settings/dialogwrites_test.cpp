// Writes of the settings dialog that the file system refuses: the user is told
// which file could not be written and why, the page keeps its changes, and
// Apply and OK try again; OK never ends the program having saved nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/PPS.h"
#include "platform/folders.h"
#include "settings/ScreenSaverPage.h"
#include "settings/WallpaperPage.h"
#include "tests/settings/kestrin_fixture.h"

namespace fs = std::filesystem;
using namespace orvane::test;
using orvane::settings::frmKestrin;

namespace {

std::string Ini(const std::string& section, const std::string& key, const std::string& file) {
  return orvane::core::GetIniString(section, key, "<missing>", file);
}

// A file without its owner's write bit is left alone by every profile write,
// whoever runs the test (root included).
void ReadOnly(const std::string& file, bool readOnly) { ASSERT_EQ(chmod(file.c_str(), readOnly ? 0444 : 0644), 0); }

}  // namespace

TEST(DialogWrites, ARefusedWriteIsReportedAndThePageStaysChangedUntilItIsSaved) {
  struct Case {
    const char* what;
    int page;
    std::function<void(frmKestrin&)> change;
    std::function<std::string(const KestrinFixture&)> file;
    std::string text;  // how the box names what was not saved
    std::function<bool(const KestrinFixture&)> saved;
  };
  const auto screenSaverIni = [](const KestrinFixture& f) { return f.settings + "ScreenSaver.ini"; };
  const std::vector<Case> cases = {
      {"catalogue", frmKestrin::kPageEditSets,
       [](frmKestrin& d) {
         d.lstActiveImages->SetListIndex(0);
         d.cmdImageMove->click();
       },
       [](const KestrinFixture& f) { return f.catalogue; }, "The image sets could not be saved in \"",
       [](const KestrinFixture& f) { return Ini("Sea", "wave", f.catalogue) == "*wave01"; }},
      {"title page", frmKestrin::kPageEditSets, [](frmKestrin& d) { d.chkShowTitlePage->click(); },
       [](const KestrinFixture& f) { return (f.root / "Sea/company.ini").string(); },
       "The title page switch of the image set \"Sea\" could not be saved in \"",
       [](const KestrinFixture& f) {
         return Ini("TitlePage", "file", (f.root / "Sea/company.ini").string()) == "*title01";
       }},
      {"screen saver page", frmKestrin::kPageScreenSaver,
       [](frmKestrin& d) { d.screenSaverPage->optSS_State[1]->click(); }, screenSaverIni,
       "The screen saver settings could not be saved in \"",
       [=](const KestrinFixture& f) { return Ini("InfoPanel", "defaultTime", screenSaverIni(f)) == "20"; }},
      {"wallpaper page", frmKestrin::kPageWallpaper,
       [](frmKestrin& d) { d.wallpaperPage->cmboAutoChange->SetListIndex(3); }, screenSaverIni,
       "The wallpaper settings could not be saved in \"",
       [=](const KestrinFixture& f) { return Ini("PrefsWP", "change", screenSaverIni(f)) == "4"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KestrinFixture fixture;
    Dialog dialog;
    dialog->Show();
    dialog->SSTabPages->SetTab(c.page);
    dialog->ResetWPImage(false);  // the wallpaper page writes its keys only
    c.change(*dialog.form);
    ASSERT_TRUE(dialog->PageDirty[c.page]);
    const std::string file = c.file(fixture);
    ReadOnly(file, true);

    dialog->cmdApply->click();
    ASSERT_EQ(dialog.boxes.size(), 1u);
    EXPECT_EQ(dialog.boxes[0].text, c.text + file + "\": Permission denied.");
    EXPECT_EQ(dialog.boxes[0].style, orvane::platform::vbExclamation);
    EXPECT_TRUE(dialog->PageDirty[c.page]);
    EXPECT_TRUE(dialog->cmdApply->isEnabled());
    EXPECT_FALSE(c.saved(fixture));

    // OK from another page tries again and stays when it fails again.
    dialog->SSTabPages->SetTab(frmKestrin::kPageAbout);
    dialog->cmdOk->click();
    EXPECT_EQ(dialog.boxes.size(), 2u);
    EXPECT_EQ(dialog.ended, 0);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->PageDirty[c.page]);

    ReadOnly(file, false);
    dialog->cmdOk->click();
    EXPECT_EQ(dialog.boxes.size(), 2u);
    EXPECT_EQ(dialog.ended, 1);
    EXPECT_TRUE(c.saved(fixture));
  }
}

TEST(DialogWrites, ACatalogueThatCannotBeRepairedAtLoadIsReportedOnceTheDialogShows) {
  KestrinFixture fixture;  // "Gone" to take out, "Forest" to take in
  const std::string before = ReadFile(fixture.catalogue);
  ReadOnly(fixture.catalogue, true);
  Dialog dialog;
  dialog->Load();
  EXPECT_EQ(ReadFile(fixture.catalogue), before);
  EXPECT_TRUE(dialog.boxes.empty()) << "a hidden load (the slide show's) never waits on a box";
  dialog->Show();
  ASSERT_EQ(dialog.boxes.size(), 1u);
  EXPECT_EQ(dialog.boxes[0].text,
            "The image set catalogue could not be saved in \"" + fixture.catalogue +
                "\": Permission denied.");
  EXPECT_EQ(dialog.ended, 0);
  dialog->Show();
  EXPECT_EQ(dialog.boxes.size(), 1u);
}

TEST(DialogWrites, AHiddenFirstRunThatCannotSaveLogsInsteadOfWaitingOnABox) {
  KestrinFixture fixture;
  const std::string settings = fixture.settings + "ScreenSaver.ini";
  WriteFile(settings, "[ScreenSaver]\r\nSetup=0\r\n");
  ReadOnly(settings, true);
  Dialog dialog;
  testing::internal::CaptureStderr();
  dialog->Load();  // as the slide show's start loads it
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(dialog.boxes.empty());
  const std::string line = "The screen saver settings could not be saved in \"" + settings + "\": Permission denied.";
  EXPECT_NE(said.find(line), std::string::npos) << said;
  EXPECT_NE(ReadFile(orvane::platform::MachineStateFolder() + "orvane.log").find(line), std::string::npos);
  EXPECT_TRUE(dialog->PageDirty[frmKestrin::kPageScreenSaver]);
}
