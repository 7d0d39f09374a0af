#include "saver/MonitorCovers.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

#include "platform/window_watch.h"

namespace orvane::saver {

CoverWindow::CoverWindow(QWidget& show, QRect area, QScreen* screen, bool onTop, CoverInput input)
    : QWidget(&show), show_(&show), area_(area), screen_(screen), input_(std::move(input)) {
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
  // The monitor is named first (all a Wayland compositor goes by), its place
  // given as well for X servers without a window manager.
  if (screen_) setScreen(screen_);
  setGeometry(area_);
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
  Reconcile();
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (!app) return;
  for (QScreen* screen : QGuiApplication::screens())
    connect(screen, &QScreen::geometryChanged, this, [this] { Changed(); });
  connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { Changed(); });
    Changed();
  });
  // At once, before Qt moves the screen's windows to another one.
  connect(app, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) {
    for (auto& cover : covers_)
      if (cover && cover->Monitor() == screen) {
        cover->Detach();
        cover->hide();
        cover->deleteLater();
        cover = nullptr;
      }
    Changed();
  });
  connect(app, &QGuiApplication::primaryScreenChanged, this, [this] { Changed(); });
  // Not every change of a monitor's place reaches Qt (a monitor replaced
  // under the same name): the monitors are compared now and then too.
  connect(&poll_, &QTimer::timeout, this, [this] {
    if (Layout() != seen_) Changed();
  });
  poll_.start(kPollMs);
}

std::vector<QRect> MonitorCovers::Layout() {
  std::vector<QRect> layout = platform::XMonitors();
  if (layout.empty())
    for (QScreen* screen : QGuiApplication::screens()) layout.push_back(screen->geometry());
  return layout;
}

MonitorCovers::~MonitorCovers() {
  for (auto& cover : covers_) {
    if (!cover) continue;
    cover->Detach();
    cover->hide();
    // Later: the show may end from inside one of the covers' own events.
    cover->deleteLater();
  }
}

std::vector<CoverWindow*> MonitorCovers::Windows() const {
  std::vector<CoverWindow*> windows;
  for (const auto& cover : covers_)
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

namespace {

// Qt's screen at area, for the monitor's name; null when Qt has none there.
QScreen* ScreenFor(const QRect& area) {
  for (QScreen* screen : QGuiApplication::screens())
    if (screen->geometry() == area) return screen;
  return QGuiApplication::screenAt(area.center());
}

}  // namespace

void MonitorCovers::Reconcile() {
  const std::vector<QRect> monitors = Layout();
  seen_ = monitors;
  if (show_.isVisible() && !monitors.empty()) {
    // The slides' window stays where a monitor shows it whole; its monitor
    // gone, moved or shrunk, it goes to the top left of the monitor it
    // overlaps most (the first when it overlaps none).
    const QRect now = show_.geometry();
    QRect best = monitors.front();
    qint64 bestArea = -1;
    bool whole = false;
    for (const QRect& monitor : monitors) {
      whole |= monitor.contains(now);
      const QRect common = monitor.intersected(now);
      const qint64 area = qint64(common.width()) * common.height();
      if (area > bestArea) {
        best = monitor;
        bestArea = area;
      }
    }
    if (!whole) {
      if (QScreen* screen = ScreenFor(best)) show_.setScreen(screen);
      show_.setGeometry(QRect(best.topLeft(), now.size()));
    }
    shown_ = show_.geometry();
  }
  // Every monitor the slides' window does not fill has its cover, in its place.
  std::vector<QPointer<CoverWindow>> kept;
  std::vector<QRect> wanted;
  for (const QRect& monitor : monitors)
    if (!shown_.contains(monitor) && std::find(wanted.begin(), wanted.end(), monitor) == wanted.end())
      wanted.push_back(monitor);
  for (auto& cover : covers_) {
    if (!cover) continue;
    const auto at = std::find(wanted.begin(), wanted.end(), cover->Area());
    if (at == wanted.end()) {
      cover->Detach();
      cover->hide();
      cover->deleteLater();
      continue;
    }
    wanted.erase(at);
    kept.push_back(cover);
  }
  for (const QRect& monitor : wanted) {
    auto* cover = new CoverWindow(show_, monitor, ScreenFor(monitor), onTop_, input_);
    kept.push_back(cover);
  }
  covers_ = std::move(kept);
  for (auto& cover : covers_) cover->Place();
}

}  // namespace orvane::saver
