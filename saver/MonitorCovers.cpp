#include "saver/MonitorCovers.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include "platform/window_watch.h"

namespace orvane::saver {

CoverWindow::CoverWindow(QWidget& show, QScreen& screen, bool onTop, CoverInput input)
    : QWidget(&show), show_(&show), screen_(&screen), input_(std::move(input)) {
  Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
  if (onTop) flags |= Qt::WindowStaysOnTopHint;
  setWindowFlags(flags);
  setWindowTitle(show.windowTitle());
  setAttribute(Qt::WA_OpaquePaintEvent);
  // The show's window keeps the keyboard focus.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  watch_ = std::make_unique<platform::WindowDestroyWatch>(
      *this, [this](quintptr id) { TakenAway(id); });
}

CoverWindow::~CoverWindow() = default;

void CoverWindow::Place() {
  if (!screen_) return;
  // The monitor is named first (all a Wayland compositor goes by), its place
  // given as well for X servers without a window manager.
  setScreen(screen_);
  setGeometry(screen_->geometry());
  setWindowState(windowState() | Qt::WindowFullScreen);
  show();
}

void CoverWindow::TakenAway(quintptr nativeWindow) {
  // Our own hiding comes here too, and a window replaced already is past.
  if (!input_ || !isVisible() || nativeWindow != quintptr(internalWinId())) return;
  // Hidden once the old window is gone, so that showing it makes a new one.
  destroy();
  hide();
  Place();
  raise();
  // Counted as a close request of the show, as the loss of its own window is.
  QCloseEvent close;
  if (CoverInput input = input_) input(close, QPointF());
}

bool CoverWindow::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Close: {
      QPointF at;
      if (event->type() == QEvent::MouseMove && show_)
        at = show_->mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition());
      // Handed on through a copy of the callback: the show may end, and take
      // this window away, while it runs.
      if (CoverInput input = input_) {
        if (input(*event, at)) return true;
      }
      if (event->type() == QEvent::Close) {
        event->ignore();
        return true;
      }
      return QWidget::event(event);
    }
    default: return QWidget::event(event);
  }
}

void CoverWindow::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::black);
}

// ---------------------------------------------------------------------------

MonitorCovers::MonitorCovers(QWidget& show, QRect shown, bool onTop, CoverInput input)
    : show_(show), shown_(shown), onTop_(onTop), input_(std::move(input)) {
  for (QScreen* screen : QGuiApplication::screens()) Add(screen);
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (!app) return;
  connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* screen) { Add(screen); });
  // Before Qt moves the screen's windows to another one.
  connect(app, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) { Remove(screen); });
}

MonitorCovers::~MonitorCovers() {
  for (auto& [screen, cover] : covers_) {
    if (!cover) continue;
    cover->Detach();
    cover->hide();
    // Later: the show may end from inside one of the covers' own events.
    cover->deleteLater();
  }
}

std::vector<CoverWindow*> MonitorCovers::Windows() const {
  std::vector<CoverWindow*> windows;
  for (const auto& [screen, cover] : covers_)
    if (cover) windows.push_back(cover);
  return windows;
}

void MonitorCovers::Add(QScreen* screen) {
  if (!screen || covers_.count(screen)) return;
  // The monitor of the slides, and any monitor that shows the same place
  // (a mirrored one), stay the show's own.
  QScreen* own = QGuiApplication::screenAt(shown_.center());
  if (!own) own = QGuiApplication::primaryScreen();
  if (!own || screen == own || screen->geometry() == own->geometry()) return;
  auto* cover = new CoverWindow(show_, *screen, onTop_, input_);
  covers_[screen] = cover;
  connect(screen, &QScreen::geometryChanged, cover, [cover] { cover->Place(); });
  cover->Place();
}

void MonitorCovers::Remove(QScreen* screen) {
  const auto it = covers_.find(screen);
  if (it == covers_.end()) return;
  if (CoverWindow* cover = it->second) {
    cover->Detach();
    cover->hide();
    cover->deleteLater();
  }
  covers_.erase(it);
}

}  // namespace orvane::saver
