#pragma once
// GBK, the code page of the loggers' texts and of every text file the program
// writes. Conversions never throw and never fail: what cannot be converted is
// replaced.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo {

// UTF-8 to GBK. A character with no GBK form (an emoji) becomes '?', and so does
// each malformed UTF-8 sequence.
std::string utf8ToGbk(std::string_view utf8);

// GBK to UTF-8. A byte sequence that is not GBK becomes U+FFFD (one per bad lead
// byte; a bad second byte is read again as the start of the next character).
std::string gbkToUtf8(std::string_view gbk);

// A fixed-width GBK field of exactly n bytes: the text converted, cut at n bytes
// without splitting a double-byte character, and padded with spaces.
std::string fixedGbkText(std::string_view utf8, std::size_t n);

}  // namespace tarvo
