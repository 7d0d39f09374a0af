// A locked show on an X server with two RandR monitors and openbox, while the
// monitors change as a laptop's do when it is docked and undocked: after each
// step of each sequence every pixel of every monitor there is covered (none of
// the root window's red shows) and the slides are on screen, not under a
// cover. Needs Xvfb, xrandr, xsetroot, openbox.
#include <gtest/gtest.h>
#include <signal.h>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QStandardPaths>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/password.h"
#include "platform/profile.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"
#include "tools/demo/demo_sets.h"

// Last: Xlib's macros clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

using orvane::test::WaitFor;
constexpr std::chrono::milliseconds kPoll(50);

constexpr int kWidth = 3840;
constexpr int kHeight = 1080;
const QRgb kRootRed = qRgb(255, 0, 0);

// A monitor as xrandr --setmonitor takes it: name, area, and the output it
// holds ("screen", the only one, for the primary; "none" for the others).
struct Monitor {
  const char* name;
  QRect area;
  const char* output;
};
const Monitor kL{"L", QRect(0, 0, 1920, 1080), "screen"};
const Monitor kR{"R", QRect(1920, 0, 1920, 1080), "none"};
const Monitor kOverlap{"O", QRect(960, 0, 1920, 1080), "none"};
const Monitor kSmallR{"R", QRect(1920, 0, 1280, 720), "none"};
const Monitor kMovedR{"R", QRect(2560, 360, 1280, 720), "none"};

struct Step {
  bool add;  // false: the monitor named goes
  Monitor monitor;
};
struct Sequence {
  const char* name;
  std::vector<Step> steps;
};

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& match) {
  int count = 0;
  const QRect inside = area.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = inside.left(); x <= inside.right(); ++x) count += match(row[x] | 0xFF000000u);
  }
  return count;
}

class LockedShowDocking : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xrandr", "xsetroot", "openbox"})
      if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed";
    ASSERT_FALSE(server_.Display().empty());
    display_ = XOpenDisplay(server_.Display().c_str());
    ASSERT_NE(display_, nullptr);

    const fs::path programFolder = orvane::test::MakeTempDir("program");
    orvane::demo::WriteDemoProgramFolder(programFolder);
    ASSERT_TRUE(orvane::demo::RegisterProgramFolder(programFolder));
    const std::string settings = pf::LocalAppDataFolder() + "ScreenSaver.ini";
    fs::copy_file(programFolder / "ScreenSaver.ini", settings, fs::copy_options::overwrite_existing);
    pf::WritePrivateProfileString("ScreenSaver", "Setup", "1", settings);
    ASSERT_TRUE(pf::StoreScreenSavePassword("secret"));

    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("DISPLAY", QString::fromStdString(server_.Display()));
    env_.remove("QT_QPA_PLATFORM");
    trace_ = orvane::test::TempRoot() / "trace.txt";
    env_.insert("ORVANE_TRACE", QString::fromStdString(trace_.string()));
    ASSERT_EQ(Run("xsetroot", {"-solid", "red"}), 0);
    wm_.setProcessEnvironment(env_);
    wm_.start("openbox", {"--sm-disable"});
    ASSERT_TRUE(wm_.waitForStarted(10000));
  }
  void TearDown() override {
    for (QProcess* process : {&show_, &wm_}) {
      if (process->state() == QProcess::NotRunning) continue;
      kill(pid_t(process->processId()), SIGTERM);
      if (!process->waitForFinished(10000)) process->kill();
    }
    if (display_) XCloseDisplay(display_);
  }

  int Run(const QString& program, const QStringList& arguments, std::string* output = nullptr) {
    QProcess tool;
    tool.setProcessEnvironment(env_);
    tool.start(program, arguments);
    if (!tool.waitForFinished(10000)) return -1;
    if (output) *output = tool.readAllStandardOutput().toStdString();
    return tool.exitCode();
  }
  // The monitors as the server has them now ("xrandr --listmonitors"): the
  // output of a monitor that goes comes back as a monitor of its own.
  std::vector<QRect> Monitors() {
    std::string list;
    Run("xrandr", {"--listmonitors"}, &list);
    std::vector<QRect> monitors;
    std::size_t at = 0;
    while ((at = list.find('/', at)) != std::string::npos) {
      // " 0: +*L 1920/508x1080/286+0+0  screen": width/mm x height/mm +x +y
      const std::size_t start = list.rfind(' ', at) + 1;
      int w, wmm, h, hmm, x, y;
      if (std::sscanf(list.c_str() + start, "%d/%dx%d/%d+%d+%d", &w, &wmm, &h, &hmm, &x, &y) == 6)
        monitors.emplace_back(x, y, w, h);
      at = list.find('\n', at);
      if (at == std::string::npos) break;
    }
    return monitors;
  }
  void Set(const Monitor& m) {
    const std::vector<QRect> before = Monitors();
    if (std::find(before.begin(), before.end(), m.area) != before.end()) return;
    const QString geometry = QStringLiteral("%1/%2x%3/%4+%5+%6")
                                 .arg(m.area.width())
                                 .arg(m.area.width() * 254 / 960)
                                 .arg(m.area.height())
                                 .arg(m.area.height() * 254 / 960)
                                 .arg(m.area.x())
                                 .arg(m.area.y());
    // xrandr fails on the first part when there is none of the name: the
    // monitor list tells.
    // A monitor of that name is replaced (resized, moved) in one request list.
    Run("xrandr", {"--delmonitor", m.name, "--setmonitor", m.name, geometry, m.output});
    const std::vector<QRect> now = Monitors();
    ASSERT_NE(std::find(now.begin(), now.end(), m.area), now.end()) << "xrandr did not set " << m.name;
  }
  void Remove(const char* name) { ASSERT_EQ(Run("xrandr", {"--delmonitor", name}), 0); }

  QImage Screenshot() {
    XImage* x = XGetImage(display_, DefaultRootWindow(display_), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    QImage out(kWidth, kHeight, QImage::Format_RGB32);
    if (!x) return out;
    for (int y = 0; y < kHeight; ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
      if (x->bits_per_pixel == 32) std::memcpy(row, x->data + std::size_t(y) * x->bytes_per_line, kWidth * 4);
      else
        for (int i = 0; i < kWidth; ++i) row[i] = QRgb(XGetPixel(x, i, y));
    }
    XDestroyImage(x);
    return out;
  }
  void SaveScreenshot(const QImage& image, const std::string& name) {
    if (const char* folder = std::getenv("ORVANE_SCREENSHOTS"); folder && *folder)
      image.scaled(kWidth / 4, kHeight / 4).save(QString::fromStdString((fs::path(folder) / name).string()));
  }

  // No red on any monitor there now, and the slides (pixels neither black nor
  // red) on at least a tenth of one monitor's area.
  bool CoveredWithSlides(QImage* last) {
    const std::vector<QRect> monitors = Monitors();
    return WaitFor([&] {
      *last = Screenshot();
      int slides = 0;
      for (const QRect& area : monitors) {
        if (CountPixels(*last, area, [](QRgb c) { return c == kRootRed; }) > 0) return false;
        slides = std::max(slides, CountPixels(*last, area, [](QRgb c) {
          return c != kRootRed && c != qRgb(0, 0, 0);
        }));
      }
      return slides > 1920 * 1080 / 10;
    }, std::chrono::milliseconds(20000), kPoll);
  }

  void StartShow() {
    fs::remove(trace_);
    show_.setProcessEnvironment(env_);
    show_.start(QString::fromStdString(orvane::test::OrvaneExe().string()), {"/s"});
    ASSERT_TRUE(show_.waitForStarted(10000));
    ASSERT_TRUE(WaitFor([&] { return orvane::test::ReadFile(trace_).find("trans ") != std::string::npos; },
                        std::chrono::milliseconds(30000), kPoll));
  }

  orvane::test::Xvfb server_{kWidth, kHeight};
  Display* display_ = nullptr;
  QProcessEnvironment env_;
  fs::path trace_;
  QProcess wm_;
  QProcess show_;
};

TEST_F(LockedShowDocking, EveryMonitorStaysCoveredWithTheSlidesOnTopThroughEachSequence) {
  const Sequence sequences[] = {
      {"the show's monitor away and back", {{false, kL}, {true, kL}}},
      {"the other monitor away and back", {{false, kR}, {true, kR}}},
      {"both away, the other back first", {{false, kL}, {false, kR}, {true, kR}, {true, kL}}},
      {"a monitor overlapping both", {{true, kOverlap}, {false, kOverlap}}},
      {"the other monitor resized and moved", {{true, kSmallR}, {true, kMovedR}, {true, kR}}},
  };
  for (const Sequence& sequence : sequences) {
    SCOPED_TRACE(sequence.name);
    Set(kL);
    Set(kR);
    StartShow();
    QImage last;
    ASSERT_TRUE(CoveredWithSlides(&last)) << "not covered at the start";
    // The slides' monitor: the one of the two that is not all black.
    const auto lit = [&](const QRect& area) {
      return CountPixels(last, area, [](QRgb c) { return c != qRgb(0, 0, 0); });
    };
    const QRect slides = lit(kL.area) > lit(kR.area) ? kL.area : kR.area;
    int stepNumber = 0;
    for (const Step& step : sequence.steps) {
      SCOPED_TRACE(std::string(step.add ? "set " : "removed ") + step.monitor.name);
      if (step.add) Set(step.monitor);
      else Remove(step.monitor.name);
      const bool covered = CoveredWithSlides(&last);
      SaveScreenshot(last, "dock-" + std::to_string(&sequence - sequences) + "-" +
                               std::to_string(++stepNumber) + ".png");
      EXPECT_TRUE(covered) << "a monitor shows the desktop, or the slides are hidden";
      // The overlapping monitor's cover is under the slides: the part of the
      // show's monitor it overlaps still shows them.
      if (step.add && std::string(step.monitor.name) == "O") {
        EXPECT_GT(lit(slides.intersected(kOverlap.area)), 960 * 1080 / 10)
            << "a cover lies over the slides";
      }
    }
    EXPECT_EQ(show_.state(), QProcess::Running);
    kill(pid_t(show_.processId()), SIGTERM);
    ASSERT_TRUE(show_.waitForFinished(10000));
  }
}

}  // namespace
