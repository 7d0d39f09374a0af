#pragma once
// One message-box function for every program. Tests script the answers and
// record what was shown; a box raised while a full-screen window is up is
// parented to it so it is never hidden underneath.
#include <functional>
#include <string>

class QWidget;

namespace orvane::platform {

// Styles and results keep the numbers the programs use.
enum MsgBoxStyle : int {
  vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4,
  vbRetryCancel = 5, vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
};
enum MsgBoxResult : int {
  vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7,
};

// text and title are code-page bytes (windows-1252 unless told otherwise).
int MsgBox(const std::string& text, int style = vbOKOnly, const std::string& title = "",
           QWidget* parent = nullptr);

// The window that boxes are parented to when no parent is given (the slide show
// sets itself while it is up); nullptr for none.
void SetMessageBoxOwner(QWidget* owner);

// A run with nobody to answer (the dialog hidden for the changer): while on,
// every box is one line on standard error and in the run log ("title: text",
// runlog.h), is answered as a box closed without a button (Cancel where there
// is one, else the first button) and marks the run as failed. Comes before the
// test handler below.
void SetUnattendedMessageBoxes(bool on);
bool UnattendedMessageBoxes();

// Test hook: every box goes to the handler instead of the screen; the handler's
// result is the box's answer. An empty function restores real boxes.
struct MessageBoxCall {
  std::string text;
  int style = 0;
  std::string title;
};
void SetMessageBoxHandler(std::function<int(const MessageBoxCall&)> handler);

}  // namespace orvane::platform
