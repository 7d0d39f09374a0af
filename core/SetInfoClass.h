#pragma once
// One image set of the catalogue: its name and folder, the flags the settings
// dialog takes from the set's "company.ini", and its included and excluded
// images, each list in insertion order and keyed by image name without regard
// to case. An image name stands in at most one of the two lists.
#include <optional>
#include <type_traits>
#include <string>
#include <utility>
#include <vector>

#include "core/ImageInfoClass.h"
#include "platform/keyedlist.h"

namespace orvane::core {

class SetInfoClass {
 public:
  bool HasTitlePage = false;   // company.ini names a title-page file
  bool UserControl = false;    // company.ini [TitlePage] userControl is not 0
  bool ShowTitlePage = false;  // the title-page entry has no leading "*"
  bool HasSound = false;       // company.ini [Sound] HasSound is not 0

  // The set's key in Orvane.ini [SetDescriptions].
  const std::string& SetName() const { return setName_; }
  void SetName(std::string name) { setName_ = std::move(name); }

  // The set's folder below the program folder as the catalogue stores it,
  // ending in a separator ("Sea\" in files authored elsewhere, "Sea/" in ours).
  const std::string& SetDirectory() const { return setDirectory_; }
  void SetDirectory(std::string folder) { setDirectory_ = std::move(folder); }

  // programFolder & SetDirectory as a folder on disk: "\" read as "/", ending
  // in "/".
  std::string FolderPath(const std::string& programFolder) const;

  // Moves the image to the excluded (included) list under imageName, taking it
  // out of the other list when it is there. When the target list already holds
  // the name (a hand-edited catalogue with the key twice), the first entry stays.
  void ExcludeImage(const std::string& imageName, const std::string& fileName);
  void IncludeImage(const std::string& imageName, const std::string& fileName);

  // Fills a list box (anything with Clear and AddItem) with the image names in
  // list order; a null pointer or a non-class argument is left alone.
  template <typename List>
  void GetIncludedImages(List&& list) const { FillList(included_, std::forward<List>(list)); }
  template <typename List>
  void GetExcludedImages(List&& list) const { FillList(excluded_, std::forward<List>(list)); }

  int IncludedCount() const { return static_cast<int>(included_.Count()); }
  int ExcludedCount() const { return static_cast<int>(excluded_.Count()); }

  // 1-based; std::out_of_range outside 1..Count.
  const ImageInfoClass& IncludedImage(int index) const;
  const ImageInfoClass& ExcludedImage(int index) const;

  // The included image of that name (without regard to case), else the excluded
  // one, else nothing. A copy, so the caller may include or exclude it at once.
  std::optional<ImageInfoClass> FindImage(const std::string& imageName) const;

  std::vector<std::string> IncludedImageNames() const { return Names(included_); }
  std::vector<std::string> ExcludedImageNames() const { return Names(excluded_); }

 private:
  using ImageList = platform::KeyedList<ImageInfoClass>;

  static std::vector<std::string> Names(const ImageList& images);
  static const ImageInfoClass& At(const ImageList& images, int index);

  template <typename List>
  static void FillList(const ImageList& images, List&& list) {
    using Target = std::remove_cvref_t<List>;
    if constexpr (std::is_pointer_v<Target>) {
      if (list) FillList(images, *list);
    } else if constexpr (requires(Target& box) {
                           box.Clear();
                           box.AddItem(std::string());
                         }) {
      list.Clear();
      for (const ImageInfoClass& image : images) list.AddItem(image.ImageName());
    } else {
      // A class without that interface is a mistake to catch here rather than a
      // list that silently stays empty.
      static_assert(!std::is_class_v<Target>,
                    "GetIncludedImages needs a list with Clear() and AddItem(std::string)");
    }
  }

  ImageList included_;
  ImageList excluded_;
  std::string setName_;
  std::string setDirectory_;
};

}  // namespace orvane::core
