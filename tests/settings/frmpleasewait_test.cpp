// The progress window: what each load starts with, and the bars the imaging
// library's progress moves.
#include "settings/frmPleaseWait.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QWidget>

#include "core/Globals.h"
#include "core/Progress.h"
#include "imaging/imaging.h"

using orvane::settings::PleaseWait;

namespace {

TEST(PleaseWait, EveryLoadStartsWithStartingAndEmptyBars) {
  auto& window = PleaseWait();
  for (int load = 0; load < 2; ++load) {
    window.Show();
    ASSERT_TRUE(window.Visible());
    QWidget* form = window.Window();
    EXPECT_EQ(window.Status(), "Starting...");
    EXPECT_EQ(form->findChild<QLabel*>("Label1")->text(), "Setting WallPaper,\nOne Moment Please");
    EXPECT_EQ(form->findChild<QLabel*>("Label2")->text(), "Setting WallPaper,\nOne Moment Please");
    EXPECT_EQ(form->findChild<QLabel*>("Label2")->pos(), QPoint(0, 5));
    EXPECT_EQ(form->findChild<QLabel*>("Label1")->pos(), QPoint(1, 6));
    const QFrame* meter = form->findChild<QFrame*>("picMeter");
    EXPECT_EQ(meter->x(), (form->width() - meter->width()) / 2);
    EXPECT_EQ(form->findChild<QFrame*>("picTotal")->x(), meter->x());
    EXPECT_EQ(form->findChild<QFrame*>("shpMeter")->width(), 0);
    EXPECT_EQ(form->findChild<QFrame*>("shpTotal")->width(), 0);
    // A render (or a failed one) leaves text and bars behind...
    window.SetStatus("Filtering Image.");
    window.SetMeterWidth(70);
    window.SetTotalWidth(40);
    EXPECT_GT(form->findChild<QFrame*>("shpMeter")->width(), 0);
    window.Hide();
    window.Unload();  // ...which the next load does not show
    EXPECT_FALSE(window.Visible());
  }
}

TEST(PleaseWait, LibraryProgressMovesBothBars) {
  auto& window = PleaseWait();
  window.Show();
  orvane::core::ProgressDone = 0;
  orvane::core::ProgressTotal = 400;
  const auto buffer = orvane::imaging::CreateWorkBuff(64, 64, 0, 0);
  ASSERT_TRUE(orvane::imaging::FilterBitmap(buffer));  // reports 0..100 to the window
  orvane::imaging::DestroyWorkBuff(buffer);
  EXPECT_EQ(window.MeterWidth(), 100);
  EXPECT_EQ(window.TotalWidth(), 25);  // 100 of 400 steps
  window.Unload();
  // Unloaded, the callbacks still count but draw nothing.
  EXPECT_EQ(orvane::core::PleaseWaitProgressCallback1(0), 0);
  EXPECT_FALSE(window.Loaded());
}

}  // namespace
