#pragma once
// The screen-saver password: a salted yescrypt hash in the HKEY_CURRENT_USER
// hive (a file only its owner may read), the prompt that checks it before the
// show ends and the dialog that changes it. The checks and the change work on
// typed text (UTF-8) so that they run without a window; the dialogs can be
// scripted by tests like message boxes.
#include <functional>
#include <string>

class QWidget;

namespace orvane::platform {

// Registry key and values: "ScreenSaveUsePassword" ("1"/"0") tells the show to
// ask; the hash is kept beside it.
inline constexpr char kPasswordKey[] = "Control Panel\\desktop";
inline constexpr char kUsePasswordValue[] = "ScreenSaveUsePassword";
inline constexpr char kPasswordHashValue[] = "ScreenSavePasswordHash";

// A new salted hash of password ("$y$..."), or empty when libcrypt fails.
std::string HashPassword(const std::string& password);
// True when typed hashes to hash under hash's own salt.
bool PasswordMatches(const std::string& typed, const std::string& hash);

// True when a usable hash is stored.
bool HasScreenSavePassword();
// True when no password is stored or typed is the stored one.
bool CheckScreenSavePassword(const std::string& typed);
// Stores the password and sets "ScreenSaveUsePassword" to "1"; an empty one
// clears the hash and sets it to "0". The hive is left readable by its owner
// only. False when the hive cannot be written.
bool StoreScreenSavePassword(const std::string& password);

enum class PasswordChangeResult { Changed, WrongOldPassword, Mismatch, NotSaved };
// The change dialog's rule: the old password must be right (when one is set),
// the new one and its confirmation must be equal (case-sensitive); then it is
// stored.
PasswordChangeResult ChangeScreenSavePassword(const std::string& oldPassword,
                                              const std::string& newPassword,
                                              const std::string& confirmation);
// The text the dialog shows for a refused change; empty for Changed.
std::string PasswordChangeMessage(PasswordChangeResult result);

// Asks for the password in a small modal prompt over parent (kept above a
// full-screen show). True when no password is stored or the right one was
// typed; false when the prompt was cancelled. A wrong password is reported in
// the prompt, which stays open for another try. caption is code-page text.
// inside: drawn inside parent's window, part of it (a full-screen show in a
// Wayland session, where a separate window over it would not get the keyboard).
bool VerifyScreenSavePwd(QWidget* parent, const std::string& caption = "Screen Saver", bool inside = false);

// What the change dialog says in a Wayland session, where the show locks the
// session instead of asking for this password (unless the session cannot hold
// it: then it says that, platform/session_lock.h).
inline constexpr char kSessionLockNote[] =
    "In a Wayland session the screen saver locks the session instead of asking for this password, "
    "and you unlock it with your login password.";

// The change-password dialog for provider "SCRSAVE" (other providers are not
// ours: false). Asks the old password when one is set, then the new one twice.
// True when a password was stored (an empty one switches the password off).
bool PwdChangePassword(const std::string& provider, QWidget* parent = nullptr);

// Test hook: the handler answers every dialog instead of the screen. It is
// asked again, with the refusal in message, until its answer is accepted or it
// cancels.
struct PasswordDialogCall {
  enum Kind { Verify, Change } kind = Verify;
  std::string caption;
  std::string message;         // why the previous answer was refused; empty at first
  bool asksOldPassword = false;  // Change: a password is set, so the old one is asked
  std::string note;            // a sentence shown above the fields; empty for none
  bool inside = false;         // Verify: drawn inside the parent's window
};
struct PasswordDialogAnswer {
  bool ok = false;             // false: Cancel
  std::string password;        // Verify: the password; Change: the old password
  std::string newPassword;     // Change only
  std::string confirmation;    // Change only
};
void SetPasswordDialogHandler(
    std::function<PasswordDialogAnswer(const PasswordDialogCall&)> handler);

}  // namespace orvane::platform
