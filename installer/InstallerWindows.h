#pragma once
// The installer's small windows: the status window, the set chooser, the
// licence page and the completion page. Each is closed by hiding it; the install
// run reads their public results. In the three question windows Enter presses
// the button that has the focus, else the window's OK, and Esc answers as the
// close box does.
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "installer/Library.h"

class QCheckBox;
class QKeyEvent;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace orvane::installer {

// Results of the question windows.
inline constexpr int kAccepted = 6;  // vbYes
inline constexpr int kDeclined = 7;  // vbNo

// Progress of the run: what is done (lblMessage), the current item (lblStatus)
// and the program folder (Label1).
class frmStatus : public QWidget {
  Q_OBJECT

 public:
  explicit frmStatus(QWidget* owner = nullptr);

  QGroupBox* Frame1 = nullptr;
  QLabel* lblMessage = nullptr;
  QLabel* lblStatus = nullptr;
  QLabel* Label1 = nullptr;

  void SetMessage(const std::string& text);
  void SetStatus(const std::string& text);
};

// The set chooser, shown when the source folder holds several libraries.
class frmSelectSets : public QWidget {
  Q_OBJECT

 public:
  explicit frmSelectSets(QWidget* owner = nullptr);

  QListWidget* lstSets = nullptr;
  QLabel* lblRequired = nullptr;
  QLabel* lblAvailable = nullptr;
  QPushButton* cmdOk = nullptr;
  QPushButton* cmdCancel = nullptr;
  QPushButton* Command1 = nullptr;  // hidden; takes the focus after a click

  bool CloseState = false;       // true when closed with OK
  std::int64_t lAvailable = 0;   // free bytes
  // The folder the sets go to: when set, lAvailable is measured again each time
  // the figure is shown or checked (the list loaded, the window shown, a click
  // in the list, OK), since other programs use the disk meanwhile.
  std::string Folder;
  std::int64_t req = 0;          // bytes of the selected sets

  // Fills the list with each library's set name; the list's entry i stands for
  // libraries[i], whose need is its item data.
  void Form_Load(const std::vector<clsILB>& libraries);
  std::int64_t ItemData(int index) const { return itemData_.at(static_cast<std::size_t>(index)); }
  bool RequiredShownRed() const { return requiredRed_; }

  void lstSets_Click();
  void cmdOk_Click();
  void cmdCancel_Click();

 protected:
  // The close box cancels.
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // lAvailable from Folder's file system (kept when it cannot be asked), shown.
  void MeasureAvailable();
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::vector<std::int64_t> itemData_;
  bool requiredRed_ = false;
};

// The licence page of one set.
class frmLicenseAgreement : public QWidget {
  Q_OBJECT

 public:
  explicit frmLicenseAgreement(QWidget* owner = nullptr);

  QPlainTextEdit* txtAgreement = nullptr;
  QCheckBox* chkAccept = nullptr;
  QPushButton* cmdAccept = nullptr;
  QPushButton* cmdDecline = nullptr;
  QPushButton* cmdOk = nullptr;

  int Result = 0;            // kAccepted or kDeclined
  std::string szImageSet;    // the set's name (code-page bytes)

  // Prepares the page for one set: its text, caption and name; the box unticked
  // and no answer given yet.
  void Prepare(const std::string& setName, const std::string& licenseText);

  void cmdAccept_Click();
  void cmdDecline_Click();
  void cmdOk_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  // The close box declines.
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// The completion page.
class frmComplete : public QWidget {
  Q_OBJECT

 public:
  explicit frmComplete(QWidget* owner = nullptr);

  QLabel* Label1 = nullptr;
  QCheckBox* chkConfigure = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* cmdOk = nullptr;

  int CloseStatus = 0;  // kAccepted: run the configuration; kDeclined: not

  // The page when no set was installed: its own text, no check box.
  void ShowNothingInstalled();
  void cmdOk_Click();

 protected:
  // The close box is OK without running anything.
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace orvane::installer
