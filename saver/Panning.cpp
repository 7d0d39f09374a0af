#include "saver/Panning.h"

#include <QPainter>
#include <QPoint>
#include <algorithm>
#include <cstdint>

#include "core/Globals.h"
#include "imaging/gdi.h"
#include "platform/events.h"
#include "platform/picturebox.h"
#include "platform/tick.h"
#include "platform/vbruntime.h"

namespace orvane::saver {

using platform::CLng;

namespace {

constexpr std::uint32_t kTickMask = 0x7FFFFFFF;
// Longest single sleep of the wait between two steps, so input stays live.
constexpr std::uint32_t kWaitSliceMs = 10;

bool IsVertical(int mode) { return mode == kPanTopToBottom || mode == kPanBottomToTop; }
bool IsHorizontal(int mode) { return mode == kPanLeftToRight || mode == kPanRightToLeft; }

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// True when the step has a line of the strip left to bring in.
bool LineLeft(const PanState& pan, int mode) {
  switch (mode) {
    case kPanTopToBottom: return pan.SourceY < pan.StripHeight;
    case kPanBottomToTop: return pan.SourceY >= 0;
    case kPanLeftToRight: return pan.SourceX < pan.StripWidth;
    case kPanRightToLeft: return pan.SourceX >= 0;
    default: return false;
  }
}

void SetUp(SaverScreen& screen) {
  PanState& pan = screen.Pan;
  const int mode = screen.PanMode;
  const int stripWidth = screen.picStretch->Width();
  const int stripHeight = screen.picStretch->Height();
  const PanArea view = PanViewArea(mode, stripWidth, stripHeight, screen.picDisp->ScaleWidth(),
                                   screen.picDisp->ScaleHeight());
  pan.ViewLeft = view.Left;
  pan.ViewTop = view.Top;
  pan.ViewWidth = view.Width;
  pan.ViewHeight = view.Height;
  pan.StripWidth = stripWidth;
  pan.StripHeight = stripHeight;
  if (IsVertical(mode)) {
    pan.SourceX = 0;
    pan.LineX = view.Left;
    pan.LineWidth = view.Width;
    pan.LineHeight = 1;
    if (mode == kPanTopToBottom) {
      pan.SourceY = view.Height;  // the first row below the rows on screen
      pan.LineY = view.Top + view.Height - 1;
    } else {
      pan.SourceY = stripHeight - view.Height - 1;  // the first row above them
      pan.LineY = view.Top;
    }
  } else {
    pan.SourceY = 0;
    pan.LineY = view.Top;
    pan.LineWidth = 1;
    pan.LineHeight = view.Height;
    if (mode == kPanLeftToRight) {
      pan.SourceX = view.Width;
      pan.LineX = view.Left + view.Width - 1;
    } else {
      pan.SourceX = stripWidth - view.Width - 1;
      pan.LineX = view.Left;
    }
  }
  // What the title and calendar cover of the view, as drawn.
  pan.LineCarry = 0;
  pan.Fixed.clear();
  const QImage shown = screen.picDisp->Image();
  const QRect viewArea(view.Left, view.Top, view.Width, view.Height);
  for (const QRect& overlay : screen.OverlayAreas) {
    const QRect area = overlay.intersected(viewArea);
    if (!area.isEmpty()) pan.Fixed.push_back({area, shown.copy(area)});
  }
}

// Lines of the strip still to bring in.
int LinesLeft(const PanState& pan, int mode) {
  switch (mode) {
    case kPanTopToBottom: return pan.StripHeight - pan.SourceY;
    case kPanBottomToTop: return pan.SourceY + 1;
    case kPanLeftToRight: return pan.StripWidth - pan.SourceX;
    case kPanRightToLeft: return pan.SourceX + 1;
    default: return 0;
  }
}

// The strip's point shown at the view's top-left once SourceX, SourceY have
// moved past the lines the step brought in.
QPoint ViewOrigin(const PanState& pan, int mode) {
  switch (mode) {
    case kPanTopToBottom: return {0, pan.SourceY - pan.ViewHeight};
    case kPanBottomToTop: return {0, pan.SourceY + 1};
    case kPanLeftToRight: return {pan.SourceX - pan.ViewWidth, 0};
    default: return {pan.SourceX + 1, 0};
  }
}

// One step: the panning area scrolls by n lines inside picDisp and the new
// lines come from the strip, two copies whatever the picture's size. The title
// and calendar must not move with it: the scroll carries each one's edge n
// lines onto the picture beside it, which is drawn again from the strip, and
// then they are put back as they were drawn.
void Step(SaverScreen& screen, int n) {
  PanState& pan = screen.Pan;
  const imaging::DeviceContext disp = screen.picDisp->hDC();
  const imaging::DeviceContext strip = screen.picStretch->hDC();
  const int l = pan.ViewLeft, t = pan.ViewTop, w = pan.ViewWidth, h = pan.ViewHeight;
  const int mode = screen.PanMode;
  n = std::clamp(std::min(n, LinesLeft(pan, mode)), 1, IsVertical(mode) ? h : w);
  // The band of the view the new lines go to, and where they come from.
  QRect band;
  QPoint from;
  // The lines next to a fixed area that the scroll covered with its edge.
  auto besideFixed = [&](const QRect& r) {
    switch (mode) {
      case kPanTopToBottom: return QRect(r.left(), r.top() - n, r.width(), n);
      case kPanBottomToTop: return QRect(r.left(), r.bottom() + 1, r.width(), n);
      case kPanLeftToRight: return QRect(r.left() - n, r.top(), n, r.height());
      default: return QRect(r.right() + 1, r.top(), n, r.height());
    }
  };
  switch (mode) {
    case kPanTopToBottom:
      imaging::BitBlt(disp, l, t, w, h - n, disp, l, t + n, imaging::kSrcCopy);
      band = QRect(pan.LineX, pan.LineY - n + 1, pan.LineWidth, n);
      from = QPoint(pan.SourceX, pan.SourceY);
      pan.SourceY += n;
      break;
    case kPanBottomToTop:
      imaging::BitBlt(disp, l, t + n, w, h - n, disp, l, t, imaging::kSrcCopy);
      band = QRect(pan.LineX, pan.LineY, pan.LineWidth, n);
      from = QPoint(pan.SourceX, pan.SourceY - n + 1);
      pan.SourceY -= n;
      break;
    case kPanLeftToRight:
      imaging::BitBlt(disp, l, t, w - n, h, disp, l + n, t, imaging::kSrcCopy);
      band = QRect(pan.LineX - n + 1, pan.LineY, n, pan.LineHeight);
      from = QPoint(pan.SourceX, pan.SourceY);
      pan.SourceX += n;
      break;
    case kPanRightToLeft:
      imaging::BitBlt(disp, l + n, t, w - n, h, disp, l, t, imaging::kSrcCopy);
      band = QRect(pan.LineX, pan.LineY, n, pan.LineHeight);
      from = QPoint(pan.SourceX - n + 1, pan.SourceY);
      pan.SourceX -= n;
      break;
    default:
      pan.PanDone = true;
      return;
  }
  imaging::BitBlt(disp, band.left(), band.top(), band.width(), band.height(), strip, from.x(),
                  from.y(), imaging::kSrcCopy);
  if (!pan.Fixed.empty()) {
    const QPoint origin = ViewOrigin(pan, mode);
    const QRect view(l, t, w, h);
    for (const PanState::FixedArea& fixed : pan.Fixed) {
      const QRect line = besideFixed(fixed.Area).intersected(view);
      if (line.isEmpty()) continue;
      imaging::BitBlt(disp, line.left(), line.top(), line.width(), line.height(), strip,
                      origin.x() + line.left() - l, origin.y() + line.top() - t,
                      imaging::kSrcCopy);
    }
    QImage surface = screen.picDisp->SurfaceView();
    QPainter painter(&surface);
    for (const PanState::FixedArea& fixed : pan.Fixed)
      painter.drawImage(fixed.Area.topLeft(), fixed.Pixels);
  }
  pan.PanDone = LinesLeft(pan, mode) <= 0;
}

}  // namespace

std::optional<int> PanModeOf(const std::string& panDirection) {
  if (panDirection.empty()) return kPanNone;
  if (StartsWith(panDirection, "Top")) return kPanTopToBottom;
  if (StartsWith(panDirection, "Bottom")) return kPanBottomToTop;
  if (StartsWith(panDirection, "Left")) return kPanLeftToRight;
  if (StartsWith(panDirection, "Right")) return kPanRightToLeft;
  return std::nullopt;
}

PanArea PanViewArea(int panMode, int stripWidth, int stripHeight, int dispWidth,
                    int dispHeight) {
  if (dispWidth <= 0 || dispHeight <= 0) return {};
  if (IsVertical(panMode) && stripWidth != dispWidth && stripWidth > 0) {
    // The strip at its own width, centred, in an area of the screen's shape.
    const int width = std::min(stripWidth, dispWidth);
    const int height = std::min(CLng(width * (double(dispHeight) / dispWidth)), dispHeight);
    return {CLng((dispWidth - width) / 2.0), CLng((dispHeight - height) / 2.0), width, height};
  }
  if (IsHorizontal(panMode) && stripHeight != dispHeight && stripHeight > 0) {
    const int height = std::min(stripHeight, dispHeight);
    const int width = std::min(CLng(height * (double(dispWidth) / dispHeight)), dispWidth);
    return {CLng((dispWidth - width) / 2.0), CLng((dispHeight - height) / 2.0), width, height};
  }
  return {0, 0, dispWidth, dispHeight};
}

PanPoint PanStartPoint(int panMode, int stripWidth, int stripHeight, int dispWidth,
                       int dispHeight) {
  const PanArea view = PanViewArea(panMode, stripWidth, stripHeight, dispWidth, dispHeight);
  if (panMode == kPanBottomToTop) return {0, std::max(stripHeight - view.Height, 0)};
  if (panMode == kPanRightToLeft) return {std::max(stripWidth - view.Width, 0), 0};
  return {0, 0};
}

void PanStep(SaverScreen& screen, SaverWindowCalls& calls, bool init, bool& done) {
  if (core::QuitSaver) {
    done = false;
    return;
  }
  PanState& pan = screen.Pan;
  pan.PanDone = false;
  const bool panning = (IsVertical(screen.PanMode) || IsHorizontal(screen.PanMode)) &&
                       screen.picDisp != nullptr && screen.picStretch != nullptr;
  if (init && panning) SetUp(screen);
  if (!panning || pan.ViewWidth <= 0 || pan.ViewHeight <= 0 || !LineLeft(pan, screen.PanMode)) {
    // Nothing (more) to bring in: a strip no longer than the view, an unknown
    // mode, a screen or strip of no size, or a call after the end.
    pan.PanDone = true;
  } else {
    // As many lines per step as the screen has device pixels per unit, so the
    // picture moves on the screen at the speed of a screen at ratio 1; a
    // fractional ratio alternates, 1.5 giving 1, 2, 1, 2 ...
    pan.LineCarry += std::max(screen.PixelRatio, 1.0);
    const int lines = std::max(1, int(pan.LineCarry));
    pan.LineCarry -= lines;
    Step(screen, lines);
    screen.picDisp->Refresh();
  }
  if (pan.PanDone) calls.StartSlideClock();
  platform::DoEvents();
  done = pan.PanDone;
}

void ExecutePan(SaverScreen& screen, SaverWindowCalls& calls) {
  bool done = false;
  PanStep(screen, calls, true, done);
  if (done || core::QuitSaver) return;
  const std::uint32_t speed = std::uint32_t(std::max(screen.PanSpeed, 1));
  std::uint32_t start = platform::GetTickCount() & kTickMask;
  for (;;) {
    const std::uint32_t now = platform::GetTickCount() & kTickMask;
    // Modulo 2^31, so the wrap of the masked count never stalls the pan.
    const std::uint32_t elapsed = (now - start) & kTickMask;
    if (elapsed >= speed) {
      start = now;
      if (core::QuitSaver) return;
      PanStep(screen, calls, false, done);
      if (done || core::QuitSaver) return;
    } else {
      platform::DoEvents();
      if (core::QuitSaver) return;
      platform::Sleep(std::min(speed - elapsed, kWaitSliceMs));
    }
  }
}

}  // namespace orvane::saver
