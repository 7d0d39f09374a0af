// Progress callbacks, the two meters and the load-failure report.
#include "core/Progress.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "core/Globals.h"
#include "imaging/imaging.h"
#include "platform/msgbox.h"

namespace orvane::core {
namespace {

struct RecordingMeter : MeterSink {
  std::vector<double> meter;
  std::vector<float> total;
  void SetMeterWidth(double width) override { meter.push_back(width); }
  void SetTotalWidth(float width) override { total.push_back(width); }
};

class ProgressTest : public testing::Test {
 protected:
  void SetUp() override {
    ProgressDone = 0;
    ProgressTotal = 400;
    QuitSaver = false;
    SetSaverMeterSink(&saver);
    SetPleaseWaitMeterSink(&pleaseWait);
  }
  void TearDown() override {
    SetSaverMeterSink(nullptr);
    SetPleaseWaitMeterSink(nullptr);
    QuitSaver = false;
  }
  RecordingMeter saver;
  RecordingMeter pleaseWait;
};

// The library hands these to its progress hooks.
constexpr imaging::ProgressProc kCallbacks[] = {SaverProgressCallback1, SaverProgressCallback2,
                                                PleaseWaitProgressCallback1,
                                                PleaseWaitProgressCallback2};

TEST_F(ProgressTest, OperationsAddTheirProgressOncePerCallback) {
  for (imaging::ProgressProc callback : kCallbacks) {
    ProgressDone = 0;
    for (std::int16_t value : {0, 40, 100}) EXPECT_EQ(callback(value), 0);
    EXPECT_EQ(ProgressDone, 100);
    // The next operation starts again at 0 and adds its own total.
    for (std::int16_t value : {0, 30, 60}) callback(value);
    EXPECT_EQ(ProgressDone, 160);
  }
}

TEST_F(ProgressTest, EachCallbackKeepsItsOwnLastValue) {
  SaverProgressCallback1(0);
  SaverProgressCallback1(40);
  SaverProgressCallback2(0);
  SaverProgressCallback2(30);  // the other library's operation
  SaverProgressCallback1(100);
  EXPECT_EQ(ProgressDone, 130);
}

TEST_F(ProgressTest, CallbacksDrawBothBarsOfTheirWindow) {
  ProgressTotal = 200;
  SaverProgressCallback1(0);
  SaverProgressCallback1(50);
  EXPECT_EQ(saver.meter, (std::vector<double>{0, 50}));
  EXPECT_EQ(saver.total, (std::vector<float>{0, 25}));
  EXPECT_TRUE(pleaseWait.meter.empty());

  PleaseWaitProgressCallback2(0);
  PleaseWaitProgressCallback2(100);
  EXPECT_EQ(pleaseWait.meter, (std::vector<double>{0, 100}));
  EXPECT_EQ(pleaseWait.total.back(), 75.0f);  // 150 of 200
}

TEST_F(ProgressTest, QuitSaverStopsTheLibraryAndLeavesTheBars) {
  SaverProgressCallback2(0);
  QuitSaver = true;
  EXPECT_EQ(SaverProgressCallback2(60), 1);
  EXPECT_EQ(SaverProgressCallback1(0), 1);
  EXPECT_EQ(saver.meter.size(), 1u);
  EXPECT_EQ(saver.total.size(), 1u);
  EXPECT_EQ(ProgressDone, 60) << "the progress is still counted";
  // The progress window's pair does not look at QuitSaver.
  EXPECT_EQ(PleaseWaitProgressCallback1(0), 0);
  EXPECT_EQ(pleaseWait.meter.size(), 1u);
}

TEST_F(ProgressTest, JobBarIsPercentOfTheTotal) {
  struct Case {
    long done;
    int total;
    std::optional<float> bar;
  } cases[] = {
      {50, 200, 25.0f}, {0, 400, 0.0f}, {400, 400, 100.0f}, {1, 3, 100.0f / 3},
      {500, 300, 500.0f / 3}, {50, 0, std::nullopt},  // no total: bar unchanged
  };
  for (const Case& c : cases) {
    saver.total.clear();
    pleaseWait.total.clear();
    ProgressDone = c.done;
    ProgressTotal = c.total;
    UpdateSaverMeter();
    UpdatePleaseWaitMeter();
    if (c.bar) {
      ASSERT_EQ(saver.total.size(), 1u);
      EXPECT_FLOAT_EQ(saver.total[0], *c.bar);
      EXPECT_EQ(pleaseWait.total, saver.total);
    } else {
      EXPECT_TRUE(saver.total.empty());
      EXPECT_TRUE(pleaseWait.total.empty());
    }
  }
  // A zero total during an operation also leaves the job bar alone.
  ProgressTotal = 0;
  EXPECT_EQ(SaverProgressCallback1(0), 0);
  EXPECT_TRUE(saver.total.empty());
}

TEST_F(ProgressTest, WithoutSinksTheSumsAreStillKept) {
  SetSaverMeterSink(nullptr);
  SetPleaseWaitMeterSink(nullptr);
  SaverProgressCallback1(0);
  SaverProgressCallback1(70);
  PleaseWaitProgressCallback1(0);
  PleaseWaitProgressCallback1(20);
  UpdateSaverMeter();
  EXPECT_EQ(ProgressDone, 90);
}

TEST(LoadPictureError, ReportsFileLocationAndErrorNumber) {
  std::vector<platform::MessageBoxCall> shown;
  platform::SetMessageBoxHandler([&shown](const platform::MessageBoxCall& call) {
    shown.push_back(call);
    return int(platform::vbOK);
  });
  ErrorFile = "/home/u/.local/share/orvane/ssprep.bmp";
  ErrorLocation = "DoTrans:1";
  ReportLoadPictureError(53);
  platform::SetMessageBoxHandler({});

  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text,
            "LoadPicture Failed.\r\n"
            "File: /home/u/.local/share/orvane/ssprep.bmp\r\n"
            "Failed in: DoTrans:1\r\n"
            "Error ID: 53\r\n"
            "Please Record this information and Contact the programs vendor.");
  EXPECT_EQ(shown[0].style, 16);
  EXPECT_EQ(shown[0].title, "Error");
}

}  // namespace
}  // namespace orvane::core
