// A show with a password in a Wayland session: each way of ending or leaving
// it (input, a close request, a signal, its window losing the focus to another
// program or being hidden) locks the session once, while the show is still up,
// and no prompt of the show's own asks; without a password, or on X, nothing
// is locked. A lock that does not go through leaves the show's own prompt,
// drawn inside the show, and then neither focus loss nor hiding ends the show:
// it asks. The change dialog says what the session's lock does, or that the
// session cannot hold the password.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDialog>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <algorithm>
#include <functional>

#include "platform/modal.h"
#include "platform/msgbox.h"
#include "platform/password.h"
#include "platform/session_lock.h"
#include "tests/saver/frmsaver_fixture.h"
#include "tests/support/dbus_daemon.h"
#include "tests/support/testenv.h"

namespace orvane::saver::test {
namespace {

class ShowLockTest : public SaverTest {
 protected:
  void SetUp() override {
    SaverTest::SetUp();
    SeaSet({"a.bmp"});
    WritePicture(SetFile("a.bmp"), 32, 24);
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);  // a desktop that answers the lock
    platform::SetSessionLocker([this] {
      // Whether the show was still up (not unloaded) when the session was locked.
      locks_.push_back(window_ && !platform::IsUnloaded(*window_));
      return lockWorks_;
    });
    platform::SetPasswordDialogHandler([this](const platform::PasswordDialogCall&) {
      ++prompts_;
      return platform::PasswordDialogAnswer{};  // cancelled
    });
  }
  void TearDown() override {
    SaverTest::TearDown();
    platform::SetSessionLocker({});
    platform::SetPasswordDialogHandler({});
    unsetenv("XDG_SESSION_TYPE");
    unsetenv("XDG_CURRENT_DESKTOP");
  }
  bool Ended() { return core::QuitSaver && !Window().isVisible(); }
  void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }

  std::vector<bool> locks_;
  bool lockWorks_ = true;
  int prompts_ = 0;
};

using Way = std::function<void(frmSaver&)>;
struct WayCase {
  const char* name;
  Way leave;
};

const WayCase kWays[] = {
    {"key",
     [](frmSaver& w) {
       QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
       QCoreApplication::sendEvent(&w, &press);
     }},
    {"click", [](frmSaver& w) { w.Form_Click(); }},
    {"close request", [](frmSaver& w) { w.close(); }},
    {"signal", [](frmSaver& w) { w.EndOnSignal(); }},
    {"hidden", [](frmSaver& w) { w.hide(); }},
    {"focus taken",
     [](frmSaver& w) {
       w.activateWindow();
       QCoreApplication::processEvents();
       ASSERT_TRUE(w.isActiveWindow()) << "the show never had the focus";
       QWidget other;  // another program's window, as far as the show can tell
       other.show();
       other.activateWindow();
       QCoreApplication::processEvents();
     }},
};

TEST_F(ShowLockTest, EachWayOfLeavingLocksTheSessionOnceWhileTheShowIsUp) {
  ASSERT_TRUE(platform::StoreScreenSavePassword("secret"));
  for (const WayCase& way : kWays) {
    SCOPED_TRACE(way.name);
    locks_.clear();
    frmSaver& w = NewRun();
    ASSERT_TRUE(w.LocksSession());
    way.leave(w);
    Settle();
    EXPECT_TRUE(Ended());
    EXPECT_EQ(locks_, std::vector<bool>{true}) << "locked " << locks_.size() << " times";
    window_.reset();  // the window's own destruction locks nothing more
    EXPECT_EQ(locks_.size(), 1u);
  }
  EXPECT_EQ(prompts_, 0) << "the show's own prompt asked";
}

TEST_F(ShowLockTest, WithoutAPasswordOrOnXNothingIsLocked) {
  for (const bool password : {false, true}) {
    ASSERT_TRUE(platform::StoreScreenSavePassword(password ? "secret" : ""));
    if (password) unsetenv("XDG_SESSION_TYPE");  // an X session: the show's prompt and grabs
    for (const WayCase& way : kWays) {
      if (password && std::string(way.name) == "focus taken") continue;  // a show on X keeps its focus
      SCOPED_TRACE(std::string(way.name) + (password ? " on X" : ""));
      frmSaver& w = NewRun();
      EXPECT_FALSE(w.LocksSession());
      way.leave(w);
      Settle();
      window_.reset();
    }
  }
  EXPECT_TRUE(locks_.empty());
}

TEST_F(ShowLockTest, ALockThatFailsLeavesTheShowsOwnPrompt) {
  ASSERT_TRUE(platform::StoreScreenSavePassword("secret"));
  lockWorks_ = false;
  frmSaver& w = Window();
  w.Form_Click();
  EXPECT_EQ(prompts_, 1);
  EXPECT_FALSE(core::QuitSaver);  // cancelled: the show goes on
  EXPECT_TRUE(w.isVisible());
  lockWorks_ = true;
  platform::SetPasswordDialogHandler([](const platform::PasswordDialogCall&) {
    return platform::PasswordDialogAnswer{true, "secret", "", ""};
  });
  w.Form_Click();
  EXPECT_TRUE(Ended());
}

TEST_F(ShowLockTest, WithoutTheSessionsLockFocusLossAndHidingAskInsideTheShow) {
  ASSERT_TRUE(platform::StoreScreenSavePassword("secret"));
  lockWorks_ = false;
  for (const WayCase& way : kWays) {
    const std::string name = way.name;
    if (name != "hidden" && name != "focus taken") continue;
    SCOPED_TRACE(name);
    std::vector<bool> inside;
    std::string answer;  // empty: the prompt is cancelled
    platform::SetPasswordDialogHandler([&](const platform::PasswordDialogCall& call) {
      inside.push_back(call.inside);
      return platform::PasswordDialogAnswer{!answer.empty(), answer, "", ""};
    });
    frmSaver& w = NewRun();
    way.leave(w);
    Settle();
    EXPECT_EQ(inside, std::vector<bool>{true}) << "asked " << inside.size() << " times";
    EXPECT_FALSE(core::QuitSaver) << "ended without the password";
    EXPECT_TRUE(w.isVisible());
    answer = "secret";
    way.leave(w);
    Settle();
    EXPECT_EQ(inside.size(), 2u);
    EXPECT_TRUE(Ended());
    window_.reset();
  }
}

TEST_F(ShowLockTest, ThePromptInsideTheShowTakesTheKeysThatReachTheShow) {
  ASSERT_TRUE(platform::StoreScreenSavePassword("secret"));
  lockWorks_ = false;
  platform::SetPasswordDialogHandler({});  // the real prompt
  frmSaver& w = Window();
  bool inside = false;
  QTimer typist;
  QObject::connect(&typist, &QTimer::timeout, [&] {
    for (QDialog* prompt : w.findChildren<QDialog*>()) {
      if (!prompt->isVisible()) continue;
      typist.stop();
      inside = !prompt->isWindow();
      // The keys go to the show's window, as after the desktop gave it the focus back.
      for (const QString& text : {QString("s"), QString("e"), QString("c"), QString("r"), QString("e"), QString("t")}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (text[0].unicode() - 'a'), Qt::NoModifier, text);
        QCoreApplication::sendEvent(&w, &press);
      }
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
      QCoreApplication::sendEvent(&w, &enter);
      if (prompt->isVisible()) prompt->reject();  // the keys went elsewhere
      return;
    }
  });
  typist.start(10);
  w.Form_Click();
  Settle();
  EXPECT_TRUE(inside) << "the prompt is a window of its own";
  EXPECT_TRUE(Ended()) << "the password typed at the show did not reach its prompt";
}

// The note the change dialog shows, or "<not asked>".
std::string ChangeDialogNote() {
  std::string note = "<not asked>";
  platform::SetPasswordDialogHandler([&](const platform::PasswordDialogCall& call) {
    note = call.note;
    return platform::PasswordDialogAnswer{};
  });
  platform::SetMessageBoxHandler([](const platform::MessageBoxCall&) { return platform::vbOK; });
  EXPECT_FALSE(platform::PwdChangePassword("SCRSAVE"));
  platform::SetPasswordDialogHandler({});
  platform::SetMessageBoxHandler({});
  return note;
}

TEST(ChangePasswordDialog, SaysInAWaylandSessionThatTheSessionLockAsks) {
  // logind on the system bus (its name is all the dialog asks for).
  orvane::test::PrivateBus system;
  if (system.Address().empty()) GTEST_SKIP() << "dbus-daemon is not installed";
  setenv("DBUS_SYSTEM_BUS_ADDRESS", system.Address().c_str(), 1);
  QDBusConnection logind = QDBusConnection::connectToBus(QString::fromStdString(system.Address()), "logind");
  ASSERT_TRUE(logind.registerService("org.freedesktop.login1"));
  const struct {
    const char* name;
    const char* wayland;
    const char* desktop;
    bool sessionLockNote;
    bool cannotHold;
  } cases[] = {
      {"X", nullptr, "GNOME", false, false},
      {"GNOME on Wayland", "wayland-9", "GNOME", true, false},
      // A compositor that offers nothing to lock with and no locker of its own.
      {"a bare compositor", "wayland-9", "", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.wayland) setenv("WAYLAND_DISPLAY", c.wayland, 1);
    else unsetenv("WAYLAND_DISPLAY");
    setenv("XDG_CURRENT_DESKTOP", c.desktop, 1);
    const std::string note = ChangeDialogNote();
    EXPECT_EQ(note == platform::kSessionLockNote, c.sessionLockNote) << note;
    EXPECT_EQ(note.find("This session cannot hold the screen-saver password") == 0, c.cannotHold) << note;
  }
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("XDG_CURRENT_DESKTOP");
  QDBusConnection::disconnectFromBus("logind");
}

TEST(ChangePasswordDialog, SaysThatASessionWithoutASystemBusCannotHoldThePassword) {
  setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (orvane::test::TempRoot() / "no-bus").string()).c_str(), 1);
  setenv("WAYLAND_DISPLAY", "wayland-9", 1);
  setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);  // even a desktop that locks itself needs logind
  const std::string note = ChangeDialogNote();
  EXPECT_EQ(note.find("This session cannot hold the screen-saver password"), 0u) << note;
  EXPECT_EQ(std::count(note.begin(), note.end(), '.'), 1) << "one sentence: " << note;
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("XDG_CURRENT_DESKTOP");
}

}  // namespace
}  // namespace orvane::saver::test
