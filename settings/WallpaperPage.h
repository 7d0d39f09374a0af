#pragma once
// Page 1 of the settings dialog, "Wallpaper": the desktop wallpaper made from a
// set image, with its inner tab control.
#include <QWidget>

namespace orvane::settings {

class frmKestrin;

class WallpaperPage {
 public:
  // Builds the page's controls inside pageWidget.
  WallpaperPage(frmKestrin& form, QWidget* pageWidget);

  // Loads the page from "ScreenSaver.ini".
  void InitWallpaperPage();
  // Renders the current wallpaper image and sets it: the page's apply action.
  void SetWallpaper();
  // Picks the next wallpaper image, renders it and sets it.
  void NextWallpaperImage();
  // The option button "wallpaper on".
  bool optWallPaperOn() const;

 private:
  frmKestrin& form_;
  QWidget* page_;
};

}  // namespace orvane::settings
