#pragma once
// The module variables of mdlMain: one instance per process, all start as 0,
// False or empty.
#include <string>

namespace orvane::core {

// The slide show must end: set by its input handlers, cleared by its Form_Load
// and the dialog's thumbnail timer; tested by the long loops of the show.
inline bool QuitSaver = false;
// Caption of the settings dialog (ReadWindowTitles).
inline std::string ConfigTitle;
// Caption of the password window (ReadWindowTitles).
inline std::string PasswordTitle;
// "/debug" on the command line: the mouse cursor stays visible.
inline bool DebugMode = false;
// The file being loaded by picture-loading code, for the load-failure report.
inline std::string ErrorFile;
// Procedure name and step of that code, such as "PrepImage:1".
inline std::string ErrorLocation;
// Steps of the current long operation.
inline int ProgressTotal = 0;
// Steps done of it.
inline long ProgressDone = 0;
// The pointer's display count before HideMouse, restored by ShowMouse.
inline long SavedCursorCount = 0;

}  // namespace orvane::core
