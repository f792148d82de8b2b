// gettfs: straight-line fits in time of the blackbody temperatures of one scene sequence.
#include "vorncalv/gettfs.h"

#include <stdexcept>

#include "vorncalv/linreg.h"
#include "vorncalv/single.h"

namespace vorncalv {
namespace {

void checkArguments(int NTIMES, int NSER, std::size_t nsecs, std::size_t ntmt) {
    if (NTIMES < 0 || static_cast<std::size_t>(NTIMES) > nsecs ||
        static_cast<std::size_t>(NTIMES) > ntmt) {
        throw std::invalid_argument("gettfs: time-point count outside the tables");
    }
    if (NSER < 0 || NSER > MAXSER) throw std::invalid_argument("gettfs: series count outside 0..3");
}

// Fits series k (0-based) and stores its line and flags.
void fitSeries(int MINSEC, int NTIMES, int k, std::span<int> ISECS,
               std::span<const TempRow> TMT, SeriesFits& fits) {
    LinregState st;
    linreg(st, 0.0F, 0.0F, -1);
    int samples = 0;
    for (int i = 0; i < NTIMES; ++i) {
        if (ISECS[i] < MINSEC) ISECS[i] += SECDAY;
        linreg(st, static_cast<float>(ISECS[i]), TMT[i][k], 0);
        ++samples;
    }
    if (samples < MINSMP) {
        fits.TINT[k] = NOFIT;
        fits.TSLP[k] = NOFIT;
        fits.IFLGS[k] = {1, 1, 1};
        return;
    }
    linreg(st, 0.0F, 0.0F, 1);
    fits.TINT[k] = toSingle(st.YINT);
    fits.TSLP[k] = toSingle(st.SLOPE);
    fits.IFLGS[k] = st.IFLAG;
}

}  // namespace

void gettfs(int MINSEC, int NTIMES, int NSER, std::span<int> ISECS, std::span<const TempRow> TMT,
            SeriesFits& fits) {
    checkArguments(NTIMES, NSER, ISECS.size(), TMT.size());
    for (int k = 0; k < NSER; ++k) fitSeries(MINSEC, NTIMES, k, ISECS, TMT, fits);
}

}  // namespace vorncalv
