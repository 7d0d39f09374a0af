// The start-up dispatch, run against the real program with its placeholder
// windows recording what they are asked to do.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/Utils.h"
#include "platform/desktop.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/vbruntime.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using orvane::test::ReadFile;
using orvane::test::WriteFile;
using Lines = std::vector<std::string>;

namespace {

std::string SettingsFile() { return orvane::core::GetSettingsFolder() + "ScreenSaver.ini"; }

Lines ReadLines(const fs::path& path) {
  Lines lines;
  std::istringstream in(ReadFile(path));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

QStringList Arguments(const std::string& commandLine) {
  QStringList args;
  std::istringstream in(commandLine);
  for (std::string word; in >> word;) args << QString::fromStdString(word);
  return args;
}

class Orvane {
 public:
  Orvane(const std::string& commandLine, const fs::path& log, bool waitInShow = false) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORVANE_PLACEHOLDER_LOG", QString::fromStdString(log.string()));
    env.insert("ORVANE_PLACEHOLDER_SAVER", "1");
    if (waitInShow) env.insert("ORVANE_PLACEHOLDER_WAIT", "1");
    process_.setProcessEnvironment(env);
    process_.start(QString::fromStdString(orvane::test::OrvaneExe().string()), Arguments(commandLine));
  }
  ~Orvane() { Finish(); }
  // Waits until the placeholder slide show reports that it is showing.
  bool WaitUntilShowing() {
    while (!process_.readAllStandardOutput().contains("showing") && process_.state() != QProcess::NotRunning)
      if (!process_.waitForReadyRead(30000)) return false;
    return process_.state() == QProcess::Running;
  }
  // Ends a waiting show (closes its stdin) and waits for the process; its exit code.
  int Finish() {
    if (process_.state() != QProcess::NotRunning) {
      process_.closeWriteChannel();
      process_.waitForFinished(60000);
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  // What the run said on standard error (after Finish).
  std::string Errors() { return process_.readAllStandardError().toStdString(); }

 private:
  QProcess process_;
};

// Runs one command line to its end; what the placeholders recorded.
Lines RunOrvane(const std::string& commandLine) {
  const fs::path log = orvane::test::TempRoot() / "placeholder.log";
  fs::remove(log);
  Orvane run(commandLine, log);
  EXPECT_EQ(run.Finish(), 0) << commandLine;
  return fs::exists(log) ? ReadLines(log) : Lines{};
}

std::string DelayedChange() {
  return orvane::platform::GetPrivateProfileString(std::string("PrefsWP"), std::string("DelayedChange"), "<missing>",
                                                   256, SettingsFile())
      .text;
}

const Lines kSlideShowStart = {"frmKestrin.Load", "RefreshCatalogue", "frmKestrin.Unload",
                               "frmSaver.ShowModal debug=0 cursor=-1"};

Lines Join(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Lines WallpaperWork(const char* render) {
  return {"frmKestrin.Load",       "frmKestrin.ResetWPImage 1", "frmPleaseWait.Show", render,
          "frmPleaseWait.Hide",    "frmPleaseWait.Unload",      "frmKestrin.Unload"};
}

// Every test starts without settings or desktop files (the test main gives each
// process fresh folders; this also keeps the tests apart when run together).
class Dispatch : public testing::Test {
 protected:
  void SetUp() override {
    fs::remove(SettingsFile());
    fs::remove(orvane::platform::DesktopSettingsFile());
    // A recorded program folder without templates keeps the first start, which
    // would set one up from the starter sets, out of the dispatch.
    orvane::platform::RegSetValue(orvane::platform::Hive::LocalMachine, orvane::core::kProgramPathKey,
                                  "@", orvane::test::MakeTempDir("no-templates").string());
  }
};

}  // namespace

TEST_F(Dispatch, EachSwitchReachesItsWindows) {
  struct Case {
    const char* commandLine;
    Lines recorded;
  };
  const std::vector<Case> cases = {
      {"/c:1234", {"frmKestrin.ConfigMode 1", "frmKestrin.StartingTab 0", "frmKestrin.Show"}},
      {"", {"frmKestrin.StartingTab 0", "frmKestrin.ConfigMode 0", "frmKestrin.Show"}},
      {"/-ConfigWall",
       {"frmKestrin.ConfigMode 0", "frmKestrin.StartingTab 0", "frmKestrin.Show", "frmKestrin.StartingTab 1"}},
      {"/debug", {"frmKestrin.StartingTab 0", "frmKestrin.Show", "frmKestrin.ConfigMode 0"}},
      {"/a", {"PwdChangePassword SCRSAVE"}},
      {"/S", {}},
      {"/p 4242", {}},
      {"/s", kSlideShowStart},
      {"/s /debug", {"frmKestrin.Load", "RefreshCatalogue", "frmKestrin.Unload", "frmSaver.ShowModal debug=1 cursor=0"}},
      {"/c /s", kSlideShowStart},       // "/s" is tested first
      {"/a /c", {"frmKestrin.ConfigMode 1", "frmKestrin.StartingTab 0", "frmKestrin.Show"}},
      {"/wall", WallpaperWork("frmKestrin.NextWallpaperImage")},
      {" /kalendar", WallpaperWork("frmKestrin.SetWallpaper")},
      {"/kalendar /wall", WallpaperWork("frmKestrin.NextWallpaperImage")},
  };
  for (const Case& c : cases) EXPECT_EQ(RunOrvane(c.commandLine), c.recorded) << '"' << c.commandLine << '"';
}

TEST_F(Dispatch, SlideShowEndsTheRunningStateAndPerformsOnlyAnExactDeferredChange) {
  struct Case {
    const char* stored;
    Lines after;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"wallpaper", {}},  // not exactly "WallPaper": cleared and ignored
      {"WallPaper ", {}},
      {"WallPaper", WallpaperWork("frmKestrin.NextWallpaperImage")},
      {"Calendar", WallpaperWork("frmKestrin.SetWallpaper")},
  };
  for (const Case& c : cases) {
    WriteFile(SettingsFile(), std::string("[PrefsWP]\r\nDelayedChange=\"") + c.stored + "\"\r\n");
    EXPECT_EQ(RunOrvane("/s"), Join(kSlideShowStart, c.after)) << c.stored;
    EXPECT_EQ(DelayedChange(), "") << c.stored;
    EXPECT_FALSE(orvane::platform::GetScreenSaverRunning());
    EXPECT_NE(ReadFile(orvane::platform::DesktopSettingsFile()).find("ScreenSaverRunning=0"), std::string::npos);
  }
}

TEST_F(Dispatch, WallpaperOffTouchesNeitherDesktopNorSettings) {
  const std::string settings = "[PrefsWP]\r\nenable=0\r\n";
  WriteFile(SettingsFile(), settings);
  EXPECT_EQ(RunOrvane("/wall"), (Lines{"frmKestrin.Load", "frmKestrin.Unload"}));
  EXPECT_EQ(RunOrvane("/kalendar"), (Lines{"frmKestrin.Load", "frmKestrin.Unload"}));
  EXPECT_EQ(ReadFile(SettingsFile()), settings);
  EXPECT_FALSE(fs::exists(orvane::platform::DesktopSettingsFile()));
}

TEST_F(Dispatch, SecondInstanceOnlyRecordsTheRequestForTheRunningShow) {
  const fs::path firstLog = orvane::test::TempRoot() / "first.log";
  const fs::path secondLog = orvane::test::TempRoot() / "second.log";
  Orvane first("/s", firstLog, /*waitInShow=*/true);
  ASSERT_TRUE(first.WaitUntilShowing());

  for (const char* commandLine : {"/wall", "/c", "/s", "/kalendar", " /wall"}) {
    Orvane second(commandLine, secondLog);
    EXPECT_EQ(second.Finish(), 0) << commandLine;
  }
  EXPECT_FALSE(fs::exists(secondLog));  // the second instances opened nothing

  // Only the two hand-over keys were written; the last request wins.
  namespace pf = orvane::platform;
  EXPECT_EQ(pf::GetPrivateProfileString(std::nullopt, std::nullopt, "", 4096, SettingsFile()).text,
            std::string("PrefsWP\0", 8));
  EXPECT_EQ(pf::GetPrivateProfileString(std::string("PrefsWP"), std::nullopt, "", 4096, SettingsFile()).text,
            std::string("LastChanged\0DelayedChange\0", 26));
  EXPECT_EQ(DelayedChange(), "WallPaper");
  const std::string lastChanged =
      pf::GetPrivateProfileString(std::string("PrefsWP"), std::string("LastChanged"), "", 256, SettingsFile()).text;
  const auto when = pf::ParseDateTime(lastChanged);
  ASSERT_TRUE(when.has_value()) << lastChanged;
  EXPECT_EQ(lastChanged.substr(0, lastChanged.find(' ')), pf::FormatDateMdy(*when));  // month/day/yyyy
  EXPECT_EQ(when->year, pf::Now().year);

  EXPECT_EQ(first.Finish(), 0);
  EXPECT_EQ(ReadLines(firstLog), Join(kSlideShowStart, WallpaperWork("frmKestrin.NextWallpaperImage")));
  EXPECT_EQ(DelayedChange(), "");
}

// In a fresh home the second instance first sets up the user's settings file
// from the program folder's template, so the request does not leave a file
// holding only itself (which every later show would take for "not set up").
TEST_F(Dispatch, SecondInstanceInAFreshHomeSetsUpTheSettingsFileFirst) {
  const fs::path program = orvane::test::MakeTempDir("program");
  WriteFile(program / "ScreenSaver.ini", "[ScreenSaver]\r\nSetup=1\r\n");
  orvane::platform::RegSetValue(orvane::platform::Hive::LocalMachine,
                                orvane::core::kProgramPathKey, "@", program.string());
  const fs::path firstLog = orvane::test::TempRoot() / "first.log";
  Orvane first("/s", firstLog, /*waitInShow=*/true);
  ASSERT_TRUE(first.WaitUntilShowing());
  fs::remove(SettingsFile());  // as in a home where no show has run yet

  Orvane second("/kalendar", orvane::test::TempRoot() / "second.log");
  EXPECT_EQ(second.Finish(), 0);
  namespace pf = orvane::platform;
  EXPECT_EQ(pf::GetPrivateProfileInt("ScreenSaver", "Setup", 0, SettingsFile()), 1);
  EXPECT_EQ(DelayedChange(), "Calendar");
  EXPECT_EQ(first.Finish(), 0);
  fs::remove(orvane::platform::HiveFile(orvane::platform::Hive::LocalMachine));
}

// With the wallpaper switched off "/wall" and "/kalendar" still change nothing
// and end well, but say why and where to switch it on.
TEST_F(Dispatch, WallpaperSwitchedOffSaysWhereToSwitchItOn) {
  orvane::test::WriteFile(SettingsFile(), "[PrefsWP]\r\nenable=0\r\n");
  for (const char* commandLine : {"/wall", "/kalendar"}) {
    const fs::path log = orvane::test::TempRoot() / "placeholder.log";
    fs::remove(log);
    Orvane run(commandLine, log);
    EXPECT_EQ(run.Finish(), 0) << commandLine;
    EXPECT_EQ(ReadLines(log), (Lines{"frmKestrin.Load", "frmKestrin.Unload"})) << commandLine;
    const std::string said = run.Errors();
    EXPECT_NE(said.find("The wallpaper is switched off"), std::string::npos) << said;
    EXPECT_NE(said.find("orvane /-ConfigWall"), std::string::npos) << said;
  }
}
