#pragma once
// One image of a set: the name it is listed under and its file in the set folder.
#include <string>
#include <utility>

namespace orvane::core {

class ImageInfoClass {
 public:
  ImageInfoClass() = default;
  ImageInfoClass(std::string imageName, std::string fileName)
      : imageName_(std::move(imageName)), fileName_(std::move(fileName)) {}

  // Display name, and the image's key in its set's lists.
  const std::string& ImageName() const { return imageName_; }
  void ImageName(std::string name) { imageName_ = std::move(name); }

  // File name in the set folder as the catalogue stores it (normally without
  // extension).
  const std::string& FileName() const { return fileName_; }
  void FileName(std::string name) { fileName_ = std::move(name); }

  bool operator==(const ImageInfoClass&) const = default;

 private:
  std::string imageName_;
  std::string fileName_;
};

}  // namespace orvane::core
