// gensip: the commented template of the static input-parameter file.
#include "vorncalv/gensip.h"

#include <cstdio>
#include <memory>
#include <string>

#include "libutil/fixedtext.h"

namespace vorncalv {
namespace {

// The template as stored: apostrophes are held as "|" and put in on writing.
constexpr std::string_view TEMPLATE[NSIPLINES] = {
    "(File: VORNCALV.SIP -- \"static\" input parameters for VORNCALV)",
    "(Note: blank lines, and lines with \"(\" in col.1, are ignored.)",
    "hotViewIdentifier(MPHOT):= |H|",
    "coldViewIdentifier(MPCOLD):= |A|",
    "firstSceneNumber(NFSCN):= 1",
    "lastSceneNumber(NLSCN):= 999",
    "outputImaginaryPart(OUTOP2):= |Y|",
    "outputResponsivity(OUTOP3):= |Y|",
    "minValidThermistorCount(CTMIN):= -32767",
    "maxValidThermistorCount(CTMAX):=  32767",
    "ratioTestFactor(RATFAC):= 1.5",
    "BBcavityFactor(CAVFAC):= 12.79",
    "(Following 8 parameters are for VORN-01:",
    "ABBtempOffset(ABTOFF):= 0",
    "HBBtempOffset(HBTOFF):= 0",
    "ABBtopTempWeight(WTABBT):= 0.0945",
    "ABBapexTempWeight(WTABBA):= 0.811",
    "ABBbottomTempWeight(WTABBB):= 0.0945",
    "HBBtopTempWeight(WTHBBT):= 0.0945",
    "HBBapexTempWeight(WTHBBA):= 0.811",
    "HBBbottomTempWeight(WTHBBB):= 0.0945",
    "(Following 8 parameters are for VORN-00:",
    "(ABBtempOffset(ABTOFF):= 0",
    "(HBBtempOffset(HBTOFF):= -0.18864",
    "(ABBtopTempWeight(WTABBT):= 0.5",
    "(ABBapexTempWeight(WTABBA):= 0.0",
    "(ABBbottomTempWeight(WTABBB):= 0.5",
    "(HBBtopTempWeight(WTHBBT):= 0.5",
    "(HBBapexTempWeight(WTHBBA):= 0.0",
    "(HBBbottomTempWeight(WTHBBB):= 0.5",
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// One template line as written: the first and the second "|" become apostrophes.
std::string lineAsWritten(std::string_view stored) {
    std::string line = util::pad(stored, SIPLINE);
    for (int n = 0; n < 2; ++n) {
        const std::size_t bar = line.find('|');
        if (bar != std::string::npos) line[bar] = '\'';
    }
    return line;
}

}  // namespace

bool gensip(std::string_view FILNAM) {
    const std::string name(util::trim(FILNAM));
    // "x": create a new file only; an existing file is left untouched.
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "wx"));
    if (!file) return false;
    bool ok = true;
    for (std::string_view stored : TEMPLATE) {
        const std::string line = lineAsWritten(stored) + '\n';
        ok = ok && std::fwrite(line.data(), 1, line.size(), file.get()) == line.size();
    }
    return std::fclose(file.release()) == 0 && ok;
}

}  // namespace vorncalv
