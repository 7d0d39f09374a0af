// Tobrin: the wallpaper changer that lives in the tray.
#include <QApplication>

#include "changer/ChangerEXE.h"
#include "changer/frmPlaceHolder.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("tobrin");
  // The program has no window: closing the menu must not end it.
  QApplication::setQuitOnLastWindowClosed(false);

  orvane::changer::frmPlaceHolder form;
  if (!form.Form_Load()) return 0;  // another changer runs
  // Installed beside orvane: the Windows folder's "Orvane.scr" leads to it.
  orvane::changer::EnsureSaverLink(QCoreApplication::applicationDirPath().toStdString());
  return QApplication::exec();
}
