// uprcas: one character in upper case.
#pragma once
namespace util {
// C in upper case: "a" to "z" become capitals, every other character is returned unchanged.
char uprcas(char C);
}  // namespace util
