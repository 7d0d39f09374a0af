// The demo's install source, installed end to end: every file of every library
// lands byte-exact in its set folder, and the catalogue finds the new sets.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <filesystem>
#include <string>

#include "core/Catalogue.h"
#include "core/ImageDescription.h"
#include "core/PPS.h"
#include "core/Utils.h"
#include "installer/frmExtractor.h"
#include "platform/msgbox.h"
#include "tests/support/testenv.h"
#include "tools/demo/install_source.h"

namespace orvane::installer {
namespace {

namespace fs = std::filesystem;

TEST(DemoInstall, InstallsEveryGeneratedSetByteExactAndTheCatalogueFindsThem) {
  const fs::path source = test::MakeTempDir("install-source");
  const fs::path program = test::MakeTempDir("program");
  demo::WriteInstallSource(source);
  ASSERT_TRUE(demo::RegisterInstallTarget(program));
  EXPECT_TRUE(fs::is_regular_file(source / "custom.inf"));
  EXPECT_FALSE(QImage(QString::fromStdString((source / "Sets" / "logo.bmp").string())).isNull());

  int boxes = 0;
  platform::SetMessageBoxHandler([&](const platform::MessageBoxCall&) { return ++boxes, int(platform::vbOK); });
  std::vector<std::string> licences;
  frmExtractor extractor;
  extractor.StartProgram = [](const QString&, const QStringList&) { return true; };
  extractor.ShowModalWindow = [&](QWidget& window) {
    if (auto* chooser = qobject_cast<frmSelectSets*>(&window)) {
      chooser->lstSets->selectAll();
      chooser->cmdOk_Click();
    } else if (auto* page = qobject_cast<frmLicenseAgreement*>(&window)) {
      licences.push_back(page->szImageSet);
      page->cmdAccept_Click();
    } else if (auto* done = qobject_cast<frmComplete*>(&window)) {
      done->cmdOk_Click();
    }
  };
  EXPECT_EQ(extractor.Form_Load(source.string()), 0);
  platform::SetMessageBoxHandler({});
  EXPECT_EQ(boxes, 0);
  EXPECT_FALSE(extractor.picLogo->isHidden());
  EXPECT_EQ(licences, std::vector<std::string>{"Gardens"});
  EXPECT_FALSE(extractor.NoSetInstalled);

  const auto libraries = demo::DemoLibraries();
  ASSERT_EQ(libraries.size(), 3u);
  for (const demo::DemoLibrary& library : libraries)
    for (const LibraryFile& file : library.files)
      EXPECT_EQ(test::ReadFile(program / library.folder / file.name), file.bytes) << library.folder << "/" << file.name;

  const std::string settings = test::MakeTempDir("settings").string() + "/";
  const core::CatalogueRefresh refresh = core::RefreshCatalogue(settings, program.string() + "/");
  ASSERT_EQ(refresh.status, core::CatalogueStatus::Refreshed);
  for (const demo::DemoLibrary& library : libraries) {
    EXPECT_EQ(core::GetIniString("SetDescriptions", library.setName, "", settings + "Orvane.ini"), library.folder + "/");
    EXPECT_EQ(core::GetIniString(library.setName, "", "", settings + "Orvane.ini").empty(), false);
  }
  EXPECT_EQ(core::GetTitle((program / "Gardens" / "tulips.nfo").string(), "English"), "Tulips");
}

}  // namespace
}  // namespace orvane::installer
