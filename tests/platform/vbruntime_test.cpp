#include "platform/vbruntime.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/testenv.h"

namespace vb = orvane::platform;

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  struct Case { double in; int out; };
  const std::vector<Case> cases = {
      {0.5, 0},   {1.5, 2},   {2.5, 2},     {3.5, 4},     {-0.5, 0},  {-1.5, -2}, {-2.5, -2},
      {2.4999, 2}, {2.5001, 3}, {-2.5001, -3}, {7.0, 7},   {1e-300, 0}, {32766.5, 32766}};
  for (const auto& c : cases) {
    EXPECT_EQ(vb::CInt(c.in), c.out) << c.in;
    EXPECT_EQ(vb::CLng(c.in), c.out) << c.in;
  }
}

TEST(Rounding, OutOfRangeIsAnOverflow) {
  struct Case { double in; bool fitsInt; bool fitsLong; };
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Case> cases = {
      {32767.0, true, true},       {32767.5, false, true},       {-32768.5, true, true},
      {-32769.0, false, true},     {2147483647.4, false, true},  {2147483647.5, false, false},
      {-2147483648.5, false, true}, {-2147483649.0, false, false}, {inf, false, false},
      {-inf, false, false},        {std::nan(""), false, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(vb::TryCInt(c.in).has_value(), c.fitsInt) << c.in;
    EXPECT_EQ(vb::TryCLng(c.in).has_value(), c.fitsLong) << c.in;
    if (!c.fitsLong) {
      EXPECT_THROW(vb::CLng(c.in), vb::OverflowError) << c.in;
    }
    if (!c.fitsInt) {
      EXPECT_THROW(vb::CInt(c.in), vb::OverflowError) << c.in;
    }
  }
  EXPECT_EQ(*vb::TryCLng(-2147483648.5), -2147483647 - 1);
}

TEST(Rounding, IntIsTheFloor) {
  EXPECT_EQ(vb::Int(2.9), 2.0);
  EXPECT_EQ(vb::Int(-2.1), -3.0);
  EXPECT_EQ(vb::Int(-3.0), -3.0);
  EXPECT_EQ(vb::Int(0.99999994f * 5 + 1), 5.0);
}

TEST(Val, ReadsTheLeadingNumber) {
  struct Case { const char* in; double out; };
  const std::vector<Case> cases = {
      {"", 0},           {"abc", 0},          {"42", 42},          {"  42  ", 42},
      {"1 2 3", 123},    {" 1615 198th Street", 1615198}, {"\t3\r\n4", 34}, {"-5", -5},
      {"+5", 5},         {"- 5", -5},          {"--5", 0},          {"3.25", 3.25},
      {".5", 0.5},       {"5.", 5},            {"1.2.3", 1.2},      {".", 0},
      {"1e3", 1000},     {"1E-2", 0.01},       {"2D2", 200},        {"1e", 1},
      {"1e+", 1},        {"12s", 12},          {"60m", 60},         {"1,5", 1},
      {"$5", 0},         {"&HFF", 255},        {"&hff", 255},       {"&H", 0},
      {"&HFFFFFFFF", -1}, {"&H7FFFFFFF", 2147483647}, {"&HFFFFFFFFF", -1}, {"&O17", 15},
      {"&17", 15},       {"&O9", 0},           {"&HG", 0},          {"&H1F z", 31}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(vb::Val(c.in), c.out) << '"' << c.in << '"';
}

// A locale whose decimal separator is a comma: the installed German one, else
// one made with localedef into the test's folder (no rights needed).
bool UseGermanNumbers() {
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) return true;
  const std::filesystem::path folder = orvane::test::MakeTempDir("locales");
  const std::string command = "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8").string() + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return false;
  setenv("LOCPATH", folder.c_str(), 1);
  return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
}

TEST(Val, IgnoresTheUsersDecimalComma) {
  // Qt programs run under the user's locale; a decimal point must still read.
  if (!UseGermanNumbers())
    GTEST_SKIP() << "no German locale is installed and localedef cannot make one (package \"locales\")";
  ASSERT_EQ(std::localeconv()->decimal_point, std::string(","));
  EXPECT_DOUBLE_EQ(vb::Val("2.5"), 2.5);
  std::setlocale(LC_NUMERIC, "C");
}

TEST(Val, TooLargeIsAnOverflowForTheWholeNumberConversions) {
  const double huge = vb::Val("1e400");
  EXPECT_TRUE(std::isinf(huge));
  EXPECT_FALSE(vb::TryCLng(huge).has_value());
  EXPECT_EQ(vb::CLng(vb::Val("65535")), 65535);
}

TEST(Str, LeadingBlankAndNoZeroBeforeThePoint) {
  struct Case { double in; int digits; const char* out; };
  const std::vector<Case> cases = {
      {0, 15, " 0"},           {42, 15, " 42"},          {-42, 15, "-42"},        {3.5, 15, " 3.5"},
      {0.5, 15, " .5"},        {-0.25, 15, "-.25"},      {2147483647, 15, " 2147483647"},
      {1.0 / 3, 15, " .333333333333333"}, {1.0 / 3, 7, " .3333333"}, {1e16, 15, " 1E+16"},
      {1.5e-7, 15, " 1.5E-07"}, {123456789, 7, " 1.234568E+08"}, {262.5, 7, " 262.5"}};
  for (const auto& c : cases) EXPECT_EQ(vb::Str(c.in, c.digits), c.out) << c.in;
  EXPECT_EQ(vb::Str(7LL), " 7");
  EXPECT_EQ(vb::Str(-2147483648LL), "-2147483648");
}

namespace {

class ScriptedRandom : public vb::RandomSource {
 public:
  float Rnd() override { return next; }
  float next = 0.0f;
};

}  // namespace

TEST(Random, SameSeedSameSequenceAndValuesInRange) {
  vb::RandomSource a, b;
  a.Randomize(7);
  b.Randomize(7);
  bool differs = false;
  vb::RandomSource c;
  c.Randomize(8);
  for (int i = 0; i < 1000; ++i) {
    const float x = a.Rnd();
    EXPECT_EQ(x, b.Rnd());
    EXPECT_GE(x, 0.0f);
    EXPECT_LT(x, 1.0f);
    if (c.Rnd() != x) differs = true;
  }
  EXPECT_TRUE(differs);
}

TEST(Random, DefaultSourceCanBeReplacedAndIndexStaysInRange) {
  ScriptedRandom scripted;
  vb::SetRandomSource(&scripted);
  scripted.next = 0.99999994f;  // the largest float below 1
  EXPECT_EQ(vb::RandomIndex(3), 2);
  EXPECT_EQ(vb::RandomIndex(0), 0);
  EXPECT_EQ(vb::RandomIndex(-4), 0);
  scripted.next = 0.5f;
  EXPECT_EQ(vb::Rnd(), 0.5f);
  vb::SetRandomSource(nullptr);
  vb::Randomize(3);
  const float first = vb::Rnd();
  vb::Randomize(3);
  EXPECT_EQ(vb::Rnd(), first);
}

TEST(DateTimeText, FixedEnglishForms) {
  struct Case { vb::DateTime in; const char* mdy; const char* mmm; };
  const std::vector<Case> cases = {
      {{2005, 6, 27, 15, 4, 5}, "6/27/2005 3:04:05 PM", "Jun 27, 2005 3:04:05 PM"},
      {{2026, 12, 1, 0, 0, 0}, "12/1/2026 12:00:00 AM", "Dec 1, 2026 12:00:00 AM"},
      {{2024, 2, 29, 12, 30, 59}, "2/29/2024 12:30:59 PM", "Feb 29, 2024 12:30:59 PM"},
      {{1999, 1, 9, 9, 5, 7}, "1/9/1999 9:05:07 AM", "Jan 9, 1999 9:05:07 AM"},
      {{2000, 10, 31, 23, 59, 0}, "10/31/2000 11:59:00 PM", "Oct 31, 2000 11:59:00 PM"}};
  for (const auto& c : cases) {
    EXPECT_EQ(vb::FormatMdyDateTime(c.in), c.mdy);
    EXPECT_EQ(vb::FormatMmmDateTime(c.in), c.mmm);
    EXPECT_EQ(vb::ParseDateTime(c.mdy), c.in) << c.mdy;
    EXPECT_EQ(vb::ParseDateTime(c.mmm), c.in) << c.mmm;
  }
}

TEST(DateTimeText, ParsesLenientlyButRejectsNonsense) {
  struct Case { const char* in; std::optional<vb::DateTime> out; };
  const std::vector<Case> cases = {
      {"6/27/2005", vb::DateTime{2005, 6, 27, 0, 0, 0}},
      {"June 27, 2005 15:04", vb::DateTime{2005, 6, 27, 15, 4, 0}},
      {"  jun 27 2005 3:04:05 pm  ", vb::DateTime{2005, 6, 27, 15, 4, 5}},
      {"Sept 1, 2010 12:00:00 PM", vb::DateTime{2010, 9, 1, 12, 0, 0}},
      {"", std::nullopt},
      {"2/30/2005 1:00:00 AM", std::nullopt},
      {"2/29/2023", std::nullopt},
      {"13/1/2005", std::nullopt},
      {"6/27/05 3:04:05 PM", std::nullopt},
      {"6/27/2005 13:04:05 PM", std::nullopt},
      {"6/27/2005 0:04:05 AM", std::nullopt},
      {"6/27/2005 24:00", std::nullopt},
      {"6/27/2005 3:4:05 PM", std::nullopt},
      {"6/27/2005 3:04:05 PM x", std::nullopt},
      {"Foo 27, 2005", std::nullopt},
      {"27.06.2005 15:04:05", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(vb::ParseDateTime(c.in), c.out) << '"' << c.in << '"';
}

TEST(DateTimeText, NowIsValidAndRoundTrips) {
  const vb::DateTime now = vb::Now();
  ASSERT_TRUE(vb::IsValid(now));
  EXPECT_EQ(vb::ParseDateTime(vb::FormatMdyDateTime(now)), now);
}
