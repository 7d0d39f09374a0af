// Feeds arbitrary bytes to every reader of a set's "company.ini", and to the one
// write the programs make to it (the title page switch), which must keep the
// file readable and say what it did.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/CompanyIni.h"
#include "fuzz/fuzz_files.h"

namespace core = orvane::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto set = orvane::fuzz::FreshDir("company");
  orvane::fuzz::WriteBytes(set / "company.ini", data, size);
  orvane::fuzz::WriteBytes(set / "ScreenSaver.ini", data, size);
  const std::string file = core::CompanyFile(set.string() + "/");

  const core::CatalogueCompanyInfo info = core::ReadCatalogueCompanyInfo(file);
  core::ReadSlideTitlePage(file);
  core::ReadSlideLayerList(file);
  core::ReadWallpaperLayerList(file);
  core::ReadShowLinks(file);
  core::ReadWebButton(file, (set / "ScreenSaver.ini").string());
  core::ReadAboutTexts(file);

  // A switch is written only for a set that has a title page, and keeps it.
  if (core::WriteTitlePageSwitch(file, false) && core::WriteTitlePageSwitch(file, true)) {
    if (!info.HasTitlePage || !core::ReadCatalogueCompanyInfo(file).HasTitlePage) std::abort();
  }
  return 0;
}
