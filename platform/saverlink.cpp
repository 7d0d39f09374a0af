#include "platform/saverlink.h"

#include <unistd.h>

#include <string>
#include <system_error>

#include "platform/folders.h"

namespace orvane::platform {

namespace fs = std::filesystem;

fs::path SaverLinkPath() { return fs::path(GetWindowsDirectory()) / "Orvane.scr"; }

bool EnsureSaverLink(const fs::path& program) {
  std::error_code ec;
  const fs::path link = SaverLinkPath();
  const fs::file_status status = fs::symlink_status(link, ec);
  if (fs::exists(status) && !fs::is_symlink(status)) return true;  // someone's own file

  if (fs::is_symlink(status)) {
    const fs::path target = fs::read_symlink(link, ec);
    if (!ec && target == program) return true;
    const bool dangling = !fs::exists(link, ec);
    const bool fromBuildTree = fs::exists(program.parent_path() / "CMakeFiles", ec);
    if (!dangling && fromBuildTree) return true;
  }

  std::string temporaryName = ".Orvane.scr.tmp";
  temporaryName += std::to_string(getpid());
  const fs::path temporary = link.parent_path() / temporaryName;
  fs::remove(temporary, ec);
  fs::create_symlink(program, temporary, ec);
  if (ec) return false;
  fs::rename(temporary, link, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace orvane::platform
