#include "platform/vbruntime.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace orvane::platform {

// --- Numbers -----------------------------------------------------------------

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double floor = std::floor(value);
  const double fraction = value - floor;
  if (fraction < 0.5) return floor;
  if (fraction > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

namespace {

template <typename T>
std::optional<T> RoundInto(double value, double low, double high) {
  const double rounded = RoundHalfEven(value);
  if (std::isnan(rounded) || rounded < low || rounded > high) return std::nullopt;
  return static_cast<T>(rounded);
}

}  // namespace

std::optional<std::int16_t> TryCInt(double value) {
  return RoundInto<std::int16_t>(value, -32768.0, 32767.0);
}

std::optional<std::int32_t> TryCLng(double value) {
  return RoundInto<std::int32_t>(value, -2147483648.0, 2147483647.0);
}

std::int16_t CInt(double value) {
  const auto result = TryCInt(value);
  if (!result) throw OverflowError();
  return *result;
}

std::int32_t CLng(double value) {
  const auto result = TryCLng(value);
  if (!result) throw OverflowError();
  return *result;
}

double Int(double value) { return std::floor(value); }

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c, int radix) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v >= 0 && v < radix ? v : -1;
}

double ReadRadix(const std::string& s, std::size_t pos, int radix) {
  std::uint64_t value = 0;
  for (; pos < s.size(); ++pos) {
    const int digit = DigitValue(s[pos], radix);
    if (digit < 0) break;
    const std::uint64_t next = value * static_cast<unsigned>(radix) + static_cast<unsigned>(digit);
    if (next > 0xFFFFFFFFull) break;
    value = next;
  }
  return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

}  // namespace

double Val(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text)
    if (!IsBlank(c)) s.push_back(c);

  if (!s.empty() && s[0] == '&') {
    if (s.size() > 1 && (s[1] == 'H' || s[1] == 'h')) return ReadRadix(s, 2, 16);
    if (s.size() > 1 && (s[1] == 'O' || s[1] == 'o')) return ReadRadix(s, 2, 8);
    return ReadRadix(s, 1, 8);
  }

  // Copy the part that forms a number into a clean buffer for the C-locale reader.
  std::string number;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) number.push_back(s[i++]);
  bool digits = false;
  while (i < s.size() && IsDigit(s[i])) { number.push_back(s[i++]); digits = true; }
  if (i < s.size() && s[i] == '.') {
    number.push_back(s[i++]);
    while (i < s.size() && IsDigit(s[i])) { number.push_back(s[i++]); digits = true; }
  }
  if (!digits) return 0.0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
    bool expDigits = false;
    while (j < s.size() && IsDigit(s[j])) { exponent.push_back(s[j++]); expDigits = true; }
    if (expDigits) number += exponent;
  }
  return strtod_l(number.c_str(), nullptr, CLocale());
}

std::string Str(long long value) { return (value >= 0 ? " " : "") + std::to_string(value); }

std::string Str(double value, int digits) {
  if (std::isnan(value)) return " NaN";
  if (std::isinf(value)) return value > 0 ? " Infinity" : "-Infinity";
  if (value == 0.0) return " 0";
  digits = std::clamp(digits, 1, 17);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*G", digits, std::fabs(value));
  std::string text = buffer;
  // "%G" already drops trailing zeros; the run time also drops a leading "0"
  // and writes the exponent without padding zeros ("E+16", "E-07" kept as two).
  if (text.rfind("0.", 0) == 0) text.erase(0, 1);
  if (const auto e = text.find('E'); e != std::string::npos) {
    std::string mantissa = text.substr(0, e);
    const char sign = text[e + 1];
    std::string exponent = text.substr(e + 2);
    while (exponent.size() > 2 && exponent[0] == '0') exponent.erase(0, 1);
    if (exponent.size() < 2) exponent.insert(0, "0");
    text = mantissa + "E" + sign + exponent;
  }
  return (value > 0 ? " " : "-") + text;
}

// --- Random numbers ------------------------------------------------------------

namespace {

std::uint64_t SplitMix(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

RandomSource*& CurrentSource() {
  static RandomSource* source = nullptr;
  return source;
}

}  // namespace

RandomSource::RandomSource() : state_(0x5DEECE66Dull) {}

float RandomSource::Rnd() {
  // 24 random bits: every value is exactly representable in a float and below 1.
  return static_cast<float>(SplitMix(state_) >> 40) / 16777216.0f;
}

void RandomSource::Randomize() {
  const auto steady = std::chrono::steady_clock::now().time_since_epoch().count();
  const auto wall = std::chrono::system_clock::now().time_since_epoch().count();
  state_ = static_cast<std::uint64_t>(steady) ^ (static_cast<std::uint64_t>(wall) << 1);
}

void RandomSource::Randomize(std::uint32_t seed) { state_ = 0x5DEECE66Dull ^ (std::uint64_t{seed} << 16); }

RandomSource& DefaultRandom() {
  static RandomSource builtIn;
  RandomSource* source = CurrentSource();
  return source ? *source : builtIn;
}

void SetRandomSource(RandomSource* source) { CurrentSource() = source; }
float Rnd() { return DefaultRandom().Rnd(); }
void Randomize() { DefaultRandom().Randomize(); }
void Randomize(std::uint32_t seed) { DefaultRandom().Randomize(seed); }

int RandomIndex(int count) {
  if (count <= 0) return 0;
  const int index = static_cast<int>(static_cast<double>(Rnd()) * count);
  return index < count ? index : count - 1;
}

// --- Dates and times -------------------------------------------------------------

namespace {

constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// A small cursor over the text being parsed.
struct Reader {
  std::string_view text;
  std::size_t pos = 0;

  bool AtEnd() const { return pos >= text.size(); }
  char Peek() const { return AtEnd() ? '\0' : text[pos]; }
  void SkipBlanks() {
    while (!AtEnd() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++pos;
    return true;
  }
  // 1..maxDigits decimal digits; nullopt when there are none or too many.
  std::optional<int> Number(std::size_t maxDigits, std::size_t minDigits = 1) {
    std::size_t start = pos;
    int value = 0;
    while (!AtEnd() && IsDigit(text[pos])) {
      value = value * 10 + (text[pos] - '0');
      ++pos;
      if (pos - start > maxDigits) return std::nullopt;
    }
    if (pos - start < minDigits) return std::nullopt;
    return value;
  }
  std::string Word() {
    std::string word;
    while (!AtEnd() && std::isalpha(static_cast<unsigned char>(text[pos]))) word.push_back(Lower(text[pos++]));
    return word;
  }
};

int MonthFromName(const std::string& word) {
  for (int m = 0; m < 12; ++m) {
    std::string full;
    for (const char* p = kMonthNames[m]; *p; ++p) full.push_back(Lower(*p));
    if (word == full || (word.size() == 3 && full.compare(0, 3, word) == 0)) return m + 1;
  }
  if (word == "sept") return 9;
  return 0;
}

}  // namespace

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return kDays[month - 1];
}

bool IsValid(const DateTime& v) {
  return v.year >= 1 && v.year <= 9999 && v.month >= 1 && v.month <= 12 && v.day >= 1 &&
         v.day <= DaysInMonth(v.year, v.month) && v.hour >= 0 && v.hour <= 23 && v.minute >= 0 &&
         v.minute <= 59 && v.second >= 0 && v.second <= 59;
}

DateTime Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string FormatDateMdy(const DateTime& v) {
  return std::to_string(v.month) + "/" + std::to_string(v.day) + "/" + std::to_string(v.year);
}

std::string FormatDateMmmDYyyy(const DateTime& v) {
  const std::string month = v.month >= 1 && v.month <= 12 ? std::string(kMonthNames[v.month - 1], 3) : "???";
  return month + " " + std::to_string(v.day) + ", " + std::to_string(v.year);
}

std::string FormatTime(const DateTime& v) {
  const int hour12 = v.hour % 12 == 0 ? 12 : v.hour % 12;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d %s", hour12, v.minute, v.second,
                v.hour < 12 ? "AM" : "PM");
  return buffer;
}

std::string FormatMdyDateTime(const DateTime& v) { return FormatDateMdy(v) + " " + FormatTime(v); }
std::string FormatMmmDateTime(const DateTime& v) { return FormatDateMmmDYyyy(v) + " " + FormatTime(v); }

std::optional<DateTime> ParseDateTime(std::string_view text) {
  Reader r{text};
  DateTime v;
  r.SkipBlanks();
  if (IsDigit(r.Peek())) {
    const auto month = r.Number(2);
    if (!month || !r.Take('/')) return std::nullopt;
    const auto day = r.Number(2);
    if (!day || !r.Take('/')) return std::nullopt;
    const auto year = r.Number(4, 4);
    if (!year) return std::nullopt;
    v.month = *month;
    v.day = *day;
    v.year = *year;
  } else {
    v.month = MonthFromName(r.Word());
    if (v.month == 0) return std::nullopt;
    r.Take('.');
    r.SkipBlanks();
    const auto day = r.Number(2);
    if (!day) return std::nullopt;
    r.Take(',');
    r.SkipBlanks();
    const auto year = r.Number(4, 4);
    if (!year) return std::nullopt;
    v.day = *day;
    v.year = *year;
  }
  r.SkipBlanks();
  if (!r.AtEnd()) {
    const auto hour = r.Number(2);
    if (!hour || !r.Take(':')) return std::nullopt;
    const auto minute = r.Number(2, 2);
    if (!minute) return std::nullopt;
    int second = 0;
    if (r.Take(':')) {
      const auto s = r.Number(2, 2);
      if (!s) return std::nullopt;
      second = *s;
    }
    r.SkipBlanks();
    const std::string marker = r.Word();
    v.hour = *hour;
    if (marker == "am" || marker == "pm") {
      if (v.hour < 1 || v.hour > 12) return std::nullopt;
      v.hour = v.hour % 12 + (marker == "pm" ? 12 : 0);
    } else if (!marker.empty()) {
      return std::nullopt;
    }
    v.minute = *minute;
    v.second = second;
    r.SkipBlanks();
    if (!r.AtEnd()) return std::nullopt;
  }
  if (!IsValid(v)) return std::nullopt;
  return v;
}

}  // namespace orvane::platform
