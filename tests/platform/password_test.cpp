#include "platform/password.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/folders.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "tests/support/testenv.h"

using namespace orvane::platform;

namespace {

std::optional<std::string> Stored(const char* value) {
  return RegQueryValue(Hive::CurrentUser, kPasswordKey, value);
}

std::filesystem::path HivePath() { return MachineStateFolder() + "HKEY_CURRENT_USER.reg"; }

// Answers the dialogs in turn from a script and records what each one showed.
struct Script {
  std::vector<PasswordDialogAnswer> answers;
  std::vector<PasswordDialogCall> calls;

  explicit Script(std::vector<PasswordDialogAnswer> script = {}) : answers(std::move(script)) {
    SetPasswordDialogHandler([this](const PasswordDialogCall& call) {
      calls.push_back(call);
      if (calls.size() > answers.size()) return PasswordDialogAnswer{};  // Cancel
      return answers[calls.size() - 1];
    });
  }
  Script(const Script&) = delete;
  Script& operator=(const Script&) = delete;
  ~Script() { SetPasswordDialogHandler({}); }
};

PasswordDialogAnswer Typed(std::string password) { return {true, std::move(password), {}, {}}; }
PasswordDialogAnswer Change(std::string old, std::string fresh, std::string confirmation) {
  return {true, std::move(old), std::move(fresh), std::move(confirmation)};
}

// Records message boxes instead of showing them.
struct Boxes {
  std::vector<MessageBoxCall> shown;
  Boxes() {
    SetMessageBoxHandler([this](const MessageBoxCall& call) {
      shown.push_back(call);
      return static_cast<int>(vbOK);
    });
  }
  ~Boxes() { SetMessageBoxHandler({}); }
};

}  // namespace

TEST(PasswordHash, IsSaltedAndMatchesOnlyTheSameText) {
  const std::string hash = HashPassword("Tide 42");
  ASSERT_EQ(hash.rfind("$y$", 0), 0u) << hash;
  EXPECT_EQ(hash.find("Tide"), std::string::npos);
  EXPECT_NE(HashPassword("Tide 42"), hash);  // a fresh salt every time

  struct Case {
    const char* typed;
    bool matches;
  };
  for (const Case& c : {Case{"Tide 42", true}, Case{"tide 42", false}, Case{"Tide 42 ", false},
                        Case{"", false}, Case{"Tide", false}}) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(PasswordMatches(c.typed, hash), c.matches);
  }
  EXPECT_FALSE(PasswordMatches("", ""));
  EXPECT_TRUE(PasswordMatches("", HashPassword("")));
}

TEST(ScreenSavePassword, NoPasswordStoredPassesWithoutAsking) {
  Script script;
  EXPECT_FALSE(HasScreenSavePassword());
  EXPECT_TRUE(CheckScreenSavePassword("whatever"));
  EXPECT_TRUE(VerifyScreenSavePwd(nullptr, "Screen Saver"));
  EXPECT_TRUE(script.calls.empty());
}

TEST(ScreenSavePassword, StoresAHashInAPrivateHiveAndSwitchesTheQuestionOn) {
  ASSERT_TRUE(StoreScreenSavePassword("Tide 42"));
  EXPECT_EQ(Stored(kUsePasswordValue), "1");
  const auto hash = Stored(kPasswordHashValue);
  ASSERT_TRUE(hash.has_value());
  EXPECT_TRUE(PasswordMatches("Tide 42", *hash));
  const std::string hive = orvane::test::ReadFile(HivePath());
  EXPECT_EQ(hive.find("Tide 42"), std::string::npos);
  EXPECT_EQ(std::filesystem::status(HivePath()).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  EXPECT_TRUE(HasScreenSavePassword());
  EXPECT_TRUE(CheckScreenSavePassword("Tide 42"));
  EXPECT_FALSE(CheckScreenSavePassword("tide 42"));

  // An empty password switches it off and drops the hash.
  ASSERT_TRUE(StoreScreenSavePassword(""));
  EXPECT_EQ(Stored(kUsePasswordValue), "0");
  EXPECT_EQ(Stored(kPasswordHashValue).value_or(""), "");
  EXPECT_FALSE(HasScreenSavePassword());
}

TEST(ScreenSavePassword, PromptRefusesAWrongPasswordUntilTheRightOneOrCancel) {
  ASSERT_TRUE(StoreScreenSavePassword("Tide 42"));
  {
    Script script{{Typed("tide 42"), Typed("Tide 42")}};
    EXPECT_TRUE(VerifyScreenSavePwd(nullptr, "My Saver"));
    ASSERT_EQ(script.calls.size(), 2u);
    EXPECT_EQ(script.calls[0].kind, PasswordDialogCall::Verify);
    EXPECT_EQ(script.calls[0].caption, "My Saver");
    EXPECT_EQ(script.calls[0].message, "");
    EXPECT_EQ(script.calls[1].message, "The password is not correct.");
  }
  {
    Script script{{Typed("wrong")}};  // then Cancel
    EXPECT_FALSE(VerifyScreenSavePwd(nullptr));
    EXPECT_EQ(script.calls.size(), 2u);
  }
}

TEST(ScreenSavePassword, ADamagedHashCountsAsNoPassword) {
  // "no..." would pass for an old DES salt; only a "$" method we can check counts.
  for (const char* damaged : {"not-a-hash", "$y$", "$y$j9T$", "*"}) {
    SCOPED_TRACE(damaged);
    ASSERT_TRUE(RegSetValue(Hive::CurrentUser, kPasswordKey, kPasswordHashValue, damaged));
    EXPECT_FALSE(HasScreenSavePassword());
    EXPECT_TRUE(CheckScreenSavePassword("anything"));
  }
}

TEST(PwdChangePassword, SetsChangesAndClearsThePassword) {
  Boxes boxes;
  {
    // No password yet: the old one is not asked; a mismatch is retyped.
    Script script{{Change("", "Tide 42", "tide 42"), Change("", "Tide 42", "Tide 42")}};
    EXPECT_TRUE(PwdChangePassword("SCRSAVE"));
    ASSERT_EQ(script.calls.size(), 2u);
    EXPECT_EQ(script.calls[0].kind, PasswordDialogCall::Change);
    EXPECT_FALSE(script.calls[0].asksOldPassword);
    EXPECT_EQ(script.calls[1].message,
              "The new and confirmed passwords do not match.\nPlease retype them.");
    EXPECT_EQ(Stored(kUsePasswordValue), "1");
    EXPECT_TRUE(CheckScreenSavePassword("Tide 42"));
  }
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Password has been successfully changed.");
  EXPECT_EQ(boxes.shown[0].style, vbInformation);
  EXPECT_EQ(boxes.shown[0].title, "Password");
  {
    // With a password set the old one must be right; an empty new one clears it.
    Script script{{Change("Ebb", "", ""), Change("Tide 42", "", "")}};
    EXPECT_TRUE(PwdChangePassword("SCRSAVE"));
    ASSERT_EQ(script.calls.size(), 2u);
    EXPECT_TRUE(script.calls[0].asksOldPassword);
    EXPECT_EQ(script.calls[1].message, "The old password is not correct.");
    EXPECT_EQ(Stored(kUsePasswordValue), "0");
    EXPECT_FALSE(HasScreenSavePassword());
  }
}

TEST(PwdChangePassword, CancelOrAnotherProviderChangesNothing) {
  ASSERT_TRUE(StoreScreenSavePassword("Tide 42"));
  Boxes boxes;
  Script script{{Change("Tide 42", "Ebb", "Flow")}};  // refused, then Cancel
  EXPECT_FALSE(PwdChangePassword("SCRSAVE"));
  EXPECT_FALSE(PwdChangePassword("MSNP32"));
  EXPECT_EQ(script.calls.size(), 2u);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(CheckScreenSavePassword("Tide 42"));
  EXPECT_EQ(Stored(kUsePasswordValue), "1");
}

TEST(PasswordDialog, TheRealPromptStaysOpenOnAWrongPasswordAndAcceptsTheRightOne) {
  ASSERT_TRUE(StoreScreenSavePassword("Tide 42"));
  QWidget show;
  std::vector<QString> messages;
  QString caption;
  // Types into the open prompt: first a wrong password, then the right one. The
  // timers belong to the show window, so none outlives the test.
  std::function<void(int)> type = [&](int round) {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      QTimer::singleShot(10, &show, [&, round] { type(round); });
      return;
    }
    caption = dialog->windowTitle();
    auto* field = dialog->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog->parentWidget(), &show);
    field->setText(round == 0 ? "ebb" : "Tide 42");
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    if (round == 0) {
      for (auto* label : dialog->findChildren<QLabel*>())
        if (!label->isHidden()) messages.push_back(label->text());
      EXPECT_TRUE(dialog->isVisible());
      EXPECT_TRUE(field->text().isEmpty());
      QTimer::singleShot(0, &show, [&] { type(1); });
    }
  };
  QTimer::singleShot(0, &show, [&] { type(0); });
  EXPECT_TRUE(VerifyScreenSavePwd(&show, "Screen Saver"));
  EXPECT_EQ(caption, "Screen Saver");
  EXPECT_NE(std::find(messages.begin(), messages.end(), "The password is not correct."),
            messages.end());
}
