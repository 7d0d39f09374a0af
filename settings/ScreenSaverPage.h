#pragma once
// Page 0 of the settings dialog, "Screen Saver": the saver on or off, its start
// delay and every setting of the slide show, with its inner tab control, the
// preview list its thumbnail timer shows, and a preview of the show with the
// values on screen.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "platform/vbcontrols.h"
#include "settings/ScreenSaverSettings.h"

namespace orvane::settings {

class frmKestrin;
class Thumbnails;

// The preview's hand-over to the slide show, in InitiSaver's order.
struct PreviewValues {
  std::string ImageSetRoot;
  std::string CatalogueFile;
  std::string SettingsFile;
  std::string CurrentSet;  // the chosen entry's text
  bool RandomAll = false;
  int Delay = 0;
  bool Minutes = false;
  std::string Language;
  bool Titles = false;
  bool Text = false;
  int InfoTime = 0;
  int Transition = 0;
  int PanSpeed = 0;
  bool Stretch = false;
  bool CalendarOn = false;
  int CalendarSize = 0;
  int CalendarPosition = 0;
  bool PanOn = false;
  bool SoundOn = false;
  bool SoundLooping = false;
  bool WebLinksOn = false;
};

class ScreenSaverPage {
 public:
  // Builds the page's controls inside pageWidget.
  ScreenSaverPage(frmKestrin& form, QWidget* pageWidget);
  ~ScreenSaverPage();

  // Loads the page from the saver settings of the desktop and "ScreenSaver.ini".
  void InitScreenSaverPage();
  // Writes the page: its apply action. False when a write failed; the user
  // has been told which file and why.
  bool SetScreenSaverInfo();
  // Rebuilds the preview list and the sound controls for the set chosen in
  // cmboSS_SetsToUse.
  void cmboSS_SetsToUse_Click();

  // The values on screen, as the page writes them.
  ScreenSaverPageValues Values() const;
  // The preview's 21 values from the controls.
  PreviewValues PreviewSettings() const;

  void optSS_State_Click(int index);
  // The saver's own settings are in use: it is switched on, or the dialog was
  // started by a system settings button ("/c"), whose dialog owns the switch.
  bool SaverSettingsOn() const;
  void cmdSSPreview_Click();
  void chkSSFit2Screen_Click();
  void optVeloscanOn_Click();
  void optVeloscanOff_Click();
  void EnableSaverControls(bool state);

  // Runs the slide show with the preview's values, modally; returns when it has
  // ended. Tests replace it with a recording show.
  std::function<void(const PreviewValues&)> RunPreview;

  Thumbnails& thumbnails() { return *thumbnails_; }

  // ---- controls ----
  platform::VbFrame* SSFrame1;
  platform::VbOptionButton* optSS_State[2];
  platform::VbFrame* frmSaverDelay;
  platform::VbSpinBox* nbsSaverDelay;
  platform::VbLabel* Label17;
  // One sentence, shown only in a session that cannot hold the password.
  platform::VbLabel* lblSessionCannotHold;
  platform::VbFrame* SSFrame2;
  platform::VbLabel* SSLabel1;
  platform::VbFrame* framSSTimeBetween;
  platform::VbSpinBox* nbsImageDelay;
  platform::VbOptionButton* optSSSeconds;
  platform::VbOptionButton* optSSMinutes;
  platform::VbLabel* SSLabel5;
  platform::VbComboBox* cmboTransitions;
  platform::VbFrame* SSFrame3;
  platform::VbCheckBox* chkShowTitles;
  platform::VbCheckBox* chkShowDescriptive;
  platform::VbLabel* Label15;
  platform::VbSpinBox* nbsInfoPanelShows;
  platform::VbLabel* Label16;
  platform::VbLabel* SSLabel4;
  platform::VbComboBox* cmboSSLanguage;
  platform::VbCheckBox* chkSSFit2Screen;
  QWidget* picSSMonitor;
  platform::VbPictureBox* picSSThumbNail;
  platform::VbCommandButton* cmdSSPreview;
  platform::VbFrame* frmCalendar;
  platform::VbOptionButton* optCalendarOn;
  platform::VbOptionButton* optCalendarOff;
  platform::VbLabel* Label18;
  platform::VbComboBox* cmboCalendarSize;
  platform::VbLabel* Label19;
  platform::VbComboBox* cmboCalendarPosition;
  platform::VbFrame* framSound;
  platform::VbOptionButton* optSndOn;
  platform::VbOptionButton* optSndOff;
  platform::VbFrame* frmLoop;
  platform::VbOptionButton* optLoopOn;
  platform::VbOptionButton* optLoopOff;
  platform::VbLabel* lblSSNoSound;
  platform::VbFrame* frmVeloscan;
  platform::VbOptionButton* optVeloscanOn;
  platform::VbOptionButton* optVeloscanOff;
  platform::VbFrame* SSFrame5;
  platform::VbLabel* SSLabel6;
  platform::VbSlider* sldrPanSpeed;
  platform::VbLabel* SSLabel7;
  platform::VbFrame* frmWebLinker;
  platform::VbOptionButton* optWebLinkOn;
  platform::VbOptionButton* optWebLinkOff;

 private:
  void BuildOnOff(QWidget* page);
  void BuildBasicSettings(QWidget* tab);
  void BuildCalendar(QWidget* tab);
  void BuildSound(QWidget* tab);
  void BuildVeloscan(QWidget* tab);
  void BuildSkiplink(QWidget* tab);
  void Wire();
  void ShowValues(const ScreenSaverPageValues& values);
  void EnableSound(bool enabled, const char* notice);

  frmKestrin& form_;
  QWidget* page_;
  std::unique_ptr<Thumbnails> thumbnails_;
};

}  // namespace orvane::settings
