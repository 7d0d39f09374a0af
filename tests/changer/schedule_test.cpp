// The change schedule as a table: each mode, both stored date forms, unreadable
// text, and the year, month and midnight boundaries.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "changer/Schedule.h"

namespace {

using orvane::changer::ChangeAction;
using orvane::changer::DecideTick;
using orvane::changer::TickDecision;
using orvane::platform::DateTime;

constexpr ChangeAction None = ChangeAction::None;
constexpr ChangeAction Wall = ChangeAction::Wallpaper;
constexpr ChangeAction Cal = ChangeAction::Calendar;

DateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
  return DateTime{year, month, day, hour, minute, second};
}

struct Case {
  const char* name;
  DateTime now;
  const char* last;
  long mode;
  bool calendar;
  ChangeAction expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ScheduleTable : public testing::TestWithParam<Case> {};

TEST_P(ScheduleTable, DecisionTick) {
  const Case& c = GetParam();
  const TickDecision d = DecideTick(c.now, c.last, c.mode, c.calendar, 1);
  EXPECT_EQ(d.start, c.expected);
  EXPECT_TRUE(d.longInterval);
}

// 2026-08-03 and 2026-08-10 are Mondays; 2025-03-03 and 2025-11-03 too.
INSTANTIATE_TEST_SUITE_P(
    Modes, ScheduleTable,
    testing::Values(
        Case{"Manual", At(2026, 8, 3, 14, 0), "8/3/2026 10:00:00 AM", 1, false, None},
        Case{"ManualNewDayCalendarOnly", At(2026, 8, 4, 9, 0), "8/3/2026 10:00:00 AM", 1, true, Cal},
        Case{"ManualSameDayNoCalendar", At(2026, 8, 3, 23, 59), "8/3/2026 10:00:00 AM", 1, true, None},
        Case{"HalfHourAtHalf", At(2026, 8, 3, 10, 30, 5), "8/3/2026 10:00:00 AM", 2, false, Wall},
        Case{"HalfHourAtFull", At(2026, 8, 3, 11, 0, 50), "8/3/2026 10:30:00 AM", 2, false, Wall},
        Case{"HalfHourBetween", At(2026, 8, 3, 10, 31, 35), "8/3/2026 10:30:05 AM", 2, false, None},
        Case{"HourAtFull", At(2026, 8, 3, 11, 0), "8/3/2026 10:00:00 AM", 3, false, Wall},
        Case{"HourAtHalf", At(2026, 8, 3, 11, 30), "8/3/2026 10:00:00 AM", 3, false, None},
        Case{"QuarterAt45", At(2026, 8, 3, 11, 45), "8/3/2026 10:00:00 AM", 10, false, Wall},
        Case{"QuarterAt44", At(2026, 8, 3, 11, 44), "8/3/2026 10:00:00 AM", 10, false, None},
        Case{"TwoHoursPastMidnight", At(2026, 8, 3, 1, 5), "8/2/2026 11:40:00 PM", 4, false, Wall},
        Case{"TwoHoursMmmForm24h", At(2026, 8, 3, 1, 5), "Aug 2, 2026 23:40:00", 4, false, Wall},
        Case{"TwoHoursNotYet", At(2026, 8, 3, 13, 59), "Aug 3, 2026 12:10:00 PM", 4, false, None},
        Case{"TwoHoursYesterdaySameHour", At(2026, 8, 3, 13, 30), "Aug 2, 2026 1:00:00 PM", 4, false, Wall},
        Case{"TwoHoursMidnightMinute", At(2026, 8, 4, 0, 0), "8/3/2026 11:59:00 PM", 4, false, None},
        Case{"FourHoursDue", At(2026, 8, 3, 12, 0), "8/3/2026 8:00:00 AM", 5, false, Wall},
        Case{"FourHoursNotYet", At(2026, 8, 3, 11, 59), "8/3/2026 8:00:00 AM", 5, false, None},
        Case{"EightHoursDue", At(2026, 8, 3, 16, 0), "8/3/2026 8:59:00 AM", 6, false, Wall},
        Case{"EightHoursNotYet", At(2026, 8, 3, 15, 59), "8/3/2026 8:00:00 AM", 6, false, None},
        Case{"DailyNewDay", At(2026, 8, 3, 0, 0, 10), "Aug 2, 2026 11:59:59 PM", 7, false, Wall},
        Case{"DailySameDay", At(2026, 8, 3, 23, 59), "Aug 3, 2026 12:00:01 AM", 7, false, None},
        Case{"DailySameWeekdayAndDayMonthsLater", At(2025, 11, 3, 9, 0), "Mar 3, 2025 9:00:00 AM", 7, false, Wall},
        Case{"DailyNewYear", At(2026, 1, 1, 0, 0), "Dec 31, 2025 11:59:00 PM", 7, false, Wall},
        Case{"SecondDayOneDayAcrossMonth", At(2026, 2, 1, 12, 0), "1/31/2026 8:00:00 AM", 8, false, None},
        Case{"SecondDayTwoDaysAcrossMonth", At(2026, 2, 2, 0, 1), "1/31/2026 11:00:00 PM", 8, false, Wall},
        Case{"SecondDayAYearAgo", At(2026, 3, 5, 12, 0), "3/5/2025 8:00:00 AM", 8, false, Wall},
        Case{"SecondDayLeapFebruary", At(2024, 3, 1, 12, 0), "2/28/2024 8:00:00 AM", 8, false, Wall},
        Case{"SecondDayPlainFebruary", At(2026, 3, 1, 12, 0), "2/28/2026 8:00:00 AM", 8, false, None},
        Case{"SecondDayNewYear", At(2026, 1, 1, 0, 0), "12/30/2025 11:00:00 PM", 8, false, Wall},
        Case{"SecondDayNewYearOneDay", At(2026, 1, 1, 0, 0), "12/31/2025 1:00:00 AM", 8, false, None},
        Case{"WeeklyNextMonday", At(2026, 8, 10, 9, 0), "8/3/2026 9:00:00 AM", 9, false, Wall},
        Case{"WeeklySameMonday", At(2026, 8, 3, 18, 0), "8/3/2026 9:00:00 AM", 9, false, None},
        Case{"WeeklyFriday", At(2026, 8, 7, 9, 0), "8/3/2026 9:00:00 AM", 9, false, None},
        Case{"WeeklyMissedMonday", At(2026, 8, 11, 9, 0), "8/3/2026 9:00:00 AM", 9, false, Wall},
        Case{"UnknownMode", At(2026, 8, 11, 9, 0), "8/3/2026 9:00:00 AM", 11, true, Cal},
        Case{"ZeroMode", At(2026, 8, 3, 9, 0), "8/3/2026 9:00:00 AM", 0, true, None},
        Case{"DueChangeAndNewDayOnlyWall", At(2026, 8, 4, 0, 30), "8/3/2026 9:00:00 PM", 4, true, Wall},
        Case{"CalendarAtMidnight", At(2026, 8, 4, 0, 0, 0), "8/3/2026 11:59:59 PM", 1, true, Cal},
        Case{"CalendarNewYearSameWeekdayDay", At(2026, 1, 1, 9, 0), "1/1/2026 12:00:00 AM", 1, true, None},
        Case{"Unreadable", At(2026, 8, 10, 9, 0), "yesterday", 7, true, None},
        Case{"UnreadableDayMonthSwapped", At(2026, 8, 10, 9, 0), "31/1/2026 9:00:00", 7, true, None},
        Case{"UnreadableTime", At(2026, 8, 10, 9, 0), "8/3/2026 25:00", 7, true, None}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(Schedule, NeverChangedKeepsTheShortIntervalAndTheCounter) {
  const TickDecision d = DecideTick(At(2026, 8, 3, 11, 0), "", 3, true, 4);
  EXPECT_EQ(d.start, None);
  EXPECT_FALSE(d.longInterval);
  EXPECT_EQ(d.counter, 4);
}

TEST(Schedule, UnreadableTextSkipsTheTickAndPollsOn) {
  const TickDecision d = DecideTick(At(2026, 8, 3, 11, 0), "not a date", 3, true, 1);
  EXPECT_EQ(d.start, None);
  EXPECT_FALSE(d.evaluated);
  EXPECT_TRUE(d.longInterval);
  EXPECT_EQ(d.counter, 1);
}

// Mode 2 at 10:30:05 starts a change; the ticks from 10:30:20 to 10:31:20 do
// not decide; the decision at 10:31:35 is not due.
TEST(Schedule, MinuteModesSkipSixTicksAfterAStart) {
  const std::string last = "8/3/2026 10:00:00 AM";
  DateTime now = At(2026, 8, 3, 10, 30, 5);
  TickDecision d = DecideTick(now, last, 2, false, 1);
  ASSERT_EQ(d.start, Wall);
  EXPECT_EQ(d.counter, 6);
  int counter = d.counter;
  for (int tick = 1; tick <= 5; ++tick) {
    now.second += 15;
    if (now.second >= 60) { now.second -= 60; ++now.minute; }
    d = DecideTick(now, last, 2, false, counter);
    EXPECT_FALSE(d.evaluated) << "tick " << tick;
    EXPECT_EQ(d.start, None);
    counter = d.counter;
  }
  now = At(2026, 8, 3, 10, 31, 35);
  d = DecideTick(now, last, 2, false, counter);
  EXPECT_TRUE(d.evaluated);
  EXPECT_EQ(d.start, None);
  EXPECT_EQ(d.counter, 1);
}

TEST(Schedule, HourAndDayModesKeepTheCounterAfterAStart) {
  const TickDecision d = DecideTick(At(2026, 8, 10, 9, 0), "8/3/2026 9:00:00 AM", 9, false, 1);
  EXPECT_EQ(d.start, Wall);
  EXPECT_EQ(d.counter, 1);
}

TEST(Schedule, WeekdaysAndDayNumbers) {
  EXPECT_EQ(orvane::changer::Weekday(At(2026, 8, 3, 0, 0)), 1);   // Monday
  EXPECT_EQ(orvane::changer::Weekday(At(2026, 12, 10, 0, 0)), 4); // Thursday
  EXPECT_EQ(orvane::changer::Weekday(At(2000, 2, 29, 0, 0)), 2);  // Tuesday
  EXPECT_EQ(orvane::changer::DayNumber(1970, 1, 1), 0);
  EXPECT_EQ(orvane::changer::DayNumber(2024, 3, 1) - orvane::changer::DayNumber(2024, 2, 28), 2);
}

}  // namespace
