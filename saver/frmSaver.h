#pragma once
// The full-screen slide-show window. It reads its settings (or takes them from
// the settings dialog's preview through InitiSaver), prepares every slide off
// screen (PrepImage), brings it on screen with a transition while the set's
// sound fades (DoTrans, ExecuteTrans), finishes it with panel, title, calendar
// and pan, and ends on user input after the password check.
//
// The window's work is split by concern: frmSaver.cpp (start, layout, sound,
// painting), PrepImage.cpp (slide preparation), ShowSlide.cpp (showing a slide),
// SlideClock.cpp (the clocks, input and the end of the show), ShowLock.cpp (the
// session lock that holds the password in a Wayland session).
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QWidget>
#include <QWindow>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "core/Progress.h"
#include "core/TransitionClass.h"
#include "core/clsImageList.h"
#include "core/windows.h"
#include "imaging/imaging.h"
#include "platform/caption_lock.h"
#include "platform/input_grab.h"
#include "platform/window_watch.h"
#include "platform/picturebox.h"
#include "platform/screen.h"
#include "platform/sound.h"
#include "platform/vbtimer.h"
#include "saver/LockController.h"
#include "saver/SaverScreen.h"
#include "saver/SlideOverlay.h"

namespace orvane::saver {

class MonitorCovers;

// The caption other programs look for while a show runs.
inline constexpr const char* kSaverCaption = "DUZudaveZeved";

// Environment variable naming a file that receives, for the benchmarks, one line
// per preparation, transition and pan ("prep <start> <end>", "trans <start>
// <end>", "pan <start> <end>"; each announced as it begins by "prepstart",
// "transstart" or "panstart" <start> <start>) and per transition step ("step <tick> <ms since the previous step>"),
// all in tick-count milliseconds.
inline constexpr const char* kTraceVariable = "ORVANE_TRACE";

// True when the last path component of name has a ".": a "\" or "/" after the
// dot means the dot belongs to a folder.
bool HasExtension(const std::string& name);

// [PrefsSS] change as seconds: n & "s", n & "m" (minutes), or a bare index into
// the delay table; anything the table cannot answer gives the reader's default.
std::int64_t ParseImageDelay(const std::string& change);

// The memory report of the show's diagnostics labels (three lines, CR LF).
std::string MemoryReportText();

class frmSaver : public QWidget,
                 public core::SlideShowWindow,
                 private core::MeterSink,
                 private SaverWindowCalls,
                 private LockWays {
 public:
  // screen: the area the window covers, in device-independent units; an empty
  // rectangle means the primary screen's geometry. The show draws in the device
  // pixels of the screen that holds it.
  explicit frmSaver(QRect screen = QRect(), QWidget* parent = nullptr);
  // The area and its device pixels given (a test's screen of another ratio).
  explicit frmSaver(const platform::ScreenPixels& screen, QWidget* parent = nullptr);
  ~frmSaver() override;

  // ---- start (the preview's hand-over, then the show) ----
  void InitiSaver(const std::string& imageSetRoot, const std::string& catalogueFile,
                  const std::string& settingsFile, const std::string& currentSet, bool randomAll,
                  int delay, bool minutes, const std::string& language, bool titles, bool text,
                  int infoTime, int transition, int panSpeed, bool stretch, bool calendarOn,
                  int calendarSize, int calendarPosition, bool panOn, bool soundOn,
                  bool soundLooping, bool webLinksOn);
  // Form_Load and the first layout (Form_Resize) at the screen's size, without
  // showing the window. ShowModal calls it when it has not run yet.
  void Load();
  // Shows the window modally and returns when it has been unloaded. One show
  // per object: a preview makes a new window each time.
  void ShowModal() override;
  bool Loaded() const { return loaded_; }

  // ---- slide cycle ----
  void PrepImage();
  void DoTrans();
  void ExecuteTrans();

  // ---- clocks, input and end ----
  void tmrTrans_Timer();
  void tmrInfo_Timer();
  void Form_Click();
  void Form_KeyDown(int keyCode);
  void Form_KeyPress(int keyAscii);
  void Form_MouseMove(double x, double y);
  // The show's own prompt (with a password stored): true when the right
  // password was typed or none is asked; the clocks pause meanwhile.
  bool PasswordCheck();
  void OpenLink(const std::string& url);
  // The link a key opens as it ends the show (Tab, Esc), if the slide has one.
  void OpenKeyLink(int keyAscii);
  // QuitSaver, stop the filter, and unload once no loop of the show runs.
  void EndShow();
  // A termination signal: the prompts and boxes of the show are cancelled and
  // the show ends without asking for the password.
  void EndOnSignal();
  // Another program destroyed or unmapped the show's window: it comes back on
  // screen, and the loss counts as a close request.
  void WindowTakenAway(quintptr nativeWindow);
  // In a Wayland session a show with a password locks the session through
  // logind (platform/session_lock.h) as it ends or is left, once; false when
  // the lock did not go through.
  bool LockSessionOnce();
  // In a Wayland session the show's window lost the focus to another
  // program's (FocusLoss), or was hidden or minimised (Unmap).
  void LeftShow(LockEvent how = LockEvent::FocusLoss);
  bool LocksSession() const { return sessionLock_; }
  // The lock's one owner: every event of the show that can end or expose it
  // goes through here (saver/LockController.h).
  LockController& Lock() { return lock_; }

  void MP_PlayStateChange();
  // The show's input (keys, clicks, moves at the given point of the window,
  // close requests), from its own window and from the covers of the other
  // monitors; false for any other event.
  bool ShowInput(QEvent& event, QPointF at);

  // ---- controls ----
  platform::PictureBox picDisp;
  platform::PictureBox picStretch;
  platform::PictureBox picConvert;
  platform::PictureBox picDesc;
  platform::VbTimer tmrTrans;
  platform::VbTimer tmrInfo;
  std::unique_ptr<platform::SoundPlayer> MP;
  std::string lblStartMem;
  std::string lblMemStatus;
  bool picMeterContainerVisible = false;
  double shpMeterWidth = 0;
  double shpTotalWidth = 0;
  // What the panel, title, calendar and pan code share with the window: the
  // picture boxes, the panel's labels and place, and copies of the fields below.
  SaverScreen Screen;
  int picDispLeft = 0;
  int picDispTop = 0;
  // The window's own picture (the 8-bit path shows the prepared file there).
  QImage Picture;

  // ---- settings of the show ----
  bool SoundOn = false;
  bool SoundLooping = false;
  std::int64_t ImageDelay = 60;
  core::clsImageList SlideList;
  int TransitionSetting = core::kAllTransitions;
  std::string LanguageName = "English";
  int ShowText = 0;
  int ShowTitle = 0;
  std::string ProgramFolder;
  std::string CatalogueFile;
  std::string SettingsFile;
  std::string SettingsFolder;
  int PanSpeed = 250;
  std::string CurrentSet;
  bool PresetByCaller = false;
  bool AllSets = false;
  bool Random = true;
  bool Stretch = true;
  int RefWidth = 1024;
  int RefHeight = 768;
  bool UsePassword = false;
  bool WebLinksOn = true;
  bool CalendarOn = true;
  int CalendarSize = 20;
  int CalendarPosition = 1;
  bool PanOn = true;
  std::int64_t InfoTime = 20;
  bool SetUp = false;
  bool ShowInit = false;
  bool EastAsian = false;
  std::unique_ptr<core::TransitionClass> Transitions;
  imaging::Handle PanelBitmap = imaging::kNoHandle;

  // ---- the current slide (written by PrepImage and DoTrans) ----
  int CurrentIndex = 0;
  std::string EntryPath;
  std::string EntryName;
  std::string TitleFile;
  std::int64_t TitleTime = 60;
  bool IsTitlePage = false;
  std::string PanDirection;
  std::string ImageURL, CompanyURL, SetURL, SaverURL;
  bool TabLinkOn = false;
  bool EscLinkOn = false;
  long RampInTime = 1;
  long RampOutTime = 1;
  std::string SoundFile;
  bool SoundChanged = false;
  SlideOverlayFields Overlay;  // LayerFile, LayerTranslucency, LayerIndex, SlideCounter...
  int ImageWidth = 0;
  int ImageHeight = 0;
  int PanMode = 0;
  int PanX = 0;
  int PanY = 0;
  // Nothing in the play list (nor in all sets) could be shown: the show says
  // so, naming the folder of the chosen set (else the program folder), since
  // the tick count NothingSince, and looks again after each change time.
  bool NothingToShow = false;
  std::string NothingFolder;
  std::uint32_t NothingSince = 0;

  // ---- clock, countdown and input state ----
  std::int64_t TickCount = 0;
  int TickStep = 0;
  std::int64_t InfoCountdown = 0;
  int LastMouseX = 0;
  int LastMouseY = 0;
  std::optional<int> CycleKind;
  std::int64_t TimerCalls = 0;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  friend class BusyScope;
  void Form_Load();
  void Form_Resize();
  void Form_Unload();
  void Form_Terminate();
  void ReadSettings();
  void BuildList(bool allSets);
  void FallBackToAllSets();
  // The play list of the chosen sets made again, as at the start, and a slide
  // prepared from it (after nothing could be shown).
  void LookAgainForPictures();
  // The load-failure report, given once per file in a show.
  void ReportSlideFailure(const std::string& file, const std::string& location, int errorNumber);
  bool ChooseEntry(int& attempts, bool& fellBack);
  // Copies the settings and the current slide's fields into Screen.
  void SyncScreen();
  // False when the show ended during the fade.
  bool FadeOut(long fadeTime);
  void FinishUnload();
  void ShowStepArea();
  // Makes the copies a transition step left for the paint: into the screen,
  // and into the window's backing store (null: none) where `painted` (device
  // pixels of the window) covers them. Returns the part of the window written.
  QRegion MakeStepCopies(QImage* store, const QRegion& painted);
  void Trace(const char* what, std::uint32_t first, std::uint32_t second);

  // SaverWindowCalls
  void StartSlideClock() override;
  void StartInfoCountdown() override;
  void PanelChanged() override;
  void ExecutePan(SaverScreen& screen) override;

  // LockWays: what the lock's reactions do to this show.
  void LockCover() override;
  void LockRemap() override;
  void LockRaise() override;
  void LockRegrab() override;
  void LockRefocus() override;
  bool LockSessionNow() override;
  bool LockAsk() override;
  void LockCancelPrompts() override;
  void LockEnd() override;
  // The show is locked on X: it holds the grabs and keeps its windows on top.
  bool HoldsX11Lock() const;

  // core::MeterSink
  void SetMeterWidth(double width) override;
  void SetTotalWidth(float width) override;

  platform::ScreenPixels screen_;
  bool screenKnown_ = false;  // else screen_.Geometry is resolved at Load
  bool loaded_ = false;
  bool unloaded_ = false;
  bool terminated_ = false;
  int busyDepth_ = 0;
  bool unloadPending_ = false;
  bool inPasswordCheck_ = false;
  std::unique_ptr<platform::CaptionLock> captionLock_;
  void TakeCaptionLock();
  // With a password the show holds the keyboard and pointer while it is up,
  // from before its first window is mapped; it waits this long for them.
  static constexpr int kGrabWaitMs = 5000;
  std::unique_ptr<platform::InputGrab> inputGrab_;
  std::unique_ptr<platform::WindowDestroyWatch> destroyWatch_;
  // A locked show on X: other windows mapped or raised over it.
  std::unique_ptr<platform::StackingWatch> stackingWatch_;
  // Set at load: the password is held by the session's lock, not by a prompt.
  bool sessionLock_ = false;
  bool sessionLocked_ = false;
  std::optional<std::string> lockFailure_;  // the reason of the last failed session lock, said once
  bool forwardingKey_ = false;               // a key on its way to the prompt inside the show
  bool hadFocus_ = false;
  QMetaObject::Connection focusWatch_;
  void StartSessionLock();
  void FocusMoved(QWindow* window);
  // True for the show's window, its covers and its boxes.
  bool OwnWindow(QWindow* window) const;
  // Black windows of the show over the other monitors while it is up.
  std::unique_ptr<MonitorCovers> covers_;
  LockController lock_{LockWay::X11, *this};
  // The character of the key that unlocked the show, for its links; 0 for none.
  int unlockKey_ = 0;
  std::set<std::string> reportedFailures_;
  std::FILE* trace_ = nullptr;
};

// Marks a long operation of the show (a slide, a pan): an end of the show asked
// for meanwhile unloads the window only when the outermost one finishes.
class BusyScope {
 public:
  explicit BusyScope(frmSaver& window);
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  frmSaver& window_;
};

}  // namespace orvane::saver
