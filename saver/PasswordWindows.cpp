#include "saver/PasswordWindows.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Globals.h"
#include "core/PPS.h"
#include "core/Utils.h"
#include "platform/msgbox.h"
#include "platform/textcodec.h"

namespace orvane::saver {

namespace {

constexpr int kEnter = 13;
constexpr int kEscape = 27;

// The key's ASCII code as KeyPress sees it, or 0 for keys it does not report.
int KeyAsciiOf(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return kEnter;
    case Qt::Key_Escape: return kEscape;
    default: return 0;
  }
}

// Routes Enter and Esc of a watched text box to a KeyPress handler; true when
// the handler swallowed the key.
template <typename Handler>
bool FilterKey(QEvent* event, Handler handler) {
  if (event->type() != QEvent::KeyPress) return false;
  int keyAscii = KeyAsciiOf(static_cast<QKeyEvent&>(*event));
  if (keyAscii == 0) return false;
  handler(keyAscii);
  return keyAscii == 0;
}

QLineEdit* PasswordBox(QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setEchoMode(QLineEdit::Password);
  return box;
}

}  // namespace

frmNewPassword::frmNewPassword(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("Change Password"));
  txtPassword = PasswordBox(this);
  txtConfirmPassword = PasswordBox(this);
  cmdOk = new QPushButton(QStringLiteral("OK"), this);
  cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("New password:"), this));
  layout->addWidget(txtPassword);
  layout->addWidget(new QLabel(QStringLiteral("Confirm new password:"), this));
  layout->addWidget(txtConfirmPassword);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOk);
  buttons->addWidget(cmdCancel);
  layout->addLayout(buttons);

  connect(cmdOk, &QPushButton::clicked, this, &frmNewPassword::cmdOk_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmNewPassword::cmdCancel_Click);
  txtPassword->installEventFilter(this);
  txtConfirmPassword->installEventFilter(this);
}

void frmNewPassword::cmdOk_Click() {
  if (txtPassword->text() != txtConfirmPassword->text()) {
    txtPassword->clear();
    txtConfirmPassword->clear();
    platform::MsgBox("The new and confirmed passwords do not match.\r\nPlease retype them.",
                     platform::vbExclamation, "", this);
    return;
  }
  // Encoded from the password's ANSI bytes; "control.ini" lies in the Windows folder.
  const std::string bytes = platform::FromUtf8(txtPassword->text().toStdString());
  core::WriteIni("ScreenSaver", "VersionInfo", core::EncodePassword(bytes), "control.ini");
  platform::MsgBox("Password has been successfully changed.", platform::vbInformation,
                   "Password", this);
  hide();
}

void frmNewPassword::cmdCancel_Click() { hide(); }

void frmNewPassword::Form_KeyPress(int& keyAscii) {
  if (keyAscii == kEnter) {
    keyAscii = 0;
    cmdOk_Click();
  } else if (keyAscii == kEscape) {
    keyAscii = 0;
    cmdCancel_Click();
  }
}

bool frmNewPassword::eventFilter(QObject* watched, QEvent* event) {
  if (FilterKey(event, [this](int& key) { Form_KeyPress(key); })) return true;
  return QWidget::eventFilter(watched, event);
}

void frmNewPassword::keyPressEvent(QKeyEvent* event) {
  int keyAscii = KeyAsciiOf(*event);
  if (keyAscii != 0) {
    Form_KeyPress(keyAscii);
    if (keyAscii == 0) return;
  }
  QWidget::keyPressEvent(event);
}

frmPassword::frmPassword(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("Kestrin Screen Saver"));
  // Stays above the full-screen show.
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  lblPrompt = new QLabel(QStringLiteral("Please type your screen saver password"), this);
  txtPassword = PasswordBox(this);
  cmdOk = new QPushButton(QStringLiteral("OK"), this);
  cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblPrompt);
  layout->addWidget(txtPassword);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOk);
  buttons->addWidget(cmdCancel);
  layout->addLayout(buttons);

  connect(cmdOk, &QPushButton::clicked, this, &frmPassword::cmdOk_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmPassword::cmdCancel_Click);
  txtPassword->installEventFilter(this);
  Form_Load();
}

void frmPassword::Form_Load() {
  password_.clear();
  const std::string title = core::PasswordTitle.empty() ? "Screen Saver" : core::PasswordTitle;
  setWindowTitle(platform::ToQString(title));
}

void frmPassword::cmdOk_Click() {
  password_ = txtPassword->text();
  hide();
}

void frmPassword::cmdCancel_Click() { hide(); }

void frmPassword::txtPassword_KeyPress(int& keyAscii) {
  if (keyAscii == kEnter) {
    keyAscii = 0;
    cmdOk_Click();
  } else if (keyAscii == kEscape) {
    keyAscii = 0;
    cmdCancel_Click();
  }
}

bool frmPassword::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtPassword && FilterKey(event, [this](int& key) { txtPassword_KeyPress(key); })) {
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orvane::saver
