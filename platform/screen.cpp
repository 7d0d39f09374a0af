#include "platform/screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace orvane::platform {

namespace {

const QGuiApplication* GuiApplication() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance());
}

int DevicePixels(int units, double ratio) {
  return int(std::clamp(std::round(double(units) * ratio), 0.0, 1.0e6));
}

}  // namespace

int ScreenBitsPerPixel() {
  if (const char* text = std::getenv("ORVANE_SCREEN_BPP"); text && *text) {
    char* end = nullptr;
    const long bits = std::strtol(text, &end, 10);
    if (*end == '\0' && bits >= 1 && bits <= 32) return static_cast<int>(bits);
  }
  if (GuiApplication())
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->depth();
  return 24;
}

int ScaledLength(int pixels, double ratio) {
  if (ratio == 1.0 || !std::isfinite(ratio) || ratio <= 0) return pixels;
  const int scaled = int(std::lround(double(pixels) * ratio));
  return pixels > 0 ? std::max(scaled, 1) : scaled;
}

int ScreenPixels::Scaled(int pixels) const { return ScaledLength(pixels, PixelRatio); }

ScreenPixels ScreenPixelsOf(const QRect& geometry, double pixelRatio) {
  ScreenPixels pixels;
  pixels.Geometry = geometry;
  pixels.PixelRatio = std::isfinite(pixelRatio) && pixelRatio > 0 ? pixelRatio : 1.0;
  pixels.Width = DevicePixels(geometry.width(), pixels.PixelRatio);
  pixels.Height = DevicePixels(geometry.height(), pixels.PixelRatio);
  return pixels;
}

ScreenPixels ScreenPixelsOf(const QScreen& screen) {
  return ScreenPixelsOf(screen.geometry(), screen.devicePixelRatio());
}

ScreenPixels PrimaryScreenPixels() {
  if (GuiApplication())
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      if (!screen->geometry().isEmpty()) return ScreenPixelsOf(*screen);
  return ScreenPixelsOf(QRect(0, 0, 1024, 768), 1.0);
}

ScreenPixels ScreenPixelsAt(const QRect& geometry) {
  if (geometry.isEmpty()) return PrimaryScreenPixels();
  double ratio = 1.0;
  if (GuiApplication()) {
    const QScreen* screen = QGuiApplication::screenAt(geometry.center());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) ratio = screen->devicePixelRatio();
  }
  return ScreenPixelsOf(geometry, ratio);
}

}  // namespace orvane::platform
