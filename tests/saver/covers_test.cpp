// The show on two monitors (Qt's offscreen platform with two screens): the
// second monitor is covered by a black window of the show while it runs, and
// input there is the show's input.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <functional>

#include "platform/password.h"
#include "saver/MonitorCovers.h"
#include "tests/saver/frmsaver_fixture.h"
#include "tests/support/two_screens.h"

namespace orvane::saver::test {
namespace {

using orvane::test::kScreenA;
using orvane::test::kScreenB;

class CoversTest : public SaverTest {
 protected:
  void SetUp() override {
    SaverTest::SetUp();
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    SeaSet({"a.bmp"});
    WritePicture(SetFile("a.bmp"), 64, 48);
    platform::SetTickClock(nullptr);  // the real clock, so the modal loop's timers run
  }

  std::vector<CoverWindow*> Covers(frmSaver& show) {
    std::vector<CoverWindow*> covers;
    for (CoverWindow* cover : show.findChildren<CoverWindow*>())
      if (cover->isVisible()) covers.push_back(cover);
    return covers;
  }

  // Runs a modal show; once its first slide is up, act gets the show and its
  // cover. Returns when the show has ended.
  void RunShow(const std::function<void(frmSaver&, CoverWindow&)>& act) {
    frmSaver show(kScreenA);
    bool acted = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (acted || show.EntryName.empty() || !show.tmrTrans.Enabled()) return;
      acted = true;
      const auto covers = Covers(show);
      ASSERT_EQ(covers.size(), 1u);
      act(show, *covers.front());
    });
    poll.start();
    QTimer::singleShot(20000, [&show] { show.EndShow(); });  // a safety net, never a timing check
    show.ShowModal();
    EXPECT_TRUE(acted);
    EXPECT_TRUE(Covers(show).empty()) << "a cover outlived the show";
  }
};

TEST_F(CoversTest, TheSecondMonitorIsCoveredInBlackOnTopLikeTheShow) {
  RunShow([&](frmSaver& show, CoverWindow& cover) {
    EXPECT_EQ(cover.screen()->geometry(), kScreenB);
    EXPECT_EQ(cover.geometry(), kScreenB);
    EXPECT_TRUE(cover.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(cover.windowState() & Qt::WindowFullScreen);
    const QImage pixels = cover.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(pixels.size(), kScreenB.size());
    bool black = true;
    for (int y = 0; y < pixels.height(); ++y)
      for (int x = 0; x < pixels.width(); ++x) black = black && pixels.pixel(x, y) == qRgb(0, 0, 0);
    EXPECT_TRUE(black);
    // The slides stay on the primary monitor.
    EXPECT_EQ(show.geometry(), kScreenA);
    EXPECT_EQ(show.picDisp.Width(), kScreenA.width());
    show.EndShow();
  });
}

TEST_F(CoversTest, InputOnTheSecondMonitorIsTheShowsInput) {
  struct Case {
    const char* name;
    std::function<void(CoverWindow&)> input;
    bool ends;
  };
  auto move = [](CoverWindow& cover, QPointF from, QPointF to) {
    for (QPointF local : {from, to}) {
      QMouseEvent event(QEvent::MouseMove, local, cover.mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                        Qt::NoModifier);
      QCoreApplication::sendEvent(&cover, &event);
    }
  };
  const std::vector<Case> cases = {
      {"click",
       [](CoverWindow& cover) {
         QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), cover.mapToGlobal(QPointF(50, 50)),
                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
         QCoreApplication::sendEvent(&cover, &press);
       },
       true},
      {"key",
       [](CoverWindow& cover) {
         QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
         QCoreApplication::sendEvent(&cover, &press);
       },
       true},
      {"move of 6", [&](CoverWindow& cover) { move(cover, {50, 50}, {56, 50}); }, true},
      {"move of 5", [&](CoverWindow& cover) { move(cover, {50, 50}, {55, 55}); }, false},
      {"close request",
       [](CoverWindow& cover) {
         QCloseEvent close;
         QCoreApplication::sendEvent(&cover, &close);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    core::QuitSaver = false;
    bool ended = false;
    RunShow([&](frmSaver& show, CoverWindow& cover) {
      c.input(cover);
      ended = core::QuitSaver;
      if (!ended) {
        // Measured in the show's own coordinates: the cover's point lies right of it.
        EXPECT_EQ(show.LastMouseX, kScreenB.x() + 55);
        show.EndShow();
      }
    });
    EXPECT_EQ(ended, c.ends);
  }
}

TEST_F(CoversTest, WithAPasswordInputOnTheSecondMonitorAsksForIt) {
  ASSERT_TRUE(platform::StoreScreenSavePassword("secret"));
  std::vector<platform::PasswordDialogCall> prompts;
  platform::SetPasswordDialogHandler([&](const platform::PasswordDialogCall& call) {
    prompts.push_back(call);
    return platform::PasswordDialogAnswer{prompts.size() > 1, "secret", {}, {}};
  });
  RunShow([&](frmSaver&, CoverWindow& cover) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), cover.mapToGlobal(QPointF(5, 5)),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(&cover, &press);
      // The first prompt is cancelled: the show goes on, its cover too.
      if (attempt == 0) {
        EXPECT_FALSE(core::QuitSaver);
      }
    }
  });
  platform::SetPasswordDialogHandler({});
  EXPECT_EQ(prompts.size(), 2u);
  EXPECT_TRUE(core::QuitSaver);
}

}  // namespace
}  // namespace orvane::saver::test
