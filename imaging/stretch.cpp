// StretchBlt: nearest-pixel copy, or (kHalftone) an area-average resample.
// The resample is separable: each destination pixel averages the source area it
// covers, rows first, then columns, with 16-bit fixed-point weights that sum to
// exactly one, so a flat colour stays exactly flat.
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/filter_rows.h"
#include "imaging/gdi.h"
#include "imaging/parallel.h"
#include "imaging/progress.h"
#include "imaging/store.h"

namespace orvane::imaging {

using namespace detail;

namespace {

constexpr std::uint32_t kOne = 1u << 16;

// For each destination index in [first, last): the source indices it reads and
// their weights (summing to kOne).
struct Taps {
  std::vector<int> offset;  // into index/weight, one more entry than positions
  std::vector<int> index;
  std::vector<std::uint32_t> weight;
  int maxTaps = 0;
};

// Destination position i of `size` covers source [i * srcSize, (i + 1) * srcSize)
// in units of 1 / size source pixels; source pixel k covers [k * size, (k + 1) * size).
// Source indices are srcStart + k, clamped into [0, srcLimit). mirror reverses
// the direction.
Taps AreaTaps(int first, int last, long long size, int srcStart, long long srcSize,
              int srcLimit, bool mirror) {
  Taps taps;
  taps.offset.reserve(std::size_t(last - first) + 1);
  for (int i = first; i < last; ++i) {
    taps.offset.push_back(int(taps.index.size()));
    const long long pos = mirror ? size - 1 - i : i;
    const long long lo = pos * srcSize, hi = (pos + 1) * srcSize;
    const long long k0 = lo / size, k1 = (hi - 1) / size;
    const std::size_t begin = taps.index.size();
    std::uint32_t total = 0;
    std::size_t largest = begin;
    for (long long k = k0; k <= k1; ++k) {
      const long long overlap = std::min((k + 1) * size, hi) - std::max(k * size, lo);
      const std::uint32_t w = std::uint32_t(overlap * kOne / srcSize);
      taps.index.push_back(int(std::clamp<long long>(srcStart + k, 0, srcLimit - 1)));
      taps.weight.push_back(w);
      total += w;
      if (w > taps.weight[largest]) largest = taps.weight.size() - 1;
    }
    taps.weight[largest] += kOne - total;  // rounding remainder
    taps.maxTaps = std::max(taps.maxTaps, int(taps.index.size() - begin));
  }
  taps.offset.push_back(int(taps.index.size()));
  return taps;
}

// The same taps laid out densely for the row pass: every position reads
// `stride` consecutive source pixels from `start`, weights 0 where it has none,
// so the inner loop has a fixed length the compiler can unroll.
struct DenseTaps {
  int stride = 0;
  std::vector<int> start;
  std::vector<std::uint32_t> weight;  // stride per position
};

DenseTaps Densify(const Taps& taps, int srcLimit) {
  DenseTaps dense;
  const std::size_t positions = taps.offset.size() - 1;
  dense.stride = std::min(taps.maxTaps, srcLimit);
  dense.start.resize(positions);
  dense.weight.assign(positions * std::size_t(dense.stride), 0);
  for (std::size_t i = 0; i < positions; ++i) {
    int lowest = srcLimit;
    for (int t = taps.offset[i]; t < taps.offset[i + 1]; ++t)
      lowest = std::min(lowest, taps.index[std::size_t(t)]);
    // Clamped indices of one position span at most `stride` pixels.
    const int start = std::clamp(lowest, 0, srcLimit - dense.stride);
    dense.start[i] = start;
    for (int t = taps.offset[i]; t < taps.offset[i + 1]; ++t)
      dense.weight[i * std::size_t(dense.stride) + std::size_t(taps.index[std::size_t(t)] - start)] +=
          taps.weight[std::size_t(t)];
  }
  return dense;
}

template <int kStride>
void ResampleRow(const std::uint32_t* __restrict s, const DenseTaps& taps, int positions,
                 std::uint32_t* __restrict out) {
  const int stride = kStride > 0 ? kStride : taps.stride;
  const int* start = taps.start.data();
  const std::uint32_t* weight = taps.weight.data();
  for (int i = 0; i < positions; ++i, out += 3, weight += stride) {
    const std::uint32_t* p = s + start[i];
    std::uint32_t r = 0, g = 0, b = 0;
    for (int t = 0; t < stride; ++t) {
      const std::uint32_t v = p[t], w = weight[t];
      r += ((v >> 16) & 255) * w;
      g += ((v >> 8) & 255) * w;
      b += (v & 255) * w;
    }
    out[0] = (r + 128) >> 8;
    out[1] = (g + 128) >> 8;
    out[2] = (b + 128) >> 8;
  }
}

// Source index of each destination position, sampled at pixel centres.
std::vector<int> NearestTaps(int first, int last, long long size, int srcStart,
                             long long srcSize, int srcLimit, bool mirror) {
  std::vector<int> out;
  out.reserve(std::size_t(last - first));
  for (int i = first; i < last; ++i) {
    const long long pos = mirror ? size - 1 - i : i;
    const long long k = (2 * pos + 1) * srcSize / (2 * size);
    out.push_back(int(std::clamp<long long>(srcStart + k, 0, srcLimit - 1)));
  }
  return out;
}

// Rows of the source resampled across, in 8.8 fixed point per channel, kept
// for the few rows that consecutive destination rows share.
class RowCache {
 public:
  RowCache(const Picture& src, const DenseTaps& columns, int slots)
      : src_(src), columns_(columns), width_(int(columns.start.size())) {
    slots_.resize(std::size_t(slots));
    for (Slot& s : slots_) s.data.resize(std::size_t(width_) * 3);
  }

  const std::uint32_t* Get(int row) {
    Slot* victim = &slots_[0];
    for (Slot& s : slots_) {
      if (s.row == row) {
        s.used = ++clock_;
        return s.data.data();
      }
      if (s.used < victim->used) victim = &s;
    }
    Fill(row, victim->data.data());
    victim->row = row;
    victim->used = ++clock_;
    return victim->data.data();
  }

 private:
  struct Slot {
    int row = -1;
    unsigned long long used = 0;
    std::vector<std::uint32_t> data;
  };

  void Fill(int row, std::uint32_t* out) const {
    const std::uint32_t* s = src_.Row(row);
    switch (columns_.stride) {
      case 1: return ResampleRow<1>(s, columns_, width_, out);
      case 2: return ResampleRow<2>(s, columns_, width_, out);
      case 3: return ResampleRow<3>(s, columns_, width_, out);
      case 4: return ResampleRow<4>(s, columns_, width_, out);
      case 5: return ResampleRow<5>(s, columns_, width_, out);
      default: return ResampleRow<0>(s, columns_, width_, out);
    }
  }

  const Picture& src_;
  const DenseTaps& columns_;
  int width_;
  std::vector<Slot> slots_;
  unsigned long long clock_ = 0;
};


// One stretch worked out: the destination rectangle's columns i0 <= i < i1 and
// rows j0 <= j < j1 (those inside the destination buffer, and the band asked
// for) go to buffer column dx + i and row dy + j.
struct StretchPlan {
  Picture* to = nullptr;
  const Picture* from = nullptr;
  std::unique_ptr<Picture> snapshot;  // the source, when stretching within one buffer
  long long dx = 0, dy = 0, i0 = 0, i1 = 0, j0 = 0, j1 = 0;
  bool halftone = false;
  std::vector<int> nearColumns, nearRows;
  Taps rowTaps;
  DenseTaps denseColumns;
  bool Empty() const { return i0 >= i1 || j0 >= j1; }
  int Columns() const { return int(i1 - i0); }
};

// False for arguments that cannot be stretched (or no memory for a copy).
bool Plan(DeviceContext dst, int x, int y, int width, int height, DeviceContext src, int srcX,
          int srcY, int srcWidth, int srcHeight, int firstRow, int rows, unsigned rop,
          StretchPlan& plan) {
  Picture* to = FindByDC(dst);
  const Picture* from = FindByDC(src);
  if (!to || !from || rop != kSrcCopy) return false;
  plan.to = to;
  plan.from = from;
  if (width == 0 || height == 0 || srcWidth == 0 || srcHeight == 0) return true;

  // A negative extent on one side only mirrors the picture along that axis.
  long long dx = x, dy = y, w = width, h = height;
  long long sx = srcX, sy = srcY, sw = srcWidth, sh = srcHeight;
  const bool mirrorX = (w < 0) != (sw < 0), mirrorY = (h < 0) != (sh < 0);
  if (w < 0) dx += w, w = -w;
  if (h < 0) dy += h, h = -h;
  if (sw < 0) sx += sw, sw = -sw;
  if (sh < 0) sy += sh, sh = -sh;
  if (sx < -kMaxDimension || sy < -kMaxDimension || sx > kMaxDimension ||
      sy > kMaxDimension || sw > 4LL * kMaxDimension || sh > 4LL * kMaxDimension)
    return false;

  // Only the destination pixels inside the buffer are computed.
  const long long i0 = std::max(0LL, -dx), i1 = std::min(w, (long long)to->width - dx);
  // Rows outside the band asked for are not computed either; every row is
  // computed alike whatever the band, so bands add up to the whole stretch.
  const long long bandTop = std::max(0LL, (long long)firstRow);
  const long long bandBottom = std::min((long long)to->height, (long long)firstRow + rows);
  const long long j0 = std::max(0LL, bandTop - dy), j1 = std::min(h, bandBottom - dy);
  plan.dx = dx, plan.dy = dy, plan.i0 = i0, plan.i1 = i1, plan.j0 = j0, plan.j1 = j1;
  if (plan.Empty()) return true;

  // Stretching within one buffer reads from a copy of it.
  if (to == from) {
    plan.snapshot = NewPictureForDecoding(from->width, from->height);
    if (!plan.snapshot) return false;
    std::memcpy(plan.snapshot->pixels.get(), from->pixels.get(),
                std::size_t(from->width) * from->height * 4);
    plan.from = plan.snapshot.get();
  }
  from = plan.from;
  plan.halftone = to->stretchMode == kHalftone;
  if (!plan.halftone) {
    plan.nearColumns = NearestTaps(int(i0), int(i1), w, int(sx), sw, from->width, mirrorX);
    plan.nearRows = NearestTaps(int(j0), int(j1), h, int(sy), sh, from->height, mirrorY);
    return true;
  }
  const Taps colTaps = AreaTaps(int(i0), int(i1), w, int(sx), sw, from->width, mirrorX);
  plan.rowTaps = AreaTaps(int(j0), int(j1), h, int(sy), sh, from->height, mirrorY);
  plan.denseColumns = Densify(colTaps, from->width);
  return true;
}

// Makes the stretched rows of a plan, one thread's worth: it keeps the source
// rows resampled across that consecutive rows share.
class RowMaker {
 public:
  explicit RowMaker(const StretchPlan& plan) : plan_(plan) {
    if (!plan.halftone) return;
    cache_.emplace(*plan.from, plan.denseColumns, 3);
    sum_.resize(std::size_t(plan.Columns()) * 3);
  }

  // Row j (j0 <= j < j1) of the destination rectangle, its columns i0 <= i < i1,
  // into d.
  void Make(long long j, std::uint32_t* __restrict d) {
    const StretchPlan& p = plan_;
    const int cols = p.Columns();
    const std::size_t r = std::size_t(j - p.j0);
    if (!p.halftone) {
      const std::uint32_t* s = p.from->Row(p.nearRows[r]);
      const int* taps = p.nearColumns.data();
      for (int i = 0; i < cols; ++i) d[i] = s[taps[i]];
      return;
    }
    std::fill(sum_.begin(), sum_.end(), 0u);
    for (int t = p.rowTaps.offset[r]; t < p.rowTaps.offset[r + 1]; ++t) {
      const std::uint32_t* __restrict line = cache_->Get(p.rowTaps.index[std::size_t(t)]);
      const std::uint32_t wt = p.rowTaps.weight[std::size_t(t)];
      std::uint32_t* __restrict acc = sum_.data();
      const int n = cols * 3;
      for (int k = 0; k < n; ++k) acc[k] += line[k] * wt;
    }
    const std::uint32_t* acc = sum_.data();
    constexpr std::uint32_t kHalf = 1u << 23;
    for (int i = 0; i < cols; ++i, acc += 3)
      d[i] = kOpaque | (((acc[0] + kHalf) >> 24) << 16) | (((acc[1] + kHalf) >> 24) << 8) |
             ((acc[2] + kHalf) >> 24);
  }

 private:
  const StretchPlan& plan_;
  std::optional<RowCache> cache_;
  std::vector<std::uint32_t> sum_;
};

}  // namespace

int SetStretchBltMode(DeviceContext dc, int mode) {
  Picture* p = PeekBuffer(HandleOfDC(dc));
  if (!p) return 0;
  const int previous = p->stretchMode;
  if (mode >= kBlackOnWhite && mode <= kHalftone) p->stretchMode = mode;
  return previous;
}

bool StretchBlt(DeviceContext dst, int x, int y, int width, int height, DeviceContext src,
                int srcX, int srcY, int srcWidth, int srcHeight, unsigned rop) {
  return StretchBltRows(dst, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, 0, INT_MAX,
                        rop);
}

bool StretchBltRows(DeviceContext dst, int x, int y, int width, int height, DeviceContext src,
                    int srcX, int srcY, int srcWidth, int srcHeight, int firstRow, int rows,
                    unsigned rop) {
  StretchPlan plan;
  if (!Plan(dst, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, firstRow, rows, rop,
            plan))
    return false;
  if (plan.Empty()) return true;
  // Large stretches are shared between a few threads, a band of rows each.
  const long long cols = plan.Columns();
  const int parts =
      PartsFor((plan.j1 - plan.j0) * cols + (long long)plan.from->width * plan.from->height,
               plan.j1 - plan.j0);
  ForRowParts(int(plan.j0), int(plan.j1), parts, [&](int, int first, int last) {
    RowMaker maker(plan);
    for (long long j = first; j < last; ++j)
      maker.Make(j, plan.to->Row(int(plan.dy + j)) + (plan.dx + plan.i0));
  });
  return true;
}

bool StretchBltFiltered(DeviceContext dst, int x, int y, int width, int height, DeviceContext src,
                        int srcX, int srcY, int srcWidth, int srcHeight) {
  // Held, and checked again at the end: the progress callback may run other
  // code (pending events) that destroys a buffer meanwhile.
  const std::shared_ptr<Picture> heldTo = Hold(HandleFromDC(dst));
  const std::shared_ptr<Picture> heldFrom = Hold(HandleFromDC(src));
  StretchPlan plan;
  if (!heldTo || !heldFrom || FindByDC(dst) != heldTo.get() ||
      !Plan(dst, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, 0, INT_MAX, kSrcCopy,
            plan))
    return false;
  Picture& to = *plan.to;
  const int W = to.width, H = to.height;
  ClearFilterKill();
  Progress progress(FilterProgress());
  // The stretched rows and columns of the buffer; the filter changes these and
  // the pixels right beside them only, since it keeps black black.
  const long long top = plan.dy + plan.j0, bottom = plan.dy + plan.j1;
  const long long left = plan.dx + plan.i0, right = plan.dx + plan.i1;
  const int first = int(std::max(0LL, top - 1)), last = int(std::min<long long>(H, bottom + 1));
  const int c0 = int(std::max(0LL, left - 1)), c1 = int(std::min<long long>(W, right + 1));
  if (plan.Empty() || first >= last || c0 >= c1) return !progress.Finish();
  const int n = c1 - c0;
  const std::vector<std::uint32_t> black(std::size_t(W), kOpaque);

  std::atomic<bool> stop{false};
  std::atomic<bool> complete{true};
  const int parts = PartsFor((long long)(last - first) * n +
                                 (long long)plan.from->width * plan.from->height,
                             last - first);
  // Each part stretches its own rows into the buffer just before it needs them
  // and filters them in place behind itself, so every row is read while it is
  // in the cache. The rows beside a part belong to its neighbours, which
  // filter them meanwhile: they are stretched again into a row of its own.
  ForRowParts(first, last, parts, [&](int part, int begin, int end) {
    RowMaker maker(plan);
    std::vector<std::uint32_t> beside(std::size_t(W), kOpaque);
    std::vector<std::uint16_t> above(std::size_t(n) * 4), here(above.size()), below(above.size());
    // The sums of buffer row r as stretched, before its filtering.
    const auto sums = [&](int r, std::vector<std::uint16_t>& out) {
      const std::uint32_t* row = black.data();
      if (r >= top && r < bottom) {
        if (r >= begin && r < end) {
          maker.Make(r - plan.dy, to.Row(r) + left);
          row = to.Row(r);
        } else {
          maker.Make(r - plan.dy, beside.data() + left);
          row = beside.data();
        }
      }
      FilterRowSums(row, W, c0, c1, out.data());
    };
    // The edge rows repeat.
    sums(begin, here);
    if (begin > 0) sums(begin - 1, above);
    else above = here;
    Progress* own = part == 0 ? &progress : nullptr;
    for (int y = begin; y < end; ++y) {
      if (y + 1 < H) sums(y + 1, below);
      else below = here;
      FilterCombine(above.data(), here.data(), below.data(), n, to.Row(y) + c0);
      std::swap(above, here);
      std::swap(here, below);
      if (FilterKillRequested() || stop) {
        complete = false;
        return;
      }
      if (own && own->Step(0, 99, y + 1 - begin, end - begin)) {
        stop = true;
        complete = false;
        return;
      }
    }
  });
  return complete && !FilterKillRequested() && !progress.Finish() &&
         Hold(HandleFromDC(dst)) == heldTo;
}

}  // namespace orvane::imaging
