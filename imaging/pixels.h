#pragma once
// Pixel memory of the pictures. Internal to the imaging library.
//
// A slide show allocates several screen-sized buffers per slide; filling fresh
// memory page by page costs as much as the pixel work itself. Large blocks are
// therefore taken from the system whole (aligned for huge pages, where the
// system uses them), and a released one goes to a small pool for the next
// picture of about its size instead of back to the system.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace orvane::imaging::detail {

struct PixelsRelease {
  std::size_t bytes = 0;  // the block's size: 0 for one from operator new
  void operator()(std::uint32_t* pixels) const;
};
using Pixels = std::unique_ptr<std::uint32_t[], PixelsRelease>;

// count pixels, not initialised (a block from the pool holds an older
// picture); nullptr when memory runs out. With hugePages a large block is new
// memory that the kernel is asked to back with huge pages (MADV_HUGEPAGE),
// never a pooled one.
Pixels AllocatePixels(std::size_t count, bool hugePages = false);

// For a block of `count` pixels that its caller writes whole at once (a decode,
// a slide): asks for huge pages behind it. Not for memory used piecemeal: a huge
// page is zeroed whole at its first touch.
void PreferHugePages(std::uint32_t* pixels, std::size_t count);

// Gives a mapped block's pages back to the system at once; its pixels read as
// 0 afterwards, and it keeps its address and size. Blocks from operator new
// (small pictures) are left as they are.
void DiscardPixels(const Pixels& pixels);

// Blocks of this many bytes or more are pooled.
inline constexpr std::size_t kLargePixelBlock = std::size_t(1) << 20;

// The blocks the pool holds now and their bytes (for tests); emptying it gives
// them back to the system.
std::size_t PooledPixelBlocks();
std::size_t PooledPixelBytes();
void EmptyPixelPool();

}  // namespace orvane::imaging::detail
