#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/clsImageList.h"

using orvane::core::clsImageList;

namespace {

std::vector<std::string> Entries(const clsImageList& list) {
  std::vector<std::string> out;
  for (int i = 1; i <= list.Count(); ++i) out.push_back(list.Item(i));
  return out;
}

}  // namespace

TEST(ImageList, AppendsAndInsertsBeforeAPosition) {
  clsImageList list;
  EXPECT_EQ(list.Count(), 0);
  list.Add("x", -1);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Item(1), "x");
  list.Add("y", 1);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"y", "x"}));
  list.Add("z", 2);
  list.Add("w", -1);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"y", "z", "x", "w"}));
  // Positions outside the list append rather than fail.
  list.Add("past", 99);
  list.Add("zero", 0);
  EXPECT_EQ(list.Item(5), "past");
  EXPECT_EQ(list.Item(6), "zero");
}

TEST(ImageList, RemoveAndClear) {
  clsImageList list;
  for (const char* s : {"a", "b", "c"}) list.Add(s, -1);
  list.Remove(2);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"a", "c"}));
  list.Remove(2);
  list.Remove(1);
  EXPECT_EQ(list.Count(), 0);
  list.Add("d", -1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  list.Add("e", -1);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"e"}));
}

TEST(ImageList, IndexOutsideTheListThrows) {
  clsImageList list;
  EXPECT_THROW(list.Item(1), std::out_of_range);
  list.Add("a", -1);
  for (int bad : {0, -1, 2}) {
    EXPECT_THROW(list.Item(bad), std::out_of_range) << bad;
    EXPECT_THROW(list.Remove(bad), std::out_of_range) << bad;
  }
  EXPECT_EQ(list.Count(), 1);
}

TEST(ImageList, ShuffleKeepsEveryEntryAndASeedRepeatsTheOrder) {
  clsImageList a, b;
  std::vector<std::string> original;
  for (int i = 0; i < 40; ++i) {
    original.push_back("img" + std::to_string(i));
    a.Add(original.back(), -1);
    b.Add(original.back(), -1);
  }
  a.Shuffle(7);
  b.Shuffle(7);
  EXPECT_EQ(Entries(a), Entries(b));
  EXPECT_NE(Entries(a), original);
  auto sorted = Entries(a);
  std::sort(sorted.begin(), sorted.end());
  auto expected = original;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(sorted, expected);

  clsImageList empty;
  empty.Shuffle();
  EXPECT_EQ(empty.Count(), 0);
}
