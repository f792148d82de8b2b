// Reading one text line into a bounded buffer.
#include "vorncalv/linereader.h"

#include <istream>

namespace vorncalv {

bool readLine(std::istream& in, std::string& line, std::size_t width) {
    line.clear();
    if (!in.good()) return false;
    bool readSomething = false;
    bool droppedCarriageReturn = false;  // a '\r' held back until we know what follows
    std::streambuf* buf = in.rdbuf();
    for (;;) {
        const int c = buf->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            if (!readSomething) in.setstate(std::ios::failbit);
            return readSomething;
        }
        readSomething = true;
        if (c == '\n') return true;
        if (droppedCarriageReturn && line.size() < width) line.push_back('\r');
        droppedCarriageReturn = (c == '\r');
        if (!droppedCarriageReturn && line.size() < width) line.push_back(static_cast<char>(c));
    }
}

}  // namespace vorncalv
