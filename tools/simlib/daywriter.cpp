// Writing a planned synthetic day into a directory.
#include "simlib/daywriter.h"

#include <cstdio>
#include <filesystem>
#include <limits>

#include "dumplib/textfile.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"

namespace vornsim {

namespace {

constexpr int TocVersion = 48;
constexpr const char* Program = "vornsim";
constexpr const char* Version = "vornsim 1.0";

// The dictionary's subheader layouts that carry the header fields a file is written with,
// besides the base one (missingDataFlag alone) that every file gets: for each field the
// first layout that holds it. 94012701 holds the date and time, the site, the mirror
// position, the coadditions, the blackbody and housekeeping temperatures and the channel;
// 94070501 Time (beside the calibration temperatures); 97031002 the encoder drift and
// 95020302 the calibrated scene.
const std::vector<int> RecordSubheaders = {94012701, 94070501, 97031002};
const std::vector<int> TruthSubheaders = {94012701, 94070501, 95020302};

struct Column {
    std::string shortName, label, longName, units;
};

// One RGD file open for writing; closed when it goes out of scope.
class RgdFile {
public:
    RgdFile(const std::string& path, const DayPlan& day, const std::vector<Column>& columns,
            std::vector<int> subheaders, const std::string& history)
        : path_(path) {
        std::remove(path.c_str());
        const int n = static_cast<int>(columns.size());
        std::vector<int> ids(columns.size(), 0);  // 0: identified by position
        std::vector<int> indPrecision(columns.size(), 6);
        std::vector<int> points(columns.size(), static_cast<int>(day.grid.size()));
        std::vector<int> depPrecision(columns.size(), 4);
        std::vector<double> minima(columns.size(), day.grid.front());
        std::vector<double> maxima(columns.size(), day.grid.back());
        std::vector<char*> shortNames, labels, longNames, units;
        for (const Column& c : columns) {
            shortNames.push_back(const_cast<char*>(c.shortName.c_str()));
            labels.push_back(const_cast<char*>(c.label.c_str()));
            longNames.push_back(const_cast<char*>(c.longName.c_str()));
            units.push_back(const_cast<char*>(c.units.c_str()));
        }
        file_ = ZARFopenFileWritable(path.c_str(), 1, nullptr, 0, Program, Version, history.c_str(), TocVersion,
                                     subheaders.data(), static_cast<int>(subheaders.size()), n, ids.data(),
                                     minima.data(), maxima.data(), indPrecision.data(), points.data(),
                                     depPrecision.data(), shortNames.data(), labels.data(), longNames.data(),
                                     units.data());
        if (file_ == nullptr) fail(ZARFlastError(nullptr));
    }
    ~RgdFile() {
        if (file_ != nullptr) ZARFcloseFile(file_);
    }
    RgdFile(const RgdFile&) = delete;
    RgdFile& operator=(const RgdFile&) = delete;

    void write(int record, std::vector<int> ids, const std::vector<float>& header, const std::vector<float>& data) {
        if (ZARFwriteCompleteRecord(file_, record, nullptr, nullptr, 0, ids.data(), static_cast<int>(ids.size()),
                                    header.data(), data.data(), static_cast<int>(data.size())) == 0)
            fail(ZARFlastError(file_));
    }

    void close() {
        ZARFFILE* f = file_;
        file_ = nullptr;
        if (ZARFcloseFile(f) == 0) fail("the file could not be closed");
    }

private:
    [[noreturn]] void fail(const char* reason) const {
        throw WriteError("cannot write " + path_ + ": " + (reason != nullptr ? reason : "the library gave no reason"));
    }

    std::string path_;
    ZARFFILE* file_ = nullptr;
};

// The site and housekeeping fields written beside the 15 the calibration reads.
const std::vector<int>& siteHeaderIds() {
    static const std::vector<int> ids = {FIELD_VORNunitNumber,
                                         FIELD_Latitude,
                                         FIELD_Longitude,
                                         FIELD_Altitude,
                                         FIELD_atmosphericPressure,
                                         FIELD_outsideAirTemp,
                                         FIELD_atmosphericRelativeHumidity,
                                         FIELD_dewarTemp,
                                         FIELD_sceneMirPosEncoder};
    return ids;
}

// Every header field of an input record: the calibration's 15, then the site fields.
const std::vector<int>& recordHeaderIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> all = inputHeaderIds();
        all.insert(all.end(), siteHeaderIds().begin(), siteHeaderIds().end());
        return all;
    }();
    return ids;
}

std::vector<float> inputHeader(const ViewRecord& r) {
    return {r.date,     r.hhmmss,   static_cast<float>(static_cast<unsigned char>(r.view)),
            r.temps[0], r.temps[1], r.temps[2], r.temps[3], r.temps[4], r.temps[5], r.temps[6],
            r.channel,  r.missing ? 1.0F : 0.0F, r.coadds, r.hours, r.drift,
            1.0F, 52.21F, 14.12F, 125.0F, 1004.0F, r.outsideAir, r.relativeHumidity, 77.3F, r.encoder};
}

std::string join(const std::string& dir, const std::string& name) { return (std::filesystem::path(dir) / name).string(); }

void writeText(const std::string& path, const std::string& text) {
    if (const auto error = dump::writeTextFile(path, text)) throw WriteError(*error);
}

std::vector<float> complexData(const std::vector<std::complex<float>>& cx) {
    std::vector<float> data;
    data.reserve(cx.size() * 2);
    for (const auto& c : cx) data.push_back(c.real());
    for (const auto& c : cx) data.push_back(c.imag());
    return data;
}

// The columns of the complex spectra (input and forward-scan files share the layout).
std::vector<Column> complexColumns(const std::string& what) {
    return {{"re", "Real part", "Uncalibrated " + what + " spectrum, real part", "counts"},
            {"im", "Imaginary part", "Uncalibrated " + what + " spectrum, imaginary part", "counts"}};
}

const std::vector<Column>& varianceColumns() {
    static const std::vector<Column> columns = {
        {"var", "Variance", "Variance of the raw spectrum over the scans", "counts2"}};
    return columns;
}

void writeTruth(const DayPlan& day, const std::string& path) {
    const std::vector<Column> columns = {
        {"radiance", "Sky radiance", "Radiance the sky view saw", "mW/(m2 sr cm-1)"},
        {"expected", "Expected calibrated radiance",
         "Exact calibration of the scene with its blackbody views interpolated linearly in time", "mW/(m2 sr cm-1)"},
        {"responsivity", "Responsivity", "Responsivity an exact calibration gives", "counts/(mW/(m2 sr cm-1))"},
        {"variance", "Variance of radiance", "Variance of the calibrated radiance", "(mW/(m2 sr cm-1))2"}};
    RgdFile f(path, day, columns, TruthSubheaders, "vornsim synthetic day: truth of the calibrated scenes");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (std::size_t j = 0; j < day.scenes.size(); ++j) {
        const SceneTruth& s = day.scenes[j];
        std::vector<float> header = {s.hhmmss, s.hours, static_cast<float>(static_cast<unsigned char>(s.view)), 0.0F,
                                     static_cast<float>(s.ambientTemp), static_cast<float>(s.coldTemp),
                                     static_cast<float>(s.hotTemp), static_cast<float>(static_cast<unsigned char>(s.view))};
        std::vector<float> data;
        if (s.missing) {
            for (std::size_t k = 4; k < header.size(); ++k) header[k] = nan;
            header[3] = 1.0F;
            data.assign(day.grid.size() * 4, nan);
        } else {
            data = s.radiance;
            data.insert(data.end(), s.expected.begin(), s.expected.end());
            data.insert(data.end(), s.responsivity.begin(), s.responsivity.end());
            data.insert(data.end(), s.variance.begin(), s.variance.end());
        }
        f.write(static_cast<int>(j + 1), truthHeaderIds(), header, data);
    }
    f.close();
}

}  // namespace

// The three files, each open for writing.
struct SpectralFiles::Files {
    Files(const DayPlan& day, const std::string& dir)
        : input(join(dir, day.files.input), day, complexColumns("complex"), RecordSubheaders,
                "vornsim synthetic day: complex complex spectra"),
          original(join(dir, day.files.original), day, complexColumns("forward-scan complex"), RecordSubheaders,
                   "vornsim synthetic day: forward-scan complex complex spectra"),
          variance(join(dir, day.files.variance), day, varianceColumns(), RecordSubheaders,
                   "vornsim synthetic day: variance of the raw spectra") {}
    RgdFile input, original, variance;
};

SpectralFiles::SpectralFiles(const DayPlan& day, const std::string& dir)
    : day_(day), files_(std::make_unique<Files>(day, dir)) {}

SpectralFiles::~SpectralFiles() = default;

void SpectralFiles::write(int record) {
    const std::vector<float> header = inputHeader(day_.record(record));
    files_->input.write(record, recordHeaderIds(), header, complexData(day_.raw(record)));
    files_->original.write(record, recordHeaderIds(), header, complexData(day_.forwardRaw(record)));
    files_->variance.write(record, recordHeaderIds(), header, day_.rawVariance(record));
}

void SpectralFiles::close() {
    files_->input.close();
    files_->original.close();
    files_->variance.close();
}

namespace {

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

const std::vector<int>& inputHeaderIds() {
    static const std::vector<int> ids = {RAVLIO_CALIBRATION_INPUT_FIELDS};
    return ids;
}

const std::vector<int>& truthHeaderIds() {
    static const std::vector<int> ids = {FIELD_timeHHMMSS,
                                         FIELD_Time,
                                         FIELD_sceneMirrorPosition,
                                         FIELD_missingDataFlag,
                                         FIELD_calibrationAmbientTemp,
                                         FIELD_calibrationCBBtemp,
                                         FIELD_calibrationHBBtemp,
                                         FIELD_calibratedSceneID};
    return ids;
}

std::string parameterText(const DayPlan& day) {
    char cavity[32];
    std::snprintf(cavity, sizeof cavity, "%.2f", static_cast<double>(day.cavityFactor));
    return "(File: VORNCALV.SIP -- \"static\" input parameters for VORNCALV)\n"
           "(Note: blank lines, and lines with \"(\" in col.1, are ignored.)\n"
           "(Written by vornsim for a synthetic day of channel " + std::to_string(day.options.channel) + ")\n"
           "hotViewIdentifier(MPHOT):= 'H'\n"
           "coldViewIdentifier(MPCOLD):= 'A'\n"
           "firstSceneNumber(NFSCN):= 1\n"
           "lastSceneNumber(NLSCN):= " + std::to_string(day.options.sets) + "\n"
           "outputImaginaryPart(OUTOP2):= 'Y'\n"
           "outputResponsivity(OUTOP3):= 'Y'\n"
           "minValidThermistorCount(CTMIN):= -32767\n"
           "maxValidThermistorCount(CTMAX):=  32767\n"
           "ratioTestFactor(RATFAC):= 1.5\n"
           "BBcavityFactor(CAVFAC):= " + std::string(cavity) + "\n"
           "(Following 8 parameters are for VORN-01:\n"
           "ABBtempOffset(ABTOFF):= 0\n"
           "HBBtempOffset(HBTOFF):= 0\n"
           "ABBtopTempWeight(WTABBT):= 0.0945\n"
           "ABBapexTempWeight(WTABBA):= 0.811\n"
           "ABBbottomTempWeight(WTABBB):= 0.0945\n"
           "HBBtopTempWeight(WTHBBT):= 0.0945\n"
           "HBBapexTempWeight(WTHBBA):= 0.811\n"
           "HBBbottomTempWeight(WTHBBB):= 0.0945\n";
}

std::string mirrorText(const DayPlan& day) {
    std::string text = std::to_string(day.cycle.size()) + " 0\n";
    for (char view : day.cycle) {
        char line[32];
        std::snprintf(line, sizeof line, "%16d\n", encoderOf(view));
        text += line;
        text += std::string(1, view) + "\n";
    }
    return text;
}

std::string emissivityText(const DayPlan& day) {
    std::string text = "Blackbody paint emissivity (vornsim synthetic day)\n";
    for (std::size_t i = 0; i < day.paintWavenumbers.size(); ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%8.1f %.5f\n", day.paintWavenumbers[i], static_cast<double>(day.paintEmissivity[i]));
        text += line;
    }
    return text;
}

std::string upstreamStatusText(const DayPlan& day) {
    std::string record = day.files.input;
    record.resize(75, ' ');
    char count[16];
    std::snprintf(count, sizeof count, "%5d", day.recordCount());
    return record + count;
}

std::string truthTableText(const DayPlan& day) {
    std::string text = "record,inputRecord,scene,timeHHMMSS,missing,reason,ambientTemp,coldTemp,hotTemp\n";
    for (std::size_t j = 0; j < day.scenes.size(); ++j) {
        const SceneTruth& s = day.scenes[j];
        char line[256];
        std::snprintf(line, sizeof line, "%zu,%d,%c,%06.0f,%d,%s,%.4f,%.4f,%.4f\n", j + 1, s.inputRecord, s.view,
                      static_cast<double>(s.hhmmss), s.missing ? 1 : 0, s.reason.c_str(), s.ambientTemp, s.coldTemp,
                      s.hotTemp);
        text += line;
    }
    return text;
}

OutputNames outputNames(const std::string& root) {
    std::string base = root.substr(0, 8);
    base.resize(8, ' ');
    return {base + ".RLC", base + ".IMC", base + ".RES", base + ".CVS", trimmed(base) + ".LOG", base + ".LVF"};
}

void prepareDirectory(const DayPlan& day, const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw WriteError("cannot create directory " + dir + ": " + ec.message());
    const OutputNames out = outputNames(day.files.root);
    for (const std::string& stale : {out.radiance, out.imaginary, out.responsivity, out.variance, out.log, out.marker,
                                     trimmed(day.files.root.substr(0, 8)) + ".STC"})
        std::filesystem::remove(join(dir, stale), ec);
}

void writeSideFiles(const DayPlan& day, const std::string& dir) {
    const DayFiles& f = day.files;
    writeText(join(dir, f.parameters), parameterText(day));
    writeText(join(dir, f.mirror), mirrorText(day));
    writeText(join(dir, f.emissivity), emissivityText(day));
    writeText(join(dir, f.answers), day.answers());
    writeTruth(day, join(dir, f.truth));
    writeText(join(dir, f.truthTable), truthTableText(day));
}

void writeDay(const DayPlan& day, const std::string& dir) {
    prepareDirectory(day, dir);
    SpectralFiles spectra(day, dir);
    for (int r = 1; r <= day.recordCount(); ++r) spectra.write(r);
    spectra.close();
    writeText(join(dir, day.files.upstreamStatus), upstreamStatusText(day));
    writeSideFiles(day, dir);
}

}  // namespace vornsim
