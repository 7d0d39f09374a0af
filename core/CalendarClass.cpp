#include "core/CalendarClass.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

#include "platform/picturebox.h"

namespace orvane::core {

namespace {

// To the closest integer, halves to the even neighbour. Values from settings
// files can be anything: beyond the range a picture can have they are clamped
// (far inside int, so sums of a few of them cannot overflow), NaN counts as 0.
int Nearest(double value) {
  constexpr double kLimit = 1 << 28;
  if (!(value == value)) return 0;
  return int(std::clamp(std::nearbyint(value), -kLimit, kLimit));
}

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kYellow(255, 255, 0);

}  // namespace

int CalendarClass::Px(int pixels) const {
  if (PixelRatio == 1.0 || !(PixelRatio > 0) || PixelRatio > 64) return pixels;
  return int(std::lround(pixels * PixelRatio));
}

CalendarClass::CalendarClass()
    : letters_(QStringLiteral("SMTWTFSX")) {}

bool CalendarClass::IsLeapYear(int year) { return QDate::isValid(year, 2, 29); }

int CalendarClass::MonthLength(int month, int year) {
  static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kLengths[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

int CalendarClass::Weekday(const QDate& date) { return date.dayOfWeek() % 7 + 1; }

QString CalendarClass::MonthTitle(int month, int year) {
  return QLocale::system().standaloneMonthName(month, QLocale::LongFormat) + QLatin1Char(' ') +
         QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
}

void CalendarClass::SetDate(const QDate& date) {
  date_ = date;
  if (!date.isValid()) {
    month_ = year_ = day_ = firstWeekday_ = 0;
    return;
  }
  month_ = date.month();
  year_ = date.year();
  day_ = date.day();
  firstWeekday_ = Weekday(QDate(year_, month_, 1));
}

int CalendarClass::RowsOfMonth() const {
  const int length = MonthLength(month_, year_);
  // A month spans six weeks when its last days run past the fifth week row.
  const bool sixWeeks = (length == 31 && firstWeekday_ > 5) || (length == 30 && firstWeekday_ > 6);
  return sixWeeks ? 8 : 7;
}

void CalendarClass::GetBounds(int areaW, int areaH, int& left, int& top, int& width,
                              int& height) {
  // The size factor comes from a settings file: a calendar is at most as large
  // as the area less its margins (a factor above 1, as from a size of 2^31 - 1
  // percent, is taken as 1) and a factor below 0 or not a number as 0.
  float scale = Scale;
  if (!(scale >= 0.0f)) scale = 0.0f;
  if (scale > 1.0f) scale = 1.0f;
  // Single-precision products, as the size factor is a Single.
  const int margin = Px(20);  // from the area's left and top edges
  const int wide = Px(40);    // taken from the area's size (and from the right edge)
  width = Nearest(float(areaW - wide) * scale);
  height = Nearest(float(areaH - wide) * scale);
  const int row = Nearest(height / 7.0);
  rows_ = RowsOfMonth();
  if (rows_ == 8 && scale < 0.33) height += row;
  // The smallest size needs a little more room below the last row.
  if (scale < 0.33) height += Px(10);

  switch (Position) {
    case kTopLeft: left_ = margin; top_ = margin; break;
    case kTopCenter: left_ = Nearest((areaW - width) / 2.0); top_ = margin; break;
    case kTopRight: left_ = areaW - wide - width; top_ = margin; break;
    case kCenterLeft: left_ = margin; top_ = Nearest((areaH - height) / 2.0); break;
    case kCenter:
      left_ = Nearest((areaW - width) / 2.0);
      top_ = Nearest((areaH - height) / 2.0);
      break;
    case kCenterRight: left_ = areaW - wide - width; top_ = Nearest((areaH - height) / 2.0); break;
    case kBottomLeft: left_ = margin; top_ = areaH - height - margin; break;
    case kBottomCenter: left_ = Nearest((areaW - width) / 2.0); top_ = areaH - height - margin; break;
    case kBottomRight: left_ = areaW - wide - width; top_ = areaH - height - margin; break;
    default: break;  // other codes keep the last left and top
  }
  width_ = width;
  height_ = height;
  left = left_;
  top = top_;
}

void CalendarClass::BeginDraw(platform::PictureBox& surface, int number) {
  Paint(surface, std::nullopt, number);
}

void CalendarClass::BeginDraw(platform::PictureBox& surface, int number, double left, double top,
                              double width, double height) {
  Paint(surface, std::array<double, 4>{left, top, width, height}, number);
}

void CalendarClass::Paint(platform::PictureBox& surface,
                          const std::optional<std::array<double, 4>>& rect, int number) {
  surface.SetForeColor(kBlack);
  if (rect) {
    left_ = Nearest((*rect)[0]);
    top_ = Nearest((*rect)[1]);
    width_ = Nearest((*rect)[2]);
    height_ = Nearest((*rect)[3]);
  } else if (number == -1) {
    int l, t, w, h;
    GetBounds(surface.Width(), surface.Height(), l, t, w, h);
  } else {
    left_ = 0;
    top_ = 0;
    width_ = surface.Width();
    height_ = surface.Height();
  }
  // Nothing to paint without a date; without an earlier GetBounds the rows
  // follow from the date instead of dividing by zero.
  if (month_ == 0) return;
  if (rows_ == 0) rows_ = RowsOfMonth();

  const int rh = Nearest(double(height_) / rows_);
  const int cw = Nearest(width_ / 7.0);
  surface.SetFontSize(rh * 0.5);

  // Black pass at the rectangle, then the coloured pass 2 up and 2 left, so
  // every text has its shadow 2 to the right and 2 below.
  secondPass_ = false;
  PaintMonth(surface, rh, cw);
  const int shadow = Px(2);
  left_ -= shadow;
  top_ -= shadow;
  surface.SetForeColor(kWhite);
  secondPass_ = true;
  PaintMonth(surface, rh, cw);
  surface.SetForeColor(kYellow);
  PrintDay(surface, day_, rh, cw);
  surface.SetForeColor(kBlack);
  left_ += shadow;
  top_ += shadow;
  secondPass_ = false;
  surface.Refresh();
}

void CalendarClass::PaintMonth(platform::PictureBox& surface, int rh, int cw) {
  const QString title = MonthTitle(month_, year_);

  // Title, row 0, centred over the whole width.
  int s = Nearest(surface.FontSize());
  surface.SetFontSize(s * 1.25);
  surface.SetCurrentX(Nearest((width_ - surface.TextWidth(title)) / 2 + left_));
  surface.SetCurrentY(Nearest((rh - surface.TextHeight(title)) / 2 + top_));
  surface.Print(title);
  surface.SetFontSize(s);

  // Weekday letters, row 1, Sunday first.
  QColor remembered;
  if (secondPass_) {
    remembered = surface.ForeColor();
    surface.SetForeColor(kYellow);
  }
  s = Nearest(surface.FontSize());
  surface.SetFontSize(s * 1.25);
  for (int k = 0; k < 7; ++k) {
    const QString letter = letters_.mid(k, 1);
    const int x0 = left_ + k * cw;
    surface.SetCurrentX(Nearest((cw - surface.TextWidth(letter)) / 2 + x0));
    surface.SetCurrentY(Nearest((rh - surface.TextHeight(letter)) / 2 + top_ + rh));
    surface.Print(letter);
  }
  surface.SetFontSize(s);
  if (secondPass_) surface.SetForeColor(remembered);

  // Day numbers from row 2; a new row begins after each Saturday.
  const int length = MonthLength(month_, year_);
  for (int day = 1; day <= length; ++day) PrintDay(surface, day, rh, cw);
}

void CalendarClass::PrintDay(platform::PictureBox& surface, int day, int rh, int cw) {
  const int cell = (firstWeekday_ - 1) + (day - 1);
  const int row = 2 + cell / 7;
  const int col = cell % 7;
  const QString text = QString::number(day);
  surface.SetCurrentX(Nearest((cw - surface.TextWidth(text)) / 2 + left_ + col * cw));
  surface.SetCurrentY(Nearest((rh - surface.TextHeight(text)) / 2 + top_ + row * rh));
  surface.Print(text);
}

}  // namespace orvane::core
