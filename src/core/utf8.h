#pragma once
// UTF-8 as the program holds its texts, and the UTF-16 the logger keeps its names in.
// Strict: no overlong forms, no surrogates, nothing above U+10FFFF.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The character at the start of `text` (not empty). A malformed sequence is not
// valid; its length is then that of its longest well-formed beginning (at least one
// byte): the bytes one replacement character stands for.
struct Utf8Character {
    char32_t codePoint = kReplacementCharacter;
    std::size_t length = 1;
    bool valid = false;
};
Utf8Character firstUtf8Character(std::string_view text);

// Appends the code point (≤ U+10FFFF, no surrogate) in UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);

// The text split into its characters; nothing when it is not valid UTF-8.
std::optional<std::vector<std::string_view>> utf8Characters(std::string_view text);

// UTF-16 code units of one valid UTF-8 character: two outside the basic plane.
inline int utf16Units(std::string_view character) {
    return character.size() == 4 ? 2 : 1;
}

// UTF-8 to UTF-16. Each byte of a malformed sequence becomes one U+FFFD, so a
// broken text keeps its length in the logger's fixed fields.
std::u16string utf8ToUtf16(std::string_view text);

// UTF-16 to UTF-8; a surrogate without its partner becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view units);

}  // namespace tarvo
