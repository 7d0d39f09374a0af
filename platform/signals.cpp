#include "platform/signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace orvane::platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler only writes the signal's number into a pipe (all it may do); the
// event loop reads it from the other end.
int pipeEnds[2] = {-1, -1};
std::function<void(int)> current;
QPointer<QSocketNotifier> notifier;  // a child of the application

extern "C" void OnSignal(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &number, 1);
  errno = saved;
}

void Drain() {
  unsigned char number = 0;
  while (::read(pipeEnds[0], &number, 1) == 1)
    if (current) {
      const auto handler = current;  // the handler may replace itself
      handler(number);
    }
}

}  // namespace

void SetTerminationHandler(std::function<void(int)> handler) {
  current = std::move(handler);
  if (!current) {
    for (int signal : kSignals) std::signal(signal, SIG_DFL);
    return;
  }
  if (pipeEnds[0] < 0 && ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  if (!notifier && QCoreApplication::instance()) {
    notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read,
                                   QCoreApplication::instance());
    QObject::connect(notifier.data(), &QSocketNotifier::activated, [] { Drain(); });
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

}  // namespace orvane::platform
