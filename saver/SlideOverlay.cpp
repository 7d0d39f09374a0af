#include "saver/SlideOverlay.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/CompanyIni.h"
#include "core/ImageDescription.h"
#include "imaging/gdi.h"
#include "platform/screen.h"

namespace orvane::saver {
namespace {

std::vector<std::string> SplitAtCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    if (comma == std::string::npos) break;
    parts.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

// CLng(Val(text)), held at the ends of the 32-bit range instead of failing; the
// level rule then keeps any large value at 100.
long LevelOf(const std::string& text) {
  const double value = platform::RoundHalfEven(platform::Val(text));
  if (std::isnan(value)) return 0;
  return static_cast<long>(std::clamp(value, double(INT32_MIN), double(INT32_MAX)));
}

std::string AsPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace

std::string PickLayer(SlideOverlayFields& fields, const std::string& files,
                      const std::string& levels, long& level, platform::RandomSource& random) {
  if (files.empty()) return {};
  const std::vector<std::string> names = SplitAtCommas(files);
  const bool hadComma = names.size() > 1;
  const std::vector<std::string> levelList =
      levels.find(',') == std::string::npos
          ? std::vector<std::string>(names.size(), levels)
          : SplitAtCommas(levels);

  if (fields.SlideCounter < fields.LayerFrequency) return {};
  fields.SlideCounter = 0;

  const int count = static_cast<int>(names.size());
  int i;
  if (fields.AllSets) {
    i = static_cast<int>(std::floor(random.Rnd() * static_cast<float>(count) + 1.0f));
    i = std::clamp(i, 1, count);
  } else {
    if (fields.LayerIndex > count || fields.LayerIndex < 1) fields.LayerIndex = 1;
    i = fields.LayerIndex;
    fields.LayerIndex += 1;
  }
  const std::size_t index = static_cast<std::size_t>(i - 1);
  if (index < levelList.size())
    level = LevelOf(levelList[index]);
  else
    level = hadComma ? 50 : LevelOf(levelList.front());
  return names[index];
}

void ChooseLayer(SlideOverlayFields& fields, const LayerSources& sources,
                 platform::RandomSource& random) {
  const core::DescriptionLayer own = core::ReadSlideLayer(sources.descriptionFile);
  if (!own.layerImage.empty()) {
    fields.LayerFile = AsPath(sources.imageSetRoot + sources.setFolder + own.layerImage);
    fields.LayerTranslucency = core::LayerLevel(own.layerTranslucency);
  } else {
    const core::SlideLayerList list = core::ReadSlideLayerList(sources.companyFile);
    fields.LayerFrequency = static_cast<int>(std::clamp(list.layerFrequency, -32768L, 32767L));
    const std::string picked =
        PickLayer(fields, list.layerImage, list.layerTranslucency, fields.LayerTranslucency, random);
    if (picked.empty()) {
      fields.LayerFile.clear();
    } else {
      fields.LayerFile = AsPath(sources.imageSetRoot + sources.setFolder + picked);
      fields.LayerTranslucency = core::LayerLevel(fields.LayerTranslucency);
    }
  }
  if (fields.IsTitlePage) fields.LayerFile.clear();
}

void BlendLayer(const SlideOverlayFields& fields, imaging::Handle bitmap, int xOffset,
                int yOffset, int dispWidth, int dispHeight, double pixelRatio) {
  if (fields.LayerFile.empty()) return;
  const std::string file = core::OpenableSetPath(fields.LayerFile);
  imaging::Handle layer = imaging::kNoHandle;
  const bool scaled = pixelRatio != 1.0 && pixelRatio > 0 && pixelRatio <= 16;
  if (!scaled) {
    layer = imaging::LoadBitMap(file);
    if (layer < 0) return;
  } else {
    // On a scaled screen the picture keeps its size on the screen: stretched
    // by the ratio (halftone), as the screen would have shown it.
    const imaging::Handle own = imaging::LoadWorkBuff(file);
    if (own < 0) return;
    const int ownW = imaging::GetGCBitmapWidth(own);
    const int ownH = imaging::GetGCBitmapHeight(own);
    layer = imaging::CreateWorkBuff(platform::ScaledLength(ownW, pixelRatio),
                                    platform::ScaledLength(ownH, pixelRatio), 0, 0);
    if (layer >= 0) {
      const imaging::DeviceContext dc = imaging::GetWorkBuffHDC(layer);
      imaging::SetStretchBltMode(dc, imaging::kHalftone);
      imaging::StretchBlt(dc, 0, 0, imaging::GetGCBitmapWidth(layer),
                          imaging::GetGCBitmapHeight(layer), imaging::GetWorkBuffHDC(own), 0, 0,
                          ownW, ownH);
    }
    imaging::DestroyWorkBuff(own);
    if (layer < 0) return;
  }
  const int w = imaging::GetGCBitmapWidth(layer);
  const int h = imaging::GetGCBitmapHeight(layer);
  const int margin = platform::ScaledLength(20, pixelRatio);
  const int x = dispWidth - w - margin + xOffset;
  const int y = dispHeight - h - margin + yOffset;
  imaging::DoBlitToWorkWOP(bitmap, x, y, layer, 0, 0, 0, 0, 1, 0,
                           static_cast<int>(fields.LayerTranslucency), 0);
  if (scaled) imaging::DestroyWorkBuff(layer);
  else imaging::UnloadBitMap(layer);
}

}  // namespace orvane::saver
