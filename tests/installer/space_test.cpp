// Disk-space arithmetic: thousands separators, whole clusters per file in 64
// bits, and the needs the run works out for libraries and folders.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "installer/DiskSpace.h"
#include "installer/frmExtractor.h"
#include "platform/msgbox.h"
#include "tests/support/testenv.h"

namespace orvane::installer {
namespace {

TEST(FormatThousands, GroupsDigitsByThree) {
  const std::vector<std::pair<std::int64_t, std::string>> cases = {
      {0, "0"},
      {999, "999"},
      {1000, "1,000"},
      {12345, "12,345"},
      {999999, "999,999"},
      {1000000, "1,000,000"},
      {2147483647, "2,147,483,647"},
      {5000000000000, "5,000,000,000,000"},
      {-1000, "-1,000"},
      {-100, "-100"},
  };
  for (const auto& [n, text] : cases) EXPECT_EQ(FormatThousands(n), text) << n;
}

TEST(ClusterCount, CountsWholeClustersWithoutA32BitLimit) {
  const std::uint64_t cluster = 4096;
  const std::vector<std::pair<std::uint64_t, std::uint64_t>> cases = {
      {0, 0}, {1, 1}, {cluster, 1}, {cluster + 1, 2},
      {5ull << 30, (5ull << 30) / cluster},  // 5 GiB
      {(5ull << 30) + 1, (5ull << 30) / cluster + 1},
  };
  for (const auto& [bytes, clusters] : cases) EXPECT_EQ(ClusterCount(bytes, cluster), clusters) << bytes;
  EXPECT_EQ(ClusterCount(100, 0), 0u) << "an unknown cluster size is never divided by";
}

TEST(DiskFigures, ComeFromTheFolderFileSystem) {
  const auto disk = QueryDisk(test::TempRoot().string());
  ASSERT_TRUE(disk);
  EXPECT_GT(disk->clusterBytes, 0u);
  EXPECT_EQ(disk->freeBytes % disk->clusterBytes, 0u);
  EXPECT_FALSE(QueryDisk("/no/such/folder/anywhere"));
}

// A library's need counts what extraction writes: size + 1 bytes per entry, so
// size values 0, cluster - 1, cluster and cluster + 1 take 1, 1, 2 and 2 clusters.
TEST(CalcSpace, LibraryAndFolderNeedsInWholeClusters) {
  namespace fs = std::filesystem;
  const fs::path program = test::MakeTempDir("program");
  const auto disk = QueryDisk(program.string());
  ASSERT_TRUE(disk);
  const std::size_t c = disk->clusterBytes;
  const fs::path library = test::MakeTempDir("sources") / "set.ilb";
  test::WriteFile(library, EncodeLibrary("Set", {{"a", std::string(1, 'a')},
                                                 {"b", std::string(c, 'b')},
                                                 {"c", std::string(c + 1, 'c')},
                                                 {"d", std::string(c + 2, 'd')}}));
  frmExtractor extractor;
  extractor.Libraries.push_back(*ReadLibraryHeader(library.string()));
  const std::int64_t freeBytes = extractor.CalcLibrarySpace(program.string() + "/");
  EXPECT_GT(freeBytes, 0);
  EXPECT_EQ(extractor.Libraries[0].lSizeNeeded, static_cast<std::int64_t>(6 * c));

  const fs::path old = test::MakeTempDir("old");
  test::WriteFile(old / "empty", "");
  test::WriteFile(old / "one", "1");
  test::WriteFile(old / "full", std::string(c, 'f'));
  test::WriteFile(old / "over", std::string(c + 1, 'o'));
  test::WriteFile(old / ".hidden", std::string(c, 'h'));
  fs::create_directory(old / "sub");
  test::WriteFile(old / "sub" / "ignored", std::string(c, 's'));
  std::int64_t need = -1;
  EXPECT_GT(extractor.CalcFolderSpace(program.string() + "/", old.string() + "/", need), 0);
  EXPECT_EQ(need, static_cast<std::int64_t>(4 * c));
}

TEST(CalcSpace, AnUnknownClusterSizeIsReportedAndNeedsStayPlainBytes) {
  const std::filesystem::path library = test::MakeTempDir("sources") / "set.ilb";
  test::WriteFile(library, EncodeLibrary("Set", {{"a", "abc"}, {"b", "de"}}));
  std::vector<platform::MessageBoxCall> boxes;
  platform::SetMessageBoxHandler([&](const platform::MessageBoxCall& call) {
    boxes.push_back(call);
    return int(platform::vbOK);
  });
  frmExtractor extractor;
  extractor.Libraries.push_back(*ReadLibraryHeader(library.string()));
  EXPECT_EQ(extractor.CalcLibrarySpace("/no/such/folder/"), 0);
  platform::SetMessageBoxHandler({});
  EXPECT_EQ(extractor.Libraries[0].lSizeNeeded, 5);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "The free disk space of \"/no/such/folder/\" cannot be read, so no image set can be installed there.");
}

}  // namespace
}  // namespace orvane::installer
