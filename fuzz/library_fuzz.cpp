// Feeds arbitrary bytes to the ".ilb" library reader as pellam meets a library:
// its header, the whole check, and the extraction into a program folder. An
// extraction must stay inside the program folder, whatever the entries say.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "fuzz/fuzz_files.h"
#include "installer/Library.h"

namespace fs = std::filesystem;
namespace installer = orvane::installer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path work = orvane::fuzz::FreshDir("library");
  const fs::path library = work / "Sets.ilb";
  const fs::path program = work / "program";
  fs::create_directories(program);
  orvane::fuzz::WriteBytes(library, data, size);

  installer::ReadLibraryHeader(library.string());
  const installer::LibraryCheck check = installer::CheckLibrary(library.string());
  if (!check.error.empty()) return 0;
  const installer::ExtractResult result =
      installer::ExtractLibrary(library.string(), program.string() + "/");
  // Whatever was written lies below the program folder.
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(work, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    const fs::path path = it->path();
    if (path == library || path == program) continue;
    const fs::path relative = path.lexically_relative(program);
    if (relative.empty() || *relative.begin() == "..") std::abort();
  }
  (void)result;
  return 0;
}
