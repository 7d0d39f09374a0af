#pragma once
// Notices when one of our windows on the X server is destroyed or taken off the
// screen (unmapped); any client may do either: `xdotool windowclose`,
// `xdotool windowunmap`. The callback runs on the GUI thread, from the event
// loop; it also comes for our own hiding, which the caller tells apart. On
// platforms other than X nothing is watched.
#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <functional>

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

}  // namespace orvane::platform
