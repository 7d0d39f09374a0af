// The screen-saver flag and time-out carried out on an X session: the commands
// run, the autostart entry and the watcher start, and what is left alone
// without an X server. The watcher on a real X server is in idlestart_xvfb_test.
#include "platform/idle_start.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/profile.h"
#include "tests/support/testenv.h"

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

class IdleStart : public testing::Test {
 protected:
  void SetUp() override {
    unsetenv("ORVANE_DESKTOP");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("XDG_SESSION_TYPE");
    setenv("DISPLAY", ":97", 1);
    pf::SetDesktopCommandRunner([this](const std::string& program, const std::vector<std::string>& args) {
      std::string line = program;
      for (const auto& a : args) line += " " + a;
      if (line == "xset q") return xServer ? std::optional<std::string>("Screen Saver:\n") : std::nullopt;
      commands.push_back(line);
      return std::optional<std::string>("");
    });
    pf::SetDetachedStarter([this](const std::string& program, const std::vector<std::string>& args) {
      std::string line = program;
      for (const auto& a : args) line += " " + a;
      started.push_back(line);
      return true;
    });
    saver = pf::GetWindowsDirectory() + "Orvane.scr";
    pf::WritePrivateProfileString("boot", "SCRNSAVE.EXE", saver, "system.ini");
  }
  void TearDown() override {
    pf::SetDesktopCommandRunner({});
    pf::SetDetachedStarter({});
    setenv("ORVANE_DESKTOP", "record", 1);
    unsetenv("DISPLAY");
  }
  std::vector<std::string> commands;  // besides the "xset q" that looks for the server
  std::vector<std::string> started;
  std::string saver;
  bool xServer = true;
};

TEST_F(IdleStart, SwitchingOnSetsTheTimeOutWritesTheEntryAndStartsTheWatcher) {
  EXPECT_TRUE(pf::SetScreenSaveTimeOut(60));  // saver still off: the X saver stays off
  EXPECT_TRUE(pf::SetScreenSaveActive(true));
  EXPECT_EQ(commands, (std::vector<std::string>{"xset s off", "xset s 60"}));
  EXPECT_EQ(started, (std::vector<std::string>{"xss-lock -- " + saver + " /s"}));
  const std::string entry = orvane::test::ReadFile(pf::IdleStartAutostartFile());
  EXPECT_EQ(entry, pf::IdleStartAutostartEntry(saver, 60));
  EXPECT_EQ(pf::IdleStartAutostartFile(), std::string(std::getenv("XDG_CONFIG_HOME")) +
                                              "/autostart/orvane-idle-start.desktop");

  commands.clear();
  EXPECT_TRUE(pf::SetScreenSaveTimeOut(600000));  // beyond the server's 16 bits: its longest
  EXPECT_EQ(commands, (std::vector<std::string>{"xset s 32767"}));
  EXPECT_EQ(pf::GetScreenSaveTimeOut(), 600000);

  commands.clear();
  EXPECT_TRUE(pf::SetScreenSaveTimeOut(0));  // a start delay of 0 minutes
  EXPECT_EQ(commands, (std::vector<std::string>{"xset s off"}));
  EXPECT_NE(orvane::test::ReadFile(pf::IdleStartAutostartFile()).find("xset s 0;"), std::string::npos);

  commands.clear();
  EXPECT_TRUE(pf::SetScreenSaveActive(false));
  EXPECT_EQ(commands, (std::vector<std::string>{"xset s off"}));
  EXPECT_FALSE(fs::exists(pf::IdleStartAutostartFile()));
  EXPECT_FALSE(pf::GetScreenSaveActive());  // still recorded
}

TEST_F(IdleStart, NoSaverProgramNamedMeansNoWatcher) {
  pf::WritePrivateProfileString("boot", "SCRNSAVE.EXE", "", "system.ini");
  EXPECT_TRUE(pf::SetScreenSaveActive(true));
  EXPECT_TRUE(started.empty());
  EXPECT_FALSE(fs::exists(pf::IdleStartAutostartFile()));
}

TEST_F(IdleStart, WithoutAnXServerOrWhileRecordingTheSettingsAreOnlyRecorded) {
  enum Case { kWaylandOnly, kXWayland, kNoAnswer, kRecording };
  for (const Case c : {kWaylandOnly, kXWayland, kNoAnswer, kRecording}) {
    setenv("DISPLAY", ":97", 1);
    if (c == kWaylandOnly) unsetenv("DISPLAY");
    if (c == kWaylandOnly || c == kXWayland) setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    xServer = c != kNoAnswer;
    if (c == kRecording) setenv("ORVANE_DESKTOP", "record", 1);
    EXPECT_TRUE(pf::SetScreenSaveActive(true));
    EXPECT_TRUE(pf::SetScreenSaveTimeOut(120));
    EXPECT_TRUE(pf::GetScreenSaveActive());
    EXPECT_EQ(pf::GetScreenSaveTimeOut(), 120);
    EXPECT_TRUE(commands.empty());
    EXPECT_TRUE(started.empty());
    EXPECT_FALSE(fs::exists(pf::IdleStartAutostartFile()));
    unsetenv("WAYLAND_DISPLAY");
    setenv("ORVANE_DESKTOP", "", 1);
  }
}

TEST_F(IdleStart, SwitchingOffOutsideXStillRemovesTheEntryForLaterSessions) {
  ASSERT_TRUE(pf::SetScreenSaveActive(true));
  ASSERT_TRUE(fs::exists(pf::IdleStartAutostartFile()));
  setenv("WAYLAND_DISPLAY", "wayland-0", 1);
  commands.clear();
  EXPECT_TRUE(pf::SetScreenSaveActive(false));
  EXPECT_FALSE(fs::exists(pf::IdleStartAutostartFile()));
  EXPECT_TRUE(commands.empty());
  unsetenv("WAYLAND_DISPLAY");
}

TEST(IdleStartEntry, TheExecLineQuotesThePathForTheShellAndTheEntry) {
  const std::string entry = pf::IdleStartAutostartEntry("/home/a b/it's $x 100%/Orvane.scr", 300);
  EXPECT_NE(entry.find("[Desktop Entry]\nType=Application\n"), std::string::npos);
  // The shell sees: xset s 300; exec xss-lock -- '/home/a b/it'\''s $x 100%/Orvane.scr' /s
  // quoted as one Exec argument: "\" and "$" escaped for the quoting, every "\"
  // of that doubled for the string value, "%" doubled.
  EXPECT_NE(entry.find("\nExec=sh -c \"xset s 300; exec xss-lock -- '/home/a b/it'\\\\\\\\''s \\\\$x 100%%/Orvane.scr' /s\"\n"),
            std::string::npos)
      << entry;
  EXPECT_NE(entry.find("\nTryExec=xss-lock\n"), std::string::npos);
}

}  // namespace
