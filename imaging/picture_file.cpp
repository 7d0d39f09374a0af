#include "imaging/picture_file.h"

#include <sys/stat.h>

#include <optional>
#include <vector>

#include "imaging/bmp.h"
#include "imaging/io.h"
#include "imaging/jpeg.h"

namespace orvane::imaging {

namespace detail {

std::unique_ptr<Picture> DecodePicture(const std::uint8_t* data, std::size_t size,
                                       int targetWidth, int targetHeight) {
  if (LooksLikeJpeg(data, size)) return DecodeJpeg(data, size, targetWidth, targetHeight);
  if (LooksLikeBmp(data, size)) return DecodeBmp(data, size);
  SetLastError(kInvalidPicture);
  return nullptr;
}

std::unique_ptr<Picture> DecodePicture(const std::uint8_t* data, std::size_t size,
                                       const TargetForSize& target) {
  if (LooksLikeJpeg(data, size)) return DecodeJpeg(data, size, target);
  if (!LooksLikeBmp(data, size)) {
    SetLastError(kInvalidPicture);
    return nullptr;
  }
  auto picture = DecodeBmp(data, size);
  if (picture && target) {
    int ignoredWidth = 0, ignoredHeight = 0;
    target(picture->width, picture->height, ignoredWidth, ignoredHeight);
  }
  return picture;
}

namespace {

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec changed{};
  bool operator==(const FileIdentity& o) const {
    return device == o.device && inode == o.inode && size == o.size &&
           changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
  }
};

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_ctim};
}

struct WrittenPicture {
  FileIdentity identity;
  std::unique_ptr<Picture> picture;
};
std::optional<WrittenPicture> lastWritten;

}  // namespace

void RememberWrittenPicture(const std::string& path, std::unique_ptr<Picture> picture) {
  lastWritten.reset();
  const auto identity = IdentityOf(path);
  if (identity && picture) lastWritten = WrittenPicture{*identity, std::move(picture)};
}

std::unique_ptr<Picture> LoadPictureFile(const std::string& path, int targetWidth,
                                         int targetHeight) {
  if (lastWritten) {
    std::optional<WrittenPicture> written = std::move(lastWritten);
    lastWritten.reset();
    if (IdentityOf(path) == written->identity) {
      written->picture->isWorkBuffer = false;
      written->picture->colourKey.reset();
      written->picture->stretchMode = kBlackOnWhite;
      return std::move(written->picture);
    }
  }
  FileBytes bytes;
  if (!ReadWholeFile(path, bytes)) return nullptr;
  return DecodePicture(bytes.data(), bytes.size(), targetWidth, targetHeight);
}

std::unique_ptr<Picture> LoadPictureFile(const std::string& path, const TargetForSize& target) {
  FileBytes bytes;
  if (!ReadWholeFile(path, bytes)) return nullptr;
  return DecodePicture(bytes.data(), bytes.size(), target);
}

}  // namespace detail

using namespace detail;

Handle LoadBitMap(const std::string& file) {
  auto picture = LoadPictureFile(file);
  if (!picture) return kNoHandle;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

Handle LoadBitMapEx(const std::string& file, std::uint8_t red, std::uint8_t green,
                    std::uint8_t blue) {
  auto picture = LoadPictureFile(file);
  if (!picture) return kNoHandle;
  picture->colourKey = MakePixel(red, green, blue) & 0xFFFFFFu;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

Handle LoadBitMapScaled(const std::string& file, int targetWidth, int targetHeight) {
  auto picture = LoadPictureFile(file, targetWidth, targetHeight);
  if (!picture) return kNoHandle;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

Handle LoadWorkBuff(const std::string& file, int targetWidth, int targetHeight) {
  auto picture = LoadPictureFile(file, targetWidth, targetHeight);
  if (!picture) return kNoHandle;
  picture->isWorkBuffer = true;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

Handle LoadWorkBuffFor(const std::string& file, const TargetForSize& target) {
  auto picture = LoadPictureFile(file, target);
  if (!picture) return kNoHandle;
  picture->isWorkBuffer = true;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

}  // namespace orvane::imaging
