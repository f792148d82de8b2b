// linreg: running linear regression, one point at a time.
#include "vorncalv/linreg.h"

#include <cmath>

namespace vorncalv {
namespace {

// One-pass update: the means move by the new deviation over the count, and each sum grows
// by the product of the deviations times (SN - 1)/SN.
void addPoint(LinregState& st, double x, double y) {
    st.SN = st.SN + 1.0;
    const double dx = x - st.XBAR;
    st.XBAR = dx / st.SN + st.XBAR;
    double d = dx * dx;
    st.XVAR = st.XVAR + d - d / st.SN;
    const double dy = y - st.YBAR;
    st.YBAR = dy / st.SN + st.YBAR;
    d = dy * dy;
    st.YVAR = st.YVAR + d - d / st.SN;
    d = dx * dy;
    st.CVAR = st.CVAR + d - d / st.SN;
}

void finish(LinregState& st) {
    if (st.SN > 0.0) {
        st.XVAR = st.XVAR / st.SN;
        st.YVAR = st.YVAR / st.SN;
        st.CVAR = st.CVAR / st.SN;
        st.XSIG = std::sqrt(st.XVAR);
        st.YSIG = std::sqrt(st.YVAR);
    }
    if (st.XVAR > SMALL) {
        st.SLOPE = st.CVAR / st.XVAR;
        st.IFLAG[0] = 0;
    } else {
        st.SLOPE = 0.0;
        st.IFLAG[0] = 1;
    }
    st.YINT = st.YBAR - st.SLOPE * st.XBAR;
    if (st.XSIG > SMALL && st.YSIG > SMALL) {
        st.CORR = st.CVAR / (st.XSIG * st.YSIG);
        st.IFLAG[1] = 0;
    } else {
        st.CORR = 1.0;
        st.IFLAG[1] = 1;
    }
    st.EVAR = st.SLOPE * st.CVAR;
    st.SERR = std::sqrt(std::fabs(st.YVAR - st.EVAR));
    if (st.YVAR > SMALL) {
        st.EVAR = st.EVAR / st.YVAR;
        st.IFLAG[2] = 0;
    } else {
        st.EVAR = 0.0;
        st.IFLAG[2] = 1;
    }
}

}  // namespace

void linreg(LinregState& state, float x, float y, int mode) {
    if (mode < 0) {
        state = LinregState{};
    } else if (mode == 0) {
        addPoint(state, static_cast<double>(x), static_cast<double>(y));
    } else {
        finish(state);
    }
}

}  // namespace vorncalv
