#include "core/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvo {
namespace {

TEST(Utf8, CharactersAreReadStrictlyAndAMalformedOneCoversItsWellFormedBeginning) {
    struct Case {
        std::string text;
        char32_t codePoint;
        std::size_t length;
        bool valid;
    } cases[] = {
        {"A", U'A', 1, true},
        {"\xC3\xA9", U'\u00E9', 2, true},
        {"\xE6\xB8\xA9", U'\u6E29', 3, true},
        {"\xF0\x9F\x98\x80", U'\U0001F600', 4, true},
        {"\xC0\xAF", kReplacementCharacter, 1, false},          // overlong
        {"\xE0\x80\x80", kReplacementCharacter, 1, false},      // overlong
        {"\xED\xA0\x80", kReplacementCharacter, 1, false},      // a surrogate
        {"\xF4\x90\x80\x80", kReplacementCharacter, 1, false},  // above U+10FFFF
        {"\xE6\xB8", kReplacementCharacter, 2, false},          // cut short
        {"\xF0\x9F\x98"
         "A",
         kReplacementCharacter, 3, false},
        {"\x80", kReplacementCharacter, 1, false},
    };
    for (const Case& c : cases) {
        const Utf8Character got = firstUtf8Character(c.text);
        EXPECT_EQ(got.codePoint, c.codePoint) << c.text;
        EXPECT_EQ(got.length, c.length) << c.text;
        EXPECT_EQ(got.valid, c.valid) << c.text;
    }
}

TEST(Utf8, TextsGoToUtf16AndBackWithSurrogatePairsAndReplacements) {
    const std::string text = "A\xE6\xB8\xA9\xF0\x9F\x98\x80z";
    EXPECT_EQ(utf8ToUtf16(text), u"A\u6E29\U0001F600z");
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(text)), text);
    // Each byte of a broken sequence is one replacement; lone surrogates are too.
    EXPECT_EQ(utf8ToUtf16("a\xE6\xB8z"), u"a\uFFFD\uFFFDz");
    EXPECT_EQ(utf16ToUtf8(std::u16string{u'a', char16_t(0xD83D), u'b', char16_t(0xDE00)}),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");

    const auto characters = utf8Characters(text);
    ASSERT_TRUE(characters);
    ASSERT_EQ(characters->size(), 4u);
    EXPECT_EQ(utf16Units((*characters)[2]), 2);
    EXPECT_FALSE(utf8Characters("ok\xFF"));
}

}  // namespace
}  // namespace tarvo
