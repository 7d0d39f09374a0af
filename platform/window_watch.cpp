#include "platform/window_watch.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QWidget>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// Last: Xlib's macros clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#undef None
#undef Bool

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

// ---------------------------------------------------------------------------

namespace orvane::platform {

namespace {

xcb_connection_t* QtConnection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

}  // namespace

StackingWatch::StackingWatch(std::function<void()> restacked, std::function<void()> grabLost)
    : restacked_(std::move(restacked)), grabLost_(std::move(grabLost)) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  xcb_connection_t* qt = QtConnection();
  if (!qt) return;
  // Our windows are those of Qt's connection: their ids lie in its range.
  const xcb_setup_t* own = xcb_get_setup(qt);
  ownBase_ = own->resource_id_base;
  ownMask_ = own->resource_id_mask;
  // The same server as Qt's; DISPLAY may name another once the program runs.
  const QByteArray display = qgetenv("DISPLAY");
  xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
  if (!c || xcb_connection_has_error(c)) {
    if (c) xcb_disconnect(c);
    return;
  }
  connection_ = c;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE |
                             XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(c);
  notifier_ = new QSocketNotifier(xcb_get_file_descriptor(c), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Read(); });
}

StackingWatch::~StackingWatch() {
  delete notifier_;
  if (connection_) xcb_disconnect(connection_);
}

bool StackingWatch::Ours(std::uint32_t window) const { return (window & ~ownMask_) == ownBase_; }

void StackingWatch::Read() {
  bool restacked = false;
  bool grabLost = false;
  while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
    switch (event->response_type & 0x7F) {
      case XCB_MAP_NOTIFY: {
        auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
        restacked |= !Ours(map->window);
        break;
      }
      case XCB_CONFIGURE_NOTIFY: {
        auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
        restacked |= configure->event != configure->window && !Ours(configure->window);
        break;
      }
      case XCB_CIRCULATE_NOTIFY: {
        auto* circulate = reinterpret_cast<xcb_circulate_notify_event_t*>(event);
        restacked |= !Ours(circulate->window);
        break;
      }
      case XCB_FOCUS_OUT: {
        // The keyboard grab ended: the focus goes from the root window back.
        auto* focus = reinterpret_cast<xcb_focus_out_event_t*>(event);
        grabLost |= focus->mode == XCB_NOTIFY_MODE_UNGRAB;
        break;
      }
      case XCB_LEAVE_NOTIFY:
      case XCB_ENTER_NOTIFY: {
        auto* crossing = reinterpret_cast<xcb_leave_notify_event_t*>(event);
        grabLost |= crossing->mode == XCB_NOTIFY_MODE_UNGRAB;
        break;
      }
      default: break;
    }
    std::free(event);
  }
  if (xcb_connection_has_error(connection_)) {
    // The server went: nothing more to read.
    notifier_->setEnabled(false);
    return;
  }
  // Copies: a callback may end the show, and this watch with it.
  if (grabLost && grabLost_) {
    auto call = grabLost_;
    call();
  }
  if (restacked && restacked_) {
    auto call = restacked_;
    call();
  }
}

std::vector<QRect> XMonitors() {
  std::vector<QRect> monitors;
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return monitors;
  // A connection of its own, opened once: its requests and answers never mix
  // with Qt's event reading.
  static ::Display* display = XOpenDisplay(nullptr);
  if (!display) return monitors;
  int count = 0;
  XRRMonitorInfo* info = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
  if (!info) return monitors;
  const qreal ratio = qGuiApp->devicePixelRatio();
  for (int i = 0; i < count; ++i)
    monitors.emplace_back(QRect(qRound(info[i].x / ratio), qRound(info[i].y / ratio),
                                qRound(info[i].width / ratio), qRound(info[i].height / ratio)));
  XRRFreeMonitors(info);
  return monitors;
}

void RaiseNativeWindows(const std::vector<QWidget*>& windows) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  xcb_connection_t* c = QtConnection();
  if (!c) return;
  const std::uint32_t above = XCB_STACK_MODE_ABOVE;
  for (QWidget* window : windows)
    if (window && window->isVisible() && window->internalWinId())
      xcb_configure_window(c, xcb_window_t(window->internalWinId()), XCB_CONFIG_WINDOW_STACK_MODE, &above);
  xcb_flush(c);
}

}  // namespace orvane::platform
