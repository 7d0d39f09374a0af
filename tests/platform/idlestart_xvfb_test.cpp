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
#include "tools/demo/demo_sets.h"

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

// An Xvfb of its own on a free display; kept across server resets (-noreset),
// since the time-out would otherwise fall back when the last client leaves.
class Xvfb {
 public:
  Xvfb() {
    const std::string exe = QStandardPaths::findExecutable("Xvfb").toStdString();
    if (exe.empty()) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], 3);
      if (fds[0] != 3) close(fds[0]);
      execl(exe.c_str(), "Xvfb", "-displayfd", "3", "-noreset", "-nolisten", "tcp", "-screen", "0",
            "800x600x24", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    char c;
    while (poll(&wait, 1, 30000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~Xvfb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

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
  Xvfb server;
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
  EXPECT_NE(orvane::test::ReadFile(pf::IdleStartAutostartFile()).find("xss-lock -- '" + saverFile + "' /s"),
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
