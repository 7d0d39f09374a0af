#include "tests/support/testenv.h"

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

}  // namespace orvane::test
