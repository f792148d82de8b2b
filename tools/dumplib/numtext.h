// Numbers and texts as the dump tools print them: shortest exact decimals, fixed-point
// coordinates, and texts from data files made safe for a terminal or an XML document.
#pragma once

#include <string>
#include <string_view>

namespace dump {

// The shortest decimal that reads back to exactly this value ("0.1", "290.5", "1e+30");
// "NaN", "Inf" and "-Inf" for the special values.
std::string formatFloat(float value);
std::string formatDouble(double value);

// value with exactly `decimals` digits after the point (no exponent).
std::string formatFixed(double value, int decimals);

// A description text from a file: cut at the first NUL, trailing blanks removed, control
// characters replaced by '?' so that a damaged file cannot drive the terminal.
std::string cleanText(std::string_view raw);

// True when a and b hold the same letters, upper and lower case taken as equal.
bool sameIgnoringCase(std::string_view a, std::string_view b);

// Text escaped for XML character data and attribute values (&, <, >, ", '); bytes that do
// not form valid UTF-8, and control characters XML forbids, become '?'.
std::string xmlEscape(std::string_view text);

}  // namespace dump
