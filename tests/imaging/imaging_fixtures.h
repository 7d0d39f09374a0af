#pragma once
// Small builders shared by the imaging tests: BMP files of any layout written
// byte by byte (so the reader is tested against files it did not write), and
// pixel access through the buffers' QImage wrappers.
#include <QImage>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/imaging.h"

namespace orvane::imaging::test {

inline void PutLE(std::string& s, std::size_t at, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + i] = char((v >> (8 * i)) & 255);
}

struct BmpSpec {
  int width = 4;
  int height = 3;  // rows are given top-down; the file stores them as topDown says
  int bits = 24;
  std::uint32_t compression = 0;
  int headerSize = 40;
  bool topDown = false;
  std::vector<std::uint32_t> palette;  // 0xRRGGBB
  std::vector<std::uint32_t> masks;    // written after a 40-byte header, or inside a bigger one
  std::vector<std::uint32_t> values;   // per pixel: index, packed 16/32-bit value, or 0xRRGGBB
  std::string rle;                     // RLE data used instead of values when compressed
};

inline std::string BuildBmp(const BmpSpec& layout) {
  const bool core = layout.headerSize == 12;
  const int entry = core ? 3 : 4;
  const std::size_t masksAfter = layout.headerSize == 40 ? layout.masks.size() * 4 : 0;
  const std::size_t off = 14 + layout.headerSize + masksAfter + layout.palette.size() * entry;
  const std::size_t stride = ((std::size_t(layout.width) * layout.bits + 31) / 32) * 4;
  std::string pixels;
  if (!layout.rle.empty()) {
    pixels = layout.rle;
  } else {
    pixels.assign(stride * layout.height, '\0');
    for (int row = 0; row < layout.height; ++row) {
      const int fileRow = layout.topDown ? row : layout.height - 1 - row;
      std::size_t base = stride * fileRow;
      for (int x = 0; x < layout.width; ++x) {
        const std::uint32_t v = layout.values[std::size_t(row) * layout.width + x];
        if (layout.bits < 8) {
          const int per = 8 / layout.bits;
          const int shift = 8 - layout.bits * (x % per + 1);
          pixels[base + x / per] = char(std::uint8_t(pixels[base + x / per]) | (v << shift));
        } else {
          PutLE(pixels, base + std::size_t(x) * (layout.bits / 8), v, layout.bits / 8);
        }
      }
    }
  }
  std::string out(off, '\0');
  out[0] = 'B';
  out[1] = 'M';
  PutLE(out, 2, std::uint32_t(off + pixels.size()), 4);
  PutLE(out, 10, std::uint32_t(off), 4);
  PutLE(out, 14, std::uint32_t(layout.headerSize), 4);
  if (core) {
    PutLE(out, 18, layout.width, 2);
    PutLE(out, 20, layout.height, 2);
    PutLE(out, 22, 1, 2);
    PutLE(out, 24, layout.bits, 2);
  } else {
    PutLE(out, 18, std::uint32_t(layout.width), 4);
    PutLE(out, 22, std::uint32_t(layout.topDown ? -layout.height : layout.height), 4);
    PutLE(out, 26, 1, 2);
    PutLE(out, 28, layout.bits, 2);
    if (layout.headerSize >= 40) {
      PutLE(out, 30, layout.compression, 4);
      PutLE(out, 34, std::uint32_t(pixels.size()), 4);
      PutLE(out, 38, 3780, 4);
      PutLE(out, 42, 3780, 4);
      PutLE(out, 46, std::uint32_t(layout.palette.size()), 4);
    }
  }
  std::size_t at = layout.headerSize == 40 ? 54 : 14 + 40;
  for (std::uint32_t m : layout.masks) {
    PutLE(out, at, m, 4);
    at += 4;
  }
  at = 14 + layout.headerSize + masksAfter;
  for (std::uint32_t c : layout.palette) {
    out[at] = char(c & 255);
    out[at + 1] = char((c >> 8) & 255);
    out[at + 2] = char((c >> 16) & 255);
    at += entry;
  }
  return out + pixels;
}

// 0xRRGGBB of a pixel of any bitmap or buffer.
inline std::uint32_t PixelAt(Handle handle, int x, int y) {
  return WorkBuffImage(handle).pixel(x, y) & 0xFFFFFFu;
}

// Writes a picture into a new buffer, one QImage pixel at a time.
inline Handle BufferFrom(const QImage& image) {
  const Handle buffer = CreateWorkBuff(image.width(), image.height(), 0, 0);
  QImage target = WorkBuffImage(buffer);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) target.setPixel(x, y, image.pixel(x, y) | 0xFF000000u);
  return buffer;
}

// A photograph-like test picture: smooth gradients, a few shapes and noise.
inline QImage PhotoLike(int width, int height, unsigned seed = 1) {
  QImage image(width, height, QImage::Format_RGB32);
  std::uint32_t state = seed;
  auto noise = [&state] {
    state = state * 1664525u + 1013904223u;
    return int((state >> 24) % 13) - 6;
  };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int r = 40 + 180 * x / width, g = 30 + 200 * y / height, b = 120 + 100 * (x + y) / (width + height);
      const int dx = x - width / 3, dy = y - height / 2;
      if (dx * dx + dy * dy < (height / 4) * (height / 4)) r = 230 - 60 * y / height, g /= 2, b = 40;
      if (x > width * 2 / 3 && y > height / 5 && y < height * 3 / 5) r = g = b = 20 + 200 * x / width / 2;
      r = std::clamp(r + noise(), 0, 255);
      g = std::clamp(g + noise(), 0, 255);
      b = std::clamp(b + noise(), 0, 255);
      image.setPixel(x, y, qRgb(r, g, b));
    }
  return image;
}

}  // namespace orvane::imaging::test
