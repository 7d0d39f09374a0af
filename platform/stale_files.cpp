#include "platform/stale_files.h"

#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace orvane::platform {

namespace {

// The process number in "<digits>-<digits>" at the start of text.
std::optional<pid_t> ProcessOf(std::string_view text) {
  std::size_t i = 0;
  long long pid = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && pid < (1LL << 31))
    pid = pid * 10 + (text[i++] - '0');
  if (i == 0 || i >= text.size() || text[i] != '-' || pid <= 0 || pid >= (1LL << 31)) return {};
  std::size_t j = i + 1;
  while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
  if (j == i + 1 || j != text.size()) return {};
  return pid_t(pid);
}

// The process that made a temporary file of ours, judged by its name.
std::optional<pid_t> TemporaryFileProcess(const std::string& name) {
  if (name.size() > 1 && name[0] == '.') {
    const std::size_t tmp = name.rfind(".tmp");
    if (tmp != std::string::npos && tmp > 1) return ProcessOf(std::string_view(name).substr(tmp + 4));
  }
  const std::size_t part = name.rfind(".part-");
  if (part != std::string::npos && part > 0) return ProcessOf(std::string_view(name).substr(part + 6));
  return {};
}

bool Runs(pid_t pid) {
  if (pid == getpid()) return true;
  return kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

int RemoveStaleTemporaryFiles(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  int removed = 0;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const std::optional<pid_t> pid = TemporaryFileProcess(name);
    if (!pid || Runs(*pid)) continue;
    std::error_code ignored;
    if (!it->is_regular_file(ignored) || it->is_symlink(ignored)) continue;
    if (fs::remove(it->path(), ignored)) ++removed;
  }
  return removed;
}

}  // namespace orvane::platform
