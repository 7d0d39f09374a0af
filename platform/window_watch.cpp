#include "platform/window_watch.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QWidget>
#include <cstdint>
#include <cstring>

namespace orvane::platform {

namespace {

// The X protocol's DestroyNotify and UnmapNotify events, as xcb delivers them
// (both name the window at the same place).
constexpr std::uint8_t kDestroyNotify = 17;
constexpr std::uint8_t kUnmapNotify = 18;
struct DestroyNotifyEvent {
  std::uint8_t responseType;
  std::uint8_t pad;
  std::uint16_t sequence;
  std::uint32_t event;
  std::uint32_t window;
};

}  // namespace

WindowDestroyWatch::WindowDestroyWatch(QWidget& window, std::function<void(quintptr)> destroyed)
    : window_(&window), destroyed_(std::move(destroyed)) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  QCoreApplication::instance()->installNativeEventFilter(this);
  installed_ = true;
}

WindowDestroyWatch::~WindowDestroyWatch() {
  if (installed_ && QCoreApplication::instance())
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WindowDestroyWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || !window_ || !message) return false;
  DestroyNotifyEvent event;
  std::memcpy(&event, message, sizeof event);
  const std::uint8_t type = event.responseType & 0x7F;
  if (type != kDestroyNotify && type != kUnmapNotify) return false;
  if (event.window == 0 || event.window != std::uint32_t(window_->internalWinId())) return false;
  // Acted on after Qt has seen the event itself.
  const quintptr id = event.window;
  QMetaObject::invokeMethod(window_, [callback = destroyed_, id] { callback(id); },
                            Qt::QueuedConnection);
  return false;
}

}  // namespace orvane::platform
