#include "link/frames.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "core/date_time.h"
#include "core/logger_parameters.h"
#include "link/answer_profile.h"

namespace tarvo {
namespace {

std::uint8_t sumOf(const Bytes& b, std::size_t from, std::size_t to) {
    return static_cast<std::uint8_t>(std::accumulate(b.begin() + from, b.begin() + to + 1, 0u));
}

Bytes slice(const Bytes& b, std::size_t from, std::size_t count) {
    return Bytes(b.begin() + from, b.begin() + from + count);
}

TEST(Frames, DeviceAddressTravelsAsTwoNibblesPlusThirty) {
    struct Case {
        int address;
        std::uint8_t a1, a2;
    };
    for (const Case& c : {Case{1, 0x30, 0x31}, Case{15, 0x30, 0x3F}, Case{16, 0x31, 0x30},
                          Case{26, 0x31, 0x3A}, Case{100, 0x36, 0x34}}) {
        const auto a = encodeAddress(c.address);
        EXPECT_EQ(a[0], c.a1) << c.address;
        EXPECT_EQ(a[1], c.a2) << c.address;
        EXPECT_EQ(decodeAddress(a[0], a[1]), c.address);
        EXPECT_EQ(connectFrame(c.address, Variant::XY002),
                  (Bytes{0x23, c.a1, c.a2, 0x30, 0x71, 0x66}));
    }
}

TEST(Frames, ChecksumSumsTheRangeModuloTwoFiftySix) {
    const Bytes frame{0x05, 0x02, 0x0B, 0xF3};
    EXPECT_EQ(checksum(frame, 0, 3), 0x05);
    EXPECT_EQ(checksum(Bytes{0xC8, 0x64}, 0, 1), 0x2C);
    EXPECT_EQ(checksum(frame, 1, 2), 0x0D);
    EXPECT_EQ(checksum(frame, 2, 1), 0);  // empty range
    EXPECT_EQ(checksum(Bytes{}, 0, 5), 0);
    // Positions outside the frame are not summed.
    EXPECT_EQ(checksum(frame, 2, 100), 0xFE);
    EXPECT_EQ(checksum(frame, -3, 1), 0x07);
    EXPECT_EQ(checksum(frame, 6, 3), 0);
}

TEST(Frames, EveryFixedCommandHasItsBytes) {
    // Address 26 travels as 31 3A.
    struct Case {
        const char* name;
        Bytes frame;
        Bytes expected;
    };
    const Case cases[] = {
        {"connect XY-001",
         connectFrame(26, Variant::XY001),
         {0x25, 0x31, 0x3A, 0x30, 0x46, 0x06, 0x01, 0x00, 0x00, 0x00, 0x48, 0x66}},
        {"connect XY-002", connectFrame(26, Variant::XY002), {0x23, 0x31, 0x3A, 0x30, 0x71, 0x66}},
        {"second block", secondBlockFrame(26), {0x23, 0x31, 0x3A, 0x30, 0x32, 0x66}},
        {"closing",
         closingFrame(),
         {0x25, 0x30, 0x30, 0x30, 0x46, 0x05, 0x02, 0x0B, 0xF3, 0x69, 0x66}},
        {"history first XY-002",
         historyFrame(26, HistoryRequest::FirstXY002),
         {0x23, 0x31, 0x3A, 0x00, 0x36, 0x66}},
        {"history first XY-001",
         historyFrame(26, HistoryRequest::FirstXY001),
         {0x23, 0x31, 0x3A, 0x30, 0x36, 0x66}},
        {"history next",
         historyFrame(26, HistoryRequest::NextPage),
         {0x23, 0x31, 0x3A, 0x00, 0x36, 0x66}},
        {"history again",
         historyFrame(26, HistoryRequest::SamePageAgain),
         {0x23, 0x31, 0x3A, 0xFF, 0x36, 0x66}},
        {"live", liveFrame(26), {0x23, 0x31, 0x3A, 0xFF, 0x39, 0x66}},
        {"stop", stopFrame(26), {0x25, 0x31, 0x3A, 0x30, 0x46, 0x05, 0x03, 0x00, 0x00, 0x55, 0x66}},
        {"power normal",
         powerModeFrame(26, true),
         {0x25, 0x31, 0x3A, 0x30, 0x46, 0x05, 0x03, 0x00, 0x02, 0x55, 0x66}},
        {"power saving",
         powerModeFrame(26, false),
         {0x25, 0x31, 0x3A, 0x30, 0x46, 0x05, 0x03, 0x00, 0x03, 0x55, 0x66}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.frame, c.expected) << c.name;
}

TEST(Frames, ResetLevelsOneToFiveHaveTheirCodesAndOthersSendNothing) {
    const std::pair<std::uint8_t, std::uint8_t> codes[] = {
        {0x65, 0x73}, {0x64, 0x72}, {0x63, 0x71}, {0x62, 0x70}, {0x61, 0x6F}};
    for (int level = 1; level <= 5; ++level) {
        const auto [x, y] = codes[level - 1];
        EXPECT_EQ(resetFrame(1, level),
                  (Bytes{0x25, 0x30, 0x31, 0x30, 0x46, 0x05, 0x03, x, y, 0x55, 0x66}))
            << level;
    }
    for (int level : {0, 6, -1}) EXPECT_EQ(resetFrame(1, level), std::nullopt) << level;
}

TEST(Frames, ClockFrameCarriesTheYearBigEndian) {
    const CivilTime t{2006, 3, 7, 14, 5, 9};
    EXPECT_EQ(clockFrame(100, t), (Bytes{0x25, 0x36, 0x34, 0x30, 0x10, 0x08, 0x07, 0xD6, 0x03, 0x07,
                                         0x0E, 0x05, 0x09, 0x66}));
}

TEST(Frames, EchoIsUpperCaseHexWithATrailingSpace) {
    EXPECT_EQ(hexEcho(connectFrame(1, Variant::XY002)), "23 30 31 30 71 66 ");
    EXPECT_EQ(hexEcho(Bytes{0xab, 0x0c}), "AB 0C ");
    EXPECT_EQ(hexEcho(Bytes{}), "");
}

TEST(Frames, SmsNumbersSendOnlyElevenDigitNumbersAndCountThem) {
    const std::string n1 = "13800138000", n2 = "13912345678", n3 = "15000000001";
    struct Case {
        std::array<std::string, 3> numbers;
        std::array<bool, 3> sent;
        std::uint8_t count;
    };
    const Case cases[] = {
        {{n1, n2, n3}, {true, true, true}, 3},
        {{"", n2, ""}, {false, true, false}, 1},
        {{"1380013800", n2, n3}, {false, true, true}, 2},                 // 10 digits
        {{"138001380001", "", "1380013800a"}, {false, false, false}, 0},  // 12, none, letter
    };
    for (const Case& c : cases) {
        const Bytes f = smsNumbersFrame(16, c.numbers);
        ASSERT_EQ(f.size(), 41u);
        EXPECT_EQ(slice(f, 0, 6), (Bytes{0x25, 0x31, 0x30, 0x30, 0x48, 0x23}));
        for (int k = 0; k < 3; ++k) {
            const Bytes field = slice(f, 6 + 11 * k, 11);
            const Bytes expected =
                c.sent[k] ? Bytes(c.numbers[k].begin(), c.numbers[k].end()) : Bytes(11, 0);
            EXPECT_EQ(field, expected) << k;
        }
        EXPECT_EQ(f[39], c.count);
        EXPECT_EQ(f[40], 0x66);
    }
}

TEST(Frames, SmsPasswordSendsEachDigitAfterAZeroByte) {
    const Bytes f = smsPasswordFrame(1, "12345678", "87654321");
    ASSERT_EQ(f.size(), 39u);
    EXPECT_EQ(slice(f, 0, 6), (Bytes{0x25, 0x30, 0x31, 0x30, 0x49, 0x21}));
    EXPECT_EQ(slice(f, 6, 4), (Bytes{0x00, '1', 0x00, '2'}));
    EXPECT_EQ(slice(f, 20, 2), (Bytes{0x00, '8'}));
    EXPECT_EQ(slice(f, 22, 4), (Bytes{0x00, '8', 0x00, '7'}));
    EXPECT_EQ(slice(f, 36, 3), (Bytes{0x00, '1', 0x66}));

    // A short or long text keeps the frame's length.
    const Bytes odd = smsPasswordFrame(1, "123", "1234567890");
    ASSERT_EQ(odd.size(), 39u);
    EXPECT_EQ(slice(odd, 10, 12), (Bytes{0x00, '3', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(slice(odd, 34, 5), (Bytes{0x00, '7', 0x00, '8', 0x66}));
}

// Answers: the test of each pending mode, including short and empty answers.
TEST(Frames, AnswersAreRecognisedByTheTestOfThePendingMode) {
    Bytes xy002(335, 0);
    xy002[0] = 0x3C;
    xy002[10] = 0x41;
    xy002[200] = 0xF0;
    xy002[334] = checksum(xy002, 6, 333);
    Bytes badXy002 = xy002;
    badXy002[334] ^= 1;
    Bytes page{0x3C, 0x30, 0x31, 0x00, 0x00, 0x10, 0x20, 0x02, 0x00};
    page.back() = checksum(page, 5, 7);
    Bytes pageNoLt = page;
    pageNoLt[0] = 0x00;
    pageNoLt.back() = checksum(pageNoLt, 5, 7);

    struct Case {
        int mode;
        Variant variant;
        std::int16_t deviceType;
        Bytes answer;
        bool accepted;
    };
    const auto X1 = Variant::XY001;
    const auto X2 = Variant::XY002;
    const Case cases[] = {
        {33, X1, 0, {0x3C}, true},
        {33, X1, 0, {0x3D, 0x30}, false},
        {33, X2, 0, xy002, true},
        {33, X2, 0, badXy002, false},
        {33, X2, 0, {0x3C, 0x00}, false},  // checksum over no byte
        {33, X2, 0, {0x3C, 0, 0, 0, 0, 0, 0x07, 0x07}, true},
        {2, X1, 0, {0x3C, 0x30, 0x31, 0x66}, true},
        {2, X1, 0, {0x3C, 0x30, 0x31, 0x09}, false},
        {9, X2, 0, {0x3C, 0x66}, true},
        {9, X2, 0, {0x3C}, false},
        {9, X2, 0, {0x66}, false},
        {6, X2, 0, {0x3C, 0x01, 0x66}, true},
        {6, X2, 0, page, false},
        {6, X2, 5, page, true},
        {6, X2, 5, pageNoLt, true},  // a page is tested by its checksum only
        {6, X2, 5, {0x3C, 0x30, 0x31, 0x00, 0x00, 0x10, 0x20, 0x02, 0x33}, false},
        {17, X2, 0, {0x3C, 0x30, 0x31, 0x09}, true},
        {28, X2, 0, {0x3C, 0x09}, true},
        {31, X2, 0, {0x3C, 0x66}, false},
        {28, X2, 0, {0x09}, false},
        {34, X2, 0, {0x3C, 0x30, 0x31, 0x00, 0x09}, true},
        {34, X2, 0, {0x3C, 0x30, 0x31, 0x00, 0x09, 0x66}, true},
        {34, X2, 0, {0x3C, 0x30, 0x31, 0x09}, false},
        {34, X2, 0, {0x3C, 0x30, 0x31, 0x00, 0x08}, false},
        {35, X2, 0, {0x00}, true},
        {35, X2, 0, {0x3C, 0x30, 0x31, 0x09}, true},
        {0, X2, 0, {0x3C, 0x09}, false},
        {12, X2, 0, {0x3C, 0x66}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(answerAccepted(c.mode, c.variant, c.deviceType, c.answer), c.accepted)
            << "mode " << c.mode << ", " << hexEcho(c.answer);
    }
    // Nothing is accepted from an empty answer.
    for (int mode : {0, 2, 6, 9, 17, 28, 31, 33, 34, 35}) {
        for (std::int16_t type : {0, 5}) {
            EXPECT_FALSE(answerAccepted(mode, X1, type, {})) << mode;
            EXPECT_FALSE(answerAccepted(mode, X2, type, {})) << mode;
        }
    }
}

// Short answers of every length are tested without reading past their end (the
// sanitizer build turns any such read into a failure).
TEST(Frames, ShortAnswersAreTestedWithinTheirBounds) {
    for (std::size_t n = 0; n <= 9; ++n) {
        Bytes answer(n, 0x09);
        if (n > 0) answer[0] = 0x3C;
        for (int mode : {2, 6, 9, 17, 28, 31, 33, 34, 35}) {
            for (std::int16_t type : {0, 253}) {
                for (Variant v : {Variant::XY001, Variant::XY002}) {
                    const bool accepted = answerAccepted(mode, v, type, answer);
                    if (mode == 34) {
                        EXPECT_EQ(accepted, n >= 5) << n;
                    }
                }
            }
        }
    }
}

class ParameterFrame : public ::testing::Test {
protected:
    ParameterFrame() {
        p.userName = "ABCDEFGH";
        p.title = "温度";
        p.intervalMinutes = 10;
        p.interval = makeDuration(0, 10, 0);
        p.startMode = kStartDelayed;
        p.delayHours = 1;
        p.delayMinutes = 2;
        p.delaySeconds = 3;
        p.stopMode = kStopByCount | kStopTimed;
        p.powerMode = kPowerSaving;
        p.stopCount = 1000;
        p.writeWord = 5;
        p.recordChannels = 0x0F;
        p.alarmChannels = 0x0103;
        p.timedStartTime = makeDateTime(2006, 3, 8, 9, 30, 0);
        p.timedStopTime = makeDateTime(2006, 4, 1, 12, 0, 0);
        p.lastStopTime = makeDateTime(2005, 12, 31, 23, 59, 59);
        p.stopReason = 3;
        p.curveNumber = {1, 2, 3, 4, 5, 6, 7, 8};
        p.alarmLow = {-300, 0, 0, 0, 0, 0, 0, -32768};
        p.alarmHigh = {300, 0, 0, 0, 0, 0, 0, 32767};
        // Filled by the logger; a write sends fixed values instead.
        p.recordCount = 1234;
        p.recordAddress = 0x4000;
        p.overflowCount = 2;
        p.workStatus = kWorkStopped;
    }
    LoggerParameters p;
    DateTime now = makeDateTime(2006, 3, 7, 14, 5, 9);
};

TEST_F(ParameterFrame, HoldsEveryFieldAtItsPosition) {
    const Bytes f = parameterFrame(16, p, now);
    ASSERT_EQ(f.size(), 185u);
    EXPECT_EQ(slice(f, 0, 8), (Bytes{0x25, 0x31, 0x30, 0x30, 0x47, 0xB3, 0x00, 0x0B}));
    EXPECT_EQ(slice(f, 8, 16),
              (Bytes{'A', 0, 'B', 0, 'C', 0, 'D', 0, 'E', 0, 'F', 0, 'G', 0, 'H', 0}));
    EXPECT_EQ(slice(f, 24, 16),
              (Bytes{0x29, 0x6E, 0xA6, 0x5E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(slice(f, 40, 7), (Bytes{20, 6, 3, 7, 14, 5, 9}));
    EXPECT_EQ(slice(f, 47, 3), (Bytes{0, 10, 0}));
    EXPECT_EQ(slice(f, 50, 4), (Bytes{2, 1, 2, 3}));
    EXPECT_EQ(f[54], 6);
    // Record count 0, record address 0C00, overflow 0, work status 1.
    EXPECT_EQ(slice(f, 55, 7), (Bytes{0, 0, 0, 0x0C, 0x00, 0, 1}));
    EXPECT_EQ(slice(f, 62, 4), (Bytes{0x80, 0x03, 0xE8, 5}));
    EXPECT_EQ(slice(f, 66, 5), Bytes(5, 0));
    EXPECT_EQ(slice(f, 71, 4), (Bytes{0x00, 0x0F, 0x01, 0x03}));
    EXPECT_EQ(slice(f, 75, 10), Bytes(10, 0));
    EXPECT_EQ(slice(f, 85, 3), (Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(slice(f, 88, 7), (Bytes{0x07, 0xD6, 3, 8, 9, 30, 0}));
    EXPECT_EQ(slice(f, 95, 9), Bytes(9, 0));
    // The timed stop goes out one interval later.
    EXPECT_EQ(slice(f, 104, 7), (Bytes{0x07, 0xD6, 4, 1, 12, 10, 0}));
    EXPECT_EQ(slice(f, 111, 7), (Bytes{0x07, 0xD5, 12, 31, 23, 59, 59}));
    EXPECT_EQ(f[118], 3);
    EXPECT_EQ(slice(f, 119, 24), Bytes(24, 0));
    EXPECT_EQ(slice(f, 143, 8), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(slice(f, 151, 2), (Bytes{0x81, 0x2C}));
    EXPECT_EQ(slice(f, 165, 2), (Bytes{0xFF, 0xFF}));  // -32768 goes out as -32767
    EXPECT_EQ(slice(f, 167, 2), (Bytes{0x01, 0x2C}));
    EXPECT_EQ(slice(f, 181, 2), (Bytes{0x7F, 0xFF}));
    EXPECT_EQ(f[183], 0);
    EXPECT_EQ(f[184], sumOf(f, 6, 183));
}

TEST_F(ParameterFrame, NamesArePaddedOrCutToEightCodeUnits) {
    struct Case {
        const char* name;
        Bytes expected;
    };
    const Case cases[] = {
        {"Na", {'N', 0, 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"", Bytes(16, 0)},
        {"ABCDEFGHIJ", {'A', 0, 'B', 0, 'C', 0, 'D', 0, 'E', 0, 'F', 0, 'G', 0, 'H', 0}},
        // A character beyond the basic plane is two code units, and is left out
        // whole rather than cut in half at the eighth.
        {"ABCDEFG\xF0\x9F\x98\x80", {'A', 0, 'B', 0, 'C', 0, 'D', 0, 'E', 0, 'F', 0, 'G', 0, 0, 0}},
        {"A\xF0\x9F\x98\x80", {'A', 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // Malformed UTF-8 becomes the replacement character.
        {"A\xFF", {'A', 0, 0xFD, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        p.userName = c.name;
        EXPECT_EQ(slice(parameterFrame(1, p, now), 8, 16), c.expected) << c.name;
    }
}

TEST_F(ParameterFrame, StartModeBytesDependOnTheMode) {
    const DateTime hour = 1.0 / 24;
    const DateTime minute = hour / 60;
    const DateTime second = minute / 60;
    struct Case {
        std::int16_t startMode;
        DateTime timedStart;
        Bytes expected;  // positions 50..53
    };
    const Case cases[] = {
        {kStartImmediately, 0, {1, 0, 0, 0}},
        {kStartDelayed, 0, {2, 1, 2, 3}},
        {kStartManual, 0, {4, 0, 0, 0}},
        {kStartTimed, now + 30 * hour + 15 * minute + 20 * second, {2, 30, 15, 20}},
        {kStartTimed, now + 255 * hour + 59 * minute, {2, 255, 59, 0}},
        {kStartTimed, now + 300 * hour + 7 * minute + 8 * second, {2, 0, 7, 8}},
        {kStartTimed, now - hour, {2, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        p.startMode = c.startMode;
        p.timedStartTime = c.timedStart;
        const Bytes f = parameterFrame(1, p, now);
        EXPECT_EQ(slice(f, 50, 4), c.expected) << c.startMode;
        EXPECT_EQ(f[184], sumOf(f, 6, 183));
    }
}

TEST_F(ParameterFrame, RestampRefreshesTheTimeAndChecksumOnly) {
    const Bytes first = parameterFrame(1, p, now);
    Bytes resent = first;
    restampParameterFrame(resent, makeDateTime(2007, 1, 2, 3, 4, 5));
    EXPECT_EQ(slice(resent, 40, 7), (Bytes{20, 7, 1, 2, 3, 4, 5}));
    EXPECT_EQ(resent[184], sumOf(resent, 6, 183));
    EXPECT_NE(resent[184], first[184]);
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (i < 40 || (i > 46 && i != 184)) {
            EXPECT_EQ(resent[i], first[i]) << i;
        }
    }

    Bytes tooShort = slice(first, 0, 50);
    const Bytes before = tooShort;
    restampParameterFrame(tooShort, now + 1);
    EXPECT_EQ(tooShort, before);
}

}  // namespace
}  // namespace tarvo
