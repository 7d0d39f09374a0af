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

std::string OneLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

}  // namespace

std::string RunLogFile() { return MachineStateFolder() + "orvane.log"; }

void WriteRunLog(const std::string& line) {
  const std::string text = OneLine(line);
  std::cerr << ProgramName() << ": " << text << std::endl;
  std::ofstream log(RunLogFile(), std::ios::app);
  log << FormatMmmDateTime(Now()) << " " << text << '\n';
}

void ReportRunFailure(const std::string& line) {
  g_failed = true;
  WriteRunLog(line);
}

bool RunFailed() { return g_failed; }

void ClearRunFailure() { g_failed = false; }

}  // namespace orvane::platform
