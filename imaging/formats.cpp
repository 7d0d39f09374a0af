#include "imaging/formats.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "imaging/bmp.h"
#include "imaging/formats_detail.h"
#include "imaging/imaging.h"
#include "imaging/jpeg.h"
#include "imaging/orientation.h"
#include "imaging/picture_file.h"
#include "imaging/store.h"

namespace orvane::imaging {

namespace detail {

namespace {
thread_local std::string errorReason;
}  // namespace

void SetErrorReason(std::string reason) {
  for (char& c : reason)
    if (c == '\n' || c == '\r') c = ' ';
  errorReason = std::move(reason);
}

void ClearErrorReason() { errorReason.clear(); }

std::string CurrentErrorReason() { return errorReason; }

std::unique_ptr<Picture> FailWith(int error, std::string reason) {
  SetLastError(error);
  SetErrorReason(std::move(reason));
  return nullptr;
}

std::unique_ptr<Picture> DecodeByContent(const std::uint8_t* data, std::size_t size,
                                         const TargetForSize& target) {
  ClearErrorReason();
  const PictureFormat format = SniffPictureFormat(data, size);
  switch (format) {
    case PictureFormat::kJpeg: {
      auto picture = DecodeJpegUpright(data, size, target);
      if (!picture && LastError() == kInvalidPicture)
        SetErrorReason("JPEG data corrupt or cut short");
      return picture;
    }
    case PictureFormat::kBmp: {
      auto picture = DecodeBmp(data, size);
      if (!picture) {
        if (LastError() == kInvalidPicture) SetErrorReason("BMP data corrupt or of a kind not read");
        return picture;
      }
      if (target) {
        int ignoredWidth = 0, ignoredHeight = 0;
        target(picture->width, picture->height, ignoredWidth, ignoredHeight);
      }
      return picture;
    }
    case PictureFormat::kPng:
    case PictureFormat::kWebp: return DecodeWithQt(data, size, format, target);
    case PictureFormat::kHeic: return DecodeHeif(data, size, target);
    case PictureFormat::kUnknown: break;
  }
  return FailWith(kInvalidPicture,
                  "not a picture in a format that can be read (JPEG, PNG, WebP, HEIC or BMP)");
}

}  // namespace detail

namespace {

bool Starts(const std::uint8_t* data, std::size_t size, std::size_t at, const char* text) {
  const std::size_t n = std::strlen(text);
  return size >= at + n && std::memcmp(data + at, text, n) == 0;
}

// HEIF files open with an "ftyp" box whose major brand, or one of its
// compatible brands, names a HEIF still image.
bool IsHeifBrand(const std::uint8_t* brand) {
  for (const char* b : {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs", "mif1",
                        "msf1"})
    if (std::memcmp(brand, b, 4) == 0) return true;
  return false;
}

bool LooksLikeHeif(const std::uint8_t* data, std::size_t size) {
  if (!Starts(data, size, 4, "ftyp") || size < 12) return false;
  if (IsHeifBrand(data + 8)) return true;
  const std::size_t box = (std::size_t(data[0]) << 24) | (std::size_t(data[1]) << 16) |
                          (std::size_t(data[2]) << 8) | data[3];
  const std::size_t end = std::min(box, size);
  for (std::size_t at = 16; at + 4 <= end; at += 4)
    if (IsHeifBrand(data + at)) return true;
  return false;
}

}  // namespace

PictureFormat SniffPictureFormat(const std::uint8_t* data, std::size_t size) {
  if (!data) return PictureFormat::kUnknown;
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PictureFormat::kJpeg;
  if (Starts(data, size, 0, "\x89PNG\r\n\x1a\n")) return PictureFormat::kPng;
  if (Starts(data, size, 0, "RIFF") && Starts(data, size, 8, "WEBP")) return PictureFormat::kWebp;
  if (LooksLikeHeif(data, size)) return PictureFormat::kHeic;
  if (Starts(data, size, 0, "BM")) return PictureFormat::kBmp;
  return PictureFormat::kUnknown;
}

namespace {

// Up to `size` bytes from the start of a regular file; how many were read.
std::size_t ReadHead(const std::string& path, std::uint8_t* head, std::size_t size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st {};
  std::size_t got = 0;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    while (got < size) {
      const ssize_t n = ::read(fd, head + got, size - got);
      if (n <= 0) break;
      got += std::size_t(n);
    }
  }
  ::close(fd);
  return got;
}

}  // namespace

PictureFormat SniffPictureFormat(const std::string& path) {
  std::uint8_t head[64];
  return SniffPictureFormat(head, ReadHead(path, head, sizeof head));
}

bool PictureSize(const std::string& path, int& width, int& height) {
  // The EXIF block (at most 64 KiB) and the frame header come first.
  constexpr std::size_t kHead = 256u << 10;
  std::vector<std::uint8_t> head(kHead);
  head.resize(ReadHead(path, head.data(), head.size()));
  if (SniffPictureFormat(head.data(), head.size()) != PictureFormat::kJpeg) return false;
  return detail::JpegUprightSize(head.data(), head.size(), width, height);
}

const char* PictureFormatName(PictureFormat format) {
  switch (format) {
    case PictureFormat::kJpeg: return "JPEG";
    case PictureFormat::kBmp: return "BMP";
    case PictureFormat::kPng: return "PNG";
    case PictureFormat::kWebp: return "WebP";
    case PictureFormat::kHeic: return "HEIC";
    case PictureFormat::kUnknown: break;
  }
  return "unknown";
}

bool CanDecodeFormat(PictureFormat format) {
  switch (format) {
    case PictureFormat::kJpeg:
    case PictureFormat::kBmp: return true;
    case PictureFormat::kPng:
    case PictureFormat::kWebp:
    case PictureFormat::kHeic: return detail::DecoderAvailable(format);
    case PictureFormat::kUnknown: break;
  }
  return false;
}

std::string LastErrorReason() {
  const int error = LastError();
  if (error == kNoError) return {};
  if (!detail::errorReason.empty()) return detail::errorReason;
  switch (error) {
    case kFileNotFound: return "file not found";
    case kPermissionDenied: return "permission denied";
    case kPathFileAccess: return "the file cannot be read";
    case kOutOfMemory: return "not enough free memory for the decoded picture";
    case kDiskFull: return "the disk is full";
    case kInvalidPicture: return "the picture's data is corrupt or cut short";
    default: break;
  }
  return "error " + std::to_string(error);
}

bool CheckPicture(const std::string& path, std::string& reason) {
  // Decoded as small as the decoder allows: every byte is still read and
  // checked, in a fraction of the time and memory of a full decode.
  auto picture = detail::LoadPictureFile(path, 1, 1);
  if (picture) {
    detail::SetLastError(kNoError);
    reason.clear();
    return true;
  }
  reason = LastErrorReason();
  return false;
}

}  // namespace orvane::imaging
