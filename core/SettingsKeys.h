#pragma once
// Every section and key of the settings files "ScreenSaver.ini", "Orvane.ini"
// and "config.ini", with the default each reader passes. Code reads and writes
// settings by these names only.
//
// Names compare without regard to case, and several writers use another letter
// case for the same entry: one constant per entry, the other spellings noted.
// Defaults differ between readers, so each reader has its own constant:
//   kShowDefault...     the slide show (its start, slide preparation)
//   kDialogDefault...   the settings dialog (screen-saver, wallpaper, About pages)
//   kChangerDefault...  the wallpaper changer
//   kStartupDefault...  the start-up of the screen saver
#include <span>

namespace orvane::core::settings {

struct IniKey {
  const char* section;
  const char* key;
};

// --- file names ------------------------------------------------------------
inline constexpr const char* kScreenSaverIni = "ScreenSaver.ini";  // settings folder (template in the program folder)
inline constexpr const char* kOrvaneIni = "Orvane.ini";            // settings folder, the catalogue
inline constexpr const char* kConfigIni = "config.ini";            // program folder, window titles

// --- ScreenSaver.ini ---------------------------------------------------------
inline constexpr IniKey kScreenSaver_Setup{"ScreenSaver", "Setup"};          // 1 once the page was applied
inline constexpr IniKey kScreenSaver_LastImage{"ScreenSaver", "LastImage"};  // "0"; read by nobody
inline constexpr IniKey kScreenSaver_Running{"ScreenSaver", "running"};      // "1" while a show window exists
inline constexpr IniKey kScreenSaver_ShowInit{"ScreenSaver", "ShowInit"};    // template only

inline constexpr IniKey kPrefsSS_Change{"PrefsSS", "change"};          // n & "s" or n & "m"
inline constexpr IniKey kPrefsSS_Random{"PrefsSS", "random"};          // also written "Random"
inline constexpr IniKey kPrefsSS_CurrentSet{"PrefsSS", "CurrentSet"};  // written only when random is "0"
inline constexpr IniKey kPrefsSS_Stretch{"PrefsSS", "stretch"};
inline constexpr IniKey kPrefsSS_Sound{"PrefsSS", "sound"};
inline constexpr IniKey kPrefsSS_Looping{"PrefsSS", "looping"};
inline constexpr IniKey kPrefsSS_LastImage{"PrefsSS", "LastImage"};  // 1-based, in list order

// Section also written "transition".
inline constexpr IniKey kTransition_DefaultTransition{"Transition", "defaultTransition"};

inline constexpr IniKey kInfoPanel_DefaultLanguage{"InfoPanel", "defaultLanguage"};  // InfoLanguage
inline constexpr IniKey kInfoPanel_ShowText{"InfoPanel", "showText"};
inline constexpr IniKey kInfoPanel_ShowTitle{"InfoPanel", "showTitle"};
inline constexpr IniKey kInfoPanel_DefaultTime{"InfoPanel", "defaultTime"};  // seconds

inline constexpr IniKey kPanoramic_Speed{"Panoramic", "speed"};  // ms per step: 255 - slider
inline constexpr IniKey kPanoramic_Enable{"Panoramic", "enable"};

inline constexpr IniKey kCalendarSS_Enable{"CalendarSS", "enable"};
inline constexpr IniKey kCalendarSS_Size{"CalendarSS", "size"};          // CalendarSize
inline constexpr IniKey kCalendarSS_Position{"CalendarSS", "position"};  // CalendarPosition

// Key also written "Enable", under the section spelled "Weblinker".
inline constexpr IniKey kWebLinker_Enable{"WebLinker", "enable"};
inline constexpr IniKey kWebLinker_UserControl{"WebLinker", "userControl"};  // template only

inline constexpr IniKey kPrefsWP_CurrentSet{"PrefsWP", "CurrentSet"};
inline constexpr IniKey kPrefsWP_CurrentImage{"PrefsWP", "CurrentImage"};
inline constexpr IniKey kPrefsWP_Random{"PrefsWP", "random"};
inline constexpr IniKey kPrefsWP_Stretch{"PrefsWP", "stretch"};
inline constexpr IniKey kPrefsWP_Enable{"PrefsWP", "enable"};
inline constexpr IniKey kPrefsWP_Change{"PrefsWP", "change"};  // WallpaperChange
inline constexpr IniKey kPrefsWP_Sound{"PrefsWP", "sound"};
inline constexpr IniKey kPrefsWP_LastChanged{"PrefsWP", "LastChanged"};      // date and time text
inline constexpr IniKey kPrefsWP_DelayedChange{"PrefsWP", "DelayedChange"};  // kDelayed... or ""
inline constexpr IniKey kPrefsWP_WallpaperLastLayer{"PrefsWP", "WallpaperLastLayer"};

inline constexpr IniKey kCalendarWP_Enable{"CalendarWP", "enable"};  // also written "Enable"
inline constexpr IniKey kCalendarWP_Position{"CalendarWP", "position"};
inline constexpr IniKey kCalendarWP_Size{"CalendarWP", "size"};  // also "Size"; below 20 an old list index

inline constexpr IniKey kAbout_AboutTab{"About", "aboutTab"};  // template only
inline constexpr IniKey kAbout_SupportURL{"About", "supportURL"};
inline constexpr IniKey kAbout_SupportPhone{"About", "supportPhone"};
inline constexpr IniKey kCompany_WebButton{"Company", "webButton"};  // template only
inline constexpr IniKey kCompany_WebSite{"Company", "Web Site"};

// --- Orvane.ini --------------------------------------------------------------
// [SetDescriptions] <set name> = the set's folder below the program folder,
// ending in "\"; one section per set: <image name> = the image's file name.
// A value starting with kExcludedMarker marks an excluded set or image.
inline constexpr const char* kSectionSetDescriptions = "SetDescriptions";
inline constexpr char kExcludedMarker = '*';
inline constexpr IniKey kLauncher_URL{"Launcher", "URL"};  // "" = nothing pending
inline constexpr IniKey kWallpaper_PlaySound{"Wallpaper", "PlaySound"};
inline constexpr IniKey kWallpaper_ChangerActive{"Wallpaper", "ChangerActive"};

// --- config.ini (program folder) -----------------------------------------------
inline constexpr IniKey kConfig_ConfigWinTitle{"config", "ConfigWinTitle"};
inline constexpr IniKey kConfig_PassWinTitle{"config", "PassWinTitle"};

// --- stored values -------------------------------------------------------------
inline constexpr const char* kDelayedWallPaper = "WallPaper";
inline constexpr const char* kDelayedCalendar = "Calendar";

enum class InfoLanguage : int {
  English = 1, French = 2, German = 3, Spanish = 4, Japanese = 5, Chinese = 6, Korean = 7,
  Swedish = 8,
};

// Percent of the full calendar size.
enum class CalendarSize : int { ExtraLarge = 100, Large = 66, Medium = 33, Small = 20 };

enum class CalendarPosition : int {
  TopLeft = 1, TopCenter = 2, TopRight = 3, CenterLeft = 4, Center = 5, CenterRight = 6,
  BottomLeft = 7, BottomCenter = 8, BottomRight = 9,
};

enum class WallpaperChange : int {
  Manually = 1, EveryHalfHour = 2, EveryHour = 3, Every2Hours = 4, Every4Hours = 5,
  Every8Hours = 6, EveryDay = 7, Every2ndDay = 8, EveryWeek = 9,
  EveryQuarterHour = 10,  // accepted by the changer only
};

// --- defaults of the slide show ----------------------------------------------
inline constexpr int kShowDefault_ScreenSaver_Setup = 0;  // 0 = not set up
inline constexpr int kShowDefault_ScreenSaver_ShowInit = 0;
inline constexpr const char* kShowDefault_PrefsSS_Change = "60s";
inline constexpr int kShowDefault_PrefsSS_Random = 1;
inline constexpr const char* kShowDefault_PrefsSS_CurrentSet = "";
inline constexpr int kShowDefault_PrefsSS_Stretch = 1;
inline constexpr int kShowDefault_PrefsSS_Sound = 0;
inline constexpr int kShowDefault_PrefsSS_Looping = 0;
inline constexpr int kShowDefault_PrefsSS_LastImage = 0;
inline constexpr int kShowDefault_Transition_DefaultTransition = 1;
inline constexpr int kShowDefault_InfoPanel_DefaultLanguage = 1;
inline constexpr int kShowDefault_InfoPanel_ShowText = 0;
inline constexpr int kShowDefault_InfoPanel_ShowTitle = 0;
inline constexpr int kShowDefault_InfoPanel_DefaultTime = 20;
inline constexpr int kShowDefault_Panoramic_Speed = 250;
inline constexpr int kShowDefault_Panoramic_Enable = 1;
inline constexpr int kShowDefault_CalendarSS_Enable = 1;
inline constexpr int kShowDefault_CalendarSS_Size = 20;
inline constexpr int kShowDefault_CalendarSS_Position = 1;
inline constexpr int kShowDefault_WebLinker_Enable = 1;

// --- defaults of the settings dialog -----------------------------------------
inline constexpr int kDialogDefault_ScreenSaver_Setup = 0;  // not 1 = first run
inline constexpr const char* kDialogDefault_PrefsSS_Change = "60s";
inline constexpr int kDialogDefault_PrefsSS_Random = 1;
inline constexpr const char* kDialogDefault_PrefsSS_CurrentSet = "0";
inline constexpr int kDialogDefault_PrefsSS_Stretch = 1;
inline constexpr int kDialogDefault_PrefsSS_Sound = 0;
inline constexpr int kDialogDefault_PrefsSS_Looping = 0;
inline constexpr int kDialogDefault_Transition_DefaultTransition = 1;
inline constexpr int kDialogDefault_InfoPanel_DefaultLanguage = 1;
inline constexpr int kDialogDefault_InfoPanel_ShowText = 0;
inline constexpr int kDialogDefault_InfoPanel_ShowTitle = 0;
inline constexpr int kDialogDefault_InfoPanel_DefaultTime = 20;
inline constexpr int kDialogDefault_Panoramic_Speed = 5;
inline constexpr int kDialogDefault_Panoramic_Enable = 1;
inline constexpr int kDialogDefault_CalendarSS_Enable = 1;
inline constexpr int kDialogDefault_CalendarSS_Size = 20;
inline constexpr int kDialogDefault_CalendarSS_Position = 1;
inline constexpr int kDialogDefault_WebLinker_Enable = 1;
inline constexpr int kDialogDefault_WebLinker_UserControl = 1;
inline constexpr const char* kDialogDefault_PrefsWP_CurrentSet = "";
inline constexpr const char* kDialogDefault_PrefsWP_CurrentImage = "";
inline constexpr int kDialogDefault_PrefsWP_Random = 1;
inline constexpr int kDialogDefault_PrefsWP_Stretch = 1;
inline constexpr int kDialogDefault_PrefsWP_Enable = 1;
inline constexpr int kDialogDefault_PrefsWP_Change = 7;
inline constexpr int kDialogDefault_PrefsWP_Sound = 0;
inline constexpr int kDialogDefault_PrefsWP_WallpaperLastLayer = 0;
inline constexpr int kDialogDefault_CalendarWP_Enable = 1;
// The wallpaper page reads the position twice: into its field with 0, then for
// its position list with 3.
inline constexpr int kDialogDefault_CalendarWP_Position = 0;
inline constexpr int kDialogDefault_CalendarWP_PositionList = 3;
inline constexpr int kDialogDefault_CalendarWP_Size = 4;
inline constexpr const char* kDialogDefault_About_AboutTab = "";
inline constexpr const char* kDialogDefault_About_SupportURL = "";
inline constexpr const char* kDialogDefault_About_SupportPhone = "";
inline constexpr const char* kDialogDefault_Company_WebButton = "";
inline constexpr const char* kDialogDefault_Company_WebSite = "";

// --- defaults of the wallpaper changer ------------------------------------------
inline constexpr const char* kChangerDefault_PrefsWP_CurrentSet = "";
inline constexpr int kChangerDefault_PrefsWP_Change = 4;
inline constexpr int kChangerDefault_PrefsWP_Sound = 0;
inline constexpr const char* kChangerDefault_PrefsWP_LastChanged = "";  // "" = never changed
inline constexpr int kChangerDefault_CalendarWP_Enable = 0;
inline constexpr const char* kChangerDefault_Launcher_URL = "";
inline constexpr int kChangerDefault_Wallpaper_PlaySound = 1;
inline constexpr int kChangerDefault_Wallpaper_ChangerActive = 1;

// --- defaults of the start-up and the window titles -------------------------------
inline constexpr const char* kStartupDefault_PrefsWP_DelayedChange = "";
inline constexpr const char* kDefault_Config_ConfigWinTitle = "Screen Saver Configuration";
inline constexpr const char* kDefault_Config_PassWinTitle = "Screen Saver";

// --- the whole table -------------------------------------------------------------
struct SettingEntry {
  const char* file;
  IniKey name;
  // Other spellings in use: the section's and the key's (nullptr when none).
  const char* otherSection;
  const char* otherKey;
};

// Every fixed entry of the three files (the per-set entries of Orvane.ini have
// names chosen at run time and are not listed).
std::span<const SettingEntry> AllSettings();

}  // namespace orvane::core::settings
