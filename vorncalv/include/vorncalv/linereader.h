// Reading one text line into a bounded buffer, as the driver reads console answers and the
// lines of its text files: characters beyond the width that counts are read and dropped, so
// an overlong line (or a file without line ends) never grows memory beyond that width.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

namespace vorncalv {

// Reads the next line of in into line, keeping at most width characters; the rest of the
// line up to its end is consumed and dropped. A "\r" right before the line end (or before
// the end of input) belongs to the line end. Returns true when a line was read (the last
// line of a file needs no line end); false at end of input before any character, or on a
// read error (the stream's badbit is then set; a stream buffer that throws on a failed read,
// as one opened on a directory does, counts as a read error).
bool readLine(std::istream& in, std::string& line, std::size_t width);

// As above; significant receives the length of the whole line up to its last non-blank
// character, dropped characters included, so a caller can tell a line that did not fit
// from one whose cut part held only blanks.
bool readLine(std::istream& in, std::string& line, std::size_t width, std::size_t& significant);

}  // namespace vorncalv
