// wnplan: Planck radiance at one wavenumber and temperature.
#pragma once
namespace util {
// First radiation constant for radiance in mW/(m2 sr cm-1) with wavenumbers in cm-1.
inline constexpr double PLANCK_C1 = 1.1910439340652298e-05;
// Second radiation constant in cm K.
inline constexpr double PLANCK_C2 = 1.4387686603333911;

// Planck radiance in mW/(m2 sr cm-1) at wavenumber VN (cm-1) and temperature TEM (K).
float wnplan(double VN, float TEM);
// The same radiance before it is rounded to 32 bits.
double wnplanDouble(double VN, double TEM);
}  // namespace util
