// The first start where no program folder is recorded: the user's own folder
// with the templates and links to the starter sets, recorded in both hives;
// never a second time, and never in place of a folder that is recorded.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "core/Catalogue.h"
#include "core/FirstStart.h"
#include "core/PPS.h"
#include "core/CompanyIni.h"
#include "core/Utils.h"
#include "platform/folders.h"
#include "platform/registry.h"
#include "tests/support/testenv.h"

namespace {

using orvane::test::WaitFor;

namespace fs = std::filesystem;
namespace pf = orvane::platform;
using orvane::core::kProgramPathKey;
using orvane::test::ReadFile;
using orvane::test::WriteFile;

std::string Recorded(pf::Hive hive) { return pf::RegQueryValue(hive, kProgramPathKey, "").value_or("(none)"); }

// Every entry below folder (links not followed): file contents and link targets.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    const std::string name = it->path().lexically_relative(folder).string();
    if (it->is_symlink()) entries[name] = "-> " + fs::read_symlink(it->path()).string();
    else if (it->is_regular_file()) entries[name] = ReadFile(it->path());
    else entries[name] = "folder";
  }
  return entries;
}

// A starter folder as the build makes it: the two templates, two sets, and
// entries that are no sets.
fs::path MakeStarterSets() {
  const fs::path starter = orvane::test::MakeTempDir("share/orvane/sets");
  WriteFile(starter / "ScreenSaver.ini", "[ScreenSaver]\r\nSetup=1\r\n");
  WriteFile(starter / "config.ini", "[config]\r\nConfigWinTitle=Starter\r\n");
  WriteFile(starter / "Sea/images.ini", "[SetDescriptions]\r\nSea=Sea/\r\n\r\n[Sea]\r\nWave=wave\r\n");
  WriteFile(starter / "Sea/company.ini", "[TitlePage]\r\nfile=title\r\n");
  WriteFile(starter / "Hills/IMAGES.INI", "[SetDescriptions]\r\nHills=Hills/\r\n\r\n[Hills]\r\n");
  WriteFile(starter / "Notes/readme.txt", "no set here");
  WriteFile(starter / ".hidden/images.ini", "[SetDescriptions]\r\nHidden=x/\r\n");
  // Installed read-only.
  for (const char* file : {"ScreenSaver.ini", "Sea/company.ini"})
    fs::permissions(starter / file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  return starter;
}

TEST(FirstStart, MakesTheUsersFolderWithTemplatesAndLinkedSetsAndRecordsIt) {
  const fs::path starter = MakeStarterSets();
  const std::string folder = orvane::core::UserProgramFolder();
  EXPECT_EQ(folder, pf::LocalAppDataFolder() + "sets/");

  const auto outcome = orvane::core::MakeProgramFolderIfNone(starter.string() + "/", folder);
  ASSERT_EQ(outcome.result, orvane::core::FirstStartResult::Made) << outcome.error;
  EXPECT_EQ(outcome.folder, folder);
  EXPECT_EQ(Recorded(pf::Hive::CurrentUser), folder);
  EXPECT_EQ(Recorded(pf::Hive::LocalMachine), folder);
  EXPECT_EQ(orvane::core::GetProgramPath(), folder);

  const std::map<std::string, std::string> expected = {
      {"ScreenSaver.ini", "[ScreenSaver]\r\nSetup=1\r\n"},
      {"config.ini", "[config]\r\nConfigWinTitle=Starter\r\n"},
      {"Sea", "folder"},
      {"Sea/images.ini", "-> " + (starter / "Sea/images.ini").string()},
      {"Sea/company.ini", "[TitlePage]\r\nfile=title\r\n"},
      {"Hills", "folder"},
      {"Hills/IMAGES.INI", "-> " + (starter / "Hills/IMAGES.INI").string()},
  };
  EXPECT_EQ(Snapshot(folder), expected);
  // The user's copy of a template is theirs to change.
  EXPECT_EQ(access((folder + "ScreenSaver.ini").c_str(), W_OK), 0);
  struct stat info {};
  ASSERT_EQ(stat((folder + "ScreenSaver.ini").c_str(), &info), 0);
  EXPECT_TRUE(info.st_mode & S_IWUSR);

  // The title page switch of a starter set is the user's to write; the
  // installed set is left as it is.
  EXPECT_TRUE(orvane::core::WriteTitlePageSwitch(folder + "Sea/company.ini", false));
  EXPECT_EQ(ReadFile(folder + "Sea/company.ini"), "[TitlePage]\r\nfile=*title\r\n");
  EXPECT_EQ(ReadFile(starter / "Sea/company.ini"), "[TitlePage]\r\nfile=title\r\n");

  // The catalogue finds the linked sets.
  const std::string settings = pf::LocalAppDataFolder();
  const auto refresh = orvane::core::RefreshCatalogue(settings, folder);
  EXPECT_EQ(refresh.setFolders, (std::vector<std::string>{"Hills/", "Sea/"}));
  EXPECT_EQ(orvane::core::GetIniString("Sea", "Wave", "", settings + "Orvane.ini"), "wave");

  // A second start finds the folder recorded and changes nothing, even where
  // the user removed a link and changed a template.
  fs::remove_all(folder + "Hills");
  WriteFile(folder + "config.ini", "[config]\r\nConfigWinTitle=Mine\r\n");
  const auto before = Snapshot(folder);
  EXPECT_EQ(orvane::core::MakeProgramFolderIfNone(starter.string() + "/", folder).result,
            orvane::core::FirstStartResult::AlreadyRecorded);
  EXPECT_EQ(Snapshot(folder), before);
}

TEST(FirstStart, AnEntryOfTheUsersOwnIsKept) {
  const fs::path starter = MakeStarterSets();
  const std::string folder = orvane::core::UserProgramFolder();
  WriteFile(folder + "Sea/images.ini", "[SetDescriptions]\r\nMy Sea=Sea/\r\n");
  WriteFile(folder + "config.ini", "[config]\r\nConfigWinTitle=Mine\r\n");
  ASSERT_EQ(orvane::core::MakeProgramFolderIfNone(starter.string() + "/", folder).result,
            orvane::core::FirstStartResult::Made);
  EXPECT_FALSE(fs::is_symlink(folder + "Sea"));
  EXPECT_EQ(ReadFile(folder + "Sea/images.ini"), "[SetDescriptions]\r\nMy Sea=Sea/\r\n");
  EXPECT_EQ(ReadFile(folder + "config.ini"), "[config]\r\nConfigWinTitle=Mine\r\n");
  EXPECT_TRUE(fs::is_symlink(folder + "Hills/IMAGES.INI"));
}

// A folder recorded in either hive, even one that is missing, is left alone:
// the look-up then reports it as it always has.
TEST(FirstStart, ARecordedFolderIsNeverReplaced) {
  const fs::path starter = MakeStarterSets();
  const std::string missing = (orvane::test::TempRoot() / "gone").string() + "/";
  for (const pf::Hive hive : {pf::Hive::LocalMachine, pf::Hive::CurrentUser}) {
    SCOPED_TRACE(hive == pf::Hive::LocalMachine ? "machine" : "user");
    fs::remove(pf::HiveFile(pf::Hive::LocalMachine));
    fs::remove(pf::HiveFile(pf::Hive::CurrentUser));
    ASSERT_TRUE(pf::RegSetValue(hive, kProgramPathKey, "", missing));
    EXPECT_EQ(orvane::core::MakeProgramFolderIfNone(starter.string() + "/", orvane::core::UserProgramFolder()).result,
              orvane::core::FirstStartResult::AlreadyRecorded);
    EXPECT_FALSE(fs::exists(orvane::core::UserProgramFolder()));
    EXPECT_EQ(orvane::core::GetProgramPath(), missing);
    EXPECT_EQ(orvane::core::RefreshCatalogue(pf::LocalAppDataFolder(), missing).status,
              orvane::core::CatalogueStatus::NoImageSets);  // "Unable to find image sets. PATH = ..."
  }
}

TEST(FirstStart, AFolderThatCannotBeMadeIsNotRecorded) {
  const fs::path blocker = orvane::test::TempRoot() / "blocker";
  WriteFile(blocker, "a file where the folder should be");
  const auto outcome = orvane::core::MakeProgramFolderIfNone(MakeStarterSets().string() + "/", blocker.string() + "/sets/");
  EXPECT_EQ(outcome.result, orvane::core::FirstStartResult::Failed);
  EXPECT_NE(outcome.error.find("cannot be made"), std::string::npos) << outcome.error;
  EXPECT_FALSE(orvane::core::ProgramFolderRecorded());
}

// ---- The built programs, with the starter sets the build made beside them ----

fs::path Program(const char* name) { return orvane::test::OrvaneExe().parent_path() / name; }


void Start(QProcess& process, const char* program, const QStringList& arguments,
           const std::map<QString, QString>& extra = {}) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : extra) env.insert(name, value);
  process.setProcessEnvironment(env);
  process.start(QString::fromStdString(Program(program).string()), arguments);
  ASSERT_TRUE(process.waitForStarted(10000)) << program;
}

void ExpectStarterSetsRecorded() {
  const std::string folder = orvane::core::UserProgramFolder();
  EXPECT_EQ(Recorded(pf::Hive::CurrentUser), folder);
  EXPECT_EQ(Recorded(pf::Hive::LocalMachine), folder);
  for (const char* set : {"Coastline", "Geometry", "NightSky"}) {
    EXPECT_TRUE(fs::is_symlink(folder + set + "/images.ini")) << set;
    EXPECT_TRUE(orvane::core::FileExists(folder + set + "/images.ini")) << set;
  }
  EXPECT_EQ(orvane::core::GetIniInt("ScreenSaver", "Setup", 0, folder + "ScreenSaver.ini"), 1);
  EXPECT_EQ(orvane::core::GetIniString("config", "ConfigWinTitle", "", folder + "config.ini"),
            "Orvane Screen Saver Configuration");
}

TEST(FirstStartProcess, TheSlideShowOfAFreshHomeReachesAPreparedSlide) {
  const fs::path trace = orvane::test::TempRoot() / "trace.txt";
  QProcess show;
  Start(show, "orvane", {"/s"}, {{"ORVANE_TRACE", QString::fromStdString(trace.string())}});
  const bool prepared = WaitFor([&] { return ReadFile(trace).find("prep ") != std::string::npos; }, std::chrono::seconds(60));
  kill(pid_t(show.processId()), SIGTERM);
  ASSERT_TRUE(show.waitForFinished(20000));
  ASSERT_TRUE(prepared) << ReadFile(trace) << show.readAllStandardError().toStdString();
  ExpectStarterSetsRecorded();

  // A second start changes nothing of the program folder or the record.
  const std::string folder = orvane::core::UserProgramFolder();
  const auto before = Snapshot(folder);
  QProcess again;
  Start(again, "orvane", {"/s"}, {{"ORVANE_PLACEHOLDER_SAVER", "1"}});
  ASSERT_TRUE(again.waitForFinished(30000));
  EXPECT_EQ(Snapshot(folder), before);
  ExpectStarterSetsRecorded();
}

TEST(FirstStartProcess, TheChangersFirstStartRecordsTheFolder) {
  QProcess changer;
  Start(changer, "tobrin", {});
  const bool recorded = WaitFor([] { return Recorded(pf::Hive::LocalMachine) != "(none)"; }, std::chrono::seconds(30));
  changer.kill();
  changer.waitForFinished(10000);
  ASSERT_TRUE(recorded) << changer.readAllStandardError().toStdString();
  ExpectStarterSetsRecorded();
}

TEST(FirstStartProcess, TheInstallersFirstStartGivesItAFolderToInstallInto) {
  // An install source without libraries: the installer finds the folder, mirrors
  // it, and ends after its pause.
  const fs::path source = orvane::test::MakeTempDir("source");
  WriteFile(source / "custom.inf", "[Custom]\r\nSetDir=Sets\r\nRegistryInfo=" + std::string(kProgramPathKey) + "\r\n");
  fs::create_directories(source / "Sets");
  QProcess installer;
  Start(installer, "pellam", {QString::fromStdString(source.string())});
  ASSERT_TRUE(installer.waitForFinished(30000));
  EXPECT_EQ(installer.exitCode(), 0) << installer.readAllStandardError().toStdString();
  ExpectStarterSetsRecorded();
}

}  // namespace
