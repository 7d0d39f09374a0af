// The show's side of its lock: what each reaction of the lock's table
// (saver/LockController.h) does to this window, and the watch on the focus
// that a show locking a Wayland session needs. On X the show holds the
// keyboard and pointer and keeps its windows on top; in a Wayland session no
// client may hold the keyboard, so the show locks the session through logind
// as it ends or is left, and the desktop's own lock screen asks.
#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <vector>

#include "core/Globals.h"
#include "platform/runlog.h"
#include "platform/session_lock.h"
#include "saver/MonitorCovers.h"
#include "saver/frmSaver.h"

namespace orvane::saver {

void frmSaver::StartSessionLock() {
  sessionLock_ = UsePassword && !core::DebugMode && platform::ShowLocksSession();
  lock_.SetWay(sessionLock_ ? LockWay::Wayland : LockWay::X11);
  if (focusWatch_) return;
  // On X a locked show takes the focus back.
  if (HoldsX11Lock())
    focusWatch_ = connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
      if (!core::QuitSaver && !unloaded_ && isVisible() && !OwnWindow(window)) lock_.On(LockEvent::FocusLoss);
    });
  if (!sessionLock_) return;
  if (const std::string missing = platform::SessionLockUnansweredReason(); !missing.empty())
    platform::WriteRunLog("The slide show cannot keep its password in this session: " + missing + ".");
  focusWatch_ = connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
    FocusMoved(window);
  });
}

bool frmSaver::HoldsX11Lock() const {
  return UsePassword && !core::DebugMode && !sessionLock_ &&
         QGuiApplication::platformName() == QLatin1String("xcb");
}

bool frmSaver::OwnWindow(QWindow* window) const {
  QWindow* own = windowHandle();
  if (!own || !window) return false;
  // The show's own boxes (an error report) have it as their transient parent;
  // the covers of the other monitors are its child windows.
  bool ours = false;
  for (QWindow* at = window; at && !ours; at = at->transientParent()) ours = at == own;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->windowHandle() == window)
      for (QWidget* at = top; at && !ours; at = at->parentWidget()) ours = at == this;
  return ours;
}

void frmSaver::FocusMoved(QWindow* window) {
  if (!windowHandle()) return;
  const bool ours = OwnWindow(window);
  Trace("focus", ours ? 1 : 0, window ? 1 : 0);
  if (ours) hadFocus_ = true;
  else if (hadFocus_) LeftShow(LockEvent::FocusLoss);
}

bool frmSaver::LockSessionOnce() {
  if (sessionLocked_) return true;
  std::string error;
  sessionLocked_ = platform::LockSession(&error);
  // Said once for each reason: a show that cannot lock asks at every input.
  if (!sessionLocked_ && (!lockFailure_ || error != *lockFailure_)) {
    lockFailure_ = error;
    platform::WriteRunLog("The session could not be locked: " + error + ".");
  }
  return sessionLocked_;
}

void frmSaver::LeftShow(LockEvent how) {
  if (!sessionLock_ || core::QuitSaver || unloaded_) return;
  lock_.On(how);
}

// ---- the reactions ----

void frmSaver::LockCover() {
  if (covers_) covers_->Reconcile();
}

void frmSaver::LockRemap() {
  // A new native window, full screen again; the grabs are on the root window
  // and stayed.
  destroy();
  setWindowState(windowState() | Qt::WindowFullScreen);
  show();
  raise();
  activateWindow();
}

namespace {
// The show's prompt and boxes: its visible windows other than the covers.
std::vector<QWidget*> OwnBoxes(QWidget& show, const std::vector<CoverWindow*>& covers) {
  std::vector<QWidget*> boxes;
  for (QWidget* child : show.findChildren<QWidget*>())
    if (child->isWindow() && child->isVisible() &&
        std::find(covers.begin(), covers.end(), child) == covers.end())
      boxes.push_back(child);
  return boxes;
}
}  // namespace

void frmSaver::LockRaise() {
  // The covers at the bottom, the slides above them, the prompt on top.
  const std::vector<CoverWindow*> covers = covers_ ? covers_->Windows() : std::vector<CoverWindow*>();
  std::vector<QWidget*> order(covers.begin(), covers.end());
  order.push_back(this);
  for (QWidget* box : OwnBoxes(*this, covers)) order.push_back(box);
  if (HoldsX11Lock()) {
    platform::RaiseNativeWindows(order);
  } else {
    for (QWidget* window : order)
      if (window->isVisible()) window->raise();
  }
}

void frmSaver::LockRegrab() {
  if (inputGrab_) inputGrab_->Retake();
}

void frmSaver::LockRefocus() {
  if (!HoldsX11Lock() || !isVisible()) return;
  // The prompt when it is up, else the show.
  QWidget* target = this;
  for (QDialog* dialog : findChildren<QDialog*>())
    if (dialog->isVisible()) target = dialog;
  platform::FocusNativeWindow(*target);
}

bool frmSaver::LockSessionNow() { return LockSessionOnce(); }

bool frmSaver::LockAsk() {
  // The prompt of a show that could not lock the session is part of its
  // window: a hidden show comes back to ask.
  if (sessionLock_ && !isVisible() && !core::QuitSaver) LockRemap();
  Trace("ask", 0, 0);
  return PasswordCheck();
}

void frmSaver::LockCancelPrompts() {
  for (QDialog* dialog : findChildren<QDialog*>())
    if (dialog->isVisible()) dialog->reject();
}

void frmSaver::LockEnd() {
  if (core::QuitSaver) return;
  if (unlockKey_) OpenKeyLink(unlockKey_);
  EndShow();
}

}  // namespace orvane::saver
