// Planck radiances over a whole grid of equally spaced wavenumbers, computed with a few
// exponentials per temperature instead of one per point.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace vorncalv {

// Over an equally spaced grid v(a + j) = v(a) + j*dv the factor exp(c2*v/T) - 1 of the
// Planck radiance is m(a + j) = m(a) + q(j)*(1 + m(a)), with m(a) = expm1(c2*v(a)/T) taken
// directly at every BLOCK-th point (the anchors) and q(j) = expm1(j*c2*dv/T) taken once per
// temperature. Every term is positive, so each value carries only a few rounding errors and
// none accumulate from one block to the next. A grid that is not ascending, positive and
// equally spaced to within 2**-50 of each wavenumber, and a temperature that is not positive
// or would overflow the exponential, take the direct formula at every point.
class PlanckGrid {
public:
    // Points from one anchor to the next.
    static constexpr std::size_t BLOCK = 64;

    // Takes the grid (wavenumbers in cm-1) and what depends on it alone.
    void setGrid(std::span<const double> WN);
    // Whether the grid taken is WN, point for point.
    bool holds(std::span<const double> WN) const;
    // Whether radiances() takes the fast path at temperature T (K).
    bool fastAt(double T) const;
    // Planck radiance in mW/(m2 sr cm-1), not rounded to 32 bits, at every grid point for
    // temperature T (K), into the first points of out (which must hold the grid): the value
    // of util::wnplanDouble within a few units in the last place (relative 1e-12 at worst).
    void radiances(double T, std::span<double> out) const;

private:
    std::vector<double> wn_;
    std::vector<double> f1_;  // c1*v**3 at every point
    double step_ = 0.0;
    bool equallySpaced_ = false;
};

}  // namespace vorncalv
