#include "imaging/jpeg.h"

#include <turbojpeg.h>

#include <bit>
#include <cstring>

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

// True when the entropy-coded data after the first start-of-scan reaches an
// end-of-image marker. Inside entropy-coded data every 0xFF byte is followed by
// 0x00 or a restart marker, so 0xFF 0xD9 there can only be the real end.
bool HasEndOfImage(const std::uint8_t* data, std::size_t size) {
  std::size_t pos = 2;
  // Walk the marker segments up to the first SOS (their payloads may hold
  // anything, such as an embedded thumbnail with its own end marker).
  while (pos + 4 <= size) {
    if (data[pos] != 0xFF) break;  // stray bytes: the decoder skips them, so search on
    const std::uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xD9) return true;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
      pos += 2;
      continue;
    }
    const std::size_t length = (std::size_t(data[pos + 2]) << 8) | data[pos + 3];
    pos += 2 + length;
    if (marker == 0xDA) break;
  }
  while (pos + 1 < size) {
    const void* hit = std::memchr(data + pos, 0xFF, size - 1 - pos);
    if (!hit) return false;
    pos = std::size_t(static_cast<const std::uint8_t*>(hit) - data);
    if (data[pos + 1] == 0xD9) return true;
    ++pos;
  }
  return false;
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
  if (!LooksLikeJpeg(data, size) || size > 0xFFFFFFFFu || !HasEndOfImage(data, size))
    return Fail();
  TjHandle tj(tjInitDecompress());
  if (!tj.handle) return Fail();
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(tj.handle, data, static_cast<unsigned long>(size), &width, &height,
                          &subsampling, &colourspace) != 0)
    return Fail();
  if (width <= 0 || height <= 0) return Fail();
  int targetWidth = 0, targetHeight = 0;
  if (target) target(width, height, targetWidth, targetHeight);
  // The size cap holds for the decoded picture: a very large file still loads
  // when DCT scaling brings it under the cap.
  const int denominator = DctScaleDenominator(width, height, targetWidth, targetHeight);
  const int w = TJSCALED(width, (tjscalingfactor{1, denominator}));
  const int h = TJSCALED(height, (tjscalingfactor{1, denominator}));
  if (w > kMaxDimension || h > kMaxDimension) return Fail();
  auto picture = NewPictureForDecoding(w, h);
  if (!picture) return nullptr;
  // CMYK files (as Photoshop writes them, with inverted values) are decoded as
  // CMYK and converted here: the library does not convert them to RGB itself.
  const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
  // TJFLAG_LIMITSCANS refuses progressive files with absurd scan counts, which
  // would otherwise take minutes on a few kilobytes.
  const int flags = TJFLAG_LIMITSCANS;
  const int rc = tjDecompress2(tj.handle, data, static_cast<unsigned long>(size),
                               reinterpret_cast<unsigned char*>(picture->pixels.get()), w,
                               w * 4, h, cmyk ? TJPF_CMYK : TJPF_BGRA, flags);
  // A warning (such as extraneous bytes in an otherwise whole file) still gives
  // the picture; errors do not.
  if (rc != 0 && tjGetErrorCode(tj.handle) != TJERR_WARNING) return Fail();
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
