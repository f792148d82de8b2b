// A synthetic instrument day for in-process calibration runs.
#include "support/syntheticday.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "libutil/wnplan.h"
#include "ravlio/fields.h"
#include "formats/rgd/rgdstruc.h"
#include "support/rgdbuilder.h"
#include "support/tempdir.h"

namespace testsupport {

namespace {

// The 15 header fields the calibration asks every input record for, in its order.
const std::vector<int> HEADER_IDS = {RAVLIO_CALIBRATION_INPUT_FIELDS};

bool isBlackbody(char view) { return view == 'H' || view == 'A' || view == 'C'; }

// Subheaders (besides the base one every file gets) that together carry every header field.
std::vector<int> subheadersFor(const std::vector<int>& ids) {
    std::vector<int> chosen;
    auto covered = [&chosen](int id) {
        if (id == FIELD_missingDataFlag) return true;  // missingDataFlag: the base subheader
        for (int sh : chosen) {
            const RGDsubheader* s = RGDlookupSubheader(sh);
            for (int k = 0; s != nullptr && k < s->fieldCount; ++k)
                if (s->field[k].id == id) return true;
        }
        return false;
    };
    for (int id : ids) {
        if (covered(id)) continue;
        bool found = false;
        for (const RGDsubheader& s : ALLsubheaders) {
            if (s.id == RGDbaseSubheaderId) continue;
            for (int k = 0; k < s.fieldCount && !found; ++k) found = s.field[k].id == id;
            if (found) {
                chosen.push_back(s.id);
                break;
            }
        }
        if (!found) throw std::logic_error("syntheticday: no subheader carries a header field");
    }
    return chosen;
}

RgdSpec inputSpec(const SyntheticDay& day) {
    RgdSpec spec;
    RgdColumn column;
    column.minimum = day.config.wnMin;
    column.maximum = day.config.wnMax;
    column.points = day.config.points;
    column.shortname = "re";
    column.label = "Real part";
    column.longname = "Uncalibrated spectrum, real part";
    column.units = "counts";
    RgdColumn imaginary = column;
    imaginary.shortname = "im";
    imaginary.label = "Imaginary part";
    imaginary.longname = "Uncalibrated spectrum, imaginary part";
    if (day.config.imaginaryPoints > 0) imaginary.points = day.config.imaginaryPoints;
    spec.columns = {column, imaginary};
    spec.subheaders = subheadersFor(HEADER_IDS);
    spec.program = "syntheticday";
    return spec;
}

std::vector<float> headerValues(const DayRecord& r) {
    return {r.date,     r.hhmmss,   static_cast<float>(static_cast<unsigned char>(r.view)),
            r.temps[0], r.temps[1], r.temps[2], r.temps[3], r.temps[4], r.temps[5], r.temps[6],
            r.channel,  r.missing,  r.coadds,   r.hours,    r.drift};
}

float hhmmssOf(int seconds) {
    seconds %= 86400;
    return static_cast<float>(seconds / 3600 * 10000 + seconds % 3600 / 60 * 100 + seconds % 60);
}

int secondsOf(int hhmmss) { return hhmmss / 10000 * 3600 + hhmmss % 10000 / 100 * 60 + hhmmss % 100; }

void writeRecords(ZARFFILE* f, const SyntheticDay& day, int first, int last) {
    for (int r = first; r <= last; ++r) {
        const std::vector<std::complex<float>> cx = day.raw(r);
        std::vector<float> data;
        for (const auto& c : cx) data.push_back(c.real());
        for (const auto& c : cx) data.push_back(c.imag());
        if (day.config.imaginaryPoints > 0) data.resize(cx.size() + static_cast<std::size_t>(day.config.imaginaryPoints));
        std::vector<int> ids = HEADER_IDS;
        const std::vector<float> values = headerValues(day.records.at(static_cast<std::size_t>(r - 1)));
        if (ZARFwriteCompleteRecord(f, r, nullptr, nullptr, 0, ids.data(), static_cast<int>(ids.size()),
                                    values.data(), data.data(), static_cast<int>(data.size())) == 0) {
            throw std::runtime_error(std::string("syntheticday: record not written: ") + ZARFlastError(f));
        }
    }
}

std::string parameterFile(const DayConfig& c) {
    char buf[64];
    auto real = [&buf](float v) {
        std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
        return std::string(buf);
    };
    return "(File: VORNCALV.SIP -- synthetic day)\n"
           "hotViewIdentifier(MPHOT):= 'H'\n"
           "coldViewIdentifier(MPCOLD):= 'A'\n"
           "firstSceneNumber:= 1\n"
           "lastSceneNumber:= " + std::to_string(c.lastSceneNumber) + "\n"
           "outputImaginaryPart:= '" + std::string(1, c.outputImaginary) + "'\n"
           "outputResponsivity:= '" + std::string(1, c.outputResponsivity) + "'\n"
           "minValidThermistorCount:= -32767\n"
           "maxValidThermistorCount:= 32767\n"
           "ratioTestFactor:= 1.5\n"
           "BBcavityFactor:= " + real(c.cavityFactor) + "\n"
           "ABBtempOffset:= 0\n"
           "HBBtempOffset:= 0\n"
           "ABBtopTempWeight:= 0.25\n"
           "ABBapexTempWeight:= 0.5\n"
           "ABBbottomTempWeight:= 0.25\n"
           "HBBtopTempWeight:= 0.25\n"
           "HBBapexTempWeight:= 0.5\n"
           "HBBbottomTempWeight:= 0.25\n";
}

std::string mirrorFile(const std::string& cycle) {
    std::string text = std::to_string(cycle.size()) + " 0\n";
    for (std::size_t i = 0; i < cycle.size(); ++i) text += std::to_string(1000 * i) + "\n" + cycle[i] + "\n";
    return text;
}

}  // namespace

int SyntheticDay::sceneRecord(int set, int position) const {
    return (set - 1) * recordsPerSet() + blackbodiesPerSet + position;
}

std::vector<std::complex<float>> SyntheticDay::raw(int record) const {
    const std::vector<float>& L = truth.at(static_cast<std::size_t>(record - 1));
    std::vector<std::complex<float>> out(grid.size());
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const std::complex<double> g(responsivity[i]);
        const std::complex<double> o(offset[i]);
        out[i] = std::complex<float>(g * (static_cast<double>(L[i]) + o));
    }
    return out;
}

std::string SyntheticDay::answers(const std::string& root, bool batch) const {
    return inputName + "\n" + inputName + "\n" + root + "\n" + (batch ? "Y" : "N") + "\nNOVARIANCE.VAR\n" +
           parameterName + "\n" + mirrorName + "\n" + emissivityName + "\n" + upstreamStatusName + "\n";
}

SyntheticDay planDay(const DayConfig& config) {
    SyntheticDay day;
    day.config = config;
    const int half = static_cast<int>(config.cycle.size()) / 2;
    const auto bb = static_cast<int>(std::count_if(config.cycle.begin(), config.cycle.end(), isBlackbody));
    day.blackbodiesPerSet = bb / 2;
    day.scenesPerSet = (half * 2 - bb) / 2;
    const int n = config.points;
    for (int i = 0; i < n; ++i) {
        day.grid.push_back(n > 1 ? config.wnMin + (config.wnMax - config.wnMin) * i / (n - 1) : config.wnMin);
    }
    // Cavity emissivity as the program forms it from a constant paint emissivity.
    const float RCF = 1.0F / config.cavityFactor;
    const float e = config.paintEmissivity;
    const float cavity = e / (e + (1.0F - e) * RCF);
    day.cavityEmissivity.assign(static_cast<std::size_t>(n), cavity);
    for (int i = 0; i < n; ++i) {
        const double wn = day.grid[static_cast<std::size_t>(i)];
        const double ra = util::wnplan(wn, config.supportTemp);
        const double eps = cavity;
        day.hotRadiance.push_back(static_cast<float>(util::wnplan(wn, config.hotTemp) * eps + (1.0 - eps) * ra));
        day.coldRadiance.push_back(
            static_cast<float>(util::wnplan(wn, config.ambientTemp) * eps + (1.0 - eps) * ra));
        const double phase = 0.3 + 2.0e-4 * wn;
        const double gain = 2.0 + wn / 1000.0;
        day.responsivity.emplace_back(static_cast<float>(gain * std::cos(phase)),
                                      static_cast<float>(gain * std::sin(phase)));
        day.offset.emplace_back(static_cast<float>(20.0 + wn / 200.0), 5.0F);
    }
    const int perSet = day.recordsPerSet();
    const int start = secondsOf(config.firstTime);
    for (int r = 1; r <= config.sets * perSet; ++r) {
        DayRecord rec;
        const int set = (r - 1) / perSet + 1;
        const int position = (r - 1) % perSet;
        rec.view = config.cycle[static_cast<std::size_t>(((set - 1) % 2) * perSet + position)];
        const int seconds = start + (r - 1) * config.step;
        rec.hhmmss = hhmmssOf(seconds);
        rec.hours = static_cast<float>(seconds % 86400) / 3600.0F;
        rec.temps = {config.ambientTemp, config.ambientTemp, config.ambientTemp, config.hotTemp,
                     config.hotTemp,     config.hotTemp,     config.supportTemp};
        day.records.push_back(rec);
        std::vector<float> L;
        if (rec.view == 'H') {
            L = day.hotRadiance;
        } else if (isBlackbody(rec.view)) {
            L = day.coldRadiance;
        } else {
            // A sky colder than the blackbodies, different for every record.
            for (int i = 0; i < n; ++i) {
                const double wn = day.grid[static_cast<std::size_t>(i)];
                L.push_back(static_cast<float>(0.8 * util::wnplan(wn, 240.0F + static_cast<float>(r)) + 1.0));
            }
        }
        day.truth.push_back(L);
    }
    return day;
}

void writeUpstreamStatus(const std::string& dir, const SyntheticDay& day, int count) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%5d", count);
    std::string record = day.inputName;
    record.resize(75, ' ');
    record += digits;
    writeFile(dir + "/" + day.upstreamStatusName, record);
}

void writeDay(const std::string& dir, const SyntheticDay& day, int count) {
    const std::string path = dir + "/" + day.inputName;
    std::remove(path.c_str());
    ZARFFILE* f = openRgdWriter(path, inputSpec(day));
    if (f == nullptr) throw std::runtime_error(std::string("syntheticday: ") + ZARFlastError(nullptr));
    writeRecords(f, day, 1, count);
    ZARFcloseFile(f);
    writeFile(dir + "/" + day.parameterName, parameterFile(day.config));
    writeFile(dir + "/" + day.mirrorName, mirrorFile(day.config.cycle));
    char emissivity[96];
    std::snprintf(emissivity, sizeof emissivity, "Synthetic paint emissivity\n 100.0 %.9g\n 5000.0 %.9g\n",
                  static_cast<double>(day.config.paintEmissivity), static_cast<double>(day.config.paintEmissivity));
    writeFile(dir + "/" + day.emissivityName, emissivity);
    writeUpstreamStatus(dir, day, count);
}

void appendDayRecords(const std::string& dir, const SyntheticDay& day, int first, int last) {
    ZARFFILE* f = openRgdWriter(dir + "/" + day.inputName, inputSpec(day));
    if (f == nullptr) throw std::runtime_error(std::string("syntheticday: ") + ZARFlastError(nullptr));
    writeRecords(f, day, first, last);
    ZARFcloseFile(f);
    writeUpstreamStatus(dir, day, last);
}

Product readProduct(const std::string& path) {
    Product p;
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    if (f == nullptr) return p;
    p.count = ZARFreadRecordCount(f);
    for (int r = 1; r <= p.count; ++r) {
        std::vector<float> values(static_cast<std::size_t>(std::max(0, ZARFreadRecordSize(f, r))));
        ZARFreadDepValues(f, r, values.data(), static_cast<int>(values.size()));
        p.data.push_back(values);
        int ids[2] = {FIELD_missingDataFlag, FIELD_sceneMirPosEncoderMaxDrift};
        float md[2] = {0.0F, 0.0F};
        ZARFreadRealMetadata(f, r, ids, 2, md);
        p.missing.push_back(md[0]);
        p.maxDrift.push_back(md[1]);
    }
    ZARFcloseFile(f);
    return p;
}

bool isMissingPattern(float value) { return std::bit_cast<std::uint32_t>(value) == 0x7FC00000U; }

double calibrationError(const SyntheticDay& day, const std::vector<float>& calibrated, int record) {
    const std::vector<float>& truth = day.truth.at(static_cast<std::size_t>(record - 1));
    if (calibrated.size() != truth.size()) return HUGE_VAL;
    double worst = 0.0;
    for (std::size_t i = 0; i < truth.size(); ++i) {
        worst = std::max(worst, std::abs(static_cast<double>(calibrated[i]) - truth[i]) / day.hotRadiance[i]);
    }
    return worst;
}

}  // namespace testsupport
