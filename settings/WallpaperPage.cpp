#include "settings/WallpaperPage.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "core/ImageDescription.h"
#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "platform/screen.h"
#include "platform/vbruntime.h"
#include "settings/frmCredits.h"
#include "settings/Thumbnails.h"
#include "settings/frmCredits.h"
#include "settings/frmKestrin.h"
#include "settings/frmPleaseWait.h"

namespace orvane::settings {

namespace keys = core::settings;
using platform::VbComboBox;
using platform::VbFrame;
using platform::VbLabel;
using platform::VbOptionButton;

namespace {

struct Item {
  const char* text;
  long data;
};

constexpr Item kAutoChange[] = {
    {"Manually", 1},      {"Every Half-hour", 2}, {"Every Hour", 3},    {"Every 2 Hours", 4}, {"Every 4 Hours", 5},
    {"Every 8 Hours", 6}, {"Every Day", 7},       {"Every 2nd Day", 8}, {"Every Week", 9},
};
constexpr Item kCalendarSizes[] = {{"Extra Large", 100}, {"Large", 66}, {"Medium", 33}, {"Small", 20}};
constexpr Item kCalendarPositions[] = {
    {"Top-Left", 1},    {"Top-Center", 2}, {"Top-Right", 3},     {"Center-Left", 4},  {"Center", 5},
    {"Center-Right", 6}, {"Bottom-Left", 7}, {"Bottom-Center", 8}, {"Bottom-Right", 9},
};

template <std::size_t N>
void Fill(VbComboBox& combo, const Item (&items)[N]) {
  combo.Clear();
  for (const Item& item : items) {
    combo.AddItem(item.text);
    combo.SetItemData(combo.NewIndex(), item.data);
  }
}

// The page's calendar when the stored one is not in the lists: "Top-Right"
// and "Small".
constexpr long kDefaultCalendarPosition = 3;
constexpr long kDefaultCalendarSize = 20;

// The item data of the chosen entry; fallback when nothing is chosen.
long ItemDataOfChoice(const VbComboBox& combo, long fallback) {
  const int index = combo.ListIndex();
  return index < 0 ? fallback : combo.ItemData(index);
}

// The first entry whose item data is value; -1 when none.
int IndexOfItemData(const VbComboBox& combo, long value) {
  for (int i = 0; i < combo.ListCount(); ++i)
    if (combo.ItemData(i) == value) return i;
  return -1;
}

// Two option buttons side by side in their frame.
void PlaceOptions(VbFrame* frame, VbOptionButton* on, VbOptionButton* off) {
  auto* layout = new QHBoxLayout(frame);
  layout->addWidget(on);
  layout->addWidget(off);
  layout->addStretch(1);
}

}  // namespace

WallpaperPage::WallpaperPage(frmKestrin& form, QWidget* pageWidget) : form_(form), page_(pageWidget) {
  BuildBasicTab(form_.SSTabWallPaper->Page(0));
  BuildCalendarTab(form_.SSTabWallPaper->Page(1));
  BuildSoundTab(form_.SSTabWallPaper->Page(2));
}

void WallpaperPage::BuildBasicTab(QWidget* tab) {
  auto* grid = new QGridLayout(tab);
  Frame1 = new VbFrame("Wallpaper", tab);
  optWallPaperOnButton = new VbOptionButton("On", Frame1);
  optWallPaperOff = new VbOptionButton("Off", Frame1);
  PlaceOptions(Frame1, optWallPaperOnButton, optWallPaperOff);
  optWallPaperOnButton->Click = [this] { optWallPaperOn_Click(); };
  optWallPaperOff->Click = [this] { optWallPaperOff_Click(); };

  Label20 = new VbLabel("Image set:", tab);
  Label20->SetBuddy(form_.cmboSets);
  Label21 = new VbLabel("Wallpaper Images", tab);
  Label21->SetBuddy(form_.lstImages);
  picThumbNail = new platform::VbPictureBox(tab);
  // Sized now: the lists draw the first thumbnail before the page is shown.
  picThumbNail->setFixedSize(160, 120);
  picThumbNail->Box().Resize(160, 120);
  form_.picThumbNail = picThumbNail;
  cmdImageCredits = new platform::VbCommandButton("Image Info...", tab);
  cmdImageCredits->Click = [this] { ShowWallpaperImageCredits(form_); };
  cmdImageCredits->Click = [this] { ShowWallpaperImageCredits(form_); };
  chkFit2Screen = new platform::VbCheckBox("&Size to fit screen", tab);
  chkFit2Screen->Click = [this] { chkFit2Screen_Click(); };

  frmAutoChange = new VbFrame("Change Wallpaper", tab);
  cmboAutoChange = new VbComboBox(frmAutoChange);
  (new QVBoxLayout(frmAutoChange))->addWidget(cmboAutoChange);
  Fill(*cmboAutoChange, kAutoChange);
  cmboAutoChange->Click = [this] { form_.SetApply(); };

  grid->addWidget(Frame1, 0, 0);
  grid->addWidget(frmAutoChange, 0, 1);
  grid->addWidget(Label20, 1, 0);
  grid->addWidget(form_.cmboSets, 2, 0);
  grid->addWidget(Label21, 3, 0);
  grid->addWidget(form_.lstImages, 4, 0, 3, 1);
  grid->addWidget(picThumbNail, 4, 1, Qt::AlignCenter);
  grid->addWidget(cmdImageCredits, 5, 1);
  grid->addWidget(chkFit2Screen, 6, 1);
  grid->setRowStretch(4, 1);
}

void WallpaperPage::BuildCalendarTab(QWidget* tab) {
  auto* outer = new QVBoxLayout(tab);
  frmCalendarWP = new VbFrame("Calendar", tab);
  outer->addWidget(frmCalendarWP);
  outer->addStretch(1);
  auto* grid = new QGridLayout(frmCalendarWP);
  optWPCalendarOn = new VbOptionButton("On", frmCalendarWP);
  optWPCalendarOff = new VbOptionButton("Off", frmCalendarWP);
  Label2 = new VbLabel("Size:", frmCalendarWP);
  cmboWPCalendarSize = new VbComboBox(frmCalendarWP);
  Label2->SetBuddy(cmboWPCalendarSize);
  Label1 = new VbLabel("Position:", frmCalendarWP);
  cmboWPCalendarPosition = new VbComboBox(frmCalendarWP);
  Label1->SetBuddy(cmboWPCalendarPosition);
  Fill(*cmboWPCalendarSize, kCalendarSizes);
  Fill(*cmboWPCalendarPosition, kCalendarPositions);
  grid->addWidget(optWPCalendarOn, 0, 0);
  grid->addWidget(optWPCalendarOff, 0, 1);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(cmboWPCalendarSize, 1, 1);
  grid->addWidget(Label1, 2, 0);
  grid->addWidget(cmboWPCalendarPosition, 2, 1);
  grid->setColumnStretch(2, 1);
  optWPCalendarOn->Click = [this] { optWPCalendarOn_Click(); };
  optWPCalendarOff->Click = [this] { optWPCalendarOff_Click(); };
  cmboWPCalendarSize->Click = [this] { cmboWPCalendarSize_Click(); };
  cmboWPCalendarPosition->Click = [this] { cmboWPCalendarPosition_Click(); };
}

void WallpaperPage::BuildSoundTab(QWidget* tab) {
  auto* outer = new QVBoxLayout(tab);
  framWPSound = new VbFrame("Sound", tab);
  optSndOnWP = new VbOptionButton("On", framWPSound);
  optSndOffWP = new VbOptionButton("Off", framWPSound);
  PlaceOptions(framWPSound, optSndOnWP, optSndOffWP);
  lblWPNoSound = new VbLabel("No Sound available", tab);
  outer->addWidget(framWPSound);
  outer->addWidget(lblWPNoSound);
  outer->addStretch(1);
  optSndOnWP->Click = [this] { form_.SetApply(); };
  optSndOffWP->Click = [this] { form_.SetApply(); };
  // The set lists decide which of the two shows.
  form_.framWPSound = framWPSound;
  form_.optSndOnWP = optSndOnWP;
  form_.optSndOffWP = optSndOffWP;
  form_.lblWPNoSound = lblWPNoSound;
}

// ---- Loading ----

int WallpaperPage::FindAutoChangeIndex(long value) const {
  for (int i = 0; i < cmboAutoChange->ListCount(); ++i)
    if (cmboAutoChange->ItemData(i) == value) return i;
  return 0;
}

void WallpaperPage::InitWallpaperPage() {
  const std::string& file = form_.SettingsFile;
  auto read = [&file](const keys::IniKey& key, long fallback) {
    return core::GetIniInt(key.section, key.key, fallback, file);
  };
  chkFit2Screen->SetValue(read(keys::kPrefsWP_Stretch, keys::kDialogDefault_PrefsWP_Stretch) != 0 ? 1 : 0);
  cmboAutoChange->SetListIndex(FindAutoChangeIndex(read(keys::kPrefsWP_Change, keys::kDialogDefault_PrefsWP_Change)));
  if (read(keys::kPrefsWP_Enable, keys::kDialogDefault_PrefsWP_Enable) != 0) optWallPaperOnButton->SetValue(true);
  else optWallPaperOff->SetValue(true);
  if (read(keys::kPrefsWP_Sound, keys::kDialogDefault_PrefsWP_Sound) != 0) optSndOnWP->SetValue(true);
  else optSndOffWP->SetValue(true);

  WPCalendarOn = read(keys::kCalendarWP_Enable, keys::kDialogDefault_CalendarWP_Enable) != 0;
  WPCalendarPosition = int(read(keys::kCalendarWP_Position, keys::kDialogDefault_CalendarWP_Position));
  WPCalendarSize = int(read(keys::kCalendarWP_Size, keys::kDialogDefault_CalendarWP_Size));
  if (WPCalendarOn) {
    optWPCalendarOn->SetValue(true);
    optWPCalendarOff->SetValue(false);
  } else {
    optWPCalendarOff->SetValue(true);
    optWPCalendarOn->SetValue(false);
  }
  // A position or size outside the lists shows the page's default, so the
  // calendar the page stores is the one it shows.
  long position = read(keys::kCalendarWP_Position, keys::kDialogDefault_CalendarWP_PositionList);
  if (IndexOfItemData(*cmboWPCalendarPosition, position) < 0) position = kDefaultCalendarPosition;
  cmboWPCalendarPosition->SetListIndex(IndexOfItemData(*cmboWPCalendarPosition, position));

  long size = read(keys::kCalendarWP_Size, keys::kDialogDefault_CalendarWP_Size);
  // Below 20 the stored size is the old form: a 1-based list index.
  if (size < 20) {
    const long index = size - 1;
    size = index >= 0 && index < long(form_.CalendarSizeTable.size()) ? form_.CalendarSizeTable[std::size_t(index)]
                                                                        : kDefaultCalendarSize;
  }
  if (IndexOfItemData(*cmboWPCalendarSize, size) < 0) size = kDefaultCalendarSize;
  cmboWPCalendarSize->SetListIndex(IndexOfItemData(*cmboWPCalendarSize, size));
}

// ---- Handlers ----

void WallpaperPage::optWallPaperOn_Click() {
  form_.SetApply();
  form_.WPImageReset = true;
  frmAutoChange->SetEnabled(true);
  EnableWallpaperControls(true);
}

void WallpaperPage::optWallPaperOff_Click() {
  form_.SetApply();
  form_.WPImageReset = true;
  frmAutoChange->SetEnabled(false);
  EnableWallpaperControls(false);
}

void WallpaperPage::optWPCalendarOn_Click() {
  WPCalendarOn = optWPCalendarOn->Value();
  form_.WPImageReset = true;
  form_.SetApply();
}

void WallpaperPage::optWPCalendarOff_Click() {
  WPCalendarOn = optWPCalendarOn->Value();
  form_.WPImageReset = true;
  form_.SetApply();
}

void WallpaperPage::cmboWPCalendarPosition_Click() {
  WPCalendarPosition = int(ItemDataOfChoice(*cmboWPCalendarPosition, kDefaultCalendarPosition));
  form_.WPImageReset = true;
  form_.SetApply();
}

void WallpaperPage::cmboWPCalendarSize_Click() {
  WPCalendarSize = int(ItemDataOfChoice(*cmboWPCalendarSize, kDefaultCalendarSize));
  form_.WPImageReset = true;
  form_.SetApply();
}

void WallpaperPage::chkFit2Screen_Click() {
  form_.WPImageReset = true;
  form_.SetApply();
}

void WallpaperPage::EnableWallpaperControls(bool enabled) {
  cmboAutoChange->SetEnabled(enabled);
  form_.cmboSets->SetEnabled(enabled);
  if (form_.cmboSets->ListIndex() == -1 && form_.cmboSets->ListCount() > 0) form_.cmboSets->SetListIndex(0);
  const bool randomize = form_.cmboSets->Text() == kRandomizeAllSets;
  if (enabled && !randomize) {
    // The set's thumbnail beside each image, or the picture for none.
    if (form_.WallpaperThumbnail) {
      form_.WallpaperThumbnail();
    } else if (ShowThumbnailFile(picThumbNail->Box(), core::OpenableSetPath(form_.WPImagePath + ".bmp")) != 0) {
      picThumbNail->Box().SetPicture(NoThumbnailPicture(picThumbNail->width(), picThumbNail->height()));
    }
    picThumbNail->Box().Refresh();
  }
  chkFit2Screen->SetEnabled(enabled);
  cmdImageCredits->SetEnabled(enabled);
  if (!randomize) form_.lstImages->SetEnabled(enabled);
}

bool WallpaperPage::optWallPaperOn() const { return optWallPaperOnButton->Value(); }

// ---- The wallpaper ----

void WallpaperPage::NextWallpaperImage() {
  platform::Randomize();
  VbComboBox& sets = *form_.cmboSets;
  if (sets.ListIndex() == 0 && sets.Text() == kRandomizeAllSets && sets.ListCount() > 1) {
    // A set chosen uniformly among the entries after the Randomize one.
    const int n = sets.ListCount();
    sets.SetListIndex(std::min(int(platform::Int(double(platform::Rnd()) * (n - 1))) + 1, n - 1));
  }
  platform::VbListBox& images = *form_.lstImages;
  const int m = images.ListCount();
  if (m > 0) {
    int k = int(platform::Int(double(platform::Rnd()) * m));
    if (k >= m) k = m - 1;
    images.SetListIndex(k);
  }
  WPAutoChange = true;
  SetWallpaper();
}

WallpaperJob WallpaperPage::Job() const {
  WallpaperJob job;
  job.SettingsFolder = form_.SettingsFolder;
  job.SettingsFile = form_.SettingsFile;
  job.WPImagePath = form_.WPImagePath;
  job.WPSetFolder = form_.WPSetFolder;
  job.WallpaperOn = optWallPaperOnButton->Value();
  job.Fit2Screen = chkFit2Screen->Value() == 1;
  job.PreviewWidth = form_.PreviewWidth;
  job.PreviewHeight = form_.PreviewHeight;
  if (QGuiApplication::primaryScreen() != nullptr) {
    // The screen's size in device pixels.
    const platform::ScreenPixels screen = platform::PrimaryScreenPixels();
    job.ScreenWidth = screen.Width;
    job.ScreenHeight = screen.Height;
  }
  job.BitsPerPixel = platform::ScreenBitsPerPixel();
  job.WPCalendarOn = WPCalendarOn;
  job.WPCalendarPosition = WPCalendarPosition;
  job.WPCalendarSize = WPCalendarSize;
  return job;
}

WallpaperKeys WallpaperPage::Keys() const {
  WallpaperKeys k;
  k.WPAutoChange = WPAutoChange;
  k.Random = form_.cmboSets->Text() == kRandomizeAllSets;
  k.CurrentSet = form_.cmboSets->Text();
  k.CurrentImage = form_.lstImages->List(form_.lstImages->ListIndex());
  k.Stretch = chkFit2Screen->Value();
  k.WallpaperOn = optWallPaperOnButton->Value();
  k.Change = ItemDataOfChoice(*cmboAutoChange, keys::kDialogDefault_PrefsWP_Change);
  k.CalendarOn = optWPCalendarOn->Value();
  k.CalendarPosition = ItemDataOfChoice(*cmboWPCalendarPosition, kDefaultCalendarPosition);
  k.CalendarSize = ItemDataOfChoice(*cmboWPCalendarSize, kDefaultCalendarSize);
  k.SoundOn = optSndOnWP->Value();
  return k;
}

bool WallpaperPage::SetWallpaper() {
  frmPleaseWait& progress = PleaseWait();
  const StatusProc status = [&progress](const std::string& text) {
    if (progress.Loaded()) progress.SetStatus(QString::fromStdString(text));
  };
  const WallpaperOutcome outcome = BuildAndSetWallpaper(Job(), Keys(), form_.WPImageReset, status);
  if (outcome.result == WallpaperResult::Failed) {
    // Someone at the dialog gets the boxes; a run for the changer must not wait.
    ReportWallpaperFailure(outcome.failedStep, form_.isVisible(), outcome.reason);
    return false;
  }
  if (outcome.result == WallpaperResult::Applied) form_.UpdateWinIni();
  if (!outcome.notSaved.empty()) {
    // As a failed render is reported: a box at the dialog, a line on standard
    // error and in the log for a run of the changer. A render stays due, so
    // that the next apply stores LastChanged with the keys.
    ReportNotSaved(outcome.notSaved, &form_);
    return false;
  }
  form_.WPImageReset = false;
  return true;
}

}  // namespace orvane::settings
