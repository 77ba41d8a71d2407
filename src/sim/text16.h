#pragma once
// The logger keeps its user name and title as UTF-16 code units, low byte first.

#include <string>
#include <string_view>

namespace tarvo::sim_text {

// The simulator's own conversions, kept apart from the program's on purpose (see
// text16.cpp).

bool validUtf8(std::string_view s);
bool isAscii(std::string_view s);
// Invalid sequences become U+FFFD.
std::u16string utf8ToUtf16(std::string_view s);
// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view s);

}  // namespace tarvo::sim_text
