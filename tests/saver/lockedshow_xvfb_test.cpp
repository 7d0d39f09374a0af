// A show with a password on a real X server, as two programs see it: while the
// show runs, a second X client (xev's window, driven by xdotool) cannot get the
// keyboard or the pointer, not even right after it took the show's window
// away, and no window it maps or raises stays above the show; without a
// password it gets them. Needs Xvfb, xev, xdotool.
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

// Last: Xlib's macros clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

TEST_F(LockedShowOnX, KeysAndClicksRightAfterTheShowIsTakenAwayReachNoOtherWindow) {
  ASSERT_TRUE(pf::StoreScreenSavePassword("secret"));
  StartShow();
  const QString other = QString::fromStdString(otherWindow_);
  for (int round = 0; round < 20; ++round) {
    // Destroyed outright or taken off the screen, in turn.
    const char* action = round % 2 ? "windowclose" : "windowunmap";
    SCOPED_TRACE(std::string(action) + " #" + std::to_string(round));
    std::string show;
    ASSERT_TRUE(WaitFor([&] {
      show = Xdotool({"search", "--onlyvisible", "--name", "DUZudaveZeved"});
      return !show.empty();
    }, std::chrono::milliseconds(10000))) << "the show did not come back";
    OtherEvents();
    // One xdotool run: the keys and the click follow the loss at once.
    Xdotool({action, QString::fromStdString(show.substr(0, show.find('\n'))), "windowfocus", other, "key", "a",
             "b", "c", "mousemove", "60", "60", "click", "1"});
    const std::string events = OtherEvents();
    EXPECT_EQ(events.find("KeyPress"), std::string::npos) << events;
    EXPECT_EQ(events.find("ButtonPress"), std::string::npos) << events;
    ASSERT_EQ(show_.state(), QProcess::Running);
  }
  // The prompt took the keys typed meanwhile; the password still ends the show.
  ASSERT_TRUE(WaitFor([&] { return !Xdotool({"search", "--onlyvisible", "--name", "Screen Saver"}).empty(); },
                      std::chrono::milliseconds(10000)));
  Xdotool({"key", "ctrl+a", "BackSpace"});
  Xdotool({"type", "secret"});
  Xdotool({"key", "Return"});
  ASSERT_TRUE(show_.waitForFinished(10000)) << "the prompt did not take the password";
}

// The root window's pixels, and whether colour is among them.
bool Shows(Display* display, int width, int height, unsigned long colour) {
  XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, width, height, AllPlanes, ZPixmap);
  if (!image) return true;
  bool found = false;
  for (int y = 0; y < height && !found; ++y)
    for (int x = 0; x < width && !found; ++x) found = (XGetPixel(image, x, y) & 0xFFFFFF) == colour;
  XDestroyImage(image);
  return found;
}

TEST_F(LockedShowOnX, AWindowMappedOrRaisedDuringTheLockDoesNotStayAboveIt) {
  ASSERT_TRUE(pf::StoreScreenSavePassword("secret"));
  Display* display = XOpenDisplay(server_.Display().c_str());
  ASSERT_NE(display, nullptr);
  // A colour no slide has: wherever it shows, another program's window does.
  constexpr unsigned long kMarker = 0x0DFE07;
  const auto window = [&](bool overrideRedirect) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = kMarker;
    attributes.override_redirect = overrideRedirect;
    return XCreateWindow(display, DefaultRootWindow(display), 200, 150, 240, 120, 0, CopyFromParent, InputOutput,
                         CopyFromParent, CWBackPixel | CWOverrideRedirect, &attributes);
  };
  // A window another program had on screen before the show (no window
  // manager here), and a notification popup that comes during it.
  const Window before = window(false);
  XMapRaised(display, before);
  XSync(display, False);
  ASSERT_TRUE(Shows(display, 640, 480, kMarker));
  StartShow();
  ASSERT_FALSE(Shows(display, 640, 480, kMarker)) << "the show does not cover the window at its start";
  const Window popup = window(true);
  const std::pair<const char*, std::function<void()>> acts[] = {
      {"popup mapped", [&] { XMapRaised(display, popup); }},
      {"window raised", [&] { XRaiseWindow(display, before); }},
      {"popup raised again", [&] { XRaiseWindow(display, popup); }},
  };
  for (const auto& [name, act] : acts) {
    SCOPED_TRACE(name);
    act();
    XSync(display, False);
    EXPECT_TRUE(WaitFor([&] { return !Shows(display, 640, 480, kMarker); }, std::chrono::milliseconds(10000)))
        << "another window's content shows over the locked show";
    QThread::msleep(500);
    EXPECT_FALSE(Shows(display, 640, 480, kMarker)) << "it came back above the show";
    if (const char* folder = std::getenv("ORVANE_SCREENSHOTS"); folder && *folder)
      Xdotool({"exec", "import", "-window", "root",
               QString::fromStdString((fs::path(folder) / (std::string("lock-") + name + ".png")).string())});
  }
  EXPECT_EQ(show_.state(), QProcess::Running);
  XCloseDisplay(display);
}

TEST_F(LockedShowOnX, WithoutAPasswordNothingIsGrabbed) {
  StartShow();
  ReachTheOtherWindow();
  EXPECT_NE(keyEvents_.find("KeyPress"), std::string::npos) << keyEvents_;
  EXPECT_NE(pointerEvents_.find("ButtonPress"), std::string::npos) << pointerEvents_;
}

}  // namespace
