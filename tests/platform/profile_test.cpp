#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using orvane::platform::ExchangePrivateProfileString;
using orvane::platform::GetPrivateProfileInt;
using orvane::platform::GetPrivateProfileString;
using orvane::platform::WritePrivateProfileString;
using orvane::test::ReadFile;
using orvane::test::WriteFile;

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = orvane::test::MakeTempDir("profile"); }
  std::string Ini(const std::string& contents, const std::string& name = "t.ini") {
    const fs::path path = dir_ / name;
    WriteFile(path, contents);
    return path.string();
  }
  std::string Read(const std::string& section, const std::string& key, const std::string& file,
                   const std::string& defaultValue = "<def>") {
    return GetPrivateProfileString(section, key, defaultValue, 4096, file).text;
  }
  fs::path dir_;
};

struct ReadCase {
  const char* name;
  std::string contents;
  const char* section;
  const char* key;
  std::string expected;
};

TEST_F(ProfileTest, ReadsValuesAsTheSystemDoes) {
  const std::vector<ReadCase> cases = {
      {"trimmed", "[S]\r\n  a  =  x y \t\r\n", "S", "a", "x y"},
      {"LF only", "[S]\na=1\n", "S", "a", "1"},
      {"no final newline", "[S]\na=1", "S", "a", "1"},
      {"case-insensitive", "[PrefsSS]\r\nRandom=0\r\n", "prefsss", "RANDOM", "0"},
      {"windows-1252 letters fold", "[Caf\xC9]\nk=1\n", "caf\xE9", "K", "1"},
      {"first entry wins", "[S]\na=1\na=2\n", "S", "a", "1"},
      {"repeated section is searched on", "[S]\na=1\n[T]\nb=0\n[s]\nb=2\n", "S", "b", "2"},
      {"double quotes removed", "[S]\na=\"  q  \"\n", "S", "a", "  q  "},
      {"single quotes removed", "[S]\na='q'\n", "S", "a", "q"},
      {"only one pair removed", "[S]\na=\"\"q\"\"\n", "S", "a", "\"q\""},
      {"unmatched quote kept", "[S]\na=\"q\n", "S", "a", "\"q"},
      {"empty value is not the default", "[S]\na=\n", "S", "a", ""},
      {"equals sign inside the value", "[S]\na=b=c\n", "S", "a", "b=c"},
      {"comment skipped", "[S]\n;a=1\na=2\n", "S", "a", "2"},
      {"line without equals is no key", "[S]\njunk\n", "S", "junk", "<def>"},
      {"entries before any section ignored", "a=1\n[S]\n", "S", "a", "<def>"},
      {"byte-order mark skipped", "\xEF\xBB\xBF[S]\na=1\n", "S", "a", "1"},
      {"section name trimmed", "  [ S ]  \na=1\n", "S", "a", "1"},
      {"missing key", "[S]\na=1\n", "S", "b", "<def>"},
      {"missing section", "[S]\na=1\n", "T", "a", "<def>"},
      {"key of another section", "[S]\n[T]\na=1\n", "S", "a", "<def>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.section, c.key, Ini(c.contents)), c.expected) << c.name;
  }
}

TEST_F(ProfileTest, DefaultLosesTrailingBlanksAndQuotes) {
  const std::string file = Ini("[S]\n");
  EXPECT_EQ(Read("S", "a", file, "d  "), "d");
  EXPECT_EQ(Read("S", "a", file, "\"x \""), "x ");
  EXPECT_EQ(Read("S", "", file, "d"), "d");  // a key "" is never found
}

TEST_F(ProfileTest, TruncatesLikeTheSystemCall) {
  const std::string file = Ini("[S]\na=abcdef\nbb=1\n[T]\n");
  auto value = GetPrivateProfileString("S", "a", "", 4, file);
  EXPECT_EQ(value.text, "abc");
  EXPECT_EQ(value.count, 3);
  EXPECT_EQ(GetPrivateProfileString("S", "a", "", 0, file).count, 0);

  auto keys = GetPrivateProfileString("S", std::nullopt, "", 100, file);
  EXPECT_EQ(keys.text, std::string("a\0bb\0", 5));
  EXPECT_EQ(keys.count, 5);
  keys = GetPrivateProfileString("S", std::nullopt, "", 5, file);  // needs 6
  EXPECT_EQ(keys.count, 3);
  EXPECT_EQ(keys.text, std::string("a\0b", 3));
}

TEST_F(ProfileTest, ListsKeysAndSections) {
  const std::string file = Ini("[S]\na=1\n;c=3\nA=2\nb=\n[T]\n[s]\nd=4\n");
  EXPECT_EQ(GetPrivateProfileString("s", std::nullopt, "", 100, file).text,
            std::string("a\0b\0d\0", 6));
  EXPECT_EQ(GetPrivateProfileString(std::nullopt, std::nullopt, "", 100, file).text,
            std::string("S\0T\0", 4));
  // A section without keys, or none at all, gives the default.
  EXPECT_EQ(GetPrivateProfileString("T", std::nullopt, "", 100, file).count, 0);
  EXPECT_EQ(GetPrivateProfileString("X", std::nullopt, "d", 100, file).text, "d");
}

TEST_F(ProfileTest, IntegerReaderStopsAtTheFirstNonDigit) {
  const std::string file = Ini(
      "[S]\nplain=42\nlead=  7x\nneg=-5\nplus=+3\nword=x1\nempty=\nhuge=99999999999\n"
      "small=-99999999999\nhex=0x10\nquoted=\"12\"\n");
  const std::vector<std::pair<const char*, long>> cases = {
      {"plain", 42},   {"lead", 7},           {"neg", -5},
      {"plus", 3},     {"word", 0},           {"empty", 9},
      {"missing", 9},  {"huge", INT32_MAX},   {"small", INT32_MIN},
      {"hex", 0},      {"quoted", 12},
  };
  for (const auto& [key, expected] : cases) {
    EXPECT_EQ(GetPrivateProfileInt("S", key, 9, file), expected) << key;
  }
}

TEST_F(ProfileTest, UnusableFilesGiveDefaults) {
  EXPECT_EQ(Read("S", "a", (dir_ / "missing.ini").string()), "<def>");
  EXPECT_EQ(Read("S", "a", dir_.string()), "<def>");  // a folder
  EXPECT_EQ(Read("S", "a", ""), "<def>");
  const std::string fifo = (dir_ / "fifo.ini").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(Read("S", "a", fifo), "<def>");  // must not block
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "1", fifo));

  std::string binary("\x00\xFF[S]\x00\nz\x01=\x02\n[S]\na=ok\n\xFE\xFE", 24);
  EXPECT_EQ(Read("S", "a", Ini(binary)), "ok");
}

TEST_F(ProfileTest, HugeFileIsReadInPartAndNeverRewritten) {
  std::string contents = "[S]\r\na=1\r\n";
  contents += std::string(17u << 20, 'x');
  const std::string file = Ini(contents);
  EXPECT_EQ(Read("S", "a", file), "1");
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "2", file));
  EXPECT_EQ(fs::file_size(file), contents.size());
}

TEST_F(ProfileTest, BareFileNameLivesInTheWindowsFolder) {
  ASSERT_TRUE(WritePrivateProfileString("boot", "SCRNSAVE.EXE", "x", "system.ini"));
  const fs::path expected = fs::path(orvane::platform::GetWindowsDirectory()) / "system.ini";
  EXPECT_EQ(ReadFile(expected), "[boot]\r\nSCRNSAVE.EXE=x\r\n");
  EXPECT_EQ(Read("boot", "scrnsave.exe", "system.ini"), "x");
}

TEST_F(ProfileTest, FileNameIsLookedUpWithoutRegardToCase) {
  const std::string file = Ini("[S]\na=1\n", "Images.INI");
  EXPECT_EQ(Read("S", "a", (dir_ / "images.ini").string()), "1");
  ASSERT_TRUE(WritePrivateProfileString("S", "a", "2", (dir_ / "IMAGES.ini").string()));
  EXPECT_EQ(ReadFile(file), "[S]\na=2\n");
  EXPECT_FALSE(fs::exists(dir_ / "IMAGES.ini"));
}

struct WriteCase {
  const char* name;
  std::string before;
  std::optional<std::string> key;
  std::optional<std::string> value;
  std::string after;
};

TEST_F(ProfileTest, WritesChangeOnlyTheirLine) {
  const std::vector<WriteCase> cases = {
      {"new file", "", "a", "1", "[S]\r\na=1\r\n"},
      {"replace keeps position, spelling and terminator", "; x\n[S]\n  Key = old\nz=2\n", "KEY",
       "new", "; x\n[S]\nKey=new\nz=2\n"},
      {"new key after the section's last entry",
       "; head\n[S]\na=1\n\n; about T\n[T]\nb=2\n", "c", "3",
       "; head\n[S]\na=1\nc=3\r\n\n; about T\n[T]\nb=2\n"},
      {"new key in an empty section", "[S]\n[T]\n", "c", "3", "[S]\nc=3\r\n[T]\n"},
      {"new section at the end", "[T]\nb=2", "a", "1", "[T]\nb=2\r\n[S]\r\na=1\r\n"},
      {"empty value", "[S]\na=1\n", "a", "", "[S]\na=\n"},
      {"key in a repeated section", "[S]\n[T]\n[s]\na=1\n", "a", "2", "[S]\n[T]\n[s]\na=2\n"},
      {"delete every entry of a key", "[S]\na=1\nb=2\nA=3\n", "a", std::nullopt, "[S]\nb=2\n"},
      {"delete sections", "[S]\na=1\n[T]\nb=2\n[s]\nc=3\n", std::nullopt, std::nullopt,
       "[T]\nb=2\n"},
      {"byte-order mark kept", "\xEF\xBB\xBF[S]\na=1\n", "a", "2", "\xEF\xBB\xBF[S]\na=2\n"},
      {"binary bytes kept", std::string("\x01\x00\n[S]\na=1\n", 11), "a", "2",
       std::string("\x01\x00\n[S]\na=2\n", 11)},
  };
  for (const auto& c : cases) {
    const std::string file = Ini(c.before);
    if (c.before.empty()) fs::remove(file);
    EXPECT_TRUE(WritePrivateProfileString("S", c.key, c.value, file)) << c.name;
    EXPECT_EQ(ReadFile(file), c.after) << c.name;
  }
}

TEST_F(ProfileTest, DeletingFromAMissingFileCreatesNothing) {
  const std::string file = (dir_ / "none.ini").string();
  EXPECT_TRUE(WritePrivateProfileString("S", "a", std::nullopt, file));
  EXPECT_TRUE(WritePrivateProfileString("S", std::nullopt, std::nullopt, file));
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(ProfileTest, RefusesWhatCannotBeStoredAsOneLine) {
  const std::string before = "[S]\na=1\n";
  const std::string file = Ini(before);
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"S", "a", "x\ny"},   {"S", "a", "x\ry"},       {"S", "a", std::string("x\0y", 3)},
      {"S", "a=b", "1"},    {"S", "", "1"},           {"S", "  ", "1"},
      {"S", "[x", "1"},     {"S", ";x", "1"},         {"S\n[T]", "a", "1"},
  };
  for (const auto& [section, key, value] : cases) {
    EXPECT_FALSE(WritePrivateProfileString(section, key, value, file)) << key << value;
  }
  EXPECT_EQ(ReadFile(file), before);
}

TEST_F(ProfileTest, FailedWritesReportFalseAndChangeNothing) {
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "1", (dir_ / "no/such/t.ini").string()));
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "1", ""));

  const std::string file = Ini("[S]\na=1\n");
  fs::permissions(file, fs::perms::owner_read);  // the read-only attribute
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "2", file));
  EXPECT_EQ(ReadFile(file), "[S]\na=1\n");
}

TEST_F(ProfileTest, RewriteKeepsModeAndSymbolicLinkAndLeavesNoTemporaryFile) {
  const std::string target = Ini("[S]\na=1\n", "real.ini");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  const fs::path link = dir_ / "link.ini";
  fs::create_symlink(target, link);
  ASSERT_TRUE(WritePrivateProfileString("S", "a", "2", link.string()));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(target), "[S]\na=2\n");
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);

  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"link.ini", "real.ini", "real.ini.lock"}));
}

// Two processes write different keys of one file at the same time; afterwards
// every key is there.
TEST_F(ProfileTest, ExchangeReturnsWhatItReplaces) {
  const std::string file = Ini("[PrefsWP]\r\nDelayedChange = \"WallPaper\"\r\n");
  EXPECT_EQ(ExchangePrivateProfileString("prefswp", "delayedchange", "", file), "WallPaper");
  EXPECT_EQ(Read("PrefsWP", "DelayedChange", file), "");
  EXPECT_EQ(ExchangePrivateProfileString("PrefsWP", "DelayedChange", "Calendar", file), "");
  EXPECT_EQ(ExchangePrivateProfileString("New", "key", "x", file), "");
  EXPECT_EQ(Read("New", "key", file), "x");

  fs::permissions(file, fs::perms::owner_read);
  const std::string before = ReadFile(file);
  EXPECT_EQ(ExchangePrivateProfileString("PrefsWP", "DelayedChange", "", file), std::nullopt);
  EXPECT_EQ(ReadFile(file), before);
}

TEST_F(ProfileTest, ConcurrentWritersLoseNothing) {
  const std::string file = (dir_ / "shared.ini").string();
  constexpr int kKeys = 150;
  std::vector<pid_t> children;
  for (int writer = 0; writer < 2; ++writer) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      bool ok = true;
      for (int i = 0; i < kKeys; ++i) {
        const std::string section = i % 2 ? "Odd" : "Even";
        ok = WritePrivateProfileString(section, "w" + std::to_string(writer) + "_" + std::to_string(i),
                                       std::to_string(i), file) && ok;
      }
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  int missing = 0;
  for (int writer = 0; writer < 2; ++writer) {
    for (int i = 0; i < kKeys; ++i) {
      const std::string key = "w" + std::to_string(writer) + "_" + std::to_string(i);
      if (GetPrivateProfileInt(i % 2 ? "Odd" : "Even", key, -1, file) != i) ++missing;
    }
  }
  EXPECT_EQ(missing, 0);
}

// While one process rewrites a file over and over, every read of it sees a whole
// file, never a part of one.
TEST_F(ProfileTest, ReadersNeverSeeAHalfWrittenFile) {
  const std::string file = (dir_ / "atomic.ini").string();
  const std::string small(10, 'a');
  const std::string large(200000, 'b');
  ASSERT_TRUE(WritePrivateProfileString("S", "big", small, file));
  ASSERT_TRUE(WritePrivateProfileString("S", "end", "1", file));
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    bool ok = true;
    for (int i = 0; i < 200; ++i) {
      ok = WritePrivateProfileString("S", "big", i % 2 ? small : large, file) && ok;
    }
    _exit(ok ? 0 : 1);
  }
  int torn = 0;
  int status = 0;
  for (int reads = 0; reads < 100000 && waitpid(pid, &status, WNOHANG) == 0; ++reads) {
    const std::string bytes = ReadFile(file);
    const bool whole = bytes == "[S]\r\nbig=" + small + "\r\nend=1\r\n" ||
                       bytes == "[S]\r\nbig=" + large + "\r\nend=1\r\n";
    if (!whole) ++torn;
  }
  if (waitpid(pid, &status, WNOHANG) == 0) {
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(torn, 0);
}

TEST_F(ProfileTest, CreateIfMissingNeverReplacesAFile) {
  const std::string file = (dir_ / "new.ini").string();
  EXPECT_TRUE(orvane::platform::CreatePrivateProfileIfMissing(file, "[A]\r\n", 0600));
  EXPECT_EQ(ReadFile(file), "[A]\r\n");
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_TRUE(orvane::platform::CreatePrivateProfileIfMissing(file, "[B]\r\n"));
  EXPECT_EQ(ReadFile(file), "[A]\r\n");
}

}  // namespace
