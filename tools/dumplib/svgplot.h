// Line plots of spectra as self-contained SVG documents: axes with round ticks, labels,
// one line per series with a legend. Non-finite values break a line; long series are
// reduced to what a pixel column can show (first, lowest, highest and last point), so
// narrow peaks stay visible.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace dump {

// One line of the plot: abscissa and values of equal length. name is its legend entry;
// a missing series (a record without values) is listed and marked as such, not drawn.
struct Series {
    std::string name;
    std::vector<double> x;
    std::vector<float> y;
    bool missing = false;
};

struct PlotLabels {
    std::string title;
    std::string xLabel;
    std::string yLabel;
};

// At most this many series fit in one plot (each has its own colour and legend entry).
inline constexpr size_t MaxSeries = 10;

// Round tick positions: a step of 1, 2 or 5 times a power of ten giving about `target`
// intervals over [lo, hi], and the multiples of it within [lo, hi].
struct Ticks {
    double step = 1.0;
    std::vector<double> values;
};
Ticks niceTicks(double lo, double hi, int target);

// A tick's text: as many decimals as the step needs, exponent form for very large or very
// small scales.
std::string tickLabel(double value, double step, double largest);

// The points to draw of one series: runs of finite points (a non-finite x or y ends a
// run), each reduced per pixel column of `bins` columns over [xlo, xhi] to its first,
// lowest, highest and last point, in their original order. Indices into x and y.
std::vector<std::vector<size_t>> decimate(const std::vector<double>& x, const std::vector<float>& y, double xlo,
                                          double xhi, int bins);

// The SVG document, 800 wide: the plot, and below it the legend in as many rows as its
// entries need (two to a row when they fit), so the picture grows with the legend.
// Failure: DumpError when no series holds a finite point or there are more than
// MaxSeries series.
std::string renderSvg(const std::vector<Series>& series, const PlotLabels& labels);

}  // namespace dump
