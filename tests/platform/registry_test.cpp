#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/folders.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using orvane::platform::Hive;
using orvane::platform::HiveFile;
using orvane::platform::RegKeyExists;
using orvane::platform::RegQueryValue;
using orvane::platform::RegSetValue;

namespace {

constexpr const char* kKey = "Software\\Orvane\\Orvane Configuration\\ProgramPath";

TEST(Registry, NewCurrentUserHiveHasTheProfileDefaults) {
  EXPECT_EQ(RegQueryValue(Hive::CurrentUser, "Control Panel\\desktop", "ScreenSaveUsePassword"),
            "0");
  const std::string file = HiveFile(Hive::CurrentUser);
  EXPECT_EQ(file, orvane::platform::MachineStateFolder() + "HKEY_CURRENT_USER.reg");
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // The machine hive starts empty.
  EXPECT_FALSE(RegKeyExists(Hive::LocalMachine, "Control Panel\\desktop"));
}

TEST(Registry, ExistingCurrentUserHiveIsNotReset) {
  ASSERT_TRUE(RegSetValue(Hive::CurrentUser, "Control Panel\\desktop", "ScreenSaveUsePassword", "1"));
  EXPECT_EQ(RegQueryValue(Hive::CurrentUser, "Control Panel\\Desktop", "screensaveusepassword"),
            "1");
}

TEST(Registry, ValuesRoundTripExactly) {
  const std::vector<std::string> values = {"/opt/orvane/", "", "  blanks  ", "\"quoted\"",
                                           "a=b;c", "C:\\Program Files\\Orvane\\"};
  for (const auto& value : values) {
    ASSERT_TRUE(RegSetValue(Hive::LocalMachine, kKey, "", value)) << value;
    EXPECT_EQ(RegQueryValue(Hive::LocalMachine, kKey, ""), value);
    EXPECT_EQ(RegQueryValue(Hive::LocalMachine, kKey, "@"), value);
  }
  EXPECT_FALSE(RegQueryValue(Hive::CurrentUser, kKey, ""));  // hives are separate
}

TEST(Registry, KeyPathsCompareWithoutRegardToCase) {
  ASSERT_TRUE(RegSetValue(Hive::LocalMachine, kKey, "@", "/x/"));
  const std::vector<std::pair<std::string, bool>> cases = {
      {kKey, true},
      {"software\\orvane\\ORVANE CONFIGURATION\\programpath", true},
      {"\\Software\\\\Orvane\\Orvane Configuration\\ProgramPath\\", true},
      {"Software\\Orvane", true},  // a parent key exists too
      {"Software", true},
      {"Software\\Orv", false},
      {"Software\\Orvane\\Other", false},
      {"Software\\Orvane\\Orvane Configuration\\ProgramPath\\Sub", false},
  };
  for (const auto& [path, exists] : cases) {
    EXPECT_EQ(RegKeyExists(Hive::LocalMachine, path), exists) << path;
  }
  EXPECT_EQ(RegQueryValue(Hive::LocalMachine, "SOFTWARE\\ORVANE\\ORVANE CONFIGURATION\\PROGRAMPATH", ""),
            "/x/");
}

TEST(Registry, MissingKeyOrValueIsNothing) {
  ASSERT_TRUE(RegSetValue(Hive::LocalMachine, kKey, "Other", "1"));
  EXPECT_TRUE(RegKeyExists(Hive::LocalMachine, kKey));
  EXPECT_FALSE(RegQueryValue(Hive::LocalMachine, kKey, ""));
  EXPECT_FALSE(RegQueryValue(Hive::LocalMachine, "Software\\Nothing", "Other"));
  EXPECT_EQ(RegQueryValue(Hive::LocalMachine, kKey, "other"), "1");
}

TEST(Registry, RefusesDataThatCannotBeStored) {
  EXPECT_FALSE(RegSetValue(Hive::LocalMachine, kKey, "", "two\nlines"));
  EXPECT_FALSE(RegSetValue(Hive::LocalMachine, "", "", "x"));
  EXPECT_FALSE(RegSetValue(Hive::LocalMachine, kKey, "a=b", "x"));
  EXPECT_FALSE(RegKeyExists(Hive::LocalMachine, kKey));
}

}  // namespace
