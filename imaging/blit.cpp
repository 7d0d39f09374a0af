// Copies between pictures: GDI-style BitBlt and the bitmap-into-buffer blits.
#include <algorithm>
#include <cstring>

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

}  // namespace orvane::imaging
