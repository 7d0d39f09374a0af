#pragma once
// What the file-reader fuzz targets share: a private folder per process (HOME
// and the XDG folders point into it, so nothing of the user's is read or
// written), a helper that puts the input on disk where the reader looks for it,
// and the Qt application that text measuring and the windows need.
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "platform/fonts.h"

namespace orvane::fuzz {

namespace fs = std::filesystem;

// The process's own folder, made on first use and removed when the process ends.
inline const fs::path& FuzzRoot() {
  static const fs::path root = [] {
    std::string pattern = (fs::temp_directory_path() / "orvane-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    const fs::path path = pattern;
    for (const char* name : {"home", "data", "state", "config", "runtime"})
      fs::create_directories(path / name);
    setenv("HOME", (path / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", (path / "data").c_str(), 1);
    setenv("XDG_STATE_HOME", (path / "state").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (path / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (path / "runtime").c_str(), 1);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(FuzzRoot(), ignored);
    });
    return path;
  }();
  return root;
}

// A fresh, empty folder below the process's own (its old contents removed).
inline fs::path FreshDir(const std::string& name) {
  const fs::path dir = FuzzRoot() / name;
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  fs::create_directories(dir);
  return dir;
}

inline void WriteBytes(const fs::path& path, const std::uint8_t* data, std::size_t size) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
}

// The offscreen Qt application, with the fonts the programs draw in; made once.
inline void StartQt() {
  static std::unique_ptr<QApplication> app = [] {
    FuzzRoot();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "orvane-fuzz";
    static char* argv[] = {name, nullptr};
    auto made = std::make_unique<QApplication>(argc, argv);
    platform::InstallFontSubstitutions();
    return made;
  }();
}

}  // namespace orvane::fuzz
