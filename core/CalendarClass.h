#pragma once
// A month calendar painted as text on a picture box: the title, a row of
// weekday letters and the day numbers in a grid, today's number in yellow and
// every text over a black drop shadow. Usage: set Scale and Position, SetDate,
// GetBounds for the rectangle, then BeginDraw.
#include <QDate>
#include <QString>
#include <array>
#include <optional>

namespace orvane::platform {
class PictureBox;
}

namespace orvane::core {

// Placement codes, row by row from top-left (the position lists' item data).
enum CalendarPosition : int {
  kTopLeft = 1,
  kTopCenter = 2,
  kTopRight = 3,
  kCenterLeft = 4,
  kCenter = 5,
  kCenterRight = 6,
  kBottomLeft = 7,
  kBottomCenter = 8,
  kBottomRight = 9,
};

class CalendarClass {
 public:
  CalendarClass();

  // Size factor: the size setting in percent / 100 (1, 0.66, 0.33 or 0.2).
  // GetBounds takes a factor above 1 as 1 and one below 0 (or NaN) as 0.
  float Scale = 1.0f;
  // A CalendarPosition; any other value leaves left and top where they were.
  int Position = kTopLeft;
  // Device pixels per pixel of a 96-dpi screen: the margins of GetBounds and
  // the shadow's offset grow by it, so they keep their size on a scaled screen.
  double PixelRatio = 1.0;

  // The month to paint and the day to highlight.
  void SetDate(const QDate& date);

  // The calendar's rectangle on an area of areaW x areaH; also decides the
  // number of text rows (8 for a month spanning six weeks, else 7).
  void GetBounds(int areaW, int areaH, int& left, int& top, int& width, int& height);

  // Paints the month on the surface. Without a rectangle, number -1 places it
  // with GetBounds on the whole surface and any other number covers the whole
  // surface. Afterwards the surface's ForeColor is black and its font size the
  // whole-number size of the day numbers.
  void BeginDraw(platform::PictureBox& surface, int number);
  void BeginDraw(platform::PictureBox& surface, int number, double left, double top,
                 double width, double height);

  // The month's length, February of a leap year 29.
  static int MonthLength(int month, int year);
  static bool IsLeapYear(int year);
  // Weekday of a date, Sunday = 1 .. Saturday = 7.
  static int Weekday(const QDate& date);
  // The title: the month's full name in the user's language and the year.
  static QString MonthTitle(int month, int year);

  int Rows() const { return rows_; }
  int FirstWeekday() const { return firstWeekday_; }

 private:
  void Paint(platform::PictureBox& surface, const std::optional<std::array<double, 4>>& rect,
             int number);
  int RowsOfMonth() const;
  void PaintMonth(platform::PictureBox& surface, int rh, int cw);
  void PrintDay(platform::PictureBox& surface, int day, int rh, int cw);

  // "SMTWTFSX": the heading of weekday k is character k (Sunday = 1); the
  // eighth is never shown.
  QString letters_;
  int left_ = 20;
  int top_ = 20;
  int width_ = 0;
  int height_ = 0;
  QDate date_;
  int rows_ = 0;
  int month_ = 0;
  int firstWeekday_ = 0;
  int year_ = 0;
  int day_ = 0;
  bool secondPass_ = false;

  // A margin or offset of a 96-dpi screen at PixelRatio.
  int Px(int pixels) const;
};

}  // namespace orvane::core
