// Tobrin: the wallpaper changer that lives in the tray.
#include <unistd.h>

#include <QApplication>
#include <filesystem>

#include "changer/ChangerEXE.h"
#include "changer/frmPlaceHolder.h"
#include "core/FirstStart.h"
#include "platform/saverlink.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("tobrin");
  // The program has no window: closing the menu must not end it.
  QApplication::setQuitOnLastWindowClosed(false);
  orvane::core::FirstStart();  // a program folder of the user's own when none is recorded

  orvane::changer::frmPlaceHolder form;
  if (!form.Form_Load()) return 0;  // another changer runs
  // Installed beside orvane: "Orvane.scr" in the Windows folder leads to it
  // even before orvane has run once.
  const std::filesystem::path orvane =
      std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "orvane";
  if (access(orvane.c_str(), X_OK) == 0) orvane::platform::EnsureSaverLink(orvane);
  return QApplication::exec();
}
