// vornps: the mirror positions and the static parameters of a run.
#include "vorncalv/vornps.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <type_traits>
#include <ostream>
#include <variant>
#include <vector>

#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/stop.h"
#include "libutil/uprcas.h"
#include "vorncalv/getsmpi.h"
#include "vorncalv/linereader.h"
#include "vorncalv/messages.h"
#include "vorncalv/runstate.h"

namespace vorncalv {
namespace {

// Characters of a parameter line that count.
constexpr std::size_t PARLINE = 256;

// The long names, in table order; their order numbers the parameters 1-18.
constexpr std::array<std::string_view, NPARS> LONG_NAMES = {
    "hotViewIdentifier",       "coldViewIdentifier",      "firstSceneNumber",
    "lastSceneNumber",         "outputImaginaryPart",     "outputResponsivity",
    "minValidThermistorCount", "maxValidThermistorCount", "ratioTestFactor",
    "BBcavityFactor",          "ABBtempOffset",           "HBBtempOffset",
    "ABBtopTempWeight",        "ABBapexTempWeight",       "ABBbottomTempWeight",
    "HBBtopTempWeight",        "HBBapexTempWeight",       "HBBbottomTempWeight"};

// Where a parameter's value goes; the variable's type is the parameter's type.
using Target = std::variant<char*, int*, float*>;

bool exists(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists(name, error);
}

// One free-format item: leading blanks skipped; a text in apostrophes or double quotes (a
// doubled delimiter inside stands for one); otherwise the characters up to the first blank,
// comma or slash. No item (empty text, or a null value written as "," or "/"), or a quoted
// text without its closing delimiter, gives nothing.
struct FreeItem {
    std::string text;
    bool quoted = false;
};

std::optional<FreeItem> freeItem(std::string_view value) {
    const std::size_t start = value.find_first_not_of(" \t");
    if (start == std::string_view::npos) return std::nullopt;
    const char first = value[start];
    if (first == ',' || first == '/') return std::nullopt;
    FreeItem item;
    if (first == '\'' || first == '"') {
        item.quoted = true;
        for (std::size_t i = start + 1; i < value.size(); ++i) {
            if (value[i] != first) {
                item.text.push_back(value[i]);
            } else if (i + 1 < value.size() && value[i + 1] == first) {
                item.text.push_back(first);
                ++i;
            } else {
                return item;
            }
        }
        return std::nullopt;
    }
    const std::size_t end = value.find_first_of(" \t,/", start);
    item.text = std::string(value.substr(start, end == std::string_view::npos ? value.npos : end - start));
    return item;
}

template <typename Number>
std::optional<Number> parseNumber(std::string text) {
    if (!text.empty() && text.front() == '+') text.erase(0, 1);  // from_chars takes no plus sign
    if constexpr (std::is_floating_point_v<Number>) {
        for (char& c : text) {
            if (c == 'd' || c == 'D') c = 'e';  // double-precision exponent letter
        }
    }
    Number value{};
    const char* last = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), last, value);
    if (text.empty() || error != std::errc() || ptr != last) return std::nullopt;
    if constexpr (std::is_floating_point_v<Number>) {
        if (!std::isfinite(value)) return std::nullopt;
    }
    return value;
}

// Reads the value text into the target with the target's type; false when it cannot be
// read with that type.
bool storeValue(std::string_view value, const Target& target) {
    const std::optional<FreeItem> item = freeItem(value);
    if (!item) return false;
    if (char* const* c = std::get_if<char*>(&target)) {
        **c = item->text.empty() ? ' ' : util::uprcas(item->text.front());
        return true;
    }
    if (item->quoted) return false;
    if (int* const* i = std::get_if<int*>(&target)) {
        const std::optional<int> number = parseNumber<int>(item->text);
        if (number) **i = *number;
        return number.has_value();
    }
    const std::optional<float> number = parseNumber<float>(item->text);
    if (number) *std::get<float*>(target) = *number;
    return number.has_value();
}

[[noreturn]] void badValue(int LOG, std::string_view LOGFIL, std::string_view line,
                           std::string_view longName) {
    const std::string message = "VORNPS -- BAD VALUE FOR " + std::string(longName);
    sayLine(util::freefmt({"CBUF: " + std::string(util::trim(line))}));
    tell(LOG, LOGFIL, message);
    util::stop("BAD VALUE IN INPUT-PAR. FILE");
}

// Stops for a mirror-position count outside what the lists can hold.
[[noreturn]] void positionCountRefused(const char* what, int count, int limit) {
    sayLine(util::freefmt({what, count, limit}));
    util::stop("NUMBER OF MIR.POS.?");
}

// Names every parameter line that belongs to no parameter and every parameter the file
// does not set, so that a misspelled name is found at once.
void reportUnmatched(int LOG, std::string_view LOGFIL, const std::vector<std::string>& unknown,
                     const std::array<bool, NPARS>& have) {
    for (const std::string& line : unknown) tell(LOG, LOGFIL, "VORNPS -- UNKNOWN PARAMETER LINE: " + line);
    for (std::size_t i = 0; i < NPARS; ++i) {
        if (!have[i]) tell(LOG, LOGFIL, "VORNPS -- MISSING PARAMETER: " + std::string(LONG_NAMES[i]));
    }
}

// Stops when the view identifiers cannot give a calibration: the hot and the cold view
// share an identifier, or either is not a blackbody view (A, H, C) of the mirror cycle, so
// that every scene would be missing.
void checkViews(int LOG, std::string_view LOGFIL, std::string_view views, char MPHOT, char MPCOLD) {
    std::vector<std::string> causes;
    if (MPHOT == MPCOLD) {
        causes.push_back(std::string("VORNPS -- HOT AND COLD VIEWS HAVE THE SAME IDENTIFIER: ") + MPHOT);
    }
    const auto inCycle = [&](char view) {
        return (view == 'A' || view == 'H' || view == 'C') && views.find(view) != std::string_view::npos;
    };
    if (!inCycle(MPHOT)) {
        causes.push_back(std::string("VORNPS -- NO HOT VIEW (") + MPHOT + ") AMONG THE BLACKBODY VIEWS OF THE MIRROR CYCLE");
    }
    if (MPCOLD != MPHOT && !inCycle(MPCOLD)) {
        causes.push_back(std::string("VORNPS -- NO COLD VIEW (") + MPCOLD +
                         ") AMONG THE BLACKBODY VIEWS OF THE MIRROR CYCLE");
    }
    if (causes.empty()) return;
    for (const std::string& cause : causes) tell(LOG, LOGFIL, cause);
    util::stop("VIEW IDENTIFIERS?");
}

// The mirror cycle of the mirror-position file: the views of its positions in order, the
// scene views among them (SVIDS, blank-padded to MAXSV) and the counts vornps reports.
struct MirrorCycle {
    std::string views;
    int NSMP = 0;
    int NBBP = 0;
    int NSVIDS = 0;
    std::string SVIDS;
};

// Reads the mirror cycle from MPFILE: 0, 8 when the file does not exist, 7 when getsmpi
// fails. A position count outside 1..MAXSMP, or more than MAXSV scene positions, stops.
int readMirrorCycle(int IWAIT, int LOG, std::string_view LOGFIL, std::string_view MPFILE, MirrorCycle& cycle) {
    if (!exists(std::string(util::trim(MPFILE)))) return 8;
    int NSMPPC = 0;
    std::string SMPI;
    int mirrorStatus = 0;
    getsmpi(IWAIT, LOG, LOGFIL, MPFILE, NSMPPC, SMPI, mirrorStatus);
    if (mirrorStatus != 0) return 7;
    if (NSMPPC > static_cast<int>(MAXSMP) || NSMPPC < 1) {
        positionCountRefused("VORNPS -- NSMP, MAXSMP:", NSMPPC, static_cast<int>(MAXSMP));
    }
    auto isBlackbody = [](char view) { return view == 'A' || view == 'H' || view == 'C'; };
    cycle.views = SMPI.substr(0, static_cast<std::size_t>(NSMPPC));
    const int blackbodyCount = static_cast<int>(std::count_if(cycle.views.begin(), cycle.views.end(), isBlackbody));
    const int sceneCount = NSMPPC - blackbodyCount;
    if (sceneCount > static_cast<int>(MAXSV)) {
        positionCountRefused("VORNPS -- NSVIDS, MAXSV:", sceneCount, static_cast<int>(MAXSV));
    }
    for (char view : cycle.views) {
        if (!isBlackbody(view)) cycle.SVIDS.push_back(view);
    }
    cycle.SVIDS.resize(MAXSV, ' ');
    cycle.NSVIDS = sceneCount;
    cycle.NBBP = blackbodyCount / 2;
    cycle.NSMP = NSMPPC / 2;
    return 0;
}

// What the parameter lines held: which parameters were set, and the lines that name none.
struct ParameterLines {
    std::array<bool, NPARS> have{};
    std::vector<std::string> unknown;
};

// Reads the parameter lines of in into the parameters P: 0, 1 for a parameter set twice, 2 for
// a parameter line without ":=". A value that cannot be read with its type stops.
int parseParameters(std::istream& in, int LOG, std::string_view LOGFIL, ParameterFile& P, ParameterLines& lines) {
    const std::array<Target, NPARS> targets = {
        &P.MPHOT,  &P.MPCOLD, &P.NFSET,  &P.NLSET,  &P.OUTOP2, &P.OUTOP3, &P.CTMIN,  &P.CTMAX,  &P.RATFAC,
        &P.CAVFAC, &P.ABTOFF, &P.HBTOFF, &P.WTABBT, &P.WTABBA, &P.WTABBB, &P.WTHBBT, &P.WTHBBA, &P.WTHBBB};
    std::string line;
    while (readLine(in, line, PARLINE)) {
        const std::string_view significant = util::trim(line);
        if (significant.empty() || significant.front() == '(') continue;
        const bool known = std::any_of(LONG_NAMES.begin(), LONG_NAMES.end(), [&](std::string_view name) {
            return significant.find(name) != std::string_view::npos;
        });
        if (!known) lines.unknown.emplace_back(significant);
        for (std::size_t i = 0; i < NPARS; ++i) {
            if (significant.find(LONG_NAMES[i]) == std::string_view::npos) continue;
            if (lines.have[i]) {
                sayLine(util::freefmt({significant}));
                sayLine(util::freefmt({"VORNPS; REDUNDANCY"}));
                return 1;
            }
            const std::size_t assign = significant.find(":=");
            if (assign == std::string_view::npos) {
                sayLine(util::freefmt({"CBUF: " + std::string(significant)}));
                sayLine(util::freefmt({"VORNPS ERROR -- NO END-OF-STRING-IDENTIFIER"}));
                return 2;
            }
            lines.have[i] = true;
            if (!storeValue(significant.substr(assign + 2), targets[i])) {
                badValue(LOG, LOGFIL, significant, LONG_NAMES[i]);
            }
        }
    }
    return 0;
}

// The checks of a parameter file read whole: 0, 5 when a parameter is missing, 3 for a line
// that names no parameter; either way every such line and parameter is named.
int checkParameterLines(int LOG, std::string_view LOGFIL, const ParameterLines& lines) {
    const int found = static_cast<int>(std::count(lines.have.begin(), lines.have.end(), true));
    if (found != NPARS) {
        sayLine(util::freefmt({"NUMBER OF INPUTS:", found}));
        sayLine(util::freefmt({"   EXPECTING    :", NPARS}));
        reportUnmatched(LOG, LOGFIL, lines.unknown, lines.have);
        return 5;
    }
    if (!lines.unknown.empty()) {
        reportUnmatched(LOG, LOGFIL, lines.unknown, lines.have);
        return 3;
    }
    return 0;
}

}  // namespace

void vornps(int IWAIT, int LOG, std::string_view LOGFIL, std::string_view PFILE, std::string_view MPFILE,
            StaticParameters& out, int& ISTAT) {
    MirrorCycle cycle;
    ISTAT = readMirrorCycle(IWAIT, LOG, LOGFIL, MPFILE, cycle);
    if (ISTAT != 0) return;
    out.NSVIDS = cycle.NSVIDS;
    out.SVIDS = cycle.SVIDS;
    out.NBBP = cycle.NBBP;
    out.NSMP = cycle.NSMP;

    const std::string parName(util::trim(PFILE));
    if (!exists(parName)) {
        sayLine(util::freefmt({"VORNPS -- unable to find file " + util::pad(PFILE, NAMLEN)}));
        ISTAT = 6;
        return;
    }
    std::ifstream in(parName);
    if (!in) {
        sayLine(util::freefmt({"VORNPS -- unable to open file " + util::pad(PFILE, NAMLEN)}));
        ISTAT = 6;
        return;
    }
    ParameterLines lines;
    ISTAT = parseParameters(in, LOG, LOGFIL, out.P, lines);
    if (ISTAT != 0) return;
    in.close();
    ISTAT = checkParameterLines(LOG, LOGFIL, lines);
    if (ISTAT != 0) return;
    checkViews(LOG, LOGFIL, cycle.views, out.P.MPHOT, out.P.MPCOLD);
}

void takeStaticParameters(const StaticParameters& in, RunState& s) {
    s.NSMP = in.NSMP;
    s.NBBP = in.NBBP;
    s.NSVIDS = in.NSVIDS;
    s.SVIDS = in.SVIDS;
    const ParameterFile& P = in.P;
    s.MPHOT = P.MPHOT;
    s.MPCOLD = P.MPCOLD;
    s.NFSET = P.NFSET;
    s.NLSET = P.NLSET;
    s.OUTOP2 = P.OUTOP2;
    s.OUTOP3 = P.OUTOP3;
    s.CTMIN = P.CTMIN;
    s.CTMAX = P.CTMAX;
    s.RATFAC = P.RATFAC;
    s.CAVFAC = P.CAVFAC;
    s.ABTOFF = P.ABTOFF;
    s.HBTOFF = P.HBTOFF;
    s.WTABBT = P.WTABBT;
    s.WTABBA = P.WTABBA;
    s.WTABBB = P.WTABBB;
    s.WTHBBT = P.WTHBBT;
    s.WTHBBA = P.WTHBBA;
    s.WTHBBB = P.WTHBBB;
}

}  // namespace vorncalv
