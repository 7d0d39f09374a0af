// The show on an X server with two monitors (one 3840 x 1080 screen split in
// two RandR monitors, the root window painted red): every monitor is covered,
// input on the second monitor is the show's, a monitor that comes or goes while
// the show runs gains or loses its cover, and with a password no other X client
// gets a key or a click on either monitor. Needs Xvfb, xrandr, xsetroot, xev,
// xdotool.
#include <gtest/gtest.h>
#include <signal.h>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QStandardPaths>
#include <QThread>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/password.h"
#include "platform/profile.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"
#include "tools/demo/demo_sets.h"

// Last: Xlib's macros clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

using orvane::test::WaitFor;
// Each poll of a wait here is costly (a screenshot, a helper process).
constexpr std::chrono::milliseconds kPoll(50);

using orvane::test::Xvfb;

constexpr int kWidth = 3840;
constexpr int kHeight = 1080;
const QRect kLeft(0, 0, 1920, 1080);
const QRect kRight(1920, 0, 1920, 1080);
const QRgb kRootRed = qRgb(255, 0, 0);


int CountPixels(const QImage& image, const QRect& area, QRgb colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) count += (row[x] | 0xFF000000u) == colour;
  }
  return count;
}

class MonitorsOnX : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xrandr", "xsetroot", "xev", "xdotool", "stdbuf"})
      if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed";
    ASSERT_FALSE(server_.Display().empty());
    display_ = XOpenDisplay(server_.Display().c_str());
    ASSERT_NE(display_, nullptr);

    const fs::path programFolder = orvane::test::MakeTempDir("program");
    orvane::demo::WriteDemoProgramFolder(programFolder);
    ASSERT_TRUE(orvane::demo::RegisterProgramFolder(programFolder));
    settings_ = pf::LocalAppDataFolder() + "ScreenSaver.ini";
    fs::copy_file(programFolder / "ScreenSaver.ini", settings_, fs::copy_options::overwrite_existing);
    pf::WritePrivateProfileString("ScreenSaver", "Setup", "1", settings_);

    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("DISPLAY", QString::fromStdString(server_.Display()));
    env_.remove("QT_QPA_PLATFORM");
    trace_ = orvane::test::TempRoot() / "trace.txt";
    env_.insert("ORVANE_TRACE", QString::fromStdString(trace_.string()));

    // The left monitor is the primary one: it holds the screen's only output.
    ASSERT_EQ(Run("xrandr", {"--setmonitor", "L", "1920/508x1080/286+0+0", "screen"}), 0);
    AddRightMonitor();
    ASSERT_EQ(Run("xsetroot", {"-solid", "red"}), 0);
  }
  void TearDown() override {
    if (show_.state() != QProcess::NotRunning) {
      kill(pid_t(show_.processId()), SIGTERM);
      show_.waitForFinished(10000);
    }
    for (auto& other : others_) {
      other->kill();
      other->waitForFinished(5000);
    }
    if (display_) XCloseDisplay(display_);
  }

  int Run(const QString& program, const QStringList& arguments, std::string* output = nullptr) {
    QProcess tool;
    tool.setProcessEnvironment(env_);
    tool.start(program, arguments);
    if (!tool.waitForFinished(10000)) return -1;
    if (output) *output = tool.readAllStandardOutput().trimmed().toStdString();
    return tool.exitCode();
  }
  std::string Xdotool(const QStringList& arguments) {
    std::string output;
    Run("xdotool", arguments, &output);
    return output;
  }
  void AddRightMonitor() { ASSERT_EQ(Run("xrandr", {"--setmonitor", "R", "1920/508x1080/286+1920+0", "none"}), 0); }
  void RemoveRightMonitor() { ASSERT_EQ(Run("xrandr", {"--delmonitor", "R"}), 0); }

  QImage Screenshot() {
    XImage* x = XGetImage(display_, DefaultRootWindow(display_), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    QImage out(kWidth, kHeight, QImage::Format_RGB32);
    if (!x) return out;
    for (int y = 0; y < kHeight; ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
      if (x->bits_per_pixel == 32) std::memcpy(row, x->data + std::size_t(y) * x->bytes_per_line, kWidth * 4);
      else
        for (int i = 0; i < kWidth; ++i) row[i] = QRgb(XGetPixel(x, i, y));
    }
    XDestroyImage(x);
    return out;
  }
  // Waits until no pixel of the root's red is left in area.
  bool Covered(const QRect& area, int milliseconds = 30000) {
    return WaitFor([&] { return CountPixels(Screenshot(), area, kRootRed) == 0; }, std::chrono::milliseconds(milliseconds), kPoll);
  }
  void SaveScreenshot(const char* name) {
    if (const char* folder = std::getenv("ORVANE_SCREENSHOTS"); folder && *folder)
      Screenshot().save(QString::fromStdString((fs::path(folder) / name).string()));
  }

  void StartShow() {
    fs::remove(trace_);
    show_.setProcessEnvironment(env_);
    show_.start(QString::fromStdString(orvane::test::OrvaneExe().string()), {"/s"});
    ASSERT_TRUE(show_.waitForStarted(10000));
    // The first slide has been shown, so the windows are up.
    ASSERT_TRUE(WaitFor([&] { return orvane::test::ReadFile(trace_).find("trans ") != std::string::npos; },
                        std::chrono::milliseconds(30000), kPoll));
  }

  // The show's windows on screen, by the monitor they start on.
  std::vector<std::pair<std::string, int>> ShowWindows() {
    std::vector<std::pair<std::string, int>> windows;
    std::string list = Xdotool({"search", "--onlyvisible", "--name", "DUZudaveZeved"});
    std::size_t start = 0;
    while (start < list.size()) {
      std::size_t end = list.find('\n', start);
      if (end == std::string::npos) end = list.size();
      const std::string id = list.substr(start, end - start);
      std::string shell;
      Run("xdotool", {"getwindowgeometry", "--shell", QString::fromStdString(id)}, &shell);
      const std::size_t at = shell.find("X=");
      if (at != std::string::npos) windows.emplace_back(id, std::stoi(shell.substr(at + 2)));
      start = end + 1;
    }
    return windows;
  }
  std::string CoverOfRightMonitor() {
    for (const auto& [id, x] : ShowWindows())
      if (x == kRight.x()) return id;
    return {};
  }

  // Another X client: xev's window at x, y, which reports every event it gets.
  void StartOther(int x, int y) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env_);
    // Unbuffered: xev's output goes to a pipe here.
    process->start("stdbuf", {"-o0", "xev", "-geometry", QStringLiteral("120x120+%1+%2").arg(x).arg(y)});
    std::string output;
    ASSERT_TRUE(WaitFor([&] {
      process->waitForReadyRead(50);
      output += process->readAllStandardOutput().toStdString();
      return output.find("Outer window is ") != std::string::npos;
    }, std::chrono::milliseconds(10000), kPoll));
    const std::size_t at = output.find("Outer window is ") + 16;
    others_.push_back(std::move(process));
    otherWindows_.push_back(output.substr(at, output.find(',', at) - at));
  }
  // What the other window number index received since the last call.
  std::string EventsOf(std::size_t index) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    while (std::chrono::steady_clock::now() < until) others_[index]->waitForReadyRead(50);
    return others_[index]->readAllStandardOutput().toStdString();
  }

  Xvfb server_{kWidth, kHeight};
  Display* display_ = nullptr;
  std::string settings_;
  QProcessEnvironment env_;
  fs::path trace_;
  QProcess show_;
  std::vector<std::unique_ptr<QProcess>> others_;
  std::vector<std::string> otherWindows_;
};

TEST_F(MonitorsOnX, EveryMonitorIsCoveredAndInputOnTheSecondEndsTheShow) {
  // A move of more than 5 units and a click, both on the second monitor.
  const std::vector<std::pair<const char*, std::vector<QStringList>>> inputs = {
      {"move", {{"mousemove", "2500", "500"}, {"mousemove", "2510", "500"}, {"mousemove", "2500", "500"}}},
      {"click", {{"mousemove", "2500", "500"}, {"click", "1"}}},
  };
  for (const auto& [name, steps] : inputs) {
    SCOPED_TRACE(name);
    Xdotool({"mousemove", "100", "100"});
    StartShow();
    EXPECT_TRUE(Covered(QRect(0, 0, kWidth, kHeight))) << "the root window shows";
    SaveScreenshot("two-monitors-show.png");
    const auto windows = ShowWindows();
    ASSERT_EQ(windows.size(), 2u);
    // Again until the show ends: two moves the server sends at once may reach
    // the show as one.
    for (int attempt = 0; attempt < 20 && show_.state() != QProcess::NotRunning; ++attempt) {
      for (const QStringList& step : steps) Xdotool(step);
      show_.waitForFinished(500);
    }
    show_.waitForFinished(10000);
    EXPECT_EQ(show_.state(), QProcess::NotRunning) << "input on the second monitor did not end the show";
  }
}

TEST_F(MonitorsOnX, AMonitorThatComesIsCoveredAndOneThatGoesLosesItsWindow) {
  RemoveRightMonitor();
  StartShow();
  ASSERT_TRUE(Covered(kLeft));
  EXPECT_GT(CountPixels(Screenshot(), kRight, kRootRed), 0) << "no monitor there, nothing to cover";
  AddRightMonitor();
  EXPECT_TRUE(Covered(kRight)) << "the new monitor is not covered";
  EXPECT_EQ(ShowWindows().size(), 2u);
  RemoveRightMonitor();
  EXPECT_TRUE(WaitFor([&] { return ShowWindows().size() == 1; }, std::chrono::milliseconds(10000), kPoll));
  // Its window did not move over the slides.
  EXPECT_TRUE(Covered(kLeft, 0));
  EXPECT_EQ(show_.state(), QProcess::Running);
}

TEST_F(MonitorsOnX, WithAPasswordNoOtherClientGetsKeysOrClicksOnEitherMonitor) {
  ASSERT_TRUE(pf::StoreScreenSavePassword("secret"));
  StartOther(10, 10);
  StartOther(kRight.x() + 10, 10);
  StartShow();
  ASSERT_TRUE(Covered(QRect(0, 0, kWidth, kHeight)));
  QThread::msleep(500);  // the grabs are taken once the window is on screen
  for (std::size_t i = 0; i < otherWindows_.size(); ++i) {
    SCOPED_TRACE(i == 0 ? "left monitor" : "right monitor");
    const QString window = QString::fromStdString(otherWindows_[i]);
    const QString x = QString::number(i == 0 ? 60 : kRight.x() + 60);
    EventsOf(i);
    Xdotool({"windowfocus", window});
    Xdotool({"key", "x"});
    const std::string keys = EventsOf(i);
    EXPECT_EQ(keys.find("KeyPress"), std::string::npos) << keys;
    Xdotool({"windowraise", window});
    Xdotool({"mousemove", x, "60"});
    Xdotool({"click", "1"});
    const std::string pointer = EventsOf(i);
    EXPECT_EQ(pointer.find("ButtonPress"), std::string::npos) << pointer;
  }
  // The input went to the show, which asks for the password on the primary
  // monitor and goes on.
  EXPECT_EQ(show_.state(), QProcess::Running);
  std::string prompt;
  ASSERT_TRUE(WaitFor([&] {
    prompt = Xdotool({"search", "--onlyvisible", "--name", "Screen Saver"});
    return !prompt.empty();
  }, std::chrono::milliseconds(10000), kPoll));
  std::string shell;
  Run("xdotool", {"getwindowgeometry", "--shell", QString::fromStdString(prompt.substr(0, prompt.find('\n')))},
      &shell);
  const std::size_t at = shell.find("X=");
  ASSERT_NE(at, std::string::npos) << shell;
  EXPECT_LT(std::stoi(shell.substr(at + 2)), kLeft.right()) << "the prompt is not on the primary monitor";
  SaveScreenshot("two-monitors-prompt.png");
  // The key on the second monitor went to the prompt already.
  Xdotool({"key", "ctrl+a", "BackSpace"});
  Xdotool({"type", "secret"});
  Xdotool({"key", "Return"});
  ASSERT_TRUE(show_.waitForFinished(10000)) << "the prompt did not take the password";
}

TEST_F(MonitorsOnX, ACoverTakenAwayByAnotherProgramComesBackAndAsks) {
  ASSERT_TRUE(pf::StoreScreenSavePassword("secret"));
  for (const char* action : {"windowclose", "windowunmap"}) {
    SCOPED_TRACE(action);
    StartShow();
    const std::string cover = CoverOfRightMonitor();
    ASSERT_FALSE(cover.empty());
    Xdotool({action, QString::fromStdString(cover)});
    EXPECT_TRUE(WaitFor([&] {
      const std::string now = CoverOfRightMonitor();
      return !now.empty() && now != cover;
    }, std::chrono::milliseconds(10000), kPoll)) << "no new cover";
    EXPECT_TRUE(Covered(kRight, 10000)) << "the monitor is left uncovered";
    EXPECT_EQ(show_.state(), QProcess::Running);
    EXPECT_TRUE(WaitFor([&] { return !Xdotool({"search", "--onlyvisible", "--name", "Screen Saver"}).empty(); },
                        std::chrono::milliseconds(10000), kPoll))
        << "the loss did not reach the show as a close request";
    Xdotool({"type", "secret"});
    Xdotool({"key", "Return"});
    ASSERT_TRUE(show_.waitForFinished(10000)) << "no prompt took the password";
  }
}

}  // namespace
