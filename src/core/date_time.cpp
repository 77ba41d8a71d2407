#include "core/date_time.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace tarvo {

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

namespace {

constexpr std::int64_t kSecPerDay = 86400;

// Floor division and the matching non-negative remainder.
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
constexpr std::int64_t floorMod(std::int64_t a, std::int64_t b) {
    return a - floorDiv(a, b) * b;
}

// Days from 1970-01-01 of a proleptic Gregorian date; `m` is 1..12, `d` may be any
// value (it is simply added). Valid for any year an int64 can carry without overflow
// in the era arithmetic (far beyond an int).
constexpr std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = floorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;                                   // [0, 399]
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;  // [0, 365]
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;           // [0, 146096]
    return era * 146097 + doe - 719468;
}

struct CivilDate {
    std::int64_t year;
    int month;
    int day;
};

constexpr CivilDate civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;                                       // [0, 146096]
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // [0, 365]
    const std::int64_t mp = (5 * doy + 2) / 153;                                     // [0, 11]
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);                    // [1, 31]
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);                       // [1, 12]
    return {yoe + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

// Day 0 of the day numbers, 1899-12-30, counted from 1970-01-01.
constexpr std::int64_t kEpochOffset = daysFromCivil(1899, 12, 30);
static_assert(kEpochOffset == -25569);

// Linear seconds from 1899-12-30 00:00:00 (negative before it) of a civil time whose
// components may be out of range; all arithmetic in 64 bits, so no int input overflows.
constexpr std::int64_t linearSeconds(int year, int month, int day, int hour, int minute,
                                     int second) {
    const std::int64_t m0 = static_cast<std::int64_t>(month) - 1;
    const std::int64_t y = static_cast<std::int64_t>(year) + floorDiv(m0, 12);
    const std::int64_t m = floorMod(m0, 12) + 1;
    const std::int64_t days =
        daysFromCivil(y, m, 1) - kEpochOffset + (static_cast<std::int64_t>(day) - 1);
    return days * kSecPerDay + static_cast<std::int64_t>(hour) * 3600 +
           static_cast<std::int64_t>(minute) * 60 + second;
}

// The day number of linear seconds plus a fraction of a second in [0, 1). Before
// day 0 the day number keeps the day's sign and counts the time of day away from
// zero: 1899-12-29 06:00 is -1.25.
DateTime fromLinear(std::int64_t seconds, double fraction = 0.0) {
    const std::int64_t days = floorDiv(seconds, kSecPerDay);
    const double timeOfDay =
        (static_cast<double>(seconds - days * kSecPerDay) + fraction) / kSecondsPerDay;
    const double d = static_cast<double>(days);
    return days >= 0 ? d + timeOfDay : d - timeOfDay;
}

// Readings are limited to 0000-01-01 00:00:00 .. 999999-12-31 23:59:59; a value
// outside (including ±infinity) reads as the nearer end, NaN reads as day 0. Every
// value a logger's int16 date bytes can give lies well inside.
constexpr std::int64_t kMinSeconds = linearSeconds(0, 1, 1, 0, 0, 0);
constexpr std::int64_t kMaxSeconds = linearSeconds(999999, 12, 31, 23, 59, 59);
constexpr double kDayLimit = 1e9;  // clamp before converting to integers (beyond both ends)

// Linear seconds of a day number, rounded to the nearest second (halves away from
// zero) and clamped as described above.
std::int64_t roundedSeconds(DateTime t) {
    if (std::isnan(t)) return 0;
    t = std::clamp(t, -kDayLimit, kDayLimit);
    const double whole = std::trunc(t);
    const double timeOfDay = std::fabs(t - whole);  // exact
    const std::int64_t seconds =
        static_cast<std::int64_t>(whole) * kSecPerDay + std::llround(timeOfDay * kSecondsPerDay);
    return std::clamp(seconds, kMinSeconds, kMaxSeconds);
}

CivilTime civilOfSeconds(std::int64_t seconds) {
    const std::int64_t days = floorDiv(seconds, kSecPerDay);
    const int secOfDay = static_cast<int>(seconds - days * kSecPerDay);
    const CivilDate date = civilFromDays(days + kEpochOffset);
    CivilTime c;
    c.year = static_cast<int>(date.year);  // clamped range keeps it within int
    c.month = date.month;
    c.day = date.day;
    c.hour = secOfDay / 3600;
    c.minute = secOfDay / 60 % 60;
    c.second = secOfDay % 60;
    return c;
}

std::string dateText(const CivilTime& c) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%d-%d", c.year, c.month, c.day);
    return buf;
}

std::string clockText(const CivilTime& c) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", c.hour, c.minute, c.second);
    return buf;
}

// --- parsing -------------------------------------------------------------------

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}
bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (isBlank(s.front()) || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// A small cursor over the text; each reader consumes only on success.
class Cursor {
  public:
    explicit Cursor(std::string_view s) : s_(s) {}

    // An unsigned number of minDigits..maxDigits digits.
    bool number(int minDigits, int maxDigits, int& out) {
        int n = 0;
        int value = 0;
        while (pos_ + n < s_.size() && isDigit(s_[pos_ + n]) && n < maxDigits) {
            value = value * 10 + (s_[pos_ + n] - '0');
            ++n;
        }
        if (n < minDigits) return false;
        if (pos_ + n < s_.size() && isDigit(s_[pos_ + n])) return false;  // too many digits
        pos_ += n;
        out = value;
        return true;
    }
    bool literal(char ch) {
        if (pos_ < s_.size() && s_[pos_] == ch) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool blanks() {
        const std::size_t start = pos_;
        while (pos_ < s_.size() && isBlank(s_[pos_])) ++pos_;
        return pos_ > start;
    }
    bool atEnd() const { return pos_ == s_.size(); }

  private:
    std::string_view s_;
    std::size_t pos_ = 0;
};

// Years take 1..7 digits (the texts write at least four), month and day 1..2.
bool readDate(Cursor& c, int& y, int& m, int& d) {
    return c.number(1, 7, y) && c.literal('-') && c.number(1, 2, m) && c.literal('-') &&
           c.number(1, 2, d) && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m);
}

bool readTime(Cursor& c, int& h, int& mi, int& s) {
    return c.number(1, 2, h) && c.literal(':') && c.number(1, 2, mi) && c.literal(':') &&
           c.number(1, 2, s) && h <= 23 && mi <= 59 && s <= 59;
}

}  // namespace

DateTime makeDateTime(int year, int month, int day, int hour, int minute, int second) {
    return fromLinear(linearSeconds(year, month, day, hour, minute, second));
}

DateTime makeDateTime(const CivilTime& t) {
    return makeDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

// A duration is plain arithmetic on seconds (a negative total gives a negative
// value, not the day-number form of a time before day 0).
DateTime makeDuration(int hours, int minutes, int seconds) {
    const std::int64_t total =
        static_cast<std::int64_t>(hours) * 3600 + static_cast<std::int64_t>(minutes) * 60 + seconds;
    return static_cast<double>(total) / kSecondsPerDay;
}

CivilTime toCivil(DateTime t) {
    return civilOfSeconds(roundedSeconds(t));
}

// Durations are plain arithmetic (see makeDuration); NaN counts as 0 and the
// magnitude is limited to the same range as day numbers.
long long totalSeconds(DateTime duration) {
    if (std::isnan(duration)) return 0;
    return std::llround(std::clamp(duration, -kDayLimit, kDayLimit) * kSecondsPerDay);
}

DateTime currentDateTime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    const std::int64_t seconds =
        linearSeconds(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, std::min(local.tm_sec, 59));
    const double millis = static_cast<double>(ts.tv_nsec / 1000000) / 1000.0;
    return fromLinear(seconds, millis);
}

std::string generalDateText(DateTime t) {
    const std::int64_t seconds = roundedSeconds(t);
    const CivilTime c = civilOfSeconds(seconds);
    if (seconds >= 0 && seconds < kSecPerDay) return clockText(c);
    if (floorMod(seconds, kSecPerDay) == 0) return dateText(c);
    return dateText(c) + ' ' + clockText(c);
}

std::string shortDateText(DateTime t) {
    return dateText(toCivil(t));
}

std::string longDateText(DateTime t) {
    const CivilTime c = toCivil(t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d年%d月%d日", c.year, c.month, c.day);
    return buf;
}

std::string timeText(DateTime t) {
    return clockText(toCivil(t));
}

std::string isoDateTimeText(DateTime t) {
    const CivilTime c = toCivil(t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                  c.minute, c.second);
    return buf;
}

std::optional<DateTime> parseGeneralDate(std::string_view text) {
    text = trimmed(text);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    {
        Cursor c(text);  // time alone: a duration on day 0
        if (readTime(c, h, mi, s) && c.atEnd()) return makeDuration(h, mi, s);
    }
    Cursor c(text);
    if (!readDate(c, y, mo, d)) return std::nullopt;
    if (c.atEnd()) return makeDateTime(y, mo, d);
    if (!c.blanks() || !readTime(c, h, mi, s) || !c.atEnd()) return std::nullopt;
    return makeDateTime(y, mo, d, h, mi, s);
}

std::optional<DateTime> parseIsoDateTime(std::string_view text) {
    Cursor c(trimmed(text));
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (readDate(c, y, mo, d) && c.blanks() && readTime(c, h, mi, s) && c.atEnd())
        return makeDateTime(y, mo, d, h, mi, s);
    return std::nullopt;
}

std::optional<DateTime> parseDuration(std::string_view text) {
    Cursor c(trimmed(text));
    int h = 0, mi = 0, s = 0;
    if (readTime(c, h, mi, s) && c.atEnd()) return makeDuration(h, mi, s);
    return std::nullopt;
}

}  // namespace tarvo
