#include "platform/fonts.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace orvane::platform {

void InstallFontSubstitutions() {
  static std::once_flag once;
  std::call_once(once, [] {
    const QString cjk = QStringLiteral("WenQuanYi Micro Hei");
    const QStringList serif{QStringLiteral("Liberation Serif"), cjk};
    const QStringList sans{QStringLiteral("Liberation Sans"), cjk};
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"), serif);
    QFont::insertSubstitutions(QStringLiteral("System"), sans);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
    // Liberation has no ideographs: let CJK text fall back to WenQuanYi.
    QFont::insertSubstitution(QStringLiteral("Liberation Serif"), cjk);
    QFont::insertSubstitution(QStringLiteral("Liberation Sans"), cjk);
  });
}

int FontPixelHeight(double points) {
  if (!std::isfinite(points)) return 1;
  const double pixels = std::round(std::abs(points) * kDotsPerInch / 72.0);
  return int(std::clamp(pixels, 1.0, 4096.0));
}

double RoundedFontSize(double points) { return FontPixelHeight(points) * 72.0 / kDotsPerInch; }

QFont MakeQFont(const FontSpec& face) {
  QFont font(face.Name);
  font.setPixelSize(FontPixelHeight(face.Size));
  font.setBold(face.Bold);
  font.setItalic(face.Italic);
  font.setUnderline(face.Underline);
  return font;
}

}  // namespace orvane::platform
