#include "platform/events.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace orvane::platform {

void DoEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void End(int code) {
  std::fflush(nullptr);
  std::exit(code);
}

}  // namespace orvane::platform
