#include "settings/WriteFailure.h"

#include <QWidget>
#include <cerrno>
#include <cstring>

#include "platform/msgbox.h"
#include "platform/runlog.h"

namespace orvane::settings {

WriteFailure FailedWrite(const std::string& what, const std::string& file) {
  const int error = errno;
  return {what, file, error != 0 ? std::strerror(error) : "the file cannot be written"};
}

std::string NotSavedText(const WriteFailures& failures) {
  std::string text;
  for (std::size_t i = 0; i < failures.size(); ++i) {
    const WriteFailure& failure = failures[i];
    // Several writes of one file that failed are one line.
    bool told = false;
    for (std::size_t j = 0; j < i && !told; ++j)
      told = failures[j].what == failure.what && failures[j].file == failure.file;
    if (told) continue;
    if (!text.empty()) text += "\r\n";
    text += failure.what + " could not be saved in \"" + failure.file + "\": " + failure.reason + ".";
  }
  return text;
}

void ReportNotSaved(const WriteFailures& failures, QWidget* dialog) {
  if (failures.empty()) return;
  const std::string text = NotSavedText(failures);
  if (dialog && dialog->isVisible()) {
    platform::MsgBox(text, platform::vbExclamation, "", dialog);
    return;
  }
  // Settings that could not be saved make the run a failed one.
  platform::ReportRunFailure(text);
}

}  // namespace orvane::settings
