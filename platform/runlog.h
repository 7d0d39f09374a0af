#pragma once
// What a run could not do, told where it is found later when nobody watched:
// each report is one line on standard error after the program's name, and the
// same line, dated, at the end of the log file. A run that reported a failure
// ends with a failure status (End).
#include <string>

namespace orvane::platform {

// MachineStateFolder() + "orvane.log".
std::string RunLogFile();

// Writes line (UTF-8; line breaks become blanks) to standard error as
// "<program>: line" and appends "<date time> line" to the log file.
void WriteRunLog(const std::string& line);
// Only the dated line in the log file (the caller has said it already).
void AppendRunLog(const std::string& line);

// WriteRunLog, and the run counts as failed from then on.
void ReportRunFailure(const std::string& line);
bool RunFailed();
// Tests: the run counts as not failed again.
void ClearRunFailure();

}  // namespace orvane::platform
