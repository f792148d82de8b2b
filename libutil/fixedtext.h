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

// Places a NUL right after the last character of buf[0..width) that is neither a blank
// nor a NUL, never writing at or past buf[width]. When the significant text fills all
// width characters, the last character is replaced by the NUL (the text is cut by one),
// so the result is always NUL-terminated inside the caller's buffer. Returns the length
// of the terminated text.
std::size_t nulTerminate(char* buf, std::size_t width);

// Overwrites positions [pos, pos + text.size()) of a fixed text with text (0-based),
// cut at the end of target; positions outside target are left alone.
void overlay(std::string& target, std::size_t pos, std::string_view text);

}  // namespace util
