#pragma once
// What the "Screen Saver" page shows and writes, without the window: the
// settings file and the desktop's saver settings read into page values (with
// the old formats: a bare change index through the delay table, calendar sizes
// below 20 through the size table), and the values written back in the page's
// order. A value the page cannot show (out of its list or range) gives the
// page's default for that setting, so a damaged file never stops the dialog.
#include <array>
#include <string>

#include "settings/WriteFailure.h"

namespace orvane::settings {

// Ranges of the page's spin boxes and slider.
inline constexpr int kSaverDelayMax = 9999;     // minutes before the saver starts
inline constexpr int kImageDelayMin = 1;        // seconds or minutes between images
inline constexpr int kImageDelayMax = 999;
inline constexpr int kInfoPanelShowsMin = 1;    // seconds the info panel shows
inline constexpr int kInfoPanelShowsMax = 999;
inline constexpr int kPanSpeedMax = 255;        // slider 0..255, speed = 255 - slider

inline constexpr int kTransitionCount = 11;     // "No Transitions" .. "Fast Block Out"
inline constexpr int kLanguageCount = 8;
inline constexpr std::array<int, 4> kCalendarSizes = {100, 66, 33, 20};  // the size list's item data
inline constexpr int kCalendarPositionCount = 9;

struct ScreenSaverPageValues {
  bool FirstRun = false;
  bool SaverOn = false;        // optSS_State
  int SaverDelay = 10;         // nbsSaverDelay, minutes
  int ImageDelay = 60;         // nbsImageDelay
  bool Minutes = false;        // optSSMinutes (else optSSSeconds)
  bool RandomAll = true;       // [PrefsSS] random
  std::string CurrentSet;      // [PrefsSS] CurrentSet when not random
  int Transition = 1;          // cmboTransitions ListIndex
  int Language = 0;            // cmboSSLanguage ListIndex
  bool ShowText = false;       // chkShowDescriptive
  bool ShowTitle = false;      // chkShowTitles
  int InfoPanelShows = 20;     // nbsInfoPanelShows
  int PanSlider = 250;         // sldrPanSpeed
  bool PanOn = true;           // optVeloscanOn
  bool Stretch = true;         // chkSSFit2Screen
  bool CalendarOn = true;      // optCalendarOn
  int CalendarPosition = 0;    // cmboCalendarPosition ListIndex
  int CalendarSize = 20;       // item data of the cmboCalendarSize entry
  bool WebLinkOn = true;       // optWebLinkOn
  bool WebLinkUserControl = true;  // frmWebLinker enabled
  bool SoundOn = false;        // optSndOn
  bool LoopOn = false;         // optLoopOn
};

// The page's values from settingsFile and the saver's active flag and time-out
// (seconds). delayTable is the old delay format's table of seconds,
// calendarSizeTable the old size format's table of percentages.
ScreenSaverPageValues ReadScreenSaverPage(const std::string& settingsFile, bool active, int timeOutSeconds,
                                          const std::array<int, 13>& delayTable,
                                          const std::array<int, 4>& calendarSizeTable);

// The start delay in seconds (no 16-bit limit).
int SaverTimeOutSeconds(int saverDelayMinutes);

// [PrefsSS] change as the page writes it: the number and "m" or "s".
std::string ChangeText(int imageDelay, bool minutes);

// Writes the page. Unless saverSettingsShown is false (the dialog opened for the
// system's own settings button, which owns them), the saver's on/off state and
// start delay are written first: on, "system.ini" [boot] "SCRNSAVE.EXE" =
// saverProgram, active, the time-out and [ScreenSaver] LastImage "0"; off, not
// active and an empty "SCRNSAVE.EXE". Then [ScreenSaver] Setup "1" and every
// slide-show key in the page's order (all or none), CurrentSet only for a
// single set. False when a write failed (the others are still made); each
// failure is added to failures when given.
bool WriteScreenSaverPage(const ScreenSaverPageValues& values, const std::string& settingsFile,
                          const std::string& saverProgram, bool saverSettingsShown,
                          WriteFailures* failures = nullptr);

// What the page's failed writes are called in the report.
inline constexpr const char* kScreenSaverSettingsText = "The screen saver settings";

}  // namespace orvane::settings
