#include "platform/monitor_picture.h"

#include <QPainter>

namespace orvane::platform {

QImage MonitorsPicture(const QImage& picture, QSize screen, const std::vector<QRect>& monitors,
                       std::size_t primary) {
  QImage out(screen, QImage::Format_RGB32);
  out.fill(Qt::black);
  std::vector<QRect> places = monitors;
  if (places.empty()) places.push_back(QRect(QPoint(0, 0), screen));
  if (primary >= places.size()) primary = 0;
  const bool fitted = picture.size() == places[primary].size();
  QPainter painter(&out);
  for (const QRect& monitor : places) {
    painter.setClipRect(monitor);
    QImage shown = picture;
    if (fitted && monitor.size() != picture.size())
      shown = picture.scaled(monitor.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(monitor.x() + (monitor.width() - shown.width()) / 2,
                      monitor.y() + (monitor.height() - shown.height()) / 2, shown);
  }
  return out;
}

}  // namespace orvane::platform
