#pragma once
// A keyed collection in the run time's manner: items kept in insertion order and
// numbered from 1, each with an optional text key. Keys compare without regard
// to case in ASCII and windows-1252, as the ini files do ("Sea" and "SEA" are
// one key, and so are "\xC9t\xE9" and "\xE9t\xE9").
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/ansifold.h"

namespace orvane::platform {

template <typename T>
class KeyedList {
 public:
  struct Entry {
    std::optional<std::string> key;  // as it was added
    T item;
  };

  // Appends an item without a key.
  void Add(T item) { entries_.push_back(Entry{std::nullopt, std::move(item)}); }

  // Appends an item under key. A key that is already in use adds nothing and
  // returns false.
  bool Add(T item, std::string_view key) {
    std::string folded = Fold(key);
    if (index_.count(folded)) return false;
    index_.emplace(std::move(folded), entries_.size());
    entries_.push_back(Entry{std::string(key), std::move(item)});
    return true;
  }

  int Count() const { return static_cast<int>(entries_.size()); }
  bool Exists(std::string_view key) const { return index_.count(Fold(key)) != 0; }

  // Positions are 1-based ints, as loops over Count() use them;
  // std::out_of_range outside 1..Count.
  T& Item(int index) { return entries_.at(Checked(index)).item; }
  const T& Item(int index) const { return entries_.at(Checked(index)).item; }
  // std::out_of_range when no item has the key.
  T& Item(std::string_view key) { return entries_[Position(key)].item; }
  const T& Item(std::string_view key) const { return entries_[Position(key)].item; }

  // The item under key, or nullptr.
  T* Find(std::string_view key) {
    const auto it = index_.find(Fold(key));
    return it == index_.end() ? nullptr : &entries_[it->second].item;
  }
  const T* Find(std::string_view key) const {
    const auto it = index_.find(Fold(key));
    return it == index_.end() ? nullptr : &entries_[it->second].item;
  }

  // The 1-based position of the item under key, 0 when there is none.
  int IndexOf(std::string_view key) const {
    const auto it = index_.find(Fold(key));
    return it == index_.end() ? 0 : static_cast<int>(it->second) + 1;
  }
  // The key of the item at a 1-based position, as it was added.
  const std::optional<std::string>& KeyAt(int index) const { return entries_.at(Checked(index)).key; }

  // Removes one item; false when the position or key is not there.
  bool Remove(int index) {
    if (index < 1 || index > Count()) return false;
    Erase(static_cast<std::size_t>(index - 1));
    return true;
  }
  bool Remove(std::string_view key) {
    const auto it = index_.find(Fold(key));
    if (it == index_.end()) return false;
    Erase(it->second);
    return true;
  }
  // Needed so that Remove("name") does not read as a position.
  bool Remove(const char* key) { return Remove(std::string_view(key)); }
  T& Item(const char* key) { return Item(std::string_view(key)); }
  const T& Item(const char* key) const { return Item(std::string_view(key)); }

  void Clear() {
    entries_.clear();
    index_.clear();
  }

  // Iteration visits the items in order.
  class iterator {
   public:
    using Base = typename std::vector<Entry>::iterator;
    explicit iterator(Base it) : it_(it) {}
    T& operator*() const { return it_->item; }
    T* operator->() const { return &it_->item; }
    iterator& operator++() { ++it_; return *this; }
    bool operator==(const iterator& other) const { return it_ == other.it_; }
   private:
    Base it_;
  };
  class const_iterator {
   public:
    using Base = typename std::vector<Entry>::const_iterator;
    explicit const_iterator(Base it) : it_(it) {}
    const T& operator*() const { return it_->item; }
    const T* operator->() const { return &it_->item; }
    const_iterator& operator++() { ++it_; return *this; }
    bool operator==(const const_iterator& other) const { return it_ == other.it_; }
   private:
    Base it_;
  };
  iterator begin() { return iterator(entries_.begin()); }
  iterator end() { return iterator(entries_.end()); }
  const_iterator begin() const { return const_iterator(entries_.begin()); }
  const_iterator end() const { return const_iterator(entries_.end()); }

  // Keys with their items, for callers that need both.
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  static std::string Fold(std::string_view key) { return FoldedAnsi(key); }
  std::size_t Checked(int index) const {
    if (index < 1 || index > Count()) throw std::out_of_range("KeyedList index out of range");
    return static_cast<std::size_t>(index - 1);
  }
  std::size_t Position(std::string_view key) const {
    const auto it = index_.find(Fold(key));
    if (it == index_.end()) throw std::out_of_range("KeyedList key not found");
    return it->second;
  }
  void Erase(std::size_t position) {
    if (entries_[position].key) index_.erase(Fold(*entries_[position].key));
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& [key, pos] : index_)
      if (pos > position) --pos;
  }

  std::vector<Entry> entries_;
  std::unordered_map<std::string, std::size_t> index_;  // folded key -> 0-based position
};

}  // namespace orvane::platform
