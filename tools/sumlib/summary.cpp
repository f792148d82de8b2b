// Summarising a calibrated day, one scene at a time.
#include "sumlib/summary.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <tuple>

#include "dumplib/numtext.h"

namespace vornsum {

using dump::DataFile;
using dump::DumpError;

namespace {

constexpr int ChannelId = FIELD_channelNumber;
// The calibration values every product record carries (its calibration subheader).
constexpr int CalibrationIds[] = {
    FIELD_calibrationAmbientTemp, FIELD_calibrationCBBtemp,   FIELD_calibrationHBBtemp,  FIELD_calibratedSceneID,
    FIELD_ABBtopTempWeight,       FIELD_ABBapexTempWeight,    FIELD_ABBbottomTempWeight, FIELD_HBBtopTempWeight,
    FIELD_HBBapexTempWeight,      FIELD_HBBbottomTempWeight,  FIELD_ABBtempOffset,       FIELD_HBBtempOffset,
    FIELD_BBcavityFactor,         FIELD_sceneMirPosEncoderMaxDrift};
// Scenes named one by one in a problem before the rest are only counted.
constexpr std::size_t NamedScenes = 5;

const float NaN = std::nanf("");

// Date, time and mirror position of one source record whose header a product record copied.
struct ViewKey {
    float date = NaN, time = NaN, mirror = NaN;
    bool valid() const { return std::isfinite(date) && std::isfinite(time) && std::isfinite(mirror); }
    bool operator<(const ViewKey& o) const { return std::tie(date, time, mirror) < std::tie(o.date, o.time, o.mirror); }
    bool operator==(const ViewKey& o) const { return date == o.date && time == o.time && mirror == o.mirror; }
};

// What the header of a product record says: the views it was made from in header order
// (the calibration copies the blackbody views' headers first and the scene's last), the
// last value of every field, and whether any header flags the record missing.
struct RecordHeader {
    std::vector<ViewKey> views;
    std::map<int, float> last;
    bool flagged = false;

    ViewKey scene() const { return views.empty() ? ViewKey{} : views.back(); }
    std::optional<ViewKey> firstView(float mirror) const {
        for (const ViewKey& v : views)
            if (v.mirror == mirror) return v;
        return std::nullopt;
    }
    float value(int id) const {
        const auto it = last.find(id);
        return it == last.end() ? NaN : it->second;
    }
};

RecordHeader readHeader(const DataFile& file, int record) {
    RecordHeader h;
    std::size_t dates = 0, times = 0, mirrors = 0;
    auto slot = [&h](std::size_t& n) -> ViewKey& {
        if (n == h.views.size()) h.views.emplace_back();
        return h.views[n++];
    };
    for (const auto& [id, value] : file.headerValues(record)) {
        const float v = value;
        h.last[id] = v;
        if (id == DateId) slot(dates).date = v;
        else if (id == TimeId) slot(times).time = v;
        else if (id == MirrorId) slot(mirrors).mirror = v;
        else if (id == MissingId && v > 0.5F) h.flagged = true;
    }
    return h;
}

// Records of a product that are complete (a record still being written has a negative size).
int completeRecords(const DataFile& file) {
    int count = file.recordCount();
    while (count > 0 && file.recordSize(count) < 0) --count;
    return count;
}

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string gridText(const std::vector<double>& grid) {
    if (grid.empty()) return "no points";
    return std::to_string(grid.size()) + " points " + dump::formatDouble(grid.front()) + "-" +
           dump::formatDouble(grid.back()) + " cm-1";
}

bool sameGrid(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size() || a.empty()) return false;
    const double step = a.size() > 1 ? std::abs(a.back() - a.front()) / static_cast<double>(a.size() - 1) : 1.0;
    const double tolerance = 1e-6 * step;
    return std::abs(a.front() - b.front()) <= tolerance && std::abs(a.back() - b.back()) <= tolerance;
}

std::vector<double> gridOf(const DataFile& file, int record) {
    const int size = file.recordSize(record);
    if (size <= 0) return {};
    return file.abscissa(record, static_cast<std::size_t>(size));
}

// "records 5, 9, 12" or "records 5, 9, 12, 14, 20 and 7 more".
std::string recordList(const std::vector<int>& records) {
    std::string text = records.size() == 1 ? "record " : "records ";
    for (std::size_t i = 0; i < std::min(records.size(), NamedScenes); ++i)
        text += (i > 0 ? ", " : "") + std::to_string(records[i]);
    if (records.size() > NamedScenes) text += " and " + std::to_string(records.size() - NamedScenes) + " more";
    return text;
}

// A product read beside the radiance product, record by record.
class Companion {
public:
    Companion(const std::optional<std::string>& path, const char* what, const std::vector<double>& grid,
              DaySummary& day)
        : what_(what) {
        if (!path) return;
        name_ = fileName(*path);
        try {
            file_ = std::make_unique<DataFile>(*path);
            records_ = completeRecords(*file_);
            if (records_ > 0 && !sameGrid(gridOf(*file_, 1), grid)) {
                day.problems.push_back(name_ + " is on another grid (" + gridText(gridOf(*file_, 1)) + ") than " +
                                       fileName(day.products.radiance) + " (" + gridText(grid) + "): the " + what_ +
                                       " fields are missing");
                file_.reset();
                return;
            }
        } catch (const DumpError& e) {
            day.problems.push_back(std::string(e.what()) + ": the " + what_ + " fields are missing");
            file_.reset();
            return;
        }
        day.productsRead.push_back(name_);
    }

    bool open() const { return file_ != nullptr; }
    DataFile& file() const { return *file_; }
    int records() const { return records_; }
    const std::string& name() const { return name_; }

    // The values of record, when it exists and is of the same scene as the radiance
    // product's record; otherwise nothing, the reason noted for the problem list.
    std::optional<std::vector<float>> values(int record, const ViewKey& scene) {
        if (!file_) return std::nullopt;
        if (record > records_) {
            shortRecords_.push_back(record);
            return std::nullopt;
        }
        if (!(readHeader(*file_, record).scene() == scene) && scene.valid()) {
            otherScene_.push_back(record);
            return std::nullopt;
        }
        return file_->values(record);
    }

    void report(DaySummary& day) const {
        if (!shortRecords_.empty())
            day.problems.push_back(name_ + " ends after record " + std::to_string(records_) + ": the " + what_ +
                                   " fields of " + recordList(shortRecords_) + " are missing");
        if (!otherScene_.empty())
            day.problems.push_back(name_ + " holds other scenes than " + fileName(day.products.radiance) + " at " +
                                   recordList(otherScene_) + ": their " + what_ + " fields are missing");
    }

private:
    std::string what_;
    std::string name_;
    std::unique_ptr<DataFile> file_;
    int records_ = 0;
    std::vector<int> shortRecords_, otherScene_;
};

// The variance product: its records found by the date, time and mirror position of the
// input record whose header they copied (their record numbers are input record numbers).
class VarianceIndex {
public:
    VarianceIndex(const std::optional<std::string>& path, DaySummary& day) {
        if (!path) return;
        name_ = fileName(*path);
        try {
            file_ = std::make_unique<DataFile>(*path);
            const int count = completeRecords(*file_);
            for (int r = 1; r <= count; ++r) {
                const std::vector<dump::FieldValue> v = file_->metadata(r, {DateId, TimeId, MirrorId});
                const ViewKey key{v[0].value_or(NaN), v[1].value_or(NaN), v[2].value_or(NaN)};
                if (key.valid()) records_[key] = r;
            }
        } catch (const DumpError& e) {
            day.problems.push_back(std::string(e.what()) + ": the standard deviation fields are missing");
            file_.reset();
            return;
        }
        day.productsRead.push_back(name_);
    }

    bool open() const { return file_ != nullptr; }

    // The band means of the variance record of a view, square-rooted: the standard
    // deviations of radiance in each band. Empty when the view has no variance record.
    std::optional<std::array<float, BandCount>> stdDevs(const std::optional<ViewKey>& view) const {
        if (!file_ || !view) return std::nullopt;
        const auto it = records_.find(*view);
        if (it == records_.end()) return std::nullopt;
        const std::vector<float> variance = file_->values(it->second);
        const std::vector<double> grid = file_->abscissa(it->second, variance.size());
        std::array<float, BandCount> result{};
        for (std::size_t b = 0; b < BandCount; ++b) {
            const StandardBand& band = standardBands()[b];
            const std::optional<double> mean = finiteMean(variance, bandPoints(grid, band.low, band.high));
            result[b] = mean && *mean >= 0.0 ? static_cast<float>(std::sqrt(*mean)) : NaN;
        }
        return result;
    }

    const std::string& name() const { return name_; }

private:
    std::string name_;
    std::unique_ptr<DataFile> file_;
    std::map<ViewKey, int> records_;
};

float asFloat(const std::optional<double>& v) { return v ? static_cast<float>(*v) : NaN; }

// The day's sky spectra reduced to bin means, gathered for the percentiles at the end.
class SpectrumGatherer {
public:
    explicit SpectrumGatherer(const std::vector<double>& grid) {
        const std::size_t bins = std::min(grid.size(), SpectrumBins);
        for (std::size_t b = 0; b < bins; ++b) {
            const PointRange r{b * grid.size() / bins, (b + 1) * grid.size() / bins};
            ranges_.push_back(r);
            double sum = 0.0;
            for (std::size_t i = r.first; i < r.last; ++i) sum += grid[i];
            centres_.push_back(sum / static_cast<double>(r.last - r.first));
        }
    }

    void add(const std::vector<float>& spectrum) {
        for (const PointRange& r : ranges_) binned_.push_back(asFloat(finiteMean(spectrum, r)));
        ++scenes_;
    }

    SpectrumBand percentiles() const {
        SpectrumBand s;
        s.scenes = scenes_;
        if (scenes_ == 0) return s;
        std::vector<float> column;
        for (std::size_t b = 0; b < ranges_.size(); ++b) {
            column.clear();
            for (int k = 0; k < scenes_; ++k) {
                const float v = binned_[static_cast<std::size_t>(k) * ranges_.size() + b];
                if (std::isfinite(v)) column.push_back(v);
            }
            if (column.empty()) continue;
            std::sort(column.begin(), column.end());
            s.wavenumber.push_back(centres_[b]);
            s.p10.push_back(quantile(column, 0.1));
            s.p50.push_back(quantile(column, 0.5));
            s.p90.push_back(quantile(column, 0.9));
        }
        return s;
    }

private:
    // Linear interpolation between the order statistics of sorted values.
    static float quantile(const std::vector<float>& sorted, double q) {
        const double at = q * static_cast<double>(sorted.size() - 1);
        const std::size_t i = static_cast<std::size_t>(at);
        const double f = at - static_cast<double>(i);
        if (i + 1 >= sorted.size()) return sorted.back();
        return static_cast<float>(sorted[i] + f * (static_cast<double>(sorted[i + 1]) - sorted[i]));
    }

    std::vector<PointRange> ranges_;
    std::vector<double> centres_;
    std::vector<float> binned_;
    int scenes_ = 0;
};

// Fills the fields of one scene that is not missing.
class SceneFiller {
public:
    SceneFiller(const DaySummary& day, SceneSummary& scene) : day_(day), scene_(scene) {}

    void set(int id, float value) {
        const int k = day_.fieldIndex(id);
        if (k >= 0) scene_.values[static_cast<std::size_t>(k)] = value;
    }

    void radiance(const std::vector<float>& spectrum, const std::vector<PointRange>& ranges) {
        for (std::size_t b = 0; b < BandCount; ++b) {
            const StandardBand& band = standardBands()[b];
            const std::optional<double> mean = finiteMean(spectrum, ranges[b]);
            set(band.radiance, asFloat(mean));
            set(band.airTemp, mean ? asFloat(brightnessTemperature(band.centre(), *mean)) : NaN);
        }
    }

    void imaginary(const std::vector<float>& spectrum, const std::vector<PointRange>& ranges) {
        for (std::size_t b = 0; b < BandCount; ++b) set(standardBands()[b].imaginary, asFloat(finiteMean(spectrum, ranges[b])));
        const std::optional<MeanAndSpread> whole = finiteMeanAndSpread(spectrum);
        set(FIELD_imaginarySpectrumMean, whole ? static_cast<float>(whole->mean) : NaN);
        set(FIELD_imaginarySpectrumStdDev, whole ? static_cast<float>(whole->stdDev) : NaN);
    }

    void responsivity(const std::vector<float>& spectrum, const std::vector<PointRange>& ranges) {
        for (std::size_t b = 0; b < BandCount; ++b) scene_.responsivityBands[b] = asFloat(finiteMean(spectrum, ranges[b]));
        const std::optional<MeanAndSpread> whole = finiteMeanAndSpread(spectrum);
        set(FIELD_responsivityMean, whole ? static_cast<float>(whole->mean) : NaN);
        set(FIELD_responsivityStdDev, whole ? static_cast<float>(whole->stdDev) : NaN);
    }

    void stdDevs(const std::optional<std::array<float, BandCount>>& values, int StandardBand::*field) {
        if (!values) return;
        for (std::size_t b = 0; b < BandCount; ++b) set(standardBands()[b].*field, (*values)[b]);
    }

private:
    const DaySummary& day_;
    SceneSummary& scene_;
};

std::vector<PointRange> bandRanges(const std::vector<double>& grid) {
    std::vector<PointRange> ranges;
    for (const StandardBand& band : standardBands()) ranges.push_back(bandPoints(grid, band.low, band.high));
    return ranges;
}

}  // namespace

const std::vector<int>& summaryFieldIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> v = {DateId, TimeId, MirrorId, MissingId};
        v.insert(v.end(), std::begin(CalibrationIds), std::end(CalibrationIds));
        for (int StandardBand::*field : {&StandardBand::radiance, &StandardBand::airTemp, &StandardBand::skyStdDev,
                                         &StandardBand::hotStdDev, &StandardBand::ambientStdDev, &StandardBand::imaginary})
            for (const StandardBand& band : standardBands()) v.push_back(band.*field);
        v.insert(v.end(), {FIELD_responsivityMean, FIELD_responsivityStdDev, FIELD_imaginarySpectrumMean,
                           FIELD_imaginarySpectrumStdDev});
        return v;
    }();
    return ids;
}

int DaySummary::fieldIndex(int identifier) const {
    for (std::size_t k = 0; k < fields.size(); ++k)
        if (fields[k].identifier == identifier) return static_cast<int>(k);
    return -1;
}

int DaySummary::missingScenes() const {
    return static_cast<int>(std::count_if(scenes.begin(), scenes.end(), [](const SceneSummary& s) { return s.missing; }));
}

DaySummary summariseDay(const DayProducts& products) {
    DaySummary day;
    day.products = products;
    DataFile radiance(products.radiance);
    if (!radiance.isRgd())
        throw DumpError(products.radiance + " is not a calibrated product: its format is " +
                        (radiance.formatName().empty() ? std::string("unknown") : radiance.formatName()) + ", not RGD");
    const int count = completeRecords(radiance);
    day.productsRead.push_back(fileName(products.radiance));
    if (count > 0) day.grid = gridOf(radiance, 1);
    for (int id : summaryFieldIds()) day.fields.push_back(radiance.describeField(0, id));

    Companion imaginary(products.imaginary, "imaginary-part", day.grid, day);
    Companion responsivity(products.responsivity, "responsivity", day.grid, day);
    const VarianceIndex variance(products.variance, day);
    const std::vector<PointRange> ranges = bandRanges(day.grid);
    SpectrumGatherer sky(day.grid);
    convert::TimeAxis axis;
    std::vector<int> offGrid, withoutVariance;

    for (int r = 1; r <= count; ++r) {
        SceneSummary scene;
        scene.record = r;
        scene.values.assign(day.fields.size(), NaN);
        scene.responsivityBands.fill(NaN);
        const RecordHeader header = readHeader(radiance, r);
        const ViewKey key = header.scene();
        scene.time = axis.next(key.date, key.time);
        SceneFiller fill(day, scene);
        fill.set(DateId, key.date);
        fill.set(TimeId, key.time);
        fill.set(MirrorId, key.mirror);
        const std::vector<float> spectrum = radiance.values(r);
        scene.missing = header.flagged || spectrum.empty();
        fill.set(MissingId, scene.missing ? 1.0F : 0.0F);
        if (day.channel == 0 && std::isfinite(header.value(ChannelId))) day.channel = static_cast<int>(header.value(ChannelId));
        if (!scene.missing) {
            if (spectrum.size() != day.grid.size() || !sameGrid(gridOf(radiance, r), day.grid)) {
                offGrid.push_back(r);
                scene.missing = true;
                fill.set(MissingId, 1.0F);
            }
        }
        if (!scene.missing) {
            for (int id : CalibrationIds) fill.set(id, header.value(id));
            fill.radiance(spectrum, ranges);
            sky.add(spectrum);
            if (const auto im = imaginary.values(r, key)) fill.imaginary(*im, ranges);
            if (const auto re = responsivity.values(r, key)) fill.responsivity(*re, ranges);
            if (variance.open()) {
                const auto own = variance.stdDevs(key);
                if (!own) withoutVariance.push_back(r);
                fill.stdDevs(own, &StandardBand::skyStdDev);
                fill.stdDevs(variance.stdDevs(header.firstView(HotView)), &StandardBand::hotStdDev);
                fill.stdDevs(variance.stdDevs(header.firstView(AmbientView)), &StandardBand::ambientStdDev);
            }
        }
        day.scenes.push_back(std::move(scene));
    }
    day.reference = axis.reference();
    day.spectrum = sky.percentiles();
    imaginary.report(day);
    responsivity.report(day);
    if (!offGrid.empty())
        day.problems.push_back(fileName(products.radiance) + " has " + recordList(offGrid) +
                               " on another grid than its first record: they are summarised as missing");
    if (!withoutVariance.empty())
        day.problems.push_back(variance.name() + " has no variance record of the scenes at " + fileName(products.radiance) +
                               " " + recordList(withoutVariance) + ": their standard deviations are missing");
    if (count == 0) day.problems.push_back(fileName(products.radiance) + " holds no complete record");
    return day;
}

}  // namespace vornsum
