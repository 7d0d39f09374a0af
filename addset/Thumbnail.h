#pragma once
// Thumbnails for the settings dialog's lists, made through the imaging library
// on every core.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace orvane::addset {

constexpr int kThumbnailWidth = 160;
constexpr int kThumbnailHeight = 120;

enum class ThumbnailResult { Made, Unreadable, NotWritten };

// Writes a 24-bit bitmap of the picture, fitted into 160 x 120 with its
// proportions kept, to thumbnail: first under the short name scratch (in the
// same folder, so that no temporary name grows with the picture's; "" for one
// of this process's own there), then renamed. Nothing is written when the
// picture cannot be read or the file cannot be written. Safe to call from
// several threads at once, each with a scratch name of its own. reason, when
// given, is told why a picture cannot be read.
ThumbnailResult MakeThumbnail(const std::string& picture, const std::string& thumbnail,
                              const std::string& scratch = "", std::string* reason = nullptr);

struct ThumbnailJob {
  std::string picture, thumbnail;
  ThumbnailResult result = ThumbnailResult::NotWritten;
  std::string reason;  // why the picture cannot be read
};

// Called with the number of thumbnails done so far and the number in all, a few
// times a second while they are made and once with final set at the end.
using ThumbnailProgress = std::function<void(std::size_t done, std::size_t total, bool final)>;

// Makes every job's thumbnail on a pool of threads, one per core; the
// temporary files are ".orvane-tmp-<pid>-<n>.bmp" in scratchFolder (ends in "/").
void MakeThumbnails(std::vector<ThumbnailJob>& jobs, const std::string& scratchFolder,
                    const ThumbnailProgress& progress);

// The prefix of the temporary names: any such file in a set folder is left
// over from a run that was cut short.
inline constexpr const char* kScratchPrefix = ".orvane-tmp-";

}  // namespace orvane::addset
