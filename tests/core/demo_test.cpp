// The demo-set generator, run as a program: what it writes reads back through
// the catalogue, ini and description readers, the registry names the folder,
// and a second run rewrites the same bytes.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "core/Catalogue.h"
#include "core/CompanyIni.h"
#include "core/ImageDescription.h"
#include "core/PPS.h"
#include "core/Utils.h"
#include "imaging/imaging.h"
#include "platform/textcodec.h"
#include "tests/support/testenv.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

std::uint32_t LE(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | std::uint8_t(bytes.at(at + i));
  return value;
}

std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), folder).string()] = test::ReadFile(entry.path());
  return files;
}

class DemoSets : public testing::Test {
 protected:
  static int Run(const QStringList& arguments, QString* output = nullptr) {
#ifdef ORVANE_DEMO_EXE
    QProcess process;
    process.start(QString::fromUtf8(ORVANE_DEMO_EXE), arguments);
    if (!process.waitForFinished(120000)) return -1;
    if (output) *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
#else
    (void)arguments;
    (void)output;
    return -2;
#endif
  }

  void SetUp() override {
#ifndef ORVANE_DEMO_EXE
    GTEST_SKIP() << "built without the tools folder";
#endif
    folder = test::MakeTempDir("demo") / "program";
    ASSERT_EQ(Run({QString::fromStdString(folder.string())}), 0);
    root = folder.string() + "/";
  }

  fs::path folder;
  std::string root;
};

TEST_F(DemoSets, RecordsTheFolderAsTheProgramFolder) {
  EXPECT_EQ(core::GetProgramPath(), root);
  EXPECT_EQ(core::GetIniInt("ScreenSaver", "Setup", 0, root + "ScreenSaver.ini"), 1);
  EXPECT_EQ(core::GetIniString("config", "ConfigWinTitle", "", root + "config.ini"),
            "Orvane Screen Saver Configuration");
}

TEST_F(DemoSets, EverySetReadsBackThroughTheCatalogue) {
  const std::string settings = test::MakeTempDir("settings").string() + "/";
  const core::CatalogueRefresh refresh = core::RefreshCatalogue(settings, root);
  ASSERT_EQ(refresh.status, core::CatalogueStatus::Refreshed);
  EXPECT_EQ(refresh.setFolders.size(), 3u);

  const std::string catalogue = settings + "Orvane.ini";
  struct Expected {
    const char* set;
    const char* folder;
    int images;
  } sets[] = {{"Coastline", "Coastline/", 4}, {"Geometry", "Geometry/", 3},
              {"Night Sky", "NightSky/", 3}};
  for (const Expected& e : sets) {
    SCOPED_TRACE(e.set);
    EXPECT_EQ(core::GetIniString("SetDescriptions", e.set, "", catalogue), e.folder);
    // images.ini names exactly this set, with its section last.
    EXPECT_EQ(core::GetIniString("SetDescriptions", "", "", root + e.folder + "images.ini"),
              std::string(e.set) + '\0');
    std::string keys = core::GetIniString(e.set, "", "", catalogue);
    int count = 0;
    for (std::size_t end; (end = keys.find('\0')) != std::string::npos; keys.erase(0, end + 1)) {
      const std::string name = keys.substr(0, end);
      const std::string file = core::GetIniString(e.set, name, "", catalogue);
      const std::string base = root + e.folder + file;
      SCOPED_TRACE(name);
      ++count;
      // The picture, its description and its ready-made thumbnail.
      const QImage picture(QString::fromStdString(base + ".jpg"));
      ASSERT_FALSE(picture.isNull());
      EXPECT_EQ(picture.height(), 1200);
      EXPECT_EQ(core::GetTitle(base + ".nfo", "English"), name);
      EXPECT_EQ(core::ReadCreditsVersion(base + ".nfo"), "1");
      EXPECT_NE(core::ReadCreditsVersion1(base + ".nfo", name).PictureInfo, core::kNotAvailable);

      const std::string thumbnail = test::ReadFile(base + ".bmp");
      ASSERT_GE(thumbnail.size(), 54u);
      EXPECT_EQ(thumbnail.substr(0, 2), "BM");
      EXPECT_EQ(LE(thumbnail, 28, 2), 24u) << "24 bits per pixel";
      EXPECT_LE(LE(thumbnail, 18, 4), 160u);
      EXPECT_LE(LE(thumbnail, 22, 4), 120u);
      EXPECT_EQ(thumbnail.size(), LE(thumbnail, 2, 4));
      const imaging::Handle loaded = imaging::LoadBitMap(base + ".bmp");
      ASSERT_GE(loaded, 0) << "the imaging library reads the thumbnail";
      EXPECT_EQ(imaging::GetGCBitmapWidth(loaded), int(LE(thumbnail, 18, 4)));
      imaging::UnloadBitMap(loaded);

      const core::SlideDescription slide = core::ReadSlideDescription(base + ".nfo");
      if (file == "panorama") {
        EXPECT_TRUE(core::IsHorizontalPanorama(slide.PanDirection));
        EXPECT_GT(picture.width(), 2 * picture.height());
      } else {
        EXPECT_TRUE(slide.PanDirection.empty());
        EXPECT_EQ(picture.width(), 1600);
      }
      EXPECT_EQ(slide.Sound.empty(), std::string(e.set) != "Night Sky");
    }
    EXPECT_EQ(count, e.images);
  }
}

TEST_F(DemoSets, TitlePageLayerAndSoundAreWhereTheSetFilesSay) {
  const auto geometry = core::ReadCatalogueCompanyInfo(root + "Geometry/company.ini");
  EXPECT_TRUE(geometry.HasTitlePage);
  EXPECT_TRUE(geometry.ShowTitlePage);
  EXPECT_FALSE(QImage(QString::fromStdString(root + "Geometry/" + geometry.TitleFile)).isNull());
  EXPECT_EQ(core::GetTitle(root + "Geometry/" + geometry.TitleFile + ".nfo", "German"), "Geometrie");
  const auto layers = core::ReadSlideLayerList(root + "Geometry/company.ini");
  const imaging::Handle layer = imaging::LoadBitMap(root + "Geometry/" + layers.layerImage);
  ASSERT_GE(layer, 0) << "the slide show loads the layer through the imaging library";
  EXPECT_LT(imaging::GetGCBitmapWidth(layer), 1600 / 4);
  imaging::UnloadBitMap(layer);

  const auto night = core::ReadCatalogueCompanyInfo(root + "NightSky/company.ini");
  EXPECT_TRUE(night.HasSound);
  EXPECT_FALSE(night.HasTitlePage);
  const std::string wav = test::ReadFile(root + "NightSky/chord.wav");
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(LE(wav, 20, 2), 1u) << "PCM";
  EXPECT_EQ(LE(wav, 34, 2), 16u) << "16 bits";
  EXPECT_EQ(LE(wav, 4, 4), wav.size() - 8);
  const double seconds = double(LE(wav, 40, 4)) / LE(wav, 28, 4);
  EXPECT_GT(seconds, 2.0);
  EXPECT_LT(seconds, 10.0);
}

TEST_F(DemoSets, TextsAreStoredInTheirLanguagesCodePages) {
  const std::string nfo = root + "Coastline/harbour.nfo";
  EXPECT_EQ(platform::ToQString(core::GetTitle(nfo, "French")),
            QString::fromUtf8("Le port au cr\u00e9puscule"));
  EXPECT_EQ(core::GetTitle(nfo, "French"), "Le port au cr\xe9puscule") << "windows-1252 bytes";
  EXPECT_EQ(platform::ToQString(core::GetTitle(nfo, "Japanese"), platform::CodePage::Japanese),
            QString::fromUtf8("\u5915\u66ae\u308c\u306e\u6e2f"));
  EXPECT_EQ(test::ReadFile(nfo).find("\n\n"), std::string::npos) << "every line ends in CR LF";
}

TEST_F(DemoSets, RunningAgainRewritesTheSameFiles) {
  const auto before = Snapshot(folder);
  EXPECT_GT(before.size(), 40u);
  ASSERT_EQ(Run({QString::fromStdString(folder.string())}), 0);
  EXPECT_EQ(Snapshot(folder), before);
  EXPECT_EQ(core::GetProgramPath(), root);
}

TEST_F(DemoSets, DefaultFolderAndBadArguments) {
  QString output;
  ASSERT_EQ(Run({}, &output), 0);
  const fs::path data = std::getenv("XDG_DATA_HOME");
  EXPECT_TRUE(fs::is_regular_file(data / "orvane-demo/Coastline/images.ini"));
  EXPECT_EQ(core::GetProgramPath(), (data / "orvane-demo").string() + "/");
  EXPECT_NE(Run({"one", "two"}), 0);
}

// The build's starter sets: the same files, and nothing recorded.
TEST_F(DemoSets, StarterSetsAreTheDemoSetsAndRecordNothing) {
  const fs::path starter = test::MakeTempDir("share") / "sets";
  ASSERT_EQ(Run({"--starter-sets", QString::fromStdString(starter.string())}), 0);
  EXPECT_EQ(Snapshot(starter), Snapshot(folder));
  EXPECT_EQ(core::GetProgramPath(), root) << "the demo's record stays";
  EXPECT_EQ(Run({"--starter-sets"}), 2);
}

}  // namespace
}  // namespace orvane
