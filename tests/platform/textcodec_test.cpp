#include "platform/textcodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using orvane::platform::CodePage;
using orvane::platform::FromUtf8;
using orvane::platform::ToQString;
using orvane::platform::ToUtf8;

namespace {

struct DecodeCase {
  const char* name;
  std::string bytes;
  CodePage codePage;
  std::string utf8;
};

TEST(TextCodec, DecodesTheCodePagesOfTheTexts) {
  const std::vector<DecodeCase> cases = {
      {"ascii", "Sea 1", CodePage::Windows1252, "Sea 1"},
      {"1252 letters", "Caf\xE9 \x80", CodePage::Windows1252, "Caf\xC3\xA9 \xE2\x82\xAC"},
      {"1252 holes map to controls", "\x81\x8D", CodePage::Windows1252, "\xC2\x81\xC2\x8D"},
      {"932", "\x82\xA0\x81\x42", CodePage::Japanese, "\xE3\x81\x82\xE3\x80\x82"},
      {"936", "\xC4\xE3", CodePage::ChineseSimplified, "\xE4\xBD\xA0"},
      {"949", "\xB0\xA1", CodePage::Korean, "\xEA\xB0\x80"},
      {"bom means UTF-8", "\xEF\xBB\xBF\xC3\xA9", CodePage::Japanese, "\xC3\xA9"},
      {"bad UTF-8 marked", "a\xFF" "b", CodePage::Utf8, "a\xEF\xBF\xBD" "b"},
      {"cut 932 sequence marked", "a\x82", CodePage::Japanese, "a\xEF\xBF\xBD"},
      {"empty", "", CodePage::Korean, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ToUtf8(c.bytes, c.codePage), c.utf8) << c.name;
  EXPECT_EQ(ToQString("Caf\xE9"), QString::fromUtf8("Caf\xC3\xA9"));
}

TEST(TextCodec, EncodesWithQuestionMarksForMissingCharacters) {
  EXPECT_EQ(FromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"), "Caf\xE9 \x80");
  EXPECT_EQ(FromUtf8("a\xE3\x81\x82" "b"), "a?b");
  EXPECT_EQ(FromUtf8("a\xFF" "b"), "a?b");
  EXPECT_EQ(FromUtf8("\xE3\x81\x82", CodePage::Japanese), "\x82\xA0");
}

TEST(TextCodec, ValidatesUtf8) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"plain", true},           {"\xC3\xA9", true},         {"\xF0\x9F\x98\x80", true},
      {"\xE9", false},           {"\xC0\x80", false},        {"\xED\xA0\x80", false},
      {"\xC3", false},           {"\xF4\x90\x80\x80", false},
  };
  for (const auto& [bytes, valid] : cases) EXPECT_EQ(orvane::platform::IsValidUtf8(bytes), valid);
  EXPECT_TRUE(orvane::platform::HasUtf8Bom("\xEF\xBB\xBFx"));
  EXPECT_FALSE(orvane::platform::HasUtf8Bom("\xEF\xBB"));
}

TEST(TextCodec, LanguagesChooseTheirCodePage) {
  const std::vector<std::pair<int, CodePage>> cases = {
      {1, CodePage::Windows1252}, {4, CodePage::Windows1252}, {5, CodePage::Japanese},
      {6, CodePage::ChineseSimplified}, {7, CodePage::Korean}, {8, CodePage::Windows1252},
      {0, CodePage::Windows1252},
  };
  for (const auto& [language, codePage] : cases) {
    EXPECT_EQ(orvane::platform::CodePageForLanguage(language), codePage) << language;
  }
}

// A name keeps one form whatever file it came from: windows-1252 where that
// code page holds it unambiguously, else UTF-8, and it reads back as itself.
TEST(TextCodec, NamesKeepOneFormAndReadBackAsThemselves) {
  struct Case {
    std::string utf8, bytes;
  } cases[] = {
      {"Sunset", "Sunset"},
      {"Caf\u00e9", "Caf\xe9"},
      {"\u6771\u4eac", "\u6771\u4eac"},
      {"\U0001F305 dawn", "\U0001F305 dawn"},
      // In windows-1252 these would be the bytes of "\u00e9" read as UTF-8.
      {"\u00c3\u00a9", "\u00c3\u00a9"},
      {"na\u00efve \u2013 \u20ac", "na\xefve \x96 \x80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(orvane::platform::NameBytes(c.utf8), c.bytes);
    EXPECT_EQ(orvane::platform::NameToUtf8(c.bytes), c.utf8);
    EXPECT_EQ(orvane::platform::NameToQString(c.bytes), QString::fromStdString(c.utf8));
    EXPECT_EQ(orvane::platform::IsUtf8Name(c.bytes), c.bytes == c.utf8 && c.utf8 != "Sunset");
  }
  // Bytes that are no UTF-8 (a name on disk in another code) stay as they are.
  EXPECT_EQ(orvane::platform::NameBytes("\xe9t\xe9"), "\xe9t\xe9");
}

}  // namespace
