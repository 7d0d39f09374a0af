#pragma once
// The show's windows over the other monitors: every monitor but the one the
// slides are shown on gets a black full-screen window of the show, placed like
// the show's own (on top unless debugging). Their input is the show's input:
// every key, click, move and close request is handed to the show, mouse
// positions in the show's window coordinates. A monitor that comes while the
// show runs is covered at once; one that goes loses its window. A cover that
// another program destroys or unmaps comes back, and the loss reaches the show
// as a close request.
//
// The covers are windows of their own but children of the show's window: a
// modal show does not block their input, and they go with it.
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRect>
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
  CoverWindow(QWidget& show, QScreen& screen, bool onTop, CoverInput input);
  ~CoverWindow() override;

  // Full screen on its monitor (again, after the monitor changed).
  void Place();
  QScreen* Monitor() const { return screen_; }
  // No more input is handed on (the show is ending).
  void Detach() { input_ = nullptr; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void TakenAway(quintptr nativeWindow);
  QPointer<QWidget> show_;
  QPointer<QScreen> screen_;
  CoverInput input_;
  std::unique_ptr<platform::WindowDestroyWatch> watch_;
};

class MonitorCovers : public QObject {
 public:
  // show: the show's window; shown: the area its slides take (the monitor
  // that holds it, or every monitor of the same place, is not covered).
  MonitorCovers(QWidget& show, QRect shown, bool onTop, CoverInput input);
  ~MonitorCovers() override;
  MonitorCovers(const MonitorCovers&) = delete;
  MonitorCovers& operator=(const MonitorCovers&) = delete;

  std::vector<CoverWindow*> Windows() const;

 private:
  void Add(QScreen* screen);
  void Remove(QScreen* screen);
  QWidget& show_;
  QRect shown_;
  bool onTop_;
  CoverInput input_;
  std::map<QScreen*, QPointer<CoverWindow>> covers_;
};

}  // namespace orvane::saver
