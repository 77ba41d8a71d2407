#include "core/text_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace tarvo {

namespace {

std::string nonFiniteText(double value) {
    if (std::isnan(value)) return "NaN";
    return value < 0 ? "-Inf" : "Inf";
}

// Rounds |value| × 10^shift to `decimals` decimals, half away from zero, working on
// the exact decimal expansion of the double (glibc prints it exactly when asked for
// enough digits, and a double needs at most 53 − exponent fractional digits).
// Returns the digits with the point in place, without a sign.
std::string roundedMagnitude(double magnitude, int shift, int decimals) {
    int exponent = 0;
    std::frexp(magnitude, &exponent);
    const int precision = std::clamp(53 - exponent, shift + decimals + 1, 1200);
    std::string buf(precision + 400, '\0');  // up to 309 integer digits, point, fraction
    const int n = std::snprintf(buf.data(), buf.size(), "%.*f", precision, magnitude);
    buf.resize(n > 0 ? static_cast<std::size_t>(n) : 0);

    const std::size_t point = buf.find('.');
    std::string intPart = buf.substr(0, point);
    std::string fracPart = point == std::string::npos ? std::string() : buf.substr(point + 1);
    fracPart.resize(std::max<std::size_t>(fracPart.size(), shift + decimals + 1), '0');
    intPart += fracPart.substr(0, shift);
    fracPart.erase(0, shift);

    std::string digits = intPart + fracPart.substr(0, decimals);
    if (fracPart[decimals] >= '5') {  // the exact value is at least halfway: away from zero
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[i - 1];
        }
    }
    std::string whole = digits.substr(0, digits.size() - decimals);
    const std::size_t firstNonZero = whole.find_first_not_of('0');
    whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);
    if (decimals == 0) return whole;
    return whole + '.' + digits.substr(digits.size() - decimals);
}

// The common case without printing fifty digits: |value| × 10^(shift + decimals)
// rounded half away from zero, when the product is small and its fraction lies
// clearly away from one half (the product carries at most half an ulp of error, far
// below the margin). Near a tie the exact expansion decides.
std::optional<std::string> fastRoundedMagnitude(double magnitude, int shift, int decimals) {
    static constexpr double kPowers[] = {1, 10, 100, 1000, 10000};
    const double product = magnitude * kPowers[shift + decimals];
    if (!(product < 1e15)) return std::nullopt;
    const double floor = std::floor(product);
    const double fraction = product - floor;  // exact below 2^53
    if (std::fabs(fraction - 0.5) <= std::max(product, 1.0) * 1e-12) return std::nullopt;
    auto scaled = static_cast<long long>(fraction > 0.5 ? floor + 1 : floor);
    long long unit = 1;
    for (int i = 0; i < decimals; ++i) unit *= 10;
    std::string text = std::to_string(scaled / unit);
    if (decimals > 0) {
        std::string fractionDigits = std::to_string(scaled % unit);
        fractionDigits.insert(0, static_cast<std::size_t>(decimals) - fractionDigits.size(), '0');
        text += '.' + fractionDigits;
    }
    return text;
}

}  // namespace

std::string formatNumber(double value, NumberFormat format) {
    if (!std::isfinite(value)) return nonFiniteText(value);
    const int shift = format == NumberFormat::Percent2 ? 2 : 0;
    const int decimals = format == NumberFormat::Count ? 0 : 2;
    const double magnitude = std::fabs(value);
    auto fast = fastRoundedMagnitude(magnitude, shift, decimals);
    std::string text = fast ? std::move(*fast) : roundedMagnitude(magnitude, shift, decimals);
    if (format == NumberFormat::Fixed1Max2 && text.back() == '0') text.pop_back();
    // No sign on a value that rounds to zero.
    if (std::signbit(value) && text.find_first_not_of("0.") != std::string::npos)
        text.insert(text.begin(), '-');
    switch (format) {
        case NumberFormat::Percent2:
            return text + '%';
        case NumberFormat::Count:
            return text + "次";
        case NumberFormat::Fixed2:
        case NumberFormat::Fixed1Max2:
            break;
    }
    return text;
}

std::string singleText(float value) {
    if (!std::isfinite(value)) return nonFiniteText(value);
    if (value == 0.0f) return "0";  // also negative zero
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7G", static_cast<double>(value));
    std::string text(buf);
    // Trim the mantissa: trailing fractional zeros, then a bare point.
    const std::size_t exponentAt = text.find('E');
    std::string mantissa = text.substr(0, exponentAt);
    const std::string exponent = exponentAt == std::string::npos ? "" : text.substr(exponentAt);
    if (mantissa.find('.') != std::string::npos) {
        while (mantissa.back() == '0') mantissa.pop_back();
        if (mantissa.back() == '.') mantissa.pop_back();
    }
    return mantissa + exponent;
}

}  // namespace tarvo
