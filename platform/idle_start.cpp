#include "platform/idle_start.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/desktop.h"
#include "platform/idle_watcher.h"
#include "platform/profile.h"
#include "platform/runlog.h"
#include "platform/session_lock.h"

namespace orvane::platform {

namespace fs = std::filesystem;

namespace {

constexpr int kLongestServerTimeOut = 32767;
// How long a watcher just started is watched for ending at once (a compositor
// without the idle protocol, a display it cannot reach).
constexpr auto kStartCheck = std::chrono::milliseconds(500);

DetachedStarter& Starter() {
  static DetachedStarter starter;
  return starter;
}

// What can be read of a file under /proc; a process that ends meanwhile gives
// what was read before (or nothing), never an exception.
std::string ReadWhole(const fs::path& file) {
  std::string text;
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, std::size_t(got));
  close(fd);
  return text;
}

std::vector<std::string> SplitNul(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, '\0')) parts.push_back(part);
  return parts;
}

bool Alive(pid_t pid) {
  const std::string stat = ReadWhole("/proc/" + std::to_string(pid) + "/stat");
  const auto close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

// Starts a watcher; a built-in start that ends within the first moment has its
// error output returned in failure.
bool StartDetached(const std::vector<std::string>& command, std::string& failure) {
  const std::vector<std::string> args(command.begin() + 1, command.end());
  if (Starter()) return Starter()(command.front(), args);
  const QString exe = QStandardPaths::findExecutable(QString::fromStdString(command.front()));
  if (exe.isEmpty()) {
    failure = command.front() + " is not installed";
    return false;
  }
  QStringList list;
  for (const auto& a : args) list << QString::fromStdString(a);
  const fs::path errors = fs::temp_directory_path() / ("orvane-idle-start-" + std::to_string(getpid()) + ".err");
  QProcess process;
  process.setProgram(exe);
  process.setArguments(list);
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QString::fromStdString(errors.string()));
  qint64 pid = 0;
  if (!process.startDetached(&pid)) {
    failure = command.front() + " could not be started";
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + kStartCheck;
  bool alive = true;
  while (alive && std::chrono::steady_clock::now() < deadline) {
    QThread::msleep(20);
    alive = Alive(pid_t(pid));
  }
  if (!alive) {
    std::string text = ReadWhole(errors);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (const auto last = text.rfind('\n'); last != std::string::npos) text.erase(0, last + 1);
    failure = command.front() + " ended at once" + (text.empty() ? std::string() : ": " + text);
  }
  std::error_code ec;
  fs::remove(errors, ec);
  return alive;
}

// The saver program the system starts after the idle time.
std::string SaverProgram() {
  return GetPrivateProfileString(std::string("boot"), std::string("SCRNSAVE.EXE"), "", 4096, "system.ini").text;
}

bool IsSaverFile(const std::string& program) {
  std::string extension = fs::path(program).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".scr";
}

// A running idle watcher that starts a saver file (".scr") with "/s": one that
// this code or the autostart entry started.
struct Watcher {
  pid_t pid;
  IdleWatcherKind kind;
  std::vector<std::string> argv;  // argv[0] as its file name only
};

// The kind of watcher argv is, when it is one of ours; None otherwise.
IdleWatcherKind OurWatcher(const std::vector<std::string>& argv) {
  if (argv.size() < 4 || argv.back().empty()) return IdleWatcherKind::None;
  const std::string name = fs::path(argv[0]).filename().string();
  const std::size_t n = argv.size();
  if ((name == "xss-lock" || name == kIdleWatcherProgram) && argv[n - 1] == "/s" && argv[n - 3] == "--" &&
      IsSaverFile(argv[n - 2]))
    return name == "xss-lock" ? IdleWatcherKind::XssLock : IdleWatcherKind::GnomeMonitor;
  if (name == "swayidle") {
    for (std::size_t i = 1; i + 2 < n; ++i) {
      const std::string& command = argv[i + 2];
      std::string program;
      if (argv[i] == "timeout" && command.size() > 3 && command.compare(command.size() - 3, 3, " /s") == 0 &&
          ShellUnquoted(command.substr(0, command.size() - 3), program) && IsSaverFile(program))
        return IdleWatcherKind::SwayIdle;
    }
  }
  return IdleWatcherKind::None;
}

std::string SessionVariableOf(IdleWatcherKind kind) {
  switch (kind) {
    case IdleWatcherKind::XssLock: return "DISPLAY";
    case IdleWatcherKind::SwayIdle: return "WAYLAND_DISPLAY";
    case IdleWatcherKind::GnomeMonitor: return "DBUS_SESSION_BUS_ADDRESS";
    case IdleWatcherKind::None: break;
  }
  return "";
}

// Each process of this user: its number, its argv and its environment.
void ForEachOwnProcess(const std::function<void(pid_t, std::vector<std::string>&, const std::vector<std::string>&)>& visit) {
  std::error_code ec;
  // Processes come and go while /proc is listed: the listing never throws.
  for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos) continue;
    struct stat info {};
    if (stat(entry.path().c_str(), &info) != 0 || info.st_uid != getuid()) continue;
    auto argv = SplitNul(ReadWhole(entry.path() / "cmdline"));
    if (argv.empty()) continue;
    visit(static_cast<pid_t>(std::stol(name)), argv, SplitNul(ReadWhole(entry.path() / "environ")));
  }
}

// True when environment holds this process's value of variable; a variable
// that neither sets counts as the same (the default session bus).
bool SameValue(const std::vector<std::string>& environment, const std::string& variable) {
  const std::string own = ProcessEnvironment(variable.c_str());
  for (const auto& setting : environment)
    if (setting.rfind(variable + "=", 0) == 0) return setting == variable + "=" + own;
  return own.empty();
}

// The same Wayland display: its name is a socket in the runtime folder, so two
// sessions of one user may both call theirs "wayland-1".
bool SameWaylandDisplay(const std::vector<std::string>& environment) {
  return SameValue(environment, "WAYLAND_DISPLAY") && SameValue(environment, "XDG_RUNTIME_DIR");
}

// Our watchers of this user in this session: each is matched on the variable
// that tells its kind's sessions apart (its display, its session bus).
std::vector<Watcher> SessionWatchers() {
  std::vector<Watcher> found;
  ForEachOwnProcess([&](pid_t pid, std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    const IdleWatcherKind kind = OurWatcher(argv);
    if (kind == IdleWatcherKind::None || !SameValue(environment, SessionVariableOf(kind))) return;
    if (kind == IdleWatcherKind::SwayIdle && !SameWaylandDisplay(environment)) return;
    argv[0] = fs::path(argv[0]).filename().string();
    found.push_back({pid, kind, std::move(argv)});
  });
  return found;
}

// One argument of an Exec line: quoted when it holds a reserved character, with
// the escapes the quoting and the string value each need.
std::string ExecArgument(const std::string& argument) {
  const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string text = argument;
  if (argument.empty() || argument.find_first_of(reserved) != std::string::npos) {
    text = "\"";
    for (char c : argument) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') text += '\\';
      text += c;
    }
    text += '"';
  }
  std::string escaped;
  for (char c : text) {
    if (c == '\\') escaped += "\\\\";
    else if (c == '%') escaped += "%%";
    else escaped += c;
  }
  return escaped;
}

// A path as a string value of a desktop entry (TryExec): only "\\" is escaped.
std::string StringValue(const std::string& text) {
  std::string escaped;
  for (char c : text) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return escaped;
}

bool WriteAtomically(const fs::path& file, const std::string& text) {
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  const fs::path temporary = file.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) return false;
  }
  fs::rename(temporary, file, ec);
  return !ec;
}

// Says why the saver cannot start by itself here, once for each reason in a
// process (the settings apply the flag and the time-out one after the other).
void SayWhy(const std::string& reason) {
  static std::string said;
  if (reason == said) return;
  said = reason;
  WriteRunLog("The screen saver will not start by itself in this session: " + reason +
          ". The setting is kept for later sessions.");
}

void StopWatchers(const std::vector<Watcher>& watchers) {
  for (const Watcher& watcher : watchers) kill(watcher.pid, SIGTERM);
}

}  // namespace

std::string IdleStartAutostartFile() {
  std::string config = ProcessEnvironment("XDG_CONFIG_HOME");
  if (config.empty()) config = ProcessEnvironment("HOME") + "/.config";
  if (config.back() != '/') config += '/';
  return config + "autostart/orvane-idle-start.desktop";
}

std::string IdleStartAutostartEntry(const std::string& watcherProgram, const std::string& saverProgram,
                                    int timeoutSeconds) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Orvane idle start\n"
         "Comment=Starts the Orvane screen saver when the session has been idle\n"
         "Exec=" + ExecArgument(watcherProgram) + " --timeout " + std::to_string(std::max(timeoutSeconds, 0)) +
         " -- " + ExecArgument(saverProgram) + " /s\n"
         "TryExec=" + StringValue(watcherProgram) + "\n"
         "NoDisplay=true\n"
         "X-GNOME-Autostart-enabled=true\n";
}

void ApplyIdleStart(bool active, int timeoutSeconds) {
  if (ProcessEnvironment("ORVANE_DESKTOP") == "record") return;
  const std::string program = SaverProgram();
  const bool off = !active || program.empty();
  std::error_code ec;
  // The entry holds for later sessions, whatever this one can do.
  if (off) {
    fs::remove(IdleStartAutostartFile(), ec);
  } else {
    const std::string watcherProgram = IdleWatcherProgramPath();
    if (watcherProgram.empty())
      SayWhy(std::string("its idle watcher ") + kIdleWatcherProgram + " is not installed");
    else WriteAtomically(IdleStartAutostartFile(), IdleStartAutostartEntry(watcherProgram, program, timeoutSeconds));
  }

  IdleWatcherChoice choice = ChooseIdleWatcher();
  if (choice.kind == IdleWatcherKind::XssLock && !RunDesktopTool("xset", {"q"}))
    choice.unavailable = "no X server answers on display " + ProcessEnvironment("DISPLAY");
  const std::vector<Watcher> watchers = SessionWatchers();
  if (choice.kind == IdleWatcherKind::XssLock && choice.unavailable.empty()) {
    // The X server keeps the time-out in 16 bits: a longer delay waits as long as it can.
    const int serverTimeOut = off ? 0 : std::min(timeoutSeconds, kLongestServerTimeOut);
    RunDesktopTool("xset", {"s", serverTimeOut > 0 ? std::to_string(serverTimeOut) : "off"});
  }
  // A time-out of 0 needs no watcher but the X one, whose server then never
  // reports the session idle.
  if (off || !choice.unavailable.empty() || (timeoutSeconds <= 0 && choice.kind != IdleWatcherKind::XssLock)) {
    StopWatchers(watchers);
    if (!off && !choice.unavailable.empty()) SayWhy(choice.unavailable);
    return;
  }
  // swaylock only where it can lock; elsewhere the desktop's own locker answers logind.
  const bool withLocker =
      choice.kind == IdleWatcherKind::SwayIdle && SessionLockScreenHere() == SessionLockScreen::Swaylock;
  std::vector<std::string> command = IdleWatcherCommand(choice.kind, program, timeoutSeconds, withLocker);
  bool running = false;
  for (const Watcher& watcher : watchers) {
    if (!running && watcher.argv == command) running = true;
    else kill(watcher.pid, SIGTERM);  // another delay, saver file or kind; or a second one
  }
  if (running) return;
  if (choice.kind == IdleWatcherKind::GnomeMonitor) command.front() = IdleWatcherProgramPath();
  std::string failure;
  if (!StartDetached(command, failure) && !failure.empty()) SayWhy(failure);
}

bool SessionLockHandlerRunning() {
  // Ours or the user's own: any swayidle on this display with a lock command.
  bool found = false;
  ForEachOwnProcess([&](pid_t, std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    if (fs::path(argv[0]).filename() == "swayidle" && std::find(argv.begin(), argv.end(), "lock") != argv.end() &&
        SameWaylandDisplay(environment))
      found = true;
  });
  return found;
}

bool SwaylockRunning() {
  if (ProcessEnvironment("WAYLAND_DISPLAY").empty()) return false;
  bool found = false;
  ForEachOwnProcess([&](pid_t, std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    if (fs::path(argv[0]).filename() == "swaylock" && SameWaylandDisplay(environment)) found = true;
  });
  return found;
}

void SetDetachedStarter(DetachedStarter starter) { Starter() = std::move(starter); }

}  // namespace orvane::platform
