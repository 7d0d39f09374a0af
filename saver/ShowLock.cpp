// The password of a show in a Wayland session. No client may hold the keyboard
// there, so the desktop's shortcuts would reach the windows behind a show that
// only looked locked: instead the show locks the session through logind as it
// ends or is left (input, a signal, a close, its window losing the focus or
// being hidden), and the desktop's own lock screen asks for the login password.
#include <QApplication>
#include <QGuiApplication>

#include "core/Globals.h"
#include "platform/runlog.h"
#include "platform/session_lock.h"
#include "saver/frmSaver.h"

namespace orvane::saver {

void frmSaver::StartSessionLock() {
  sessionLock_ = UsePassword && !core::DebugMode && platform::ShowLocksSession();
  if (!sessionLock_ || focusWatch_) return;
  if (const std::string missing = platform::SessionLockUnansweredReason(); !missing.empty())
    platform::WriteRunLog("The slide show cannot keep its password in this session: " + missing + ".");
  focusWatch_ = connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
    FocusMoved(window);
  });
}

void frmSaver::FocusMoved(QWindow* window) {
  QWindow* own = windowHandle();
  if (!own) return;
  // The show's own boxes (an error report) have it as their transient parent;
  // the covers of the other monitors are its child windows.
  bool ours = false;
  for (QWindow* at = window; at && !ours; at = at->transientParent()) ours = at == own;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (window && top->windowHandle() == window)
      for (QWidget* at = top; at && !ours; at = at->parentWidget()) ours = at == this;
  if (ours) hadFocus_ = true;
  else if (hadFocus_) LeftShow();
}

bool frmSaver::LockSessionOnce() {
  if (sessionLocked_) return true;
  std::string error;
  sessionLocked_ = platform::LockSession(&error);
  if (!sessionLocked_) platform::WriteRunLog("The session could not be locked: " + error + ".");
  return sessionLocked_;
}

void frmSaver::LeftShow() {
  if (!sessionLock_ || core::QuitSaver || unloaded_) return;
  LockSessionOnce();
  EndShow();
}

}  // namespace orvane::saver
