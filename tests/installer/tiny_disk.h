#pragma once
// Runs a test again in a child process whose program folder is a small tmpfs,
// mounted in a private user and mount namespace (no rights needed on the host):
//   TEST(Suite, Name) {
//     if (const char* disk = TinyDisk()) { ...the test on disk...; return; }
//     RunOnTinyDisk("Suite.Name", "256k");
//   }
#include <gtest/gtest.h>

#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/testenv.h"

namespace orvane::test {

// The tmpfs folder inside the child run, nullptr in the ordinary run.
inline const char* TinyDisk() { return std::getenv("ORVANE_TINY_DISK"); }

inline void RunOnTinyDisk(const std::string& testName, const std::string& size) {
  // User namespaces may be switched off (some containers): then there is no tmpfs.
  QProcess probe;
  probe.start(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")});
  if (!probe.waitForStarted(10000) || !probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit ||
      probe.exitCode() != 0)
    GTEST_SKIP() << "unshare cannot make a private mount namespace here";

  const std::filesystem::path mountPoint = MakeTempDir("tiny");
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("ORVANE_TINY_DISK"), QString::fromStdString(mountPoint.string()));
  child.setProcessEnvironment(environment);
  const QString self = QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe").string());
  child.start(QStringLiteral("unshare"),
              {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
               QString::fromStdString("mount -t tmpfs -o size=" + size +
                                      " tmpfs \"$0\" || exit 77; exec \"$1\" --gtest_filter=" + testName),
               QString::fromStdString(mountPoint.string()), self});
  ASSERT_TRUE(child.waitForStarted(10000));
  ASSERT_TRUE(child.waitForFinished(60000));
  const std::string output =
      QString::fromLocal8Bit(child.readAllStandardOutput() + child.readAllStandardError()).toStdString();
  if (child.exitCode() == 77) GTEST_SKIP() << "cannot mount a tmpfs here: " << output;
  EXPECT_EQ(child.exitCode(), 0) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

}  // namespace orvane::test
