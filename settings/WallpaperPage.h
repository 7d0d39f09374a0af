#pragma once
// Page 1 of the settings dialog, "Wallpaper": the desktop wallpaper made from a
// set image, how often the changer replaces it and whether a month calendar is
// drawn on it, with its inner tabs "Basic Settings", "Calendar" and "Sound".
// The render itself is the wallpaper builder (WallpaperBuilder.h); the page
// hands it the controls' values.
#include <QWidget>

#include "platform/vbcontrols.h"
#include "settings/WallpaperBuilder.h"

namespace orvane::settings {

class frmKestrin;

class WallpaperPage {
 public:
  // Builds the page's controls inside pageWidget.
  WallpaperPage(frmKestrin& form, QWidget* pageWidget);

  // Loads the page from "ScreenSaver.ini".
  void InitWallpaperPage();
  // Renders the current wallpaper image and sets it when a render is due, and
  // writes the page's keys: the page's apply action. False when the render
  // failed or something could not be saved; the user has been told.
  bool SetWallpaper();
  // Picks the next wallpaper image (a random set first when the page says
  // "Randomize From All Image Sets"), renders it and sets it.
  void NextWallpaperImage();
  // The option button "wallpaper on".
  bool optWallPaperOn() const;

  // Handlers.
  void optWallPaperOn_Click();
  void optWallPaperOff_Click();
  void optWPCalendarOn_Click();
  void optWPCalendarOff_Click();
  void cmboWPCalendarPosition_Click();
  void cmboWPCalendarSize_Click();
  void chkFit2Screen_Click();

  // The first list index whose item data is value, else 0 ("Manually").
  int FindAutoChangeIndex(long value) const;
  void EnableWallpaperControls(bool enabled);

  // What the render gets from the page and the dialog.
  WallpaperJob Job() const;
  WallpaperKeys Keys() const;

  // ---- Page state (form fields of the page) ----
  bool WPCalendarOn = false;
  int WPCalendarPosition = 0;
  int WPCalendarSize = 0;
  bool WPAutoChange = false;  // set by NextWallpaperImage for the dialog's life

  // ---- Controls ----
  platform::VbFrame* Frame1 = nullptr;  // "Wallpaper"
  platform::VbOptionButton* optWallPaperOnButton = nullptr;  // optWallPaperOn (the name is taken by its value)
  platform::VbOptionButton* optWallPaperOff = nullptr;
  platform::VbLabel* Label20 = nullptr;  // "Image set:"
  platform::VbLabel* Label21 = nullptr;  // "Wallpaper Images"
  platform::VbPictureBox* picThumbNail = nullptr;
  platform::VbCommandButton* cmdImageCredits = nullptr;
  platform::VbCheckBox* chkFit2Screen = nullptr;
  platform::VbFrame* frmAutoChange = nullptr;
  platform::VbComboBox* cmboAutoChange = nullptr;
  platform::VbFrame* frmCalendarWP = nullptr;
  platform::VbOptionButton* optWPCalendarOn = nullptr;
  platform::VbOptionButton* optWPCalendarOff = nullptr;
  platform::VbLabel* Label2 = nullptr;  // "Size:"
  platform::VbComboBox* cmboWPCalendarSize = nullptr;
  platform::VbLabel* Label1 = nullptr;  // "Position:"
  platform::VbComboBox* cmboWPCalendarPosition = nullptr;
  platform::VbFrame* framWPSound = nullptr;
  platform::VbOptionButton* optSndOnWP = nullptr;
  platform::VbOptionButton* optSndOffWP = nullptr;
  platform::VbLabel* lblWPNoSound = nullptr;

 private:
  void BuildBasicTab(QWidget* tab);
  void BuildCalendarTab(QWidget* tab);
  void BuildSoundTab(QWidget* tab);

  frmKestrin& form_;
  QWidget* page_;
};

}  // namespace orvane::settings
