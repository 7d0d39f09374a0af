// The preview of the settings dialog on two monitors (Qt's offscreen platform
// with two screens): the show covers the second monitor as the screen saver
// does, input there ends it, and the dialog comes back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "core/Globals.h"
#include "core/PPS.h"
#include "core/Utils.h"
#include "imaging/imaging.h"
#include "platform/desktop.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "saver/MonitorCovers.h"
#include "saver/frmSaver.h"
#include "settings/ScreenSaverPage.h"
#include "settings/frmKestrin.h"
#include "tests/support/testenv.h"
#include "tests/support/two_screens.h"

namespace fs = std::filesystem;
namespace im = orvane::imaging;
namespace pf = orvane::platform;
using orvane::saver::CoverWindow;
using orvane::test::kScreenB;

namespace {

TEST(PreviewOnTwoMonitors, CoversTheSecondMonitorAndReturnsToTheDialog) {
  const fs::path program = orvane::test::MakeTempDir("program");
  orvane::test::WriteFile(program / "Sea/images.ini", "[SetDescriptions]\r\nSea=Sea\\\r\n[Sea]\r\nAlpha=a\r\n");
  const im::Handle h = im::CreateWorkBuff(80, 60, 0, 0);
  im::WorkBuffImage(h).fill(0xffc00000);
  ASSERT_TRUE(im::SaveBitmap((program / "Sea/a.bmp").string(), h));
  im::DestroyWorkBuff(h);
  pf::RegSetValue(pf::Hive::LocalMachine, orvane::core::kProgramPathKey, "@", program.string());
  orvane::test::WriteFile(orvane::core::GetSettingsFolder() + "ScreenSaver.ini", "[ScreenSaver]\r\nSetup=1\r\n");
  pf::SetMessageBoxHandler([](const pf::MessageBoxCall&) { return 1; });
  pf::SetScreenSaveActive(true);  // the page's controls, the preview button too, are on

  auto dialog = std::make_unique<orvane::settings::frmKestrin>();
  dialog->EndProgram = [] {};
  dialog->Load();
  dialog->show();

  bool covered = false;
  QTimer watch;
  watch.setInterval(20);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* cover = dynamic_cast<CoverWindow*>(window);
      if (!cover || !cover->isVisible() || orvane::core::QuitSaver) continue;
      covered = cover->geometry() == kScreenB;
      QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), cover->mapToGlobal(QPointF(10, 10)),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(cover, &press);
      return;
    }
  });
  watch.start();
  QTimer::singleShot(20000, [] {  // a safety net, never a timing check
    for (QWidget* window : QApplication::topLevelWidgets())
      if (auto* show = dynamic_cast<orvane::saver::frmSaver*>(window)) show->EndShow();
  });
  dialog->screenSaverPage->cmdSSPreview->click();  // the real show
  watch.stop();
  EXPECT_TRUE(covered);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(dialog->isEnabled());
  for (QWidget* window : QApplication::topLevelWidgets())
    EXPECT_FALSE(dynamic_cast<CoverWindow*>(window) && window->isVisible()) << "a cover outlived the preview";
  dialog.reset();
  pf::SetMessageBoxHandler({});
}

}  // namespace
