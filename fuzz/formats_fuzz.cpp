// Feeds arbitrary bytes to the decode by content: the format sniffing, EXIF
// orientation (libexif's reading of the APP1 block, then the turn), and the
// PNG, WebP and HEIC decoders behind it, at full size and with a target.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/formats.h"
#include "imaging/picture_file.h"
#include "imaging/store.h"

namespace im = orvane::imaging;

namespace {

void WriteSeed(const std::string& name, const std::string& bytes) {
  const std::string path = std::string(std::getenv("ORVANE_FUZZ_SEEDS")) + "/" + name;
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

std::string Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, format)) return {};
  return std::string(bytes.constData(), std::size_t(bytes.size()));
}

// A little-endian EXIF block holding only the Orientation tag.
std::string ExifBlock(int orientation) {
  std::string exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24);
  exif += char(orientation);
  exif += std::string("\0\0\0\0\0\0\0", 7);
  return exif;
}

}  // namespace

// With ORVANE_FUZZ_SEEDS set to a folder, writes small pictures of each format
// there first: PNG (with and without transparency), WebP, JPEGs with each
// orientation, and the head of a HEIF file.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!std::getenv("ORVANE_FUZZ_SEEDS")) return 0;
  QImage image(23, 11, QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgba(x * 11, y * 23, 90, x * 10));
  WriteSeed("alpha.png", Encoded(image, "PNG"));
  WriteSeed("plain.png", Encoded(image.convertToFormat(QImage::Format_RGB32), "PNG"));
  WriteSeed("seed.webp", Encoded(image, "WEBP"));
  const std::string jpeg = Encoded(image.convertToFormat(QImage::Format_RGB32), "JPG");
  if (jpeg.size() > 2)
    for (int orientation = 1; orientation <= 8; ++orientation) {
      const std::string exif = ExifBlock(orientation);
      std::string segment = "\xFF\xE1";
      segment += char((exif.size() + 2) >> 8);
      segment += char((exif.size() + 2) & 0xFF);
      WriteSeed("orientation-" + std::to_string(orientation) + ".jpg",
                jpeg.substr(0, 2) + segment + exif + jpeg.substr(2));
    }
  WriteSeed("head.heic", std::string("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  im::detail::pixelLimit = 1u << 22;  // keeps each run well inside the fuzzer's memory limit
  im::SniffPictureFormat(data, size);
  im::detail::DecodePicture(data, size);
  im::detail::DecodePicture(data, size, 16, 8);
  (void)im::LastErrorReason();
  return 0;
}
