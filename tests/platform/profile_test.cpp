#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/folders.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using orvane::platform::ExchangePrivateProfileString;
using orvane::platform::GetPrivateProfileInt;
using orvane::platform::GetPrivateProfileString;
using orvane::platform::ProfileEdit;
using orvane::platform::WritePrivateProfileBatch;
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
      {"CR alone", "[T]\rb=0\r[S]\rx=0\ra=1\r", "S", "a", "1"},
      {"line ends mixed", "[T]\r\nb=0\n[S]\ra=1\r\n", "S", "a", "1"},
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
      "small=-99999999999\nhex=0x10\nquoted=\"12\"\nover=4294967297\nall=4294967295\n"
      "top=2147483647\nhalf=2147483648\nnegover=-4294967297\n");
  // Beyond the 32-bit range the number wraps modulo 2^32 as the system's reader does.
  const std::vector<std::pair<const char*, long>> cases = {
      {"plain", 42},   {"lead", 7},    {"neg", -5},
      {"plus", 3},     {"word", 0},    {"empty", 9},
      {"missing", 9},  {"hex", 0},     {"quoted", 12},
      {"over", 1},     {"all", -1},    {"top", INT32_MAX},
      {"half", INT32_MIN}, {"negover", -1},
      {"huge", 1215752191},  // 99999999999 - 23 * 2^32
      {"small", -1215752191},
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
      {"CR-alone lines kept", "[S]\ra=1\rb=2\r", "b", "3", "[S]\ra=1\rb=3\r"},
      {"new key among CR-alone lines", "[S]\ra=1\r[T]\r", "c", "3", "[S]\ra=1\rc=3\r\n[T]\r"},
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
  // errno tells why, for the report of the write that failed.
  errno = 0;
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "1", (dir_ / "no/such/t.ini").string()));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "1", ""));

  const std::string file = Ini("[S]\na=1\n");
  errno = 0;
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "two\nlines", file));
  EXPECT_EQ(errno, EINVAL);
  fs::permissions(file, fs::perms::owner_read);  // the read-only attribute
  errno = 0;
  EXPECT_FALSE(WritePrivateProfileString("S", "a", "2", file));
  EXPECT_EQ(errno, EACCES);
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

// A batch leaves the file exactly as the same edits written one by one would.
TEST_F(ProfileTest, BatchWritesWhatTheSingleWritesWould) {
  const std::vector<ProfileEdit> edits = {
      {"S", "a", "new"},           {"S", "c", "3"},          {"T", "z", std::nullopt},
      {"New", "k", "1"},           {"s", "D", "4"},          {"U", std::nullopt, std::nullopt},
      {"U", "again", "1"},         {"S", "C", "replaced"},   {"New", "k", std::nullopt},
      {"New", "l", "2"},           {"V", "gone", "1"},       {"V", std::nullopt, std::nullopt},
      {"S", "b", std::nullopt},    {"S", "e", "5"},          {"w", " spaced ", "  v  "},
  };
  const std::vector<std::pair<const char*, std::string>> files = {
      {"missing", ""},
      {"plain", "; head\r\n[S]\r\na=1\r\nb=2\r\n\r\n[T]\r\nz=9\r\n[U]\r\nu=1\r\n"},
      {"repeated sections, no final line end",
       "\xEF\xBB\xBF[S]\na=1\n;c\n[T]\nz=1\n[s]\nb=2\nz=3\n[U]\nu=1"},
      {"CR alone", "[S]\ra=1\rb=2\r[U]\r"},
  };
  for (const auto& [name, contents] : files) {
    const std::string single = Ini(contents, "single.ini");
    const std::string batch = Ini(contents, "batch.ini");
    if (contents.empty()) {
      fs::remove(single);
      fs::remove(batch);
    }
    for (const ProfileEdit& edit : edits) {
      ASSERT_TRUE(WritePrivateProfileString(edit.section, edit.key, edit.value, single)) << name;
    }
    ASSERT_TRUE(WritePrivateProfileBatch(edits, batch)) << name;
    EXPECT_EQ(ReadFile(batch), ReadFile(single)) << name;
  }
}

TEST_F(ProfileTest, BatchIsStoredWholeOrNotAtAll) {
  const std::string before = "[S]\na=1\n";
  const std::string file = Ini(before);
  EXPECT_FALSE(WritePrivateProfileBatch({{"S", "a", "2"}, {"S", "b", "x\ny"}}, file));
  EXPECT_FALSE(WritePrivateProfileBatch({{"S", "a", "2"}, {"S", "", "1"}}, file));
  EXPECT_EQ(ReadFile(file), before);
  fs::permissions(file, fs::perms::owner_read);
  EXPECT_FALSE(WritePrivateProfileBatch({{"S", "a", "2"}}, file));
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_TRUE(WritePrivateProfileBatch({}, (dir_ / "none.ini").string()));
  EXPECT_FALSE(fs::exists(dir_ / "none.ini"));
}

// Two processes write batches and single keys into one file at once; every key
// of both is there afterwards.
TEST_F(ProfileTest, ConcurrentBatchesLoseNothing) {
  const std::string file = (dir_ / "shared.ini").string();
  constexpr int kRounds = 40;
  constexpr int kPerBatch = 25;
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  const int writer = pid == 0 ? 1 : 0;
  bool ok = true;
  for (int round = 0; round < kRounds; ++round) {
    std::vector<ProfileEdit> batch;
    for (int i = 0; i < kPerBatch; ++i) {
      batch.push_back({"W" + std::to_string(writer), std::to_string(round * kPerBatch + i), "1"});
    }
    ok = WritePrivateProfileBatch(batch, file) && ok;
    ok = WritePrivateProfileString("Single", std::to_string(writer * 1000 + round), "1", file) &&
         ok;
  }
  if (pid == 0) _exit(ok ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  int missing = 0;
  for (int w = 0; w < 2; ++w) {
    for (int key = 0; key < kRounds * kPerBatch; ++key) {
      if (GetPrivateProfileInt("W" + std::to_string(w), std::to_string(key), 0, file) != 1) {
        ++missing;
      }
    }
    for (int round = 0; round < kRounds; ++round) {
      if (GetPrivateProfileInt("Single", std::to_string(w * 1000 + round), 0, file) != 1) {
        ++missing;
      }
    }
  }
  EXPECT_EQ(missing, 0);
}

// Reads keep a parsed copy of the file; whatever changes the file - another
// process, a rename over it, a rewrite in place at the same size within one
// clock tick, even with its modification time put back - the next read sees it.
TEST_F(ProfileTest, ReadsNeverGoStale) {
  const std::string file = Ini("[S]\na=1\n");
  auto age = [&](long seconds) {
    struct timespec times[2] = {{time(nullptr) - seconds, 0}, {time(nullptr) - seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    // Past the file time's tick, so the next read keeps a trusted copy.
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
  };
  age(100);  // an old file is kept as a trusted parsed copy
  ASSERT_EQ(Read("S", "a", file), "1");
  ASSERT_EQ(Read("S", "a", file), "1");

  // Another process writes through the profile layer.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) _exit(WritePrivateProfileString("S", "a", "2", file) ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Read("S", "a", file), "2");

  // Rewritten in place, same size, modification time put back.
  age(100);
  EXPECT_EQ(Read("S", "a", file), "2");
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  WriteFile(file, "[S]\na=3\n");
  struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  EXPECT_EQ(Read("S", "a", file), "3");

  // Rewritten in place over and over at the same size, as fast as it goes.
  for (int i = 0; i < 200; ++i) {
    const std::string value = std::to_string(i % 10);
    WriteFile(file, "[S]\na=" + value + "\n");
    ASSERT_EQ(Read("S", "a", file), value) << i;
  }

  // Replaced by a rename from another program, and removed.
  age(100);
  EXPECT_EQ(Read("S", "a", file), "9");
  const fs::path other = dir_ / "other.ini";
  WriteFile(other, "[S]\na=7\n");
  fs::rename(other, file);
  EXPECT_EQ(Read("S", "a", file), "7");
  fs::remove(file);
  EXPECT_EQ(Read("S", "a", file), "<def>");

  // More files than copies are kept, read in turns and changed in between.
  std::vector<std::string> files;
  for (int i = 0; i < 40; ++i) {
    files.push_back(Ini("[S]\na=0\n", "f" + std::to_string(i) + ".ini"));
  }
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 40; ++i) {
      ASSERT_EQ(Read("S", "a", files[i]), std::to_string(round)) << i;
      ASSERT_TRUE(WritePrivateProfileString("S", "a", std::to_string(round + 1), files[i]));
    }
  }
}

}  // namespace
