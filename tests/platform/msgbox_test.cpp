#include "platform/msgbox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/runlog.h"
#include "tests/support/testenv.h"

namespace pf = orvane::platform;

TEST(MsgBox, HandlerSeesEveryBoxAndGivesTheAnswer) {
  std::vector<pf::MessageBoxCall> calls;
  pf::SetMessageBoxHandler([&](const pf::MessageBoxCall& call) {
    calls.push_back(call);
    return call.style & pf::vbYesNo ? pf::vbNo : pf::vbOK;
  });
  EXPECT_EQ(pf::MsgBox("Unable to find image sets. PATH = /x/", pf::vbOKOnly, "ERROR"), pf::vbOK);
  EXPECT_EQ(pf::MsgBox("Replace?", pf::vbYesNo + pf::vbQuestion), pf::vbNo);
  pf::SetMessageBoxHandler({});
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].text, "Unable to find image sets. PATH = /x/");
  EXPECT_EQ(calls[0].title, "ERROR");
  EXPECT_EQ(calls[1].style, 36);
  EXPECT_EQ(calls[1].title, "");
}

// With nobody to answer, a box is one line on standard error and in the log,
// answered as a box closed without a button, and the run counts as failed.
TEST(MsgBox, UnattendedBoxesAreWrittenDownAndAnsweredAsClosed) {
  pf::SetMessageBoxHandler([](const pf::MessageBoxCall&) -> int {
    ADD_FAILURE() << "no box may be shown";
    return pf::vbOK;
  });
  pf::ClearRunFailure();
  pf::SetUnattendedMessageBoxes(true);
  testing::internal::CaptureStderr();
  EXPECT_EQ(pf::MsgBox("Unable to find image sets. PATH = /x/", pf::vbExclamation, "ERROR"), pf::vbOK);
  EXPECT_EQ(pf::MsgBox("Replace it?\r\nAll of it?", pf::vbYesNoCancel + pf::vbQuestion), pf::vbCancel);
  EXPECT_EQ(pf::MsgBox("Go on?", pf::vbYesNo), pf::vbYes);
  const std::string errors = testing::internal::GetCapturedStderr();
  pf::SetUnattendedMessageBoxes(false);
  pf::SetMessageBoxHandler({});
  const std::string program = QCoreApplication::applicationName().toLower().toStdString();
  EXPECT_EQ(errors, program + ": ERROR: Unable to find image sets. PATH = /x/\n" + program +
                        ": Replace it? All of it?\n" + program + ": Go on?\n");
  const std::string log = orvane::test::ReadFile(pf::RunLogFile());
  EXPECT_NE(log.find(" ERROR: Unable to find image sets. PATH = /x/\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" Replace it? All of it?\n"), std::string::npos) << log;
  EXPECT_TRUE(pf::RunFailed());
}

namespace {

struct Seen {
  QStringList buttons;
  QString text, title, defaultButton;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QWidget* parent = nullptr;
};

// Reads the real box once it is up and presses the button named press (or
// closes it with Escape when press is empty).
void AnswerNextBox(Seen& seen, const QString& press) {
  QTimer::singleShot(0, [&seen, press] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    for (QAbstractButton* b : box->buttons()) seen.buttons << b->text().remove('&');
    seen.text = box->text();
    seen.title = box->windowTitle();
    seen.icon = box->icon();
    seen.parent = box->parentWidget();
    if (box->defaultButton()) seen.defaultButton = box->defaultButton()->text().remove('&');
    for (QAbstractButton* b : box->buttons())
      if (b->text().remove('&') == press) return b->click();
    box->reject();
  });
}

}  // namespace

TEST(MsgBox, StyleBitsChooseButtonsIconAndDefault) {
  struct Case {
    int style;
    QString press;
    int result;
    QStringList buttons;
    QMessageBox::Icon icon;
    QString defaultButton;
  };
  const std::vector<Case> cases = {
      {pf::vbOKOnly, "OK", pf::vbOK, {"OK"}, QMessageBox::NoIcon, "OK"},
      {pf::vbOKCancel + pf::vbCritical, "Cancel", pf::vbCancel, {"OK", "Cancel"}, QMessageBox::Critical, "OK"},
      {pf::vbYesNo + pf::vbQuestion + 256, "Yes", pf::vbYes, {"Yes", "No"}, QMessageBox::Question, "No"},
      {pf::vbYesNoCancel + pf::vbExclamation, "", pf::vbCancel, {"Yes", "No", "Cancel"}, QMessageBox::Warning, "Yes"},
      {pf::vbAbortRetryIgnore + pf::vbInformation + 512, "Ignore", pf::vbIgnore, {"Abort", "Retry", "Ignore"},
       QMessageBox::Information, "Ignore"},
      {pf::vbRetryCancel, "Retry", pf::vbRetry, {"Retry", "Cancel"}, QMessageBox::NoIcon, "Retry"},
  };
  for (const Case& c : cases) {
    Seen seen;
    AnswerNextBox(seen, c.press);
    EXPECT_EQ(pf::MsgBox("Caf\xE9", c.style, "T\xEEtle"), c.result) << c.style;
    QStringList sortedSeen = seen.buttons, sortedWanted = c.buttons;
    sortedSeen.sort();
    sortedWanted.sort();
    EXPECT_EQ(sortedSeen, sortedWanted) << c.style;
    EXPECT_EQ(seen.icon, c.icon) << c.style;
    EXPECT_EQ(seen.defaultButton, c.defaultButton) << c.style;
    EXPECT_EQ(seen.text, QString::fromUtf8("Caf\u00e9"));
    EXPECT_EQ(seen.title, QString::fromUtf8("T\u00eetle"));
  }
}

TEST(MsgBox, OwnerParentsBoxesThatNameNoParent) {
  QWidget show;
  pf::SetMessageBoxOwner(&show);
  Seen seen;
  AnswerNextBox(seen, "OK");
  pf::MsgBox("x");
  EXPECT_EQ(seen.parent, &show);
  pf::SetMessageBoxOwner(nullptr);
  QWidget other;
  AnswerNextBox(seen, "OK");
  pf::MsgBox("x", pf::vbOKOnly, "", &other);
  EXPECT_EQ(seen.parent, &other);
}
