#pragma once
// The screen: its colour depth (GetDeviceCaps BITSPIXEL) and where a
// full-screen window lies on it, in device-independent units and in the
// screen's own device pixels.
#include <QRect>

class QScreen;

namespace orvane::platform {

// Bits per pixel of the primary screen. ORVANE_SCREEN_BPP (a number from 1 to 32)
// overrides it so the low-colour paths can run anywhere; 24 when no screen is known.
int ScreenBitsPerPixel();

// A full-screen window's area. Windows are placed in device-independent units
// (Geometry); what is drawn in them is prepared in the screen's device pixels
// (Width x Height), which the desktop's scale makes larger: 200 % gives a
// PixelRatio of 2, and a 3840 x 2160 monitor a Geometry of 1920 x 1080.
struct ScreenPixels {
  QRect Geometry;
  double PixelRatio = 1.0;  // device pixels per unit, as Qt reports it (may be fractional)
  int Width = 0;            // Geometry's size times PixelRatio, rounded
  int Height = 0;

  int Scaled(int pixels) const;  // ScaledLength at this ratio
};

// A length in pixels of a screen at ratio 1 as device pixels of a screen at
// ratio (rounded, at least 1 for a positive length): the size text, boxes and
// margins drawn in device pixels get so that they keep their size on screen.
int ScaledLength(int pixels, double ratio);

// geometry on a screen of the given ratio (a ratio that is not positive counts as 1).
ScreenPixels ScreenPixelsOf(const QRect& geometry, double pixelRatio);
// The screen's whole area.
ScreenPixels ScreenPixelsOf(const QScreen& screen);
// The primary screen; 1024 x 768 at ratio 1 when there is none (no GUI, or an
// application without screens).
ScreenPixels PrimaryScreenPixels();
// geometry on the screen that holds its centre (the primary screen when none
// does), at that screen's ratio; an empty geometry means the primary screen's.
ScreenPixels ScreenPixelsAt(const QRect& geometry);

}  // namespace orvane::platform
