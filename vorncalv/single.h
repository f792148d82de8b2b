// Storing a 64-bit result as a 32-bit real, as the calibration does with every value it
// computes in extended precision.
#pragma once

#include <limits>

namespace vorncalv {

// x rounded to the nearest 32-bit real. A value beyond the 32-bit range becomes an
// infinity of its sign (as the hardware conversion gives, but without relying on a
// conversion the language leaves undefined); NaN stays NaN.
inline float toSingle(double x) {
    // Half a unit in the last place above the largest finite 32-bit real: from here on
    // rounding gives infinity.
    constexpr double LIMIT = static_cast<double>(std::numeric_limits<float>::max()) + 0x1p103;
    if (x >= LIMIT) return std::numeric_limits<float>::infinity();
    if (x <= -LIMIT) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(x);
}

}  // namespace vorncalv
