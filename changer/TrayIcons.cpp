#include "changer/TrayIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace orvane::changer {

QImage DrawTrayImage(int resource, int size) {
  const bool active = resource == kIconActive;
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);

  // Frame of the picture.
  const QRectF frame(2, 4, 28, 24);
  p.setPen(QPen(active ? QColor(70, 45, 20) : QColor(60, 60, 60), 2));
  p.setBrush(Qt::NoBrush);
  QLinearGradient sky(0, 5, 0, 27);
  sky.setColorAt(0, active ? QColor(40, 110, 220) : QColor(150, 150, 150));
  sky.setColorAt(1, active ? QColor(150, 200, 255) : QColor(205, 205, 205));
  p.fillRect(frame.adjusted(1, 1, -1, -1), sky);

  // Sun, hills.
  p.setPen(Qt::NoPen);
  p.setBrush(active ? QColor(255, 210, 40) : QColor(235, 235, 235));
  p.drawEllipse(QPointF(22, 11), 3.5, 3.5);
  QPainterPath hills;
  hills.moveTo(3, 27);
  hills.lineTo(3, 21);
  hills.cubicTo(9, 14, 13, 15, 17, 20);
  hills.cubicTo(21, 16, 25, 16, 29, 20);
  hills.lineTo(29, 27);
  hills.closeSubpath();
  p.setBrush(active ? QColor(40, 150, 60) : QColor(95, 95, 95));
  p.drawPath(hills);

  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(active ? QColor(70, 45, 20) : QColor(60, 60, 60), 2));
  p.drawRect(frame);
  return image;
}

QIcon LoadTrayIcon(int resource) {
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64}) {
    icon.addPixmap(QPixmap::fromImage(DrawTrayImage(resource, size)));
  }
  return icon;
}

}  // namespace orvane::changer
