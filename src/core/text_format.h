#pragma once
// The program's number formats. Every grid, list, label and text file shows numbers
// through these, so they read the same everywhere.

#include <string>

namespace tarvo {

enum class NumberFormat {
    Fixed2,      // "#0.00"
    Fixed1Max2,  // "#0.0#": two decimals, the second dropped when it is 0
    Percent2,    // "#0.00%": the value times 100
    Count,       // "#0次": a whole number followed by 次
};

// Rounds half away from zero on the exact binary value of `value` (0.125 gives
// "0.13"; 2.675, held as 2.67499999…, gives "2.67"). A value that rounds to zero
// shows without a sign ("0.00", never "-0.00"). NaN shows as "NaN" and the
// infinities as "Inf" and "-Inf", without a suffix, in every format.
std::string formatNumber(double value, NumberFormat format);

// A single as plain number text with up to seven significant digits: C's %.7G with
// trailing fractional zeros and a bare trailing point removed ("23.5", "1E+08",
// "1.5E-05"). Negative zero shows as "0"; NaN and the infinities as formatNumber.
std::string singleText(float value);

}  // namespace tarvo
