#pragma once
// Holds the keyboard and the pointer of the X server for one window, so that no
// other window can be reached while it is up (the grabs of the window system,
// through Qt). The window may not be on screen yet: the grabs are tried again
// every few milliseconds until both are held. Released when the object goes.
// On platforms without grabs (offscreen, Wayland) nothing happens.
#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

namespace orvane::platform {

class InputGrab : public QObject {
 public:
  explicit InputGrab(QWidget& window);
  ~InputGrab() override;
  InputGrab(const InputGrab&) = delete;
  InputGrab& operator=(const InputGrab&) = delete;

  bool KeyboardHeld() const { return keyboard_; }
  bool PointerHeld() const { return pointer_; }

 private:
  void Try();
  QPointer<QWidget> window_;
  QTimer retry_;
  bool keyboard_ = false;
  bool pointer_ = false;
};

}  // namespace orvane::platform
