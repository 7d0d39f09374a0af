// Tobrin: the wallpaper changer that lives in the tray.
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <optional>

#include "changer/ChangerEXE.h"
#include "changer/frmPlaceHolder.h"
#include "core/FirstStart.h"
#include "platform/command_line.h"
#include "platform/saverlink.h"

namespace {

constexpr const char* kUsage =
    "usage: tobrin\n"
    "The Orvane wallpaper changer: an icon in the tray whose menu changes the wallpaper\n"
    "and opens its settings, and a schedule that changes it by itself (orvane /wall,\n"
    "orvane /kalendar). A second tobrin ends at once.\n"
    "  -h, --help   show this help and end\n"
    "  --version    show the version and end\n";

}  // namespace

int main(int argc, char** argv) {
  if (const auto answered = orvane::platform::AnswerHelpOrVersion(argc, argv, "tobrin", kUsage)) return *answered;
  std::optional<orvane::platform::DisplayCheck> display(std::in_place, argc, argv, "tobrin", false);
  QApplication app(argc, argv);
  display.reset();
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
