// The change schedule's timer: every tick reads the settings afresh, lets the
// schedule decide, and starts the screen-saver program for a new wallpaper or
// a calendar redraw.
#include "changer/ChangerEXE.h"
#include "changer/frmPlaceHolder.h"
#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "platform/tick.h"

namespace orvane::changer {

namespace keys = core::settings;

namespace {

// Re-enables a timer however the handler is left.
class EnableOnExit {
 public:
  explicit EnableOnExit(platform::VbTimer& timer) : timer_(timer) {}
  ~EnableOnExit() { timer_.SetEnabled(true); }
  EnableOnExit(const EnableOnExit&) = delete;
  EnableOnExit& operator=(const EnableOnExit&) = delete;

 private:
  platform::VbTimer& timer_;
};

bool SameDate(const platform::DateTime& a, const platform::DateTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

}  // namespace

void frmPlaceHolder::Timer1_Timer() {
  Timer1.SetEnabled(false);
  EnableOnExit reenable(Timer1);

  const std::string last = core::GetIniString(keys::kPrefsWP_LastChanged.section,
                                              keys::kPrefsWP_LastChanged.key,
                                              keys::kChangerDefault_PrefsWP_LastChanged,
                                              screenSaverIni_);
  // Never changed: the quick poll waits for a first change and reads nothing more.
  if (last.empty()) return;
  const long mode = core::GetIniInt(keys::kPrefsWP_Change.section, keys::kPrefsWP_Change.key,
                                    keys::kChangerDefault_PrefsWP_Change, screenSaverIni_);
  const bool calendar =
      core::GetIniInt(keys::kCalendarWP_Enable.section, keys::kCalendarWP_Enable.key,
                      keys::kChangerDefault_CalendarWP_Enable, screenSaverIni_) == 1;
  const platform::DateTime now = Now();

  TickDecision decision = DecideTick(now, last, mode, calendar, counter_);
  if (decision.longInterval) Timer1.SetInterval(longInterval_);
  counter_ = decision.counter;

  // The wallpaper's calendar is redrawn once per day: a redraw does not have to
  // move the recorded last change.
  if (decision.start == ChangeAction::Calendar && calendarStartedFor_ &&
      SameDate(*calendarStartedFor_, now)) {
    decision.start = ChangeAction::None;
  }
  if (decision.start == ChangeAction::None) return;

  // A start that is still running, or that ended a short while ago without
  // recording a change, holds the schedule back, so a failing or slow program
  // is never started again and again.
  if (WaitingForLaunch(last)) {
    counter_ = 1;
    return;
  }
  if (decision.start == ChangeAction::Wallpaper) {
    RecordLaunch(StartWallpaperChange(), last);
  } else {
    calendarStartedFor_ = now;
    RecordLaunch(StartCalendarWallpaper(), last);
  }
}

bool frmPlaceHolder::WaitingForLaunch(const std::string& lastChanged) {
  if (!launch_) return false;
  const std::uint32_t since = platform::GetTickCount() - launch_->tick;
  if (launch_->pid && since < kLaunchTimeoutMs && CurrentSaverLauncher().Running(*launch_->pid)) {
    return true;
  }
  if (lastChanged != launch_->lastChanged) {
    launch_.reset();
    return false;
  }
  if (since < kRetryDelayMs) return true;
  launch_.reset();
  return false;
}

void frmPlaceHolder::RecordLaunch(std::optional<qint64> pid, const std::string& lastChanged) {
  launch_ = Launch{pid, lastChanged, platform::GetTickCount()};
}

}  // namespace orvane::changer
