// The physics of a synthetic VORN day: Planck radiance, the blackbody cavity, the
// instrument's complex responsivity and offset, the noise of one scan, and a clear or
// cloudy sky seen through an atmosphere with band and line structure.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

namespace vornsim {

// Planck radiance in mW/(m2 sr cm-1) at wavenumber wn (cm-1) and temperature t (K), with the
// radiation constants the calibration uses, in double precision.
double planck(double wn, double t);

// Effective emissivity of the blackbody cavity for a paint emissivity e and a cavity factor,
// formed in single precision as the calibration forms it.
float cavityEmissivity(float paint, float cavityFactor);

// Linear interpolation of a table (increasing abscissae) at x, end values held outside.
double interpolate(const std::vector<double>& xs, const std::vector<double>& ys, double x);

// A small deterministic random generator (the same numbers on every platform).
class Random {
public:
    explicit Random(uint64_t seed);
    double uniform();                      // in [0, 1)
    double uniform(double lo, double hi);  // in [lo, hi)

private:
    uint64_t state_;
};

// The instrument: raw = G x (L + O) per wavenumber.
struct Instrument {
    std::vector<std::complex<double>> responsivity;  // G, counts per radiance unit
    std::vector<std::complex<double>> offset;        // O, radiance units
    std::vector<double> scanNoise;                   // NESR of one scan, radiance units
};
Instrument makeInstrument(int channel, const std::vector<double>& grid);

// The atmosphere above the instrument: optical depths on the grid, fixed for the day.
class Sky {
public:
    Sky(int channel, const std::vector<double>& grid, uint64_t seed);
    // Downwelling radiance seen at airmass m with air temperature tAir, relative humidity
    // factor humidity (1: typical) and a cloud of fraction cloud at temperature tCloud.
    std::vector<double> radiance(double m, double tAir, double humidity, double cloud, double tCloud) const;

private:
    std::vector<double> grid_;
    std::vector<double> dry_;    // well-mixed gases: carbon dioxide, ozone, methane, nitrous oxide
    std::vector<double> water_;  // water vapour lines and continuum
};

}  // namespace vornsim
