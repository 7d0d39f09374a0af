#include "changer/frmPlaceHolder.h"

#include <sys/stat.h>

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <iostream>

#include "changer/ChangerEXE.h"
#include "changer/TrayIcons.h"
#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "core/Utils.h"
#include "platform/instance.h"

namespace orvane::changer {

namespace keys = core::settings;

namespace {

// How often the changer looks for a tray that was not there at start.
constexpr int kTrayPollMs = 2000;

bool SwitchOn(const std::string& file, const keys::IniKey& key, int defaultValue) {
  return core::GetIniInt(key.section, key.key, defaultValue, file) != 0;
}

// The read-only attribute is the owner's write bit; the other bits stay.
void ClearReadOnly(const std::string& file) {
  struct stat info {};
  if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  if (info.st_mode & S_IWUSR) return;
  chmod(file.c_str(), (info.st_mode & 07777) | S_IWUSR);
}

}  // namespace

frmPlaceHolder::frmPlaceHolder(ChangerOptions options)
    : Timer1(this), audioTimer(this), Launcher(this), options_(std::move(options)) {
  // The form's stored timer settings.
  Timer1.SetInterval(kFirstInterval);
  audioTimer.SetInterval(1000);
  Launcher.SetInterval(1000);
  Timer1.SetEnabled(false);
  audioTimer.SetEnabled(false);
  Launcher.SetEnabled(false);
  Timer1.SetHandler([this] { Timer1_Timer(); });
  audioTimer.SetHandler([this] { audioTimer_Timer(); });
  Launcher.SetHandler([this] { Launcher_Timer(); });
  MMC1.SetDoneHandler([this](int code) { MMC1_Done(code); });
  BuildMenu();
}

frmPlaceHolder::~frmPlaceHolder() {
  Form_Unload();
  delete mnuProp;  // a QMenu has no QObject parent here (it is a top-level widget)
}

void frmPlaceHolder::BuildMenu() {
  mnuProp = new QMenu(QStringLiteral("props"));
  mnuClose_Close = mnuProp->addAction(QStringLiteral("Close Wallpaper Auto Changer"));
  mnuProp->addSeparator();  // mnuProp_sep2
  mnuProp_NextWallpaper = mnuProp->addAction(QStringLiteral("Next Wallpaper"));
  mnuProp_Change = mnuProp->addAction(QStringLiteral("Settings..."));
  mnuProp->addSeparator();  // sep1
  mnuProp_Sound = mnuProp->addAction(QStringLiteral("Play Sounds"));
  mnuProp->addSeparator();  // sep2
  mnuProp_AutoChangState = mnuProp->addAction(QStringLiteral("Wallpaper Auto Change Active"));
  // Checked states are set by the handlers, not by Qt on a click.
  mnuProp_Sound->setCheckable(true);
  mnuProp_AutoChangState->setCheckable(true);

  connect(mnuClose_Close, &QAction::triggered, this, &frmPlaceHolder::mnuClose_Close_Click);
  connect(mnuProp_NextWallpaper, &QAction::triggered, this,
          &frmPlaceHolder::mnuProp_NextWallpaper_Click);
  connect(mnuProp_Change, &QAction::triggered, this, &frmPlaceHolder::mnuProp_Change_Click);
  connect(mnuProp_Sound, &QAction::triggered, this, [this](bool checked) {
    // Qt has already flipped the check mark: put it back, the handler decides.
    mnuProp_Sound->setChecked(!checked);
    mnuProp_Sound_Click();
  });
  connect(mnuProp_AutoChangState, &QAction::triggered, this, [this](bool checked) {
    mnuProp_AutoChangState->setChecked(!checked);
    mnuProp_AutoChangState_Click();
  });
}

bool frmPlaceHolder::Form_Load() {
  if (platform::PrevInstance(kProgramName)) return false;

  longInterval_ = kLongInterval;
  counter_ = 1;

  settingsFolder_ = core::GetSettingsFolder();
  screenSaverIni_ = settingsFolder_ + keys::kScreenSaverIni;
  orvaneIni_ = settingsFolder_ + keys::kOrvaneIni;
  programPath_ = core::GetChangerProgramPath();
  ClearReadOnly(screenSaverIni_);

  audioTimer.SetEnabled(true);
  if (SwitchOn(orvaneIni_, keys::kWallpaper_PlaySound, keys::kChangerDefault_Wallpaper_PlaySound)) {
    mnuProp_Sound->setChecked(true);
  } else {
    mnuProp_Sound->setChecked(false);
    audioTimer.SetEnabled(false);
  }

  // MonthDays is a constant table (Schedule.h).

  if (options_.tray) {
    TrayX1 = new QSystemTrayIcon(this);
    TrayX1->setContextMenu(mnuProp);
    connect(TrayX1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
              // A left click (or a panel's activate request) opens the settings;
              // the right button shows the menu through the context menu.
              if (reason == QSystemTrayIcon::Trigger) TrayX1_Activated();
            });
  }
  if (SwitchOn(orvaneIni_, keys::kWallpaper_ChangerActive,
               keys::kChangerDefault_Wallpaper_ChangerActive)) {
    mnuProp_AutoChangState->setChecked(true);
    Timer1.SetEnabled(true);
    SetTrayIcon(kIconActive);
  } else {
    mnuProp_AutoChangState->setChecked(false);
    Timer1.SetEnabled(false);
    SetTrayIcon(kIconInactive);
  }
  if (TrayX1) {
    TrayX1->setToolTip(QString::fromLatin1(kTrayTooltip));
    ShowTrayWhenAvailable();
  }
  Launcher.SetEnabled(true);
  loaded_ = true;
  return true;
}

void frmPlaceHolder::ShowTrayWhenAvailable() {
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    TrayX1->show();
    return;
  }
  // A panel may start after the session's autostart programs: wait for it
  // rather than run unseen.
  std::cerr << "tobrin: no system tray found; waiting for one to appear" << std::endl;
  trayWait_ = new QTimer(this);
  connect(trayWait_, &QTimer::timeout, this, [this] {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    trayWait_->stop();
    std::cerr << "tobrin: system tray found" << std::endl;
    TrayX1->show();
  });
  trayWait_->start(kTrayPollMs);
}

void frmPlaceHolder::SetTrayIcon(int resource) {
  iconResource_ = resource;
  if (TrayX1) TrayX1->setIcon(LoadTrayIcon(resource));
}

void frmPlaceHolder::Form_Unload() {
  if (unloaded_ || !loaded_) return;
  unloaded_ = true;
  MMC1.Command("Close");
  Timer1.SetEnabled(false);
  audioTimer.SetEnabled(false);
  Launcher.SetEnabled(false);
  if (trayWait_) trayWait_->stop();
  if (TrayX1) TrayX1->hide();
}

void frmPlaceHolder::TrayX1_Activated() { StartWallpaperSettings(); }

void frmPlaceHolder::mnuClose_Close_Click() {
  Form_Unload();
  if (options_.end) options_.end();
  else QCoreApplication::quit();
}

void frmPlaceHolder::EndProgram() { mnuClose_Close_Click(); }

void frmPlaceHolder::mnuProp_NextWallpaper_Click() {
  const std::string last = core::GetIniString(keys::kPrefsWP_LastChanged.section,
                                              keys::kPrefsWP_LastChanged.key,
                                              keys::kChangerDefault_PrefsWP_LastChanged,
                                              screenSaverIni_);
  // Asked for by the user: started at once, and the schedule holds back while it runs.
  RecordLaunch(StartWallpaperChange(), last);
}

void frmPlaceHolder::mnuProp_Change_Click() { StartWallpaperSettings(); }

void frmPlaceHolder::mnuProp_Sound_Click() {
  if (mnuProp_Sound->isChecked()) {
    mnuProp_Sound->setChecked(false);
    audioTimer.SetEnabled(false);
    MMC1.Command("Stop");
    playing_ = false;
    core::WriteIni(keys::kWallpaper_PlaySound.section, keys::kWallpaper_PlaySound.key,
                   std::string("0"), orvaneIni_);
  } else {
    mnuProp_Sound->setChecked(true);
    audioTimer.SetEnabled(true);
    core::WriteIni(keys::kWallpaper_PlaySound.section, keys::kWallpaper_PlaySound.key,
                   std::string("1"), orvaneIni_);
  }
}

void frmPlaceHolder::mnuProp_AutoChangState_Click() {
  if (mnuProp_AutoChangState->isChecked()) {
    mnuProp_AutoChangState->setChecked(false);
    Timer1.SetEnabled(false);
    SetTrayIcon(kIconInactive);
    core::WriteIni(keys::kWallpaper_ChangerActive.section, keys::kWallpaper_ChangerActive.key,
                   std::string("0"), orvaneIni_);
  } else {
    mnuProp_AutoChangState->setChecked(true);
    Timer1.SetEnabled(true);
    SetTrayIcon(kIconActive);
    core::WriteIni(keys::kWallpaper_ChangerActive.section, keys::kWallpaper_ChangerActive.key,
                   std::string("1"), orvaneIni_);
  }
}

platform::DateTime frmPlaceHolder::Now() const {
  return options_.now ? options_.now() : platform::Now();
}

}  // namespace orvane::changer
