// Straight-line fits in time of the blackbody temperature series of one scene sequence.
#pragma once

#include <array>
#include <span>

namespace vorncalv {

// Capacity of the time-point tables (the scene and the blackbody views around it).
inline constexpr int MAXTIM = 20;
// Temperature series per time point: 1 ambient blackbody, 2 hot blackbody, 3 support
// structure.
inline constexpr int MAXSER = 3;
// The fit of a series with fewer usable samples than this is not formed.
inline constexpr int MINSMP = 4;
// Intercept and slope of a series that could not be fitted.
inline constexpr float NOFIT = 999.0F;
// One day in seconds: times before the run's first blackbody view are taken as next day.
inline constexpr int SECDAY = 86400;

// The temperatures of one time point: TMT(i,1..3) of the driver is TMT[i-1][0..2].
using TempRow = std::array<float, MAXSER>;

// Results per series k (index k-1): intercept TINT (K), slope TSLP (K/s) with the time
// origin at midnight, and the regression flags IFLGS of the finished fit (see LinregState;
// a series with too few samples keeps flags 1, 1, 1).
struct SeriesFits {
    std::array<float, MAXSER> TINT{};
    std::array<float, MAXSER> TSLP{};
    std::array<std::array<int, 3>, MAXSER> IFLGS{};
};

// Fits series 1..NSER of TMT against the times ISECS (seconds of the day) of points
// 1..NTIMES. A time before MINSEC (the time of day of the run's first blackbody record)
// lies after midnight: 86400 is added to that ISECS entry in place, so later series and
// the caller see the continued time axis. A series with fewer than 4 samples gets
// TINT = TSLP = 999.0. NTIMES must lie in 0..min(size of ISECS, size of TMT) and NSER in
// 0..3; otherwise std::invalid_argument is thrown and nothing is changed.
void gettfs(int MINSEC, int NTIMES, int NSER, std::span<int> ISECS, std::span<const TempRow> TMT,
            SeriesFits& fits);

}  // namespace vorncalv
