#pragma once
// Page 0 of the settings dialog, "Screen Saver": the saver on or off, its start
// delay and every setting of the slide show, with its inner tab control.
#include <QWidget>

namespace orvane::settings {

class frmKestrin;

class ScreenSaverPage {
 public:
  // Builds the page's controls inside pageWidget.
  ScreenSaverPage(frmKestrin& form, QWidget* pageWidget);

  // Loads the page from the Windows saver settings and "ScreenSaver.ini".
  void InitScreenSaverPage();
  // Writes the page: its apply action.
  void SetScreenSaverInfo();
  // Rebuilds the preview list for the set chosen in cmboSS_SetsToUse.
  void cmboSS_SetsToUse_Click();

 private:
  frmKestrin& form_;
  QWidget* page_;
};

}  // namespace orvane::settings
