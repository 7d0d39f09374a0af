#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/SetInfoClass.h"
#include "core/SetsClass.h"

using orvane::core::ImageInfoClass;
using orvane::core::SetInfoClass;
using orvane::core::SetsClass;
using Names = std::vector<std::string>;

namespace {

std::shared_ptr<SetInfoClass> MakeSet(const std::string& name, const std::string& folder = "") {
  auto set = std::make_shared<SetInfoClass>();
  set->SetName(name);
  set->SetDirectory(folder.empty() ? name + "\\" : folder);
  return set;
}

// A list box as far as the catalogue uses one.
struct RecordingListBox {
  std::vector<std::string> calls;
  void Clear() { calls.push_back("<clear>"); }
  void AddItem(const std::string& item, int = -1) { calls.push_back(item); }
};

}  // namespace

TEST(SetInfoClass, IncludeAndExcludeMoveAnImageBetweenTheLists) {
  SetInfoClass set;
  set.IncludeImage("Sunset", "sun01");
  set.IncludeImage("Dawn", "dawn01");
  set.IncludeImage("Noon", "noon01");
  set.ExcludeImage("dawn", "dawn01");  // any case reaches the key
  EXPECT_EQ(set.IncludedImageNames(), (Names{"Sunset", "Noon"}));
  EXPECT_EQ(set.ExcludedImageNames(), (Names{"dawn"}));

  set.ExcludeImage("Ghost", "ghost");  // in neither list: simply added
  set.IncludeImage("DAWN", "dawn02");
  EXPECT_EQ(set.IncludedImageNames(), (Names{"Sunset", "Noon", "DAWN"}));
  EXPECT_EQ(set.ExcludedImageNames(), (Names{"Ghost"}));
  EXPECT_EQ(set.IncludedCount(), 3);
  EXPECT_EQ(set.ExcludedCount(), 1);
  EXPECT_EQ(set.IncludedImage(3), ImageInfoClass("DAWN", "dawn02"));
  EXPECT_EQ(set.ExcludedImage(1), ImageInfoClass("Ghost", "ghost"));
  for (int bad : {0, -1, 4}) EXPECT_THROW(set.IncludedImage(bad), std::out_of_range) << bad;
  EXPECT_THROW(set.ExcludedImage(2), std::out_of_range);
}

TEST(SetInfoClass, AnImageNameGivenTwiceKeepsTheFirstEntry) {
  SetInfoClass set;
  set.IncludeImage("Sea", "sea01");
  set.IncludeImage("SEA", "sea02");
  set.ExcludeImage("Rock", "rock01");
  set.ExcludeImage("rock", "rock02");
  ASSERT_EQ(set.IncludedCount(), 1);
  EXPECT_EQ(set.IncludedImage(1), ImageInfoClass("Sea", "sea01"));
  ASSERT_EQ(set.ExcludedCount(), 1);
  EXPECT_EQ(set.ExcludedImage(1), ImageInfoClass("Rock", "rock01"));
}

TEST(SetInfoClass, FindImageLooksAtIncludedThenExcludedWithoutRegardToCase) {
  SetInfoClass set;
  set.IncludeImage("Sunset", "sun01");
  set.ExcludeImage("Dawn", "dawn01");
  struct Case {
    const char* name;
    std::optional<ImageInfoClass> found;
  } cases[] = {
      {"sunset", ImageInfoClass("Sunset", "sun01")},
      {"SUNSET", ImageInfoClass("Sunset", "sun01")},
      {"dawn", ImageInfoClass("Dawn", "dawn01")},
      {"Dusk", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(set.FindImage(c.name), c.found) << c.name;

  // The copy can be handed straight back to move the image.
  const auto image = set.FindImage("sunset");
  set.ExcludeImage(image->ImageName(), image->FileName());
  EXPECT_EQ(set.IncludedCount(), 0);
  EXPECT_EQ(set.ExcludedImageNames(), (Names{"Dawn", "Sunset"}));
}

TEST(SetInfoClass, ListBoxesAreFilledAndOtherArgumentsIgnored) {
  SetInfoClass set;
  set.IncludeImage("B", "b");
  set.IncludeImage("A", "a");
  set.ExcludeImage("C", "c");

  RecordingListBox box;
  box.AddItem("stale");
  set.GetIncludedImages(box);
  EXPECT_EQ(box.calls, (Names{"stale", "<clear>", "B", "A"}));
  set.GetExcludedImages(&box);
  EXPECT_EQ(box.calls, (Names{"stale", "<clear>", "B", "A", "<clear>", "C"}));

  int notAList = 5;
  set.GetIncludedImages(notAList);
  RecordingListBox* none = nullptr;
  set.GetIncludedImages(none);
  set.GetExcludedImages(nullptr);
  EXPECT_EQ(notAList, 5);

  SetInfoClass empty;
  RecordingListBox cleared;
  empty.GetIncludedImages(cleared);
  EXPECT_EQ(cleared.calls, Names{"<clear>"});
}

TEST(SetInfoClass, FolderPathReadsBackslashesAsSeparators) {
  struct Case {
    const char* root;
    const char* directory;
    const char* path;
  } cases[] = {
      {"/opt/orvane/", "Sea\\", "/opt/orvane/Sea/"},
      {"/opt/orvane/", "Coast\\North\\", "/opt/orvane/Coast/North/"},
      {"/opt/orvane", "Sea/", "/opt/orvane/Sea/"},
      {"/opt/orvane/", "Sea", "/opt/orvane/Sea/"},
  };
  for (const Case& c : cases) {
    SetInfoClass set;
    set.SetDirectory(c.directory);
    EXPECT_EQ(set.FolderPath(c.root), c.path) << c.directory;
    EXPECT_EQ(set.SetDirectory(), c.directory);  // the stored value stays as read
  }
}

TEST(SetsClass, SetsMoveBetweenTheListsAsTheSameObject) {
  SetsClass sets;
  auto sea = MakeSet("Sea");
  auto hills = MakeSet("Hills");
  auto city = MakeSet("City");
  sets.IncludeSet(sea);  // in neither list: added without error
  sets.IncludeSet(hills);
  sets.IncludeSet(city);
  sets.ExcludeSet(hills);
  EXPECT_EQ(sets.IncludedCollection().Count(), 2u);
  EXPECT_EQ(sets.ExcludedCollection().Item(1), hills);
  EXPECT_FALSE(sets.IncludedCollection().Exists("Hills"));

  sets.IncludeSet(hills);  // back at the end of the included list
  Names names;
  EXPECT_EQ(sets.GetIncludedSetNames(names), 3);
  EXPECT_EQ(names, (Names{"Sea", "City", "Hills"}));
  EXPECT_EQ(sets.ExcludedCollection().Count(), 0u);

  sets.IncludeSet(nullptr);
  sets.ExcludeSet(nullptr);
  EXPECT_EQ(sets.IncludedCollection().Count(), 3u);
}

TEST(SetsClass, GetSetFindsNamesAsTheListsKeyThem) {
  SetsClass sets;
  auto sunset = MakeSet("Sunset");
  auto dunes = MakeSet("Dunes");
  auto ete = MakeSet("\xC9t\xE9");  // windows-1252 capital E acute
  sets.IncludeSet(sunset);
  sets.ExcludeSet(dunes);
  sets.IncludeSet(ete);

  EXPECT_EQ(sets.GetSet("Sunset"), sunset);
  EXPECT_EQ(sets.GetSet("Dunes"), dunes);  // the excluded list is searched too
  EXPECT_EQ(sets.GetSet("sunset"), sunset);
  EXPECT_EQ(sets.GetSet("SUNSET"), sunset);
  EXPECT_EQ(sets.GetSet("dUNES"), dunes);
  EXPECT_EQ(sets.GetSet("\xE9t\xE9"), ete);
  EXPECT_EQ(sets.GetSet("Sunset "), nullptr);
  EXPECT_EQ(sets.GetSet(""), nullptr);
  EXPECT_TRUE(sets.IncludedCollection().Exists("SUNSET"));

  // A second set under the same key in another case stays out: first one wins.
  sets.IncludeSet(MakeSet("SUNSET"));
  EXPECT_EQ(sets.IncludedCollection().Count(), 2u);
  EXPECT_EQ(sets.GetSet("SUNSET"), sunset);

  // Excluding under another case moves the catalogued set's key.
  sets.ExcludeSet(MakeSet("sunset"));
  EXPECT_EQ(sets.IncludedCollection().Count(), 1u);
  EXPECT_EQ(sets.ExcludedCollection().Count(), 2u);
  EXPECT_EQ(sets.GetSet("Sunset")->SetName(), "sunset");
}

TEST(SetsClass, SetNamesReplaceTheArrayOnlyWhenTheListHasSets) {
  SetsClass sets;
  Names names{"old", "older", "oldest"};
  EXPECT_EQ(sets.GetIncludedSetNames(names), 0);
  EXPECT_EQ(sets.GetExcludedSetNames(names), 0);
  EXPECT_EQ(names, (Names{"old", "older", "oldest"}));

  sets.ExcludeSet(MakeSet("Dunes"));
  EXPECT_EQ(sets.GetExcludedSetNames(names), 1);
  EXPECT_EQ(names, Names{"Dunes"});
  EXPECT_EQ(sets.GetIncludedSetNames(names), 0);
  EXPECT_EQ(names, Names{"Dunes"});
}
