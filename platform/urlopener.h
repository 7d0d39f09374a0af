#pragma once
// Opening a document or web address with the desktop's own handler (the
// shell's "open" verb). The real opener hands the address to
// QDesktopServices::openUrl, which runs the desktop's opener (xdg-open) as a
// program of its own, never through a shell. Tests install a recording opener.
#include <string>
#include <vector>

namespace orvane::platform {

class UrlOpener {
 public:
  virtual ~UrlOpener() = default;
  // True when the address was handed on.
  virtual bool Open(const std::string& url) = 0;
};

// True for an address this opener may hand on at all: http, https and mailto
// addresses, file: URLs and absolute local paths. Anything else (other schemes,
// relative paths, text with line breaks) is refused.
bool IsOpenableAddress(const std::string& url);

// Opens url through the current opener after the check above; false when it was
// refused or the opener failed.
bool ShellOpen(const std::string& url);

// Replaces the opener; nullptr restores the desktop's. The caller keeps it alive.
void SetUrlOpener(UrlOpener* opener);

// Records what it is asked to open; opens nothing.
class RecordingUrlOpener : public UrlOpener {
 public:
  bool Open(const std::string& url) override {
    opened_.push_back(url);
    return true;
  }
  const std::vector<std::string>& opened() const { return opened_; }

 private:
  std::vector<std::string> opened_;
};

}  // namespace orvane::platform
