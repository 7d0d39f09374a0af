// Colour reduction: a median-cut palette over a 5-bit-per-channel histogram
// (each box split where it best separates its colours), then Floyd-Steinberg
// error diffusion in serpentine order.
#include "imaging/quantize.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace orvane::imaging::detail {

namespace {

constexpr int kBits = 5;
constexpr int kSide = 1 << kBits;
constexpr int kCells = kSide * kSide * kSide;

int CellIndex(int r, int g, int b) { return (r << (2 * kBits)) | (g << kBits) | b; }

struct Cell {
  std::uint64_t count = 0;
  std::uint64_t sum[3] = {0, 0, 0};
};

struct Box {
  int lo[3], hi[3];  // inclusive cell ranges
  std::uint64_t count = 0;
  double error = 0;  // spread of the box's colours, the split priority
};

class MedianCut {
 public:
  explicit MedianCut(const Picture& picture) : cells_(kCells) {
    for (int y = 0; y < picture.height; ++y) {
      const std::uint32_t* row = picture.Row(y);
      for (int x = 0; x < picture.width; ++x) {
        const std::uint32_t p = row[x];
        const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
        Cell& c = cells_[CellIndex(r >> 3, g >> 3, b >> 3)];
        ++c.count;
        c.sum[0] += r;
        c.sum[1] += g;
        c.sum[2] += b;
      }
    }
  }

  std::vector<std::uint32_t> Palette(int colours) {
    std::vector<Box> boxes;
    Box all{{0, 0, 0}, {kSide - 1, kSide - 1, kSide - 1}};
    if (!Shrink(all)) return {0};
    boxes.push_back(all);
    while (int(boxes.size()) < colours) {
      auto worst = std::max_element(boxes.begin(), boxes.end(),
                                    [](const Box& a, const Box& b) { return a.error < b.error; });
      if (worst->error <= 0) break;
      Box a, b;
      if (!Split(*worst, a, b)) {
        worst->error = 0;
        continue;
      }
      *worst = a;
      boxes.push_back(b);
    }
    std::vector<std::uint32_t> palette;
    for (const Box& box : boxes) {
      std::uint64_t sum[3] = {0, 0, 0};
      ForEach(box, [&](const Cell& c, int, int, int) {
        for (int i = 0; i < 3; ++i) sum[i] += c.sum[i];
      });
      std::uint32_t colour = 0;
      for (int i = 0; i < 3; ++i)
        colour = (colour << 8) | std::uint32_t((sum[i] + box.count / 2) / box.count);
      palette.push_back(colour);
    }
    return palette;
  }

 private:
  template <typename F>
  void ForEach(const Box& box, F&& f) const {
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
      for (int g = box.lo[1]; g <= box.hi[1]; ++g)
        for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
          const Cell& c = cells_[CellIndex(r, g, b)];
          if (c.count) f(c, r, g, b);
        }
  }

  // Narrows the box to its occupied cells and works out its count and spread
  // (count-weighted squared distance of its cells' means from the box mean).
  bool Shrink(Box& box) const {
    int lo[3] = {kSide, kSide, kSide}, hi[3] = {-1, -1, -1};
    std::uint64_t count = 0;
    double sum[3] = {0, 0, 0}, squares = 0;
    ForEach(box, [&](const Cell& c, int r, int g, int b) {
      const int at[3] = {r, g, b};
      for (int i = 0; i < 3; ++i) {
        lo[i] = std::min(lo[i], at[i]);
        hi[i] = std::max(hi[i], at[i]);
        sum[i] += double(c.sum[i]);
        const double mean = double(c.sum[i]) / double(c.count);
        squares += mean * mean * double(c.count);
      }
      count += c.count;
    });
    if (count == 0) return false;
    for (int i = 0; i < 3; ++i) {
      box.lo[i] = lo[i];
      box.hi[i] = hi[i];
    }
    box.count = count;
    double spread = squares;
    for (int i = 0; i < 3; ++i) spread -= sum[i] * sum[i] / double(count);
    const bool single = lo[0] == hi[0] && lo[1] == hi[1] && lo[2] == hi[2];
    box.error = single ? 0 : std::max(spread, 1e-9);
    return true;
  }

  // Splits along the axis of largest spread, at the cut that best separates the
  // two halves (largest between-class variance).
  bool Split(const Box& box, Box& a, Box& b) const {
    std::array<std::array<double, kSide>, 3> n{}, s{};
    ForEach(box, [&](const Cell& c, int r, int g, int bl) {
      const int at[3] = {r, g, bl};
      for (int i = 0; i < 3; ++i) {
        n[i][at[i]] += double(c.count);
        s[i][at[i]] += double(c.sum[i]);
      }
    });
    int axis = -1;
    double bestSpread = -1;
    for (int i = 0; i < 3; ++i) {
      if (box.lo[i] == box.hi[i]) continue;
      double sum = 0, squares = 0, count = 0;
      for (int k = box.lo[i]; k <= box.hi[i]; ++k) {
        count += n[i][k];
        sum += s[i][k];
        if (n[i][k] > 0) squares += s[i][k] * s[i][k] / n[i][k];
      }
      const double spread = squares - sum * sum / count;
      if (spread > bestSpread) {
        bestSpread = spread;
        axis = i;
      }
    }
    if (axis < 0) return false;
    double totalN = 0, totalS = 0;
    for (int k = box.lo[axis]; k <= box.hi[axis]; ++k) {
      totalN += n[axis][k];
      totalS += s[axis][k];
    }
    int cut = box.lo[axis];
    double best = -1, leftN = 0, leftS = 0;
    for (int k = box.lo[axis]; k < box.hi[axis]; ++k) {
      leftN += n[axis][k];
      leftS += s[axis][k];
      const double rightN = totalN - leftN, rightS = totalS - leftS;
      if (leftN <= 0 || rightN <= 0) continue;
      const double score = leftS * leftS / leftN + rightS * rightS / rightN;
      if (score > best) {
        best = score;
        cut = k;
      }
    }
    a = box;
    b = box;
    a.hi[axis] = cut;
    b.lo[axis] = cut + 1;
    return Shrink(a) && Shrink(b);
  }

  std::vector<Cell> cells_;
};

// Nearest palette entry, cached per 6-bit colour cell.
class NearestColour {
 public:
  explicit NearestColour(const std::vector<std::uint32_t>& palette)
      : palette_(palette), cache_(1 << 18, -1) {}

  int operator()(int r, int g, int b) {
    const int key = ((r >> 2) << 12) | ((g >> 2) << 6) | (b >> 2);
    std::int16_t& hit = cache_[key];
    if (hit < 0) {
      const int cr = (r & ~3) + 2, cg = (g & ~3) + 2, cb = (b & ~3) + 2;
      int best = 0, bestDistance = 1 << 30;
      for (std::size_t i = 0; i < palette_.size(); ++i) {
        const int dr = int((palette_[i] >> 16) & 255) - cr;
        const int dg = int((palette_[i] >> 8) & 255) - cg;
        const int db = int(palette_[i] & 255) - cb;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
          bestDistance = d;
          best = int(i);
        }
      }
      hit = std::int16_t(best);
    }
    return hit;
  }

 private:
  const std::vector<std::uint32_t>& palette_;
  std::vector<std::int16_t> cache_;
};

// The exact palette of a picture with at most 256 colours.
bool ExactColours(const Picture& picture, IndexedPicture& out) {
  std::unordered_map<std::uint32_t, std::uint8_t> index;
  index.reserve(512);
  out.indices.resize(std::size_t(picture.width) * picture.height);
  std::uint8_t* dst = out.indices.data();
  for (int y = 0; y < picture.height; ++y) {
    const std::uint32_t* row = picture.Row(y);
    for (int x = 0; x < picture.width; ++x) {
      const std::uint32_t colour = row[x] & 0xFFFFFFu;
      auto it = index.find(colour);
      if (it == index.end()) {
        if (index.size() == 256) return false;
        it = index.emplace(colour, std::uint8_t(out.palette.size())).first;
        out.palette.push_back(colour);
      }
      *dst++ = it->second;
    }
  }
  return true;
}

}  // namespace

bool ReduceTo256(const Picture& picture, IndexedPicture& out, Progress* progress, int from,
                 int to) {
  out = IndexedPicture{};
  out.width = picture.width;
  out.height = picture.height;
  if (ExactColours(picture, out)) return !(progress && progress->Report(to));
  out.palette = MedianCut(picture).Palette(256);
  if (progress && progress->Report(from + (to - from) / 5)) return false;

  NearestColour nearest(out.palette);
  const int w = picture.width;
  // Errors in sixteenths, for this row and the next, with a guard cell each side.
  std::vector<int> current(std::size_t(w + 2) * 3, 0), next(std::size_t(w + 2) * 3, 0);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint32_t* row = picture.Row(y);
    std::uint8_t* dst = out.indices.data() + std::size_t(y) * w;
    const bool forward = y % 2 == 0;
    const int dir = forward ? 1 : -1;
    for (int i = 0; i < w; ++i) {
      const int x = forward ? i : w - 1 - i;
      const std::uint32_t p = row[x];
      int* e = &current[std::size_t(x + 1) * 3];
      int value[3] = {int((p >> 16) & 255), int((p >> 8) & 255), int(p & 255)};
      for (int c = 0; c < 3; ++c) value[c] = std::clamp(value[c] + (e[c] + 8) / 16, 0, 255);
      const int chosen = nearest(value[0], value[1], value[2]);
      dst[x] = std::uint8_t(chosen);
      const std::uint32_t q = out.palette[std::size_t(chosen)];
      const int got[3] = {int((q >> 16) & 255), int((q >> 8) & 255), int(q & 255)};
      int* ahead = &current[std::size_t(x + 1 + dir) * 3];
      int* below = &next[std::size_t(x + 1) * 3];
      int* belowAhead = &next[std::size_t(x + 1 + dir) * 3];
      int* belowBehind = &next[std::size_t(x + 1 - dir) * 3];
      for (int c = 0; c < 3; ++c) {
        const int err = value[c] - got[c];
        ahead[c] += err * 7;
        belowBehind[c] += err * 3;
        below[c] += err * 5;
        belowAhead[c] += err;
      }
    }
    current.swap(next);
    std::fill(next.begin(), next.end(), 0);
    if (progress && progress->Step(from + (to - from) / 5, to, y + 1, picture.height))
      return false;
  }
  return true;
}

}  // namespace orvane::imaging::detail
