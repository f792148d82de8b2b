// Variance calibration of one scene record: read, scale by the co-addition count and the
// responsivity, write under the input record number.
#include "vorncalv/calvar.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/rddmvf.h"
#include "libutil/durable.h"
#include "libutil/wrtsta.h"
#include "libutil/wtdmvf.h"
#include "ravlio/fields.h"
#include "vorncalv/messages.h"
#include "vorncalv/missingvalues.h"
#include "vorncalv/single.h"
#include "vorncalv/spectrumloop.h"
#include "vorncalv/strtabca.h"

namespace vorncalv {
namespace {

constexpr std::array<int, 3> HEADER_IDS{FIELD_coadditionsCount, FIELD_missingDataFlag, FIELD_sceneMirrorPosition};
constexpr int COADDS = 0;
constexpr int MISSING = 1;
// Output file type (RGD).
constexpr int FILE_TYPE = 1;
// Record-level description of the variance product: one column, identifier 0.
constexpr int NUMBEROFDATATYPES = 1;
constexpr std::array<int, 1> IDENTIFIERLIST{0};
constexpr std::array<int, 1> INDEPENDENTPRECISIONLIST{6};
constexpr std::array<int, 1> DEPENDENTPRECISIONLOGLIST{4};
// Furthest grid index (in points) considered when mapping between grids; anything beyond
// cannot be a point of a 9000-point record.
constexpr double MAX_GRID_OFFSET = 1.0e9;

// First and last input record of the range written for scene record NRCXF.
struct RecordRange {
    int NRLO = 0;
    int NRHI = 0;
};

RecordRange recordRange(int NSEQ, int NSMP, int NBBP, int NRCXF) {
    if (NSEQ < 1 || NSMP < 1 || NBBP < 0 || NRCXF < 1)
        throw std::invalid_argument("calvar: set layout gives no valid record number");
    const long long setStart = static_cast<long long>(NSEQ - 1) * NSMP + 1;
    const long long NRFSV = setStart + NBBP;
    if (NRFSV > std::numeric_limits<int>::max())
        throw std::invalid_argument("calvar: set layout gives no valid record number");
    if (NRCXF == NRFSV) return {static_cast<int>(setStart), static_cast<int>(NRFSV)};
    return {NRCXF, NRCXF};
}

// One record read through the record reader with a fresh copy of the header request (the
// reader negates identifiers it does not find) and header words preset for fields the
// record lacks: coadditionsCount missing, missingDataFlag 0. A stored quiet-NaN pattern
// becomes -999.0, as everywhere in the driver.
struct ReadRequest {
    int* init = nullptr;
    std::string* file = nullptr;
    int column = 0;
    int* handle = nullptr;
    std::span<float> values;
};

int readRecord(CalvarState& st, const ReadRequest& rq, int IWAIT, int nr, int& npts) {
    std::array<int, 3> ids = st.IHWDS;
    st.HWDS = {MISSVAL, 0.0F, MISSVAL};
    int istat = 0;
    util::rddmvf(*rq.init, IWAIT, nr, *rq.file, ids, st.NHWW, st.LIMPTS, npts, st.XIN, rq.values, st.NHWDS, st.HWDS,
                 rq.column, rq.column, st.NCOLS, istat, st.MSG, *rq.handle);
    replaceQuietNaNs(st.HWDS);
    return istat;
}

// The three log lines of a failed read; format is the line naming the file.
void logReadFailure(const CalvarState& st, int LOG, std::string_view LOGFIL, std::string_view format,
                    const std::string& file, int istat) {
    logLine(LOG, LOGFIL, st.MSG);
    logLine(LOG, LOGFIL, util::fmt(format, {util::trim(file)}));
    logLine(LOG, LOGFIL, util::fmt("('IRDST=',I2)", {istat}));
}

// A point count the arrays cannot hold (the reader reports it too; checked again here so
// that nothing is ever indexed past the arrays).
bool pointCountFits(const CalvarState& st, int npts, int LOG, std::string_view LOGFIL, int nr) {
    if (npts >= 1 && npts <= st.LIMPTS) return true;
    logLine(LOG, LOGFIL, util::fmt("('CALVAR -- POINT COUNT OUT OF RANGE, NO.',I6,' NPTS=',I11)", {nr, npts}));
    return false;
}

// Reads one record and checks its point count. False (after logging why) when the read
// fails or the count does not fit; failureFormat is the log line naming the file.
bool readChecked(CalvarState& st, const ReadRequest& rq, int IWAIT, int nr, int& npts, int LOG,
                 std::string_view LOGFIL, std::string_view failureFormat) {
    const int istat = readRecord(st, rq, IWAIT, nr, npts);
    if (istat != 0) {
        logReadFailure(st, LOG, LOGFIL, failureFormat, *rq.file, istat);
        return false;
    }
    return pointCountFits(st, npts, LOG, LOGFIL, nr);
}

// A flag value counts as set when it rounds to 1 or more.
bool flagSet(float v) { return v >= 0.5F; }

// The co-addition count rounded to the nearest integer; 0 when it is missing, not a number
// or too large to be a count.
int roundedCount(float v) {
    if (!(v >= 0.5F) || v >= 2147483647.0F) return 0;
    return static_cast<int>(std::lround(v));
}

// Step of a grid of npts points from first to last (0 for a single point).
double gridStep(double first, double last, int npts) { return npts > 1 ? (last - first) / (npts - 1) : 0.0; }

// Index (from 1) of the point of the grid WNA + k*DWN nearest to wn; 0 when there is none.
int nearestIndex(double wn, double WNA, double DWN) {
    if (DWN == 0.0) return wn == WNA ? 1 : 0;
    const double q = (wn - WNA) / DWN;
    if (!std::isfinite(q) || std::fabs(q) > MAX_GRID_OFFSET) return 0;
    return static_cast<int>(std::llround(q)) + 1;
}

// The nearest source-grid point of every variance-grid point, made when a grid changes.
void mapGrids(CalvarState& st, int NPTSV, double WNLO, double DWNV, double WNA, double DWN) {
    const std::array<double, 4> grids{WNLO, DWNV, WNA, DWN};
    if (st.MAPPTS == NPTSV && st.MAPGRID == grids) return;
    st.MAPSAME = true;
    for (int i = 0; i < NPTSV; ++i) {
        st.INDXMAP[static_cast<std::size_t>(i)] = nearestIndex(i * DWNV + WNLO, WNA, DWN);
        st.MAPSAME = st.MAPSAME && st.INDXMAP[static_cast<std::size_t>(i)] == i + 1;
    }
    st.MAPPTS = NPTSV;
    st.MAPGRID = grids;
}

// The variance of radiance at one point from the variance read and the responsivity at the
// point: ((variance/N)/r**2)/N, the first two steps in double precision; NaN where the
// responsivity is not positive. The quotients are computed at every point and replaced
// afterwards, without a branch, so that the loop over the points vectorises.
LOOP_STEP float varianceOfRadiance(float variance, float r, double DSMPLS, float SMPLS) {
    const double perScan = static_cast<double>(variance) / DSMPLS;
    // A quotient beyond the 32-bit range (a tiny responsivity) becomes an infinity.
    const float scaled = toSingle(perScan / static_cast<double>(r * r));
    const float result = scaled / SMPLS;
    return r > 0.0F ? result : quietNaN();
}

// varianceOfRadiance at points 0..n-1.
SPECTRUM_LOOP void variancesOfRadiance(const float* variance, const float* r, std::size_t n, double DSMPLS,
                                       float SMPLS, float* out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = varianceOfRadiance(variance[i], r[i], DSMPLS, SMPLS);
}

// Variance of radiance at every point of the variance grid: the responsivity at each
// point's nearest source-grid point is gathered first (0, which is not positive, where there
// is none; the responsivity as it stands when every point is its own nearest point), then
// the arithmetic runs over whole arrays.
void scaleVariance(CalvarState& st, int NPTSV, double WNLO, double DWNV, double WNA, double DWN, int NSMPLS,
                   std::span<const float> RESP, int NRESP) {
    mapGrids(st, NPTSV, WNLO, DWNV, WNA, DWN);
    const auto n = static_cast<std::size_t>(NPTSV);
    const float* r = RESP.data();
    if (!st.MAPSAME || NPTSV > NRESP) {
        for (std::size_t i = 0; i < n; ++i) {
            const int INDX = st.INDXMAP[i];
            st.RATPT[i] = INDX >= 1 && INDX <= NRESP ? RESP[static_cast<std::size_t>(INDX - 1)] : 0.0F;
        }
        r = st.RATPT.data();
    }
    const float SMPLS = static_cast<float>(NSMPLS);
    const auto DSMPLS = static_cast<double>(NSMPLS);
    variancesOfRadiance(st.VARIN.data(), r, n, DSMPLS, SMPLS, st.VAROUT.data());
}

void markMissing(CalvarState& st, int NAMD, int NPTSV, int LOG, std::string_view LOGFIL) {
    logLine(LOG, LOGFIL, util::fmt("('CALVAR -- NULL RECORD, NO.',I6)", {st.NRO + 1}));
    std::fill_n(st.AMD.begin(), NAMD, quietNaN());
    st.AMD[3] = 1.0F;
    std::fill_n(st.VAROUT.begin(), NPTSV, quietNaN());
}

// The run's constant arguments of one call.
struct CallContext {
    std::span<const int> IDAMD;
    int NAMD = 0;
    std::span<const int> IDSUBH;
    int NSUBH = 0;
    int IWAIT = 0;
    int LOG = 0;
    std::string_view LOGFIL;
    std::string_view STFILE;
    int LUS = 0;
    const std::string* HISTRY = nullptr;
    const std::string* PROGRM = nullptr;
    const std::string* VERSION = nullptr;
};

// Writes VAROUT as record NRO + 1. False (after logging the writer's message) on failure.
bool writeRecord(CalvarState& st, const CallContext& cx, std::string& OFILE, int NPTSV, double WNLO,
                 double WNHI) {
    const std::array<double, 1> minimum{WNLO};
    const std::array<double, 1> maximum{WNHI};
    const std::array<int, 1> points{NPTSV};
    const auto table = [](DescTable t) { return std::span<const char* const>(t, NTABLE_ENTRIES); };
    std::copy(cx.IDAMD.begin(), cx.IDAMD.begin() + cx.NAMD, st.IDAMD.begin());
    st.NRO += 1;
    int ISTAT = 0;
    const util::ProductDescription product{
        .file_type = FILE_TYPE,
        .progrm = *cx.PROGRM,
        .version = *cx.VERSION,
        .histry = *cx.HISTRY,
        .idsubh = cx.IDSUBH,
        .nsubh = cx.NSUBH,
        .list = st.LIST,
        .npatopn = st.NPATOPN,
        .numberofdatatypes = NUMBEROFDATATYPES,
        .identifierlist = IDENTIFIERLIST,
        .independentminimumlist = minimum,
        .independentmaximumlist = maximum,
        .independentprecisionlist = INDEPENDENTPRECISIONLIST,
        .pointsperrecordlist = points,
        .dependentprecisionloglist = DEPENDENTPRECISIONLOGLIST,
        .shortnamelist = table(getvariancetablesn()),
        .labellist = table(getvariancetablel()),
        .longnamelist = table(getvariancetableln()),
        .unitslist = table(getvariancetableu())};
    const util::RecordContents record{.nro = st.NRO, .list = st.LIST, .lrns = st.LRNS, .npatwrt = st.NPATWRT,
                                      .idamd = st.IDAMD, .namd = cx.NAMD, .amd = st.AMD, .obuf = st.VAROUT,
                                      .ntotal = NPTSV};
    util::wtdmvf(st.INITO, cx.IWAIT, OFILE, product, record, st.JHNDL, st.MSG, ISTAT);
    if (ISTAT != 0) {
        logLine(cx.LOG, cx.LOGFIL, st.MSG);
        return false;
    }
    st.NWRIT += 1;
    if (st.AMD[3] != 0.0F) st.NMISS += 1;
    if (cx.IWAIT != 0) {
        // The status file counts a record only once it is on the disk.
        util::syncDataWaiting(util::trim(std::string_view(OFILE).substr(0, std::min(OFILE.find('\0'), OFILE.size()))));
        int JSTAT = 0;
        util::wrtsta(st.NRO, OFILE, cx.STFILE, cx.LUS, JSTAT);
    }
    return true;
}

void firstCall(CalvarState& st) {
    st.INITI = 1;
    st.INITM = 1;
    st.INITO = 1;
    st.INIT = 0;
    st.IHWDS = HEADER_IDS;
    st.NHWW = static_cast<int>(HEADER_IDS.size());
}

void checkArguments(std::span<const float> RESP, int NRESP, std::span<const int> IDAMD,
                    std::span<const float> AMDO, int NAMD) {
    if (NRESP < 0 || static_cast<std::size_t>(NRESP) > RESP.size())
        throw std::invalid_argument("calvar: NRESP exceeds the responsivity given");
    if (NAMD < 4 || NAMD > MAXVAMD || static_cast<std::size_t>(NAMD) > IDAMD.size() ||
        static_cast<std::size_t>(NAMD) > AMDO.size())
        throw std::invalid_argument("calvar: NAMD outside 4..200 or beyond the metadata given");
}

}  // namespace

void calvar(CalvarState& st, const VarianceContext& run, const VarianceScene& scene, double& WNA, int& GOTFIL) {
    const auto& [NSMP, NBBP, IFILE, MFILE, OFILE, STFILE, LUS, LOG, LOGFIL, IWAIT, IDSUBH, NSUBH, HISTRY, PROGRM,
                 VERSION] = run;
    const auto& [NSEQ, NRCXF, RESP, NRESP, IDAMD, AMDO, NAMD] = scene;
    checkArguments(RESP, NRESP, IDAMD, AMDO, NAMD);
    const RecordRange range = recordRange(NSEQ, NSMP, NBBP, NRCXF);
    st.LIMPTS = MAXVPTS;
    if (st.INIT == 1) firstCall(st);
    const CallContext cx{IDAMD, NAMD, IDSUBH, NSUBH, IWAIT, LOG, LOGFIL, STFILE, LUS, &HISTRY, &PROGRM, &VERSION};

    st.NRO = range.NRLO - 1;
    for (int nr = range.NRLO; nr <= range.NRHI; ++nr) {
        std::copy_n(AMDO.begin(), NAMD, st.AMD.begin());

        int NPTSV = 0;
        if (!readChecked(st, {&st.INITI, &IFILE, 0, &st.IHNDL, st.VARIN}, IWAIT, nr, NPTSV, LOG, LOGFIL,
                         "('CALVAR -- BAD STATUS FROM RDDMVF, IFILE=',         A)"))
            return;
        const double WNLO = st.XIN[0];
        const double WNHI = st.XIN[static_cast<std::size_t>(NPTSV - 1)];
        const double DWNV = gridStep(WNLO, WNHI, NPTSV);
        st.LIST = {st.IHNDL, 0};
        st.LRNS = {nr, 0};

        bool missing = false;
        if (st.HWDS[MISSING] != 0.0F || st.AMD[3] != 0.0F) {
            st.NPATWRT = 0;
            missing = true;
        } else {
            st.NPATWRT = 1;
            int NPTSR = 0;
            if (!readChecked(st, {&st.INITM, &MFILE, 1, &st.IHNDLM, st.YR}, IWAIT, nr, NPTSR, LOG, LOGFIL,
                             "('CALVAR -- BAD STATUS FROM RDDMVF, FILE=',          A)"))
                return;
            if (flagSet(st.HWDS[MISSING]) || st.AMD[3] > 0.0F) {
                missing = true;
            } else {
                int NSMPLS = roundedCount(st.HWDS[COADDS]);
                WNA = st.XIN[0];
                const double WNB = st.XIN[static_cast<std::size_t>(NPTSR - 1)];
                const double DWN = gridStep(WNA, WNB, NPTSR);
                if (NSMPLS < 1) {
                    NSMPLS = nr < NRCXF ? st.NSCANB : st.NSCANS;
                    logLine(LOG, LOGFIL, "CALVAR using default number of coadds!!");
                    logLine(LOG, LOGFIL, util::freefmt({"... which is ", NSMPLS}));
                }
                scaleVariance(st, NPTSV, WNLO, DWNV, WNA, DWN, NSMPLS, RESP, NRESP);
            }
        }
        if (missing) markMissing(st, NAMD, NPTSV, LOG, LOGFIL);

        if (!writeRecord(st, cx, OFILE, NPTSV, WNLO, WNHI)) {
            GOTFIL = 0;
            return;
        }
    }
}

}  // namespace vorncalv
