#pragma once
// Progress reporting of one operation: 0 first, then rising values, 100 last.
#include "imaging/imaging.h"

namespace orvane::imaging::detail {

class Progress {
 public:
  // Reports 0 at once.
  explicit Progress(ProgressProc proc);
  // Reports value (clamped to 1..99) when it is above the last one reported.
  // True when the callback asked to stop; the request sticks.
  bool Report(int value);
  // Reports value + share x done / total, for a loop over `total` steps.
  bool Step(int from, int to, long long done, long long total);
  // Reports the last value again (the callback lets events run); true when the
  // callback asked to stop.
  bool Poll();
  bool active() const { return proc_ != nullptr; }
  // Reports 100; true when the callback asked to stop.
  bool Finish();
  bool stopped() const { return stopped_; }

 private:
  bool Call(int value);
  ProgressProc proc_;
  int last_ = 0;
  bool stopped_ = false;
};

ProgressProc ConversionProgress();
ProgressProc FilterProgress();
ProgressProc LoadProgress();

}  // namespace orvane::imaging::detail
