// orvane-add-set run as a program in a fresh home: its first start sets up the
// program folder, the set it makes plays in the slide show, and each bad input
// gets its message and a failure status.
#include <gtest/gtest.h>
#include <signal.h>

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
  const std::string program = orvane::core::UserProgramFolder();
  EXPECT_TRUE(fs::is_symlink(program + "Holiday"));
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
      {{QString::fromStdString(empty.string())}, 1, "holds no pictures (\".jpg\", \".jpeg\" or \".bmp\" files)"},
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

}  // namespace
