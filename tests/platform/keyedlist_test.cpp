#include "platform/keyedlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using orvane::platform::KeyedList;

namespace {

std::vector<std::string> Items(const KeyedList<std::string>& list) {
  std::vector<std::string> out;
  for (const auto& item : list) out.push_back(item);
  return out;
}

}  // namespace

TEST(KeyedList, KeepsInsertionOrderAndFindsKeysWithoutCase) {
  KeyedList<std::string> list;
  EXPECT_TRUE(list.Add("sea", "Sea"));
  list.Add("unkeyed");
  EXPECT_TRUE(list.Add("hills", "Hills"));
  EXPECT_FALSE(list.Add("other", "SEA"));  // duplicate key: nothing added
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"sea", "unkeyed", "hills"}));
  EXPECT_EQ(list.Item(1), "sea");
  EXPECT_EQ(list.Item(3), "hills");
  EXPECT_EQ(list.Item("sEa"), "sea");
  EXPECT_TRUE(list.Exists("HILLS"));
  EXPECT_FALSE(list.Exists("unkeyed"));
  EXPECT_EQ(list.IndexOf("hills"), 3);
  EXPECT_EQ(list.IndexOf("none"), 0);
  EXPECT_EQ(*list.KeyAt(1), "Sea");
  EXPECT_FALSE(list.KeyAt(2).has_value());
  EXPECT_EQ(list.Find("nothing"), nullptr);
}

TEST(KeyedList, MissingPositionsAndKeysAreErrors) {
  KeyedList<int> list;
  EXPECT_THROW(list.Item(1), std::out_of_range);
  list.Add(5, "a");
  EXPECT_THROW(list.Item(0), std::out_of_range);
  EXPECT_THROW(list.Item(2), std::out_of_range);
  EXPECT_THROW(list.Item("b"), std::out_of_range);
  EXPECT_FALSE(list.Remove(2));
  EXPECT_FALSE(list.Remove("b"));
  EXPECT_EQ(list.Count(), 1);
}

TEST(KeyedList, RemoveKeepsKeysPointingAtTheRightItems) {
  KeyedList<std::string> list;
  for (const char* name : {"a", "b", "c", "d"}) list.Add(name, name);
  EXPECT_TRUE(list.Remove(2));     // b
  EXPECT_TRUE(list.Remove("C"));   // c
  EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "d"}));
  EXPECT_EQ(list.Item("d"), "d");
  EXPECT_EQ(list.IndexOf("d"), 2);
  EXPECT_FALSE(list.Exists("b"));
  EXPECT_TRUE(list.Add("b again", "B"));  // a removed key can be used again
  EXPECT_EQ(list.Item(3), "b again");
  list.Item("a") = "changed";
  EXPECT_EQ(list.Item(1), "changed");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.Exists("a"));
}

// Keys fold as the ini files' names do: windows-1252 letters too.
TEST(KeyedList, Windows1252LettersFoldCase) {
  KeyedList<int> list;
  EXPECT_TRUE(list.Add(1, "\xC9t\xE9"));         // "Été"
  EXPECT_FALSE(list.Add(2, "\xE9t\xE9"));        // "été" is the same key
  EXPECT_EQ(list.Item("\xE9T\xC9"), 1);
  EXPECT_TRUE(list.Add(3, "\x8A\x9F"));          // S caron, Y diaeresis
  EXPECT_EQ(list.IndexOf("\x9A\xFF"), 2);
  EXPECT_TRUE(list.Add(4, "\xD7"));               // the multiplication sign is no letter
  EXPECT_TRUE(list.Add(5, "\xF7"));
  EXPECT_TRUE(list.Remove("\xE9T\xE9"));
  EXPECT_FALSE(list.Exists("\xC9t\xE9"));
}
