#include "core/WorkBuff.h"

#include <filesystem>
#include <system_error>

#include "imaging/gdi.h"

namespace orvane::core {

namespace im = orvane::imaging;

WorkBuff::~WorkBuff() { Release(); }

void WorkBuff::Release() {
  if (handle_ > im::kNoHandle) im::DestroyWorkBuff(handle_);
  handle_ = im::kNoHandle;
}

bool WorkBuff::InitWorkBuff(int width, int height, im::DeviceContext hDC, int flags) {
  Release();
  handle_ = im::CreateWorkBuff(width, height, hDC, flags);
  return handle_ != im::kNoHandle;
}

std::string WorkBuff::TempBitmapPath() const {
  // Without a folder the file goes to the system's temporary folder rather than
  // the file-system root.
  std::string folder = tempFolder_;
  if (folder.empty()) {
    std::error_code ec;
    folder = std::filesystem::temp_directory_path(ec).string();
    if (ec || folder.empty()) folder = "/tmp";
  }
  // A folder written with a trailing backslash gets the separator of this system.
  if (folder.back() == '\\') folder.back() = '/';
  if (folder.back() != '/') folder += '/';
  return folder + "Temp.bmp";
}

bool WorkBuff::InitWorkBuffFromFile(const std::string& fileName, im::DeviceContext hDC) {
  Release();

  im::Handle bitmap = im::kNoHandle;
  if (fileName.find(".jpg") != std::string::npos) {
    const std::string temp = TempBitmapPath();
    im::DoDecompress(fileName, temp);
    bitmap = im::LoadBitMap(temp);
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
  } else {
    bitmap = im::LoadBitMap(fileName);
  }
  if (bitmap <= im::kNoHandle) return false;

  const int width = im::GetGCBitmapWidth(bitmap);
  const int height = im::GetGCBitmapHeight(bitmap);
  handle_ = im::CreateWorkBuff(width, height, hDC, 0);
  bool loaded = false;
  if (handle_ > im::kNoHandle) {
    im::DoBlitToWork(handle_, 0, 0, bitmap, 0, 0, 0, 0, 0, 0, 0);
    loaded = true;
  }
  im::UnloadBitMap(bitmap);
  return loaded;
}

int WorkBuff::Width() const {
  return handle_ > im::kNoHandle ? im::GetGCBitmapWidth(handle_) : 0;
}

int WorkBuff::Height() const {
  return handle_ > im::kNoHandle ? im::GetGCBitmapHeight(handle_) : 0;
}

im::DeviceContext WorkBuff::hDC() const { return im::GetWorkBuffHDC(handle_); }

void WorkBuff::SetWorkBuff(const WorkBuff& source) {
  const im::Handle newHandle =
      im::CreateWorkBuff(source.Width(), source.Height(), source.hDC(), 0);
  const im::DeviceContext newDC = im::GetWorkBuffHDC(newHandle);
  if (newDC != 0) {
    im::BitBlt(newDC, 0, 0, source.Width(), source.Height(), source.hDC(), 0, 0, im::kSrcCopy);
  }
  // Only now, so that source may be this object.
  Release();
  handle_ = newHandle;
}

void WorkBuff::SavePicture(const std::string& fileName) const {
  im::SaveBitmap(fileName, handle_);
}

}  // namespace orvane::core
