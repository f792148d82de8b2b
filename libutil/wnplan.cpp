// wnplan: Planck radiance at one wavenumber and temperature.
#include "libutil/wnplan.h"

#include <cmath>

namespace util {
namespace {
// First radiation constant for radiance in mW/(m2 sr cm-1) with wavenumbers in cm-1.
constexpr double C1 = 1.1910439340652298e-05;
// Second radiation constant in cm K.
constexpr double C2 = 1.4387686603333911;
}  // namespace

float wnplan(double VN, float TEM) {
    const double F1 = C1 * VN * VN * VN;
    const double F2 = C2 * VN;
    return static_cast<float>(F1 / (std::exp(F2 / static_cast<double>(TEM)) - 1.0));
}

}  // namespace util
