#include "tools/demo/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <cmath>
#include <numbers>
#include <random>

namespace orvane::demo {

namespace {

void VerticalGradient(QPainter& p, const QRectF& area, std::initializer_list<QGradientStop> stops) {
  QLinearGradient gradient(area.topLeft(), area.bottomLeft());
  for (const QGradientStop& stop : stops) gradient.setColorAt(stop.first, stop.second);
  p.fillRect(area, gradient);
}

// A ridge line across the whole width, filled down to the bottom edge.
QPainterPath Ridge(double width, double height, double base, double amplitude, unsigned seed,
                   int waves) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> phase(0, 2 * std::numbers::pi);
  const double a = phase(random), b = phase(random), c = phase(random);
  QPainterPath path(QPointF(0, height));
  for (int x = 0; x <= int(width); x += 8) {
    const double u = x / width * waves * std::numbers::pi;
    const double y = base + amplitude * (0.6 * std::sin(u + a) + 0.3 * std::sin(2.7 * u + b) +
                                         0.1 * std::sin(7.3 * u + c));
    path.lineTo(x, y);
  }
  path.lineTo(width, height);
  path.closeSubpath();
  return path;
}

void Caption(QPainter& p, const QRectF& area, const QString& text, double pixelSize,
             const QColor& color) {
  QFont font(QStringLiteral("Liberation Serif"));
  font.setPixelSize(int(pixelSize));
  font.setBold(true);
  p.setFont(font);
  p.setPen(color);
  p.drawText(area, Qt::AlignCenter, text);
}

void Sun(QPainter& p, QPointF centre, double radius, const QColor& core, const QColor& glow) {
  QRadialGradient gradient(centre, radius * 3);
  gradient.setColorAt(0, glow);
  gradient.setColorAt(1, QColor(glow.red(), glow.green(), glow.blue(), 0));
  p.setPen(Qt::NoPen);
  p.setBrush(gradient);
  p.drawEllipse(centre, radius * 3, radius * 3);
  p.setBrush(core);
  p.drawEllipse(centre, radius, radius);
}

void DrawHarbour(QPainter& p, double w, double h) {
  VerticalGradient(p, QRectF(0, 0, w, h * 0.62),
                   {{0, QColor(58, 40, 98)}, {0.55, QColor(214, 96, 72)}, {1, QColor(252, 190, 96)}});
  Sun(p, QPointF(w * 0.62, h * 0.58), h * 0.06, QColor(255, 232, 170), QColor(255, 170, 80, 150));
  VerticalGradient(p, QRectF(0, h * 0.62, w, h * 0.38),
                   {{0, QColor(120, 70, 90)}, {1, QColor(20, 24, 52)}});
  // Reflections of the sun on the water.
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 14; ++i) {
    const double y = h * 0.64 + i * h * 0.022;
    const double half = w * (0.09 - i * 0.005);
    p.setBrush(QColor(255, 200, 120, 150 - i * 9));
    p.drawRect(QRectF(w * 0.62 - half, y, 2 * half, h * 0.006));
  }
  // Quay and boats in silhouette.
  p.setBrush(QColor(18, 14, 28));
  p.drawRect(QRectF(0, h * 0.60, w * 0.3, h * 0.05));
  for (int i = 0; i < 3; ++i) {
    const double x = w * (0.12 + i * 0.18), y = h * (0.74 + i * 0.05), s = h * (0.05 + i * 0.01);
    p.drawPolygon(QPolygonF({QPointF(x - 2 * s, y), QPointF(x + 2 * s, y),
                             QPointF(x + 1.4 * s, y + 0.6 * s), QPointF(x - 1.5 * s, y + 0.6 * s)}));
    p.drawRect(QRectF(x - 0.05 * s, y - 3 * s, 0.1 * s, 3 * s));
    p.drawPolygon(QPolygonF({QPointF(x + 0.1 * s, y - 2.8 * s), QPointF(x + 1.6 * s, y - 0.2 * s),
                             QPointF(x + 0.1 * s, y - 0.2 * s)}));
  }
}

void DrawLighthouse(QPainter& p, double w, double h) {
  VerticalGradient(p, QRectF(0, 0, w, h * 0.7),
                   {{0, QColor(18, 64, 128)}, {1, QColor(150, 200, 235)}});
  VerticalGradient(p, QRectF(0, h * 0.7, w, h * 0.3),
                   {{0, QColor(30, 90, 130)}, {1, QColor(10, 40, 70)}});
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(70, 60, 50));
  p.drawPath(Ridge(w, h, h * 0.72, h * 0.04, 7, 2));
  // Beam, tower with red stripes, lamp room.
  const double x = w * 0.7, top = h * 0.22, bottom = h * 0.72;
  p.setBrush(QColor(255, 250, 200, 70));
  p.drawPolygon(QPolygonF({QPointF(x, top + h * 0.03), QPointF(0, top - h * 0.12),
                           QPointF(0, top + h * 0.2)}));
  const QPolygonF tower({QPointF(x - w * 0.035, top + h * 0.06), QPointF(x + w * 0.035, top + h * 0.06),
                         QPointF(x + w * 0.06, bottom), QPointF(x - w * 0.06, bottom)});
  p.setBrush(QColor(245, 245, 240));
  p.drawPolygon(tower);
  p.setClipRegion(QRegion(tower.toPolygon()));
  p.setBrush(QColor(200, 40, 40));
  for (int i = 0; i < 4; ++i) p.drawRect(QRectF(0, top + h * (0.1 + i * 0.12), w, h * 0.05));
  p.setClipping(false);
  p.setBrush(QColor(40, 40, 40));
  p.drawRect(QRectF(x - w * 0.04, top, w * 0.08, h * 0.06));
  Sun(p, QPointF(x, top + h * 0.03), h * 0.015, QColor(255, 255, 220), QColor(255, 240, 160, 200));
}

void DrawDunes(QPainter& p, double w, double h) {
  VerticalGradient(p, QRectF(0, 0, w, h),
                   {{0, QColor(250, 210, 140)}, {0.5, QColor(240, 160, 90)}, {1, QColor(160, 80, 50)}});
  Sun(p, QPointF(w * 0.25, h * 0.25), h * 0.08, QColor(255, 245, 220), QColor(255, 230, 160, 120));
  const QColor colours[] = {QColor(220, 140, 80), QColor(196, 110, 60), QColor(160, 84, 48),
                            QColor(120, 60, 38)};
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 4; ++i) {
    p.setBrush(colours[i]);
    p.drawPath(Ridge(w, h, h * (0.5 + i * 0.12), h * 0.07, 11 + unsigned(i), 2 + i));
  }
}

void DrawCoastPanorama(QPainter& p, double w, double h) {
  VerticalGradient(p, QRectF(0, 0, w, h),
                   {{0, QColor(40, 90, 160)}, {0.6, QColor(190, 215, 235)}, {1, QColor(230, 230, 220)}});
  Sun(p, QPointF(w * 0.8, h * 0.2), h * 0.05, QColor(255, 252, 235), QColor(255, 250, 210, 110));
  const QColor colours[] = {QColor(120, 140, 170), QColor(80, 110, 120), QColor(50, 80, 70),
                            QColor(30, 54, 44)};
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 4; ++i) {
    p.setBrush(colours[i]);
    p.drawPath(Ridge(w, h, h * (0.45 + i * 0.11), h * 0.09, 21 + unsigned(i), 5 + 2 * i));
  }
  VerticalGradient(p, QRectF(0, h * 0.88, w, h * 0.12),
                   {{0, QColor(40, 100, 140)}, {1, QColor(20, 50, 80)}});
}

void DrawCircles(QPainter& p, double w, double h) {
  VerticalGradient(p, QRectF(0, 0, w, h), {{0, QColor(20, 20, 40)}, {1, QColor(60, 20, 70)}});
  std::mt19937 random(31);
  std::uniform_real_distribution<double> unit(0, 1);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 40; ++i) {
    const QPointF c(unit(random) * w, unit(random) * h);
    const double r = h * (0.03 + 0.15 * unit(random));
    QRadialGradient gradient(c, r);
    const QColor colour = QColor::fromHsvF(float(unit(random)), 0.7f, 1.0f, 0.75f);
    gradient.setColorAt(0, colour.lighter(150));
    gradient.setColorAt(1, colour);
    p.setBrush(gradient);
    p.drawEllipse(c, r, r);
  }
}

void DrawSquares(QPainter& p, double w, double h) {
  VerticalGradient(p, QRectF(0, 0, w, h), {{0, QColor(236, 232, 220)}, {1, QColor(200, 196, 186)}});
  p.translate(w / 2, h / 2);
  for (int i = 0; i < 24; ++i) {
    const double s = h * (0.9 - i * 0.035);
    p.setPen(QPen(QColor::fromHsvF(float(i) / 24.0f, 0.6f, 0.7f), h * 0.006));
    p.setBrush(Qt::NoBrush);
    p.rotate(6);
    p.drawRect(QRectF(-s / 2, -s / 2, s, s));
  }
  p.resetTransform();
}

void DrawTriangles(QPainter& p, double w, double h) {
  const double side = h / 6;
  const double rowHeight = side * std::sqrt(3.0) / 2;
  std::mt19937 random(47);
  std::uniform_real_distribution<double> unit(0, 1);
  p.setPen(Qt::NoPen);
  for (int row = 0; row * rowHeight < h; ++row) {
    for (int col = -1; col * side / 2 < w + side; ++col) {
      const double x = col * side / 2, y = row * rowHeight;
      const bool up = (row + col) % 2 == 0;
      const QPolygonF triangle = up ? QPolygonF({QPointF(x, y + rowHeight), QPointF(x + side / 2, y),
                                                 QPointF(x + side, y + rowHeight)})
                                    : QPolygonF({QPointF(x, y), QPointF(x + side, y),
                                                 QPointF(x + side / 2, y + rowHeight)});
      const double shade = 0.35 + 0.5 * (y / h) + 0.15 * unit(random);
      p.setBrush(QColor::fromHsvF(float(0.5 + 0.12 * x / w), 0.55f, float(std::min(shade, 1.0))));
      p.drawPolygon(triangle);
    }
  }
}

void DrawGeometryTitle(QPainter& p, double w, double h) {
  VerticalGradient(p, QRectF(0, 0, w, h), {{0, QColor(30, 30, 60)}, {1, QColor(10, 10, 20)}});
  p.setPen(QPen(QColor(255, 255, 255, 60), h * 0.004));
  p.setBrush(Qt::NoBrush);
  for (int i = 1; i <= 6; ++i) p.drawEllipse(QPointF(w / 2, h / 2), h * 0.07 * i, h * 0.07 * i);
  Caption(p, QRectF(0, h * 0.30, w, h * 0.2), QStringLiteral("Geometry"), h * 0.14,
          QColor(250, 220, 120));
  Caption(p, QRectF(0, h * 0.52, w, h * 0.1), QStringLiteral("An Orvane demo image set"), h * 0.045,
          QColor(220, 220, 240));
}

void DrawAurora(QPainter& p, double w, double h) {
  VerticalGradient(p, QRectF(0, 0, w, h), {{0, QColor(2, 6, 20)}, {1, QColor(10, 30, 50)}});
  p.setPen(Qt::NoPen);
  for (int band = 0; band < 5; ++band) {
    QPainterPath path;
    const double base = h * (0.25 + band * 0.07);
    path.moveTo(0, base);
    for (int x = 0; x <= int(w); x += 10)
      path.lineTo(x, base + h * 0.08 * std::sin(x / w * 3 * std::numbers::pi + band));
    for (int x = int(w); x >= 0; x -= 10)
      path.lineTo(x, base + h * 0.25 + h * 0.05 * std::sin(x / w * 2 * std::numbers::pi + band));
    path.closeSubpath();
    QLinearGradient gradient(0, base - h * 0.1, 0, base + h * 0.3);
    gradient.setColorAt(0, QColor(60, 255, 160, 0));
    gradient.setColorAt(0.4, QColor(60, 255, 160, 70));
    gradient.setColorAt(1, QColor(120, 60, 200, 0));
    p.setBrush(gradient);
    p.drawPath(path);
  }
  p.setBrush(QColor(4, 10, 12));
  p.drawPath(Ridge(w, h, h * 0.85, h * 0.04, 61, 6));
}

void DrawStars(QPainter& p, double w, double h) {
  VerticalGradient(p, QRectF(0, 0, w, h), {{0, QColor(0, 0, 10)}, {1, QColor(20, 24, 60)}});
  std::mt19937 random(73);
  std::uniform_real_distribution<double> unit(0, 1);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 900; ++i) {
    const QPointF c(unit(random) * w, unit(random) * h * 0.9);
    const double r = 0.6 + 2.2 * std::pow(unit(random), 4);
    p.setBrush(QColor(255, 255, 235, int(90 + 165 * unit(random))));
    p.drawEllipse(c, r, r);
  }
  p.setBrush(QColor(6, 6, 14));
  p.drawPath(Ridge(w, h, h * 0.9, h * 0.03, 79, 4));
}

void DrawMoonrise(QPainter& p, double w, double h) {
  VerticalGradient(p, QRectF(0, 0, w, h),
                   {{0, QColor(8, 10, 36)}, {0.7, QColor(50, 50, 100)}, {1, QColor(90, 70, 110)}});
  Sun(p, QPointF(w * 0.4, h * 0.55), h * 0.11, QColor(245, 240, 215), QColor(200, 200, 255, 80));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(220, 214, 190));
  p.drawEllipse(QPointF(w * 0.37, h * 0.52), h * 0.02, h * 0.02);
  p.drawEllipse(QPointF(w * 0.43, h * 0.58), h * 0.03, h * 0.03);
  p.setBrush(QColor(14, 12, 30));
  p.drawPath(Ridge(w, h, h * 0.7, h * 0.06, 83, 3));
}

}  // namespace

QImage DrawScene(Scene scene, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.setDotsPerMeterX(3780);
  image.setDotsPerMeterY(3780);
  image.fill(Qt::black);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double w = size.width(), h = size.height();
  switch (scene) {
    case Scene::Harbour: DrawHarbour(p, w, h); break;
    case Scene::Lighthouse: DrawLighthouse(p, w, h); break;
    case Scene::Dunes: DrawDunes(p, w, h); break;
    case Scene::CoastPanorama: DrawCoastPanorama(p, w, h); break;
    case Scene::Circles: DrawCircles(p, w, h); break;
    case Scene::Squares: DrawSquares(p, w, h); break;
    case Scene::Triangles: DrawTriangles(p, w, h); break;
    case Scene::GeometryTitle: DrawGeometryTitle(p, w, h); break;
    case Scene::Aurora: DrawAurora(p, w, h); break;
    case Scene::Stars: DrawStars(p, w, h); break;
    case Scene::Moonrise: DrawMoonrise(p, w, h); break;
  }
  return image;
}

QImage DrawBadge(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(20, 20, 30));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const double w = size.width(), h = size.height();
  p.setPen(QPen(QColor(250, 220, 120), h * 0.06));
  p.drawRect(QRectF(h * 0.06, h * 0.06, w - h * 0.12, h - h * 0.12));
  Caption(p, QRectF(0, 0, w, h), QStringLiteral("ORVANE"), h * 0.45, QColor(250, 220, 120));
  return image;
}

}  // namespace orvane::demo
