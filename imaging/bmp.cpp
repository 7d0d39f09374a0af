// BMP decoding and encoding. The reader trusts nothing in the headers: every
// count, offset and size is checked against the bytes actually present before it
// is used, and pictures larger than kMaxDimension per side are refused.
#include "imaging/bmp.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace orvane::imaging::detail {

namespace {

enum Compression : std::uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitfields = 3,
  kAlphaBitfields = 6,
};

// Densities above this many pixels per metre (25,400 dpi) only come from a
// corrupt header.
constexpr std::int64_t kMaxDensity = 1000000;

std::uint16_t U16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}
std::int32_t I32(const std::uint8_t* p) { return std::int32_t(U32(p)); }

std::unique_ptr<Picture> Fail() {
  SetLastError(kInvalidPicture);
  return nullptr;
}

// One colour channel of a bit-field pixel, widened to 8 bits by scaling.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;

  bool Set(std::uint32_t m) {
    mask = m;
    if (m == 0) return false;
    shift = std::countr_zero(m);
    const std::uint32_t bits = m >> shift;
    if ((bits & (bits + 1)) != 0) return false;  // not one run of ones
    max = bits;
    return true;
  }
  std::uint8_t Get(std::uint32_t pixel) const {
    const std::uint64_t v = (pixel & mask) >> shift;
    return std::uint8_t((v * 255 + max / 2) / max);
  }
};

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: top-down
  int bitCount = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t sizeImage = 0;
  std::uint32_t colorsUsed = 0;
  std::uint32_t masks[3] = {0, 0, 0};
  bool core = false;  // OS/2 1.x: 3-byte palette entries
};

// Colours of the palette, as pixels.
using Palette = std::vector<std::uint32_t>;

// Unpacks indexed rows (1, 2, 4 or 8 bits) through the palette. False when an
// index points past the palette.
bool DecodeIndexedRow(const std::uint8_t* src, int width, int bits, const Palette& palette,
                      std::uint32_t* out) {
  const std::size_t count = palette.size();
  if (bits == 8) {
    for (int x = 0; x < width; ++x) {
      if (src[x] >= count) return false;
      out[x] = palette[src[x]];
    }
    return true;
  }
  const int perByte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  for (int x = 0; x < width; ++x) {
    const int shift = 8 - bits * (x % perByte + 1);
    const unsigned index = (src[x / perByte] >> shift) & mask;
    if (index >= count) return false;
    out[x] = palette[index];
  }
  return true;
}

// Decodes RLE8 or RLE4 data into palette indices (rows in file order, bottom
// row first). Pixels the data skips keep index 0. Runs that leave the row or the
// picture, or data that ends inside an instruction, make the file invalid; data
// that stops before its end-of-bitmap mark leaves the rest at index 0.
bool DecodeRle(const std::uint8_t* p, std::size_t size, int width, int height, bool four,
               std::vector<std::uint8_t>& indices) {
  indices.assign(std::size_t(width) * std::size_t(height), 0);
  std::size_t pos = 0;
  int x = 0, y = 0;
  while (pos + 2 <= size) {
    const unsigned count = p[pos], value = p[pos + 1];
    pos += 2;
    if (count > 0) {
      if (y >= height || x + int(count) > width) return false;
      std::uint8_t* row = &indices[std::size_t(y) * width];
      for (unsigned i = 0; i < count; ++i)
        row[x++] = four ? std::uint8_t(i % 2 == 0 ? value >> 4 : value & 15) : std::uint8_t(value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (pos + 2 > size) return false;
      x += p[pos];
      y += p[pos + 1];
      pos += 2;
      if (x > width || y > height || (y == height && x > 0)) return false;
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      if (pos + bytes > size || y >= height || x + int(value) > width) return false;
      std::uint8_t* row = &indices[std::size_t(y) * width];
      for (unsigned i = 0; i < value; ++i) {
        const std::uint8_t b = p[pos + (four ? i / 2 : i)];
        row[x++] = four ? std::uint8_t(i % 2 == 0 ? b >> 4 : b & 15) : b;
      }
      pos += (bytes + 1) & ~std::size_t(1);
    }
    if (y > height) return false;
  }
  return true;  // cut short: the remaining pixels stay at index 0
}

}  // namespace

bool LooksLikeBmp(const std::uint8_t* data, std::size_t size) {
  return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

std::unique_ptr<Picture> DecodeBmp(const std::uint8_t* data, std::size_t size) {
  if (size < 14 + 12 || !LooksLikeBmp(data, size)) return Fail();
  const std::uint32_t fileSize = U32(data + 2);
  const std::uint32_t offBits = U32(data + 10);
  const std::uint32_t headerSize = U32(data + 14);
  // A header that claims more bytes than there are lies about the file.
  if (fileSize > size) return Fail();

  static constexpr std::uint32_t kHeaderSizes[] = {12, 16, 40, 52, 56, 64, 108, 124};
  if (std::find(std::begin(kHeaderSizes), std::end(kHeaderSizes), headerSize) ==
      std::end(kHeaderSizes))
    return Fail();
  if (14 + std::size_t(headerSize) > size) return Fail();
  const std::uint8_t* h = data + 14;
  const bool os2v2 = headerSize == 16 || headerSize == 64;

  Header hd;
  int planes = 0;
  if (headerSize == 12) {
    hd.core = true;
    hd.width = U16(h + 4);
    hd.height = U16(h + 6);
    planes = U16(h + 8);
    hd.bitCount = U16(h + 10);
  } else {
    hd.width = I32(h + 4);
    hd.height = I32(h + 8);
    planes = U16(h + 12);
    hd.bitCount = U16(h + 14);
    if (headerSize >= 40) {
      hd.compression = U32(h + 16);
      hd.sizeImage = U32(h + 20);
      const std::int64_t densityX = I32(h + 24), densityY = I32(h + 28);
      if (densityX < 0 || densityY < 0 || densityX > kMaxDensity || densityY > kMaxDensity)
        return Fail();
      hd.colorsUsed = U32(h + 32);
    }
  }
  if (planes != 1) return Fail();
  // OS/2 2.x numbers its compressions differently (3 is Huffman, 4 is RLE24).
  if (os2v2 && hd.compression != kRgb && hd.compression != kRle8 &&
      hd.compression != kRle4)
    return Fail();

  const bool topDown = hd.height < 0;
  const std::int64_t width = hd.width;
  const std::int64_t height = topDown ? -hd.height : hd.height;
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
    return Fail();

  const int bits = hd.bitCount;
  const std::uint32_t comp = hd.compression;
  switch (comp) {
    case kRgb:
      if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
          bits != 32)
        return Fail();
      break;
    case kRle8:
      if (bits != 8 || topDown) return Fail();
      break;
    case kRle4:
      if (bits != 4 || topDown) return Fail();
      break;
    case kBitfields:
    case kAlphaBitfields:
      if (bits != 16 && bits != 32) return Fail();
      break;
    default:
      return Fail();
  }

  // Where the palette (and, after a Windows 3 header, the bit masks) start.
  std::size_t tableStart = 14 + std::size_t(headerSize);
  if (comp == kBitfields || comp == kAlphaBitfields) {
    if (headerSize >= 52) {
      for (int i = 0; i < 3; ++i) hd.masks[i] = U32(h + 40 + 4 * i);
    } else {
      const std::size_t maskBytes = comp == kAlphaBitfields ? 16 : 12;
      if (tableStart + maskBytes > size) return Fail();
      for (int i = 0; i < 3; ++i) hd.masks[i] = U32(data + tableStart + 4 * i);
      tableStart += maskBytes;
    }
  } else if (bits == 16) {
    hd.masks[0] = 0x7C00;
    hd.masks[1] = 0x03E0;
    hd.masks[2] = 0x001F;
  } else if (bits == 32) {
    hd.masks[0] = 0xFF0000;
    hd.masks[1] = 0x00FF00;
    hd.masks[2] = 0x0000FF;
  }

  if (offBits < tableStart || offBits >= size) return Fail();
  const std::size_t available = size - offBits;
  // An image size beyond the data is a lie; a last row's missing padding is not.
  const std::size_t stride = ((std::size_t(width) * bits + 31) / 32) * 4;
  if (hd.sizeImage != 0 && hd.sizeImage > available + stride) return Fail();

  // Palette: colorsUsed entries (all 2^bits when 0), at most 256 used, and never
  // more than fit between the headers and the pixels.
  Palette palette;
  if (bits <= 8) {
    const std::size_t entry = hd.core ? 3 : 4;
    std::uint64_t count = hd.colorsUsed ? hd.colorsUsed : (1u << bits);
    if (hd.colorsUsed && count * entry > size - tableStart) return Fail();
    // Writers that leave out unused entries put the pixels right after the last.
    count = std::min<std::uint64_t>({count, 256, (offBits - tableStart) / entry});
    if (count == 0) return Fail();
    palette.resize(std::size_t(count));
    for (std::size_t i = 0; i < palette.size(); ++i) {
      const std::uint8_t* e = data + tableStart + i * entry;
      palette[i] = MakePixel(e[2], e[1], e[0]);
    }
  }

  Channel channels[3];
  if (bits == 16 || bits == 32) {
    const std::uint64_t limit = bits == 16 ? 0xFFFFull : 0xFFFFFFFFull;
    for (int i = 0; i < 3; ++i)
      if (!channels[i].Set(hd.masks[i]) || hd.masks[i] > limit) return Fail();
    if ((hd.masks[0] & hd.masks[1]) || (hd.masks[0] & hd.masks[2]) ||
        (hd.masks[1] & hd.masks[2]))
      return Fail();
  }

  const int w = int(width), ht = int(height);
  const std::uint8_t* pixels = data + offBits;
  std::vector<std::uint8_t> rleIndices;
  if (comp == kRle4 || comp == kRle8) {
    const std::size_t rleSize =
        hd.sizeImage ? std::min<std::size_t>(hd.sizeImage, available) : available;
    if (!DecodeRle(pixels, rleSize, w, ht, comp == kRle4, rleIndices)) return Fail();
  } else {
    // The last row may lack its padding; every other row must be whole.
    const std::size_t lastRow = (std::size_t(width) * bits + 7) / 8;
    if (stride * std::size_t(height - 1) + lastRow > available) return Fail();
  }

  auto picture = NewPictureForDecoding(w, ht);
  if (!picture) return nullptr;

  for (int fileRow = 0; fileRow < ht; ++fileRow) {
    std::uint32_t* out = picture->Row(topDown ? fileRow : ht - 1 - fileRow);
    if (!rleIndices.empty()) {
      const std::uint8_t* src = &rleIndices[std::size_t(fileRow) * w];
      if (!DecodeIndexedRow(src, w, 8, palette, out)) return Fail();
      continue;
    }
    const std::uint8_t* src = pixels + stride * std::size_t(fileRow);
    switch (bits) {
      case 1:
      case 2:
      case 4:
      case 8:
        if (!DecodeIndexedRow(src, w, bits, palette, out)) return Fail();
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const std::uint32_t v = U16(src + 2 * x);
          out[x] = MakePixel(channels[0].Get(v), channels[1].Get(v), channels[2].Get(v));
        }
        break;
      case 24:
        for (int x = 0; x < w; ++x, src += 3) out[x] = MakePixel(src[2], src[1], src[0]);
        break;
      case 32:
        for (int x = 0; x < w; ++x) {
          const std::uint32_t v = U32(src + 4 * x);
          out[x] = MakePixel(channels[0].Get(v), channels[1].Get(v), channels[2].Get(v));
        }
        break;
    }
  }
  return picture;
}

namespace {

void PutU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

// File header and a Windows 3 info header, 96 dpi.
void WriteHeaders(AtomicFile& out, int width, int height, int bits, int paletteSize) {
  const std::size_t stride = ((std::size_t(width) * bits + 31) / 32) * 4;
  const std::uint32_t offBits = 14 + 40 + 4 * std::uint32_t(paletteSize);
  const std::uint64_t imageBytes = stride * std::size_t(height);
  std::uint8_t header[54] = {};
  header[0] = 'B';
  header[1] = 'M';
  PutU32(header + 2, std::uint32_t(std::min<std::uint64_t>(offBits + imageBytes, 0xFFFFFFFFu)));
  PutU32(header + 10, offBits);
  PutU32(header + 14, 40);
  PutU32(header + 18, std::uint32_t(width));
  PutU32(header + 22, std::uint32_t(height));
  PutU16(header + 26, 1);
  PutU16(header + 28, std::uint32_t(bits));
  PutU32(header + 34, std::uint32_t(std::min<std::uint64_t>(imageBytes, 0xFFFFFFFFu)));
  PutU32(header + 38, 3780);
  PutU32(header + 42, 3780);
  PutU32(header + 46, std::uint32_t(paletteSize));
  out.Write(header, sizeof header);
}

}  // namespace

bool WriteBmp24(AtomicFile& out, const Picture& picture, RowHook hook, void* context) {
  const int w = picture.width, h = picture.height;
  WriteHeaders(out, w, h, 24, 0);
  const std::size_t stride = ((std::size_t(w) * 24 + 31) / 32) * 4;
  // Rows are gathered into pieces of about a megabyte, written at once.
  const std::size_t perPiece = std::max<std::size_t>(1, (std::size_t(1) << 20) / stride);
  std::vector<std::uint8_t> piece(stride * std::min<std::size_t>(perPiece, std::size_t(h)), 0);
  std::size_t used = 0;
  for (int y = h - 1; y >= 0; --y) {
    const std::uint32_t* src = picture.Row(y);
    std::uint8_t* d = piece.data() + used;
    int x = 0;
    static_assert(std::endian::native == std::endian::little);
    // Four pixels (0xAARRGGBB words, little-endian) make three words of blue,
    // green and red bytes.
    for (; x + 4 <= w; x += 4, d += 12) {
      const std::uint32_t p0 = src[x], p1 = src[x + 1], p2 = src[x + 2], p3 = src[x + 3];
      const std::uint32_t words[3] = {(p0 & 0xFFFFFFu) | (p1 << 24),
                                      ((p1 >> 8) & 0xFFFFu) | (p2 << 16),
                                      ((p2 >> 16) & 0xFFu) | (p3 << 8)};
      std::memcpy(d, words, 12);
    }
    for (; x < w; ++x, d += 3) {
      const std::uint32_t p = src[x];
      d[0] = std::uint8_t(p);
      d[1] = std::uint8_t(p >> 8);
      d[2] = std::uint8_t(p >> 16);
    }
    used += stride;
    if (used == piece.size() || y == 0) {
      out.Write(piece.data(), used);
      used = 0;
    }
    if (hook && hook(context, h - y, h)) return false;
  }
  return out.ok();
}

bool WriteBmp8(AtomicFile& out, int width, int height, const std::uint8_t* indices,
               const std::uint32_t* palette, int paletteSize) {
  WriteHeaders(out, width, height, 8, paletteSize);
  std::vector<std::uint8_t> table(std::size_t(paletteSize) * 4, 0);
  for (int i = 0; i < paletteSize; ++i) {
    table[4 * i] = std::uint8_t(palette[i]);
    table[4 * i + 1] = std::uint8_t(palette[i] >> 8);
    table[4 * i + 2] = std::uint8_t(palette[i] >> 16);
  }
  out.Write(table.data(), table.size());
  const std::size_t stride = ((std::size_t(width) * 8 + 31) / 32) * 4;
  std::vector<std::uint8_t> row(stride, 0);
  for (int y = height - 1; y >= 0; --y) {
    std::memcpy(row.data(), indices + std::size_t(y) * width, std::size_t(width));
    out.Write(row.data(), stride);
  }
  return out.ok();
}

}  // namespace orvane::imaging::detail
