#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/ImportSetDescriptions.h"
#include "core/PPS.h"
#include "core/SetsClass.h"
#include "tests/support/testenv.h"

using orvane::core::GetIniString;
using orvane::core::ImportResult;
using orvane::core::ImportSetDescriptions;
namespace fs = std::filesystem;
using orvane::test::MakeTempDir;
using orvane::test::ReadFile;
using orvane::test::WriteFile;

namespace {

struct Folders {
  std::string settings;  // ends in "/"
  std::string root;      // ends in "/"
  std::string Catalogue() const { return settings + "Orvane.ini"; }
};

Folders MakeFolders(const std::string& name) {
  return {MakeTempDir(name + "-settings").string() + "/", MakeTempDir(name + "-root").string() + "/"};
}

std::string Value(const Folders& f, const std::string& section, const std::string& key) {
  return GetIniString(section, key, "<none>", f.Catalogue());
}

std::string Keys(const Folders& f, const std::string& section) {
  return GetIniString(section, "", "", f.Catalogue());
}

}  // namespace

TEST(ImportSetDescriptions, CopiesTheSetEntryAndItsImageLines) {
  const Folders f = MakeFolders("beaches");
  WriteFile(f.root + "beach/images.ini",
            "[SetDescriptions]\r\nBeaches=ignored\\\r\n\r\n[Beaches]\r\nSand=sand01\r\n"
            "Surf =  surf01  \r\nPier=*pier01\r\n");
  std::string folder = "beach";
  EXPECT_EQ(ImportSetDescriptions(f.settings, f.root, folder), ImportResult::Added);
  EXPECT_EQ(folder, "beach\\");  // the caller's variable gets the separator
  EXPECT_EQ(Value(f, "SetDescriptions", "Beaches"), "beach\\");
  EXPECT_EQ(Keys(f, "Beaches"), std::string("Sand\0Surf\0Pier\0", 15));
  EXPECT_EQ(Value(f, "Beaches", "Sand"), "sand01");
  EXPECT_EQ(Value(f, "Beaches", "Surf"), "surf01");
  EXPECT_EQ(Value(f, "Beaches", "Pier"), "*pier01");
}

TEST(ImportSetDescriptions, FolderFormsAndTheirStoredValues) {
  struct Case {
    const char* onDisk;  // below the root
    const char* argument;
    const char* stored;
  } cases[] = {
      {"beach", "beach", "beach\\"},
      {"beach", "beach\\", "beach\\"},
      {"Coast/North", "Coast/North/", "Coast/North/"},
      {"Coast/North", "Coast\\North\\", "Coast\\North\\"},
  };
  int row = 0;
  for (const Case& c : cases) {
    const Folders f = MakeFolders("forms" + std::to_string(row++));
    WriteFile(fs::path(f.root) / c.onDisk / "images.ini", "[SetDescriptions]\nS=x\n[S]\na=1\n");
    std::string folder = c.argument;
    EXPECT_EQ(ImportSetDescriptions(f.settings, f.root, folder), ImportResult::Added) << c.argument;
    EXPECT_EQ(folder, c.stored);
    EXPECT_EQ(Value(f, "SetDescriptions", "S"), c.stored) << c.argument;
    EXPECT_EQ(Value(f, "S", "a"), "1") << c.argument;
  }
}

TEST(ImportSetDescriptions, AKnownSetIsLeftAsItIs) {
  for (const std::string stored : {"old\\", "*old\\"}) {
    const Folders f = MakeFolders("known");
    WriteFile(f.root + "new/images.ini", "[SetDescriptions]\nDunes=x\n[Dunes]\nridge=ridge02\n");
    const std::string before =
        "[SetDescriptions]\r\ndunes=" + stored + "\r\n[Dunes]\r\nridge=ridge01\r\n";
    WriteFile(f.Catalogue(), before);
    std::string folder = "new\\";
    EXPECT_EQ(ImportSetDescriptions(f.settings, f.root, folder), ImportResult::AlreadyKnown);
    EXPECT_EQ(ReadFile(f.Catalogue()), before) << stored;
  }
}

TEST(ImportSetDescriptions, MalformedSetFiles) {
  struct Case {
    const char* label;
    std::string imagesIni;
    ImportResult result;
    std::string setName = {};  // for Added
    std::string keys = {};     // key list of the set's section
    std::map<std::string, std::string> values = {};
  };
  const std::string head = "[SetDescriptions]\nB=x\n[B]\n";
  const Case cases[] = {
      {"line without =", head + "noequals\na=1\n", ImportResult::Added, "B", std::string("a\0", 2),
       {{"a", "1"}}},
      {"stops at the next section", head + "a=1\n[Other]\nz=9\n", ImportResult::Added, "B",
       std::string("a\0", 2), {{"a", "1"}}},
      {"CRLF", "[SetDescriptions]\r\nB=x\r\n[B]\r\na=1\r\nb=2\r\n", ImportResult::Added, "B",
       std::string("a\0b\0", 4), {{"a", "1"}, {"b", "2"}}},
      {"CR alone", "[SetDescriptions]\rB=x\r[B]\ra=1\rb=2\r[C]\rc=3\r", ImportResult::Added, "B",
       std::string("a\0b\0", 4), {{"a", "1"}, {"b", "2"}}},
      {"key twice keeps the first", head + "a=1\nA=2\n", ImportResult::Added, "B",
       std::string("a\0", 2), {{"a", "1"}}},
      {"blank lines, comments, empty keys", head + "\n  \n;c=3\n=4\na=1\n\nb=\n",
       ImportResult::Added, "B", std::string("a\0b\0", 4), {{"a", "1"}, {"b", ""}}},
      {"value holds =", head + "a=b=c\n", ImportResult::Added, "B", std::string("a\0", 2),
       {{"a", "b=c"}}},
      {"several set keys import the first",
       "[SetDescriptions]\nB=x\nC=y\n[B]\na=1\n[C]\nc=1\n", ImportResult::Added, "B",
       std::string("a\0", 2), {{"a", "1"}}},
      {"empty section", head, ImportResult::Added, "B", "", {}},
      {"windows-1252 name", "[SetDescriptions]\nCaf\xe9 Sea=x\n[Caf\xe9 Sea]\na=1\n",
       ImportResult::Added, "Caf\xe9 Sea", std::string("a\0", 2), {{"a", "1"}}},
      {"no set key", "[SetDescriptions]\n[B]\na=1\n", ImportResult::NoSetName},
      {"no SetDescriptions", "[B]\na=1\n", ImportResult::NoSetName},
      {"no header for the set", "[SetDescriptions]\nB=x\n[b]\na=1\n", ImportResult::NoSection},
      {"name closing its header early", "[SetDescriptions]\nSea]x=x\n[Sea]x]\na=1\n",
       ImportResult::BadSetName},
      {"name of the set list itself",
       "[SetDescriptions]\nSetDescriptions=x\n[SetDescriptions]\nGhost=1\n",
       ImportResult::BadSetName},
      {"name of the hand-over section", "[SetDescriptions]\nlauncher=x\n[launcher]\nURL=u\n",
       ImportResult::BadSetName},
  };
  int row = 0;
  for (const Case& c : cases) {
    const Folders f = MakeFolders("malformed" + std::to_string(row++));
    WriteFile(f.root + "set/images.ini", c.imagesIni);
    std::string folder = "set\\";
    EXPECT_EQ(ImportSetDescriptions(f.settings, f.root, folder), c.result) << c.label;
    if (c.result != ImportResult::Added) {
      EXPECT_FALSE(fs::exists(f.Catalogue())) << c.label;
      continue;
    }
    EXPECT_EQ(Keys(f, "SetDescriptions"), c.setName + std::string(1, '\0')) << c.label;
    EXPECT_EQ(Value(f, "SetDescriptions", c.setName), "set\\") << c.label;
    EXPECT_EQ(Keys(f, c.setName), c.keys) << c.label;
    for (const auto& [key, value] : c.values)
      EXPECT_EQ(Value(f, c.setName, key), value) << c.label << " " << key;
  }
}

TEST(ImportSetDescriptions, SetFileIsFoundWithoutRegardToCase) {
  const Folders f = MakeFolders("case");
  WriteFile(f.root + "Sea/IMAGES.INI", "[SetDescriptions]\nSea=x\n[Sea]\nwave=wave01\n");
  std::string folder = "Sea/";
  EXPECT_EQ(ImportSetDescriptions(f.settings, f.root, folder), ImportResult::Added);
  EXPECT_EQ(Value(f, "Sea", "wave"), "wave01");

  std::string missing = "Nowhere/";
  EXPECT_EQ(ImportSetDescriptions(f.settings, f.root, missing), ImportResult::NoSetName);
}

// A catalogue file edited by hand may name a set or an image twice; the lists
// built from it keep the first entry instead of failing.
TEST(ImportSetDescriptions, HandEditedCatalogueWithADuplicateKey) {
  const Folders f = MakeFolders("duplicate");
  WriteFile(f.Catalogue(),
            "[SetDescriptions]\r\nSea=Sea\\\r\nHills=*Hills\\\r\nsea=Other\\\r\n"
            "[Sea]\r\nwave=wave01\r\nWave=*wave02\r\nrock=rock01\r\n");
  WriteFile(f.root + "Other/images.ini", "[SetDescriptions]\nSEA=x\n[SEA]\nnew=1\n");
  std::string folder = "Other/";
  EXPECT_EQ(ImportSetDescriptions(f.settings, f.root, folder), ImportResult::AlreadyKnown);

  // Build the catalogue the way the settings dialog reads it.
  orvane::core::SetsClass sets;
  const std::string setKeys = Keys(f, "SetDescriptions");
  for (std::size_t at = 0; at < setKeys.size();) {
    const std::size_t end = setKeys.find('\0', at);
    const std::string name = setKeys.substr(at, end - at);
    at = end + 1;
    auto set = std::make_shared<orvane::core::SetInfoClass>();
    set->SetName(name);
    const std::string dir = Value(f, "SetDescriptions", name);
    set->SetDirectory(dir[0] == '*' ? dir.substr(1) : dir);
    const std::string imageKeys = Keys(f, name);
    for (std::size_t i = 0; i < imageKeys.size();) {
      const std::size_t e = imageKeys.find('\0', i);
      const std::string image = imageKeys.substr(i, e - i);
      i = e + 1;
      const std::string file = Value(f, name, image);
      if (file[0] == '*')
        set->ExcludeImage(image, file.substr(1));
      else
        set->IncludeImage(image, file);
    }
    if (dir[0] == '*')
      sets.ExcludeSet(set);
    else
      sets.IncludeSet(set);
  }
  std::vector<std::string> names;
  EXPECT_EQ(sets.GetIncludedSetNames(names), 1);
  EXPECT_EQ(names, std::vector<std::string>{"Sea"});
  auto sea = sets.GetSet("Sea");
  ASSERT_NE(sea, nullptr);
  EXPECT_EQ(sea->SetDirectory(), "Sea\\");
  EXPECT_EQ(sea->IncludedImageNames(), (std::vector<std::string>{"wave", "rock"}));
  EXPECT_EQ(sea->ExcludedCount(), 0);
  EXPECT_EQ(sets.ExcludedCollection().Count(), 1u);
}
