// Feeds arbitrary bytes, as a description file and as "photo.nfo", to the image
// credits window in both of its forms: the version the file names, and each
// version's reader on the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/ImageDescription.h"
#include "fuzz/fuzz_files.h"
#include "settings/frmCredits.h"

namespace core = orvane::core;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvane::fuzz::StartQt();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto set = orvane::fuzz::FreshDir("credits");
  orvane::fuzz::WriteBytes(set / "wave.nfo", data, size);
  orvane::fuzz::WriteBytes(set / "photo.nfo", data, size);
  const std::string folder = set.string() + "/";
  const std::string nfo = folder + "wave.nfo";

  core::ReadCreditsVersion(nfo);
  core::ReadCreditsVersion1(nfo, "Wave");
  core::ReadCreditsVersion2(nfo, "English");
  core::ReadPhotoCredits(folder);
  orvane::settings::frmCredits window;
  window.InitCredits(folder, folder + "wave", "Wave", "English");
  return 0;
}
