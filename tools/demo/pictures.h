#pragma once
// The demo pictures, drawn with QPainter: gradients, shapes and text. Every
// drawing is deterministic (fixed random seeds), so the files come out the same
// on every run.
#include <QImage>
#include <QSize>
#include <QString>

namespace orvane::demo {

enum class Scene {
  Harbour, Lighthouse, Dunes, CoastPanorama,
  Circles, Squares, Triangles, GeometryTitle,
  Aurora, Stars, Moonrise,
};

QImage DrawScene(Scene scene, QSize size);
// The translucent layer of the shapes set: a small badge with the program's name.
QImage DrawBadge(QSize size);

}  // namespace orvane::demo
