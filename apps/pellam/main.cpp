// Pellam: installs image sets from the ".ilb" libraries of a source folder.
// The source folder is the whole command line.
#include <QApplication>
#include <string>

#include "core/FirstStart.h"
#include "installer/frmExtractor.h"
#include "platform/fonts.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pellam"));
  orvane::platform::InstallFontSubstitutions();
  orvane::core::FirstStart();  // the folder to install into, when none is recorded
  // The arguments joined back into the one command-line text the run reads.
  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
  orvane::installer::frmExtractor window;
  return window.Form_Load(commandLine);
}
