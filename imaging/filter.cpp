// The filter pass: a 3x3 weighted smoothing kernel (1 2 1 / 2 4 2 / 1 2 1, over
// 16) over the whole buffer, edges repeated. It works row by row into new
// memory, which becomes the buffer's only when complete, so a stopped pass
// leaves the buffer as it was.
#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

#include "imaging/filter_rows.h"
#include "imaging/parallel.h"
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

namespace detail {

void FilterRowSums(const std::uint32_t* row, int w, int c0, int c1, std::uint16_t* __restrict dst) {
  const auto* b = reinterpret_cast<const std::uint8_t*>(row);
  if (w == 1) {
    for (int i = 0; i < 4; ++i) dst[i] = std::uint16_t(4 * b[i]);
    return;
  }
  int x = c0;
  if (x == 0) {
    for (int i = 0; i < 4; ++i) dst[i] = std::uint16_t(3 * b[i] + b[i + 4]);
    dst += 4;
    x = 1;
  }
  const int end = c1 == w ? w - 1 : c1;
  const std::uint8_t* p = b + 4 * std::size_t(x);
  const int n = 4 * (end - x);
  for (int i = 0; i < n; ++i) dst[i] = std::uint16_t(p[i - 4] + 2 * p[i] + p[i + 4]);
  if (c1 == w) {
    const std::uint8_t* l = b + 4 * std::size_t(w - 1);
    for (int i = 0; i < 4; ++i) dst[n + i] = std::uint16_t(l[i - 4] + 3 * l[i]);
  }
}

void FilterCombine(const std::uint16_t* __restrict a, const std::uint16_t* __restrict c,
                   const std::uint16_t* __restrict b, int count, std::uint32_t* __restrict out) {
  auto* d = reinterpret_cast<std::uint8_t*>(out);
  const std::size_t n = std::size_t(count) * 4;
  for (std::size_t i = 0; i < n; ++i) d[i] = std::uint8_t((a[i] + 2u * c[i] + b[i] + 8) >> 4);
  for (int x = 0; x < count; ++x) out[x] |= kOpaque;
}

bool FilterKillRequested() { return killRequested; }
void ClearFilterKill() { killRequested = false; }

}  // namespace detail

namespace {

// Sums of the rows just outside a band, taken before any band is written
// (a pass in place: the neighbouring bands overwrite them).
struct BandEdges {
  std::vector<std::uint16_t> above, below;  // empty: read from the picture
};

// Rows [first, last) of the filtered picture into out, which may be the
// picture's own pixels: each row is read before the row above it is written.
// False when stopped: by the progress callback (only the part that has one) or
// by `stop`.
bool FilterRows(const Picture& picture, std::uint32_t* out, int first, int last,
                Progress* progress, std::atomic<bool>& stop, const BandEdges& edges) {
  const int w = picture.width, h = picture.height;
  const std::size_t n = std::size_t(w) * 4;
  // above: the row above, here: this row, below: the row below.
  std::vector<std::uint16_t> above(n), here(n), below(n);
  if (!edges.above.empty()) above = edges.above;
  else FilterRowSums(picture.Row(first > 0 ? first - 1 : 0), w, 0, w, above.data());
  FilterRowSums(picture.Row(first), w, 0, w, here.data());
  for (int y = first; y < last; ++y) {
    if (y + 1 == last && !edges.below.empty()) below = edges.below;
    else FilterRowSums(picture.Row(y + 1 < h ? y + 1 : h - 1), w, 0, w, below.data());
    FilterCombine(above.data(), here.data(), below.data(), w, out + std::size_t(y) * w);
    std::swap(above, here);
    std::swap(here, below);
    if (killRequested || stop) return false;
    if (progress && progress->Step(0, 99, y + 1 - first, last - first)) {
      stop = true;
      return false;
    }
  }
  return true;
}

bool Filter(Handle buffer, bool inPlace) {
  // Held, and checked again at the end: the progress callback may run other
  // code (pending events) that destroys the buffer meanwhile.
  const std::shared_ptr<Picture> held = Hold(buffer);
  Picture* picture = held.get();
  if (!picture) return false;
  ClearFilterKill();
  Progress progress(FilterProgress());
  const int w = picture->width, h = picture->height;
  // Every pixel is written below: no clearing first.
  Pixels out;
  if (!inPlace) {
    out = AllocatePixels(std::size_t(w) * std::size_t(h), picture->hugePages);
    if (!out) return false;
  }
  // Large pictures are filtered by a few threads, a band of rows each; the
  // calling thread's band reports the progress (the bands are of one size).
  const int parts = std::clamp(PartsFor((long long)w * h, h), 1, std::max(1, h));
  const auto bound = [&](int part) { return int((long long)h * part / parts); };
  std::vector<BandEdges> edges(static_cast<std::size_t>(parts));
  if (inPlace) {
    const std::size_t n = std::size_t(w) * 4;
    for (int part = 0; part < parts; ++part) {
      BandEdges& e = edges[std::size_t(part)];
      if (part > 0) {
        e.above.resize(n);
        FilterRowSums(picture->Row(bound(part) - 1), w, 0, w, e.above.data());
      }
      if (part + 1 < parts) {
        e.below.resize(n);
        FilterRowSums(picture->Row(bound(part + 1)), w, 0, w, e.below.data());
      }
    }
  }
  std::atomic<bool> stop{false};
  std::atomic<bool> complete{true};
  const Picture& source = *picture;
  std::uint32_t* target = inPlace ? picture->pixels.get() : out.get();
  ForRowParts(0, h, parts, [&](int part, int first, int last) {
    if (!FilterRows(source, target, first, last, part == 0 ? &progress : nullptr, stop,
                    edges[std::size_t(part)])) {
      stop = true;
      complete = false;
    }
  });
  if (!complete || killRequested || progress.Finish() || Hold(buffer) != held) return false;
  // The filtered memory becomes the buffer's; the old goes back to the pool.
  if (!inPlace) std::swap(picture->pixels, out);
  return true;
}

}  // namespace

bool FilterBitmap(Handle buffer) { return Filter(buffer, false); }

bool FilterBitmapInPlace(Handle buffer) { return Filter(buffer, true); }

}  // namespace orvane::imaging
