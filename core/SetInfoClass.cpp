#include "core/SetInfoClass.h"

#include <algorithm>
#include <stdexcept>

namespace orvane::core {

std::string SetInfoClass::FolderPath(const std::string& programFolder) const {
  std::string path = programFolder;
  if (!path.empty() && path.back() != '/') path += '/';
  std::string folder = setDirectory_;
  std::replace(folder.begin(), folder.end(), '\\', '/');
  path += folder;
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

void SetInfoClass::ExcludeImage(const std::string& imageName, const std::string& fileName) {
  included_.Remove(imageName);
  excluded_.Add(ImageInfoClass(imageName, fileName), imageName);
}

void SetInfoClass::IncludeImage(const std::string& imageName, const std::string& fileName) {
  excluded_.Remove(imageName);
  included_.Add(ImageInfoClass(imageName, fileName), imageName);
}

const ImageInfoClass& SetInfoClass::At(const ImageList& images, int index) {
  if (index < 1) throw std::out_of_range("SetInfoClass: image index " + std::to_string(index));
  return images.Item(static_cast<std::size_t>(index));
}

const ImageInfoClass& SetInfoClass::IncludedImage(int index) const { return At(included_, index); }
const ImageInfoClass& SetInfoClass::ExcludedImage(int index) const { return At(excluded_, index); }

std::optional<ImageInfoClass> SetInfoClass::FindImage(const std::string& imageName) const {
  if (const ImageInfoClass* image = included_.Find(imageName)) return *image;
  if (const ImageInfoClass* image = excluded_.Find(imageName)) return *image;
  return std::nullopt;
}

std::vector<std::string> SetInfoClass::Names(const ImageList& images) {
  std::vector<std::string> names;
  names.reserve(images.Count());
  for (const ImageInfoClass& image : images) names.push_back(image.ImageName());
  return names;
}

}  // namespace orvane::core
