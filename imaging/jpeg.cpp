#include "imaging/jpeg.h"

#include <turbojpeg.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "imaging/io.h"

namespace orvane::imaging::detail {

static_assert(std::endian::native == std::endian::little,
              "pixels are decoded as BGRA bytes, which is 0xAARRGGBB only on little-endian");

namespace {

struct TjHandle {
  tjhandle handle;
  explicit TjHandle(tjhandle h) : handle(h) {}
  ~TjHandle() {
    if (handle) tjDestroy(handle);
  }
  TjHandle(const TjHandle&) = delete;
  TjHandle& operator=(const TjHandle&) = delete;
};

std::unique_ptr<Picture> Fail() {
  SetLastError(kInvalidPicture);
  return nullptr;
}

// What the marker segments say about a file, read before any decoding.
struct JpegLayout {
  bool endOfImage = false;   // the data reaches an end-of-image marker
  bool multiScan = false;    // progressive, or more than one scan
  int width = 0, height = 0;
  int components = 0;
  int sampling[4][2] = {};   // horizontal, vertical factors
};

// Walks the marker segments up to the first start of scan, then the
// entropy-coded data for further scans and the end marker. Inside
// entropy-coded data every 0xFF byte is followed by 0x00 or a restart marker,
// so 0xFF 0xDA and 0xFF 0xD9 there can only be real markers.
JpegLayout ReadLayout(const std::uint8_t* data, std::size_t size) {
  JpegLayout layout;
  std::size_t pos = 2;
  bool inScan = false;
  while (pos + 4 <= size) {
    if (data[pos] != 0xFF) break;  // stray bytes: the decoder skips them, so search on
    const std::uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xD9) {
      layout.endOfImage = true;
      return layout;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
      pos += 2;
      continue;
    }
    const std::size_t length = (std::size_t(data[pos + 2]) << 8) | data[pos + 3];
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                       marker != 0xCC;
    if (frame && pos + 2 + length <= size && length >= 8) {
      const std::uint8_t* f = data + pos + 4;
      layout.height = (f[1] << 8) | f[2];
      layout.width = (f[3] << 8) | f[4];
      layout.components = std::min<int>(f[5], 4);
      for (int c = 0; c < layout.components && 8 + 3 * c < int(length) - 2; ++c) {
        layout.sampling[c][0] = std::max(1, f[6 + 3 * c + 1] >> 4);
        layout.sampling[c][1] = std::max(1, f[6 + 3 * c + 1] & 15);
      }
      // Progressive frames (SOF2, 6, 10, 14) keep every coefficient in memory.
      if ((marker & 3) == 2) layout.multiScan = true;
    }
    pos += 2 + length;
    if (marker == 0xDA) {
      inScan = true;
      break;
    }
  }
  if (!inScan) return layout;
  while (pos + 1 < size) {
    const void* hit = std::memchr(data + pos, 0xFF, size - 1 - pos);
    if (!hit) return layout;
    pos = std::size_t(static_cast<const std::uint8_t*>(hit) - data);
    if (data[pos + 1] == 0xD9) {
      layout.endOfImage = true;
      return layout;
    }
    if (data[pos + 1] == 0xDA) layout.multiScan = true;  // a further scan
    ++pos;
  }
  return layout;
}

// 8 x 8 blocks of one component.
std::uint64_t Blocks(const JpegLayout& layout, int component) {
  int hMax = 1, vMax = 1;
  for (int c = 0; c < layout.components; ++c) {
    hMax = std::max(hMax, layout.sampling[c][0]);
    vMax = std::max(vMax, layout.sampling[c][1]);
  }
  const std::uint64_t w = (std::uint64_t(layout.width) * layout.sampling[component][0] + hMax - 1) / hMax;
  const std::uint64_t h = (std::uint64_t(layout.height) * layout.sampling[component][1] + vMax - 1) / vMax;
  return ((w + 7) / 8) * ((h + 7) / 8);
}

}  // namespace

bool LooksLikeJpeg(const std::uint8_t* data, std::size_t size) {
  return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

int DctScaleDenominator(int width, int height, int targetWidth, int targetHeight) {
  if (targetWidth <= 0 && targetHeight <= 0) return 1;
  for (int denominator : {8, 4, 2}) {
    // TurboJPEG rounds scaled sizes up.
    const int w = (width + denominator - 1) / denominator;
    const int h = (height + denominator - 1) / denominator;
    if (w >= targetWidth && h >= targetHeight) return denominator;
  }
  return 1;
}

std::unique_ptr<Picture> DecodeJpeg(const std::uint8_t* data, std::size_t size,
                                    int targetWidth, int targetHeight) {
  return DecodeJpeg(data, size, [&](int, int, int& w, int& h) {
    w = targetWidth;
    h = targetHeight;
  });
}

std::unique_ptr<Picture> DecodeJpeg(const std::uint8_t* data, std::size_t size,
                                    const TargetForSize& target) {
  // Without its end marker the file was cut short: refuse it before decoding
  // (the decoder would only warn, and fill the missing part with grey).
  if (!LooksLikeJpeg(data, size) || size > 0xFFFFFFFFu) return Fail();
  const JpegLayout layout = ReadLayout(data, size);
  if (!layout.endOfImage) return Fail();
  TjHandle tj(tjInitDecompress());
  if (!tj.handle) return Fail();
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(tj.handle, data, static_cast<unsigned long>(size), &width, &height,
                          &subsampling, &colourspace) != 0)
    return Fail();
  if (width <= 0 || height <= 0) return Fail();
  // Every block of the picture costs at least one bit of coded data (its DC
  // code): a few hundred bytes that claim 20000 x 20000 pixels are refused here,
  // before seconds of decoding and gigabytes of memory.
  if (layout.width == width && layout.height == height && layout.components > 0 &&
      std::uint64_t(size) * 8 < Blocks(layout, 0))
    return Fail();
  int targetWidth = 0, targetHeight = 0;
  if (target) target(width, height, targetWidth, targetHeight);
  // The size cap holds for the decoded picture: a very large file still loads
  // when DCT scaling brings it under the cap.
  const int denominator = DctScaleDenominator(width, height, targetWidth, targetHeight);
  const int w = TJSCALED(width, (tjscalingfactor{1, denominator}));
  const int h = TJSCALED(height, (tjscalingfactor{1, denominator}));
  if (w > kMaxDimension || h > kMaxDimension) return Fail();
  // A progressive (or multi-scan) file keeps every coefficient of the full
  // picture in memory, whatever the scale: the cap holds for its full size, and
  // the coefficients count against the free memory with the decoded pixels.
  std::uint64_t needed = std::uint64_t(w) * std::uint64_t(h) * 4;
  if (layout.multiScan) {
    if (width > kMaxDimension || height > kMaxDimension ||
        std::uint64_t(width) * std::uint64_t(height) > pixelLimit)
      return Fail();
    for (int c = 0; c < std::max(1, layout.components); ++c)
      needed += (layout.components ? Blocks(layout, c) : std::uint64_t(width) * height / 64) * 128;
  }
  if (needed > AvailableMemory()) {
    SetLastError(kOutOfMemory);
    return nullptr;
  }
  auto picture = NewPictureForDecoding(w, h);
  if (!picture) return nullptr;
  // The decoder writes every pixel, on one thread.
  MakeResident(*picture);
  // CMYK files (as Photoshop writes them, with inverted values) are decoded as
  // CMYK and converted here: the library does not convert them to RGB itself.
  const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
  // TJFLAG_LIMITSCANS refuses progressive files with absurd scan counts, which
  // would otherwise take minutes on a few kilobytes. TJFLAG_STOPONWARNING stops
  // at the first warning: corrupt or missing data would otherwise be shown as
  // grey (a file cut short and closed with an end marker, for one).
  const int flags = TJFLAG_LIMITSCANS | TJFLAG_STOPONWARNING;
  const int rc = tjDecompress2(tj.handle, data, static_cast<unsigned long>(size),
                               reinterpret_cast<unsigned char*>(picture->pixels.get()), w,
                               w * 4, h, cmyk ? TJPF_CMYK : TJPF_BGRA, flags);
  if (rc != 0) return Fail();
  if (cmyk) {
    std::uint32_t* p = picture->pixels.get();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(p);
    for (std::size_t i = 0, n = std::size_t(w) * h; i < n; ++i, bytes += 4) {
      const unsigned k = bytes[3];
      p[i] = MakePixel(std::uint8_t((bytes[0] * k + 127) / 255),
                       std::uint8_t((bytes[1] * k + 127) / 255),
                       std::uint8_t((bytes[2] * k + 127) / 255));
    }
  }
  return picture;
}

bool EncodeJpeg(const Picture& picture, int quality, std::vector<std::uint8_t>& out) {
  out.clear();
  TjHandle tj(tjInitCompress());
  if (!tj.handle) return false;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const int rc = tjCompress2(tj.handle,
                             reinterpret_cast<const unsigned char*>(picture.pixels.get()),
                             picture.width, picture.width * 4, picture.height, TJPF_BGRX,
                             &buffer, &size, TJSAMP_420, quality, 0);
  if (rc == 0 && buffer) out.assign(buffer, buffer + size);
  if (buffer) tjFree(buffer);
  return rc == 0;
}

}  // namespace orvane::imaging::detail
