// Copies between pictures: GDI-style BitBlt and the bitmap-into-buffer blits.
#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "imaging/gdi.h"
#include "imaging/store.h"

namespace orvane::imaging {

namespace detail {

bool ClipCopy(const Picture& dst, const Picture& src, int& x, int& y, int& width,
              int& height, int& srcX, int& srcY) {
  if (width <= 0 || height <= 0) return false;
  // Work in 64 bits so that extreme arguments cannot overflow.
  long long dx = x, dy = y, sx = srcX, sy = srcY, w = width, h = height;
  auto clipLow = [&](long long& a, long long& b, long long& size) {
    // a is the coordinate that must not be below 0; b moves along with it.
    if (a < 0) {
      b -= a;
      size += a;
      a = 0;
    }
  };
  clipLow(sx, dx, w);
  clipLow(sy, dy, h);
  clipLow(dx, sx, w);
  clipLow(dy, sy, h);
  w = std::min({w, (long long)src.width - sx, (long long)dst.width - dx});
  h = std::min({h, (long long)src.height - sy, (long long)dst.height - dy});
  if (w <= 0 || h <= 0) return false;
  x = int(dx);
  y = int(dy);
  srcX = int(sx);
  srcY = int(sy);
  width = int(w);
  height = int(h);
  return true;
}

}  // namespace detail

using namespace detail;

bool BitBlt(DeviceContext dst, int x, int y, int width, int height, DeviceContext src,
            int srcX, int srcY, unsigned rop) {
  Picture* to = FindByDC(dst);
  const Picture* from = FindByDC(src);
  if (!to || !from || rop != kSrcCopy) return false;
  if (!ClipCopy(*to, *from, x, y, width, height, srcX, srcY)) return true;
  const std::size_t rowBytes = std::size_t(width) * 4;
  // Within one buffer, walk the rows away from the overlap (memmove per row
  // handles the overlap inside a row).
  if (to == from && y > srcY) {
    for (int row = height - 1; row >= 0; --row)
      std::memmove(to->Row(y + row) + x, from->Row(srcY + row) + srcX, rowBytes);
  } else {
    for (int row = 0; row < height; ++row)
      std::memmove(to->Row(y + row) + x, from->Row(srcY + row) + srcX, rowBytes);
  }
  return true;
}

namespace {

// The rectangles of a copy from src to dst, clipped to both pictures.
std::vector<RowCopy> ClippedParts(const Picture& to, const Picture& from, const BlitRect* rects,
                                  std::size_t count, int srcDX, int srcDY) {
  std::vector<RowCopy> parts;
  parts.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    RowCopy c{rects[i].x, rects[i].y, rects[i].width, rects[i].height, 0, 0};
    // Far-off points are clipped away, not overflowed.
    c.srcX = int(std::clamp<long long>((long long)c.x + srcDX, INT_MIN, INT_MAX));
    c.srcY = int(std::clamp<long long>((long long)c.y + srcDY, INT_MIN, INT_MAX));
    if (!ClipCopy(to, from, c.x, c.y, c.width, c.height, c.srcX, c.srcY)) continue;
    parts.push_back(c);
  }
  return parts;
}

}  // namespace

bool BitBltRects(DeviceContext dst, const BlitRect* rects, std::size_t count, DeviceContext src,
                 int srcDX, int srcDY) {
  Picture* to = FindByDC(dst);
  const Picture* from = FindByDC(src);
  if (!to || !from) return false;
  if (to == from) {
    for (std::size_t i = 0; i < count; ++i)
      BitBlt(dst, rects[i].x, rects[i].y, rects[i].width, rects[i].height, src,
             rects[i].x + srcDX, rects[i].y + srcDY);
    return true;
  }
  const std::vector<RowCopy> parts = ClippedParts(*to, *from, rects, count, srcDX, srcDY);
  CopyRows(to->Row(0), to->width, from->Row(0), from->width, parts.data(), parts.size());
  return true;
}

bool BitBltRectsLater(DeviceContext dst, const BlitRect* rects, std::size_t count,
                      DeviceContext src, int srcDX, int srcDY, const AlsoTarget& also,
                      std::vector<BlitRect>* written) {
  // Looked up without making the copies already left for them: these join.
  Picture* to = PeekBuffer(HandleOfDC(dst));
  Picture* from = PeekBuffer(HandleOfDC(src));
  if (!to || !from || to == from || !also.pixels) return false;
  const std::vector<RowCopy> parts = ClippedParts(*to, *from, rects, count, srcDX, srcDY);
  for (const RowCopy& c : parts) {
    const long long x = (long long)c.x + also.dx, y = (long long)c.y + also.dy;
    if (x < 0 || y < 0 || x + c.width > also.width || y + c.height > also.height) return false;
  }
  ReadyForLaterCopies(*to, *from);
  CopyRows(nullptr, 0, from->Row(0), from->width, parts.data(), parts.size(), &also);
  AddLaterCopies(*to, *from, parts);
  if (written)
    for (const RowCopy& c : parts) written->push_back({c.x, c.y, c.width, c.height});
  return true;
}

void CopyRows(std::uint32_t* dst, std::ptrdiff_t dstStride, const std::uint32_t* src,
              std::ptrdiff_t srcStride, const RowCopy* parts, std::size_t count,
              const AlsoTarget* also) {
  if (count == 0) return;
  int top = parts[0].y, bottom = parts[0].y + parts[0].height;
  for (std::size_t i = 1; i < count; ++i) {
    top = std::min(top, parts[i].y);
    bottom = std::max(bottom, parts[i].y + parts[i].height);
  }
  // The second grid's pixel under the destination's (0, 0); null without one.
  std::uint32_t* const second = also ? also->pixels + also->dy * also->stride + also->dx : nullptr;
  const std::ptrdiff_t secondStride = also ? also->stride : 0;
  // A narrow rectangle (a column or two of each strip of a step) needs a new
  // cache line of each picture in every row, a frame's stride apart: no
  // prefetcher follows that, and each row would wait for its lines in turn.
  // The lines of the row this many rows ahead are asked for before the
  // current row is copied, so the waits overlap.
  constexpr int kAhead = 8;
  for (int row = top; row < bottom; ++row) {
    const int next = row + kAhead;
    for (std::size_t i = 0; i < count; ++i) {
      const RowCopy& c = parts[i];
      if (next >= c.y && next < c.y + c.height) {
        const std::uint32_t* s = src + std::ptrdiff_t(c.srcY + next - c.y) * srcStride + c.srcX;
        __builtin_prefetch(s, 0);
        __builtin_prefetch(s + c.width - 1, 0);
        if (dst) {
          const std::uint32_t* d = dst + std::ptrdiff_t(next) * dstStride + c.x;
          __builtin_prefetch(d, 1);
          __builtin_prefetch(d + c.width - 1, 1);
        }
        if (second) {
          const std::uint32_t* e = second + std::ptrdiff_t(next) * secondStride + c.x;
          __builtin_prefetch(e, 1);
          __builtin_prefetch(e + c.width - 1, 1);
        }
      }
      if (row < c.y || row >= c.y + c.height) continue;
      const std::uint32_t* s = src + std::ptrdiff_t(c.srcY + row - c.y) * srcStride + c.srcX;
      const std::size_t bytes = std::size_t(c.width) * 4;
      if (dst) std::memcpy(dst + std::ptrdiff_t(row) * dstStride + c.x, s, bytes);
      if (second) std::memcpy(second + std::ptrdiff_t(row) * secondStride + c.x, s, bytes);
    }
  }
}

void DoBlitToWork(Handle buffer, int x, int y, Handle bitmap, int, int, int, int, int flag,
                  int, int) {
  Picture* to = FindBuffer(buffer);
  const Picture* from = Find(bitmap);
  if (!to || !from) return;
  int width = from->width, height = from->height, srcX = 0, srcY = 0;
  if (!ClipCopy(*to, *from, x, y, width, height, srcX, srcY)) return;
  // A buffer blitted into itself: walk the rows away from the overlap.
  const bool keyed = flag == 1 && from->colourKey.has_value();
  const std::uint32_t key = keyed ? *from->colourKey : 0;
  const bool downwards = to == from && y > srcY;
  for (int i = 0; i < height; ++i) {
    const int row = downwards ? height - 1 - i : i;
    std::uint32_t* d = to->Row(y + row) + x;
    const std::uint32_t* s = from->Row(srcY + row) + srcX;
    if (!keyed) {
      std::memmove(d, s, std::size_t(width) * 4);
      continue;
    }
    for (int k = 0; k < width; ++k)
      if ((s[k] & 0xFFFFFFu) != key) d[k] = s[k];
  }
}

void DoBlitToWorkWOP(Handle buffer, int x, int y, Handle bitmap, int srcX, int srcY,
                     int width, int height, int, int, int level, int) {
  Picture* to = FindBuffer(buffer);
  const Picture* from = Find(bitmap);
  if (!to || !from || to == from) return;
  if (width == 0) width = from->width - std::max(srcX, 0);
  if (height == 0) height = from->height - std::max(srcY, 0);
  if (!ClipCopy(*to, *from, x, y, width, height, srcX, srcY)) return;
  const std::uint32_t keep = std::uint32_t(std::clamp(level, 0, 100));  // share of the buffer
  const std::uint32_t take = 100 - keep;                                 // share of the bitmap
  for (int row = 0; row < height; ++row) {
    std::uint32_t* d = to->Row(y + row) + x;
    const std::uint32_t* s = from->Row(srcY + row) + srcX;
    for (int k = 0; k < width; ++k) {
      const std::uint32_t a = s[k], b = d[k];
      std::uint32_t out = kOpaque;
      for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t v = (((a >> shift) & 255) * take + ((b >> shift) & 255) * keep + 50) / 100;
        out |= v << shift;
      }
      d[k] = out;
    }
  }
}

}  // namespace orvane::imaging
