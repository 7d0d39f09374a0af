#include "platform/input_grab.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/runlog.h"

namespace orvane::platform {

namespace {

// While held: asked again this often, so a grab lost without notice is back soon.
constexpr int kAgainMs = 250;
// While not held yet.
constexpr int kRetryMs = 20;

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

xcb_window_t Root(xcb_connection_t* c) { return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root; }

const char* GrabStatusText(std::uint8_t status) {
  switch (status) {
    case XCB_GRAB_STATUS_ALREADY_GRABBED: return "another program holds it";
    case XCB_GRAB_STATUS_INVALID_TIME: return "the server refused the time";
    case XCB_GRAB_STATUS_NOT_VIEWABLE: return "the window is not on screen";
    case XCB_GRAB_STATUS_FROZEN: return "it is frozen by another grab";
    default: return "the server refused it";
  }
}

}  // namespace

InputGrab::InputGrab(std::function<void(bool)> stray) : stray_(std::move(stray)) {
  if (QGuiApplication::platformName() != QLatin1String("xcb") || !Connection()) return;
  active_ = true;
  QCoreApplication::instance()->installNativeEventFilter(this);
  connect(&again_, &QTimer::timeout, this, [this] { Retake(); });
  again_.start(kRetryMs);
  Retake();
}

InputGrab::~InputGrab() {
  if (!active_) return;
  again_.stop();
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
  if (xcb_connection_t* c = Connection()) {
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    xcb_flush(c);
  }
}

bool InputGrab::Retake() {
  if (!active_) return false;
  xcb_connection_t* c = Connection();
  if (!c) return false;
  const xcb_window_t root = Root(c);
  // Both asked before either answer is read: one round trip.
  const auto keyboardCookie =
      xcb_grab_keyboard(c, 1, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
  const auto pointerCookie = xcb_grab_pointer(
      c, 1, root,
      XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION,
      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME);
  std::string refused;
  for (int which = 0; which < 2; ++which) {
    xcb_generic_error_t* error = nullptr;
    std::uint8_t status = XCB_GRAB_STATUS_ALREADY_GRABBED;
    if (which == 0) {
      if (auto* reply = xcb_grab_keyboard_reply(c, keyboardCookie, &error)) {
        status = reply->status;
        std::free(reply);
      }
      keyboard_ = status == XCB_GRAB_STATUS_SUCCESS;
      if (!keyboard_) refused = std::string("the keyboard: ") + GrabStatusText(status);
    } else {
      if (auto* reply = xcb_grab_pointer_reply(c, pointerCookie, &error)) {
        status = reply->status;
        std::free(reply);
      }
      pointer_ = status == XCB_GRAB_STATUS_SUCCESS;
      if (!pointer_)
        refused += (refused.empty() ? "" : "; ") + std::string("the pointer: ") + GrabStatusText(status);
    }
    std::free(error);
  }
  if (!refused.empty() && !logged_) {
    logged_ = true;
    WriteRunLog("The locked show cannot hold " + refused + "; it keeps trying.");
  }
  const int interval = Held() ? kAgainMs : kRetryMs;
  if (again_.interval() != interval) again_.setInterval(interval);
  return Held();
}

bool InputGrab::TakeWithin(int milliseconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!Retake()) {
    if (!active_ || std::chrono::steady_clock::now() >= until) return false;
    QThread::msleep(kRetryMs);
  }
  return true;
}

bool InputGrab::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (!stray_ || eventType != "xcb_generic_event_t" || !message) return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  const std::uint8_t type = event->response_type & 0x7F;
  if (type != XCB_KEY_PRESS && type != XCB_BUTTON_PRESS) return false;
  // Key and button events share their layout; only those the grab reported
  // on the root window are stray (ours go to our windows).
  auto* input = reinterpret_cast<xcb_key_press_event_t*>(event);
  xcb_connection_t* c = Connection();
  if (!c || input->event != Root(c)) return false;
  const bool key = type == XCB_KEY_PRESS;
  QMetaObject::invokeMethod(this, [this, key] { if (stray_) stray_(key); }, Qt::QueuedConnection);
  return true;
}

void FocusNativeWindow(QWidget& window) {
  xcb_connection_t* c = Connection();
  if (!c || QGuiApplication::platformName() != QLatin1String("xcb") || !window.isVisible()) return;
  xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, xcb_window_t(window.internalWinId()),
                      XCB_CURRENT_TIME);
  xcb_flush(c);
}

}  // namespace orvane::platform
