#pragma once
// Notices when one of our windows on the X server is destroyed or taken off the
// screen (unmapped); any client may do either: `xdotool windowclose`,
// `xdotool windowunmap`. The callback runs on the GUI thread, from the event
// loop; it also comes for our own hiding, which the caller tells apart. On
// platforms other than X nothing is watched.
#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <vector>

class QSocketNotifier;
struct xcb_connection_t;
class QWidget;

namespace orvane::platform {

class WindowDestroyWatch : public QAbstractNativeEventFilter {
 public:
  // destroyed gets the native window that was taken (the widget may have a
  // new one by the time it runs).
  WindowDestroyWatch(QWidget& window, std::function<void(quintptr window)> destroyed);
  ~WindowDestroyWatch() override;
  WindowDestroyWatch(const WindowDestroyWatch&) = delete;
  WindowDestroyWatch& operator=(const WindowDestroyWatch&) = delete;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  QPointer<QWidget> window_;
  std::function<void(quintptr)> destroyed_;
  bool installed_ = false;
};

// Watches the stacking of the X server's top-level windows for a locked show:
// every map, raise, move or circulation of a window that is not this
// program's (override-redirect ones included, such as notification popups)
// calls restacked, and the root window's crossing and focus events that tell
// of a grab let go call grabLost. It reads the root window's events on a
// connection of its own, so Qt's own handling of the root window is untouched.
// The callbacks run on the GUI thread, at once from the event loop. On
// platforms other than X nothing is watched.
class StackingWatch : public QObject {
 public:
  StackingWatch(std::function<void()> restacked, std::function<void()> grabLost);
  ~StackingWatch() override;
  StackingWatch(const StackingWatch&) = delete;
  StackingWatch& operator=(const StackingWatch&) = delete;

  bool Watching() const { return connection_ != nullptr; }

 private:
  void Read();
  bool Ours(std::uint32_t window) const;
  std::function<void()> restacked_;
  std::function<void()> grabLost_;
  xcb_connection_t* connection_ = nullptr;
  QSocketNotifier* notifier_ = nullptr;
  std::uint32_t ownBase_ = 0;
  std::uint32_t ownMask_ = 0;
};

// The X server's monitors (RandR), in Qt's device-independent units; empty on
// platforms other than X or when the server has no RandR.
std::vector<QRect> XMonitors();

// Puts the native windows of windows on top of every other, in the order
// given (the last on top), at once. Windows not on screen are left out.
void RaiseNativeWindows(const std::vector<QWidget*>& windows);

}  // namespace orvane::platform
