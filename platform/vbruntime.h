#pragma once
// Number conversions, the random source and the date and time texts of the run
// time the programs are written around. Everything here is locale-independent:
// a value written by one program reads back the same in any other.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orvane::platform {

// --- Numbers -----------------------------------------------------------------

// Raised when a value does not fit the whole-number type it is stored into
// (also for NaN and the infinities). Callers that can go on catch it.
class OverflowError : public std::overflow_error {
 public:
  OverflowError() : std::overflow_error("Overflow") {}
};

// Rounds to the nearest whole number; a half goes to the even neighbour
// (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). NaN and the infinities come back unchanged.
double RoundHalfEven(double value);

// Storing a fractional value into a 16-bit (CInt) or 32-bit (CLng) whole
// number: RoundHalfEven, then a range check that throws OverflowError.
std::int16_t CInt(double value);
std::int32_t CLng(double value);
// The same without the exception: nullopt when the value does not fit.
std::optional<std::int16_t> TryCInt(double value);
std::optional<std::int32_t> TryCLng(double value);

// The largest whole number not above value (Int(-2.5) = -3).
double Int(double value);

// Reads the leading number of a text. Blanks, tabs, carriage returns and line
// feeds are skipped anywhere ("1 2" reads 12). Then an optional sign, digits with
// at most one decimal point, and an optional exponent ("E" or "D", with its own
// sign). "&H" (hexadecimal) and "&O" (octal) prefixes read a whole number whose
// bits are taken as a signed 32-bit value ("&HFFFFFFFF" is -1); digits beyond
// 32 bits are ignored. Reading stops at the first character that does not fit;
// no number at all gives 0. Too large a value gives an infinity, which CLng and
// CInt report as an overflow.
double Val(std::string_view text);

// A number as text in the run time's Str manner: a leading blank for values of
// 0 and above, "-" otherwise; no zero before the decimal point (" .5", "-.25");
// at most `digits` significant digits (15 for Double, 7 for Single), trailing
// zeros dropped; exponent form beyond that range (" 1E+16", " 1.5E-07").
std::string Str(double value, int digits = 15);
std::string Str(long long value);

// --- Random numbers ------------------------------------------------------------

// The run time's random generator: Rnd gives a single-precision value in [0, 1).
// One process-wide instance serves every caller; tests reseed it or replace it
// with a scripted subclass.
class RandomSource {
 public:
  RandomSource();
  virtual ~RandomSource() = default;
  RandomSource(const RandomSource&) = delete;
  RandomSource& operator=(const RandomSource&) = delete;

  virtual float Rnd();
  // Seeds from the clock (Randomize without an argument).
  virtual void Randomize();
  // A fixed seed: the same seed gives the same sequence.
  virtual void Randomize(std::uint32_t seed);

 private:
  std::uint64_t state_;
};

// The instance Rnd/Randomize use; SetRandomSource(nullptr) restores the built-in one.
RandomSource& DefaultRandom();
void SetRandomSource(RandomSource* source);
float Rnd();
void Randomize();
void Randomize(std::uint32_t seed);
// A uniform whole number in [0, count); 0 when count is 0 or negative.
int RandomIndex(int count);

// --- Dates and times -------------------------------------------------------------

struct DateTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
  bool operator==(const DateTime&) const = default;
};

// The local date and time now.
DateTime Now();
int DaysInMonth(int year, int month);
bool IsValid(const DateTime& value);

// "12/10/2026": month/day/four-digit year, no leading zeros.
std::string FormatDateMdy(const DateTime& value);
// "Dec 10, 2026": English month abbreviation, day without leading zero, year.
std::string FormatDateMmmDYyyy(const DateTime& value);
// "9:05:07 AM": 12-hour clock, hour without leading zero, English AM/PM.
std::string FormatTime(const DateTime& value);
// FormatDateMdy + " " + FormatTime, and FormatDateMmmDYyyy + " " + FormatTime.
std::string FormatMdyDateTime(const DateTime& value);
std::string FormatMmmDateTime(const DateTime& value);

// Reads back either date form, optionally followed by a time. The time may be
// "h:mm" or "h:mm:ss", in 12-hour form with AM/PM (any case) or in 24-hour form.
// English month names may be abbreviated or written out (any case). A date alone
// gives midnight. nullopt for anything else, including impossible dates.
std::optional<DateTime> ParseDateTime(std::string_view text);

}  // namespace orvane::platform
