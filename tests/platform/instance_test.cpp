#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "platform/caption_lock.h"
#include "platform/instance.h"
#include "tests/support/testenv.h"

namespace pf = orvane::platform;

namespace {

// When this test program is started with ORVANE_PROBE set, it acts as a second
// process before any test runs: it answers one lock question on stdout and,
// with ORVANE_PROBE_HOLD, keeps what it holds until its stdin is closed.
const bool kProbeRan = [] {
  const char* probe = std::getenv("ORVANE_PROBE");
  if (!probe) return false;
  const std::string what = probe;
  std::string answer;
  if (what.rfind("instance:", 0) == 0) {
    answer = pf::PrevInstance(what.substr(9)) ? "another=1" : "another=0";
  } else if (what.rfind("caption:", 0) == 0) {
    static pf::CaptionLock* held = nullptr;
    if (std::getenv("ORVANE_PROBE_HOLD")) held = new pf::CaptionLock(what.substr(8));
    answer = pf::IsCaptionLocked(what.substr(8)) ? "locked=1" : "locked=0";
    if (held) answer += held->Held() ? " held=1" : " held=0";
  }
  std::cout << answer << std::endl;
  if (std::getenv("ORVANE_PROBE_HOLD")) {
    std::string line;
    while (std::getline(std::cin, line)) {
    }
  }
  std::_Exit(0);
}();

class Probe {
 public:
  Probe(const std::string& what, bool hold) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORVANE_PROBE", QString::fromStdString(what));
    if (hold) env.insert("ORVANE_PROBE_HOLD", "1");
    process_.setProcessEnvironment(env);
    process_.start(QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe").string()), {});
  }
  ~Probe() { Finish(); }
  // The probe's one answer line.
  std::string Answer() {
    while (!process_.canReadLine() && process_.state() != QProcess::NotRunning)
      if (!process_.waitForReadyRead(30000)) break;
    return process_.readLine().trimmed().toStdString();
  }
  // Closes the probe's stdin (it lets go of what it holds) and waits for it.
  void Finish() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.closeWriteChannel();
    process_.waitForFinished(30000);
  }

 private:
  QProcess process_;
};

}  // namespace

TEST(PrevInstance, SecondProcessSeesTheFirstUntilItEnds) {
  Probe first("instance:orvane-test", true);
  EXPECT_EQ(first.Answer(), "another=0");
  {
    Probe second("instance:orvane-test", false);
    EXPECT_EQ(second.Answer(), "another=1");
  }
  {
    Probe otherProgram("instance:tobrin-test", false);
    EXPECT_EQ(otherProgram.Answer(), "another=0");
  }
  first.Finish();
  Probe third("instance:orvane-test", false);
  EXPECT_EQ(third.Answer(), "another=0");
}

TEST(PrevInstance, LockFileLivesInTheRuntimeFolder) {
  const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(pf::InstanceLockPath("orvane"), runtime + "/orvane.lock");
  EXPECT_FALSE(pf::PrevInstance("orvane-self"));
  EXPECT_FALSE(pf::PrevInstance("orvane-self"));  // the holder asks again: still alone
  EXPECT_TRUE(std::filesystem::exists(runtime + "/orvane-self.lock"));
  Probe other("instance:orvane-self", false);
  EXPECT_EQ(other.Answer(), "another=1");
}

TEST(CaptionLock, HeldWhileTheObjectLives) {
  const std::string folder = orvane::test::MakeTempDir("caption").string() + "/";
  EXPECT_FALSE(pf::IsCaptionLocked(folder));  // no file yet
  EXPECT_FALSE(std::filesystem::exists(folder + "DUZudaveZeved.lock"));
  {
    pf::CaptionLock lock(folder);
    EXPECT_TRUE(lock.Held());
    EXPECT_TRUE(pf::IsCaptionLocked(folder));
    pf::CaptionLock second(folder);
    EXPECT_FALSE(second.Held());
    Probe other("caption:" + folder, false);
    EXPECT_EQ(other.Answer(), "locked=1");
  }
  EXPECT_FALSE(pf::IsCaptionLocked(folder));  // and the probe left no lock behind
  EXPECT_FALSE(pf::IsCaptionLocked(folder));
}

TEST(CaptionLock, AnotherProcessHoldingItIsSeenAndItsEndReleasesIt) {
  const std::string folder = orvane::test::MakeTempDir("caption2").string();
  Probe holder("caption:" + folder, true);
  EXPECT_EQ(holder.Answer(), "locked=1 held=1");
  EXPECT_TRUE(pf::IsCaptionLocked(folder));
  holder.Finish();
  EXPECT_FALSE(pf::IsCaptionLocked(folder));
  EXPECT_FALSE(pf::IsCaptionLocked(folder + "/missing-subfolder"));
}
