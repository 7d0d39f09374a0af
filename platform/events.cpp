#include "platform/events.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "platform/runlog.h"

namespace orvane::platform {

void DoEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void End(int code) {
  std::fflush(nullptr);
  // A run that reported a failure (runlog.h) does not end as a success.
  std::exit(code == 0 && RunFailed() ? 1 : code);
}

}  // namespace orvane::platform
