#include "core/clsImageList.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <stdexcept>

namespace orvane::core {

void clsImageList::Add(const std::string& item, int pos) {
  if (pos < 1 || pos > Count()) {
    entries_.push_back(item);
    return;
  }
  entries_.insert(entries_.begin() + (pos - 1), item);
}

std::size_t clsImageList::Checked(int index) const {
  if (index < 1 || index > Count())
    throw std::out_of_range("clsImageList: index " + std::to_string(index) + " outside 1.." +
                            std::to_string(Count()));
  return static_cast<std::size_t>(index - 1);
}

const std::string& clsImageList::Item(int index) const { return entries_[Checked(index)]; }

void clsImageList::Remove(int index) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(Checked(index)));
}

void clsImageList::Shuffle() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  Shuffle(static_cast<std::uint32_t>(ticks) ^ std::random_device{}());
}

void clsImageList::Shuffle(std::uint32_t seed) {
  std::mt19937 generator(seed);
  std::shuffle(entries_.begin(), entries_.end(), generator);
}

}  // namespace orvane::core
