#include "settings/WebLinks.h"

#include "core/Utils.h"
#include "platform/folders.h"
#include "platform/launcher.h"

namespace orvane::settings {

bool OpenSetLink(const std::string& url) { return platform::OpenWebLink(url); }

bool OpenSupportLink(const std::string& programFolder, const std::string& supportURL) {
  const std::string help = programFolder + kHelpFileName;
  if (core::FileExists(help)) return platform::ShellExecuteOpen(platform::ResolveCaseInsensitive(help));
  return OpenSetLink(supportURL);
}

}  // namespace orvane::settings
