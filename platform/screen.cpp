#include "platform/screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>
#include <string>

namespace orvane::platform {

int ScreenBitsPerPixel() {
  if (const char* text = std::getenv("ORVANE_SCREEN_BPP"); text && *text) {
    char* end = nullptr;
    const long bits = std::strtol(text, &end, 10);
    if (*end == '\0' && bits >= 1 && bits <= 32) return static_cast<int>(bits);
  }
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->depth();
  return 24;
}

}  // namespace orvane::platform
