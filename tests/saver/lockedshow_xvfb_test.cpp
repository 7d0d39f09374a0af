// A show with a password on a real X server, as two programs see it: while the
// show runs, a second X client (xev's window, driven by xdotool) cannot get the
// keyboard or the pointer; without a password it can. Needs Xvfb, xev, xdotool.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/folders.h"
#include "platform/password.h"
#include "platform/profile.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"
#include "tools/demo/demo_sets.h"

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

using orvane::test::WaitFor;

using orvane::test::Xvfb;


class LockedShowOnX : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xev", "xdotool", "stdbuf"})
      if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed";
    ASSERT_FALSE(server_.Display().empty());
    const fs::path programFolder = orvane::test::MakeTempDir("program");
    orvane::demo::WriteDemoProgramFolder(programFolder);
    ASSERT_TRUE(orvane::demo::RegisterProgramFolder(programFolder));
    const std::string settings = pf::LocalAppDataFolder() + "ScreenSaver.ini";
    fs::copy_file(programFolder / "ScreenSaver.ini", settings, fs::copy_options::overwrite_existing);
    pf::WritePrivateProfileString("ScreenSaver", "Setup", "1", settings);

    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("DISPLAY", QString::fromStdString(server_.Display()));
    env_.remove("QT_QPA_PLATFORM");
    trace_ = orvane::test::TempRoot() / "trace.txt";
    env_.insert("ORVANE_TRACE", QString::fromStdString(trace_.string()));

    // The other program: xev's window, which reports every event it gets.
    other_.setProcessEnvironment(env_);
    // Unbuffered: xev's output goes to a pipe here.
    other_.start("stdbuf", {"-o0", "xev", "-geometry", "120x120+10+10"});
    ASSERT_TRUE(WaitFor([&] {
      other_.waitForReadyRead(50);
      output_ += other_.readAllStandardOutput().toStdString();
      return output_.find("Outer window is ") != std::string::npos;
    }, std::chrono::milliseconds(10000)));
    const std::size_t at = output_.find("Outer window is ") + 16;
    otherWindow_ = output_.substr(at, output_.find(',', at) - at);
  }
  void TearDown() override {
    if (show_.state() != QProcess::NotRunning) {
      kill(pid_t(show_.processId()), SIGTERM);
      show_.waitForFinished(10000);
    }
    if (other_.state() != QProcess::NotRunning) {
      other_.kill();
      other_.waitForFinished(5000);
    }
  }

  void StartShow() {
    fs::remove(trace_);
    show_.setProcessEnvironment(env_);
    show_.start(QString::fromStdString(orvane::test::OrvaneExe().string()), {"/s"});
    ASSERT_TRUE(show_.waitForStarted(10000));
    // The first slide has been shown, so the window is up.
    ASSERT_TRUE(WaitFor([&] {
      return orvane::test::ReadFile(trace_).find("trans ") != std::string::npos;
    }, std::chrono::milliseconds(30000)));
    QThread::msleep(1000);
  }

  std::string Xdotool(const QStringList& arguments) {
    QProcess tool;
    tool.setProcessEnvironment(env_);
    tool.start("xdotool", arguments);
    tool.waitForFinished(10000);
    return tool.readAllStandardOutput().trimmed().toStdString();
  }

  // What the other window received since the last call.
  std::string OtherEvents() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    while (std::chrono::steady_clock::now() < until) other_.waitForReadyRead(50);
    return other_.readAllStandardOutput().toStdString();
  }

  // Tries to reach the other window: its keyboard focus and a key, then its
  // window raised over the show and a click on it.
  void ReachTheOtherWindow() {
    OtherEvents();
    Xdotool({"windowfocus", QString::fromStdString(otherWindow_)});
    Xdotool({"key", "x"});
    keyEvents_ = OtherEvents();
    Xdotool({"windowraise", QString::fromStdString(otherWindow_)});
    Xdotool({"mousemove", "60", "60"});
    Xdotool({"click", "1"});
    pointerEvents_ = OtherEvents();
  }

  Xvfb server_{640, 480};
  QProcessEnvironment env_;
  fs::path trace_;
  QProcess other_;
  QProcess show_;
  std::string output_;
  std::string otherWindow_;
  std::string keyEvents_, pointerEvents_;
};

TEST_F(LockedShowOnX, WithAPasswordNoOtherWindowGetsKeyboardOrPointer) {
  ASSERT_TRUE(pf::StoreScreenSavePassword("secret"));
  StartShow();
  ReachTheOtherWindow();
  EXPECT_EQ(keyEvents_.find("KeyPress"), std::string::npos) << keyEvents_;
  EXPECT_EQ(pointerEvents_.find("ButtonPress"), std::string::npos) << pointerEvents_;
  // The input went to the show, which asks for the password and goes on.
  EXPECT_EQ(show_.state(), QProcess::Running);

  // The prompt holds the grabs now and takes the password typed; the show ends
  // and the other window is reached again.
  Xdotool({"type", "secret"});
  Xdotool({"key", "Return"});
  ASSERT_TRUE(show_.waitForFinished(10000)) << "the prompt did not take the password";
  EXPECT_EQ(show_.exitStatus(), QProcess::NormalExit);
  ReachTheOtherWindow();
  EXPECT_NE(keyEvents_.find("KeyPress"), std::string::npos);
  EXPECT_NE(pointerEvents_.find("ButtonPress"), std::string::npos);
}

TEST_F(LockedShowOnX, WindowTakenAwayByAnotherProgramComesBackAndAsks) {
  ASSERT_TRUE(pf::StoreScreenSavePassword("secret"));
  // `xdotool windowclose` destroys the window outright; windowunmap takes it
  // off the screen.
  for (const char* action : {"windowclose", "windowunmap"}) {
    SCOPED_TRACE(action);
    StartShow();
    const std::string window = Xdotool({"search", "--name", "DUZudaveZeved"});
    ASSERT_FALSE(window.empty());
    Xdotool({action, QString::fromStdString(window.substr(0, window.find('\n')))});
    EXPECT_TRUE(WaitFor([&] {
      return !Xdotool({"search", "--onlyvisible", "--name", "DUZudaveZeved"}).empty();
    }, std::chrono::milliseconds(10000))) << "the show is off the screen";
    EXPECT_EQ(show_.state(), QProcess::Running);
    QThread::msleep(500);  // the prompt comes up over it
    // The prompt is up: the password ends the show.
    Xdotool({"type", "secret"});
    Xdotool({"key", "Return"});
    ASSERT_TRUE(show_.waitForFinished(10000)) << "no prompt took the password";
    EXPECT_EQ(show_.exitStatus(), QProcess::NormalExit);
  }
}

TEST_F(LockedShowOnX, PromptTakenAwayByAnotherProgramCountsAsCancelled) {
  ASSERT_TRUE(pf::StoreScreenSavePassword("secret"));
  StartShow();
  Xdotool({"key", "x"});
  std::string prompt;
  ASSERT_TRUE(WaitFor([&] {
    prompt = Xdotool({"search", "--onlyvisible", "--name", "Screen Saver"});
    return !prompt.empty();
  }, std::chrono::milliseconds(10000)));
  Xdotool({"windowunmap", QString::fromStdString(prompt.substr(0, prompt.find('\n')))});
  QThread::msleep(500);
  // The show holds the grabs again: the other window stays out of reach, and
  // the key brings the prompt back.
  ReachTheOtherWindow();
  EXPECT_EQ(keyEvents_.find("KeyPress"), std::string::npos) << keyEvents_;
  EXPECT_EQ(pointerEvents_.find("ButtonPress"), std::string::npos) << pointerEvents_;
  EXPECT_TRUE(WaitFor([&] {
    return !Xdotool({"search", "--onlyvisible", "--name", "Screen Saver"}).empty();
  }, std::chrono::milliseconds(10000)));
  Xdotool({"type", "secret"});
  Xdotool({"key", "Return"});
  ASSERT_TRUE(show_.waitForFinished(10000)) << "no prompt took the password";
}

TEST_F(LockedShowOnX, WithoutAPasswordNothingIsGrabbed) {
  StartShow();
  ReachTheOtherWindow();
  EXPECT_NE(keyEvents_.find("KeyPress"), std::string::npos) << keyEvents_;
  EXPECT_NE(pointerEvents_.find("ButtonPress"), std::string::npos) << pointerEvents_;
}

}  // namespace
