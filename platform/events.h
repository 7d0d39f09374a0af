#pragma once
// The run-time statements the programs are written around.
namespace orvane::platform {

// Lets pending window-system events run once (QCoreApplication::processEvents).
void DoEvents();
// Ends the process at once, like the statement it stands for: every settings
// write is already atomic and the kernel drops the locks. A run that reported a
// failure (runlog.h) ends with status 1 where code says 0.
[[noreturn]] void End(int code = 0);

// Keeps a handler that pumps events (DoEvents) from being entered again while it
// still runs:
//   ReentryGuard guard(busy_);
//   if (!guard) return;
// The flag is set while the guard that entered lives and cleared when it goes.
class ReentryGuard {
 public:
  explicit ReentryGuard(bool& busy) : busy_(busy), entered_(!busy) {
    if (entered_) busy_ = true;
  }
  ~ReentryGuard() {
    if (entered_) busy_ = false;
  }
  ReentryGuard(const ReentryGuard&) = delete;
  ReentryGuard& operator=(const ReentryGuard&) = delete;

  bool Entered() const { return entered_; }
  explicit operator bool() const { return entered_; }

 private:
  bool& busy_;
  bool entered_;
};

}  // namespace orvane::platform
