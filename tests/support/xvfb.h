#pragma once
// A private X server for tests that need a real one: Xvfb on a free display
// (it picks the number itself and reports it through -displayfd), started with
// -noreset so the root window keeps what is set on it when the last client
// disconnects. Stopped when the object goes.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <string>

namespace orvane::test {

class Xvfb {
 public:
  Xvfb(int width, int height, int depth = 24) {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const int devnull = open("/dev/null", O_WRONLY);
      if (devnull >= 0) dup2(devnull, STDERR_FILENO);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0",
             screen.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it listens; a server that never
    // gets there is given up after 30 s.
    std::string number;
    pollfd ready{fds[0], POLLIN, 0};
    char c;
    while (pid_ > 0 && poll(&ready, 1, 30000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~Xvfb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  // Merges X resources (lines such as "Xft.dpi: 192", the desktop's 200 %
  // scale) into the server's resource database, as a session's xrdb does; they
  // stay while the server runs. False when xrdb is missing or fails.
  bool MergeResources(const std::string& lines) const {
    if (display_.empty() || QStandardPaths::findExecutable(QStringLiteral("xrdb")).isEmpty()) return false;
    QProcess xrdb;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display_));
    xrdb.setProcessEnvironment(env);
    xrdb.start(QStringLiteral("xrdb"), {QStringLiteral("-merge")});
    if (!xrdb.waitForStarted(10000)) return false;
    xrdb.write(lines.c_str(), qint64(lines.size()));
    xrdb.closeWriteChannel();
    return xrdb.waitForFinished(30000) && xrdb.exitStatus() == QProcess::NormalExit && xrdb.exitCode() == 0;
  }

  bool Running() const { return !display_.empty(); }
  // ":N", empty when the server could not be started.
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace orvane::test
