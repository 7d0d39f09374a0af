// orvane-test-idle-switch SECONDS on|off: switches the screen saver as the
// settings dialog does (the time-out, then the active flag), for tests that
// run it as another user inside a session of their own.
#include <QCoreApplication>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/desktop.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3 || (std::string(argv[2]) != "on" && std::string(argv[2]) != "off")) {
    std::cerr << "usage: orvane-test-idle-switch SECONDS on|off\n";
    return 2;
  }
  const bool on = std::string(argv[2]) == "on";
  const bool recorded = orvane::platform::SetScreenSaveTimeOut(std::atoi(argv[1])) &&
                        orvane::platform::SetScreenSaveActive(on);
  return recorded ? 0 : 1;
}
