#pragma once
// The settings dialog's thumbnails: every image of a set has a ready-made
// thumbnail beside it (its file name with ".bmp" appended), shown at its own
// size, centred in its picture box. Two timers cycle thumbnails: the preview of
// the screen-saver set (and the About page's set), every 1500 ms, and the set
// chosen in the Edit Sets set lists, first 250 ms after the click and every
// 1500 ms after. A missing or unreadable thumbnail shows picNoThumbs' picture.
// On an 8-bit screen each thumbnail is first reduced through "tn.jpg" and
// "tn.bmp" in the settings folder.
#include <QImage>
#include <optional>
#include <string>

#include "core/ImageInfoClass.h"
#include "core/SetInfoClass.h"
#include "core/clsImageList.h"

namespace orvane::platform {
class PictureBox;
class VbListBox;
}  // namespace orvane::platform

namespace orvane::settings {

class frmKestrin;

inline constexpr int kThumbnailInterval = 1500;  // ms between thumbnails
inline constexpr int kFirstSetThumbnail = 250;   // ms from a set-list click to its first thumbnail

// The preview walk's next 1-based index: the entries cycle 1, 2, ..., count, 1.
int NextPreviewIndex(int previewIndex, int count);

// The Edit Sets walk over a set: its included images 1..n, then its excluded
// images 1..m, then again. index (1-based; 0 counts as 1) and excluded say where
// the walk is and are moved to the picture returned; nothing for a set without
// images.
std::optional<core::ImageInfoClass> EditSetsPicture(const core::SetInfoClass& set, int& index, bool& excluded);

// The placeholder for a thumbnail that cannot be shown.
QImage NoThumbnailPicture(int width, int height);

// Reduces a thumbnail to 8 bits for the screen's palette: folder & "tn.jpg",
// then folder & "tn.bmp". False when a step failed.
bool ConvertThumbnail(const std::string& thumbnailFile, const std::string& folder);

// Loads a bitmap file into box as its picture, centred at its own size. The
// error number of the failed load (53 missing file, 481 not a picture), else 0.
int ShowThumbnailFile(platform::PictureBox& box, const std::string& file);

class Thumbnails {
 public:
  // Plugs the timers' ticks and the image lists' pictures into the dialog.
  explicit Thumbnails(frmKestrin& form);

  void tmrThumbnailChanger_Timer();
  void tmrEditSetsThumbnailChanger_Timer();
  // The picture part of lstActiveImages_Click / lstInactiveImages_Click.
  void ShowImageListThumbnail(platform::VbListBox& list);
  // The picture part of lstImages_Click (the wallpaper page's picThumbNail).
  void ShowWallpaperThumbnail();

  // The list the screen-saver timer walks while the About page is shown (the
  // About page fills it); otherwise it walks the form's PreviewImages.
  core::clsImageList AboutThumbnails;

  int PreviewIndex = 0;
  int EditPreviewIndex = 0;
  bool EditPreviewExcluded = false;
  QImage picNoThumbs;

 private:
  // The 8-bit reduction or the plain load of one thumbnail into box; false
  // when it could not be shown. eightBitTemporariesKept: leave "tn.*" behind.
  bool Show(platform::PictureBox& box, const std::string& file, bool deleteTemporaries);
  void ShowNoThumbnail(platform::PictureBox& box);
  std::string ThumbnailPath(const std::string& entry) const;

  frmKestrin& form_;
};

}  // namespace orvane::settings
