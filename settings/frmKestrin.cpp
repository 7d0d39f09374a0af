#include "settings/frmKestrin.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>
#include <cstdlib>

#include "core/Globals.h"
#include "core/Utils.h"
#include "platform/events.h"
#include "platform/folders.h"
#include "platform/tick.h"
#include "platform/vbruntime.h"
#include "settings/AboutPage.h"
#include "settings/ScreenSaverPage.h"
#include "settings/Thumbnails.h"
#include "settings/WallpaperPage.h"
#include "settings/WriteFailure.h"

namespace orvane::settings {

using platform::VbListBox;

namespace {

// Drag slots of the four lists.
enum DragSlot { kActiveImages = 0, kActiveSets = 1, kInactiveImages = 2, kInactiveSets = 3 };

}  // namespace

// ============================================================================
// Construction
// ============================================================================

frmKestrin::frmKestrin(core::ProgressWindow* pleaseWait, QWidget* parent)
    : QDialog(parent), pleaseWait_(pleaseWait) {
  EndProgram = [] { platform::End(0); };
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowFlag(Qt::WindowMinimizeButtonHint, true);
  BuildFrame();
  if (const char* trace = std::getenv("ORVANE_TRACE"); trace && *trace) trace_ = std::fopen(trace, "a");
}

frmKestrin::~frmKestrin() {
  if (trace_) std::fclose(trace_);
}

void frmKestrin::Trace(const char* what, std::uint32_t first, std::uint32_t second) {
  if (!trace_) return;
  std::fprintf(trace_, "%s %u %u\n", what, unsigned(first), unsigned(second));
  std::fflush(trace_);
}

void frmKestrin::BuildFrame() {
  resize(660, 540);
  auto* layout = new QVBoxLayout(this);

  SSTabPages = new platform::VbTabControl(this);
  layout->addWidget(SSTabPages, 1);
  QWidget* pageSaver = SSTabPages->AddTab("Screen Saver");
  QWidget* pageWallpaper = SSTabPages->AddTab("Wallpaper");
  QWidget* pageEditSets = SSTabPages->AddTab("Edit Sets");
  QWidget* pageAbout = SSTabPages->AddTab("About");

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cmdOk = new platform::VbCommandButton("OK", this);
  cmdCancel = new platform::VbCommandButton("Cancel", this);
  cmdApply = new platform::VbCommandButton("&Apply", this);
  for (auto* button : {cmdOk, cmdCancel, cmdApply}) {
    button->setMinimumWidth(platform::TwipsToPixels(1215));
    buttons->addWidget(button);
  }
  layout->addLayout(buttons);
  cmdOk->setDefault(true);  // Enter
  cmdApply->SetEnabled(false);
  cmdOk->Click = [this] { cmdOk_Click(); };
  cmdCancel->Click = [this] { cmdCancel_Click(); };
  cmdApply->Click = [this] { cmdApply_Click(); };
  SSTabPages->Click = [this](int) { SSTabPages_Click(); };

  // Lists that the catalogue fills, made here so they exist whatever the pages
  // build; the pages place them.
  SSTabScreenSaver = new platform::VbTabControl(pageSaver);
  (new QVBoxLayout(pageSaver))->addWidget(SSTabScreenSaver);
  for (const char* tab : {"Basic Settings", "Calendar", "Sound", "Veloscan", "Skiplink"}) SSTabScreenSaver->AddTab(tab);
  SSTabWallPaper = new platform::VbTabControl(pageWallpaper);
  (new QVBoxLayout(pageWallpaper))->addWidget(SSTabWallPaper);
  for (const char* tab : {"Basic Settings", "Calendar", "Sound"}) SSTabWallPaper->AddTab(tab);

  cmboSS_SetsToUse = new platform::VbComboBox(SSTabScreenSaver->Page(0));
  cmboSets = new platform::VbComboBox(SSTabWallPaper->Page(0));
  lstImages = new VbListBox(SSTabWallPaper->Page(0));
  cmboAboutSets = new platform::VbComboBox(pageAbout);
  cmboSets->Click = [this] { cmboSets_Click(); };
  lstImages->Click = [this] { lstImages_Click(); };
  cmboSS_SetsToUse->Click = [this] {
    if (screenSaverPage) screenSaverPage->cmboSS_SetsToUse_Click();
  };
  cmboAboutSets->Click = [this] {
    if (aboutPage) aboutPage->cmboAboutSets_Click();
  };

  BuildEditSetsPage(pageEditSets);

  // Both thumbnail timers tick from their first switch-on, not only after a
  // tick that was called directly has set their interval.
  tmrThumbnailChanger.SetEnabled(false);
  tmrEditSetsThumbnailChanger.SetEnabled(false);
  tmrThumbnailChanger.SetInterval(kThumbnailInterval);
  tmrEditSetsThumbnailChanger.SetInterval(kThumbnailInterval);
  tmrThumbnailChanger.SetHandler([this] { tmrThumbnailChanger_Timer(); });
  tmrEditSetsThumbnailChanger.SetHandler([this] { tmrEditSetsThumbnailChanger_Timer(); });

  screenSaverPage = std::make_unique<ScreenSaverPage>(*this, pageSaver);
  wallpaperPage = std::make_unique<WallpaperPage>(*this, pageWallpaper);
  aboutPage = std::make_unique<AboutPage>(*this, pageAbout);
  SetTabOrder();
}

void frmKestrin::SetTabOrder() {
  // Tab follows the order of creation, and the buttons and the lists shared by
  // the pages are made before the pages: the shared lists are put in their
  // places in the page, each move button between its two lists, the buttons
  // last.
  const auto chain = [](std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
      if (previous && widget) setTabOrder(previous, widget);
      if (widget) previous = widget;
    }
  };
  chain({lstActiveImages, cmdImageMove, lstInactiveImages});
  chain({lstActiveSets, cmdMoveSet, lstInactiveSets});
  if (screenSaverPage)
    chain({screenSaverPage->nbsSaverDelay, SSTabScreenSaver, cmboSS_SetsToUse, screenSaverPage->nbsImageDelay});
  if (wallpaperPage)
    chain({wallpaperPage->optWallPaperOff, wallpaperPage->cmboAutoChange, cmboSets, lstImages,
           wallpaperPage->cmdImageCredits, wallpaperPage->chkFit2Screen});
  QWidget* last = nullptr;  // the last control that can take the focus
  for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain())
    if (w->focusPolicy() != Qt::NoFocus) last = w;
  if (last && last != cmdApply) chain({last, cmdOk, cmdCancel, cmdApply});
}

void frmKestrin::BuildEditSetsPage(QWidget* page) {
  auto* pageLayout = new QVBoxLayout(page);
  SSTabEditSets = new platform::VbTabControl(page);
  pageLayout->addWidget(SSTabEditSets);
  QWidget* images = SSTabEditSets->AddTab("Images");
  QWidget* sets = SSTabEditSets->AddTab("Image Sets");
  SSTabEditSets->Click = [this](int) { SSTabEditSets_Click(); };

  // "Images": the set chosen, its included and excluded images, the move
  // button and the thumbnail of the image chosen.
  auto* grid = new QGridLayout(images);
  Label10 = new platform::VbLabel("Image &set:", images);
  cmboEditSet = new platform::VbComboBox(images);
  Label10->SetBuddy(cmboEditSet);
  chkShowTitlePage = new platform::VbCheckBox("Show &title page", images);
  Label11 = new platform::VbFrame("Included images", images);
  Label12 = new platform::VbFrame("Excluded images", images);
  lstActiveImages = new VbListBox(Label11, true);
  lstInactiveImages = new VbListBox(Label12, true);
  (new QVBoxLayout(Label11))->addWidget(lstActiveImages);
  (new QVBoxLayout(Label12))->addWidget(lstInactiveImages);
  cmdImageMove = new platform::VbCommandButton("Exclude Image", images);
  cmdImageMove->Tag = "Exclude";
  cmdImageMove->SetEnabled(false);
  picImageEditThumbNail = new platform::VbPictureBox(images);
  picImageEditThumbNail->setFixedSize(160, 120);

  auto* top = new QHBoxLayout;
  top->addWidget(Label10);
  top->addWidget(cmboEditSet, 1);
  top->addWidget(chkShowTitlePage);
  grid->addLayout(top, 0, 0, 1, 3);
  grid->addWidget(Label11, 1, 0, 2, 1);
  grid->addWidget(picImageEditThumbNail, 1, 1, Qt::AlignHCenter | Qt::AlignTop);
  grid->addWidget(cmdImageMove, 2, 1, Qt::AlignHCenter | Qt::AlignTop);
  grid->addWidget(Label12, 1, 2, 2, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);

  // "Image Sets": included and excluded sets, the move button and a preview of
  // the set chosen.
  auto* setGrid = new QGridLayout(sets);
  Label13 = new platform::VbFrame("Included sets", sets);
  Label14 = new platform::VbFrame("Excluded sets", sets);
  lstActiveSets = new VbListBox(Label13, true);
  lstInactiveSets = new VbListBox(Label14, true);
  (new QVBoxLayout(Label13))->addWidget(lstActiveSets);
  (new QVBoxLayout(Label14))->addWidget(lstInactiveSets);
  cmdMoveSet = new platform::VbCommandButton("Exclude Set", sets);
  cmdMoveSet->Tag = "Exclude";
  cmdMoveSet->SetEnabled(false);
  picEditSetsThumbnail = new platform::VbPictureBox(sets);
  picEditSetsThumbnail->setFixedSize(160, 120);
  setGrid->addWidget(Label13, 0, 0, 2, 1);
  setGrid->addWidget(picEditSetsThumbnail, 0, 1, Qt::AlignHCenter | Qt::AlignTop);
  setGrid->addWidget(cmdMoveSet, 1, 1, Qt::AlignHCenter | Qt::AlignTop);
  setGrid->addWidget(Label14, 0, 2, 2, 1);
  setGrid->setColumnStretch(0, 1);
  setGrid->setColumnStretch(2, 1);

  cmboEditSet->Click = [this] { cmboEditSet_Click(); };
  chkShowTitlePage->Click = [this] { chkShowTitlePage_Click(); };
  cmdImageMove->Click = [this] { cmdImageMove_Click(); };
  cmdMoveSet->Click = [this] { cmdMoveSet_Click(); };
  lstActiveImages->Click = [this] { lstActiveImages_Click(); };
  lstInactiveImages->Click = [this] { lstInactiveImages_Click(); };
  lstActiveSets->Click = [this] { lstActiveSets_Click(); };
  lstInactiveSets->Click = [this] { lstInactiveSets_Click(); };
  WireDrag(*lstActiveImages, kActiveImages);
  WireDrag(*lstInactiveImages, kInactiveImages);
  WireDrag(*lstActiveSets, kActiveSets);
  WireDrag(*lstInactiveSets, kInactiveSets);
}

// ============================================================================
// The start procedure's calls
// ============================================================================

void frmKestrin::Load() {
  if (loaded_) return;
  loaded_ = true;
  Form_Load();
}

void frmKestrin::Unload() {
  if (!loaded_) return;
  if (!Form_Unload()) return;
  hide();
  loaded_ = false;
}

void frmKestrin::Show() {
  Load();
  if (ending_) return;
  show();
  if (QGuiApplication::platformName() != "offscreen") {
    raise();
    activateWindow();
  }
  if (!loadFailures_.empty()) {
    const WriteFailures failures = std::move(loadFailures_);
    loadFailures_.clear();
    ReportNotSaved(failures, this);
  }
  if (trace_) {
    // Shown means painted once, with the lists filled.
    platform::DoEvents();
    const std::uint32_t now = platform::GetTickCount();
    Trace("shown", now, now);
  }
}

void frmKestrin::StartingTab(int page) {
  Load();
  SSTabPages->SetTab(page);
  SSTabScreenSaver->SetTab(0);
  SSTabWallPaper->SetTab(0);
}

bool frmKestrin::optWallPaperOn() {
  Load();
  return wallpaperPage && wallpaperPage->optWallPaperOn();
}

void frmKestrin::NextWallpaperImage() {
  if (wallpaperPage) wallpaperPage->NextWallpaperImage();
}

void frmKestrin::SetWallpaper() {
  if (wallpaperPage) wallpaperPage->SetWallpaper();
}

// ============================================================================
// Load, apply and unload
// ============================================================================

void frmKestrin::Form_Load() {
  SettingsFolder = core::GetSettingsFolder();
  core::EnsureUserIni(SettingsFolder);

  DelayTable = {15, 30, 60, 120, 300, 600, 900, 1200, 1500, 1800, 2700, 3600, 7200};
  CalendarSizeTable = {100, 66, 33, 20};
  SaverName = "Orvane";

  PreviewWidth = 1024;
  PreviewHeight = 768;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QSize size = screen->geometry().size();
    if (!(size.width() >= 1024 && size.height() >= 768)) {
      PreviewWidth = size.width();
      PreviewHeight = size.height();
    }
  }

  ThumbnailTarget = picSSThumbNail;
  platform::Randomize();
  PageDirty.fill(false);

  InitDialog();
  if (ending_) return;

  PageDirty.fill(false);

  if (FirstRun) {
    WPImageReset = false;
    ApplyPage(kPageScreenSaver);
    ApplyPage(kPageWallpaper);
    WPImageReset = true;
    PageDirty[kPageWallpaper] = true;
  }

  tmrEditSetsThumbnailChanger.SetEnabled(false);
  tmrThumbnailChanger.SetEnabled(SSTabPages->Tab() == kPageScreenSaver && SaverThumbnails());
}

bool frmKestrin::SaverThumbnails() const {
  // The screen-saver page shows no thumbnails while the saver is off.
  return screenSaverPage && screenSaverPage->SaverSettingsOn();
}

void frmKestrin::InitDialog() {
  std::string windows = platform::GetWindowsDirectory();
  if (!windows.empty() && windows.back() != '/') windows += '/';
  WinDir = windows;

  InitSetsInfo();
  if (ending_) return;
  InitLists();
  if (wallpaperPage) wallpaperPage->InitWallpaperPage();
  if (screenSaverPage) screenSaverPage->InitScreenSaverPage();
  if (aboutPage) aboutPage->InitAboutPage();

  core::ReadWindowTitles(ImageSetRoot);
  setWindowTitle(platform::CaptionText(core::ConfigTitle));
}

void frmKestrin::SetApply() {
  if (!isVisible() || InternalChange) return;
  cmdApply->SetEnabled(true);
  const int shown = SSTabPages->Tab();
  if (shown >= 0 && shown < kPageCount) PageDirty[shown] = true;
}

void frmKestrin::MarkPageDirty(int page) {
  if (!isVisible() || InternalChange || page < 0 || page >= kPageCount) return;
  PageDirty[page] = true;
  if (SSTabPages->Tab() == page) cmdApply->SetEnabled(true);
}

// Running programs learn of a new wallpaper from the desktop call that sets it.
void frmKestrin::UpdateWinIni() {}

bool frmKestrin::ApplyPage(int page) {
  if (page < 0 || page >= kPageCount) return true;
  PageDirty[page] = false;
  const int shown = SSTabPages->Tab();
  cmdApply->SetEnabled(shown >= 0 && shown < kPageCount && PageDirty[shown]);
  bool applied = true;
  switch (page) {
    case kPageScreenSaver:
      if (screenSaverPage) applied = screenSaverPage->SetScreenSaverInfo();
      break;
    case kPageWallpaper:
      if (!wallpaperPage) break;
      if (WPImageReset) {
        // The render writes temporary files and the desktop picture: while it
        // runs the dialog takes no input and does not close.
        rendering_ = true;
        cmdOk->SetEnabled(false);
        const bool wasEnabled = isEnabled();
        setEnabled(false);
        if (pleaseWait_) pleaseWait_->Show();
        platform::DoEvents();
        try {
          applied = wallpaperPage->SetWallpaper();
        } catch (...) {
          // Reported where it failed; the dialog must come back in any case.
          applied = false;
        }
        if (pleaseWait_) {
          pleaseWait_->Hide();
          pleaseWait_->Unload();
        }
        setEnabled(wasEnabled);
        cmdOk->SetEnabled(true);
        rendering_ = false;
      } else {
        applied = wallpaperPage->SetWallpaper();
      }
      break;
    case kPageEditSets: {
      const std::uint32_t start = platform::GetTickCount();
      WriteFailures failures;
      applied = SaveSetsInfo(&failures);
      Trace("save", start, platform::GetTickCount());
      ReportNotSaved(failures, this);
      break;
    }
    default:
      break;
  }
  if (!applied) {
    // Nothing is lost: the page keeps its changes for the next Apply or OK.
    PageDirty[page] = true;
    cmdApply->SetEnabled(shown >= 0 && shown < kPageCount && PageDirty[shown]);
  }
  return applied;
}

void frmKestrin::cmdApply_Click() {
  cmdApply->SetEnabled(false);
  ApplyPage(SSTabPages->Tab());
}

void frmKestrin::cmdOk_Click() {
  if (rendering_) return;
  bool applied = true;
  for (int page = 0; page < kPageCount; ++page)
    if (PageDirty[page]) applied = ApplyPage(page) && applied;
  // A page that could not be saved keeps the dialog open: the user has been
  // told, and may try again or cancel.
  if (!applied) return;
  Unload();
  if (loaded_) return;  // the unload was refused
  ending_ = true;
  if (EndProgram) EndProgram();
}

void frmKestrin::cmdCancel_Click() {
  if (rendering_ || !cmdCancel->isEnabled()) return;
  Unload();
  if (loaded_) return;
  ending_ = true;
  if (EndProgram) EndProgram();
}

bool frmKestrin::Form_Unload() {
  if (rendering_) {
    // A render is under way: the dialog stays and the progress window is shown
    // to the user again.
    if (pleaseWait_) pleaseWait_->Show();
    return false;
  }
  if (FirstRun && PageDirty[kPageWallpaper]) ApplyPage(kPageWallpaper);
  tmrThumbnailChanger.SetEnabled(false);
  tmrEditSetsThumbnailChanger.SetEnabled(false);
  return true;
}

void frmKestrin::closeEvent(QCloseEvent* event) {
  if (!loaded_) {
    event->accept();
    return;
  }
  if (!Form_Unload()) {
    event->ignore();
    return;
  }
  loaded_ = false;
  event->accept();
}

void frmKestrin::reject() {
  // Esc is the Cancel button (disabled on a first run).
  if (cmdCancel->isEnabled()) cmdCancel_Click();
}

void frmKestrin::SSTabPages_Click() {
  const int page = SSTabPages->Tab();
  cmdApply->SetEnabled(page >= 0 && page < kPageCount && PageDirty[page]);
  switch (page) {
    case kPageAbout:
      ThumbnailTarget = picAboutThumbnail;
      tmrEditSetsThumbnailChanger.SetEnabled(false);
      tmrThumbnailChanger.SetEnabled(true);
      if (aboutPage) aboutPage->cmboAboutSets_Click();
      break;
    case kPageEditSets:
      ThumbnailTarget = picEditSetsThumbnail;
      if (SSTabEditSets->Tab() != 1) {
        InternalChange = true;
        if (lstActiveImages->ListIndex() != -1) lstActiveImages_Click();
        else if (lstInactiveImages->ListIndex() != -1) lstInactiveImages_Click();
        InternalChange = false;
        tmrEditSetsThumbnailChanger.SetEnabled(false);
        tmrThumbnailChanger.SetEnabled(false);
      } else {
        tmrEditSetsThumbnailChanger.SetEnabled(true);
        tmrThumbnailChanger.SetEnabled(false);
      }
      break;
    case kPageWallpaper:
      tmrEditSetsThumbnailChanger.SetEnabled(false);
      tmrThumbnailChanger.SetEnabled(false);
      break;
    case kPageScreenSaver:
      ThumbnailTarget = picSSThumbNail;
      tmrEditSetsThumbnailChanger.SetEnabled(false);
      tmrThumbnailChanger.SetEnabled(SaverThumbnails());
      InternalChange = true;
      if (screenSaverPage) screenSaverPage->cmboSS_SetsToUse_Click();
      InternalChange = false;
      break;
    default:
      break;
  }
}

void frmKestrin::SSTabEditSets_Click() {
  if (SSTabEditSets->Tab() == 1) {
    tmrEditSetsThumbnailChanger_Timer();
    tmrEditSetsThumbnailChanger.SetEnabled(true);
  } else {
    tmrEditSetsThumbnailChanger.SetEnabled(false);
    if (lstActiveImages->ListIndex() != -1) lstActiveImages_Click();
    else if (lstInactiveImages->ListIndex() != -1) lstInactiveImages_Click();
  }
}

void frmKestrin::tmrThumbnailChanger_Timer() {
  if (ThumbnailTick) ThumbnailTick();
}

void frmKestrin::tmrEditSetsThumbnailChanger_Timer() {
  if (EditSetsThumbnailTick) EditSetsThumbnailTick();
}

}  // namespace orvane::settings
