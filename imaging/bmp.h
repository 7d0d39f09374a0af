#pragma once
// Our BMP reader and writers.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/io.h"
#include "imaging/store.h"

namespace orvane::imaging::detail {

bool LooksLikeBmp(const std::uint8_t* data, std::size_t size);

// Decodes a BMP held in memory: 1, 2, 4 and 8 bits with a palette (also RLE4 and
// RLE8), 16 and 32 bits (BI_RGB, BI_BITFIELDS), 24 bits; OS/2 core and 2.x
// headers, Windows 3 to V5 headers; top-down and bottom-up. Every size and
// offset is checked against the data; on failure returns nullptr and sets
// LastError to kInvalidPicture (or kOutOfMemory).
std::unique_ptr<Picture> DecodeBmp(const std::uint8_t* data, std::size_t size);

// Writes a 24-bit bottom-up bitmap. The progress hook, when given, is called
// with the number of rows written so far and returns true to stop.
using RowHook = bool (*)(void* context, int rowsDone, int rows);
bool WriteBmp24(AtomicFile& out, const Picture& picture, RowHook hook = nullptr,
                void* context = nullptr);
// Writes an 8-bit bitmap: width x height palette indices (rows top-down) and a
// palette of up to 256 colours (0x00RRGGBB).
bool WriteBmp8(AtomicFile& out, int width, int height, const std::uint8_t* indices,
               const std::uint32_t* palette, int paletteSize);

}  // namespace orvane::imaging::detail
