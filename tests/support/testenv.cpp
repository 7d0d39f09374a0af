#include "tests/support/testenv.h"

#include <QCoreApplication>
#include <QThread>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace orvane::test {

namespace fs = std::filesystem;

fs::path& MutableRoot() {
  static fs::path root;
  return root;
}

const fs::path& TempRoot() { return MutableRoot(); }

fs::path MakeTempDir(const std::string& name) {
  fs::path dir = TempRoot() / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path.string());
  out << bytes;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path SharedTestData() {
  fs::path p = fs::path(ORVANE_SHARED_DIR) / "testdata";
  std::error_code ec;
  return fs::is_directory(p, ec) ? p : fs::path();
}

fs::path OrvaneExe() { return fs::path(ORVANE_EXE); }

namespace {

bool Poll(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
          std::chrono::milliseconds step, bool runEvents) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (runEvents) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (condition()) return true;
    QThread::msleep(static_cast<unsigned long>(step.count()));
  }
  return condition();
}

}  // namespace

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
             std::chrono::milliseconds step) {
  return Poll(condition, timeout, step, false);
}

bool WaitWithEvents(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  return Poll(condition, timeout, std::chrono::milliseconds(10), true);
}

}  // namespace orvane::test
