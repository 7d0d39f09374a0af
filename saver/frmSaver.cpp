// The slide-show window: its start (Form_Load or the preview's InitiSaver), the
// first layout, the sound player's looping, painting and the window's end.
#include "saver/frmSaver.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <system_error>
#include <vector>

#include "core/Globals.h"
#include "core/ImageDescription.h"
#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "core/Utils.h"
#include "imaging/gdi.h"
#include "platform/desktop.h"
#include "platform/fonts.h"
#include "platform/memory.h"
#include "platform/modal.h"
#include "platform/msgbox.h"
#include "platform/password.h"
#include "platform/registry.h"
#include "platform/runlog.h"
#include "platform/signals.h"
#include "platform/vbruntime.h"
#include "saver/InfoPanel.h"
#include "saver/MonitorCovers.h"
#include "saver/SlideLists.h"

namespace orvane::saver {

namespace keys = core::settings;
using core::GetIniInt;
using core::GetIniString;

namespace {

// Seconds of the bare [PrefsSS] change values 0..12.
constexpr std::array<std::int64_t, 13> kDelayTable = {15,   30,   60,   120,  300,  600, 900,
                                                      1200, 1500, 1800, 2700, 3600, 7200};
// Longest delay kept (about 31 years): far beyond any show, far below overflow.
constexpr double kMaxDelaySeconds = 1e9;
constexpr int kMeterWidth = 210;
constexpr int kMeterHeight = 18;
// Point sizes of the notices printed on the screen and of the panel's labels,
// at a device-pixel ratio of 1.
constexpr double kNoticePoints = 12;
constexpr double kPanelPoints = 12;
// Rows of the black bitmap the overlays' darkening is mixed from.
constexpr int kPanelBitmapRows = 16;

std::int64_t WholeSeconds(double value) {
  if (std::isnan(value)) return 0;
  value = std::clamp(platform::RoundHalfEven(value), -kMaxDelaySeconds, kMaxDelaySeconds);
  return static_cast<std::int64_t>(value);
}

// The run time's Str of a number: a leading blank for values of 0 and above.
std::string Str(std::int64_t value) {
  return (value >= 0 ? " " : "") + std::to_string(value);
}

std::int64_t DefaultDelay() {
  return WholeSeconds(platform::Val(keys::kShowDefault_PrefsSS_Change));
}

int Round(double value) {
  return static_cast<int>(std::clamp(platform::RoundHalfEven(value), -2.0e9, 2.0e9));
}

// The image the window's painter draws into (its backing store), when a
// 32-bit opaque picture's pixels can be copied into it byte for byte, as the
// painter would copy them: onto a 32-bit image, at whole device pixels with no
// transform left. Null otherwise (a 16-bit screen, a grab into a pixmap, a
// fractional ratio), and the painter draws.
QImage* RowCopyTarget(QPainter& painter, double ratio) {
  if (ratio != std::floor(ratio) || !painter.deviceTransform().isIdentity()) return nullptr;
  QPaintEngine* engine = painter.paintEngine();
  if (!engine || engine->type() != QPaintEngine::Raster) return nullptr;
  QPaintDevice* device = engine->paintDevice();
  if (!device || device->devType() != QInternal::Image) return nullptr;
  auto* image = static_cast<QImage*>(device);
  const QImage::Format format = image->format();
  if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) return nullptr;
  return image;
}

}  // namespace

bool HasExtension(const std::string& name) {
  std::size_t dot = name.find('.');
  while (dot != std::string::npos) {
    const std::size_t separator = name.find_first_of("\\/", dot + 1);
    if (separator == std::string::npos) return true;
    dot = name.find('.', separator + 1);
  }
  return false;
}

std::int64_t ParseImageDelay(const std::string& change) {
  const std::int64_t fallback = DefaultDelay();
  if (!change.empty() && change.back() == 's') return WholeSeconds(platform::Val(change));
  if (!change.empty() && change.back() == 'm') return WholeSeconds(platform::Val(change) * 60.0);
  const double index = platform::RoundHalfEven(platform::Val(change));
  if (index >= 0 && index < double(kDelayTable.size())) return kDelayTable[std::size_t(index)];
  return fallback;
}

std::string MemoryReportText() {
  const platform::MemoryStatus memory = platform::GlobalMemoryStatus();
  const std::string crlf = "\r\n";
  auto n = [](std::uint64_t v) { return Str(static_cast<std::int64_t>(v)); };
  return "Total Physical:" + n(memory.totalPhys) + "   " + "Physical Available:" +
         n(memory.availPhys) + crlf + "Total  Page File:" + n(memory.totalPageFile) + "   " +
         "Available Page File:" + n(memory.availPageFile) + crlf + "Total  Virtual:" +
         n(memory.totalVirtual) + "   " + "Total Available Virtual:" + n(memory.availVirtual) +
         crlf;
}

// ---------------------------------------------------------------------------

BusyScope::BusyScope(frmSaver& window) : window_(window) { ++window_.busyDepth_; }

BusyScope::~BusyScope() {
  if (--window_.busyDepth_ == 0 && window_.unloadPending_) window_.FinishUnload();
}

frmSaver::frmSaver(QRect screen, QWidget* parent)
    : frmSaver(platform::ScreenPixelsOf(screen, 1.0), parent) {
  screenKnown_ = false;
}

frmSaver::frmSaver(const platform::ScreenPixels& screen, QWidget* parent)
    : QWidget(parent), screen_(screen), screenKnown_(!screen.Geometry.isEmpty()) {
  setWindowTitle(QString::fromLatin1(kSaverCaption));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  platform::InstallFontSubstitutions();
  // A slide's large temporaries (file bytes, the decoder's buffers) go back to
  // the system when freed, whichever thread freed them.
  imaging::MapLargeAllocations();

  platform::FontSpec font;
  font.Name = QStringLiteral("Times New Roman");
  font.Size = kNoticePoints;
  picDisp.SetFont(font);
  connect(&picDisp, &platform::PictureBox::Changed, this, qOverload<>(&QWidget::update));
  connect(&picDesc, &platform::PictureBox::Changed, this, qOverload<>(&QWidget::update));

  tmrTrans.SetHandler([this] { tmrTrans_Timer(); });
  tmrInfo.SetEnabled(false);
  tmrInfo.SetInterval(100);
  tmrInfo.SetHandler([this] { tmrInfo_Timer(); });

  MP = platform::CreateSoundPlayer();
  MP->SetEndHandler([this] { MP_PlayStateChange(); });

  if (const char* trace = std::getenv(kTraceVariable); trace && *trace)
    trace_ = std::fopen(trace, "a");
}

frmSaver::~frmSaver() {
  tmrTrans.SetEnabled(false);
  tmrInfo.SetEnabled(false);
  if (loaded_) {
    if (!unloaded_) Form_Unload();
    if (!terminated_) Form_Terminate();
  }
  core::SetSaverMeterSink(nullptr);
  if (PanelBitmap != imaging::kNoHandle) imaging::UnloadBitMap(PanelBitmap);
  if (trace_) std::fclose(trace_);
}

void frmSaver::Trace(const char* what, std::uint32_t first, std::uint32_t second) {
  if (!trace_) return;
  std::fprintf(trace_, "%s %u %u\n", what, unsigned(first), unsigned(second));
  std::fflush(trace_);  // a show is ended by a signal as often as by input
}

void frmSaver::InitiSaver(const std::string& imageSetRoot, const std::string& catalogueFile,
                          const std::string& settingsFile, const std::string& currentSet,
                          bool randomAll, int delay, bool minutes, const std::string& language,
                          bool titles, bool text, int infoTime, int transition, int panSpeed,
                          bool stretch, bool calendarOn, int calendarSize, int calendarPosition,
                          bool panOn, bool soundOn, bool soundLooping, bool webLinksOn) {
  PresetByCaller = true;
  SlideList.Clear();
  ImageDelay = minutes ? std::int64_t(delay) * 60 : delay;
  SoundOn = soundOn;
  SoundLooping = soundLooping;
  WebLinksOn = webLinksOn;
  ProgramFolder = imageSetRoot;
  CatalogueFile = catalogueFile;
  SettingsFile = settingsFile;
  Random = randomAll;
  SettingsFolder = core::GetSettingsFolder();
  if (!Random) {
    CurrentSet = currentSet;
    platform::Randomize();
    BuildList(false);
    AllSets = false;
  } else {
    platform::Randomize();
    BuildList(true);
    AllSets = true;
  }
  LanguageName = language;
  ShowTitle = titles ? 1 : 0;
  ShowText = text ? 1 : 0;
  InfoTime = infoTime;
  TransitionSetting = transition;
  PanSpeed = panSpeed;
  Stretch = stretch;
  CalendarOn = calendarOn;
  CalendarSize = calendarSize > 0 ? calendarSize : keys::kShowDefault_CalendarSS_Size;
  CalendarPosition = calendarPosition;
  PanOn = panOn;
  TakeCaptionLock();
  core::WriteIni(keys::kScreenSaver_Running.section, keys::kScreenSaver_Running.key, "1",
                 SettingsFile);
}

void frmSaver::TakeCaptionLock() {
  // Held before the running flags are set: another program that starts and
  // finds it free takes them for a killed show's and clears them. Such a
  // program holds it for a moment only.
  constexpr int kWaitMs = 2000;
  if (!captionLock_)
    captionLock_ = std::make_unique<platform::CaptionLock>(
        PresetByCaller ? SettingsFolder : core::GetSettingsFolder(), kWaitMs);
}

void frmSaver::BuildList(bool allSets) {
  const int delay = int(std::clamp<std::int64_t>(ImageDelay, std::numeric_limits<int>::min(),
                                                 std::numeric_limits<int>::max()));
  const SlideListResult list = allSets
                                   ? BuildAllSetsList(CatalogueFile, delay)
                                   : BuildSetList(CatalogueFile, ProgramFolder, CurrentSet, delay);
  TitleFile = list.TitleFile;
  TitleTime = list.TitleTime;
  AppendTo(list, SlideList);
}

void frmSaver::Load() {
  if (loaded_) return;
  Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
  if (!core::DebugMode) flags |= Qt::WindowStaysOnTopHint;
  setWindowFlags(flags);
  if (!screenKnown_) screen_ = platform::ScreenPixelsAt(screen_.Geometry);
  screenKnown_ = true;

  TakeCaptionLock();
  Form_Load();
  StartSessionLock();
  core::SetSaverMeterSink(this);

  setGeometry(screen_.Geometry);
  Form_Resize();
  loaded_ = true;
  unloaded_ = false;
  terminated_ = false;
  tmrTrans.SetInterval(1);  // the first tick shows the first slide
}

void frmSaver::Form_Load() {
  if (!core::DebugMode) platform::SetScreenSaverRunning(true);
  // The reference area keeps its size on the screen: in device pixels it grows
  // with the ratio.
  RefWidth = screen_.Scaled(1024);
  RefHeight = screen_.Scaled(768);
  core::QuitSaver = false;
  Transitions = std::make_unique<core::TransitionClass>();
  if (PresetByCaller) {
    SetUp = true;
    return;
  }
  ProgramFolder = core::GetProgramPath();
  SettingsFolder = core::GetSettingsFolder();
  CatalogueFile = SettingsFolder + keys::kOrvaneIni;
  SettingsFile = SettingsFolder + keys::kScreenSaverIni;
  core::EnsureUserIni(SettingsFolder);
  SetUp = GetIniInt(keys::kScreenSaver_Setup.section, keys::kScreenSaver_Setup.key,
                    keys::kShowDefault_ScreenSaver_Setup, SettingsFile) != 0;

  if (imaging::DispPropUp() == 0) {
    if (platform::RegKeyExists(platform::Hive::CurrentUser, platform::kPasswordKey)) {
      const auto value = platform::RegQueryValue(platform::Hive::CurrentUser, platform::kPasswordKey,
                                                 platform::kUsePasswordValue);
      UsePassword = value && platform::Val(*value) != 0;
    } else {
      platform::MsgBox(std::string("Unable to open registry key ") + platform::kPasswordKey,
                       platform::vbOKOnly, "", this);
      UsePassword = false;
    }
  }

  core::WriteIni(keys::kScreenSaver_Running.section, keys::kScreenSaver_Running.key, "1",
                 SettingsFile);
  SlideList.Clear();
  core::ReadWindowTitles(ProgramFolder);
  ReadSettings();
}

void frmSaver::ReadSettings() {
  const std::string& file = SettingsFile;
  auto flag = [&](const keys::IniKey& key, int fallback) {
    return GetIniInt(key.section, key.key, fallback, file) != 0;
  };
  auto number = [&](const keys::IniKey& key, int fallback) {
    return GetIniInt(key.section, key.key, fallback, file);
  };

  ImageDelay = ParseImageDelay(GetIniString(keys::kPrefsSS_Change.section, keys::kPrefsSS_Change.key,
                                            keys::kShowDefault_PrefsSS_Change, file));
  ShowInit = flag(keys::kScreenSaver_ShowInit, keys::kShowDefault_ScreenSaver_ShowInit);
  Random = flag(keys::kPrefsSS_Random, keys::kShowDefault_PrefsSS_Random);
  if (!Random) {
    AllSets = false;
    CurrentSet = GetIniString(keys::kPrefsSS_CurrentSet.section, keys::kPrefsSS_CurrentSet.key,
                              keys::kShowDefault_PrefsSS_CurrentSet, file);
    BuildList(false);
    if (SlideList.Count() == 0) Random = true;
    else platform::Randomize();
  }
  if (Random) {
    AllSets = true;
    platform::Randomize();
    SlideList.Clear();
    BuildList(true);
  }

  TransitionSetting = int(number(keys::kTransition_DefaultTransition,
                                 keys::kShowDefault_Transition_DefaultTransition));
  // Kinds the transition engine knows: 0 (cut), 1 (all in turn) .. 11.
  if (TransitionSetting < core::kNoTransition || TransitionSetting > core::kCenterPush)
    TransitionSetting = keys::kShowDefault_Transition_DefaultTransition;
  LanguageName = core::LanguageName(
      number(keys::kInfoPanel_DefaultLanguage, keys::kShowDefault_InfoPanel_DefaultLanguage));
  ShowText = int(number(keys::kInfoPanel_ShowText, keys::kShowDefault_InfoPanel_ShowText));
  ShowTitle = int(number(keys::kInfoPanel_ShowTitle, keys::kShowDefault_InfoPanel_ShowTitle));
  InfoTime = number(keys::kInfoPanel_DefaultTime, keys::kShowDefault_InfoPanel_DefaultTime);
  PanSpeed = int(std::clamp<long>(number(keys::kPanoramic_Speed, keys::kShowDefault_Panoramic_Speed),
                                  0, 600000));
  PanOn = flag(keys::kPanoramic_Enable, keys::kShowDefault_Panoramic_Enable);
  Stretch = flag(keys::kPrefsSS_Stretch, keys::kShowDefault_PrefsSS_Stretch);
  CalendarOn = flag(keys::kCalendarSS_Enable, keys::kShowDefault_CalendarSS_Enable);
  CalendarSize = int(number(keys::kCalendarSS_Size, keys::kShowDefault_CalendarSS_Size));
  if (CalendarSize <= 0) CalendarSize = keys::kShowDefault_CalendarSS_Size;
  CalendarPosition =
      int(number(keys::kCalendarSS_Position, keys::kShowDefault_CalendarSS_Position));
  SoundOn = flag(keys::kPrefsSS_Sound, keys::kShowDefault_PrefsSS_Sound);
  SoundLooping = flag(keys::kPrefsSS_Looping, keys::kShowDefault_PrefsSS_Looping);
  WebLinksOn = flag(keys::kWebLinker_Enable, keys::kShowDefault_WebLinker_Enable);
}

void frmSaver::Form_Resize() {
  // Everything the show draws is in the screen's device pixels.
  const int width = screen_.Width;
  const int height = screen_.Height;
  int dispWidth = width;
  int dispHeight = height;
  picDispLeft = 0;
  picDispTop = 0;
  if (!Stretch) {
    if (width < RefWidth || height < RefHeight) {
      RefWidth = width;
      RefHeight = height;
    } else {
      dispWidth = RefWidth;
      dispHeight = RefHeight;
      picDispLeft = Round((width - RefWidth) / 2.0);
      picDispTop = Round((height - RefHeight) / 2.0);
    }
  }
  picDisp.Resize(dispWidth, dispHeight);
  imaging::AdviseHugePages(picDisp.Buffer());

  const int unit = Round(dispWidth / 4.0);
  const int panelWidth = Round(unit * 3.5);
  picDesc.Resize(std::max(1, panelWidth), std::max(1, RefHeight));
  Screen.DescLeft = Round((dispWidth - panelWidth) / 2.0);
  Screen.DescTop = 0;
  picDesc.Tag = Str(panelWidth);

  // The black that darkens the overlays' background, mixed in pieces of its
  // size: a strip of the panel's width does as well as a whole panel of it
  // (every pixel is mixed alike), in a fraction of the memory.
  if (PanelBitmap != imaging::kNoHandle) imaging::UnloadBitMap(PanelBitmap);
  PanelBitmap = imaging::CreateBitMap(picDesc.Width(), std::min(picDesc.Height(), kPanelBitmapRows),
                                      0, 0, 0);

  Transitions->InitTrasitions(picDisp.hDC(), dispWidth, dispHeight, ProgramFolder);
  Transitions->SetBlindSize(std::max(1, Round(dispWidth / 10.0)));

  // Text, boxes and margins of the overlays keep their size on the screen.
  const double scale = screen_.PixelRatio;
  Screen.PixelRatio = scale;
  platform::FontSpec notice = picDisp.Font();
  notice.Size = kNoticePoints * scale;
  picDisp.SetFont(notice);
  Screen.lblDesc.Font.Size = kPanelPoints * scale;
  Screen.lblDescShadow.Font.Size = kPanelPoints * scale;

  if (SetUp && ShowInit) {
    picDisp.SetForeColor(QColor(255, 255, 255));
    picDisp.Print(QStringLiteral("Initializing Screen Saver..."));
  }
  EastAsian = LanguageName == "Chinese" || LanguageName == "Japanese" || LanguageName == "Korean";
  Screen.lblDesc.Font.Bold = !EastAsian;
  Screen.lblDescShadow.Font.Bold = !EastAsian;
  picMeterContainerVisible = ShowInit;

  Screen.picDisp = &picDisp;
  Screen.picStretch = &picStretch;
  Screen.picDesc = &picDesc;
  Screen.WorkBuffer = Transitions->WorkBuff();
  Screen.PanelBitmap = PanelBitmap;
  SyncScreen();
}

void frmSaver::SyncScreen() {
  auto small = [](std::int64_t value) {
    return int(std::clamp<std::int64_t>(value, 0, std::numeric_limits<int>::max() / 10));
  };
  Screen.ProgramFolder = ProgramFolder;
  Screen.LanguageName = LanguageName;
  Screen.EastAsian = EastAsian;
  Screen.ShowText = ShowText;
  Screen.ShowTitle = ShowTitle;
  Screen.InfoTime = small(InfoTime);
  Screen.Stretch = Stretch;
  Screen.RefHeight = RefHeight;
  Screen.CalendarOn = CalendarOn;
  Screen.CalendarSize = CalendarSize;
  Screen.CalendarPosition = CalendarPosition;
  Screen.PanSpeed = PanSpeed;

  Screen.EntryPath = EntryPath;
  Screen.EntryName = EntryName;
  Screen.IsTitlePage = IsTitlePage;
  Screen.PanDirection = PanDirection;
  // The overlays are placed on the part of the picture that is on screen: a
  // fitted picture covers the part its own proportions give, a centred one is
  // cut to the screen.
  Screen.ImageWidth = Stretch ? ImageWidth : std::min(ImageWidth, picDisp.Width());
  Screen.ImageHeight = Stretch ? ImageHeight : std::min(ImageHeight, picDisp.Height());
  Screen.PanMode = PanMode;
  Screen.PanX = PanX;
  Screen.PanY = PanY;
}

void frmSaver::StartSlideClock() {
  // The overlays of this slide are drawn: their scratch memory goes back until
  // the next slide's.
  if (Transitions) imaging::DiscardScratchPixels(Transitions->WorkBuff());
  tmrTrans.SetEnabled(true);
}
void frmSaver::StartInfoCountdown() { tmrInfo.SetEnabled(true); }
void frmSaver::PanelChanged() { update(); }

void frmSaver::ShowModal() {
  if (!loaded_) Load();
  platform::SetMessageBoxOwner(this);
  // The monitor is named as well as the place: a Wayland compositor goes by it.
  if (QScreen* screen = QGuiApplication::screenAt(screen_.Geometry.center())) setScreen(screen);
  setGeometry(screen_.Geometry);
  // Full screen also for window managers that would keep a panel above it.
  setWindowState(windowState() | Qt::WindowFullScreen);
  // A locked show on X: its windows are left alone by the window manager and
  // kept above every other, and the keyboard and pointer are held before the
  // first of them is mapped (in a Wayland session the session's lock holds the
  // password).
  const bool x11Lock = HoldsX11Lock();
  if (x11Lock) {
    setWindowFlag(Qt::X11BypassWindowManagerHint, true);
    inputGrab_ = std::make_unique<platform::InputGrab>([this](bool key) {
      if (!core::QuitSaver && !unloaded_) lock_.On(key ? LockEvent::Key : LockEvent::Click);
    });
    if (!inputGrab_->TakeWithin(kGrabWaitMs)) {
      platform::WriteRunLog(
          "The slide show did not start: with a password it runs only while it holds the keyboard "
          "and the pointer, and another program kept them.");
      core::QuitSaver = true;
    } else {
      stackingWatch_ = std::make_unique<platform::StackingWatch>(
          [this] { if (!core::QuitSaver && !unloaded_) lock_.On(LockEvent::Restack); },
          [this] { if (!core::QuitSaver && !unloaded_) lock_.On(LockEvent::GrabLost); });
    }
  }
  // Every other monitor is covered by a black window of the show, shown
  // before it so the show's own window is the one on top and in focus.
  if (!core::QuitSaver)
    covers_ = std::make_unique<MonitorCovers>(
        *this, screen_.Geometry, !core::DebugMode,
        [this](QEvent& event, QPointF at) { return ShowInput(event, at); },
        [this] { if (!unloaded_) lock_.On(LockEvent::MonitorChange); });
  // A termination signal ends the show as input does, without the password:
  // the end of the show writes "running" back and removes what it prepared.
  platform::SetTerminationHandler([this](int) { EndOnSignal(); });
  destroyWatch_ = std::make_unique<platform::WindowDestroyWatch>(*this, [this](quintptr id) { WindowTakenAway(id); });
  if (!core::QuitSaver) platform::ShowModal(*this);
  stackingWatch_.reset();
  destroyWatch_.reset();
  inputGrab_.reset();
  covers_.reset();
  platform::SetTerminationHandler({});
  if (!unloaded_) Form_Unload();
  if (!terminated_) Form_Terminate();
  platform::SetMessageBoxOwner(nullptr);
}

void frmSaver::FinishUnload() {
  unloadPending_ = false;
  picStretch.ClearPicture();
  Form_Unload();
  platform::Unload(*this);
}

void frmSaver::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  // Every end of the show comes here, before the program can exit.
  if (sessionLock_) LockSessionOnce();
  QObject::disconnect(focusWatch_);
  tmrTrans.SetEnabled(false);
  tmrInfo.SetEnabled(false);
  std::error_code ignored;
  if (!ProgramFolder.empty()) std::filesystem::remove(ProgramFolder + "sstemp.bmp", ignored);
  // What a preparation cut short by the end leaves: the slide before its
  // rename and the intermediate of the low-colour conversion.
  if (!SettingsFolder.empty())
    for (const char* name : {"ssj.bmp", "conv.jpg"})
      std::filesystem::remove(SettingsFolder + name, ignored);
  platform::SetScreenSaverRunning(false);
  MP->Stop();
  core::WriteIni(keys::kScreenSaver_Running.section, keys::kScreenSaver_Running.key, "0",
                 SettingsFile);
  captionLock_.reset();
  stackingWatch_.reset();
  inputGrab_.reset();
  covers_.reset();
}

void frmSaver::Form_Terminate() {
  terminated_ = true;
  platform::SetScreenSaverRunning(false);
  core::WriteIni(keys::kScreenSaver_Running.section, keys::kScreenSaver_Running.key, "0",
                 SettingsFile);
}

void frmSaver::MP_PlayStateChange() {
  if (!core::QuitSaver && !SoundFile.empty() && SoundLooping &&
      MP->PlayState() == platform::mpStopped)
    MP->Play();
}

void frmSaver::SetMeterWidth(double width) { shpMeterWidth = width; }
void frmSaver::SetTotalWidth(float width) {
  shpTotalWidth = width;
  if (picMeterContainerVisible) update();
}

QRegion frmSaver::MakeStepCopies(QImage* store, const QRegion& painted) {
  if (!store) {
    Transitions->CopyLeft();
    return {};
  }
  const QRect screen(0, 0, picDisp.Width(), picDisp.Height());
  // The painter holds the image open: its memory is written as it stands,
  // not through bits(), which would copy an image shared elsewhere.
  const imaging::AlsoTarget also{reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(store->constBits())),
                                 store->bytesPerLine() / 4, store->width(), store->height(),
                                 picDispLeft, picDispTop};
  const auto covered = [&](const core::StepRect& r) {
    const QRect device =
        QRect(r.x, r.y, r.width, r.height).intersected(screen).translated(picDispLeft, picDispTop);
    return store->rect().contains(device) && QRegion(device).subtracted(painted).isEmpty();
  };
  QRegion written;
  for (const core::StepRect& r : Transitions->CopyLeft(&also, covered))
    written += QRect(r.x + picDispLeft, r.y + picDispTop, r.width, r.height);
  return written;
}

void frmSaver::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  // The slide, the window's picture and the panel are in the screen's device
  // pixels: they are painted pixel for pixel, never scaled by Qt.
  const double ratio = devicePixelRatioF();
  painter.save();
  painter.setTransform(QTransform::fromScale(1.0 / ratio, 1.0 / ratio));
  QRegion areas;  // what is painted, in device pixels
  for (const QRect& logical : event->region())
    areas += QRectF(logical.x() * ratio, logical.y() * ratio, logical.width() * ratio,
                    logical.height() * ratio)
                 .toAlignedRect();
  // A transition step's copies are made first, so that the screen is painted
  // with them; what they wrote into the backing store is not painted again.
  // The screen is not looked at for them (that would make the copies the
  // steps left for it, BitBltRectsLater), nor at all when they cover the paint.
  if (Transitions && Transitions->HasLeftCopies())
    areas -= MakeStepCopies(picDisp.PlainColour() ? nullptr : RowCopyTarget(painter, ratio), areas);
  // A screen not drawn on yet is one colour: filled here, its pixels not made.
  const std::optional<QColor> plain = picDisp.PlainColour();
  const QImage disp = plain || areas.isEmpty() ? QImage() : picDisp.SurfaceView();
  const QRect dispRect = picDisp.Buffer() == imaging::kNoHandle
                             ? QRect()
                             : QRect(picDispLeft, picDispTop, picDisp.Width(), picDisp.Height());
  QImage* store =
      disp.isNull() || disp.format() != QImage::Format_RGB32 ? nullptr : RowCopyTarget(painter, ratio);
  std::vector<imaging::RowCopy> rows;
  for (const QRect& area : areas) {
    // A clip of this one rectangle: under the paint's own clip of many thin
    // rectangles (a step of column blinds) Qt would draw pixel run by pixel
    // run and hand the runs to its thread pool, a frame's worth of work and
    // eight threads woken for a few columns; under a rectangle it copies rows.
    painter.setClipRect(area);
    // Only the surround is filled, black at every depth (the window's picture
    // of an 8-bit screen is the slide itself, which picDisp shows already):
    // what the slide covers is drawn over anyway.
    for (const QRect& part : QRegion(area).subtracted(QRegion(dispRect))) painter.fillRect(part, Qt::black);
    const QRect target = area.intersected(dispRect);
    if (target.isEmpty()) continue;
    if (plain) {
      painter.fillRect(target, *plain);
    } else if (store) {
      const QRect inside = target.intersected(store->rect());
      if (!inside.isEmpty())
        rows.push_back({inside.x(), inside.y(), inside.width(), inside.height(),
                        inside.x() - picDispLeft, inside.y() - picDispTop});
    } else {
      painter.drawImage(target.topLeft(), disp, target.translated(-picDispLeft, -picDispTop));
    }
  }
  // The slide's rows go into the backing store in one walk for all the
  // rectangles: a step of column blinds is a few pixels of each of a frame's
  // rows, and drawn rectangle by rectangle each column would walk down the
  // frame by itself, waiting on a new cache line and page every row.
  if (!rows.empty()) {
    // The painter holds the image open: its memory is written as it stands,
    // not through bits(), which would copy an image shared elsewhere.
    auto* to = reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(store->constBits()));
    const auto* from = reinterpret_cast<const std::uint32_t*>(disp.constBits());
    imaging::CopyRows(to, store->bytesPerLine() / 4, from, disp.bytesPerLine() / 4, rows.data(),
                      rows.size());
  }
  painter.setClipping(false);
  if (Screen.DescVisible)
    painter.drawImage(QPoint(picDispLeft + Screen.DescLeft, picDispTop + Screen.DescTop),
                      RenderPanel(Screen));
  painter.restore();
  if (picMeterContainerVisible) {
    const QRect box(5, height() - kMeterHeight - 5, kMeterWidth, kMeterHeight);
    painter.fillRect(box, QColor(192, 192, 192));
    painter.setPen(QColor(255, 255, 255));  // highlight: top and left edges
    painter.drawLine(box.topLeft(), box.topRight());
    painter.drawLine(box.topLeft(), box.bottomLeft());
    painter.setPen(QColor(128, 128, 128));  // shadow: right and bottom edges
    painter.drawLine(box.topRight(), box.bottomRight());
    painter.drawLine(box.bottomLeft(), box.bottomRight());
    const int inner = kMeterWidth - 4;
    const int half = (kMeterHeight - 6) / 2;
    painter.fillRect(QRect(box.left() + 2, box.top() + 2,
                           int(inner * std::clamp(shpMeterWidth, 0.0, 100.0) / 100.0), half),
                     QColor(0, 0, 160));
    painter.fillRect(QRect(box.left() + 2, box.top() + 4 + half,
                           int(inner * std::clamp(double(shpTotalWidth), 0.0, 100.0) / 100.0), half),
                     QColor(0, 128, 0));
  }
}

}  // namespace orvane::saver
