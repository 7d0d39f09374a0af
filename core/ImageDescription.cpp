#include "core/ImageDescription.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>

#include "core/PPS.h"
#include "platform/folders.h"
#include "platform/regular_file.h"
#include "platform/textcodec.h"
#include "platform/vbruntime.h"

namespace orvane::core {
namespace {

// Description files are a few kilobytes; a larger file is read only this far.
constexpr std::size_t kMaxLineFileBytes = 4u << 20;

// The file's lines as Line Input returns them: split at CR LF, LF or CR.
std::vector<std::string> ReadLines(const std::string& file) {
  std::vector<std::string> lines;
  std::string bytes;
  if (!platform::ReadRegularFile(OpenableSetPath(file), kMaxLineFileBytes, bytes)) return lines;
  std::string line;
  std::size_t first = 0;
  if (platform::HasUtf8Bom(bytes)) first = 3;
  for (std::size_t i = first; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string ReadString(const std::string& section, const std::string& key,
                       const std::string& defaultValue, const std::string& file) {
  return GetIniString(section, key, defaultValue, OpenableSetPath(file));
}

long ReadInt(const std::string& section, const std::string& key, int defaultValue,
             const std::string& file) {
  return GetIniInt(section, key, defaultValue, OpenableSetPath(file));
}

DescriptionLayer ReadLayer(const std::string& section, const std::string& nfoFile) {
  DescriptionLayer layer;
  layer.layerImage = ReadString(section, "layerImage", "", nfoFile);
  if (!layer.layerImage.empty())
    layer.layerTranslucency = ReadInt(section, "layerTranslucency", 0, nfoFile);
  return layer;
}

bool IsBlank(const std::string& line) {
  return std::all_of(line.begin(), line.end(),
                     [](char c) { return c == ' ' || c == '\t'; });
}

// How many lines without "=" continue a version-2 value.
std::size_t ContinuationLimit(const std::string& key) {
  if (key == "imageTitle" || key == "imageCredit") return 1;
  if (key == "imageMore") return 2;
  if (key == "imageInfo") return std::numeric_limits<std::size_t>::max();
  return 0;
}

// CInt of a text read with Val; a value beyond the 16-bit range is held at its end
// instead of failing the slide.
int ValToInt16(const std::string& text) {
  const double value = platform::RoundHalfEven(platform::Val(text));
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::clamp(value, -32768.0, 32767.0));
}

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

std::string LanguageName(long index) {
  if (index < 1 || index > static_cast<long>(kLanguageTable.size()))
    index = kDefaultLanguageIndex;
  return kLanguageTable[static_cast<std::size_t>(index - 1)];
}

std::string OpenableSetPath(const std::string& path) {
  std::string converted = path;
  std::replace(converted.begin(), converted.end(), '\\', '/');
  return platform::ResolveCaseInsensitive(converted);
}

std::string EntrySetFolder(const std::string& entryPath) {
  const std::size_t p = entryPath.find_first_of("\\/");
  return p == std::string::npos ? std::string() : entryPath.substr(0, p + 1);
}

std::string DescriptionFile(const std::string& imageSetRoot, const std::string& entryPath) {
  return imageSetRoot + entryPath + ".nfo";
}

bool IsVerticalPanorama(const std::string& direction) {
  return direction == "TopToBottom" || direction == "BottomToTop";
}

bool IsHorizontalPanorama(const std::string& direction) {
  return direction == "LeftToRight" || direction == "RightToLeft";
}

bool IsPanoramicDirection(const std::string& direction) {
  return IsVerticalPanorama(direction) || IsHorizontalPanorama(direction);
}

DescriptionLayer ReadSlideLayer(const std::string& nfoFile) {
  return ReadLayer("LayerSS", nfoFile);
}

DescriptionLayer ReadWallpaperLayer(const std::string& nfoFile) {
  return ReadLayer("LayerWP", nfoFile);
}

SlideDescription ReadSlideDescription(const std::string& nfoFile) {
  SlideDescription d;
  d.PanDirection = ReadString("Panoramic", "PanDirection", "", nfoFile);
  d.PanoramicOrigin = ValToInt16(ReadString("Panoramic", "PanoramicOrigin", "0", nfoFile));
  d.URL = ReadString("WebLinker", "URL", "", nfoFile);
  d.RampInTime = ReadInt("sound", "soundRampInTime", 1, nfoFile);
  d.RampOutTime = ReadInt("sound", "soundRampOutTime", 1, nfoFile);
  d.Sound = ReadString("sound", "defaultsound", "", nfoFile);
  d.Layer = ReadSlideLayer(nfoFile);
  return d;
}

WallpaperDescription ReadWallpaperDescription(const std::string& nfoFile) {
  WallpaperDescription d;
  d.PanDirection = ReadString("Panoramic", "PanDirection", "", nfoFile);
  d.PanoramicOrigin = ReadInt("Panoramic", "PanoramicOrigin", 0, nfoFile);
  d.Layer = ReadWallpaperLayer(nfoFile);
  return d;
}

long LayerLevel(long stored) {
  long level = stored;
  if (level > 100) {
    // Single precision, as the stored scale has always been converted.
    const float fraction = static_cast<float>(static_cast<double>(level) / 65535.0);
    level = static_cast<long>(platform::RoundHalfEven(static_cast<double>(fraction * 100.0f)));
  } else if (level == 100) {
    level = 99;
  }
  // Levels outside 0..100 would mix more than the picture and the slide hold.
  return std::clamp(level, 0L, 100L);
}

std::string GetTitle(const std::string& fileName, const std::string& languageName) {
  const std::string needle = languageName + "=";
  for (const std::string& line : ReadLines(fileName)) {
    if (line.find(needle) == std::string::npos) continue;
    return line.substr(line.find('=') + 1);
  }
  return {};
}

std::string ReadPanelFileKey(const std::string& nfoFile, const std::string& languageName) {
  if (languageName.empty()) return {};
  return ReadString(languageName, "File", "", nfoFile);
}

std::string PanelTextFile(const std::string& imageSetRoot, const std::string& entryPath,
                          const std::string& languageName) {
  const std::string nfo = DescriptionFile(imageSetRoot, entryPath);
  const std::string file = ReadPanelFileKey(nfo, languageName);
  if (file.empty()) return nfo;
  return imageSetRoot + EntrySetFolder(entryPath) + file;
}

bool IsUtf8DescriptionFile(const std::string& file) {
  std::string head;
  return platform::ReadRegularFile(OpenableSetPath(file), 3, head) && head.size() == 3 &&
         platform::HasUtf8Bom(head);
}

std::string ReadCreditsVersion(const std::string& nfoFile) {
  return ReadString("info", "version", "1", nfoFile);
}

CreditsVersion1 ReadCreditsVersion1(const std::string& nfoFile,
                                    const std::string& creditsSection) {
  CreditsVersion1 credits;
  // An image without a name has no credits section.
  if (creditsSection.empty()) return credits;
  credits.PictureInfo = ReadString(creditsSection, "PictureInfo", kNotAvailable, nfoFile);
  credits.ImageNumber = ReadString(creditsSection, "ImageNumber", kNotAvailable, nfoFile);
  return credits;
}

PhotoCredits ReadPhotoCredits(const std::string& folder) {
  const std::string file = folder + "photo.nfo";
  PhotoCredits credits;
  credits.PrintOrder = ReadString("Info", "PrintOrder", kNotAvailable, file);
  credits.Photo = ReadString("Info", "Photo", "", file);
  return credits;
}

CreditsBlock ReadCreditsVersion2(const std::string& nfoFile, const std::string& section) {
  CreditsBlock block;
  const std::vector<std::string> lines = ReadLines(nfoFile);
  const std::string header = "[" + section + "]";
  std::size_t begin = 0;
  while (begin < lines.size() && lines[begin].find(header) == std::string::npos) ++begin;
  if (begin == lines.size()) return block;
  block.found = true;
  ++begin;
  std::size_t end = begin;
  while (end < lines.size() && lines[end].find('[') == std::string::npos) ++end;

  for (std::size_t i = begin; i < end; ++i) {
    const std::string& line = lines[i];
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    CreditsEntry entry{line.substr(0, eq), line.substr(eq + 1)};
    std::size_t more = ContinuationLimit(entry.key);
    while (more > 0 && i + 1 < end && lines[i + 1].find('=') == std::string::npos) {
      ++i;
      entry.value += lines[i] + "\r\n";
      --more;
      // A blank line after a continuation line is a separator, not more text.
      if (i + 1 < end && IsBlank(lines[i + 1])) ++i;
    }
    block.entries.push_back(std::move(entry));
  }
  return block;
}

std::vector<std::string> CollectSetSounds(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> sounds;
  std::error_code ec;
  fs::directory_iterator it(OpenableSetPath(folder), ec);
  if (ec) return sounds;
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : it) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 4 || AsciiLower(name.substr(name.size() - 4)) != ".nfo") continue;
    if (!entry.is_regular_file(ec)) continue;
    files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    const std::string sound =
        AsciiLower(GetIniString("Sound", "defaultSound", "", file.string()));
    if (sound.empty()) continue;
    if (std::find(sounds.begin(), sounds.end(), sound) == sounds.end()) sounds.push_back(sound);
  }
  return sounds;
}

}  // namespace orvane::core
