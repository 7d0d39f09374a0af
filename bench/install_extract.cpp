// orvane-install-extract LIBRARY PROGRAM_FOLDER: the installer's extraction of
// one ".ilb" library, as the install run does it once the set is chosen (the
// whole-file check, then every entry streamed to its file), without windows.
// bench/run-install.sh times it as a whole process.
#include <cstdio>
#include <string>

#include "installer/Library.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvane-install-extract LIBRARY PROGRAM_FOLDER\n");
    return 2;
  }
  std::string program = argv[2];
  if (program.back() != '/') program += '/';
  const orvane::installer::ExtractResult result = orvane::installer::ExtractLibrary(argv[1], program);
  if (!result.error.empty()) {
    std::fprintf(stderr, "orvane-install-extract: %s\n", result.error.c_str());
    return 1;
  }
  std::printf("%lld files into %s%s\n", static_cast<long long>(result.files), program.c_str(),
              result.folder.c_str());
  return 0;
}
