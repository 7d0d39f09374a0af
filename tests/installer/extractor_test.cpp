// The install run: program folder mirrored, one library and several, the
// chooser's questions, licences, the older product's sets and the completion
// page. Message boxes and modal windows are scripted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/Utils.h"
#include "installer/DiskSpace.h"
#include "installer/frmExtractor.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "tests/installer/tiny_disk.h"
#include "tests/support/testenv.h"

namespace orvane::installer {
namespace {

namespace fs = std::filesystem;
using platform::MessageBoxCall;

std::string ImagesIni(const std::string& setName, const std::string& folder) {
  return "[SetDescriptions]\r\n" + setName + "=" + folder + "\\\r\n\r\n[" + setName + "]\r\nOne=one\r\n";
}

std::vector<LibraryFile> SetFiles(const std::string& setName, const std::string& folder,
                                  const std::string& license = "") {
  std::vector<LibraryFile> files = {{"images.ini", ImagesIni(setName, folder)},
                                    {"one.jpg", "picture of " + setName}};
  if (!license.empty()) files.push_back({"license.txt", license});
  return files;
}

class Install : public testing::Test {
 protected:
  void SetUp() override {
    source = test::MakeTempDir("source");
    program = test::MakeTempDir("program");
    bin = test::MakeTempDir("bin");
    for (const char* name : {"tobrin", "orvane"}) {
      test::WriteFile(bin / name, "#!/bin/sh\n");
      fs::permissions(bin / name, fs::perms::owner_all);
    }
    test::WriteFile(source / "custom.inf",
                    "[Custom]\r\nSetDir=Sets\r\nRegistryInfo=" + std::string(core::kProgramPathKey) +
                        "\r\nProductID=TEST-1\r\nNumSets=2\r\n");
    platform::RegSetValue(platform::Hive::CurrentUser, core::kProgramPathKey, "", program.string());
    platform::SetMessageBoxHandler([this](const MessageBoxCall& call) {
      boxes.push_back(call);
      if (answers.empty()) return (call.style & 0x0F) == platform::vbYesNo ? int(platform::vbYes) : int(platform::vbOK);
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    });
    extractor.OwnFolder = bin.string() + "/";
    extractor.NoLibraryWaitMs = 0;
    extractor.StartProgram = [this](const QString& program, const QStringList& arguments) {
      started.push_back((QStringList{QFileInfo(program).fileName()} + arguments).join(' ').toStdString());
      return true;
    };
    extractor.ShowModalWindow = [this](QWidget& window) {
      shown.push_back(window.metaObject()->className());
      if (!script.empty()) {
        auto step = script.front();
        script.pop_front();
        step(window);
      } else if (auto* done = qobject_cast<frmComplete*>(&window)) {
        done->cmdOk_Click();
      } else if (auto* license = qobject_cast<frmLicenseAgreement*>(&window)) {
        license->cmdAccept_Click();
      } else if (auto* chooser = qobject_cast<frmSelectSets*>(&window)) {
        chooser->lstSets->selectAll();
        chooser->cmdOk_Click();
      }
    };
  }
  void TearDown() override { platform::SetMessageBoxHandler({}); }

  void AddLibrary(const std::string& fileName, const std::string& setName, const std::vector<LibraryFile>& files) {
    test::WriteFile(source / "Sets" / fileName, EncodeLibrary(setName, files));
  }
  int Run() { return extractor.Form_Load(source.string()); }
  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const auto& box : boxes) titles.push_back(box.title);
    return titles;
  }
  bool Installed(const std::string& folder, const std::string& setName) const {
    return test::ReadFile(program / folder / "one.jpg") == "picture of " + setName;
  }

  fs::path source, program, bin;
  frmExtractor extractor;
  std::vector<MessageBoxCall> boxes;
  std::deque<int> answers;
  std::vector<std::string> shown;
  std::deque<std::function<void(QWidget&)>> script;
  std::vector<std::string> started;
};

TEST_F(Install, MirrorsTheProgramFolderIntoTheMachineHive) {
  platform::RegSetValue(platform::Hive::CurrentUser, "Software\\Test\\Path", "", "/srv/sets");
  EXPECT_EQ(extractor.GetInstallPath("Software\\Test\\Path"), "/srv/sets/");
  EXPECT_EQ(platform::RegQueryValue(platform::Hive::LocalMachine, "Software\\Test\\Path", ""), "/srv/sets/");
  EXPECT_EQ(extractor.GetInstallPath("Software\\Test\\Missing"), "");
  EXPECT_FALSE(platform::RegKeyExists(platform::Hive::LocalMachine, "Software\\Test\\Missing"));

  test::WriteFile(source / "custom.inf", "[Custom]\r\nSetDir=Sets\r\n");
  EXPECT_EQ(Run(), 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Registry Key is incorrect!");
  EXPECT_EQ(boxes[0].style, platform::vbCritical);
  EXPECT_EQ(boxes[0].title, "Error");
}

TEST_F(Install, AFolderWithoutCustomInfSaysSoInsteadOfBlamingTheRegistry) {
  fs::remove(source / "custom.inf");
  EXPECT_EQ(Run(), 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "\"" + (source / "custom.inf").string() +
                               "\" was not found: start pellam with the folder that holds the image-set "
                               "libraries and their \"custom.inf\".");
  EXPECT_EQ(boxes[0].style, platform::vbCritical);
  EXPECT_EQ(boxes[0].title, "Error");
}

TEST_F(Install, OneGoodLibraryInstallsWithoutTheChooserAndStartsTheProgramsAfterwards) {
  AddLibrary("a-broken.ilb", "Broken", {{"../escape.jpg", "x"}});
  AddLibrary("a-caf\xC3\xA9.ilb", "Broken", {{"caf\xE9*.jpg", "x"}});
  AddLibrary("b-hills.ilb", "Hills", SetFiles("Hills", "Hills"));
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(extractor.windowTitle(), "Install Image Sets");
  EXPECT_EQ(extractor.ProgramFolder, program.string() + "/");
  EXPECT_EQ(core::GetProgramPath(), program.string() + "/") << "the machine hive names the program folder";
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].text.find("\"a-broken.ilb\" cannot be installed: entry 1 has the name \"../escape.jpg\""),
            std::string::npos)
      << boxes[0].text;
  // Box texts are windows-1252, whatever the names on disk.
  EXPECT_NE(boxes[1].text.find("\"a-caf\xE9.ilb\" cannot be installed: entry 1 has the name \"caf\xE9*.jpg\""),
            std::string::npos)
      << boxes[1].text;
  EXPECT_FALSE(fs::exists(program / "escape.jpg"));
  EXPECT_TRUE(Installed("Hills", "Hills"));
  EXPECT_EQ(shown, (std::vector<std::string>{"orvane::installer::frmComplete"}));
  EXPECT_EQ(extractor.complete->Label1->text(), "Image set installation complete.");
  EXPECT_FALSE(extractor.complete->chkConfigure->isHidden());
  // The settings as the menu opens them: with the saver's on/off switch and delay.
  EXPECT_EQ(started, (std::vector<std::string>{"tobrin", "orvane"}));
}

TEST_F(Install, AConfigurationProgramInTheProgramFolderIsStartedInsteadOfTheSettings) {
  AddLibrary("hills.ilb", "Hills", SetFiles("Hills", "Hills"));
  test::WriteFile(program / "Configuration.exe", "#!/bin/sh\n");
  fs::permissions(program / "Configuration.exe", fs::perms::owner_all);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(started, (std::vector<std::string>{"tobrin", "Configuration.exe"}));
}

TEST_F(Install, AnEmptyCommandLineReadsTheInstallersOwnFolder) {
  AddLibrary("hills.ilb", "Hills", SetFiles("Hills", "Hills"));
  extractor.OwnFolder = source.string() + "/";
  EXPECT_EQ(extractor.Form_Load(""), 0);
  EXPECT_EQ(extractor.SourceFolder, source.string() + "/");
  EXPECT_EQ(extractor.LibraryFolder, source.string() + "/Sets/");
  EXPECT_TRUE(Installed("Hills", "Hills"));
}

TEST_F(Install, SeveralLibrariesAskUntilTheUserChooses) {
  AddLibrary("hills.ilb", "Hills", SetFiles("Hills", "Hills"));
  AddLibrary("sea.ilb", "Sea", SetFiles("Sea", "Sea"));
  auto& chooser = *extractor.selectSets;
  script = {
      [](QWidget& w) { static_cast<frmSelectSets&>(w).cmdOk_Click(); },  // nothing selected
      [](QWidget& w) {
        auto& s = static_cast<frmSelectSets&>(w);
        s.lstSets->item(1)->setSelected(true);
        s.cmdCancel_Click();
      },
      [&](QWidget& w) {
        auto& s = static_cast<frmSelectSets&>(w);
        EXPECT_TRUE(s.lstSets->item(1)->isSelected()) << "the chooser keeps its selection";
        s.cmdOk_Click();
      },
  };
  answers = {platform::vbNo, platform::vbNo};
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text,
            "No image sets selected!  Do you want to continue the installation\r\nwithout installing any image sets?");
  EXPECT_EQ(boxes[1].text, "Do you want to continue the installation\r\nwithout installing any image sets?");
  for (const auto& box : boxes) {
    EXPECT_EQ(box.style, platform::vbYesNo | platform::vbExclamation);
    EXPECT_EQ(box.title, "Image Set Error");
  }
  EXPECT_EQ(chooser.lstSets->item(0)->text(), "Hills");
  EXPECT_FALSE(Installed("Hills", "Hills"));
  EXPECT_TRUE(Installed("Sea", "Sea"));
  EXPECT_EQ(shown.size(), 4u) << "three chooser rounds and the completion page";
}

TEST_F(Install, AnsweringYesInstallsNothingAndTheCompletionPageSaysSo) {
  AddLibrary("hills.ilb", "Hills", SetFiles("Hills", "Hills"));
  AddLibrary("sea.ilb", "Sea", SetFiles("Sea", "Sea"));
  script = {[](QWidget& w) { static_cast<frmSelectSets&>(w).cmdCancel_Click(); }};
  answers = {platform::vbYes};
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(fs::is_empty(program));
  const frmComplete& done = *extractor.complete;
  EXPECT_EQ(done.Label1->text(), "No image sets were installed.  Run setup later to install image sets.");
  EXPECT_TRUE(done.chkConfigure->isHidden());
  EXPECT_TRUE(done.Label2->isHidden());
  EXPECT_EQ(done.CloseStatus, kDeclined);
  EXPECT_TRUE(started.empty());
}

void Key(QWidget* target, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
}

TEST_F(Install, EnterAndEscAnswerEachWindowLikeItsButtons) {
  {  // The chooser: Enter is OK, Esc is Cancel, from the list.
    frmSelectSets chooser;
    chooser.lAvailable = 1000;
    chooser.show();
    Key(chooser.lstSets, Qt::Key_Return);
    EXPECT_TRUE(chooser.isHidden());
    EXPECT_TRUE(chooser.CloseState);
    chooser.show();
    Key(chooser.lstSets, Qt::Key_Escape);
    EXPECT_TRUE(chooser.isHidden());
    EXPECT_FALSE(chooser.CloseState);
  }
  {  // The licence: Enter in the text is OK (ticked: accepted); on a button it is that button.
    frmLicenseAgreement license;
    license.Prepare("Sea", "terms");
    license.show();
    license.chkAccept->setChecked(true);
    Key(license.txtAgreement, Qt::Key_Return);
    EXPECT_TRUE(license.isHidden());
    EXPECT_EQ(license.Result, kAccepted);
    license.Prepare("Sea", "terms");
    license.show();
    license.cmdDecline->setFocus();
    Key(license.cmdDecline, Qt::Key_Enter);
    EXPECT_TRUE(license.isHidden());
    EXPECT_EQ(license.Result, kDeclined);
    license.Prepare("Sea", "terms");
    license.show();
    Key(license.txtAgreement, Qt::Key_Escape);  // as the close box: declined
    EXPECT_TRUE(license.isHidden());
    EXPECT_EQ(license.Result, kDeclined);
  }
  {  // The completion page: Enter is OK, Esc the close box (nothing is run).
    frmComplete done;
    done.show();
    Key(done.chkConfigure, Qt::Key_Return);
    EXPECT_TRUE(done.isHidden());
    EXPECT_EQ(done.CloseStatus, kAccepted);
    done.show();
    Key(done.chkConfigure, Qt::Key_Escape);
    EXPECT_TRUE(done.isHidden());
    EXPECT_EQ(done.CloseStatus, kDeclined);
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(Install, ChooserFiguresAndTheSpaceCheck) {
  frmSelectSets chooser;
  chooser.lAvailable = 1000;
  std::vector<clsILB> libraries(3);
  libraries[0].szSetName = "A";
  libraries[0].lSizeNeeded = 600;
  libraries[1].szSetName = "B";
  libraries[1].lSizeNeeded = 400;
  libraries[2].szSetName = "C";
  libraries[2].lSizeNeeded = 1;
  chooser.Form_Load(libraries);
  EXPECT_EQ(chooser.lblAvailable->text(), "1,000 bytes");
  EXPECT_EQ(chooser.lblRequired->text(), "0 bytes");
  chooser.lstSets->item(0)->setSelected(true);
  chooser.lstSets->item(1)->setSelected(true);
  EXPECT_EQ(chooser.lblRequired->text(), "1,000 bytes");
  EXPECT_FALSE(chooser.RequiredShownRed()) << "a total equal to the free space fits";
  chooser.lstSets->item(2)->setSelected(true);
  EXPECT_EQ(chooser.req, 1001);
  EXPECT_TRUE(chooser.RequiredShownRed());
  chooser.show();
  chooser.cmdOk_Click();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "There is not enough disk space to install the selected sets.");
  EXPECT_EQ(boxes[0].title, "Not enough disk space!");
  EXPECT_TRUE(chooser.isVisible());
  chooser.lstSets->item(2)->setSelected(false);
  chooser.cmdOk_Click();
  EXPECT_TRUE(chooser.CloseState);
  EXPECT_FALSE(chooser.isVisible());
}

TEST_F(Install, ADeclinedLicenceSkipsItsSetAndEverySetStartsUnticked) {
  AddLibrary("hills.ilb", "Hills", SetFiles("Hills", "Hills", "Hills licence\r\n"));
  AddLibrary("sea.ilb", "Sea", SetFiles("Sea", "Sea", "Sea licence\r\n"));
  AddLibrary("woods.ilb", "Woods", SetFiles("Woods", "Woods", "Woods licence\r\n"));
  script = {
      [](QWidget& w) {
        auto& s = static_cast<frmSelectSets&>(w);
        s.lstSets->selectAll();
        s.cmdOk_Click();
      },
      [](QWidget& w) {  // Hills: ticked and OK
        auto& page = static_cast<frmLicenseAgreement&>(w);
        EXPECT_EQ(page.windowTitle(), "License Agreement for \"Hills\" image set.");
        EXPECT_EQ(page.txtAgreement->toPlainText(), "Hills licence\n");
        page.chkAccept->setChecked(true);
        page.cmdOk_Click();
      },
      [](QWidget& w) {  // Sea: starts unticked; OK asks, No keeps it, Yes declines
        auto& page = static_cast<frmLicenseAgreement&>(w);
        EXPECT_FALSE(page.chkAccept->isChecked());
        page.show();
        page.cmdOk_Click();
        EXPECT_TRUE(page.isVisible());
        page.cmdOk_Click();
        EXPECT_FALSE(page.isVisible());
      },
      [](QWidget& w) {  // Woods: the close box declines
        auto& page = static_cast<frmLicenseAgreement&>(w);
        EXPECT_FALSE(page.chkAccept->isChecked());
        page.show();
        page.close();
      },
  };
  answers = {platform::vbNo, platform::vbYes, platform::vbOK};
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(Installed("Hills", "Hills"));
  EXPECT_FALSE(fs::exists(program / "Sea"));
  EXPECT_FALSE(fs::exists(program / "Woods"));
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].title, "Decline the License Agreement?");
  EXPECT_EQ(boxes[0].text,
            "If you don't accept the terms of the License Agreement, the image set \"Sea\"\r\n will not be "
            "installed. To install the image set you must accept the License Agreement.\r\n\r\nAre you sure you "
            "want to decline?");
  EXPECT_EQ(boxes[2].title, "License Agreement Declined.");
  EXPECT_EQ(boxes[2].text,
            "The image set \"Sea\" will not be installed.\r\n\r\nYou may install the image set later by running "
            "the Setup program\r\nand accepting the License Agreement.");
}

TEST_F(Install, TwoLibrariesWithOneSetNameAreEachInstalledOnce) {
  AddLibrary("first.ilb", "Same", {{"images.ini", "[SetDescriptions]\r\n"}, {"one.jpg", "picture of first"}});
  AddLibrary("second.ilb", "Same", {{"images.ini", "[SetDescriptions]\r\n"}, {"one.jpg", "picture of second"}});
  EXPECT_EQ(extractor.FindSetByName("Same"), nullptr);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(extractor.FindSetByName("Same"), &extractor.Libraries[0]);
  EXPECT_EQ(extractor.FindSetByName("same"), nullptr) << "the comparison is exact";
  EXPECT_TRUE(Installed("first", "first"));
  EXPECT_TRUE(Installed("second", "second"));
}

TEST_F(Install, OldSetsAreOfferedCopiedAndFailuresReported) {
  const fs::path old = test::MakeTempDir("old");
  test::WriteFile(old / "Valley" / "images.ini", ImagesIni("Valley", "Valley"));
  test::WriteFile(old / "Valley" / "a.jpg", "aaa");
  test::WriteFile(old / "Valley" / "b.jpg", "bbb");
  test::WriteFile(old / "Lake" / "images.ini", ImagesIni("Lake", "Lake"));
  test::WriteFile(old / "Lake" / "c.jpg", "ccc");
  test::WriteFile(old / "Notes" / "readme.txt", "no set here");
  // A folder in the way of one file: that copy fails and is reported.
  fs::create_directories(program / "Valley" / "b.jpg");
  platform::RegSetValue(platform::Hive::CurrentUser, kOldProgramPathKey, "", old.string());
  // The library's licence is declined, so only the old sets could count.
  AddLibrary("hills.ilb", "Hills", SetFiles("Hills", "Hills", "licence"));
  script = {[](QWidget& w) { static_cast<frmLicenseAgreement&>(w).cmdDecline_Click(); }};
  answers = {platform::vbNo, platform::vbYes};  // Lake: no; Valley: yes
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(boxes.size(), 3u) << (boxes.empty() ? "" : boxes.back().text);
  EXPECT_EQ(boxes[0].title, "Found previously installed image set \"Lake\"");
  EXPECT_EQ(boxes[0].text, "Would you like to make the previously installed image set \"Lake\" available to the screen saver?");
  EXPECT_EQ(boxes[0].style, platform::vbYesNo | platform::vbQuestion);
  EXPECT_EQ(boxes[1].title, "Found previously installed image set \"Valley\"");
  EXPECT_NE(boxes[2].text.find("These files of the image set \"Valley\" could not be copied:\r\n\r\nb.jpg: "),
            std::string::npos)
      << boxes[2].text;
  EXPECT_FALSE(fs::exists(program / "Lake"));
  EXPECT_EQ(test::ReadFile(program / "Valley" / "a.jpg"), "aaa");
  EXPECT_EQ(test::ReadFile(program / "Valley" / "images.ini"), ImagesIni("Valley", "Valley"));
  EXPECT_TRUE(extractor.NoSetInstalled) << "a set copied in part is not claimed";
}

TEST_F(Install, OldSetsAlreadyInTheProgramFolderAreNotCopiedOntoThemselves) {
  test::WriteFile(program / "Valley" / "images.ini", ImagesIni("Valley", "Valley"));
  test::WriteFile(program / "Valley" / "a.jpg", "aaa");
  platform::RegSetValue(platform::Hive::CurrentUser, kOldProgramPathKey, "", program.string() + "/");
  AddLibrary("hills.ilb", "Hills", SetFiles("Hills", "Hills"));
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(test::ReadFile(program / "Valley" / "a.jpg"), "aaa");
}

// The program folder is a 512 KiB tmpfs: a single set that needs more is not
// installed, and says so; the chooser shows the free bytes the disk reports.
TEST_F(Install, ASingleSetNeedingMoreThanTheFreeSpaceIsNotInstalled) {
  if (const char* disk = test::TinyDisk()) {
    platform::RegSetValue(platform::Hive::CurrentUser, core::kProgramPathKey, "", disk);
    AddLibrary("big.ilb", "Big", {{"images.ini", ImagesIni("Big", "Big")}, {"big.jpg", std::string(1 << 20, 'b')}});
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "There is not enought disk space to install the image set.  Try to free up some disk space and run "
              "Setup again.");
    EXPECT_EQ(boxes[0].title, "Not Enough Disk Space!");
    EXPECT_EQ(boxes[0].style, platform::vbExclamation);
    EXPECT_TRUE(fs::is_empty(disk));
    EXPECT_TRUE(extractor.complete->chkConfigure->isHidden());
    return;
  }
  test::RunOnTinyDisk("Install.ASingleSetNeedingMoreThanTheFreeSpaceIsNotInstalled", "512k");
}

// The chooser's free space is measured again whenever it is shown or checked:
// what other programs write meanwhile counts.
TEST_F(Install, ChooserMeasuresTheFreeSpaceAgainEachTime) {
  if (const char* disk = test::TinyDisk()) {
    const auto free = [&] { return static_cast<std::int64_t>(QueryDisk(disk)->freeBytes); };
    const auto shown = [&] { return QString::fromStdString(FormatThousands(free()) + " bytes"); };
    frmSelectSets chooser;
    chooser.Folder = disk;
    chooser.lAvailable = 1;  // a stale figure
    std::vector<clsILB> libraries(2);
    libraries[0].szSetName = "A";
    libraries[0].lSizeNeeded = free() - 200 * 1024;
    libraries[1].szSetName = "B";
    libraries[1].lSizeNeeded = 1;
    chooser.Form_Load(libraries);
    EXPECT_EQ(chooser.lAvailable, free());
    EXPECT_EQ(chooser.lblAvailable->text(), shown());

    test::WriteFile(fs::path(disk) / "other-1", std::string(100 * 1024, 'x'));
    chooser.show();
    EXPECT_EQ(chooser.lblAvailable->text(), shown());
    chooser.lstSets->item(0)->setSelected(true);
    EXPECT_EQ(chooser.lAvailable, free());
    EXPECT_FALSE(chooser.RequiredShownRed());

    // Another program fills the disk further: OK checks against what is left.
    test::WriteFile(fs::path(disk) / "other-2", std::string(200 * 1024, 'x'));
    chooser.cmdOk_Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "There is not enough disk space to install the selected sets.");
    EXPECT_EQ(chooser.lblAvailable->text(), shown());
    EXPECT_TRUE(chooser.RequiredShownRed());
    EXPECT_TRUE(chooser.isVisible());
    fs::remove(fs::path(disk) / "other-2");
    chooser.cmdOk_Click();
    EXPECT_TRUE(chooser.CloseState);
    return;
  }
  test::RunOnTinyDisk("Install.ChooserMeasuresTheFreeSpaceAgainEachTime", "512k");
}

TEST_F(Install, ASingleSetNeedingExactlyTheFreeSpaceIsInstalled) {
  if (const char* disk = test::TinyDisk()) {
    platform::RegSetValue(platform::Hive::CurrentUser, core::kProgramPathKey, "", disk);
    const auto figures = QueryDisk(disk);
    ASSERT_TRUE(figures);
    const std::string ini = ImagesIni("Full", "Full");
    ASSERT_LE(ini.size(), figures->clusterBytes);
    const std::string big(figures->freeBytes - figures->clusterBytes, 'f');
    AddLibrary("full.ilb", "Full", {{"images.ini", ini}, {"big.jpg", big}});
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    EXPECT_EQ(extractor.Libraries[0].lSizeNeeded, static_cast<std::int64_t>(figures->freeBytes));
    EXPECT_EQ(fs::file_size(fs::path(disk) / "Full" / "big.jpg"), big.size());
    return;
  }
  test::RunOnTinyDisk("Install.ASingleSetNeedingExactlyTheFreeSpaceIsInstalled", "512k");
}

// The installer window: a gradient from black at the bottom towards
// RGB(0, 128, 255) at the top, and the caption in white over a black shadow.
TEST_F(Install, WindowPaintsItsGradientAndShadowedCaption) {
  extractor.setWindowTitle(QStringLiteral("Install Image Sets"));
  extractor.resize(640, 480);
  const QImage shot = extractor.grab().toImage();
  const QColor bottom = shot.pixelColor(600, 479);
  const QColor top = shot.pixelColor(600, 1);
  EXPECT_LE(bottom.blue(), 2);
  EXPECT_EQ(bottom.red(), 0);
  EXPECT_GE(top.blue(), 250);
  EXPECT_NEAR(top.green(), 127, 2);
  EXPECT_EQ(top.red(), 0);
  int white = 0, black = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 400; ++x) {
      const QColor c = shot.pixelColor(x, y);
      white += c == QColor(255, 255, 255);
      black += c == QColor(0, 0, 0);
    }
  EXPECT_GT(white, 200) << "the caption";
  EXPECT_GT(black, 50) << "its shadow";
}

}  // namespace
}  // namespace orvane::installer
