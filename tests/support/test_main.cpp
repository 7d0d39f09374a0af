// Test main: every test process runs in a fresh temporary HOME with its own XDG
// folders, on Qt's offscreen platform, with the desktop recorded instead of
// changed and sound sent to SDL's dummy driver. Nothing touches the user's files.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace orvane::test {
std::filesystem::path& MutableRoot();
}

namespace {

// Under the leak checker, Qt's look for a session bus (tray, accessibility,
// platform theme) leaves an error that libdbus keeps for good: no leak of ours.
constexpr const char* kLeakSuppressions = "leak:libdbus-1.so\n";

void Set(const char* name, const std::filesystem::path& value) {
  std::filesystem::create_directories(value);
  setenv(name, value.c_str(), 1);
}

}  // namespace

// Read by the leak checker of this test program (when built with it).
extern "C" const char* __lsan_default_suppressions() { return kLeakSuppressions; }

int main(int argc, char** argv) {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvane-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 2;
  const std::filesystem::path root = pattern;
  orvane::test::MutableRoot() = root;

  Set("HOME", root / "home");
  Set("XDG_DATA_HOME", root / "home/.local/share");
  Set("XDG_STATE_HOME", root / "home/.local/state");
  Set("XDG_CONFIG_HOME", root / "home/.config");
  Set("XDG_CACHE_HOME", root / "home/.cache");
  Set("XDG_RUNTIME_DIR", root / "run");
  std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("ORVANE_DESKTOP", "record", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  unsetenv("ORVANE_SCREEN_BPP");
  // The same for the programs the tests start.
  const std::filesystem::path suppressions = root / "lsan.supp";
  if (FILE* file = std::fopen(suppressions.c_str(), "w")) {
    std::fputs(kLeakSuppressions, file);
    std::fclose(file);
    setenv("LSAN_OPTIONS", ("suppressions=" + suppressions.string() + ":print_suppressions=0").c_str(), 1);
  }

  testing::InitGoogleTest(&argc, argv);
  int rc;
  {
    QApplication app(argc, argv);
    rc = RUN_ALL_TESTS();
  }
  std::error_code ec;
  if (!std::getenv("ORVANE_KEEP_TEST_FILES")) std::filesystem::remove_all(root, ec);
  return rc;
}
