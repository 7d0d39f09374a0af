#pragma once
// What the slide-show window shares with its overlay, panel and pan code: the
// picture boxes, the work buffer the overlays borrow, the panel labels, and the
// window fields those procedures read or write.
//
// The window keeps one SaverScreen for its lifetime. It sets the picture-box
// pointers, WorkBuffer and PanelBitmap once at layout (Form_Resize), copies its
// settings in after Form_Load / InitiSaver, and keeps the per-slide fields up to
// date in PrepImage / DoTrans (or uses them as its own fields). The procedures
// of InfoPanel.h, TitleCalendar.h and Panning.h take it by reference; where they
// must reach the window's timers they call a SaverWindowCalls.
#include <QColor>
#include <QDate>
#include <QImage>
#include <QRect>
#include <QString>
#include <string>
#include <vector>

#include "core/CalendarClass.h"
#include "imaging/imaging.h"
#include "platform/fonts.h"
#include "platform/screen.h"

namespace orvane::platform {
class PictureBox;
}

namespace orvane::saver {

// A label of the window, as the window paints it: its caption, place (relative
// to the picture box that holds it), size, visibility, font and colour.
struct LabelModel {
  QString Caption;
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool Visible = false;
  // The panel labels use "System"; Form_Resize turns bold off for Chinese,
  // Japanese and Korean.
  platform::FontSpec Font{QStringLiteral("System"), 12, true, false, false};
  QColor ForeColor{255, 255, 255};

  // AutoSize: width of the widest caption line, height of its lines (CR LF or
  // LF separated; a final line break adds no line), measured at 96 dpi.
  void SizeToCaption();
};

// Where a pan is, between steps (see Panning.h).
struct PanState {
  int ViewLeft = 0;    // top-left corner of the panning area in picDisp
  int ViewTop = 0;
  int ViewWidth = 0;   // size of the panning area
  int ViewHeight = 0;
  int SourceX = 0;     // the next column or row of picStretch to bring in
  int SourceY = 0;
  int LineX = 0;       // where it is drawn in picDisp
  int LineY = 0;
  int LineWidth = 0;   // ViewWidth x 1 (vertical) or 1 x ViewHeight (horizontal)
  int LineHeight = 0;
  int StripWidth = 0;  // size of picStretch
  int StripHeight = 0;
  bool PanDone = false;
  // The fraction of a line per step that a fractional ratio owes the next step.
  double LineCarry = 0;
  // The title box and calendar as they were drawn before the pan: put back
  // over every step, so they stay where they are while the picture moves.
  struct FixedArea {
    QRect Area;
    QImage Pixels;
  };
  std::vector<FixedArea> Fixed;
};

// PanMode values: how the slide pans (set by DoTrans from PanDirection).
enum PanModeKind : int {
  kPanNone = 0,
  kPanTopToBottom = 1,
  kPanBottomToTop = 2,
  kPanLeftToRight = 4,
  kPanRightToLeft = 8,
};

struct SaverScreen {
  // ---- Set once at layout ----
  platform::PictureBox* picDisp = nullptr;     // the screen
  platform::PictureBox* picStretch = nullptr;  // the prepared slide (a pan's strip)
  // The information panel. Its width is stored as text in picDesc->Tag by
  // Form_Resize; the panel code sizes it and fills it with its background.
  platform::PictureBox* picDesc = nullptr;
  imaging::Handle WorkBuffer = imaging::kNoHandle;   // Transitions.WorkBuff()
  imaging::Handle PanelBitmap = imaging::kNoHandle;  // black bitmap of the panel's size

  // Place and visibility of picDesc on the window (relative to picDisp).
  int DescLeft = 0;
  int DescTop = 0;
  bool DescVisible = false;
  // The panel labels, placed relative to picDesc. lblDescShadow is drawn first
  // (black, 2 to the right and 2 lower), lblDesc over it (white).
  LabelModel lblDesc;
  LabelModel lblDescShadow{{}, 0, 0, 0, 0, false,
                           platform::FontSpec{QStringLiteral("System"), 12, true, false, false},
                           QColor(0, 0, 0)};

  // The screen's device pixels per unit (its device-pixel ratio; set at
  // layout): the overlays' text, boxes, margins and shadows are this much
  // larger in picDisp, and a pan step moves this many lines, so both keep their
  // size and speed on the screen.
  double PixelRatio = 1.0;
  // A length of the overlays at ratio 1 in picDisp's pixels.
  int Scaled(int pixels) const { return platform::ScaledLength(pixels, PixelRatio); }

  // ---- Settings (Form_Load or InitiSaver) ----
  std::string ProgramFolder;            // image-set root, ends in "/"
  std::string LanguageName = "English"; // panel language, one of core::kLanguageTable
  bool EastAsian = false;               // Chinese, Japanese or Korean
  int ShowText = 0;                     // 0 = no information panel
  int ShowTitle = 0;                    // 0 = no title box
  int InfoTime = 20;                    // seconds the panel stays (the window's countdown)
  bool Stretch = true;                  // slides fitted to the screen
  int RefHeight = 768;                  // reference height of the display area
  bool CalendarOn = true;
  int CalendarSize = 20;                // percent; 0 or below counts as 20
  int CalendarPosition = core::kTopLeft;  // 1..9; others keep the calendar's own place
  int PanSpeed = 250;                   // ms between pan steps; 0 or below counts as 1

  // ---- Per slide (PrepImage, DoTrans) ----
  std::string EntryPath;     // slide path below ProgramFolder, no ".nfo" added
  std::string EntryName;     // image key; "NULL" for the title page
  bool IsTitlePage = false;
  std::string PanDirection;  // empty = the slide does not pan
  int ImageWidth = 0;        // size of the picture shown (fitted; or centred, cut to the screen)
  int ImageHeight = 0;
  int PanMode = kPanNone;    // PanModeKind
  // The point of picStretch shown at the screen's top-left when the slide
  // starts. Hand over what PanStartPoint (Panning.h) gives, so that every pan
  // begins exactly at its near end.
  int PanX = 0;
  int PanY = 0;

  // ---- Written here ----
  // The title the panel's text file gave (decoded for drawing); empty when none.
  // DispTitle shows it instead of the description file's title.
  QString PanelTitle;
  // The screen areas the title box and the calendar of the current slide were
  // drawn on (ShowInfoPanel starts the list afresh); a pan keeps them fixed.
  std::vector<QRect> OverlayAreas;
  // The month calendar of the show, kept for the window's lifetime.
  core::CalendarClass SlideCalendar;
  // The day the calendar shows; an invalid date means today.
  QDate CalendarDate;
  PanState Pan;
};

// The window's side of the overlay code: its timers, and a repaint after the
// panel was laid out, shown or hidden. DispTitle, DispCalender and ExecutePan
// default to the procedures of TitleCalendar.h and Panning.h; a window may
// override them.
class SaverWindowCalls {
 public:
  virtual ~SaverWindowCalls() = default;
  // tmrTrans.Enabled = True: the next slide comes after the image delay.
  virtual void StartSlideClock() = 0;
  // tmrInfo.Enabled = True: the panel countdown runs.
  virtual void StartInfoCountdown() = 0;
  // picDesc or its labels changed place, caption or visibility.
  virtual void PanelChanged() {}

  virtual void DispTitle(SaverScreen& screen);
  virtual void DispCalender(SaverScreen& screen);
  virtual void ExecutePan(SaverScreen& screen);
};

}  // namespace orvane::saver
