// The five programs as a user starts them from a terminal or a schedule: help
// and version, no display, and an unattended run whose settings folder cannot
// be made.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/instance.h"
#include "platform/runlog.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using orvane::test::ReadFile;

namespace {

struct Ran {
  bool finished = false;  // ended by itself, not by a signal, before the wait ran out
  int status = -1;
  std::string out;
  std::string err;
};

fs::path Program(const std::string& name) { return orvane::test::OrvaneExe().parent_path() / name; }

Ran RunProgram(const std::string& program, const QStringList& args, const QProcessEnvironment& env) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(QString::fromStdString(Program(program).string()), args);
  process.closeWriteChannel();
  Ran ran;
  // A generous bound, no timing: a run that waits on a box never ends at all.
  if (process.waitForFinished(60000)) {
    ran.finished = process.exitStatus() == QProcess::NormalExit;
    ran.status = process.exitCode();
  } else {
    process.kill();
    process.waitForFinished();
  }
  ran.out = process.readAllStandardOutput().toStdString();
  ran.err = process.readAllStandardError().toStdString();
  return ran;
}

// The environment of a terminal without any display.
QProcessEnvironment WithoutDisplay() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
  return env;
}

bool Empty(const fs::path& folder) { return fs::is_empty(folder); }

}  // namespace

// Help and version come on standard output with status 0, with no display at
// all, and nothing is started: no folder of the programs is made.
TEST(Programs, AnswerHelpAndVersion) {
  struct Case {
    const char* program;
    const char* argument;
  };
  const std::vector<Case> cases = {
      {"orvane", "--help"},         {"orvane", "-h"},         {"orvane", "/?"},          {"orvane", "--version"},
      {"tobrin", "--help"},         {"tobrin", "-h"},         {"tobrin", "--version"},   {"pellam", "--help"},
      {"pellam", "-h"},             {"pellam", "--version"},  {"orvane-add-set", "--help"},
      {"orvane-add-set", "-h"},     {"orvane-add-set", "--version"},                     {"orvane-idle", "--help"},
      {"orvane-idle", "-h"},        {"orvane-idle", "--version"},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.program) + " " + c.argument;
    QProcessEnvironment env = WithoutDisplay();
    const fs::path home = orvane::test::MakeTempDir(std::string("home-") + c.program + c.argument);
    env.insert("HOME", QString::fromStdString(home.string()));
    for (const char* name : {"XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
      env.remove(name);
    const Ran ran = RunProgram(c.program, {c.argument}, env);
    ASSERT_TRUE(ran.finished) << what << ": " << ran.err;
    EXPECT_EQ(ran.status, 0) << what << ": " << ran.err;
    EXPECT_EQ(ran.err, "") << what;
    if (std::string(c.argument) == "--version") {
      // "<program> <major>.<minor>", one line.
      const std::string prefix = std::string(c.program) + " ";
      EXPECT_EQ(ran.out.rfind(prefix, 0), 0u) << what << ": " << ran.out;
      const std::string version = ran.out.substr(std::min(prefix.size(), ran.out.size()));
      EXPECT_TRUE(!version.empty() && version.back() == '\n' && version.find('\n') == version.size() - 1 &&
                  version.find('.') != std::string::npos &&
                  version.find_first_not_of("0123456789.\n") == std::string::npos)
          << what << ": " << ran.out;
    } else {
      EXPECT_EQ(ran.out.rfind(std::string("usage: ") + c.program, 0), 0u) << what << ":\n" << ran.out;
      EXPECT_NE(ran.out.find("\n  -h, --help"), std::string::npos) << what << ":\n" << ran.out;
    }
    EXPECT_TRUE(Empty(home)) << what << " made files in HOME";
  }
}

// Without a display each windowed program says so in one line naming both
// variables and ends with status 1; the unattended runs put it in the log too.
TEST(Programs, WithoutDisplaySayWhy) {
  struct Case {
    const char* program;
    QStringList args;
    const char* display;  // DISPLAY and QT_QPA_PLATFORM=xcb, or none at all
    bool logged;
  };
  const std::vector<Case> cases = {
      {"orvane", {}, nullptr, false},
      {"orvane", {"/s"}, nullptr, false},
      {"orvane", {"/c"}, nullptr, false},
      {"orvane", {"/a"}, nullptr, false},
      {"orvane", {"/-ConfigWall"}, nullptr, false},
      {"orvane", {"/wall"}, nullptr, true},
      {"orvane", {"/kalendar"}, nullptr, true},
      {"tobrin", {}, nullptr, false},
      {"pellam", {"/nowhere"}, nullptr, false},
      // A display that is named but cannot be opened: Qt fails to open its platform.
      {"orvane", {"/s"}, ":4242", false},
      {"orvane", {"/wall"}, ":4242", true},
      {"tobrin", {}, ":4242", false},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.program) + " " + c.args.join(' ').toStdString() +
                             (c.display ? std::string(" on ") + c.display : "");
    QProcessEnvironment env = WithoutDisplay();
    if (c.display) {
      env.insert("DISPLAY", c.display);
      env.insert("QT_QPA_PLATFORM", "xcb");
    }
    const std::string log = orvane::platform::RunLogFile();
    fs::remove(log);
    const Ran ran = RunProgram(c.program, c.args, env);
    ASSERT_TRUE(ran.finished) << what << ": " << ran.err;
    EXPECT_EQ(ran.status, 1) << what;
    EXPECT_EQ(ran.err, std::string(c.program) + ": " + orvane::platform::NoDisplayLine() + "\n") << what;
    EXPECT_NE(ran.err.find("DISPLAY nor WAYLAND_DISPLAY"), std::string::npos) << what;
    const std::string logged = fs::exists(log) ? ReadFile(log) : "";
    EXPECT_EQ(logged.find(orvane::platform::NoDisplayLine()) != std::string::npos, c.logged) << what << ": " << logged;
  }
}

// An unattended wallpaper run whose settings folder cannot be made (a file
// stands where a folder should be) ends by itself with status 1 and says which
// folder and why, on standard error and in the log; also as a second instance,
// which only records its request.
TEST(Programs, UnattendedRunWithoutSettingsFolderEnds) {
  struct Case {
    const char* args;
    bool secondInstance;
  };
  // The second instance comes last: this process keeps the instance lock once taken.
  for (const Case& c : std::vector<Case>{{"/wall", false}, {"/kalendar", false}, {"/wall", true}}) {
    const std::string what = std::string(c.args) + (c.secondInstance ? " (second instance)" : "");
    const fs::path blocker = orvane::test::TempRoot() / "blocker";
    orvane::test::WriteFile(blocker, "a file where a folder should be");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(blocker.string()));
    if (c.secondInstance) {
      ASSERT_FALSE(orvane::platform::PrevInstance("orvane"));
    }
    const std::string log = orvane::platform::RunLogFile();
    fs::remove(log);
    const Ran ran = RunProgram("orvane", {c.args}, env);
    ASSERT_TRUE(ran.finished) << what << " is still waiting: " << ran.err;
    EXPECT_EQ(ran.status, 1) << what << ": " << ran.err;
    const std::string said = "The folder does not exist: " + blocker.string() + "/orvane/ (Not a directory)";
    EXPECT_NE(ran.err.find(said), std::string::npos) << what << ": " << ran.err;
    EXPECT_NE(ReadFile(log).find(said), std::string::npos) << what;
  }
}
