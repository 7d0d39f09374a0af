#include "platform/log.h"

#include <fstream>
#include <iostream>

#include "platform/folders.h"
#include "platform/vbruntime.h"

namespace orvane::platform {

std::string OrvaneLogFile() { return MachineStateFolder() + "orvane.log"; }

void LogLine(const std::string& line) {
  std::cerr << "orvane: " << line << std::endl;
  std::ofstream log(OrvaneLogFile(), std::ios::app);
  log << FormatMmmDateTime(Now()) << " " << line << '\n';
}

}  // namespace orvane::platform
