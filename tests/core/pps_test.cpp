#include "core/PPS.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/testenv.h"

using orvane::core::GetIniInt;
using orvane::core::GetIniString;
using orvane::core::IniBatch;
using orvane::core::WriteIni;
using orvane::test::ReadFile;
using orvane::test::WriteFile;

namespace {

class PpsTest : public ::testing::Test {
 protected:
  void SetUp() override { file_ = (orvane::test::MakeTempDir("pps") / "t.ini").string(); }
  std::string file_;
};

TEST_F(PpsTest, LongValuesAreReadWhole) {
  for (size_t length : {size_t{501}, size_t{502}, size_t{600}, size_t{1014}, size_t{40000},
                        size_t{100000}}) {
    const std::string value(length, 'v');
    WriteFile(file_, "[S]\r\nk=" + value + "\r\n");
    EXPECT_EQ(GetIniString("S", "k", "", file_), value) << length;
  }
}

TEST_F(PpsTest, EmptyKeyListsTheKeyNames) {
  WriteFile(file_, "[S]\r\na=1\r\nb=2\r\n[Empty]\r\n");
  EXPECT_EQ(GetIniString("S", "", "", file_), std::string("a\0b\0", 4));
  EXPECT_EQ(GetIniString("Empty", "", "", file_), "");
  EXPECT_EQ(GetIniString("Missing", "", "", file_), "");

  std::string many;
  std::string expected;
  for (int i = 0; i < 500; ++i) {
    many += "key" + std::to_string(i) + "=x\r\n";
    expected += "key" + std::to_string(i) + '\0';
  }
  WriteFile(file_, "[Big]\r\n" + many);
  EXPECT_EQ(GetIniString("Big", "", "", file_), expected);
}

TEST_F(PpsTest, ReadsGiveTheDefaultWhenMissing) {
  WriteFile(file_, "[S]\r\nn=12abc\r\ns=  text  \r\n");
  EXPECT_EQ(GetIniString("S", "s", "d", file_), "text");
  EXPECT_EQ(GetIniString("S", "x", "d", file_), "d");
  EXPECT_EQ(GetIniString("S", "x", "", file_), "");
  EXPECT_EQ(GetIniInt("S", "n", 5, file_), 12);
  EXPECT_EQ(GetIniInt("S", "x", 5, file_), 5);
  EXPECT_EQ(GetIniInt("S", "s", 5, file_), 0);
}

TEST_F(PpsTest, WriteIniTrimsTheCallersValue) {
  std::string value = "  x  ";
  EXPECT_TRUE(WriteIni("S", "k", value, file_));
  EXPECT_EQ(value, "x");
  EXPECT_EQ(ReadFile(file_), "[S]\r\nk=x\r\n");

  std::string blank = "   ";
  EXPECT_TRUE(WriteIni("S", "k", blank, file_));  // an empty value is written, not deleted
  EXPECT_EQ(blank, "");
  EXPECT_EQ(ReadFile(file_), "[S]\r\nk=\r\n");

  EXPECT_TRUE(WriteIni("S", "Random", std::string(" 1 "), file_));
  EXPECT_EQ(GetIniInt("s", "random", 0, file_), 1);
  EXPECT_FALSE(WriteIni("S", "k", "1", (orvane::test::TempRoot() / "no/such/t.ini").string()));
}

TEST_F(PpsTest, IniBatchWritesAsWriteIniWouldInOneChange) {
  WriteFile(file_, "[S]\r\nold=1\r\ngone=1\r\n[Drop]\r\nx=1\r\n");
  IniBatch batch(file_);
  batch.Write("S", "old", "  2 ");
  batch.Write("S", "new", "   ");
  batch.DeleteKey("S", "gone");
  batch.DeleteSection("Drop");
  batch.Write("T", "k", "v");
  EXPECT_EQ(batch.size(), 5u);
  EXPECT_TRUE(batch.Commit());
  EXPECT_EQ(batch.size(), 0u);
  EXPECT_EQ(ReadFile(file_), "[S]\r\nold=2\r\nnew=\r\n[T]\r\nk=v\r\n");

  // A key that cannot be stored refuses the whole batch.
  batch.Write("S", "old", "3");
  batch.Write("S", "bad=key", "3");
  EXPECT_FALSE(batch.Commit());
  EXPECT_EQ(GetIniInt("S", "old", 0, file_), 2);
}

}  // namespace
