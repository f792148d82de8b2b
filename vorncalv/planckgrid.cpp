// Planck radiances over a grid of equally spaced wavenumbers, a few exponentials per
// temperature.
#include "vorncalv/planckgrid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "libutil/wnplan.h"
#include "vorncalv/spectrumloop.h"

namespace vorncalv {
namespace {

// Largest exponent taken on the fast path: exp(700) is still finite in 64 bits.
constexpr double MAX_EXPONENT = 700.0;
// Largest departure of a grid point from its place on the equally spaced grid, relative to
// its wavenumber, that the fast path accepts (a few units in the last place).
constexpr double SPACING_TOLERANCE = 0x1p-50;

// Whether every point lies where the equally spaced grid puts it, counted from its anchor.
bool equallySpaced(std::span<const double> WN, double step) {
    for (std::size_t i = 0; i < WN.size(); ++i) {
        const std::size_t j = i % PlanckGrid::BLOCK;
        const double expected = WN[i - j] + static_cast<double>(j) * step;
        if (!(std::fabs(WN[i] - expected) <= SPACING_TOLERANCE * WN[i])) return false;
    }
    return true;
}

// One block from its anchor: f1 / m(a + j) for j below len. The pointers do not overlap, as
// the compiler is told, so that it vectorises the loop.
LOOP_STEP void blockRadiances(const double* __restrict f1, const double* __restrict q, double ma, std::size_t len,
                              double* __restrict out) {
    const double pa = 1.0 + ma;
    for (std::size_t j = 0; j < len; ++j) out[j] = f1[j] / (ma + q[j] * pa);
}

// The radiances of the n points of an equally spaced grid, wn and f1 = c1*v**3 at every
// point, at temperature T; q as radiances() makes it.
SPECTRUM_LOOP void gridRadiances(const double* wn, const double* f1, std::size_t n, double T, const double* q,
                                 double* out) {
    for (std::size_t a = 0; a < n; a += PlanckGrid::BLOCK) {
        const double ma = std::expm1(util::PLANCK_C2 * wn[a] / T);
        blockRadiances(f1 + a, q, ma, std::min(PlanckGrid::BLOCK, n - a), out + a);
    }
}

}  // namespace

void PlanckGrid::setGrid(std::span<const double> WN) {
    wn_.assign(WN.begin(), WN.end());
    f1_.resize(wn_.size());
    // The same products, in the same order, as the direct formula.
    for (std::size_t i = 0; i < wn_.size(); ++i) f1_[i] = util::PLANCK_C1 * wn_[i] * wn_[i] * wn_[i];
    const std::size_t n = wn_.size();
    equallySpaced_ = false;
    if (n < 2 || !(wn_.front() > 0.0) || !std::isfinite(wn_.back())) return;
    step_ = (wn_.back() - wn_.front()) / static_cast<double>(n - 1);
    equallySpaced_ = step_ > 0.0 && equallySpaced(wn_, step_);
}

// Bit for bit: a grid that holds a NaN still matches itself.
bool PlanckGrid::holds(std::span<const double> WN) const {
    return WN.size() == wn_.size() && (WN.empty() || std::memcmp(WN.data(), wn_.data(), WN.size_bytes()) == 0);
}

bool PlanckGrid::fastAt(double T) const {
    return equallySpaced_ && std::isfinite(T) && T > 0.0 && util::PLANCK_C2 * wn_.back() / T <= MAX_EXPONENT;
}

void PlanckGrid::radiances(double T, std::span<double> out) const {
    const std::size_t n = wn_.size();
    if (out.size() < n) throw std::invalid_argument("PlanckGrid: output shorter than the grid");
    if (!fastAt(T)) {
        for (std::size_t i = 0; i < n; ++i) out[i] = util::wnplanDouble(wn_[i], T);
        return;
    }
    const double dx = util::PLANCK_C2 * step_ / T;
    std::array<double, BLOCK> q{};
    for (std::size_t j = 0; j < BLOCK; ++j) q[j] = std::expm1(static_cast<double>(j) * dx);
    gridRadiances(wn_.data(), f1_.data(), n, T, q.data(), out.data());
}

}  // namespace vorncalv
