#include "core/utf8.h"

#include <cstdint>

namespace tarvo {

Utf8Character firstUtf8Character(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t b0 = byte(0);
    if (b0 < 0x80) return {b0, 1, true};
    std::size_t need = 0;
    char32_t codePoint = 0;
    std::uint8_t low = 0x80, high = 0xBF;  // the second byte's range
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 2, codePoint = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 3, codePoint = b0 & 0x0Fu;
        if (b0 == 0xE0) low = 0xA0;   // no overlong form
        if (b0 == 0xED) high = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 4, codePoint = b0 & 0x07u;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return {};
    }
    std::size_t i = 1;
    for (; i < need && i < text.size(); ++i) {
        const std::uint8_t b = byte(i);
        const bool good = i == 1 ? (b >= low && b <= high) : (b >= 0x80 && b <= 0xBF);
        if (!good) return {kReplacementCharacter, i, false};
        codePoint = (codePoint << 6) | (b & 0x3Fu);
    }
    if (i < need) return {kReplacementCharacter, i, false};  // the text ends early
    return {codePoint, need, true};
}

void appendUtf8(std::string& out, char32_t cp) {
    const auto put = [&out](char32_t b) { out.push_back(static_cast<char>(b)); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

std::optional<std::vector<std::string_view>> utf8Characters(std::string_view text) {
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Character c = firstUtf8Character(text.substr(i));
        if (!c.valid) return std::nullopt;
        out.push_back(text.substr(i, c.length));
        i += c.length;
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Character c = firstUtf8Character(text.substr(i));
        if (!c.valid) {
            out.push_back(static_cast<char16_t>(kReplacementCharacter));
            ++i;
            continue;
        }
        if (c.codePoint >= 0x10000) {
            const char32_t v = c.codePoint - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c.codePoint));
        }
        i += c.length;
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view units) {
    const auto high = [](char16_t u) { return u >= 0xD800 && u <= 0xDBFF; };
    const auto low = [](char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; };
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (high(u) && i + 1 < units.size() && low(units[i + 1])) {
            appendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                                (static_cast<char32_t>(units[i + 1]) - 0xDC00));
            ++i;
        } else if (high(u) || low(u)) {
            appendUtf8(out, kReplacementCharacter);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

}  // namespace tarvo
