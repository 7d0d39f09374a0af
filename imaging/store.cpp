#include "imaging/store.h"

#include <malloc.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "imaging/io.h"
#include "imaging/parallel.h"

namespace orvane::imaging {

namespace detail {

std::size_t pixelLimit = std::size_t(kMaxDimension) * kMaxDimension;

namespace {

// A device context is this base plus the handle, so that 0 never is one and a
// stray small number is not mistaken for one.
constexpr DeviceContext kDCBase = 0x4F000000;

// Shared so that an operation that calls back into the program (the filter
// pass) keeps its picture alive even if the callback destroys the handle.
std::vector<std::shared_ptr<Picture>>& Table() {
  static std::vector<std::shared_ptr<Picture>> table;
  return table;
}

thread_local int lastError = kNoError;
thread_local int lastWriteErrno = 0;

}  // namespace

std::unique_ptr<Picture> NewPicture(int width, int height, std::uint32_t fill) {
  auto picture = NewPictureForDecoding(width, height);
  if (picture) picture->pendingFill = fill;
  return picture;
}

namespace {

void WriteFill(Picture& picture) {
  if (!picture.pendingFill) return;
  std::fill_n(picture.pixels.get(), std::size_t(picture.width) * std::size_t(picture.height),
              *picture.pendingFill);
  picture.pendingFill.reset();
}

// Copies into dst from src that wait for either picture's next use: a
// transition's steps, already shown from the source, that the screen takes
// only once something looks at it. One pair at a time, on the thread that
// owns the handles.
struct LaterCopies {
  Picture* dst = nullptr;
  const Picture* src = nullptr;
  std::vector<RowCopy> parts;
};

LaterCopies& Later() {
  static LaterCopies later;
  return later;
}

// More rectangles than this are copied at once rather than kept: every row of
// the walk that makes them looks at each.
constexpr std::size_t kMostLaterParts = 64;

// Joins a rectangle to one it continues across or down (the columns of a
// strip over successive steps), at the same offset to the source.
bool Join(std::vector<RowCopy>& parts, const RowCopy& c) {
  for (RowCopy& p : parts) {
    if (p.srcX - p.x != c.srcX - c.x || p.srcY - p.y != c.srcY - c.y) continue;
    if (p.y == c.y && p.height == c.height && (p.x + p.width == c.x || c.x + c.width == p.x)) {
      p.width += c.width;
      if (c.x < p.x) {
        p.x = c.x;
        p.srcX = c.srcX;
      }
      return true;
    }
    if (p.x == c.x && p.width == c.width && (p.y + p.height == c.y || c.y + c.height == p.y)) {
      p.height += c.height;
      if (c.y < p.y) {
        p.y = c.y;
        p.srcY = c.srcY;
      }
      return true;
    }
  }
  return false;
}

void MakeLaterCopies(LaterCopies& later) {
  if (!later.dst) return;
  Picture& dst = *later.dst;
  const Picture& src = *later.src;
  const std::vector<RowCopy> parts = std::move(later.parts);
  later = {};
  WriteFill(dst);
  WriteFill(const_cast<Picture&>(src));
  CopyRows(dst.Row(0), dst.width, src.Row(0), src.width, parts.data(), parts.size());
}

}  // namespace

void MakeReady(Picture& picture) {
  MakeLaterCopiesOf(picture);
  WriteFill(picture);
}

void MakeLaterCopiesOf(const Picture& picture) {
  LaterCopies& later = Later();
  if (later.dst == &picture || later.src == &picture) MakeLaterCopies(later);
}

void ReadyForLaterCopies(Picture& dst, Picture& src) {
  LaterCopies& later = Later();
  if (later.dst && (later.dst != &dst || later.src != &src)) MakeLaterCopies(later);
  WriteFill(dst);
  WriteFill(src);
}

void AddLaterCopies(Picture& dst, const Picture& src, const std::vector<RowCopy>& parts) {
  LaterCopies& later = Later();
  if (later.dst && (later.dst != &dst || later.src != &src)) MakeLaterCopies(later);
  later.dst = &dst;
  later.src = &src;
  for (const RowCopy& c : parts)
    if (!Join(later.parts, c)) later.parts.push_back(c);
  // Nor is more than an eighth of the destination kept: whatever uses it next
  // (a whole repaint, say) would wait for the copy of all of it.
  std::size_t area = 0;
  for (const RowCopy& c : later.parts) area += std::size_t(c.width) * std::size_t(c.height);
  if (later.parts.size() > kMostLaterParts ||
      area > std::size_t(dst.width) * std::size_t(dst.height) / 8)
    MakeLaterCopies(later);
}

void AdviseHugePages(const Picture& picture) {
  PreferHugePages(picture.pixels.get(), std::size_t(picture.width) * std::size_t(picture.height));
}

void MakeResident(Picture& picture) {
  const std::size_t count = std::size_t(picture.width) * std::size_t(picture.height);
  PreferHugePages(picture.pixels.get(), count);
  // Smaller pictures are not worth the threads.
  constexpr std::size_t kFrom = std::size_t(8) << 20;
  const std::size_t bytes = count * 4;
  if (bytes < kFrom) return;
  const std::size_t page = std::size_t(std::max(4096L, ::sysconf(_SC_PAGESIZE)));
  const int pages = int((bytes + page - 1) / page);
  auto* base = reinterpret_cast<volatile std::uint8_t*>(picture.pixels.get());
  ForRowParts(0, pages, PartsFor((long long)count, picture.height), [&](int, int first, int last) {
    for (int p = first; p < last; ++p) base[std::size_t(p) * page] = 0;
  });
}

std::unique_ptr<Picture> NewPictureAround(int width, int height, std::uint32_t fill, int x, int y,
                                          int w, int h, bool hugePages) {
  auto picture = NewPictureForDecoding(width, height, hugePages);
  if (!picture) return picture;
  // The rectangle as it lies inside the picture (long long: no overflow).
  const long long left = std::clamp<long long>(x, 0, width);
  const long long right = std::clamp<long long>(w > 0 ? (long long)x + w : x, left, width);
  const long long top = std::clamp<long long>(y, 0, height);
  const long long bottom = std::clamp<long long>(h > 0 ? (long long)y + h : y, top, height);
  if (left == right || top == bottom) {
    std::fill_n(picture->pixels.get(), std::size_t(width) * std::size_t(height), fill);
    return picture;
  }
  std::fill_n(picture->pixels.get(), std::size_t(top) * std::size_t(width), fill);
  for (long long row = top; row < bottom; ++row) {
    std::uint32_t* line = picture->Row(int(row));
    std::fill(line, line + left, fill);
    std::fill(line + right, line + width, fill);
  }
  std::fill(picture->pixels.get() + std::size_t(bottom) * std::size_t(width),
            picture->pixels.get() + std::size_t(width) * std::size_t(height), fill);
  return picture;
}

std::unique_ptr<Picture> NewPictureForDecoding(int width, int height, bool hugePages) {
  if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension ||
      std::size_t(width) * std::size_t(height) > pixelLimit) {
    SetLastError(kInvalidPicture);
    return nullptr;
  }
  const std::size_t count = std::size_t(width) * std::size_t(height);
  // A picture that cannot fit in the free memory is refused rather than left to
  // the kernel's out-of-memory killer (small ones are not worth the question).
  constexpr std::size_t kAskFrom = 64u << 20;
  if (count * 4 >= kAskFrom && count * 4 > AvailableMemory()) {
    SetLastError(kOutOfMemory);
    return nullptr;
  }
  auto picture = std::make_unique<Picture>();
  picture->pixels = AllocatePixels(count, hugePages);
  picture->hugePages = hugePages;
  if (!picture->pixels) {
    SetLastError(kOutOfMemory);
    return nullptr;
  }
  picture->width = width;
  picture->height = height;
  return picture;
}

Handle Insert(std::unique_ptr<Picture> picture) {
  auto& table = Table();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (!table[i]) {
      table[i] = std::move(picture);
      return Handle(i);
    }
  }
  table.push_back(std::move(picture));
  return Handle(table.size() - 1);
}

Picture* Peek(Handle handle) {
  auto& table = Table();
  if (handle < 0 || std::size_t(handle) >= table.size()) return nullptr;
  return table[std::size_t(handle)].get();
}

Picture* PeekBuffer(Handle handle) {
  Picture* p = Peek(handle);
  return p && p->isWorkBuffer ? p : nullptr;
}

Picture* Find(Handle handle) {
  Picture* p = Peek(handle);
  if (p) MakeReady(*p);
  return p;
}

std::shared_ptr<Picture> Hold(Handle handle) {
  auto& table = Table();
  if (handle < 0 || std::size_t(handle) >= table.size()) return nullptr;
  if (table[std::size_t(handle)]) MakeReady(*table[std::size_t(handle)]);
  return table[std::size_t(handle)];
}

Picture* FindBuffer(Handle handle) {
  Picture* p = PeekBuffer(handle);
  if (p) MakeReady(*p);
  return p;
}

Picture* FindByDC(DeviceContext dc) { return FindBuffer(HandleOfDC(dc)); }

void Erase(Handle handle) {
  auto& table = Table();
  if (handle < 0 || std::size_t(handle) >= table.size()) return;
  if (table[std::size_t(handle)]) MakeLaterCopiesOf(*table[std::size_t(handle)]);
  table[std::size_t(handle)].reset();
  while (!table.empty() && !table.back()) table.pop_back();
}

void SetLastError(int number) { lastError = number; }
void SetLastWriteErrno(int value) { lastWriteErrno = value; }

DeviceContext DCOfHandle(Handle handle) { return kDCBase + handle; }

Handle HandleFromDC(DeviceContext dc) {
  if (dc < kDCBase || dc - kDCBase > DeviceContext(INT32_MAX)) return kNoHandle;
  return Handle(dc - kDCBase);
}

}  // namespace detail

using namespace detail;

int LastError() { return lastError; }
int LastWriteErrno() { return lastWriteErrno; }

Handle CreateWorkBuff(int width, int height, DeviceContext /*hDC*/, int /*flags*/) {
  auto picture = NewPicture(width, height, kOpaque);
  if (!picture) return kNoHandle;
  picture->isWorkBuffer = true;
  return Insert(std::move(picture));
}

Handle CreateWorkBuffBlackOutside(int width, int height, int x, int y, int w, int h,
                                  bool hugePages) {
  auto picture = NewPictureAround(width, height, kOpaque, x, y, w, h, hugePages);
  if (!picture) return kNoHandle;
  picture->isWorkBuffer = true;
  return Insert(std::move(picture));
}

void AdviseHugePages(Handle buffer) {
  if (const Picture* picture = PeekBuffer(buffer)) detail::AdviseHugePages(*picture);
}

void DestroyWorkBuff(Handle buffer) {
  if (PeekBuffer(buffer)) Erase(buffer);
}

void FillWorkBuff(Handle handle, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  Picture* p = Peek(handle);
  if (!p) return;
  MakeLaterCopiesOf(*p);  // before the fill, which they would overwrite
  const std::uint32_t colour = MakePixel(red, green, blue);
  // Only pixels never used stay pending: once used, a view of them may be held
  // (WorkBuffImage), which must see the fill at once.
  if (p->pendingFill) {
    p->pendingFill = colour;
    return;
  }
  std::fill_n(p->pixels.get(), std::size_t(p->width) * std::size_t(p->height), colour);
}

std::optional<std::uint32_t> PendingFill(Handle handle) {
  const Picture* p = Peek(handle);
  if (!p) return std::nullopt;
  return p->pendingFill;
}

DeviceContext GetWorkBuffHDC(Handle buffer) {
  return PeekBuffer(buffer) ? DCOfHandle(buffer) : 0;
}

Handle HandleOfDC(DeviceContext hDC) {
  const Handle handle = HandleFromDC(hDC);
  return PeekBuffer(handle) ? handle : kNoHandle;
}

Handle CreateBitMap(int width, int height, std::uint8_t red, std::uint8_t green,
                    std::uint8_t blue) {
  auto picture = NewPicture(width, height, MakePixel(red, green, blue));
  if (!picture) return kNoHandle;
  return Insert(std::move(picture));
}

void UnloadBitMap(Handle bitmap) {
  Picture* p = Peek(bitmap);
  if (p && !p->isWorkBuffer) Erase(bitmap);
}

int LiveHandleCount() {
  const auto& table = Table();
  return int(std::count_if(table.begin(), table.end(), [](const auto& p) { return p != nullptr; }));
}

int GetGCBitmapWidth(Handle handle) {
  const Picture* p = Peek(handle);
  return p ? p->width : 0;
}

int GetGCBitmapHeight(Handle handle) {
  const Picture* p = Peek(handle);
  return p ? p->height : 0;
}

QImage WorkBuffImage(Handle handle) {
  Picture* p = Find(handle);
  if (!p) return QImage();
  QImage image(reinterpret_cast<uchar*>(p->pixels.get()), p->width, p->height,
               qsizetype(p->width) * 4, QImage::Format_RGB32);
  // 96 dpi, so that text drawn with QPainter measures the same on every machine.
  image.setDotsPerMeterX(3780);
  image.setDotsPerMeterY(3780);
  return image;
}

QImage TakeBitmapImage(Handle handle) {
  std::shared_ptr<Picture> held = Hold(handle);
  if (!held) return QImage();
  Erase(handle);
  // Still in use by a running operation (a filter pass): a copy.
  if (held.use_count() > 1 || !held->pixels) {
    QImage copy = QImage(reinterpret_cast<const uchar*>(held->pixels.get()), held->width,
                         held->height, qsizetype(held->width) * 4, QImage::Format_RGB32)
                      .copy();
    copy.setDotsPerMeterX(3780);
    copy.setDotsPerMeterY(3780);
    return copy;
  }
  auto* owned = new Pixels(std::move(held->pixels));
  QImage image(
      reinterpret_cast<uchar*>(owned->get()), held->width, held->height,
      qsizetype(held->width) * 4, QImage::Format_RGB32,
      [](void* info) { delete static_cast<Pixels*>(info); }, owned);
  image.setDotsPerMeterX(3780);
  image.setDotsPerMeterY(3780);
  return image;
}

bool MakeWorkBuff(Handle bitmap) {
  Picture* p = Peek(bitmap);
  if (!p || p->isWorkBuffer) return false;
  p->isWorkBuffer = true;
  p->colourKey.reset();
  return true;
}

void ReleaseSpareMemory() {
  EmptyPixelPool();
  // Decoding threads free into arenas of their own, and large blocks the heap
  // once handed out stay in it: malloc_trim gives back every free page of all.
  ::malloc_trim(0);
}

void DiscardScratchPixels(Handle buffer) {
  const Picture* p = PeekBuffer(buffer);
  if (p) MakeLaterCopiesOf(*p);
  if (p && !p->pendingFill) DiscardPixels(p->pixels);
}

void MakeLaterCopies() { detail::MakeLaterCopies(Later()); }

void MapLargeAllocations() { ::mallopt(M_MMAP_THRESHOLD, int(kLargeAllocation)); }

std::int16_t DispPropUp() { return 0; }

}  // namespace orvane::imaging
