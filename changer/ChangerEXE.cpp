#include "changer/ChangerEXE.h"

#include <signal.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <fstream>
#include <iostream>

#include "platform/saverlink.h"

namespace orvane::changer {

namespace {

SaverLauncher* g_launcher = nullptr;

std::optional<qint64> StartSaver(const char* switchText) {
  return CurrentSaverLauncher().Start(SaverProgram(), switchText);
}

}  // namespace

std::optional<qint64> DetachedLauncher::Start(const std::string& program,
                                              const std::string& argument) {
  QProcess process;
  process.setProgram(QString::fromStdString(program));
  process.setArguments(QStringList{QString::fromStdString(argument)});
  process.setStandardInputFile(QProcess::nullDevice());
  qint64 pid = 0;
  if (!process.startDetached(&pid)) {
    std::cerr << "tobrin: cannot start " << program << " " << argument << ": "
              << process.errorString().toStdString() << std::endl;
    return std::nullopt;
  }
  return pid;
}

bool DetachedLauncher::Running(qint64 pid) {
  if (pid <= 0) return false;
  // The detached process is not our child: whoever reaps it, a signal test
  // tells whether it still exists. A process that has ended but was not
  // reaped yet (a zombie) no longer runs.
  if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(stat, text);
  const size_t close = text.rfind(')');
  return close == std::string::npos || close + 2 >= text.size() || text[close + 2] != 'Z';
}

void SetSaverLauncher(SaverLauncher* launcher) { g_launcher = launcher; }

SaverLauncher& CurrentSaverLauncher() {
  static DetachedLauncher detached;
  return g_launcher ? *g_launcher : detached;
}

std::string SaverProgram() { return platform::SaverLinkPath().string(); }

std::optional<qint64> StartWallpaperChange() { return StartSaver(kSwitchWall); }
std::optional<qint64> StartCalendarWallpaper() { return StartSaver(kSwitchKalendar); }
std::optional<qint64> StartWallpaperSettings() { return StartSaver(kSwitchConfigWall); }

}  // namespace orvane::changer
