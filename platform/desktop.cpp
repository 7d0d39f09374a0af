#include "platform/desktop.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/folders.h"
#include "platform/idle_start.h"
#include "platform/profile.h"

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

bool ContainsAny(const std::string& haystack, std::initializer_list<const char*> needles) {
  for (const char* n : needles)
    if (haystack.find(n) != std::string::npos) return true;
  return false;
}

void ApplyGnome(const std::string& path, bool none) {
  const std::string schema = "org.gnome.desktop.background";
  if (none) {
    RunTool("gsettings", {"set", schema, "picture-options", "none"});
    return;
  }
  const std::string uri = QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toStdString();
  RunTool("gsettings", {"set", schema, "picture-uri", uri});
  RunTool("gsettings", {"set", schema, "picture-uri-dark", uri});
  // A desktop whose picture was switched off would not show the new one.
  const auto options = RunTool("gsettings", {"get", schema, "picture-options"});
  if (options && options->find("none") != std::string::npos)
    RunTool("gsettings", {"set", schema, "picture-options", "zoom"});
}

void ApplyXfce(const std::string& path, bool none) {
  const auto list = RunTool("xfconf-query", {"-c", "xfce4-desktop", "-l"});
  if (!list) return;
  std::istringstream lines(*list);
  std::string property;
  const std::string suffix = none ? "/image-style" : "/last-image";
  while (std::getline(lines, property)) {
    while (!property.empty() && (property.back() == '\r' || property.back() == ' ')) property.pop_back();
    if (property.size() < suffix.size() || property.compare(property.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    RunTool("xfconf-query", {"-c", "xfce4-desktop", "-p", property, "-s", none ? "0" : path});
  }
}

void ApplyToLiveDesktop(const std::string& path) {
  const char* mode = std::getenv("ORVANE_DESKTOP");
  if (mode && std::string(mode) == "record") return;
  const bool none = path.empty() || path == "(none)";
  std::string desktop = std::getenv("XDG_CURRENT_DESKTOP") ? std::getenv("XDG_CURRENT_DESKTOP") : "";
  for (char& c : desktop) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (ContainsAny(desktop, {"GNOME", "UNITY", "BUDGIE", "PANTHEON"})) ApplyGnome(path, none);
  else if (desktop.find("XFCE") != std::string::npos) ApplyXfce(path, none);
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
  ApplyToLiveDesktop(path);
  return recorded;
}

std::string GetDesktopWallpaper() {
  return GetPrivateProfileString(std::string(kSection), std::string("Wallpaper"), "", 4096, DesktopSettingsFile()).text;
}

bool SetScreenSaveActive(bool active) {
  const bool recorded = WriteValue("ScreenSaveActive", active ? "1" : "0");
  ApplyIdleStart(active, GetScreenSaveTimeOut());
  return recorded;
}
bool GetScreenSaveActive() { return ReadInt("ScreenSaveActive", 0) != 0; }

bool SetScreenSaveTimeOut(int seconds) {
  const bool recorded = WriteValue("ScreenSaveTimeOut", std::to_string(seconds));
  ApplyIdleStart(GetScreenSaveActive(), seconds);
  return recorded;
}
int GetScreenSaveTimeOut() { return static_cast<int>(ReadInt("ScreenSaveTimeOut", 600)); }

bool SetScreenSaverRunning(bool running) { return WriteValue("ScreenSaverRunning", running ? "1" : "0"); }
bool GetScreenSaverRunning() { return ReadInt("ScreenSaverRunning", 0) != 0; }

}  // namespace orvane::platform
