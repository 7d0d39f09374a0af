#pragma once
// The termination signals (SIGTERM, SIGINT, SIGHUP) as events of the program:
// while a handler is set, a signal does not kill the process but runs the
// handler on the thread of the Qt event loop, at its next turn; with none set
// the signals end the program as they always do.
#include <functional>

namespace orvane::platform {

// Needs a QCoreApplication. An empty handler restores the default action.
void SetTerminationHandler(std::function<void(int signal)> handler);

}  // namespace orvane::platform
