#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <filesystem>
#include <string>
#include <vector>

#include "core/FindFiles.h"
#include "tests/support/testenv.h"

using orvane::core::FindFiles;
namespace fs = std::filesystem;
using orvane::test::MakeTempDir;
using orvane::test::WriteFile;

namespace {

using Paths = std::vector<std::string>;

// root/A/B/images.ini, root/A/images.ini, root/C/Images.INI, a folder named
// images.ini, a near-miss name, a hidden folder, a link back to root, two
// links to one folder elsewhere that holds a match and a link to a folder of
// the tree itself.
fs::path MakeTree() {
  const fs::path root = MakeTempDir("tree");
  WriteFile(root / "A/B/images.ini", "");
  WriteFile(root / "A/images.ini", "");
  WriteFile(root / "C/Images.INI", "");
  WriteFile(root / "D/images.ini/images.ini", "");
  WriteFile(root / "images.ini", "");
  WriteFile(root / "images.ini.bak", "");
  WriteFile(root / ".hidden/images.ini", "");
  const fs::path outside = MakeTempDir("outside");
  WriteFile(outside / "images.ini", "");
  fs::create_directory_symlink(root, root / "A/loop");
  fs::create_directory_symlink(outside, root / "link");
  fs::create_directory_symlink(outside, root / "link2");
  fs::create_directory_symlink(root / "A", root / "zA");
  return root;
}

Paths Expected(const fs::path& root) {
  const std::string r = root.string() + "/";
  return {r + "A/B/images.ini", r + "A/images.ini", r + "C/Images.INI",
          r + "D/images.ini/images.ini", r + "link/images.ini", r + "images.ini"};
}

FindFiles Search(const std::string& start, const std::string& pattern = "images.ini") {
  FindFiles finder([] {});
  finder.StartPath(start);
  finder.Pattern(pattern);
  return finder;
}

}  // namespace

// Links to folders are followed, each folder is searched once however many
// ways lead to it, and a link loop ends.
TEST(FindFiles, DepthFirstPostOrderFollowingLinksWithoutHiddenFolders) {
  const fs::path root = MakeTree();
  // With or without a trailing separator of either kind: the same results.
  for (const std::string& start : {root.string(), root.string() + "/", root.string() + "\\"}) {
    FindFiles finder = Search(start);
    Paths files;
    ASSERT_TRUE(finder.Find(files)) << start;
    EXPECT_EQ(files, Expected(root)) << start;
  }
}

TEST(FindFiles, NoMatchLeavesTheCallersArrayUntouched) {
  const fs::path root = MakeTempDir("empty");
  WriteFile(root / "sub/other.ini", "");
  for (const std::string& start : {root.string(), (root / "missing").string(), std::string()}) {
    FindFiles finder = Search(start);
    Paths files{"keep"};
    EXPECT_FALSE(finder.Find(files)) << start;
    EXPECT_EQ(files, Paths{"keep"}) << start;
  }
}

TEST(FindFiles, ResultsAccumulateOverCalls) {
  const fs::path root = MakeTempDir("acc");
  WriteFile(root / "one/images.ini", "");
  FindFiles finder = Search(root.string());
  Paths files;
  ASSERT_TRUE(finder.Find(files));
  WriteFile(root / "two/images.ini", "");
  ASSERT_TRUE(finder.Find(files));
  const std::string r = root.string() + "/";
  EXPECT_EQ(files, (Paths{r + "one/images.ini", r + "one/images.ini", r + "two/images.ini"}));

  // A second search that finds nothing still hands back the earlier results.
  finder.StartPath((root / "missing").string());
  Paths again;
  ASSERT_TRUE(finder.Find(again));
  EXPECT_EQ(again, files);
}

TEST(FindFiles, FolderThatVanishesMidSearchIsPassedOver) {
  const fs::path root = MakeTempDir("vanish");
  WriteFile(root / "a/images.ini", "");
  WriteFile(root / "b/deep/images.ini", "");
  WriteFile(root / "c/images.ini", "");
  // The first event run (after the first entry of root) deletes b, which the
  // search has already remembered as a subfolder.
  bool removed = false;
  FindFiles finder([&] {
    if (!removed) removed = fs::remove_all(root / "b") > 0;
  });
  finder.StartPath(root.string());
  finder.Pattern("images.ini");
  Paths files;
  ASSERT_TRUE(finder.Find(files));
  EXPECT_TRUE(removed);
  const std::string r = root.string() + "/";
  EXPECT_EQ(files, (Paths{r + "a/images.ini", r + "c/images.ini"}));
}

TEST(FindFiles, UnreadableFolderIsPassedOver) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the super-user";
  const fs::path root = MakeTempDir("unreadable");
  WriteFile(root / "locked/images.ini", "");
  WriteFile(root / "open/images.ini", "");
  fs::permissions(root / "locked", fs::perms::none);
  FindFiles finder = Search(root.string());
  Paths files;
  const bool found = finder.Find(files);
  fs::permissions(root / "locked", fs::perms::owner_all);
  ASSERT_TRUE(found);
  EXPECT_EQ(files, Paths{root.string() + "/open/images.ini"});
}

TEST(FindFiles, HandlerReenteringTheSearchIsTurnedAway) {
  const fs::path root = MakeTempDir("reenter");
  WriteFile(root / "a/images.ini", "");
  WriteFile(root / "b/images.ini", "");

  // Through the real event pump: a queued call runs at the first DoEvents.
  FindFiles finder;
  finder.StartPath(root.string());
  finder.Pattern("images.ini");
  bool innerRan = false, innerResult = true;
  Paths innerFiles{"untouched"};
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [&] {
        innerRan = true;
        innerResult = finder.Find(innerFiles);
      },
      Qt::QueuedConnection);
  Paths files;
  ASSERT_TRUE(finder.Find(files));
  EXPECT_TRUE(innerRan);
  EXPECT_FALSE(innerResult);
  EXPECT_EQ(innerFiles, Paths{"untouched"});
  const std::string r = root.string() + "/";
  EXPECT_EQ(files, (Paths{r + "a/images.ini", r + "b/images.ini"}));

  // Once the search is over the object searches again.
  ASSERT_TRUE(finder.Find(files));
  EXPECT_EQ(files.size(), 4u);
}

TEST(FindFiles, PatternMatchesWithoutRegardToCase) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  } cases[] = {
      {"images.ini", "images.ini", true},   {"IMAGES.INI", "images.ini", true},
      {"images.ini.bak", "images.ini", false}, {"ximages.ini", "images.ini", false},
      {"images.in", "images.ini", false},   {"a.jpg", "*.jpg", true},
      {"a.JPG", "*.jpg", true},             {"a.jpeg", "*.jpg", false},
      {"abc", "a?c", true},                 {"ac", "a?c", false},
      {"noext", "*.*", true},               {"a.b.c", "*.c", true},
      {"\xc3\x84rger.ini", "\xc3\xa4rger.ini", true},  // UTF-8 Ä against ä
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindFiles::MatchesPattern(c.name, c.pattern), c.match)
        << c.name << " ~ " << c.pattern;
}
