#include "saver/TitleCalendar.h"

#include <algorithm>

#include "core/FitRect.h"
#include "core/ImageDescription.h"
#include "imaging/gdi.h"
#include "platform/picturebox.h"
#include "platform/vbruntime.h"
#include "saver/InfoPanel.h"

namespace orvane::saver {

using platform::CInt;
using platform::CLng;
using platform::Int;

OverlayRect ClipToScreen(const SaverScreen& screen, const OverlayRect& rect) {
  if (screen.picDisp == nullptr) return {rect.Left, rect.Top, 0, 0};
  const int left = std::max(rect.Left, 0);
  const int top = std::max(rect.Top, 0);
  const int right = std::min(rect.Left + std::max(rect.Width, 0), screen.picDisp->ScaleWidth());
  const int bottom = std::min(rect.Top + std::max(rect.Height, 0), screen.picDisp->ScaleHeight());
  return {left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
}

void UpdateRect(int left, int top, int width, int height, imaging::DeviceContext hDC,
                imaging::Handle buffer) {
  imaging::BitBlt(hDC, left, top, width, height, imaging::GetWorkBuffHDC(buffer), left, top,
                  imaging::kSrcCopy);
}

namespace {

// Mixes the black bitmap over rect of the work buffer, in pieces no larger
// than the bitmap so that a rectangle larger than the panel is darkened whole.
void MixBlack(const SaverScreen& screen, const OverlayRect& rect, int level) {
  const int bitmapWidth = imaging::GetGCBitmapWidth(screen.PanelBitmap);
  const int bitmapHeight = imaging::GetGCBitmapHeight(screen.PanelBitmap);
  if (bitmapWidth <= 0 || bitmapHeight <= 0) return;
  for (int y = rect.Top; y < rect.Top + rect.Height; y += bitmapHeight) {
    const int h = std::min(bitmapHeight, rect.Top + rect.Height - y);
    for (int x = rect.Left; x < rect.Left + rect.Width; x += bitmapWidth) {
      const int w = std::min(bitmapWidth, rect.Left + rect.Width - x);
      imaging::DoBlitToWorkWOP(screen.WorkBuffer, x, y, screen.PanelBitmap, 0, 0, w, h, 1, 0,
                               level, 0);
    }
  }
}

}  // namespace

void DarkenRect(SaverScreen& screen, const OverlayRect& rect, int level) {
  if (screen.picDisp == nullptr) return;
  const OverlayRect r = ClipToScreen(screen, rect);
  if (r.Width <= 0 || r.Height <= 0) return;
  const imaging::DeviceContext hdcBuf = imaging::GetWorkBuffHDC(screen.WorkBuffer);
  if (hdcBuf == 0) return;
  imaging::BitBlt(hdcBuf, r.Left, r.Top, r.Width, r.Height, screen.picDisp->hDC(), r.Left, r.Top,
                  imaging::kSrcCopy);
  MixBlack(screen, r, level);
  UpdateRect(r.Left, r.Top, r.Width, r.Height, screen.picDisp->hDC(), screen.WorkBuffer);
}

QString GetTitle(const SaverScreen& screen, const std::string& fileName) {
  if (!screen.PanelTitle.isEmpty()) return screen.PanelTitle;
  const std::string title = core::GetTitle(fileName, screen.LanguageName);
  if (title.empty()) return {};
  return platform::ToQString(title, TextCodePage(screen.LanguageName, fileName));
}

OverlayRect TitleBox(const SaverScreen& screen, const QString& title) {
  const platform::PictureBox& disp = *screen.picDisp;
  const int th = CInt(disp.TextHeight(QStringLiteral("Ayj")));
  const int bw = CLng(disp.TextWidth(title + QStringLiteral("WWWW")));
  const int bh = th + screen.Scaled(4);
  const int by = CLng(disp.Height() - bh);
  const int bx = int(Int((disp.ScaleWidth() - bw) / 2.0));
  return {bx, by, bw, bh};
}

void DispTitle(SaverScreen& screen) {
  if (screen.ShowTitle == 0 || screen.picDisp == nullptr) return;
  platform::PictureBox& disp = *screen.picDisp;
  const platform::FontSpec remembered = disp.Font();
  platform::FontSpec system;
  system.Name = QStringLiteral("System");
  system.Size *= screen.PixelRatio;
  disp.SetFont(system);

  const QString title =
      GetTitle(screen, core::DescriptionFile(screen.ProgramFolder, screen.EntryPath));
  if (title.isEmpty()) {
    disp.SetFont(remembered);
    return;
  }
  const OverlayRect box = TitleBox(screen, title);
  DarkenRect(screen, box, kTitleLevel);

  const double inset = disp.TextWidth(QStringLiteral("WW"));
  disp.SetCurrentX(box.Left + inset + screen.Scaled(2));
  disp.SetCurrentY(box.Top + screen.Scaled(3));
  disp.SetForeColor(QColor(0, 0, 0));
  disp.Print(title);
  disp.SetCurrentX(box.Left + inset);
  disp.SetCurrentY(box.Top + screen.Scaled(1));
  disp.SetForeColor(QColor(255, 255, 255));
  disp.Print(title);

  disp.SetFont(remembered);
  const OverlayRect drawn = ClipToScreen(screen, box);
  if (drawn.Width > 0 && drawn.Height > 0)
    screen.OverlayAreas.push_back(QRect(drawn.Left, drawn.Top, drawn.Width, drawn.Height));
  disp.Refresh();
}

OverlayRect CalendarRect(SaverScreen& screen) {
  platform::PictureBox& disp = *screen.picDisp;
  core::CalendarClass& calendar = screen.SlideCalendar;
  const int size = screen.CalendarSize > 0 ? screen.CalendarSize : kDefaultCalendarSize;
  calendar.Position = screen.CalendarPosition;
  calendar.PixelRatio = screen.PixelRatio;
  calendar.Scale = float(size) / 100.0f;
  calendar.SetDate(screen.CalendarDate.isValid() ? screen.CalendarDate : QDate::currentDate());

  int left = 0, top = 0, w = 0, h = 0;
  if (screen.Stretch) {
    // A fitted picture keeps its proportions, so it may not cover the whole
    // screen: the calendar goes on the part it covers, not on the black beside
    // it. A panning strip covers the whole screen.
    const core::FitRect area =
        screen.PanDirection.empty()
            ? core::FitKeepingProportions(screen.ImageWidth, screen.ImageHeight, disp.Width(),
                                          disp.Height())
            : core::FitRect{0, 0, disp.Width(), disp.Height()};
    calendar.GetBounds(int(area.Width), int(area.Height), left, top, w, h);
    return {left + int(area.X), top + int(area.Y), w, h};
  }
  // Placed on the visible part of the centred picture: a picture larger than
  // the screen is shown cut to it, so the calendar stays on the screen.
  const int areaWidth = std::min(screen.ImageWidth > 0 ? screen.ImageWidth : disp.Width(),
                                 disp.Width());
  const int areaHeight = std::min(screen.ImageHeight > 0 ? screen.ImageHeight : disp.Height(),
                                  disp.Height());
  calendar.GetBounds(areaWidth, areaHeight, left, top, w, h);
  if (areaWidth < disp.Width()) left = CLng(left + (disp.Width() - areaWidth) / 2.0);
  if (areaHeight < disp.Height()) top = CLng(top + (disp.Height() - areaHeight) / 2.0);
  return {left, top, w, h};
}

void DispCalender(SaverScreen& screen) {
  if (!screen.CalendarOn || screen.picDisp == nullptr) return;
  platform::PictureBox& disp = *screen.picDisp;
  const OverlayRect rect = CalendarRect(screen);
  const OverlayRect visible = ClipToScreen(screen, rect);
  const imaging::DeviceContext hdcBuf = imaging::GetWorkBuffHDC(screen.WorkBuffer);

  if (hdcBuf != 0 && visible.Width > 0 && visible.Height > 0) {
    imaging::BitBlt(hdcBuf, visible.Left, visible.Top, visible.Width, visible.Height, disp.hDC(),
                    visible.Left, visible.Top, imaging::kSrcCopy);
    // 4 x 4 tiles of a quarter each way; the last row and column reach the
    // rectangle's edge, so no strip is left undarkened when the size is not a
    // multiple of 4.
    const int tw = CLng(rect.Width / 4.0);
    const int th = CLng(rect.Height / 4.0);
    for (int row = 0; row < 4; ++row) {
      const int y = rect.Top + row * th;
      const int h = row == 3 ? rect.Top + rect.Height - y : th;
      for (int column = 0; column < 4; ++column) {
        const int x = rect.Left + column * tw;
        const int w = column == 3 ? rect.Left + rect.Width - x : tw;
        const OverlayRect tile = ClipToScreen(screen, {x, y, w, h});
        if (tile.Width > 0 && tile.Height > 0) MixBlack(screen, tile, kCalendarLevel);
      }
    }
    UpdateRect(visible.Left, visible.Top, visible.Width, visible.Height, disp.hDC(),
               screen.WorkBuffer);
  }
  screen.SlideCalendar.BeginDraw(disp, -1, rect.Left, rect.Top, rect.Width, rect.Height);
  if (visible.Width > 0 && visible.Height > 0)
    screen.OverlayAreas.push_back(QRect(visible.Left, visible.Top, visible.Width, visible.Height));
  disp.Refresh();
}

}  // namespace orvane::saver
