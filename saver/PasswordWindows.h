#pragma once
// The saver's own password windows: frmNewPassword stores a password, encoded,
// as "control.ini" [ScreenSaver] "VersionInfo" in the Windows folder;
// frmPassword asks for one. The show itself asks the system's password prompt;
// these windows are kept as the program has them.
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orvane::saver {

class frmNewPassword : public QWidget {
  Q_OBJECT

 public:
  explicit frmNewPassword(QWidget* parent = nullptr);

  QLineEdit* txtPassword = nullptr;
  QLineEdit* txtConfirmPassword = nullptr;
  QPushButton* cmdOk = nullptr;
  QPushButton* cmdCancel = nullptr;

  // Different texts: both boxes emptied and a warning; the window stays.
  // The same text: stored encoded, a confirmation shown, the window hidden.
  void cmdOk_Click();
  // Hides the window; nothing is written.
  void cmdCancel_Click();
  // Enter acts as OK, Esc as Cancel; both are swallowed (keyAscii = 0).
  void Form_KeyPress(int& keyAscii);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

class frmPassword : public QWidget {
  Q_OBJECT

 public:
  explicit frmPassword(QWidget* parent = nullptr);

  QLabel* lblPrompt = nullptr;
  QLineEdit* txtPassword = nullptr;
  QPushButton* cmdOk = nullptr;
  QPushButton* cmdCancel = nullptr;

  // The text entered when OK was last pressed; empty after load.
  const QString& Password() const { return password_; }

  // Caption from PasswordTitle (default "Screen Saver"), password emptied.
  void Form_Load();
  void cmdOk_Click();
  void cmdCancel_Click();
  void txtPassword_KeyPress(int& keyAscii);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString password_;
};

}  // namespace orvane::saver
