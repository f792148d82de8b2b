// Reading one text line into a bounded buffer.
#include "vorncalv/linereader.h"

#include <exception>
#include <istream>

namespace vorncalv {

bool readLine(std::istream& in, std::string& line, std::size_t width) {
    std::size_t significant = 0;
    return readLine(in, line, width, significant);
}

bool readLine(std::istream& in, std::string& line, std::size_t width, std::size_t& significant) {
    line.clear();
    significant = 0;
    std::size_t length = 0;  // characters of the line so far, dropped ones included
    if (!in.good()) return false;
    bool readSomething = false;
    bool droppedCarriageReturn = false;  // a '\r' held back until we know what follows
    std::streambuf* buf = in.rdbuf();
    for (;;) {
        int c = 0;
        try {
            c = buf->sbumpc();
        } catch (const std::exception&) {
            // The buffer reports a failed read (a directory opened as a file) by throwing:
            // that is a read error like any other.
            in.setstate(std::ios::badbit);
            return false;
        }
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            if (!readSomething) in.setstate(std::ios::failbit);
            return readSomething;
        }
        readSomething = true;
        if (c == '\n') return true;
        if (droppedCarriageReturn) {
            if (line.size() < width) line.push_back('\r');
            significant = ++length;
        }
        droppedCarriageReturn = (c == '\r');
        if (droppedCarriageReturn) continue;
        if (line.size() < width) line.push_back(static_cast<char>(c));
        ++length;
        if (c != ' ') significant = length;
    }
}

}  // namespace vorncalv
