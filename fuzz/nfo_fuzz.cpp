// Feeds arbitrary bytes to every reader of a slide's description file (".nfo"):
// what the show reads per slide, what the wallpaper builder reads, the title
// lines, the panel's file key, and the information panel's text as the show
// wraps it (in a Western and an East Asian language), plus the set's sound list.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <QString>

#include "core/ImageDescription.h"
#include "fuzz/fuzz_files.h"
#include "platform/picturebox.h"
#include "saver/InfoPanel.h"
#include "saver/SaverScreen.h"

namespace core = orvane::core;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvane::fuzz::StartQt();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto program = orvane::fuzz::FreshDir("nfo");
  const auto set = program / "Sea";
  std::filesystem::create_directories(set);
  orvane::fuzz::WriteBytes(set / "wave.nfo", data, size);
  const std::string root = program.string() + "/";
  const std::string entry = "Sea\\wave";
  const std::string nfo = core::DescriptionFile(root, entry);

  core::ReadSlideDescription(nfo);
  core::ReadWallpaperDescription(nfo);
  core::IsUtf8DescriptionFile(nfo);
  core::CollectSetSounds(set.string() + "/");
  for (const char* language : {"English", "Japanese"}) {
    core::GetTitle(nfo, language);
    core::ReadPanelFileKey(nfo, language);
    const std::string panelFile = core::PanelTextFile(root, entry, language);

    orvane::platform::PictureBox desc{600, 100};
    orvane::saver::SaverScreen screen;
    screen.picDesc = &desc;
    screen.ShowText = 1;
    screen.LanguageName = language;
    screen.EastAsian = std::string(language) == "Japanese";
    std::vector<QString> lines;
    orvane::saver::ReadPanelText(screen, panelFile, lines);
  }
  return 0;
}
