// getsmpi: reading the scene-mirror-position file.
#include "vorncalv/getsmpi.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/wait.h"
#include "vorncalv/linereader.h"
#include "vorncalv/messages.h"
#include "vorncalv/runstate.h"

namespace vorncalv {
namespace {

// Characters of a line that count: the view and encoder lines are read 16 wide, the header
// line as free-format items.
constexpr std::size_t VIEWLINE = 16;
constexpr std::size_t HEADLINE = 256;

enum class ReadResult { ok, readError, endOfFile };

bool exists(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists(name, error);
}

// Reads free-format integers from the lines of in until count values were read, taking
// further lines when a line holds too few (blank lines are passed over); a "/" ends the
// reading and leaves the remaining values 0. Items are separated by blanks or commas.
ReadResult readIntegers(std::istream& in, int* values, int count) {
    int got = 0;
    std::string line;
    while (got < count) {
        if (!readLine(in, line, HEADLINE)) return in.bad() ? ReadResult::readError : ReadResult::endOfFile;
        std::size_t pos = 0;
        while (got < count) {
            pos = line.find_first_not_of(" \t,", pos);
            if (pos == std::string::npos) break;
            if (line[pos] == '/') {
                for (; got < count; ++got) values[got] = 0;
                break;
            }
            const std::size_t end = std::min(line.find_first_of(" \t,/", pos), line.size());
            const char* first = line.data() + pos;
            const char* last = line.data() + end;
            if (*first == '+') ++first;  // from_chars takes no plus sign
            int value = 0;
            const auto [ptr, error] = std::from_chars(first, last, value);
            if (error != std::errc() || ptr != last || first == last) return ReadResult::readError;
            values[got++] = value;
            pos = end;
        }
    }
    return ReadResult::ok;
}

ReadResult readTextLine(std::istream& in, std::string& line) {
    if (readLine(in, line, VIEWLINE)) return ReadResult::ok;
    return in.bad() ? ReadResult::readError : ReadResult::endOfFile;
}

}  // namespace

void getsmpi(int IWAIT, int LOG, std::string_view LOGFIL, std::string_view MPFILE,
             int& NSMPPC, std::string& SMPI, int& ISTAT) {
    const std::string name(util::trim(MPFILE));
    SMPI = std::string(MAXSMP, ' ');
    ISTAT = 0;

    if (IWAIT != 0) {
        util::Wait wait("FILE " + name);
        while (!exists(name)) {
            sayLine(util::freefmt({"GETSMPI -- waiting for file: " + name}));
            wait.sleep();
        }
    }

    std::ifstream in(name);
    if (!in) {
        sayAndLog(LOG, LOGFIL, util::freefmt({"GETSMPI --Unable to open file: " + name}));
        ISTAT = 1;
        return;
    }

    int header[2] = {0, 0};
    int lineCount = 1;
    ReadResult result = readIntegers(in, header, 2);
    NSMPPC = header[0];
    int NMP = 0;
    std::string encoderLine;
    std::string viewLine;
    while (result == ReadResult::ok) {
        ++lineCount;
        result = readTextLine(in, encoderLine);
        if (result == ReadResult::ok) result = readTextLine(in, viewLine);
        if (result != ReadResult::ok) break;
        ++NMP;
        if (NMP <= NSMPPC && NMP <= static_cast<int>(MAXSMP)) {
            SMPI[static_cast<std::size_t>(NMP - 1)] = viewLine.empty() ? ' ' : viewLine[0];
        }
        if (NMP >= NSMPPC) break;
    }

    if (result == ReadResult::readError) {
        sayAndLog(LOG, LOGFIL,
                  util::freefmt({"GETSMPI -- Read error, line " + std::to_string(lineCount) + " file " + name}));
        ISTAT = 2;
        return;
    }
    if (result == ReadResult::endOfFile) {
        sayLine(util::freefmt({"GETSMPI -- End of file " + name}));
        sayLine(util::freefmt({"...reading line", lineCount}));
        ISTAT = 3;
        return;
    }
    sayLine(util::freefmt({"GETSMPI -- NMP = NSMPPC =", NMP}));
}

}  // namespace vorncalv
