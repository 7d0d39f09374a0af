// orvane-add-set run as a program in a fresh home: its first start sets up the
// program folder, the set it makes plays in the slide show, and each bad input
// gets its message and a failure status.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <string>

#include "core/FirstStart.h"
#include "core/PPS.h"
#include "platform/folders.h"
#include "platform/profile.h"
#include "tests/support/testenv.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out, err;
};

Result AddSet(const QStringList& arguments) {
  QProcess process;
  process.start(QString::fromStdString((orvane::test::OrvaneExe().parent_path() / "orvane-add-set").string()),
                arguments);
  Result result;
  if (!process.waitForFinished(60000)) return result;
  result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = process.readAllStandardOutput().toStdString();
  result.err = process.readAllStandardError().toStdString();
  return result;
}

void WritePicture(const fs::path& path, QColor colour) {
  QImage image(640, 480, QImage::Format_RGB32);
  image.fill(colour);
  ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "JPEG"));
}

TEST(AddSetProgram, MakesASetThatTheSlideShowPlays) {
  const fs::path holiday = orvane::test::MakeTempDir("Pictures/Holiday");
  WritePicture(holiday / "Harbour = dawn.jpg", Qt::blue);
  WritePicture(holiday / "[Beach] caf\u00e9.jpg", Qt::yellow);
  const Result made = AddSet({QString::fromStdString(holiday.string())});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_NE(made.out.find("Made the program folder " + orvane::core::UserProgramFolder()), std::string::npos) << made.out;
  EXPECT_NE(made.out.find("Made the image set \"Holiday\" of 2 pictures"), std::string::npos) << made.out;
  // Not a terminal: the progress is its final line alone.
  EXPECT_NE(made.err.find("orvane-add-set: thumbnails 2 of 2 (100 %)\n"), std::string::npos) << made.err;
  EXPECT_EQ(made.err.find('\r'), std::string::npos) << made.err;
  const std::string program = orvane::core::UserProgramFolder();
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(program + "Holiday")));
  EXPECT_TRUE(fs::is_symlink(program + "Coastline/images.ini")) << "the first start linked the starter sets";

  // The show plays that set alone.
  const std::string settings = orvane::platform::LocalAppDataFolder() + "ScreenSaver.ini";
  orvane::test::WriteFile(settings, "[ScreenSaver]\r\nSetup=1\r\n[PrefsSS]\r\nrandom=0\r\nCurrentSet=Holiday\r\n");
  const fs::path trace = orvane::test::TempRoot() / "trace.txt";
  QProcess show;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ORVANE_TRACE", QString::fromStdString(trace.string()));
  show.setProcessEnvironment(env);
  show.start(QString::fromStdString(orvane::test::OrvaneExe().string()), {"/s"});
  ASSERT_TRUE(show.waitForStarted(10000));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (orvane::test::ReadFile(trace).find("prep ") == std::string::npos && std::chrono::steady_clock::now() < deadline)
    QThread::msleep(20);
  kill(pid_t(show.processId()), SIGTERM);
  ASSERT_TRUE(show.waitForFinished(20000));
  EXPECT_NE(orvane::test::ReadFile(trace).find("prep "), std::string::npos) << show.readAllStandardError().toStdString();
  EXPECT_EQ(orvane::platform::GetPrivateProfileInt("PrefsSS", "LastImage", 0, settings), 1) << "a slide of the set";
  EXPECT_EQ(orvane::core::GetIniString("Holiday", "(Beach) caf\xe9", "", orvane::platform::LocalAppDataFolder() + "Orvane.ini"),
            "[Beach] caf\xe9.jpg");

  fs::remove(holiday / "Harbour = dawn.jpg");
  const Result again = AddSet({QString::fromStdString(holiday.string())});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("1 picture, 0 new, 1 gone"), std::string::npos) << again.out;
}

TEST(AddSetProgram, BadInputGetsAMessageAndAFailureStatus) {
  const fs::path empty = orvane::test::MakeTempDir("Empty");
  const fs::path other = orvane::test::MakeTempDir("Other");
  WritePicture(other / "a.jpg", Qt::red);
  struct Case {
    QStringList arguments;
    int status;
    const char* message;
  } cases[] = {
      {{}, 2, "usage: orvane-add-set FOLDER [NAME]"},
      {{"a", "b", "c"}, 2, "usage: orvane-add-set FOLDER [NAME]"},
      {{QString::fromStdString((orvane::test::TempRoot() / "missing").string())}, 1,
       "orvane-add-set: no such folder: "},
      {{QString::fromStdString(empty.string())}, 1, "holds no pictures (JPEG, BMP, PNG, WebP or HEIC files)"},
      {{QString::fromStdString(other.string()), "Night Sky"}, 1,
       "orvane-add-set: the name \"Night Sky\" is taken by another image set"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const Result result = AddSet(c.arguments);
    EXPECT_EQ(result.status, c.status);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find("Made the image set"), std::string::npos) << result.out;
  }
}

// Two runs on one folder at once: the second waits for the first (here while
// the test holds the lock as a run would) and then finds the set up to date.
TEST(AddSetProgram, TwoRunsAtOnceWaitForEachOther) {
  const fs::path folder = orvane::test::MakeTempDir("Pictures/Walk");
  for (int i = 0; i < 6; ++i) WritePicture(folder / ("p" + std::to_string(i) + ".jpg"), QColor(40 * i, 90, 200));
  // A first run makes the program folder.
  ASSERT_EQ(AddSet({QString::fromStdString(orvane::test::MakeTempDir("Empty").string())}).status, 1);
  const std::string program = orvane::core::UserProgramFolder();
  const int held = open((program + ".orvane-add-set.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);

  const QString exe = QString::fromStdString((orvane::test::OrvaneExe().parent_path() / "orvane-add-set").string());
  QProcess first, second;
  first.start(exe, {QString::fromStdString(folder.string())});
  second.start(exe, {QString::fromStdString(folder.string())});
  QByteArray firstErr, secondErr;
  ASSERT_TRUE(orvane::test::WaitFor([&] {
    first.waitForReadyRead(50);
    second.waitForReadyRead(50);
    firstErr += first.readAllStandardError();
    secondErr += second.readAllStandardError();
    return firstErr.contains("waiting") && secondErr.contains("waiting");
  }));
  EXPECT_FALSE(fs::exists(program + "Walk")) << "nothing is made while another run holds the lock";
  close(held);
  ASSERT_TRUE(first.waitForFinished(60000));
  ASSERT_TRUE(second.waitForFinished(60000));
  const std::string out = first.readAllStandardOutput().toStdString() + second.readAllStandardOutput().toStdString();
  firstErr += first.readAllStandardError();
  secondErr += second.readAllStandardError();
  EXPECT_EQ(first.exitCode(), 0) << firstErr.toStdString();
  EXPECT_EQ(second.exitCode(), 0) << secondErr.toStdString();
  EXPECT_NE(firstErr.indexOf("another run is updating the image sets; waiting for it to finish"), -1);
  EXPECT_NE(out.find("Made the image set \"Walk\" of 6 pictures"), std::string::npos) << out;
  EXPECT_NE(out.find("The image set \"Walk\" is up to date: 6 pictures, 0 new, 0 gone."), std::string::npos) << out;
  EXPECT_EQ((firstErr + secondErr).indexOf("cannot be"), -1) << (firstErr + secondErr).toStdString();
}

// On a terminal the progress is one line written over in place.
TEST(AddSetProgram, ProgressOnATerminalIsRewrittenInPlace) {
  const fs::path folder = orvane::test::MakeTempDir("Pictures/Garden");
  for (int i = 0; i < 3; ++i) WritePicture(folder / ("g" + std::to_string(i) + ".jpg"), QColor(90, 60 * i, 40));
  const std::string exe = (orvane::test::OrvaneExe().parent_path() / "orvane-add-set").string();
  // script(1) runs the program on a pseudo-terminal of its own.
  QProcess script;
  script.start("script", {"-qec", QString::fromStdString("'" + exe + "' '" + folder.string() + "'"), "/dev/null"});
  ASSERT_TRUE(script.waitForFinished(60000));
  ASSERT_EQ(script.exitCode(), 0);
  const std::string out = script.readAllStandardOutput().toStdString();
  EXPECT_NE(out.find("\rorvane-add-set: thumbnails 3 of 3 (100 %)\033[K\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Made the image set \"Garden\" of 3 pictures"), std::string::npos) << out;
}

}  // namespace
