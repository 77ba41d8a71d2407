#pragma once
// DateTime: the OLE Automation day number the loggers' times are kept in.
// Days since midnight 30 December 1899, time of day in the fraction, local time.
// Durations (recording interval, start delay) are DateTimes below one day, so
// "start + count * interval" is plain arithmetic.

#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

using DateTime = double;

struct CivilTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const CivilTime&) const = default;
};

inline constexpr double kSecondsPerDay = 86400.0;

// The Gregorian calendar: leap years, and the days of month 1..12 of a year.
bool isLeapYear(int year);
int daysInMonth(int year, int month);

// Builds the day number of a civil date and time. Out-of-range components carry
// over as calendar arithmetic does (month 13 is January of the next year, second 60
// the next minute), so bytes from a logger never make an invalid value.
DateTime makeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
DateTime makeDateTime(const CivilTime& t);

// A duration of hours, minutes and seconds on day 0 (plain arithmetic: a negative
// total gives a negative value).
DateTime makeDuration(int hours, int minutes, int seconds);

// Splits a day number into its parts after rounding to the nearest second
// (10:00:00 is held as 0.41666…, which truncation would show as 9:59:59).
// Before day 0 the fraction counts away from zero (-1.25 is 1899-12-29 06:00).
// NaN reads as day 0; anything outside 0000-01-01 00:00:00 .. 999999-12-31 23:59:59
// (±infinity included) reads as the nearer end.
CivilTime toCivil(DateTime t);

// Whole seconds of a duration (rounded to the nearest second).
long long totalSeconds(DateTime duration);

// The PC clock in local time.
DateTime currentDateTime();

// Fixed text formats of the program.
std::string generalDateText(DateTime t);  // "yyyy-M-d H:mm:ss", date or time alone as described
std::string shortDateText(DateTime t);    // "yyyy-M-d"
std::string longDateText(DateTime t);     // "yyyy年M月d日"
std::string timeText(DateTime t);         // "H:mm:ss"
std::string isoDateTimeText(DateTime t);  // "yyyy-MM-dd HH:mm:ss"

// Parsing back. Each returns nothing when the text is not of its form or names
// no real date.
std::optional<DateTime> parseGeneralDate(std::string_view text);  // any generalDateText output
std::optional<DateTime> parseIsoDateTime(std::string_view text);  // "YYYY-MM-DD HH:MM:SS"
std::optional<DateTime> parseDuration(std::string_view text);     // "H:MM:SS" / "HH:MM:SS"

}  // namespace tarvo
