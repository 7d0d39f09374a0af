#pragma once
// The changer's launchers: each starts the screen-saver program of the Windows
// folder ("Orvane.scr", a link to the installed orvane) with one switch, as a
// process of its own that is not waited for. No shell is involved: the program
// and its one argument are passed as they are.
#include <QtGlobal>
#include <memory>
#include <optional>
#include <string>

namespace orvane::changer {

inline constexpr const char* kSaverFileName = "Orvane.scr";
inline constexpr const char* kSwitchWall = "/wall";
inline constexpr const char* kSwitchKalendar = "/kalendar";
inline constexpr const char* kSwitchConfigWall = "/-ConfigWall";

// How the launchers start a program; tests may put their own in.
class SaverLauncher {
 public:
  virtual ~SaverLauncher() = default;
  // Starts program with the one argument; the process id, or nullopt when it
  // could not be started.
  virtual std::optional<qint64> Start(const std::string& program, const std::string& argument) = 0;
  // True while the process started as pid still runs.
  virtual bool Running(qint64 pid) = 0;
};

// QProcess::startDetached; a failure to start is told on standard error.
class DetachedLauncher : public SaverLauncher {
 public:
  std::optional<qint64> Start(const std::string& program, const std::string& argument) override;
  bool Running(qint64 pid) override;
};

// The launcher the functions below use; nullptr restores the detached one.
// The caller keeps it alive.
void SetSaverLauncher(SaverLauncher* launcher);
SaverLauncher& CurrentSaverLauncher();

// The Windows folder's "Orvane.scr".
std::string SaverProgram();

// Each returns the started process's id, or nullopt when it did not start.
std::optional<qint64> StartWallpaperChange();
std::optional<qint64> StartCalendarWallpaper();
std::optional<qint64> StartWallpaperSettings();

}  // namespace orvane::changer
