// The standard bands and the statistics of the day summary.
#include "sumlib/bands.h"

#include <algorithm>
#include <cmath>

#include "libutil/wnplan.h"

namespace vornsum {

const std::array<StandardBand, BandCount>& standardBands() {
    // Field identifiers of the dictionary's group 25 (819200 + number), by band: radiance,
    // brightness temperature, sky, hot and ambient view standard deviations, imaginary part.
    static const std::array<StandardBand, BandCount> bands = {{
        {675.0, 680.0, 1, 819201, 819207, 819213, 819219, 819225, 819250},
        {700.0, 705.0, 1, 819202, 819208, 819214, 819220, 819226, 819251},
        {985.0, 990.0, 1, 819203, 819209, 819215, 819221, 819227, 819252},
        {2282.0, 2287.0, 2, 819205, 819211, 819217, 819223, 819229, 819254},
        {2295.0, 2300.0, 2, 819204, 819210, 819216, 819222, 819228, 819253},
        {2510.0, 2515.0, 2, 819206, 819212, 819218, 819224, 819230, 819255},
    }};
    return bands;
}

PointRange bandPoints(const std::vector<double>& grid, double low, double high) {
    if (grid.empty() || !(low >= grid.front()) || !(high <= grid.back())) return {};
    const auto first = std::lower_bound(grid.begin(), grid.end(), low);
    const auto last = std::upper_bound(first, grid.end(), high);
    return {static_cast<std::size_t>(first - grid.begin()), static_cast<std::size_t>(last - grid.begin())};
}

std::optional<double> finiteMean(const std::vector<float>& values, PointRange range) {
    double sum = 0.0;
    std::size_t n = 0;
    for (std::size_t i = range.first; i < std::min(range.last, values.size()); ++i) {
        if (!std::isfinite(values[i])) continue;
        sum += values[i];
        ++n;
    }
    if (n == 0) return std::nullopt;
    return sum / static_cast<double>(n);
}

std::optional<MeanAndSpread> finiteMeanAndSpread(const std::vector<float>& values) {
    const std::optional<double> mean = finiteMean(values, {0, values.size()});
    if (!mean) return std::nullopt;
    double squares = 0.0;
    std::size_t n = 0;
    for (float v : values) {
        if (!std::isfinite(v)) continue;
        const double d = v - *mean;
        squares += d * d;
        ++n;
    }
    return MeanAndSpread{*mean, std::sqrt(squares / static_cast<double>(n))};
}

std::optional<double> brightnessTemperature(double wavenumber, double radiance) {
    if (!(radiance > 0.0) || !std::isfinite(radiance) || !(wavenumber > 0.0)) return std::nullopt;
    const double c1v3 = util::PLANCK_C1 * wavenumber * wavenumber * wavenumber;
    const double t = util::PLANCK_C2 * wavenumber / std::log1p(c1v3 / radiance);
    if (!std::isfinite(t)) return std::nullopt;
    return t;
}

}  // namespace vornsum
