#include "core/Utils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/Globals.h"
#include "platform/folders.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using orvane::core::kProgramPathKey;
using orvane::platform::Hive;
using orvane::platform::RegSetValue;
using orvane::test::ReadFile;
using orvane::test::WriteFile;

namespace {

class UtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orvane::platform::SetMessageBoxHandler([this](const orvane::platform::MessageBoxCall& call) {
      messages_.push_back(call.text);
      return 1;
    });
  }
  void TearDown() override { orvane::platform::SetMessageBoxHandler({}); }
  std::vector<std::string> messages_;
};

// Message boxes of a child that ends the process go to stderr, where the death
// test looks for them.
void PrintMessageBoxes() {
  orvane::platform::SetMessageBoxHandler([](const orvane::platform::MessageBoxCall& call) {
    std::fprintf(stderr, "box: %s\n", call.text.c_str());
    return 1;
  });
}

TEST_F(UtilsTest, ProgramPathGetsOneTrailingSlash) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/opt/orvane", "/opt/orvane/"},
      {"/opt/orvane/", "/opt/orvane/"},
      {"\\opt\\orvane\\", "/opt/orvane/"},
      {"/opt/my sets\\Sea", "/opt/my sets/Sea/"},
  };
  for (const auto& [stored, expected] : cases) {
    ASSERT_TRUE(RegSetValue(Hive::LocalMachine, kProgramPathKey, "", stored));
    EXPECT_EQ(orvane::core::GetProgramPath(), expected) << stored;
    EXPECT_EQ(orvane::core::GetChangerProgramPath(), expected) << stored;
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(UtilsTest, MachineValueComesBeforeTheUsersOne) {
  ASSERT_TRUE(RegSetValue(Hive::CurrentUser, kProgramPathKey, "", "/user/"));
  ASSERT_TRUE(RegSetValue(Hive::LocalMachine, kProgramPathKey, "", "/machine/"));
  EXPECT_EQ(orvane::core::GetProgramPath(), "/machine/");
}

TEST_F(UtilsTest, OnlyTheCurrentUserHasTheKey) {
  ASSERT_TRUE(RegSetValue(Hive::CurrentUser, kProgramPathKey, "", "/user/sets"));
  EXPECT_EQ(orvane::core::GetProgramPath(), "/user/sets/");
  EXPECT_TRUE(messages_.empty());

  EXPECT_EQ(orvane::core::GetChangerProgramPath(), "");
  EXPECT_EQ(messages_, std::vector<std::string>{
                           "Unable to open registry key Software\\Orvane\\Orvane Configuration\\ProgramPath"});
}

TEST_F(UtilsTest, UnusableValuesCountAsAMissingKey) {
  for (const std::string stored : {"", "relative/sets", "C:\\Orvane\\"}) {
    messages_.clear();
    ASSERT_TRUE(RegSetValue(Hive::LocalMachine, kProgramPathKey, "", stored));
    ASSERT_TRUE(RegSetValue(Hive::CurrentUser, kProgramPathKey, "", "/user/"));
    EXPECT_EQ(orvane::core::GetProgramPath(), "/user/") << stored;
    EXPECT_EQ(orvane::core::GetChangerProgramPath(), "") << stored;
    EXPECT_EQ(messages_.size(), 1u);
  }
}

TEST_F(UtilsTest, UnreadableValueReportsAndGivesNothing) {
  ASSERT_TRUE(RegSetValue(Hive::LocalMachine, kProgramPathKey, "Other", "x"));
  ASSERT_TRUE(RegSetValue(Hive::CurrentUser, kProgramPathKey, "", "/user/"));
  EXPECT_EQ(orvane::core::GetProgramPath(), "");
  EXPECT_EQ(orvane::core::GetChangerProgramPath(), "");
  EXPECT_EQ(messages_, (std::vector<std::string>{"Error getting Registry Data",
                                                 "Error getting Registry Data"}));
}

TEST_F(UtilsTest, NoKeyAnywhereEndsOrvane) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        PrintMessageBoxes();
        orvane::core::GetProgramPath();
        std::fprintf(stderr, "still running\n");
      },
      ::testing::ExitedWithCode(0),
      "box: Unable to open registry key Software.Orvane.Orvane Configuration.ProgramPath\n$");
  // An empty value in both hives is no better.
  ASSERT_TRUE(RegSetValue(Hive::LocalMachine, kProgramPathKey, "", ""));
  ASSERT_TRUE(RegSetValue(Hive::CurrentUser, kProgramPathKey, "", ""));
  EXPECT_EXIT(
      {
        PrintMessageBoxes();
        orvane::core::GetProgramPath();
      },
      ::testing::ExitedWithCode(0), "box: Unable to open registry key");
}

TEST_F(UtilsTest, SettingsFolderIsTheDataFolder) {
  EXPECT_EQ(orvane::core::GetSettingsFolder(), orvane::platform::LocalAppDataFolder());
  EXPECT_TRUE(fs::is_directory(orvane::core::GetSettingsFolder()));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(UtilsTest, SettingsFolderThatCannotBeMadeIsReported) {
  const fs::path blocker = orvane::test::TempRoot() / "blocker";
  WriteFile(blocker, "a file where a folder should be");
  setenv("XDG_DATA_HOME", blocker.c_str(), 1);
  EXPECT_EQ(orvane::core::GetSettingsFolder(), blocker.string() + "/orvane/");
  // The box names the folder and why it could not be made.
  EXPECT_EQ(messages_, std::vector<std::string>{"The folder does not exist: " + blocker.string() +
                                                "/orvane/ (Not a directory)"});
}

TEST_F(UtilsTest, FileExistsMatchesAsDirDoes) {
  const fs::path root = orvane::test::MakeTempDir("exists");
  const std::string r = root.string() + "/";
  WriteFile(root / "Sea/Wave.JPG", "x");
  WriteFile(root / "Sea/.hidden.jpg", "x");
  fs::create_directories(root / "Sea/Folder.jpg");
  const std::vector<std::pair<std::string, bool>> cases = {
      {r + "Sea/Wave.JPG", true},     {r + "sea\\wave.jpg", true}, {r + "Sea/*.jpg", true},
      {r + "SEA/w?ve.*", true},       {r + "Sea/*.*", true},       {r + "Sea/*.png", false},
      {r + "Sea/Wave", false},        {r + "Sea/Folder.jpg", false}, {r + "Sea/F*", false},
      {r + "Sea/.hidden.jpg", true},  {r + "Sea/.h*", false},      {r + "Sea/", false},
      {r + "Lake/*.jpg", false},      {"", false},
  };
  for (const auto& [path, exists] : cases) {
    EXPECT_EQ(orvane::core::FileExists(path, 0), exists) << path;
  }
}

class EnsureUserIniTest : public UtilsTest {
 protected:
  void SetUp() override {
    UtilsTest::SetUp();
    program_ = orvane::test::MakeTempDir("program");
    settings_ = orvane::test::MakeTempDir("settings");
    ASSERT_TRUE(RegSetValue(Hive::LocalMachine, kProgramPathKey, "", program_.string()));
  }
  fs::path program_;
  fs::path settings_;
};

TEST_F(EnsureUserIniTest, CopiesTheTemplateWhenTheUserHasNone) {
  const std::string templ = "[ScreenSaver]\r\nShowInit=1\r\n";
  WriteFile(program_ / "ScreenSaver.ini", templ);
  fs::permissions(program_ / "ScreenSaver.ini", fs::perms::owner_read | fs::perms::group_read);
  orvane::core::EnsureUserIni(settings_.string() + "/");
  EXPECT_EQ(ReadFile(settings_ / "ScreenSaver.ini"), templ);
  // The copy is the user's to change, whatever the template's mode.
  EXPECT_NE(fs::status(settings_ / "ScreenSaver.ini").permissions() & fs::perms::owner_write,
            fs::perms::none);
}

TEST_F(EnsureUserIniTest, KeepsTheUsersFile) {
  WriteFile(program_ / "ScreenSaver.ini", "[T]\r\n");
  WriteFile(settings_ / "screensaver.INI", "[Mine]\r\n");
  orvane::core::EnsureUserIni(settings_.string() + "/");
  EXPECT_FALSE(fs::exists(settings_ / "ScreenSaver.ini"));
  EXPECT_EQ(ReadFile(settings_ / "screensaver.INI"), "[Mine]\r\n");
}

TEST_F(EnsureUserIniTest, WithoutTemplateNothingHappens) {
  orvane::core::EnsureUserIni(settings_.string() + "/");
  EXPECT_TRUE(fs::is_empty(settings_));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(EnsureUserIniTest, TemplateFoundWithoutRegardToCase) {
  WriteFile(program_ / "SCREENSAVER.INI", "[T]\r\n");
  orvane::core::EnsureUserIni(settings_.string() + "/");
  EXPECT_EQ(ReadFile(settings_ / "ScreenSaver.ini"), "[T]\r\n");
}

TEST_F(UtilsTest, WindowTitlesComeFromConfigIni) {
  const fs::path program = orvane::test::MakeTempDir("titles");
  orvane::core::ReadWindowTitles(program.string() + "/");
  EXPECT_EQ(orvane::core::ConfigTitle, "Screen Saver Configuration");
  EXPECT_EQ(orvane::core::PasswordTitle, "Screen Saver");

  WriteFile(program / "config.ini", "[config]\r\nConfigWinTitle=Sea Saver\r\nPassWinTitle=Sea\r\n");
  orvane::core::ReadWindowTitles(program.string() + "/");
  EXPECT_EQ(orvane::core::ConfigTitle, "Sea Saver");
  EXPECT_EQ(orvane::core::PasswordTitle, "Sea");

  orvane::core::ReadWindowTitles("");  // no program folder: the defaults
  EXPECT_EQ(orvane::core::ConfigTitle, "Screen Saver Configuration");
}

TEST(EncodePassword, ThreeDigitsPerCharacter) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"abc", "158157156"}, {"", ""}, {"\xFF", "000"}, {"\xF5 ", "010223"}, {"\x01", "254"},
  };
  for (const auto& [text, code] : cases) EXPECT_EQ(orvane::core::EncodePassword(text), code);
}

}  // namespace
