// The physics of a synthetic day: Planck radiance, cavity, responsivity, noise.
#include "simlib/instrument.h"

#include <algorithm>
#include <cmath>

namespace vornsim {

namespace {

// Radiation constants for radiance in mW/(m2 sr cm-1) with wavenumbers in cm-1.
constexpr double C1 = 1.1910439340652298e-05;
constexpr double C2 = 1.4387686603333911;

double gauss(double x, double centre, double width) {
    const double u = (x - centre) / width;
    return std::exp(-u * u);
}

double lorentz(double x, double centre, double width) {
    const double d = x - centre;
    return width * width / (d * d + width * width);
}

// Where the gases absorb: the band envelopes that scale the lines drawn at random.
double waterEnvelope(double wn) {
    return 1.6 * gauss(wn, 420.0, 140.0) + 1.0 * gauss(wn, 1595.0, 170.0) + 0.15 * gauss(wn, 3020.0, 160.0);
}

double dryBands(double wn) {
    return 220.0 * gauss(wn, 667.0, 28.0) + 6.0 * gauss(wn, 667.0, 75.0)      // carbon dioxide, 15 um
           + 1.2 * gauss(wn, 1042.0, 16.0) + 0.25 * gauss(wn, 1042.0, 45.0)   // ozone, 9.6 um
           + 0.9 * gauss(wn, 1306.0, 14.0)                                    // methane, 7.7 um
           + 600.0 * gauss(wn, 2349.0, 24.0) + 15.0 * gauss(wn, 2349.0, 55.0) // carbon dioxide, 4.3 um
           + 1.1 * gauss(wn, 2224.0, 20.0)                                    // nitrous oxide, 4.5 um
           + 0.5 * gauss(wn, 3015.0, 12.0);                                   // methane, 3.3 um
}

double waterContinuum(double wn) { return 0.18 * std::exp(-(wn - 500.0) / 450.0) + 0.015; }

}  // namespace

double planck(double wn, double t) { return C1 * wn * wn * wn / (std::exp(C2 * wn / t) - 1.0); }

float cavityEmissivity(float paint, float cavityFactor) {
    const float rcf = 1.0F / cavityFactor;
    return paint / (paint + (1.0F - paint) * rcf);
}

double interpolate(const std::vector<double>& xs, const std::vector<double>& ys, double x) {
    if (xs.empty()) return 0.0;
    if (x <= xs.front()) return ys.front();
    if (x >= xs.back()) return ys.back();
    const auto upper = std::upper_bound(xs.begin(), xs.end(), x);
    const auto k = static_cast<std::size_t>(upper - xs.begin());
    return ys[k - 1] + (x - xs[k - 1]) * (ys[k] - ys[k - 1]) / (xs[k] - xs[k - 1]);
}

Random::Random(uint64_t seed) : state_(seed ^ 0x9E3779B97F4A7C15ULL) {}

double Random::uniform() {
    // splitmix64: one multiply-xorshift step per number, the same on every platform.
    state_ += 0x9E3779B97F4A7C15ULL;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
}

double Random::uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }

Instrument makeInstrument(int channel, const std::vector<double>& grid) {
    // Channel 1 (mercury cadmium telluride) peaks near 1000 cm-1, channel 2 (indium
    // antimonide) near 2500 cm-1 with a larger gain for the much smaller radiances there.
    const double peak = channel == 1 ? 1000.0 : 2500.0;
    const double width = channel == 1 ? 520.0 : 620.0;
    const double gain = channel == 1 ? 3000.0 : 40000.0;
    const double first = grid.empty() ? 0.0 : grid.front();
    Instrument in;
    for (double wn : grid) {
        const double magnitude = gain * (0.22 + 0.78 * gauss(wn, peak, width));
        const double phase = 0.35 + 2.2e-4 * (wn - first) + 0.04 * std::sin((wn - first) / 170.0);
        in.responsivity.push_back(std::polar(magnitude, phase));
        // The instrument's own emission, seen with the opposite sign and a phase of its own.
        const double emission = planck(wn, 300.0);
        in.offset.emplace_back(-(0.45 + 0.1 * std::cos(wn / 300.0)) * emission - 0.02, 0.08 * emission + 0.01);
        const double nesr = channel == 1 ? 0.25 : 0.012;
        in.scanNoise.push_back(nesr * gain / magnitude * (1.0 + 0.1 * std::sin(wn / 90.0)));
    }
    return in;
}

Sky::Sky(int channel, const std::vector<double>& grid, uint64_t seed) : grid_(grid) {
    Random random(seed * 7919 + static_cast<uint64_t>(channel));
    const double lo = grid.empty() ? 0.0 : grid.front() - 30.0;
    const double hi = grid.empty() ? 0.0 : grid.back() + 30.0;
    struct Line {
        double centre, strength, width;
    };
    std::vector<Line> water;
    std::vector<Line> dry;
    const int lines = static_cast<int>((hi - lo) / 3.0);
    for (int k = 0; k < lines; ++k) {
        const double centre = random.uniform(lo, hi);
        const double strength = std::pow(10.0, random.uniform(-2.0, 1.3)) * waterEnvelope(centre);
        water.push_back({centre, strength, random.uniform(0.6, 1.4)});
    }
    // Carbon dioxide P and R branches: regularly spaced lines on both sides of the band centres.
    for (double centre : {667.0, 2349.0}) {
        for (int j = 1; j <= 40; ++j) {
            const double spacing = 1.56 * j;
            const double strength = 3.0 * std::exp(-j / 14.0) * j / 8.0;
            dry.push_back({centre - spacing - 1.0, strength, 0.9});
            dry.push_back({centre + spacing + 1.0, strength, 0.9});
        }
    }
    for (double wn : grid) {
        double w = waterContinuum(wn);
        for (const Line& l : water) w += l.strength * lorentz(wn, l.centre, l.width);
        double d = dryBands(wn);
        for (const Line& l : dry) d += l.strength * lorentz(wn, l.centre, l.width);
        water_.push_back(w);
        dry_.push_back(d);
    }
}

std::vector<double> Sky::radiance(double m, double tAir, double humidity, double cloud, double tCloud) const {
    std::vector<double> out;
    out.reserve(grid_.size());
    for (std::size_t i = 0; i < grid_.size(); ++i) {
        const double wn = grid_[i];
        const double transmittance = std::exp(-m * (dry_[i] + humidity * water_[i]));
        out.push_back((1.0 - transmittance) * planck(wn, tAir) + transmittance * cloud * planck(wn, tCloud));
    }
    return out;
}

}  // namespace vornsim
