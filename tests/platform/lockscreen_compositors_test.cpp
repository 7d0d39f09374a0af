// Who locks the session, asked of real headless compositors: sway offers what
// swaylock needs; KWin 5.27 (`kwin_wayland --virtual`, a copy of the binary
// without its file capability, which a container refuses) and mutter 43
// (`mutter --headless`) do not, so there only the desktop's own locker answers
// logind, and without the desktop nobody does. Each compositor runs as an
// unprivileged user on its own socket; one that is not installed is skipped.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/session_lock.h"
#include "tests/support/dbus_daemon.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
namespace pf = orvane::platform;

namespace {

constexpr uid_t kNobody = 65534;

struct Compositor {
  const char* name;
  const char* program;
  std::vector<std::string> args;  // the socket name is added where it goes
  const char* ownDesktop;         // the desktop whose own locker answers logind
  pf::SessionLockScreen bare;     // no desktop named
  pf::SessionLockScreen withDesktop;
};

class CompositorSession {
 public:
  // Starts compositor as the unprivileged user; Socket() is empty when it did not come up.
  explicit CompositorSession(const Compositor& compositor) {
    std::string pattern = (fs::temp_directory_path() / "orvane-compositor-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return;
    root_ = pattern;
    fs::permissions(root_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::create_directories(root_ / "run");
    fs::create_directories(root_ / "home");
    std::string program = QStandardPaths::findExecutable(compositor.program).toStdString();
    if (std::string(compositor.program) == "kwin_wayland") {
      // A copy has no file capability, which an unprivileged user may not be given here.
      fs::copy_file(program, root_ / "kwin_wayland");
      program = (root_ / "kwin_wayland").string();
    }
    const uid_t user = getuid() == 0 ? kNobody : getuid();
    QProcess::execute("chown", {"-R", QString("%1:%1").arg(user), QString::fromStdString(root_.string())});
    fs::permissions(root_ / "run", fs::perms::owner_all);

    QProcessEnvironment env;
    env.insert("HOME", QString::fromStdString((root_ / "home").string()));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((root_ / "run").string()));
    env.insert("PATH", "/usr/bin:/bin");
    env.insert("QT_QPA_PLATFORM", "offscreen");  // KWin's own Qt, not a client
    env.insert("WLR_BACKENDS", "headless");
    env.insert("WLR_RENDERER", "pixman");
    env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
    QStringList command;
    if (getuid() == 0)
      command << "setpriv" << QString("--reuid=%1").arg(user) << QString("--regid=%1").arg(user) << "--clear-groups";
    // KWin and mutter want a session bus: one of the test's own, which goes
    // with the session (no wrapper process that would outlive its compositor).
    if (!bus_.Address().empty()) env.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromStdString(bus_.Address()));
    command << QString::fromStdString(program);
    for (const std::string& arg : compositor.args) command << QString::fromStdString(arg);
    process_.setProcessEnvironment(env);
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setStandardErrorFile(QString::fromStdString((root_ / "log").string()));
    process_.start(command.takeFirst(), command);
    if (!process_.waitForStarted(10000)) return;
    // Its socket in the runtime folder names the display.
    orvane::test::WaitFor([&] {
      std::error_code ec;
      for (fs::directory_iterator it(root_ / "run", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos) socket_ = name;
      }
      return !socket_.empty();
    }, std::chrono::seconds(60), std::chrono::milliseconds(100));
  }
  ~CompositorSession() {
    if (process_.state() != QProcess::NotRunning) {
      process_.terminate();
      if (!process_.waitForFinished(10000)) process_.kill();
    }
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
  }
  const std::string& Socket() const { return socket_; }
  fs::path RuntimeDir() const { return root_ / "run"; }
  std::string Log() const { return orvane::test::ReadFile(root_ / "log"); }

 private:
  orvane::test::PrivateBus bus_{true};
  fs::path root_;
  std::string socket_;
  QProcess process_;
};

TEST(LockScreenOnCompositors, SwaylockOnlyWhereTheCompositorLetsItLock) {
  using S = pf::SessionLockScreen;
  const Compositor compositors[] = {
      {"sway", "sway", {"-c", "/dev/null"}, "sway", S::Swaylock, S::Swaylock},
      {"KWin", "kwin_wayland", {"--virtual", "--socket", "wayland-orvane", "--width", "800", "--height", "600"}, "KDE",
       S::Nobody, S::Desktop},
      {"mutter", "mutter",
       {"--headless", "--wayland", "--no-x11", "--virtual-monitor", "800x600", "--wayland-display", "wayland-orvane"},
       "GNOME", S::Nobody, S::Desktop},
  };
  const bool swaylock = !QStandardPaths::findExecutable("swaylock").isEmpty();
  if (QStandardPaths::findExecutable("dbus-daemon").isEmpty() || QStandardPaths::findExecutable("setpriv").isEmpty())
    GTEST_SKIP() << "dbus-daemon or setpriv is not installed";
  int ran = 0;
  for (const Compositor& compositor : compositors) {
    SCOPED_TRACE(compositor.name);
    if (QStandardPaths::findExecutable(compositor.program).isEmpty()) continue;
    CompositorSession session(compositor);
    const std::string socket = session.Socket();
    ASSERT_FALSE(socket.empty()) << compositor.name << " did not start: " << session.Log();
    ++ran;
    setenv("XDG_RUNTIME_DIR", session.RuntimeDir().c_str(), 1);
    setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
    EXPECT_FALSE(pf::WaylandGlobals().empty()) << "no globals from " << compositor.name;
    unsetenv("XDG_CURRENT_DESKTOP");
    EXPECT_EQ(pf::SessionLockScreenHere(), swaylock || compositor.bare != S::Swaylock ? compositor.bare : S::Nobody);
    setenv("XDG_CURRENT_DESKTOP", compositor.ownDesktop, 1);
    EXPECT_EQ(pf::SessionLockScreenHere(),
              swaylock || compositor.withDesktop != S::Swaylock ? compositor.withDesktop : S::Nobody);
    unsetenv("XDG_CURRENT_DESKTOP");
    unsetenv("WAYLAND_DISPLAY");
  }
  if (ran == 0) GTEST_SKIP() << "no compositor is installed";
}

}  // namespace
