// The settings dialog's frame, catalogue and Edit Sets lists, driven as a user
// and the start procedure drive them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTabBar>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "core/PPS.h"
#include "core/mdlMain.h"
#include "platform/desktop.h"
#include "settings/ScreenSaverPage.h"
#include "settings/WallpaperPage.h"
#include "tests/settings/kestrin_fixture.h"
#include "tests/settings/picture_files.h"

namespace fs = std::filesystem;
using namespace orvane::test;
using orvane::settings::frmKestrin;
using Names = std::vector<std::string>;

namespace {

std::string Ini(const std::string& section, const std::string& key, const std::string& file) {
  return orvane::core::GetIniString(section, key, "<missing>", file);
}

int FindIndex(const orvane::platform::VbListBox& list, const std::string& text) {
  return frmKestrin::FindItemIndex(list, text);
}

// Loads and shows the dialog on the Edit Sets page, inner tab tab.
void ShowEditSets(Dialog& dialog, int tab) {
  dialog->Show();
  dialog->SSTabPages->SetTab(frmKestrin::kPageEditSets);
  dialog->SSTabEditSets->SetTab(tab);
}

}  // namespace

TEST(Catalogue, LoadRepairsTheCatalogueFromTheSetFolders) {
  KestrinFixture fixture;
  Dialog dialog;
  dialog->Load();
  EXPECT_TRUE(dialog.boxes.empty());
  EXPECT_EQ(dialog.ended, 0);

  // "Gone" lost its folder: its entry and its section go, and nothing else; an
  // image of another set that is called "Gone" stays. "Forest" is new. The
  // folder whose set name cannot be a section is not entered.
  EXPECT_EQ(ReadFile(fixture.catalogue),
            "[SetDescriptions]\r\nSea=Sea\\\r\nBlue Sea=*Blue Sea\\\r\nForest=Forest/\r\n"
            "[Sea]\r\nwave=wave01\r\nshore=*shore01\r\n"
            "[Blue Sea]\r\ndeep=deep01\r\nGone=gone-image\r\n"
            "[Launcher]\r\nURL=\r\n"
            "[Forest]\r\noak=oak01\r\npine=pine01\r\n");
  EXPECT_FALSE(fs::exists(fixture.root / "temp.ini"));

  EXPECT_EQ(Entries(*dialog->lstActiveSets), (Names{"Sea", "Forest"}));
  EXPECT_EQ(Entries(*dialog->lstInactiveSets), (Names{"Blue Sea"}));
  EXPECT_EQ(Entries(*dialog->cmboSets), (Names{"Randomize From All Image Sets", "Sea", "Forest"}));
  EXPECT_EQ(Entries(*dialog->cmboSS_SetsToUse), Entries(*dialog->cmboSets));
  EXPECT_EQ(Entries(*dialog->cmboAboutSets), (Names{"Sea", "Forest"}));
  EXPECT_EQ(dialog->cmboEditSet->Text(), "Sea");
  EXPECT_EQ(Entries(*dialog->lstActiveImages), (Names{"wave"}));
  EXPECT_EQ(Entries(*dialog->lstInactiveImages), (Names{"shore"}));
  EXPECT_EQ(dialog->Label11->Caption(), "Included images (1)");
  EXPECT_EQ(dialog->Label14->Caption(), "Excluded sets (1)");

  const auto sea = dialog->LocateSet("Sea");
  ASSERT_TRUE(sea);
  EXPECT_TRUE(sea->HasTitlePage && sea->ShowTitlePage && sea->UserControl && sea->HasSound);
  EXPECT_EQ(sea->SetDirectory(), "Sea\\");

  // A second start finds nothing to repair.
  const std::string repaired = ReadFile(fixture.catalogue);
  Dialog again;
  again->Load();
  EXPECT_EQ(ReadFile(fixture.catalogue), repaired);
}

TEST(Catalogue, NoImageSetEndsTheProgramWithTheMessage) {
  const fs::path root = MakeTempDir("empty-program");
  UseProgramFolder(root);
  Dialog dialog;
  dialog->Show();
  ASSERT_EQ(dialog.boxes.size(), 1u);
  EXPECT_EQ(dialog.boxes[0].text, "Unable to find image sets. PATH = " + root.string() + "/");
  EXPECT_EQ(dialog.boxes[0].style, 48);
  EXPECT_EQ(dialog.boxes[0].title, "ERROR");
  EXPECT_EQ(dialog.ended, 1);
  EXPECT_FALSE(dialog->isVisible());
}

TEST(EditSets, ExcludeAnImageByButtonThenApply) {
  KestrinFixture fixture;
  Dialog dialog;
  ShowEditSets(dialog, 0);
  dialog->lstActiveImages->SetListIndex(0);
  EXPECT_EQ(dialog->cmdImageMove->Caption(), "Exclude Image");
  EXPECT_EQ(dialog->cmdImageMove->Tag, "Exclude");
  EXPECT_TRUE(dialog->cmdImageMove->isEnabled());
  EXPECT_EQ(dialog->lstInactiveImages->SelCount(), 0);

  dialog->cmdImageMove->click();
  EXPECT_EQ(Entries(*dialog->lstActiveImages), Names{});
  EXPECT_EQ(Entries(*dialog->lstInactiveImages), (Names{"shore", "wave"}));
  EXPECT_EQ(dialog->Label11->Caption(), "Included images (0)");
  EXPECT_EQ(dialog->Label12->Caption(), "Excluded images (2)");
  EXPECT_TRUE(dialog->PageDirty[frmKestrin::kPageEditSets]);
  EXPECT_TRUE(dialog->cmdApply->isEnabled());
  EXPECT_EQ(Ini("Sea", "wave", fixture.catalogue), "wave01");  // nothing written before Apply

  dialog->cmdApply->click();
  EXPECT_EQ(Ini("Sea", "wave", fixture.catalogue), "*wave01");
  EXPECT_EQ(Ini("Sea", "shore", fixture.catalogue), "*shore01");
  EXPECT_FALSE(dialog->PageDirty[frmKestrin::kPageEditSets]);
  EXPECT_FALSE(dialog->cmdApply->isEnabled());

  // Both back in by selecting them and choosing the button again.
  dialog->lstInactiveImages->SetSelected(0, true);
  dialog->lstInactiveImages->SetSelected(1, true);
  EXPECT_EQ(dialog->cmdImageMove->Caption(), "Include Images");
  dialog->cmdImageMove->click();
  dialog->cmdApply->click();
  EXPECT_EQ(Ini("Sea", "wave", fixture.catalogue), "wave01");
  EXPECT_EQ(Ini("Sea", "shore", fixture.catalogue), "shore01");
}

TEST(EditSets, IncludeASetByRightButtonDragThenApply) {
  KestrinFixture fixture;
  Dialog dialog;
  ShowEditSets(dialog, 1);
  dialog->lstInactiveSets->SetListIndex(0);
  EXPECT_EQ(dialog->cmdMoveSet->Caption(), "Include Set");
  EXPECT_EQ(dialog->lstActiveSets->SelCount(), 0);
  dialog->PageDirty.fill(false);

  // 3 pixels are 45 twips, not more than 50: no drag. A left-button drag never
  // starts one.
  RightDrag(*dialog->lstInactiveSets, 0, *dialog->lstActiveSets, 3);
  const QPoint entry = dialog->lstInactiveSets->visualItemRect(dialog->lstInactiveSets->item(0)).center();
  Mouse(dialog->lstInactiveSets->viewport(), QEvent::MouseButtonPress, entry, Qt::LeftButton, Qt::LeftButton);
  Mouse(dialog->lstInactiveSets->viewport(), QEvent::MouseMove, entry + QPoint(0, 20), Qt::NoButton, Qt::LeftButton);
  Mouse(dialog->lstInactiveSets->viewport(), QEvent::MouseButtonRelease, entry + QPoint(0, 20), Qt::LeftButton,
        Qt::NoButton);
  EXPECT_EQ(Entries(*dialog->lstInactiveSets), (Names{"Blue Sea"}));
  dialog->lstInactiveSets->SetListIndex(0);

  // 4 pixels (60 twips) start it; the release over the partner list moves the set.
  RightDrag(*dialog->lstInactiveSets, 0, *dialog->lstActiveSets, 4);
  EXPECT_EQ(Entries(*dialog->lstActiveSets), (Names{"Sea", "Forest", "Blue Sea"}));
  EXPECT_EQ(Entries(*dialog->lstInactiveSets), Names{});
  EXPECT_EQ(dialog->Label13->Caption(), "Included sets (3)");
  EXPECT_EQ(dialog->Label14->Caption(), "Excluded sets (0)");
  EXPECT_EQ(Entries(*dialog->cmboEditSet), (Names{"Sea", "Forest", "Blue Sea"}));
  EXPECT_FALSE(dialog->cmdMoveSet->isEnabled());
  EXPECT_TRUE(dialog->PageDirty[frmKestrin::kPageEditSets]);
  EXPECT_EQ(dialog->DragStart[3].X, -1);  // the next drag needs a new press

  dialog->cmdApply->click();
  EXPECT_EQ(Ini("SetDescriptions", "Blue Sea", fixture.catalogue), "Blue Sea\\");

  // Dropping a list on itself, or anywhere but on its partner, does nothing.
  dialog->lstActiveSets->SetListIndex(2);
  RightDrag(*dialog->lstActiveSets, 2, *dialog->lstActiveSets);
  RightDrag(*dialog->lstActiveSets, 2, *dialog->picEditSetsThumbnail);
  EXPECT_EQ(Entries(*dialog->lstActiveSets), (Names{"Sea", "Forest", "Blue Sea"}));
}

TEST(EditSets, TitlePageSwitchIsWrittenOnlyForSetsUnderTheUsersControl) {
  KestrinFixture fixture;
  const fs::path seaCompany = fixture.root / "Sea/company.ini";
  const fs::path blueCompany = fixture.root / "Blue Sea/company.ini";
  const std::string blueBefore = ReadFile(blueCompany);
  Dialog dialog;
  ShowEditSets(dialog, 0);
  EXPECT_TRUE(dialog->chkShowTitlePage->isEnabled());
  EXPECT_EQ(dialog->chkShowTitlePage->Value(), 1);
  EXPECT_FALSE(dialog->PageDirty[frmKestrin::kPageEditSets]);  // showing a set is no change

  dialog->chkShowTitlePage->click();
  EXPECT_TRUE(dialog->PageDirty[frmKestrin::kPageEditSets]);

  // "Blue Sea" in: its publisher keeps its title page, which the box shows
  // disabled and cleared.
  dialog->SSTabEditSets->SetTab(1);
  dialog->lstInactiveSets->SetListIndex(0);
  dialog->cmdMoveSet->click();
  dialog->SSTabEditSets->SetTab(0);
  dialog->cmboEditSet->SetListIndex(frmKestrin::FindItemIndex(*dialog->cmboEditSet, "Blue Sea"));
  EXPECT_FALSE(dialog->chkShowTitlePage->isEnabled());
  EXPECT_EQ(dialog->chkShowTitlePage->Value(), 0);

  dialog->cmdApply->click();
  EXPECT_EQ(Ini("TitlePage", "file", seaCompany.string()), "*title01");
  EXPECT_EQ(ReadFile(blueCompany), blueBefore);
  EXPECT_EQ(Ini("TitlePage", "userControl", seaCompany.string()), "1");
}

TEST(Frame, CancelWritesNothingMore) {
  KestrinFixture fixture;
  Dialog dialog;
  ShowEditSets(dialog, 0);
  const std::string catalogue = ReadFile(fixture.catalogue);
  const std::string settings = ReadFile(fixture.settings + "ScreenSaver.ini");
  dialog->lstActiveImages->SetListIndex(0);
  dialog->cmdImageMove->click();
  dialog->chkShowTitlePage->click();
  dialog->cmdCancel->click();
  EXPECT_EQ(dialog.ended, 1);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(ReadFile(fixture.catalogue), catalogue);
  EXPECT_EQ(ReadFile(fixture.settings + "ScreenSaver.ini"), settings);
  EXPECT_EQ(Ini("TitlePage", "file", (fixture.root / "Sea/company.ini").string()), "title01");
}

TEST(Frame, OkAppliesEveryDirtyPageAndEnds) {
  KestrinFixture fixture;
  Dialog dialog;
  ShowEditSets(dialog, 0);
  dialog->lstActiveImages->SetListIndex(0);
  dialog->cmdImageMove->click();
  dialog->SSTabPages->SetTab(frmKestrin::kPageScreenSaver);
  dialog->cmdOk->click();
  EXPECT_EQ(Ini("Sea", "wave", fixture.catalogue), "*wave01");
  EXPECT_EQ(dialog.ended, 1);
  EXPECT_FALSE(dialog->isVisible());
}

TEST(Frame, DirtyFlagsAndApplyAcrossTabsFirstRunAndHiddenLoads) {
  KestrinFixture fixture;
  using Dirty = std::array<bool, 4>;
  struct Step {
    const char* what;
    std::function<void(frmKestrin&)> act;
    Dirty dirty;
    bool apply;
  };
  const std::vector<Step> steps = {
      {"hidden load", [](frmKestrin& f) { f.Load(); }, {}, false},
      {"change while hidden", [](frmKestrin& f) { f.SetApply(); }, {}, false},
      {"shown", [](frmKestrin& f) { f.Show(); }, {}, false},
      {"change on page 0", [](frmKestrin& f) { f.SetApply(); }, {true, false, false, false}, true},
      {"to page 1", [](frmKestrin& f) { f.SSTabPages->SetTab(1); }, {true, false, false, false}, false},
      {"internal change", [](frmKestrin& f) { f.InternalChange = true; f.SetApply(); f.InternalChange = false; },
       {true, false, false, false}, false},
      {"change on page 1", [](frmKestrin& f) { f.SetApply(); }, {true, true, false, false}, true},
      {"back to page 0", [](frmKestrin& f) { f.SSTabPages->SetTab(0); }, {true, true, false, false}, true},
      {"apply page 0", [](frmKestrin& f) { f.cmdApply->click(); }, {false, true, false, false}, false},
      {"to page 1 again", [](frmKestrin& f) { f.SSTabPages->SetTab(1); }, {false, true, false, false}, true},
      {"to page 3", [](frmKestrin& f) { f.SSTabPages->SetTab(3); }, {false, true, false, false}, false},
  };
  Dialog dialog;
  for (const Step& step : steps) {
    step.act(*dialog.form);
    EXPECT_EQ(dialog->PageDirty, step.dirty) << step.what;
    EXPECT_EQ(dialog->cmdApply->isEnabled(), step.apply) << step.what;
  }
}

TEST(Frame, FirstRunAppliesWhileLoadingAndRendersTheWallpaperOnClose) {
  KestrinFixture fixture;
  WriteFile(fixture.settings + "ScreenSaver.ini", "[ScreenSaver]\r\nSetup=0\r\n");
  WritePicture(fixture.root / "Sea/wave01.jpg", 64, 48, [](int, int) { return qRgb(0, 90, 160); }, true);
  Dialog dialog;
  dialog->Load();
  EXPECT_TRUE(dialog->FirstRun);
  EXPECT_EQ(dialog->PageDirty, (std::array<bool, 4>{false, true, false, false}));
  EXPECT_TRUE(dialog->WPImageReset);
  EXPECT_TRUE(dialog.progress.calls.empty());  // the load-time apply renders without the window
  dialog->Show();
  EXPECT_FALSE(dialog->cmdApply->isEnabled());
  dialog->SSTabPages->SetTab(1);
  EXPECT_TRUE(dialog->cmdApply->isEnabled());
  dialog->close();
  EXPECT_EQ(dialog.progress.calls, (std::vector<std::string>{"Show", "Hide", "Unload"}));
  EXPECT_FALSE(dialog->PageDirty[1]);
  EXPECT_TRUE(dialog.boxes.empty());
  EXPECT_EQ(dialog.ended, 0);  // the close box only unloads
}

TEST(Frame, NoCloseAndNoInputWhileTheWallpaperRenders) {
  KestrinFixture fixture;
  Dialog dialog;
  dialog->Show();
  bool enabledDuring = true, visibleAfterAttempts = false, okDuring = true;
  dialog.progress.onShow = [&] {
    enabledDuring = dialog->isEnabled();
    okDuring = dialog->cmdOk->isEnabled();
    dialog->cmdCancel_Click();
    dialog->cmdOk_Click();
    dialog->close();
    dialog->Unload();
    visibleAfterAttempts = dialog->isVisible() && dialog->Loaded();
  };
  dialog->WPImageReset = true;
  dialog->ApplyPage(frmKestrin::kPageWallpaper);
  EXPECT_FALSE(enabledDuring);
  EXPECT_FALSE(okDuring);
  EXPECT_TRUE(visibleAfterAttempts);
  EXPECT_EQ(dialog.ended, 0);
  EXPECT_TRUE(dialog->isEnabled());
  EXPECT_TRUE(dialog->cmdOk->isEnabled());
  EXPECT_FALSE(dialog->Rendering());
}

TEST(Frame, StartingTabResetsTheInnerTabs) {
  KestrinFixture fixture;
  Dialog dialog;
  dialog->SSTabScreenSaver->SetTab(3);
  dialog->SSTabWallPaper->SetTab(2);
  dialog->StartingTab(1);
  EXPECT_TRUE(dialog->Loaded());
  EXPECT_EQ(dialog->SSTabPages->Tab(), 1);
  EXPECT_EQ(dialog->SSTabScreenSaver->Tab(), 0);
  EXPECT_EQ(dialog->SSTabWallPaper->Tab(), 0);
  EXPECT_EQ(dialog->windowTitle(), "Screen Saver Configuration");
}

// The widgets of keys that Tab reaches, in the order it reaches them from the
// page tabs round to the last one.
Names TabStops(frmKestrin& dialog, const std::vector<std::pair<QWidget*, std::string>>& keys) {
  Names out;
  for (QWidget* w = dialog.nextInFocusChain(); w != &dialog; w = w->nextInFocusChain()) {
    if (!w->isVisibleTo(&dialog) || !w->isEnabled() || (w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus) continue;
    for (const auto& [key, name] : keys)
      if (key == w) out.push_back(name);
  }
  return out;
}

QWidget* Bar(QTabWidget* tabs) { return tabs->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly); }

TEST(Frame, TabGoesDownEachPageAsItReadsAndEndsOnTheButtons) {
  KestrinFixture fixture;
  WriteFile(fixture.settings + "ScreenSaver.ini",
            "[ScreenSaver]\r\nSetup=1\r\n[PrefsWP]\r\nenable=1\r\nrandom=0\r\nCurrentSet=Sea\r\n");
  orvane::platform::SetScreenSaveActive(true);
  Dialog dialog;
  dialog->Show();
  auto* saver = dialog->screenSaverPage.get();
  auto* wallpaper = dialog->wallpaperPage.get();
  const std::vector<std::pair<QWidget*, std::string>> keys = {
      {Bar(dialog->SSTabPages), "pages"},
      {saver->optSS_State[1], "on"},
      {saver->nbsSaverDelay, "delay"},
      {Bar(dialog->SSTabScreenSaver), "saver tabs"},
      {dialog->cmboSS_SetsToUse, "saver set"},
      {saver->nbsImageDelay, "image delay"},
      {saver->cmdSSPreview, "preview"},
      {Bar(dialog->SSTabWallPaper), "wallpaper tabs"},
      {wallpaper->optWallPaperOnButton, "wallpaper on"},
      {wallpaper->cmboAutoChange, "change"},
      {dialog->cmboSets, "wallpaper set"},
      {dialog->lstImages, "images"},
      {wallpaper->cmdImageCredits, "credits"},
      {wallpaper->chkFit2Screen, "fit"},
      {dialog->cmdOk, "ok"},
      {dialog->cmdCancel, "cancel"},
  };
  EXPECT_EQ(TabStops(*dialog.form, keys),
            (Names{"pages", "on", "delay", "saver tabs", "saver set", "image delay", "preview", "ok", "cancel"}));
  dialog->SSTabPages->SetTab(frmKestrin::kPageWallpaper);
  EXPECT_EQ(TabStops(*dialog.form, keys), (Names{"pages", "wallpaper tabs", "wallpaper on", "change", "wallpaper set",
                                                 "images", "credits", "fit", "ok", "cancel"}));
  // Edit Sets: the move button stands between the two lists.
  const std::vector<std::pair<QWidget*, std::string>> lists = {
      {dialog->lstActiveImages, "included"}, {dialog->cmdImageMove, "move"}, {dialog->lstInactiveImages, "excluded"},
      {dialog->lstActiveSets, "included"},   {dialog->cmdMoveSet, "move"},   {dialog->lstInactiveSets, "excluded"}};
  for (int tab : {0, 1}) {
    ShowEditSets(dialog, tab);
    (tab == 0 ? dialog->lstActiveImages : dialog->lstActiveSets)->SetListIndex(0);  // the button needs a choice
    EXPECT_EQ(TabStops(*dialog.form, lists), (Names{"included", "move", "excluded"})) << tab;
  }
}

TEST(EmptyLists, NoSelectionInEmptyCombosAndNoFailureOnAnyPage) {
  KestrinFixture fixture;
  WriteFile(fixture.catalogue,
            "[SetDescriptions]\r\nSea=*Sea\\\r\nBlue Sea=*Blue Sea\\\r\nForest=*Forest\\\r\n[Sea]\r\nwave=wave01\r\n");
  Dialog dialog;
  dialog->Show();
  EXPECT_EQ(dialog->cmboEditSet->ListCount(), 0);
  EXPECT_EQ(dialog->cmboEditSet->ListIndex(), -1);
  EXPECT_EQ(dialog->cmboSets->ListIndex(), -1);
  EXPECT_EQ(dialog->cmboAboutSets->ListIndex(), -1);
  EXPECT_EQ(dialog->lstImages->ListCount(), 0);
  for (int page : {3, 2, 1, 0, 2}) dialog->SSTabPages->SetTab(page);
  dialog->SSTabEditSets->SetTab(1);
  dialog->SSTabEditSets->SetTab(0);
  EXPECT_EQ(dialog->lstInactiveSets->SelCount(), 1);  // the first excluded set is chosen

  // One set back in: the combos hold it alone, without the Randomize entry.
  dialog->SSTabEditSets->SetTab(1);
  dialog->lstInactiveSets->SetListIndex(0);
  dialog->cmdMoveSet->click();
  EXPECT_EQ(Entries(*dialog->cmboSets), (Names{"Sea"}));
  EXPECT_EQ(dialog->cmboSets->ListIndex(), 0);
  EXPECT_EQ(dialog->cmboEditSet->Text(), "Sea");
  EXPECT_EQ(Entries(*dialog->lstImages), (Names{"wave"}));

  // And out again: every list empty, nothing chosen.
  dialog->lstActiveSets->SetListIndex(0);
  dialog->cmdMoveSet->click();
  EXPECT_EQ(dialog->cmboSets->ListCount(), 0);
  EXPECT_EQ(dialog->lstActiveImages->ListCount(), 0);
  EXPECT_EQ(dialog->lstImages->ListCount(), 0);
}

TEST(Lists, RandomizeFallsBackToTheFirstKnownSetInOnePassAndNamesThatCannotBeSectionsStayUntouched) {
  KestrinFixture fixture;
  WriteFile(fixture.catalogue,
            "[SetDescriptions]\r\nOdd]Set=Odd\\\r\nSea=Sea\\\r\nForest=Forest\\\r\nBlue Sea=*Blue Sea\\\r\n"
            "[Sea]\r\nwave=wave01\r\nshore=shore01\r\n[Forest]\r\noak=oak01\r\n[Blue Sea]\r\ndeep=deep01\r\n");
  Dialog dialog;
  ShowEditSets(dialog, 1);
  EXPECT_EQ(Entries(*dialog->lstActiveSets), (Names{"Sea", "Forest"}));
  EXPECT_EQ(dialog->cmboSets->Text(), "Randomize From All Image Sets");
  EXPECT_EQ(Entries(*dialog->lstImages), (Names{"wave", "shore"}));
  EXPECT_EQ(Ini("PrefsWP", "CurrentSet", fixture.settings + "ScreenSaver.ini"), "Sea");
  EXPECT_EQ(Ini("PrefsWP", "CurrentImage", fixture.settings + "ScreenSaver.ini"), "wave");

  dialog->lstActiveSets->SetListIndex(1);
  dialog->cmdMoveSet->click();
  dialog->cmdApply->click();
  const std::string written = ReadFile(fixture.catalogue);
  EXPECT_NE(written.find("Odd]Set=Odd\\\r\n"), std::string::npos);
  EXPECT_EQ(written.find("[Odd"), std::string::npos);
  EXPECT_EQ(Ini("SetDescriptions", "Forest", fixture.catalogue), "*Forest\\");
}

TEST(Lists, StoredSetNamesAreFoundWhateverTheirCase) {
  KestrinFixture fixture;
  const std::string settings = fixture.settings + "ScreenSaver.ini";
  struct Case {
    const char* ini;
    const char* wallpaperSet;
    const char* saverSet;
    const char* image;
  };
  const Case cases[] = {
      {"[PrefsWP]\r\nrandom=1\r\nCurrentSet=forest\r\nCurrentImage=pine\r\n", "Randomize From All Image Sets",
       "Randomize From All Image Sets", "pine"},
      {"[PrefsWP]\r\nrandom=0\r\nCurrentSet=FOREST\r\n[PrefsSS]\r\nrandom=0\r\nCurrentSet=forest\r\n", "Forest",
       "Forest", "oak"},
  };
  for (const Case& c : cases) {
    WriteFile(settings, std::string("[ScreenSaver]\r\nSetup=1\r\n") + c.ini);
    const std::string stored = ReadFile(settings);
    Dialog dialog;
    dialog->Show();
    EXPECT_EQ(dialog->cmboSets->Text(), c.wallpaperSet) << c.ini;
    EXPECT_EQ(dialog->cmboSS_SetsToUse->Text(), c.saverSet) << c.ini;
    EXPECT_EQ(Entries(*dialog->lstImages), (Names{"oak", "pine"})) << c.ini;
    EXPECT_EQ(dialog->lstImages->List(dialog->lstImages->ListIndex()), c.image) << c.ini;
    EXPECT_EQ(ReadFile(settings), stored) << "nothing is rewritten: " << c.ini;
  }
}

TEST(EditSets, ExcludingTheSetAnotherPageShowsMarksThatPageChanged) {
  KestrinFixture fixture;
  const std::string settings = fixture.settings + "ScreenSaver.ini";
  WriteFile(settings,
            "[ScreenSaver]\r\nSetup=1\r\n[PrefsWP]\r\nrandom=0\r\nCurrentSet=Forest\r\nCurrentImage=oak\r\n"
            "[PrefsSS]\r\nrandom=0\r\nCurrentSet=Forest\r\n");
  Dialog dialog;
  ShowEditSets(dialog, 1);
  ASSERT_EQ(dialog->cmboSS_SetsToUse->Text(), "Forest");

  // Including Blue Sea leaves both pages on Forest: only Edit Sets has changed.
  dialog->lstInactiveSets->SetListIndex(FindIndex(*dialog->lstInactiveSets, "Blue Sea"));
  dialog->cmdMoveSet->click();
  EXPECT_EQ(dialog->PageDirty, (std::array<bool, 4>{false, false, true, false}));

  // Excluding Forest moves both pages to Sea, which their applies must store.
  dialog->PageDirty.fill(false);
  dialog->lstActiveSets->SetListIndex(FindIndex(*dialog->lstActiveSets, "Forest"));
  dialog->cmdMoveSet->click();
  EXPECT_EQ(dialog->cmboSS_SetsToUse->Text(), "Sea");
  EXPECT_EQ(dialog->cmboSets->Text(), "Sea");
  EXPECT_EQ(dialog->PageDirty, (std::array<bool, 4>{true, true, true, false}));
  dialog->SSTabPages->SetTab(frmKestrin::kPageScreenSaver);
  EXPECT_TRUE(dialog->cmdApply->isEnabled());
  dialog->cmdApply->click();
  EXPECT_EQ(Ini("PrefsSS", "CurrentSet", settings), "Sea");
}

TEST(EditSets, AMoveButtonIsEnabledOnlyWhileItsListHasAChoice) {
  KestrinFixture fixture;
  Dialog dialog;
  ShowEditSets(dialog, 1);
  dialog->lstActiveSets->SetListIndex(0);
  ASSERT_TRUE(dialog->cmdMoveSet->isEnabled());

  // An image move refills the set lists, which loses their choice.
  dialog->SSTabEditSets->SetTab(0);
  dialog->lstActiveImages->SetListIndex(0);
  dialog->cmdImageMove->click();
  EXPECT_EQ(dialog->lstActiveSets->SelCount() + dialog->lstInactiveSets->SelCount(), 0);
  EXPECT_FALSE(dialog->cmdMoveSet->isEnabled());

  // And the other way round: a set move keeps no image button without a choice.
  dialog->lstInactiveImages->SetListIndex(0);
  ASSERT_TRUE(dialog->cmdImageMove->isEnabled());
  dialog->SSTabEditSets->SetTab(1);
  dialog->lstInactiveSets->SetListIndex(0);
  dialog->cmdMoveSet->click();
  EXPECT_FALSE(dialog->cmdMoveSet->isEnabled());
  const bool imageChosen =
      dialog->cmdImageMove->Tag == "Include" ? dialog->lstInactiveImages->SelCount() > 0 : dialog->lstActiveImages->SelCount() > 0;
  EXPECT_TRUE(!dialog->cmdImageMove->isEnabled() || imageChosen);
}

TEST(Lists, MoveSelectedPutsTheMovedEntriesOnTopLastFirst) {
  orvane::platform::VbListBox src(nullptr, true), dst(nullptr, true);
  for (const char* text : {"A", "B", "C", "D"}) src.AddItem(text);
  for (int i : {0, 1, 2}) src.SetSelected(i, true);
  dst.AddItem("X");
  frmKestrin::MoveSelected(src, dst);
  EXPECT_EQ(Entries(src), (Names{"D"}));
  EXPECT_EQ(Entries(dst), (Names{"C", "B", "A", "X"}));
  frmKestrin::MoveAll(dst, src);
  EXPECT_EQ(Entries(src), (Names{"D", "C", "B", "A", "X"}));
}

namespace {

// The start procedure's windows with the real settings dialog; the show only
// records that it was reached.
class StartWindows : public orvane::core::WindowFactory {
 public:
  struct Show : orvane::core::SlideShowWindow {
    void ShowModal() override { std::fprintf(stderr, "show reached\n"); }
  };
  orvane::core::SettingsDialogWindow& frmKestrin() override { return kestrin; }
  orvane::core::SlideShowWindow& frmSaver() override { return show; }
  orvane::core::ProgressWindow& frmPleaseWait() override { return progress; }
  void PwdChangePassword(const std::string&) override {}
  bool ModelessWindowOpen() override { return kestrin.isVisible(); }

  RecordingProgress progress;
  orvane::settings::frmKestrin kestrin{&progress};
  Show show;
};

}  // namespace

TEST(Start, SlideShowStartWithoutImageSetsShowsTheMessageAndEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The program ends at once, as it does; the font library's caches are still
  // held then, which a sanitizer build's leak checker would count.
  const char* asan = std::getenv("ASAN_OPTIONS");
  setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":detect_leaks=0").c_str(), 1);
  const fs::path root = MakeTempDir("no-sets");
  UseProgramFolder(root);
  EXPECT_EXIT(
      {
        orvane::platform::SetMessageBoxHandler([](const orvane::platform::MessageBoxCall& call) {
          std::fprintf(stderr, "box: %s | %s\n", call.text.c_str(), call.title.c_str());
          return 1;
        });
        StartWindows windows;
        orvane::core::Main("/s", windows);
        std::fprintf(stderr, "still running\n");
      },
      ::testing::ExitedWithCode(0), "box: Unable to find image sets. PATH = .*no-sets/ \\| ERROR\n$");
}

TEST(Start, SlideShowStartLoadsTheDialogInvisiblyAndReachesTheShow) {
  KestrinFixture fixture;
  StartWindows windows;
  testing::internal::CaptureStderr();
  EXPECT_EQ(orvane::core::Main("/s", windows), orvane::core::StartOutcome::End);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("show reached"), std::string::npos);
  EXPECT_FALSE(windows.kestrin.isVisible());
  EXPECT_FALSE(windows.kestrin.Loaded());
  // The load repaired the catalogue on the way.
  EXPECT_EQ(Ini("SetDescriptions", "Forest", fixture.catalogue), "Forest/");
  EXPECT_EQ(Ini("SetDescriptions", "Gone", fixture.catalogue), "<missing>");
}

// A set whose file is UTF-8 (names windows-1252 cannot hold): the dialog's
// lists show every name as it is, and its rewrite of the catalogue keeps them,
// "?" for none.
TEST(EditSets, NamesOfAnyScriptAreShownAndSavedAsTheyAre) {
  KestrinFixture fixture;
  WriteFile(fixture.root / "Tokyo/images.ini",
            "\xEF\xBB\xBF[SetDescriptions]\r\n\u6771\u4eac=Tokyo/\r\n\r\n[\u6771\u4eac]\r\n"
            "\u591c\u666f=\u591c\u666f.jpg\r\nCaf\u00e9=Caf\u00e9.jpg\r\n\U0001F305 dawn=\U0001F305 dawn.jpg\r\n");
  Dialog dialog;
  ShowEditSets(dialog, 0);
  const std::string tokyo = "\u6771\u4eac";
  dialog->cmboEditSet->SetListIndex(frmKestrin::FindItemIndex(*dialog->cmboEditSet, tokyo));
  ASSERT_EQ(dialog->cmboEditSet->Text(), tokyo);
  ASSERT_EQ(dialog->lstActiveImages->ListCount(), 3);
  std::vector<std::string> shown;
  for (int i = 0; i < 3; ++i) shown.push_back(dialog->lstActiveImages->item(i)->text().toStdString());
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (Names{"Caf\u00e9", "\u591c\u666f", "\U0001F305 dawn"}));

  // Exclude the night view and save.
  const int night = frmKestrin::FindItemIndex(*dialog->lstActiveImages, "\u591c\u666f");
  ASSERT_GE(night, 0);
  dialog->lstActiveImages->SetListIndex(night);
  dialog->cmdImageMove->click();
  dialog->cmdApply->click();
  EXPECT_TRUE(dialog.boxes.empty());
  EXPECT_EQ(Ini(tokyo, "\u591c\u666f", fixture.catalogue), "*\u591c\u666f.jpg");
  EXPECT_EQ(Ini(tokyo, "Caf\xe9", fixture.catalogue), "Caf\xe9.jpg");
  EXPECT_EQ(Ini(tokyo, "\U0001F305 dawn", fixture.catalogue), "\U0001F305 dawn.jpg");
  EXPECT_EQ(Ini("SetDescriptions", tokyo, fixture.catalogue), "Tokyo/");
  EXPECT_EQ(ReadFile(fixture.catalogue).find('?'), std::string::npos);
}
