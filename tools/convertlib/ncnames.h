// netCDF variable names from the texts of a data file.
//
// The netCDF library takes a name of UTF-8 that starts with a letter, a digit, "_" or a
// character beyond ASCII, holds no "/" and no control character and does not end in a
// space. It takes names of up to 256 bytes, but one of exactly 256 it cannot find again
// in the file it wrote, so 255 bytes are the most used here. A text that is such a name
// is used as it is; any other is mended: "/", control characters and bytes that are not
// UTF-8 become "_", spaces at either end are dropped, "v" goes before a first character
// other than a letter, digit or "_", and the name is cut to 255 bytes (at a character's
// start).
#pragma once

#include <string>
#include <string_view>

namespace convert {

// The longest netCDF name written, in bytes.
constexpr size_t MaxNameBytes = 255;

// text mended into a legal netCDF name by the rule above: text itself when it is one;
// empty when nothing of it is left (an empty text or one of spaces only).
std::string netcdfName(std::string_view text);

// name with the suffix "_v<n>" for the n-th variable wanting it (n >= 2), name cut so
// that the whole stays within MaxNameBytes.
std::string numberedName(std::string_view name, int n);

}  // namespace convert
