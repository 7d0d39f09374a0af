// Fitting a picture to an area keeping its proportions.
#include <gtest/gtest.h>

#include "core/FitRect.h"

namespace orvane::core {
namespace {

TEST(FitKeepingProportions, ScalesToOneSideAndCentresInTheOther) {
  struct Case {
    const char* name;
    long pictureW, pictureH, areaW, areaH;
    FitRect expected;
  } cases[] = {
      {"4:3 on 16:9", 1600, 1200, 1920, 1080, {240, 0, 1440, 1080}},
      {"16:9 on 4:3", 1920, 1080, 1024, 768, {0, 96, 1024, 576}},
      {"3:2 photograph on 16:9", 6000, 4000, 1920, 1080, {150, 0, 1620, 1080}},
      {"tall strip", 100, 1000, 320, 240, {148, 0, 24, 240}},
      {"within 2 %: stretched", 1000, 562, 1920, 1080, {0, 0, 1920, 1080}},
      {"exactly 2 % wider: stretched", 102, 75, 100, 75, {0, 0, 100, 75}},
      {"just over 2 %: fitted", 1000, 549, 1920, 1080, {0, 13, 1920, 1054}},
      {"same shape, other size", 320, 240, 1024, 768, {0, 0, 1024, 768}},
      {"half-pixel offset 25.5 goes to 26", 50, 100, 101, 100, {26, 0, 50, 100}},
      {"half-pixel offset 24.5 goes to 24", 52, 100, 101, 100, {24, 0, 52, 100}},
      {"hair-thin picture keeps a pixel", 1, 100000, 1920, 1080, {960, 0, 1, 1080}},
      {"no picture: the whole area", 0, 0, 640, 480, {0, 0, 640, 480}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FitRect fit = FitKeepingProportions(c.pictureW, c.pictureH, c.areaW, c.areaH);
    EXPECT_EQ(fit.X, c.expected.X);
    EXPECT_EQ(fit.Y, c.expected.Y);
    EXPECT_EQ(fit.Width, c.expected.Width);
    EXPECT_EQ(fit.Height, c.expected.Height);
    const FitRect whole{0, 0, c.areaW, c.areaH};
    EXPECT_EQ(StretchesToArea(c.pictureW, c.pictureH, c.areaW, c.areaH), fit == whole);
  }
}

}  // namespace
}  // namespace orvane::core
