// Orvane: the screen saver, its settings dialog and the wallpaper builder.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "core/FirstStart.h"
#include "core/Globals.h"
#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "core/Utils.h"
#include "core/mdlMain.h"
#include "core/windows.h"
#include "platform/command_line.h"
#include "platform/cursor.h"
#include "platform/events.h"
#include "platform/password.h"
#include "platform/saverlink.h"
#include "saver/frmSaver.h"
#include "settings/frmKestrin.h"
#include "settings/frmPleaseWait.h"

namespace {

using namespace orvane::core;

// Stand-ins for the windows that are not built yet. Each call is appended as
// one line to the file named by ORVANE_PLACEHOLDER_LOG (when set); nothing
// appears on screen, and the modeless dialog simply returns so the process ends.
// ORVANE_PLACEHOLDER_SAVER=1 puts recording stand-ins in place of the real
// settings dialog and slide show (and of the catalogue refresh before the show
// and the password change dialog of "/a"), for the start-up tests;
// ORVANE_PLACEHOLDER_SAVER=show replaces only the slide show, so the real
// dialog carries out what is deferred until the show ends.
void Record(const std::string& line) {
  const char* log = std::getenv("ORVANE_PLACEHOLDER_LOG");
  if (!log || !*log) return;
  std::ofstream out(log, std::ios::app);
  out << line << '\n';
}

class PlaceholderKestrin : public SettingsDialogWindow {
 public:
  void Load() override { Record("frmKestrin.Load"); }
  void Unload() override { Record("frmKestrin.Unload"); }
  void Show() override { Record("frmKestrin.Show"); }
  void SetConfigMode(bool configMode) override { Record(std::string("frmKestrin.ConfigMode ") + (configMode ? "1" : "0")); }
  void StartingTab(int page) override { Record("frmKestrin.StartingTab " + std::to_string(page)); }
  bool optWallPaperOn() override {
    return GetIniInt(settings::kPrefsWP_Enable.section, settings::kPrefsWP_Enable.key,
                     settings::kDialogDefault_PrefsWP_Enable,
                     GetSettingsFolder() + settings::kScreenSaverIni) != 0;
  }
  void ResetWPImage(bool reset) override { Record(std::string("frmKestrin.ResetWPImage ") + (reset ? "1" : "0")); }
  void NextWallpaperImage() override { Record("frmKestrin.NextWallpaperImage"); }
  void SetWallpaper() override { Record("frmKestrin.SetWallpaper"); }
};

class PlaceholderSaver : public SlideShowWindow {
 public:
  void ShowModal() override {
    Record(std::string("frmSaver.ShowModal debug=") + (DebugMode ? "1" : "0") +
           " cursor=" + std::to_string(orvane::platform::CursorDisplayCount()));
    // With ORVANE_PLACEHOLDER_WAIT set the "show" lasts until stdin is closed,
    // so a second instance can be started while this one runs.
    if (std::getenv("ORVANE_PLACEHOLDER_WAIT")) {
      std::cout << "showing" << std::endl;
      std::string line;
      while (std::getline(std::cin, line)) {
      }
    }
  }
};

// The progress window, its calls recorded for the start-up tests too.
class RecordedPleaseWait : public ProgressWindow {
 public:
  void Show() override {
    Record("frmPleaseWait.Show");
    orvane::settings::PleaseWait().Show();
  }
  void Hide() override {
    Record("frmPleaseWait.Hide");
    orvane::settings::PleaseWait().Hide();
  }
  void Unload() override {
    Record("frmPleaseWait.Unload");
    orvane::settings::PleaseWait().Unload();
  }
};

bool PlaceholderSaverWanted(const char* mode) {
  const char* value = std::getenv("ORVANE_PLACEHOLDER_SAVER");
  return value && std::string(value) == mode;
}

class ProgramWindows : public WindowFactory {
 public:
  SettingsDialogWindow& frmKestrin() override {
    if (placeholderSaver_) return kestrinPlaceholder_;
    // Made when first asked for, after the application object exists.
    if (!kestrin_) kestrin_ = std::make_unique<orvane::settings::frmKestrin>(&pleaseWait_);
    return *kestrin_;
  }
  SlideShowWindow& frmSaver() override {
    if (placeholderSaver_ || placeholderShow_) return placeholder_;
    // Made when first asked for, so it reads DebugMode and the screen then.
    if (!saver_) saver_ = std::make_unique<orvane::saver::frmSaver>();
    return *saver_;
  }
  ProgressWindow& frmPleaseWait() override { return pleaseWait_; }
  void PwdChangePassword(const std::string& provider) override {
    Record("PwdChangePassword " + provider);
    if (!placeholderSaver_) orvane::platform::PwdChangePassword(provider);
  }
  // The settings dialog's load has brought the catalogue up to date (and ended
  // the program when no image set was found).
  void RefreshCatalogue() override { Record("RefreshCatalogue"); }
  bool ModelessWindowOpen() override { return kestrin_ && kestrin_->isVisible(); }

 private:
  bool placeholderSaver_ = PlaceholderSaverWanted("1");
  bool placeholderShow_ = PlaceholderSaverWanted("show");
  PlaceholderKestrin kestrinPlaceholder_;
  PlaceholderSaver placeholder_;
  std::unique_ptr<orvane::saver::frmSaver> saver_;
  RecordedPleaseWait pleaseWait_;
  std::unique_ptr<orvane::settings::frmKestrin> kestrin_;
};

// The system reads one command-line text; the arguments are joined back with
// single blanks.
std::string JoinedArguments(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return commandLine;
}

constexpr const char* kUsage =
    "usage: orvane [/s | /c | /a | /wall | /kalendar | /-ConfigWall] [/debug]\n"
    "The photographic screen saver, its settings and the wallpaper builder.\n"
    "  (nothing), /c    open the settings dialog\n"
    "  /s               run the slide show\n"
    "  /a               change the screen-saver password\n"
    "  /wall            build the next wallpaper and put it on the desktop\n"
    "  /kalendar        redraw today's calendar on the current wallpaper\n"
    "  /-ConfigWall     open the settings dialog on its wallpaper page\n"
    "  /debug           with /s, the show for a developer (pointer visible, not on top);\n"
    "                   alone, the settings dialog\n"
    "  -h, --help, /?   show this help and end\n"
    "  --version        show the version and end\n"
    "/wall and /kalendar open no window: what they cannot do goes to standard error and\n"
    "~/.local/state/orvane/orvane.log, and they end with status 1.\n";

}  // namespace

int main(int argc, char** argv) {
  if (const auto answered = orvane::platform::AnswerHelpOrVersion(argc, argv, "orvane", kUsage, {"/?"}))
    return *answered;

  // Whether the run is unattended is known before Qt opens the display, so
  // that a run without one is in the log too.
  std::optional<orvane::platform::DisplayCheck> display(std::in_place, argc, argv, "orvane",
                                                        IsUnattendedRun(JoinedArguments(argc, argv)));
  QApplication app(argc, argv);  // takes Qt's own options out of argv
  display.reset();
  QApplication::setApplicationName("Orvane");
  orvane::core::FirstStart();  // a program folder of the user's own when none is recorded
  orvane::platform::EnsureSaverLink(QCoreApplication::applicationFilePath().toStdString());

  ProgramWindows windows;
  const StartOutcome outcome = Main(JoinedArguments(argc, argv), windows);
  if (outcome == StartOutcome::RunWindows) return QApplication::exec();
  return outcome == StartOutcome::Failed ? 1 : 0;
}
