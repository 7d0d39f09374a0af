#pragma once
// GDI-style copies between device contexts of imaging.h buffers.
// Both rectangles are clipped against their buffers; a copy within one buffer
// behaves like memmove (overlap is safe).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/imaging.h"

namespace orvane::imaging {

constexpr unsigned kSrcCopy = 0x00CC0020;
enum StretchMode : int { kBlackOnWhite = 1, kColorOnColor = 3, kHalftone = 4 };

bool BitBlt(DeviceContext dst, int x, int y, int width, int height, DeviceContext src,
            int srcX, int srcY, unsigned rop = kSrcCopy);
// A destination rectangle of BitBltRects.
struct BlitRect {
  int x, y, width, height;
};
// As one BitBlt of each rectangle from the source at (x + srcDX, y + srcDY),
// but walking the rows once: rectangles side by side (the columns of a step
// spread across the frame) are copied row by row rather than down the frame
// once each. Copies within one buffer are made one by one.
bool BitBltRects(DeviceContext dst, const BlitRect* rects, std::size_t count, DeviceContext src,
                 int srcDX, int srcDY);
// A rectangle of CopyRows: its place in the destination and in the source,
// both wholly inside their pictures.
struct RowCopy {
  int x, y, width, height, srcX, srcY;
};
// A second pixel grid that a copy writes as well (the show's window's backing
// store): its pixels, stride (in pixels) and size, and where the destination's
// point (0, 0) lies in it.
struct AlsoTarget {
  std::uint32_t* pixels;
  std::ptrdiff_t stride;
  int width, height, dx, dy;
};
// Copies the rectangles between two distinct pixel grids (strides in pixels)
// in one walk down the rows, every rectangle that has a row copied in it.
// BitBltRects copies through it, and so does the show's window into its
// backing store. With `also`, each row copied is written into it too (every
// rectangle, offset by also->dx and dy, wholly inside it); a null dst then
// writes only `also`.
void CopyRows(std::uint32_t* dst, std::ptrdiff_t dstStride, const std::uint32_t* src,
              std::ptrdiff_t srcStride, const RowCopy* parts, std::size_t count,
              const AlsoTarget* also = nullptr);
// BitBltRects for a step that is shown at once from the source: every pixel
// is copied into `also` now, and into dst only when dst or src is next used
// (whatever reads or writes its pixels, erases or fills it) or by
// MakeLaterCopies. A step of narrow columns so writes one grid of cache lines
// fewer while it is on screen, and the columns of successive steps go into
// dst together. Copies left for another pair of pictures are made first.
// False, and nothing copied, when a rectangle (clipped to both pictures) does
// not lie wholly inside `also`, or the source is the destination. `written`,
// when given, receives the destination rectangles as clipped and copied.
bool BitBltRectsLater(DeviceContext dst, const BlitRect* rects, std::size_t count,
                      DeviceContext src, int srcDX, int srcDY, const AlsoTarget& also,
                      std::vector<BlitRect>* written = nullptr);
// Makes the copies BitBltRectsLater left.
void MakeLaterCopies();
// Stretches the source rectangle onto the destination rectangle. kHalftone is an
// area-average resample; other modes pick the nearest pixel.
bool StretchBlt(DeviceContext dst, int x, int y, int width, int height, DeviceContext src,
                int srcX, int srcY, int srcWidth, int srcHeight, unsigned rop = kSrcCopy);
// As StretchBlt, but only the destination rows firstRow <= row < firstRow + rows
// (rows of the destination buffer) are computed and written: a stretch done
// band by band gives the same pixels as in one piece.
bool StretchBltRows(DeviceContext dst, int x, int y, int width, int height, DeviceContext src,
                    int srcX, int srcY, int srcWidth, int srcHeight, int firstRow, int rows,
                    unsigned rop = kSrcCopy);
// StretchBlt followed by FilterBitmap over the whole destination, in one pass
// over the rows, for a destination that is black (opaque) everywhere outside
// the destination rectangle: the same pixels as the two calls. The pass works in
// place; it reports progress and stops as FilterBitmap does, but a stopped pass
// (false) leaves the buffer partly done.
bool StretchBltFiltered(DeviceContext dst, int x, int y, int width, int height, DeviceContext src,
                        int srcX, int srcY, int srcWidth, int srcHeight);
// Stretch mode of a device context; returns the previous mode.
int SetStretchBltMode(DeviceContext dc, int mode);

}  // namespace orvane::imaging
