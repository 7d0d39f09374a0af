#pragma once
// Progress of long picture operations and the load-failure report.
//
// The imaging library reports each operation's cumulative progress through the
// callbacks below; they add it up in ProgressDone and move two bars: the
// operation bar (its value, 0..100) and the job bar (ProgressDone x 100 /
// ProgressTotal, in percent). The bars belong to windows of later subsystems,
// which plug themselves in as meter sinks.
#include <cstdint>

namespace orvane::core {

// The two bars of one window: widths 0..100 for a complete operation or job.
class MeterSink {
 public:
  virtual ~MeterSink() = default;
  virtual void SetMeterWidth(double width) = 0;  // the current operation
  virtual void SetTotalWidth(float width) = 0;   // the whole job
};

// The slide-show window's meter and the progress window's; nullptr for none
// (the sums are kept all the same).
void SetSaverMeterSink(MeterSink* sink);
void SetPleaseWaitMeterSink(MeterSink* sink);

// Library callbacks: value is the cumulative progress of the current operation,
// 0 at its start. Each keeps its own last value, so two libraries can report at
// once. The slide-show pair returns 1 (stop) once QuitSaver is set, without
// drawing; otherwise both pairs draw, let pending events run once and return 0.
std::int16_t SaverProgressCallback1(std::int16_t value);
std::int16_t SaverProgressCallback2(std::int16_t value);
std::int16_t PleaseWaitProgressCallback1(std::int16_t value);
std::int16_t PleaseWaitProgressCallback2(std::int16_t value);

// Job bar := ProgressDone x 100 / ProgressTotal. With no job total set
// (ProgressTotal 0) the bar is left as it was.
void UpdateSaverMeter();
void UpdatePleaseWaitMeter();

// The standard report of a picture that could not be loaded: ErrorFile,
// ErrorLocation and the error number in a critical message box titled "Error".
// Returns when the user has closed it.
void ReportLoadPictureError(int errorNumber);

}  // namespace orvane::core
