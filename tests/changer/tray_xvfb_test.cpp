// Tobrin on a real X server with an XEmbed system tray (trayer): the icon is
// embedded and drawn, the right button opens the menu, its entries do what
// they say in the order they are listed, a second start ends at once, and a
// tray that appears after the program started still gets the icon. Needs Xvfb,
// trayer, xdotool, xwininfo (x11-utils) and ImageMagick's import.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Utils.h"
#include "platform/folders.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/saverlink.h"
#include "tests/support/testenv.h"
#include "tests/support/xvfb.h"

namespace pf = orvane::platform;
namespace fs = std::filesystem;

namespace {

using orvane::test::WaitFor;
// Each poll of a wait here is costly (a screenshot, a helper process).
constexpr std::chrono::milliseconds kPoll(100);

using orvane::test::Xvfb;

std::string RunTool(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  process.waitForFinished(20000);
  return process.readAllStandardOutput().toStdString();
}


struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  int CentreX() const { return x + width / 2; }
  int CentreY() const { return y + height / 2; }
};

// The windows of the tobrin program small enough to be tray icons, with their
// place on the screen, from the window tree.
std::vector<Rect> IconWindows() {
  std::vector<Rect> icons;
  const QString tree = QString::fromStdString(RunTool("xwininfo", {"-root", "-tree"}));
  static const QRegularExpression line(
      R"re("tobrin": \("tobrin" "tobrin"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))re");
  for (auto it = line.globalMatch(tree); it.hasNext();) {
    const auto m = it.next();
    const Rect r{m.captured(3).toInt(), m.captured(4).toInt(), m.captured(1).toInt(),
                 m.captured(2).toInt()};
    if (r.width <= 64 && r.height <= 64 && r.width > 1) icons.push_back(r);
  }
  return icons;
}

// The icon embedded in the panel at the top of the screen.
std::optional<Rect> TrayIcon() {
  for (const Rect& r : IconWindows())
    if (r.y >= 0 && r.y < 40) return r;
  return std::nullopt;
}

// A viewable tobrin window wider than an icon: the open menu.
std::optional<Rect> OpenMenu() {
  const QString ids = QString::fromStdString(
      RunTool("xdotool", {"search", "--onlyvisible", "--classname", "tobrin"}));
  for (const QString& id : ids.split('\n', Qt::SkipEmptyParts)) {
    const QString info = QString::fromStdString(RunTool("xwininfo", {"-id", id}));
    if (!info.contains("IsViewable")) continue;
    auto value = [&](const char* key) {
      const QRegularExpression re(QString(key) + R"(:\s+(-?\d+))");
      return re.match(info).captured(1).toInt();
    };
    const Rect r{value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                 value("Height")};
    if (r.width > 100) return r;
  }
  return std::nullopt;
}

QImage Screenshot(const fs::path& png) {
  RunTool("import", {"-window", "root", QString::fromStdString(png.string())});
  if (const char* keep = std::getenv("ORVANE_SCREENSHOT_DIR"))
    fs::copy_file(png, fs::path(keep) / png.filename(), fs::copy_options::overwrite_existing);
  return QImage(QString::fromStdString(png.string()));
}

// Pixels of clear colour (not grey) in a rectangle of the screen.
int ColouredPixels(const QImage& shot, const Rect& r) {
  int count = 0;
  for (int y = r.y; y < r.y + r.height; ++y)
    for (int x = r.x; x < r.x + r.width; ++x) {
      const QColor c = shot.pixelColor(x, y);
      const int hi = std::max({c.red(), c.green(), c.blue()});
      const int lo = std::min({c.red(), c.green(), c.blue()});
      if (hi - lo > 60) ++count;
    }
  return count;
}

class TrayOnX : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "trayer", "xdotool", "xwininfo", "import"})
      if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool << " is not installed";
    tobrin = QString::fromStdString((orvane::test::OrvaneExe().parent_path() / "tobrin").string());
    ASSERT_TRUE(fs::exists(tobrin.toStdString()));

    server = std::make_unique<Xvfb>(640, 480);
    ASSERT_FALSE(server->Display().empty());
    // What the programs started here inherit: this X server, and no session
    // bus, so the icon goes to the XEmbed tray.
    setenv("DISPLAY", server->Display().c_str(), 1);
    unsetenv("QT_QPA_PLATFORM");
    unsetenv("DBUS_SESSION_BUS_ADDRESS");

    const fs::path program = orvane::test::MakeTempDir("program");
    pf::RegSetValue(pf::Hive::LocalMachine, orvane::core::kProgramPathKey, "@", program.string());
    // The saver program: logs its arguments, one start per line.
    log = orvane::test::TempRoot() / "saver.log";
    orvane::test::WriteFile(pf::SaverLinkPath(), "#!/bin/sh\necho \"$*\" >> '" + log.string() + "'\n");
    fs::permissions(pf::SaverLinkPath(), fs::perms::owner_all);
    orvane = pf::LocalAppDataFolder() + "Orvane.ini";

    // Under the leak checker: Qt looks for a session bus to find a
    // StatusNotifierItem host, and libdbus keeps the error of that failed look
    // for good. That is no leak of ours; everything else is still checked.
    const fs::path suppressions = orvane::test::TempRoot() / "lsan.supp";
    orvane::test::WriteFile(suppressions, "leak:libdbus-1.so\n");
    setenv("LSAN_OPTIONS", ("suppressions=" + suppressions.string() + ":print_suppressions=0").c_str(), 1);
  }
  void TearDown() override {
    for (QProcess* p : {&changer, &tray}) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
    }
    server.reset();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    unsetenv("DISPLAY");
  }

  void StartTray() {
    tray.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                          "--height", "32", "--transparent", "false"});
    ASSERT_TRUE(tray.waitForStarted(10000));
  }
  void StartChanger() {
    changer.setStandardErrorFile(QString::fromStdString(errors.string()));
    changer.start(tobrin, {});
    ASSERT_TRUE(changer.waitForStarted(10000));
  }
  std::vector<std::string> SaverStarts() {
    std::vector<std::string> lines;
    const std::string text = fs::exists(log) ? orvane::test::ReadFile(log) : "";
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }
  std::string Key(const char* key) {
    return pf::GetPrivateProfileString("Wallpaper", key, "<missing>", 64, orvane).text;
  }
  // Opens the menu with the right button and picks the entry `downs` presses of
  // the Down key below its top (separators are passed over).
  void PickEntry(const Rect& icon, int downs) {
    // Two presses closer together than the double-click time would be taken as
    // a double click, which opens no menu.
    QThread::msleep(600);
    RunTool("xdotool", {"mousemove", QString::number(icon.CentreX()), QString::number(icon.CentreY()),
                    "click", "3"});
    ASSERT_TRUE(WaitFor([] { return OpenMenu().has_value(); }, std::chrono::seconds(20), kPoll)) << "no menu after a right click";
    QStringList keys{"key"};
    for (int i = 0; i < downs; ++i) keys << "Down";
    keys << "Return";
    RunTool("xdotool", keys);
    ASSERT_TRUE(WaitFor([] { return !OpenMenu().has_value(); }, std::chrono::seconds(20), kPoll));
  }

  QString tobrin;
  std::unique_ptr<Xvfb> server;
  QProcess tray;
  QProcess changer;
  fs::path log;
  fs::path errors = orvane::test::TempRoot() / "tobrin.err";
  std::string orvane;
};

TEST_F(TrayOnX, IconMenuEntriesSecondStartAndClose) {
  StartTray();
  StartChanger();
  ASSERT_TRUE(WaitFor([] { return TrayIcon().has_value(); }, std::chrono::seconds(20), kPoll)) << "no icon in the tray";
  const Rect icon = *TrayIcon();
  QThread::msleep(300);  // let the icon paint
  const QImage active = Screenshot(orvane::test::TempRoot() / "tobrin-active.png");
  EXPECT_GT(ColouredPixels(active, icon), icon.width * icon.height / 4) << "icon not drawn";

  // A left click is the icon's activation: the settings on the wallpaper page, no menu.
  RunTool("xdotool", {"mousemove", QString::number(icon.CentreX()), QString::number(icon.CentreY()),
                  "click", "1"});
  ASSERT_TRUE(WaitFor([&] { return SaverStarts().size() == 1; }, std::chrono::seconds(20), kPoll));
  EXPECT_EQ(SaverStarts().back(), "/-ConfigWall");
  EXPECT_FALSE(OpenMenu().has_value());

  // The right button opens the menu beside the icon.
  QThread::msleep(600);
  RunTool("xdotool", {"mousemove", QString::number(icon.CentreX()), QString::number(icon.CentreY()),
                  "click", "3"});
  ASSERT_TRUE(WaitFor([] { return OpenMenu().has_value(); }, std::chrono::seconds(20), kPoll));
  const Rect menu = *OpenMenu();
  EXPECT_GT(menu.height, 80);
  Screenshot(orvane::test::TempRoot() / "tobrin-menu.png");
  RunTool("xdotool", {"key", "Escape"});
  ASSERT_TRUE(WaitFor([] { return !OpenMenu().has_value(); }, std::chrono::seconds(20), kPoll));

  // The entries in order: Close, Next Wallpaper, Settings..., Play Sounds,
  // Wallpaper Auto Change Active.
  PickEntry(icon, 5);
  ASSERT_TRUE(WaitFor([&] { return Key("ChangerActive") == "0"; }, std::chrono::seconds(20), kPoll));
  QThread::msleep(300);
  const QImage inactive = Screenshot(orvane::test::TempRoot() / "tobrin-inactive.png");
  EXPECT_EQ(ColouredPixels(inactive, icon), 0) << "the inactive icon is drawn in greys";

  PickEntry(icon, 4);
  ASSERT_TRUE(WaitFor([&] { return Key("PlaySound") == "0"; }, std::chrono::seconds(20), kPoll));
  PickEntry(icon, 2);
  ASSERT_TRUE(WaitFor([&] { return SaverStarts().size() == 2; }, std::chrono::seconds(20), kPoll));
  EXPECT_EQ(SaverStarts().back(), "/wall");
  PickEntry(icon, 3);
  ASSERT_TRUE(WaitFor([&] { return SaverStarts().size() == 3; }, std::chrono::seconds(20), kPoll));
  EXPECT_EQ(SaverStarts().back(), "/-ConfigWall");
  PickEntry(icon, 5);
  ASSERT_TRUE(WaitFor([&] { return Key("ChangerActive") == "1"; }, std::chrono::seconds(20), kPoll));

  // A second start ends at once, and no second icon appears.
  QProcess second;
  second.start(tobrin, {});
  ASSERT_TRUE(second.waitForFinished(10000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(IconWindows().size(), 1u);

  // Close ends the program.
  PickEntry(icon, 1);
  ASSERT_TRUE(changer.waitForFinished(10000));
  EXPECT_EQ(changer.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(changer.exitCode(), 0);
  EXPECT_TRUE(WaitFor([] { return IconWindows().empty(); }, std::chrono::seconds(20), kPoll));
}

TEST_F(TrayOnX, WaitsForATrayThatAppearsLater) {
  StartChanger();
  ASSERT_TRUE(WaitFor([&] {
    return fs::exists(errors) &&
           orvane::test::ReadFile(errors).find("waiting for one") != std::string::npos;
  }, std::chrono::seconds(20), kPoll)) << "no word on standard error";
  EXPECT_FALSE(TrayIcon().has_value());
  StartTray();
  EXPECT_TRUE(WaitFor([] { return TrayIcon().has_value(); }, std::chrono::seconds(20), kPoll)) << "icon not embedded later";
  EXPECT_EQ(changer.state(), QProcess::Running);
}

}  // namespace
