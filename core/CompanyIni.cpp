#include "core/CompanyIni.h"

#include "core/ImageDescription.h"
#include "core/PPS.h"

namespace orvane::core {
namespace {

std::string ReadString(const std::string& section, const std::string& key,
                       const std::string& defaultValue, const std::string& file) {
  return GetIniString(section, key, defaultValue, file);
}

long ReadInt(const std::string& section, const std::string& key, int defaultValue,
             const std::string& file) {
  return GetIniInt(section, key, defaultValue, file);
}

}  // namespace

std::string CompanyFile(const std::string& setFolderPath) {
  return setFolderPath + kCompanyIniName;
}

CatalogueCompanyInfo ReadCatalogueCompanyInfo(const std::string& companyFile) {
  const std::string file = OpenableSetPath(companyFile);
  CatalogueCompanyInfo info;
  info.UserControl = ReadInt("TitlePage", "userControl", 1, file) != 0;
  info.TitleFile = ReadString("TitlePage", "file", "", file);
  info.HasTitlePage = !info.TitleFile.empty();
  info.ShowTitlePage = info.TitleFile.empty() || info.TitleFile.front() != '*';
  info.HasSound = ReadInt("Sound", "HasSound", 0, file) != 0;
  return info;
}

SlideTitlePage ReadSlideTitlePage(const std::string& companyFile) {
  const std::string file = OpenableSetPath(companyFile);
  SlideTitlePage page;
  page.TitleFile = ReadString("TitlePage", "file", "", file);
  if (!page.TitleFile.empty() && page.TitleFile.front() == '*') page.TitleFile.clear();
  page.TitleTime = ReadInt("TitlePage", "time", 20, file);
  return page;
}

SlideLayerList ReadSlideLayerList(const std::string& companyFile) {
  const std::string file = OpenableSetPath(companyFile);
  SlideLayerList list;
  list.layerImage = ReadString("LayerSS", "layerImage", "", file);
  list.layerTranslucency = ReadString("LayerSS", "layerTranslucency", "50", file);
  list.layerFrequency = ReadInt("LayerSS", "layerFrequency", 1, file);
  return list;
}

WallpaperLayerList ReadWallpaperLayerList(const std::string& companyFile) {
  const std::string file = OpenableSetPath(companyFile);
  WallpaperLayerList list;
  list.layerImage = ReadString("LayerWP", "layerImage", "", file);
  list.layerTranslucency = ReadString("LayerWP", "layerTranslucency", "0", file);
  return list;
}

ShowLinks ReadShowLinks(const std::string& companyFile) {
  const std::string file = OpenableSetPath(companyFile);
  ShowLinks links;
  links.CompanyURL = ReadString("WebLinker", "companyURL", "", file);
  links.SetURL = ReadString("WebLinker", "setURL", "", file);
  links.SaverURL = ReadString("WebLinker", "SSURL", "", file);
  links.TabLinkOn = ReadInt("WebLinker", "WebLinker", 0, file) != 0;
  links.EscLinkOn = ReadInt("WebLinker", "SSWebLinker", 0, file) != 0;
  return links;
}

WebButton ReadWebButton(const std::string& companyFile, const std::string& settingsFile) {
  const std::string file = OpenableSetPath(companyFile);
  WebButton button;
  button.caption = ReadString("WebLinker", "webButton", "", file);
  if (!button.caption.empty()) {
    button.url = ReadString("WebLinker", "CompanyURL", "", file);
    return button;
  }
  button.caption = ReadString("Company", "webButton", "", file);
  if (!button.caption.empty()) {
    button.url = ReadString("Company", "Web Site", "", file);
    return button;
  }
  button.caption = ReadString("Company", "webButton", "", settingsFile);
  if (!button.caption.empty()) button.url = ReadString("Company", "Web Site", "", settingsFile);
  return button;
}

AboutTexts ReadAboutTexts(const std::string& companyFile) {
  const std::string file = OpenableSetPath(companyFile);
  AboutTexts texts;
  texts.aboutTab = ReadString("About", "aboutTab", "", file);
  texts.supportURL = ReadString("About", "supportURL", "", file);
  texts.supportPhone = ReadString("About", "supportPhone", "", file);
  texts.Introduction = ReadString("Company", "Introduction", "", file);
  texts.WebSite = ReadString("Company", "Web Site", "", file);
  texts.CompanyName = ReadString("Company", "Company Name", "", file);
  texts.StreetAddress = ReadString("Company", "Street Address", "", file);
  texts.CityStateZip = ReadString("Company", "City State Zip", "", file);
  texts.Phone = ReadString("Company", "Phone", "", file);
  return texts;
}

bool WriteTitlePageSwitch(const std::string& companyFile, bool showTitlePage) {
  const std::string file = OpenableSetPath(companyFile);
  std::string name = ReadString("TitlePage", "file", "", file);
  if (!name.empty() && name.front() == '*') name.erase(0, 1);
  // Without a stored name there is no title page to switch.
  if (name.empty()) return false;
  return WriteIni("TitlePage", "file", showTitlePage ? name : "*" + name, file);
}

}  // namespace orvane::core
