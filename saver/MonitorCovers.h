#pragma once
// The show's windows over the other monitors: every monitor the slides' window
// does not fill gets a black full-screen window of the show, placed like the
// show's own (on top unless debugging; windows the window manager leaves alone
// when the show's are). Their input is the show's input: every key, click,
// move and close request is handed to the show, mouse positions in the show's
// window coordinates. After any change of the monitors (one added, removed,
// moved, resized, overlapping another) the show is told (changed) and
// Reconcile covers them again: the slides' window moves to a monitor that is
// there when its own went, each other monitor gets its cover, and a cover whose
// monitor went is gone. Stacking the slides above the covers is the caller's.
// A cover that another program destroys or unmaps comes back, and the loss
// reaches the show as a close request.
//
// The covers are windows of their own but children of the show's window: a
// modal show does not block their input, and they go with it.
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QEvent;
class QScreen;

namespace orvane::platform {
class WindowDestroyWatch;
}

namespace orvane::saver {

// Called with an input event of a cover and its mouse position in the show's
// coordinates; true when the show took the event.
using CoverInput = std::function<bool(QEvent& event, QPointF at)>;

class CoverWindow : public QWidget {
 public:
  // area: the monitor's place; screen: Qt's screen for it, when Qt has one.
  CoverWindow(QWidget& show, QRect area, QScreen* screen, bool onTop, CoverInput input);
  ~CoverWindow() override;

  // Full screen on its monitor (again, after the monitor changed).
  void Place();
  QRect Area() const { return area_; }
  QScreen* Monitor() const { return screen_; }
  // No more input is handed on (the show is ending).
  void Detach() { input_ = nullptr; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void TakenAway(quintptr nativeWindow);
  QPointer<QWidget> show_;
  QRect area_;
  QPointer<QScreen> screen_;
  CoverInput input_;
  std::unique_ptr<platform::WindowDestroyWatch> watch_;
};

class MonitorCovers : public QObject {
 public:
  // show: the show's window; shown: the area its slides take (the monitor
  // that holds it, or every monitor of the same place, is not covered).
  // changed runs (from the event loop, once for a burst) after the monitors changed.
  MonitorCovers(QWidget& show, QRect shown, bool onTop, CoverInput input,
                std::function<void()> changed = {});
  ~MonitorCovers() override;
  MonitorCovers(const MonitorCovers&) = delete;
  MonitorCovers& operator=(const MonitorCovers&) = delete;

  std::vector<CoverWindow*> Windows() const;
  // Every monitor covered as it is now, the slides on one of them.
  void Reconcile();

 private:
  void Changed();
  QWidget& show_;
  QRect shown_;
  bool onTop_;
  CoverInput input_;
  static constexpr int kPollMs = 250;
  // The monitors' places now: the X server's own list where there is one
  // (Qt misses some changes), else Qt's screens.
  static std::vector<QRect> Layout();
  std::function<void()> changed_;
  bool changePending_ = false;
  std::vector<QRect> seen_;
  QTimer poll_;
  std::vector<QPointer<CoverWindow>> covers_;
};

}  // namespace orvane::saver
