// orvane-demo-sets: writes a demo program folder of three small image sets and
// records it as the program folder, so that "orvane /s" has something to show.
// With --install-source it writes an install source folder for pellam instead;
// with --starter-sets the same sets as the packaged starter sets, recording nothing.
#include <QGuiApplication>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

#include "core/Utils.h"
#include "platform/fonts.h"
#include "platform/registry.h"
#include "tools/demo/demo_sets.h"
#include "tools/demo/install_source.h"

namespace {

namespace fs = std::filesystem;

// The program folder pellam installs into: the one already recorded, else the
// demo's own.
fs::path InstallTarget() {
  using orvane::platform::Hive;
  for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
    const std::optional<std::string> value =
        orvane::platform::RegQueryValue(hive, orvane::core::kProgramPathKey, "");
    if (value && !value->empty() && value->front() == '/') return *value;
  }
  return orvane::demo::DefaultDemoFolder();
}

int WriteInstallSource(const std::string& argument) {
  const fs::path folder =
      argument.empty() ? orvane::demo::DefaultInstallSourceFolder() : fs::absolute(argument);
  const fs::path target = InstallTarget();
  const auto written = orvane::demo::WriteInstallSource(folder);
  if (!orvane::demo::RegisterInstallTarget(target)) {
    std::fprintf(stderr, "orvane-demo-sets: cannot record the program folder in the registry\n");
    return 1;
  }
  std::printf("Wrote %zu files to %s\nRun \"pellam %s\" to install its sets into %s\n", written.size(),
              folder.string().c_str(), folder.string().c_str(), target.string().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool installSource = argc > 1 && std::string(argv[1]) == "--install-source";
  const bool starterSets = argc > 1 && std::string(argv[1]) == "--starter-sets";
  const int first = installSource || starterSets ? 2 : 1;
  const std::string argument = argc > first ? argv[first] : "";
  const bool misuse = argc > first + 1 || (starterSets && argument.empty());
  if (misuse || argument == "-h" || argument == "--help") {
    std::fprintf(misuse ? stderr : stdout,
                 "usage: orvane-demo-sets [FOLDER]\n"
                 "       orvane-demo-sets --install-source [FOLDER]\n"
                 "       orvane-demo-sets --starter-sets FOLDER\n"
                 "Writes three demo image sets, \"ScreenSaver.ini\" and \"config.ini\" into\n"
                 "FOLDER (default $XDG_DATA_HOME/orvane-demo/) and records it as the\n"
                 "program folder. Running it again rewrites the same files.\n"
                 "With --install-source: writes \"custom.inf\", a logo and three \".ilb\"\n"
                 "libraries into FOLDER (default $XDG_DATA_HOME/orvane-demo-install/) and\n"
                 "records the program folder for pellam to install into.\n"
                 "With --starter-sets: writes the same sets and template files into FOLDER\n"
                 "without recording anything (the build makes the packaged starter sets so).\n");
    return misuse ? 2 : 0;
  }
  // Pictures are drawn off screen; no display is needed.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  orvane::platform::InstallFontSubstitutions();

  try {
    if (installSource) return WriteInstallSource(argument);
    const fs::path folder =
        argument.empty() ? orvane::demo::DefaultDemoFolder() : fs::absolute(argument);
    const auto written = orvane::demo::WriteDemoProgramFolder(folder);
    if (starterSets) return 0;
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
