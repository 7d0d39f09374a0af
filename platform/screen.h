#pragma once
// The screen's colour depth (GetDeviceCaps BITSPIXEL).
namespace orvane::platform {

// Bits per pixel of the primary screen. ORVANE_SCREEN_BPP (a number from 1 to 32)
// overrides it so the low-colour paths can run anywhere; 24 when no screen is known.
int ScreenBitsPerPixel();

}  // namespace orvane::platform
