#include "platform/picturebox.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orvane::platform {

namespace {

QStringList Lines(const QString& text) {
  QString plain = text;
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return plain.split(QLatin1Char('\n'));
}

imaging::Handle NewBuffer(int width, int height) {
  if (width <= 0 || height <= 0) return imaging::kNoHandle;
  return imaging::CreateWorkBuff(width, height, 0, 0);
}

}  // namespace

PictureBox::PictureBox(int width, int height, QObject* parent) : QObject(parent) {
  InstallFontSubstitutions();
  Resize(width, height);
}

PictureBox::~PictureBox() {
  if (buffer_ != imaging::kNoHandle) imaging::DestroyWorkBuff(buffer_);
}

void PictureBox::Resize(int width, int height) {
  if (Reallocate(width, height, true)) emit Changed();
}

bool PictureBox::Reallocate(int width, int height, bool keep) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return false;
  const imaging::Handle old = buffer_;
  // The old buffer goes first when nothing of it is kept, so that its memory
  // can serve the new one.
  if (!keep && old != imaging::kNoHandle) imaging::DestroyWorkBuff(old);
  buffer_ = NewBuffer(width, height);
  if (buffer_ == imaging::kNoHandle) width = height = 0;
  width_ = width;
  height_ = height;
  Fill(backColor_);
  if (keep && old != imaging::kNoHandle) {
    // An old surface of the one background colour leaves nothing to copy.
    const std::optional<std::uint32_t> oldFill = imaging::PendingFill(old);
    if (buffer_ != imaging::kNoHandle && !(oldFill && oldFill == imaging::PendingFill(buffer_))) {
      QImage surface = imaging::WorkBuffImage(buffer_);
      QPainter painter(&surface);
      painter.drawImage(0, 0, imaging::WorkBuffImage(old));
    }
    imaging::DestroyWorkBuff(old);
  }
  return true;
}

void PictureBox::SetBackColor(const QColor& color) {
  backColor_ = color;
  Fill(backColor_);
  DrawPicture();
  emit Changed();
}

void PictureBox::SetFont(const FontSpec& font) {
  font_ = font;
  font_.Size = RoundedFontSize(font.Size);
}

void PictureBox::SetFontSize(double points) { font_.Size = RoundedFontSize(points); }

void PictureBox::Print(const QString& text) {
  const QFont font = MakeQFont(font_);
  const QFontMetrics metrics(font);
  const QStringList lines = Lines(text);
  QImage surface = imaging::WorkBuffImage(buffer_);
  const bool canDraw = !surface.isNull();
  QPainter painter;
  if (canDraw) {
    painter.begin(&surface);
    painter.setFont(font);
    painter.setPen(foreColor_);
  }
  for (int i = 0; i < lines.size(); ++i) {
    if (i > 0) currentX_ = 0;
    if (canDraw && !lines[i].isEmpty()) {
      const int x = int(std::lround(currentX_));
      const int y = int(std::lround(currentY_));
      painter.drawText(QPoint(x, y + metrics.ascent()), lines[i]);
    }
    currentY_ += metrics.height();
  }
  currentX_ = 0;
  if (canDraw) {
    painter.end();
    emit Changed();
  }
}

double PictureBox::TextWidth(const QString& text) const {
  const QFontMetrics metrics(MakeQFont(font_));
  int widest = 0;
  for (const QString& line : Lines(text)) widest = std::max(widest, metrics.horizontalAdvance(line));
  return widest;
}

double PictureBox::TextHeight(const QString& text) const {
  const QFontMetrics metrics(MakeQFont(font_));
  return double(metrics.height()) * double(Lines(text).size());
}

void PictureBox::Cls() {
  Fill(backColor_);
  DrawPicture();
  currentX_ = 0;
  currentY_ = 0;
  emit Changed();
}

void PictureBox::SetAutoSize(bool on) {
  autoSize_ = on;
  if (on && HasPicture() && (picture_.width() != width_ || picture_.height() != height_)) {
    Resize(picture_.width(), picture_.height());
    DrawPicture();
  }
}

void PictureBox::SetPicture(const QImage& picture) {
  picture_ = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
  // What is drawn goes: the picture and the background replace it.
  if (autoSize_ && HasPicture()) Reallocate(picture_.width(), picture_.height(), false);
  // An opaque picture that covers the whole box leaves no background to show.
  if (!HasPicture() || picture_.width() < width_ || picture_.height() < height_) Fill(backColor_);
  DrawPicture();
  emit Changed();
}

int PictureBox::LoadPicture(const std::string& file) {
  const imaging::Handle bitmap = imaging::LoadBitMap(file);
  if (bitmap == imaging::kNoHandle) {
    const int error = imaging::LastError();
    return error != imaging::kNoError ? error : imaging::kInvalidPicture;
  }
  // The loaded pixels become the Picture as they are, without a copy.
  const QImage loaded = imaging::TakeBitmapImage(bitmap);
  if (loaded.isNull()) return imaging::kInvalidPicture;
  SetPicture(loaded);
  return imaging::kNoError;
}

void PictureBox::ClearPicture() { SetPicture(QImage()); }

int PictureBox::LoadSurface(const std::string& file) {
  const imaging::Handle bitmap = imaging::LoadBitMap(file);
  if (bitmap == imaging::kNoHandle) {
    const int error = imaging::LastError();
    return error != imaging::kNoError ? error : imaging::kInvalidPicture;
  }
  if (!imaging::MakeWorkBuff(bitmap)) {
    imaging::UnloadBitMap(bitmap);
    return imaging::kInvalidPicture;
  }
  if (buffer_ != imaging::kNoHandle) imaging::DestroyWorkBuff(buffer_);
  buffer_ = bitmap;
  width_ = imaging::GetGCBitmapWidth(bitmap);
  height_ = imaging::GetGCBitmapHeight(bitmap);
  picture_ = QImage();
  emit Changed();
  return imaging::kNoError;
}

QImage PictureBox::Image() const {
  const QImage surface = imaging::WorkBuffImage(buffer_);
  return surface.isNull() ? QImage() : surface.copy();
}

QImage PictureBox::SurfaceView() const { return imaging::WorkBuffImage(buffer_); }

std::optional<QColor> PictureBox::PlainColour() const {
  if (buffer_ == imaging::kNoHandle) return std::nullopt;
  const std::optional<std::uint32_t> fill = imaging::PendingFill(buffer_);
  if (!fill) return std::nullopt;
  return QColor::fromRgb(*fill);
}

bool PictureBox::SavePicture(const std::string& file) const {
  return buffer_ != imaging::kNoHandle && imaging::SaveBitmap(file, buffer_);
}

imaging::DeviceContext PictureBox::hDC() const {
  return buffer_ == imaging::kNoHandle ? 0 : imaging::GetWorkBuffHDC(buffer_);
}

void PictureBox::Fill(const QColor& color) {
  // Written when the surface is next used: a box that is filled and not drawn
  // on yet costs no memory.
  if (buffer_ != imaging::kNoHandle)
    imaging::FillWorkBuff(buffer_, std::uint8_t(color.red()), std::uint8_t(color.green()),
                          std::uint8_t(color.blue()));
}

void PictureBox::DrawPicture() {
  if (!HasPicture()) return;
  QImage surface = imaging::WorkBuffImage(buffer_);
  if (surface.isNull()) return;
  QPainter painter(&surface);
  painter.drawImage(0, 0, picture_);
}

PictureBoxView::PictureBoxView(PictureBox& box, QWidget* parent) : QWidget(parent), box_(box) {
  // The surface covers what it shows; nothing behind it needs painting.
  setAttribute(Qt::WA_OpaquePaintEvent);
  connect(&box_, &PictureBox::Changed, this, qOverload<>(&QWidget::update));
}

QSize PictureBoxView::sizeHint() const { return QSize(box_.Width(), box_.Height()); }

void PictureBoxView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QImage surface = box_.SurfaceView();
  const QRect area = event->rect();
  painter.fillRect(area, box_.BackColor());
  if (!surface.isNull()) painter.drawImage(area.topLeft(), surface, area);
}

}  // namespace orvane::platform
