#include "installer/InstallerWindows.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>
#include <functional>

#include "installer/DiskSpace.h"
#include "platform/msgbox.h"
#include "platform/textcodec.h"

namespace orvane::installer {

namespace {

QString Text(const std::string& bytes) { return platform::ToQString(bytes); }

// The small windows stay above the installer window that owns them.
void MakeOwnedWindow(QWidget& window) {
  window.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

// Enter presses the focused button of window, else runs ok; Esc runs cancel.
// Returns false for any other key.
bool DialogKey(QWidget& window, QKeyEvent* event, const std::function<void()>& ok,
               const std::function<void()>& cancel) {
  const int key = event->key();
  if (event->modifiers() & ~Qt::KeypadModifier) return false;
  if (key == Qt::Key_Escape) {
    cancel();
    return true;
  }
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  auto* button = qobject_cast<QPushButton*>(window.focusWidget());
  if (button && button->isVisible() && button->isEnabled()) button->click();
  else ok();
  return true;
}

QLabel* WrappedLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

}  // namespace

// ---- frmStatus ----------------------------------------------------------------

frmStatus::frmStatus(QWidget* owner) : QWidget(owner) {
  MakeOwnedWindow(*this);
  setWindowFlag(Qt::WindowCloseButtonHint, false);
  setWindowTitle(QStringLiteral("Installing Image Sets"));
  Frame1 = new QGroupBox(this);
  lblMessage = WrappedLabel({}, Frame1);
  lblStatus = new QLabel(Frame1);
  Label1 = new QLabel(Frame1);
  lblStatus->setMinimumWidth(360);
  auto* frame = new QVBoxLayout(Frame1);
  frame->addWidget(lblMessage);
  frame->addWidget(lblStatus);
  frame->addWidget(Label1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Frame1);
}

void frmStatus::SetMessage(const std::string& text) { lblMessage->setText(Text(text)); }
void frmStatus::SetStatus(const std::string& text) { lblStatus->setText(Text(text)); }

// ---- frmSelectSets --------------------------------------------------------------

frmSelectSets::frmSelectSets(QWidget* owner) : QWidget(owner) {
  MakeOwnedWindow(*this);
  setWindowTitle(QStringLiteral("Select Image Sets"));
  lstSets = new QListWidget(this);
  lstSets->setSelectionMode(QAbstractItemView::MultiSelection);
  lblRequired = new QLabel(QStringLiteral("0 bytes"), this);
  lblAvailable = new QLabel(this);
  lblRequired->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblAvailable->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  cmdOk = new QPushButton(QStringLiteral("OK"), this);
  cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  Command1 = new QPushButton(this);
  Command1->hide();

  auto* availableCaption = new QLabel(QStringLiteral("Available Disk Space:"), this);
  const QString note = QStringLiteral("Note: This value may be misreported on drives over 2 Gigabytes.");
  availableCaption->setToolTip(note);
  lblAvailable->setToolTip(note);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Select Image Set(s) to install."), this));
  layout->addWidget(lstSets);
  auto* figures = new QGridLayout;
  figures->addWidget(new QLabel(QStringLiteral("Required Disk Space:"), this), 0, 0);
  figures->addWidget(lblRequired, 0, 1);
  figures->addWidget(availableCaption, 1, 0);
  figures->addWidget(lblAvailable, 1, 1);
  layout->addLayout(figures);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOk);
  buttons->addWidget(cmdCancel);
  layout->addLayout(buttons);
  resize(420, 320);

  connect(lstSets, &QListWidget::itemSelectionChanged, this, &frmSelectSets::lstSets_Click);
  connect(cmdOk, &QPushButton::clicked, this, &frmSelectSets::cmdOk_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmSelectSets::cmdCancel_Click);
}

void frmSelectSets::Form_Load(const std::vector<clsILB>& libraries) {
  lstSets->clear();
  itemData_.clear();
  for (const clsILB& library : libraries) {
    lstSets->addItem(Text(library.szSetName));
    itemData_.push_back(library.lSizeNeeded);
  }
  MeasureAvailable();
  lblRequired->setText(QStringLiteral("0 bytes"));
}

void frmSelectSets::MeasureAvailable() {
  if (!Folder.empty())
    if (const auto disk = QueryDisk(Folder))
      lAvailable = std::int64_t(std::min<std::uint64_t>(disk->freeBytes, INT64_MAX));
  lblAvailable->setText(QString::fromStdString(FormatThousands(lAvailable) + " bytes"));
}

void frmSelectSets::showEvent(QShowEvent* event) {
  MeasureAvailable();
  QWidget::showEvent(event);
}

void frmSelectSets::lstSets_Click() {
  MeasureAvailable();
  req = 0;
  for (int i = 0; i < lstSets->count(); ++i)
    if (lstSets->item(i)->isSelected()) req += ItemData(i);
  requiredRed_ = req > lAvailable;
  lblRequired->setStyleSheet(requiredRed_ ? QStringLiteral("color: rgb(255, 0, 0);")
                                          : QStringLiteral("color: rgb(0, 0, 0);"));
  lblRequired->setText(QString::fromStdString(FormatThousands(req) + " bytes"));
  Command1->setFocus();
}

void frmSelectSets::cmdOk_Click() {
  Command1->setFocus();
  lstSets_Click();  // the free space as it is now, and the total shown against it
  if (lAvailable >= req) {
    CloseState = true;
    hide();
    return;
  }
  platform::MsgBox("There is not enough disk space to install the selected sets.",
                   platform::vbExclamation, "Not enough disk space!", this);
}

void frmSelectSets::cmdCancel_Click() {
  Command1->setFocus();
  CloseState = false;
  hide();
}

void frmSelectSets::closeEvent(QCloseEvent* event) {
  CloseState = false;
  QWidget::closeEvent(event);
}

void frmSelectSets::keyPressEvent(QKeyEvent* event) {
  if (!DialogKey(*this, event, [this] { cmdOk_Click(); }, [this] { cmdCancel_Click(); }))
    QWidget::keyPressEvent(event);
}

// ---- frmLicenseAgreement ----------------------------------------------------------

frmLicenseAgreement::frmLicenseAgreement(QWidget* owner) : QWidget(owner) {
  MakeOwnedWindow(*this);
  setWindowTitle(QStringLiteral("Software License Agreement"));
  txtAgreement = new QPlainTextEdit(this);
  txtAgreement->setReadOnly(true);
  // Read-only text without a visible caret; PAGE DOWN still scrolls it.
  txtAgreement->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  txtAgreement->setCursorWidth(0);
  chkAccept = new QCheckBox(QStringLiteral("I accept all the terms of the preceding License Agreement."), this);
  cmdAccept = new QPushButton(QStringLiteral("Accept"), this);
  cmdDecline = new QPushButton(QStringLiteral("Decline"), this);
  cmdOk = new QPushButton(QStringLiteral("OK"), this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(WrappedLabel(
      QStringLiteral("Please read the following License agreement.  Press the PAGE DOWN Key to see the "
                     "rest of the Agreement."),
      this));
  layout->addWidget(txtAgreement, 1);
  layout->addWidget(WrappedLabel(
      QStringLiteral("Do you accept all the terms of the preceding License Agreement? If you chose "
                     "\"Decline\", This image set will not be installed. To install this image set, "
                     "you must accept this agreement."),
      this));
  layout->addWidget(chkAccept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdAccept);
  buttons->addWidget(cmdDecline);
  buttons->addWidget(cmdOk);
  layout->addLayout(buttons);
  resize(560, 460);

  connect(cmdAccept, &QPushButton::clicked, this, &frmLicenseAgreement::cmdAccept_Click);
  connect(cmdDecline, &QPushButton::clicked, this, &frmLicenseAgreement::cmdDecline_Click);
  connect(cmdOk, &QPushButton::clicked, this, &frmLicenseAgreement::cmdOk_Click);
}

void frmLicenseAgreement::Prepare(const std::string& setName, const std::string& licenseText) {
  // A licence in UTF-8 says so with its byte-order mark; else it is windows-1252.
  QString text = Text(licenseText);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
  txtAgreement->setPlainText(text);
  setWindowTitle(Text("License Agreement for \"" + setName + "\" image set."));
  szImageSet = setName;
  chkAccept->setChecked(false);
  Result = 0;
}

void frmLicenseAgreement::cmdAccept_Click() {
  Result = kAccepted;
  hide();
}

void frmLicenseAgreement::cmdDecline_Click() {
  Result = kDeclined;
  hide();
}

void frmLicenseAgreement::cmdOk_Click() {
  if (chkAccept->isChecked()) {
    Result = kAccepted;
    hide();
    return;
  }
  const int answer = platform::MsgBox(
      "If you don't accept the terms of the License Agreement, the image set \"" + szImageSet +
          "\"\r\n will not be installed. To install the image set you must accept the License "
          "Agreement.\r\n\r\nAre you sure you want to decline?",
      platform::vbYesNo | platform::vbExclamation, "Decline the License Agreement?", this);
  if (answer != platform::vbYes) return;
  platform::MsgBox("The image set \"" + szImageSet +
                       "\" will not be installed.\r\n\r\nYou may install the image set later by "
                       "running the Setup program\r\nand accepting the License Agreement.",
                   platform::vbInformation, "License Agreement Declined.", this);
  Result = kDeclined;
  hide();
}

void frmLicenseAgreement::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  txtAgreement->setFocus();
}

void frmLicenseAgreement::closeEvent(QCloseEvent* event) {
  Result = kDeclined;
  QWidget::closeEvent(event);
}

void frmLicenseAgreement::keyPressEvent(QKeyEvent* event) {
  const auto closeBox = [this] {
    Result = kDeclined;
    hide();
  };
  if (!DialogKey(*this, event, [this] { cmdOk_Click(); }, closeBox)) QWidget::keyPressEvent(event);
}

// ---- frmComplete --------------------------------------------------------------------

frmComplete::frmComplete(QWidget* owner) : QWidget(owner) {
  MakeOwnedWindow(*this);
  setWindowTitle(QStringLiteral("Done"));
  Label1 = new QLabel(QStringLiteral("Image set installation complete."), this);
  chkConfigure = new QCheckBox(QStringLiteral("Run the Configuration Program."), this);
  chkConfigure->setChecked(true);
  Label2 = new QLabel(QStringLiteral("(Highly Recommended)"), this);
  cmdOk = new QPushButton(QStringLiteral("OK"), this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  auto* check = new QHBoxLayout;
  check->addWidget(chkConfigure);
  check->addWidget(Label2);
  check->addStretch();
  layout->addLayout(check);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOk);
  layout->addLayout(buttons);

  connect(cmdOk, &QPushButton::clicked, this, &frmComplete::cmdOk_Click);
}

void frmComplete::ShowNothingInstalled() {
  Label1->setText(QStringLiteral("No image sets were installed.  Run setup later to install image sets."));
  chkConfigure->setChecked(false);
  chkConfigure->hide();
  Label2->hide();
}

void frmComplete::cmdOk_Click() {
  CloseStatus = chkConfigure->isChecked() ? kAccepted : kDeclined;
  hide();
}

void frmComplete::closeEvent(QCloseEvent* event) {
  CloseStatus = kDeclined;
  QWidget::closeEvent(event);
}

void frmComplete::keyPressEvent(QKeyEvent* event) {
  const auto closeBox = [this] {
    CloseStatus = kDeclined;
    hide();
  };
  if (!DialogKey(*this, event, [this] { cmdOk_Click(); }, closeBox)) QWidget::keyPressEvent(event);
}

}  // namespace orvane::installer
