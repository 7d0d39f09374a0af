#pragma once
// A picture box: a retained drawing surface over an imaging work buffer, with
// the drawing members the programs use (ForeColor, Font, CurrentX/CurrentY,
// Print, TextWidth/TextHeight, Cls, Picture). Units are pixels; text is drawn
// at 96 dpi. Windows show the surface (Image()) and repaint on Changed(); code
// that draws through hDC() with the imaging blits calls Refresh() afterwards.
#include <QColor>
#include <QImage>
#include <QObject>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>

#include "imaging/imaging.h"
#include "platform/fonts.h"

namespace orvane::platform {

class PictureBox : public QObject {
  Q_OBJECT

 public:
  // A box of width x height pixels filled with its BackColor (black).
  explicit PictureBox(int width = 0, int height = 0, QObject* parent = nullptr);
  ~PictureBox() override;
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  // ---- Size ----
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Inner size; the box has no border, so the same as Width / Height.
  int ScaleWidth() const { return width_; }
  int ScaleHeight() const { return height_; }
  // Keeps what is drawn (clipped) and fills new area with BackColor. The work
  // buffer, and so hDC(), is replaced.
  void Resize(int width, int height);
  void SetWidth(int width) { Resize(width, height_); }
  void SetHeight(int height) { Resize(width_, height); }

  // ---- Colours ----
  QColor ForeColor() const { return foreColor_; }
  void SetForeColor(const QColor& color) { foreColor_ = color; }
  QColor BackColor() const { return backColor_; }
  // Like the control: a new background colour erases what was drawn.
  void SetBackColor(const QColor& color);

  // ---- Font ----
  const FontSpec& Font() const { return font_; }
  // Size is stored rounded to whole pixels at 96 dpi (read back as GDI does).
  void SetFont(const FontSpec& font);
  double FontSize() const { return font_.Size; }
  void SetFontSize(double points);
  QString FontName() const { return font_.Name; }
  void SetFontName(const QString& name) { font_.Name = name; }
  bool FontBold() const { return font_.Bold; }
  void SetFontBold(bool bold) { font_.Bold = bold; }

  // ---- Text ----
  double CurrentX() const { return currentX_; }
  double CurrentY() const { return currentY_; }
  void SetCurrentX(double x) { currentX_ = x; }
  void SetCurrentY(double y) { currentY_ = y; }
  // Draws the text's glyphs in ForeColor with the top-left corner of its cell at
  // (CurrentX, CurrentY), then moves to the next line: CurrentX = 0 and CurrentY
  // grows by the text's height. Line breaks (LF or CR LF) start new lines.
  void Print(const QString& text);
  // Whole pixels, as the font mapper measures: the advance of the widest line
  // and the cell height times the number of lines.
  double TextWidth(const QString& text) const;
  double TextHeight(const QString& text) const;

  // Erases what was drawn: BackColor, then the Picture at 0, 0; the current
  // point goes back to 0, 0.
  void Cls();

  // ---- Picture ----
  bool AutoSize() const { return autoSize_; }
  // Switching it on sizes the box to a picture that is already there.
  void SetAutoSize(bool on);
  bool AutoRedraw() const { return autoRedraw_; }
  // Kept for the callers: the surface always retains what is drawn.
  void SetAutoRedraw(bool on) { autoRedraw_ = on; }
  // The background picture: drawn at 0, 0 (the box first takes its size when
  // AutoSize is on) and drawn again by Cls.
  const QImage& Picture() const { return picture_; }
  bool HasPicture() const { return !picture_.isNull(); }
  void SetPicture(const QImage& picture);
  // Loads a bitmap file through the imaging library as the Picture. On failure
  // the box is left as it was and the result is the error number (53 file not
  // found, 481 not a picture); 0 on success.
  int LoadPicture(const std::string& file);
  // Removes the Picture and erases the box (an empty picture loaded).
  void ClearPicture();
  // Loads a bitmap file as the surface itself: the box takes the picture's
  // size and its pixels, without a copy, and keeps no Picture (Cls erases it to
  // BackColor). Error numbers as LoadPicture; on failure the box is unchanged.
  int LoadSurface(const std::string& file);

  // The colour of the whole surface while its pixels have not been made yet
  // (nothing drawn on it or read from it since it was made); nothing otherwise.
  std::optional<QColor> PlainColour() const;
  // The surface as it stands now (a copy).
  QImage Image() const;
  // The surface itself, without a copy: valid until the box is resized.
  QImage SurfaceView() const;
  // Writes the surface as a 24-bit bitmap file; false on failure.
  bool SavePicture(const std::string& file) const;

  std::string Tag;

  // The work buffer behind the surface and its device context (0 while the box
  // has no area).
  imaging::Handle Buffer() const { return buffer_; }
  imaging::DeviceContext hDC() const;

  // Tells the windows that show this box that it has changed.
  void Refresh() { emit Changed(); }

 signals:
  void Changed();

 private:
  // Gives the box a new buffer of width x height filled with BackColor, with
  // what was drawn copied over when keep is set; false when the size is the same.
  bool Reallocate(int width, int height, bool keep);
  void Fill(const QColor& color);
  void DrawPicture();

  int width_ = 0;
  int height_ = 0;
  imaging::Handle buffer_ = imaging::kNoHandle;
  QColor foreColor_{0, 0, 0};
  QColor backColor_{0, 0, 0};
  FontSpec font_;
  double currentX_ = 0;
  double currentY_ = 0;
  bool autoSize_ = false;
  bool autoRedraw_ = false;
  QImage picture_;
};

// Shows a picture box unscaled at its top-left corner and repaints whenever the
// box reports a change. The box must outlive the view.
class PictureBoxView : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBoxView(PictureBox& box, QWidget* parent = nullptr);
  QSize sizeHint() const override;
  PictureBox& Box() const { return box_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  PictureBox& box_;
};

}  // namespace orvane::platform
