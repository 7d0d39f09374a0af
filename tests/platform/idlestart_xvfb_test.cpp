// The idle start on a real X server: switching the saver on sets the server's
// time-out and writes the autostart entry; with a short time-out the watcher
// starts the saver program by itself once the session is idle; switching off
// undoes both. Needs Xvfb, xset, xss-lock and ImageMagick's import.
//
// Without a logind session (as here) xss-lock starts its command once and then
// stops on an assertion, so only the first idle start can be seen.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/idle_start.h"
#include "platform/profile.h"
#include "platform/saverlink.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"
#include "tools/demo/demo_sets.h"

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

using orvane::test::Xvfb;

std::string Run(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  process.waitForFinished(20000);
  return process.readAllStandardOutput().toStdString();
}

// Distinct colours of a screenshot of the whole screen (0 when none was taken).
int ScreenColours(const std::string& display, const fs::path& png) {
  Run("import", {"-display", QString::fromStdString(display), "-window", "root", QString::fromStdString(png.string())});
  QImage shot(QString::fromStdString(png.string()));
  QSet<QRgb> colours;
  for (int y = 0; y < shot.height(); y += 3)
    for (int x = 0; x < shot.width(); x += 3) colours.insert(shot.pixel(x, y));
  return static_cast<int>(colours.size());
}

std::string TimeOutLine(const std::string& display) {
  const std::string q = Run("xset", {"-display", QString::fromStdString(display), "q"});
  const auto at = q.find("timeout:");
  return at == std::string::npos ? "" : q.substr(at, q.find("cycle") - at);
}

// Ends the saver program the watcher started (argv[0] is the saver file).
void EndSaverPrograms(const std::string& saverFile) {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string cmdline = orvane::test::ReadFile(entry.path() / "cmdline");
    if (cmdline.rfind(saverFile + '\0', 0) == 0) kill(std::stoi(entry.path().filename().string()), SIGTERM);
  }
}

TEST(IdleStartOnX, AnIdleSessionStartsTheSlideShowByItself) {
  for (const char* tool : {"Xvfb", "xset", "xss-lock", "import"})
    if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed";
  Xvfb server(800, 600);
  ASSERT_FALSE(server.Display().empty());

  // A program folder with the demo sets, set up, and the saver file pointing at
  // the built program.
  const fs::path programFolder = orvane::test::MakeTempDir("program");
  orvane::demo::WriteDemoProgramFolder(programFolder);
  ASSERT_TRUE(orvane::demo::RegisterProgramFolder(programFolder));
  fs::copy_file(programFolder / "ScreenSaver.ini", pf::LocalAppDataFolder() + "ScreenSaver.ini");
  pf::WritePrivateProfileString("ScreenSaver", "Setup", "1", pf::LocalAppDataFolder() + "ScreenSaver.ini");
  const std::string saverFile = pf::SaverLinkPath().string();
  ASSERT_TRUE(pf::EnsureSaverLink(orvane::test::OrvaneExe()));
  pf::WritePrivateProfileString("boot", "SCRNSAVE.EXE", saverFile, "system.ini");

  // What the watcher and the program it starts inherit: the X server, a real
  // desktop.
  setenv("DISPLAY", server.Display().c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("XDG_SESSION_TYPE");
  unsetenv("ORVANE_DESKTOP");
  unsetenv("QT_QPA_PLATFORM");

  // On, with a one-minute delay.
  ASSERT_TRUE(pf::SetScreenSaveActive(true));
  ASSERT_TRUE(pf::SetScreenSaveTimeOut(60));
  EXPECT_EQ(TimeOutLine(server.Display()).substr(0, 12), "timeout:  60");
  ASSERT_TRUE(fs::exists(pf::IdleStartAutostartFile()));
  EXPECT_NE(orvane::test::ReadFile(pf::IdleStartAutostartFile()).find(" --timeout 60 -- " + saverFile + " /s\n"),
            std::string::npos);

  // A short time-out: the idle session starts the show without anyone asking.
  ASSERT_TRUE(pf::SetScreenSaveTimeOut(1));
  const fs::path shot = orvane::test::TempRoot() / "idle-start.png";
  int colours = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (colours < 200 && std::chrono::steady_clock::now() < deadline) {
    QThread::msleep(500);
    colours = ScreenColours(server.Display(), shot);
  }
  EXPECT_GE(colours, 200) << "no slide on the screen; last screenshot: " << shot;
  if (const char* keep = std::getenv("ORVANE_SCREENSHOT_DIR"))
    fs::copy_file(shot, fs::path(keep) / "idle-start.png", fs::copy_options::overwrite_existing);
  EXPECT_EQ(pf::GetPrivateProfileInt("ScreenSaver", "running", 0, pf::LocalAppDataFolder() + "ScreenSaver.ini"), 1);

  // Off: no X time-out, no autostart entry.
  ASSERT_TRUE(pf::SetScreenSaveActive(false));
  EXPECT_EQ(TimeOutLine(server.Display()).substr(0, 11), "timeout:  0");
  EXPECT_FALSE(fs::exists(pf::IdleStartAutostartFile()));

  EndSaverPrograms(saverFile);
  setenv("ORVANE_DESKTOP", "record", 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  unsetenv("DISPLAY");
}

}  // namespace
