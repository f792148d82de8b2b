// Blackbody emissivity and cavity model on the input grid.
#include "vorncalv/emissivity.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <istream>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>

#include "libutil/filereason.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/nrout.h"
#include "libutil/stop.h"
#include "libutil/znterp.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/linereader.h"
#include "vorncalv/single.h"

namespace vorncalv {
namespace {

// Characters of a number token that are kept; a longer token cannot be a number of ours
// and is read as unreadable, without growing memory.
constexpr std::size_t TOKEN_LIMIT = 64;

// Stop text of every fault of the emissivity-spectrum file found after it was opened.
constexpr const char* CHECK_FILE = "CHECK EMISSIVITY FILE";

std::string trimmed(std::string_view text) { return std::string(util::trim(text)); }

// ---- Reading the paint emissivity points ----------------------------------------------

enum class PointRead { ok, endOfFile, readError };

// A real in free format: an optional sign, digits with an optional point, an optional
// exponent with the letter E or D. It must be finite in single precision; anything else
// (text, a repeat count such as 2*0.9, NaN, a value beyond single precision) is unreadable.
std::optional<float> realValue(std::string text) {
    if (!text.empty() && text.front() == '+') text.erase(0, 1);  // from_chars takes no plus sign
    for (char& c : text) {
        if (c == 'd' || c == 'D') c = 'e';  // double-precision exponent letter
    }
    const bool looksNumeric = text.find_first_not_of("0123456789.eE+-") == std::string::npos;
    if (text.empty() || !looksNumeric) return std::nullopt;
    double value = 0.0;
    const char* last = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), last, value, std::chars_format::general);
    if (error != std::errc() || ptr != last || !std::isfinite(value)) return std::nullopt;
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) return std::nullopt;
    return static_cast<float>(value);
}

// Reads the points of the emissivity spectrum, two reals per point in free format: each
// point starts on a new line; the values are separated by blanks or by one comma (with
// blanks around it or not); a line holding one value is completed from the next line;
// blank lines are passed over; whatever follows the second value of a line is ignored.
class PointReader {
public:
    explicit PointReader(std::istream& in) : buf_(*in.rdbuf()) {}

    // The next point into wavenumber and emissivity. endOfFile when the file ends before the
    // point is complete (a lone last value is dropped); readError when a value cannot be
    // read (a null value between two commas or at the start of a line counts as such).
    PointRead next(float& wavenumber, float& emissivity) {
        float values[2] = {0.0F, 0.0F};
        int count = 0;
        bool commaAllowed = false;  // only one comma may follow a value
        while (count < 2) {
            const int c = buf_.sgetc();
            if (c == END) return PointRead::endOfFile;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                buf_.sbumpc();
            } else if (c == ',') {
                if (!commaAllowed) return PointRead::readError;
                buf_.sbumpc();
                commaAllowed = false;
            } else {
                // A slash here would leave the value unset: it reads as an empty token.
                const std::optional<float> value = realValue(token());
                if (!value) return PointRead::readError;
                values[count++] = *value;
                commaAllowed = true;
            }
        }
        skipRestOfLine();
        wavenumber = values[0];
        emissivity = values[1];
        return PointRead::ok;
    }

private:
    static constexpr int END = std::char_traits<char>::eof();

    static bool endsToken(int c) {
        return c == END || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' ||
               c == '/';
    }

    // The characters up to the next separator (at most TOKEN_LIMIT of them kept; a longer
    // token is kept one character too long, so that it never reads as a number).
    std::string token() {
        std::string text;
        for (int c = buf_.sgetc(); !endsToken(c); c = buf_.snextc()) {
            if (text.size() <= TOKEN_LIMIT) text.push_back(static_cast<char>(c));
        }
        if (text.size() > TOKEN_LIMIT) text.push_back('?');
        return text;
    }

    void skipRestOfLine() {
        for (int c = buf_.sgetc(); c != END; c = buf_.snextc()) {
            if (c == '\n') {
                buf_.sbumpc();
                return;
            }
        }
    }

    std::streambuf& buf_;
};

[[noreturn]] void refuseFile(RunState& s, std::string_view why, std::string_view detail = {}) {
    logLine(s, why);
    if (!detail.empty()) logLine(s, detail);
    util::stop(CHECK_FILE);
}

// Reads the points into BBEWN and BBE, counting them in NBBE. A read error ends reading
// with a warning; a point beyond the table's capacity ends the run, since dropping the
// rest of the spectrum would silently change the emissivity at the upper end.
void readPoints(RunState& s, std::istream& in) {
    PointReader reader(in);
    s.NBBE = 0;
    float wavenumber = 0.0F;
    float emissivity = 0.0F;
    for (;;) {
        const PointRead result = reader.next(wavenumber, emissivity);
        if (result == PointRead::endOfFile) return;
        if (result == PointRead::readError) {
            logLine(s, "WARNING -- ERROR READING EMISSIVITY SPECTRUM:");
            logLine(s, util::fmt("(' READ ERROR, after reading BBE #',I5)", {s.NBBE}));
            return;
        }
        if (static_cast<std::size_t>(s.NBBE) >= s.BBE.size() ||
            static_cast<std::size_t>(s.NBBE) >= s.BBEWN.size()) {
            refuseFile(s, util::fmt("('VORNCALV -- EMISSIVITY SPECTRUM HAS MORE THAN',I5,' POINTS')",
                                    {s.NBBE}));
        }
        const auto i = static_cast<std::size_t>(s.NBBE);
        s.BBEWN[i] = static_cast<double>(wavenumber);
        s.BBE[i] = emissivity;
        ++s.NBBE;
    }
}

// Logs the system's reason why the file cannot be read, when it gives one.
void logReason(RunState& s, std::string_view name) {
    const std::string reason = util::fileReason(util::trim(name));
    if (!reason.empty()) logLine(s, "REASON: " + reason);
}

// Opens the file, logs its first line and reads its points.
void readPaintEmissivity(RunState& s) {
    std::ifstream in(trimmed(s.EMISSFIL));
    if (!in.is_open()) {
        logLine(s, "UNABLE TO OPEN EMISSIVITY-SPECTRUM FILE");
        logReason(s, s.EMISSFIL);
        util::stop("EMISSIVITY FILE?");
    }
    logLine(s, "FIRST LINE OF EMISSIVITY-SPECTRUM FILE:");
    std::string header;
    if (!readLine(in, header, NAMLEN)) {
        logLine(s, "READ ERROR ON REC.1, EMISSIVITY SPECTRUM");
        logReason(s, s.EMISSFIL);  // an empty file or a directory
        util::stop(CHECK_FILE);
    }
    logLine(s, header);
    readPoints(s, in);
}

// The table must be usable by the interpolation and the cavity model: at least one point,
// wavenumbers that never turn back against the direction of the first two (the direction
// the interpolation takes), and paint emissivities between 0 and 1.
void checkTable(RunState& s) {
    if (s.NBBE < 1) refuseFile(s, "VORNCALV -- NO POINTS IN EMISSIVITY SPECTRUM");
    const auto n = static_cast<std::size_t>(s.NBBE);
    const bool up = n < 2 || !(s.BBEWN[0] > s.BBEWN[1]);
    for (std::size_t i = 1; i < n; ++i) {
        if (up ? s.BBEWN[i] < s.BBEWN[i - 1] : s.BBEWN[i] > s.BBEWN[i - 1]) {
            refuseFile(s, "VORNCALV -- EMISSIVITY WAVENUMBERS NOT MONOTONIC",
                       util::fmt("('   AT BBE #',I5,', WAVENUMBER',F12.4)",
                                 {static_cast<int>(i + 1), s.BBEWN[i]}));
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (!(s.BBE[i] >= 0.0F && s.BBE[i] <= 1.0F)) {
            refuseFile(s, "VORNCALV -- PAINT EMISSIVITY OUTSIDE 0 TO 1",
                       util::fmt("('   AT BBE #',I5,', EMISSIVITY',E12.4)",
                                 {static_cast<int>(i + 1), s.BBE[i]}));
        }
    }
}

// Paint emissivity to cavity emissivity, in place, in single precision. The cavity factor
// must be positive (0 would divide by zero, a negative one gives no emissivity at all).
void cavityModel(RunState& s) {
    const float RCF = 1.0F / s.CAVFAC;
    if (!(s.CAVFAC > 0.0F) || !std::isfinite(RCF)) {
        logLine(s, "VORNCALV -- BBcavityFactor MUST BE POSITIVE");
        logLine(s, util::fmt("('   BBcavityFactor =',E12.4)", {s.CAVFAC}));
        util::stop("BAD VALUE IN INPUT-PAR. FILE");
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(s.NBBE); ++i) {
        const float e = s.BBE[i];
        s.BBE[i] = e / (e + (1.0F - e) * RCF);
    }
}

// Cavity emissivity on the input grid. The grid comes from the first input record; a grid
// that does not fit the emissivity store is refused instead of written past.
void interpolate(RunState& s) {
    const bool fits = s.NPTS >= 0 && static_cast<std::size_t>(s.NPTS) <= s.BBEI.size() &&
                      static_cast<std::size_t>(s.NPTS) <= s.XIN.size();
    if (!fits) {
        logLine(s, util::fmt("('VORNCALV -- INPUT GRID OF',I8,' POINTS DOES NOT FIT',I6)",
                             {s.NPTS, static_cast<int>(s.BBEI.size())}));
        util::stop("BAD INPUT?");
    }
    util::znterp(s.BBEWN.data(), s.BBE.data(), s.NBBE, s.XIN.data(), s.BBEI.data(), s.NPTS);
}

// The channel digit of the cavity-emissivity file name: the channel number rounded to the
// nearest integer, halves away from zero; "*" when that is not a single digit.
char channelDigit(float channelNumber) {
    const float ICH = std::round(channelNumber);
    if (!(ICH >= 0.0F && ICH <= 9.0F)) return '*';
    return static_cast<char>('0' + static_cast<int>(ICH));
}

// Writes CAVEMISn.MLT into the current directory: four header lines, then one line per
// grid point. A file that cannot be written ends the run.
void writeCavityFile(RunState& s) {
    std::string IEFILE = "CAVEMIS?.MLT";
    IEFILE[7] = channelDigit(s.HWDS[10]);
    std::ofstream out(IEFILE, std::ios::trunc);
    if (out.is_open()) {
        out << util::freefmt({"#MLT Spectrum of VORN Cavity Emissivity"}) << '\n'
            << util::freefmt({"#    Blackbody cavity factor:", s.CAVFAC}) << '\n'
            << util::freefmt({"#label 1 Wavenumber"}) << '\n'
            << util::freefmt({"#label 2 Blackbody Cavity Emissivity"}) << '\n';
        for (std::size_t i = 0; i < static_cast<std::size_t>(s.NPTS); ++i) {
            out << util::freefmt({toSingle(s.XIN[i]), s.BBEI[i]}) << '\n';
        }
        out.close();
    }
    if (out.fail()) {
        logLine(s, "VORNCALV -- UNABLE TO WRITE CAVITY-EMISSIVITY FILE");
        logLine(s, util::fmt("('   FILE: ',A)", {IEFILE}));
        util::stop("CAVITY-EMISSIVITY FILE?");
    }
}

void reportRatioFactor(RunState& s) {
    const std::string line = util::fmt("(' RATIO-TEST FACTOR (INPUT):',F5.2)", {s.RATFAC});
    sayLine(line);
    logLine(s, line);
}

// Characters the log keeps of one line.
constexpr std::size_t LOGLINE = 79;

bool exists(std::string_view name) {
    std::error_code error;
    return std::filesystem::exists(trimmed(name), error);
}

// Whether a variance input file exists, which decides whether the variance product is
// made; in real-time mode also how many of its records an earlier run wrote.
void findVarianceFile(RunState& s) {
    if (!exists(s.IFILEV)) {
        s.GOTFIL = 0;
        logLine(s, util::freefmt({"VORNCALV -- UNABLE TO FIND VARIANCE FILE"}));
        logLine(s, util::fmt("('   FILE: ',A)", {trimmed(s.IFILEV)}));
        return;
    }
    s.GOTFIL = 1;
    s.OFILEV = outputName(s.BASE, "XXXXXXXX.CVS");
    if (!exists(s.ORGINP)) {
        // Without the source spectra no variance record can be made: say so once, now,
        // rather than leaving an empty product and one read failure per scene.
        s.GOTFIL = 0;
        s.SRCMIS = 1;
        const std::string line =
            "NO VARIANCE PRODUCT " + trimmed(s.OFILEV) + ": SOURCE FILE MISSING: " + trimmed(s.ORGINP);
        sayLine(" " + line);
        // A log line holds 80 characters: a long name continues on the lines that follow.
        for (std::size_t at = 0; at < line.size(); at += LOGLINE) logLine(s, line.substr(at, LOGLINE));
        return;
    }
    if (s.IWAIT != 1) {
        s.NROV = 0;
        return;
    }
    s.NROV = util::nrout(s.OFILEV, s.STFILE, s.LUS);
    if (s.NROV < 0) {
        s.MSG = util::pad("NROUT RETURNED NEGATIVE NROV", NAMLEN);
        abortRun(s);
    }
}

}  // namespace

void emissivity(RunState& s) {
    readPaintEmissivity(s);
    checkTable(s);
    cavityModel(s);
    interpolate(s);
    writeCavityFile(s);
    reportRatioFactor(s);
    findVarianceFile(s);
}

}  // namespace vorncalv
