// "/wall" and "/kalendar" run by the real program: headless, on a bare X
// server (the root window), and deferred while a slide show runs.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <filesystem>
#include <functional>
#include <string>

#include "core/PPS.h"
#include "core/Utils.h"
#include "imaging/imaging.h"
#include "platform/desktop.h"
#include "platform/registry.h"
#include "platform/runlog.h"
#include "platform/vbruntime.h"
#include "tests/settings/picture_files.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"

// Last: Xlib's macros clash with names in the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fs = std::filesystem;
namespace im = orvane::imaging;
namespace pf = orvane::platform;

namespace {

using orvane::test::WritePicture;
using orvane::test::LoadPicture;

const QRgb kHarbour = qRgb(0, 90, 160);
const QRgb kCliff = qRgb(150, 140, 90);

class Run : public testing::Test {
 protected:
  void SetUp() override {
    program_ = orvane::test::MakeTempDir("program");
    orvane::test::WriteFile(program_ / "Sea/images.ini",
                            "[SetDescriptions]\r\nSea=Sea\\\r\n[Sea]\r\nHarbour=harbour\r\nCliff=cliff\r\n");
    WritePicture(program_ / "Sea/harbour.jpg", 400, 300, kHarbour);
    WritePicture(program_ / "Sea/cliff.jpg", 400, 300, kCliff);
    pf::RegSetValue(pf::Hive::LocalMachine, orvane::core::kProgramPathKey, "@", program_.string());
    folder_ = orvane::core::GetSettingsFolder();
    orvane::test::WriteFile(folder_ / "ScreenSaver.ini",
                            "[ScreenSaver]\r\nSetup=1\r\n[PrefsWP]\r\nenable=1\r\nrandom=0\r\nCurrentSet=Sea\r\n"
                            "CurrentImage=Harbour\r\n[CalendarWP]\r\nenable=1\r\nposition=1\r\nsize=100\r\n");
    env_ = QProcessEnvironment::systemEnvironment();
  }
  std::string Key(const char* key) const {
    return orvane::core::GetIniString("PrefsWP", key, "<none>", (folder_ / "ScreenSaver.ini").string());
  }
  void Start(QProcess& process, const char* commandLine, const QProcessEnvironment& env) {
    process.setProcessEnvironment(env);
    process.start(QString::fromStdString(orvane::test::OrvaneExe().string()), {commandLine});
  }
  // Runs the program to its end; its exit code, with standard error kept.
  int Orvane(const char* commandLine) {
    QProcess process;
    Start(process, commandLine, env_);
    // A message box here would wait for ever: the run must end by itself.
    if (!process.waitForFinished(60000)) {
      process.kill();
      process.waitForFinished();
      return -1;
    }
    errors_ = process.readAllStandardError().toStdString();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }
  QSize Screen() const { return QGuiApplication::primaryScreen()->geometry().size(); }

  fs::path program_;
  fs::path folder_;
  QProcessEnvironment env_;
  std::string errors_;
};

TEST_F(Run, WallThenKalendarHeadless) {
  ASSERT_EQ(Orvane("/wall"), 0);
  const QImage wallpaper = LoadPicture(folder_ / "Orvane.bmp");
  ASSERT_EQ(wallpaper.size(), Screen());
  EXPECT_EQ(pf::GetDesktopWallpaper(), (folder_ / "Orvane.bmp").string());
  const std::string image = Key("CurrentImage");
  const QRgb colour = image == "Cliff" ? kCliff : kHarbour;
  EXPECT_EQ(wallpaper.pixel(Screen().width() - 10, Screen().height() - 10), colour);
  // The calendar's corner is darkened to a third.
  auto third = [](int c) { return (c * 33 + 50) / 100; };
  EXPECT_EQ(wallpaper.pixel(22, 22), qRgb(third(qRed(colour)), third(qGreen(colour)), third(qBlue(colour))));
  EXPECT_TRUE(pf::ParseDateTime(Key("LastChanged")).has_value()) << Key("LastChanged");
  EXPECT_EQ(Key("LastChanged").substr(0, 3), pf::FormatDateMmmDYyyy(pf::Now()).substr(0, 3));
  EXPECT_TRUE(fs::exists(folder_ / "cal.bmp"));

  // "/kalendar" draws the same picture again.
  fs::remove(folder_ / "Orvane.bmp");
  ASSERT_EQ(Orvane("/kalendar"), 0);
  EXPECT_EQ(Key("CurrentImage"), image);
  EXPECT_EQ(LoadPicture(folder_ / "Orvane.bmp"), wallpaper);
}

TEST_F(Run, MissingPictureEndsTheRunWithOneReportAndNoKeys) {
  fs::remove(program_ / "Sea/harbour.jpg");
  ASSERT_EQ(Orvane("/kalendar"), 1);
  EXPECT_NE(errors_.find("Decompressing"), std::string::npos) << errors_;
  EXPECT_EQ(Key("LastChanged"), "<none>");
  EXPECT_FALSE(fs::exists(folder_ / "Orvane.bmp"));
  EXPECT_EQ(pf::GetDesktopWallpaper(), "");
}

// Nobody answers a box in a run for the changer: what went wrong while the
// hidden dialog loaded is written down and the run ends by itself, failed.
TEST_F(Run, AFailureWhileTheHiddenDialogLoadsIsWrittenDownAndEndsTheRun) {
  struct Case {
    const char* name;
    std::function<void()> breakIt;
    const char* said;
  };
  const Case cases[] = {
      {"no image sets", [this] { fs::remove_all(program_ / "Sea"); }, "ERROR: Unable to find image sets. PATH = "},
      {"an unusable program folder in the registry",
       [] { pf::RegSetValue(pf::Hive::LocalMachine, orvane::core::kProgramPathKey, "@", "not/a/folder"); },
       "Unable to open registry key "},
  };
  for (const Case& c : cases) {
    SetUp();
    c.breakIt();
    for (const char* commandLine : {"/wall", "/kalendar"}) {
      EXPECT_EQ(Orvane(commandLine), 1) << c.name << " " << commandLine;
      EXPECT_NE(errors_.find(c.said), std::string::npos) << c.name << ": " << errors_;
    }
    EXPECT_NE(orvane::test::ReadFile(pf::RunLogFile()).find(c.said), std::string::npos) << c.name;
    EXPECT_FALSE(fs::exists(folder_ / "Orvane.bmp")) << c.name;
  }
}

TEST_F(Run, OnABareXServerTheRootWindowShowsItAndADeferredWallFollowsTheShow) {
  orvane::test::Xvfb server(Screen().width(), Screen().height());
  if (!server.Running()) GTEST_SKIP() << "Xvfb is not installed";
  env_.remove("ORVANE_DESKTOP");
  env_.insert("XDG_CURRENT_DESKTOP", "");
  env_.insert("XDG_SESSION_TYPE", "x11");
  env_.insert("DISPLAY", QString::fromStdString(server.Display()));

  ASSERT_EQ(Orvane("/wall"), 0);
  Display* display = XOpenDisplay(server.Display().c_str());
  ASSERT_NE(display, nullptr);
  auto readRoot = [&] {
    XImage* x = XGetImage(display, DefaultRootWindow(display), 0, 0, unsigned(Screen().width()),
                          unsigned(Screen().height()), AllPlanes, ZPixmap);
    QImage out(Screen(), QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
      for (int i = 0; i < out.width(); ++i) out.setPixel(i, y, QRgb(0xFF000000u | XGetPixel(x, i, y)));
    XDestroyImage(x);
    return out;
  };
  EXPECT_EQ(readRoot(), LoadPicture(folder_ / "Orvane.bmp"));
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_XROOTPMAP_ID", False), 0, 1, False,
                     AnyPropertyType, &type, &format, &count, &after, &data);
  EXPECT_EQ(type, XA_PIXMAP);
  if (data) XFree(data);

  // A show runs; the changer's "/wall" is only recorded, then done after it.
  orvane::core::WriteIni("CalendarWP", "enable", "0", (folder_ / "ScreenSaver.ini").string());
  QProcessEnvironment showEnv = env_;
  showEnv.insert("ORVANE_PLACEHOLDER_SAVER", "show");
  showEnv.insert("ORVANE_PLACEHOLDER_WAIT", "1");
  QProcess show;
  Start(show, "/s", showEnv);
  while (!show.readAllStandardOutput().contains("showing") && show.state() != QProcess::NotRunning)
    ASSERT_TRUE(show.waitForReadyRead(30000));
  fs::remove(folder_ / "Orvane.bmp");
  ASSERT_EQ(Orvane("/wall"), 0);
  EXPECT_EQ(Key("DelayedChange"), "WallPaper");
  EXPECT_FALSE(fs::exists(folder_ / "Orvane.bmp"));

  show.closeWriteChannel();
  ASSERT_TRUE(show.waitForFinished(60000));
  EXPECT_EQ(show.exitCode(), 0);
  EXPECT_EQ(Key("DelayedChange"), "");
  const QImage deferred = LoadPicture(folder_ / "Orvane.bmp");
  ASSERT_EQ(deferred.size(), Screen());
  EXPECT_EQ(deferred.pixel(22, 22), deferred.pixel(400, 300));  // no calendar this time
  EXPECT_EQ(readRoot(), deferred);
  XCloseDisplay(display);
}

}  // namespace
