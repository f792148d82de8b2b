// znterp: linear interpolation of a table onto new abscissae.
#include "libutil/znterp.h"

#include <ostream>

#include "libutil/console.h"
#include "libutil/fortfmt.h"
#include "libutil/stop.h"

namespace util {
namespace {

// Reports a table that cannot be searched (not monotonic, a NaN, or empty) and stops.
[[noreturn]] void tableFault(int NX, double XIN, double X1, double XN) {
    conout() << " ZNTERP -- ?????\n";
    conout() << fmt("(' NX,XIN,X(1),X(NX):',I5,3E12.4)", {NX, XIN, X1, XN}) << '\n';
    stop("?????");
}

// Y(k-1) + (XIN - X(k-1)) * (Y(k) - Y(k-1)) / (X(k) - X(k-1)) with 0-based indices
// lo = k-1 and hi = k: abscissa differences in double, the value difference in single
// precision, product and quotient in double.
float between(const double* X, const float* Y, int lo, int hi, double XIN) {
    const float dy = Y[hi] - Y[lo];
    const double q = (XIN - X[lo]) * static_cast<double>(dy) / (X[hi] - X[lo]);
    return static_cast<float>(static_cast<double>(Y[lo]) + q);
}

// One output point of an increasing (up) or decreasing table. ILO (0-based) is the
// search start, moved forward as the output abscissae advance. The result is false when
// the scan finds no stopping point (a table that is not monotonic or holds a NaN, or a
// NaN abscissa).
bool onePoint(const double* X, const float* Y, int NX, bool up, double XIN, int& ILO,
              float& out) {
    // "a before b" in the table's direction.
    const auto before = [up](double a, double b) { return up ? a < b : a > b; };
    if (up ? XIN <= X[0] : XIN >= X[0]) {
        out = Y[0];
        return true;
    }
    if (up ? XIN >= X[NX - 1] : XIN <= X[NX - 1]) {
        out = Y[NX - 1];
        return true;
    }
    // An abscissa behind the search start (output not in the table's order) restarts the
    // search from the beginning instead of extrapolating from the last interval.
    if (before(XIN, X[ILO])) ILO = 0;
    for (int K = ILO; K < NX; ++K) {
        if (X[K] == XIN) {
            out = Y[K];
            ILO = K;
            return true;
        }
        if (before(XIN, X[K])) {
            if (K == 0) return false;
            out = between(X, Y, K - 1, K, XIN);
            ILO = K - 1;
            return true;
        }
    }
    return false;
}

}  // namespace

void znterp(const double* X, const float* Y, int NX, const double* XO, float* YO, int NXO) {
    if (NXO <= 0) return;
    if (NX < 1) {
        // No table to read: report it the same way as an unusable table.
        conout() << " ZNTERP -- ?????\n";
        conout() << fmt("(' NX:',I5)", {NX}) << '\n';
        stop("?????");
    }
    if (NX == 1) {
        for (int I = 0; I < NXO; ++I) YO[I] = Y[0];
        return;
    }
    const bool up = !(X[0] > X[1]);
    int ILO = 0;
    for (int I = 0; I < NXO; ++I) {
        if (!onePoint(X, Y, NX, up, XO[I], ILO, YO[I])) tableFault(NX, XO[I], X[0], X[NX - 1]);
    }
}

}  // namespace util
