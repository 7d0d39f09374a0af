#include "addset/Thumbnail.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "imaging/formats.h"
#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "imaging/picture_file.h"
#include "imaging/store.h"

namespace orvane::addset {

namespace im = orvane::imaging;

namespace {

// Releases a work buffer when it goes out of scope.
struct Buffer {
  explicit Buffer(im::Handle h) : handle(h) {}
  ~Buffer() {
    if (handle > im::kNoHandle) im::DestroyWorkBuff(handle);
  }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  im::Handle handle;
};

// The imaging library's handle table is not shared between threads: the
// decode, which is nearly all of the work, runs on each thread by itself; the
// small stretch and the write go through the table one thread at a time.
std::mutex tableMutex;

}  // namespace

ThumbnailResult MakeThumbnail(const std::string& picture, const std::string& thumbnail,
                              const std::string& scratchName, std::string* reason) {
  const std::string scratch =
      !scratchName.empty()
          ? scratchName
          : (std::filesystem::path(thumbnail).parent_path() / (std::string(kScratchPrefix) + std::to_string(getpid()) + ".bmp"))
                .string();
  // JPEGs are decoded at the smallest DCT scale that still covers the box.
  std::unique_ptr<im::detail::Picture> decoded =
      im::detail::LoadPictureFile(picture, kThumbnailWidth, kThumbnailHeight);
  if (!decoded || decoded->width <= 0 || decoded->height <= 0) {
    if (reason) *reason = im::LastErrorReason();
    return ThumbnailResult::Unreadable;
  }
  decoded->isWorkBuffer = true;
  const int width = decoded->width;
  const int height = decoded->height;

  int fitWidth = kThumbnailWidth;
  int fitHeight = static_cast<int>((static_cast<long long>(height) * kThumbnailWidth + width / 2) / width);
  if (fitHeight > kThumbnailHeight) {
    fitHeight = kThumbnailHeight;
    fitWidth = static_cast<int>((static_cast<long long>(width) * kThumbnailHeight + height / 2) / height);
  }
  fitWidth = std::clamp(fitWidth, 1, kThumbnailWidth);
  fitHeight = std::clamp(fitHeight, 1, kThumbnailHeight);

  {
    const std::lock_guard lock(tableMutex);
    const Buffer source(im::detail::Insert(std::move(decoded)));
    if (source.handle <= im::kNoHandle) return ThumbnailResult::NotWritten;
    const Buffer target(im::CreateWorkBuff(fitWidth, fitHeight, 0, 0));
    if (target.handle <= im::kNoHandle) return ThumbnailResult::NotWritten;
    const im::DeviceContext dc = im::GetWorkBuffHDC(target.handle);
    im::SetStretchBltMode(dc, im::kHalftone);
    if (!im::StretchBlt(dc, 0, 0, fitWidth, fitHeight, im::GetWorkBuffHDC(source.handle), 0, 0, width, height) ||
        !im::SaveBitmap(scratch, target.handle)) {
      unlink(scratch.c_str());
      return ThumbnailResult::NotWritten;
    }
  }
  if (std::rename(scratch.c_str(), thumbnail.c_str()) != 0) {
    unlink(scratch.c_str());
    return ThumbnailResult::NotWritten;
  }
  return ThumbnailResult::Made;
}

void MakeThumbnails(std::vector<ThumbnailJob>& jobs, const std::string& scratchFolder,
                    const ThumbnailProgress& progress) {
  const std::size_t total = jobs.size();
  if (total == 0) return;
  std::atomic<std::size_t> next{0};
  std::size_t done = 0;
  std::mutex doneMutex;
  std::condition_variable changed;
  const std::string prefix = scratchFolder + kScratchPrefix + std::to_string(getpid()) + "-";
  auto work = [&](unsigned worker) {
    const std::string scratch = prefix + std::to_string(worker) + ".bmp";
    for (std::size_t i; (i = next.fetch_add(1)) < total;) {
      jobs[i].result = MakeThumbnail(jobs[i].picture, jobs[i].thumbnail, scratch, &jobs[i].reason);
      const std::lock_guard lock(doneMutex);
      ++done;
      changed.notify_one();
    }
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const unsigned count = unsigned(std::min<std::size_t>(cores, total));
  std::vector<std::thread> threads;
  // This thread reports the progress; with a single core it does the work.
  if (count == 1) work(0);
  else
    for (unsigned worker = 0; worker < count; ++worker) threads.emplace_back(work, worker);
  {
    std::unique_lock lock(doneMutex);
    auto shown = std::chrono::steady_clock::now();
    while (done < total) {
      changed.wait_for(lock, std::chrono::milliseconds(100));
      const auto now = std::chrono::steady_clock::now();
      if (progress && done < total && now - shown >= std::chrono::milliseconds(100)) {
        const std::size_t sofar = done;
        lock.unlock();
        progress(sofar, total, false);
        lock.lock();
        shown = now;
      }
    }
  }
  for (std::thread& thread : threads) thread.join();
  if (progress) progress(total, total, true);
}

}  // namespace orvane::addset
