#include "addset/Thumbnail.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "imaging/gdi.h"
#include "imaging/imaging.h"

namespace orvane::addset {

namespace im = orvane::imaging;

namespace {

// Releases a work buffer when it goes out of scope.
struct Buffer {
  explicit Buffer(im::Handle h) : handle(h) {}
  ~Buffer() {
    if (handle > im::kNoHandle) im::DestroyWorkBuff(handle);
  }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  im::Handle handle;
};

}  // namespace

ThumbnailResult MakeThumbnail(const std::string& picture, const std::string& thumbnail) {
  // JPEGs are decoded at the smallest DCT scale that still covers the box.
  const Buffer source(im::LoadWorkBuff(picture, kThumbnailWidth, kThumbnailHeight));
  if (source.handle <= im::kNoHandle) return ThumbnailResult::Unreadable;
  const int width = im::GetGCBitmapWidth(source.handle);
  const int height = im::GetGCBitmapHeight(source.handle);
  if (width <= 0 || height <= 0) return ThumbnailResult::Unreadable;

  int fitWidth = kThumbnailWidth;
  int fitHeight = static_cast<int>((static_cast<long long>(height) * kThumbnailWidth + width / 2) / width);
  if (fitHeight > kThumbnailHeight) {
    fitHeight = kThumbnailHeight;
    fitWidth = static_cast<int>((static_cast<long long>(width) * kThumbnailHeight + height / 2) / height);
  }
  fitWidth = std::clamp(fitWidth, 1, kThumbnailWidth);
  fitHeight = std::clamp(fitHeight, 1, kThumbnailHeight);

  const Buffer target(im::CreateWorkBuff(fitWidth, fitHeight, 0, 0));
  if (target.handle <= im::kNoHandle) return ThumbnailResult::NotWritten;
  const im::DeviceContext dc = im::GetWorkBuffHDC(target.handle);
  im::SetStretchBltMode(dc, im::kHalftone);
  if (!im::StretchBlt(dc, 0, 0, fitWidth, fitHeight, im::GetWorkBuffHDC(source.handle), 0, 0, width,
                      height))
    return ThumbnailResult::NotWritten;

  const std::filesystem::path path(thumbnail);
  const std::string temporary =
      (path.parent_path() / ("." + path.filename().string() + ".part")).string();
  if (!im::SaveBitmap(temporary, target.handle) ||
      std::rename(temporary.c_str(), thumbnail.c_str()) != 0) {
    unlink(temporary.c_str());
    return ThumbnailResult::NotWritten;
  }
  return ThumbnailResult::Made;
}

}  // namespace orvane::addset
