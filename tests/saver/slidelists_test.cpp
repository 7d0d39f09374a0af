// The slide lists of the show, built from the catalogue file and the sets'
// company.ini files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/clsImageList.h"
#include "saver/SlideLists.h"
#include "tests/support/testenv.h"

namespace orvane::saver {
namespace {

using test::MakeTempDir;
using test::WriteFile;

// Shows an entry's NUL as "|" so that failures read well.
std::vector<std::string> Readable(const std::vector<std::string>& entries) {
  std::vector<std::string> out;
  for (std::string e : entries) {
    for (char& c : e)
      if (c == '\0') c = '|';
    out.push_back(e);
  }
  return out;
}

class SlideLists : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = MakeTempDir("program");
    catalogue_ = (MakeTempDir("settings") / "Orvane.ini").string();
    WriteFile(catalogue_,
              "[SetDescriptions]\r\nSea=Sea\\\r\nHills=*Hills\\\r\nCity=City\\\r\n"
              "Empty=Empty\\\r\n"
              "[Sea]\r\nwave=wave\r\nrock=*rock\r\nshell=shell.bmp\r\n"
              "[Hills]\r\nridge=ridge\r\n"
              "[City]\r\nstreet=street\r\n");
  }
  void Company(const std::string& folder, const std::string& text) {
    WriteFile(program_ / folder / "company.ini", text);
  }
  std::string Program() const { return program_.string() + "/"; }
  std::filesystem::path program_;
  std::string catalogue_;
};

TEST(KeyListToArray, SplitsAtNulUpToTheFirstEmptyName) {
  using Names = std::vector<std::string>;
  const std::pair<std::string, Names> cases[] = {
      {std::string(""), Names{}},
      {std::string("a\0b\0", 4), Names{"a", "b"}},
      {std::string("a\0b\0\0", 5), Names{"a", "b"}},
      {std::string("a\0\0b\0", 5), Names{"a"}},
      {std::string("last"), Names{"last"}},
  };
  for (const auto& [list, names] : cases) EXPECT_EQ(KeyListToArray(list), names) << list;
}

TEST_F(SlideLists, OneSetListLeadsWithItsTitlePage) {
  Company("Sea", "[TitlePage]\r\nfile=intro.jpg\r\ntime=7\r\n");
  const SlideListResult list = BuildSetList(catalogue_, Program(), "Sea", 60);
  EXPECT_EQ(list.TitleFile, "intro.jpg");
  EXPECT_EQ(list.TitleTime, 7);
  EXPECT_EQ(Readable(list.entries),
            (std::vector<std::string>{"Sea\\intro.jpg|NULL", "Sea\\wave|wave",
                                      "Sea\\shell.bmp|shell"}))
      << "the excluded image rock is left out; folders keep their backslash";
}

TEST_F(SlideLists, TitlePageTimeAndSwitchedOffTitlePages) {
  struct Case {
    const char* company;
    const char* titleFile;
    int titleTime;
  };
  const Case cases[] = {
      {"[TitlePage]\r\nfile=intro.jpg\r\n", "intro.jpg", 20},
      {"[TitlePage]\r\nfile=*intro.jpg\r\ntime=7\r\n", "", 45},
      {"[Sound]\r\nHasSound=1\r\n", "", 45},
  };
  for (const Case& c : cases) {
    Company("Sea", c.company);
    const SlideListResult list = BuildSetList(catalogue_, Program(), "Sea", 45);
    EXPECT_EQ(list.TitleFile, c.titleFile) << c.company;
    EXPECT_EQ(list.TitleTime, c.titleTime) << c.company;
    EXPECT_EQ(list.entries.size(), std::string(c.titleFile).empty() ? 2u : 3u) << c.company;
  }
}

TEST_F(SlideLists, EmptyOrUnknownSetsGiveEmptyLists) {
  for (const char* set : {"Empty", "Nowhere", ""}) {
    const SlideListResult list = BuildSetList(catalogue_, Program(), set, 30);
    EXPECT_TRUE(list.entries.empty()) << set;
    EXPECT_EQ(list.TitleFile, "") << set;
    EXPECT_EQ(list.TitleTime, 30) << set;
  }
}

TEST_F(SlideLists, OneSetListDoesNotTestTheSetsOwnMark) {
  const SlideListResult list = BuildSetList(catalogue_, Program(), "Hills", 30);
  EXPECT_EQ(Readable(list.entries), (std::vector<std::string>{"Hills\\ridge|ridge"}))
      << "the folder loses the mark, so its images can be found";
}

TEST_F(SlideLists, AllSetsListSkipsExcludedSetsAndTitlePages) {
  Company("Sea", "[TitlePage]\r\nfile=intro.jpg\r\ntime=7\r\n");
  const SlideListResult list = BuildAllSetsList(catalogue_, 25);
  EXPECT_EQ(list.TitleFile, "");
  EXPECT_EQ(list.TitleTime, 25);
  EXPECT_EQ(Readable(list.entries),
            (std::vector<std::string>{"Sea\\wave|wave", "Sea\\shell.bmp|shell",
                                      "City\\street|street"}));

  core::clsImageList slideList;
  slideList.Add(MakeEntry("Old\\one", "one"));
  AppendTo(list, slideList);
  ASSERT_EQ(slideList.Count(), 4);
  EXPECT_EQ(slideList.Item(4), MakeEntry("City\\street", "street"));
}

}  // namespace
}  // namespace orvane::saver
