#pragma once
// Pictures with one marked corner and an EXIF Orientation tag, for the tests
// that every way a picture is shown sees it upright; and where the mark is seen.
// The picture is stored 64 x 32, grey, with a red square at its stored
// top-left; each orientation tells where an upright view shows that square.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

namespace orvane::test {

inline constexpr int kOrientedW = 64;
inline constexpr int kOrientedH = 32;

// An EXIF block (APP1 segment body, "Exif\0\0" and a TIFF structure) whose first
// IFD holds only the Orientation tag; big-endian when asked.
inline std::string ExifOrientationBlock(int orientation, bool bigEndian) {
  auto u16 = [&](int v) {
    const char lo = char(v & 0xFF), hi = char((v >> 8) & 0xFF);
    return bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  };
  auto u32 = [&](unsigned v) {
    return bigEndian ? u16(int(v >> 16)) + u16(int(v & 0xFFFF)) : u16(int(v & 0xFFFF)) + u16(int(v >> 16));
  };
  std::string tiff = bigEndian ? "MM" : "II";
  tiff += u16(42) + u32(8);                       // header, first IFD at 8
  tiff += u16(1);                                 // one entry
  tiff += u16(0x0112) + u16(3) + u32(1);          // Orientation, SHORT, one value
  tiff += u16(orientation) + u16(0);              // the value, left-aligned
  tiff += u32(0);                                 // no next IFD
  return std::string("Exif\0\0", 6) + tiff;
}

// EXIF blocks that are broken: the IFD lies past the block's end; the block is
// cut inside its entry; not TIFF at all.
inline std::string BrokenExifBlock(int kind) {
  if (kind == 0) return std::string("Exif\0\0II*\0\xF0\xFF\xFF\x0F", 14);
  if (kind == 1) return ExifOrientationBlock(6, false).substr(0, 20);
  return std::string("Exif\0\0garbage!", 14);
}

// The JPEG bytes of an image with an APP1 segment of `exif` right after the
// start-of-image marker (none when exif is empty).
inline std::string JpegWithExif(const QImage& image, const std::string& exif) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG", 95);
  std::string jpeg(bytes.constData(), std::size_t(bytes.size()));
  if (exif.empty() || jpeg.size() < 2) return jpeg;
  const std::size_t length = exif.size() + 2;
  std::string segment = "\xFF\xE1";
  segment += char(length >> 8);
  segment += char(length & 0xFF);
  return jpeg.substr(0, 2) + segment + exif + jpeg.substr(2);
}

// The stored picture: grey, a red 16 x 16 square at the top-left.
inline QImage MarkedPicture() {
  QImage image(kOrientedW, kOrientedH, QImage::Format_RGB32);
  image.fill(qRgb(128, 128, 128));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) image.setPixel(x, y, qRgb(220, 30, 30));
  return image;
}

// The marked picture as a JPEG tagged with the orientation (0: no EXIF block);
// odd orientations are written big-endian, even ones little-endian.
inline std::string OrientedJpeg(int orientation) {
  return JpegWithExif(MarkedPicture(),
                      orientation ? ExifOrientationBlock(orientation, orientation % 2 == 1) : "");
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

enum class Corner { None, TopLeft, TopRight, BottomRight, BottomLeft };

inline const char* CornerName(Corner c) {
  switch (c) {
    case Corner::TopLeft: return "top-left";
    case Corner::TopRight: return "top-right";
    case Corner::BottomRight: return "bottom-right";
    case Corner::BottomLeft: return "bottom-left";
    case Corner::None: break;
  }
  return "none";
}

// Where the upright picture shows the mark, and its upright size.
inline Corner ExpectedCorner(int orientation) {
  switch (orientation) {
    case 2: case 6: return Corner::TopRight;
    case 3: case 7: return Corner::BottomRight;
    case 4: case 8: return Corner::BottomLeft;
    default: return Corner::TopLeft;
  }
}
inline QSize ExpectedSize(int orientation) {
  return orientation >= 5 && orientation <= 8 ? QSize(kOrientedH, kOrientedW)
                                              : QSize(kOrientedW, kOrientedH);
}

// What an image shows of the marked picture: the part that is not black (the
// picture, wherever it was placed) and the one corner of it that is red.
struct SeenMark {
  QRect area;
  Corner corner = Corner::None;
};

inline SeenMark SeeMark(const QImage& image) {
  SeenMark seen;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) > 40 || qGreen(p) > 40 || qBlue(p) > 40) seen.area |= QRect(x, y, 1, 1);
    }
  if (seen.area.isEmpty()) return seen;
  // A point an eighth of the way in from each corner lies inside the mark
  // (a quarter of the long side, half of the short one) when it is there.
  const int dx = std::max(0, seen.area.width() / 8), dy = std::max(0, seen.area.height() / 8);
  auto red = [&](int x, int y) {
    const QRgb p = image.pixel(x, y);
    return qRed(p) > 160 && qGreen(p) < 100 && qBlue(p) < 100;
  };
  const struct {
    Corner corner;
    int x, y;
  } corners[] = {{Corner::TopLeft, seen.area.left() + dx, seen.area.top() + dy},
                 {Corner::TopRight, seen.area.right() - dx, seen.area.top() + dy},
                 {Corner::BottomRight, seen.area.right() - dx, seen.area.bottom() - dy},
                 {Corner::BottomLeft, seen.area.left() + dx, seen.area.bottom() - dy}};
  int found = 0;
  for (const auto& c : corners)
    if (red(c.x, c.y)) {
      seen.corner = c.corner;
      ++found;
    }
  if (found != 1) seen.corner = Corner::None;
  return seen;
}

}  // namespace orvane::test
