#include "addset/Progress.h"

#include <unistd.h>

#include <cstdio>

namespace orvane::addset {

ThumbnailProgress StderrProgress() {
  const bool terminal = isatty(STDERR_FILENO) == 1;
  return [terminal](std::size_t done, std::size_t total, bool final) {
    if (!terminal && !final) return;
    const unsigned percent = total == 0 ? 100u : unsigned(done * 100 / total);
    // "\r" and the erase-to-end-of-line code rewrite the line in place.
    std::fprintf(stderr, "%sorvane-add-set: thumbnails %zu of %zu (%u %%)%s%s", terminal ? "\r" : "", done, total,
                 percent, terminal ? "\033[K" : "", final ? "\n" : "");
    std::fflush(stderr);
  };
}

void StderrNotice(const std::string& utf8) { std::fprintf(stderr, "orvane-add-set: %s\n", utf8.c_str()); }

}  // namespace orvane::addset
