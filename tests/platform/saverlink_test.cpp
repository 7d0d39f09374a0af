#include "platform/saverlink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using orvane::platform::EnsureSaverLink;
using orvane::platform::SaverLinkPath;

namespace {

struct Programs {
  fs::path built;      // a program in a build tree (its folder holds CMakeFiles)
  fs::path installed;  // an installed copy
  fs::path other;      // a second installed copy elsewhere
};

Programs MakePrograms() {
  const fs::path root = orvane::test::MakeTempDir("programs");
  Programs p{root / "build/apps/orvane", root / "usr/bin/orvane", root / "home/.local/bin/orvane"};
  fs::create_directories(root / "build/apps/CMakeFiles");
  for (const fs::path& program : {p.built, p.installed, p.other}) orvane::test::WriteFile(program, "#!/bin/sh\n");
  return p;
}

TEST(SaverLink, FollowsTheInstalledProgramButNotABuildTree) {
  const Programs p = MakePrograms();
  const fs::path link = SaverLinkPath();

  // Missing: any program makes it.
  ASSERT_TRUE(EnsureSaverLink(p.built));
  EXPECT_EQ(fs::read_symlink(link), p.built);

  // An installed program takes the link over from a build tree...
  ASSERT_TRUE(EnsureSaverLink(p.installed));
  EXPECT_EQ(fs::read_symlink(link), p.installed);

  // ...but a build-tree run does not take it back while the target exists.
  ASSERT_TRUE(EnsureSaverLink(p.built));
  EXPECT_EQ(fs::read_symlink(link), p.installed);

  // The last installed copy that ran wins.
  ASSERT_TRUE(EnsureSaverLink(p.other));
  EXPECT_EQ(fs::read_symlink(link), p.other);

  // A dangling link (the program was removed) is repaired by any program.
  fs::remove(p.other);
  ASSERT_TRUE(EnsureSaverLink(p.built));
  EXPECT_EQ(fs::read_symlink(link), p.built);

  // Nothing but the link is left in the Windows folder.
  for (const auto& entry : fs::directory_iterator(link.parent_path()))
    EXPECT_EQ(entry.path().filename(), "Orvane.scr");
}

TEST(SaverLink, LeavesARegularFileAlone) {
  const Programs p = MakePrograms();
  orvane::test::WriteFile(SaverLinkPath(), "#!/bin/sh\necho stub\n");
  EXPECT_TRUE(EnsureSaverLink(p.installed));
  EXPECT_FALSE(fs::is_symlink(SaverLinkPath()));
  EXPECT_EQ(orvane::test::ReadFile(SaverLinkPath()), "#!/bin/sh\necho stub\n");
}

}  // namespace
