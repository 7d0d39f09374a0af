#pragma once
// Font faces the programs ask for by their Windows names, and the point-size
// rounding of the Windows font mapper.
#include <QFont>
#include <QString>

namespace orvane::platform {

// Maps "Times New Roman" to Liberation Serif and "System" / "MS Sans Serif" to
// Liberation Sans, with WenQuanYi Micro Hei behind both for Japanese, Chinese
// and Korean text. Safe to call more than once; needs a QGuiApplication.
void InstallFontSubstitutions();

// Every surface draws at 96 dots per inch.
constexpr int kDotsPerInch = 96;

// The pixel height a point size gets at 96 dpi: points x 96 / 72, rounded to
// the nearest pixel (halves away from zero), at least 1.
int FontPixelHeight(double points);
// The size a font reports after it was set to `points`: the whole pixel height
// turned back into points (10 -> 13 px -> 9.75).
double RoundedFontSize(double points);

// What a VB font object holds. Size is in points as read back (rounded).
struct FontSpec {
  QString Name = QStringLiteral("MS Sans Serif");
  double Size = 8.25;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;

  bool operator==(const FontSpec&) const = default;
};

// The QFont that draws `face` at 96 dpi (pixel-sized, so the paint device's
// resolution does not matter).
QFont MakeQFont(const FontSpec& face);

}  // namespace orvane::platform
