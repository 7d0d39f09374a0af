// Feeds arbitrary bytes, as a set's "images.ini", to the catalogue refresh that
// the show and the settings run at start, then builds the show's play lists
// from the catalogue it wrote.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/Catalogue.h"
#include "fuzz/fuzz_files.h"
#include "platform/msgbox.h"
#include "platform/profile.h"
#include "saver/SlideLists.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvane::fuzz::FuzzRoot();
  // A box would wait for a click that never comes.
  orvane::platform::SetMessageBoxHandler([](const orvane::platform::MessageBoxCall&) {
    return orvane::platform::vbOK;
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto work = orvane::fuzz::FreshDir("images");
  const auto program = work / "program";
  const auto settings = work / "settings";
  std::filesystem::create_directories(program / "Sea");
  std::filesystem::create_directories(settings);
  orvane::fuzz::WriteBytes(program / "Sea" / "images.ini", data, size);

  const std::string settingsFolder = settings.string() + "/";
  const std::string programFolder = program.string() + "/";
  orvane::core::RefreshCatalogue(settingsFolder, programFolder);

  const std::string catalogue = settingsFolder + "Orvane.ini";
  orvane::saver::BuildAllSetsList(catalogue, 60);
  const std::string names = orvane::platform::GetPrivateProfileString(
      std::string("SetDescriptions"), std::nullopt, "", 1 << 16, catalogue).text;
  const std::string first = names.substr(0, names.find('\0'));
  orvane::saver::BuildSetList(catalogue, programFolder, first, 60);
  return 0;
}
