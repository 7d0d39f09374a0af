#include "core/Progress.h"

#include <string>

#include "core/Globals.h"
#include "platform/events.h"
#include "platform/msgbox.h"

namespace orvane::core {

namespace {

MeterSink* saverSink = nullptr;
MeterSink* pleaseWaitSink = nullptr;

// Last values of the four callbacks.
std::int16_t saverLast1 = 0;
std::int16_t saverLast2 = 0;
std::int16_t pleaseWaitLast1 = 0;
std::int16_t pleaseWaitLast2 = 0;

void Accumulate(std::int16_t value, std::int16_t& last) {
  if (value == 0) last = 0;  // a new operation starts
  ProgressDone += long(value) - long(last);
  last = value;
}

void UpdateMeter(MeterSink* sink) {
  // No job total: nothing sensible to draw, keep the bar.
  if (ProgressTotal == 0) return;
  const float percent = float(double(ProgressDone) * 100.0 / double(ProgressTotal));
  if (sink) sink->SetTotalWidth(percent);
}

std::int16_t SaverCallback(std::int16_t value, std::int16_t& last) {
  Accumulate(value, last);
  if (QuitSaver) {
    platform::DoEvents();
    return 1;
  }
  if (saverSink) saverSink->SetMeterWidth(value);
  UpdateSaverMeter();
  platform::DoEvents();
  return 0;
}

std::int16_t PleaseWaitCallback(std::int16_t value, std::int16_t& last) {
  Accumulate(value, last);
  if (pleaseWaitSink) pleaseWaitSink->SetMeterWidth(value);
  UpdatePleaseWaitMeter();
  platform::DoEvents();
  return 0;
}

}  // namespace

void SetSaverMeterSink(MeterSink* sink) { saverSink = sink; }
void SetPleaseWaitMeterSink(MeterSink* sink) { pleaseWaitSink = sink; }

std::int16_t SaverProgressCallback1(std::int16_t value) { return SaverCallback(value, saverLast1); }
std::int16_t SaverProgressCallback2(std::int16_t value) { return SaverCallback(value, saverLast2); }
std::int16_t PleaseWaitProgressCallback1(std::int16_t value) {
  return PleaseWaitCallback(value, pleaseWaitLast1);
}
std::int16_t PleaseWaitProgressCallback2(std::int16_t value) {
  return PleaseWaitCallback(value, pleaseWaitLast2);
}

void UpdateSaverMeter() { UpdateMeter(saverSink); }
void UpdatePleaseWaitMeter() { UpdateMeter(pleaseWaitSink); }

void ReportLoadPictureError(int errorNumber) {
  const std::string crlf = "\r\n";
  const std::string text = "LoadPicture Failed." + crlf + "File: " + ErrorFile + crlf +
                           "Failed in: " + ErrorLocation + crlf +
                           "Error ID: " + std::to_string(errorNumber) + crlf +
                           "Please Record this information and Contact the programs vendor.";
  platform::MsgBox(text, platform::vbCritical, "Error");
}

}  // namespace orvane::core
