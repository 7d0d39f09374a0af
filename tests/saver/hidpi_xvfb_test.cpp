// The show on a 3840 x 2160 X screen scaled by the desktop: at 200 % (Xft.dpi
// 192, as GNOME and KDE set it) and at 150 % (QT_SCALE_FACTOR=1.5) the slide is
// prepared and shown in the screen's own pixels, and the information panel's
// text is drawn as much larger as the scale. The slide is a grain picture of
// the screen's size, so every pixel of it differs from its neighbours. Needs
// Xvfb, xrdb and ImageMagick's import.
#include <gtest/gtest.h>
#include <signal.h>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/Utils.h"
#include "imaging/imaging.h"
#include "platform/folders.h"
#include "platform/registry.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

using orvane::test::WaitFor;
// Each poll of a wait here is costly (a screenshot, a helper process).
constexpr std::chrono::milliseconds kPoll(100);

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
// The grain stays below this, so the panel's white text is all that reaches it.
constexpr int kGrainTop = 200;
constexpr int kWhite = 250;


bool IsWhite(QRgb pixel) {
  return qRed(pixel) >= kWhite && qGreen(pixel) >= kWhite && qBlue(pixel) >= kWhite;
}

// What one show put on the screen.
struct ShownSlide {
  QImage screen;    // a screenshot of the root window
  QImage prepared;  // the prepared slide ("ssprep.bmp")
};

// The rows of the screen that are not the prepared slide's: the panel's band.
struct Band {
  int top = -1;
  int bottom = -1;  // inclusive
  int Height() const { return bottom - top + 1; }
};

class ScaledScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xrdb", "import"})
      if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed";
    const fs::path root = orvane::test::MakeTempDir("program");
    ASSERT_TRUE(pf::RegSetValue(pf::Hive::LocalMachine, orvane::core::kProgramPathKey, "",
                                root.string() + "/"));
    const fs::path set = root / "Grain";
    orvane::test::WriteFile(set / "images.ini",
                            "[SetDescriptions]\r\nGrain=Grain/\r\n\r\n[Grain]\r\nGrain=grain.bmp\r\n");
    orvane::test::WriteFile(set / "company.ini", "[TitlePage]\r\nuserControl=1\r\n[Sound]\r\nHasSound=0\r\n");
    orvane::test::WriteFile(set / "grain.bmp.nfo",
                            "[English]\r\nEnglish=Grain Hyperfocal\r\n\r\nFine grain, yes.\r\n\r\n\r\n");
    grainFile_ = set / "grain.bmp";
    WriteGrain(grainFile_);
    settingsFolder_ = pf::LocalAppDataFolder();
    // A cut, the panel for ten minutes, no title, calendar or sound.
    orvane::test::WriteFile(settingsFolder_ + "ScreenSaver.ini",
                            "[ScreenSaver]\r\nSetup=1\r\n"
                            "[PrefsSS]\r\nchange=600s\r\nRandom=0\r\nCurrentSet=Grain\r\nstretch=1\r\nsound=0\r\n"
                            "[transition]\r\ndefaultTransition=0\r\n"
                            "[CalendarSS]\r\nenable=0\r\n"
                            "[InfoPanel]\r\nshowText=1\r\nshowTitle=0\r\ndefaultTime=600\r\n");
  }

  // A grain picture of the screen's size: every pixel its own colour below kGrainTop.
  static void WriteGrain(const fs::path& file) {
    const orvane::imaging::Handle buffer = orvane::imaging::CreateWorkBuff(kWidth, kHeight, 0, 0);
    QImage image = orvane::imaging::WorkBuffImage(buffer);
    std::uint32_t seed = 12345;
    auto next = [&] {
      seed = seed * 1664525u + 1013904223u;
      return int((seed >> 8) % kGrainTop);
    };
    for (int y = 0; y < kHeight; ++y) {
      auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < kWidth; ++x) {
        const int r = next(), g = next(), b = next();
        row[x] = qRgb(r, g, b);
      }
    }
    ASSERT_TRUE(orvane::imaging::SaveBitmap(file.string(), buffer));
    orvane::imaging::DestroyWorkBuff(buffer);
  }

  // Runs the show on a new 3840 x 2160 server (with the X resources given) and
  // takes the screen once the panel is on it.
  std::optional<ShownSlide> Show(const std::string& resources, const QString& scaleFactor) {
    orvane::test::Xvfb server(kWidth, kHeight);
    if (!server.Running()) {
      ADD_FAILURE() << "Xvfb did not start";
      return std::nullopt;
    }
    if (!resources.empty() && !server.MergeResources(resources)) {
      ADD_FAILURE() << "xrdb failed";
      return std::nullopt;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(server.Display()));
    env.remove("QT_QPA_PLATFORM");
    env.remove("QT_SCALE_FACTOR");
    if (!scaleFactor.isEmpty()) env.insert("QT_SCALE_FACTOR", scaleFactor);
    const fs::path trace = orvane::test::TempRoot() / "trace.txt";
    fs::remove(trace);
    env.insert("ORVANE_TRACE", QString::fromStdString(trace.string()));

    QProcess show;
    show.setProcessEnvironment(env);
    show.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    show.start(QString::fromStdString(orvane::test::OrvaneExe().string()), {"/s"});
    std::optional<ShownSlide> shown;
    if (!show.waitForStarted(10000)) {
      ADD_FAILURE() << "the show did not start";
      return shown;
    }
    const bool shownOnce = WaitFor([&] {
      return orvane::test::ReadFile(trace).find("trans ") != std::string::npos;
    }, std::chrono::milliseconds(60000), kPoll);
    EXPECT_TRUE(shownOnce) << "no slide was shown";
    const fs::path shot = orvane::test::TempRoot() / "screen.bmp";
    ShownSlide slide;
    // The panel is on the screen once its white text is.
    const bool panelShown = shownOnce && WaitFor([&] {
      QProcess import;
      import.setProcessEnvironment(env);
      import.start("import", {"-window", "root", QString::fromStdString("bmp3:" + shot.string())});
      if (!import.waitForFinished(30000)) return false;
      slide.screen = QImage(QString::fromStdString(shot.string())).convertToFormat(QImage::Format_RGB32);
      if (slide.screen.size() != QSize(kWidth, kHeight)) return false;
      for (int y = kHeight / 4; y < kHeight * 3 / 4; ++y)
        for (int x = 0; x < kWidth; ++x)
          if (IsWhite(slide.screen.pixel(x, y))) return true;
      return false;
    }, std::chrono::milliseconds(60000), kPoll);
    EXPECT_TRUE(panelShown) << "no panel came on the screen";
    slide.prepared = QImage(QString::fromStdString(settingsFolder_ + "ssprep.bmp"))
                         .convertToFormat(QImage::Format_RGB32);
    kill(pid_t(show.processId()), SIGTERM);
    EXPECT_TRUE(show.waitForFinished(30000));
    if (panelShown) shown = slide;
    return shown;
  }

  // Runs "/wall" on a new 3840 x 2160 server with the X resources given; the
  // wallpaper it built.
  QImage BuildWallpaper(const std::string& resources) {
    orvane::test::Xvfb server(kWidth, kHeight);
    if (!server.Running() || !server.MergeResources(resources)) {
      ADD_FAILURE() << "no X server with " << resources;
      return {};
    }
    // A small picture of the set, fitted to the screen.
    orvane::test::WriteFile(fs::path(settingsFolder_) / "ScreenSaver.ini",
                            "[ScreenSaver]\r\nSetup=1\r\n[PrefsWP]\r\nenable=1\r\nrandom=0\r\n"
                            "CurrentSet=Grain\r\nCurrentImage=Grain\r\nstretch=1\r\n[CalendarWP]\r\nenable=0\r\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(server.Display()));
    env.remove("QT_QPA_PLATFORM");
    env.remove("QT_SCALE_FACTOR");
    QProcess wall;
    wall.setProcessEnvironment(env);
    wall.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    wall.start(QString::fromStdString(orvane::test::OrvaneExe().string()), {"/wall"});
    if (!wall.waitForFinished(60000)) {
      wall.kill();
      wall.waitForFinished();
      ADD_FAILURE() << "\"/wall\" did not end";
      return {};
    }
    return QImage(QString::fromStdString(settingsFolder_ + "Orvane.bmp"));
  }

  // Checks that the screen is the prepared slide pixel for pixel outside one
  // band of rows (the panel) and returns that band.
  static Band SlideBesideThePanel(const ShownSlide& shown) {
    Band band;
    EXPECT_EQ(shown.prepared.width(), kWidth) << "the slide is not in device pixels";
    EXPECT_EQ(shown.prepared.height(), kHeight) << "the slide is not in device pixels";
    if (shown.prepared.size() != shown.screen.size()) return band;
    int differing = 0;
    for (int y = 0; y < kHeight; ++y) {
      const auto* screen = reinterpret_cast<const QRgb*>(shown.screen.constScanLine(y));
      const auto* slide = reinterpret_cast<const QRgb*>(shown.prepared.constScanLine(y));
      bool same = true;
      for (int x = 0; x < kWidth && same; ++x) same = (screen[x] & 0xFFFFFF) == (slide[x] & 0xFFFFFF);
      if (same) continue;
      ++differing;
      if (band.top < 0) band.top = y;
      band.bottom = y;
    }
    EXPECT_EQ(differing, band.Height()) << "rows outside the panel differ from the slide";
    EXPECT_GE(band.top, 0) << "no panel";
    EXPECT_LT(band.Height(), kHeight / 4);
    return band;
  }

  // Share of even-aligned 2 x 2 blocks outside the band whose four pixels are
  // one colour: near 1 for a slide shown with each pixel doubled.
  static double DoubledBlocks(const QImage& screen, const Band& band) {
    long blocks = 0, doubled = 0;
    for (int y = 0; y + 1 < kHeight; y += 2) {
      if (y + 1 >= band.top && y <= band.bottom) continue;
      for (int x = 0; x + 1 < kWidth; x += 2) {
        const QRgb p = screen.pixel(x, y);
        ++blocks;
        if (screen.pixel(x + 1, y) == p && screen.pixel(x, y + 1) == p && screen.pixel(x + 1, y + 1) == p)
          ++doubled;
      }
    }
    return blocks ? double(doubled) / double(blocks) : 1.0;
  }

  // Height of the panel's first line of text (the title): the first run of
  // rows that hold white pixels. Its glyphs scale with the font; the spacing of
  // the lines is rounded per font size.
  static int TextHeight(const QImage& screen, const Band& band) {
    int first = -1, last = -1;
    for (int y = band.top; y >= 0 && y <= band.bottom; ++y) {
      bool white = false;
      for (int x = 0; x < kWidth && !white; ++x) white = IsWhite(screen.pixel(x, y));
      if (!white && first >= 0) break;
      if (!white) continue;
      if (first < 0) first = y;
      last = y;
    }
    return first < 0 ? 0 : last - first + 1;
  }

  // The slide at full resolution with the panel's text `ratio` times as tall as
  // at ratio 1.
  void ExpectScaledShow(const std::string& resources, const QString& scaleFactor, double ratio) {
    const std::optional<ShownSlide> plain = Show("", "");
    ASSERT_TRUE(plain);
    const Band plainBand = SlideBesideThePanel(*plain);
    const int plainText = TextHeight(plain->screen, plainBand);
    ASSERT_GT(plainText, 8);

    const std::optional<ShownSlide> scaled = Show(resources, scaleFactor);
    ASSERT_TRUE(scaled);
    const Band band = SlideBesideThePanel(*scaled);
    // The slide is the picture of the screen's size, edge rows and columns too.
    EXPECT_TRUE(scaled->prepared ==
                QImage(QString::fromStdString(grainFile_.string())).convertToFormat(QImage::Format_RGB32))
        << "the slide is not the picture pixel for pixel";
    EXPECT_LT(DoubledBlocks(scaled->screen, band), 0.01);
    const int text = TextHeight(scaled->screen, band);
    EXPECT_NEAR(text, ratio * plainText, 2.0)
        << "text " << text << " pixels tall, " << plainText << " at ratio 1";
    EXPECT_NEAR(band.Height(), ratio * plainBand.Height(), 0.05 * ratio * plainBand.Height())
        << "panel " << band.Height() << " pixels tall, " << plainBand.Height() << " at ratio 1";
  }

  std::string settingsFolder_;
  fs::path grainFile_;
};

TEST_F(ScaledScreen, At200PercentTheSlideHasEveryPixelAndThePanelTextIsTwiceAsTall) {
  ExpectScaledShow("Xft.dpi: 192\n", "", 2.0);
}

TEST_F(ScaledScreen, At150PercentTheSlideHasEveryPixelAndThePanelTextIsOneAndAHalfTimesAsTall) {
  ExpectScaledShow("", "1.5", 1.5);
}

TEST_F(ScaledScreen, At200PercentTheWallpaperIsBuiltForEveryDevicePixel) {
  const QImage wallpaper = BuildWallpaper("Xft.dpi: 192\n");
  EXPECT_EQ(wallpaper.width(), kWidth);
  EXPECT_EQ(wallpaper.height(), kHeight);
}

}  // namespace
