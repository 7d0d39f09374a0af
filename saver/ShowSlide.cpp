// Showing a slide: DoTrans prepares it and works out where a panorama starts
// and which transition runs; ExecuteTrans steps the transition on the tick
// count while the set's sound fades out and in, then hands over to the
// information panel.
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <exception>
#include <string>

#include "core/Globals.h"
#include "core/ImageDescription.h"
#include "core/Progress.h"
#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "platform/events.h"
#include "platform/msgbox.h"
#include "platform/screen.h"
#include "platform/tick.h"
#include "platform/vbruntime.h"
#include "saver/InfoPanel.h"
#include "saver/Panning.h"
#include "saver/frmSaver.h"

namespace orvane::saver {

namespace im = orvane::imaging;

namespace {

constexpr std::uint32_t kTickMask = 0x7FFFFFFF;
// A transition step runs at most this often.
constexpr std::uint32_t kStepInterval = 13;
// A kind still not finished after this many steps is taken as finished, so a
// fault in a step can never hold the show on one slide.
constexpr long kMaxTransitionSteps = 100000;
constexpr double kVolumeRange = 10000.0;

// Milliseconds from start to now on the 31-bit masked tick count; the
// difference is taken modulo 2^31 so the wrap never stalls a wait.
std::uint32_t MaskedSince(std::uint32_t start, std::uint32_t now) {
  return (now - start) & kTickMask;
}

}  // namespace

void frmSaver::DoTrans() {
  if (!isVisible()) return;
  BusyScope busy(*this);
  tmrTrans.SetEnabled(false);
  tmrTrans.SetInterval(1000);

  const std::uint32_t prepStart = platform::GetTickCount();
  Trace("prepstart", prepStart, prepStart);
  PrepImage();
  Trace("prep", prepStart, platform::GetTickCount());
  if (core::QuitSaver) return;
  if (NothingToShow) {
    // The not-set-up notice takes over on the slide clock.
    picDisp.Cls();
    tmrTrans.SetEnabled(true);
    return;
  }

  const int screenW = picDisp.Width();
  const int screenH = picDisp.Height();
  int dispW = screenW;
  int dispH = screenH;
  const int stripW = picStretch.Width();
  const int stripH = picStretch.Height();

  // Only the four exact directions pan (PrepImage prepared anything else as an
  // ordinary slide).
  if (!core::IsPanoramicDirection(PanDirection)) PanDirection.clear();
  const std::optional<int> mode = PanModeOf(PanDirection);
  PanMode = mode.value_or(kPanNone);
  if (PanMode == kPanNone) {
    dispW = stripW;
    dispH = stripH;
    PanX = 0;
    PanY = 0;
  } else {
    const PanPoint start = PanStartPoint(PanMode, stripW, stripH, screenW, screenH);
    PanX = start.X;
    PanY = start.Y;
  }

  picDesc.SetAutoRedraw(false);

  if (TransitionSetting != core::kAllTransitions) {
    Transitions->SetTransType(TransitionSetting);
  } else {
    if (!CycleKind || *CycleKind == 0 || *CycleKind > core::kFastBlockOut)
      CycleKind = core::kVerticalBlinds;
    Transitions->SetTransType(*CycleKind);
    *CycleKind += 1;
  }

  ++TimerCalls;
  const std::string report = MemoryReportText();
  if (TimerCalls == 1) lblStartMem = report;
  else lblMemStatus = report + "Timer Calls:" + (TimerCalls >= 0 ? " " : "") + std::to_string(TimerCalls);

  if (platform::ScreenBitsPerPixel() == 8) {
    picDisp.Cls();
    platform::DoEvents();
    const std::string prepared = SettingsFolder + "ssprep.bmp";
    const im::Handle bitmap = im::LoadBitMap(prepared);
    if (bitmap == im::kNoHandle) {
      const int error = im::LastError();
      ReportSlideFailure(prepared, "DoTrans:1", error != im::kNoError ? error : im::kInvalidPicture);
    } else {
      Picture = im::WorkBuffImage(bitmap).copy();
      im::UnloadBitMap(bitmap);
      update();
    }
    if (core::QuitSaver) return;
  }

  const bool vertical = PanMode == kPanTopToBottom || PanMode == kPanBottomToTop;
  const bool fullView = PanMode == kPanNone || (vertical ? stripW == screenW : stripH == screenH);
  if (fullView) {
    Transitions->AddSourcePic(picStretch.hDC(), dispW, dispH, PanX, PanY);
    if (PanMode != kPanNone) {
      // The whole screen is the visible window of the strip.
      ImageWidth = screenW;
      ImageHeight = screenH;
    }
  } else {
    // A panorama at its own size: shown in a centred window of the screen's shape.
    const PanArea view = PanViewArea(PanMode, stripW, stripH, screenW, screenH);
    picConvert.Resize(screenW, screenH);
    picConvert.Cls();
    im::BitBlt(picConvert.hDC(), view.Left, view.Top, view.Width, view.Height, picStretch.hDC(),
               PanX, PanY);
    Transitions->AddSourcePic(picConvert.hDC(), dispW, dispH, 0, 0);
    ImageWidth = view.Width;
    ImageHeight = view.Height;
  }
  SyncScreen();
  ExecuteTrans();
}

void frmSaver::ExecutePan(SaverScreen& screen) {
  const std::uint32_t start = platform::GetTickCount();
  Trace("panstart", start, start);
  SaverWindowCalls::ExecutePan(screen);
  Trace("pan", start, platform::GetTickCount());
}

bool frmSaver::FadeOut(long fadeTime) {
  if (fadeTime <= 0) return true;  // no fade
  const double rate = (kVolumeRange - 1.0) / double(fadeTime);
  const std::uint32_t start = platform::GetTickCount();
  std::int64_t elapsed = 0;
  while (elapsed < fadeTime) {
    if (core::QuitSaver) return false;
    elapsed = std::uint32_t(platform::GetTickCount() - start);
    const double volume = std::max(-kVolumeRange, -rate * double(elapsed));
    MP->SetVolume(elapsed < fadeTime ? long(std::floor(volume)) : platform::kVolumeSilent);
    platform::DoEvents();
    if (elapsed < fadeTime) platform::WaitStep();
  }
  return true;
}

void frmSaver::ExecuteTrans() {
  try {
    if (SoundFile.empty()) MP->Stop();
    long rampedOut = 0;
    long fadeIn = -1;  // no fade-in
    double rate = 0;
    const bool newSound = SoundOn && SoundChanged;
    if (newSound) {
      if (MP->PlayState() == platform::mpPlaying) {
        rampedOut = -1;
        if (!FadeOut(RampOutTime)) return;
      }
      MP->Stop();
      MP->SetVolume(platform::kVolumeSilent);
      if (RampInTime > 0) {
        fadeIn = RampInTime;
        rate = (kVolumeRange - std::abs(rampedOut)) / double(fadeIn);
      }
      MP->SetFileName(core::OpenableSetPath(SoundFile));
      MP->Play();
      if (fadeIn < 0) MP->SetVolume(platform::kVolumeFull);
    }

    // The fade-in: volume from elapsed time; it ends at full volume.
    bool fadeDone = fadeIn < 0;
    auto fadeStep = [&](std::int64_t elapsed) {
      if (fadeDone) return;
      if (elapsed < fadeIn) {
        const double volume = std::min(kVolumeRange, rate * double(elapsed));
        MP->SetVolume(long(std::floor(volume)) - long(kVolumeRange));
      } else {
        MP->SetVolume(platform::kVolumeFull);
        fadeDone = true;
      }
    };

    // The screen's pixels are made before the first step, not by it: filling a
    // fresh 3840 x 2160 buffer (its pages faulted in) takes a step's time many
    // times over.
    if (picDisp.PlainColour()) picDisp.SurfaceView();

    std::uint32_t t1 = platform::GetTickCount() & kTickMask;
    std::uint32_t t2 = platform::GetTickCount() & kTickMask;
    const std::uint32_t start = platform::GetTickCount();
    Trace("transstart", start, start);
    std::uint32_t lastStep = start;
    std::int64_t elapsed = 0;
    long steps = 0;
    bool done = false;
    while (!done) {
      while (MaskedSince(t1, t2) < kStepInterval) {
        platform::DoEvents();
        if (core::QuitSaver) return;
        // Sleep out the rest of the step at once (waking every millisecond to
        // pump events costs more than the step itself), measured after the
        // events ran: the previous step's repaint happens in there.
        t2 = platform::GetTickCount() & kTickMask;
        const std::uint32_t since = MaskedSince(t1, t2);
        if (since < kStepInterval) platform::Sleep(kStepInterval - since);
        t2 = platform::GetTickCount() & kTickMask;
      }
      t1 = t2;
      elapsed = std::uint32_t(platform::GetTickCount() - start);
      if (core::QuitSaver) return;
      fadeStep(elapsed);
      // The step's copies wait for its repaint, which writes them into the
      // window (the screen takes them at its next use); what it did not take
      // is made here.
      done = Transitions->Transition(true);
      ShowStepArea();
      Transitions->CopyLeft();
      const std::uint32_t now = platform::GetTickCount();
      Trace("step", now, now - lastStep);
      lastStep = now;
      if (core::QuitSaver) return;
      if (++steps >= kMaxTransitionSteps) done = true;
    }

    // The screen takes the copies the steps showed from the slide now, in one
    // walk, rather than at its next use.
    imaging::MakeLaterCopies();
    Trace("trans", start, platform::GetTickCount());
    while (!fadeDone) {
      if (core::QuitSaver) return;
      elapsed = std::uint32_t(platform::GetTickCount() - start);
      fadeStep(elapsed);
      platform::DoEvents();
      if (!fadeDone) platform::WaitStep();
    }
    SoundChanged = false;
    ShowInfoPanel(Screen, *this);
  } catch (const std::exception& error) {
    if (core::QuitSaver) return;
    platform::MsgBox(error.what(), platform::vbExclamation, "Error", this);
    // The show goes on with the next slide.
    tmrTrans.SetEnabled(true);
  }
}

// Repaints only what the last transition step drew: a whole-screen repaint
// every 13 ms costs a tenth of a core, the few rows, columns or tiles of a step
// next to nothing.
void frmSaver::ShowStepArea() {
  const QRect screen(0, 0, picDisp.Width(), picDisp.Height());
  // The step drew in device pixels; the window is updated in its own units.
  const double ratio = devicePixelRatioF();
  QRegion region;
  for (const core::StepRect& r : Transitions->LastStepArea()) {
    const QRect drawn = QRect(r.x, r.y, r.width, r.height).intersected(screen);
    if (drawn.isEmpty()) continue;
    const QRect device = drawn.translated(picDispLeft, picDispTop);
    const QRect units = QRectF(device.x() / ratio, device.y() / ratio, device.width() / ratio,
                               device.height() / ratio)
                            .toAlignedRect();
    // At a fractional ratio the window system rounds the area back to device
    // pixels: a unit more on each side keeps the step's edge pixels in it.
    region += ratio == std::floor(ratio) ? units : units.adjusted(-1, -1, 1, 1);
  }
  // Painted now, not queued: the paint makes the step's copies.
  if (!region.isEmpty()) repaint(region);
}

}  // namespace orvane::saver
