// The show's clocks (the slide clock and the panel countdown), user input, the
// password check and the end of the show.
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <memory>

#include "core/Globals.h"
#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "core/mdlMain.h"
#include "imaging/imaging.h"
#include "platform/msgbox.h"
#include "platform/password.h"
#include "platform/tick.h"
#include "saver/InfoPanel.h"
#include "saver/frmSaver.h"

namespace orvane::saver {

namespace keys = core::settings;

namespace {

constexpr int kNoticeInterval = 25;  // ms between steps of the notice's pulse
constexpr int kBrightest = 255;
constexpr int kDimmest = 64;
constexpr int kMouseSlack = 5;  // a move of up to this many pixels only re-arms

// Key codes and characters as the handlers know them.
constexpr int vbKeyShift = 16;
constexpr int vbKeyControl = 17;
constexpr int vbKeyMenu = 18;  // Alt
constexpr int kAsciiTab = 9;
constexpr int kAsciiEscape = 27;

// The character a key produces, as the key-press event reports it; 0 for keys
// that produce none (arrows, function keys and the like).
int KeyAscii(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Escape: return kAsciiEscape;
    case Qt::Key_Tab: return kAsciiTab;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    default: break;
  }
  const QString text = event.text();
  if (text.isEmpty()) return 0;
  const char32_t code = text.toUcs4().value(0);
  if (code == 0 || code == 127 || (code >= 0xF700 && code <= 0xF8FF)) return 0;
  return code < 256 ? int(code) : '?';
}

// Runs one step of the show; a failure is reported and the show goes on with
// the next slide instead of ending the program.
template <typename Step>
void KeepShowAlive(frmSaver& window, Step step) {
  try {
    step();
  } catch (const std::exception& error) {
    if (core::QuitSaver) return;
    platform::MsgBox(error.what(), platform::vbExclamation, "Error", &window);
    window.tmrTrans.SetEnabled(true);
  }
}

}  // namespace

void frmSaver::tmrTrans_Timer() {
  if (core::QuitSaver) return;
  BusyScope busy(*this);
  if (TickStep == 0) {
    TickStep = 1;
    if (SetUp) {
      KeepShowAlive(*this, [this] { DoTrans(); });
      return;
    }
  }
  TickCount += TickStep;
  if (SetUp) {
    if (TickCount >= ImageDelay) {
      TickCount = 0;
      KeepShowAlive(*this, [this] { DoTrans(); });
    }
    return;
  }
  // Pictures that could not be shown may be back (a disk mounted again, a
  // folder moved back): looked for again after each change time.
  if (NothingToShow && platform::GetTickCount() - NothingSince >=
                           std::uint64_t(std::clamp<std::int64_t>(ImageDelay, 1, 86400)) * 1000) {
    KeepShowAlive(*this, [this] { LookAgainForPictures(); });
    return;
  }
  // Not set up (or nothing to show): the notice pulses.
  tmrTrans.SetInterval(kNoticeInterval);
  const int grey = int(std::clamp<std::int64_t>(TickCount, 0, kBrightest));
  picDisp.SetForeColor(QColor(grey, grey, grey));
  picDisp.SetCurrentX(0);
  picDisp.SetCurrentY(0);
  if (NothingToShow) {
    picDisp.Print(QStringLiteral("None of the pictures of the chosen image sets can be shown."));
    picDisp.Print(QString::fromStdString(NothingFolder));
  } else {
    picDisp.Print(QStringLiteral("Screen Saver has not been set up."));
    picDisp.Print(QStringLiteral("Please select 'Settings' from the"));
    picDisp.Print(QStringLiteral("Properties Dialog."));
  }
  if (TickCount >= kBrightest) TickStep = -1;
  if (TickCount <= kDimmest) TickStep = 1;
}

void frmSaver::tmrInfo_Timer() {
  tmrInfo.SetEnabled(false);
  if (core::QuitSaver) return;
  BusyScope busy(*this);
  if (InfoCountdown <= 0) InfoCountdown = InfoTime * 10;
  InfoCountdown -= 1;
  // A time of 0 (or below) ends the panel at the first tick.
  if (InfoCountdown > 0) {
    tmrInfo.SetEnabled(true);
    return;
  }
  InfoCountdown = 0;
  SyncScreen();
  KeepShowAlive(*this, [this] { EndInfoPanel(Screen, *this); });
}

bool frmSaver::PasswordCheck() {
  // A second check while the prompt is up (input meanwhile) does not count.
  if (inPasswordCheck_) return false;
  inPasswordCheck_ = true;
  const bool slideClock = tmrTrans.Enabled();
  const bool countdown = tmrInfo.Enabled();
  tmrTrans.SetEnabled(false);
  tmrInfo.SetEnabled(false);
  core::ShowMouse();
  bool result = true;
  if (UsePassword) {
    const std::string caption =
        core::PasswordTitle.empty() ? keys::kDefault_Config_PassWinTitle : core::PasswordTitle;
    // The show's grabs stay while the prompt is up: keys reach it by the focus.
    // In a Wayland session the prompt is part of the show's window: a window of
    // its own over a full-screen one would not get the keyboard there.
    result = platform::VerifyScreenSavePwd(this, caption, sessionLock_);
    // Ended meanwhile (a signal): the clocks stay off.
    if (!result && !core::QuitSaver) {
      core::HideMouse();
      tmrTrans.SetEnabled(slideClock);
      tmrInfo.SetEnabled(countdown);
    }
  }
  inPasswordCheck_ = false;
  return result;
}

void frmSaver::OpenLink(const std::string& url) {
  core::WriteIni(keys::kLauncher_URL.section, keys::kLauncher_URL.key, url, CatalogueFile);
}

void frmSaver::EndShow() {
  core::QuitSaver = true;
  imaging::KillFilter();
  if (busyDepth_ > 0) unloadPending_ = true;  // the running loop returns first
  else FinishUnload();
}

void frmSaver::EndOnSignal() { lock_.On(LockEvent::Signal); }

void frmSaver::WindowTakenAway(quintptr nativeWindow) {
  // The show's own end hides the window too; a window replaced already (its
  // unmap and its destruction both come) is past.
  if (core::QuitSaver || unloaded_ || !isVisible() || nativeWindow != quintptr(internalWinId()))
    return;
  lock_.On(LockEvent::Unmap);
}

void frmSaver::Form_Click() {
  if (core::QuitSaver) return;
  lock_.On(LockEvent::Click);
}

void frmSaver::Form_KeyDown(int keyCode) {
  if (core::QuitSaver) return;
  if (keyCode != vbKeyShift && keyCode != vbKeyControl && keyCode != vbKeyMenu) return;
  lock_.On(LockEvent::Key);
}

void frmSaver::Form_KeyPress(int keyAscii) {
  if (core::QuitSaver) return;
  // Its links are opened as the show ends (LockEnd), once the password is in.
  unlockKey_ = keyAscii;
  lock_.On(LockEvent::Key);
  unlockKey_ = 0;
}

void frmSaver::OpenKeyLink(int keyAscii) {
  if (!WebLinksOn) return;
  if (keyAscii == kAsciiEscape) {
    if (!SaverURL.empty() && EscLinkOn) OpenLink(SaverURL);
  } else if (keyAscii == kAsciiTab && TabLinkOn) {
    // The first link the slide has; with none nothing is written, so a link
    // handed over earlier and not yet opened stays.
    for (const std::string* url : {&ImageURL, &SetURL, &CompanyURL, &SaverURL}) {
      if (!url->empty()) {
        OpenLink(*url);
        break;
      }
    }
  }
}

void frmSaver::Form_MouseMove(double x, double y) {
  if (core::DebugMode || core::QuitSaver) return;
  const double dx = std::abs(x - LastMouseX);
  const double dy = std::abs(y - LastMouseY);
  if ((dx <= kMouseSlack && dy <= kMouseSlack) || LastMouseX < 1 || LastMouseY < 1) {
    LastMouseX = int(std::lround(x));
    LastMouseY = int(std::lround(y));
    return;
  }
  LastMouseX = 0;
  LastMouseY = 0;
  lock_.On(LockEvent::Click);
}

bool frmSaver::event(QEvent* event) {
  // Hidden or minimised by the desktop (the show's own end hides it too, with
  // QuitSaver set): a show that locks the session is left.
  // A locked show on X takes the focus once it is on screen.
  if (event->type() == QEvent::Show && HoldsX11Lock())
    QMetaObject::invokeMethod(this, [this] { if (!core::QuitSaver) { LockRaise(); LockRefocus(); } },
                              Qt::QueuedConnection);
  if (event->type() == QEvent::Hide ||
      (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)))
    LeftShow(LockEvent::Unmap);
  QPointF at;
  if (event->type() == QEvent::MouseMove) at = static_cast<QMouseEvent*>(event)->position();
  return ShowInput(*event, at) || QWidget::event(event);
}

bool frmSaver::ShowInput(QEvent& input, QPointF at) {
  QEvent* event = &input;
  // Keys that reach the show (or a cover) while its prompt is drawn inside it
  // are the prompt's: after the desktop took the focus away and gave it back,
  // the window may get keys before it is active again, with no focus widget.
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    if (forwardingKey_) return true;  // came back up from the prompt: nobody wants it
    for (QDialog* prompt : findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
      if (!prompt->isVisible() || prompt->isWindow()) continue;
      forwardingKey_ = true;
      const std::unique_ptr<QEvent> copy(event->clone());
      QCoreApplication::sendEvent(prompt->focusWidget() ? prompt->focusWidget() : prompt, copy.get());
      forwardingKey_ = false;
      return true;
    }
  }
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      switch (key->key()) {
        case Qt::Key_Shift: Form_KeyDown(vbKeyShift); break;
        case Qt::Key_Control: Form_KeyDown(vbKeyControl); break;
        case Qt::Key_Alt: Form_KeyDown(vbKeyMenu); break;
        default:
          if (const int ascii = KeyAscii(*key)) Form_KeyPress(ascii);
          break;
      }
      return true;
    }
    case QEvent::ShortcutOverride:
      event->accept();  // every key is the show's, Tab and Esc included
      return true;
    case QEvent::MouseButtonPress:
      Form_Click();
      return true;
    case QEvent::MouseMove:
      Form_MouseMove(at.x(), at.y());
      return true;
    case QEvent::Close:
      // A close request of the window system (a window manager's close,
      // WM_DELETE_WINDOW) is input like any other: with a password it is asked
      // for, and a refusal resumes the show.
      event->ignore();
      if (!core::QuitSaver) lock_.On(LockEvent::CloseRequest);
      return true;
    default:
      return false;
  }
}

}  // namespace orvane::saver
