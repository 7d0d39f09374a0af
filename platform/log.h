#pragma once
// The programs' log of what they could not do unattended: one line on standard
// error and, with the date and time, in MachineStateFolder() + "orvane.log".
#include <string>

namespace orvane::platform {

std::string OrvaneLogFile();

// Writes "orvane: line" to standard error and "<date time> line" to the log.
void LogLine(const std::string& line);

}  // namespace orvane::platform
