// The ".ilb" reader and extractor: byte-exact extraction, the set-folder rules,
// hostile libraries refused before anything is written, and a full disk that
// leaves no partial file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "installer/Library.h"
#include "tests/installer/tiny_disk.h"
#include "tests/support/testenv.h"

namespace orvane::installer {
namespace {

namespace fs = std::filesystem;

std::string RandomBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

std::string Le32(std::int64_t value) {
  std::string out;
  const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(bits >> (8 * i) & 0xFF));
  return out;
}

// Every file below folder with its bytes: a listing to compare before and after.
std::map<std::string, std::string> Listing(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    files[name] = entry.is_regular_file() ? test::ReadFile(entry.path()) : std::string("<dir>");
  }
  return files;
}

std::string ImagesIni(const std::string& setName, const std::string& folder) {
  return "[SetDescriptions]\r\n" + setName + "=" + folder + "\r\n\r\n[" + setName + "]\r\nOne=one\r\n";
}

class Library : public testing::Test {
 protected:
  void SetUp() override {
    program = test::MakeTempDir("program");
    sources = test::MakeTempDir("sources");
  }
  std::string Write(const std::string& fileName, const std::string& bytes) {
    test::WriteFile(sources / fileName, bytes);
    return (sources / fileName).string();
  }
  std::string ProgramFolder() const { return program.string() + "/"; }

  fs::path program;
  fs::path sources;
};

TEST_F(Library, ExtractsEveryFileByteExactIntoItsFolder) {
  const std::vector<LibraryFile> files = {
      {"images.ini", ImagesIni("Sea Views", "Sea\\")},
      {"wave.jpg", RandomBytes(300000, 1)},
      {"tiny.txt", "x"},  // size value 0: one data byte
      {"License.TXT", "Use it kindly.\r\n"},
      {"Caf\xE9.nfo", "[info]\r\n"},  // windows-1252 name, UTF-8 on disk
  };
  const std::string library = Write("sea.ilb", EncodeLibrary("Sea Views", files, "second"));

  const LibraryCheck check = CheckLibrary(library);
  ASSERT_EQ(check.error, "");
  EXPECT_EQ(check.setName, "Sea Views");
  EXPECT_EQ(check.folder, "Sea/");
  EXPECT_EQ(check.entryCount, 5);
  // The licence is read as its size value says: the last byte is not part of it.
  EXPECT_EQ(check.license, "Use it kindly.\r");
  ASSERT_TRUE(ReadLibraryHeader(library));
  EXPECT_EQ(ReadLibraryHeader(library)->szSetName, "Sea Views");

  std::vector<std::string> seen;
  const ExtractResult result =
      ExtractLibrary(library, ProgramFolder(), [&](const std::string& name) { seen.push_back(name); });
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(result.files, 5);
  EXPECT_EQ(seen.size(), 5u);
  for (const LibraryFile& file : files) {
    const std::string onDisk = file.name == "Caf\xE9.nfo" ? "Caf\xC3\xA9.nfo" : file.name;
    EXPECT_EQ(test::ReadFile(program / "Sea" / onDisk), file.bytes) << file.name;
  }
  EXPECT_EQ(Listing(program).size(), 6u) << "the folder and its five files, no temporary file";
}

TEST_F(Library, SetFolderComesFromImagesIniElseTheFileTitleElseBonus) {
  // An "images.ini" of the user's own in the program folder must stay as it is.
  test::WriteFile(program / "images.ini", "[SetDescriptions]\r\nMine=Mine\\\r\n");
  const auto before = Listing(program);
  struct Case {
    const char* label;
    std::vector<LibraryFile> files;
    std::string folder;
  };
  const std::vector<Case> cases = {
      {"no images.ini", {{"a.jpg", "abc"}}, "Bonus/"},
      {"images.ini names a folder", {{"IMAGES.INI", ImagesIni("Hills", "Green Hills\\")}}, "Green Hills/"},
      {"images.ini names it with /", {{"images.ini", ImagesIni("Hills", "Green Hills/")}}, "Green Hills/"},
      {"images.ini without the set", {{"images.ini", ImagesIni("Other", "Other\\")}}, "hill-set/"},
  };
  for (const Case& c : cases) {
    const LibraryCheck check = CheckLibrary(Write("hill-set.ilb", EncodeLibrary("Hills", c.files)));
    EXPECT_EQ(check.error, "") << c.label;
    EXPECT_EQ(check.folder, c.folder) << c.label;
  }
  EXPECT_EQ(Listing(program), before);
}

// Each hostile or corrupt library is refused by the check, and the extractor on
// its own writes nothing of it either: the program folder is unchanged.
TEST_F(Library, CorruptAndHostileLibrariesAreRefusedBeforeAnyWrite) {
  const std::string good = EncodeLibrary("Set", {{"a.jpg", RandomBytes(5000, 2)}, {"b.jpg", "bb"}});
  auto entry = [](std::int64_t nameLength, std::int64_t size, const std::string& name, const std::string& data) {
    return Le32(nameLength) + Le32(size) + name + data;
  };
  struct Case {
    const char* label;
    std::string bytes;
    const char* reason;  // a part of the message
  };
  const std::vector<Case> cases = {
      {"empty file", "", "header is cut short"},
      {"truncated header", good.substr(0, 6), "header is cut short"},
      {"negative set-name length", Le32(-4) + "Set" + Le32(0), "length of -4"},
      {"huge set-name length", Le32(0x7FFFFFFF) + "Set" + Le32(0), "length of 2147483647"},
      {"huge second-string length", Le32(3) + "Set" + Le32(0x7FFFFFFF), "header is cut short"},
      {"truncated entry", good.substr(0, good.size() - 1), "\"b.jpg\" is cut short"},
      {"entry header cut short", good + Le32(5), "entry 3 is cut short"},
      {"negative name length", good + entry(-1, 0, "", "x"), "name length of -1"},
      {"huge name length", good + entry(0x7FFFFFFF, 0, "x", "x"), "name length of 2147483647"},
      {"negative size", good + entry(1, -2, "c", ""), "negative size"},
      {"huge size", good + entry(1, 0x7FFFFFFF, "c", "data"), "\"c\" is cut short"},
      {"..\\ name", good + entry(7, 0, "..\\evil", "x"), "not a plain file name"},
      {"../ name", good + entry(7, 0, "../evil", "x"), "not a plain file name"},
      {"absolute name", good + entry(11, 0, "/etc/passwd", "x"), "not a plain file name"},
      {"drive name", good + entry(9, 0, "C:evil.jp", "x"), "not a plain file name"},
      {"dot-dot name", good + entry(2, 0, "..", "x"), "not a plain file name"},
      {"wildcard name", good + entry(1, 0, "*", "x"), "not a plain file name"},
      {"name with NUL", good + entry(5, 0, std::string("a\0.jp", 5), "x"), "not a plain file name"},
      {"name with a line break", good + entry(3, 0, "a\nb", "x"), "not a plain file name"},
      {"images.ini folder ..", EncodeLibrary("Set", {{"images.ini", ImagesIni("Set", "..\\")}}),
       "not one plain folder name"},
      {"images.ini folder with a path", EncodeLibrary("Set", {{"images.ini", ImagesIni("Set", "a\\b\\")}}),
       "not one plain folder name"},
  };
  const auto before = Listing(program);
  for (const Case& c : cases) {
    const std::string library = Write("bad.ilb", c.bytes);
    const LibraryCheck check = CheckLibrary(library);
    EXPECT_NE(check.error.find(c.reason), std::string::npos) << c.label << ": " << check.error;
    const ExtractResult result = ExtractLibrary(library, ProgramFolder());
    EXPECT_NE(result.error, "") << c.label;
    EXPECT_EQ(Listing(program), before) << c.label;
  }
  // A set folder that leads out of the program folder is not written through.
  const fs::path outside = test::MakeTempDir("outside");
  fs::create_directory_symlink(outside, program / "Linked");
  const ExtractResult linked = ExtractLibrary(
      Write("linked.ilb", EncodeLibrary("Set", {{"images.ini", ImagesIni("Set", "Linked")}, {"a.jpg", "aa"}})),
      ProgramFolder());
  EXPECT_NE(linked.error.find("leads out of the program folder"), std::string::npos) << linked.error;
  EXPECT_TRUE(fs::is_empty(outside));
}

// A rename that fails part-way (an entry's name is taken by a folder) leaves the
// set folder as it was: the files the install replaced are back, the ones it
// added are gone. Once the name is free, the same library installs over the
// set and leaves nothing of its own behind.
TEST_F(Library, AFailedInstallPutsBackWhatItReplacedAndRemovesWhatItAdded) {
  test::WriteFile(program / "Sea" / "a.jpg", "old a");
  test::WriteFile(program / "Sea" / "mine.txt", "the user's");
  fs::create_directories(program / "Sea" / "taken.jpg");
  const auto before = Listing(program);
  const std::string library = Write(
      "sea.ilb", EncodeLibrary("Sea", {{"images.ini", ImagesIni("Sea", "Sea")},
                                       {"a.jpg", "new a"},
                                       {"b.jpg", "new b"},
                                       {"A.jpg", "other a"},
                                       {"a.jpg", "newer a"},
                                       {"taken.jpg", "x"},
                                       {"c.jpg", "new c"}}));
  const ExtractResult failed = ExtractLibrary(library, ProgramFolder());
  EXPECT_NE(failed.error.find("\"taken.jpg\" cannot be written"), std::string::npos) << failed.error;
  EXPECT_EQ(Listing(program), before);

  fs::remove(program / "Sea" / "taken.jpg");
  const ExtractResult installed = ExtractLibrary(library, ProgramFolder());
  ASSERT_EQ(installed.error, "");
  const std::map<std::string, std::string> expected = {
      {"Sea", "<dir>"},           {"Sea/images.ini", ImagesIni("Sea", "Sea")},
      {"Sea/a.jpg", "newer a"},   {"Sea/A.jpg", "other a"},
      {"Sea/b.jpg", "new b"},     {"Sea/taken.jpg", "x"},
      {"Sea/c.jpg", "new c"},     {"Sea/mine.txt", "the user's"}};
  EXPECT_EQ(Listing(program), expected);
}

// The program folder is a 256 KiB tmpfs (mounted in a private user and mount
// namespace by a child run of this test): a 1 MiB entry fills it. What the set
// wrote is removed and an older file of the set is kept as it was.
TEST(FullDisk, LeavesNoPartialFileAndReportsIt) {
  if (const char* disk = test::TinyDisk()) {
    const fs::path program = disk;
    test::WriteFile(program / "Big" / "big.jpg", "old");
    const auto before = Listing(program);
    const fs::path library = test::MakeTempDir("sources") / "big.ilb";
    test::WriteFile(library, EncodeLibrary("Big", {{"images.ini", ImagesIni("Big", "Big")}, {"small.jpg", "small"}, {"big.jpg", RandomBytes(1 << 20, 3)}}));
    const ExtractResult result = ExtractLibrary(library.string(), program.string() + "/");
    EXPECT_NE(result.error.find("\"big.jpg\" cannot be written: No space left on device"), std::string::npos)
        << result.error;
    EXPECT_EQ(Listing(program), before);
    return;
  }
  test::RunOnTinyDisk("FullDisk.LeavesNoPartialFileAndReportsIt", "256k");
}

TEST(SplitPath, SplitsOnEitherSeparator) {
  struct Case {
    std::string path, drive, directory, title, extension;
  };
  const std::vector<Case> cases = {
      {"C:\\Sets\\sea.ilb", "C:", "\\Sets", "sea", "ilb"},
      {"/home/u/src/hills.set.ilb", "", "/home/u/src", "hills.set", "ilb"},
      {"/home/u/README", "", "/home/u", "README", "(kept)"},
      {"/home/u/", "", "/home/u", "", "(kept)"},
      {"plain.ilb", "(kept)", "(kept)", "(kept)", "(kept)"},
  };
  for (const Case& c : cases) {
    std::string drive = "(kept)", directory = "(kept)", title = "(kept)", extension = "(kept)";
    SplitPath(c.path, drive, directory, title, extension);
    EXPECT_EQ(drive, c.drive) << c.path;
    EXPECT_EQ(directory, c.directory) << c.path;
    EXPECT_EQ(title, c.title) << c.path;
    EXPECT_EQ(extension, c.extension) << c.path;
  }
}

}  // namespace
}  // namespace orvane::installer
