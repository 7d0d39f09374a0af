#include "platform/wallpaper_live.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "imaging/imaging.h"
#include "platform/monitor_picture.h"

// Last: Xlib defines macros (None, Bool, Status) that Qt's headers also use.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

namespace orvane::platform {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Upper(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

std::string FileUri(const std::string& path) {
  return QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toStdString();
}

// The wallpaper is always the same file, rewritten. GNOME Shell watches the
// file it shows and reloads it when the file is rewritten, so naming it again is
// enough there. Cinnamon, MATE and Xfce reload only when the setting's value
// changes (the same value set again reaches nobody), so they are given an empty
// name first and then the picture.

// GNOME, Cinnamon: a file URI and a picture style that shows it.
void ApplyGnomeLike(const std::string& schema, bool gnome, const std::string& path, bool none,
                    const DesktopTool& tool) {
  if (none) {
    tool("gsettings", {"set", schema, "picture-options", "none"});
    return;
  }
  const std::string uri = FileUri(path);
  if (!gnome) tool("gsettings", {"set", schema, "picture-uri", ""});
  tool("gsettings", {"set", schema, "picture-uri", uri});
  if (gnome) tool("gsettings", {"set", schema, "picture-uri-dark", uri});
  // A desktop whose picture was switched off would not show the new one.
  const auto options = tool("gsettings", {"get", schema, "picture-options"});
  if (options && options->find("none") != std::string::npos)
    tool("gsettings", {"set", schema, "picture-options", "zoom"});
}

void ApplyMate(const std::string& path, bool none, const DesktopTool& tool) {
  tool("gsettings", {"set", "org.mate.background", "picture-filename", ""});
  if (!none) tool("gsettings", {"set", "org.mate.background", "picture-filename", path});
}

void ApplyXfce(const std::string& path, bool none, const DesktopTool& tool) {
  const auto list = tool("xfconf-query", {"-c", "xfce4-desktop", "-l"});
  if (!list) return;
  std::istringstream lines(*list);
  std::string property;
  const std::string suffix = none ? "/image-style" : "/last-image";
  while (std::getline(lines, property)) {
    while (!property.empty() && (property.back() == '\r' || property.back() == ' ')) property.pop_back();
    if (property.size() < suffix.size() ||
        property.compare(property.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    if (none) {
      tool("xfconf-query", {"-c", "xfce4-desktop", "-p", property, "-s", "0"});
    } else {
      // Each change reaches xfdesktop with its own value, so the empty name is
      // seen before the picture.
      tool("xfconf-query", {"-c", "xfce4-desktop", "-p", property, "-s", ""});
      tool("xfconf-query", {"-c", "xfce4-desktop", "-p", property, "-s", path});
    }
  }
}

// A JavaScript string literal.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

void ApplyPlasma(const std::string& path, bool none, const DesktopTool& tool) {
  std::string script =
      "var all = desktops();"
      "for (var i = 0; i < all.length; i++) {"
      " var d = all[i];";
  if (none) {
    script += " d.wallpaperPlugin = \"org.kde.color\";";
  } else {
    // The image is named again after an empty name: Plasma does not reload a
    // picture whose name it already shows.
    script +=
        " d.wallpaperPlugin = \"org.kde.image\";"
        " d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\");"
        " d.writeConfig(\"Image\", \"\");"
        " d.writeConfig(\"Image\", " + Quoted(FileUri(path)) + ");";
  }
  script += " }";
  tool("dbus-send", {"--session", "--dest=org.kde.plasmashell", "--type=method_call", "/PlasmaShell",
                     "org.kde.PlasmaShell.evaluateScript", "string:" + script});
}

// ---- The X root window ----

int xErrors = 0;
int CountError(Display*, XErrorEvent*) {
  ++xErrors;
  return 0;
}

std::optional<Pixmap> ReadPixmapProperty(Display* display, Window root, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<Pixmap> result;
  if (XGetWindowProperty(display, root, property, 0, 1, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) == Success &&
      type == XA_PIXMAP && format == 32 && count == 1 && data)
    result = *reinterpret_cast<Pixmap*>(data);
  if (data) XFree(data);
  return result;
}

// The pixmap that an earlier setter left behind (it is announced under both
// names) belongs to a client kept after its end; killing that client frees it.
void FreeEarlierPixmap(Display* display, Window root, Atom rootId, Atom esetrootId) {
  const auto current = ReadPixmapProperty(display, root, rootId);
  const auto esetroot = ReadPixmapProperty(display, root, esetrootId);
  if (current && esetroot && *current == *esetroot) XKillClient(display, *current);
  XDeleteProperty(display, root, rootId);
  XDeleteProperty(display, root, esetrootId);
}

int ShiftOf(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

int BitsOf(unsigned long mask) {
  int bits = 0;
  for (; mask; mask >>= 1) bits += int(mask & 1);
  return bits;
}

unsigned long Channel(int value, unsigned long mask) {
  const int bits = BitsOf(mask);
  if (bits == 0) return 0;
  return (static_cast<unsigned long>(value) >> (8 - std::min(bits, 8))) << ShiftOf(mask);
}

// The monitors of the screen (RandR), the primary one first; none when the
// server does not tell.
std::vector<QRect> Monitors(Display* display, Window root) {
  std::vector<QRect> monitors;
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (!XRRQueryExtension(display, &eventBase, &errorBase) || !XRRQueryVersion(display, &major, &minor) ||
      major * 100 + minor < 105)
    return monitors;
  int count = 0;
  XRRMonitorInfo* info = XRRGetMonitors(display, root, True, &count);
  for (int i = 0; i < count; ++i) {
    const QRect place(info[i].x, info[i].y, info[i].width, info[i].height);
    if (place.isEmpty()) continue;
    if (info[i].primary) monitors.insert(monitors.begin(), place);
    else monitors.push_back(place);
  }
  if (info) XRRFreeMonitors(info);
  return monitors;
}

// The picture on black at the screen's size, on each monitor by itself.
QImage ScreenPicture(const std::string& path, int width, int height, const std::vector<QRect>& monitors) {
  const imaging::Handle handle = imaging::LoadBitMap(path);
  if (handle == imaging::kNoHandle) return {};
  const QImage screen = MonitorsPicture(imaging::WorkBuffImage(handle), QSize(width, height), monitors, 0);
  imaging::UnloadBitMap(handle);
  return screen;
}

bool PutPicture(Display* display, Drawable drawable, Visual* visual, int depth, const QImage& picture) {
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) return false;
  const int width = picture.width(), height = picture.height();
  XImage* image = XCreateImage(display, visual, unsigned(depth), ZPixmap, 0, nullptr, unsigned(width),
                               unsigned(height), 32, 0);
  if (!image) return false;
  image->data = static_cast<char*>(std::malloc(std::size_t(image->bytes_per_line) * std::size_t(height)));
  if (!image->data) {
    XDestroyImage(image);
    return false;
  }
  const bool plain = image->bits_per_pixel == 32 && visual->red_mask == 0xFF0000 &&
                     visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
  if (plain) {
    // Our pixels are already 0xXXRRGGBB words in the machine's byte order.
    const std::uint32_t one = 1;
    image->byte_order = *reinterpret_cast<const unsigned char*>(&one) ? LSBFirst : MSBFirst;
    for (int y = 0; y < height; ++y)
      std::memcpy(image->data + std::size_t(y) * image->bytes_per_line, picture.constScanLine(y),
                  std::size_t(width) * 4);
  } else {
    for (int y = 0; y < height; ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
      for (int x = 0; x < width; ++x)
        XPutPixel(image, x, y,
                  Channel(qRed(row[x]), visual->red_mask) | Channel(qGreen(row[x]), visual->green_mask) |
                      Channel(qBlue(row[x]), visual->blue_mask));
    }
  }
  GC gc = XCreateGC(display, drawable, 0, nullptr);
  XPutImage(display, drawable, gc, image, 0, 0, 0, 0, unsigned(width), unsigned(height));
  XFreeGC(display, gc);
  XDestroyImage(image);  // frees the pixel data too
  return true;
}

}  // namespace

LiveDesktop DetectLiveDesktop() {
  const std::string desktop = Upper(Env("XDG_CURRENT_DESKTOP"));
  if (Has(desktop, "CINNAMON")) return LiveDesktop::Cinnamon;
  if (Has(desktop, "MATE")) return LiveDesktop::Mate;
  if (Has(desktop, "XFCE")) return LiveDesktop::Xfce;
  if (Has(desktop, "KDE")) return LiveDesktop::Plasma;
  for (const char* kin : {"GNOME", "UNITY", "BUDGIE", "PANTHEON"})
    if (Has(desktop, kin)) return LiveDesktop::Gnome;
  // Under Wayland the root window of Xwayland is never seen.
  if (Upper(Env("XDG_SESSION_TYPE")) == "WAYLAND") return LiveDesktop::Unreachable;
  if (!Env("DISPLAY").empty()) return LiveDesktop::XRootWindow;
  return LiveDesktop::Unreachable;
}

void ApplyWallpaperToLiveDesktop(const std::string& path, const DesktopTool& tool) {
  const bool none = path.empty() || path == "(none)";
  switch (DetectLiveDesktop()) {
    case LiveDesktop::Gnome: ApplyGnomeLike("org.gnome.desktop.background", true, path, none, tool); break;
    case LiveDesktop::Cinnamon: ApplyGnomeLike("org.cinnamon.desktop.background", false, path, none, tool); break;
    case LiveDesktop::Mate: ApplyMate(path, none, tool); break;
    case LiveDesktop::Xfce: ApplyXfce(path, none, tool); break;
    case LiveDesktop::Plasma: ApplyPlasma(path, none, tool); break;
    case LiveDesktop::XRootWindow: SetRootWindowPicture(none ? std::string() : path); break;
    case LiveDesktop::Unreachable: break;
  }
}

bool SetRootWindowPicture(const std::string& path, const char* displayName) {
  Display* display = XOpenDisplay(displayName);
  if (!display) return false;
  // Errors (a stale pixmap id, say) are counted instead of ending the program.
  xErrors = 0;
  XErrorHandler previous = XSetErrorHandler(&CountError);
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  const Atom rootId = XInternAtom(display, "_XROOTPMAP_ID", False);
  const Atom esetrootId = XInternAtom(display, "ESETROOT_PMAP_ID", False);
  bool ok = true;
  if (path.empty() || path == "(none)") {
    FreeEarlierPixmap(display, root, rootId, esetrootId);
    XSetWindowBackgroundPixmap(display, root, None);  // the server's default background
    XClearWindow(display, root);
    XSync(display, False);
  } else {
    const int width = DisplayWidth(display, screen);
    const int height = DisplayHeight(display, screen);
    const int depth = DefaultDepth(display, screen);
    const QImage picture = ScreenPicture(path, width, height, Monitors(display, root));
    const Pixmap pixmap = picture.isNull() ? None
                                           : XCreatePixmap(display, root, unsigned(width), unsigned(height),
                                                           unsigned(depth));
    ok = pixmap != None && PutPicture(display, pixmap, DefaultVisual(display, screen), depth, picture);
    if (ok) {
      FreeEarlierPixmap(display, root, rootId, esetrootId);
      XChangeProperty(display, root, rootId, XA_PIXMAP, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&pixmap), 1);
      XChangeProperty(display, root, esetrootId, XA_PIXMAP, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&pixmap), 1);
      XSetWindowBackgroundPixmap(display, root, pixmap);
      XClearWindow(display, root);
      XSync(display, False);
      // The pixmap stays on the server after this connection closes.
      XSetCloseDownMode(display, RetainPermanent);
    } else if (pixmap != None) {
      XFreePixmap(display, pixmap);
    }
  }
  XSync(display, False);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
  return ok;
}

}  // namespace orvane::platform
