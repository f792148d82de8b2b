// Line plots of spectra as self-contained SVG documents.
#include "dumplib/svgplot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>

#include "dumplib/datafile.h"
#include "dumplib/numtext.h"

namespace dump {

namespace {

constexpr int Width = 800;
// The plot area; tick labels and axis titles around it, the legend below it.
constexpr double Left = 80.0;
constexpr double Top = 40.0;
constexpr double Right = 770.0;
constexpr double Bottom = 430.0;
constexpr int PixelColumns = static_cast<int>(Right - Left);

// The legend: rows of entries under the x-axis title, each a line sample and its text.
constexpr double LegendTop = 505.0;   // baseline of the first row
constexpr double RowHeight = 20.0;
constexpr double LegendFontSize = 11.0;
// Wide enough for the widest glyphs of common sans-serif faces (digits of DejaVu Sans
// take 0.64 em), so an estimated width is never less than the drawn one.
constexpr double CharWidth = 0.66 * LegendFontSize;
constexpr double SampleWidth = 25.0;  // the line sample, then a gap before the text
constexpr double SampleGap = 6.0;
constexpr double ColumnGap = 20.0;

constexpr std::array<const char*, MaxSeries> Colours = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                                                        "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};

struct Range {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    bool empty() const { return !(lo <= hi); }
    void add(double v) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
};

double niceStep(double span, int target) {
    const double raw = span / std::max(target, 1);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double r = raw / magnitude;
    const double nice = r < 1.5 ? 1.0 : r < 3.0 ? 2.0 : r < 7.0 ? 5.0 : 10.0;
    return nice * magnitude;
}

// A flat or single-point range gets room around it.
Range widened(Range r) {
    if (r.hi > r.lo) return r;
    const double pad = r.lo != 0.0 ? std::fabs(r.lo) * 0.1 : 1.0;
    return Range{r.lo - pad, r.hi + pad};
}

// Extends a range outwards to whole steps of its ticks.
Range rounded(Range r) {
    const double step = niceStep(r.hi - r.lo, 6);
    return Range{std::floor(r.lo / step) * step, std::ceil(r.hi / step) * step};
}

struct Frame {
    Range x, y;
    double px(double v) const { return Left + (v - x.lo) / (x.hi - x.lo) * (Right - Left); }
    double py(double v) const { return Bottom - (v - y.lo) / (y.hi - y.lo) * (Bottom - Top); }
};

std::string num(double v) { return formatFixed(v, 1); }

// Both ranges of the data; empty when nothing is finite.
Frame dataFrame(const std::vector<Series>& series) {
    Frame f;
    for (const Series& s : series) {
        const size_t n = std::min(s.x.size(), s.y.size());
        for (size_t i = 0; i < n; ++i) {
            if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
            f.x.add(s.x[i]);
            f.y.add(s.y[i]);
        }
    }
    return f;
}

void writeAxes(std::ostringstream& out, const Frame& f) {
    const Ticks xt = niceTicks(f.x.lo, f.x.hi, 7);
    const Ticks yt = niceTicks(f.y.lo, f.y.hi, 6);
    const double xLargest = std::max(std::fabs(f.x.lo), std::fabs(f.x.hi));
    const double yLargest = std::max(std::fabs(f.y.lo), std::fabs(f.y.hi));
    out << "<g class=\"grid\" stroke=\"#e6e6e6\" stroke-width=\"1\">\n";
    for (double v : xt.values)
        out << "<line x1=\"" << num(f.px(v)) << "\" y1=\"" << num(Top) << "\" x2=\"" << num(f.px(v)) << "\" y2=\""
            << num(Bottom) << "\"/>\n";
    for (double v : yt.values)
        out << "<line x1=\"" << num(Left) << "\" y1=\"" << num(f.py(v)) << "\" x2=\"" << num(Right) << "\" y2=\""
            << num(f.py(v)) << "\"/>\n";
    out << "</g>\n";
    out << "<g class=\"axes\" stroke=\"#000000\" stroke-width=\"1\" fill=\"none\">\n"
        << "<rect x=\"" << num(Left) << "\" y=\"" << num(Top) << "\" width=\"" << num(Right - Left)
        << "\" height=\"" << num(Bottom - Top) << "\"/>\n";
    for (double v : xt.values)
        out << "<line x1=\"" << num(f.px(v)) << "\" y1=\"" << num(Bottom) << "\" x2=\"" << num(f.px(v))
            << "\" y2=\"" << num(Bottom + 5) << "\"/>\n";
    for (double v : yt.values)
        out << "<line x1=\"" << num(Left - 5) << "\" y1=\"" << num(f.py(v)) << "\" x2=\"" << num(Left)
            << "\" y2=\"" << num(f.py(v)) << "\"/>\n";
    out << "</g>\n";
    out << "<g class=\"tick-labels\" fill=\"#000000\">\n";
    for (double v : xt.values)
        out << "<text x=\"" << num(f.px(v)) << "\" y=\"" << num(Bottom + 19) << "\" text-anchor=\"middle\">"
            << xmlEscape(tickLabel(v, xt.step, xLargest)) << "</text>\n";
    for (double v : yt.values)
        out << "<text x=\"" << num(Left - 8) << "\" y=\"" << num(f.py(v) + 4) << "\" text-anchor=\"end\">"
            << xmlEscape(tickLabel(v, yt.step, yLargest)) << "</text>\n";
    out << "</g>\n";
}

void writeLabels(std::ostringstream& out, const PlotLabels& labels) {
    const double middleX = (Left + Right) / 2;
    const double middleY = (Top + Bottom) / 2;
    out << "<text class=\"title\" x=\"" << num(middleX) << "\" y=\"25.0\" text-anchor=\"middle\" font-size=\"16\">"
        << xmlEscape(labels.title) << "</text>\n";
    out << "<text class=\"x-label\" x=\"" << num(middleX) << "\" y=\"" << num(Bottom + 50)
        << "\" text-anchor=\"middle\">" << xmlEscape(labels.xLabel) << "</text>\n";
    out << "<text class=\"y-label\" x=\"20.0\" y=\"" << num(middleY) << "\" text-anchor=\"middle\" transform=\"rotate(-90 20.0 "
        << num(middleY) << ")\">" << xmlEscape(labels.yLabel) << "</text>\n";
}

void writePolyline(std::ostringstream& out, const Series& s, const std::vector<size_t>& run, const Frame& f) {
    out << "<polyline points=\"";
    for (size_t k = 0; k < run.size(); ++k)
        out << (k > 0 ? " " : "") << num(f.px(s.x[run[k]])) << ',' << num(f.py(s.y[run[k]]));
    // A lone point is drawn as a zero-length line, which the round caps show as a dot.
    if (run.size() == 1) out << ' ' << num(f.px(s.x[run[0]])) << ',' << num(f.py(s.y[run[0]]));
    out << "\"/>\n";
}

void writeSeries(std::ostringstream& out, const std::vector<Series>& series, const Frame& f) {
    out << "<clipPath id=\"plot-area\"><rect x=\"" << num(Left) << "\" y=\"" << num(Top) << "\" width=\""
        << num(Right - Left) << "\" height=\"" << num(Bottom - Top) << "\"/></clipPath>\n";
    out << "<g class=\"series\" clip-path=\"url(#plot-area)\" fill=\"none\" stroke-width=\"1.2\" "
           "stroke-linejoin=\"round\" stroke-linecap=\"round\">\n";
    for (size_t k = 0; k < series.size(); ++k) {
        const Series& s = series[k];
        out << "<g class=\"record\" id=\"series-" << k + 1 << "\" stroke=\"" << Colours[k] << "\">\n";
        for (const std::vector<size_t>& run : decimate(s.x, s.y, f.x.lo, f.x.hi, PixelColumns))
            writePolyline(out, s, run, f);
        out << "</g>\n";
    }
    out << "</g>\n";
}

// How the legend is laid out: entries per row, the width of one entry's column, rows.
struct LegendLayout {
    size_t columns = 1;
    double columnWidth = 0.0;
    size_t rows = 0;
};

double entryWidth(const std::string& text) {
    return SampleWidth + SampleGap + CharWidth * static_cast<double>(text.size());
}

LegendLayout legendLayout(const std::vector<Series>& series) {
    double widest = 0.0;
    for (const Series& s : series) widest = std::max(widest, entryWidth(s.name));
    LegendLayout l;
    const double room = Width - Left;
    l.columns = series.size() > 1 && 2 * widest + ColumnGap <= room ? 2 : 1;
    l.columnWidth = l.columns == 2 ? (room + ColumnGap) / 2 : room;
    l.rows = (series.size() + l.columns - 1) / l.columns;
    return l;
}

int pictureHeight(const LegendLayout& l) {
    return static_cast<int>(LegendTop + RowHeight * static_cast<double>(l.rows));
}

// The most characters of an entry that fit a column (only an entry wider than the whole
// picture is cut, ending in "...").
std::string fitted(const std::string& text, double width) {
    const double room = width - SampleWidth - SampleGap;
    const size_t most = static_cast<size_t>(std::max(0.0, room / CharWidth));
    if (text.size() <= most) return text;
    return most > 3 ? text.substr(0, most - 3) + "..." : text.substr(0, most);
}

void writeLegend(std::ostringstream& out, const std::vector<Series>& series, const LegendLayout& l) {
    out << "<g class=\"legend\" font-size=\"" << num(LegendFontSize) << "\">\n";
    for (size_t k = 0; k < series.size(); ++k) {
        const double x = Left + l.columnWidth * static_cast<double>(k % l.columns);
        const double y = LegendTop + RowHeight * static_cast<double>(k / l.columns) - 4;
        // A missing record has no line in the plot: its sample is dashed and its text grey.
        const bool missing = series[k].missing;
        out << "<line x1=\"" << num(x) << "\" y1=\"" << num(y) << "\" x2=\"" << num(x + SampleWidth) << "\" y2=\""
            << num(y) << "\" stroke=\"" << Colours[k] << "\" stroke-width=\"2\""
            << (missing ? " stroke-dasharray=\"3 3\"" : "") << "/>\n";
        out << "<text x=\"" << num(x + SampleWidth + SampleGap) << "\" y=\"" << num(y + 4) << "\""
            << (missing ? " class=\"missing\" fill=\"#666666\"" : "") << ">"
            << xmlEscape(fitted(series[k].name, l.columnWidth)) << "</text>\n";
    }
    out << "</g>\n";
}

}  // namespace

Ticks niceTicks(double lo, double hi, int target) {
    Ticks t;
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo)) return t;
    t.step = niceStep(hi - lo, target);
    if (!std::isfinite(t.step) || !(t.step > 0)) return Ticks{};
    const double first = std::ceil(lo / t.step - 1e-9);
    // The step gives about `target` intervals; the bound only guards against rounding.
    for (int k = 0; k <= 4 * target + 4; ++k) {
        const double v = (first + k) * t.step;
        if (v > hi + t.step * 1e-9) break;
        t.values.push_back(std::fabs(v) < t.step * 1e-9 ? 0.0 : v);
    }
    return t;
}

std::string tickLabel(double value, double step, double largest) {
    if (std::fabs(value) < step * 1e-9) value = 0.0;
    const double stepExponent = std::floor(std::log10(step) + 1e-9);
    if (largest >= 1e6 || step < 1e-4) {
        if (value == 0.0) return "0";
        const double digits = std::floor(std::log10(std::max(largest, step))) - stepExponent;
        char text[64];
        std::snprintf(text, sizeof text, "%.*e", static_cast<int>(std::clamp(digits, 0.0, 15.0)), value);
        return text;
    }
    return formatFixed(value, static_cast<int>(std::max(0.0, -stepExponent)));
}

std::vector<std::vector<size_t>> decimate(const std::vector<double>& x, const std::vector<float>& y, double xlo,
                                          double xhi, int bins) {
    struct Column {
        long index = -1;
        size_t first = 0, last = 0, lowest = 0, highest = 0;
    };
    std::vector<std::vector<size_t>> runs;
    std::vector<size_t> run;
    Column column;
    const auto flushColumn = [&] {
        if (column.index < 0) return;
        std::array<size_t, 4> keep = {column.first, column.lowest, column.highest, column.last};
        std::sort(keep.begin(), keep.end());
        for (size_t k = 0; k < keep.size(); ++k)
            if (k == 0 || keep[k] != keep[k - 1]) run.push_back(keep[k]);
        column.index = -1;
    };
    const auto endRun = [&] {
        flushColumn();
        if (!run.empty()) runs.push_back(std::move(run));
        run.clear();
    };
    const double span = xhi - xlo;
    const size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) {
            endRun();
            continue;
        }
        const double position = span > 0 ? (x[i] - xlo) / span * bins : 0.0;
        const long index = static_cast<long>(std::clamp(std::floor(position), 0.0, static_cast<double>(bins - 1)));
        if (index != column.index) {
            flushColumn();
            column = Column{index, i, i, i, i};
            continue;
        }
        column.last = i;
        if (y[i] < y[column.lowest]) column.lowest = i;
        if (y[i] > y[column.highest]) column.highest = i;
    }
    endRun();
    return runs;
}

std::string renderSvg(const std::vector<Series>& series, const PlotLabels& labels) {
    if (series.size() > MaxSeries)
        throw DumpError("at most " + std::to_string(MaxSeries) + " records fit in one plot");
    Frame f = dataFrame(series);
    if (f.x.empty()) throw DumpError("nothing to plot: the records hold no finite values");
    f.x = widened(f.x);
    f.y = rounded(widened(f.y));
    if (!std::isfinite(f.x.hi - f.x.lo) || !std::isfinite(f.y.hi - f.y.lo))
        throw DumpError("cannot plot: the values span more than a number can hold");
    const LegendLayout legend = legendLayout(series);
    const int height = pictureHeight(legend);
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Width << "\" height=\"" << height
        << "\" viewBox=\"0 0 " << Width << ' ' << height << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        << "<title>" << xmlEscape(labels.title) << "</title>\n"
        << "<rect width=\"" << Width << "\" height=\"" << height << "\" fill=\"#ffffff\"/>\n";
    writeAxes(out, f);
    writeLabels(out, labels);
    writeSeries(out, series, f);
    writeLegend(out, series, legend);
    out << "</svg>\n";
    return out.str();
}

}  // namespace dump
