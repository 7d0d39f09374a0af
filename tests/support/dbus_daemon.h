#pragma once
// A private message bus for tests: dbus-daemon with the session bus's rules
// (any client may own any name) on a fresh socket, reporting its address
// through --print-address. It stands in for the session bus or, through
// DBUS_SYSTEM_BUS_ADDRESS, for the system bus. Stopped when the object goes.
// With anyUser, clients of every user may connect (a session run as another
// user, as the sway tests do), as on a real system bus.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QStandardPaths>
#include <cstdio>
#include <string>

namespace orvane::test {

class PrivateBus {
 public:
  explicit PrivateBus(bool anyUser = false) {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) return;
    std::string config = "--session";
    if (anyUser) {
      char name[] = "/tmp/orvane-bus-XXXXXX";
      const int file = mkstemp(name);
      if (file < 0) return;
      config_ = name;
      const std::string text =
          "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
          "<policy context=\"default\"><allow user=\"*\"/><allow send_destination=\"*\" eavesdrop=\"true\"/>"
          "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
      const bool written = write(file, text.data(), text.size()) == ssize_t(text.size());
      close(file);
      if (!written) return;
      config = "--config-file=" + config_;
    }
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = "--print-address=" + std::to_string(fds[1]);
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const int devnull = open("/dev/null", O_WRONLY);
      if (devnull >= 0) dup2(devnull, STDERR_FILENO);
      execlp("dbus-daemon", "dbus-daemon", config.c_str(), "--nofork", "--nopidfile", "--address=unix:tmpdir=/tmp",
             fd.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string address;
    pollfd ready{fds[0], POLLIN, 0};
    char c;
    while (pid_ > 0 && poll(&ready, 1, 30000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') address += c;
    close(fds[0]);
    address_ = address;
  }
  ~PrivateBus() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (!config_.empty()) std::remove(config_.c_str());
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  // The bus's address ("unix:path=...,guid=..."), empty when it did not start.
  const std::string& Address() const { return address_; }

 private:
  pid_t pid_ = -1;
  std::string address_, config_;
};

}  // namespace orvane::test
