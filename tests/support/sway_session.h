#pragma once
// A headless sway session of its own for tests: the session's programs run as
// an unprivileged user (sway refuses root) in a private home and runtime
// folder, with the demo sets set up for a show and "Orvane.scr" pointing at a
// copy of the program. Helpers list the session's processes, run commands as
// its user, read sway's tree and take screenshots. Needs sway and setpriv
// (grim for screenshots).
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
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/idle_start.h"
#include "platform/password.h"
#include "platform/profile.h"
#include "platform/saverlink.h"
#include "tests/support/testenv.h"
#include "tools/demo/demo_sets.h"

namespace orvane::test {

namespace sway {
namespace pf = orvane::platform;
namespace fs = std::filesystem;
using orvane::test::WaitFor;
// Each poll of a wait here is costly (a screenshot, a helper process).
constexpr std::chrono::milliseconds kPoll(200);

constexpr uid_t kNobody = 65534;


inline std::vector<std::string> Argv(const fs::path& proc) {
  std::vector<std::string> argv;
  const std::string text = orvane::test::ReadFile(proc / "cmdline");
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\0', at);
    argv.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return argv;
}

// The processes of user uid in the session of runtime folder run whose argv[0]
// is named name (file name only).
inline std::vector<std::pair<pid_t, std::vector<std::string>>> Processes(uid_t uid, const fs::path& run,
                                                                   const std::string& name) {
  std::vector<std::pair<pid_t, std::vector<std::string>>> found;
  std::error_code ec;
  for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string pid = it->path().filename().string();
    struct stat info {};
    if (pid.find_first_not_of("0123456789") != std::string::npos || stat(it->path().c_str(), &info) != 0 ||
        info.st_uid != uid)
      continue;
    const auto argv = Argv(it->path());
    const std::string stat = orvane::test::ReadFile(it->path() / "stat");
    const auto close = stat.rfind(')');
    const bool zombie = close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
    const std::string environment = orvane::test::ReadFile(it->path() / "environ");
    const bool ours = environment.find("XDG_RUNTIME_DIR=" + run.string() + '\0') != std::string::npos;
    if (!argv.empty() && !zombie && ours && fs::path(argv[0]).filename() == name)
      found.push_back({std::stoi(pid), argv});
  }
  return found;
}

// A session of its own: the folders, the user, the environment.
class SwaySession : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"sway", "swayidle", "setpriv"})
      if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed";
    user_ = getuid() == 0 ? kNobody : getuid();
    // Below /tmp: the user must reach it, whatever the test's own folders allow.
    std::string pattern = (fs::temp_directory_path() / "orvane-sway-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::permissions(root_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    home_ = root_ / "home";
    fs::create_directories(root_ / "run");
    fs::create_directories(root_ / "bin");
    fs::permissions(root_ / "run", fs::perms::owner_all);
    // The programs, where the user can run them.
    const fs::path built = orvane::test::OrvaneExe().parent_path();
    for (const fs::path& program : {orvane::test::OrvaneExe(), built / "orvane-idle",
                                    fs::path(ORVANE_BINARY_DIR) / "tests/orvane-test-idle-switch"})
      fs::copy_file(program, root_ / "bin" / program.filename());

    env_.insert("HOME", QString::fromStdString(home_.string()));
    env_.insert("XDG_DATA_HOME", QString::fromStdString((home_ / ".local/share").string()));
    env_.insert("XDG_STATE_HOME", QString::fromStdString((home_ / ".local/state").string()));
    env_.insert("XDG_CONFIG_HOME", QString::fromStdString((home_ / ".config").string()));
    env_.insert("XDG_CACHE_HOME", QString::fromStdString((home_ / ".cache").string()));
    env_.insert("XDG_RUNTIME_DIR", QString::fromStdString((root_ / "run").string()));
    env_.insert("PATH", QString::fromStdString((root_ / "bin").string()) + ":/usr/bin:/bin");
    env_.insert("XDG_SESSION_TYPE", "wayland");
    env_.insert("XDG_CURRENT_DESKTOP", "sway");
    env_.insert("SDL_AUDIODRIVER", "dummy");
    // Under the sanitizers the leak check stays off: it needs to trace the
    // process, which an unprivileged user in a container may not.
    if (const char* value = std::getenv("UBSAN_OPTIONS")) env_.insert("UBSAN_OPTIONS", value);
    const char* asan = std::getenv("ASAN_OPTIONS");
    env_.insert("ASAN_OPTIONS", QString(asan ? asan : "") + (asan && *asan ? ":" : "") + "detect_leaks=0");
    trace_ = root_ / "trace.txt";
    env_.insert("ORVANE_TRACE", QString::fromStdString(trace_.string()));
    // The system bus the session's programs reach: a test's own (logind's
    // stand-in), none at all, or else what the machine has.
    if (noSystemBus_) systemBus_ = "unix:path=" + (root_ / "no-system-bus").string();
    if (!systemBus_.empty()) env_.insert("DBUS_SYSTEM_BUS_ADDRESS", QString::fromStdString(systemBus_));

    WriteShowFolders();
    ASSERT_EQ(Run({"chown", "-R", std::to_string(user_) + ":" + std::to_string(user_), root_.string()}, false), 0);
    StartSway();
  }

  void TearDown() override {
    for (const char* program : {"Orvane.scr", "orvane", "swayidle", "swaylock"})
      for (const auto& [pid, argv] : Processes(user_, root_ / "run", program)) kill(pid, SIGTERM);
    if (sway_.state() != QProcess::NotRunning) {
      sway_.terminate();
      sway_.waitForFinished(10000);
    }
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
  }

  // The demo sets set up for a show, and "Orvane.scr" pointing at the program,
  // written into the user's folders.
  void WriteShowFolders() {
    const std::vector<std::string> names = {"HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME"};
    std::vector<std::string> saved;
    for (const auto& name : names) {
      saved.push_back(std::getenv(name.c_str()));
      setenv(name.c_str(), env_.value(QString::fromStdString(name)).toStdString().c_str(), 1);
    }
    const fs::path programFolder = home_ / "program";
    orvane::demo::WriteDemoProgramFolder(programFolder);
    ASSERT_TRUE(orvane::demo::RegisterProgramFolder(programFolder));
    const std::string settings = pf::LocalAppDataFolder() + "ScreenSaver.ini";
    fs::copy_file(programFolder / "ScreenSaver.ini", settings, fs::copy_options::overwrite_existing);
    pf::WritePrivateProfileString("ScreenSaver", "Setup", "1", settings);
    ASSERT_TRUE(pf::EnsureSaverLink(root_ / "bin/orvane"));
    saver_ = pf::SaverLinkPath().string();
    pf::WritePrivateProfileString("boot", "SCRNSAVE.EXE", saver_, "system.ini");
    if (!password_.empty()) {
      ASSERT_TRUE(pf::StoreScreenSavePassword(password_));
    }
    autostart_ = pf::IdleStartAutostartFile();
    settingsFile_ = settings;
    for (std::size_t i = 0; i < names.size(); ++i) setenv(names[i].c_str(), saved[i].c_str(), 1);
  }

  // The command as the session's user.
  QStringList AsUser(const std::vector<std::string>& command) const {
    QStringList list;
    if (getuid() == 0)
      list << "setpriv" << QString("--reuid=%1").arg(user_) << QString("--regid=%1").arg(user_) << "--clear-groups";
    for (const auto& word : command) list << QString::fromStdString(word);
    return list;
  }
  int Run(const std::vector<std::string>& command, bool asUser = true, std::string* output = nullptr) {
    QStringList list = asUser ? AsUser(command) : QStringList();
    if (!asUser)
      for (const auto& word : command) list << QString::fromStdString(word);
    QProcess process;
    process.setProcessEnvironment(env_);
    process.start(list.takeFirst(), list);
    if (!process.waitForFinished(30000)) return -1;
    if (output) *output = process.readAllStandardOutput().toStdString();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

  void StartSway() {
    // Display names of its own: the same user's sessions elsewhere on the
    // machine (other test runs) all get "wayland-1", and a watcher is told
    // by its display. Lock files sway may not open make it pass a name by.
    for (int n = 0; n <= int(getpid() % 24); ++n) {
      const fs::path lock = root_ / "run" / ("wayland-" + std::to_string(n) + ".lock");
      orvane::test::WriteFile(lock, "");
      fs::permissions(lock, fs::perms::owner_read | fs::perms::owner_write);
    }
    const fs::path config = root_ / "sway.config";
    orvane::test::WriteFile(config, "output HEADLESS-1 resolution 800x600 position 0 0\n"
                                    "output HEADLESS-2 resolution 640x480 position 800 0\n");
    QProcessEnvironment env = env_;
    env.insert("WLR_BACKENDS", "headless");
    env.insert("WLR_RENDERER", "pixman");
    env.insert("WLR_LIBINPUT_NO_DEVICES", "1");
    env.insert("WLR_HEADLESS_OUTPUTS", QString::number(outputs_));
    sway_.setProcessEnvironment(env);
    sway_.setStandardOutputFile(QProcess::nullDevice());
    sway_.setStandardErrorFile(QString::fromStdString((root_ / "sway.log").string()));
    QStringList command = AsUser({"sway", "-c", config.string()});
    sway_.start(command.takeFirst(), command);
    ASSERT_TRUE(sway_.waitForStarted(10000));
    // Its socket in the private runtime folder names the display.
    ASSERT_TRUE(WaitFor([&] {
      std::error_code ec;
      for (fs::directory_iterator it(root_ / "run", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos) display_ = name;
        if (name.rfind("sway-ipc.", 0) == 0) env_.insert("SWAYSOCK", QString::fromStdString(it->path().string()));
      }
      return !display_.empty() && env_.contains("SWAYSOCK");
    }, std::chrono::seconds(30), kPoll)) << "sway did not start: " << orvane::test::ReadFile(root_ / "sway.log");
    env_.insert("WAYLAND_DISPLAY", QString::fromStdString(display_));
  }

  // Windows in sway's tree, with the output each is on.
  struct View {
    std::string output;
    int fullscreen = 0;
    std::string shell;
    std::string name;
    bool floating = false;
    qint64 pid = 0;
    QSize size;
    bool visible = false;
    bool focused = false;
  };
  // The views whose title is name, or every view when name is empty.
  std::vector<View> Views(const std::string& name) {
    std::string tree;
    std::vector<View> views;
    if (Run({"swaymsg", "-r", "-t", "get_tree"}, true, &tree) != 0) return views;
    std::function<void(const QJsonObject&, const std::string&, bool)> visit = [&](const QJsonObject& node,
                                                                                 std::string output, bool floating) {
      if (node.value("type").toString() == "output") output = node.value("name").toString().toStdString();
      const bool view = node.contains("pid") && node.value("type").toString() != "workspace";
      const std::string title = node.value("name").toString().toStdString();
      if (view && (name.empty() || title == name)) {
        const QJsonObject rect = node.value("rect").toObject();
        views.push_back({output, node.value("fullscreen_mode").toInt(), node.value("shell").toString().toStdString(),
                         title, floating, qint64(node.value("pid").toDouble()),
                         QSize(rect.value("width").toInt(), rect.value("height").toInt()),
                         node.value("visible").toBool(), node.value("focused").toBool()});
      }
      for (const auto& child : node.value("nodes").toArray()) visit(child.toObject(), output, floating);
      for (const auto& child : node.value("floating_nodes").toArray()) visit(child.toObject(), output, true);
    };
    visit(QJsonDocument::fromJson(QByteArray::fromStdString(tree)).object(), "", false);
    return views;
  }
  // The show's windows.
  std::vector<View> ShowViews() { return Views("DUZudaveZeved"); }

  // Starts command as the session's user, without waiting.
  void StartAsUser(QProcess& process, const std::vector<std::string>& command) {
    QStringList list = AsUser(command);
    process.setProcessEnvironment(env_);
    process.start(list.takeFirst(), list);
  }

  // A screenshot of one output (all of them when output is empty): its size
  // and its number of distinct colours.
  std::pair<QSize, int> Screenshot(const std::string& name, const std::string& output = "") {
    const fs::path shot = root_ / (name + ".png");
    std::vector<std::string> command = {"grim"};
    if (!output.empty()) command.insert(command.end(), {"-o", output});
    command.push_back(shot.string());
    if (Run(command) != 0) return {};
    const QImage image(QString::fromStdString(shot.string()));
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
      for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    if (const char* keep = std::getenv("ORVANE_SCREENSHOT_DIR"))
      fs::copy_file(shot, fs::path(keep) / shot.filename(), fs::copy_options::overwrite_existing);
    return {image.size(), int(colours.size())};
  }

  // Qt's Wayland platform is installed (tools/install-deps has it): the show
  // runs through it, else through XWayland.
  static bool QtWayland() {
    return fs::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() +
                      "/platforms/libqwayland-generic.so");
  }

  int outputs_ = 1;
  // Set before SetUp: stored as the user's screen-saver password.
  std::string password_;
  // Set before SetUp: the session's system bus address, or none at all.
  std::string systemBus_;
  bool noSystemBus_ = false;
  uid_t user_ = 0;
  fs::path root_, home_, trace_;
  std::string display_, saver_, autostart_, settingsFile_;
  QProcessEnvironment env_;
  QProcess sway_;
};

}  // namespace sway

using sway::SwaySession;

}  // namespace orvane::test
