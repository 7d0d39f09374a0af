// Taking over the sets of the older product's program folder.
#include <algorithm>
#include <filesystem>

#include "core/PPS.h"
#include "installer/frmExtractor.h"
#include "platform/events.h"
#include "platform/folders.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/textcodec.h"

namespace orvane::installer {

namespace fs = std::filesystem;

namespace {

// The failed files listed in one message, at most this many by name.
constexpr std::size_t kListedFailures = 15;

std::string FailureText(const std::string& setName, const std::vector<std::string>& failed) {
  std::string text = "These files of the image set \"" + setName + "\" could not be copied:\r\n";
  for (std::size_t i = 0; i < failed.size() && i < kListedFailures; ++i)
    text += "\r\n" + platform::FromUtf8(failed[i]);
  if (failed.size() > kListedFailures)
    text += "\r\n... and " + std::to_string(failed.size() - kListedFailures) + " more.";
  return text;
}

}  // namespace

void frmExtractor::ImportOldSets() {
  status->SetMessage("Looking for previously installed image sets.");
  status->SetStatus("");
  const auto value = platform::RegQueryValue(platform::Hive::CurrentUser, kOldProgramPathKey, "");
  if (!value || value->empty()) return;
  std::string oldFolder = *value;
  std::replace(oldFolder.begin(), oldFolder.end(), '\\', '/');
  if (oldFolder.front() != '/') return;
  if (oldFolder.back() != '/') oldFolder += '/';

  std::vector<std::string> folders;
  std::error_code ec;
  for (fs::directory_iterator it(oldFolder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_directory(typeError)) folders.push_back(it->path().filename().string());
  }
  std::sort(folders.begin(), folders.end());

  for (const std::string& folder : folders) {
    const std::string source = oldFolder + folder + "/";
    // A folder that is already the program folder's own is available as it is.
    std::error_code same;
    if (fs::equivalent(source, ProgramFolder + folder, same) || fs::equivalent(source, ProgramFolder, same))
      continue;
    // Its set name: the first key of the [SetDescriptions] section of its
    // "images.ini". A folder without one holds no set.
    const std::string imagesIni = platform::ResolveCaseInsensitive(source + "images.ini");
    const std::string keys = core::GetIniString("SetDescriptions", "", "", imagesIni);
    const std::string name = keys.substr(0, keys.find('\0'));
    if (name.empty()) continue;

    const std::string quoted = "\"" + name + "\"";
    if (platform::MsgBox("Would you like to make the previously installed image set " + quoted +
                             " available to the screen saver?",
                         platform::vbYesNo | platform::vbQuestion,
                         "Found previously installed image set " + quoted, this) != platform::vbYes)
      continue;
    status->SetMessage("Copying old image set " + quoted);
    std::int64_t need = 0;
    const std::int64_t freeBytes = CalcFolderSpace(ProgramFolder, source, need);
    if (need >= freeBytes) {
      platform::MsgBox("There is not enough disk space to include the previously installed image set.\r\n"
                       "See the Readme.txt file for more information \r\n"
                       "on making your previously installed image sets available to the screen saver.",
                       platform::vbInformation, "Not enough room!", this);
      continue;
    }
    const CopyResult result = CopyFolderFiles(source, ProgramFolder, folder, [this](const std::string& file) {
      status->SetStatus(platform::FromUtf8(file));
      platform::DoEvents();
    });
    if (!result.error.empty()) {
      platform::MsgBox("The image set " + quoted + " could not be copied: " +
                           platform::FromUtf8(result.error) + ".",
                       platform::vbExclamation, "Image Set Error", this);
    } else if (!result.failed.empty()) {
      platform::MsgBox(FailureText(name, result.failed), platform::vbExclamation, "Image Set Error", this);
    } else {
      NoSetInstalled = false;
    }
  }
}

}  // namespace orvane::installer
