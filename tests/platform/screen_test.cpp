// A full-screen window's area in device pixels, and the lengths of a 96-dpi
// screen in them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/screen.h"

namespace pf = orvane::platform;

namespace {

TEST(ScreenPixels, DeviceSizeIsTheGeometryTimesTheRatio) {
  struct Case {
    QRect geometry;
    double ratio;
    int width, height;
    double kept;  // the ratio kept
  } cases[] = {
      {{0, 0, 1920, 1080}, 1.0, 1920, 1080, 1.0},
      {{0, 0, 1920, 1080}, 2.0, 3840, 2160, 2.0},
      {{0, 0, 2560, 1440}, 1.5, 3840, 2160, 1.5},
      {{0, 0, 1536, 864}, 1.25, 1920, 1080, 1.25},
      {{1920, 0, 1707, 960}, 1.5, 2561, 1440, 1.5},  // rounded
      {{0, 0, 800, 600}, 0.0, 800, 600, 1.0},        // no ratio: 1
      {{0, 0, 800, 600}, -2.0, 800, 600, 1.0},
      {{0, 0, 800, 600}, std::numeric_limits<double>::quiet_NaN(), 800, 600, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ratio);
    const pf::ScreenPixels pixels = pf::ScreenPixelsOf(c.geometry, c.ratio);
    EXPECT_EQ(pixels.Geometry, c.geometry);
    EXPECT_EQ(pixels.Width, c.width);
    EXPECT_EQ(pixels.Height, c.height);
    EXPECT_EQ(pixels.PixelRatio, c.kept);
  }
}

TEST(ScreenPixels, LengthsGrowWithTheRatioAndNeverVanish) {
  struct Case {
    int pixels;
    double ratio;
    int scaled;
  } cases[] = {
      {12, 1.0, 12}, {12, 2.0, 24}, {12, 1.5, 18}, {2, 1.5, 3}, {3, 1.5, 5},
      {1, 1.25, 1},  {1, 0.5, 1},   {0, 2.0, 0},   {-2, 2.0, -4}, {20, 0.0, 20},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pf::ScaledLength(c.pixels, c.ratio), c.scaled) << c.pixels << " at " << c.ratio;
    EXPECT_EQ(pf::ScreenPixelsOf(QRect(0, 0, 10, 10), c.ratio).Scaled(c.pixels), c.scaled);
  }
}

}  // namespace
