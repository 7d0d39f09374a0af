#pragma once
// Settings files that the dialog could not write, and the one box that tells
// the user: which settings, which file and why. A page whose write failed keeps
// its changes, so its next apply tries again.
#include <string>
#include <vector>

class QWidget;

namespace orvane::settings {

struct WriteFailure {
  std::string what;    // "The image sets", "The screen saver settings", ...
  std::string file;    // the file that was not written
  std::string reason;  // why, in words ("Permission denied")
};
using WriteFailures = std::vector<WriteFailure>;

// A failure of the write just refused: the reason comes from the error number
// the failed call left (errno), so take it at once.
WriteFailure FailedWrite(const std::string& what, const std::string& file);

// One line per failure: <what> could not be saved in "<file>": <reason>.
std::string NotSavedText(const WriteFailures& failures);

// The message box of NotSavedText (exclamation icon) over the dialog when it is
// on screen; otherwise (a load for the slide show, a run of the changer) a line
// on standard error and in the run log (platform/runlog.h), which marks the run
// as failed, so nobody's absence keeps the run waiting. Nothing when failures is
// empty.
void ReportNotSaved(const WriteFailures& failures, QWidget* dialog);

}  // namespace orvane::settings
