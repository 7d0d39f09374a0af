#include "core/SettingsKeys.h"

#include <array>

namespace orvane::core::settings {

namespace {

constexpr SettingEntry Entry(const char* file, IniKey name, const char* otherSection = nullptr,
                             const char* otherKey = nullptr) {
  return {file, name, otherSection, otherKey};
}

constexpr std::array kSettings{
    Entry(kScreenSaverIni, kScreenSaver_Setup),
    Entry(kScreenSaverIni, kScreenSaver_LastImage),
    Entry(kScreenSaverIni, kScreenSaver_Running),
    Entry(kScreenSaverIni, kScreenSaver_ShowInit),
    Entry(kScreenSaverIni, kPrefsSS_Change),
    Entry(kScreenSaverIni, kPrefsSS_Random, nullptr, "Random"),
    Entry(kScreenSaverIni, kPrefsSS_CurrentSet),
    Entry(kScreenSaverIni, kPrefsSS_Stretch),
    Entry(kScreenSaverIni, kPrefsSS_Sound),
    Entry(kScreenSaverIni, kPrefsSS_Looping),
    Entry(kScreenSaverIni, kPrefsSS_LastImage),
    Entry(kScreenSaverIni, kTransition_DefaultTransition, "transition"),
    Entry(kScreenSaverIni, kInfoPanel_DefaultLanguage),
    Entry(kScreenSaverIni, kInfoPanel_ShowText),
    Entry(kScreenSaverIni, kInfoPanel_ShowTitle),
    Entry(kScreenSaverIni, kInfoPanel_DefaultTime),
    Entry(kScreenSaverIni, kPanoramic_Speed),
    Entry(kScreenSaverIni, kPanoramic_Enable),
    Entry(kScreenSaverIni, kCalendarSS_Enable),
    Entry(kScreenSaverIni, kCalendarSS_Size),
    Entry(kScreenSaverIni, kCalendarSS_Position),
    Entry(kScreenSaverIni, kWebLinker_Enable, "Weblinker", "Enable"),
    Entry(kScreenSaverIni, kWebLinker_UserControl),
    Entry(kScreenSaverIni, kPrefsWP_CurrentSet),
    Entry(kScreenSaverIni, kPrefsWP_CurrentImage),
    Entry(kScreenSaverIni, kPrefsWP_Random),
    Entry(kScreenSaverIni, kPrefsWP_Stretch),
    Entry(kScreenSaverIni, kPrefsWP_Enable),
    Entry(kScreenSaverIni, kPrefsWP_Change),
    Entry(kScreenSaverIni, kPrefsWP_Sound),
    Entry(kScreenSaverIni, kPrefsWP_LastChanged),
    Entry(kScreenSaverIni, kPrefsWP_DelayedChange),
    Entry(kScreenSaverIni, kPrefsWP_WallpaperLastLayer),
    Entry(kScreenSaverIni, kCalendarWP_Enable, nullptr, "Enable"),
    Entry(kScreenSaverIni, kCalendarWP_Position),
    Entry(kScreenSaverIni, kCalendarWP_Size, nullptr, "Size"),
    Entry(kScreenSaverIni, kAbout_AboutTab),
    Entry(kScreenSaverIni, kAbout_SupportURL),
    Entry(kScreenSaverIni, kAbout_SupportPhone),
    Entry(kScreenSaverIni, kCompany_WebButton),
    Entry(kScreenSaverIni, kCompany_WebSite),
    Entry(kOrvaneIni, kLauncher_URL),
    Entry(kOrvaneIni, kWallpaper_PlaySound),
    Entry(kOrvaneIni, kWallpaper_ChangerActive),
    Entry(kConfigIni, kConfig_ConfigWinTitle),
    Entry(kConfigIni, kConfig_PassWinTitle),
};

}  // namespace

std::span<const SettingEntry> AllSettings() { return kSettings; }

}  // namespace orvane::core::settings
