#include "settings/ScreenSaverPage.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/ImageDescription.h"
#include "core/mdlMain.h"
#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/msgbox.h"
#include "platform/session_lock.h"
#include "saver/frmSaver.h"
#include "settings/AboutPage.h"
#include "settings/Thumbnails.h"
#include "settings/frmKestrin.h"

namespace orvane::settings {

using platform::VbCheckBox;
using platform::VbComboBox;
using platform::VbFrame;
using platform::VbLabel;
using platform::VbOptionButton;
using platform::VbSpinBox;

namespace {

constexpr const char* kTransitionNames[kTransitionCount] = {
    "No Transitions",         "All Transitions",       "Vertical Blinds", "Horizontal Blinds",
    "Vertical Sweep",         "Horizontal Sweep",      "Boxed In",        "Horizontal Center Sweep",
    "Vertical Center Sweep",  "Block Out",             "Fast Block Out"};
constexpr const char* kCalendarSizeNames[] = {"Extra Large", "Large", "Medium", "Small"};
constexpr const char* kCalendarPositionNames[kCalendarPositionCount] = {
    "Top-Left",   "Top-Center", "Top-Right",     "Center-Left", "Center",
    "Center-Right", "Bottom-Left", "Bottom-Center", "Bottom-Right"};
constexpr const char* kSetHasNoSound = "The selected image set does not have sound.";
constexpr const char* kNoSetHasSound = "None of the installed image sets have sound.";

// Two option buttons in a frame of their own, side by side.
VbFrame* OnOffFrame(const char* caption, QWidget* parent, VbOptionButton*& on, VbOptionButton*& off,
                    const char* onCaption = "On", const char* offCaption = "Off") {
  auto* frame = new VbFrame(caption, parent);
  on = new VbOptionButton(onCaption, frame);
  off = new VbOptionButton(offCaption, frame);
  auto* row = new QHBoxLayout(frame);
  row->addWidget(on);
  row->addWidget(off);
  row->addStretch(1);
  return frame;
}

void DefaultPreview(const PreviewValues& v) {
  saver::frmSaver show;
  show.InitiSaver(v.ImageSetRoot, v.CatalogueFile, v.SettingsFile, v.CurrentSet, v.RandomAll, v.Delay, v.Minutes,
                  v.Language, v.Titles, v.Text, v.InfoTime, v.Transition, v.PanSpeed, v.Stretch, v.CalendarOn,
                  v.CalendarSize, v.CalendarPosition, v.PanOn, v.SoundOn, v.SoundLooping, v.WebLinksOn);
  core::HideMouse();
  show.ShowModal();
}

}  // namespace

ScreenSaverPage::ScreenSaverPage(frmKestrin& form, QWidget* pageWidget)
    : RunPreview(DefaultPreview), form_(form), page_(pageWidget) {
  BuildOnOff(page_);
  BuildBasicSettings(form_.SSTabScreenSaver->Page(0));
  BuildCalendar(form_.SSTabScreenSaver->Page(1));
  BuildSound(form_.SSTabScreenSaver->Page(2));
  BuildVeloscan(form_.SSTabScreenSaver->Page(3));
  BuildSkiplink(form_.SSTabScreenSaver->Page(4));
  form_.picSSThumbNail = picSSThumbNail;
  thumbnails_ = std::make_unique<Thumbnails>(form_);
  Wire();
}

ScreenSaverPage::~ScreenSaverPage() = default;

// ---------------------------------------------------------------------------
// Controls

void ScreenSaverPage::BuildOnOff(QWidget* page) {
  auto* row = new QHBoxLayout;
  SSFrame1 = OnOffFrame("Screen Saver", page, optSS_State[1], optSS_State[0]);
  frmSaverDelay = new VbFrame("Start After", page);
  nbsSaverDelay = new VbSpinBox(frmSaverDelay, 0, kSaverDelayMax);
  Label17 = new VbLabel("Minutes", frmSaverDelay);
  auto* delay = new QHBoxLayout(frmSaverDelay);
  delay->addWidget(nbsSaverDelay);
  delay->addWidget(Label17);
  delay->addStretch(1);
  row->addWidget(SSFrame1, 1);
  row->addWidget(frmSaverDelay, 1);
  // Said before the user relies on the password: where this session cannot hold it.
  lblSessionCannotHold = new VbLabel(platform::SessionCannotHoldPasswordNote(), page);
  lblSessionCannotHold->setWordWrap(true);
  lblSessionCannotHold->setVisible(!lblSessionCannotHold->Caption().empty());
  if (auto* layout = qobject_cast<QVBoxLayout*>(page->layout())) {
    layout->insertLayout(0, row);
    layout->insertWidget(1, lblSessionCannotHold);
  }
}

void ScreenSaverPage::BuildBasicSettings(QWidget* tab) {
  auto* columns = new QHBoxLayout(tab);
  SSFrame2 = new VbFrame("Configuration", tab);
  auto* grid = new QGridLayout(SSFrame2);

  SSLabel1 = new VbLabel("&Image set:", SSFrame2);
  form_.cmboSS_SetsToUse->setParent(SSFrame2);
  SSLabel1->SetBuddy(form_.cmboSS_SetsToUse);
  grid->addWidget(SSLabel1, 0, 0);
  grid->addWidget(form_.cmboSS_SetsToUse, 0, 1, 1, 2);

  framSSTimeBetween = new VbFrame("Time between images", SSFrame2);
  nbsImageDelay = new VbSpinBox(framSSTimeBetween, kImageDelayMin, kImageDelayMax);
  optSSSeconds = new VbOptionButton("&Seconds", framSSTimeBetween);
  optSSMinutes = new VbOptionButton("&Minutes", framSSTimeBetween);
  auto* between = new QHBoxLayout(framSSTimeBetween);
  between->addWidget(nbsImageDelay);
  between->addWidget(optSSSeconds);
  between->addWidget(optSSMinutes);
  between->addStretch(1);
  grid->addWidget(framSSTimeBetween, 1, 0, 1, 3);

  SSLabel5 = new VbLabel("&Transition effects:", SSFrame2);
  cmboTransitions = new VbComboBox(SSFrame2);
  for (const char* name : kTransitionNames) cmboTransitions->AddItem(name);
  SSLabel5->SetBuddy(cmboTransitions);
  grid->addWidget(SSLabel5, 2, 0);
  grid->addWidget(cmboTransitions, 2, 1, 1, 2);

  SSFrame3 = new VbFrame("Image Information", SSFrame2);
  auto* info = new QGridLayout(SSFrame3);
  chkShowTitles = new VbCheckBox("Show Titles", SSFrame3);
  chkShowDescriptive = new VbCheckBox("Show info panel", SSFrame3);
  Label15 = new VbLabel("Info panel shows for:", SSFrame3);
  nbsInfoPanelShows = new VbSpinBox(SSFrame3, kInfoPanelShowsMin, kInfoPanelShowsMax);
  Label16 = new VbLabel("seconds", SSFrame3);
  SSLabel4 = new VbLabel("Info panel &language:", SSFrame3);
  cmboSSLanguage = new VbComboBox(SSFrame3);
  for (const char* name : core::kLanguageTable) cmboSSLanguage->AddItem(name);
  SSLabel4->SetBuddy(cmboSSLanguage);
  info->addWidget(chkShowTitles, 0, 0);
  info->addWidget(chkShowDescriptive, 0, 1, 1, 2);
  info->addWidget(Label15, 1, 0);
  info->addWidget(nbsInfoPanelShows, 1, 1);
  info->addWidget(Label16, 1, 2);
  info->addWidget(SSLabel4, 2, 0);
  info->addWidget(cmboSSLanguage, 2, 1, 1, 2);
  info->setColumnStretch(2, 1);
  grid->addWidget(SSFrame3, 3, 0, 1, 3);

  chkSSFit2Screen = new VbCheckBox("&Size to fit screen", SSFrame2);
  grid->addWidget(chkSSFit2Screen, 4, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(5, 1);
  columns->addWidget(SSFrame2, 1);

  // The thumbnail in its monitor frame, and the preview button below it.
  auto* right = new QVBoxLayout;
  picSSMonitor = new QWidget(tab);
  picSSMonitor->setFixedSize(184, 150);
  picSSMonitor->setAutoFillBackground(true);
  QPalette bezel = picSSMonitor->palette();
  bezel.setColor(QPalette::Window, QColor(58, 60, 66));
  picSSMonitor->setPalette(bezel);
  picSSThumbNail = new platform::VbPictureBox(picSSMonitor);
  picSSThumbNail->setGeometry(12, 12, 160, 120);
  cmdSSPreview = new platform::VbCommandButton("&Preview", tab);
  right->addWidget(picSSMonitor, 0, Qt::AlignHCenter);
  right->addWidget(cmdSSPreview, 0, Qt::AlignHCenter);
  right->addStretch(1);
  columns->addLayout(right);
}

void ScreenSaverPage::BuildCalendar(QWidget* tab) {
  auto* column = new QVBoxLayout(tab);
  frmCalendar = OnOffFrame("Calendar", tab, optCalendarOn, optCalendarOff);
  auto* grid = new QGridLayout;
  Label18 = new VbLabel("Si&ze:", tab);
  cmboCalendarSize = new VbComboBox(tab);
  for (std::size_t i = 0; i < kCalendarSizes.size(); ++i) {
    cmboCalendarSize->AddItem(kCalendarSizeNames[i]);
    cmboCalendarSize->SetItemData(cmboCalendarSize->NewIndex(), kCalendarSizes[i]);
  }
  Label19 = new VbLabel("P&osition:", tab);
  cmboCalendarPosition = new VbComboBox(tab);
  for (int i = 0; i < kCalendarPositionCount; ++i) {
    cmboCalendarPosition->AddItem(kCalendarPositionNames[i]);
    cmboCalendarPosition->SetItemData(cmboCalendarPosition->NewIndex(), i + 1);
  }
  Label18->SetBuddy(cmboCalendarSize);
  Label19->SetBuddy(cmboCalendarPosition);
  grid->addWidget(Label18, 0, 0);
  grid->addWidget(cmboCalendarSize, 0, 1);
  grid->addWidget(Label19, 1, 0);
  grid->addWidget(cmboCalendarPosition, 1, 1);
  grid->setColumnStretch(2, 1);
  column->addWidget(frmCalendar);
  column->addLayout(grid);
  column->addStretch(1);
}

void ScreenSaverPage::BuildSound(QWidget* tab) {
  auto* column = new QVBoxLayout(tab);
  framSound = OnOffFrame("Sound", tab, optSndOn, optSndOff);
  frmLoop = OnOffFrame("Looping", tab, optLoopOn, optLoopOff);
  lblSSNoSound = new VbLabel("No Sound available", tab);
  column->addWidget(framSound);
  column->addWidget(frmLoop);
  column->addWidget(lblSSNoSound);
  column->addStretch(1);
}

void ScreenSaverPage::BuildVeloscan(QWidget* tab) {
  auto* column = new QVBoxLayout(tab);
  frmVeloscan = OnOffFrame("Veloscan", tab, optVeloscanOn, optVeloscanOff);
  SSFrame5 = new VbFrame("Panoramic Speed", tab);
  auto* row = new QHBoxLayout(SSFrame5);
  SSLabel6 = new VbLabel("Slow", SSFrame5);
  sldrPanSpeed = new platform::VbSlider(SSFrame5, 0, kPanSpeedMax);
  sldrPanSpeed->setPageStep(16);
  SSLabel7 = new VbLabel("Fast", SSFrame5);
  row->addWidget(SSLabel6);
  row->addWidget(sldrPanSpeed, 1);
  row->addWidget(SSLabel7);
  column->addWidget(frmVeloscan);
  column->addWidget(SSFrame5);
  column->addStretch(1);
}

void ScreenSaverPage::BuildSkiplink(QWidget* tab) {
  auto* column = new QVBoxLayout(tab);
  frmWebLinker = OnOffFrame("Skiplink", tab, optWebLinkOn, optWebLinkOff);
  column->addWidget(frmWebLinker);
  column->addStretch(1);
}

void ScreenSaverPage::Wire() {
  auto apply = [this] { form_.SetApply(); };
  optSS_State[0]->Click = [this] { optSS_State_Click(0); };
  optSS_State[1]->Click = [this] { optSS_State_Click(1); };
  cmdSSPreview->Click = [this] { cmdSSPreview_Click(); };
  chkSSFit2Screen->Click = [this] { chkSSFit2Screen_Click(); };
  optVeloscanOn->Click = [this] { optVeloscanOn_Click(); };
  optVeloscanOff->Click = [this] { optVeloscanOff_Click(); };
  for (VbCheckBox* box : {chkShowDescriptive, chkShowTitles}) box->Click = apply;
  for (VbComboBox* combo : {cmboCalendarPosition, cmboCalendarSize, cmboSSLanguage, cmboTransitions})
    combo->Click = apply;
  for (VbOptionButton* option : {optCalendarOn, optCalendarOff, optSndOn, optSndOff, optLoopOn, optLoopOff,
                                 optWebLinkOn, optWebLinkOff, optSSMinutes, optSSSeconds})
    option->Click = apply;
  for (VbSpinBox* spin : {nbsImageDelay, nbsInfoPanelShows, nbsSaverDelay}) spin->Change = apply;
  sldrPanSpeed->Scroll = apply;
  sldrPanSpeed->Change = apply;
}

// ---------------------------------------------------------------------------
// Loading and writing

void ScreenSaverPage::InitScreenSaverPage() {
  const int timeOut = platform::GetScreenSaveTimeOut();
  const bool active = platform::GetScreenSaveActive();
  if (form_.ConfigMode) {
    // The system's own dialog owns the on/off state and the delay.
    SSFrame1->setVisible(false);
    frmSaverDelay->setVisible(false);
  }
  const ScreenSaverPageValues values =
      ReadScreenSaverPage(form_.SettingsFile, active, timeOut, form_.DelayTable, form_.CalendarSizeTable);
  form_.FirstRun = values.FirstRun;
  if (values.FirstRun) {
    form_.PageDirty[frmKestrin::kPageScreenSaver] = true;
    form_.PageDirty[frmKestrin::kPageWallpaper] = true;
    form_.cmdApply->SetEnabled(true);
    form_.cmdCancel->SetEnabled(false);
  }
  ShowValues(values);
}

void ScreenSaverPage::ShowValues(const ScreenSaverPageValues& v) {
  nbsSaverDelay->SetValue(v.SaverDelay);
  optSS_State[v.SaverOn ? 1 : 0]->SetValue(true);
  nbsImageDelay->SetValue(v.ImageDelay);
  (v.Minutes ? optSSMinutes : optSSSeconds)->SetValue(true);

  VbComboBox& sets = *form_.cmboSS_SetsToUse;
  if (v.RandomAll) {
    if (sets.ListCount() > 0) sets.SetListIndex(0);
    form_.PreviewAllSets = true;
  } else {
    // A set that is no longer listed falls back to the first entry.
    const int index = frmKestrin::FindItemIndex(sets, form_.ListedSetName(v.CurrentSet));
    if (sets.ListCount() > 0) sets.SetListIndex(index > -1 ? index : 0);
    form_.PreviewAllSets = sets.Text() == kRandomizeAllSets;
  }

  cmboTransitions->SetListIndex(v.Transition);
  cmboSSLanguage->SetListIndex(v.Language);
  chkShowDescriptive->SetValue(v.ShowText ? 1 : 0);
  chkShowTitles->SetValue(v.ShowTitle ? 1 : 0);
  nbsInfoPanelShows->SetValue(v.InfoPanelShows);
  sldrPanSpeed->SetValue(v.PanSlider);
  (v.PanOn ? optVeloscanOn : optVeloscanOff)->SetValue(true);
  chkSSFit2Screen->SetValue(v.Stretch ? 1 : 0);
  (v.CalendarOn ? optCalendarOn : optCalendarOff)->SetValue(true);
  cmboCalendarPosition->SetListIndex(v.CalendarPosition);
  for (int i = 0; i < cmboCalendarSize->ListCount(); ++i) {
    if (cmboCalendarSize->ItemData(i) == v.CalendarSize) {
      cmboCalendarSize->SetListIndex(i);
      break;
    }
  }
  (v.WebLinkOn ? optWebLinkOn : optWebLinkOff)->SetValue(true);
  frmWebLinker->SetEnabled(v.WebLinkUserControl);
  optWebLinkOn->SetEnabled(v.WebLinkUserControl);
  optWebLinkOff->SetEnabled(v.WebLinkUserControl);
  (v.SoundOn ? optSndOn : optSndOff)->SetValue(true);
  (v.LoopOn ? optLoopOn : optLoopOff)->SetValue(true);
}

ScreenSaverPageValues ScreenSaverPage::Values() const {
  ScreenSaverPageValues v;
  v.SaverOn = optSS_State[1]->Value();
  v.SaverDelay = nbsSaverDelay->Value();
  v.ImageDelay = nbsImageDelay->Value();
  v.Minutes = optSSMinutes->Value();
  const VbComboBox& sets = *form_.cmboSS_SetsToUse;
  v.RandomAll = sets.ListIndex() <= 0 || sets.Text() == kRandomizeAllSets;
  v.CurrentSet = sets.Text();
  v.Transition = std::max(cmboTransitions->ListIndex(), 0);
  v.Language = std::max(cmboSSLanguage->ListIndex(), 0);
  v.ShowText = chkShowDescriptive->Value() != 0;
  v.ShowTitle = chkShowTitles->Value() != 0;
  v.InfoPanelShows = nbsInfoPanelShows->Value();
  v.PanSlider = sldrPanSpeed->Value();
  v.PanOn = optVeloscanOn->Value();
  v.Stretch = chkSSFit2Screen->Value() != 0;
  v.CalendarOn = optCalendarOn->Value();
  v.CalendarPosition = std::max(cmboCalendarPosition->ListIndex(), 0);
  const int size = cmboCalendarSize->ListIndex();
  v.CalendarSize = static_cast<int>(size >= 0 ? cmboCalendarSize->ItemData(size) : kCalendarSizes.back());
  v.WebLinkOn = optWebLinkOn->Value();
  v.SoundOn = optSndOn->Value();
  v.LoopOn = optLoopOn->Value();
  return v;
}

bool ScreenSaverPage::SetScreenSaverInfo() {
  const std::string saverProgram = platform::GetShortPathName(form_.WinDir + form_.SaverName + ".scr");
  WriteFailures failures;
  if (WriteScreenSaverPage(Values(), form_.SettingsFile, saverProgram, !form_.ConfigMode, &failures)) return true;
  ReportNotSaved(failures, &form_);
  return false;
}

// ---------------------------------------------------------------------------
// Handlers

void ScreenSaverPage::EnableSaverControls(bool state) {
  QWidget* controls[] = {form_.cmboSS_SetsToUse, chkShowTitles, SSFrame2, nbsSaverDelay, framSSTimeBetween,
                         nbsImageDelay, optSSMinutes, optSSSeconds, SSFrame3, chkShowDescriptive, SSLabel4,
                         cmboSSLanguage, SSLabel5, cmboTransitions, SSFrame5, SSLabel6, sldrPanSpeed, SSLabel7,
                         cmdSSPreview, chkSSFit2Screen, SSLabel1, frmSaverDelay, Label15, Label16,
                         nbsInfoPanelShows, Label17};
  for (QWidget* control : controls) control->setEnabled(state);
}

bool ScreenSaverPage::SaverSettingsOn() const { return form_.ConfigMode || optSS_State[1]->Value(); }

void ScreenSaverPage::optSS_State_Click(int index) {
  // A settings-button start hides the switch: its page stays usable whatever
  // the hidden switch holds.
  if (index == 0 && !form_.ConfigMode) {
    form_.tmrThumbnailChanger.SetEnabled(false);
    picSSThumbNail->ClearPicture();
    EnableSaverControls(false);
    form_.SSTabScreenSaver->SetTab(0);
    form_.SSTabScreenSaver->SetEnabled(false);
  } else {
    form_.tmrThumbnailChanger_Timer();
    form_.tmrThumbnailChanger.SetEnabled(true);
    EnableSaverControls(true);
    form_.SSTabScreenSaver->SetTab(0);
    form_.SSTabScreenSaver->SetEnabled(true);
  }
  form_.SetApply();
}

void ScreenSaverPage::EnableSound(bool enabled, const char* notice) {
  for (QWidget* control : std::initializer_list<QWidget*>{framSound, frmLoop, optSndOn, optSndOff, optLoopOn, optLoopOff})
    control->setEnabled(enabled);
  lblSSNoSound->SetCaption(enabled ? "" : notice);
}

void ScreenSaverPage::cmboSS_SetsToUse_Click() {
  form_.PreviewImages.Clear();
  const VbComboBox& combo = *form_.cmboSS_SetsToUse;
  const std::string name = combo.Text();
  auto addImages = [this](const core::SetInfoClass& set) {
    for (int i = 1; i <= set.IncludedCount(); ++i)
      form_.PreviewImages.Add(set.SetDirectory() + set.IncludedImage(i).FileName());
  };
  if (name == kRandomizeAllSets) {
    form_.PreviewAllSets = true;
    form_.PreviewSetFolder.clear();
    bool anySound = false;
    for (int i = 1; i < combo.ListCount(); ++i) {
      const auto set = form_.Sets.GetSet(combo.List(i));
      if (!set) continue;
      anySound = anySound || set->HasSound;
      addImages(*set);
    }
    EnableSound(anySound, kNoSetHasSound);
  } else if (!name.empty()) {
    form_.PreviewAllSets = false;
    if (const auto set = form_.Sets.GetSet(name)) {
      EnableSound(set->HasSound, kSetHasNoSound);
      form_.PreviewSetFolder = set->FolderPath(form_.ImageSetRoot);
      addImages(*set);
    }
  }
  if (form_.aboutPage) form_.aboutPage->SetWebButton();
  if (form_.isVisible()) form_.SetApply();
}

PreviewValues ScreenSaverPage::PreviewSettings() const {
  PreviewValues v;
  v.ImageSetRoot = form_.ImageSetRoot;
  v.CatalogueFile = form_.CatalogueFile;
  v.SettingsFile = form_.SettingsFile;
  v.CurrentSet = form_.cmboSS_SetsToUse->Text();
  v.RandomAll = v.CurrentSet == kRandomizeAllSets;
  v.Delay = nbsImageDelay->Value();
  v.Minutes = optSSMinutes->Value();
  v.Language = cmboSSLanguage->Text();
  v.Titles = chkShowTitles->Value() != 0;
  v.Text = chkShowDescriptive->Value() != 0;
  v.InfoTime = nbsInfoPanelShows->Value();
  v.Transition = cmboTransitions->ListIndex();
  v.PanSpeed = kPanSpeedMax - sldrPanSpeed->Value();
  v.Stretch = chkSSFit2Screen->Value() != 0;
  v.CalendarOn = optCalendarOn->Value();
  const int size = cmboCalendarSize->ListIndex();
  v.CalendarSize = size >= 0 ? static_cast<int>(cmboCalendarSize->ItemData(size)) : 0;
  const int position = cmboCalendarPosition->ListIndex();
  v.CalendarPosition = position >= 0 ? static_cast<int>(cmboCalendarPosition->ItemData(position)) : 1;
  v.PanOn = optVeloscanOn->Value();
  v.SoundOn = optSndOn->Value();
  v.SoundLooping = optLoopOn->Value();
  v.WebLinksOn = optWebLinkOn->Value();
  return v;
}

void ScreenSaverPage::cmdSSPreview_Click() {
  const bool editSetsTimer = form_.tmrEditSetsThumbnailChanger.Enabled();
  const bool saverTimer = form_.tmrThumbnailChanger.Enabled();
  form_.tmrEditSetsThumbnailChanger.SetEnabled(false);
  form_.tmrThumbnailChanger.SetEnabled(false);
  // The dialog takes no input while the show runs over it.
  const bool wasEnabled = form_.isEnabled();
  form_.setEnabled(false);
  if (RunPreview) RunPreview(PreviewSettings());
  form_.setEnabled(wasEnabled);
  form_.tmrEditSetsThumbnailChanger.SetEnabled(editSetsTimer);
  form_.tmrThumbnailChanger.SetEnabled(saverTimer);
}

void ScreenSaverPage::chkSSFit2Screen_Click() { form_.SetApply(); }

void ScreenSaverPage::optVeloscanOn_Click() {
  form_.SetApply();
  sldrPanSpeed->SetEnabled(true);
  SSFrame5->SetEnabled(true);
}

void ScreenSaverPage::optVeloscanOff_Click() {
  form_.SetApply();
  sldrPanSpeed->SetEnabled(false);
  SSFrame5->SetEnabled(false);
}

}  // namespace orvane::settings
