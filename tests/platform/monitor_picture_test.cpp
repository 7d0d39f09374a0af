// The root-window wallpaper of a screen with several monitors: each monitor
// gets the picture by itself.
#include "platform/monitor_picture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/imaging.h"
#include "platform/wallpaper_live.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"

// Last: Xlib's macros clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace pf = orvane::platform;
namespace im = orvane::imaging;

namespace {

// A colour per quarter and a ramp across, so placement and scaling show.
QImage Picture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(x < width / 2 ? 200 : 30, y < height / 2 ? 180 : 60, (x * 255) / width));
  return image;
}

bool AllBlack(const QImage& image, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixel(x, y) != qRgb(0, 0, 0)) return false;
  return !area.isEmpty();
}

TEST(MonitorsPicture, EachMonitorGetsThePictureByItself) {
  const QImage fitted = Picture(160, 120);
  const QImage small = Picture(40, 30);
  const QRect primary(0, 0, 160, 120);

  // Two monitors of the same size: the picture of the primary's size on each, whole.
  {
    const QImage out = pf::MonitorsPicture(fitted, QSize(320, 120), {primary, QRect(160, 0, 160, 120)}, 0);
    EXPECT_EQ(out.copy(primary), fitted);
    EXPECT_EQ(out.copy(160, 0, 160, 120), fitted);
  }
  // A taller second monitor of other proportions: fitted to it, centred on black.
  {
    const QImage out = pf::MonitorsPicture(fitted, QSize(240, 120), {primary, QRect(160, 0, 80, 120)}, 0);
    EXPECT_EQ(out.copy(primary), fitted);
    const QImage scaled = fitted.scaled(80, 60, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    EXPECT_EQ(out.copy(160, 30, 80, 60), scaled);
    EXPECT_TRUE(AllBlack(out, QRect(160, 0, 80, 30)));
    EXPECT_TRUE(AllBlack(out, QRect(160, 90, 80, 30)));
  }
  // The primary named second, a larger other monitor: scaled up to its height.
  {
    const QImage out =
        pf::MonitorsPicture(fitted, QSize(480, 240), {QRect(0, 0, 320, 240), QRect(320, 0, 160, 120)}, 1);
    EXPECT_EQ(out.copy(320, 0, 160, 120), fitted);
    EXPECT_EQ(out.copy(0, 0, 320, 240), fitted.scaled(320, 240, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    EXPECT_TRUE(AllBlack(out, QRect(320, 120, 160, 120))) << "what no monitor shows stays black";
  }
  // A picture not fitted to the primary: at its own size in the middle of each.
  {
    const QImage out = pf::MonitorsPicture(small, QSize(240, 120), {primary, QRect(160, 0, 80, 120)}, 0);
    EXPECT_EQ(out.copy(60, 45, 40, 30), small);
    EXPECT_EQ(out.copy(180, 45, 40, 30), small);
    EXPECT_TRUE(AllBlack(out, QRect(100, 0, 80, 45)));
  }
  // A picture larger than a monitor is cut to it, never drawn over its neighbour.
  {
    const QImage large = Picture(200, 120);
    const QImage out = pf::MonitorsPicture(large, QSize(240, 120), {QRect(0, 0, 80, 120), QRect(80, 0, 160, 120)}, 1);
    EXPECT_EQ(out.copy(80, 0, 160, 120), large.copy(20, 0, 160, 120));
    EXPECT_EQ(out.copy(0, 0, 80, 120), large.copy(60, 0, 80, 120));
  }
  // No monitor known: the screen is one monitor (as a single-monitor screen always is).
  {
    const QImage out = pf::MonitorsPicture(small, QSize(160, 120), {}, 0);
    EXPECT_EQ(out.copy(60, 45, 40, 30), small);
    EXPECT_TRUE(AllBlack(out, QRect(0, 0, 160, 45)));
  }
}

// Through the X server: RandR monitors made with xrandr --setmonitor.
TEST(RootWindowOnMonitors, EachMonitorShowsTheWholePicture) {
  for (const char* tool : {"Xvfb", "xrandr"})
    if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed";
  constexpr int kWidth = 640, kHeight = 240;
  orvane::test::Xvfb server(kWidth, kHeight);
  ASSERT_TRUE(server.Running());
  auto xrandr = [&](const QStringList& arguments) {
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(server.Display()));
    tool.setProcessEnvironment(env);
    tool.start("xrandr", arguments);
    return tool.waitForFinished(10000) && tool.exitCode() == 0;
  };
  // The primary monitor (it holds the output) on the right, a smaller one on the left.
  ASSERT_TRUE(xrandr({"--setmonitor", "R", "320/85x240/64+320+0", "screen"}));
  ASSERT_TRUE(xrandr({"--setmonitor", "L", "160/42x120/32+0+0", "none"}));

  const im::Handle handle = im::CreateWorkBuff(320, 240, 0, 0);
  {
    QImage pixels = im::WorkBuffImage(handle);  // the buffer's own pixels
    QPainter(&pixels).drawImage(0, 0, Picture(320, 240));
  }
  const std::string file = (orvane::test::TempRoot() / "Orvane.bmp").string();
  ASSERT_TRUE(im::SaveBitmap(file, handle));
  im::DestroyWorkBuff(handle);
  ASSERT_TRUE(pf::SetRootWindowPicture(file, server.Display().c_str()));

  Display* display = XOpenDisplay(server.Display().c_str());
  ASSERT_NE(display, nullptr);
  XImage* x = XGetImage(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  ASSERT_NE(x, nullptr);
  QImage root(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y)
    for (int i = 0; i < kWidth; ++i) root.setPixel(i, y, QRgb(0xFF000000u | XGetPixel(x, i, y)));
  XDestroyImage(x);
  XCloseDisplay(display);
  if (const char* folder = std::getenv("ORVANE_SCREENSHOTS"); folder && *folder)
    root.save(QString::fromStdString(std::string(folder) + "/root-two-monitors.png"));

  const QImage saved = im::WorkBuffImage(im::LoadBitMap(file)).copy();
  EXPECT_EQ(root.copy(320, 0, 320, 240), saved) << "the primary monitor shows the picture whole";
  EXPECT_EQ(root.copy(0, 0, 160, 120), saved.scaled(160, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation))
      << "the other monitor shows the whole picture too";
  EXPECT_TRUE(AllBlack(root, QRect(0, 120, 320, 120)));
}

}  // namespace
