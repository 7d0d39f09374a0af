// Test main: every test runs in a fresh temporary HOME with its own XDG
// folders (one per test, below one temporary root per process), on Qt's offscreen platform, with the desktop recorded instead of
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

// Gives root fresh HOME and XDG folders below it.
void UseFolders(const std::filesystem::path& root) {
  Set("HOME", root / "home");
  Set("XDG_DATA_HOME", root / "home/.local/share");
  Set("XDG_STATE_HOME", root / "home/.local/state");
  Set("XDG_CONFIG_HOME", root / "home/.config");
  Set("XDG_CACHE_HOME", root / "home/.cache");
  Set("XDG_RUNTIME_DIR", root / "run");
  std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all);
}

// Every test gets folders of its own, so that nothing one test leaves behind (a
// stored password, a prepared slide, a settings file) reaches the next, whether
// ctest runs each test in a process of its own or the program runs them all.
class FreshFoldersPerTest : public testing::EmptyTestEventListener {
 public:
  explicit FreshFoldersPerTest(std::filesystem::path root) : root_(std::move(root)) {}
  void OnTestStart(const testing::TestInfo&) override {
    const std::filesystem::path folder = root_ / ("test-" + std::to_string(++count_));
    std::filesystem::create_directories(folder);
    orvane::test::MutableRoot() = folder;
    UseFolders(folder);
  }

 private:
  std::filesystem::path root_;
  int count_ = 0;
};

}  // namespace

// A test program that needs another platform than one offscreen screen (two
// monitors, say) defines this: it may write the files its platform reads below
// root, and returns the platform's name for QT_QPA_PLATFORM.
extern "C" __attribute__((weak)) const char* orvane_test_platform(const char* root);

// Read by the leak checker of this test program (when built with it).
extern "C" const char* __lsan_default_suppressions() { return kLeakSuppressions; }

int main(int argc, char** argv) {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvane-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 2;
  const std::filesystem::path root = pattern;
  orvane::test::MutableRoot() = root;

  UseFolders(root);
  setenv("QT_QPA_PLATFORM", orvane_test_platform ? orvane_test_platform(root.c_str()) : "offscreen", 1);
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
  testing::UnitTest::GetInstance()->listeners().Append(new FreshFoldersPerTest(root));
  int rc;
  {
    QApplication app(argc, argv);
    rc = RUN_ALL_TESTS();
  }
  std::error_code ec;
  if (!std::getenv("ORVANE_KEEP_TEST_FILES")) std::filesystem::remove_all(root, ec);
  return rc;
}
