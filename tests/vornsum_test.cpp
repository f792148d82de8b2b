// vornsum: the summary of a day made by vornsim and calibrated by vorncalv, checked against
// the day's truth; its netCDF and CSV files; bad input; the quicklook page in a browser.
#include <netcdf.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <sstream>

#include "libutil/wnplan.h"
#include "ravlio/fields.h"
#include "simlib/dayplan.h"
#include "simlib/daywriter.h"
#include "sumlib/bands.h"
#include "sumlib/quicklook.h"
#include "sumlib/sumcli.h"
#include "sumlib/summary.h"
#include "support/runprogram.h"
#include "support/tempdir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;
using vornsum::DaySummary;
using vornsum::StandardBand;

struct SumRun {
    int status = -1;
    std::string out, err;
};

SumRun vornsumRun(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    SumRun r;
    r.status = vornsum::runVornsum(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

// The temperature whose Planck radiance is radiance, found by bisection on the calibration's
// Planck function: an inverse independent of the one under test.
double bisectTemperature(double wavenumber, double radiance) {
    double lo = 50.0, hi = 500.0;
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        (util::wnplanDouble(wavenumber, mid) < radiance ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

double bandMean(const std::vector<double>& grid, const std::vector<float>& values, const StandardBand& band) {
    double sum = 0.0;
    int n = 0;
    for (std::size_t i = 0; i < grid.size(); ++i)
        if (grid[i] >= band.low && grid[i] <= band.high) {
            sum += values[i];
            ++n;
        }
    return sum / n;
}

float value(const DaySummary& day, std::size_t scene, int id) {
    const int k = day.fieldIndex(id);
    EXPECT_GE(k, 0) << id;
    return k < 0 ? NAN : day.scenes[scene].values[static_cast<std::size_t>(k)];
}

// A channel-1 day of four sets with the default missing views (a sky view of set 3; the
// ambient view of set 7 lies beyond it), planned in-process, written and calibrated once
// for the suite.
class VornsumDay : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        vornsim::DayOptions o;
        o.sets = 4;
        o.points = 1500;
        plan_ = new vornsim::DayPlan(vornsim::planDay(o));
        dir_ = new TempDir;
        vornsim::writeDay(*plan_, dir_->path().string());
        const testsupport::ProgramResult calibration =
            testsupport::runProgram(VORNCALV_BINARY, plan_->answers(), dir_->path());
        ASSERT_EQ(calibration.exitStatus, 0) << calibration.err;
        root_ = new std::string(dir_->file(plan_->files.root));
        day_ = new DaySummary(vornsum::summariseDay(vornsum::findProducts(*root_)));
    }
    static void TearDownTestSuite() {
        delete day_;
        delete root_;
        delete dir_;
        delete plan_;
    }

    // A copy of the day's products in a fresh directory, for tests that damage them.
    std::string copyProducts(const TempDir& to) const {
        for (const char* ext : {".RLC", ".IMC", ".RES", ".CVS"})
            fs::copy_file(*root_ + ext, to.file(plan_->files.root + ext));
        return to.file(plan_->files.root);
    }

    static vornsim::DayPlan* plan_;
    static TempDir* dir_;
    static std::string* root_;
    static DaySummary* day_;
};

vornsim::DayPlan* VornsumDay::plan_ = nullptr;
TempDir* VornsumDay::dir_ = nullptr;
std::string* VornsumDay::root_ = nullptr;
DaySummary* VornsumDay::day_ = nullptr;

TEST_F(VornsumDay, OneSummaryRecordPerSceneWithTheTruthsTimesAndMissingFlags) {
    ASSERT_EQ(day_->scenes.size(), plan_->scenes.size());
    for (std::size_t j = 0; j < plan_->scenes.size(); ++j) {
        const vornsim::SceneTruth& t = plan_->scenes[j];
        const vornsim::ViewRecord& input = plan_->record(t.inputRecord);
        EXPECT_EQ(day_->scenes[j].missing, t.missing) << j;
        EXPECT_EQ(value(*day_, j, vornsum::TimeId), t.hhmmss) << j;
        EXPECT_EQ(value(*day_, j, vornsum::MirrorId), float(t.view)) << j;
        ASSERT_TRUE(day_->scenes[j].time.has_value()) << j;
        EXPECT_EQ(*day_->scenes[j].time, input.seconds) << j;
    }
    EXPECT_EQ(day_->missingScenes(), plan_->missingOutputs());
    EXPECT_EQ(day_->channel, 1);
    EXPECT_TRUE(day_->problems.empty()) << day_->problems.front();
}

TEST_F(VornsumDay, BandMeansAndBrightnessTemperaturesFollowTheTruth) {
    int checked = 0;
    for (std::size_t j = 0; j < plan_->scenes.size(); ++j) {
        const vornsim::SceneTruth& t = plan_->scenes[j];
        if (t.missing) continue;
        for (const StandardBand& band : vornsum::standardBands()) {
            if (band.channel != 1) continue;
            // The calibration reproduces the exact calibration of the views to within the
            // single-precision rounding of its radiances, a few parts in 10^7 of the hot
            // blackbody's radiance.
            const double truth = bandMean(plan_->grid, t.expected, band);
            const double tolerance = 1e-6 * util::wnplanDouble(band.centre(), t.hotTemp);
            const float radiance = value(*day_, j, band.radiance);
            EXPECT_NEAR(radiance, truth, tolerance) << j << " " << band.low;
            const float temperature = value(*day_, j, band.airTemp);
            EXPECT_NEAR(temperature, bisectTemperature(band.centre(), radiance), 1e-4) << j << " " << band.low;
            const double slope = (util::wnplanDouble(band.centre(), temperature + 0.01) -
                                  util::wnplanDouble(band.centre(), temperature - 0.01)) / 0.02;
            EXPECT_NEAR(temperature, bisectTemperature(band.centre(), truth), 1e-4 + tolerance / slope) << j;
            ++checked;
        }
    }
    EXPECT_GT(checked, 30);
}

TEST_F(VornsumDay, StandardDeviationsAndWholeGridStatisticsFollowTheTruth) {
    for (std::size_t j = 0; j < plan_->scenes.size(); ++j) {
        const vornsim::SceneTruth& t = plan_->scenes[j];
        if (t.missing) continue;
        const StandardBand& window = vornsum::standardBands()[2];
        const double sky = std::sqrt(bandMean(plan_->grid, t.variance, window));
        EXPECT_NEAR(value(*day_, j, window.skyStdDev), sky, 1e-5 * sky) << j;
        EXPECT_TRUE(std::isfinite(value(*day_, j, window.hotStdDev))) << j;
        EXPECT_TRUE(std::isfinite(value(*day_, j, window.ambientStdDev))) << j;
        double sum = 0.0;
        for (float r : t.responsivity) sum += r;
        const double mean = sum / static_cast<double>(t.responsivity.size());
        EXPECT_NEAR(value(*day_, j, FIELD_responsivityMean), mean, 1e-5 * mean) << j;
        EXPECT_NEAR(value(*day_, j, FIELD_imaginarySpectrumMean), 0.0, 1e-4) << j;
    }
}

TEST_F(VornsumDay, BandsOffTheGridAreMissing) {
    for (std::size_t j = 0; j < day_->scenes.size(); ++j)
        for (const StandardBand& band : vornsum::standardBands()) {
            if (band.channel != 2) continue;
            for (int id : {band.radiance, band.airTemp, band.skyStdDev, band.hotStdDev, band.ambientStdDev, band.imaginary})
                EXPECT_TRUE(std::isnan(value(*day_, j, id))) << j << " " << id;
        }
}

TEST_F(VornsumDay, MissingSceneIsMissingInEveryField) {
    int missing = 0;
    for (std::size_t j = 0; j < plan_->scenes.size(); ++j) {
        if (!plan_->scenes[j].missing) continue;
        ++missing;
        for (std::size_t k = 0; k < day_->fields.size(); ++k) {
            const int id = day_->fields[k].identifier;
            const float v = day_->scenes[j].values[k];
            if (id == vornsum::MissingId) {
                EXPECT_EQ(v, 1.0F);
            } else if (id != vornsum::DateId && id != vornsum::TimeId && id != vornsum::MirrorId) {
                EXPECT_TRUE(std::isnan(v)) << j << " " << day_->fields[k].name;
            }
        }
    }
    EXPECT_GE(missing, 1);
}

// A netCDF file opened for reading; every call must succeed.
class NcFile {
public:
    explicit NcFile(const std::string& path) { EXPECT_EQ(nc_open(path.c_str(), NC_NOWRITE, &id_), NC_NOERR) << path; }
    ~NcFile() { nc_close(id_); }
    int var(const std::string& name) const {
        int v = -1;
        EXPECT_EQ(nc_inq_varid(id_, name.c_str(), &v), NC_NOERR) << name;
        return v;
    }
    std::string text(const std::string& variable, const char* attribute) const {
        const int v = var(variable);
        size_t n = 0;
        if (nc_inq_attlen(id_, v, attribute, &n) != NC_NOERR) return "<none>";
        std::string s(n, '\0');
        nc_get_att_text(id_, v, attribute, s.data());
        return s;
    }
    std::vector<float> floats(const std::string& name, std::size_t n) const {
        std::vector<float> v(n);
        EXPECT_EQ(nc_get_var_float(id_, var(name), v.data()), NC_NOERR) << name;
        return v;
    }
    std::size_t dim(const char* name) const {
        int d = -1;
        size_t n = 0;
        EXPECT_EQ(nc_inq_dimid(id_, name, &d), NC_NOERR);
        nc_inq_dimlen(id_, d, &n);
        return n;
    }

private:
    int id_ = -1;
};

TEST_F(VornsumDay, NetcdfNamesEveryVariableWithTheDictionarysNameLongNameAndUnits) {
    TempDir out;
    const SumRun r = vornsumRun({*root_, "--output", out.file("day")});
    ASSERT_EQ(r.status, 0) << r.err;
    NcFile nc(out.file("day.summary.nc"));
    const std::size_t n = day_->scenes.size();
    ASSERT_EQ(nc.dim("time"), n);
    EXPECT_EQ(nc.text("time", "units"), "seconds since 2015-04-17 00:00:00");
    struct Expected {
        const char* name;
        const char* longName;
        const char* units;
    };
    const Expected expected[] = {
        {"longwaveWindowRadiance985_990", "Mean sky view radiance averaged over 985-990 cm-1", "mW/(m2 sr cm-1)"},
        {"longwaveWindowAirTemp985_990", "Brightness temperature of the mean sky view radiance over 985-990 cm-1", "K"},
        {"skyViewStdDevRadiance675_680", "Standard deviation of the sky view radiance over 675-680 cm-1", "mW/(m2 sr cm-1)"},
        {"HBBviewStdDevRadiance700_705", "Standard deviation of the hot blackbody view radiance over 700-705 cm-1", "mW/(m2 sr cm-1)"},
        {"skyViewImaginaryRadiance985_990", "Mean imaginary part of the calibrated sky view radiance over 985-990 cm-1", "mW/(m2 sr cm-1)"},
        {"responsivityMean", "Mean of the instrument responsivity", "counts/(mW/(m2 sr cm-1))"},
        {"calibrationHBBtemp", "Hot blackbody temperature used in calibration", "K"},
    };
    for (const Expected& e : expected) {
        EXPECT_EQ(nc.text(e.name, "long_name"), e.longName) << e.name;
        EXPECT_EQ(nc.text(e.name, "units"), e.units) << e.name;
    }
    for (std::size_t k = 0; k < day_->fields.size(); ++k) {
        const std::string& name = day_->fields[k].name;
        const std::vector<float> v = nc.floats(name, n);
        for (std::size_t j = 0; j < n; ++j) {
            const float want = day_->scenes[j].values[k];
            EXPECT_TRUE(v[j] == want || (std::isnan(v[j]) && std::isnan(want))) << name << " " << j;
        }
    }
    const std::string csv = testsupport::readFile(out.file("day.summary.csv"));
    EXPECT_EQ(csv.substr(0, csv.find('\n')).rfind("record,time,dateYYMMDD,timeHHMMSS,sceneMirrorPosition,missingDataFlag,", 0), 0U);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), static_cast<long>(n + 1));
}

TEST_F(VornsumDay, FailedWriteLeavesThePreviousFilesWholeAndNoTemporaryFile) {
    TempDir out;
    const std::string stem = out.file("day");
    ASSERT_EQ(vornsumRun({*root_, "--output", stem}).status, 0);
    const vornsum::SummaryFiles files = vornsum::summaryFiles(stem);
    const std::string before = testsupport::readFile(files.netcdf);
    // Files may grow to 4 KiB only: the netCDF file cannot be completed.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SumRun r = vornsumRun({*root_, "--output", stem});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("vornsum: cannot write " + files.netcdf + ": ", 0), 0U) << r.err;
    EXPECT_EQ(testsupport::readFile(files.netcdf), before);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out.path())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"day.quicklook.html", "day.summary.csv", "day.summary.nc"}));
}

TEST_F(VornsumDay, DamagedProductsAreNamedAndTheRestOfTheDayIsSummarised) {
    struct Case {
        const char* what;
        void (*damage)(const std::string& root, const vornsim::DayPlan& plan);
        std::string message;  // with ROOT for the products' root name
    };
    const std::string root = plan_->files.root;
    const int scenes = static_cast<int>(plan_->scenes.size());
    const Case cases[] = {
        {"imaginary part cut short",
         [](const std::string& r, const vornsim::DayPlan&) {
             fs::resize_file(r + ".IMC", fs::file_size(r + ".IMC") - 100);
         },
         root + ".IMC ends after record " + std::to_string(scenes - 1) + ": the imaginary-part fields of record " +
             std::to_string(scenes) + " are missing"},
        {"responsivity of another grid",
         [](const std::string& r, const vornsim::DayPlan& plan) {
             vornsim::DayOptions o = plan.options;
             o.points = 700;
             TempDir other;
             vornsim::DayPlan p = vornsim::planDay(o);
             vornsim::writeDay(p, other.path().string());
             ASSERT_EQ(testsupport::runProgram(VORNCALV_BINARY, p.answers(), other.path()).exitStatus, 0);
             fs::copy_file(other.file(p.files.root + ".RES"), r + ".RES", fs::copy_options::overwrite_existing);
         },
         root + ".RES is on another grid (700 points 520-1800 cm-1) than " + root +
             ".RLC (1500 points 520-1800 cm-1): the responsivity fields are missing"},
        {"variance product without the scenes' records",
         [](const std::string& r, const vornsim::DayPlan& plan) {
             vornsim::DayOptions o = plan.options;
             o.startSeconds += 3600;  // the same day an hour later: no time matches
             TempDir other;
             vornsim::DayPlan p = vornsim::planDay(o);
             vornsim::writeDay(p, other.path().string());
             ASSERT_EQ(testsupport::runProgram(VORNCALV_BINARY, p.answers(), other.path()).exitStatus, 0);
             fs::copy_file(other.file(p.files.root + ".CVS"), r + ".CVS", fs::copy_options::overwrite_existing);
         },
         root + ".CVS has no variance record of the scenes at " + root +
             ".RLC records 1, 2, 3, 4, 5 and 10 more: their standard deviations are missing"},
    };
    for (const Case& c : cases) {
        TempDir copy;
        const std::string products = copyProducts(copy);
        c.damage(products, *plan_);
        const SumRun r = vornsumRun({products + ".RLC"});
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.err, "vornsum: " + c.message + "\n") << c.what;
        const DaySummary day = vornsum::summariseDay(vornsum::findProducts(products));
        ASSERT_EQ(day.scenes.size(), plan_->scenes.size()) << c.what;
        // The radiance fields of every scene are there still.
        const int window = day.fieldIndex(vornsum::standardBands()[2].radiance);
        for (std::size_t j = 0; j < day.scenes.size(); ++j)
            EXPECT_EQ(std::isfinite(day.scenes[j].values[static_cast<std::size_t>(window)]), !plan_->scenes[j].missing)
                << c.what << " " << j;
    }
}

TEST(VornsumCommandLine, BadCommandLinesAndAbsentDays) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::string tryHelp = "Try 'vornsum --help' for more information.\n";
    const Case cases[] = {
        {{}, 2, "vornsum: no day given (the root of its products or its .RLC file)\n" + tryHelp},
        {{"a", "b"}, 2, "vornsum: only one day at a time: 'b' follows 'a'\n" + tryHelp},
        {{"a", "--output"}, 2, "vornsum: option '--output' needs a value\n" + tryHelp},
        {{"a", "--colour"}, 2, "vornsum: unknown option '--colour'\n" + tryHelp},
        {{"/nonexistent/day"}, 1, "vornsum: no radiance product: cannot find /nonexistent/day.RLC\n"},
    };
    for (const Case& c : cases) {
        const SumRun r = vornsumRun(c.args);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(vornsumRun({"--version"}).out, "vornsum 1.0.1 (2015-04-17)\n");
    EXPECT_EQ(vornsumRun({"--help"}).out, vornsum::usageText());
}

TEST(VornsumBands, BrightnessTemperatureInvertsTheCalibrationsPlanckFunction) {
    for (double wavenumber : {677.5, 987.5, 2512.5})
        for (double t : {180.0, 250.0, 290.0, 333.0}) {
            const std::optional<double> back = vornsum::brightnessTemperature(wavenumber, util::wnplanDouble(wavenumber, t));
            ASSERT_TRUE(back.has_value());
            EXPECT_NEAR(*back, t, 1e-9 * t) << wavenumber;
        }
    EXPECT_FALSE(vornsum::brightnessTemperature(987.5, 0.0).has_value());
    EXPECT_FALSE(vornsum::brightnessTemperature(987.5, -1.0).has_value());
    EXPECT_FALSE(vornsum::brightnessTemperature(987.5, NAN).has_value());
}

TEST(VornsumBands, BandPointsAreTheGridPointsWithinABandWhollyOnTheGrid) {
    const std::vector<double> grid = {670, 675, 677.5, 680, 682};
    const vornsum::PointRange inside = vornsum::bandPoints(grid, 675, 680);
    EXPECT_EQ(inside.first, 1U);
    EXPECT_EQ(inside.last, 4U);
    EXPECT_TRUE(vornsum::bandPoints(grid, 668, 673).empty());    // cut by the grid's start
    EXPECT_TRUE(vornsum::bandPoints(grid, 985, 990).empty());    // beyond it
    const std::vector<float> values = {1, NAN, 3, INFINITY, 9};
    EXPECT_EQ(vornsum::finiteMean(values, inside), 3.0);
    EXPECT_FALSE(vornsum::finiteMean({NAN, NAN}, {0, 2}).has_value());
}

// The part of the page from a panel's <svg> to its end.
std::string panelSvg(const std::string& html, const std::string& id) {
    const std::size_t start = html.find("<svg id=\"" + id + "\"");
    if (start == std::string::npos) return {};
    return html.substr(start, html.find("</svg>", start) - start);
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(VornsumDay, QuicklookIsSelfContainedAndMarksTheMissingSceneOnEveryTimeAxis) {
    const std::string html = vornsum::quicklookHtml(*day_);
    for (const char* outside : {"<script", "src=", "href=", "@import", "url("})
        EXPECT_EQ(html.find(outside), std::string::npos) << outside;
    const auto missing = static_cast<std::size_t>(day_->missingScenes());
    ASSERT_GE(missing, 1U);
    for (const std::string& id : vornsum::quicklookPanels()) {
        const std::string svg = panelSvg(html, id);
        ASSERT_FALSE(svg.empty()) << id;
        EXPECT_EQ(occurrences(svg, "class=\"missing\""), id == "panel-spectrum" ? 0U : missing) << id;
        EXPECT_GE(occurrences(svg, "class=\"line\""), 1U) << id;
    }
    EXPECT_EQ(occurrences(panelSvg(html, "panel-brightness"), "class=\"line\""), 3U);  // the channel-1 bands
}

// The quicklook page opened from disk by headless Chromium: no console message, every
// panel's SVG in the page it rendered, a screenshot at 1280 pixels kept in the build tree.
TEST_F(VornsumDay, QuicklookLoadsInABrowserWithEveryPanel) {
    const char* chromium = "/usr/bin/chromium";
    if (!fs::exists(chromium)) GTEST_SKIP() << "chromium (Debian package chromium) is not installed";
    TempDir out;
    ASSERT_EQ(vornsumRun({*root_, "--output", out.file("day")}).status, 0);
    const std::string page = "file://" + out.file("day.quicklook.html");
    const std::string shot = std::string(TOOLS_BINARY_DIR) + "/vornsum_quicklook.png";
    const std::vector<std::string> common = {"--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                                             "--enable-logging=stderr", "--v=0", "--window-size=1280,1900",
                                             "--user-data-dir=" + out.file("profile")};
    std::vector<std::string> dom = common;
    dom.insert(dom.end(), {"--dump-dom", page});
    const testsupport::ProgramResult rendered = testsupport::runProgram(chromium, "", out.path(), dom, 120);
    ASSERT_EQ(rendered.exitStatus, 0) << rendered.err;
    EXPECT_EQ(rendered.err.find(":CONSOLE"), std::string::npos) << rendered.err;
    for (const std::string& id : vornsum::quicklookPanels())
        EXPECT_NE(rendered.out.find("<svg id=\"" + id + "\""), std::string::npos) << id;
    EXPECT_EQ(rendered.out.find("<script"), std::string::npos);
    std::vector<std::string> screenshot = common;
    fs::remove(shot);
    screenshot.insert(screenshot.end(), {"--screenshot=" + shot, page});
    const testsupport::ProgramResult taken = testsupport::runProgram(chromium, "", out.path(), screenshot, 120);
    ASSERT_EQ(taken.exitStatus, 0) << taken.err;
    EXPECT_GT(fs::file_size(shot), 10000U);
}

}  // namespace
