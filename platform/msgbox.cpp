#include "platform/msgbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <utility>
#include <vector>

#include "platform/runlog.h"
#include "platform/textcodec.h"

namespace orvane::platform {

namespace {

std::function<int(const MessageBoxCall&)>& Handler() {
  static std::function<int(const MessageBoxCall&)> handler;
  return handler;
}

QPointer<QWidget>& Owner() {
  static QPointer<QWidget> owner;
  return owner;
}

bool g_unattended = false;

QString FromCodePage(const std::string& bytes) { return ToQString(bytes); }

struct ButtonChoice {
  QMessageBox::StandardButton button;
  int result;
};

std::vector<ButtonChoice> ButtonsFor(int style) {
  switch (style & 0x0F) {
    case vbOKCancel: return {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
    case vbAbortRetryIgnore:
      return {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
    case vbYesNoCancel: return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
    case vbYesNo: return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}};
    case vbRetryCancel: return {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
    default: return {{QMessageBox::Ok, vbOK}};
  }
}

QMessageBox::Icon IconFor(int style) {
  switch (style & 0x70) {
    case vbCritical: return QMessageBox::Critical;
    case vbQuestion: return QMessageBox::Question;
    case vbExclamation: return QMessageBox::Warning;
    case vbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int ClosedAnswer(const std::vector<ButtonChoice>& choices) {
  for (const auto& choice : choices)
    if (choice.result == vbCancel) return vbCancel;
  return choices.front().result;
}

// The box as one line of the run log.
int WriteDown(const std::string& text, const std::string& title, const std::vector<ButtonChoice>& choices) {
  const QString line = title.empty() ? FromCodePage(text) : FromCodePage(title) + ": " + FromCodePage(text);
  ReportRunFailure(line.toStdString());
  return ClosedAnswer(choices);
}

}  // namespace

void SetUnattendedMessageBoxes(bool on) { g_unattended = on; }
bool UnattendedMessageBoxes() { return g_unattended; }

void SetMessageBoxOwner(QWidget* owner) { Owner() = owner; }

void SetMessageBoxHandler(std::function<int(const MessageBoxCall&)> handler) { Handler() = std::move(handler); }

int MsgBox(const std::string& text, int style, const std::string& title, QWidget* parent) {
  const std::vector<ButtonChoice> choices = ButtonsFor(style);
  if (g_unattended) return WriteDown(text, title, choices);
  if (Handler()) return Handler()(MessageBoxCall{text, style, title});
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return choices.front().result;

  QWidget* owner = parent ? parent : Owner().data();
  // No title: the program's name, as the run time does.
  const QString caption = title.empty() ? QCoreApplication::applicationName() : FromCodePage(title);
  QMessageBox box(IconFor(style), caption, FromCodePage(text), QMessageBox::NoButton, owner);
  std::vector<std::pair<QAbstractButton*, int>> buttons;
  for (const auto& choice : choices) buttons.emplace_back(box.addButton(choice.button), choice.result);
  // Default button: style bits 256 (second) and 512 (third).
  const std::size_t defaultIndex = static_cast<std::size_t>((style >> 8) & 0x3);
  if (defaultIndex < buttons.size())
    if (auto* push = qobject_cast<QPushButton*>(buttons[defaultIndex].first)) box.setDefaultButton(push);
  if (owner && owner->isVisible()) box.setWindowModality(Qt::WindowModal);
  box.exec();

  QAbstractButton* clicked = box.clickedButton();
  for (const auto& [button, result] : buttons)
    if (button == clicked) return result;
  // Closed without a button: Cancel where there is one, else the first button.
  return ClosedAnswer(choices);
}

}  // namespace orvane::platform
