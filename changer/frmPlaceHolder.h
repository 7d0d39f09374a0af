#pragma once
// The changer's only form: a host that never shows a window of its own. It
// holds the tray icon and its menu, the change schedule's timer (Timer1), the
// set-sound player (audioTimer, MMC1) and the link opener (Launcher).
//
// frmPlaceHolder.cpp holds the start, the tray icon and the menu;
// ChangeTimer.cpp the schedule; SetSounds.cpp the sounds and the link opener.
#include <QObject>
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "changer/Schedule.h"
#include "platform/keyedlist.h"
#include "platform/sound.h"
#include "platform/vbruntime.h"
#include "platform/vbtimer.h"

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace orvane::changer {

inline constexpr const char* kProgramName = "tobrin";
inline constexpr const char* kTrayTooltip = "Wallpaper Changer";

// How long the schedule holds back after a start that has ended without moving
// the recorded last change (the started program failed or only deferred it).
inline constexpr std::uint32_t kRetryDelayMs = 5 * 60 * 1000;
// A started program that still runs after this long no longer holds the
// schedule back (it hangs, or its process number went to another program).
inline constexpr std::uint32_t kLaunchTimeoutMs = 30 * 60 * 1000;

// One sound of the set.
struct CSoundInfo {
  std::string FileName;  // full path
  long RampIn = 3000;    // fade-in in ms
};

// True for a sound name from a description file that stays inside the set
// folder: relative, no ".." part, no wildcards.
bool IsSafeSoundName(const std::string& name);

struct ChangerOptions {
  // The local time; platform::Now when empty.
  std::function<platform::DateTime()> now;
  // Show the tray icon (tests of the logic leave it off).
  bool tray = true;
  // What closing the program does after Form_Unload; QCoreApplication::quit
  // when empty.
  std::function<void()> end;
};

class frmPlaceHolder : public QObject {
  Q_OBJECT

 public:
  explicit frmPlaceHolder(ChangerOptions options = {});
  ~frmPlaceHolder() override;
  frmPlaceHolder(const frmPlaceHolder&) = delete;
  frmPlaceHolder& operator=(const frmPlaceHolder&) = delete;

  // The start. False when another changer already runs: the caller ends at once.
  bool Form_Load();
  void Form_Unload();

  // ---- tray and menu ----
  void TrayX1_Activated();
  void mnuClose_Close_Click();
  void mnuProp_NextWallpaper_Click();
  void mnuProp_Change_Click();
  void mnuProp_Sound_Click();
  void mnuProp_AutoChangState_Click();

  // ---- schedule ----
  void Timer1_Timer();

  // ---- sounds and links ----
  void audioTimer_Timer();
  void MMC1_Done(int notifyCode);
  void LoadSetInfo();
  bool IsSaverRunning() const;
  void Launcher_Timer();
  // Never called: the faded media-player step and the bare end procedure.
  void PlayNextSoundFaded();
  void EndProgram();

  // ---- controls ----
  platform::VbTimer Timer1;
  platform::VbTimer audioTimer;
  platform::VbTimer Launcher;
  platform::MMControl MMC1;
  // The media-player control of the faded step; made when that step first runs.
  std::unique_ptr<platform::SoundPlayer> MediaPlayer1;
  QMenu* mnuProp = nullptr;
  QAction* mnuClose_Close = nullptr;
  QAction* mnuProp_NextWallpaper = nullptr;
  QAction* mnuProp_Change = nullptr;
  QAction* mnuProp_Sound = nullptr;
  QAction* mnuProp_AutoChangState = nullptr;
  // nullptr when the options leave the tray off.
  QSystemTrayIcon* TrayX1 = nullptr;

  // ---- state, readable by tests ----
  int Counter() const { return counter_; }
  int TrayIconResource() const { return iconResource_; }
  bool Playing() const { return playing_; }
  int SoundIndex() const { return soundIndex_; }
  const std::string& CurrentSetName() const { return currentSet_; }
  // nullptr until the first load.
  const platform::KeyedList<CSoundInfo>* SoundList() const { return soundList_.get(); }
  const std::string& ScreenSaverIni() const { return screenSaverIni_; }
  const std::string& OrvaneIni() const { return orvaneIni_; }

 private:
  void BuildMenu();
  void SetTrayIcon(int resource);
  void ShowTrayWhenAvailable();
  void PlayNextSound();
  platform::DateTime Now() const;
  // The schedule's hold after a start: true while the started program still
  // runs, or for a while after it ended without moving lastChanged.
  bool WaitingForLaunch(const std::string& lastChanged);
  void RecordLaunch(std::optional<qint64> pid, const std::string& lastChanged);

  ChangerOptions options_;
  QTimer* trayWait_ = nullptr;
  bool loaded_ = false;
  bool unloaded_ = false;

  int longInterval_ = kLongInterval;
  int counter_ = 1;
  int iconResource_ = 0;
  std::string settingsFolder_;
  std::string screenSaverIni_;
  std::string orvaneIni_;
  std::string programPath_;

  struct Launch {
    std::optional<qint64> pid;
    std::string lastChanged;
    std::uint32_t tick = 0;
  };
  std::optional<Launch> launch_;
  // The date for which a calendar redraw was last started.
  std::optional<platform::DateTime> calendarStartedFor_;

  std::string currentSet_;
  std::unique_ptr<platform::KeyedList<CSoundInfo>> soundList_;
  int soundIndex_ = 1;
  bool playing_ = false;
  bool inSoundStep_ = false;
};

}  // namespace orvane::changer
