#include "platform/runlog.h"

#include <QCoreApplication>
#include <fstream>
#include <iostream>

#include "platform/folders.h"
#include "platform/vbruntime.h"

namespace orvane::platform {

namespace {

bool g_failed = false;

std::string ProgramName() {
  if (QCoreApplication::instance() && !QCoreApplication::applicationName().isEmpty())
    return QCoreApplication::applicationName().toLower().toStdString();
  return "orvane";
}

// Each line break (CR LF, CR or LF) becomes one blank.
std::string OneLine(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

std::string RunLogFile() { return MachineStateFolder() + "orvane.log"; }

void WriteRunLog(const std::string& line) {
  std::cerr << ProgramName() << ": " << OneLine(line) << std::endl;
  AppendRunLog(line);
}

void AppendRunLog(const std::string& line) {
  std::ofstream log(RunLogFile(), std::ios::app);
  log << FormatMmmDateTime(Now()) << " " << OneLine(line) << '\n';
}

void ReportRunFailure(const std::string& line) {
  g_failed = true;
  WriteRunLog(line);
}

bool RunFailed() { return g_failed; }

void ClearRunFailure() { g_failed = false; }

}  // namespace orvane::platform
