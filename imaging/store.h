#pragma once
// The handle table behind imaging.h: every bitmap and work buffer is a Picture
// with its own 32-bit XRGB pixel store. Internal to the imaging library.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "imaging/pixels.h"

namespace orvane::imaging::detail {

// Pixels are stored with the alpha byte set (0xFFRRGGBB): QImage::Format_RGB32
// expects it, and QPainter writes it.
constexpr std::uint32_t kOpaque = 0xFF000000u;

inline std::uint32_t MakePixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return kOpaque | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
}

struct Picture {
  int width = 0;
  int height = 0;
  Pixels pixels;  // width * height, rows top-down
  bool isWorkBuffer = false;
  std::optional<std::uint32_t> colourKey;   // RGB (no alpha) skipped by blit flag 1
  // A colour every pixel is to have, written only when the pixels are first
  // used (Find and its kin): a buffer made at the start and used much later,
  // or never, costs no memory meanwhile.
  std::optional<std::uint32_t> pendingFill;
  int stretchMode = kBlackOnWhite;
  // Its pixels were asked for in huge pages; new pixels that replace them (the
  // filter's) are asked for so too.
  bool hugePages = false;

  std::uint32_t* Row(int y) { return pixels.get() + std::size_t(y) * std::size_t(width); }
  const std::uint32_t* Row(int y) const {
    return pixels.get() + std::size_t(y) * std::size_t(width);
  }
};

// Most pixels one picture may have (kMaxDimension squared); the fuzz targets
// lower it so that their memory limit holds.
extern std::size_t pixelLimit;

// Allocates a width x height picture filled with `fill` (when first used);
// nullptr (and
// kOutOfMemory / kInvalidPicture in LastError) when the size is out of range or
// memory runs out.
std::unique_ptr<Picture> NewPicture(int width, int height, std::uint32_t fill);
// As NewPicture, but the pixels are left for the caller to write, every one.
// hugePages: in new memory backed by huge pages (AllocatePixels).
std::unique_ptr<Picture> NewPictureForDecoding(int width, int height, bool hugePages = false);
// As NewPicture, but only the pixels outside the rectangle (x, y, w, h) are
// filled: the caller writes every one inside it (the part inside the picture).
// With hugePages, in new memory backed by huge pages (AllocatePixels).
std::unique_ptr<Picture> NewPictureAround(int width, int height, std::uint32_t fill, int x, int y,
                                          int w, int h, bool hugePages = false);
// Asks for huge pages behind the picture's pixels (PreferHugePages).
void AdviseHugePages(const Picture& picture);

// For a caller about to write every pixel of a large picture on one thread (a
// decoder): asks for huge pages behind it and touches each page from a few
// threads at once, so that the first-touch faults of fresh memory are taken
// side by side. The pixels' values are left undefined.
void MakeResident(Picture& picture);

// Takes ownership and returns the new handle (the lowest free slot).
Handle Insert(std::unique_ptr<Picture> picture);
// The picture behind a handle, or nullptr, its pixels ready to be used.
Picture* Find(Handle handle);
Picture* FindBuffer(Handle handle);  // only work buffers
// Shares ownership of the picture behind a handle (nullptr for none).
std::shared_ptr<Picture> Hold(Handle handle);
Picture* FindByDC(DeviceContext dc);
// As Find and FindBuffer, for a question about the picture (its size, whether
// it exists) that does not touch its pixels: a pending fill stays pending.
Picture* Peek(Handle handle);
Picture* PeekBuffer(Handle handle);
// Writes a pending fill, and first the later copies (BitBltRectsLater) that
// go into or come from the picture.
void MakeReady(Picture& picture);
// Makes the copies left for another pair than dst and src, and writes the
// pending fills of both, but leaves those from src into dst.
void ReadyForLaterCopies(Picture& dst, Picture& src);
// Leaves copies from src into dst (both wholly inside both pictures) to be
// made when either is next used (after ReadyForLaterCopies).
void AddLaterCopies(Picture& dst, const Picture& src, const std::vector<RowCopy>& parts);
// Makes the later copies that go into or come from the picture (all there are).
void MakeLaterCopiesOf(const Picture& picture);
void Erase(Handle handle);

void SetLastError(int number);
void SetLastWriteErrno(int value);

DeviceContext DCOfHandle(Handle handle);
Handle HandleFromDC(DeviceContext dc);  // the number behind dc, unchecked

// A rectangle copy clipped against both pictures: (x, y, width, height) in dst
// from (srcX, srcY) in src. Returns false when nothing is left to copy; else the
// arguments are narrowed to the part inside both pictures.
bool ClipCopy(const Picture& dst, const Picture& src, int& x, int& y, int& width,
              int& height, int& srcX, int& srcY);

}  // namespace orvane::imaging::detail
