#include "settings/ScreenSaverSettings.h"

#include <algorithm>
#include <cmath>

#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "platform/desktop.h"
#include "platform/profile.h"
#include "platform/vbruntime.h"

namespace orvane::settings {

namespace keys = core::settings;

namespace {

long ReadInt(const keys::IniKey& name, int fallback, const std::string& file) {
  return core::GetIniInt(name.section, name.key, fallback, file);
}

// The stored number when lo <= value <= hi, else the page's default.
long InRange(long value, long lo, long hi, long fallback) { return value >= lo && value <= hi ? value : fallback; }

// "60s" -> 60 seconds, "2m" -> 2 minutes, a bare table index -> the table's
// seconds (shown in minutes from index 2 on); nothing usable -> the default.
void ReadChange(const std::string& change, const std::array<int, 13>& delayTable, ScreenSaverPageValues& values) {
  const char unit = change.empty() ? '\0' : change.back();
  if (unit == 's' || unit == 'm') {
    const double number = platform::RoundHalfEven(platform::Val(change));
    if (number >= kImageDelayMin && number <= kImageDelayMax) {
      values.ImageDelay = static_cast<int>(number);
      values.Minutes = unit == 'm';
      return;
    }
  } else {
    const double index = platform::RoundHalfEven(platform::Val(change));
    if (index >= 0 && index < static_cast<double>(delayTable.size())) {
      const int seconds = delayTable[static_cast<std::size_t>(index)];
      values.Minutes = index >= 2;
      values.ImageDelay = values.Minutes ? seconds / 60 : seconds;
      return;
    }
  }
  ReadChange(keys::kDialogDefault_PrefsSS_Change, delayTable, values);
}

bool KnownCalendarSize(long size) {
  for (int known : kCalendarSizes)
    if (known == size) return true;
  return false;
}

}  // namespace

ScreenSaverPageValues ReadScreenSaverPage(const std::string& file, bool active, int timeOutSeconds,
                                          const std::array<int, 13>& delayTable,
                                          const std::array<int, 4>& calendarSizeTable) {
  ScreenSaverPageValues v;
  const double minutes = platform::RoundHalfEven(static_cast<double>(timeOutSeconds) / 60.0);
  v.SaverDelay = static_cast<int>(std::clamp(minutes, 0.0, static_cast<double>(kSaverDelayMax)));

  v.FirstRun = ReadInt(keys::kScreenSaver_Setup, keys::kDialogDefault_ScreenSaver_Setup, file) != 1;
  v.SaverOn = active || v.FirstRun;  // a first start shows the saver on

  ReadChange(core::GetIniString(keys::kPrefsSS_Change.section, keys::kPrefsSS_Change.key,
                                keys::kDialogDefault_PrefsSS_Change, file),
             delayTable, v);

  v.RandomAll = ReadInt(keys::kPrefsSS_Random, keys::kDialogDefault_PrefsSS_Random, file) != 0;
  if (!v.RandomAll)
    v.CurrentSet = core::GetIniString(keys::kPrefsSS_CurrentSet.section, keys::kPrefsSS_CurrentSet.key,
                                      keys::kDialogDefault_PrefsSS_CurrentSet, file);

  v.Transition = static_cast<int>(InRange(
      core::GetIniInt("transition", keys::kTransition_DefaultTransition.key,
                      keys::kDialogDefault_Transition_DefaultTransition, file),
      0, kTransitionCount - 1, keys::kDialogDefault_Transition_DefaultTransition));
  v.Language = static_cast<int>(InRange(ReadInt(keys::kInfoPanel_DefaultLanguage,
                                                keys::kDialogDefault_InfoPanel_DefaultLanguage, file),
                                        1, kLanguageCount, keys::kDialogDefault_InfoPanel_DefaultLanguage)) -
               1;
  v.ShowText = ReadInt(keys::kInfoPanel_ShowText, keys::kDialogDefault_InfoPanel_ShowText, file) != 0;
  v.ShowTitle = ReadInt(keys::kInfoPanel_ShowTitle, keys::kDialogDefault_InfoPanel_ShowTitle, file) != 0;
  v.InfoPanelShows = static_cast<int>(
      InRange(ReadInt(keys::kInfoPanel_DefaultTime, keys::kDialogDefault_InfoPanel_DefaultTime, file),
              kInfoPanelShowsMin, kInfoPanelShowsMax, keys::kDialogDefault_InfoPanel_DefaultTime));
  v.PanSlider = kPanSpeedMax - static_cast<int>(InRange(
                                   ReadInt(keys::kPanoramic_Speed, keys::kDialogDefault_Panoramic_Speed, file), 0,
                                   kPanSpeedMax, keys::kDialogDefault_Panoramic_Speed));
  v.PanOn = ReadInt(keys::kPanoramic_Enable, keys::kDialogDefault_Panoramic_Enable, file) == 1;
  v.Stretch = ReadInt(keys::kPrefsSS_Stretch, keys::kDialogDefault_PrefsSS_Stretch, file) != 0;
  v.CalendarOn = ReadInt(keys::kCalendarSS_Enable, keys::kDialogDefault_CalendarSS_Enable, file) == 1;
  v.CalendarPosition = static_cast<int>(InRange(ReadInt(keys::kCalendarSS_Position,
                                                        keys::kDialogDefault_CalendarSS_Position, file),
                                                1, kCalendarPositionCount, keys::kDialogDefault_CalendarSS_Position)) -
                       1;
  long size = ReadInt(keys::kCalendarSS_Size, keys::kDialogDefault_CalendarSS_Size, file);
  if (size < 20)  // the old format: a position in the size list, from 1
    size = size >= 1 && size <= static_cast<long>(calendarSizeTable.size())
               ? calendarSizeTable[static_cast<std::size_t>(size - 1)]
               : keys::kDialogDefault_CalendarSS_Size;
  v.CalendarSize = static_cast<int>(KnownCalendarSize(size) ? size : keys::kDialogDefault_CalendarSS_Size);
  v.WebLinkOn = ReadInt(keys::kWebLinker_Enable, keys::kDialogDefault_WebLinker_Enable, file) == 1;
  v.WebLinkUserControl =
      ReadInt(keys::kWebLinker_UserControl, keys::kDialogDefault_WebLinker_UserControl, file) != 0;
  v.SoundOn = ReadInt(keys::kPrefsSS_Sound, keys::kDialogDefault_PrefsSS_Sound, file) != 0;
  v.LoopOn = ReadInt(keys::kPrefsSS_Looping, keys::kDialogDefault_PrefsSS_Looping, file) != 0;
  return v;
}

int SaverTimeOutSeconds(int saverDelayMinutes) { return saverDelayMinutes * 60; }

std::string ChangeText(int imageDelay, bool minutes) {
  return std::to_string(imageDelay) + (minutes ? "m" : "s");
}

bool WriteScreenSaverPage(const ScreenSaverPageValues& v, const std::string& file,
                          const std::string& saverProgram, bool saverSettingsShown, WriteFailures* failures) {
  // Every write is made even when one fails; each failure is recorded.
  bool written = true;
  auto check = [&](bool ok, const std::string& failedFile) {
    if (ok) return;
    if (failures) failures->push_back(FailedWrite(kScreenSaverSettingsText, failedFile));
    written = false;
  };
  const std::string systemIni = "system.ini";
  if (saverSettingsShown) {
    if (v.SaverOn) {
      check(core::WriteIni("boot", "SCRNSAVE.EXE", saverProgram, systemIni), platform::ProfilePath(systemIni));
      check(platform::SetScreenSaveActive(true), platform::DesktopSettingsFile());
      check(platform::SetScreenSaveTimeOut(SaverTimeOutSeconds(v.SaverDelay)), platform::DesktopSettingsFile());
      check(core::WriteIni(keys::kScreenSaver_LastImage.section, keys::kScreenSaver_LastImage.key, "0", file), file);
    } else {
      check(platform::SetScreenSaveActive(false), platform::DesktopSettingsFile());
      check(core::WriteIni("boot", "SCRNSAVE.EXE", "", systemIni), platform::ProfilePath(systemIni));
    }
  }

  core::IniBatch batch(file);
  auto put = [&batch](const keys::IniKey& name, const std::string& value) { batch.Write(name.section, name.key, value); };
  auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
  put(keys::kScreenSaver_Setup, "1");
  put(keys::kPrefsSS_Change, ChangeText(v.ImageDelay, v.Minutes));
  put(keys::kPrefsSS_Random, flag(v.RandomAll));
  if (!v.RandomAll) put(keys::kPrefsSS_CurrentSet, v.CurrentSet);
  put(keys::kTransition_DefaultTransition, std::to_string(v.Transition));
  put(keys::kInfoPanel_DefaultLanguage, std::to_string(v.Language + 1));
  put(keys::kInfoPanel_ShowText, flag(v.ShowText));
  put(keys::kInfoPanel_ShowTitle, flag(v.ShowTitle));
  put(keys::kInfoPanel_DefaultTime, std::to_string(v.InfoPanelShows));
  put(keys::kPanoramic_Speed, std::to_string(kPanSpeedMax - v.PanSlider));
  put(keys::kPanoramic_Enable, flag(v.PanOn));
  put(keys::kPrefsSS_Stretch, flag(v.Stretch));
  put(keys::kCalendarSS_Size, std::to_string(v.CalendarSize));
  put(keys::kCalendarSS_Position, std::to_string(v.CalendarPosition + 1));
  put(keys::kCalendarSS_Enable, flag(v.CalendarOn));
  put(keys::kPrefsSS_Sound, flag(v.SoundOn));
  put(keys::kPrefsSS_Looping, flag(v.LoopOn));
  put(keys::kWebLinker_Enable, flag(v.WebLinkOn));
  check(batch.Commit(), file);
  return written;
}

}  // namespace orvane::settings
