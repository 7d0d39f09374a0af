#include "core/SettingsKeys.h"

#include <gtest/gtest.h>

#include <QString>
#include <set>
#include <tuple>

#include "core/PPS.h"
#include "tests/support/testenv.h"

namespace settings = orvane::core::settings;

namespace {

std::string Lower(const char* text) { return QString::fromUtf8(text).toLower().toStdString(); }

TEST(SettingsKeys, EveryEntryIsListedOnce) {
  std::set<std::tuple<std::string, std::string, std::string>> seen;
  for (const auto& entry : settings::AllSettings()) {
    ASSERT_NE(entry.file, nullptr);
    ASSERT_NE(entry.name.section, nullptr);
    ASSERT_NE(entry.name.key, nullptr);
    EXPECT_TRUE(seen.emplace(Lower(entry.file), Lower(entry.name.section), Lower(entry.name.key))
                    .second)
        << entry.name.section << " " << entry.name.key;
  }
  EXPECT_EQ(seen.size(), 46u);
}

// The other spellings only change letter case, so the case-insensitive profile
// API finds the entry whichever spelling wrote it.
TEST(SettingsKeys, OtherSpellingsAddressTheSameEntry) {
  const std::string file = (orvane::test::MakeTempDir("keys") / "ScreenSaver.ini").string();
  int checked = 0;
  for (const auto& entry : settings::AllSettings()) {
    if (!entry.otherSection && !entry.otherKey) continue;
    const char* section = entry.otherSection ? entry.otherSection : entry.name.section;
    const char* key = entry.otherKey ? entry.otherKey : entry.name.key;
    EXPECT_EQ(Lower(section), Lower(entry.name.section));
    EXPECT_EQ(Lower(key), Lower(entry.name.key));
    const std::string value = "v" + std::to_string(checked++);
    ASSERT_TRUE(orvane::core::WriteIni(section, key, value, file));
    EXPECT_EQ(orvane::core::GetIniString(entry.name.section, entry.name.key, "", file), value);
  }
  EXPECT_EQ(checked, 5);
}

}  // namespace
