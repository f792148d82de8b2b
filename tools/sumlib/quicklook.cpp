// The quicklook page: panels drawn as inline SVG from the day's summary.
#include "sumlib/quicklook.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "dumplib/numtext.h"
#include "dumplib/svgplot.h"

namespace vornsum {

namespace {

using dump::xmlEscape;

// Colours that stay apart for readers with any common colour vision (Okabe and Ito).
constexpr const char* Palette[] = {"#0072b2", "#d55e00", "#009e73", "#cc79a7", "#e69f00", "#56b4e9"};

// Panel geometry (SVG user units; a panel scales with the page, so a panel across the
// page is drawn twice as wide to keep its text the size of the others').
constexpr double NarrowWidth = 620, WideWidth = 1260, NarrowHeight = 270, WideHeight = 340;
constexpr double Left = 84, Right = 14, Top = 14, Bottom = 42;

struct Line {
    std::string name;
    std::string colour;
    std::vector<double> x;
    std::vector<float> y;
};

struct Panel {
    std::string id;
    std::string title;
    std::string caption;  // one line under the title: what the panel tells
    std::string xLabel, yLabel;
    std::vector<Line> lines;
    std::vector<double> marks;  // abscissae marked as missing scenes
    std::optional<Line> bandLow, bandHigh;  // a shaded band between two lines
    bool clock = false;  // abscissa in hours of the day, ticks as HH:MM
    double minSpan = 0.0;  // the value axis spans at least this much, so that rounding
                           // noise of a steady quantity does not fill the panel
    bool wide = false;   // across the whole page
    double width() const { return wide ? WideWidth : NarrowWidth; }
    double height() const { return wide ? WideHeight : NarrowHeight; }
};

std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

struct Range {
    double lo = INFINITY, hi = -INFINITY;
    void add(double v) {
        if (!std::isfinite(v)) return;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    bool valid() const { return lo <= hi; }
    // Widened by a margin, and made a span when all values are equal.
    Range padded(double fraction) const {
        Range r = *this;
        const double span = hi - lo;
        const double pad = span > 0 ? span * fraction : std::max(std::abs(lo) * 0.01, 0.5);
        r.lo -= pad;
        r.hi += pad;
        return r;
    }
};

class Frame {
public:
    Frame(Range x, Range y, double width, double height) : x_(x), y_(y), width_(width), height_(height) {}
    double px(double x) const { return Left + (x - x_.lo) / (x_.hi - x_.lo) * (width_ - Left - Right); }
    double py(double y) const { return height_ - Bottom - (y - y_.lo) / (y_.hi - y_.lo) * (height_ - Top - Bottom); }
    const Range& x() const { return x_; }
    const Range& y() const { return y_; }
    double width() const { return width_; }
    double height() const { return height_; }

private:
    Range x_, y_;
    double width_, height_;
};

// A tick's text with the decimals its step needs, never in exponent form.
std::string tickText(double value, double step) {
    const int decimals = step >= 1.0 ? 0 : std::min(9, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
    if (std::abs(value) < step * 1e-6) value = 0.0;
    return dump::formatFixed(value, decimals);
}

// Ticks of a clock axis in hours: a round number of minutes apart, about `target` of them.
dump::Ticks clockTicks(double lo, double hi, int target) {
    constexpr double Minutes[] = {1, 2, 5, 10, 15, 20, 30, 60, 120, 180, 240, 360, 720};
    double step = Minutes[std::size(Minutes) - 1] / 60.0;
    for (double m : Minutes)
        if ((hi - lo) / (m / 60.0) <= target) {
            step = m / 60.0;
            break;
        }
    dump::Ticks t;
    t.step = step;
    for (double v = std::ceil(lo / step - 1e-9) * step; v <= hi + 1e-9; v += step) t.values.push_back(v);
    return t;
}

// "HH:MM" of hours since the reference midnight (hours of the next day from 00:00 again).
std::string clockText(double hours) {
    const long minutes = std::lround(hours * 60.0) % (24 * 60);
    char text[48];
    std::snprintf(text, sizeof text, "%02ld:%02ld", minutes / 60, minutes % 60);
    return text;
}

// Values far below one are labelled as multiples of a power of ten (named in the axis
// label), so the labels stay short.
int valueScale(const Range& y) {
    const double largest = std::max(std::abs(y.lo), std::abs(y.hi));
    if (!(largest > 0.0) || largest >= 1e-2) return 0;
    return static_cast<int>(std::floor(std::log10(largest)));
}

std::string axes(const Frame& f, const Panel& p, int scale) {
    const double unit = std::pow(10.0, scale);
    std::string s;
    const double width = f.width();
    const double height = f.height();
    const dump::Ticks xt = p.clock ? clockTicks(f.x().lo, f.x().hi, p.wide ? 14 : 8)
                                   : dump::niceTicks(f.x().lo, f.x().hi, p.wide ? 14 : 8);
    const dump::Ticks yt = dump::niceTicks(f.y().lo, f.y().hi, 5);
    const std::string yLabel = scale == 0 ? p.yLabel : p.yLabel + " (x 1e" + std::to_string(scale) + ")";
    for (double v : yt.values) {
        const std::string y = num(f.py(v));
        s += "<line class=\"grid\" x1=\"" + num(Left) + "\" x2=\"" + num(width - Right) + "\" y1=\"" + y + "\" y2=\"" + y + "\"/>";
        s += "<text class=\"tick\" x=\"" + num(Left - 6) + "\" y=\"" + y + "\" text-anchor=\"end\" dominant-baseline=\"middle\">" +
             xmlEscape(tickText(v / unit, yt.step / unit)) + "</text>";
    }
    for (double v : xt.values) {
        const std::string x = num(f.px(v));
        // A label at the panel's right edge ends there instead of running out of it.
        const char* anchor = f.px(v) > width - Right - 20 ? "end" : "middle";
        s += "<line class=\"grid\" x1=\"" + x + "\" x2=\"" + x + "\" y1=\"" + num(Top) + "\" y2=\"" + num(height - Bottom) + "\"/>";
        s += "<text class=\"tick\" x=\"" + x + "\" y=\"" + num(height - Bottom + 16) + "\" text-anchor=\"" + anchor + "\">" +
             xmlEscape(p.clock ? clockText(v) : tickText(v, xt.step)) + "</text>";
    }
    s += "<rect class=\"frame\" x=\"" + num(Left) + "\" y=\"" + num(Top) + "\" width=\"" + num(width - Left - Right) +
         "\" height=\"" + num(height - Top - Bottom) + "\"/>";
    s += "<text class=\"label\" x=\"" + num((Left + width - Right) / 2) + "\" y=\"" + num(height - 6) +
         "\" text-anchor=\"middle\">" + xmlEscape(p.xLabel) + "</text>";
    s += "<text class=\"label\" transform=\"translate(16 " + num((Top + height - Bottom) / 2) +
         ") rotate(-90)\" text-anchor=\"middle\">" + xmlEscape(yLabel) + "</text>";
    return s;
}

// The runs of finite points of a line as SVG path data ("M x y L x y ...").
std::string pathData(const Frame& f, const Line& line) {
    std::string d;
    bool pen = false;
    for (std::size_t i = 0; i < line.x.size(); ++i) {
        if (!std::isfinite(line.x[i]) || !std::isfinite(line.y[i])) {
            pen = false;
            continue;
        }
        d += (pen ? " L" : " M") + num(f.px(line.x[i])) + " " + num(f.py(line.y[i]));
        pen = true;
    }
    return d;
}

std::string band(const Frame& f, const Line& low, const Line& high) {
    std::string d;
    for (std::size_t i = 0; i < low.x.size(); ++i) d += (d.empty() ? "M" : " L") + num(f.px(low.x[i])) + " " + num(f.py(high.y[i]));
    for (std::size_t i = low.x.size(); i-- > 0;) d += " L" + num(f.px(low.x[i])) + " " + num(f.py(low.y[i]));
    return d.empty() ? "" : "<path class=\"band\" d=\"" + d + " Z\"/>";
}

std::string legend(const Panel& p) {
    std::string s = "<div class=\"legend\">";
    for (const Line& l : p.lines)
        s += "<span><i style=\"background:" + l.colour + "\"></i>" + xmlEscape(l.name) + "</span>";
    if (p.bandLow) s += "<span><i class=\"swatch-band\"></i>10th-90th percentile</span>";
    if (!p.marks.empty()) s += "<span><i class=\"swatch-missing\"></i>missing scene</span>";
    return s + "</div>";
}

std::string panelHtml(const Panel& p) {
    Range x, y;
    for (const Line& l : p.lines) {
        for (double v : l.x) x.add(v);
        for (float v : l.y) y.add(v);
    }
    for (const std::optional<Line>* b : {&p.bandLow, &p.bandHigh})
        if (*b) for (float v : (*b)->y) y.add(v);
    for (double m : p.marks) x.add(m);
    const double width = p.width();
    const double height = p.height();
    std::string s = std::string("<section class=\"panel") + (p.wide ? " wide" : "") + "\"><h2>" + xmlEscape(p.title) + "</h2><p class=\"caption\">" +
                    xmlEscape(p.caption) + "</p>";
    s += "<svg id=\"" + p.id + "\" viewBox=\"0 0 " + num(width) + " " + num(height) +
         "\" xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" aria-label=\"" + xmlEscape(p.title) + "\">";
    if (!x.valid() || !y.valid()) {
        s += "<text class=\"empty\" x=\"" + num(width / 2) + "\" y=\"" + num(height / 2) +
             "\" text-anchor=\"middle\">no values to show</text></svg></section>";
        return s;
    }
    if (y.hi - y.lo < p.minSpan) {
        const double centre = 0.5 * (y.lo + y.hi);
        y = Range{centre - 0.5 * p.minSpan, centre + 0.5 * p.minSpan};
    }
    const Frame f(x.hi > x.lo ? x : x.padded(0.05), y.padded(0.06), width, height);
    s += axes(f, p, valueScale(f.y()));
    for (double m : p.marks) {
        const std::string mx = num(f.px(m));
        s += "<line class=\"missing\" x1=\"" + mx + "\" x2=\"" + mx + "\" y1=\"" + num(Top) + "\" y2=\"" +
             num(height - Bottom) + "\"/>";
    }
    if (p.bandLow && p.bandHigh) s += band(f, *p.bandLow, *p.bandHigh);
    for (const Line& l : p.lines) {
        const std::string d = pathData(f, l);
        if (!d.empty()) s += "<path class=\"line\" stroke=\"" + l.colour + "\" d=\"" + d + "\"/>";
    }
    return s + "</svg>" + legend(p) + "</section>";
}

// Hours since midnight of the reference date, per scene (NaN when the time is unknown).
std::vector<double> sceneHours(const DaySummary& day) {
    std::vector<double> h;
    for (const SceneSummary& s : day.scenes) h.push_back(s.time ? *s.time / 3600.0 : NAN);
    return h;
}

std::vector<float> fieldValues(const DaySummary& day, int id) {
    std::vector<float> v;
    const int k = day.fieldIndex(id);
    for (const SceneSummary& s : day.scenes) v.push_back(k >= 0 ? s.values[static_cast<std::size_t>(k)] : NAN);
    return v;
}

// The dictionary's units of a summary field.
std::string unitsOf(const DaySummary& day, int id) {
    const int k = day.fieldIndex(id);
    return k >= 0 ? day.fields[static_cast<std::size_t>(k)].units : std::string();
}

bool anyFinite(const std::vector<float>& v) {
    return std::any_of(v.begin(), v.end(), [](float x) { return std::isfinite(x); });
}

std::string bandName(const StandardBand& b) {
    return dump::formatDouble(b.low) + "-" + dump::formatDouble(b.high) + " cm-1";
}

// The bands that lie on the day's grid.
std::vector<std::size_t> gridBands(const DaySummary& day) {
    std::vector<std::size_t> bands;
    for (std::size_t b = 0; b < BandCount; ++b) {
        const StandardBand& band = standardBands()[b];
        if (!bandPoints(day.grid, band.low, band.high).empty()) bands.push_back(b);
    }
    return bands;
}

Panel timePanel(const DaySummary& day, std::string id, std::string title, std::string caption, std::string yLabel) {
    Panel p;
    p.id = std::move(id);
    p.title = std::move(title);
    p.caption = std::move(caption);
    p.yLabel = std::move(yLabel);
    p.xLabel = "Time (UTC)" + (day.reference ? ", " + convert::isoTime(*day.reference, 0).substr(0, 10) : std::string());
    p.clock = true;
    const std::vector<double> hours = sceneHours(day);
    for (std::size_t i = 0; i < day.scenes.size(); ++i)
        if (day.scenes[i].missing && std::isfinite(hours[i])) p.marks.push_back(hours[i]);
    return p;
}

void addLine(Panel& p, const DaySummary& day, std::string name, std::vector<float> values) {
    if (!anyFinite(values)) return;
    p.lines.push_back({std::move(name), Palette[p.lines.size() % std::size(Palette)], sceneHours(day), std::move(values)});
}

std::vector<Panel> panels(const DaySummary& day) {
    std::vector<Panel> all;
    const std::vector<std::size_t> bands = gridBands(day);

    Panel bt = timePanel(day, "panel-brightness", "Brightness temperature",
                         "Band mean radiance as the temperature of a blackbody of that radiance",
                         unitsOf(day, standardBands()[0].airTemp));
    for (std::size_t b : bands) addLine(bt, day, bandName(standardBands()[b]), fieldValues(day, standardBands()[b].airTemp));
    all.push_back(bt);

    const std::size_t window = day.channel == 2 || (!bands.empty() && bands.front() >= 3) ? 5 : 2;
    Panel w = timePanel(day, "panel-window", "Window radiance " + bandName(standardBands()[window]),
                        "Clear sky is low and steady; clouds raise it", unitsOf(day, standardBands()[window].radiance));
    addLine(w, day, bandName(standardBands()[window]), fieldValues(day, standardBands()[window].radiance));
    all.push_back(w);

    Panel bb = timePanel(day, "panel-blackbodies", "Blackbody temperatures",
                         "Hot and ambient blackbody temperatures used in the calibration", unitsOf(day, CalibrationHotId));
    addLine(bb, day, "hot blackbody", fieldValues(day, CalibrationHotId));
    addLine(bb, day, "ambient blackbody", fieldValues(day, CalibrationColdId));
    all.push_back(bb);

    Panel diff = timePanel(day, "panel-difference", "Hot minus ambient blackbody",
                           "The calibration's temperature contrast", unitsOf(day, CalibrationHotId));
    std::vector<float> d;
    const std::vector<float> hot = fieldValues(day, CalibrationHotId), cold = fieldValues(day, CalibrationColdId);
    for (std::size_t i = 0; i < hot.size(); ++i) d.push_back(hot[i] - cold[i]);
    addLine(diff, day, "hot - ambient", d);
    diff.minSpan = 0.2;
    all.push_back(diff);

    Panel resp = timePanel(day, "panel-responsivity", "Responsivity stability",
                           "Band mean responsivity relative to the day's median", "% from median");
    resp.minSpan = 0.5;
    for (std::size_t b : bands) {
        std::vector<float> v, finite;
        for (const SceneSummary& s : day.scenes) {
            v.push_back(s.responsivityBands[b]);
            if (std::isfinite(s.responsivityBands[b])) finite.push_back(s.responsivityBands[b]);
        }
        if (finite.empty()) continue;
        std::nth_element(finite.begin(), finite.begin() + static_cast<long>(finite.size() / 2), finite.end());
        const double median = finite[finite.size() / 2];
        for (float& x : v) x = median != 0.0 ? static_cast<float>((x / median - 1.0) * 100.0) : NAN;
        addLine(resp, day, bandName(standardBands()[b]), v);
    }
    all.push_back(resp);

    Panel im = timePanel(day, "panel-imaginary", "Imaginary part",
                         "Band mean of the calibrated imaginary part: near zero when the calibration is sound",
                         unitsOf(day, standardBands()[0].imaginary));
    for (std::size_t b : bands) addLine(im, day, bandName(standardBands()[b]), fieldValues(day, standardBands()[b].imaginary));
    all.push_back(im);

    Panel sp;
    sp.id = "panel-spectrum";
    sp.title = "Sky spectrum";
    sp.caption = "Median of the day's " + std::to_string(day.spectrum.scenes) +
                 " sky spectra with their 10th-90th percentile band";
    sp.xLabel = "Wavenumber (cm-1)";
    sp.wide = true;
    sp.yLabel = unitsOf(day, standardBands()[0].radiance);
    if (!day.spectrum.wavenumber.empty()) {
        sp.lines.push_back({"median", Palette[0], day.spectrum.wavenumber, day.spectrum.p50});
        sp.bandLow = Line{"10th percentile", "", day.spectrum.wavenumber, day.spectrum.p10};
        sp.bandHigh = Line{"90th percentile", "", day.spectrum.wavenumber, day.spectrum.p90};
    }
    all.push_back(sp);
    return all;
}

constexpr const char* Style = R"(
:root{--ink:#1d2733;--muted:#5b6775;--rule:#d9dee4;--paper:#f6f7f9}
*{box-sizing:border-box}
body{margin:0;background:var(--paper);color:var(--ink);font:15px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",Arial,sans-serif}
header{background:#16324f;color:#fff;padding:18px 32px 16px}
header h1{margin:0;font-size:24px;font-weight:600;letter-spacing:.2px}
header .facts{display:flex;flex-wrap:wrap;gap:8px 28px;margin-top:8px;font-size:14px;color:#d6e2ef}
header .facts b{color:#fff;font-weight:600}
main{max-width:1320px;margin:0 auto;padding:18px 24px 28px;display:grid;grid-template-columns:repeat(auto-fit,minmax(560px,1fr));gap:18px}
.panel{background:#fff;border:1px solid var(--rule);border-radius:6px;padding:12px 14px 10px}
.panel.wide{grid-column:1/-1}
.panel h2{margin:0;font-size:16px;font-weight:600}
.caption{margin:2px 0 6px;color:var(--muted);font-size:13px}
svg{display:block;width:100%;height:auto}
.grid{stroke:#e6e9ed;stroke-width:1}
.frame{fill:none;stroke:#9aa4ae;stroke-width:1}
.tick{font-size:12px;fill:#4a5562}
.label{font-size:13px;fill:#2c3641}
.line{fill:none;stroke-width:1.6;stroke-linejoin:round}
.band{fill:#0072b2;fill-opacity:.18;stroke:none}
.missing{stroke:#e8a0a0;stroke-width:2;opacity:.75}
.empty{font-size:14px;fill:var(--muted)}
.legend{display:flex;flex-wrap:wrap;gap:4px 18px;font-size:13px;color:#2c3641;margin-top:4px}
.legend i{display:inline-block;width:18px;height:3px;vertical-align:middle;margin-right:6px;border-radius:2px}
.legend .swatch-band{height:10px;background:rgba(0,114,178,.18)}
.legend .swatch-missing{width:3px;height:12px;background:#e8a0a0}
.problems{grid-column:1/-1;background:#fff7e6;border:1px solid #f0c36d;border-radius:6px;padding:10px 16px;font-size:14px}
.problems h2{margin:0 0 4px;font-size:15px}
.problems ul{margin:0;padding-left:20px}
footer{max-width:1320px;margin:0 auto;padding:0 24px 24px;color:var(--muted);font-size:12px}
)";

std::string dayText(const DaySummary& day) {
    if (!day.reference) return "date unknown";
    return convert::isoTime(*day.reference, 0).substr(0, 10);
}

std::string header(const DaySummary& day) {
    std::string products;
    for (const std::string& name : day.productsRead) products += (products.empty() ? "" : ", ") + name;
    auto fact = [](const std::string& name, const std::string& value) {
        return "<span>" + name + " <b>" + xmlEscape(value) + "</b></span>";
    };
    const std::string channel = day.channel > 0 ? std::to_string(day.channel) : "unknown";
    std::string s = "<header><h1>VORN quicklook &#8212; " + xmlEscape(dayText(day)) + ", channel " +
                    xmlEscape(channel) + "</h1><div class=\"facts\">";
    s += fact("Day", dayText(day));
    s += fact("Channel", channel);
    Range hours;
    for (double h : sceneHours(day)) hours.add(h);
    if (hours.valid())
        s += fact("Scenes from", clockText(hours.lo) + " to " + clockText(hours.hi) + " UTC" +
                                     (hours.hi >= 24.0 ? " the next day" : ""));
    if (!day.grid.empty())
        s += fact("Grid", dump::formatFixed(day.grid.front(), 1) + "-" + dump::formatFixed(day.grid.back(), 1) + " cm-1, " +
                              std::to_string(day.grid.size()) + " points");
    s += fact("Scenes", std::to_string(day.scenes.size()));
    s += fact("Missing scenes", std::to_string(day.missingScenes()));
    s += fact("Products read", products);
    return s + "</div></header>";
}

std::string problems(const DaySummary& day) {
    if (day.problems.empty()) return "";
    std::string s = "<section class=\"problems\"><h2>Not everything could be summarised</h2><ul>";
    for (const std::string& p : day.problems) s += "<li>" + xmlEscape(p) + "</li>";
    return s + "</ul></section>";
}

}  // namespace

const std::vector<std::string>& quicklookPanels() {
    static const std::vector<std::string> ids = {"panel-brightness", "panel-window",       "panel-blackbodies",
                                                 "panel-difference", "panel-responsivity", "panel-imaginary",
                                                 "panel-spectrum"};
    return ids;
}

std::string quicklookHtml(const DaySummary& day) {
    std::string s = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                    "<title>VORN quicklook " +
                    xmlEscape(dayText(day)) + " " + xmlEscape(std::filesystem::path(day.products.stem()).filename().string()) +
                    "</title><style>" + Style + "</style></head><body>\n";
    s += header(day) + "\n<main>\n" + problems(day);
    for (const Panel& p : panels(day)) s += panelHtml(p) + "\n";
    s += "</main>\n<footer>Made by vornsum from " + xmlEscape(day.products.radiance) +
         ". Missing scenes are marked by a pale red line on every time axis.</footer>\n</body></html>\n";
    return s;
}

}  // namespace vornsum
