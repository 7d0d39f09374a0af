#include "platform/folders.h"

#include <gtest/gtest.h>
#include <thread>
#include <ctime>
#include <chrono>
#include <sys/stat.h>
#include <fcntl.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using orvane::platform::ResolveCaseInsensitive;

namespace {

TEST(Folders, FollowTheXdgFoldersAndAreCreated) {
  const std::string data = std::string(std::getenv("XDG_DATA_HOME")) + "/orvane/";
  const std::string state = std::string(std::getenv("XDG_STATE_HOME")) + "/orvane/";
  EXPECT_EQ(orvane::platform::LocalAppDataFolder(), data);
  EXPECT_EQ(orvane::platform::MachineStateFolder(), state);
  EXPECT_EQ(orvane::platform::GetWindowsDirectory(), state + "windows/");
  EXPECT_TRUE(fs::is_directory(data));
  EXPECT_TRUE(fs::is_directory(state + "windows"));
  EXPECT_EQ(orvane::platform::GetShortPathName("/a/b c/"), "/a/b c/");
}

TEST(Folders, UnsetOrRelativeXdgVariablesFallBackBelowHome) {
  const std::string home = std::getenv("HOME");
  unsetenv("XDG_DATA_HOME");
  setenv("XDG_STATE_HOME", "relative/state", 1);
  EXPECT_EQ(orvane::platform::LocalAppDataFolder(), home + "/.local/share/orvane/");
  EXPECT_EQ(orvane::platform::MachineStateFolder(), home + "/.local/state/orvane/");
}

TEST(Folders, ResolvesNamesWithoutRegardToCase) {
  const fs::path root = orvane::test::MakeTempDir("resolve");
  const std::string r = root.string();
  orvane::test::WriteFile(root / "Sea/Images.ini", "x");
  orvane::test::WriteFile(root / "Sea/Wave.JPG", "x");
  orvane::test::WriteFile(root / "Sea/CAF\xC3\x89.jpg", "x");  // UTF-8 on disk
  orvane::test::WriteFile(root / "Sea/exact.jpg", "x");
  orvane::test::WriteFile(root / "Sea/EXACT.jpg", "x");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {r + "/Sea/Images.ini", r + "/Sea/Images.ini"},
      {r + "/sea/images.INI", r + "/Sea/Images.ini"},
      {r + "\\SEA\\wave.jpg", r + "/Sea/Wave.JPG"},
      {r + "/Sea/caf\xE9.JPG", r + "/Sea/CAF\xC3\x89.jpg"},      // windows-1252 in a set file
      {r + "/Sea/caf\xC3\xA9.jpg", r + "/Sea/CAF\xC3\x89.jpg"},  // already UTF-8
      {r + "/Sea/exact.jpg", r + "/Sea/exact.jpg"},              // the exact name wins
      {r + "/Sea/Exact.jpg", r + "/Sea/EXACT.jpg"},              // else the first by byte order
      {r + "/SEA/", r + "/Sea/"},
      {r + "/Sea/none.jpg", r + "/Sea/none.jpg"},
      {r + "/Lake\\Wave.jpg", r + "/Lake/Wave.jpg"},  // nothing matches: the name as given
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(ResolveCaseInsensitive(in), out) << in;
}

TEST(Folders, ResolvesRelativeNamesInTheWorkingFolder) {
  const fs::path root = orvane::test::MakeTempDir("relative");
  orvane::test::WriteFile(root / "Set/Pic.bmp", "x");
  const fs::path previous = fs::current_path();
  fs::current_path(root);
  EXPECT_EQ(ResolveCaseInsensitive("set\\pic.BMP"), "Set/Pic.bmp");
  fs::current_path(previous);
}

}  // namespace

// A folder's listing is kept for the look-ups that follow; any change to the
// folder (an entry renamed, added or removed) is seen by the next look-up.
TEST(Folders, LookUpsFollowChangesOfTheFolder) {
  const auto dir = orvane::test::MakeTempDir("lookups");
  const std::string folder = dir.string() + "/";
  orvane::test::WriteFile(dir / "Photo.JPG", "x");
  const auto settle = [&] {
    // Past the file time's tick, so the listing is kept as trusted.
    struct timespec old[2] = {{time(nullptr) - 100, 0}, {time(nullptr) - 100, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.c_str(), old, 0), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
  };
  settle();
  EXPECT_EQ(ResolveCaseInsensitive(folder + "photo.jpg"), folder + "Photo.JPG");
  EXPECT_EQ(ResolveCaseInsensitive(folder + "PHOTO.jpg"), folder + "Photo.JPG");

  std::filesystem::rename(dir / "Photo.JPG", dir / "PHOTO.jpeg");
  EXPECT_EQ(ResolveCaseInsensitive(folder + "photo.jpeg"), folder + "PHOTO.jpeg");
  EXPECT_EQ(ResolveCaseInsensitive(folder + "photo.jpg"), folder + "photo.jpg");
  settle();
  EXPECT_EQ(ResolveCaseInsensitive(folder + "photo.JPEG"), folder + "PHOTO.jpeg");
  orvane::test::WriteFile(dir / "A.txt", "x");  // a name that sorts first now matches too
  orvane::test::WriteFile(dir / "a.TXT", "x");
  EXPECT_EQ(ResolveCaseInsensitive(folder + "a.txt"), folder + "A.txt");
  std::filesystem::remove(dir / "PHOTO.jpeg");
  EXPECT_EQ(ResolveCaseInsensitive(folder + "photo.jpeg"), folder + "photo.jpeg");
}
