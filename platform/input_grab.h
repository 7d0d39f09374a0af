#pragma once
// Holds the keyboard and the pointer of the X server for this program while a
// locked show is up. The grabs are taken on the root window, which no program
// can unmap or destroy, so nothing another client does to our windows lets
// them go; they are asked with "owner events", so keys and clicks on the
// program's own windows (the show, its covers, the password prompt) reach
// those windows as usual, and nothing reaches anybody else's. The prompt
// needs no grab of its own: the keyboard goes to it by the focus.
//
// The grabs may be taken before any window is on screen. One that cannot be
// had (another program holds it) is tried again and logged once; the holder
// asks again every few hundred milliseconds and at once when told that the
// server let it go (Retake), so a grab dropped by Qt or the server is back
// before the next key is read. Released when the object goes. On platforms
// other than X nothing happens.
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QTimer>
#include <functional>

class QWidget;

namespace orvane::platform {

class InputGrab : public QObject, public QAbstractNativeEventFilter {
 public:
  // stray gets a key (true) or a button (false) that reached the root window
  // through the grab: input while the focus is on no window of ours.
  explicit InputGrab(std::function<void(bool key)> stray = {});
  ~InputGrab() override;
  InputGrab(const InputGrab&) = delete;
  InputGrab& operator=(const InputGrab&) = delete;

  bool KeyboardHeld() const { return keyboard_; }
  bool PointerHeld() const { return pointer_; }
  bool Held() const { return keyboard_ && pointer_; }

  // Asks for both grabs now and waits for the server's answers; true when both
  // are held. A first refusal is logged.
  bool Retake();
  // Retake until both are held or milliseconds have passed.
  bool TakeWithin(int milliseconds);

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  std::function<void(bool)> stray_;
  QTimer again_;
  bool active_ = false;
  bool keyboard_ = false;
  bool pointer_ = false;
  bool logged_ = false;
};

// Gives the keyboard focus to window's native window at once (the server's
// current time, so a focus another client set just before does not win).
void FocusNativeWindow(QWidget& window);

}  // namespace orvane::platform
