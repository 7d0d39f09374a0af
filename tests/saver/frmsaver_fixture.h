#pragma once
// A small program folder with image sets, the settings files of the show, a
// manual tick clock, a recording sound player and recorded message boxes, for
// the tests of the slide-show window. The window covers a 320 x 240 screen.
#include <gtest/gtest.h>

#include <QImage>
#include <QSize>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Globals.h"
#include "core/PPS.h"
#include "core/Utils.h"
#include "imaging/imaging.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/sound.h"
#include "platform/tick.h"
#include "saver/frmSaver.h"
#include "tests/support/testenv.h"

namespace orvane::saver::test {

namespace fs = std::filesystem;

inline constexpr int kScreenW = 320;
inline constexpr int kScreenH = 240;

// A picture whose every pixel tells where it came from.
inline QRgb PatternPixel(int x, int y) {
  return qRgb(x % 251, y % 241, (x / 251 * 7 + y / 241 * 13 + 40) % 256);
}

// Writes a 24-bit bitmap (or, for a name ending in ".jpg", a JPEG) of the
// pattern, or of one colour when fill is given.
inline void WritePicture(const fs::path& file, int width, int height,
                         std::optional<QRgb> fill = std::nullopt) {
  fs::create_directories(file.parent_path());
  const imaging::Handle buffer = imaging::CreateWorkBuff(width, height, 0, 0);
  QImage image = imaging::WorkBuffImage(buffer);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, fill ? *fill : PatternPixel(x, y));
  if (file.extension() == ".jpg") {
    const std::string bmp = file.string() + ".tmp.bmp";
    ASSERT_TRUE(imaging::SaveBitmap(bmp, buffer));
    ASSERT_TRUE(imaging::DoCompress(bmp, file.string()));
    fs::remove(bmp);
  } else {
    ASSERT_TRUE(imaging::SaveBitmap(file.string(), buffer));
  }
  imaging::DestroyWorkBuff(buffer);
}

class SaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = orvane::test::MakeTempDir("program");
    ASSERT_TRUE(platform::RegSetValue(platform::Hive::LocalMachine, core::kProgramPathKey, "",
                                      root_.string() + "/"));
    settingsFolder_ = core::GetSettingsFolder();
    platform::SetTickClock(&clock_);
    platform::SetMessageBoxHandler([this](const platform::MessageBoxCall& call) {
      boxes_.push_back(call);
      return platform::vbOK;
    });
    core::QuitSaver = false;
    core::DebugMode = false;
    // A set up show of one set in list order, a cut instead of a transition,
    // no overlays.
    Settings(
        "[ScreenSaver]\r\nSetup=1\r\n"
        "[PrefsSS]\r\nchange=5s\r\nRandom=0\r\nCurrentSet=Sea\r\nstretch=1\r\n"
        "[transition]\r\ndefaultTransition=0\r\n"
        "[CalendarSS]\r\nenable=0\r\n"
        "[InfoPanel]\r\nshowText=0\r\nshowTitle=0\r\n");
  }
  void TearDown() override {
    window_.reset();
    platform::SetTickClock(nullptr);
    platform::SetMessageBoxHandler({});
  }

  void Settings(const std::string& text) { orvane::test::WriteFile(settingsFolder_ + "ScreenSaver.ini", text); }
  void Setting(const std::string& section, const std::string& key, const std::string& value) {
    core::WriteIni(section, key, value, settingsFolder_ + "ScreenSaver.ini");
  }
  std::string SettingValue(const std::string& section, const std::string& key) {
    return core::GetIniString(section, key, "", settingsFolder_ + "ScreenSaver.ini");
  }
  // The catalogue: [SetDescriptions] and one section per set, as given.
  void Catalogue(const std::string& text) {
    orvane::test::WriteFile(settingsFolder_ + "Orvane.ini", text);
  }
  // One set "Sea" in folder "Sea\" holding the named images (key = name).
  void SeaSet(const std::vector<std::string>& names) {
    std::string text = "[SetDescriptions]\r\nSea=Sea\\\r\n[Sea]\r\n";
    for (const std::string& name : names) text += name + "=" + name + "\r\n";
    Catalogue(text);
  }
  fs::path SetFile(const std::string& name) const { return root_ / "Sea" / name; }
  void SetText(const std::string& name, const std::string& text) {
    orvane::test::WriteFile(SetFile(name), text);
  }

  // Loads the window (Form_Load and the layout) with its slide clock held, and
  // shows it (the show only runs in a visible window).
  frmSaver& Window() {
    if (!window_) {
      const QRect screen(QPoint(0, 0), screenSize_);
      window_ = pixelRatio_ == 1.0
                    ? std::make_unique<frmSaver>(screen)
                    : std::make_unique<frmSaver>(platform::ScreenPixelsOf(screen, pixelRatio_));
      window_->Load();
      window_->tmrTrans.SetEnabled(false);
      window_->show();
    }
    return *window_;
  }
  // A second run: the first window goes, a new one is loaded.
  frmSaver& NewRun() {
    window_.reset();
    core::QuitSaver = false;
    return Window();
  }

  QImage Prepared() { return Window().picStretch.Image(); }
  QImage OnScreen() { return Window().picDisp.Image(); }

  std::string LastBoxText() const { return boxes_.empty() ? std::string() : boxes_.back().text; }

  fs::path root_;
  std::string settingsFolder_;
  QSize screenSize_{kScreenW, kScreenH};  // of the windows made from here on
  double pixelRatio_ = 1.0;               // their screen's device pixels per unit
  platform::ManualTickClock clock_{1000};
  platform::RecordingSoundFactory sounds_;
  std::vector<platform::MessageBoxCall> boxes_;
  std::unique_ptr<frmSaver> window_;
};

}  // namespace orvane::saver::test
