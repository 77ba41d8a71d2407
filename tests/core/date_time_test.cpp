#include "core/date_time.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

namespace tarvo {

// Readable failure messages (internal linkage; found by argument-dependent lookup).
static void PrintTo(const CivilTime& c, std::ostream* os) {
    *os << c.year << '-' << c.month << '-' << c.day << ' ' << c.hour << ':' << c.minute << ':'
        << c.second;
}

namespace {

constexpr double kSecond = 1.0 / 86400.0;

struct KnownDay {
    CivilTime civil;
    DateTime day;
};

// Day numbers of the OLE day count, before and after day 0.
const std::vector<KnownDay> kKnownDays = {
    {{1899, 12, 30, 0, 0, 0}, 0.0},
    {{1899, 12, 31, 0, 0, 0}, 1.0},
    {{1900, 1, 1, 0, 0, 0}, 2.0},
    {{1900, 2, 28, 0, 0, 0}, 60.0},
    {{1900, 3, 1, 0, 0, 0}, 61.0},  // 1900 is no leap year
    {{2000, 2, 29, 0, 0, 0}, 36585.0},
    {{2006, 3, 7, 0, 0, 0}, 38783.0},
    {{2006, 3, 7, 9, 5, 7}, 38783.0 + (9 * 3600 + 5 * 60 + 7) * kSecond},
    {{1899, 12, 30, 10, 0, 0}, 10.0 / 24.0},
    {{1899, 12, 29, 0, 0, 0}, -1.0},
    {{1899, 12, 29, 6, 0, 0}, -1.25},  // the time of day counts away from day 0
    {{1899, 12, 29, 18, 0, 0}, -1.75},
    {{1, 1, 1, 0, 0, 0}, -693593.0},
};

TEST(DateTime, MakeDateTimeGivesTheOleDayNumbers) {
    for (const auto& k : kKnownDays) {
        SCOPED_TRACE(isoDateTimeText(k.day));
        EXPECT_NEAR(makeDateTime(k.civil), k.day, 1e-9);
        EXPECT_EQ(toCivil(k.day), k.civil);
    }
}

TEST(DateTime, NegativeFractionsBetweenMinusOneAndZeroAreTimesOnDayZero) {
    EXPECT_EQ(toCivil(-0.25), (CivilTime{1899, 12, 30, 6, 0, 0}));
    EXPECT_EQ(generalDateText(-0.25), "6:00:00");
}

TEST(DateTime, ToCivilRoundsToTheNearestSecond) {
    EXPECT_EQ(toCivil(10.0 / 24.0).hour, 10);  // 0.41666… must not read 9:59:59
    EXPECT_EQ(toCivil(38783.0 + 0.4 * kSecond), (CivilTime{2006, 3, 7, 0, 0, 0}));
    EXPECT_EQ(toCivil(38783.0 + 0.6 * kSecond), (CivilTime{2006, 3, 7, 0, 0, 1}));
    // Just below midnight rounds into the next day, before and after day 0.
    EXPECT_EQ(toCivil(38783.0 - 0.2 * kSecond), (CivilTime{2006, 3, 7, 0, 0, 0}));
    EXPECT_EQ(toCivil(-2.0 - (1.0 - 0.2 * kSecond)), (CivilTime{1899, 12, 29, 0, 0, 0}));
    EXPECT_EQ(generalDateText(1.0 - 0.2 * kSecond), "1899-12-31");
}

TEST(DateTime, OutOfRangeComponentsCarryOver) {
    struct Case {
        CivilTime given;
        CivilTime same;
    };
    const Case cases[] = {
        {{2006, 13, 1}, {2007, 1, 1}},
        {{2006, 0, 15}, {2005, 12, 15}},
        {{2006, -11, 1}, {2005, 1, 1}},
        {{2006, 3, 0}, {2006, 2, 28}},
        {{2004, 3, 0}, {2004, 2, 29}},
        {{2006, 1, 0}, {2005, 12, 31}},
        {{2006, 2, 31}, {2006, 3, 3}},
        {{2006, 3, 7, 9, 5, 60}, {2006, 3, 7, 9, 6, 0}},
        {{2006, 3, 7, 23, 59, 60}, {2006, 3, 8, 0, 0, 0}},
        {{2006, 3, 7, 24, 0, 0}, {2006, 3, 8, 0, 0, 0}},
        {{2006, 3, 7, 0, -1, 0}, {2006, 3, 6, 23, 59, 0}},
        {{1899, 12, 30, 0, 0, -1}, {1899, 12, 29, 23, 59, 59}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(isoDateTimeText(makeDateTime(c.same)));
        EXPECT_EQ(makeDateTime(c.given), makeDateTime(c.same));
        EXPECT_EQ(toCivil(makeDateTime(c.given)), c.same);
    }
}

bool isValidCivil(const CivilTime& c) {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return c.month >= 1 && c.month <= 12 && c.day >= 1 && c.day <= kDays[c.month - 1] &&
           c.hour >= 0 && c.hour <= 23 && c.minute >= 0 && c.minute <= 59 && c.second >= 0 &&
           c.second <= 59;
}

TEST(DateTime, AnyLoggerComponentBytesGiveAValidReadableTime) {
    const int values[] = {-32768, -1, 0, 1, 12, 13, 59, 60, 255, 32767, 65535};
    for (int y : values)
        for (int mo : values)
            for (int d : values)
                for (int h : values)
                    for (int mi : values)
                        for (int s : values) {
                            const DateTime t = makeDateTime(y, mo, d, h, mi, s);
                            ASSERT_TRUE(std::isfinite(t));
                            ASSERT_TRUE(isValidCivil(toCivil(t)));
                        }
}

TEST(DateTime, EveryYearOfTwoBytesRoundTrips) {
    for (int y = 0; y <= 65535; y += 7) {
        const CivilTime c{y, 2, 28, 23, 59, 59};
        ASSERT_EQ(toCivil(makeDateTime(c)), c) << y;
    }
    const CivilTime last{65535, 12, 31, 23, 59, 59};
    EXPECT_EQ(toCivil(makeDateTime(last)), last);
    EXPECT_EQ(parseGeneralDate(generalDateText(makeDateTime(last))), makeDateTime(last));
}

TEST(DateTime, NonFiniteAndAbsurdValuesAreClampedNotUndefined) {
    const double inf = std::numeric_limits<double>::infinity();
    const CivilTime first{0, 1, 1, 0, 0, 0};
    const CivilTime last{999999, 12, 31, 23, 59, 59};
    EXPECT_EQ(toCivil(std::nan("")), CivilTime{});
    EXPECT_EQ(toCivil(1e300), last);
    EXPECT_EQ(toCivil(inf), last);
    EXPECT_EQ(toCivil(-1e300), first);
    EXPECT_EQ(toCivil(-inf), first);
    EXPECT_EQ(generalDateText(std::nan("")), "0:00:00");
    EXPECT_EQ(isoDateTimeText(1e300), "999999-12-31 23:59:59");
    EXPECT_EQ(totalSeconds(std::nan("")), 0);
    EXPECT_GT(totalSeconds(inf), 0);
    EXPECT_LT(totalSeconds(-1e300), 0);
}

TEST(DateTime, DurationsCountWholeSeconds) {
    EXPECT_EQ(totalSeconds(makeDuration(0, 0, 10)), 10);
    EXPECT_EQ(totalSeconds(10.0 / 24.0), 36000);
    EXPECT_EQ(totalSeconds(makeDuration(23, 59, 59)), 86399);
    EXPECT_EQ(totalSeconds(makeDuration(0, 90, 0)), 5400);
    EXPECT_EQ(makeDuration(0, 0, 10) * 6, makeDuration(0, 1, 0));
    EXPECT_EQ(totalSeconds(makeDuration(0, 0, -10)), -10);
}

TEST(DateTime, TextFormats) {
    struct Case {
        DateTime t;
        const char* general;
        const char* shortDate;
        const char* longDate;
        const char* time;
        const char* iso;
    };
    const Case cases[] = {
        {0.0, "0:00:00", "1899-12-30", "1899年12月30日", "0:00:00", "1899-12-30 00:00:00"},
        {makeDuration(0, 0, 10), "0:00:10", "1899-12-30", "1899年12月30日", "0:00:10",
         "1899-12-30 00:00:10"},
        {10.0 / 24.0, "10:00:00", "1899-12-30", "1899年12月30日", "10:00:00",
         "1899-12-30 10:00:00"},
        {makeDateTime(2006, 3, 7), "2006-3-7", "2006-3-7", "2006年3月7日", "0:00:00",
         "2006-03-07 00:00:00"},
        {makeDateTime(2006, 3, 7, 9, 5, 7), "2006-3-7 9:05:07", "2006-3-7", "2006年3月7日",
         "9:05:07", "2006-03-07 09:05:07"},
        {makeDateTime(2012, 12, 31, 23, 59, 59), "2012-12-31 23:59:59", "2012-12-31",
         "2012年12月31日", "23:59:59", "2012-12-31 23:59:59"},
        {-1.25, "1899-12-29 6:00:00", "1899-12-29", "1899年12月29日", "6:00:00",
         "1899-12-29 06:00:00"},
        {makeDateTime(605, 1, 2), "0605-1-2", "0605-1-2", "0605年1月2日", "0:00:00",
         "0605-01-02 00:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.iso);
        EXPECT_EQ(generalDateText(c.t), c.general);
        EXPECT_EQ(shortDateText(c.t), c.shortDate);
        EXPECT_EQ(longDateText(c.t), c.longDate);
        EXPECT_EQ(timeText(c.t), c.time);
        EXPECT_EQ(isoDateTimeText(c.t), c.iso);
    }
}

TEST(DateTime, TextsParseBackToTheSameValue) {
    std::vector<DateTime> values = {0.0,
                                    makeDuration(0, 0, 10),
                                    10.0 / 24.0,
                                    makeDuration(23, 59, 59),
                                    makeDateTime(1899, 12, 30),
                                    makeDateTime(1899, 12, 31, 0, 0, 1),
                                    makeDateTime(2000, 2, 29),
                                    makeDateTime(2004, 2, 29, 12, 0, 0),
                                    makeDateTime(2006, 3, 7, 9, 5, 7),
                                    makeDateTime(1, 1, 1, 1, 1, 1),
                                    -1.25,
                                    makeDateTime(9999, 12, 31, 23, 59, 59)};
    for (const auto& k : kKnownDays) values.push_back(k.day);
    for (DateTime t : values) {
        SCOPED_TRACE(isoDateTimeText(t));
        const auto general = parseGeneralDate(generalDateText(t));
        ASSERT_TRUE(general.has_value()) << generalDateText(t);
        EXPECT_EQ(totalSeconds(*general - t), 0);
        EXPECT_EQ(generalDateText(*general), generalDateText(t));
        const auto iso = parseIsoDateTime(isoDateTimeText(t));
        ASSERT_TRUE(iso.has_value());
        EXPECT_EQ(isoDateTimeText(*iso), isoDateTimeText(t));
    }
    for (DateTime d : {0.0, makeDuration(0, 0, 2), 10.0 / 24.0, makeDuration(23, 59, 59)}) {
        const auto parsed = parseDuration(timeText(d));
        ASSERT_TRUE(parsed.has_value()) << timeText(d);
        EXPECT_EQ(totalSeconds(*parsed), totalSeconds(d));
    }
}

TEST(DateTime, ParsingIsLenientOnDigitCountsAndStrictOnShape) {
    EXPECT_EQ(parseIsoDateTime("2006-3-7 9:05:07"), makeDateTime(2006, 3, 7, 9, 5, 7));
    EXPECT_EQ(parseIsoDateTime("2006-03-07 09:05:07"), makeDateTime(2006, 3, 7, 9, 5, 7));
    EXPECT_EQ(parseIsoDateTime(" 2006-03-07  09:05:07 "), makeDateTime(2006, 3, 7, 9, 5, 7));
    EXPECT_EQ(parseIsoDateTime("2000-02-29 00:00:00"), makeDateTime(2000, 2, 29));
    EXPECT_EQ(parseGeneralDate("2006-03-07 9:5:7"), makeDateTime(2006, 3, 7, 9, 5, 7));
    EXPECT_EQ(parseGeneralDate("2006-3-7"), makeDateTime(2006, 3, 7));
    EXPECT_EQ(parseGeneralDate("0:00:10"), makeDuration(0, 0, 10));
    EXPECT_EQ(parseDuration("0:00:10"), makeDuration(0, 0, 10));
    EXPECT_EQ(parseDuration("23:59:59"), makeDuration(23, 59, 59));

    const char* badIso[] = {"2006-13-07 00:00:00",  "2006-00-07 00:00:00",  "2006-02-30 00:00:00",
                            "2100-02-29 00:00:00",  "2006-03-07 24:00:00",  "2006-03-07 09:60:00",
                            "2006-03-07 09:05:60",  "2006-03-07 09:05:07x", "2006-03-07 09:05",
                            "2006-03-07",           "2006/03/07 09:05:07",  "2006-03-07T09:05:07",
                            "2006-003-07 09:05:07", "-2006-03-07 09:05:07", "",
                            "2006-03-07 09:05:07 1"};
    for (const char* text : badIso) EXPECT_FALSE(parseIsoDateTime(text).has_value()) << text;

    const char* badGeneral[] = {"2006-13-1",
                                "2006-2-30",
                                "2006-3-7 24:00:00",
                                "2006-3-7 9:05",
                                "2006-3-7x",
                                "24:00:00",
                                "9:05",
                                "abc",
                                "",
                                "2006-3-7 9:05:07 junk"};
    for (const char* text : badGeneral) EXPECT_FALSE(parseGeneralDate(text).has_value()) << text;

    const char* badDuration[] = {"24:00:00",  "1:60:00",    "1:00:60", "1:00",     "-1:00:00",
                                 "100:00:00", "1:00:00:00", "",        "1:000:00", "2006-3-7"};
    for (const char* text : badDuration) EXPECT_FALSE(parseDuration(text).has_value()) << text;
}

TEST(DateTime, CurrentDateTimeReadsTheLocalClock) {
    const time_t now = time(nullptr);
    const DateTime t = currentDateTime();
    tm local{};
    localtime_r(&now, &local);
    const DateTime expected = makeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                           local.tm_hour, local.tm_min, local.tm_sec);
    EXPECT_NEAR(t, expected, 3 * kSecond);
}

}  // namespace
}  // namespace tarvo
