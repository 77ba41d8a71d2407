#include "core/gbk.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvo {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD

TEST(Gbk, ChineseTextConvertsBothWays) {
    const struct {
        const char* utf8;
        std::string gbk;
    } cases[] = {
        {"温度℃", "\xCE\xC2\xB6\xC8\xA1\xE6"},
        {"记录仪", "\xBC\xC7\xC2\xBC\xD2\xC7"},
        {"KPa 12.5%RH", "KPa 12.5%RH"},
        {"€", "\x80"},  // the one single-byte character above ASCII
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToGbk(c.utf8), c.gbk) << c.utf8;
        EXPECT_EQ(gbkToUtf8(c.gbk), c.utf8) << c.utf8;
    }
    EXPECT_EQ(utf8ToGbk(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Gbk, WhatGbkCannotHoldBecomesAQuestionMark) {
    const struct {
        std::string utf8;
        std::string gbk;
    } cases[] = {
        {"A\U0001F600z", "A?z"},                  // an emoji
        {"\xCE\xC2", "??"},                       // GBK bytes are not UTF-8
        {"A\xFFz", "A?z"},                        // a byte never in UTF-8
        {"\xE6\xB8", "?"},                        // a character cut short at the end
        {"\xE6\xB8z\xE5\xBA\xA6", "?z\xB6\xC8"},  // cut short in the middle
        {"\xC0\xAF", "??"},                       // overlong form
        {"\xED\xA0\x80", "???"},                  // encoded surrogate
        {"\xF4\x90\x80\x80", "????"},             // beyond U+10FFFF
        {"\x80温", "?\xCE\xC2"},                  // stray continuation byte
    };
    for (const auto& c : cases) EXPECT_EQ(utf8ToGbk(c.utf8), c.gbk);
}

TEST(Gbk, BytesThatAreNotGbkBecomeReplacementCharacters) {
    const struct {
        std::string gbk;
        std::string utf8;
    } cases[] = {
        {"A\xCE", "A" + kReplacement},            // lead byte at the end
        {"\xCE \xCE\xC2", kReplacement + " 温"},  // bad second byte is read again
        {"\xFFz", kReplacement + "z"},
        {"\xA1\x40z", kReplacement + "z"},  // unmapped pair: one character
    };
    for (const auto& c : cases) EXPECT_EQ(gbkToUtf8(c.gbk), c.utf8);
}

TEST(Gbk, EveryTwoByteCodeEitherRoundTripsOrIsReplaced) {
    int mapped = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string utf8 = gbkToUtf8("x" + pair + "y");
            ASSERT_GE(utf8.size(), 3u);
            ASSERT_EQ(utf8.front(), 'x');
            ASSERT_EQ(utf8.back(), 'y');
            const std::string middle = utf8.substr(1, utf8.size() - 2);
            if (middle == kReplacement) continue;
            ++mapped;
            EXPECT_EQ(utf8ToGbk(middle), pair) << std::hex << lead << ' ' << trail;
        }
    }
    EXPECT_GT(mapped, 21000);  // GBK holds 21886 two-byte characters
}

TEST(Gbk, FixedFieldsHoldExactlyNBytesWithoutSplittingACharacter) {
    const struct {
        const char* utf8;
        std::size_t n;
        std::string field;
    } cases[] = {
        {"温度", 3, "\xCE\xC2 "},
        {"温度", 4, "\xCE\xC2\xB6\xC8"},
        {"温度", 6, "\xCE\xC2\xB6\xC8  "},
        {"温度", 1, " "},
        {"a温", 2, "a "},
        {"abcdefghij", 8, "abcdefgh"},
        {"", 3, "   "},
        {"温度", 0, ""},
        {"😀温", 3, "?\xCE\xC2"},
        {"€温", 2, "\x80 "},
    };
    for (const auto& c : cases) EXPECT_EQ(fixedGbkText(c.utf8, c.n), c.field) << c.utf8 << c.n;
}

}  // namespace
}  // namespace tarvo
