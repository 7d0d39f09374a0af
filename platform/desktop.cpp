#include "platform/desktop.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <cstdlib>

#include "platform/folders.h"
#include "platform/idle_start.h"
#include "platform/profile.h"
#include "platform/wallpaper_live.h"

namespace orvane::platform {

namespace {

constexpr const char* kSection = "Desktop";

DesktopCommandRunner& Runner() {
  static DesktopCommandRunner runner;
  return runner;
}

std::optional<std::string> RunTool(const std::string& program, const std::vector<std::string>& args) {
  if (Runner()) return Runner()(program, args);
  const QString exe = QStandardPaths::findExecutable(QString::fromStdString(program));
  if (exe.isEmpty()) return std::nullopt;
  QStringList list;
  for (const auto& a : args) list << QString::fromStdString(a);
  QProcess process;
  process.start(exe, list);
  // A desktop tool that hangs must not hang the program with it.
  if (!process.waitForFinished(5000)) {
    process.kill();
    process.waitForFinished(1000);
    return std::nullopt;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
  return process.readAllStandardOutput().toStdString();
}

void ApplyToLiveDesktop(const std::string& path) {
  const char* mode = std::getenv("ORVANE_DESKTOP");
  if (mode && std::string(mode) == "record") return;
  ApplyWallpaperToLiveDesktop(path, &RunTool);
}

bool WriteValue(const char* key, const std::string& value) {
  return WritePrivateProfileString(kSection, std::string(key), value, DesktopSettingsFile());
}

long ReadInt(const char* key, long fallback) {
  return GetPrivateProfileInt(kSection, key, fallback, DesktopSettingsFile());
}

}  // namespace

std::string DesktopSettingsFile() { return MachineStateFolder() + "desktop.ini"; }

void SetDesktopCommandRunner(DesktopCommandRunner runner) { Runner() = std::move(runner); }

std::optional<std::string> RunDesktopTool(const std::string& program, const std::vector<std::string>& args) {
  return RunTool(program, args);
}

bool SetDesktopWallpaper(const std::string& path) {
  const bool recorded = WriteValue("Wallpaper", path);
  const int error = errno;  // why the record failed, for the caller
  ApplyToLiveDesktop(path);
  errno = error;
  return recorded;
}

std::string GetDesktopWallpaper() {
  return GetPrivateProfileString(std::string(kSection), std::string("Wallpaper"), "", 4096, DesktopSettingsFile()).text;
}

bool SetScreenSaveActive(bool active) {
  const bool recorded = WriteValue("ScreenSaveActive", active ? "1" : "0");
  const int error = errno;  // why the record failed, for the caller
  ApplyIdleStart(active, GetScreenSaveTimeOut());
  errno = error;
  return recorded;
}
bool GetScreenSaveActive() { return ReadInt("ScreenSaveActive", 0) != 0; }

bool SetScreenSaveTimeOut(int seconds) {
  const bool recorded = WriteValue("ScreenSaveTimeOut", std::to_string(seconds));
  const int error = errno;  // why the record failed, for the caller
  ApplyIdleStart(GetScreenSaveActive(), seconds);
  errno = error;
  return recorded;
}
int GetScreenSaveTimeOut() { return static_cast<int>(ReadInt("ScreenSaveTimeOut", 600)); }

bool SetScreenSaverRunning(bool running) { return WriteValue("ScreenSaverRunning", running ? "1" : "0"); }
bool GetScreenSaverRunning() { return ReadInt("ScreenSaverRunning", 0) != 0; }

}  // namespace orvane::platform
