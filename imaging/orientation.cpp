#include "imaging/orientation.h"

#include <libexif/exif-data.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "imaging/jpeg.h"

namespace orvane::imaging::detail {

namespace {

// What the marker segments before the frame header hold: the EXIF block (the
// APP1 segment opening with "Exif\0\0") and the frame's size.
struct JpegHead {
  const std::uint8_t* exif = nullptr;
  std::size_t exifSize = 0;
  int width = 0, height = 0;
};

JpegHead ReadHead(const std::uint8_t* data, std::size_t size) {
  JpegHead head;
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return head;
  std::size_t pos = 2;
  while (pos + 4 <= size) {
    if (data[pos] != 0xFF) return head;
    const std::uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length
      pos += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return head;
    const std::size_t length = (std::size_t(data[pos + 2]) << 8) | data[pos + 3];
    if (length < 2 || pos + 2 + length > size) return head;
    const std::uint8_t* body = data + pos + 4;
    const std::size_t bodySize = length - 2;
    if (marker == 0xE1 && !head.exif && bodySize > 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
      head.exif = body;
      head.exifSize = bodySize;
    }
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                       marker != 0xCC;
    if (frame) {
      if (bodySize >= 5) {
        head.height = (body[1] << 8) | body[2];
        head.width = (body[3] << 8) | body[4];
      }
      return head;
    }
    pos += 2 + length;
  }
  return head;
}

int OrientationOf(const JpegHead& head) {
  if (!head.exif) return 1;
  ExifData* exif = exif_data_new();
  if (!exif) return 1;
  // Read what is there; nothing is to be added, checked or rewritten.
  exif_data_unset_option(exif, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(exif, head.exif, unsigned(std::min<std::size_t>(head.exifSize, 0xFFFF)));
  int orientation = 1;
  if (ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
      entry && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 && entry->data &&
      entry->size >= 2) {
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(exif));
    if (value >= 1 && value <= 8) orientation = value;
  }
  exif_data_unref(exif);
  return orientation;
}

// Copies src into dst (the sides swapped) so that dst(x, y) = src(sx, sy), where
// sx and sy step by (dxX, dyX) along a row of dst and (dxY, dyY) down it.
// Tiles keep both pictures' rows in the cache.
void Turn(const Picture& src, Picture& dst, int orientation) {
  const int w = dst.width, h = dst.height;
  const int sw = src.width, sh = src.height;
  // Source position of dst(0, 0) and the steps, as the tag's meaning gives them.
  int x0 = 0, y0 = 0, sxX = 0, syX = 0, sxY = 0, syY = 0;
  switch (orientation) {
    case 5: x0 = 0;      y0 = 0;      sxX = 0;  syX = 1;  sxY = 1;  syY = 0;  break;
    case 6: x0 = 0;      y0 = sh - 1; sxX = 0;  syX = -1; sxY = 1;  syY = 0;  break;
    case 7: x0 = sw - 1; y0 = sh - 1; sxX = 0;  syX = -1; sxY = -1; syY = 0;  break;
    case 8: x0 = sw - 1; y0 = 0;      sxX = 0;  syX = 1;  sxY = -1; syY = 0;  break;
    default: return;
  }
  const std::ptrdiff_t stepX = std::ptrdiff_t(syX) * sw + sxX;
  constexpr int kTile = 64;
  for (int ty = 0; ty < h; ty += kTile) {
    const int yEnd = std::min(h, ty + kTile);
    for (int tx = 0; tx < w; tx += kTile) {
      const int xEnd = std::min(w, tx + kTile);
      for (int y = ty; y < yEnd; ++y) {
        std::uint32_t* out = dst.Row(y);
        const std::uint32_t* in = src.pixels.get() +
                                  std::ptrdiff_t(y0 + syY * y + syX * tx) * sw +
                                  (x0 + sxY * y + sxX * tx);
        for (int x = tx; x < xEnd; ++x, in += stepX) out[x] = *in;
      }
    }
  }
}

}  // namespace

int JpegOrientation(const std::uint8_t* data, std::size_t size) {
  return OrientationOf(ReadHead(data, size));
}

bool JpegUprightSize(const std::uint8_t* data, std::size_t size, int& width, int& height) {
  const JpegHead head = ReadHead(data, size);
  if (head.width <= 0 || head.height <= 0) return false;
  const bool swap = SwapsSides(OrientationOf(head));
  width = swap ? head.height : head.width;
  height = swap ? head.width : head.height;
  return true;
}

std::unique_ptr<Picture> Orient(std::unique_ptr<Picture> picture, int orientation) {
  if (!picture || orientation <= 1 || orientation > 8) return picture;
  Picture& p = *picture;
  const int w = p.width, h = p.height;
  const bool mirror = orientation == 2 || orientation == 3;  // each row reversed
  const bool flip = orientation == 3 || orientation == 4;    // rows in reverse order
  if (!SwapsSides(orientation)) {
    if (flip)
      for (int y = 0; y < h / 2; ++y) std::swap_ranges(p.Row(y), p.Row(y) + w, p.Row(h - 1 - y));
    if (mirror)
      for (int y = 0; y < h; ++y) std::reverse(p.Row(y), p.Row(y) + w);
    return picture;
  }
  auto turned = NewPictureForDecoding(h, w);
  if (!turned) return nullptr;
  Turn(p, *turned, orientation);
  return turned;
}

std::unique_ptr<Picture> DecodeJpegUpright(const std::uint8_t* data, std::size_t size,
                                           const TargetForSize& target) {
  const int orientation = JpegOrientation(data, size);
  if (orientation == 1) return DecodeJpeg(data, size, target);
  TargetForSize stored = target;
  if (SwapsSides(orientation) && target)
    stored = [&target](int width, int height, int& targetWidth, int& targetHeight) {
      target(height, width, targetHeight, targetWidth);
    };
  return Orient(DecodeJpeg(data, size, stored), orientation);
}

}  // namespace orvane::imaging::detail
