#pragma once
// A settings folder, a program folder with one image set, and a recording
// launcher for the changer's form, which runs here without a tray.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "changer/ChangerEXE.h"
#include "changer/frmPlaceHolder.h"
#include "core/PPS.h"
#include "core/Utils.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "tests/support/testenv.h"

namespace orvane::test {

// Records each start; the test says whether a started program still runs.
class FakeLauncher : public changer::SaverLauncher {
 public:
  struct Started {
    std::string program;
    std::string argument;
  };
  std::optional<qint64> Start(const std::string& program, const std::string& argument) override {
    started.push_back({program, argument});
    return static_cast<qint64>(started.size());
  }
  bool Running(qint64) override { return running; }
  std::vector<std::string> Arguments() const {
    std::vector<std::string> out;
    for (const Started& s : started) out.push_back(s.argument);
    return out;
  }
  std::vector<Started> started;
  bool running = false;
};

class ChangerTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHandler([this](const platform::MessageBoxCall& call) {
      boxes.push_back(call.text);
      return platform::vbOK;
    });
    settings = core::GetSettingsFolder();
    for (const char* name : {"ScreenSaver.ini", "Orvane.ini"}) std::filesystem::remove(settings + name);
    programFolder = MakeTempDir("program");
    platform::RegSetValue(platform::Hive::LocalMachine, core::kProgramPathKey, "@",
                          programFolder.string());
    changer::SetSaverLauncher(&launcher);
  }
  void TearDown() override {
    changer::SetSaverLauncher(nullptr);
    platform::SetMessageBoxHandler({});
  }

  std::unique_ptr<changer::frmPlaceHolder> MakeForm() {
    changer::ChangerOptions options;
    options.tray = false;
    options.now = [this] { return now; };
    options.end = [this] { ++ends; };
    return std::make_unique<changer::frmPlaceHolder>(options);
  }

  void Ini(const char* file, const char* section, const char* key, const std::string& value) {
    ASSERT_TRUE(core::WriteIni(section, key, value, settings + file));
  }
  std::string ReadIni(const char* file, const char* section, const char* key) {
    return core::GetIniString(section, key, "<missing>", settings + file);
  }

  std::string settings;
  std::filesystem::path programFolder;
  FakeLauncher launcher;
  platform::DateTime now{2026, 8, 3, 12, 0, 0};
  int ends = 0;
  std::vector<std::string> boxes;
};

}  // namespace orvane::test
