// Files named by image sets that are no regular files (a FIFO, a folder) are
// passed over at once: opening a FIFO blocks until a writer comes, which froze
// the whole show. A watchdog turns a hang into a failure.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/ImageDescription.h"
#include "core/ImportSetDescriptions.h"
#include "platform/regular_file.h"
#include "tests/support/testenv.h"

namespace orvane::core {
namespace {

namespace fs = std::filesystem;

class SetFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::MakeTempDir("set");
    alarm(30);  // a blocked open ends the test program
  }
  void TearDown() override { alarm(0); }
  std::string Fifo(const std::string& name) {
    const std::string path = (dir_ / name).string();
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    return path;
  }
  fs::path dir_;
};

TEST_F(SetFiles, RegularFilesOnlyAreRead) {
  test::WriteFile(dir_ / "text.txt", "some text");
  fs::create_directory(dir_ / "folder.txt");
  const std::string fifo = Fifo("fifo.txt");
  std::string bytes = "old";
  EXPECT_TRUE(platform::ReadRegularFile((dir_ / "text.txt").string(), 4, bytes));
  EXPECT_EQ(bytes, "some");
  for (const std::string& path : {fifo, (dir_ / "folder.txt").string(), (dir_ / "none").string()}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(platform::ReadRegularFile(path, 100, bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(platform::IsRegularFile(path));
  }
  EXPECT_TRUE(platform::IsRegularFile((dir_ / "text.txt").string()));
}

TEST_F(SetFiles, DescriptionTitleAndImportPassOverAFifo) {
  const std::string nfo = Fifo("photo.jpg.nfo");
  EXPECT_FALSE(IsUtf8DescriptionFile(nfo));
  EXPECT_EQ(GetTitle(nfo, "English"), "");
  const SlideDescription description = ReadSlideDescription(nfo);
  EXPECT_EQ(description.URL, "");
  // A set whose "images.ini" is a FIFO is not imported (and does not hang).
  fs::create_directory(dir_ / "Sea");
  ASSERT_EQ(mkfifo((dir_ / "Sea" / "images.ini").c_str(), 0600), 0);
  const std::string settings = test::MakeTempDir("settings").string() + "/";
  std::string setFolder = "Sea";
  EXPECT_EQ(ImportSetDescriptions(settings, dir_.string() + "/", setFolder), ImportResult::NoSetName);
}

}  // namespace
}  // namespace orvane::core
