// The set and image lists of the settings dialog: filled at load, refilled
// after every include or exclude, the move buttons' captions, and the moves by
// right-button drag between an "included" list and its "excluded" partner.
#include <cmath>
#include <exception>

#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "settings/CatalogueFile.h"
#include "settings/ScreenSaverPage.h"
#include "settings/frmKestrin.h"

namespace orvane::settings {

namespace keys = core::settings;
using platform::VbListBox;

namespace {

// Strictly more than this many twips of movement with the right button starts
// a drag (the mouse events' units).
constexpr float kDragThreshold = 50;

// The VB button value the drag code passes from MouseDown to MouseMove to mean
// "remember the start point".
constexpr int kRecordStart = 99;

bool Excluded(const std::string& value) { return !value.empty() && value.front() == keys::kExcludedMarker; }

}  // namespace

void frmKestrin::InitLists() {
  FillList(*cmboSets, Sets.IncludedCollection());
  FillList(*cmboEditSet, Sets.IncludedCollection());
  FillList(*lstActiveSets, Sets.IncludedCollection());
  FillList(*lstInactiveSets, Sets.ExcludedCollection());
  FillList(*cmboSS_SetsToUse, Sets.IncludedCollection());
  FillList(*cmboAboutSets, Sets.IncludedCollection());

  if (cmboSets->ListCount() >= 2) {
    cmboSets->AddItem(kRandomizeAllSets, 0);
    cmboSS_SetsToUse->AddItem(kRandomizeAllSets, 0);
    if (core::GetIniInt(keys::kPrefsWP_Random.section, keys::kPrefsWP_Random.key, 1, SettingsFile) != 0) {
      cmboSets->SetListIndex(0);
      WallpaperAllSets = true;
    } else {
      const int index = FindItemIndex(*cmboSets, ListedSetName(core::GetIniString(
                                                     keys::kPrefsWP_CurrentSet.section, keys::kPrefsWP_CurrentSet.key,
                                                     "", SettingsFile)));
      if (index > -1) cmboSets->SetListIndex(index);
      WallpaperAllSets = false;
    }
  } else if (cmboSets->ListCount() == 1) {
    const int index = FindItemIndex(*cmboSets, ListedSetName(core::GetIniString(keys::kPrefsWP_CurrentSet.section,
                                                                                 keys::kPrefsWP_CurrentSet.key, "",
                                                                                 SettingsFile)));
    if (index > -1) cmboSets->SetListIndex(index);
  }

  // An empty combo box gets no choice (there is no entry 0 to choose).
  if (cmboEditSet->ListCount() > 0) cmboEditSet->SetListIndex(0);
  if (cmboAboutSets->ListCount() > 0) cmboAboutSets->SetListIndex(0);

  if (lstActiveSets->ListCount() > 0) lstActiveSets->SetListIndex(0);
  else if (lstInactiveSets->ListCount() > 0) lstInactiveSets->SetListIndex(0);
  UpdateListCaptions();
}

std::string frmKestrin::ListedSetName(const std::string& stored) const {
  const auto set = Sets.GetSet(stored);
  return set ? set->SetName() : stored;
}

void frmKestrin::UpdateLists() {
  const std::string wallpaperSet = cmboSets->Text();
  const std::string saverSet = cmboSS_SetsToUse->Text();
  const std::string editSet = cmboEditSet->Text();

  FillList(*cmboSets, Sets.IncludedCollection());
  FillList(*cmboEditSet, Sets.IncludedCollection());
  FillList(*lstActiveSets, Sets.IncludedCollection());
  FillList(*lstInactiveSets, Sets.ExcludedCollection());
  FillList(*cmboSS_SetsToUse, Sets.IncludedCollection());
  UpdateListCaptions();

  auto indexOr = [](const platform::VbComboBox& combo, const std::string& text, int fallback) {
    const int index = FindItemIndex(combo, text);
    return index > -1 ? index : fallback;
  };
  if (cmboSets->ListCount() >= 2) {
    cmboSets->AddItem(kRandomizeAllSets, 0);
    cmboSS_SetsToUse->AddItem(kRandomizeAllSets, 0);
    cmboSets->SetListIndex(WallpaperAllSets ? 0 : indexOr(*cmboSets, wallpaperSet, 1));
    cmboSS_SetsToUse->SetListIndex(PreviewAllSets ? 0 : indexOr(*cmboSS_SetsToUse, saverSet, 1));
    cmboEditSet->SetListIndex(indexOr(*cmboEditSet, editSet, 0));
  } else if (cmboSets->ListCount() == 1) {
    cmboSets->SetListIndex(indexOr(*cmboSets, wallpaperSet, 0));
    cmboSS_SetsToUse->SetListIndex(indexOr(*cmboSS_SetsToUse, saverSet, 0));
    cmboEditSet->SetListIndex(indexOr(*cmboEditSet, editSet, 0));
  } else {
    cmboSets_Click();
    if (screenSaverPage) screenSaverPage->cmboSS_SetsToUse_Click();
    cmboEditSet_Click();
  }

  // A set that left the lists takes another page's choice with it: that page
  // now holds a change of its own, which its apply must store.
  if (cmboSS_SetsToUse->Text() != saverSet) MarkPageDirty(kPageScreenSaver);
  if (cmboSets->Text() != wallpaperSet) MarkPageDirty(kPageWallpaper);
  // A refilled list has lost its choice, and a move button acts on a choice.
  DisableMoveButtonWithoutChoice(*cmdImageMove, *lstActiveImages, *lstInactiveImages);
  DisableMoveButtonWithoutChoice(*cmdMoveSet, *lstActiveSets, *lstInactiveSets);
}

void frmKestrin::DisableMoveButtonWithoutChoice(platform::VbCommandButton& button, const VbListBox& included,
                                                const VbListBox& excluded) {
  const VbListBox& list = button.Tag == "Include" ? excluded : included;
  if (list.SelCount() == 0) button.SetEnabled(false);
}

void frmKestrin::UpdateListCaptions() {
  auto caption = [](const char* what, int count) { return std::string(what) + " (" + std::to_string(count) + ")"; };
  Label11->SetCaption(caption("Included images", lstActiveImages->ListCount()));
  Label12->SetCaption(caption("Excluded images", lstInactiveImages->ListCount()));
  Label13->SetCaption(caption("Included sets", lstActiveSets->ListCount()));
  Label14->SetCaption(caption("Excluded sets", lstInactiveSets->ListCount()));
}

void frmKestrin::GetImageList(const std::string& setName) {
  auto selectCurrentImage = [this] {
    const std::string current =
        core::GetIniString(keys::kPrefsWP_CurrentImage.section, keys::kPrefsWP_CurrentImage.key, "", SettingsFile);
    const int index = FindItemIndex(*lstImages, current);
    if (index > -1) lstImages->SetListIndex(index);
    else if (lstImages->ListCount() > 0) lstImages->SetListIndex(0);
  };
  auto soundOptions = [this](bool enabled, const char* message) {
    for (QWidget* control : std::initializer_list<QWidget*>{framWPSound, optSndOnWP, optSndOffWP})
      if (control) control->setEnabled(enabled);
    if (lblWPNoSound) lblWPNoSound->SetCaption(enabled ? "" : message);
  };

  if (setName == kRandomizeAllSets) {
    lstImages->SetEnabled(false);
    const IniSnapshot catalogue(CatalogueFile);
    const std::string currentSet =
        core::GetIniString(keys::kPrefsWP_CurrentSet.section, keys::kPrefsWP_CurrentSet.key, "", SettingsFile);
    std::shared_ptr<core::SetInfoClass> set;
    if (!currentSet.empty() && !Excluded(catalogue.Value(keys::kSectionSetDescriptions, currentSet)))
      set = Sets.GetSet(currentSet);
    if (set) {
      const std::string image =
          core::GetIniString(keys::kPrefsWP_CurrentImage.section, keys::kPrefsWP_CurrentImage.key, "", SettingsFile);
      WPImagePath = set->FolderPath(ImageSetRoot) + catalogue.Value(set->SetName(), image);
    } else {
      // The first included set of the catalogue that the dialog knows, in one
      // pass; none at all leaves the image list empty.
      for (const std::string& name : catalogue.Keys(keys::kSectionSetDescriptions)) {
        if (Excluded(catalogue.Value(keys::kSectionSetDescriptions, name))) continue;
        set = Sets.GetSet(name);
        if (set) break;
      }
      if (!set) {
        lstImages->Clear();
        if (picThumbNail) picThumbNail->ClearPicture();
        soundOptions(false, "None of the installed image sets have sound.");
        return;
      }
      const std::vector<std::string> images = catalogue.Keys(set->SetName());
      const std::string image = images.empty() ? std::string() : images.front();
      WPImagePath = set->FolderPath(ImageSetRoot) + catalogue.Value(set->SetName(), image);
      core::WriteIni(keys::kPrefsWP_CurrentSet.section, keys::kPrefsWP_CurrentSet.key, set->SetName(), SettingsFile);
      core::WriteIni(keys::kPrefsWP_CurrentImage.section, keys::kPrefsWP_CurrentImage.key, image, SettingsFile);
    }
    set->GetIncludedImages(*lstImages);
    selectCurrentImage();
    bool anySound = false;
    for (int i = 1; i < cmboSets->ListCount() && !anySound; ++i) {
      const auto listed = Sets.GetSet(cmboSets->List(i));
      anySound = listed && listed->HasSound;
    }
    soundOptions(anySound, "None of the installed image sets have sound.");
    return;
  }
  if (setName.empty()) {
    lstImages->Clear();
    if (picThumbNail) picThumbNail->ClearPicture();
    return;
  }
  const auto set = Sets.GetSet(setName);
  if (!set) {
    lstImages->Clear();
    return;
  }
  set->GetIncludedImages(*lstImages);
  selectCurrentImage();
  soundOptions(set->HasSound, "The selected image set does not have sound.");
  lstImages->SetEnabled(true);
}

void frmKestrin::cmboSets_Click() {
  GetImageList(cmboSets->Text());
  WPImageReset = true;
  SetApply();
  if (lstImages->isVisible() && lstImages->isEnabled()) lstImages->setFocus();
}

void frmKestrin::cmboEditSet_Click() {
  try {
    if (cmboEditSet->ListIndex() == -1) {
      lstActiveImages->Clear();
      lstInactiveImages->Clear();
      UpdateListCaptions();
      return;
    }
    const auto set = Sets.GetSet(cmboEditSet->Text());
    if (!set) return;
    {
      // Showing the set's switch is no change of it.
      refreshingTitleBox_ = true;
      if (set->UserControl && set->HasTitlePage) {
        chkShowTitlePage->SetEnabled(true);
        chkShowTitlePage->SetValue(set->ShowTitlePage ? 1 : 0);
      } else {
        chkShowTitlePage->SetEnabled(false);
        chkShowTitlePage->SetValue(0);
      }
      refreshingTitleBox_ = false;
    }
    set->GetIncludedImages(*lstActiveImages);
    set->GetExcludedImages(*lstInactiveImages);
    UpdateListCaptions();
    if (lstActiveImages->ListCount() > 0) lstActiveImages->SetListIndex(0);
    else if (lstInactiveImages->ListCount() > 0) lstInactiveImages->SetListIndex(0);
  } catch (const std::exception&) {
    refreshingTitleBox_ = false;
  }
}

void frmKestrin::lstImages_Click() {
  const int index = lstImages->ListIndex();
  std::shared_ptr<core::SetInfoClass> set;
  std::string imageName;
  if (cmboSets->Text() == kRandomizeAllSets) {
    const std::string currentSet =
        core::GetIniString(keys::kPrefsWP_CurrentSet.section, keys::kPrefsWP_CurrentSet.key, "", SettingsFile);
    if (!currentSet.empty()) {
      set = LocateSet(currentSet);
      imageName = lstImages->List(index);
    } else {
      set = cmboSets->ListCount() > 1 ? Sets.GetSet(cmboSets->List(1)) : nullptr;
      imageName = lstImages->List(0);
    }
  } else {
    set = LocateSet(cmboSets->Text());
    imageName = lstImages->List(index);
  }
  if (!set) return;
  const auto image = set->FindImage(imageName);
  if (!image) return;
  WPSetFolder = set->FolderPath(ImageSetRoot);
  WPImagePath = WPSetFolder + image->FileName();
  WPImageName = lstImages->List(index);
  if (WallpaperThumbnail) WallpaperThumbnail();
  if (core::GetIniString(keys::kPrefsWP_CurrentImage.section, keys::kPrefsWP_CurrentImage.key, "", SettingsFile) !=
      WPImageName) {
    WPImageReset = true;
    SetApply();
  }
}

// The four lists' Click: the move button's caption and mode from the
// selection, the partner list cleared, the preview of the entry chosen.
void frmKestrin::ListClick(VbListBox& list, VbListBox& partner, platform::VbCommandButton& button,
                           const char* one, const char* many, const char* mode, bool setList) {
  if (DeselectActive) return;
  if (setList) tmrEditSetsThumbnailChanger.SetEnabled(false);
  const int selected = list.SelCount();
  if (selected == 1) button.SetCaption(one);
  else if (selected >= 2) button.SetCaption(many);
  if (selected > 0) button.Tag = mode;
  DeselectList(partner);
  if (selected == 0) {
    button.SetEnabled(false);
    if (setList) {
      picEditSetsThumbnail->ClearPicture();
      tmrEditSetsThumbnailChanger.SetEnabled(false);
    } else {
      picImageEditThumbNail->ClearPicture();
    }
    return;
  }
  button.SetEnabled(true);
  if (setList) {
    const int index = list.ListIndex();
    EditPreviewSet = index >= 0 ? LocateSet(list.List(index)) : nullptr;
    tmrEditSetsThumbnailChanger.SetInterval(250);
    tmrEditSetsThumbnailChanger.SetEnabled(true);
  } else if (ImageListThumbnail) {
    ImageListThumbnail(list);
  }
}

void frmKestrin::lstActiveImages_Click() {
  ListClick(*lstActiveImages, *lstInactiveImages, *cmdImageMove, "Exclude Image", "Exclude Images", "Exclude", false);
}

void frmKestrin::lstInactiveImages_Click() {
  ListClick(*lstInactiveImages, *lstActiveImages, *cmdImageMove, "Include Image", "Include Images", "Include", false);
}

void frmKestrin::lstActiveSets_Click() {
  ListClick(*lstActiveSets, *lstInactiveSets, *cmdMoveSet, "Exclude Set", "Exclude Sets", "Exclude", true);
}

void frmKestrin::lstInactiveSets_Click() {
  ListClick(*lstInactiveSets, *lstActiveSets, *cmdMoveSet, "Include Set", "Include Sets", "Include", true);
}

// ---- Right-button drag -------------------------------------------------------

void frmKestrin::WireDrag(VbListBox& list, int slot) {
  list.MouseDown = [this, &list, slot](int button, int, float x, float y) {
    if (button == 2) ListMouseMove(list, slot, kRecordStart, x, y);
  };
  list.MouseMove = [this, &list, slot](int button, int, float x, float y) { ListMouseMove(list, slot, button, x, y); };
  list.DragDrop = [this, &list](QWidget* source, float, float) { ListDragDrop(list, source); };
}

void frmKestrin::ListMouseMove(VbListBox& list, int slot, int button, float x, float y) {
  Point& start = DragStart[static_cast<std::size_t>(slot)];
  if (button == kRecordStart) {
    start = {x, y};
  } else if (button == 2 && start.X != -1) {
    if ((std::fabs(start.X - x) > kDragThreshold || std::fabs(start.Y - y) > kDragThreshold) &&
        list.SelCount() != 0) {
      list.Drag(1);
      start.X = -1;
    }
  }
}

void frmKestrin::ListDragDrop(VbListBox& target, QWidget* source) {
  const std::string setName = cmboEditSet->Text();
  if (&target == lstActiveImages && source == lstInactiveImages) {
    IncludeImages(setName, *lstInactiveImages);
    MoveSelected(*lstInactiveImages, *lstActiveImages);
    cmdImageMove->SetEnabled(false);
    UpdateLists();
    SetApply();
  } else if (&target == lstInactiveImages && source == lstActiveImages) {
    ExcludeImages(setName, *lstActiveImages);
    MoveSelected(*lstActiveImages, *lstInactiveImages);
    cmdImageMove->SetEnabled(false);
    UpdateLists();
    SetApply();
  } else if (&target == lstActiveSets && source == lstInactiveSets) {
    tmrEditSetsThumbnailChanger.SetEnabled(false);
    picEditSetsThumbnail->ClearPicture();
    IncludeSets(*lstInactiveSets);
    MoveSelected(*lstInactiveSets, *lstActiveSets);
    cmdMoveSet->SetEnabled(false);
    UpdateLists();
  } else if (&target == lstInactiveSets && source == lstActiveSets) {
    tmrEditSetsThumbnailChanger.SetEnabled(false);
    picEditSetsThumbnail->ClearPicture();
    ExcludeSets(*lstActiveSets);
    MoveSelected(*lstActiveSets, *lstInactiveSets);
    cmdMoveSet->SetEnabled(false);
    UpdateLists();
  }
}

}  // namespace orvane::settings
