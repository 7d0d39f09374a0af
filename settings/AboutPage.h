#pragma once
// Page 3 of the settings dialog, "About": the publisher of the chosen set, the
// program's version and web links.
#include <QWidget>

namespace orvane::settings {

class frmKestrin;

class AboutPage {
 public:
  // Builds the page's controls inside pageWidget.
  AboutPage(frmKestrin& form, QWidget* pageWidget);

  // Loads the page.
  void InitAboutPage();
  // Shows the set chosen in cmboAboutSets.
  void cmboAboutSets_Click();

 private:
  frmKestrin& form_;
  QWidget* page_;
};

}  // namespace orvane::settings
