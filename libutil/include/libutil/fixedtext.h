// Fixed-length text, as the driver keeps every name and message: blank-padded to a fixed
// width, trailing blanks (and NULs) not significant, NUL-terminated in place before a text
// is handed to the library.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace util {

// text cut or blank-padded to exactly width characters.
std::string pad(std::string_view text, std::size_t width);

// text without its trailing blanks and NULs.
std::string_view trim(std::string_view text);

// What terminateName does with a name that fills its whole width.
enum class WhenFull {
    standsWhole,  // no room for the NUL: the name stands for exactly those characters
    cutByOne,     // the name must end inside its width: the NUL takes its last character
};

// Blank-pads (or cuts) name to width characters, then places a NUL right after its last
// non-blank character, unless that character is already a NUL; an all-blank name becomes
// the empty name (a NUL first). Nothing outside the width is ever written.
void terminateName(std::string& name, std::size_t width, WhenFull full = WhenFull::standsWhole);

// Overwrites positions [pos, pos + text.size()) of a fixed text with text (0-based),
// cut at the end of target; positions outside target are left alone.
void overlay(std::string& target, std::size_t pos, std::string_view text);

}  // namespace util
