#include "platform/idle_watcher.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace orvane::platform {

std::string ProcessEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool IsGnomeDesktop(const EnvironmentReader& env) {
  std::istringstream desktops(env("XDG_CURRENT_DESKTOP"));
  std::string desktop;
  while (std::getline(desktops, desktop, ':')) {
    for (char& c : desktop) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (desktop == "GNOME") return true;
  }
  return false;
}

bool IsWaylandSession(const EnvironmentReader& env) {
  return !env("WAYLAND_DISPLAY").empty() || env("XDG_SESSION_TYPE") == "wayland";
}

std::string IdleWatcherProgramPath() {
  if (QCoreApplication::instance()) {
    const QFileInfo beside(QCoreApplication::applicationDirPath() + "/" + kIdleWatcherProgram);
    if (beside.isExecutable() && beside.isFile()) return beside.absoluteFilePath().toStdString();
  }
  return QStandardPaths::findExecutable(kIdleWatcherProgram).toStdString();
}

IdleWatcherChoice ChooseIdleWatcher(const EnvironmentReader& env) {
  IdleWatcherChoice choice;
  if (IsGnomeDesktop(env)) {
    // GNOME's monitor sees the input of both its sessions; its bus is the
    // session's own.
    choice.kind = IdleWatcherKind::GnomeMonitor;
    choice.sessionVariable = "DBUS_SESSION_BUS_ADDRESS";
    const std::string runtime = env("XDG_RUNTIME_DIR");
    const bool bus = !env("DBUS_SESSION_BUS_ADDRESS").empty() ||
                     (!runtime.empty() && QFileInfo::exists(QString::fromStdString(runtime + "/bus")));
    if (!bus) choice.unavailable = "GNOME's idle monitor needs the session bus, and this session has none";
    else if (IdleWatcherProgramPath().empty())
      choice.unavailable = std::string("the idle watcher for GNOME, ") + kIdleWatcherProgram + ", is not installed";
    return choice;
  }
  if (IsWaylandSession(env)) {
    // XWayland's X server does not see the input of the session's other
    // windows: the compositor's idle protocol does.
    choice.kind = IdleWatcherKind::SwayIdle;
    choice.sessionVariable = "WAYLAND_DISPLAY";
    if (env("WAYLAND_DISPLAY").empty())
      choice.unavailable = "this Wayland session names no display (WAYLAND_DISPLAY is not set)";
    else if (QStandardPaths::findExecutable("swayidle").isEmpty())
      choice.unavailable = "the Wayland idle watcher swayidle is not installed (Debian package swayidle)";
    return choice;
  }
  if (!env("DISPLAY").empty()) {
    choice.kind = IdleWatcherKind::XssLock;
    choice.sessionVariable = "DISPLAY";
    if (QStandardPaths::findExecutable("xss-lock").isEmpty())
      choice.unavailable = "the X idle watcher xss-lock is not installed (Debian package xss-lock)";
    return choice;
  }
  choice.unavailable = "this session has neither a Wayland display nor an X server";
  return choice;
}

std::string ShellQuoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool ShellUnquoted(const std::string& text, std::string& word) {
  word.clear();
  std::size_t i = 0;
  bool any = false;
  while (i < text.size()) {
    if (text[i] == '\'') {
      const std::size_t end = text.find('\'', i + 1);
      if (end == std::string::npos) return false;
      word += text.substr(i + 1, end - i - 1);
      i = end + 1;
      any = true;
    } else if (text.compare(i, 2, "\\'") == 0) {
      word += '\'';
      i += 2;
    } else {
      return false;
    }
  }
  return any;
}

std::vector<std::string> IdleWatcherCommand(IdleWatcherKind kind, const std::string& saverProgram,
                                            int timeoutSeconds, bool withLocker) {
  const std::string seconds = std::to_string(timeoutSeconds);
  switch (kind) {
    case IdleWatcherKind::XssLock:
      return {"xss-lock", "--", saverProgram, "/s"};
    case IdleWatcherKind::SwayIdle: {
      // swayidle runs each command through sh -c. Without -w: it must stay free
      // to hand logind's lock on while the show runs.
      std::vector<std::string> command = {"swayidle", "timeout", seconds, ShellQuoted(saverProgram) + " /s"};
      if (withLocker) command.insert(command.end(), {"lock", "swaylock -f"});
      return command;
    }
    case IdleWatcherKind::GnomeMonitor:
      return {kIdleWatcherProgram, "--timeout", seconds, "--", saverProgram, "/s"};
    case IdleWatcherKind::None:
      break;
  }
  return {};
}

}  // namespace orvane::platform
