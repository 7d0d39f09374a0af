#include "platform/modal.h"

#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

namespace orvane::platform {

namespace {

// Per-window state, kept as a child object so it goes away with the window.
class ModalState : public QObject {
 public:
  explicit ModalState(QWidget* window) : QObject(window) {
    setObjectName(QStringLiteral("orvane_modal_state"));
    window->installEventFilter(this);
  }
  bool unloaded = false;
  QPointer<QEventLoop> loop;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent() && event->type() == QEvent::Hide && loop) loop->quit();
    return false;
  }
};

ModalState* Find(const QWidget& window) {
  return window.findChild<ModalState*>(QStringLiteral("orvane_modal_state"), Qt::FindDirectChildrenOnly);
}

ModalState& StateOf(QWidget& window) {
  if (ModalState* state = Find(window)) return *state;
  return *new ModalState(&window);  // owned by the window
}

}  // namespace

void ShowModal(QWidget& window) {
  ModalState& state = StateOf(window);
  state.unloaded = false;
  QPointer<QWidget> guard(&window);
  const Qt::WindowModality previous = window.windowModality();
  const bool wasVisible = window.isVisible();
  if (!wasVisible) window.setWindowModality(Qt::ApplicationModal);
  window.show();

  QEventLoop loop;
  state.loop = &loop;
  QObject::connect(&window, &QObject::destroyed, &loop, &QEventLoop::quit);
  if (window.isVisible() && !state.unloaded) loop.exec(QEventLoop::DialogExec);

  if (guard) {
    if (ModalState* s = Find(*guard)) s->loop = nullptr;
    if (!wasVisible && !guard->isVisible()) guard->setWindowModality(previous);
  }
}

void Unload(QWidget& window) {
  ModalState& state = StateOf(window);
  state.unloaded = true;
  window.hide();
  if (state.loop) state.loop->quit();
}

bool IsUnloaded(const QWidget& window) {
  const ModalState* state = Find(window);
  return state && state->unloaded;
}

bool IsShownModally(const QWidget& window) {
  const ModalState* state = Find(window);
  return state && state->loop;
}

}  // namespace orvane::platform
