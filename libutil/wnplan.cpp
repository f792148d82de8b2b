// wnplan: Planck radiance at one wavenumber and temperature.
#include "libutil/wnplan.h"

#include <cmath>

namespace util {

double wnplanDouble(double VN, double TEM) {
    const double F1 = PLANCK_C1 * VN * VN * VN;
    const double F2 = PLANCK_C2 * VN;
    return F1 / (std::exp(F2 / TEM) - 1.0);
}

float wnplan(double VN, float TEM) { return static_cast<float>(wnplanDouble(VN, static_cast<double>(TEM))); }

}  // namespace util
