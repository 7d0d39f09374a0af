#include "core/mdlMain.h"

#include <iostream>
#include <optional>

#include "core/Globals.h"
#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "core/Utils.h"
#include "platform/cursor.h"
#include "platform/desktop.h"
#include "platform/events.h"
#include "platform/instance.h"
#include "platform/folders.h"
#include "platform/msgbox.h"
#include "platform/profile.h"
#include "platform/runlog.h"
#include "platform/session_lock.h"
#include "platform/stale_files.h"
#include "platform/vbruntime.h"

namespace orvane::core {

namespace {

namespace keys = settings;

bool Contains(const std::string& text, const char* switchText) {
  return text.find(switchText) != std::string::npos;
}

std::string SettingsFile() { return GetSettingsFolder() + keys::kScreenSaverIni; }

// The second instance's hand-over: the running instance performs it after its show.
// The user's settings file is set up first, so that in a fresh home the request
// does not make a file that holds nothing else (a show would take it for one
// that was never set up).
void RecordDelayedChange(const char* change) {
  // Quietly: a second instance shows no message and must not end before it
  // has recorded the request.
  EnsureUserIni(GetSettingsFolder(), FindProgramPath());
  IniBatch batch(SettingsFile());
  batch.Write(keys::kPrefsWP_LastChanged.section, keys::kPrefsWP_LastChanged.key,
              platform::FormatMdyDateTime(platform::Now()));
  batch.Write(keys::kPrefsWP_DelayedChange.section, keys::kPrefsWP_DelayedChange.key, change);
  batch.Commit();
}

// Message boxes written down instead of shown while it lives.
class Unattended {
 public:
  Unattended() : before_(platform::UnattendedMessageBoxes()) { platform::SetUnattendedMessageBoxes(true); }
  ~Unattended() { platform::SetUnattendedMessageBoxes(before_); }
  Unattended(const Unattended&) = delete;
  Unattended& operator=(const Unattended&) = delete;

 private:
  bool before_;
};

// "/wall" (nextImage) and "/kalendar": render behind the progress window when
// the wallpaper feature is on; with it off the dialog is only loaded and unloaded.
// The dialog stays hidden, so nobody would answer a box: each is written to the
// run log instead. False when something went wrong (it is in the log).
bool ChangeWallpaper(WindowFactory& windows, bool nextImage) {
  const Unattended unattended;
  SettingsDialogWindow& dialog = windows.frmKestrin();
  dialog.Load();
  if (dialog.optWallPaperOn()) {
    dialog.ResetWPImage(true);
    ProgressWindow& progress = windows.frmPleaseWait();
    progress.Show();
    platform::DoEvents();
    if (nextImage) dialog.NextWallpaperImage();
    else dialog.SetWallpaper();
    progress.Hide();
    progress.Unload();
  } else {
    // Nothing to do, which is no failure; but whoever asked learns why.
    std::cerr << "orvane: The wallpaper is switched off, so it was left as it is. Switch it on on the "
                 "Wallpaper page of the settings (orvane /-ConfigWall)."
              << std::endl;
  }
  dialog.Unload();
  return !platform::RunFailed();
}

StartOutcome SlideShow(WindowFactory& windows) {
  // An idle watcher goes on counting behind the session's lock screen: a show
  // started there would be waiting after the unlock, and its end would lock
  // the session again.
  if (platform::SessionLocked()) return StartOutcome::End;
  HideMouse();
  SettingsDialogWindow& dialog = windows.frmKestrin();
  dialog.Load();
  windows.RefreshCatalogue();
  dialog.Unload();
  windows.frmSaver().ShowModal();
  platform::SetScreenSaverRunning(false);

  const std::string file = SettingsFile();
  // Read and cleared under one hold of the lock: a request that a second
  // instance records at this moment is either taken now or left for next time.
  // A file that cannot be written is still read.
  const auto taken = platform::ExchangePrivateProfileString(
      keys::kPrefsWP_DelayedChange.section, keys::kPrefsWP_DelayedChange.key, std::string(), file);
  const std::string delayed =
      taken ? *taken
            : GetIniString(keys::kPrefsWP_DelayedChange.section, keys::kPrefsWP_DelayedChange.key,
                           keys::kStartupDefault_PrefsWP_DelayedChange, file);
  bool changed = true;
  if (delayed == keys::kDelayedWallPaper) changed = ChangeWallpaper(windows, true);
  else if (delayed == keys::kDelayedCalendar) changed = ChangeWallpaper(windows, false);
  return changed ? StartOutcome::End : StartOutcome::Failed;
}

StartOutcome ShowDialog(WindowFactory& windows) {
  return windows.ModelessWindowOpen() ? StartOutcome::RunWindows : StartOutcome::End;
}

// Temporary files of killed processes (ini files being replaced, pictures
// being written) in the folders where ini files and prepared pictures live.
void RemoveStaleFiles() {
  for (const std::string& folder :
       {GetSettingsFolder(), platform::MachineStateFolder(), platform::GetWindowsDirectory()})
    platform::RemoveStaleTemporaryFiles(folder);
}

}  // namespace

bool IsUnattendedRun(const std::string& commandLine) {
  if (Contains(commandLine, "/s") || Contains(commandLine, "/c") || Contains(commandLine, "/a")) return false;
  return Contains(commandLine, "/wall") || Contains(commandLine, "/kalendar");
}

StartOutcome Main(const std::string& commandLine, WindowFactory& windows) {
  // An unattended run writes its boxes down from the instance check on, so a
  // settings folder that cannot be made ends it with the reason instead of a
  // box that nobody closes.
  std::optional<Unattended> unattended;
  if (IsUnattendedRun(commandLine)) unattended.emplace();

  if (platform::PrevInstance(kInstanceName)) {
    if (Contains(commandLine, "/wall")) RecordDelayedChange(keys::kDelayedWallPaper);
    else if (Contains(commandLine, "/kalendar")) RecordDelayedChange(keys::kDelayedCalendar);
    return unattended && platform::RunFailed() ? StartOutcome::Failed : StartOutcome::End;
  }

  RemoveStaleFiles();  // the first look at the settings folder
  if (unattended && platform::RunFailed()) return StartOutcome::Failed;
  DebugMode = Contains(commandLine, "/debug");

  SettingsDialogWindow& dialog = windows.frmKestrin();
  if (Contains(commandLine, "/s")) return SlideShow(windows);
  if (Contains(commandLine, "/c")) {
    dialog.SetConfigMode(true);
    dialog.StartingTab(0);
    dialog.Show();
    return ShowDialog(windows);
  }
  if (Contains(commandLine, "/a")) {
    windows.PwdChangePassword("SCRSAVE");
    return StartOutcome::End;
  }
  if (commandLine.empty()) {
    dialog.StartingTab(0);
    dialog.SetConfigMode(false);
    dialog.Show();
    return ShowDialog(windows);
  }
  if (Contains(commandLine, "/wall"))
    return ChangeWallpaper(windows, true) ? StartOutcome::End : StartOutcome::Failed;
  if (Contains(commandLine, "/kalendar"))
    return ChangeWallpaper(windows, false) ? StartOutcome::End : StartOutcome::Failed;
  if (Contains(commandLine, "/-ConfigWall")) {
    dialog.SetConfigMode(false);
    dialog.StartingTab(0);
    dialog.Show();
    dialog.StartingTab(1);
    return ShowDialog(windows);
  }
  if (Contains(commandLine, "/debug")) {
    dialog.StartingTab(0);
    dialog.Show();
    dialog.SetConfigMode(false);
    return ShowDialog(windows);
  }
  return StartOutcome::End;
}

void HideMouse() {
  if (DebugMode) return;
  int n = platform::ShowCursor(false);
  SavedCursorCount = n + 1;
  while (n > -1) n = platform::ShowCursor(false);
}

void ShowMouse() {
  if (DebugMode) return;
  int n = platform::ShowCursor(true);
  while (n < SavedCursorCount) n = platform::ShowCursor(true);
}

}  // namespace orvane::core
