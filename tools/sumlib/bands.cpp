// The standard bands and the statistics of the day summary.
#include "sumlib/bands.h"

#include <algorithm>
#include <cmath>

#include "libutil/wnplan.h"
#include "ravlio/fields.h"

namespace vornsum {

const std::array<StandardBand, BandCount>& standardBands() {
    // The dictionary's fields of each band: radiance, brightness temperature, sky, hot and
    // ambient view standard deviations, imaginary part.
    static const std::array<StandardBand, BandCount> bands = {{
        {675.0, 680.0, 1, FIELD_surfaceLayerRadiance675_680, FIELD_surfaceLayerAirTemp675_680,
         FIELD_skyViewStdDevRadiance675_680, FIELD_HBBviewStdDevRadiance675_680,
         FIELD_ABBviewStdDevRadiance675_680, FIELD_skyViewImaginaryRadiance675_680},
        {700.0, 705.0, 1, FIELD_elevatedLayerRadiance700_705, FIELD_elevatedLayerAirTemp700_705,
         FIELD_skyViewStdDevRadiance700_705, FIELD_HBBviewStdDevRadiance700_705,
         FIELD_ABBviewStdDevRadiance700_705, FIELD_skyViewImaginaryRadiance700_705},
        {985.0, 990.0, 1, FIELD_longwaveWindowRadiance985_990, FIELD_longwaveWindowAirTemp985_990,
         FIELD_skyViewStdDevRadiance985_990, FIELD_HBBviewStdDevRadiance985_990,
         FIELD_ABBviewStdDevRadiance985_990, FIELD_skyViewImaginaryRadiance985_990},
        {2282.0, 2287.0, 2, FIELD_elevatedLayerRadiance2282_2287, FIELD_elevatedLayerAirTemp2282_2287,
         FIELD_skyViewStdDevRadiance2282_2287, FIELD_HBBviewStdDevRadiance2282_2287,
         FIELD_ABBviewStdDevRadiance2282_2287, FIELD_skyViewImaginaryRadiance2282_2287},
        {2295.0, 2300.0, 2, FIELD_surfaceLayerRadiance2295_2300, FIELD_surfaceLayerAirTemp2295_2300,
         FIELD_skyViewStdDevRadiance2295_2300, FIELD_HBBviewStdDevRadiance2295_2300,
         FIELD_ABBviewStdDevRadiance2295_2300, FIELD_skyViewImaginaryRadiance2295_2300},
        {2510.0, 2515.0, 2, FIELD_shortwaveWindowRadiance2510_2515, FIELD_shortwaveWindowAirTemp2510_2515,
         FIELD_skyViewStdDevRadiance2510_2515, FIELD_HBBviewStdDevRadiance2510_2515,
         FIELD_ABBviewStdDevRadiance2510_2515, FIELD_skyViewImaginaryRadiance2510_2515},
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
