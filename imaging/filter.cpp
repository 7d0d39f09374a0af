// The filter pass: a 3x3 weighted smoothing kernel (1 2 1 / 2 4 2 / 1 2 1, over
// 16) over the whole buffer, edges repeated. It works row by row into new
// memory, which becomes the buffer's only when complete, so a stopped pass
// leaves the buffer as it was.
#include <atomic>
#include <utility>
#include <vector>

#include "imaging/progress.h"
#include "imaging/store.h"

namespace orvane::imaging {

using namespace detail;

namespace {
std::atomic<bool> killRequested{false};
int filterParameters[4] = {1, 1, 0, 0};
}  // namespace

void SetFilterParameters(int a, int b, int c, int d) {
  // Kept for the callers' sake: every pass uses the same kernel.
  filterParameters[0] = a;
  filterParameters[1] = b;
  filterParameters[2] = c;
  filterParameters[3] = d;
}

void KillFilter() { killRequested = true; }

bool FilterBitmap(Handle buffer) {
  // Held, and checked again at the end: the progress callback may run other
  // code (pending events) that destroys the buffer meanwhile.
  const std::shared_ptr<Picture> held = Hold(buffer);
  Picture* picture = held.get();
  if (!picture) return false;
  killRequested = false;
  Progress progress(FilterProgress());
  const int w = picture->width, h = picture->height;
  // Every pixel is written below: no clearing first.
  Pixels out = AllocatePixels(std::size_t(w) * std::size_t(h));
  if (!out) return false;
  // Horizontal 1 2 1 sums of each row, per channel (at most 4 x 255).
  std::vector<std::uint16_t> across[3];
  for (auto& row : across) row.resize(std::size_t(w) * 3);
  auto rowSums = [&](int y, std::uint16_t* dst) {
    const std::uint32_t* s = picture->Row(y);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t l = s[x > 0 ? x - 1 : 0], c = s[x], r = s[x + 1 < w ? x + 1 : w - 1];
      for (int k = 0; k < 3; ++k) {
        const int shift = 16 - 8 * k;
        dst[3 * x + k] = std::uint16_t(((l >> shift) & 255) + 2 * ((c >> shift) & 255) +
                                       ((r >> shift) & 255));
      }
    }
  };
  rowSums(0, across[0].data());
  across[1] = across[0];
  for (int y = 0; y < h; ++y) {
    // across[0]: row above, across[1]: this row, across[2]: row below.
    rowSums(y + 1 < h ? y + 1 : h - 1, across[2].data());
    const std::uint16_t *a = across[0].data(), *c = across[1].data(), *b = across[2].data();
    std::uint32_t* d = out.get() + std::size_t(y) * w;
    for (int x = 0; x < w; ++x) {
      std::uint32_t p = kOpaque;
      for (int k = 0; k < 3; ++k) {
        const unsigned v = (a[3 * x + k] + 2u * c[3 * x + k] + b[3 * x + k] + 8) >> 4;
        p |= std::uint32_t(v) << (16 - 8 * k);
      }
      d[x] = p;
    }
    std::swap(across[0], across[1]);
    std::swap(across[1], across[2]);
    if (killRequested || progress.Step(0, 99, y + 1, h)) return false;
  }
  if (killRequested || progress.Finish() || Hold(buffer) != held) return false;
  // The filtered memory becomes the buffer's; the old goes back to the pool.
  std::swap(picture->pixels, out);
  return true;
}

}  // namespace orvane::imaging
