#include "imaging/pixels.h"

#include <sys/mman.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

namespace orvane::imaging::detail {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// What the pool keeps: a few screen-sized buffers of a 4K screen, and the
// decoded picture of one slide beside them.
constexpr std::size_t kPoolBlocks = 4;
constexpr std::size_t kPoolBytes = std::size_t(256) << 20;

struct Block {
  void* address;
  std::size_t bytes;
};

// Released blocks, the oldest first. Pictures are released on the decoding
// thread too.
std::mutex poolMutex;
// Never destroyed: a picture may be released while the program exits.
std::vector<Block>& Pool() {
  static auto* pool = new std::vector<Block>;
  return *pool;
}

std::size_t PoolBytesLocked() {
  std::size_t total = 0;
  for (const Block& b : Pool()) total += b.bytes;
  return total;
}

// A block of bytes (a multiple of kHugePage) aligned to a huge page, so that
// the kernel can back all of it with huge pages.
void* MapBlock(std::size_t bytes) {
  void* raw = ::mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t(kHugePage) - 1);
  if (aligned > start) ::munmap(raw, aligned - start);
  const std::size_t tail = (start + bytes + kHugePage) - (aligned + bytes);
  if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + bytes), tail);
  // Not asked for as huge pages (MADV_HUGEPAGE) here: measured on a show's
  // first slide, the kernel's zeroing and compaction of whole 2 MiB pages cost
  // more than the small-page faults they save, for memory used piecemeal. Only
  // blocks written whole at once ask (PreferHugePages). Where the system uses
  // huge pages for every mapping, the alignment lets it.
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

void PixelsRelease::operator()(std::uint32_t* pixels) const {
  if (!pixels) return;
  if (bytes == 0) {
    delete[] pixels;
    return;
  }
  std::vector<Block> unmap;
  {
    std::lock_guard lock(poolMutex);
    auto& pool = Pool();
    if (bytes > kPoolBytes) {
      unmap.push_back({pixels, bytes});
    } else {
      pool.push_back({pixels, bytes});
      while (pool.size() > kPoolBlocks || PoolBytesLocked() > kPoolBytes) {
        unmap.push_back(pool.front());
        pool.erase(pool.begin());
      }
    }
  }
  for (const Block& b : unmap) ::munmap(b.address, b.bytes);
}

Pixels AllocatePixels(std::size_t count, bool hugePages) {
  if (count > SIZE_MAX / 4 - kHugePage) return nullptr;
  const std::size_t needed = count * 4;
  if (needed < kLargePixelBlock)
    return Pixels(new (std::nothrow) std::uint32_t[count > 0 ? count : 1], PixelsRelease{0});
  const std::size_t bytes = (needed + kHugePage - 1) / kHugePage * kHugePage;
  Block reused{nullptr, 0};
  if (!hugePages) {
    // The smallest pooled block that fits: its pages are in memory already,
    // so even a larger one costs less than new pages.
    std::lock_guard lock(poolMutex);
    auto& pool = Pool();
    auto best = pool.end();
    for (auto it = pool.begin(); it != pool.end(); ++it)
      if (it->bytes >= bytes && (best == pool.end() || it->bytes < best->bytes)) best = it;
    if (best != pool.end()) {
      reused = *best;
      pool.erase(best);
    }
  }
  if (reused.address) {
    // What a smaller picture does not need of the block goes back to the
    // system rather than staying resident unused.
    if (reused.bytes > bytes)
      ::munmap(static_cast<char*>(reused.address) + bytes, reused.bytes - bytes);
    return Pixels(static_cast<std::uint32_t*>(reused.address), PixelsRelease{bytes});
  }
  void* block = MapBlock(bytes);
  if (!block) return nullptr;
  // A block asked for in huge pages is new memory, advised before any page
  // of it is in memory: a pooled block's small pages would stay small.
  if (hugePages) ::madvise(block, bytes, MADV_HUGEPAGE);
  return Pixels(static_cast<std::uint32_t*>(block), PixelsRelease{bytes});
}

void PreferHugePages(std::uint32_t* pixels, std::size_t count) {
  const std::size_t needed = count * 4;
  if (!pixels || needed < kLargePixelBlock) return;  // from operator new
  // A block is whole huge pages, aligned to one (MapBlock).
  ::madvise(pixels, (needed + kHugePage - 1) / kHugePage * kHugePage, MADV_HUGEPAGE);
}

void DiscardPixels(const Pixels& pixels) {
  if (pixels && pixels.get_deleter().bytes > 0)
    ::madvise(pixels.get(), pixels.get_deleter().bytes, MADV_DONTNEED);
}

std::size_t PooledPixelBlocks() {
  std::lock_guard lock(poolMutex);
  return Pool().size();
}

std::size_t PooledPixelBytes() {
  std::lock_guard lock(poolMutex);
  return PoolBytesLocked();
}

void EmptyPixelPool() {
  std::vector<Block> unmap;
  {
    std::lock_guard lock(poolMutex);
    unmap.swap(Pool());
  }
  for (const Block& b : unmap) ::munmap(b.address, b.bytes);
}

}  // namespace orvane::imaging::detail
