#pragma once
// Splits a pixel loop over rows between a few threads. Internal to the imaging
// library. Every row is computed alike whichever part it falls in, so the
// result does not depend on the split.
#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace orvane::imaging::detail {

// How many parts a loop over `rows` rows of `pixels` pixels in all is worth:
// one for small pictures, at most four.
inline int PartsFor(long long pixels, long long rows) {
  constexpr long long kPixelsPerPart = 1LL << 19;
  constexpr long long kRowsPerPart = 16;
  const long long cores = std::max(1u, std::thread::hardware_concurrency());
  const long long parts = std::min({pixels / kPixelsPerPart, rows / kRowsPerPart, cores, 4LL});
  return int(std::max(1LL, parts));
}

// Runs work(part, first, last) for `parts` consecutive pieces of [first, last),
// the first piece on the calling thread; returns when every piece is done. A
// thread that cannot be started leaves its piece to the calling thread.
template <class Work>
void ForRowParts(int first, int last, int parts, const Work& work) {
  parts = std::clamp(parts, 1, std::max(1, last - first));
  auto bound = [&](int part) {
    return first + int((long long)(last - first) * part / parts);
  };
  std::vector<std::thread> threads;
  std::vector<int> inline_parts;
  for (int part = 1; part < parts; ++part) {
    try {
      threads.emplace_back([&work, part, from = bound(part), to = bound(part + 1)] {
        work(part, from, to);
      });
    } catch (const std::system_error&) {
      inline_parts.push_back(part);
    }
  }
  work(0, bound(0), bound(1));
  for (int part : inline_parts) work(part, bound(part), bound(part + 1));
  for (std::thread& t : threads) t.join();
}

}  // namespace orvane::imaging::detail
