#pragma once
// Panoramic panning: a prepared strip in picStretch slides across the screen
// one pixel row or column per step (on a scaled screen as many device pixels
// as its ratio, so the picture moves at the same speed on the screen) until its
// far end is on screen. Each step scrolls the panning area inside picDisp and
// draws the new lines from the strip: two copies whatever the picture's size.
// The title box and calendar drawn before the pan (SaverScreen's OverlayAreas)
// are put back as they were after every step, with the lines of picture beside
// each drawn again from the strip, so they stay where they are while the
// picture moves.
//
// What the window hands over (DoTrans) for each direction, so that the screen
// starts exactly at the strip's near end and the pan ends exactly on its far
// end, with no line shown twice:
//   PanMode 1 "TopToBottom": PanX = 0, PanY = 0.
//   PanMode 2 "BottomToTop": PanX = 0, PanY = strip height - view height.
//   PanMode 4 "LeftToRight": PanX = 0, PanY = 0.
//   PanMode 8 "RightToLeft": PanX = strip width - view width, PanY = 0.
// The view is the panning area (PanViewArea): the whole screen when the strip
// is as wide (vertical) or as high (horizontal) as picDisp, else a centred area
// of the screen's shape as wide (high) as the strip. PanStartPoint computes it.
#include <optional>
#include <string>

#include "saver/SaverScreen.h"

namespace orvane::saver {

// PanMode of a PanDirection: the first of "Top" (1), "Bottom" (2), "Left" (4),
// "Right" (8) that it begins with (case-sensitive); kPanNone for an empty one;
// nullopt for any other text (the caller keeps the previous values).
std::optional<int> PanModeOf(const std::string& panDirection);

struct PanArea {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const PanArea&) const = default;
};

// The panning area on a dispWidth x dispHeight picDisp for a strip of
// stripWidth x stripHeight. Never larger than picDisp.
PanArea PanViewArea(int panMode, int stripWidth, int stripHeight, int dispWidth,
                    int dispHeight);

struct PanPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const PanPoint&) const = default;
};

// PanX, PanY for a slide that starts to pan in panMode (see above); 0, 0 for
// the forward modes, kPanNone and strips no longer than the view.
PanPoint PanStartPoint(int panMode, int stripWidth, int stripHeight, int dispWidth,
                       int dispHeight);

// With init true: sets the pan state up from PanMode, picDisp and picStretch,
// then performs the first step; else one step. done receives PanDone. A strip
// that is not longer than the view, or a mode other than 1, 2, 4, 8, is done at
// once without drawing. When the far end is reached the slide clock is started.
// With QuitSaver set nothing is drawn and done is false.
void PanStep(SaverScreen& screen, SaverWindowCalls& calls, bool init, bool& done);

// Runs a whole pan: a step every PanSpeed ms (at least 1) on the tick clock,
// sleeping in short steps with window events pumped meanwhile. Returns when the
// far end is on screen, or when QuitSaver is set (between steps).
void ExecutePan(SaverScreen& screen, SaverWindowCalls& calls);

}  // namespace orvane::saver
