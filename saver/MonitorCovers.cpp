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
  // Left alone by the window manager like the show (a locked show on X).
  flags |= show.windowFlags() & Qt::X11BypassWindowManagerHint;
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

MonitorCovers::MonitorCovers(QWidget& show, QRect shown, bool onTop, CoverInput input,
                             std::function<void()> changed)
    : show_(show), shown_(shown), onTop_(onTop), input_(std::move(input)), changed_(std::move(changed)) {
  for (QScreen* screen : QGuiApplication::screens()) {
    Add(screen);
    connect(screen, &QScreen::geometryChanged, this, [this] { Changed(); });
  }
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (!app) return;
  connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { Changed(); });
    Changed();
  });
  // At once, before Qt moves the screen's windows to another one.
  connect(app, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) {
    Remove(screen);
    Changed();
  });
  connect(app, &QGuiApplication::primaryScreenChanged, this, [this] { Changed(); });
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

void MonitorCovers::Changed() {
  // A dock or an undock comes as a burst of changes: one answer for all.
  if (changePending_) return;
  changePending_ = true;
  QMetaObject::invokeMethod(this, [this] {
    changePending_ = false;
    if (changed_) {
      auto call = changed_;
      call();
    } else {
      Reconcile();
    }
  }, Qt::QueuedConnection);
}

QScreen* MonitorCovers::SlidesMonitor() const {
  const QRect at = show_.isVisible() ? show_.geometry() : shown_;
  QScreen* best = nullptr;
  qint64 bestArea = 0;
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen->geometry() == at) return screen;
    const QRect common = screen->geometry().intersected(at);
    const qint64 area = qint64(common.width()) * common.height();
    if (area > bestArea) {
      best = screen;
      bestArea = area;
    }
  }
  return best ? best : QGuiApplication::primaryScreen();
}

void MonitorCovers::Reconcile() {
  QScreen* slides = SlidesMonitor();
  if (slides && show_.isVisible()) {
    // The slides' window stays where a monitor shows it; its monitor gone (or
    // moved away from it), it goes to the top left of the one it overlaps most.
    const QRect now = show_.geometry();
    const QRect monitor = slides->geometry();
    if (monitor.intersected(now) != now && monitor != now) {
      show_.setScreen(slides);
      show_.setGeometry(QRect(monitor.topLeft(), now.size()));
    }
    shown_ = show_.geometry();
  }
  const QList<QScreen*> screens = QGuiApplication::screens();
  for (auto it = covers_.begin(); it != covers_.end();) {
    const bool gone = !it->first || !it->second || !screens.contains(it->first);
    const bool filled = !gone && shown_.contains(it->first->geometry());
    if (gone || filled) {
      if (CoverWindow* cover = it->second) {
        cover->Detach();
        cover->hide();
        cover->deleteLater();
      }
      it = covers_.erase(it);
    } else {
      it->second->Place();
      ++it;
    }
  }
  for (QScreen* screen : screens) Add(screen);
}

void MonitorCovers::Add(QScreen* screen) {
  if (!screen || covers_.count(screen)) return;
  // A monitor the slides' window fills (its own, or one that mirrors it) stays
  // the show's own.
  if (shown_.contains(screen->geometry())) return;
  auto* cover = new CoverWindow(show_, *screen, onTop_, input_);
  covers_[screen] = cover;
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
