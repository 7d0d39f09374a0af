#pragma once
// Our own imaging library: the file conversions and the bitmap / work-buffer
// functions the programs call by the names they have always used.
//
// Handles are small non-negative integers into one table shared by bitmaps and
// work buffers (so the size functions answer for both); -1 means none or failure.
// A work buffer's device context is a non-zero number that the GDI-style calls
// of gdi.h accept; 0 is "no device context". Pixels are 32-bit XRGB rows
// (QImage::Format_RGB32) that a QImage wraps without a copy.
//
// Nothing here crashes on bad input: a failed load returns -1 and leaves the
// reason in LastError(), numbered as the run time numbers its errors (53 file
// not found, 61 disk full, 70 permission denied, 75 path or file access error,
// 7 out of memory, 481 picture that cannot be read).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QImage;

namespace orvane::imaging {

using Handle = std::int32_t;
using DeviceContext = std::int64_t;
constexpr Handle kNoHandle = -1;

// Largest picture the readers accept, per side.
constexpr int kMaxDimension = 20000;

enum ErrorNumber : int {
  kNoError = 0,
  kFileNotFound = 53,
  kInvalidPicture = 481,
  kOutOfMemory = 7,        // also: the decoded picture cannot fit in the free memory
  kDiskFull = 61,
  kPermissionDenied = 70,
  kPathFileAccess = 75,    // a file could not be read or written
};
// Error number of the last failed call on this thread.
int LastError();
// The errno of the last failed write of an output file on this thread (ENOSPC,
// EDQUOT, EACCES ...), so a caller can say why in the system's words.
int LastWriteErrno();

// Progress callback: value is the cumulative progress of the current operation,
// 0 at its start and 100 at its end. A non-zero result asks the operation to
// stop; a stopped conversion leaves no output file.
using ProgressProc = std::int16_t (*)(std::int16_t value);

// ---- File conversions ----
// JPEG file to 24-bit bitmap file. The output file is removed first, so a failed
// decode never leaves an older file behind. Returns true on success.
bool DoDecompress(const std::string& jpegFile, const std::string& bitmapFile);
// As DoDecompress, but decodes with DCT scaling (1/2, 1/4, 1/8) to the smallest
// size that still covers targetWidth x targetHeight; the caller stretches the rest.
bool DoDecompressScaled(const std::string& jpegFile, const std::string& bitmapFile,
                        int targetWidth, int targetHeight);
// Bitmap file to JPEG file (quality 90).
bool DoCompress(const std::string& bitmapFile, const std::string& jpegFile);
// Picture file (JPEG or bitmap, recognised by content) to an 8-bit bitmap file
// with a 256-colour palette and error-diffusion dithering.
bool Do24To8(const std::string& pictureFile, const std::string& bitmapFile);
void SetProgressCallback(ProgressProc proc);
// Called every few milliseconds while a large picture file is read and decoded
// for LoadBitMap, LoadWorkBuff and their kin (the decoding runs beside the
// calling thread meanwhile), so that the caller can let events run; a non-zero
// result stops the load, which then fails. nullptr (the default) loads without.
void SetLoadProgressCallback(ProgressProc proc);

// ---- Bitmaps ----
Handle LoadBitMap(const std::string& file);
// Loads a bitmap whose pixels of colour (red, green, blue) are transparent when
// blitted with DoBlitToWork flag 1.
Handle LoadBitMapEx(const std::string& file, std::uint8_t red, std::uint8_t green,
                    std::uint8_t blue);
// Loads a picture (JPEG or bitmap) for display at about targetWidth x
// targetHeight: JPEGs are decoded with DCT scaling to the smallest size that
// still covers the target (see DoDecompressScaled); bitmaps load at full size.
Handle LoadBitMapScaled(const std::string& file, int targetWidth, int targetHeight);
Handle CreateBitMap(int width, int height, std::uint8_t red, std::uint8_t green,
                    std::uint8_t blue);
void UnloadBitMap(Handle bitmap);
int GetGCBitmapWidth(Handle handle);   // bitmap or work buffer; 0 for none
int GetGCBitmapHeight(Handle handle);
// How many bitmaps and work buffers are held. A released handle is given out
// again, so a test of a release counts instead of asking the old handle.
int LiveHandleCount();

// ---- Work buffers ----
// A black buffer of width x height; hDC and flags are accepted and ignored (every
// buffer is 32-bit). Sizes of 0 or below, or above kMaxDimension, fail.
Handle CreateWorkBuff(int width, int height, DeviceContext hDC, int flags);
// As CreateWorkBuff, but only the pixels outside the rectangle (x, y, w, h) are
// made black; those inside it (as far as it lies in the buffer) are left for
// the caller to write, every one: a slide that a picture covers is not first
// blackened under it. With hugePages its pixels are new memory (never a pooled
// block) that the kernel is asked to back with huge pages before any is written
// (the slide: a transition of columns reads a few pixels of every row).
Handle CreateWorkBuffBlackOutside(int width, int height, int x, int y, int w, int h,
                                  bool hugePages = false);
// Asks the kernel to back the buffer's pixels with huge pages (its whole 2 MiB
// pages) where they are not in memory yet; nothing else changes. Meant for the
// frame-sized buffers a transition copies between: a step of columns reads
// and writes a few pixels of every row, each row in a page of its own, and
// with small pages every row costs a page walk in each buffer.
void AdviseHugePages(Handle buffer);
void DestroyWorkBuff(Handle buffer);
// Fills a buffer (or bitmap) with one colour. Pixels never used yet are filled
// when first used: a new buffer that is filled and then not used costs no
// memory meanwhile; a view of pixels used before sees the fill at once.
void FillWorkBuff(Handle handle, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
// The one colour (0xFFRRGGBB) of a buffer (or bitmap) whose pixels have not
// been used since it was made or filled; nothing once they have.
std::optional<std::uint32_t> PendingFill(Handle handle);
// Loads a picture file (JPEG or bitmap) straight into a new work buffer; with a
// target size, JPEGs are DCT-scaled as LoadBitMapScaled does. -1 on failure,
// with LastError set as for LoadBitMap.
Handle LoadWorkBuff(const std::string& file, int targetWidth = 0, int targetHeight = 0);
// Asked with a picture's own size, before it is decoded, for the size it is
// wanted at (0 x 0: its own size).
using TargetForSize = std::function<void(int width, int height, int& targetWidth,
                                         int& targetHeight)>;
// As LoadWorkBuff, with the target chosen by `target` from the picture's own
// size, which the caller thus learns even when a JPEG is decoded smaller.
Handle LoadWorkBuffFor(const std::string& file, const TargetForSize& target);
DeviceContext GetWorkBuffHDC(Handle buffer);  // 0 when the handle is no buffer

// Copies the whole bitmap (or buffer) into the buffer at (x, y), clipped.
// flag 1: pixels of the bitmap's transparent colour (LoadBitMapEx) are skipped.
// The other arguments are kept for the callers' sake and ignored.
void DoBlitToWork(Handle buffer, int x, int y, Handle bitmap, int a = 0, int b = 0,
                  int c = 0, int d = 0, int flag = 0, int e = 0, int f = 0);
// Mixes the bitmap into the buffer at (x, y): level is the bitmap's translucency
// in percent, result = bitmap x (100 - level) / 100 + buffer x level / 100; 0 is
// opaque. width and height 0 mean the whole bitmap; levels above 100 are clamped.
void DoBlitToWorkWOP(Handle buffer, int x, int y, Handle bitmap, int srcX, int srcY,
                     int width, int height, int a, int b, int level, int c = 0);

// Writes the buffer (or bitmap) as a 24-bit bitmap file; false on failure.
bool SaveBitmap(const std::string& file, Handle buffer);
// As SaveBitmap, then releases the buffer (or bitmap), whose pixels are kept
// for the next load of that same file: a slide saved and loaded straight back
// is not read and decoded again. A file changed in between is read as usual.
// The handle is released whatever the result.
bool SaveBitmapForLoad(const std::string& file, Handle buffer);
// Rewrites a bitmap file as an 8-bit one in place (reduced as Do24To8 does).
bool RemapBMP(const std::string& inFile, const std::string& outFile);

// The filter pass: a 3x3 smoothing kernel (1 2 1 / 2 4 2 / 1 2 1) over the whole
// buffer, in place. Reports progress 0..100 to the filter callback; a stop (a
// non-zero callback result or KillFilter) returns false and leaves the buffer as
// it was. The parameters are accepted for the callers' sake; the kernel is fixed.
void SetFilterParameters(int a, int b, int c, int d);
bool FilterBitmap(Handle buffer);
// The same pass written into the buffer's own memory (no second buffer of its
// size): the same pixels, but a stopped pass leaves it part filtered.
bool FilterBitmapInPlace(Handle buffer);
void SetFilterProgressCallback(ProgressProc proc);
void KillFilter();  // stops a running FilterBitmap at its next row

// Asks nothing of the system: the slide show then reads the password setting.
std::int16_t DispPropUp();

// The pixels of a buffer (or bitmap), wrapped without a copy, at 96 dpi; a null
// QImage for no handle. Valid until the buffer is destroyed or filtered
// (FilterBitmap moves the buffer to the memory it filtered into).
QImage WorkBuffImage(Handle handle);
// Releases the bitmap (or buffer) and hands its pixels to the result, which
// owns them, without a copy; a null QImage for no handle.
QImage TakeBitmapImage(Handle handle);
// Makes a bitmap a work buffer, same handle and pixels, without a copy (a
// loaded picture that becomes a drawing surface); false when the handle is no
// bitmap.
bool MakeWorkBuff(Handle bitmap);
// Hands back to the system the memory kept for the next pictures: the pixel
// blocks released for reuse and what the heap holds free. A show calls it when
// a slide's decoded picture is used up and once the slide is made, so that
// nothing spare stays resident between slides.
void ReleaseSpareMemory();
// A work buffer used only as scratch (each part written before it is read)
// gives its memory back until it is used again; its pixels are undefined
// afterwards. A buffer whose pixels are not made yet is left as it is.
void DiscardScratchPixels(Handle buffer);
// Has the heap map every allocation of kLargeAllocation bytes or more by itself
// and unmap it when it is freed, on every thread, instead of keeping it in the
// heap for the next one (glibc raises that threshold on its own as large
// blocks come and go, up to 32 MiB). A show calls it once: a slide's
// file bytes and the decoder's buffers then leave nothing resident behind them.
inline constexpr std::size_t kLargeAllocation = std::size_t(1) << 20;
void MapLargeAllocations();
// The handle behind a device context, or -1.
Handle HandleOfDC(DeviceContext hDC);

}  // namespace orvane::imaging
