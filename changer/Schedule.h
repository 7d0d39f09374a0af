#pragma once
// The change schedule of the wallpaper changer as a pure function: from the
// time now, the recorded time of the last change, the interval mode, the
// calendar flag and the tick counter it decides what to start on this tick.
// The timer handler reads the settings, applies the decision and starts the
// program; nothing here touches files or the clock.
#include <array>
#include <optional>
#include <string>

#include "platform/vbruntime.h"

namespace orvane::changer {

// Days per month indexed by month number (index 0 unused); February is always 28.
inline constexpr std::array<int, 13> MonthDays = {31, 31, 28, 31, 30, 31, 30,
                                                  31, 31, 30, 31, 30, 31};

// Ticks come every kLongInterval ms once a first change has been recorded;
// until then at the form's own kFirstInterval.
inline constexpr int kLongInterval = 15000;
inline constexpr int kFirstInterval = 100;
// The counter after a start in the minute modes (2, 3, 10): the next decision
// falls six ticks (90 s) later, past the minute that triggered it.
inline constexpr int kCounterAfterMinuteStart = 6;

enum class ChangeAction { None, Wallpaper, Calendar };

struct TickDecision {
  ChangeAction start = ChangeAction::None;
  int counter = 1;             // the tick counter after this tick
  bool longInterval = false;   // set the timer to kLongInterval (false only while never changed)
  bool evaluated = false;      // this was a decision tick with a readable last change
};

// One tick of the schedule. lastChanged is the stored text ("" = never
// changed); it is read in either stored form, never through the locale, and a
// text that cannot be read decides nothing on this tick (the next decision
// tries again).
TickDecision DecideTick(const platform::DateTime& now, const std::string& lastChanged,
                        long mode, bool calendarEnabled, int counter);

// Whether a change is due in mode for a change made at last. The hour modes
// count the clock hours between the two times (wrapping past midnight) and the
// real hours elapsed; the day modes count the day numbers within the month
// (ignoring the year) and the real days elapsed: either reaching the interval
// makes the change due, so a change yesterday at the same hour, or a year ago,
// is due as well.
bool ChangeDue(const platform::DateTime& now, const platform::DateTime& last, long mode);

// True when the wallpaper's calendar shows another day than today.
bool CalendarDue(const platform::DateTime& now, const platform::DateTime& last);

// The clock-field counts of the schedule: hours by the hour fields alone (0..23
// each, plus 24 when now's is smaller), days by the month table (same month:
// day difference; else the rest of the change's month plus today's day).
int ClockHoursSince(const platform::DateTime& now, const platform::DateTime& last);
int MonthDaysSince(const platform::DateTime& now, const platform::DateTime& last);

// Days from 1970-01-01 of a date (proleptic Gregorian), and 0 = Sunday .. 6 = Saturday.
long long DayNumber(int year, int month, int day);
int Weekday(const platform::DateTime& value);

}  // namespace orvane::changer
