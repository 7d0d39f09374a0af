#include "settings/WallpaperOverlays.h"

#include <algorithm>
#include <vector>

#include "core/CalendarClass.h"
#include "core/CompanyIni.h"
#include "core/ImageDescription.h"
#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "platform/fonts.h"
#include "platform/picturebox.h"
#include "platform/vbruntime.h"

namespace orvane::settings {

namespace keys = core::settings;
namespace im = orvane::imaging;

namespace {

constexpr int kCalendarLevel = 33;  // a third of the picture shows through the darkening
constexpr int kLayerInset = 20;

std::vector<std::string> SplitAtCommas(const std::string& text, bool& hadComma) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  hadComma = false;
  while (true) {
    const std::size_t comma = text.find(',', start);
    if (comma == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    hadComma = true;
    parts.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
}

int Whole(double value) {
  return int(std::clamp(platform::RoundHalfEven(value), -1.0e9, 1.0e9));
}

}  // namespace

void DispCalendar(im::Handle buffer, int width, int height, const WallpaperJob& job) {
  if (!job.WPCalendarOn) return;
  core::CalendarClass calendar;
  calendar.Position = job.WPCalendarPosition;
  calendar.Scale = float(job.WPCalendarSize) / 100.0f;
  calendar.SetDate(job.CalendarDate.isValid() ? job.CalendarDate : QDate::currentDate());
  int left = 0, top = 0, cw = 0, ch = 0;
  calendar.GetBounds(width, height, left, top, cw, ch);
  // A calendar can only be as large as the picture it sits on.
  cw = std::min(cw, width);
  ch = std::min(ch, height);
  if (cw <= 0 || ch <= 0) return;

  // Darken the rectangle in 4 x 4 tiles of a quarter each way (the blits clip).
  const int pw = Whole(cw / 4.0);
  const int ph = Whole(ch / 4.0);
  if (pw > 0 && ph > 0) {
    const im::Handle black = im::CreateBitMap(pw, ph, 0, 0, 0);
    if (black != im::kNoHandle) {
      for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
          im::DoBlitToWorkWOP(buffer, left + column * pw, top + row * ph, black, 0, 0, pw, ph, 1, 0,
                              kCalendarLevel, 0);
      im::UnloadBitMap(black);
    }
  }

  // The month on a surface of the colour key RGB(1, 1, 1), copied keyed.
  platform::PictureBox picHidden(cw, ch);
  platform::FontSpec font;
  font.Name = QStringLiteral("Times New Roman");
  font.Bold = true;
  font.Size = 24;
  picHidden.SetFont(font);
  picHidden.SetBackColor(QColor(1, 1, 1));
  picHidden.Cls();
  calendar.BeginDraw(picHidden, 0);
  const std::string calFile = job.SettingsFolder + "cal.bmp";
  if (!picHidden.SavePicture(calFile)) return;
  const im::Handle cal = im::LoadBitMapEx(calFile, 1, 1, 1);
  if (cal == im::kNoHandle) return;
  im::DoBlitToWork(buffer, left, top, cal, 0, 0, 0, 0, 1, 0, 0);
  im::UnloadBitMap(cal);
}

std::string NextWPLayer(const std::string& layers, const std::string& translucencies, long& level,
                        const std::string& settingsFile) {
  if (layers.empty()) return {};
  bool layerComma = false;
  const std::vector<std::string> names = SplitAtCommas(layers, layerComma);
  bool levelComma = false;
  std::vector<std::string> levels = SplitAtCommas(translucencies, levelComma);
  if (!levelComma) levels.assign(names.size(), levels.front());

  long index = core::GetIniInt(keys::kPrefsWP_WallpaperLastLayer.section,
                               keys::kPrefsWP_WallpaperLastLayer.key,
                               keys::kDialogDefault_PrefsWP_WallpaperLastLayer, settingsFile) +
               1;
  // A stored index out of range (edited by hand, or a shorter list now) starts
  // the rotation again at the first layer.
  if (index > long(names.size()) || index < 1) index = 1;
  const std::string result = names[std::size_t(index - 1)];
  if (std::size_t(index) <= levels.size()) {
    level = platform::CLng(std::clamp(platform::Val(levels[std::size_t(index - 1)]), -2.0e9, 2.0e9));
  } else {
    level = layerComma ? 50 : platform::CLng(std::clamp(platform::Val(levels.front()), -2.0e9, 2.0e9));
  }
  core::WriteIni(keys::kPrefsWP_WallpaperLastLayer.section, keys::kPrefsWP_WallpaperLastLayer.key,
                 std::to_string(index), settingsFile);
  return result;
}

void DisplayWPLayer(im::Handle buffer, int width, int height, const WallpaperJob& job) {
  const core::DescriptionLayer own = core::ReadWallpaperLayer(job.WPImagePath + ".nfo");
  std::string layer;
  long level = 0;
  if (!own.layerImage.empty()) {
    layer = job.WPSetFolder + own.layerImage;
    level = own.layerTranslucency;
  } else {
    const core::WallpaperLayerList list =
        core::ReadWallpaperLayerList(job.WPSetFolder + core::kCompanyIniName);
    layer = NextWPLayer(list.layerImage, list.layerTranslucency, level, job.SettingsFile);
    if (!layer.empty()) layer = job.WPSetFolder + layer;
  }
  if (layer.empty()) return;
  level = core::LayerLevel(level);
  const im::Handle bitmap = im::LoadBitMap(core::OpenableSetPath(layer));
  if (bitmap < 0) return;
  im::DoBlitToWorkWOP(buffer, width - im::GetGCBitmapWidth(bitmap) - kLayerInset,
                      height - im::GetGCBitmapHeight(bitmap) - kLayerInset, bitmap, 0, 0, 0, 0, 1, 0,
                      int(level), 0);
  im::UnloadBitMap(bitmap);
}

}  // namespace orvane::settings
