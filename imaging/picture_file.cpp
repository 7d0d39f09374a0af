#include "imaging/picture_file.h"

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "imaging/formats_detail.h"
#include "imaging/io.h"
#include "imaging/progress.h"

namespace orvane::imaging {

namespace detail {

std::unique_ptr<Picture> DecodePicture(const std::uint8_t* data, std::size_t size,
                                       int targetWidth, int targetHeight) {
  return DecodeByContent(data, size, FixedTarget(targetWidth, targetHeight));
}

std::unique_ptr<Picture> DecodePicture(const std::uint8_t* data, std::size_t size,
                                       const TargetForSize& target) {
  return DecodeByContent(data, size, target);
}

std::unique_ptr<Picture> DecodePolled(const std::shared_ptr<const FileBytes>& bytes,
                                      const TargetForSize& target,
                                      const std::function<bool()>& poll) {
  // Small files decode in a moment: no thread for them.
  constexpr std::size_t kPolledFrom = 256u << 10;
  if (!poll || bytes->size() < kPolledFrom)
    return DecodePicture(bytes->data(), bytes->size(), target);
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    bool abandoned = false;
    // The decoder's question for the target size, answered on this thread.
    bool asked = false, answered = false;
    int width = 0, height = 0, targetWidth = 0, targetHeight = 0;
    std::unique_ptr<Picture> picture;
    int error = kNoError;
    std::string reason;
  };
  auto shared = std::make_shared<Shared>();
  // The worker owns what it uses (the bytes, its result), so that a stopped
  // load can leave it to finish on its own. It touches no handle, and asks the
  // caller's target only through this thread.
  const bool hasTarget = bool(target);
  std::thread worker([shared, bytes, hasTarget] {
    TargetForSize ask;
    if (hasTarget)
      ask = [shared](int width, int height, int& targetWidth, int& targetHeight) {
        std::unique_lock lock(shared->mutex);
        shared->width = width;
        shared->height = height;
        shared->asked = true;
        shared->changed.notify_all();
        shared->changed.wait(lock, [&] { return shared->answered || shared->abandoned; });
        // Given up: the smallest decode there is.
        targetWidth = shared->abandoned ? 1 : shared->targetWidth;
        targetHeight = shared->abandoned ? 1 : shared->targetHeight;
      };
    auto picture = DecodePicture(bytes->data(), bytes->size(), ask);
    const int error = LastError();
    std::string reason = CurrentErrorReason();
    std::lock_guard lock(shared->mutex);
    shared->picture = std::move(picture);
    shared->error = error;
    shared->reason = std::move(reason);
    shared->finished = true;
    shared->changed.notify_all();
  });
  while (true) {
    {
      std::unique_lock lock(shared->mutex);
      shared->changed.wait_for(lock, std::chrono::milliseconds(15), [&] {
        return shared->finished || (shared->asked && !shared->answered);
      });
      if (shared->finished) break;
      if (shared->asked && !shared->answered) {
        const int width = shared->width, height = shared->height;
        lock.unlock();
        int targetWidth = 0, targetHeight = 0;
        target(width, height, targetWidth, targetHeight);
        lock.lock();
        shared->targetWidth = targetWidth;
        shared->targetHeight = targetHeight;
        shared->answered = true;
        shared->changed.notify_all();
        continue;
      }
    }
    if (poll()) {
      {
        std::lock_guard lock(shared->mutex);
        shared->abandoned = true;
        shared->changed.notify_all();
      }
      worker.detach();
      SetLastError(kInvalidPicture);
      return nullptr;
    }
  }
  worker.join();
  SetLastError(shared->error);
  SetErrorReason(std::move(shared->reason));
  return std::move(shared->picture);
}

TargetForSize FixedTarget(int targetWidth, int targetHeight) {
  if (targetWidth <= 0 && targetHeight <= 0) return {};
  return [targetWidth, targetHeight](int, int, int& width, int& height) {
    width = targetWidth;
    height = targetHeight;
  };
}

namespace {

// The load callback, called first when a load takes long enough to poll.
class LoadPoll {
 public:
  bool operator()() {
    if (!proc_) return false;
    if (!progress_) progress_.emplace(proc_);
    return progress_->Poll();
  }
  explicit operator bool() const { return proc_ != nullptr; }

 private:
  ProgressProc proc_ = LoadProgress();
  std::optional<Progress> progress_;
};

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec changed{};
  bool operator==(const FileIdentity& o) const {
    return device == o.device && inode == o.inode && size == o.size &&
           changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
  }
};

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_ctim};
}

struct WrittenPicture {
  FileIdentity identity;
  std::unique_ptr<Picture> picture;
};
std::optional<WrittenPicture> lastWritten;

}  // namespace

void RememberWrittenPicture(const std::string& path, std::unique_ptr<Picture> picture) {
  lastWritten.reset();
  const auto identity = IdentityOf(path);
  if (identity && picture) lastWritten = WrittenPicture{*identity, std::move(picture)};
}

std::unique_ptr<Picture> LoadPictureFile(const std::string& path, int targetWidth,
                                         int targetHeight) {
  if (lastWritten) {
    std::optional<WrittenPicture> written = std::move(lastWritten);
    lastWritten.reset();
    if (IdentityOf(path) == written->identity) {
      written->picture->isWorkBuffer = false;
      written->picture->colourKey.reset();
      written->picture->stretchMode = kBlackOnWhite;
      return std::move(written->picture);
    }
  }
  ClearErrorReason();
  LoadPoll poll;
  std::function<bool()> pollFunction;
  if (poll) pollFunction = [&poll] { return poll(); };
  auto bytes = std::make_shared<FileBytes>();
  if (!ReadWholeFile(path, *bytes, pollFunction)) return nullptr;
  return DecodePolled(bytes, FixedTarget(targetWidth, targetHeight), pollFunction);
}

std::unique_ptr<Picture> LoadPictureFile(const std::string& path, const TargetForSize& target) {
  ClearErrorReason();
  LoadPoll poll;
  std::function<bool()> pollFunction;
  if (poll) pollFunction = [&poll] { return poll(); };
  auto bytes = std::make_shared<FileBytes>();
  if (!ReadWholeFile(path, *bytes, pollFunction)) return nullptr;
  return DecodePolled(bytes, target, pollFunction);
}

}  // namespace detail

using namespace detail;

Handle LoadBitMap(const std::string& file) {
  auto picture = LoadPictureFile(file);
  if (!picture) return kNoHandle;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

Handle LoadBitMapEx(const std::string& file, std::uint8_t red, std::uint8_t green,
                    std::uint8_t blue) {
  auto picture = LoadPictureFile(file);
  if (!picture) return kNoHandle;
  picture->colourKey = MakePixel(red, green, blue) & 0xFFFFFFu;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

Handle LoadBitMapScaled(const std::string& file, int targetWidth, int targetHeight) {
  auto picture = LoadPictureFile(file, targetWidth, targetHeight);
  if (!picture) return kNoHandle;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

Handle LoadWorkBuff(const std::string& file, int targetWidth, int targetHeight) {
  auto picture = LoadPictureFile(file, targetWidth, targetHeight);
  if (!picture) return kNoHandle;
  picture->isWorkBuffer = true;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

Handle LoadWorkBuffFor(const std::string& file, const TargetForSize& target) {
  auto picture = LoadPictureFile(file, target);
  if (!picture) return kNoHandle;
  picture->isWorkBuffer = true;
  SetLastError(kNoError);
  return Insert(std::move(picture));
}

}  // namespace orvane::imaging
