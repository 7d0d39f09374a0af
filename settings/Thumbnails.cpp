#include "settings/Thumbnails.h"

#include <QPainter>
#include <filesystem>

#include "core/Globals.h"
#include "core/ImageDescription.h"
#include "core/Progress.h"
#include "core/Utils.h"
#include "imaging/imaging.h"
#include "platform/events.h"
#include "platform/picturebox.h"
#include "platform/screen.h"
#include "platform/vbcontrols.h"
#include "settings/frmKestrin.h"

namespace orvane::settings {

namespace {

constexpr const char* kJpegTemporary = "tn.jpg";
constexpr const char* kBitmapTemporary = "tn.bmp";

bool EightBitScreen() { return platform::ScreenBitsPerPixel() == 8; }

void DeleteTemporaries(const std::string& folder) {
  std::error_code ec;
  std::filesystem::remove(folder + kJpegTemporary, ec);
  std::filesystem::remove(folder + kBitmapTemporary, ec);
}

}  // namespace

int NextPreviewIndex(int previewIndex, int count) {
  const int next = (previewIndex + 1) % (count + 1);
  return next == 0 ? 1 : next;
}

std::optional<core::ImageInfoClass> EditSetsPicture(const core::SetInfoClass& set, int& index, bool& excluded) {
  if (index < 1) index = 1;
  // At most a look at each list and back: a set without images ends the walk.
  for (int look = 0; look < 3; ++look) {
    const int count = excluded ? set.ExcludedCount() : set.IncludedCount();
    if (index <= count) return excluded ? set.ExcludedImage(index) : set.IncludedImage(index);
    excluded = !excluded;
    index = 1;
  }
  return std::nullopt;
}

QImage NoThumbnailPicture(int width, int height) {
  QImage picture(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  picture.setDotsPerMeterX(3780);
  picture.setDotsPerMeterY(3780);
  picture.fill(QColor(96, 96, 96));
  QPainter painter(&picture);
  painter.setPen(QColor(200, 200, 200));
  painter.drawRect(picture.rect().adjusted(4, 4, -5, -5));
  QFont font = painter.font();
  font.setPixelSize(14);
  painter.setFont(font);
  painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("No preview\navailable"));
  return picture;
}

bool ConvertThumbnail(const std::string& thumbnailFile, const std::string& folder) {
  if (!imaging::DoCompress(thumbnailFile, folder + kJpegTemporary)) return false;
  if (!imaging::Do24To8(folder + kJpegTemporary, folder + kBitmapTemporary)) return false;
  platform::DoEvents();
  return imaging::RemapBMP(folder + kBitmapTemporary, folder + kBitmapTemporary);
}

int ShowThumbnailFile(platform::PictureBox& box, const std::string& file) {
  const imaging::Handle bitmap = imaging::LoadBitMap(file);
  if (bitmap == imaging::kNoHandle) {
    const int error = imaging::LastError();
    return error != imaging::kNoError ? error : imaging::kInvalidPicture;
  }
  const QImage thumbnail = imaging::WorkBuffImage(bitmap).copy();
  imaging::UnloadBitMap(bitmap);
  if (thumbnail.isNull()) return imaging::kInvalidPicture;
  if (box.Width() < 1 || box.Height() < 1) {  // not laid out yet: nothing to centre in
    box.SetPicture(thumbnail);
    return imaging::kNoError;
  }
  // Unscaled, centred in the box on its background.
  QImage picture(std::max(box.Width(), 1), std::max(box.Height(), 1), QImage::Format_RGB32);
  picture.setDotsPerMeterX(3780);
  picture.setDotsPerMeterY(3780);
  picture.fill(box.BackColor());
  QPainter painter(&picture);
  painter.drawImage((picture.width() - thumbnail.width()) / 2, (picture.height() - thumbnail.height()) / 2, thumbnail);
  painter.end();
  box.SetPicture(picture);
  return imaging::kNoError;
}

// ----------------------------------------------------------------------------

Thumbnails::Thumbnails(frmKestrin& form) : picNoThumbs(NoThumbnailPicture(160, 120)), form_(form) {
  form_.ThumbnailTick = [this] { tmrThumbnailChanger_Timer(); };
  form_.EditSetsThumbnailTick = [this] { tmrEditSetsThumbnailChanger_Timer(); };
  form_.ImageListThumbnail = [this](platform::VbListBox& list) { ShowImageListThumbnail(list); };
  if (!form_.WallpaperThumbnail) form_.WallpaperThumbnail = [this] { ShowWallpaperThumbnail(); };
}

std::string Thumbnails::ThumbnailPath(const std::string& entry) const {
  return core::OpenableSetPath(form_.ImageSetRoot + entry + ".bmp");
}

void Thumbnails::ShowNoThumbnail(platform::PictureBox& box) {
  if (box.Width() < 1 || box.Height() < 1) {
    box.SetPicture(picNoThumbs);
    return;
  }
  QImage picture(std::max(box.Width(), 1), std::max(box.Height(), 1), QImage::Format_RGB32);
  picture.fill(box.BackColor());
  QPainter painter(&picture);
  painter.drawImage((picture.width() - picNoThumbs.width()) / 2, (picture.height() - picNoThumbs.height()) / 2,
                    picNoThumbs);
  painter.end();
  box.SetPicture(picture);
}

bool Thumbnails::Show(platform::PictureBox& box, const std::string& file, bool deleteTemporaries) {
  if (!EightBitScreen()) return ShowThumbnailFile(box, file) == imaging::kNoError;
  const std::string folder = form_.SettingsFolder;
  bool shown = ConvertThumbnail(file, folder) && ShowThumbnailFile(box, folder + kBitmapTemporary) == imaging::kNoError;
  if (deleteTemporaries) DeleteTemporaries(folder);
  return shown;
}

void Thumbnails::tmrThumbnailChanger_Timer() {
  if (!form_.isVisible()) return;
  core::QuitSaver = false;
  platform::VbPictureBox* target = form_.ThumbnailTarget;
  if (!target) return;
  const core::clsImageList& list =
      target == form_.picAboutThumbnail && form_.picAboutThumbnail ? AboutThumbnails : form_.PreviewImages;
  form_.tmrThumbnailChanger.SetInterval(kThumbnailInterval);
  if (list.Count() == 0) {
    ShowNoThumbnail(target->Box());
    return;
  }
  form_.tmrThumbnailChanger.SetEnabled(false);
  // A picture that fails gives way to the next one in the same tick, for at
  // most one pass over the list.
  bool shown = false;
  for (int tries = 0; tries < list.Count() && !shown; ++tries) {
    PreviewIndex = NextPreviewIndex(PreviewIndex, list.Count());
    const std::string file = ThumbnailPath(list.Item(PreviewIndex));
    if (!core::FileExists(file)) break;
    shown = Show(target->Box(), file, true);
    if (!EightBitScreen()) break;  // a deeper screen shows the placeholder at once
  }
  if (!shown) ShowNoThumbnail(target->Box());
  form_.tmrThumbnailChanger.SetEnabled(true);
}

void Thumbnails::tmrEditSetsThumbnailChanger_Timer() {
  form_.tmrEditSetsThumbnailChanger.SetInterval(kThumbnailInterval);
  const auto set = form_.EditPreviewSet;
  platform::VbPictureBox* target = form_.ThumbnailTarget;
  if (!set || !target) return;
  const int pictures = set->IncludedCount() + set->ExcludedCount();
  bool shown = false;
  for (int tries = 0; tries < std::max(pictures, 1) && !shown; ++tries) {
    const auto image = EditSetsPicture(*set, EditPreviewIndex, EditPreviewExcluded);
    if (!image) break;
    const std::string file = core::OpenableSetPath(set->FolderPath(form_.ImageSetRoot) + image->FileName() + ".bmp");
    ++EditPreviewIndex;
    shown = core::FileExists(file) && Show(target->Box(), file, false);
    if (!EightBitScreen()) break;
  }
  if (!shown) ShowNoThumbnail(target->Box());
}

void Thumbnails::ShowImageListThumbnail(platform::VbListBox& list) {
  if (!form_.picImageEditThumbNail) return;
  platform::PictureBox& box = form_.picImageEditThumbNail->Box();
  const int index = list.ListIndex();
  if (index < 0) return;
  const auto set = form_.LocateSet(form_.cmboEditSet->Text());
  const auto image = set ? set->FindImage(list.List(index)) : std::nullopt;
  if (!image) {
    ShowNoThumbnail(box);
    return;
  }
  const std::string file = core::OpenableSetPath(set->FolderPath(form_.ImageSetRoot) + image->FileName() + ".bmp");
  const std::string handler =
      &list == form_.lstActiveImages ? "frmKestrin.lstActiveImages_Click" : "frmKestrin.lstInactiveImages_Click";
  // A set without thumbnails is no fault: it shows the placeholder quietly.
  if (!core::FileExists(file)) {
    ShowNoThumbnail(box);
    return;
  }
  int error = imaging::kNoError;
  if (EightBitScreen()) {
    box.ClearPicture();
    const std::string folder = form_.SettingsFolder;
    if (!ConvertThumbnail(file, folder)) {
      ShowNoThumbnail(box);
      return;
    }
    core::ErrorLocation = handler + ":1";
    core::ErrorFile = folder + kBitmapTemporary;
    core::ErrorLocation = handler + ":2";
    error = ShowThumbnailFile(box, core::ErrorFile);
  } else {
    core::ErrorLocation = handler + ":3";
    core::ErrorFile = file;
    error = ShowThumbnailFile(box, file);
  }
  if (error != imaging::kNoError) {
    core::ReportLoadPictureError(error);
    ShowNoThumbnail(box);
  }
}

void Thumbnails::ShowWallpaperThumbnail() {
  if (!form_.picThumbNail) return;
  platform::PictureBox& box = form_.picThumbNail->Box();
  const std::string file = core::OpenableSetPath(form_.WPImagePath + ".bmp");
  if (!EightBitScreen()) {
    core::ErrorLocation = "frmKestrin.lstImages_Click:4";
    core::ErrorFile = file;
    if (ShowThumbnailFile(box, file) != imaging::kNoError) ShowNoThumbnail(box);
    return;
  }
  const std::string folder = form_.SettingsFolder;
  box.ClearPicture();
  if (!ConvertThumbnail(file, folder)) {
    ShowNoThumbnail(box);
    DeleteTemporaries(folder);
    return;
  }
  core::ErrorFile = folder + kBitmapTemporary;
  core::ErrorLocation = "frmKestrin.lstImages_Click:2";
  core::ErrorLocation = "frmKestrin.lstImages_Click:3";
  const int error = ShowThumbnailFile(box, core::ErrorFile);
  if (error != imaging::kNoError) core::ReportLoadPictureError(error);
  DeleteTemporaries(folder);
}

}  // namespace orvane::settings
