#pragma once
// The filter's kernel, row by row: shared by FilterBitmap and the stretch that
// filters as it goes (StretchBltFiltered). Internal to the imaging library.
#include <cstdint>

namespace orvane::imaging::detail {

// Horizontal 1 2 1 sums of the pixels c0 <= x < c1 of a row `width` wide, byte
// by byte (the four bytes of a pixel apart; at most 4 x 255 each), the edge
// pixels repeated: dst[4 * (x - c0) + byte].
void FilterRowSums(const std::uint32_t* row, int width, int c0, int c1, std::uint16_t* dst);
// `count` filtered pixels (opaque) from the sums of the rows above, at and below.
void FilterCombine(const std::uint16_t* above, const std::uint16_t* here,
                   const std::uint16_t* below, int count, std::uint32_t* out);
// KillFilter's request, cleared at the start of every pass.
bool FilterKillRequested();
void ClearFilterKill();

}  // namespace orvane::imaging::detail
