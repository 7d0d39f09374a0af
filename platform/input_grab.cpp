#include "platform/input_grab.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace orvane::platform {

namespace {
constexpr int kRetryMs = 20;
}

InputGrab::InputGrab(QWidget& window) : window_(&window) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  connect(&retry_, &QTimer::timeout, this, [this] { Try(); });
  retry_.start(kRetryMs);
  Try();
}

InputGrab::~InputGrab() {
  retry_.stop();
  QWindow* handle = window_ ? window_->windowHandle() : nullptr;
  if (!handle) return;
  if (keyboard_) handle->setKeyboardGrabEnabled(false);
  if (pointer_) handle->setMouseGrabEnabled(false);
}

void InputGrab::Try() {
  QWindow* handle = window_ ? window_->windowHandle() : nullptr;
  // The server grants grabs only to a window that is on screen.
  if (!handle || !handle->isExposed()) return;
  if (!keyboard_) keyboard_ = handle->setKeyboardGrabEnabled(true);
  if (!pointer_) pointer_ = handle->setMouseGrabEnabled(true);
  if (keyboard_ && pointer_) retry_.stop();
}

}  // namespace orvane::platform
