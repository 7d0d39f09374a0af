#include "platform/wallpaper_live.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/imaging.h"
#include "platform/desktop.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"

// Last: Xlib's macros clash with names in the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fs = std::filesystem;
namespace pf = orvane::platform;
namespace im = orvane::imaging;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Recording stand-ins of the desktop tools, first on PATH: each appends its
// name and arguments to a log and answers the questions the code asks.
class StandInTools : public testing::Test {
 protected:
  void SetUp() override {
    bin_ = orvane::test::MakeTempDir("bin");
    log_ = bin_ / "calls.log";
    const std::string script =
        "#!/bin/sh\n"
        "{ printf '%s' \"$(basename \"$0\")\"; for a in \"$@\"; do printf ' %s' \"$a\"; done; echo; } >> '" +
        log_.string() +
        "'\n"
        "case \"$(basename \"$0\") $*\" in\n"
        "  'xfconf-query -c xfce4-desktop -l') printf '/backdrop/screen0/monitor0/workspace0/last-image\\n"
        "/backdrop/screen0/monitor0/workspace0/image-style\\n/backdrop/screen0/monitorDP-1/workspace0/last-image\\n' ;;\n"
        "  'gsettings get '*' picture-options') echo \"'none'\" ;;\n"
        "esac\n";
    for (const char* tool : {"gsettings", "xfconf-query", "dbus-send"}) {
      orvane::test::WriteFile(bin_ / tool, script);
      fs::permissions(bin_ / tool, fs::perms::owner_all);
    }
    oldPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (bin_.string() + ":" + oldPath_).c_str(), 1);
    unsetenv("ORVANE_DESKTOP");
    unsetenv("XDG_SESSION_TYPE");
    unsetenv("DISPLAY");
  }
  void TearDown() override {
    setenv("PATH", oldPath_.c_str(), 1);
    setenv("ORVANE_DESKTOP", "record", 1);
  }
  std::vector<std::string> Calls() const {
    return fs::exists(log_) ? Lines(orvane::test::ReadFile(log_)) : std::vector<std::string>{};
  }
  void ClearCalls() const { fs::remove(log_); }

  fs::path bin_;
  fs::path log_;
  std::string oldPath_;
};

// The picture is always "Orvane.bmp" at the same place. GNOME Shell watches
// that file and reloads it when it is rewritten; Cinnamon, MATE and Xfce act
// only on a setting whose value changes, so they get another value first,
// every time.
TEST_F(StandInTools, EachDesktopIsToldThroughItsOwnTool) {
  struct Case {
    const char* desktop;
    std::vector<std::string> set;
    std::vector<std::string> cleared;
  };
  const std::string uri = "file:///w/my%20pics/Orvane.bmp";
  const std::vector<Case> cases = {
      {"ubuntu:GNOME",
       {"gsettings set org.gnome.desktop.background picture-uri " + uri,
        "gsettings set org.gnome.desktop.background picture-uri-dark " + uri,
        "gsettings get org.gnome.desktop.background picture-options",
        "gsettings set org.gnome.desktop.background picture-options zoom"},
       {"gsettings set org.gnome.desktop.background picture-options none"}},
      {"X-Cinnamon",
       {"gsettings set org.cinnamon.desktop.background picture-uri ",
        "gsettings set org.cinnamon.desktop.background picture-uri " + uri,
        "gsettings get org.cinnamon.desktop.background picture-options",
        "gsettings set org.cinnamon.desktop.background picture-options zoom"},
       {"gsettings set org.cinnamon.desktop.background picture-options none"}},
      {"MATE",
       {"gsettings set org.mate.background picture-filename ",
        "gsettings set org.mate.background picture-filename /w/my pics/Orvane.bmp"},
       {"gsettings set org.mate.background picture-filename "}},
      {"XFCE",
       {"xfconf-query -c xfce4-desktop -l",
        "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitor0/workspace0/last-image -s ",
        "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitor0/workspace0/last-image -s /w/my pics/Orvane.bmp",
        "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorDP-1/workspace0/last-image -s ",
        "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorDP-1/workspace0/last-image -s /w/my pics/Orvane.bmp"},
       {"xfconf-query -c xfce4-desktop -l",
        "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitor0/workspace0/image-style -s 0"}},
  };
  for (const Case& c : cases) {
    setenv("XDG_CURRENT_DESKTOP", c.desktop, 1);
    for (int time = 1; time <= 2; ++time) {  // the same path again: the same change again
      ClearCalls();
      EXPECT_TRUE(pf::SetDesktopWallpaper("/w/my pics/Orvane.bmp"));
      EXPECT_EQ(Calls(), c.set) << c.desktop << " time " << time;
    }
    ClearCalls();
    EXPECT_TRUE(pf::SetDesktopWallpaper("(none)"));
    EXPECT_EQ(Calls(), c.cleared) << c.desktop;
    EXPECT_EQ(pf::GetDesktopWallpaper(), "(none)");
  }
}

TEST_F(StandInTools, PlasmaGetsAScriptOverDBus) {
  setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
  pf::SetDesktopWallpaper("/w/a\"b/Orvane.bmp");
  std::vector<std::string> calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  const std::string prefix =
      "dbus-send --session --dest=org.kde.plasmashell --type=method_call /PlasmaShell "
      "org.kde.PlasmaShell.evaluateScript string:";
  EXPECT_EQ(calls[0].rfind(prefix, 0), 0u) << calls[0];
  EXPECT_NE(calls[0].find("d.wallpaperPlugin = \"org.kde.image\""), std::string::npos);
  // Named empty first, so Plasma reloads a picture whose name it already shows.
  EXPECT_NE(calls[0].find("d.writeConfig(\"Image\", \"\"); d.writeConfig(\"Image\", \"file:///w/a%22b/Orvane.bmp\");"),
            std::string::npos)
      << calls[0];

  ClearCalls();
  pf::SetDesktopWallpaper("(none)");
  calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_NE(calls[0].find("d.wallpaperPlugin = \"org.kde.color\""), std::string::npos);
}

TEST(LiveDesktop, DetectionFollowsTheSession) {
  struct Case {
    const char* desktop;
    const char* session;
    const char* display;
    pf::LiveDesktop expected;
  };
  for (const Case& c : {Case{"GNOME", "wayland", "", pf::LiveDesktop::Gnome},
                        Case{"Budgie:GNOME", "x11", ":0", pf::LiveDesktop::Gnome},
                        Case{"X-Cinnamon", "x11", ":0", pf::LiveDesktop::Cinnamon},
                        Case{"MATE", "x11", ":0", pf::LiveDesktop::Mate},
                        Case{"XFCE", "x11", ":0", pf::LiveDesktop::Xfce},
                        Case{"KDE", "wayland", ":0", pf::LiveDesktop::Plasma},
                        Case{"", "x11", ":0", pf::LiveDesktop::XRootWindow},
                        Case{"i3", "", ":1", pf::LiveDesktop::XRootWindow},
                        Case{"sway", "wayland", ":0", pf::LiveDesktop::Unreachable},
                        Case{"", "", "", pf::LiveDesktop::Unreachable}}) {
    setenv("XDG_CURRENT_DESKTOP", c.desktop, 1);
    setenv("XDG_SESSION_TYPE", c.session, 1);
    setenv("DISPLAY", c.display, 1);
    EXPECT_EQ(pf::DetectLiveDesktop(), c.expected) << c.desktop << " " << c.session;
  }
}

// ---- The root window of a real X server ----

class RootWindow : public testing::Test {
 protected:
  void SetUp() override {
    if (!server_.Running()) GTEST_SKIP() << "Xvfb is not installed";
    display_ = XOpenDisplay(server_.Display().c_str());
    ASSERT_NE(display_, nullptr);
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }
  void TearDown() override {
    if (display_) XCloseDisplay(display_);
  }

  // A picture of the given size: a colour per quarter, so placement shows.
  std::string MakePicture(const std::string& name, int width, int height) {
    const im::Handle h = im::CreateWorkBuff(width, height, 0, 0);
    QImage image = im::WorkBuffImage(h);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        image.setPixel(x, y, qRgb(x < width / 2 ? 200 : 30, y < height / 2 ? 180 : 60, (x * 255) / width));
    const std::string file = (orvane::test::TempRoot() / name).string();
    EXPECT_TRUE(im::SaveBitmap(file, h));
    im::DestroyWorkBuff(h);
    return file;
  }

  QImage ReadRoot() {
    const Window root = DefaultRootWindow(display_);
    XImage* x = XGetImage(display_, root, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    QImage out(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
      for (int i = 0; i < kWidth; ++i) out.setPixel(i, y, QRgb(0xFF000000u | XGetPixel(x, i, y)));
    XDestroyImage(x);
    return out;
  }

  std::optional<Pixmap> Property(const char* name) {
    const Atom atom = XInternAtom(display_, name, False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::optional<Pixmap> result;
    if (XGetWindowProperty(display_, DefaultRootWindow(display_), atom, 0, 1, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) == Success &&
        type == XA_PIXMAP && count == 1)
      result = *reinterpret_cast<Pixmap*>(data);
    if (data) XFree(data);
    return result;
  }

  bool PixmapExists(Pixmap pixmap) {
    Window root;
    int x, y;
    unsigned w, h, border, depth;
    return XGetGeometry(display_, pixmap, &root, &x, &y, &w, &h, &border, &depth) != 0;
  }

  static constexpr int kWidth = 160;
  static constexpr int kHeight = 120;
  orvane::test::Xvfb server_{kWidth, kHeight};
  Display* display_ = nullptr;
};

TEST_F(RootWindow, PictureStaysAsTheBackgroundAfterTheProgramDisconnects) {
  const std::string file = MakePicture("Orvane.bmp", kWidth, kHeight);
  ASSERT_TRUE(pf::SetRootWindowPicture(file, server_.Display().c_str()));
  // Read back through another connection, after the setter's has closed.
  const QImage expected = im::WorkBuffImage(im::LoadBitMap(file)).copy();
  EXPECT_EQ(ReadRoot(), expected);
  const auto pixmap = Property("_XROOTPMAP_ID");
  ASSERT_TRUE(pixmap.has_value());
  EXPECT_EQ(Property("ESETROOT_PMAP_ID"), pixmap);
  EXPECT_TRUE(PixmapExists(*pixmap));

  // The next picture frees the first one; a smaller picture is centred on black.
  const std::string small = MakePicture("small.bmp", 40, 30);
  ASSERT_TRUE(pf::SetRootWindowPicture(small, server_.Display().c_str()));
  XSync(display_, False);
  EXPECT_FALSE(PixmapExists(*pixmap));
  const QImage root = ReadRoot();
  EXPECT_EQ(root.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(root.pixel(60, 45), qRgb(200, 180, 0));  // the small picture's top-left pixel
  EXPECT_EQ(root.pixel(99, 74), qRgb(30, 60, (39 * 255) / 40));  // and its bottom-right one
  EXPECT_EQ(root.pixel(100, 75), qRgb(0, 0, 0));

  // "(none)" gives the root window back to the server and removes both names.
  const auto second = Property("_XROOTPMAP_ID");
  ASSERT_TRUE(pf::SetRootWindowPicture("(none)", server_.Display().c_str()));
  XSync(display_, False);
  EXPECT_FALSE(Property("_XROOTPMAP_ID").has_value());
  EXPECT_FALSE(Property("ESETROOT_PMAP_ID").has_value());
  ASSERT_TRUE(second.has_value());
  EXPECT_FALSE(PixmapExists(*second));
}

TEST_F(RootWindow, PlainXSessionGetsTheWallpaperThroughTheDesktopSetting) {
  const std::string file = MakePicture("Orvane.bmp", kWidth, kHeight);
  unsetenv("ORVANE_DESKTOP");
  setenv("XDG_CURRENT_DESKTOP", "", 1);
  setenv("XDG_SESSION_TYPE", "x11", 1);
  setenv("DISPLAY", server_.Display().c_str(), 1);
  EXPECT_TRUE(pf::SetDesktopWallpaper(file));
  setenv("ORVANE_DESKTOP", "record", 1);
  EXPECT_TRUE(Property("_XROOTPMAP_ID").has_value());
  EXPECT_EQ(ReadRoot(), im::WorkBuffImage(im::LoadBitMap(file)).copy());
}

TEST_F(RootWindow, MissingPictureLeavesTheBackgroundAlone) {
  EXPECT_FALSE(pf::SetRootWindowPicture((orvane::test::TempRoot() / "none.bmp").string(),
                                        server_.Display().c_str()));
  EXPECT_FALSE(Property("_XROOTPMAP_ID").has_value());
}

}  // namespace
