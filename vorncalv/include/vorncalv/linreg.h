// Running linear regression of y on x: points are added one at a time and the statistics
// are updated in one pass, so no point table is needed. All arithmetic is 64-bit.
#pragma once

#include <array>

namespace vorncalv {

// Threshold for a usable variance: the single-precision 1.0E-5 widened to 64 bits.
inline constexpr double SMALL = 9.999999747378752E-6;

// The regression state, kept between calls. After a finishing call the results YINT,
// SLOPE, XSIG, YSIG, CORR, EVAR and SERR are valid and IFLAG tells which of them could be
// formed: IFLAG[0] (IFLAG(1)) = 1 when the x variance is too small for a slope (SLOPE = 0),
// IFLAG[1] (IFLAG(2)) = 1 when x or y does not vary enough for a correlation (CORR = 1),
// IFLAG[2] (IFLAG(3)) = 1 when the y variance is too small for an explained fraction
// (EVAR = 0). A flag of 0 means the value was formed.
struct LinregState {
    double SN = 0.0;    // number of points
    double XBAR = 0.0;  // running means
    double YBAR = 0.0;
    double XVAR = 0.0;  // sums of squared deviations; variances after finishing
    double YVAR = 0.0;
    double CVAR = 0.0;  // sum of cross deviations; covariance after finishing
    double YINT = 0.0;  // intercept of the fitted line
    double SLOPE = 0.0;
    double XSIG = 0.0;  // standard deviations
    double YSIG = 0.0;
    double CORR = 0.0;  // correlation coefficient
    double EVAR = 0.0;  // fraction of the y variance explained by the line
    double SERR = 0.0;  // standard error
    std::array<int, 3> IFLAG{};
};

// mode < 0: resets the whole state (all sums, results and flags to 0).
// mode = 0: adds the point (x, y).
// mode > 0: finishes the statistics. The sums are turned into variances only when at least
//           one point was added; the results are then formed as described at LinregState.
//           Finishing twice without a reset divides the sums twice.
void linreg(LinregState& state, float x, float y, int mode);

}  // namespace vorncalv
