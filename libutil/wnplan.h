// wnplan: Planck radiance at one wavenumber and temperature.
#pragma once
namespace util {
// Planck radiance in mW/(m2 sr cm-1) at wavenumber VN (cm-1) and temperature TEM (K).
float wnplan(double VN, float TEM);
}  // namespace util
