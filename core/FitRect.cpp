#include "core/FitRect.h"

#include <algorithm>

#include "platform/vbruntime.h"

namespace orvane::core {

namespace {

long Whole(double value) { return long(platform::RoundHalfEven(value)); }

}  // namespace

bool StretchesToArea(long pictureWidth, long pictureHeight, long areaWidth, long areaHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return true;
  // Compared as cross products, so no division loses the exact case.
  const double picture = double(pictureWidth) * double(areaHeight);
  const double area = double(areaWidth) * double(pictureHeight);
  return std::max(picture, area) <= std::min(picture, area) * (1.0 + kStretchTolerance);
}

FitRect FitKeepingProportions(long pictureWidth, long pictureHeight, long areaWidth,
                              long areaHeight) {
  const FitRect whole{0, 0, std::max(areaWidth, 0L), std::max(areaHeight, 0L)};
  if (StretchesToArea(pictureWidth, pictureHeight, areaWidth, areaHeight)) return whole;
  FitRect fit = whole;
  if (double(pictureWidth) * double(areaHeight) > double(areaWidth) * double(pictureHeight)) {
    // Wider than the area: full width, centred top to bottom.
    fit.Height = std::clamp(Whole(double(pictureHeight) * double(areaWidth) / double(pictureWidth)),
                            1L, areaHeight);
    fit.Y = Whole(double(areaHeight - fit.Height) / 2.0);
  } else {
    fit.Width = std::clamp(Whole(double(pictureWidth) * double(areaHeight) / double(pictureHeight)),
                           1L, areaWidth);
    fit.X = Whole(double(areaWidth - fit.Width) / 2.0);
  }
  return fit;
}

}  // namespace orvane::core
