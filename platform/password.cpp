#include "platform/password.h"

#include <crypt.h>
#include <sys/stat.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <utility>

#include "platform/folders.h"
#include "platform/input_grab.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/session_lock.h"
#include "platform/textcodec.h"
#include "platform/window_watch.h"

namespace orvane::platform {

namespace {

constexpr char kWrongPasswordMessage[] = "The password is not correct.";

std::function<PasswordDialogAnswer(const PasswordDialogCall&)>& Handler() {
  static std::function<PasswordDialogAnswer(const PasswordDialogCall&)> handler;
  return handler;
}

// Runs crypt on a heap buffer: struct crypt_data is large, and zeroed before use.
std::string Crypt(const std::string& phrase, const std::string& setting) {
  auto data = std::make_unique<crypt_data>();
  const char* result = crypt_rn(phrase.c_str(), setting.c_str(), data.get(), sizeof(crypt_data));
  // A failure is a null pointer or, for some settings, a text starting with "*".
  if (!result || result[0] == '*') return {};
  return result;
}

bool EqualInConstantTime(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

// True when value is a complete hash that libcrypt can check: a "$" method (a
// bare text would pass for an old DES salt), and hashing with it as setting
// gives a text of its own shape, the same up to the last "$". A bare setting
// without its hash part would match no password at all.
bool IsCompleteHash(const std::string& value) {
  if (value.empty() || value.front() != '$') return false;
  const std::string probe = Crypt("", value);
  const std::size_t prefix = value.rfind('$');
  return probe.size() == value.size() && probe.compare(0, prefix, value, 0, prefix) == 0;
}

// The stored hash, or empty when there is none. A damaged value counts as no
// password, so the show can still be ended.
std::string StoredHash() {
  const std::optional<std::string> value =
      RegQueryValue(Hive::CurrentUser, kPasswordKey, kPasswordHashValue);
  if (!value || value->empty()) return {};
  if (!IsCompleteHash(*value)) {
    qWarning("The stored screen-saver password hash is not usable; no password is asked");
    return {};
  }
  return *value;
}

// The hive holds the hash: only its owner may read it. The registry replaces the
// file on every write, so the mode is set again after ours.
void RestrictHive() {
  const std::string hive = MachineStateFolder() + "HKEY_CURRENT_USER.reg";
  chmod(hive.c_str(), S_IRUSR | S_IWUSR);
}

// Our password dialog: checks each answer with validate and stays open with
// its message until an answer passes or the user cancels.
class PasswordDialog : public QDialog {
 public:
  PasswordDialog(const PasswordDialogCall& call,
                 std::function<std::string(const PasswordDialogAnswer&)> validate, QWidget* parent)
      : QDialog(parent), kind_(call.kind), validate_(std::move(validate)) {
    setWindowTitle(ToQString(call.caption));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    // A fixed size (and the transient parent QDialog takes from parent): what
    // tiling compositors float instead of tiling over the whole output. It
    // follows the contents, so a refusal's message still shows whole.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    if (kind_ == PasswordDialogCall::Verify) {
      layout->insertWidget(0, new QLabel(tr("Please type your screen saver password"), this));
      password_ = AddField(form, tr("Password:"));
    } else {
      if (!call.note.empty()) {
        auto* note = new QLabel(ToQString(call.note), this);
        note->setWordWrap(true);
        layout->insertWidget(0, note);
      }
      if (call.asksOldPassword) password_ = AddField(form, tr("Old password:"));
      newPassword_ = AddField(form, tr("New password:"));
      confirmation_ = AddField(form, tr("Confirm new password:"));
    }
    message_ = new QLabel(this);
    message_->setVisible(false);
    layout->addWidget(message_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &PasswordDialog::cmdOk_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  }

 private:
  QLineEdit* AddField(QFormLayout* form, const QString& label) {
    auto* field = new QLineEdit(this);
    field->setEchoMode(QLineEdit::Password);
    form->addRow(label, field);
    return field;
  }

  static std::string Text(const QLineEdit* field) {
    return field ? field->text().toStdString() : std::string();
  }

  void cmdOk_Click() {
    const PasswordDialogAnswer answer{true, Text(password_), Text(newPassword_),
                                      Text(confirmation_)};
    const std::string refusal = validate_(answer);
    if (refusal.empty()) {
      accept();
      return;
    }
    message_->setText(QString::fromStdString(refusal));
    message_->setVisible(true);
    // A wrong password is typed again in its field, a mismatch in both new ones.
    const bool wrongPassword =
        kind_ == PasswordDialogCall::Verify ||
        refusal == PasswordChangeMessage(PasswordChangeResult::WrongOldPassword);
    QLineEdit* retype = wrongPassword ? password_ : newPassword_;
    if (!wrongPassword && confirmation_) confirmation_->clear();
    if (retype) {
      retype->clear();
      retype->setFocus();
    }
  }

  PasswordDialogCall::Kind kind_;
  std::function<std::string(const PasswordDialogAnswer&)> validate_;
  QLineEdit* password_ = nullptr;
  QLineEdit* newPassword_ = nullptr;
  QLineEdit* confirmation_ = nullptr;
  QLabel* message_ = nullptr;
};

// Shows the dialog (or asks the test handler) until validate accepts an answer
// (true) or the user cancels (false).
bool RunDialog(PasswordDialogCall call,
               const std::function<std::string(const PasswordDialogAnswer&)>& validate,
               QWidget* parent) {
  if (const auto& handler = Handler()) {
    // A script that never gives up must not hang its test.
    for (int attempt = 0; attempt < 100; ++attempt) {
      const PasswordDialogAnswer answer = handler(call);
      if (!answer.ok) return false;
      call.message = validate(answer);
      if (call.message.empty()) return true;
    }
    return false;
  }
  PasswordDialog dialog(call, validate, parent);
  if (call.inside) {
    // A child of the show's window: it has the keyboard whenever the show has.
    dialog.setWindowFlags(Qt::Widget);
    dialog.setAutoFillBackground(true);
    dialog.adjustSize();
    dialog.move((parent->width() - dialog.width()) / 2, (parent->height() - dialog.height()) / 2);
    dialog.show();
    dialog.raise();
    if (QWidget* first = dialog.findChild<QLineEdit*>()) first->setFocus();
    return dialog.exec() == QDialog::Accepted;
  }
  // Over a locked show on X (windows the window manager does not manage, kept
  // above every other) the prompt is one of them, and takes the focus itself;
  // the show's grabs carry on while it is up, so keys reach it and nobody else.
  // Taken off the screen by another program, it counts as cancelled.
  std::optional<WindowDestroyWatch> watch;
  if (call.kind == PasswordDialogCall::Verify && parent) {
    if (parent->window()->windowFlags() & Qt::X11BypassWindowManagerHint) {
      dialog.setWindowFlag(Qt::X11BypassWindowManagerHint, true);
      // A context menu would take the pointer and let it go again.
      for (QLineEdit* field : dialog.findChildren<QLineEdit*>()) field->setContextMenuPolicy(Qt::NoContextMenu);
      QTimer::singleShot(0, &dialog, [&dialog] {
        dialog.activateWindow();
        FocusNativeWindow(dialog);
      });
    }
    watch.emplace(dialog, [&dialog](quintptr) {
      if (dialog.isVisible()) dialog.reject();
    });
  }
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace

std::string HashPassword(const std::string& password) {
  char setting[CRYPT_GENSALT_OUTPUT_SIZE];
  // No random bytes given: libcrypt takes them from the operating system.
  if (!crypt_gensalt_rn("$y$", 0, nullptr, 0, setting, sizeof setting)) return {};
  return Crypt(password, setting);
}

bool PasswordMatches(const std::string& typed, const std::string& hash) {
  if (hash.empty()) return false;
  const std::string computed = Crypt(typed, hash);
  return !computed.empty() && EqualInConstantTime(computed, hash);
}

bool HasScreenSavePassword() { return !StoredHash().empty(); }

bool CheckScreenSavePassword(const std::string& typed) {
  const std::string hash = StoredHash();
  return hash.empty() || PasswordMatches(typed, hash);
}

bool StoreScreenSavePassword(const std::string& password) {
  bool stored;
  if (password.empty()) {
    // Off first, so a failure half-way never leaves the show asking for a
    // password that is gone.
    stored = RegSetValue(Hive::CurrentUser, kPasswordKey, kUsePasswordValue, "0") &&
             RegSetValue(Hive::CurrentUser, kPasswordKey, kPasswordHashValue, "");
  } else {
    const std::string hash = HashPassword(password);
    stored = !hash.empty() &&
             RegSetValue(Hive::CurrentUser, kPasswordKey, kPasswordHashValue, hash) &&
             RegSetValue(Hive::CurrentUser, kPasswordKey, kUsePasswordValue, "1");
  }
  RestrictHive();
  return stored;
}

PasswordChangeResult ChangeScreenSavePassword(const std::string& oldPassword,
                                              const std::string& newPassword,
                                              const std::string& confirmation) {
  const std::string hash = StoredHash();
  if (!hash.empty() && !PasswordMatches(oldPassword, hash))
    return PasswordChangeResult::WrongOldPassword;
  if (newPassword != confirmation) return PasswordChangeResult::Mismatch;
  if (!StoreScreenSavePassword(newPassword)) return PasswordChangeResult::NotSaved;
  return PasswordChangeResult::Changed;
}

std::string PasswordChangeMessage(PasswordChangeResult result) {
  switch (result) {
    case PasswordChangeResult::Changed: return {};
    case PasswordChangeResult::WrongOldPassword: return "The old password is not correct.";
    case PasswordChangeResult::Mismatch:
      return "The new and confirmed passwords do not match.\nPlease retype them.";
    case PasswordChangeResult::NotSaved: return "The password could not be saved.";
  }
  return {};
}

bool VerifyScreenSavePwd(QWidget* parent, const std::string& caption, bool inside) {
  const std::string hash = StoredHash();
  if (hash.empty()) return true;
  PasswordDialogCall call;
  call.kind = PasswordDialogCall::Verify;
  call.caption = caption;
  call.inside = inside && parent;
  return RunDialog(
      call,
      [&hash](const PasswordDialogAnswer& answer) {
        return PasswordMatches(answer.password, hash) ? std::string() : kWrongPasswordMessage;
      },
      parent);
}

void SetPasswordDialogHandler(
    std::function<PasswordDialogAnswer(const PasswordDialogCall&)> handler) {
  Handler() = std::move(handler);
}

bool PwdChangePassword(const std::string& provider, QWidget* parent) {
  if (provider != "SCRSAVE") return false;
  PasswordDialogCall call;
  call.kind = PasswordDialogCall::Change;
  call.caption = "Change Password";
  call.asksOldPassword = HasScreenSavePassword();
  if (ShowLocksSession()) {
    const std::string cannotHold = SessionCannotHoldPasswordNote();
    call.note = cannotHold.empty() ? kSessionLockNote : cannotHold;
  }
  const bool changed = RunDialog(
      call,
      [](const PasswordDialogAnswer& answer) {
        return PasswordChangeMessage(
            ChangeScreenSavePassword(answer.password, answer.newPassword, answer.confirmation));
      },
      parent);
  if (changed) MsgBox("Password has been successfully changed.", vbInformation, "Password", parent);
  return changed;
}

}  // namespace orvane::platform
