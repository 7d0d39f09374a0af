#pragma once
// The windows that the start-up procedure reaches but that later subsystems
// build: the settings dialog frmKestrin, the slide-show window frmSaver and the
// progress window frmPleaseWait. Each is the program's single instance of that
// window; the program's main plugs the real windows in, tests plug in
// recording stand-ins.
#include <string>

namespace orvane::core {

class SettingsDialogWindow {  // frmKestrin
 public:
  virtual ~SettingsDialogWindow() = default;
  // Loads the dialog without showing it (Form_Load runs).
  virtual void Load() = 0;
  // Hides the dialog if shown and unloads it (its unload work runs).
  virtual void Unload() = 0;
  // Shows the dialog modeless; a dialog not loaded yet is loaded first.
  virtual void Show() = 0;
  // True only for a "/c" start.
  virtual void SetConfigMode(bool configMode) = 0;
  // Selects the page shown: 0 the screen-saver page, 1 the wallpaper page.
  virtual void StartingTab(int page) = 0;
  // The option button "wallpaper on" of the wallpaper page.
  virtual bool optWallPaperOn() = 0;
  virtual void ResetWPImage(bool reset) = 0;
  // Picks the next wallpaper image, renders it and sets it on the desktop.
  virtual void NextWallpaperImage() = 0;
  // Re-renders the current wallpaper image with today's calendar and sets it.
  virtual void SetWallpaper() = 0;
};

class SlideShowWindow {  // frmSaver
 public:
  virtual ~SlideShowWindow() = default;
  // Shows the full-screen slide show modally; returns when it has unloaded.
  virtual void ShowModal() = 0;
};

class ProgressWindow {  // frmPleaseWait
 public:
  virtual ~ProgressWindow() = default;
  virtual void Show() = 0;  // modeless
  virtual void Hide() = 0;
  virtual void Unload() = 0;
};

class WindowFactory {
 public:
  virtual ~WindowFactory() = default;
  virtual SettingsDialogWindow& frmKestrin() = 0;
  virtual SlideShowWindow& frmSaver() = 0;
  virtual ProgressWindow& frmPleaseWait() = 0;

  // The change-password dialog of the screen-saver password ("/a"); provider is
  // "SCRSAVE".
  virtual void PwdChangePassword(const std::string& provider) = 0;

  // Runs during the "/s" start while the settings dialog is loaded (between
  // its Load and Unload, before the show): brings the catalogue of installed
  // image sets up to date. Does nothing unless the program wires it.
  virtual void RefreshCatalogue() {}

  // True while a modeless window (the settings dialog) is open, so the program
  // must run its event loop after Main has returned.
  virtual bool ModelessWindowOpen() = 0;
};

}  // namespace orvane::core
