#include "settings/WallpaperBuilder.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

#include "core/FitRect.h"
#include "core/Globals.h"
#include "core/ImageDescription.h"
#include "core/PPS.h"
#include "core/Progress.h"
#include "core/SettingsKeys.h"
#include "core/Utils.h"
#include "imaging/gdi.h"
#include "imaging/formats.h"
#include "imaging/imaging.h"
#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/msgbox.h"
#include "platform/runlog.h"
#include "saver/frmSaver.h"
#include "settings/WallpaperOverlays.h"

namespace orvane::settings {

namespace keys = core::settings;
namespace im = orvane::imaging;

namespace {

constexpr int kFullColourBits = 24;
constexpr long kStepsPerWallpaper = 400;
constexpr long kStepsPerLowColourWallpaper = 900;
constexpr long kStepsOfStretch = 200;
constexpr int kKeptTopRows = 4;

constexpr const char* kStepDecompressing = "Decompressing";
constexpr const char* kStepLoading = "Loading sswpprep";
constexpr const char* kStepWorkBuff = "Creating work buff";

long Whole(double value) {
  if (std::isnan(value)) return 0;
  return long(std::clamp(platform::RoundHalfEven(value), -2.0e9, 2.0e9));
}

void RemoveQuietly(const std::string& file) {
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
}

void Mark(const WallpaperJob& job, const char* stage) {
  if (job.Stage) job.Stage(stage);
}

void Say(const StatusProc& status, const char* text) {
  if (status) status(text);
}

// One work buffer, destroyed with the object.
class Buffer {
 public:
  Buffer() = default;
  explicit Buffer(im::Handle handle) : handle_(handle) {}
  ~Buffer() { Reset(); }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  void Reset() {
    if (handle_ != im::kNoHandle) im::DestroyWorkBuff(handle_);
    handle_ = im::kNoHandle;
  }
  bool Valid() const { return handle_ != im::kNoHandle; }
  im::Handle Handle() const { return handle_; }
  im::DeviceContext hDC() const { return im::GetWorkBuffHDC(handle_); }
  int Width() const { return im::GetGCBitmapWidth(handle_); }
  int Height() const { return im::GetGCBitmapHeight(handle_); }

 private:
  im::Handle handle_ = im::kNoHandle;
};

// The picture file of an image as the slide show finds it: the catalogue name
// as it is when it has an extension, else with ".jpg"; "\" and case resolved.
std::string PictureFile(const std::string& imagePath) {
  return core::OpenableSetPath(imagePath + (saver::HasExtension(imagePath) ? "" : ".jpg"));
}

WallpaperRender Failure(const char* step) {
  WallpaperRender render;
  render.failedStep = step;
  return render;
}

}  // namespace

CropRect ClampCrop(CropRect r, int width, int height) {
  r.w = std::clamp(r.w, 0, std::max(width, 0));
  r.h = std::clamp(r.h, 0, std::max(height, 0));
  r.x = std::clamp(r.x, 0, std::max(width - r.w, 0));
  r.y = std::clamp(r.y, 0, std::max(height - r.h, 0));
  return r;
}

CropRect PanoramaCrop(int width, int height, const std::string& direction, long origin,
                      int shapeWidth, int shapeHeight) {
  CropRect r{0, 0, width, height};
  if (shapeWidth <= 0 || shapeHeight <= 0) return r;
  const long start = std::clamp(origin, -1000000000L, 1000000000L);
  if (core::IsHorizontalPanorama(direction)) {
    r.x = int(start);
    r.w = int(Whole(double(height) * shapeWidth / shapeHeight));
    if (r.w > width) {
      // Shorter than the shape: its whole length, and as much height as that allows, centred.
      r.w = width;
      r.h = int(Whole(double(width) * shapeHeight / shapeWidth));
      r.y = (height - r.h) / 2;
    }
  } else if (core::IsVerticalPanorama(direction)) {
    r.y = int(start);
    r.h = int(Whole(double(width) * shapeHeight / shapeWidth));
    if (r.h > height) {
      r.h = height;
      r.w = int(Whole(double(height) * shapeWidth / shapeHeight));
      r.x = (width - r.w) / 2;
    }
  }
  return ClampCrop(r, width, height);
}

CropRect ZoomCrop(int width, int height, int targetWidth, int targetHeight) {
  if (width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0) return {0, 0, width, height};
  // The screen's shape fitted into the picture is the centred piece that,
  // scaled up, covers the screen; within the tolerance it is the whole picture.
  const core::FitRect piece = core::FitKeepingProportions(targetWidth, targetHeight, width, height);
  return ClampCrop({int(piece.X), int(piece.Y), int(piece.Width), int(piece.Height)}, width, height);
}

WallpaperRender RenderWallpaper(const WallpaperJob& job, const StatusProc& status) {
  WallpaperRender render;
  if (!job.WallpaperOn) {
    render.ok = true;
    render.target = "(none)";
    return render;
  }
  const std::string target = job.SettingsFolder + "Orvane.bmp";
  const std::string prepared = job.SettingsFolder + "sswpprep.bmp";
  const core::WallpaperDescription description = core::ReadWallpaperDescription(job.WPImagePath + ".nfo");

  // Decode. The previous render's file goes first, so a picture that cannot be
  // decoded is never replaced by the last one.
  Mark(job, "decode");
  core::ErrorLocation = kStepDecompressing;
  Say(status, "Loading Image.");
  RemoveQuietly(prepared);
  const std::string picture = PictureFile(job.WPImagePath);
  core::ErrorFile = picture;
  if (!core::FileExists(picture)) return Failure(kStepDecompressing);

  // A panorama's still piece has the screen's shape, so stretching it to the
  // screen keeps the picture's proportions; without a known screen, the
  // preview's shape.
  const bool screenKnown = job.ScreenWidth > 0 && job.ScreenHeight > 0;
  const int shapeW = screenKnown ? job.ScreenWidth : job.PreviewWidth;
  const int shapeH = screenKnown ? job.ScreenHeight : job.PreviewHeight;

  // Where the picture's size is known before decoding (a JPEG's, upright), the
  // crop and the target tell how small the decode may be (DCT scaling).
  int fullW = 0, fullH = 0;
  const bool sizeKnown = im::PictureSize(picture, fullW, fullH);
  int decodeW = 0, decodeH = 0;
  if (sizeKnown && job.Fit2Screen && screenKnown) {
    CropRect crop = PanoramaCrop(fullW, fullH, description.PanDirection, description.PanoramicOrigin,
                                 shapeW, shapeH);
    if (crop.w == fullW && crop.h == fullH) crop = ZoomCrop(fullW, fullH, job.ScreenWidth, job.ScreenHeight);
    if (crop.w > 0 && crop.h > 0) {
      decodeW = int(std::ceil(double(fullW) * job.ScreenWidth / crop.w));
      decodeH = int(std::ceil(double(fullH) * job.ScreenHeight / crop.h));
    }
  }
  if (!im::DoDecompressScaled(picture, prepared, decodeW, decodeH)) return Failure(kStepDecompressing);

  Mark(job, "load");
  core::ErrorLocation = kStepLoading;
  core::ErrorFile = prepared;
  Buffer source(im::LoadWorkBuff(prepared));
  if (!source.Valid() || source.hDC() == 0) return Failure(kStepLoading);
  const int srcW = source.Width();
  const int srcH = source.Height();
  if (!sizeKnown) {
    fullW = srcW;
    fullH = srcH;
  }

  // The crop, in the picture's own pixels, then in the decoded ones.
  Mark(job, "stretch");
  core::ErrorLocation = kStepWorkBuff;
  CropRect crop = PanoramaCrop(fullW, fullH, description.PanDirection, description.PanoramicOrigin,
                               shapeW, shapeH);
  const bool panorama = crop.w != fullW || crop.h != fullH ||
                        core::IsPanoramicDirection(description.PanDirection);
  int targetW = crop.w, targetH = crop.h;
  if (job.Fit2Screen) {
    targetW = job.ScreenWidth;
    targetH = job.ScreenHeight;
    if (!panorama) crop = ZoomCrop(fullW, fullH, targetW, targetH);
  } else {
    core::ProgressTotal -= kStepsOfStretch;
    core::UpdatePleaseWaitMeter();
  }
  const double sx = double(srcW) / fullW;
  const double sy = double(srcH) / fullH;
  const CropRect scaled = ClampCrop({int(Whole(crop.x * sx)), int(Whole(crop.y * sy)),
                                     int(std::max(1L, Whole(crop.w * sx))), int(std::max(1L, Whole(crop.h * sy)))},
                                    srcW, srcH);

  if (targetW <= 0 || targetH <= 0 || targetW > im::kMaxDimension || targetH > im::kMaxDimension)
    return Failure(kStepWorkBuff);
  Buffer dest(im::CreateWorkBuff(targetW, targetH, 0, 0));
  if (!dest.Valid() || dest.hDC() == 0) return Failure(kStepWorkBuff);
  if (scaled.w == targetW && scaled.h == targetH) {
    im::BitBlt(dest.hDC(), 0, 0, targetW, targetH, source.hDC(), scaled.x, scaled.y, im::kSrcCopy);
  } else {
    im::SetStretchBltMode(dest.hDC(), im::kHalftone);
    im::StretchBlt(dest.hDC(), 0, 0, targetW, targetH, source.hDC(), scaled.x, scaled.y, scaled.w,
                   scaled.h, im::kSrcCopy);
  }
  im::SetFilterParameters(1, 1, 0, 0);
  source.Reset();

  // Enlarged pictures are smoothed; the top rows are kept as they were.
  if (targetW > fullW || targetH > fullH) {
    Mark(job, "filter");
    Buffer strip(im::CreateWorkBuff(targetW, kKeptTopRows, 0, 0));
    if (!strip.Valid()) return Failure(kStepWorkBuff);
    im::BitBlt(strip.hDC(), 0, 0, targetW, kKeptTopRows, dest.hDC(), 0, 0, im::kSrcCopy);
    Say(status, "Filtering Image.");
    im::FilterBitmap(dest.Handle());
    im::BitBlt(dest.hDC(), 0, 0, targetW, kKeptTopRows, strip.hDC(), 0, 0, im::kSrcCopy);
  }

  Mark(job, "overlays");
  DispCalendar(dest.Handle(), targetW, targetH, job);
  DisplayWPLayer(dest.Handle(), targetW, targetH, job);

  // Every file is written under a temporary name and renamed, so the desktop
  // never reads half a wallpaper.
  Mark(job, "save");
  if (job.BitsPerPixel < kFullColourBits) {
    const std::string converted = job.SettingsFolder + "wp.jpg";
    bool ok = im::SaveBitmap(prepared, dest.Handle());
    dest.Reset();
    Mark(job, "reduce");
    Say(status, "Conversion to 8 bit. Pass 1");
    ok = ok && im::DoCompress(prepared, converted);
    Say(status, "Conversion to 8 bit. Pass 2");
    ok = ok && im::Do24To8(converted, target);
    RemoveQuietly(converted);
    RemoveQuietly(prepared);
    if (!ok) return Failure(kStepWorkBuff);
  } else {
    const bool ok = im::SaveBitmap(target, dest.Handle());
    dest.Reset();
    if (!ok) return Failure(kStepWorkBuff);
  }
  Mark(job, "done");
  render.ok = true;
  render.target = target;
  return render;
}

bool WriteWallpaperKeys(const std::string& file, const WallpaperKeys& k, bool imageReset,
                        const platform::DateTime& now) {
  // One write of the settings file for all the keys.
  core::IniBatch batch(file);
  auto write = [&batch](const core::settings::IniKey& key, const std::string& value) {
    batch.Write(key.section, key.key, value);
  };
  auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
  if (!k.WPAutoChange) {
    if (k.Random) {
      write(keys::kPrefsWP_Random, "1");
    } else {
      write(keys::kPrefsWP_Random, "0");
      write(keys::kPrefsWP_CurrentSet, k.CurrentSet);
      write(keys::kPrefsWP_CurrentImage, k.CurrentImage);
    }
    write(keys::kPrefsWP_Stretch, std::to_string(k.Stretch));
    write(keys::kPrefsWP_Enable, flag(k.WallpaperOn));
    write(keys::kPrefsWP_Change, std::to_string(k.Change));
    write(keys::kCalendarWP_Enable, flag(k.CalendarOn));
    write(keys::kCalendarWP_Position, std::to_string(k.CalendarPosition));
    write(keys::kCalendarWP_Size, std::to_string(k.CalendarSize));
    write(keys::kPrefsWP_Sound, flag(k.SoundOn));
  } else {
    write(keys::kPrefsWP_CurrentSet, k.CurrentSet);
    write(keys::kPrefsWP_CurrentImage, k.CurrentImage);
  }
  if (imageReset) write(keys::kPrefsWP_LastChanged, platform::FormatMmmDateTime(now));
  return batch.Commit();
}

WallpaperOutcome BuildAndSetWallpaper(const WallpaperJob& job, const WallpaperKeys& keys,
                                      bool imageReset, const StatusProc& status) {
  WallpaperOutcome outcome;
  core::ProgressDone = 0;
  core::ProgressTotal = job.BitsPerPixel < kFullColourBits ? kStepsPerLowColourWallpaper : kStepsPerWallpaper;
  if (imageReset) {
    const WallpaperRender render = RenderWallpaper(job, status);
    if (!render.ok) {
      outcome.result = WallpaperResult::Failed;
      outcome.failedStep = render.failedStep;
      return outcome;
    }
    if (!platform::SetDesktopWallpaper(render.target))
      outcome.notSaved.push_back(FailedWrite(kDesktopWallpaperText, platform::DesktopSettingsFile()));
    outcome.result = WallpaperResult::Applied;
  }
  if (!WriteWallpaperKeys(job.SettingsFile, keys, imageReset, platform::Now()))
    outcome.notSaved.push_back(FailedWrite(kWallpaperSettingsText, job.SettingsFile));
  return outcome;
}

std::string WallpaperLogFile() { return platform::RunLogFile(); }

void ReportWallpaperFailure(const std::string& failedStep, bool interactive) {
  if (interactive) {
    platform::MsgBox("An Error occured while setting the wall paper.", platform::vbOKOnly, "Error");
    platform::MsgBox(failedStep, platform::vbOKOnly, QCoreApplication::applicationName().toStdString());
    return;
  }
  std::string line = "An error occurred while setting the wallpaper (" + failedStep + ")";
  if (!core::ErrorFile.empty()) line += ": " + core::ErrorFile;
  platform::ReportRunFailure(line);
}

}  // namespace orvane::settings
