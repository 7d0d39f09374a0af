// The file conversions: JPEG to bitmap, bitmap to JPEG, any picture to an 8-bit
// bitmap, and saving buffers. Every output appears only when complete.
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/bmp.h"
#include "imaging/io.h"
#include "imaging/jpeg.h"
#include "imaging/picture_file.h"
#include "imaging/progress.h"
#include "imaging/quantize.h"

namespace orvane::imaging {

using namespace detail;

namespace {

struct RowProgress {
  Progress* progress;
  int from, to;
};

bool OnRows(void* context, int rowsDone, int rows) {
  auto* p = static_cast<RowProgress*>(context);
  return p->progress->Step(p->from, p->to, rowsDone, rows);
}

int WriteError(const AtomicFile& out) { return out.error() ? out.error() : kPathFileAccess; }

// Reads and decodes the input, reporting up to `decoded`.
std::unique_ptr<Picture> ReadInput(const std::string& path, Progress& progress, int decoded,
                                   int targetWidth = 0, int targetHeight = 0) {
  std::function<bool()> poll;
  if (progress.active()) poll = [&progress] { return progress.Poll(); };
  auto bytes = std::make_shared<FileBytes>();
  if (!ReadWholeFile(path, *bytes, poll)) return nullptr;
  if (progress.Report(decoded / 4)) return nullptr;
  auto picture = DecodePolled(bytes, FixedTarget(targetWidth, targetHeight), poll);
  if (picture && progress.Report(decoded)) return nullptr;
  return picture;
}

bool Decompress(const std::string& jpegFile, const std::string& bitmapFile, int targetWidth,
                int targetHeight) {
  // The old output goes first, so a failure never leaves it behind; but never
  // the input itself, when a caller names one file twice.
  std::error_code ec;
  if (!std::filesystem::equivalent(jpegFile, bitmapFile, ec)) RemoveFile(bitmapFile);
  Progress progress(ConversionProgress());
  auto picture = ReadInput(jpegFile, progress, 60, targetWidth, targetHeight);
  if (!picture) return false;
  AtomicFile out(bitmapFile);
  RowProgress rows{&progress, 60, 99};
  if (!WriteBmp24(out, *picture, OnRows, &rows)) {
    if (!progress.stopped()) SetLastError(WriteError(out));
    return false;
  }
  if (progress.Finish() || !out.Commit()) return false;
  RememberWrittenPicture(bitmapFile, std::move(picture));
  SetLastError(kNoError);
  return true;
}

}  // namespace

bool DoDecompress(const std::string& jpegFile, const std::string& bitmapFile) {
  return Decompress(jpegFile, bitmapFile, 0, 0);
}

bool DoDecompressScaled(const std::string& jpegFile, const std::string& bitmapFile,
                        int targetWidth, int targetHeight) {
  return Decompress(jpegFile, bitmapFile, targetWidth, targetHeight);
}

bool DoCompress(const std::string& bitmapFile, const std::string& jpegFile) {
  Progress progress(ConversionProgress());
  auto picture = ReadInput(bitmapFile, progress, 40);
  if (!picture) return false;
  std::vector<std::uint8_t> bytes;
  if (!EncodeJpeg(*picture, 90, bytes)) {
    SetLastError(kInvalidPicture);
    return false;
  }
  if (progress.Report(90)) return false;
  AtomicFile out(jpegFile);
  out.Write(bytes.data(), bytes.size());
  if (!out.ok() || progress.Finish() || !out.Commit()) {
    if (!progress.stopped()) SetLastError(WriteError(out));
    return false;
  }
  SetLastError(kNoError);
  return true;
}

bool Do24To8(const std::string& pictureFile, const std::string& bitmapFile) {
  Progress progress(ConversionProgress());
  auto picture = ReadInput(pictureFile, progress, 30);
  if (!picture) return false;
  IndexedPicture indexed;
  if (!ReduceTo256(*picture, indexed, &progress, 30, 95)) return false;
  AtomicFile out(bitmapFile);
  if (!WriteBmp8(out, indexed.width, indexed.height, indexed.indices.data(),
                 indexed.palette.data(), int(indexed.palette.size())) ||
      progress.Finish() || !out.Commit()) {
    if (!progress.stopped()) SetLastError(WriteError(out));
    return false;
  }
  SetLastError(kNoError);
  return true;
}

bool RemapBMP(const std::string& inFile, const std::string& outFile) {
  auto picture = LoadPictureFile(inFile);
  if (!picture) return false;
  IndexedPicture indexed;
  ReduceTo256(*picture, indexed);
  AtomicFile out(outFile);
  if (!WriteBmp8(out, indexed.width, indexed.height, indexed.indices.data(),
                 indexed.palette.data(), int(indexed.palette.size())) ||
      !out.Commit()) {
    SetLastError(WriteError(out));
    return false;
  }
  SetLastError(kNoError);
  return true;
}

bool SaveBitmap(const std::string& file, Handle buffer) {
  const Picture* picture = Find(buffer);
  if (!picture) return false;
  AtomicFile out(file);
  if (!WriteBmp24(out, *picture) || !out.Commit()) {
    SetLastError(WriteError(out));
    return false;
  }
  return true;
}

bool SaveBitmapForLoad(const std::string& file, Handle buffer) {
  const bool saved = SaveBitmap(file, buffer);
  Picture* picture = Find(buffer);
  if (saved && picture) {
    auto kept = std::make_unique<Picture>();
    kept->width = picture->width;
    kept->height = picture->height;
    kept->pixels = std::move(picture->pixels);
    picture->width = picture->height = 0;
    RememberWrittenPicture(file, std::move(kept));
  }
  if (picture) Erase(buffer);
  return saved;
}

}  // namespace orvane::imaging
