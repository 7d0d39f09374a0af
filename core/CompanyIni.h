#pragma once
// The set description file "company.ini" in every set folder: title page, sound
// flag, overlay lists, web links and the About page's texts. Each reader below
// passes the default its caller has always used; a missing file or key gives
// those defaults. The only value ever written is [TitlePage] file.
//
// Values are the file's bytes. Paths may hold "\" separators; they are turned
// into "/" and looked up without regard to case when the file is opened.
#include <string>

namespace orvane::core {

inline constexpr const char* kCompanyIniName = "company.ini";

// setFolderPath & "company.ini" (setFolderPath ends in a separator).
std::string CompanyFile(const std::string& setFolderPath);

// What the catalogue build takes from the file.
struct CatalogueCompanyInfo {
  std::string TitleFile;       // [TitlePage] file as stored (may begin with "*")
  bool HasTitlePage = false;   // file not empty
  bool ShowTitlePage = true;   // file does not begin with "*"
  bool UserControl = true;     // [TitlePage] userControl, default 1, not 0
  bool HasSound = false;       // [Sound] HasSound, default 0, not 0
};
CatalogueCompanyInfo ReadCatalogueCompanyInfo(const std::string& companyFile);

// The slide list's title page: TitleFile is empty when the set has none or it is
// switched off ("*" in front); TitleTime is [TitlePage] time, default 20 seconds.
struct SlideTitlePage {
  std::string TitleFile;
  long TitleTime = 20;
};
SlideTitlePage ReadSlideTitlePage(const std::string& companyFile);

// [LayerSS]: the slide overlays (comma-separated), their levels (one value or a
// matching comma-separated list, default "50") and the frequency (default 1).
struct SlideLayerList {
  std::string layerImage;
  std::string layerTranslucency = "50";
  long layerFrequency = 1;
};
SlideLayerList ReadSlideLayerList(const std::string& companyFile);

// [LayerWP]: the wallpaper overlays and their levels (default "0").
struct WallpaperLayerList {
  std::string layerImage;
  std::string layerTranslucency = "0";
};
WallpaperLayerList ReadWallpaperLayerList(const std::string& companyFile);

// [WebLinker] as the slide show reads it for every slide.
struct ShowLinks {
  std::string CompanyURL;   // companyURL
  std::string SetURL;       // setURL
  std::string SaverURL;     // SSURL
  bool TabLinkOn = false;   // WebLinker, default 0, not 0
  bool EscLinkOn = false;   // SSWebLinker, default 0, not 0
};
ShowLinks ReadShowLinks(const std::string& companyFile);

// The dialog's web button: [WebLinker] webButton with [WebLinker] CompanyURL,
// else [Company] webButton with [Company] Web Site, else the same two keys of
// [Company] in the user's settings file. An empty caption hides the button; with
// no set chosen the button is hidden without asking.
struct WebButton {
  std::string caption;
  std::string url;
};
WebButton ReadWebButton(const std::string& companyFile, const std::string& settingsFile);

// The About page's texts as the set's file holds them (each empty by default);
// the page falls back to the user's settings file where it says so.
struct AboutTexts {
  std::string aboutTab;        // [About] aboutTab
  std::string supportURL;      // [About] supportURL
  std::string supportPhone;    // [About] supportPhone
  std::string Introduction;    // [Company] Introduction
  std::string WebSite;         // [Company] Web Site
  std::string CompanyName;     // [Company] Company Name
  std::string StreetAddress;   // [Company] Street Address
  std::string CityStateZip;    // [Company] City State Zip
  std::string Phone;           // [Company] Phone
};
AboutTexts ReadAboutTexts(const std::string& companyFile);

// The title-page switch of the catalogue apply: [TitlePage] file is rewritten as
// the stored name without a leading "*" when showTitlePage, else with "*" in
// front. Nothing is written when the set has no title page (file empty or only
// "*"). Other keys and lines of the file stay as they were. True when written.
bool WriteTitlePageSwitch(const std::string& companyFile, bool showTitlePage);

}  // namespace orvane::core
