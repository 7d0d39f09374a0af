#include <dlfcn.h>
#include <libheif/heif.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "imaging/formats_detail.h"
#include "imaging/io.h"

namespace orvane::imaging::detail {

namespace {

std::string Named(PictureFormat format, const std::string& what) {
  return std::string(PictureFormatName(format)) + " " + what;
}

// Refuses a size before any pixel is decoded: beyond the cap per side or in
// all, or beyond the free memory: true, with the reason set, when refused.
bool SizeRefused(PictureFormat format, int width, int height) {
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension ||
      std::size_t(width) * std::size_t(height) > pixelLimit) {
    FailWith(kInvalidPicture, Named(format, "picture of " + std::to_string(width) + " x " +
                                                std::to_string(height) +
                                                " pixels: larger than the " +
                                                std::to_string(kMaxDimension) +
                                                " pixels a side that are read"));
    return true;
  }
  // The decoder's own copy and ours.
  if (std::uint64_t(width) * std::uint64_t(height) * 8 > AvailableMemory()) {
    FailWith(kOutOfMemory, "not enough free memory for the decoded picture");
    return true;
  }
  return false;
}

void AskTarget(const TargetForSize& target, int width, int height) {
  if (!target) return;
  int ignoredWidth = 0, ignoredHeight = 0;
  target(width, height, ignoredWidth, ignoredHeight);
}

bool QtReads(const char* format) {
  return QImageReader::supportedImageFormats().contains(QByteArray(format));
}

// libheif, opened at the first HEIC picture rather than linked: linked, it
// and the codec libraries it brings (x265, aom, dav1d, de265) would be loaded
// at every start of every program, a few per cent of a whole slide's
// preparation. Never closed.
#define ORVANE_HEIF_FUNCTIONS(X)                                                      \
  X(heif_init) X(heif_have_decoder_for_format) X(heif_context_alloc) X(heif_context_free) \
  X(heif_context_read_from_memory_without_copy) X(heif_context_get_primary_image_handle) \
  X(heif_image_handle_release) X(heif_image_handle_get_width)                         \
  X(heif_image_handle_get_height) X(heif_decoding_options_alloc)                      \
  X(heif_decoding_options_free) X(heif_decode_image) X(heif_image_release)            \
  X(heif_image_get_width) X(heif_image_get_height) X(heif_image_get_plane_readonly)

struct HeifLibrary {
#define ORVANE_HEIF_POINTER(name) decltype(&::name) name = nullptr;
  ORVANE_HEIF_FUNCTIONS(ORVANE_HEIF_POINTER)
#undef ORVANE_HEIF_POINTER
  bool loaded = false;
};

const HeifLibrary& Heif() {
  static const HeifLibrary library = [] {
    HeifLibrary heif;
    void* handle = dlopen("libheif.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!handle) return heif;
    bool all = true;
#define ORVANE_HEIF_LOAD(name)                                                  \
  heif.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name)); \
  all = all && heif.name != nullptr;
    ORVANE_HEIF_FUNCTIONS(ORVANE_HEIF_LOAD)
#undef ORVANE_HEIF_LOAD
    if (all) heif.heif_init(nullptr);
    heif.loaded = all;
    return heif;
  }();
  return library;
}

struct HeifParts {
  heif_context* context = Heif().loaded ? Heif().heif_context_alloc() : nullptr;
  heif_image_handle* handle = nullptr;
  heif_decoding_options* options = nullptr;
  heif_image* image = nullptr;
  ~HeifParts() {
    if (image) Heif().heif_image_release(image);
    if (options) Heif().heif_decoding_options_free(options);
    if (handle) Heif().heif_image_handle_release(handle);
    if (context) Heif().heif_context_free(context);
  }
};

}  // namespace

bool DecoderAvailable(PictureFormat format) {
  switch (format) {
    case PictureFormat::kPng: {
      static const bool png = QtReads("png");
      return png;
    }
    case PictureFormat::kWebp: {
      static const bool webp = QtReads("webp");
      return webp;
    }
    case PictureFormat::kHeic: {
      static const bool hevc =
          Heif().loaded && Heif().heif_have_decoder_for_format(heif_compression_HEVC) != 0;
      return hevc;
    }
    default: break;
  }
  return false;
}

std::unique_ptr<Picture> DecodeWithQt(const std::uint8_t* data, std::size_t size,
                                      PictureFormat format, const TargetForSize& target) {
  const char* name = format == PictureFormat::kPng ? "png" : "webp";
  if (!DecoderAvailable(format))
    return FailWith(kInvalidPicture,
                    Named(format, format == PictureFormat::kWebp
                                      ? "pictures need Qt's image format plugins "
                                        "(qt6-image-formats-plugins), which are not installed"
                                      : "pictures cannot be read: Qt has no reader for them"));
  if (size > std::size_t(INT32_MAX)) return FailWith(kInvalidPicture, Named(format, "file too large"));
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, name);
  reader.setDecideFormatFromContent(false);
  // An EXIF orientation in the file (PNG's eXIf chunk, WebP's EXIF) is applied.
  reader.setAutoTransform(true);
  // Qt's own cap (256 MB, for the whole process) would refuse pictures that
  // our size cap takes.
  static std::once_flag limitSet;
  std::call_once(limitSet, [] {
    QImageReader::setAllocationLimit(int((std::uint64_t(pixelLimit) * 4 >> 20) + 1));
  });
  QSize own = reader.size();
  if (!own.isValid())
    return FailWith(kInvalidPicture, Named(format, "data corrupt: " + reader.errorString().toStdString()));
  if (SizeRefused(format, own.width(), own.height())) return nullptr;
  if (reader.transformation() & QImageIOHandler::TransformationRotate90) own.transpose();
  AskTarget(target, own.width(), own.height());
  QImage image;
  if (!reader.read(&image) || image.isNull())
    return FailWith(kInvalidPicture,
                    Named(format, "data corrupt or cut short: " + reader.errorString().toStdString()));
  // Transparent parts are shown over black, as the slide's background is.
  if (image.format() != QImage::Format_RGB32)
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                            : QImage::Format_RGB32);
  if (image.isNull()) return FailWith(kOutOfMemory, "not enough free memory for the decoded picture");
  auto picture = NewPictureForDecoding(image.width(), image.height());
  if (!picture) return nullptr;
  for (int y = 0; y < image.height(); ++y) {
    const auto* in = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
    std::uint32_t* out = picture->Row(y);
    for (int x = 0; x < image.width(); ++x) out[x] = in[x] | kOpaque;
  }
  return picture;
}

std::unique_ptr<Picture> DecodeHeif(const std::uint8_t* data, std::size_t size,
                                    const TargetForSize& target) {
  constexpr PictureFormat kHeic = PictureFormat::kHeic;
  if (!Heif().loaded)
    return FailWith(kInvalidPicture, Named(kHeic, "pictures need libheif (libheif1), which is not "
                                                  "installed"));
  HeifParts heif;
  if (!heif.context) return FailWith(kOutOfMemory, "not enough free memory for the decoded picture");
  heif_error error = Heif().heif_context_read_from_memory_without_copy(heif.context, data, size, nullptr);
  if (error.code == heif_error_Ok)
    error = Heif().heif_context_get_primary_image_handle(heif.context, &heif.handle);
  if (error.code != heif_error_Ok)
    return FailWith(kInvalidPicture, Named(kHeic, std::string("data corrupt: ") + error.message));
  if (!DecoderAvailable(kHeic))
    return FailWith(kInvalidPicture, Named(kHeic, "pictures need libheif's HEVC decoder, "
                                                  "which is not installed"));
  // The size as seen, the file's rotation and mirroring applied (libheif
  // applies them while decoding).
  const int width = Heif().heif_image_handle_get_width(heif.handle);
  const int height = Heif().heif_image_handle_get_height(heif.handle);
  if (SizeRefused(kHeic, width, height)) return nullptr;
  AskTarget(target, width, height);
  heif.options = Heif().heif_decoding_options_alloc();
  error = Heif().heif_decode_image(heif.handle, &heif.image, heif_colorspace_RGB,
                            heif_chroma_interleaved_RGB, heif.options);
  if (error.code != heif_error_Ok || !heif.image)
    return FailWith(kInvalidPicture,
                    Named(kHeic, std::string("data corrupt or cut short: ") + error.message));
  const int w = Heif().heif_image_get_width(heif.image, heif_channel_interleaved);
  const int h = Heif().heif_image_get_height(heif.image, heif_channel_interleaved);
  int stride = 0;
  const std::uint8_t* plane =
      Heif().heif_image_get_plane_readonly(heif.image, heif_channel_interleaved, &stride);
  if (!plane || w <= 0 || h <= 0 || stride < w * 3)
    return FailWith(kInvalidPicture, Named(kHeic, "data corrupt"));
  auto picture = NewPictureForDecoding(w, h);
  if (!picture) return nullptr;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* in = plane + std::ptrdiff_t(y) * stride;
    std::uint32_t* out = picture->Row(y);
    for (int x = 0; x < w; ++x, in += 3) out[x] = MakePixel(in[0], in[1], in[2]);
  }
  return picture;
}

}  // namespace orvane::imaging::detail
