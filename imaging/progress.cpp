#include "imaging/progress.h"

#include <algorithm>

namespace orvane::imaging {

namespace detail {
namespace {
ProgressProc conversionProc = nullptr;
ProgressProc filterProc = nullptr;
ProgressProc loadProc = nullptr;
}  // namespace

ProgressProc LoadProgress() { return loadProc; }

ProgressProc ConversionProgress() { return conversionProc; }
ProgressProc FilterProgress() { return filterProc; }

Progress::Progress(ProgressProc proc) : proc_(proc) { Call(0); }

bool Progress::Call(int value) {
  last_ = value;
  if (proc_ && proc_(std::int16_t(value)) != 0) stopped_ = true;
  return stopped_;
}

bool Progress::Report(int value) {
  if (stopped_) return true;
  value = std::clamp(value, 1, 99);
  if (value <= last_) return false;
  return Call(value);
}

bool Progress::Step(int from, int to, long long done, long long total) {
  if (total <= 0) return Report(to);
  return Report(from + int((to - from) * done / total));
}

bool Progress::Poll() {
  if (stopped_ || !proc_) return stopped_;
  return Call(last_);
}

bool Progress::Finish() {
  if (stopped_) return true;
  return Call(100);
}

}  // namespace detail

void SetProgressCallback(ProgressProc proc) { detail::conversionProc = proc; }
void SetFilterProgressCallback(ProgressProc proc) { detail::filterProc = proc; }
void SetLoadProgressCallback(ProgressProc proc) { detail::loadProc = proc; }

}  // namespace orvane::imaging
