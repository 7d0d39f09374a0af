// The month calendar: its rectangle for every position and size, the months
// that need a sixth week row, leap years, and where the painted text lands.
#include "core/CalendarClass.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QImage>
#include <QLocale>
#include <QRect>
#include <functional>
#include <limits>

#include "platform/fonts.h"
#include "platform/picturebox.h"

namespace orvane::core {
namespace {

struct Rect {
  int left, top, width, height;
  bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << "(" << r.left << ", " << r.top << ", " << r.width << " x " << r.height << ")";
}

Rect Bounds(CalendarClass& calendar, int areaW, int areaH) {
  Rect r{};
  calendar.GetBounds(areaW, areaH, r.left, r.top, r.width, r.height);
  return r;
}

TEST(CalendarBounds, EveryPositionAndSizeOnA1024x768Area) {
  // September 2025 fits five week rows (7 text rows). Sizes: 984 x 728 at 100 %,
  // 649 x 480 at 66 %, 325 x 240 at 33 %, 197 x (146 + 10) at 20 %. Centred
  // offsets round halves to even: 187.5 -> 188, 349.5 -> 350, 413.5 -> 414.
  struct Case {
    float scale;
    int position;
    Rect expected;
  } cases[] = {
      {1.0f, 1, {20, 20, 984, 728}},    {1.0f, 2, {20, 20, 984, 728}},
      {1.0f, 3, {0, 20, 984, 728}},     {1.0f, 4, {20, 20, 984, 728}},
      {1.0f, 5, {20, 20, 984, 728}},    {1.0f, 6, {0, 20, 984, 728}},
      {1.0f, 7, {20, 20, 984, 728}},    {1.0f, 8, {20, 20, 984, 728}},
      {1.0f, 9, {0, 20, 984, 728}},
      {0.66f, 1, {20, 20, 649, 480}},   {0.66f, 2, {188, 20, 649, 480}},
      {0.66f, 3, {335, 20, 649, 480}},  {0.66f, 4, {20, 144, 649, 480}},
      {0.66f, 5, {188, 144, 649, 480}}, {0.66f, 6, {335, 144, 649, 480}},
      {0.66f, 7, {20, 268, 649, 480}},  {0.66f, 8, {188, 268, 649, 480}},
      {0.66f, 9, {335, 268, 649, 480}},
      {0.33f, 1, {20, 20, 325, 240}},   {0.33f, 2, {350, 20, 325, 240}},
      {0.33f, 3, {659, 20, 325, 240}},  {0.33f, 4, {20, 264, 325, 240}},
      {0.33f, 5, {350, 264, 325, 240}}, {0.33f, 6, {659, 264, 325, 240}},
      {0.33f, 7, {20, 508, 325, 240}},  {0.33f, 8, {350, 508, 325, 240}},
      {0.33f, 9, {659, 508, 325, 240}},
      {0.2f, 1, {20, 20, 197, 156}},    {0.2f, 2, {414, 20, 197, 156}},
      {0.2f, 3, {787, 20, 197, 156}},   {0.2f, 4, {20, 306, 197, 156}},
      {0.2f, 5, {414, 306, 197, 156}},  {0.2f, 6, {787, 306, 197, 156}},
      {0.2f, 7, {20, 592, 197, 156}},   {0.2f, 8, {414, 592, 197, 156}},
      {0.2f, 9, {787, 592, 197, 156}},
  };
  for (const Case& c : cases) {
    CalendarClass calendar;
    calendar.Scale = c.scale;
    calendar.Position = c.position;
    calendar.SetDate(QDate(2025, 9, 17));
    EXPECT_EQ(Bounds(calendar, 1024, 768), c.expected)
        << "scale " << c.scale << " position " << c.position;
    EXPECT_EQ(calendar.Rows(), 7);
  }
}

TEST(CalendarBounds, PositionsOutsideTheGridKeepTheLastPlace) {
  CalendarClass calendar;
  calendar.SetDate(QDate(2025, 9, 1));
  calendar.Scale = 0.33f;
  for (int position : {0, 10, 255, -1}) {
    calendar.Position = position;
    EXPECT_EQ(Bounds(calendar, 1024, 768), (Rect{20, 20, 325, 240})) << position;
  }
  calendar.Position = kBottomRight;
  Bounds(calendar, 1024, 768);
  calendar.Position = 0;
  EXPECT_EQ(Bounds(calendar, 800, 600), (Rect{659, 508, 251, 185}));
}

// Sizes from a settings file at the 32-bit limits, and rectangles far beyond
// any picture: the calendar stays on its area and painting stays whole.
TEST(CalendarBounds, SizesAtTheLimitsStayOnTheArea) {
  const float scales[] = {2147483647 / 100.0f, -2147483648 / 100.0f, 1.5f,
                          std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::quiet_NaN()};
  for (float scale : scales) {
    for (int position = kTopLeft; position <= kBottomRight; ++position) {
      CalendarClass calendar;
      calendar.Scale = scale;
      calendar.Position = position;
      calendar.SetDate(QDate(2025, 8, 17));  // six week rows
      const Rect r = Bounds(calendar, 1024, 768);
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.width >= 0 && r.height >= 0 &&
                  r.left + r.width <= 1024 && r.top + r.height <= 768)
          << "scale " << scale << " position " << position << " " << r;
    }
  }
  CalendarClass calendar;
  calendar.Scale = 2147483647 / 100.0f;
  EXPECT_EQ(Bounds(calendar, 1024, 768), (Rect{20, 20, 984, 728}));

  platform::PictureBox box(200, 150);
  calendar.SetDate(QDate(2025, 9, 17));
  calendar.BeginDraw(box, -1);
  calendar.BeginDraw(box, 0, 1e300, -1e300, 4294967296.0, std::numeric_limits<double>::quiet_NaN());
  calendar.BeginDraw(box, 0, -2147483648.0, 2147483647.0, 2147483647.0, 2147483647.0);
  EXPECT_EQ(box.ForeColor(), QColor(0, 0, 0));
}

TEST(CalendarMonths, SixWeekMonthsGetAnExtraRow) {
  struct Case {
    QDate date;
    int rows;
  } cases[] = {
      {QDate(2024, 3, 10), 8},   // 31 days from a Friday
      {QDate(2025, 8, 1), 8},    // 31 days from a Friday
      {QDate(2025, 3, 1), 8},    // 31 days from a Saturday
      {QDate(2025, 11, 30), 8},  // 30 days from a Saturday
      {QDate(2025, 9, 1), 7},    // 30 days from a Monday
      {QDate(2025, 5, 1), 7},    // 31 days from a Thursday
      {QDate(2023, 9, 1), 7},    // 30 days from a Friday still fits
      {QDate(2020, 2, 1), 7},    // 29 days from a Saturday
      {QDate(2015, 2, 1), 7},    // 28 days from a Sunday
  };
  for (const Case& c : cases) {
    CalendarClass calendar;
    calendar.SetDate(c.date);
    Bounds(calendar, 1024, 768);
    EXPECT_EQ(calendar.Rows(), c.rows) << c.date.toString(Qt::ISODate).toStdString();
  }
}

TEST(CalendarMonths, TheSmallestSizeGrowsForSixWeeks) {
  struct Case {
    float scale;
    QDate date;
    int height;
  } cases[] = {
      {0.2f, QDate(2025, 9, 1), 146 + 10},
      {0.2f, QDate(2024, 3, 1), 146 + 21 + 10},  // row height 146 / 7 -> 21
      {0.33f, QDate(2024, 3, 1), 240},           // 0.33 is not below 0.33
      {1.0f, QDate(2024, 3, 1), 728},
  };
  for (const Case& c : cases) {
    CalendarClass calendar;
    calendar.Scale = c.scale;
    calendar.SetDate(c.date);
    EXPECT_EQ(Bounds(calendar, 1024, 768).height, c.height) << c.scale;
  }
}

TEST(CalendarMonths, LeapYearsAndFirstWeekdays) {
  struct Case {
    int year;
    bool leap;
  } years[] = {{2000, true}, {1900, false}, {2024, true}, {2023, false}, {2100, false}};
  for (const Case& c : years) {
    EXPECT_EQ(CalendarClass::IsLeapYear(c.year), c.leap) << c.year;
    EXPECT_EQ(CalendarClass::MonthLength(2, c.year), c.leap ? 29 : 28) << c.year;
  }
  EXPECT_EQ(CalendarClass::MonthLength(4, 2024), 30);
  EXPECT_EQ(CalendarClass::MonthLength(12, 1900), 31);

  CalendarClass calendar;
  calendar.SetDate(QDate(2005, 6, 15));
  EXPECT_EQ(calendar.FirstWeekday(), 4) << "1 June 2005 was a Wednesday";
  calendar.SetDate(QDate(2025, 11, 30));
  EXPECT_EQ(calendar.FirstWeekday(), 7);
  calendar.SetDate(QDate(2026, 2, 1));
  EXPECT_EQ(calendar.FirstWeekday(), 1);
}

TEST(CalendarMonths, TitleIsTheLocalMonthNameAndTheYear) {
  EXPECT_EQ(CalendarClass::MonthTitle(6, 2005),
            QLocale::system().standaloneMonthName(6, QLocale::LongFormat) + " 2005");
}

// ---- Painting ----

bool IsWhite(QRgb p) { return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200; }
bool IsYellow(QRgb p) { return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) < 80; }
bool IsBlack(QRgb p) { return (p & 0xFFFFFF) == 0; }

QRect Ink(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& test) {
  QRect box;
  const QRect clipped = area & image.rect();
  for (int y = clipped.top(); y <= clipped.bottom(); ++y)
    for (int x = clipped.left(); x <= clipped.right(); ++x)
      if (test(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
  return box;
}

// A surface like the wallpaper's hidden picture box: "Times New Roman", bold.
void PrepareSurface(platform::PictureBox& box) {
  box.SetBackColor(QColor(1, 1, 1));
  platform::FontSpec font;
  font.Name = "Times New Roman";
  font.Bold = true;
  font.Size = 24;
  box.SetFont(font);
}

TEST(CalendarPainting, June2005OnAWholePictureBox) {
  // 350 x 280 with 7 rows: row height 40, column width 50, day numbers at 20 pt.
  platform::PictureBox box(350, 280);
  PrepareSurface(box);
  CalendarClass calendar;
  calendar.Position = 0;
  calendar.Scale = 0.2f;
  calendar.SetDate(QDate(2005, 6, 15));
  int l, t, w, h;
  calendar.GetBounds(350, 280, l, t, w, h);
  calendar.BeginDraw(box, 0);
  const QImage image = box.Image();

  // Every text is drawn 2 up and 2 left of its cell, over a black copy in it.
  auto cell = [](int row, int col) { return QRect(col * 50 - 2, row * 40 - 2, 50, 40); };

  // Title in row 0, centred over the whole width.
  const QRect title = Ink(image, QRect(0, 0, 350, 38), IsWhite);
  ASSERT_FALSE(title.isEmpty());
  EXPECT_NEAR((title.left() + title.right()) / 2.0, 173, 3);
  EXPECT_GT(title.width(), 60);
  const QRect titleShadow = Ink(image, QRect(0, 0, 350, 40), IsBlack);
  EXPECT_NEAR(titleShadow.right(), title.right() + 2, 1);
  EXPECT_NEAR(titleShadow.bottom(), title.bottom() + 2, 1);

  // Weekday letters in row 1, yellow, one per column.
  for (int col = 0; col < 7; ++col) {
    const QRect letter = Ink(image, cell(1, col), IsYellow);
    ASSERT_FALSE(letter.isEmpty()) << "column " << col;
    EXPECT_NEAR((letter.left() + letter.right()) / 2.0, col * 50 + 23, 3) << "column " << col;
  }
  EXPECT_TRUE(Ink(image, QRect(0, 0, 350, 36), IsYellow).isEmpty());

  // Day 1 on the Wednesday of row 2; the cells before it are empty.
  EXPECT_FALSE(Ink(image, cell(2, 3), IsWhite).isEmpty());
  for (int col = 0; col < 3; ++col)
    EXPECT_TRUE(Ink(image, cell(2, col), IsWhite).isEmpty()) << "column " << col;
  // 30 June is a Thursday in row 6; nothing after it.
  EXPECT_FALSE(Ink(image, cell(6, 4), IsWhite).isEmpty());
  EXPECT_TRUE(Ink(image, cell(6, 5), IsWhite).isEmpty());
  EXPECT_TRUE(Ink(image, QRect(0, 278, 350, 2), IsWhite).isEmpty());

  // Today, 15 June, is the only yellow day number: row 4, column 3.
  const QRect today = Ink(image, QRect(0, 78, 350, 202), IsYellow);
  ASSERT_FALSE(today.isEmpty());
  EXPECT_TRUE(cell(4, 3).contains(today)) << "yellow ink at " << today.x() << "," << today.y();
  EXPECT_TRUE(Ink(image, cell(4, 3), IsWhite).isEmpty()) << "drawn over in yellow";

  // The surface is left black at the day numbers' whole-number size.
  EXPECT_EQ(box.ForeColor(), QColor(0, 0, 0));
  EXPECT_DOUBLE_EQ(box.FontSize(), platform::RoundedFontSize(20));
  EXPECT_TRUE(box.FontBold());
  EXPECT_EQ(box.FontName(), "Times New Roman");
}

TEST(CalendarPainting, SlideShowRectangleOnALargerSurface) {
  platform::PictureBox box(640, 480);
  PrepareSurface(box);
  CalendarClass calendar;
  calendar.Position = kBottomRight;
  calendar.Scale = 0.33f;
  calendar.SetDate(QDate(2024, 3, 5));  // six weeks: 8 rows
  int l, t, w, h;
  calendar.GetBounds(640, 480, l, t, w, h);
  ASSERT_EQ((Rect{l, t, w, h}), (Rect{402, 315, 198, 145}));
  calendar.BeginDraw(box, -1, l, t, w, h);
  const QImage image = box.Image();

  auto notBackground = [](QRgb p) { return (p & 0xFFFFFF) != 0x010101; };
  const QRect all = Ink(image, image.rect(), notBackground);
  ASSERT_FALSE(all.isEmpty());
  EXPECT_TRUE(QRect(l - 2, t - 2, w + 4, h + 4).contains(all))
      << "ink from " << all.x() << "," << all.y() << " size " << all.width() << "x"
      << all.height();
  // Eight rows of 18: 31 March is a Sunday in the last row.
  const int rh = 18, cw = 28;
  EXPECT_FALSE(Ink(image, QRect(l - 2, t + 7 * rh - 2, cw, rh), IsWhite).isEmpty());
  // 5 March, the Tuesday of row 3, is today.
  const QRect today = Ink(image, QRect(l - 2, t + 2 * rh - 2, w, h), IsYellow);
  ASSERT_FALSE(today.isEmpty());
  EXPECT_TRUE(QRect(l + 2 * cw - 2, t + 3 * rh - 2, cw, rh).contains(today));
}

TEST(CalendarPainting, NumberMinusOneWithoutRectanglePlacesItself) {
  platform::PictureBox box(400, 300);
  PrepareSurface(box);
  CalendarClass calendar;
  calendar.Position = kTopRight;
  calendar.Scale = 0.66f;
  calendar.SetDate(QDate(2025, 9, 17));
  calendar.BeginDraw(box, -1);
  int l, t, w, h;
  calendar.GetBounds(400, 300, l, t, w, h);
  const QRect all = Ink(box.Image(), box.Image().rect(),
                        [](QRgb p) { return (p & 0xFFFFFF) != 0x010101; });
  ASSERT_FALSE(all.isEmpty());
  EXPECT_TRUE(QRect(l - 2, t - 2, w + 4, h + 4).contains(all));
  EXPECT_GT(all.left(), 100) << "placed on the right";
}

TEST(CalendarPainting, WithoutGetBoundsOrDateNothingBreaks) {
  platform::PictureBox box(210, 140);
  PrepareSurface(box);
  CalendarClass undated;
  undated.BeginDraw(box, 0);
  EXPECT_TRUE(Ink(box.Image(), box.Image().rect(), IsWhite).isEmpty());
  EXPECT_EQ(box.ForeColor(), QColor(0, 0, 0));

  // The row count then follows from the date instead of a division by zero.
  CalendarClass calendar;
  calendar.SetDate(QDate(2025, 9, 17));
  calendar.BeginDraw(box, 0);
  EXPECT_FALSE(Ink(box.Image(), box.Image().rect(), IsWhite).isEmpty());
}

}  // namespace
}  // namespace orvane::core
