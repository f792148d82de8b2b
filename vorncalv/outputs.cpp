// Output products of one scene and the status-file update that lets a restart resume.
#include "vorncalv/outputs.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/stop.h"
#include "libutil/wrtsta.h"
#include "libutil/wtdmvf.h"
#include "vorncalv/calvar.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/inputrecord.h"
#include "vorncalv/strtabca.h"

namespace vorncalv {
namespace {

// Record-level description constants of every product.
constexpr int INDEPENDENT_PRECISION = 6;
constexpr int DEPENDENT_PRECISION = 4;
// Number of metadata values written with every record.
constexpr int NAMD_OUT = 15;

// The four description tables of a product.
struct Tables {
    DescTable shortnames;
    DescTable labels;
    DescTable longnames;
    DescTable units;
};

void describe(RunState& s, const Tables& t) {
    s.FILE_TYPE = 1;
    s.NUMBEROFDATATYPES = 1;
    s.IDENTIFIERLIST[0] = 0;
    s.INDEPENDENTMINIMUMLIST[0] = s.XMIN;
    s.INDEPENDENTMAXIMUMLIST[0] = s.XMAX;
    s.POINTSPERRECORDLIST[0] = s.NPTS;
    s.INDEPENDENTPRECISIONLIST[0] = INDEPENDENT_PRECISION;
    s.DEPENDENTPRECISIONLOGLIST[0] = DEPENDENT_PRECISION;
    s.SHORTNAMELIST = t.shortnames;
    s.LABELLIST = t.labels;
    s.LONGNAMELIST = t.longnames;
    s.UNITSLIST = t.units;
}

// One spectral product: its first-call flag, record counter, name, handle and the texts
// that go with its failures.
struct Product {
    int& init;
    int& nro;
    std::string& file;
    int& handle;
    Tables tables;
    std::string_view wrtstaFailure;
};

// A description list as the writer takes it; empty before any product was described.
std::span<const char* const> descList(DescTable t) {
    return t == nullptr ? std::span<const char* const>() : std::span<const char* const>(t, NTABLE_ENTRIES);
}

// The source records whose header blocks the writer copies into the record.
struct Lineage {
    std::array<int, 5> LIST{};
    std::array<int, 5> LRNS{};
    int NPATWRT = 0;
};

// A calibrated scene carries its four blackbody views and itself. A missing one carries its
// scene record in every place: a reader of the record's time, date or mirror position then
// finds the scene's own, as the input gave them, so that a gap in the products is placed
// in time, whatever made the scene missing and whatever views an earlier scene left held.
Lineage lineage(const RunState& s) {
    if (s.NULL_ != 1) return {s.LIST, s.LRNS, s.NPATWRT};
    Lineage l;
    l.LIST.fill(s.IHNDL);
    l.LRNS.fill(s.NSVR);
    l.NPATWRT = static_cast<int>(l.LRNS.size());
    return l;
}

// Writes record p.nro of the product with data; a writer failure logs its message and stops.
void writeRecord(RunState& s, Product& p, std::span<const float> data) {
    std::array<int, NAMD_OUT> ids{};  // the writer negates identifiers it cannot write
    std::copy_n(s.IDAMD.begin(), s.NAMD, ids.begin());
    const Lineage l = lineage(s);
    int ISTAT = 0;
    util::wtdmvf(p.init, s.IWAIT, p.nro, p.file, s.FILE_TYPE, s.PROGRM, s.VERSION, s.HISTRY, s.IDSUBH, s.NSUBH,
                 l.LIST, l.LRNS, s.NPATOPN, l.NPATWRT, ids, s.NAMD, s.AMD, data, s.NPTS, s.NUMBEROFDATATYPES,
                 s.IDENTIFIERLIST, s.INDEPENDENTMINIMUMLIST, s.INDEPENDENTMAXIMUMLIST, s.INDEPENDENTPRECISIONLIST,
                 s.POINTSPERRECORDLIST, s.DEPENDENTPRECISIONLOGLIST, descList(s.SHORTNAMELIST),
                 descList(s.LABELLIST), descList(s.LONGNAMELIST), descList(s.UNITSLIST), p.handle, s.MSG, ISTAT);
    if (ISTAT != 0) {
        util::logmsg(s.LOG, s.LOGFIL, s.MSG);
        util::stop("WRITE ERROR!");
    }
}

// Real-time mode: records count for name in the status file; a bad status logs failure
// and stops.
void recordCount(RunState& s, int count, std::string_view name, std::string_view failure) {
    int JSTAT = 0;
    util::wrtsta(count, name, s.STFILE, s.LUS, JSTAT);
    if (JSTAT != 0) {
        logLine(s, failure);
        util::stop("BAD STATUS FROM WRTSTA");
    }
}

// Prepares the first write of a product: description and NUL-terminated name.
void prepareFirstWrite(RunState& s, Product& p) {
    if (p.init != 1) return;
    describe(s, p.tables);
    terminateName(p.file);
}

// The imaginary part or the responsivity.
void writeOptional(RunState& s, Product p, std::span<float> data) {
    p.nro += 1;
    if (s.NULL_ == 1) std::fill_n(data.begin(), s.NPTS, quietNaN());
    prepareFirstWrite(s, p);
    writeRecord(s, p, data);
    if (s.IWAIT != 0) recordCount(s, p.nro, p.file, p.wrtstaFailure);
}

void writeRealPart(RunState& s, std::span<const float> SPRL) {
    Product p{s.INIT1, s.NRO1, s.OFILE1, s.JHNDL1,
              {gettablesn(), gettablel(), gettableln(), gettableu()},
              "WRTSTA RETURNED BAD STATUS; UPDATE FOR OFILE1"};
    prepareFirstWrite(s, p);
    s.NRO1 += 1;
    sayLine(util::freefmt({"OUTPUT REC.NO.", s.NRO1, " AT", s.CALTIM}));
    logLine(s, util::fmt("(' OUTPUT REC.NO.',I6,' AT',F10.5)", {s.NRO1, s.CALTIM}));
    writeRecord(s, p, SPRL);
    sayLine(util::fmt("(' OUTPUT REAL-PART SPECTRUM, REC.NO.',I6)", {s.NRO1}));
    if (s.IWAIT != 0) recordCount(s, s.NRO1, s.OFILE1, p.wrtstaFailure);
    s.NRO1TS += 1;
}

// The marker file: one line saying whether the variance file is in use.
void writeMarker(RunState& s) {
    const std::string name(util::trim(s.VMFILE));
    const std::string varianceFile(util::trim(s.IFILEV));
    std::ofstream out(name, std::ios::out | std::ios::trunc);
    if (!out) {
        logLine(s, util::fmt("(' UNABLE TO OPEN FILE ',A)", {name}));
        util::stop("OPEN ERROR (VMFILE)");
    }
    std::string line;
    if (s.GOTFIL == 1) {
        sayLine(util::freefmt({"... FOUND variance file ", varianceFile}));
        line = util::freefmt({"... FOUND variance file ", varianceFile});
    } else {
        sayLine(util::freefmt({"... could NOT find variance file ", varianceFile}));
        line = util::freefmt({"could NOT find variance file ", varianceFile});
    }
    out << line << '\n';
    out.flush();
    out.close();
    if (!out) {
        logLine(s, util::fmt("(' WRITE ERROR TO FILE ',A)", {name}));
        util::stop("WRITE ERROR");
    }
    s.IGOTM = 1;
}

void varianceProduct(RunState& s, std::span<const float> RESP) {
    calvar(s.CALVST, s.KSET, s.NSMP, s.NBBP, s.NSVR, s.IFILEV, s.ORGINP, RESP, s.WNA, s.NPTS, s.STFILE, s.LUS,
           s.LOG, s.LOGFIL, s.IWAIT, s.OFILEV, s.IDAMD, s.AMD, s.NAMD, s.IDSUBH, s.NSUBH, s.GOTFIL, s.HISTRY,
           s.PROGRM, s.VERSION);
    if (s.IGOTM == 0) writeMarker(s);
}

void recordLastScene(RunState& s) {
    s.LSN += 1;
    recordCount(s, s.LSN, s.CINFO, "WRTSTA RETURNED BAD STATUS; UPDATING LSN ");
    logLine(s, util::fmt("(' UPDATED STATUS FILE, LAST SCENE:',I5)", {s.LSN}));
    sayLine(util::freefmt({"=>=> UPDATE OF STATUS FILE COMPLETED <=<="}));
}

void checkArguments(const RunState& s, std::span<float> SPRL, std::span<float> SPIM, std::span<float> RESP) {
    const auto fits = [&](std::span<float> v) { return static_cast<std::size_t>(s.NPTS) <= v.size(); };
    if (s.NPTS < 1 || s.NPTS > MAXPTS || !fits(SPRL) || !fits(SPIM) || !fits(RESP))
        throw std::invalid_argument("outputs: NPTS outside 1..9000 or beyond the spectra given");
    if (s.NAMD < 4 || s.NAMD > NAMD_OUT) throw std::invalid_argument("outputs: NAMD outside 4..15");
}

}  // namespace

void fillOutputMetadata(RunState& s) {
    if (s.NULL_ == 1) {
        s.AMD.fill(quietNaN());
        s.AMD[3] = 1.0F;
        return;
    }
    s.AMD[0] = s.TAMB;
    s.AMD[1] = s.TC;
    s.AMD[2] = s.TH;
    s.AMD[3] = 0.0F;
    s.AMD[4] = static_cast<float>(static_cast<unsigned char>(s.MPCAL));
    s.AMD[5] = s.WTABBT;
    s.AMD[6] = s.WTABBA;
    s.AMD[7] = s.WTABBB;
    s.AMD[8] = s.WTHBBT;
    s.AMD[9] = s.WTHBBA;
    s.AMD[10] = s.WTHBBB;
    s.AMD[11] = s.ABTOFF;
    s.AMD[12] = s.HBTOFF;
    s.AMD[13] = s.CAVFAC;
    s.AMD[14] = s.ENDRMX;
}

void outputs(RunState& s, std::span<float> SPRL, std::span<float> SPIM, std::span<float> RESP) {
    checkArguments(s, SPRL, SPIM, RESP);
    fillOutputMetadata(s);
    if (s.NULL_ == 1) std::fill_n(SPRL.begin(), s.NPTS, quietNaN());
    writeRealPart(s, SPRL);
    if (s.GOTFIL == 1) varianceProduct(s, RESP);
    if (s.OUTOP2 == 'Y') {
        writeOptional(s,
                      {s.INIT2, s.NRO2, s.OFILE2, s.JHNDL2,
                       {getdftablesn(), getdftablel(), getdftableln(), getdftableu()},
                       "WRTSTA RETURNED BAD STATUS; UPDATE FOR OFILE2"},
                      SPIM);
    }
    if (s.OUTOP3 == 'Y') {
        writeOptional(s,
                      {s.INIT3, s.NRO3, s.OFILE3, s.JHNDL3,
                       {getretablesn(), getretablel(), getretableln(), getretableu()},
                       "WRTSTA RETURNED BAD STATUS; UPDATE FOR OFILE3"},
                      RESP);
    }
    if (s.IWAIT != 0) recordLastScene(s);
}

}  // namespace vorncalv
