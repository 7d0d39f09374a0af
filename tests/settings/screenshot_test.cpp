// The settings dialog on a real X server: shown, and each of its four pages on
// screen with legible tab captions. The test starts its own Xvfb and runs its
// second half in a child process on that server (the test main puts every
// process on the offscreen platform; "-platform xcb" overrides it). The child
// keeps a screenshot of each page in the build folder's "screenshots/".
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTabBar>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "platform/vbcontrols.h"
#include "tests/settings/kestrin_fixture.h"
#include "tests/support/xvfb.h"

namespace fs = std::filesystem;
using namespace orvane::test;

namespace {

constexpr const char* kChildVariable = "ORVANE_SCREENSHOT_CHILD";

// Every tab caption is there, and shown whole inside its tab bar.
void ExpectLegibleTabs(orvane::platform::VbTabControl& tabs) {
  QTabBar* bar = tabs.tabBar();
  for (int i = 0; i < tabs.count(); ++i) {
    const QString caption = tabs.tabText(i);
    EXPECT_FALSE(caption.isEmpty()) << i;
    const QRect rect = bar->tabRect(i);
    EXPECT_TRUE(bar->rect().contains(rect)) << caption.toStdString() << " is cut off";
    EXPECT_GE(rect.width(), QFontMetrics(bar->font()).horizontalAdvance(caption)) << caption.toStdString();
  }
}

// Distinct colours inside a rectangle of the picture (a few for a blank area).
int Colours(const QImage& image, const QRect& area) {
  std::set<QRgb> seen;
  const QRect clipped = area.intersected(image.rect());
  for (int y = clipped.top(); y <= clipped.bottom(); y += 2)
    for (int x = clipped.left(); x <= clipped.right(); x += 2) seen.insert(image.pixel(x, y));
  return static_cast<int>(seen.size());
}

void Settle() {
  for (int i = 0; i < 10; ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(30);
  }
}

// The child's half, on the X server that the test below starts.
void ShowEveryPage() {
  KestrinFixture fixture;
  Dialog dialog;
  dialog->Show();
  Settle();
  ASSERT_TRUE(dialog->isVisible());
  const fs::path folder = fs::path(ORVANE_BINARY_DIR) / "screenshots";
  fs::create_directories(folder);

  const char* names[] = {"screen-saver", "wallpaper", "edit-sets", "about"};
  for (int page = 0; page < orvane::settings::frmKestrin::kPageCount; ++page) {
    dialog->SSTabPages->SetTab(page);
    Settle();
    const fs::path shot = folder / (std::string("dialog-") + names[page] + ".png");
    fs::remove(shot);
    ASSERT_EQ(QProcess::execute("import", {"-window", "root", QString::fromStdString(shot.string())}), 0);
    const QImage image(QString::fromStdString(shot.string()));
    ASSERT_FALSE(image.isNull());
    // The dialog is on the screen whole, and drawn: its frame with the tabs,
    // captions and buttons in it.
    const QRect window = dialog->frameGeometry();
    EXPECT_TRUE(image.rect().contains(window)) << names[page];
    EXPECT_GT(Colours(image, window), 8) << names[page];
    ExpectLegibleTabs(*dialog->SSTabPages);
  }
  // The inner "Image Sets" tab of "Edit Sets" too.
  dialog->SSTabPages->SetTab(orvane::settings::frmKestrin::kPageEditSets);
  dialog->SSTabEditSets->SetTab(1);
  Settle();
  const fs::path sets = folder / "dialog-edit-sets-image-sets.png";
  ASSERT_EQ(QProcess::execute("import", {"-window", "root", QString::fromStdString(sets.string())}), 0);
  EXPECT_GT(Colours(QImage(QString::fromStdString(sets.string())), dialog->frameGeometry()), 8);

  ExpectLegibleTabs(*dialog->SSTabScreenSaver);
  ExpectLegibleTabs(*dialog->SSTabWallPaper);
  ExpectLegibleTabs(*dialog->SSTabEditSets);
  for (auto* button : {dialog->cmdOk, dialog->cmdCancel, dialog->cmdApply, dialog->cmdImageMove,
                      dialog->cmdMoveSet})
    EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
}

}  // namespace

// One test in two processes: the parent starts Xvfb and runs this same test
// again on it, as the child, which shows the pages.
TEST(Screenshot, DialogOnAnXServer) {
  if (std::getenv(kChildVariable)) return ShowEveryPage();
  if (QStandardPaths::findExecutable("import").isEmpty()) GTEST_SKIP() << "ImageMagick's import is not installed";
  Xvfb server(1024, 768);
  if (!server.Running()) GTEST_SKIP() << "Xvfb is not installed";

  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", QString::fromStdString(server.Display()));
  env.insert(kChildVariable, "1");
  // The X client libraries keep allocations to the end of the process, which
  // the leak checker of a sanitizer build would count against the child.
  env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=Screenshot.DialogOnAnXServer", "-platform", "xcb"});
  ASSERT_TRUE(child.waitForFinished(90000));
  const std::string output = child.readAll().toStdString();
  EXPECT_EQ(child.exitCode(), 0) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}
