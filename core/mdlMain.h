#pragma once
// The start procedure of the screen saver and the mouse hiding it uses.
#include <string>

#include "core/windows.h"

namespace orvane::core {

// What the program does once Main has returned.
enum class StartOutcome {
  End,         // the work is done (or there was none): the process ends
  RunWindows,  // a modeless window is open: run the event loop until it closes
  Failed,      // an unattended change could not be done (it is in the run log): the process ends with status 1
};

// Reads the whole command-line text once and dispatches on its switches
// ("/s", "/c", "/a", "/wall", "/kalendar", "/-ConfigWall", "/debug"; each a
// case-sensitive substring test). A second instance started while another runs
// only records a "/wall" or "/kalendar" request for the running one and ends.
StartOutcome Main(const std::string& commandLine, WindowFactory& windows);

// True for the command lines nobody watches: "/wall" and "/kalendar" without a
// switch that Main tests before them ("/s", "/c", "/a"). Such a run shows no
// box from its first step on; each is written to standard error and the run log.
bool IsUnattendedRun(const std::string& commandLine);

// Hides the mouse pointer (its display count ends below 0), remembering the count
// before in SavedCursorCount. Does nothing under DebugMode.
void HideMouse();
// Brings the pointer's display count back to SavedCursorCount. Does nothing
// under DebugMode.
void ShowMouse();

// The program name the previous-instance test uses.
inline constexpr const char* kInstanceName = "orvane";

}  // namespace orvane::core
