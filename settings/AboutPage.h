#pragma once
// Page 3 of the settings dialog, "About": the publisher of the chosen set (logo,
// introduction, web address, postal address, support contacts) from the set's
// "company.ini" with the user's settings file behind it, the screen's colour
// depth, the program's version, and the web links.
#include <QWidget>
#include <string>

#include "platform/vbcontrols.h"

namespace orvane::settings {

class frmKestrin;

class AboutPage {
 public:
  // Builds the page's controls inside pageWidget.
  AboutPage(frmKestrin& form, QWidget* pageWidget);

  // Fills the page for the set chosen (AboutSetFolder).
  void InitAboutPage();
  // Shows the set chosen in cmboAboutSets.
  void cmboAboutSets_Click();
  // The web button's caption and address for the chosen set; hidden when there
  // is none.
  void SetWebButton();

  void cmdVisitUs_Click();
  void lblWebAddress_Click();
  void lblSupport_Click();

  std::string AboutSetFolder;  // the chosen set's folder, ending in "/"; empty before a choice
  std::string SupportURL;
  std::string WebButtonURL;

  // ---- controls ----
  platform::VbLabel* lblAboutSets;  // "Image set:"
  QLabel* imgLogo;
  QImage picOrvaneLogo;
  platform::VbLabel* lblMoreInfo;
  platform::VbLabel* lblWebAddress;
  platform::VbLabel* lblCompanyName;
  platform::VbLabel* lblAddress;
  platform::VbLabel* lblCityStateZip;
  platform::VbLabel* lblPhone;
  platform::VbLabel* lblSupport;
  platform::VbLabel* lblPhoneSupport;
  platform::VbLabel* lblBitDepth;
  platform::VbLabel* lblVersion;
  platform::VbFrame* Frame3;
  platform::VbLabel* Label3;
  platform::VbCommandButton* cmdVisitUs;
  QWidget* Picture3;
  platform::VbPictureBox* picAboutThumbnail;

 private:
  void ShowLogo(const std::string& file, const char* location);

  frmKestrin& form_;
  QWidget* page_;
};

}  // namespace orvane::settings
