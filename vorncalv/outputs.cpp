// Output products of one scene and the status-file update that lets a restart resume.
#include "vorncalv/outputs.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "libutil/durable.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/nrout.h"
#include "libutil/stop.h"
#include "libutil/wrtsta.h"
#include "libutil/wtdmvf.h"
#include "ravlio/ravlio.h"
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
    const util::ProductDescription product{
        .file_type = s.FILE_TYPE,
        .progrm = s.PROGRM,
        .version = s.VERSION,
        .histry = s.HISTRY,
        .idsubh = s.IDSUBH,
        .nsubh = s.NSUBH,
        .list = l.LIST,
        .npatopn = s.NPATOPN,
        .numberofdatatypes = s.NUMBEROFDATATYPES,
        .identifierlist = s.IDENTIFIERLIST,
        .independentminimumlist = s.INDEPENDENTMINIMUMLIST,
        .independentmaximumlist = s.INDEPENDENTMAXIMUMLIST,
        .independentprecisionlist = s.INDEPENDENTPRECISIONLIST,
        .pointsperrecordlist = s.POINTSPERRECORDLIST,
        .dependentprecisionloglist = s.DEPENDENTPRECISIONLOGLIST,
        .shortnamelist = descList(s.SHORTNAMELIST),
        .labellist = descList(s.LABELLIST),
        .longnamelist = descList(s.LONGNAMELIST),
        .unitslist = descList(s.UNITSLIST)};
    const util::RecordContents record{.nro = p.nro, .list = l.LIST, .lrns = l.LRNS, .npatwrt = l.NPATWRT,
                                      .idamd = ids, .namd = s.NAMD, .amd = s.AMD, .obuf = data, .ntotal = s.NPTS};
    util::wtdmvf(p.init, s.IWAIT, p.file, product, record, p.handle, s.MSG, ISTAT);
    if (ISTAT != 0) {
        util::logmsg(s.LOG, s.LOGFIL, s.MSG);
        util::stop("WRITE ERROR!");
    }
}

// Real-time mode, before the status file counts a product's new record: the record is put on
// the disk, so that a power cut cannot leave the status file counting a record the product
// never got (the restart would skip its scene for good). While that fails, the run waits.
void syncProduct(const std::string& file) {
    util::syncDataWaiting(util::trim(std::string_view(file).substr(0, std::min(file.find('\0'), file.size()))));
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

// Prepares the first write of a product: its description (the writer ends its name).
void prepareFirstWrite(RunState& s, Product& p) {
    if (p.init != 1) return;
    describe(s, p.tables);
}

// The imaginary part or the responsivity.
void writeOptional(RunState& s, Product p, std::span<float> data) {
    p.nro += 1;
    if (s.NULL_ == 1) std::fill_n(data.begin(), s.NPTS, quietNaN());
    prepareFirstWrite(s, p);
    writeRecord(s, p, data);
    if (s.IWAIT != 0) {
        syncProduct(p.file);
        recordCount(s, p.nro, p.file, p.wrtstaFailure);
    }
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
    if (s.IWAIT != 0) {
        syncProduct(s.OFILE1);
        recordCount(s, s.NRO1, s.OFILE1, p.wrtstaFailure);
    }
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
    if (s.SRCMIS == 1) {
        const std::string source(util::trim(s.ORGINP));
        sayLine(util::freefmt({"... could NOT find source spectra file ", source}));
        line = util::freefmt({"could NOT find source spectra file ", source});
    } else if (s.GOTFIL == 1) {
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

// The variance record(s) of the scene, then, once per run, the marker file, which every run
// writes, so that it always speaks of the run whose products stand beside it.
void varianceProduct(RunState& s, std::span<const float> RESP) {
    if (s.GOTFIL == 1) {
        const VarianceContext run{.NSMP = s.NSMP,
                                  .NBBP = s.NBBP,
                                  .IFILE = s.IFILEV,
                                  .MFILE = s.ORGINP,
                                  .OFILE = s.OFILEV,
                                  .STFILE = s.STFILE,
                                  .LUS = s.LUS,
                                  .LOG = s.LOG,
                                  .LOGFIL = s.LOGFIL,
                                  .IWAIT = s.IWAIT,
                                  .IDSUBH = s.IDSUBH,
                                  .NSUBH = s.NSUBH,
                                  .HISTRY = s.HISTRY,
                                  .PROGRM = s.PROGRM,
                                  .VERSION = s.VERSION};
        const VarianceScene scene{.NSEQ = s.KSET, .NRCXF = s.NSVR, .RESP = RESP, .NRESP = s.NPTS,
                                  .IDAMD = s.IDAMD, .AMDO = s.AMD, .NAMD = s.NAMD};
        calvar(s.CALVST, run, scene, s.WNA, s.GOTFIL);
    }
    if (s.IGOTM == 0) writeMarker(s);
}

// Counts the record just written to product which (0 real part, 1 imaginary part, 2
// responsivity) for the per-product lines at the end of the run.
void countRecord(RunState& s, std::size_t which) {
    s.NWRIT[which] += 1;
    if (s.NULL_ == 1) s.NMISS[which] += 1;
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

// ---- Products of an earlier run -----------------------------------------------------------

bool fileExists(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists(name, error);
}

// The products of the root that this run does not write: the imaginary part and the
// responsivity when the parameter file disables them, the variance product when there is
// no variance input.
std::vector<std::string> unwrittenProductNames(const RunState& s) {
    std::vector<std::string> names;
    if (s.GOTFIL != 1) names.emplace_back(util::trim(outputName(s.BASE, "XXXXXXXX.CVS")));
    if (s.OUTOP2 != 'Y') names.emplace_back(util::trim(outputName(s.BASE, "XXXXXXXX.IMC")));
    if (s.OUTOP3 != 'Y') names.emplace_back(util::trim(outputName(s.BASE, "XXXXXXXX.RES")));
    return names;
}

// Removes a file of an earlier run; a file that cannot be removed stops the run.
void removeEarlier(RunState& s, const std::string& name) {
    std::error_code error;
    if (!std::filesystem::remove(name, error)) {
        tell(s, "VORNCALV -- UNABLE TO REMOVE \"" + name + "\": " + error.message());
        util::stop("OUTPUT FILE?");
    }
}

// Batch mode: a run always starts at the first scene, so whatever an earlier run left under
// the same names is replaced as a whole, a product of the root that this run will not write
// is removed (left beside the new ones it would be taken for this run's), and the status file
// of an earlier real-time run, which no longer describes the products, goes with them.
void replaceEarlierProducts(RunState& s) {
    for (const std::string& name : productNames(s)) {
        // A name the library cannot read as a data file is left to the writer, which
        // reports why it cannot write there.
        const int held = fileExists(name) ? productRecordCount(name) : -1;
        if (held < 0) continue;
        tell(s, util::freefmt({"VORNCALV -- REPLACING \"" + name + "\" OF AN EARLIER RUN; IT HELD", held,
                                    "RECORDS"}).substr(1));
        removeEarlier(s, name);
    }
    for (const std::string& name : unwrittenProductNames(s)) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(name, error)) continue;
        const int held = productRecordCount(name);
        const std::string what = "VORNCALV -- REMOVING \"" + name + "\" OF AN EARLIER RUN; ";
        tell(s, held < 0 ? what + "NOT A READABLE DATA FILE"
                              : util::freefmt({what + "IT HELD", held, "RECORDS"}).substr(1));
        removeEarlier(s, name);
    }
    const std::string status = std::string(util::trim(s.BASE)) + ".STC";
    if (!fileExists(status)) return;
    tell(s, "VORNCALV -- REMOVING STATUS FILE \"" + status + "\" OF AN EARLIER REAL-TIME RUN");
    removeEarlier(s, status);
}

// Once per run: fitted blackbody temperatures outside what the instrument can see.
void warnTemperatures(RunState& s) {
    constexpr float LOWEST = 150.0F;
    constexpr float HIGHEST = 400.0F;
    const auto outside = [&](float t) { return !(t >= LOWEST && t <= HIGHEST); };
    if (s.TWARN == 1 || s.NULL_ == 1 || (!outside(s.TH) && !outside(s.TC))) return;
    s.TWARN = 1;
    tell(s, util::fmt("('WARNING -- FITTED BB TEMP. OUTSIDE 150-400 K: TH=',F8.2,' TC=',F8.2,' REC',I6)",
                           {s.TH, s.TC, s.NSVR}));
}

}  // namespace

std::vector<std::string> productNames(const RunState& s) {
    std::vector<std::string> names{std::string(util::trim(s.OFILE1))};
    if (s.GOTFIL == 1) names.emplace_back(util::trim(s.OFILEV));
    if (s.OUTOP2 == 'Y') names.emplace_back(util::trim(s.OFILE2));
    if (s.OUTOP3 == 'Y') names.emplace_back(util::trim(s.OFILE3));
    for (std::string& name : names) name = name.substr(0, std::min(name.find('\0'), name.size()));
    return names;
}

int productRecordCount(const std::string& name) {
    ZARFFILE* f = ZARFopenFileReadable(name.c_str());
    if (f == nullptr) return -1;
    const int count = ZARFreadRecordCount(f);
    ZARFcloseFile(f);
    return count;
}

int productRecordsThrough(const RunState& s, const std::string& name, int scene) {
    if (scene < 1) return 0;
    const std::string variance(util::trim(s.OFILEV.substr(0, std::min(s.OFILEV.find('\0'), s.OFILEV.size()))));
    if (s.GOTFIL != 1 || name != variance || s.NSVP < 1) return scene;
    const std::int64_t set = (scene - 1) / s.NSVP;
    const std::int64_t record = set * s.NALL + s.NBBP + 1 + (scene - 1) % s.NSVP;
    return static_cast<int>(std::min<std::int64_t>(record, INT_MAX));
}

// Real-time mode: a run appends to its products after the records its status file counts.
// An interrupted run of ours leaves at most one more (written just before the status update
// that would have counted it), or, however it went, no more than the records of the scene
// after the last one completed (the variance product writes a set's blackbody records with
// its first scene, each counted in turn, and a run started afresh counts its own records
// again from the first). A product holding more than that was written by another run (a
// batch run keeps no status file); appending to it would mix two runs' records, so the run
// stops before writing anything.
void refuseForeignProducts(RunState& s) {
    for (const std::string& name : productNames(s)) {
        if (!fileExists(name)) continue;
        const int held = productRecordCount(name);
        const int counted = util::nrout(name, s.STFILE, s.LUS);
        const int ours = std::max(std::max(counted, 0) + 1, productRecordsThrough(s, name, std::max(s.LSN, 0) + 1));
        if (held <= ours) continue;
        tell(s, util::freefmt({"VORNCALV -- \"" + name + "\" HOLDS", held, "RECORDS, \"" +
                                    std::string(util::trim(s.STFILE)) + "\" COUNTS", std::max(counted, 0)})
                         .substr(1));
        tell(s, "VORNCALV -- IT WAS WRITTEN BY ANOTHER RUN: MOVE IT AWAY OR CHOOSE ANOTHER ROOT");
        util::stop("OUTPUT FILE OF ANOTHER RUN");
    }
}

void reportProductCounts(RunState& s) {
    const auto line = [&](const std::string& name, int written, int missing) {
        logLine(s, util::fmt("(' PRODUCT ',A,':',I6,' RECORDS WRITTEN BY THIS RUN,',I6,' OF THEM MISSING')",
                             {util::trim(name), written, missing}));
    };
    line(s.OFILE1, s.NWRIT[0], s.NMISS[0]);
    if (s.CALVST.NWRIT > 0 || s.GOTFIL == 1) line(s.OFILEV, s.CALVST.NWRIT, s.CALVST.NMISS);
    if (s.OUTOP2 == 'Y') line(s.OFILE2, s.NWRIT[1], s.NMISS[1]);
    if (s.OUTOP3 == 'Y') line(s.OFILE3, s.NWRIT[2], s.NMISS[2]);
}

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
    if (s.INIT1 == 1) {
        if (s.IWAIT == 0) {
            replaceEarlierProducts(s);
        } else {
            refuseForeignProducts(s);
        }
    }
    warnTemperatures(s);
    fillOutputMetadata(s);
    if (s.NULL_ == 1) std::fill_n(SPRL.begin(), s.NPTS, quietNaN());
    writeRealPart(s, SPRL);
    countRecord(s, 0);
    varianceProduct(s, RESP);
    if (s.OUTOP2 == 'Y') {
        writeOptional(s,
                      {s.INIT2, s.NRO2, s.OFILE2, s.JHNDL2,
                       {getdftablesn(), getdftablel(), getdftableln(), getdftableu()},
                       "WRTSTA RETURNED BAD STATUS; UPDATE FOR OFILE2"},
                      SPIM);
        countRecord(s, 1);
    }
    if (s.OUTOP3 == 'Y') {
        writeOptional(s,
                      {s.INIT3, s.NRO3, s.OFILE3, s.JHNDL3,
                       {getretablesn(), getretablel(), getretableln(), getretableu()},
                       "WRTSTA RETURNED BAD STATUS; UPDATE FOR OFILE3"},
                      RESP);
        countRecord(s, 2);
    }
    if (s.IWAIT != 0) recordLastScene(s);
}

}  // namespace vorncalv
