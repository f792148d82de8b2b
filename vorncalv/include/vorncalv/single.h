// Storing a 64-bit result as a 32-bit real, as the calibration does with every value it
// computes in extended precision.
#pragma once

#include <limits>

namespace vorncalv {

static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559,
              "the calibration relies on IEEE 754 rounding of 64-bit to 32-bit reals");

// x rounded to the nearest 32-bit real. With IEEE reals the 32-bit range runs from -inf to
// +inf, so the conversion is defined for every value: from half a unit in the last place
// above the largest finite 32-bit real on it gives an infinity of the value's sign; NaN stays
// NaN. Being a plain conversion without branches, it lets the loops that use it vectorise.
inline float toSingle(double x) { return static_cast<float>(x); }

}  // namespace vorncalv
