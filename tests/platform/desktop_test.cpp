#include "platform/desktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/memory.h"
#include "platform/screen.h"
#include "tests/support/testenv.h"

namespace pf = orvane::platform;

namespace {

struct Call {
  std::string program;
  std::vector<std::string> args;
};

class RecordingRunner {
 public:
  RecordingRunner() {
    pf::SetDesktopCommandRunner([this](const std::string& program, const std::vector<std::string>& args) {
      calls.push_back({program, args});
      for (const auto& [match, out] : outputs)
        if (program + " " + Join(args) == match) return std::optional<std::string>(out);
      return std::optional<std::string>("");
    });
  }
  ~RecordingRunner() { pf::SetDesktopCommandRunner({}); }
  static std::string Join(const std::vector<std::string>& args) {
    std::string s;
    for (const auto& a : args) s += (s.empty() ? "" : " ") + a;
    return s;
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (const auto& c : calls) out.push_back(c.program + " " + Join(c.args));
    return out;
  }
  std::vector<Call> calls;
  std::vector<std::pair<std::string, std::string>> outputs;
};

}  // namespace

TEST(Desktop, SettingsAreRecordedInTheMachineStateFolder) {
  RecordingRunner runner;  // ORVANE_DESKTOP=record: nothing may be run
  EXPECT_EQ(pf::GetDesktopWallpaper(), "");
  EXPECT_FALSE(pf::GetScreenSaveActive());
  EXPECT_EQ(pf::GetScreenSaveTimeOut(), 600);
  EXPECT_FALSE(pf::GetScreenSaverRunning());

  EXPECT_TRUE(pf::SetDesktopWallpaper("/home/u/.local/share/orvane/Orvane.bmp"));
  EXPECT_TRUE(pf::SetScreenSaveActive(true));
  EXPECT_TRUE(pf::SetScreenSaveTimeOut(300));
  EXPECT_TRUE(pf::SetScreenSaverRunning(true));
  EXPECT_EQ(pf::GetDesktopWallpaper(), "/home/u/.local/share/orvane/Orvane.bmp");
  EXPECT_TRUE(pf::GetScreenSaveActive());
  EXPECT_EQ(pf::GetScreenSaveTimeOut(), 300);
  EXPECT_TRUE(pf::GetScreenSaverRunning());
  EXPECT_TRUE(pf::SetScreenSaverRunning(false));
  EXPECT_FALSE(pf::GetScreenSaverRunning());

  EXPECT_EQ(pf::DesktopSettingsFile(), pf::MachineStateFolder() + "desktop.ini");
  const std::string text = orvane::test::ReadFile(pf::DesktopSettingsFile());
  EXPECT_NE(text.find("[Desktop]"), std::string::npos);
  EXPECT_NE(text.find("Wallpaper=/home/u/.local/share/orvane/Orvane.bmp"), std::string::npos);
  EXPECT_NE(text.find("ScreenSaverRunning=0"), std::string::npos);
  EXPECT_TRUE(runner.calls.empty());
}

TEST(Desktop, GnomeGetsThePictureAsAFileUri) {
  unsetenv("ORVANE_DESKTOP");
  setenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME", 1);
  RecordingRunner runner;
  runner.outputs = {{"gsettings get org.gnome.desktop.background picture-options", "'none'\n"}};
  pf::SetDesktopWallpaper("/tmp/my pics/Orvane.bmp");
  EXPECT_EQ(runner.Lines(), (std::vector<std::string>{
                                "gsettings set org.gnome.desktop.background picture-uri file:///tmp/my%20pics/Orvane.bmp",
                                "gsettings set org.gnome.desktop.background picture-uri-dark file:///tmp/my%20pics/Orvane.bmp",
                                "gsettings get org.gnome.desktop.background picture-options",
                                "gsettings set org.gnome.desktop.background picture-options zoom"}));
  runner.calls.clear();
  pf::SetDesktopWallpaper("(none)");
  EXPECT_EQ(runner.Lines(),
            (std::vector<std::string>{"gsettings set org.gnome.desktop.background picture-options none"}));
  EXPECT_EQ(pf::GetDesktopWallpaper(), "(none)");
}

TEST(Desktop, XfceGetsEveryMonitorsImageProperty) {
  unsetenv("ORVANE_DESKTOP");
  setenv("XDG_CURRENT_DESKTOP", "XFCE", 1);
  RecordingRunner runner;
  runner.outputs = {{"xfconf-query -c xfce4-desktop -l",
                     "/backdrop/screen0/monitor0/workspace0/last-image\n"
                     "/backdrop/screen0/monitor0/workspace0/image-style\n"
                     "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"}};
  pf::SetDesktopWallpaper("/w/Orvane.bmp");
  EXPECT_EQ(runner.Lines(),
            (std::vector<std::string>{
                "xfconf-query -c xfce4-desktop -l",
                "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitor0/workspace0/last-image -s ",
                "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitor0/workspace0/last-image -s /w/Orvane.bmp",
                "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorHDMI-1/workspace0/last-image -s ",
                "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorHDMI-1/workspace0/last-image -s "
                "/w/Orvane.bmp"}));
}

TEST(Desktop, UnreachableWaylandDesktopIsOnlyRecorded) {
  unsetenv("ORVANE_DESKTOP");
  setenv("XDG_CURRENT_DESKTOP", "sway", 1);
  setenv("XDG_SESSION_TYPE", "wayland", 1);
  RecordingRunner runner;
  EXPECT_TRUE(pf::SetDesktopWallpaper("/w/Orvane.bmp"));
  EXPECT_TRUE(runner.calls.empty());
  EXPECT_EQ(pf::GetDesktopWallpaper(), "/w/Orvane.bmp");
}

TEST(Screen, BitsPerPixelOverrideAndFallback) {
  struct Case { const char* env; bool overrides; int bits; };
  for (const Case& c : {Case{"8", true, 8}, Case{"16", true, 16}, Case{"0", false, 0}, Case{"33", false, 0},
                        Case{"8x", false, 0}, Case{"", false, 0}}) {
    setenv("ORVANE_SCREEN_BPP", c.env, 1);
    const int bits = pf::ScreenBitsPerPixel();
    if (c.overrides) {
      EXPECT_EQ(bits, c.bits) << c.env;
    } else {
      EXPECT_GE(bits, 24) << c.env;  // the offscreen screen is true colour
    }
  }
  unsetenv("ORVANE_SCREEN_BPP");
}

TEST(SystemFigures, MemoryDiskAndVersionAreSane) {
  const pf::MemoryStatus memory = pf::GlobalMemoryStatus();
  EXPECT_GT(memory.totalPhys, 0u);
  EXPECT_LE(memory.availPhys, memory.totalPhys);
  EXPECT_LE(memory.memoryLoad, 100u);
  EXPECT_EQ(memory.totalVirtual, memory.totalPhys + memory.totalPageFile);

  const auto disk = pf::GetDiskFreeSpace(orvane::test::TempRoot().string());
  ASSERT_TRUE(disk.has_value());
  EXPECT_GT(disk->clusterBytes, 0u);
  EXPECT_EQ(disk->bytesPerSector * disk->sectorsPerCluster, disk->clusterBytes);
  EXPECT_LE(disk->freeBytes, disk->totalBytes);
  EXPECT_EQ(disk->freeClusters, disk->freeBytes / disk->clusterBytes);
  EXPECT_FALSE(pf::GetDiskFreeSpace("/no/such/folder/anywhere").has_value());

  const pf::OsVersion version = pf::GetVersionEx();
  EXPECT_EQ(version.system, "Linux");
  EXPECT_GT(version.major, 0);
  EXPECT_FALSE(version.release.empty());
}
