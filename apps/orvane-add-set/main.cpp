// orvane-add-set: makes a folder of pictures into an image set of the program
// folder, or brings the set made of it up to date.
#include <cstdio>
#include <string>

#include "addset/AddSet.h"
#include "addset/Progress.h"
#include "core/FirstStart.h"
#include "core/Utils.h"
#include "platform/folders.h"

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "-h" || first == "--help") {
    std::printf(
        "usage: orvane-add-set FOLDER [NAME]\n"
        "Makes the JPEG, BMP, PNG, WebP and HEIC pictures of FOLDER an image set named\n"
        "NAME (default: the folder's name), with thumbnails, in the program folder;\n"
        "nothing is written into FOLDER. Run it again to bring the set up to date after\n"
        "pictures were added or deleted.\n");
    return 0;
  }
  if (argc < 2 || argc > 3 || first.empty()) {
    std::fprintf(stderr, "usage: orvane-add-set FOLDER [NAME]\n");
    return 2;
  }

  // A program folder of the user's own when none is recorded.
  const orvane::core::FirstStartOutcome firstStart = orvane::core::FirstStart();
  if (firstStart.result == orvane::core::FirstStartResult::Made)
    std::printf("Made the program folder %s with the starter image sets.\n", firstStart.folder.c_str());
  const std::string program = orvane::core::FindProgramPath();
  if (program.empty()) {
    std::fprintf(stderr, "orvane-add-set: no usable program folder is recorded (%s)\n",
                 orvane::core::kProgramPathKey);
    return 1;
  }

  orvane::addset::AddSetRequest request;
  request.folder = first;
  request.name = argc > 2 ? argv[2] : "";
  request.programFolder = program;
  request.settingsFolder = orvane::platform::LocalAppDataFolder();
  request.progress = orvane::addset::StderrProgress();
  request.notice = orvane::addset::StderrNotice;
  const orvane::addset::AddSetReport report = orvane::addset::AddSet(request);
  for (const std::string& warning : report.warnings) std::fprintf(stderr, "orvane-add-set: %s\n", warning.c_str());
  if (!report.ok()) {
    std::fprintf(stderr, "orvane-add-set: %s\n", report.message.c_str());
    return 1;
  }
  std::printf("%s\n", report.message.c_str());
  return 0;
}
