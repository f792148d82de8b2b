// Conventions shared by the record reader (rddmvf) and the record writer (wtdmvf): the
// 80-character file name terminated in the caller's own variable, the 80-character message,
// the library's last error text and the free-format progress lines on the console.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "libutil/fortfmt.h"

namespace util::recbridge {

// Width of file names and messages.
inline constexpr std::size_t TEXTLEN = 80;
// Longest error text handed back in a message (one blank always follows it).
inline constexpr std::size_t ERRLEN = 79;

// The name as the library sees it and as progress lines show it: up to the first NUL,
// at most 80 characters.
std::string_view shownName(const std::string& name);

// The library's last error text for a file integer (0: the process-wide text), at most
// 79 characters, trailing blanks removed; empty when there is none.
std::string lastErrorText(int handle);

// text blank-padded (or cut) to the 80 characters of a message.
std::string message(std::string_view text);

// Writes one free-format line to the console.
void progress(std::initializer_list<FmtArg> items);

// Prints the library's last error text for a file integer under its heading line and
// returns the text.
std::string reportLibraryError(int handle);

// Prints the number of the last try of a wait loop.
void reportTry(int tries);

// Writes one line to the program's log, when it is open: what an operator must find there
// later (a wait's reason, a file reopened), beside the progress lines of the console.
void logLine(std::string_view line);

}  // namespace util::recbridge
