// orvane-demo-sets: writes a demo program folder of three small image sets and
// records it as the program folder, so that "orvane /s" has something to show.
#include <QGuiApplication>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "platform/fonts.h"
#include "tools/demo/demo_sets.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const std::string argument = argc > 1 ? argv[1] : "";
  if (argc > 2 || argument == "-h" || argument == "--help") {
    std::fprintf(argc > 2 ? stderr : stdout,
                 "usage: orvane-demo-sets [FOLDER]\n"
                 "Writes three demo image sets, \"ScreenSaver.ini\" and \"config.ini\" into\n"
                 "FOLDER (default $XDG_DATA_HOME/orvane-demo/) and records it as the\n"
                 "program folder. Running it again rewrites the same files.\n");
    return argc > 2 ? 2 : 0;
  }
  // Pictures are drawn off screen; no display is needed.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  orvane::platform::InstallFontSubstitutions();

  const fs::path folder =
      argument.empty() ? orvane::demo::DefaultDemoFolder() : fs::absolute(argument);
  try {
    const auto written = orvane::demo::WriteDemoProgramFolder(folder);
    if (!orvane::demo::RegisterProgramFolder(folder)) {
      std::fprintf(stderr, "orvane-demo-sets: cannot record the program folder in the registry\n");
      return 1;
    }
    std::printf("Wrote %zu files to %s\nIt is now the program folder: run \"orvane /s\".\n",
                written.files.size(), folder.string().c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "orvane-demo-sets: %s\n", error.what());
    return 1;
  }
  return 0;
}
