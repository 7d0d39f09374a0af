#include "platform/idle_start.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/desktop.h"
#include "platform/profile.h"

namespace orvane::platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kWatcher = "xss-lock";
constexpr int kLongestServerTimeOut = 32767;

DetachedStarter& Starter() {
  static DetachedStarter starter;
  return starter;
}

bool StartDetached(const std::string& program, const std::vector<std::string>& args) {
  if (Starter()) return Starter()(program, args);
  const QString exe = QStandardPaths::findExecutable(QString::fromStdString(program));
  if (exe.isEmpty()) return false;
  QStringList list;
  for (const auto& a : args) list << QString::fromStdString(a);
  return QProcess::startDetached(exe, list);
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The saver program the system starts after the idle time.
std::string SaverProgram() {
  return GetPrivateProfileString(std::string("boot"), std::string("SCRNSAVE.EXE"), "", 4096, "system.ini").text;
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

// The idle watchers of this user on this display that start a saver file
// (".scr") with "/s": the ones this code or the autostart entry started.
struct Watcher {
  pid_t pid;
  std::string saverProgram;
};
std::vector<Watcher> SessionWatchers(const std::string& display) {
  std::vector<Watcher> found;
  std::error_code ec;
  // Processes come and go while /proc is listed: the listing never throws.
  for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos) continue;
    struct stat info {};
    if (stat(entry.path().c_str(), &info) != 0 || info.st_uid != getuid()) continue;
    const auto argv = SplitNul(ReadWhole(entry.path() / "cmdline"));
    if (argv.size() < 4 || fs::path(argv[0]).filename() != kWatcher) continue;
    const std::string& program = argv[argv.size() - 2];
    std::string extension = fs::path(program).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (argv.back() != "/s" || argv[argv.size() - 3] != "--" || extension != ".scr") continue;
    bool sameDisplay = false;
    for (const auto& variable : SplitNul(ReadWhole(entry.path() / "environ")))
      sameDisplay = sameDisplay || variable == "DISPLAY=" + display;
    if (sameDisplay) found.push_back({static_cast<pid_t>(std::stol(name)), program});
  }
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

std::string ShellWord(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
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

}  // namespace

std::string IdleStartAutostartFile() {
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty()) config = Env("HOME") + "/.config";
  if (config.back() != '/') config += '/';
  return config + "autostart/orvane-idle-start.desktop";
}

std::string IdleStartAutostartEntry(const std::string& saverProgram, int timeoutSeconds) {
  const std::string script = "xset s " + std::to_string(std::clamp(timeoutSeconds, 0, kLongestServerTimeOut)) +
                             "; exec xss-lock -- " + ShellWord(saverProgram) + " /s";
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Orvane idle start\n"
         "Comment=Starts the Orvane screen saver when the session has been idle\n"
         "Exec=sh -c " + ExecArgument(script) + "\n"
         "TryExec=xss-lock\n"
         "NoDisplay=true\n"
         "X-GNOME-Autostart-enabled=true\n";
}

void ApplyIdleStart(bool active, int timeoutSeconds) {
  if (Env("ORVANE_DESKTOP") == "record") return;
  // A Wayland session's X server (XWayland) does not see the input of the
  // session's other windows: its idle time would start the saver while the
  // user works. Such sessions, and those without X, only record the settings.
  const std::string program = SaverProgram();
  const bool off = !active || program.empty();
  std::error_code ec;
  // Off holds for later X sessions too, wherever it was switched.
  if (off) fs::remove(IdleStartAutostartFile(), ec);
  const std::string display = Env("DISPLAY");
  if (display.empty() || !Env("WAYLAND_DISPLAY").empty() || Env("XDG_SESSION_TYPE") == "wayland") return;
  if (!RunDesktopTool("xset", {"q"})) return;  // no X server answers
  const auto watchers = SessionWatchers(display);
  if (off) {
    RunDesktopTool("xset", {"s", "off"});
    for (const Watcher& watcher : watchers) kill(watcher.pid, SIGTERM);
    return;
  }
  // The X server keeps the time-out in 16 bits: a longer delay waits as long as it can.
  const int serverTimeOut = std::min(timeoutSeconds, kLongestServerTimeOut);
  RunDesktopTool("xset", {"s", serverTimeOut > 0 ? std::to_string(serverTimeOut) : "off"});
  WriteAtomically(IdleStartAutostartFile(), IdleStartAutostartEntry(program, timeoutSeconds));
  bool running = false;
  for (const Watcher& watcher : watchers) {
    if (watcher.saverProgram == program) running = true;
    else kill(watcher.pid, SIGTERM);  // it starts a saver file no longer named
  }
  if (!running) StartDetached(kWatcher, {"--", program, "/s"});
}

void SetDetachedStarter(DetachedStarter starter) { Starter() = std::move(starter); }

}  // namespace orvane::platform
