// Pellam: installs image sets from the ".ilb" libraries of a source folder.
// The source folder is the whole command line.
#include <QApplication>
#include <optional>
#include <string>

#include "core/FirstStart.h"
#include "installer/frmExtractor.h"
#include "platform/command_line.h"
#include "platform/fonts.h"

namespace {

constexpr const char* kUsage =
    "usage: pellam FOLDER\n"
    "Installs the image sets of the \".ilb\" libraries in FOLDER, an install source folder\n"
    "with a \"custom.inf\", into the Orvane program folder, after showing the disk space\n"
    "and each set's licence. A folder whose name begins with \"-\" is given as ./NAME.\n"
    "  -h, --help   show this help and end\n"
    "  --version    show the version and end\n";

}  // namespace

int main(int argc, char** argv) {
  if (const auto answered = orvane::platform::AnswerHelpOrVersion(argc, argv, "pellam", kUsage)) return *answered;
  std::optional<orvane::platform::DisplayCheck> display(std::in_place, argc, argv, "pellam", false);
  QApplication app(argc, argv);
  display.reset();
  QApplication::setApplicationName(QStringLiteral("Pellam"));
  orvane::platform::InstallFontSubstitutions();
  orvane::core::FirstStart();  // the folder to install into, when none is recorded
  // The arguments joined back into the one command-line text the run reads.
  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
  orvane::installer::frmExtractor window;
  return window.Form_Load(commandLine);
}
