#pragma once
// The ordered list of image entries that the slide show plays and the settings
// dialog's thumbnail timers walk. What an entry holds is up to its builder.
#include <cstdint>
#include <string>
#include <vector>

namespace orvane::core {

class clsImageList {
 public:
  int Count() const { return static_cast<int>(entries_.size()); }

  // pos < 1 (callers pass -1) or past the end appends; 1..Count inserts before
  // the entry now at pos.
  void Add(const std::string& item, int pos = -1);

  // 1-based; an index outside 1..Count throws std::out_of_range.
  const std::string& Item(int index) const;
  void Remove(int index);

  void Clear() { entries_.clear(); }

  // Puts the entries in a random order (seeded from the clock), or in the order
  // a given seed decides, so a test can repeat it.
  void Shuffle();
  void Shuffle(std::uint32_t seed);

 private:
  std::size_t Checked(int index) const;

  std::vector<std::string> entries_;
};

}  // namespace orvane::core
