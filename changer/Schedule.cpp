#include "changer/Schedule.h"

namespace orvane::changer {

namespace {

long long SecondsOf(const platform::DateTime& v) {
  return DayNumber(v.year, v.month, v.day) * 86400LL + v.hour * 3600LL + v.minute * 60LL +
         v.second;
}

long long ElapsedSeconds(const platform::DateTime& now, const platform::DateTime& last) {
  return SecondsOf(now) - SecondsOf(last);
}

long long ElapsedDays(const platform::DateTime& now, const platform::DateTime& last) {
  return DayNumber(now.year, now.month, now.day) - DayNumber(last.year, last.month, last.day);
}

bool SameDate(const platform::DateTime& a, const platform::DateTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

bool HoursDue(const platform::DateTime& now, const platform::DateTime& last, int hours) {
  return ClockHoursSince(now, last) >= hours || ElapsedSeconds(now, last) >= hours * 3600LL;
}

}  // namespace

long long DayNumber(int year, int month, int day) {
  // Days from civil (H. Hinnant's algorithm).
  const long long y = static_cast<long long>(year) - (month <= 2 ? 1 : 0);
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long mp = (month + 9) % 12;
  const long long doy = (153 * mp + 2) / 5 + day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int Weekday(const platform::DateTime& value) {
  const long long days = DayNumber(value.year, value.month, value.day);
  // 1970-01-01 was a Thursday (4).
  return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

int ClockHoursSince(const platform::DateTime& now, const platform::DateTime& last) {
  int hours = now.hour - last.hour;
  if (now.hour < last.hour) hours += 24;
  return hours;
}

int MonthDaysSince(const platform::DateTime& now, const platform::DateTime& last) {
  if (last.month == now.month) return now.day - last.day;
  const int month = last.month >= 1 && last.month <= 12 ? last.month : 0;
  return MonthDays[static_cast<size_t>(month)] - last.day + now.day;
}

bool ChangeDue(const platform::DateTime& now, const platform::DateTime& last, long mode) {
  switch (mode) {
    case 2: return now.minute == 0 || now.minute == 30;
    case 3: return now.minute == 0;
    case 4: return HoursDue(now, last, 2);
    case 5: return HoursDue(now, last, 4);
    case 6: return HoursDue(now, last, 8);
    // "Weekday, day" differing, or any other date.
    case 7: return !SameDate(now, last);
    case 8: return MonthDaysSince(now, last) >= 2 || ElapsedDays(now, last) >= 2;
    case 9:
      return (Weekday(now) == Weekday(last) && now.day != last.day) ||
             ElapsedDays(now, last) >= 7;
    case 10: return now.minute % 15 == 0;
    default: return false;  // 1 (manual changes only) and unknown modes
  }
}

bool CalendarDue(const platform::DateTime& now, const platform::DateTime& last) {
  return !SameDate(now, last);
}

TickDecision DecideTick(const platform::DateTime& now, const std::string& lastChanged,
                        long mode, bool calendarEnabled, int counter) {
  TickDecision decision;
  decision.counter = counter;
  if (lastChanged.empty()) return decision;
  decision.longInterval = true;
  decision.counter = counter > 1 ? counter - 1 : 0;
  if (decision.counter != 0) return decision;
  decision.counter = 1;

  const std::optional<platform::DateTime> last = platform::ParseDateTime(lastChanged);
  if (!last) return decision;
  decision.evaluated = true;
  if (ChangeDue(now, *last, mode)) {
    decision.start = ChangeAction::Wallpaper;
    if (mode == 2 || mode == 3 || mode == 10) decision.counter = kCounterAfterMinuteStart;
  } else if (calendarEnabled && CalendarDue(now, *last)) {
    decision.start = ChangeAction::Calendar;
  }
  return decision;
}

}  // namespace orvane::changer
