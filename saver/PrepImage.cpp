// Slide preparation: picks the next entry of the play list, reads its
// description and set files, loads the picture, fits it to the screen or lays
// it out as a panorama strip, blends the set's overlay and leaves the result in
// picStretch (and as "ssprep.bmp" in the settings folder).
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>
#include <utility>

#include "core/CompanyIni.h"
#include "core/FitRect.h"
#include "core/Globals.h"
#include "core/ImageDescription.h"
#include "core/PPS.h"
#include "core/Progress.h"
#include "core/SettingsKeys.h"
#include "core/Utils.h"
#include "imaging/formats.h"
#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "platform/events.h"
#include "platform/screen.h"
#include "platform/tick.h"
#include "platform/vbruntime.h"
#include "saver/SlideLists.h"
#include "saver/frmSaver.h"

namespace orvane::saver {

namespace keys = core::settings;
namespace im = orvane::imaging;

namespace {

constexpr int kFullColourBits = 24;
constexpr int kStepsPerSlide = 400;
constexpr int kStepsPerLowColourSlide = 900;
constexpr int kStepsOfStretch = 200;

// A size or offset as a whole number (halves to even), without the 16-bit limit.
long Whole(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<long>(std::clamp(platform::RoundHalfEven(value), -4.0e9, 4.0e9));
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

void RemoveQuietly(const std::string& file) {
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
}

// One work buffer of a preparation, destroyed with the object.
class Buffer {
 public:
  Buffer() = default;
  explicit Buffer(im::Handle handle) : handle_(handle) {}
  ~Buffer() { Reset(); }
  Buffer(Buffer&& other) noexcept : handle_(std::exchange(other.handle_, im::kNoHandle)) {}
  Buffer& operator=(Buffer&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, im::kNoHandle);
    }
    return *this;
  }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;

  bool Create(long width, long height) {
    Reset();
    if (width <= 0 || height <= 0 || width > im::kMaxDimension || height > im::kMaxDimension)
      return false;
    handle_ = im::CreateWorkBuff(int(width), int(height), 0, 0);
    return handle_ != im::kNoHandle;
  }
  // As Create, black only outside `covered`, which the caller fills whole.
  bool CreateAround(long width, long height, const core::FitRect& covered) {
    Reset();
    if (width <= 0 || height <= 0 || width > im::kMaxDimension || height > im::kMaxDimension)
      return false;
    const auto part = [](long value) {
      return int(std::clamp(value, -4L * im::kMaxDimension, 4L * im::kMaxDimension));
    };
    // In huge pages: the transition reads it a few pixels a row (columns).
    handle_ = im::CreateWorkBuffBlackOutside(int(width), int(height), part(covered.X),
                                             part(covered.Y), part(covered.Width),
                                             part(covered.Height), true);
    return handle_ != im::kNoHandle;
  }
  void Reset() {
    if (handle_ != im::kNoHandle) im::DestroyWorkBuff(handle_);
    handle_ = im::kNoHandle;
  }
  // Gives the handle up to a call that releases it.
  im::Handle Release() { return std::exchange(handle_, im::kNoHandle); }
  bool Valid() const { return handle_ != im::kNoHandle; }
  im::Handle hBMP() const { return handle_; }
  im::DeviceContext hDC() const { return im::GetWorkBuffHDC(handle_); }
  long Width() const { return Valid() ? im::GetGCBitmapWidth(handle_) : 0; }
  long Height() const { return Valid() ? im::GetGCBitmapHeight(handle_) : 0; }

 private:
  im::Handle handle_ = im::kNoHandle;
};

// How a picture of a given size becomes the slide: the slide buffer's size,
// the part of the picture used (a panorama shown still is cut to the screen's
// shape) and where that part goes in the slide buffer.
struct SlideLayout {
  long SlideWidth = 0, SlideHeight = 0;
  bool Cut = false;  // only the cut-out below is used
  long CutX = 0, CutY = 0, CutWidth = 0, CutHeight = 0;
  core::FitRect Into;  // where the (cut) picture lands in the slide buffer
  int PanStartX = 0, PanStartY = 0;
};

SlideLayout LayOut(long pictureW, long pictureH, long dispW, long dispH,
                   const std::string& panDirection, int panOrigin, bool panOn, bool stretch) {
  SlideLayout layout;
  layout.SlideWidth = dispW;
  layout.SlideHeight = dispH;
  long usedW = pictureW, usedH = pictureH;
  const bool vertical = core::IsVerticalPanorama(panDirection);
  const bool horizontal = core::IsHorizontalPanorama(panDirection);
  if ((vertical || horizontal) && panOn) {
    if (!stretch) {
      layout.SlideWidth = pictureW;
      layout.SlideHeight = pictureH;
    } else if (vertical) {
      layout.SlideHeight = Whole(double(pictureH) * (double(dispW) / double(pictureW)));
    } else {
      layout.SlideWidth = Whole(double(pictureW) * (double(dispH) / double(pictureH)));
    }
    if (StartsWith(panDirection, "Bottom"))
      layout.PanStartY = int(std::max(0L, layout.SlideHeight - dispH));
    if (StartsWith(panDirection, "Right"))
      layout.PanStartX = int(std::max(0L, layout.SlideWidth - dispW));
    // The strip is the slide: the whole picture goes over all of it.
    layout.Into = {0, 0, layout.SlideWidth, layout.SlideHeight};
    return layout;
  }
  if (vertical || horizontal) {
    // Shown still: a piece of the screen's shape, PanoramicOrigin pixels in,
    // as much of it as the picture has.
    layout.Cut = true;
    layout.CutWidth = pictureW;
    layout.CutHeight = pictureH;
    if (vertical) {
      layout.CutY = panOrigin;
      layout.CutHeight = Whole(double(pictureW) * (double(dispH) / double(dispW)));
      if (panOrigin >= 0 && panOrigin < pictureH)
        layout.CutHeight = std::min(layout.CutHeight, pictureH - panOrigin);
    } else {
      layout.CutX = panOrigin;
      layout.CutWidth = Whole(double(pictureH) * (double(dispW) / double(dispH)));
      if (panOrigin >= 0 && panOrigin < pictureW)
        layout.CutWidth = std::min(layout.CutWidth, pictureW - panOrigin);
    }
    usedW = layout.CutWidth;
    usedH = layout.CutHeight;
  }
  if (stretch) {
    layout.Into = core::FitKeepingProportions(usedW, usedH, dispW, dispH);
  } else {
    layout.Into = {Whole(double(dispW - usedW) / 2.0), Whole(double(dispH - usedH) / 2.0), usedW,
                   usedH};
  }
  return layout;
}

// Loads the picture file straight into a work buffer: nothing reads a
// temporary bitmap of it, so none is written. When the picture is shrunk to
// half its size or less both ways, a JPEG is decoded DCT-scaled to the
// smallest size that still covers the part of the slide it fills. fullW and
// fullH receive the picture's own size.
Buffer LoadSource(const std::string& file, long dispW, long dispH, const std::string& panDirection,
                  int panOrigin, bool panOn, bool stretch, long& fullW, long& fullH) {
  fullW = fullH = 0;
  return Buffer(im::LoadWorkBuffFor(file, [&](int width, int height, int& targetW, int& targetH) {
    fullW = width;
    fullH = height;
    if (!stretch) return;
    const SlideLayout layout =
        LayOut(width, height, dispW, dispH, panDirection, panOrigin, panOn, stretch);
    if (layout.Cut) return;  // cut in the picture's own pixels
    if (layout.Into.Width * 2 <= width && layout.Into.Height * 2 <= height) {
      targetW = int(layout.Into.Width);
      targetH = int(layout.Into.Height);
    }
  }));
}

// A picture the library could not read: the number the report shows. A file
// that is missing, unreadable or on a full disk says so; anything else is a
// picture that cannot be read.
int LoadErrorNumber() {
  switch (const int error = im::LastError()) {
    case im::kOutOfMemory:
    case im::kFileNotFound:
    case im::kDiskFull:
    case im::kPermissionDenied:
    case im::kPathFileAccess: return error;
    default: return im::kInvalidPicture;
  }
}

// Stretches the picture into its place in the slide in bands of rows, letting
// events run between them: input during the stretch of a large picture ends
// the show at once. False when the show ended meanwhile. Each band is computed
// as part of the whole stretch, so the result is the same as in one piece.
bool StretchInBands(im::Handle slide, long slideH, const core::FitRect& into, im::Handle source,
                    long sourceW, long sourceH) {
  // About this many source pixels are read per band.
  constexpr double kPixelsPerBand = 4.0e6;
  const double perRow = double(sourceW) * double(sourceH) / double(std::max(1L, into.Height));
  const long bandRows = std::clamp(long(kPixelsPerBand / std::max(1.0, perRow)), 1L, slideH);
  const im::DeviceContext slideDC = im::GetWorkBuffHDC(slide);
  im::SetStretchBltMode(slideDC, im::kHalftone);
  if (bandRows >= slideH) {
    im::StretchBlt(slideDC, int(into.X), int(into.Y), int(into.Width), int(into.Height),
                   im::GetWorkBuffHDC(source), 0, 0, int(sourceW), int(sourceH));
    return !core::QuitSaver;
  }
  // Only the picture's rows are stretched; the slide is black around them.
  const long first = std::max(0L, into.Y), last = std::min(slideH, into.Y + into.Height);
  for (long top = first; top < last; top += bandRows) {
    const long rows = std::min(bandRows, last - top);
    im::StretchBltRows(slideDC, int(into.X), int(into.Y), int(into.Width), int(into.Height),
                       im::GetWorkBuffHDC(source), 0, 0, int(sourceW), int(sourceH), int(top),
                       int(rows));
    platform::DoEvents();
    if (core::QuitSaver) return false;
  }
  return true;
}

}  // namespace

void frmSaver::ReportSlideFailure(const std::string& file, const std::string& location,
                                  int errorNumber) {
  // Once per file and show: an unattended show must not stop behind a box on
  // every pass over its list.
  if (!reportedFailures_.insert(file).second) return;
  // Why, on standard error in one line; the box keeps the error number.
  if (const std::string reason = im::LastErrorReason(); !reason.empty())
    std::cerr << "orvane: cannot show " << file << ": " << reason << '\n';
  core::ErrorFile = file;
  core::ErrorLocation = location;
  core::ReportLoadPictureError(errorNumber);
}

void frmSaver::LookAgainForPictures() {
  const std::string& file = SettingsFile;
  ImageDelay = ParseImageDelay(core::GetIniString(keys::kPrefsSS_Change.section, keys::kPrefsSS_Change.key,
                                                  keys::kShowDefault_PrefsSS_Change, file));
  SlideList.Clear();
  CurrentIndex = 0;
  AllSets = core::GetIniInt(keys::kPrefsSS_Random.section, keys::kPrefsSS_Random.key,
                            keys::kShowDefault_PrefsSS_Random, file) != 0;
  if (!AllSets) BuildList(false);
  if (AllSets || SlideList.Count() == 0) {
    AllSets = true;
    SlideList.Clear();
    BuildList(true);
  }
  Overlay.AllSets = AllSets;
  SetUp = true;
  TickCount = 0;
  TickStep = 1;
  DoTrans();
}

void frmSaver::FallBackToAllSets() {
  // The delay of ordinary slides: after the title slide TitleTime holds it.
  const std::int64_t delay = (TitleFile.empty() || CurrentIndex == 0) ? ImageDelay : TitleTime;
  ImageDelay = delay;
  SlideList.Clear();
  AllSets = true;
  Overlay.AllSets = true;
  platform::Randomize();
  BuildList(true);
  TitleFile.clear();
  TitleTime = delay;
  CurrentIndex = 0;
}

// Picks the next entry whose image file exists and sets CurrentIndex, EntryPath,
// EntryName and IsTitlePage. Every call counts one attempt; once the list has
// been tried entry by entry it is replaced by the list of all sets, once. False
// when nothing at all can be shown.
bool frmSaver::ChooseEntry(int& attempts, bool& fellBack) {
  const std::string scoreFile = SettingsFile;
  while (true) {
    const int count = SlideList.Count();
    const bool hasTitle = !TitleFile.empty();
    // Entries other than the title page; the title page itself is tried once.
    const int others = hasTitle ? count - 1 : count;
    if (attempts > count || (others <= 0 && !(hasTitle && CurrentIndex == 0 && count > 0))) {
      if (fellBack) return false;
      fellBack = true;
      attempts = 0;
      FallBackToAllSets();
      continue;
    }
    ++attempts;

    if (hasTitle && CurrentIndex == 0) {
      CurrentIndex = 1;
      std::swap(ImageDelay, TitleTime);
      IsTitlePage = true;
    } else if (AllSets) {
      IsTitlePage = false;
      const int first = hasTitle ? 2 : 1;
      int index;
      if (attempts == 1 || CurrentIndex < first || CurrentIndex > count) {
        index = int(platform::Int(double(platform::Rnd()) * count)) + 1;
        // A draw of the title page is drawn again, a few times, then moved on.
        for (int redraw = 0; hasTitle && index == 1 && redraw < 8; ++redraw)
          index = int(platform::Int(double(platform::Rnd()) * count)) + 1;
      } else {
        index = CurrentIndex + 1;  // after a draw that could not be shown: the next one
      }
      if (index > count) index = first;
      if (index < first) index = first;
      CurrentIndex = index;
      ImageDelay = TitleTime;
    } else {
      IsTitlePage = false;
      long next = core::GetIniInt(keys::kPrefsSS_LastImage.section, keys::kPrefsSS_LastImage.key,
                                  keys::kShowDefault_PrefsSS_LastImage, scoreFile) + 1;
      if (next > count || next < 1) next = hasTitle ? 2 : 1;
      if (next == 1 && hasTitle) next = 2;
      CurrentIndex = int(next);
      core::WriteIni(keys::kPrefsSS_LastImage.section, keys::kPrefsSS_LastImage.key,
                     std::to_string(CurrentIndex), scoreFile);
      ImageDelay = TitleTime;
    }

    const std::string& entry = SlideList.Item(CurrentIndex);
    const std::size_t separator = entry.find('\0');
    EntryPath = entry.substr(0, separator);
    EntryName = separator == std::string::npos ? std::string() : entry.substr(separator + 1);

    const std::string imagePath = ProgramFolder + EntryPath + (HasExtension(EntryPath) ? "" : ".jpg");
    if (core::FileExists(core::OpenableSetPath(imagePath))) return true;
  }
}

void frmSaver::PrepImage() {
  BusyScope busy(*this);
  // The last slide is on the screen already: its pixels here go, and the next
  // picture is decoded into their memory. Whatever the preparation leaves spare
  // goes back to the system when it ends.
  picStretch.Resize(0, 0);
  picStretch.ClearPicture();
  struct SpareMemory {
    ~SpareMemory() { im::ReleaseSpareMemory(); }
  } spareMemory;
  Overlay.SlideCounter += 1;
  Overlay.AllSets = AllSets;

  shpMeterWidth = 0;
  shpTotalWidth = 0;
  if (core::DebugMode) picMeterContainerVisible = true;
  im::SetFilterProgressCallback(&core::SaverProgressCallback1);
  im::SetProgressCallback(&core::SaverProgressCallback2);
  // Events run while the picture is read and decoded, too.
  struct LoadPolling {
    LoadPolling() { im::SetLoadProgressCallback(&core::SaverProgressCallback2); }
    ~LoadPolling() { im::SetLoadProgressCallback(nullptr); }
  } loadPolling;
  platform::DoEvents();
  core::ProgressDone = 0;
  const bool lowColour = platform::ScreenBitsPerPixel() < kFullColourBits;
  core::ProgressTotal = lowColour ? kStepsPerLowColourSlide : kStepsPerSlide;

  const int dispW = picDisp.Width();
  const int dispH = picDisp.Height();
  const std::string preparedFile = SettingsFolder + "ssj.bmp";
  const std::string convertFile = SettingsFolder + "conv.jpg";
  const std::string finalFile = SettingsFolder + "ssprep.bmp";

  int attempts = 0;
  bool fellBack = false;
  bool firstSlideLoadFailure = true;
  NothingToShow = false;

  while (true) {
    if (core::QuitSaver) return;
    if (!ChooseEntry(attempts, fellBack)) {
      // Nothing in any list can be shown: the show says so instead, and looks
      // again after a change time.
      NothingToShow = true;
      NothingSince = platform::GetTickCount();
      NothingFolder = ProgramFolder;
      const bool chosenSet = core::GetIniInt(keys::kPrefsSS_Random.section, keys::kPrefsSS_Random.key,
                                             keys::kShowDefault_PrefsSS_Random, SettingsFile) == 0;
      const std::string setFolder =
          chosenSet ? core::GetIniString("SetDescriptions", CurrentSet, "", CatalogueFile) : std::string();
      NothingFolder += setFolder;
      std::replace(NothingFolder.begin(), NothingFolder.end(), '\\', '/');
      SetUp = false;
      TickCount = 0;
      TickStep = 1;
      picMeterContainerVisible = false;
      return;
    }
    Overlay.IsTitlePage = IsTitlePage;

    const std::string imagePath =
        core::OpenableSetPath(ProgramFolder + EntryPath + (HasExtension(EntryPath) ? "" : ".jpg"));
    const std::string setFolder = core::EntrySetFolder(EntryPath);
    const std::string nfoFile = core::DescriptionFile(ProgramFolder, EntryPath);
    const std::string companyFile = ProgramFolder + setFolder + core::kCompanyIniName;

    const core::SlideDescription description = core::ReadSlideDescription(nfoFile);
    PanDirection = description.PanDirection;
    const int panOrigin = description.PanoramicOrigin;
    ImageURL = description.URL;
    const core::ShowLinks links = core::ReadShowLinks(companyFile);
    CompanyURL = links.CompanyURL;
    SetURL = links.SetURL;
    SaverURL = links.SaverURL;
    TabLinkOn = links.TabLinkOn;
    EscLinkOn = links.EscLinkOn;
    RampInTime = description.RampInTime;
    RampOutTime = description.RampOutTime;
    if (!description.Sound.empty()) {
      const std::string sound = ProgramFolder + setFolder + description.Sound;
      if (sound != SoundFile) {
        SoundFile = sound;
        SoundChanged = true;
      }
    } else {
      SoundFile.clear();
    }

    LayerSources sources{ProgramFolder, setFolder, nfoFile, companyFile};
    ChooseLayer(Overlay, sources);

    // Load the picture; one that cannot be read is reported and skipped.
    long fullW = 0, fullH = 0;
    Buffer source = LoadSource(imagePath, dispW, dispH, PanDirection, panOrigin, PanOn, Stretch,
                               fullW, fullH);
    if (core::QuitSaver) return;
    if (!source.Valid() || source.Width() <= 0 || source.Height() <= 0) {
      ReportSlideFailure(imagePath, "PrepImage:3", LoadErrorNumber());
      continue;
    }

    const SlideLayout layout =
        LayOut(fullW, fullH, dispW, dispH, PanDirection, panOrigin, PanOn, Stretch);
    const int panStartX = layout.PanStartX;
    const int panStartY = layout.PanStartY;
    long srcW = fullW;
    long srcH = fullH;
    ImageWidth = int(srcW);
    ImageHeight = int(srcH);
    const long slideW = layout.SlideWidth;
    const long slideH = layout.SlideHeight;
    if (core::IsPanoramicDirection(PanDirection) && !PanOn) PanDirection.clear();

    if (layout.Cut) {
      Buffer cut;
      if (!cut.Create(layout.CutWidth, layout.CutHeight)) {
        ReportSlideFailure(imagePath, "PrepImage:3", im::kOutOfMemory);
        continue;
      }
      im::BitBlt(cut.hDC(), 0, 0, int(layout.CutWidth), int(layout.CutHeight), source.hDC(),
                 int(layout.CutX), int(layout.CutY));
      source = std::move(cut);
      srcW = layout.CutWidth;
      srcH = layout.CutHeight;
      ImageWidth = int(srcW);
      ImageHeight = int(srcH);
    }

    // Fill the slide buffer from the picture: the same size is taken as it is;
    // one the size of its place is copied, any other stretched into its place.
    // The source buffer may be a DCT-scaled decode of the picture.
    const core::FitRect& into = layout.Into;
    const long bufferW = source.Width();
    const long bufferH = source.Height();
    // A picture enlarged to its place is smoothed as well.
    const bool smooth = Stretch && (into.Width > srcW || into.Height > srcH);
    bool smoothed = false;
    Buffer slide;
    if (slideW == bufferW && slideH == bufferH && into.Width == slideW && into.Height == slideH) {
      slide = std::move(source);
      core::ProgressTotal -= kStepsOfStretch;
      core::UpdateSaverMeter();
    } else {
      // The picture covers its place whole, copied or stretched.
      if (!slide.CreateAround(slideW, slideH, into)) {
        ReportSlideFailure(imagePath, "PrepImage:3", im::kOutOfMemory);
        continue;
      }
      if (into.Width == bufferW && into.Height == bufferH) {
        im::BitBlt(slide.hDC(), int(into.X), int(into.Y), int(bufferW), int(bufferH), source.hDC(),
                   0, 0);
        core::ProgressTotal -= kStepsOfStretch;
        core::UpdateSaverMeter();
      } else if (smooth) {
        // Stretched and filtered in one pass over the rows, in place: the
        // filter needs no memory of its own, and each row is filtered while
        // it is in the cache. Events run through the filter's progress.
        im::SetFilterParameters(1, 1, 0, 0);
        im::SetStretchBltMode(slide.hDC(), im::kHalftone);
        if (!im::StretchBltFiltered(slide.hDC(), int(into.X), int(into.Y), int(into.Width),
                                    int(into.Height), source.hDC(), 0, 0, int(bufferW),
                                    int(bufferH)))
          return;
        smoothed = true;
      } else if (!StretchInBands(slide.hBMP(), slideH, into, source.hBMP(), bufferW, bufferH)) {
        return;
      }
      // The decoded picture is used up: its memory goes back now, not after
      // the slide is saved and loaded (a 5640 x 3172 photograph holds 68 MiB).
      source.Reset();
      im::ReleaseSpareMemory();
    }
    if (core::QuitSaver) return;

    std::string location = smooth ? "PrepImage:1" : "PrepImage:2";
    if (smooth && !smoothed) {
      im::SetFilterParameters(1, 1, 0, 0);
      // In place: a pass is stopped only when the show ends, and then the
      // slide is dropped. A second slide-sized buffer was the preparation's
      // largest memory.
      im::FilterBitmapInPlace(slide.hBMP());
      if (core::QuitSaver) return;
    }

    BlendLayer(Overlay, slide.hBMP(), panStartX, panStartY, dispW, dispH, screen_.PixelRatio);
    // Saved, and kept for the load below, so it is not read back from the file.
    if (!im::SaveBitmapForLoad(preparedFile, slide.Release())) {
      // A full or read-only settings folder: said once, then the next picture.
      ReportSlideFailure(preparedFile, location, LoadErrorNumber());
      continue;
    }
    if (lowColour) {
      im::DoCompress(preparedFile, convertFile);
      if (core::QuitSaver) return;
      im::Do24To8(convertFile, preparedFile);
      if (core::QuitSaver) return;
      RemoveQuietly(convertFile);
      if (core::QuitSaver) return;
    }

    picStretch.SetAutoSize(true);
    picStretch.SetAutoRedraw(true);
    core::ErrorFile = preparedFile;
    core::ErrorLocation = location;
    // The slide's pixels become picStretch's own, not copied beside a Picture.
    const int error = picStretch.LoadSurface(preparedFile);
    if (error != im::kNoError) {
      // The first failure of a call tries another entry quietly; later ones are
      // reported before the next try.
      if (!firstSlideLoadFailure) ReportSlideFailure(preparedFile, location, error);
      firstSlideLoadFailure = false;
      continue;
    }
    break;
  }

  if (!core::QuitSaver) {
    RemoveQuietly(finalFile);
    std::error_code ignored;
    std::filesystem::rename(preparedFile, finalFile, ignored);
  }
  picMeterContainerVisible = false;
}

}  // namespace orvane::saver
