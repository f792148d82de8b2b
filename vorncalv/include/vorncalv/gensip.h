// gensip: writes the commented template of the static input-parameter file, with every
// parameter line and the values for both instrument units (VORN-01 active, VORN-00 as
// comments), so that the operator only has to edit and rename it.
#pragma once

#include <cstddef>
#include <string_view>

namespace vorncalv {

// Length of every template line, blank-padded.
inline constexpr std::size_t SIPLINE = 90;
// Number of template lines.
inline constexpr int NSIPLINES = 30;

// Creates the file named FILNAM (trailing blanks and NULs not significant) as a new file
// and writes the 30 template lines of 90 characters each. Returns false, writing nothing,
// when the file already exists or cannot be created, and false when writing fails.
[[nodiscard]] bool gensip(std::string_view FILNAM);

}  // namespace vorncalv
