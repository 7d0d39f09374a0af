#pragma once
// The first start of a program on a system where no program folder is recorded
// (a fresh install from the package or of `cmake --install`): the user gets a
// program folder of their own, with the template files and links to the starter
// image sets installed beside the programs, recorded as the setup program and
// pellam record it. A folder that is recorded already, usable or not, is never
// replaced; an empty value counts as none.
#include <string>

namespace orvane::core {

// $XDG_DATA_HOME/orvane/sets/ (default ~/.local/share/orvane/sets/).
std::string UserProgramFolder();

// The starter sets installed with the running program (share/orvane/sets/ of
// its install prefix, found from the program's own path), with a trailing "/";
// "" when there are none.
std::string PackagedStarterSets();

// True when either hive holds a non-empty program path value.
bool ProgramFolderRecorded();

enum class FirstStartResult {
  AlreadyRecorded,  // nothing done
  Made,             // folder made (or completed) and recorded under both hives
  Failed,           // the folder could not be made or recorded; error says why
};

struct FirstStartOutcome {
  FirstStartResult result = FirstStartResult::AlreadyRecorded;
  std::string folder;  // the program folder made, with a trailing "/"
  std::string error;
};

// When no program folder is recorded: makes programFolder, copies the template
// "ScreenSaver.ini" and "config.ini" of starterSets into it, gives each set
// folder of starterSets (a folder with an "images.ini") a folder of its own name
// holding links to its files and a writable copy of its "company.ini", and
// records programFolder under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE. Files
// and links already in the folder are kept. starterSets "" makes and records an
// empty program folder.
FirstStartOutcome MakeProgramFolderIfNone(const std::string& starterSets,
                                          const std::string& programFolder);

// Clears "running" in "ScreenSaver.ini" and the desktop settings' running flag
// when no show holds the caption lock: a show killed without its end (SIGKILL,
// xkill) left them set. False when a show runs (or none ever ran here).
bool ClearFlagsOfKilledShow();

// Every program's start: ClearFlagsOfKilledShow, then, with the packaged
// starter sets and the user's program folder, MakeProgramFolderIfNone; a
// failure is told on standard error (the program then reports the missing
// program folder as it always has).
FirstStartOutcome FirstStart();

}  // namespace orvane::core
