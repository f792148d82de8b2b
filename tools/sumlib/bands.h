// The standard bands of a VORN day summary and the statistics taken over them: band means
// of a spectrum, the brightness temperature of a band's mean radiance (the exact inverse of
// the calibration's Planck function) and the mean and standard deviation of a whole record.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace vornsum {

// One standard band with the identifiers of the header fields the summary fills for it.
struct StandardBand {
    double low = 0.0;   // first and last wavenumber of the band (cm-1), both included
    double high = 0.0;
    int channel = 1;
    int radiance = 0;         // mean sky radiance
    int airTemp = 0;          // its brightness temperature
    int skyStdDev = 0;        // square root of the band mean of the scene's variance
    int hotStdDev = 0;        // the same for the set's hot blackbody view
    int ambientStdDev = 0;    // the same for the set's ambient blackbody view
    int imaginary = 0;        // mean of the imaginary part
    double centre() const { return 0.5 * (low + high); }
};

inline constexpr std::size_t BandCount = 6;
// The six bands, channel 1 first, in the order the quicklook page lists them.
const std::array<StandardBand, BandCount>& standardBands();

// The points of a record's grid that lie in a band: indices first .. last - 1.
struct PointRange {
    std::size_t first = 0;
    std::size_t last = 0;
    bool empty() const { return last <= first; }
};

// The grid points v with low <= v <= high, for an ascending grid. Empty when the band
// does not lie wholly within the grid (a band cut by the grid's end would be the mean of
// another band).
PointRange bandPoints(const std::vector<double>& grid, double low, double high);

// Arithmetic mean of the finite values in range (computed in double precision); empty
// when the range holds no finite value.
std::optional<double> finiteMean(const std::vector<float>& values, PointRange range);

// Mean and standard deviation (population: the root of the mean squared deviation) of
// the finite values; empty when there is none.
struct MeanAndSpread {
    double mean = 0.0;
    double stdDev = 0.0;
};
std::optional<MeanAndSpread> finiteMeanAndSpread(const std::vector<float>& values);

// The temperature (K) whose Planck radiance at wavenumber (cm-1) is radiance
// (mW/(m2 sr cm-1)), with the calibration's own radiation constants:
// T = C2 v / ln(1 + C1 v^3 / L). Empty for a radiance that is not positive and finite.
std::optional<double> brightnessTemperature(double wavenumber, double radiance);

}  // namespace vornsum
