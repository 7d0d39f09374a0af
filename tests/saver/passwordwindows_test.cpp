// The saver's own password windows: the new-password window's check and its
// entry in control.ini, and the password prompt's OK, Cancel and keys.
#include "saver/PasswordWindows.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <filesystem>
#include <vector>

#include "core/Globals.h"
#include "core/PPS.h"
#include "platform/folders.h"
#include "platform/msgbox.h"

namespace orvane::saver {
namespace {

class PasswordFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHandler([this](const platform::MessageBoxCall& call) {
      boxes.push_back(call);
      return int(platform::vbOK);
    });
  }
  void TearDown() override { platform::SetMessageBoxHandler({}); }

  static std::string Stored() {
    return core::GetIniString("ScreenSaver", "VersionInfo", "<none>", "control.ini");
  }
  static void Press(QWidget* target, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
  }

  std::vector<platform::MessageBoxCall> boxes;
};

TEST_F(PasswordFixture, MatchingPasswordsAreStoredEncodedInTheWindowsFolder) {
  struct Case {
    QString password;
    std::string encoded;
  } cases[] = {
      {"abc", "158157156"},
      {QString::fromUtf8("aé"), "158022"},  // windows-1252 byte 0xE9
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoded);
    boxes.clear();
    frmNewPassword window;
    window.show();
    window.txtPassword->setText(c.password);
    window.txtConfirmPassword->setText(c.password);
    window.cmdOk_Click();
    EXPECT_EQ(Stored(), c.encoded);
    EXPECT_TRUE(std::filesystem::exists(platform::GetWindowsDirectory() + "control.ini"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Password has been successfully changed.");
    EXPECT_EQ(boxes[0].style, platform::vbInformation);
    EXPECT_EQ(boxes[0].title, "Password");
    EXPECT_TRUE(window.isHidden());
  }
}

TEST_F(PasswordFixture, ConfirmationDifferingInCaseIsRefusedAndBothBoxesCleared) {
  frmNewPassword window;
  window.show();
  window.txtPassword->setText("Secret");
  window.txtConfirmPassword->setText("secret");
  window.cmdOk_Click();
  EXPECT_EQ(Stored(), "<none>");
  EXPECT_TRUE(window.txtPassword->text().isEmpty());
  EXPECT_TRUE(window.txtConfirmPassword->text().isEmpty());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "The new and confirmed passwords do not match.\r\nPlease retype them.");
  EXPECT_EQ(boxes[0].style, platform::vbExclamation);
  EXPECT_EQ(boxes[0].title, "");
  EXPECT_TRUE(window.isVisible()) << "the window stays";
}

TEST_F(PasswordFixture, NewPasswordKeysAndCancel) {
  {
    frmNewPassword window;
    window.show();
    window.txtPassword->setText("x");
    window.txtConfirmPassword->setText("x");
    Press(window.txtConfirmPassword, Qt::Key_Return);  // acts as OK
    EXPECT_EQ(Stored(), "135");
    EXPECT_TRUE(window.isHidden());
  }
  for (const bool byKey : {false, true}) {
    frmNewPassword window;
    window.show();
    window.txtPassword->setText("other");
    window.txtConfirmPassword->setText("other");
    if (byKey) {
      Press(window.txtPassword, Qt::Key_Escape);
    } else {
      window.cmdCancel_Click();
    }
    EXPECT_TRUE(window.isHidden());
    EXPECT_EQ(Stored(), "135") << "nothing written on Cancel";
  }
  int keyAscii = 65;
  frmNewPassword window;
  window.Form_KeyPress(keyAscii);
  EXPECT_EQ(keyAscii, 65) << "other keys pass";
}

TEST_F(PasswordFixture, PromptKeepsTheTextOfTheLastOk) {
  core::PasswordTitle = "Harbour Saver";
  frmPassword prompt;
  EXPECT_EQ(prompt.windowTitle(), "Harbour Saver");
  EXPECT_TRUE(prompt.Password().isEmpty());

  prompt.show();
  prompt.txtPassword->setText("first");
  Press(prompt.txtPassword, Qt::Key_Enter);
  EXPECT_EQ(prompt.Password(), "first");
  EXPECT_TRUE(prompt.isHidden());

  prompt.show();
  prompt.txtPassword->setText("second");
  Press(prompt.txtPassword, Qt::Key_Escape);
  EXPECT_EQ(prompt.Password(), "first") << "Esc keeps what OK stored";
  EXPECT_TRUE(prompt.isHidden());
  prompt.cmdCancel_Click();
  EXPECT_EQ(prompt.Password(), "first");

  core::PasswordTitle.clear();
  prompt.Form_Load();
  EXPECT_EQ(prompt.windowTitle(), "Screen Saver");
  EXPECT_TRUE(prompt.Password().isEmpty());
}

}  // namespace
}  // namespace orvane::saver
