// Missing values as the program meets them: -999.0 for a header word that has no value,
// and the quiet NaN with the one bit pattern 0x7FC00000 that marks a missing value on file.
#pragma once

#include <bit>
#include <cstdint>
#include <span>

namespace vorncalv {

// Value that stands for a missing header word.
inline constexpr float MISSVAL = -999.0F;
// Bit pattern of the quiet NaN that marks a missing value on file.
inline constexpr unsigned QNANBITS = 0x7FC00000U;

// The quiet NaN with exactly the pattern QNANBITS, written for missing values.
constexpr float quietNaN() { return std::bit_cast<float>(static_cast<std::uint32_t>(QNANBITS)); }

// Replaces every value whose bit pattern is exactly 0x7FC00000 by -999.0 (other NaN
// patterns are left as they are).
void replaceQuietNaNs(std::span<float> values);

}  // namespace vorncalv
