// The typed readers of "company.ini" and its one writer, the title-page switch.
#include <gtest/gtest.h>

#include <string>

#include "core/CompanyIni.h"
#include "tests/support/testenv.h"

namespace orvane::core {
namespace {

using test::MakeTempDir;
using test::ReadFile;
using test::WriteFile;

class CompanyIni : public ::testing::Test {
 protected:
  void SetUp() override { set_ = MakeTempDir("Sea"); }
  std::string SetFolder() const { return set_.string() + "/"; }
  std::string Company(const std::string& text) {
    WriteFile(set_ / "company.ini", text);
    return CompanyFile(SetFolder());
  }
  std::filesystem::path set_;
};

TEST_F(CompanyIni, MissingFileGivesEachReadersDefaults) {
  const std::string file = CompanyFile(SetFolder());
  const CatalogueCompanyInfo catalogue = ReadCatalogueCompanyInfo(file);
  EXPECT_FALSE(catalogue.HasTitlePage);
  EXPECT_TRUE(catalogue.ShowTitlePage);
  EXPECT_TRUE(catalogue.UserControl);
  EXPECT_FALSE(catalogue.HasSound);
  const SlideTitlePage title = ReadSlideTitlePage(file);
  EXPECT_EQ(title.TitleFile, "");
  EXPECT_EQ(title.TitleTime, 20);
  const SlideLayerList slide = ReadSlideLayerList(file);
  EXPECT_EQ(slide.layerImage, "");
  EXPECT_EQ(slide.layerTranslucency, "50");
  EXPECT_EQ(slide.layerFrequency, 1);
  const WallpaperLayerList wall = ReadWallpaperLayerList(file);
  EXPECT_EQ(wall.layerImage, "");
  EXPECT_EQ(wall.layerTranslucency, "0");
  const ShowLinks links = ReadShowLinks(file);
  EXPECT_EQ(links.CompanyURL + links.SetURL + links.SaverURL, "");
  EXPECT_FALSE(links.TabLinkOn);
  EXPECT_FALSE(links.EscLinkOn);
  const AboutTexts about = ReadAboutTexts(file);
  EXPECT_EQ(about.aboutTab + about.Introduction + about.CompanyName + about.Phone, "");
  EXPECT_FALSE(std::filesystem::exists(set_ / "company.ini")) << "reading creates nothing";
}

TEST_F(CompanyIni, ReadsEveryKeyWhateverTheLetterCaseOfTheFileName) {
  WriteFile(set_ / "COMPANY.INI",
            "[TitlePage]\r\nfile=*intro.jpg\r\nuserControl=0\r\ntime=7\r\n"
            "[sound]\r\nhassound=1\r\n"
            "[LayerSS]\r\nlayerImage=a.bmp,b.bmp\r\nlayerTranslucency=30,40\r\n"
            "layerFrequency=3\r\n"
            "[LayerWP]\r\nlayerImage=w.bmp\r\nlayerTranslucency=20\r\n"
            "[WebLinker]\r\ncompanyURL=http://c\r\nsetURL=http://s\r\nSSURL=http://ss\r\n"
            "WebLinker=1\r\nSSWebLinker=2\r\n"
            "[Company]\r\nIntroduction=Hello\r\nWeb Site=http://w\r\nCompany Name=Acme\r\n"
            "Street Address=1 Road\r\nCity State Zip=Town\r\nPhone=555\r\n"
            "[About]\r\naboutTab=logo.bmp\r\nsupportURL=http://help\r\nsupportPhone=556\r\n");
  const std::string file = set_.parent_path().string() + "/sea\\company.ini";

  const CatalogueCompanyInfo catalogue = ReadCatalogueCompanyInfo(file);
  EXPECT_EQ(catalogue.TitleFile, "*intro.jpg");
  EXPECT_TRUE(catalogue.HasTitlePage);
  EXPECT_FALSE(catalogue.ShowTitlePage);
  EXPECT_FALSE(catalogue.UserControl);
  EXPECT_TRUE(catalogue.HasSound);

  const SlideTitlePage title = ReadSlideTitlePage(file);
  EXPECT_EQ(title.TitleFile, "") << "a title page switched off is none for the show";
  EXPECT_EQ(title.TitleTime, 7);

  const SlideLayerList slide = ReadSlideLayerList(file);
  EXPECT_EQ(slide.layerImage, "a.bmp,b.bmp");
  EXPECT_EQ(slide.layerTranslucency, "30,40");
  EXPECT_EQ(slide.layerFrequency, 3);
  EXPECT_EQ(ReadWallpaperLayerList(file).layerImage, "w.bmp");
  EXPECT_EQ(ReadWallpaperLayerList(file).layerTranslucency, "20");

  const ShowLinks links = ReadShowLinks(file);
  EXPECT_EQ(links.CompanyURL, "http://c");
  EXPECT_EQ(links.SetURL, "http://s");
  EXPECT_EQ(links.SaverURL, "http://ss");
  EXPECT_TRUE(links.TabLinkOn);
  EXPECT_TRUE(links.EscLinkOn);

  const AboutTexts about = ReadAboutTexts(file);
  EXPECT_EQ(about.aboutTab, "logo.bmp");
  EXPECT_EQ(about.supportURL, "http://help");
  EXPECT_EQ(about.supportPhone, "556");
  EXPECT_EQ(about.Introduction, "Hello");
  EXPECT_EQ(about.WebSite, "http://w");
  EXPECT_EQ(about.CompanyName, "Acme");
  EXPECT_EQ(about.StreetAddress, "1 Road");
  EXPECT_EQ(about.CityStateZip, "Town");
  EXPECT_EQ(about.Phone, "555");
}

TEST_F(CompanyIni, WebButtonTakesTheFirstSourceWithACaption) {
  const std::string user = (set_ / "ScreenSaver.ini").string();
  WriteFile(user, "[Company]\r\nwebButton=Ours\r\nWeb Site=http://ours\r\n");
  struct Case {
    const char* company;
    const char* caption;
    const char* url;
  };
  const Case cases[] = {
      {"[WebLinker]\r\nwebButton=Shop\r\nCompanyURL=http://shop\r\n"
       "[Company]\r\nwebButton=Home\r\nWeb Site=http://home\r\n",
       "Shop", "http://shop"},
      {"[Company]\r\nwebButton=Home\r\nWeb Site=http://home\r\n", "Home", "http://home"},
      {"[Company]\r\nWeb Site=http://home\r\n", "Ours", "http://ours"},
  };
  for (const Case& c : cases) {
    const WebButton button = ReadWebButton(Company(c.company), user);
    EXPECT_EQ(button.caption, c.caption);
    EXPECT_EQ(button.url, c.url);
  }
  std::filesystem::remove(user);
  EXPECT_EQ(ReadWebButton(Company(""), user).caption, "") << "no caption hides the button";
}

TEST_F(CompanyIni, TitlePageSwitchRewritesOnlyTheFileKey) {
  const std::string before =
      "; publisher notes\r\n[TitlePage]\r\nfile=*intro.jpg\r\nuserControl=1\r\ntime=9\r\n"
      "\r\n[Sound]\r\nHasSound=1\r\n";
  const std::string file = Company(before);

  ASSERT_TRUE(WriteTitlePageSwitch(file, true));
  EXPECT_EQ(ReadCatalogueCompanyInfo(file).TitleFile, "intro.jpg");
  std::string expected = before;
  expected.replace(expected.find("*intro.jpg"), 10, "intro.jpg");
  EXPECT_EQ(ReadFile(set_ / "company.ini"), expected);

  ASSERT_TRUE(WriteTitlePageSwitch(file, false));
  EXPECT_EQ(ReadFile(set_ / "company.ini"), before);
  ASSERT_TRUE(WriteTitlePageSwitch(file, false));
  EXPECT_EQ(ReadCatalogueCompanyInfo(file).TitleFile, "*intro.jpg") << "never a second star";
}

TEST_F(CompanyIni, TitlePageSwitchWritesNothingWithoutATitlePage) {
  const std::string before = "[TitlePage]\r\nuserControl=1\r\n";
  const std::string file = Company(before);
  EXPECT_FALSE(WriteTitlePageSwitch(file, true));
  EXPECT_FALSE(WriteTitlePageSwitch(file, false));
  EXPECT_EQ(ReadFile(set_ / "company.ini"), before);
  std::filesystem::remove(set_ / "company.ini");
  EXPECT_FALSE(WriteTitlePageSwitch(file, true));
  EXPECT_FALSE(std::filesystem::exists(set_ / "company.ini"));
}

}  // namespace
}  // namespace orvane::core
