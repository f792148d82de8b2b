// Comparing a calibrated synthetic day with its truth.
#include "simlib/compare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>

#include "dumplib/datafile.h"
#include "ravlio/fields.h"
#include "simlib/dayplan.h"
#include "simlib/daywriter.h"

namespace vornsim {

namespace {

constexpr double Infinite = std::numeric_limits<double>::infinity();

std::string join(const std::string& dir, const std::string& name) { return (std::filesystem::path(dir) / name).string(); }

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw CompareError("cannot read " + path + " (is this a day written by vornsim?)");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// One output record of the truth table.
struct TruthRow {
    int inputRecord = 0;
    std::string scene;
    std::string time;
    bool missing = false;
};

std::vector<TruthRow> readTruthTable(const std::string& path) {
    const std::vector<std::string> lines = readLines(path);
    std::vector<TruthRow> rows;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        std::vector<std::string> cells;
        std::stringstream ss(lines[i]);
        for (std::string cell; std::getline(ss, cell, ',');) cells.push_back(cell);
        if (cells.size() < 5) throw CompareError(path + ": line " + std::to_string(i + 1) + " is not a truth row");
        TruthRow row;
        try {
            row.inputRecord = std::stoi(cells[1]);
        } catch (const std::exception&) {
            throw CompareError(path + ": line " + std::to_string(i + 1) + " has no input record number");
        }
        row.scene = cells[2];
        row.time = cells[3];
        row.missing = cells[4] == "1";
        rows.push_back(row);
    }
    return rows;
}

bool flaggedMissing(const dump::DataFile& f, int record) {
    const std::vector<dump::FieldValue> v = f.metadata(record, {FIELD_missingDataFlag});
    return v[0].has_value() && *v[0] == 1.0F;
}

// An output product: its summary and, when present, the open file.
struct Product {
    ProductSummary summary;
    std::unique_ptr<dump::DataFile> file;
};

Product openProduct(const std::string& dir, const std::string& label, const std::string& name) {
    Product p;
    p.summary.label = label;
    p.summary.name = name;
    const std::string path = join(dir, name);
    if (!std::filesystem::exists(path)) return p;
    try {
        p.file = std::make_unique<dump::DataFile>(path);
        p.summary.present = true;
        p.summary.records = p.file->recordCount();
        for (int r = 1; r <= p.summary.records; ++r)
            if (flaggedMissing(*p.file, r)) ++p.summary.missing;
    } catch (const dump::DumpError& e) {
        throw CompareError(e.what());
    }
    return p;
}

std::vector<float> column(dump::DataFile& f, int number, int record) {
    f.selectColumn(f.findColumn(std::to_string(number)));
    return f.values(record);
}

double peakOf(const std::vector<float>& v) {
    double peak = 0.0;
    for (float x : v)
        if (std::isfinite(x)) peak = std::max(peak, std::fabs(static_cast<double>(x)));
    return peak > 0.0 ? peak : 1.0;
}

// Wavenumbers worth showing: band centres and windows inside the grid, else spread points.
std::vector<std::size_t> samplePoints(const std::vector<double>& grid) {
    std::vector<std::size_t> picks;
    if (grid.empty()) return picks;
    for (double wn : {600.0, 667.0, 900.0, 1042.0, 1600.0, 2000.0, 2349.0, 2500.0, 2800.0}) {
        if (wn < grid.front() || wn > grid.back()) continue;
        const auto it = std::lower_bound(grid.begin(), grid.end(), wn);
        picks.push_back(static_cast<std::size_t>(std::min<std::ptrdiff_t>(it - grid.begin(), static_cast<std::ptrdiff_t>(grid.size()) - 1)));
    }
    if (picks.size() < 3) {
        picks.clear();
        for (double f : {0.1, 0.3, 0.5, 0.7, 0.9}) picks.push_back(static_cast<std::size_t>(f * static_cast<double>(grid.size() - 1)));
    }
    picks.erase(std::unique(picks.begin(), picks.end()), picks.end());
    return picks;
}

std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

class Comparer {
public:
    explicit Comparer(const std::string& dir) { c_.dir = dir; }

    Comparison run() {
        const std::vector<std::string> answers = readLines(join(c_.dir, DayFiles{}.answers));
        if (answers.size() < 3 || trimmed(answers[2]).empty())
            throw CompareError(join(c_.dir, DayFiles{}.answers) + " names no root of the output files");
        c_.root = trimmed(answers[2]).substr(0, 8);
        const OutputNames names = outputNames(c_.root);
        rows_ = readTruthTable(join(c_.dir, DayFiles{}.truthTable));
        truth_ = openProduct(c_.dir, "truth", DayFiles{}.truth);
        if (!truth_.summary.present) throw CompareError("cannot read " + join(c_.dir, DayFiles{}.truth));
        c_.truthRecords = truth_.summary.records;
        c_.truthMissing = truth_.summary.missing;
        products_.push_back(openProduct(c_.dir, "calibrated radiance", names.radiance));
        products_.push_back(openProduct(c_.dir, "imaginary part", names.imaginary));
        products_.push_back(openProduct(c_.dir, "responsivity", names.responsivity));
        products_.push_back(openProduct(c_.dir, "variance of radiance", names.variance));
        for (const Product& p : products_) c_.products.push_back(p.summary);
        checkLog(join(c_.dir, names.log));
        checkCounts();
        compareScenes();
        return c_;
    }

private:
    void problem(const std::string& text) { c_.problems.push_back(text); }

    void checkLog(const std::string& path) {
        std::ifstream in(path);
        bool summary = false;
        bool end = false;
        for (std::string line; std::getline(in, line);) {
            summary = summary || line.find(" NUMBER OF RECORDS OUTPUT:") == 0;
            end = end || trimmed(line) == "*** END VORNCALV.EXE ***";
        }
        c_.stopSeen = summary && end;
        if (!c_.stopSeen) problem("the log " + path + " does not end with the end-of-run summary");
    }

    void checkCounts() {
        for (std::size_t k = 0; k < 3; ++k) {
            const ProductSummary& s = products_[k].summary;
            if (!s.present) problem(s.name + " was not written");
            else if (s.records != c_.truthRecords)
                problem(s.name + " holds " + std::to_string(s.records) + " records, the truth " +
                        std::to_string(c_.truthRecords));
        }
        // The variance product numbers its records by input record, up to the last scene's.
        const ProductSummary& v = products_[3].summary;
        const int lastInput = rows_.empty() ? 0 : rows_.back().inputRecord;
        if (!v.present) problem(v.name + " was not written");
        else if (v.records != lastInput)
            problem(v.name + " holds " + std::to_string(v.records) + " records, the input up to the last scene " +
                    std::to_string(lastInput));
        if (static_cast<int>(rows_.size()) != c_.truthRecords)
            problem("TRUTH.CSV and TRUTH.RGD disagree on the number of scenes");
    }

    void compareScenes() {
        Product& rlc = products_[0];
        if (!rlc.summary.present) return;
        const int n = std::min(rlc.summary.records, c_.truthRecords);
        for (int j = 1; j <= n; ++j) {
            const bool truthMissing = flaggedMissing(*truth_.file, j);
            if (truthMissing != flaggedMissing(*rlc.file, j)) {
                c_.missingDisagreements.push_back(j);
                continue;
            }
            if (!truthMissing) compareScene(j);
        }
        if (!c_.missingDisagreements.empty()) {
            std::string list;
            for (int j : c_.missingDisagreements) list += (list.empty() ? "" : ",") + std::to_string(j);
            problem("records missing in one of radiance and truth only: " + list);
        }
        if (c_.radianceError > RadianceLimit)
            problem("radiance differs from the expected calibration by " + formatted("%.3g", c_.radianceError) +
                    " of the sky's peak");
        if (c_.imaginaryError > RadianceLimit)
            problem("imaginary part reaches " + formatted("%.3g", c_.imaginaryError) + " of the radiance peak");
        if (c_.responsivityError > ResponsivityLimit)
            problem("responsivity differs from the truth by " + formatted("%.3g", c_.responsivityError));
        if (c_.varianceError > VarianceLimit)
            problem("variance of radiance differs from the truth by " + formatted("%.3g", c_.varianceError));
    }

    void compareScene(int j) {
        dump::DataFile& rlc = *products_[0].file;
        const std::vector<float> sky = column(*truth_.file, 1, j);
        const std::vector<float> expected = column(*truth_.file, 2, j);
        const std::vector<float> cal = column(rlc, 1, j);
        if (cal.size() != expected.size() || sky.size() != expected.size()) {
            problem("record " + std::to_string(j) + " has " + std::to_string(cal.size()) + " points, the truth " +
                    std::to_string(expected.size()));
            return;
        }
        const std::vector<double> grid = rlc.abscissa(j, cal.size());
        const double peak = peakOf(sky);
        for (std::size_t i = 0; i < cal.size(); ++i) {
            const double e = std::fabs(static_cast<double>(cal[i]) - static_cast<double>(expected[i])) / peak;
            if (!(e <= c_.radianceError)) {
                c_.radianceError = std::isnan(e) ? Infinite : e;
                c_.radianceWorstRecord = j;
                c_.radianceWorstWavenumber = grid[i];
            }
            const double d = std::fabs(static_cast<double>(cal[i]) - static_cast<double>(sky[i])) / peak;
            if (!(d <= c_.skyError)) c_.skyError = std::isnan(d) ? Infinite : d;
        }
        ++c_.compared;
        if (c_.sampleRecord == 0) takeSample(j, grid, cal, sky);
        if (products_[1].summary.present && j <= products_[1].summary.records) {
            for (float v : column(*products_[1].file, 1, j))
                c_.imaginaryError = std::max(c_.imaginaryError, std::fabs(static_cast<double>(v)) / peak);
        }
        if (products_[2].summary.present && j <= products_[2].summary.records)
            pointwise(column(*products_[2].file, 1, j), column(*truth_.file, 3, j), c_.responsivityError);
        compareVariance(j);
    }

    // The variance product numbers its records by input record.
    void compareVariance(int j) {
        Product& cvs = products_[3];
        const int input = rows_.at(static_cast<std::size_t>(j - 1)).inputRecord;
        if (!cvs.summary.present || input > cvs.summary.records || flaggedMissing(*cvs.file, input)) return;
        pointwise(column(*cvs.file, 1, input), column(*truth_.file, 4, j), c_.varianceError);
        ++c_.varianceCompared;
    }

    static void pointwise(const std::vector<float>& got, const std::vector<float>& want, double& worst) {
        if (got.size() != want.size()) {
            worst = Infinite;
            return;
        }
        for (std::size_t i = 0; i < got.size(); ++i) {
            const double e = std::fabs(static_cast<double>(got[i]) - static_cast<double>(want[i])) /
                             std::fabs(static_cast<double>(want[i]));
            if (!(e <= worst)) worst = std::isnan(e) ? Infinite : e;
        }
    }

    void takeSample(int j, const std::vector<double>& grid, const std::vector<float>& cal, const std::vector<float>& truth) {
        c_.sampleRecord = j;
        const TruthRow& row = rows_.at(static_cast<std::size_t>(j - 1));
        c_.sampleScene = "scene " + row.scene + " at " + row.time.substr(0, 2) + ":" + row.time.substr(2, 2) + ":" +
                         row.time.substr(4, 2) + ", input record " + std::to_string(row.inputRecord);
        for (std::size_t i : samplePoints(grid)) c_.sample.push_back({grid[i], cal[i], truth[i]});
    }

    Comparison c_;
    std::vector<TruthRow> rows_;
    Product truth_;
    std::vector<Product> products_;
};

}  // namespace

Comparison compareDay(const std::string& dir) {
    try {
        return Comparer(dir).run();
    } catch (const dump::DumpError& e) {
        throw CompareError(e.what());
    }
}

void printComparison(const Comparison& c, std::ostream& out) {
    out << "Calibration of " << c.dir << " (root " << c.root << ") against the truth\n";
    out << "  records written:\n";
    for (const ProductSummary& p : c.products) {
        char line[160];
        if (p.present)
            std::snprintf(line, sizeof line, "    %-22s %-14s %5d records, %d missing\n", p.label.c_str(),
                          p.name.c_str(), p.records, p.missing);
        else
            std::snprintf(line, sizeof line, "    %-22s %-14s not written\n", p.label.c_str(), p.name.c_str());
        out << line;
    }
    out << "  truth: " << c.truthRecords << " scenes, " << c.truthMissing << " to be written as missing; "
        << (c.missingDisagreements.empty() ? "the calibration agrees on every one"
                                           : std::to_string(c.missingDisagreements.size()) + " disagree")
        << "\n";
    if (c.sampleRecord > 0) {
        out << "  radiance of output record " << c.sampleRecord << " (" << c.sampleScene << "):\n";
        out << "    wavenumber   calibrated    sky truth   difference\n";
        for (const SamplePoint& s : c.sample) {
            char line[128];
            std::snprintf(line, sizeof line, "    %10.3f %12.5f %12.5f %12.3e\n", s.wavenumber,
                          static_cast<double>(s.calibrated), static_cast<double>(s.truth),
                          static_cast<double>(s.calibrated) - static_cast<double>(s.truth));
            out << line;
        }
    }
    char line[256];
    std::snprintf(line, sizeof line, "  radiance of %d calibrated scenes, differences over the sky's peak:\n", c.compared);
    out << line;
    std::snprintf(line, sizeof line, "    from an exact calibration of the views %.2e (limit %.0e)", c.radianceError,
                  RadianceLimit);
    out << line;
    if (c.radianceWorstRecord > 0)
        out << ",\n      largest in record " << c.radianceWorstRecord << formatted(" at %.3f cm-1", c.radianceWorstWavenumber);
    out << "\n";
    std::snprintf(line, sizeof line,
                  "    from the sky itself %.2e (blackbodies drift between their views,\n"
                  "    which the calibration interpolates linearly in time)\n",
                  c.skyError);
    out << line;
    std::snprintf(line, sizeof line,
                  "  imaginary part at most %.2e of the peak; responsivity within %.2e;\n"
                  "  variance of radiance within %.2e (%d records)\n",
                  c.imaginaryError, c.responsivityError, c.varianceError, c.varianceCompared);
    out << line;
    if (c.matches()) {
        out << "  result: the calibrated day matches the truth\n";
    } else {
        out << "  result: MISMATCH\n";
        for (const std::string& p : c.problems) out << "    - " << p << "\n";
    }
}

}  // namespace vornsim
