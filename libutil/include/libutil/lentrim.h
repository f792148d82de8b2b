// lentrim: the length of a text without its trailing blanks and NULs.
#pragma once
#include <string_view>
namespace util {
// Position (1-based) of the last character of the first 256 characters of STRNG that is
// neither a blank nor a NUL; 0 if there is none. A shorter text counts as blank-padded.
int lentrim(std::string_view STRNG);
}  // namespace util
