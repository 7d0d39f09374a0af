#pragma once
// The overlays laid on a finished slide: the title in a darkened box at the
// bottom of the screen, and the month calendar over a darkened rectangle.
// Both darken the screen the same way as the information panel: the screen
// area is copied into the transition's work buffer, the black PanelBitmap is
// mixed in at a level (50 for the title, 33 for the calendar), and the result
// is put back on the screen; then the text or calendar is drawn on top.
#include <QString>
#include <string>

#include "saver/SaverScreen.h"

namespace orvane::saver {

struct OverlayRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const OverlayRect&) const = default;
};

// Blend levels of the overlays: the translucency of the black bitmap.
inline constexpr int kPanelLevel = 50;
inline constexpr int kTitleLevel = 50;
inline constexpr int kCalendarLevel = 33;
// The calendar size used when the setting is 0 or below.
inline constexpr int kDefaultCalendarSize = 20;

// The part of rect that lies on picDisp (width or height 0 when none).
OverlayRect ClipToScreen(const SaverScreen& screen, const OverlayRect& rect);

// Copies the work buffer's rect onto the device context (the imaging library's
// UpdateRect).
void UpdateRect(int left, int top, int width, int height, imaging::DeviceContext hDC,
                imaging::Handle buffer);

// The screen area into the work buffer, PanelBitmap mixed in at level, the
// result back on the screen; clipped to picDisp. The bitmap is laid in tiles
// when the rectangle is larger than it.
void DarkenRect(SaverScreen& screen, const OverlayRect& rect, int level);

// The slide's title: PanelTitle when set, else the description file's title
// line for LanguageName, decoded; empty for a missing file or no title.
QString GetTitle(const SaverScreen& screen, const std::string& fileName);

// The title box for a title, measured in picDisp's current font: four "W"
// wider than the title, the text height + 4 high, touching the bottom of the
// screen and centred (its left may be negative for a very long title).
OverlayRect TitleBox(const SaverScreen& screen, const QString& title);

// Draws the title box when ShowTitle is not 0 and the slide has a title. picDisp
// draws in the "System" font meanwhile and gets its own font back.
void DispTitle(SaverScreen& screen);

// The calendar's rectangle for the current settings (also sets SlideCalendar's
// position, scale and date): on the whole screen for stretched slides, on the
// visible part of the centred picture otherwise.
OverlayRect CalendarRect(SaverScreen& screen);

// Draws the month calendar when CalendarOn: its rectangle darkened at level 33
// in 4 x 4 tiles, then the month painted on the screen.
void DispCalender(SaverScreen& screen);

}  // namespace orvane::saver
