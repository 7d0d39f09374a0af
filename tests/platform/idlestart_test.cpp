// The screen-saver flag and time-out carried out on the session: which idle
// watcher each desktop gets, the commands run, the autostart entry and the
// watcher start, and what is only recorded where no watcher can run. The
// watchers on real sessions are in idlestart_xvfb_test, idlestart_gnome_test
// and idlestart_sway_test.
#include "platform/idle_start.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/idle_watcher.h"
#include "platform/profile.h"
#include "platform/runlog.h"
#include "tests/support/testenv.h"

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

std::string Joined(const std::string& program, const std::vector<std::string>& args) {
  std::string line = program;
  for (const auto& a : args) line += " " + a;
  return line;
}

class IdleStart : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"ORVANE_DESKTOP", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP"})
      unsetenv(name);
    setenv("DISPLAY", ":97", 1);
    pf::SetDesktopCommandRunner([this](const std::string& program, const std::vector<std::string>& args) {
      const std::string line = Joined(program, args);
      if (line == "xset q") return xServer ? std::optional<std::string>("Screen Saver:\n") : std::nullopt;
      commands.push_back(line);
      return std::optional<std::string>("");
    });
    pf::SetDetachedStarter([this](const std::string& program, const std::vector<std::string>& args) {
      started.push_back(Joined(program, args));
      return true;
    });
    saver = pf::GetWindowsDirectory() + "Orvane.scr";
    pf::WritePrivateProfileString("boot", "SCRNSAVE.EXE", saver, "system.ini");
    watcher = pf::IdleWatcherProgramPath();  // the test main puts the built one on PATH
    ASSERT_EQ(watcher, std::string(ORVANE_BINARY_DIR) + "/apps/orvane-idle");
  }
  void TearDown() override {
    pf::SetDesktopCommandRunner({});
    pf::SetDetachedStarter({});
    setenv("ORVANE_DESKTOP", "record", 1);
    unsetenv("DISPLAY");
  }
  std::string Log() { return fs::exists(pf::RunLogFile()) ? orvane::test::ReadFile(pf::RunLogFile()) : ""; }

  std::vector<std::string> commands;  // besides the "xset q" that looks for the server
  std::vector<std::string> started;
  std::string saver;
  std::string watcher;
  bool xServer = true;
};

TEST(IdleWatcherChoice, EachDesktopGetsItsWatcher) {
  using Kind = pf::IdleWatcherKind;
  const fs::path runtime = orvane::test::MakeTempDir("runtime");
  orvane::test::WriteFile(runtime / "bus", "");  // the default session bus's socket
  struct Case {
    std::map<std::string, std::string> env;
    Kind kind;
    bool available;
  } cases[] = {
      {{{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"},
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus"}}, Kind::GnomeMonitor, true},
      {{{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}, {"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"},
        {"XDG_RUNTIME_DIR", runtime.string()}}, Kind::GnomeMonitor, true},
      {{{"XDG_CURRENT_DESKTOP", "GNOME"}, {"DISPLAY", ":0"}}, Kind::GnomeMonitor, false},  // no session bus
      {{{"XDG_CURRENT_DESKTOP", "KDE"}, {"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"},
        {"DISPLAY", ":1"}}, Kind::SwayIdle, true},  // XWayland's DISPLAY does not make it X
      {{{"XDG_CURRENT_DESKTOP", "sway"}, {"WAYLAND_DISPLAY", "wayland-1"}}, Kind::SwayIdle, true},
      {{{"XDG_SESSION_TYPE", "wayland"}}, Kind::SwayIdle, false},  // no display named
      {{{"XDG_CURRENT_DESKTOP", "XFCE"}, {"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, Kind::XssLock, true},
      {{{"XDG_CURRENT_DESKTOP", "GNOME-Flashback"}, {"DISPLAY", ":0"}}, Kind::XssLock, true},
      {{}, Kind::None, false},
  };
  for (const Case& c : cases) {
    const auto env = [&c](const char* name) {
      const auto it = c.env.find(name);
      return it == c.env.end() ? std::string() : it->second;
    };
    const pf::IdleWatcherChoice choice = pf::ChooseIdleWatcher(env);
    std::string trace;
    for (const auto& [name, value] : c.env) trace += name + "=" + value + " ";
    SCOPED_TRACE(trace);
    EXPECT_EQ(choice.kind, c.kind);
    // The tools are installed here: what is missing is the session's.
    EXPECT_EQ(choice.unavailable.empty(), c.available) << choice.unavailable;
  }
}

TEST_F(IdleStart, SwitchingOnSetsTheTimeOutWritesTheEntryAndStartsTheWatcher) {
  EXPECT_TRUE(pf::SetScreenSaveTimeOut(60));  // saver still off: the X saver stays off
  EXPECT_TRUE(pf::SetScreenSaveActive(true));
  EXPECT_EQ(commands, (std::vector<std::string>{"xset s off", "xset s 60"}));
  EXPECT_EQ(started, (std::vector<std::string>{"xss-lock -- " + saver + " /s"}));
  const std::string entry = orvane::test::ReadFile(pf::IdleStartAutostartFile());
  EXPECT_EQ(entry, pf::IdleStartAutostartEntry(watcher, saver, 60));
  if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) {
    QProcess validate;
    validate.start("desktop-file-validate", {QString::fromStdString(pf::IdleStartAutostartFile())});
    ASSERT_TRUE(validate.waitForFinished(10000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
  }
  EXPECT_EQ(pf::IdleStartAutostartFile(), std::string(std::getenv("XDG_CONFIG_HOME")) +
                                              "/autostart/orvane-idle-start.desktop");

  commands.clear();
  EXPECT_TRUE(pf::SetScreenSaveTimeOut(600000));  // beyond the server's 16 bits: its longest
  EXPECT_EQ(commands, (std::vector<std::string>{"xset s 32767"}));
  EXPECT_EQ(pf::GetScreenSaveTimeOut(), 600000);

  commands.clear();
  EXPECT_TRUE(pf::SetScreenSaveTimeOut(0));  // a start delay of 0 minutes
  EXPECT_EQ(commands, (std::vector<std::string>{"xset s off"}));
  EXPECT_NE(orvane::test::ReadFile(pf::IdleStartAutostartFile()).find(" --timeout 0 -- "), std::string::npos);

  commands.clear();
  EXPECT_TRUE(pf::SetScreenSaveActive(false));
  EXPECT_EQ(commands, (std::vector<std::string>{"xset s off"}));
  EXPECT_FALSE(fs::exists(pf::IdleStartAutostartFile()));
  EXPECT_FALSE(pf::GetScreenSaveActive());  // still recorded
  EXPECT_EQ(Log(), "");
}

TEST_F(IdleStart, WaylandAndGnomeSessionsStartTheirWatchers) {
  // No compositor answers on "wayland-5", so none offers swaylock what it needs:
  // swayidle gets no lock command (the sway and compositor tests ask real ones).
  struct Case {
    const char* desktop;
    std::string expected;
  } cases[] = {
      {"sway", "swayidle timeout 120 '" + saver + "' /s"},
      {"GNOME", watcher + " --timeout 120 -- " + saver + " /s"},
  };
  setenv("WAYLAND_DISPLAY", "wayland-5", 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.desktop);
    setenv("XDG_CURRENT_DESKTOP", c.desktop, 1);
    started.clear();
    ASSERT_TRUE(pf::SetScreenSaveTimeOut(120));
    ASSERT_TRUE(pf::SetScreenSaveActive(true));
    EXPECT_EQ(started, (std::vector<std::string>{c.expected}));
    EXPECT_TRUE(commands.empty()) << commands.front();  // no X time-out
    EXPECT_EQ(orvane::test::ReadFile(pf::IdleStartAutostartFile()), pf::IdleStartAutostartEntry(watcher, saver, 120));
    started.clear();
    EXPECT_TRUE(pf::SetScreenSaveTimeOut(0));  // never idle long enough: no watcher
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(pf::SetScreenSaveActive(false));
    EXPECT_FALSE(fs::exists(pf::IdleStartAutostartFile()));
  }
  EXPECT_EQ(Log(), "");
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

TEST_F(IdleStart, NoSaverProgramNamedMeansNoWatcher) {
  pf::WritePrivateProfileString("boot", "SCRNSAVE.EXE", "", "system.ini");
  EXPECT_TRUE(pf::SetScreenSaveActive(true));
  EXPECT_TRUE(started.empty());
  EXPECT_FALSE(fs::exists(pf::IdleStartAutostartFile()));
}

TEST_F(IdleStart, WhereNoWatcherCanRunTheSettingsAreRecordedAndTheReasonSaidOnce) {
  enum Case { kNoDisplay, kWaylandUnnamed, kNoXAnswer, kRecording };
  for (const Case c : {kNoDisplay, kWaylandUnnamed, kNoXAnswer, kRecording}) {
    SCOPED_TRACE(c);
    fs::remove(pf::RunLogFile());
    setenv("DISPLAY", ":97", 1);
    if (c == kNoDisplay || c == kWaylandUnnamed) unsetenv("DISPLAY");
    if (c == kWaylandUnnamed) setenv("XDG_SESSION_TYPE", "wayland", 1);
    xServer = c != kNoXAnswer;
    if (c == kRecording) setenv("ORVANE_DESKTOP", "record", 1);
    EXPECT_TRUE(pf::SetScreenSaveActive(true));
    EXPECT_TRUE(pf::SetScreenSaveTimeOut(120));
    EXPECT_TRUE(pf::GetScreenSaveActive());
    EXPECT_EQ(pf::GetScreenSaveTimeOut(), 120);
    EXPECT_TRUE(commands.empty());
    EXPECT_TRUE(started.empty());
    // Later sessions may have what this one lacks.
    EXPECT_EQ(fs::exists(pf::IdleStartAutostartFile()), c != kRecording);
    const std::string log = Log();
    const std::string said = "The screen saver will not start by itself in this session: ";
    if (c == kRecording) {
      EXPECT_EQ(log, "");
    } else {
      EXPECT_NE(log.find(said), std::string::npos) << log;
      EXPECT_EQ(log.find(said), log.rfind(said)) << "said more than once:\n" << log;
    }
    EXPECT_TRUE(pf::SetScreenSaveActive(false));
    EXPECT_FALSE(fs::exists(pf::IdleStartAutostartFile()));
    unsetenv("XDG_SESSION_TYPE");
    setenv("ORVANE_DESKTOP", "", 1);
    fs::remove(pf::IdleStartAutostartFile());
  }
}

TEST(IdleStartEntry, TheExecLineQuotesThePathsForTheEntry) {
  const std::string entry =
      pf::IdleStartAutostartEntry("/opt/my tools/orvane-idle", "/home/a b/it's $x 100%/Orvane.scr", 300);
  EXPECT_NE(entry.find("[Desktop Entry]\nType=Application\n"), std::string::npos);
  // Quoted as Exec arguments: "$" escaped for the quoting, every "\" of that
  // doubled for the string value, "%" doubled.
  EXPECT_NE(entry.find("\nExec=\"/opt/my tools/orvane-idle\" --timeout 300 -- \"/home/a b/it's \\\\$x 100%%/Orvane.scr\" /s\n"),
            std::string::npos)
      << entry;
  EXPECT_NE(entry.find("\nTryExec=/opt/my tools/orvane-idle\n"), std::string::npos) << entry;  // a plain path
}

TEST(IdleWatcherCommand, SwayidleGetsTheSaverAsOneShellWord) {
  const auto command = pf::IdleWatcherCommand(pf::IdleWatcherKind::SwayIdle, "/home/it's/Orvane.scr", 60, true);
  ASSERT_EQ(command, (std::vector<std::string>{"swayidle", "timeout", "60", "'/home/it'\\''s/Orvane.scr' /s", "lock",
                                                "swaylock -f"}));
  std::string word;
  EXPECT_TRUE(pf::ShellUnquoted("'/home/it'\\''s/Orvane.scr'", word));
  EXPECT_EQ(word, "/home/it's/Orvane.scr");
  EXPECT_FALSE(pf::ShellUnquoted("/home/x.scr", word));
  EXPECT_FALSE(pf::ShellUnquoted("'/a' b'", word));
}

}  // namespace
