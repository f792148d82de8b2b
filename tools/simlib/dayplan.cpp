// The plan of a synthetic instrument day: records, views, times and truth.
#include "simlib/dayplan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace vornsim {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int StartDate = 150417;       // dateYYMMDD of the first record
// One mirror cycle spans two sets: hot, ambient, three zenith views and a slant view.
constexpr const char* Cycle = "HAZZZSHAZZZS";
constexpr double AmbientStart = 293.15;
constexpr double HotStart = 333.15;
constexpr double SupportStart = 293.65;
// Thermistor gradients: top reads warmer and bottom colder by the same amount, so the
// weighted reading (equal top and bottom weights) is the cavity temperature.
constexpr double AmbientGradient = 0.03;
constexpr double HotGradient = 0.06;
constexpr float BlackbodyCoadds = 23.0F;
constexpr float SceneCoadds = 45.0F;

bool isBlackbody(char view) { return view == 'H' || view == 'A' || view == 'C'; }

double airmass(char view) { return view == 'S' ? 2.0 : 1.0; }  // the slant view looks 60 degrees off zenith

float hhmmssOf(int seconds) {
    seconds %= 86400;
    return static_cast<float>(seconds / 3600 * 10000 + seconds % 3600 / 60 * 100 + seconds % 60);
}

// The date of a time that may have passed midnight (the day is 2015-04-17 and lasts less
// than two days).
float dateOf(int seconds) { return static_cast<float>(StartDate + seconds / 86400); }

std::string dateText() {
    char text[16];
    std::snprintf(text, sizeof text, "%06d", StartDate);
    return text;
}

// A value as the calibration reads it back from the text the day writes.
float asWritten(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return std::strtof(text, nullptr);
}

void planGrid(DayPlan& day) {
    const ChannelGrid g = channelGrid(day.options.channel);
    const int n = day.options.points > 0 ? day.options.points : g.points;
    for (int i = 0; i < n; ++i) day.grid.push_back(g.first + (g.last - g.first) * i / (n - 1));
}

// Paint emissivity every 25 cm-1 over both channels, with a dip near 1100 cm-1, and the
// cavity emissivity on the grid formed from it as the calibration does.
void planEmissivity(DayPlan& day) {
    std::vector<double> cavity;
    for (double wn = 400.0; wn <= 3400.0; wn += 25.0) {
        const double e = 0.962 - 0.012 * std::exp(-std::pow((wn - 1100.0) / 140.0, 2)) + 0.006 * std::sin(wn / 380.0) -
                         0.004 * std::exp(-std::pow((wn - 2900.0) / 300.0, 2));
        day.paintWavenumbers.push_back(wn);
        day.paintEmissivity.push_back(asWritten("%.5f", e));
        cavity.push_back(cavityEmissivity(day.paintEmissivity.back(), day.cavityFactor));
    }
    for (double wn : day.grid) day.cavity.push_back(static_cast<float>(interpolate(day.paintWavenumbers, cavity, wn)));
}

std::vector<float> blackbodyRadiance(const DayPlan& day, double temperature, double support) {
    std::vector<float> out;
    for (std::size_t i = 0; i < day.grid.size(); ++i) {
        const double e = day.cavity[i];
        out.push_back(static_cast<float>(planck(day.grid[i], temperature) * e + (1.0 - e) * planck(day.grid[i], support)));
    }
    return out;
}

ViewRecord makeRecord(const DayOptions& o, char view, int seconds, Random& random) {
    ViewRecord r;
    r.view = view;
    r.seconds = seconds;
    r.date = dateOf(seconds);
    r.hhmmss = hhmmssOf(seconds);
    r.hours = static_cast<float>(seconds % 86400) / 3600.0F;
    r.drift = static_cast<float>(std::floor(random.uniform(-4.0, 5.0)));
    r.coadds = isBlackbody(view) ? BlackbodyCoadds : SceneCoadds;
    r.channel = static_cast<float>(o.channel);
    const Temperatures t = temperaturesAt(o, seconds);
    const Weather w = weatherAt(o, seconds);
    r.outsideAir = static_cast<float>(w.air);
    r.relativeHumidity = static_cast<float>(45.0 * w.humidity);
    r.encoder = static_cast<float>(encoderOf(view)) + r.drift;
    r.temps = {static_cast<float>(t.ambient + AmbientGradient), static_cast<float>(t.ambient),
               static_cast<float>(t.ambient - AmbientGradient), static_cast<float>(t.hot + HotGradient),
               static_cast<float>(t.hot),  static_cast<float>(t.hot - HotGradient),
               static_cast<float>(t.support)};
    return r;
}

// The sky of one view: clouds that come and go over the weather of the moment.
std::vector<float> skyRadiance(const Sky& sky, const DayOptions& o, const ViewRecord& r, double cloud) {
    const Weather w = weatherAt(o, r.seconds);
    const std::vector<double> l = sky.radiance(airmass(r.view), w.air, w.humidity, cloud, w.air - 18.0);
    return {l.begin(), l.end()};
}

// Which output records the calibration writes as missing: it walks the scenes as the
// scene loop does (blackbody search at the first scene position of each set, and again
// while no record has been written, the hot-view span is not positive or the views held
// belong to another set; a missing record met in a search, or a view kind not found,
// makes the scene missing).
class NullPredictor {
public:
    explicit NullPredictor(const DayPlan& day) : day_(day) {}

    // The first hot and cold views before and after the scene, as the last search found them.
    int hotBefore = 0, coldBefore = 0, hotAfter = 0, coldAfter = 0;

    // The reason the scene record nsvr of set k is written as missing; empty when it is not.
    std::string scene(int k, int nsvr) {
        const int nsvids = day_.scenesPerSet * 2;
        int iid = nsv_ % nsvids;
        if (iid == 0) iid = nsvids;
        ++nsv_;
        if (day_.record(nsvr).missing) {
            ++written_;
            return "scene record missing";
        }
        std::string reason;
        if (iid == 1 || iid == day_.scenesPerSet + 1 || written_ < 1 || !(delth_ > 0) || viewsSet_ != k)
            reason = search(k);
        ++written_;
        if (nhb_ < 1 || ncb_ < 1) return "no hot or no ambient view before the scene";
        if (nhf_ < 1 || ncf_ < 1) return "no hot or no ambient view after the scene";
        return reason;
    }

private:
    std::string search(int k) {
        const int nall = day_.recordsPerSet();
        const int nbbp = day_.blackbodiesPerSet;
        std::string reason;
        nhb_ = ncb_ = 0;
        scan((k - 1) * nall + 1, (k - 1) * nall + nbbp, nhb_, ncb_, hotBefore, coldBefore, true, reason);
        nhf_ = ncf_ = 0;
        scan(k * nall + 1, k * nall + nbbp, nhf_, ncf_, hotAfter, coldAfter, false, reason);
        viewsSet_ = k;
        return reason;
    }

    void scan(int first, int last, int& hot, int& cold, int& hotRecord, int& coldRecord, bool preceding,
              std::string& reason) {
        for (int n = first; n <= last; ++n) {
            if (hot > 0 && cold > 0) break;
            if (n > day_.recordCount()) break;
            const ViewRecord& r = day_.record(n);
            if (r.missing) {
                reason = "blackbody record " + std::to_string(n) + " missing";
                continue;
            }
            if (r.view == 'H' && hot == 0) {
                hot = 1;
                hotRecord = n;
                if (preceding) {
                    msech_ = r.seconds % 86400;
                } else {
                    int nsech = r.seconds % 86400;
                    if (nsech < msech_) nsech += 86400;
                    delth_ = nsech - msech_;
                }
            } else if (r.view == 'A' && cold == 0) {
                cold = 1;
                coldRecord = n;
            }
        }
    }

    const DayPlan& day_;
    int nsv_ = 1;
    int written_ = 0;
    int nhb_ = 0, ncb_ = 0, nhf_ = 0, ncf_ = 0;
    int msech_ = 0;
    double delth_ = 0.0;
    int viewsSet_ = 0;
};

// Linear interpolation in time between the views a (before) and b (after), as the
// calibration weighs them.
double between(double a, double b, int ta, int tb, int t) {
    return (static_cast<double>(tb - t) * a + static_cast<double>(t - ta) * b) / static_cast<double>(tb - ta);
}

// The truth of a calibrated scene: its sky radiance, and what an exact calibration with the
// views the search found gives: the scene's place between the interpolated cold and hot
// views, scaled by the blackbody radiances at the scene's temperatures.
void expectCalibration(const DayPlan& day, const NullPredictor& views, const ViewRecord& r, SceneTruth& s) {
    const ViewRecord& h1 = day.record(views.hotBefore);
    const ViewRecord& h2 = day.record(views.hotAfter);
    const ViewRecord& c1 = day.record(views.coldBefore);
    const ViewRecord& c2 = day.record(views.coldAfter);
    const auto seen = [&day](int record) -> const std::vector<float>& {
        return day.radiance[static_cast<std::size_t>(record - 1)];
    };
    const Temperatures t = temperaturesAt(day.options, r.seconds);
    s.radiance = seen(s.inputRecord);
    for (std::size_t i = 0; i < day.grid.size(); ++i) {
        const double hot = between(seen(views.hotBefore)[i], seen(views.hotAfter)[i], h1.seconds, h2.seconds, r.seconds);
        const double cold = between(seen(views.coldBefore)[i], seen(views.coldAfter)[i], c1.seconds, c2.seconds, r.seconds);
        const double e = day.cavity[i];
        const double surroundings = planck(day.grid[i], t.support);
        const double rhbb = planck(day.grid[i], t.hot) * e + (1.0 - e) * surroundings;
        const double rcbb = planck(day.grid[i], t.ambient) * e + (1.0 - e) * surroundings;
        const double ratio = (static_cast<double>(s.radiance[i]) - cold) / (hot - cold);
        const double responsivity = std::abs(day.instrument.responsivity[i]) * (hot - cold) / (rhbb - rcbb);
        const double noise = day.instrument.scanNoise[i] * std::abs(day.instrument.responsivity[i]);
        s.expected.push_back(static_cast<float>(ratio * (rhbb - rcbb) + rcbb));
        s.responsivity.push_back(static_cast<float>(responsivity));
        s.variance.push_back(static_cast<float>(noise * noise / r.coadds / (responsivity * responsivity)));
    }
}

void planTruth(DayPlan& day) {
    NullPredictor predictor(day);
    const int nall = day.recordsPerSet();
    for (int k = 1; k <= day.options.sets; ++k) {
        for (int p = 1; p <= day.scenesPerSet; ++p) {
            const int nsvr = (k - 1) * nall + day.blackbodiesPerSet + p;
            const ViewRecord& r = day.record(nsvr);
            SceneTruth s;
            s.inputRecord = nsvr;
            s.view = r.view;
            s.hhmmss = r.hhmmss;
            s.hours = r.hours;
            s.reason = predictor.scene(k, nsvr);
            s.missing = !s.reason.empty();
            const Temperatures t = temperaturesAt(day.options, r.seconds);
            s.ambientTemp = t.support;
            s.coldTemp = t.ambient;
            s.hotTemp = t.hot;
            if (!s.missing) expectCalibration(day, predictor, r, s);
            day.scenes.push_back(std::move(s));
        }
    }
}

std::vector<int> missingRecords(const DayOptions& o, int recordCount) {
    if (o.missing) return *o.missing;
    std::vector<int> list;
    for (int r : DefaultMissing)
        if (r <= recordCount) list.push_back(r);
    return list;
}

}  // namespace

Weather weatherAt(const DayOptions& o, int seconds) {
    const double hours = (seconds - o.startSeconds) / 3600.0;
    return {temperaturesAt(o, seconds).ambient - 6.0 + 2.5 * std::sin(2.0 * Pi * hours / 24.0),
            1.0 + 0.35 * std::sin(2.0 * Pi * hours / 9.0)};
}

int encoderOf(char view) {
    switch (view) {
        case 'H': return 2048;
        case 'A': return 6144;
        case 'Z': return 12288;
        default: return 14336;
    }
}

ChannelGrid channelGrid(int channel) {
    if (channel == 2) return {1800.0, 3020.0, 2531};
    return {520.0, 1800.0, 2655};
}

void checkOptions(const DayOptions& o) {
    if (o.channel != 1 && o.channel != 2) throw OptionError("the channel must be 1 or 2");
    if (o.sets < 1 || o.sets > MaxSets)
        throw OptionError("the number of sets must be between 1 and " + std::to_string(MaxSets));
    if (o.points != 0 && (o.points < MinPoints || o.points > MaxPoints))
        throw OptionError("the number of points must be between " + std::to_string(MinPoints) + " and " +
                          std::to_string(MaxPoints));
    if (!std::isfinite(o.driftPerHour) || std::fabs(o.driftPerHour) > MaxDrift) {
        char text[96];
        std::snprintf(text, sizeof text, "the drift must lie between -%.1f and %.1f K per hour", MaxDrift, MaxDrift);
        throw OptionError(text);
    }
    if (o.startSeconds < 0 || o.startSeconds >= 86400)
        throw OptionError("the start time must lie between 00:00:00 and 23:59:59");
    const int records = (o.sets + 1) * 6;
    if (o.missing) {
        for (int r : *o.missing)
            if (r < 1 || r > records)
                throw OptionError("missing record " + std::to_string(r) + " is not in the day (records 1 to " +
                                  std::to_string(records) + ")");
    }
}

Temperatures temperaturesAt(const DayOptions& o, int seconds) {
    const double hours = (seconds - o.startSeconds) / 3600.0;
    return {AmbientStart + o.driftPerHour * hours, HotStart + o.driftPerHour * hours,
            SupportStart + o.driftPerHour * hours};
}

std::vector<std::complex<float>> DayPlan::raw(int r) const {
    const std::vector<float>& l = radiance.at(static_cast<std::size_t>(r - 1));
    std::vector<std::complex<float>> out(grid.size());
    const bool gone = record(r).missing;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        if (gone) {
            const float nan = std::numeric_limits<float>::quiet_NaN();
            out[i] = {nan, nan};
        } else {
            out[i] = std::complex<float>(instrument.responsivity[i] * (static_cast<double>(l[i]) + instrument.offset[i]));
        }
    }
    return out;
}

std::vector<std::complex<float>> DayPlan::forwardRaw(int r) const {
    std::vector<std::complex<float>> out = raw(r);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double shift = 0.015 + 2e-5 * (grid[i] - grid.front());
        out[i] = std::complex<float>(std::complex<double>(out[i]) * std::polar(1.0, shift));
    }
    return out;
}

std::vector<float> DayPlan::rawVariance(int r) const {
    const ViewRecord& v = record(r);
    std::vector<float> out;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        if (v.missing) {
            out.push_back(std::numeric_limits<float>::quiet_NaN());
            continue;
        }
        const double counts = instrument.scanNoise[i] * std::abs(instrument.responsivity[i]);
        out.push_back(static_cast<float>(v.coadds * counts * counts));
    }
    return out;
}

std::string DayPlan::answers() const {
    return files.input + "\n" + files.original + "\n" + files.root + "\nY\n" + files.variance + "\n" +
           files.parameters + "\n" + files.mirror + "\n" + files.emissivity + "\n" + files.upstreamStatus + "\n";
}

int DayPlan::missingOutputs() const {
    return static_cast<int>(std::count_if(scenes.begin(), scenes.end(), [](const SceneTruth& s) { return s.missing; }));
}

DayPlan planDay(const DayOptions& options) {
    checkOptions(options);
    DayPlan day;
    day.options = options;
    const std::string ch = std::to_string(options.channel);
    day.files.input = dateText() + "C" + ch + ".UVS";
    day.files.original = dateText() + "F" + ch + ".UVS";
    day.files.variance = dateText() + "C" + ch + ".VAR";
    day.files.upstreamStatus = options.channel == 1 ? "QUINT.STA" : "MOBLEX.STA";
    day.files.root = dateText() + "C" + ch;
    day.cycle = Cycle;
    day.blackbodiesPerSet = 2;
    day.scenesPerSet = 4;
    planGrid(day);
    planEmissivity(day);
    day.instrument = makeInstrument(options.channel, day.grid);
    const Sky sky(options.channel, day.grid, options.seed);
    Random random(options.seed);
    const int count = (options.sets + 1) * day.recordsPerSet();
    const std::vector<int> missing = missingRecords(options, count);
    double cloud = 0.0;
    for (int r = 1; r <= count; ++r) {
        const int set = (r - 1) / day.recordsPerSet() + 1;
        const int position = (r - 1) % day.recordsPerSet();
        const char view = day.cycle[static_cast<std::size_t>(((set - 1) % 2) * day.recordsPerSet() + position)];
        ViewRecord rec = makeRecord(options, view, options.startSeconds + (r - 1) * RecordSeconds, random);
        rec.missing = std::find(missing.begin(), missing.end(), r) != missing.end();
        const Temperatures t = temperaturesAt(options, rec.seconds);
        if (view == 'H') {
            day.radiance.push_back(blackbodyRadiance(day, t.hot, t.support));
        } else if (view == 'A') {
            day.radiance.push_back(blackbodyRadiance(day, t.ambient, t.support));
        } else {
            cloud = std::clamp(0.8 * cloud + 0.35 * (random.uniform() - 0.3), 0.0, 0.9);
            day.radiance.push_back(skyRadiance(sky, options, rec, cloud));
        }
        day.records.push_back(rec);
    }
    planTruth(day);
    return day;
}

}  // namespace vornsim
