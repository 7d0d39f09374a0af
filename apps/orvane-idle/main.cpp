// orvane-idle: the idle watcher that starts the screen saver once the session
// has been idle.
//
//   orvane-idle --timeout SECONDS -- PROGRAM ARGUMENT...
//
// It picks the watcher of the session it runs in (platform/idle_watcher.h): on
// GNOME it holds a watch on GNOME's idle monitor itself; elsewhere it becomes
// swayidle (Wayland) or, after setting the X server's time-out, xss-lock (X).
// The XDG autostart entry of the saver runs it at every login.
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "core/FirstStart.h"
#include "platform/gnome_idle_watch.h"
#include "platform/caption_lock.h"
#include "platform/command_line.h"
#include "platform/folders.h"
#include "platform/idle_watcher.h"
#include "platform/runlog.h"
#include "platform/session_lock.h"

namespace {

namespace pf = orvane::platform;

constexpr int kLongestServerTimeOut = 32767;

int Usage() {
  std::cerr << "usage: orvane-idle --timeout SECONDS -- PROGRAM [ARGUMENT...]\n";
  return 2;
}

// Replaces this process with command; returns only when that failed.
int Become(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  pf::WriteRunLog("The idle watcher " + command.front() + " could not be started: " + std::strerror(errno) + ".");
  return 1;
}

constexpr const char* kHelp =
    "usage: orvane-idle --timeout SECONDS -- PROGRAM [ARGUMENT...]\n"
    "Starts PROGRAM with its arguments (the screen saver and /s) each time the session has\n"
    "been idle for SECONDS: on GNOME through GNOME's idle monitor, on other Wayland\n"
    "desktops as swayidle, on X as xss-lock after setting the X server's time-out.\n"
    "Orvane's autostart entry runs it at every login.\n"
    "  -h, --help   show this help and end\n"
    "  --version    show the version and end\n";

}  // namespace

int main(int argc, char** argv) {
  if (const auto answered = pf::AnswerHelpOrVersion(argc, argv, "orvane-idle", kHelp)) return *answered;
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("orvane-idle");
  orvane::core::ClearFlagsOfKilledShow();  // at login: a show the last session killed
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto separator = std::find(args.begin(), args.end(), "--");
  if (args.size() < 4 || args[0] != "--timeout" || separator != args.begin() + 2 || separator + 1 == args.end())
    return Usage();
  char* end = nullptr;
  const long seconds = std::strtol(args[1].c_str(), &end, 10);
  if (*end != '\0' || seconds < 0) return Usage();
  const std::vector<std::string> show(separator + 1, args.end());

  const pf::IdleWatcherChoice choice = pf::ChooseIdleWatcher();
  if (!choice.unavailable.empty()) {
    pf::WriteRunLog("The screen saver will not start by itself in this session: " + choice.unavailable + ".");
    return 1;
  }
  switch (choice.kind) {
    case pf::IdleWatcherKind::XssLock: {
      // A new X server starts with its own time-out.
      const long serverTimeOut = std::min(seconds, long(kLongestServerTimeOut));
      QProcess::execute("xset", {"s", serverTimeOut > 0 ? QString::number(serverTimeOut) : QString("off")});
      std::vector<std::string> command = {"xss-lock", "--"};
      command.insert(command.end(), show.begin(), show.end());
      return Become(command);
    }
    case pf::IdleWatcherKind::SwayIdle: {
      if (seconds == 0 || show.size() != 2 || show[1] != "/s") return 0;  // never idle long enough
      const bool locker = pf::SessionLockScreenHere() == pf::SessionLockScreen::Swaylock;
      return Become(pf::IdleWatcherCommand(choice.kind, show[0], int(seconds), locker));
    }
    case pf::IdleWatcherKind::GnomeMonitor:
      break;
    case pf::IdleWatcherKind::None:
      return 1;
  }
  if (seconds == 0) return 0;
  const std::string settingsFolder = pf::LocalAppDataFolder();
  orvane::idle::GnomeIdleWatch watch(
      QDBusConnection::sessionBus(), quint64(seconds) * 1000, [&] {
        // A show that runs already (started by hand, by the changer) is not
        // started twice.
        if (pf::IsCaptionLocked(settingsFolder)) return;
        QStringList rest;
        for (std::size_t i = 1; i < show.size(); ++i) rest << QString::fromStdString(show[i]);
        if (!QProcess::startDetached(QString::fromStdString(show[0]), rest))
          pf::WriteRunLog("The idle watcher could not start " + show[0] + ".");
      });
  if (!watch.Start()) return 1;
  return QCoreApplication::exec();
}
