#pragma once
// One off-screen work buffer of the imaging library as an object: a picture in
// memory with a device context, loaded from image files, copied, drawn on and
// saved by the slide preparation. The object holds at most one buffer and
// destroys it when it goes.
#include <string>
#include <utility>

#include "imaging/imaging.h"

namespace orvane::core {

class WorkBuff {
 public:
  WorkBuff() = default;
  ~WorkBuff();
  WorkBuff(const WorkBuff&) = delete;
  WorkBuff& operator=(const WorkBuff&) = delete;

  // Folder for the temporary bitmap of InitWorkBuffFromFile (the settings folder).
  const std::string& TempFolder() const { return tempFolder_; }
  void SetTempFolder(std::string folder) { tempFolder_ = std::move(folder); }

  // Replaces the held buffer with a new black one; true when it was created.
  bool InitWorkBuff(int width, int height, imaging::DeviceContext hDC, int flags);
  // Replaces the held buffer with the picture of fileName. A name containing
  // ".jpg" (case-sensitive) is decoded through the temporary "Temp.bmp" in
  // TempFolder, which is deleted again before the call returns. False (and no
  // buffer held) when the picture cannot be loaded or the buffer not created.
  bool InitWorkBuffFromFile(const std::string& fileName, imaging::DeviceContext hDC);

  int Width() const;   // 0 without a buffer
  int Height() const;  // 0 without a buffer
  imaging::Handle hBMP() const { return handle_; }
  // Asked of the library anew on every call.
  imaging::DeviceContext hDC() const;

  // Makes this object a copy of source. The old buffer is destroyed only after
  // the copy, so copying an object onto itself keeps its picture.
  void SetWorkBuff(const WorkBuff& source);
  // Writes the buffer as a bitmap file; a failure is not reported.
  void SavePicture(const std::string& fileName) const;
  // Kept for the callers' sake; does nothing.
  void Clone() {}

  // Path of the temporary bitmap that InitWorkBuffFromFile decodes JPEG files to.
  std::string TempBitmapPath() const;

 private:
  void Release();

  std::string tempFolder_;
  imaging::Handle handle_ = imaging::kNoHandle;
};

}  // namespace orvane::core
