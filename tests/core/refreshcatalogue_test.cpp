#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/Catalogue.h"
#include "core/PPS.h"
#include "core/Utils.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "tests/support/testenv.h"

using orvane::core::CatalogueStatus;
using orvane::core::GetIniString;
using orvane::core::RefreshCatalogue;
namespace fs = std::filesystem;
using orvane::test::MakeTempDir;
using orvane::test::ReadFile;
using orvane::test::WriteFile;

namespace {

std::string SetsIni(const std::string& name, const std::string& images) {
  return "[SetDescriptions]\r\n" + name + "=whatever\\\r\n[" + name + "]\r\n" + images;
}

// A program folder with three sets (one of them already in the catalogue,
// excluded), a set file of the program folder itself and a template settings file.
fs::path MakeProgramFolder() {
  const fs::path root = MakeTempDir("program");
  WriteFile(root / "Sea/images.ini", SetsIni("Sea", "wave=wave01\r\n"));
  WriteFile(root / "Coast/North/images.ini", SetsIni("North", "cliff=cliff01\r\n"));
  WriteFile(root / "Known/images.ini", SetsIni("Known", "new=new01\r\n"));
  WriteFile(root / "images.ini", SetsIni("Root", "r=r01\r\n"));
  WriteFile(root / "ScreenSaver.ini", "[ScreenSaver]\r\nShowInit=1\r\n");
  orvane::platform::RegSetValue(orvane::platform::Hive::LocalMachine,
                                orvane::core::kProgramPathKey, "@", root.string());
  return root;
}

}  // namespace

TEST(RefreshCatalogue, ImportsNewSetsBelowTheProgramFolder) {
  const fs::path root = MakeProgramFolder();
  const std::string settings = orvane::core::GetSettingsFolder();
  const std::string catalogue = settings + "Orvane.ini";
  WriteFile(catalogue, "[SetDescriptions]\r\nKnown=*Known\\\r\n[Known]\r\nold=old01\r\n");

  const auto refresh = RefreshCatalogue();
  EXPECT_EQ(refresh.status, CatalogueStatus::Refreshed);
  EXPECT_EQ(refresh.programPath, root.string() + "/");
  EXPECT_EQ(refresh.setFolders, (std::vector<std::string>{"Coast/North/", "Known/", "Sea/"}));

  EXPECT_EQ(ReadFile(settings + "ScreenSaver.ini"), ReadFile(root / "ScreenSaver.ini"));
  EXPECT_EQ(GetIniString("SetDescriptions", "", "", catalogue),
            std::string("Known\0North\0Sea\0", 16));
  EXPECT_EQ(GetIniString("SetDescriptions", "North", "", catalogue), "Coast/North/");
  EXPECT_EQ(GetIniString("SetDescriptions", "Sea", "", catalogue), "Sea/");
  EXPECT_EQ(GetIniString("SetDescriptions", "Known", "", catalogue), "*Known\\");
  EXPECT_EQ(GetIniString("Known", "", "", catalogue), std::string("old\0", 4));
  EXPECT_EQ(GetIniString("North", "cliff", "", catalogue), "cliff01");
  EXPECT_EQ(GetIniString("Root", "", "", catalogue), "");

  // A second start finds nothing new and writes nothing.
  const std::string before = ReadFile(catalogue);
  EXPECT_EQ(RefreshCatalogue().status, CatalogueStatus::Refreshed);
  EXPECT_EQ(ReadFile(catalogue), before);
}

TEST(RefreshCatalogue, ReportsAFolderWithoutSetsAndAMissingProgramPath) {
  const fs::path empty = MakeTempDir("nosets");
  WriteFile(empty / "readme.txt", "");
  const std::string settings = MakeTempDir("nosets-settings").string() + "/";

  auto refresh = RefreshCatalogue(settings, empty.string() + "/");
  EXPECT_EQ(refresh.status, CatalogueStatus::NoImageSets);
  EXPECT_TRUE(refresh.setFolders.empty());
  refresh = RefreshCatalogue(settings, "");
  EXPECT_EQ(refresh.status, CatalogueStatus::NoProgramPath);
  EXPECT_FALSE(fs::exists(settings + "Orvane.ini"));

  std::vector<orvane::platform::MessageBoxCall> shown;
  orvane::platform::SetMessageBoxHandler([&](const orvane::platform::MessageBoxCall& call) {
    shown.push_back(call);
    return static_cast<int>(orvane::platform::vbOK);
  });
  orvane::core::ShowNoImageSetsMessage("/opt/orvane/");
  orvane::platform::SetMessageBoxHandler({});
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Unable to find image sets. PATH = /opt/orvane/");
  EXPECT_EQ(shown[0].style, orvane::platform::vbExclamation);
  EXPECT_EQ(shown[0].title, "ERROR");
}

// Sets imported in one refresh: a set folder that is a link is imported like
// any other, and a second folder declaring a set name already taken in the
// same refresh (in another case) adds nothing.
TEST(RefreshCatalogue, FollowsLinkedSetFoldersAndImportsEachNameOnce) {
  const fs::path root = MakeTempDir("linked-program");
  const fs::path elsewhere = MakeTempDir("elsewhere");
  WriteFile(elsewhere / "Lake/images.ini", SetsIni("Lake", "pier=pier01\r\n"));
  fs::create_directory_symlink(elsewhere / "Lake", root / "Lake");
  WriteFile(root / "Alps/images.ini", SetsIni("Caf\xC9", "peak=peak01\r\n"));
  WriteFile(root / "Copy/images.ini", SetsIni("caf\xE9", "other=other01\r\n"));
  const std::string settings = MakeTempDir("linked-settings").string() + "/";
  const std::string catalogue = settings + "Orvane.ini";

  const auto refresh = RefreshCatalogue(settings, root.string());
  EXPECT_EQ(refresh.setFolders, (std::vector<std::string>{"Alps/", "Copy/", "Lake/"}));
  EXPECT_EQ(GetIniString("SetDescriptions", "", "", catalogue),
            std::string("Caf\xC9\0Lake\0", 10));
  EXPECT_EQ(GetIniString("SetDescriptions", "Lake", "", catalogue), "Lake/");
  EXPECT_EQ(GetIniString("Lake", "pier", "", catalogue), "pier01");
  EXPECT_EQ(GetIniString("Caf\xC9", "", "", catalogue), std::string("peak\0", 5));
}
