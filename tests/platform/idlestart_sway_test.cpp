// The idle start in a Wayland session: a headless sway on its own socket, with
// the session's programs run as an unprivileged user (sway refuses root) in a
// private home and runtime folder. Switching the saver on with a one-minute
// delay starts swayidle; a minute without input starts the show, full screen
// through Qt's Wayland platform; switching off stops the watcher and removes
// the autostart entry. Needs sway and swayidle (grim for the screenshot, qt6-wayland
// for the platform); waits a minute.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
#include <set>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/idle_start.h"
#include "platform/profile.h"
#include "platform/saverlink.h"
#include "tests/support/sway_session.h"
#include "tests/support/testenv.h"

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

using orvane::test::SwaySession;
using orvane::test::WaitFor;
using orvane::test::sway::kPoll;
using orvane::test::sway::Processes;

TEST_F(SwaySession, AMinuteWithoutInputStartsTheShowFullScreen) {
  // On, with a one-minute delay: swayidle watches the session.
  ASSERT_EQ(Run({"orvane-test-idle-switch", "60", "on"}), 0);
  const auto watchers = Processes(user_, root_ / "run", "swayidle");
  ASSERT_EQ(watchers.size(), 1u);
  const std::vector<std::string> expected = {"timeout", "60", "'" + saver_ + "' /s"};
  EXPECT_EQ(std::vector<std::string>(watchers[0].second.begin() + 1, watchers[0].second.begin() + 4), expected);
  if (!QStandardPaths::findExecutable("swaylock").isEmpty()) {
    EXPECT_EQ(watchers[0].second.back(), "swaylock -f");  // logind's lock goes to swaylock
  }
  EXPECT_TRUE(fs::exists(autostart_));
  // Applied again: still one watcher.
  ASSERT_EQ(Run({"orvane-test-idle-switch", "60", "on"}), 0);
  EXPECT_EQ(Processes(user_, root_ / "run", "swayidle").size(), 1u);

  // A minute later, with nobody at the keyboard, the show runs.
  ASSERT_TRUE(WaitFor([&] { return orvane::test::ReadFile(trace_).find("trans ") != std::string::npos; }, std::chrono::seconds(100), kPoll))
      << "no show started; sway's log: " << orvane::test::ReadFile(root_ / "sway.log");
  EXPECT_EQ(pf::GetPrivateProfileInt("ScreenSaver", "running", 0, settingsFile_), 1);
  std::vector<View> views;
  EXPECT_TRUE(WaitFor([&] { return (views = ShowViews()).size() == 1 && views[0].fullscreen == 1; }, std::chrono::seconds(20), kPoll))
      << "not full screen";
  if (QtWayland() && !views.empty()) {
    EXPECT_EQ(views[0].shell, "xdg_shell");
  }
  if (!QStandardPaths::findExecutable("grim").isEmpty()) {
    QThread::msleep(1500);  // the first slide's transition
    const auto [size, colours] = Screenshot("sway-show");
    EXPECT_EQ(size, QSize(800, 600));
    EXPECT_GE(colours, 200) << "no slide on the screen";
  }

  // Off: the watcher stops and the entry goes.
  ASSERT_EQ(Run({"orvane-test-idle-switch", "60", "off"}), 0);
  EXPECT_TRUE(WaitFor([&] { return Processes(user_, root_ / "run", "swayidle").empty(); }, std::chrono::seconds(10), kPoll)) << "swayidle still runs";
  EXPECT_FALSE(fs::exists(autostart_));
}

// The show started by hand in a session of two outputs: the slides on one,
// a black cover on the other, both full screen.
class SwayTwoOutputs : public SwaySession {
 protected:
  SwayTwoOutputs() { outputs_ = 2; }
};

TEST_F(SwayTwoOutputs, TheShowCoversEveryOutput) {
  QProcess show;
  QProcessEnvironment env = env_;
  show.setProcessEnvironment(env);
  QStringList command = AsUser({saver_, "/s"});
  show.start(command.takeFirst(), command);
  ASSERT_TRUE(show.waitForStarted(10000));
  ASSERT_TRUE(WaitFor([&] { return orvane::test::ReadFile(trace_).find("trans ") != std::string::npos; }, std::chrono::seconds(60), kPoll))
      << "no show started";
  std::vector<View> views;
  const bool covered = WaitFor([&] {
    views = ShowViews();
    std::set<std::string> outputs;
    for (const View& view : views)
      if (view.fullscreen == 1) outputs.insert(view.output);
    return outputs == std::set<std::string>{"HEADLESS-1", "HEADLESS-2"};
  }, std::chrono::seconds(20), kPoll);
  std::string seen;
  for (const View& view : views)
    seen += view.output + " fullscreen=" + std::to_string(view.fullscreen) + " " + view.shell + "; ";
  EXPECT_TRUE(covered) << seen;
  for (const View& view : views) {
    if (QtWayland()) {
      EXPECT_EQ(view.shell, "xdg_shell");
    }
  }
  if (!QStandardPaths::findExecutable("grim").isEmpty()) {
    QThread::msleep(1500);
    // The slides on one output; the other all black, nothing of the desktop.
    const auto [first, firstColours] = Screenshot("sway-two-1", "HEADLESS-1");
    const auto [second, secondColours] = Screenshot("sway-two-2", "HEADLESS-2");
    EXPECT_EQ(first, QSize(800, 600));
    EXPECT_EQ(second, QSize(640, 480));
    EXPECT_EQ(std::max(firstColours, secondColours) >= 200 && std::min(firstColours, secondColours) == 1, true)
        << firstColours << " and " << secondColours << " colours";
  }
  kill(pid_t(show.processId()), SIGTERM);
  EXPECT_TRUE(show.waitForFinished(20000));
}

}  // namespace
