#include "core/mdlMain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Globals.h"
#include "platform/cursor.h"
#include "platform/msgbox.h"
#include "platform/runlog.h"
#include "tests/support/testenv.h"

namespace core = orvane::core;
namespace pf = orvane::platform;

TEST(HideMouse, ShowMouseRestoresTheCountFromAnyStart) {
  for (int start : {0, 2, -1, -3}) {
    while (pf::CursorDisplayCount() < start) pf::ShowCursor(true);
    while (pf::CursorDisplayCount() > start) pf::ShowCursor(false);
    core::HideMouse();
    EXPECT_LE(pf::CursorDisplayCount(), -1) << start;
    EXPECT_EQ(pf::CursorDisplayCount(), std::min(start - 1, -1)) << start;  // lowered no further than needed
    EXPECT_EQ(core::SavedCursorCount, start);
    core::ShowMouse();
    EXPECT_EQ(pf::CursorDisplayCount(), start) << start;
  }
}

TEST(HideMouse, DebugModeLeavesThePointerAlone) {
  core::DebugMode = true;
  core::SavedCursorCount = 5;
  const int start = pf::CursorDisplayCount();
  core::HideMouse();
  EXPECT_EQ(pf::CursorDisplayCount(), start);
  EXPECT_EQ(core::SavedCursorCount, 5);
  core::ShowMouse();
  EXPECT_EQ(pf::CursorDisplayCount(), start);
  core::DebugMode = false;
}

namespace {

// A factory whose settings dialog stays open after Show, as the real one does.
class OpenDialog : public core::WindowFactory, core::SettingsDialogWindow, core::SlideShowWindow, core::ProgressWindow {
 public:
  core::SettingsDialogWindow& frmKestrin() override { return *this; }
  core::SlideShowWindow& frmSaver() override { return *this; }
  core::ProgressWindow& frmPleaseWait() override { return *this; }
  void PwdChangePassword(const std::string&) override {}
  bool ModelessWindowOpen() override { return shown; }
  void Load() override {}
  void Unload() override { shown = false; }
  void Show() override { shown = true; }
  void Hide() override {}
  void SetConfigMode(bool) override {}
  void StartingTab(int) override {}
  bool optWallPaperOn() override { return false; }
  void ResetWPImage(bool) override {}
  void NextWallpaperImage() override {}
  void SetWallpaper() override {}
  void ShowModal() override {}
  bool shown = false;
};

}  // namespace

TEST(Main, AnOpenDialogKeepsTheProgramRunning) {
  struct Case {
    const char* commandLine;
    core::StartOutcome outcome;
    bool debug;
  };
  for (const Case& c : {Case{"/c", core::StartOutcome::RunWindows, false},
                        Case{"", core::StartOutcome::RunWindows, false},
                        Case{"/-ConfigWall", core::StartOutcome::RunWindows, false},
                        Case{"/debug", core::StartOutcome::RunWindows, true},
                        Case{"/wall /debug", core::StartOutcome::End, true},
                        Case{"/x", core::StartOutcome::End, false}}) {
    OpenDialog windows;
    EXPECT_EQ(core::Main(c.commandLine, windows), c.outcome) << c.commandLine;
    EXPECT_EQ(core::DebugMode, c.debug) << c.commandLine;
  }
}

namespace {

// A dialog whose hidden load raises a box, as a catalogue or registry failure does.
class FailingLoad : public OpenDialog {
 public:
  void Load() override { answers.push_back(pf::MsgBox("Unable to find image sets. PATH = /x/", pf::vbExclamation, "ERROR")); }
  bool optWallPaperOn() override { return true; }
  std::vector<int> answers;
};

}  // namespace

// "/wall" and "/kalendar" run with the dialog hidden: nobody is there to answer
// a box, so each one is written down instead and the run ends as a failure.
TEST(Main, AnUnattendedChangeWritesItsBoxesDownAndFails) {
  std::vector<std::string> shown;
  pf::SetMessageBoxHandler([&](const pf::MessageBoxCall& call) {
    shown.push_back(call.text);
    return pf::vbOK;
  });
  for (const char* commandLine : {"/wall", "/kalendar"}) {
    pf::ClearRunFailure();
    FailingLoad windows;
    testing::internal::CaptureStderr();
    EXPECT_EQ(core::Main(commandLine, windows), core::StartOutcome::Failed) << commandLine;
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(windows.answers, std::vector<int>{pf::vbOK}) << commandLine;
    EXPECT_NE(errors.find("ERROR: Unable to find image sets. PATH = /x/"), std::string::npos) << errors;
  }
  EXPECT_TRUE(shown.empty());
  const std::string log = orvane::test::ReadFile(pf::RunLogFile());
  EXPECT_NE(log.find("ERROR: Unable to find image sets. PATH = /x/"), std::string::npos) << log;

  // After the run a box is a box again.
  pf::MsgBox("Shown");
  EXPECT_EQ(shown, std::vector<std::string>{"Shown"});
  pf::SetMessageBoxHandler({});
}
