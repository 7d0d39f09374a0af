#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/testenv.h"

TEST(TestEnvironment, HomeIsPrivateToTheProcess) {
  const auto home = std::filesystem::path(std::getenv("HOME"));
  EXPECT_EQ(home.parent_path(), orvane::test::TempRoot());
  EXPECT_TRUE(std::filesystem::is_directory(home));
}
