#pragma once
// Where a picture goes when it is fitted to an area keeping its proportions.
// Shared by the slide show and the wallpaper builder, so that both fit alike:
// a picture whose proportions are within 2 % of the area's is stretched over
// the whole area (as it always was); any other is scaled to fill the area in
// one direction and centred in the other, the rest being the area's black.
// Offsets round to the nearest whole number, halves to the even one, as the
// centring of an unfitted picture does.

namespace orvane::core {

// Largest difference of proportions (wider over narrower, minus one) that is
// still stretched to the whole area.
inline constexpr double kStretchTolerance = 0.02;

struct FitRect {
  long X = 0;
  long Y = 0;
  long Width = 0;
  long Height = 0;
  bool operator==(const FitRect&) const = default;
};

// True when a pictureWidth x pictureHeight picture is stretched over the whole
// areaWidth x areaHeight area (proportions within kStretchTolerance).
bool StretchesToArea(long pictureWidth, long pictureHeight, long areaWidth, long areaHeight);

// The rectangle of the area the picture is scaled into. Sizes of 0 or below
// give the whole area. The rectangle is never larger than the area and never
// less than one pixel on a side.
FitRect FitKeepingProportions(long pictureWidth, long pictureHeight, long areaWidth,
                              long areaHeight);

}  // namespace orvane::core
