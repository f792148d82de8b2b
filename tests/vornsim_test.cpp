// vornsim: the planned day (set layout, times, header values, temperatures, missing
// records and the outputs they spoil), the files written and read back through the
// library, the command line, and calibration runs of the built vorncalv against the truth.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>

#include "libutil/console.h"
#include "libutil/logmsg.h"
#include "ravlio/fields.h"
#include "ravlio/platform.h"
#include "ravlio/ravlio.h"
#include "simlib/compare.h"
#include "simlib/dayplan.h"
#include "simlib/daywriter.h"
#include "simlib/instrument.h"
#include "simlib/liveplay.h"
#include "simlib/simcli.h"
#include "support/runprogram.h"
#include "support/tempdir.h"
#include "vorncalv/cmdline.h"

namespace {

using testsupport::ProgramResult;
using testsupport::readFile;
using testsupport::runProgram;
using testsupport::TempDir;
using vornsim::DayOptions;
using vornsim::DayPlan;
using vornsim::planDay;

DayOptions smallDay(int sets = 3, int points = 64) {
    DayOptions o;
    o.sets = sets;
    o.points = points;
    return o;
}

std::string toolPath(const std::string& name) { return std::string(TOOLS_BINARY_DIR) + "/" + name; }

// The usage error a command line gives (empty when it parses).
std::string usageError(const std::vector<std::string>& args) {
    try {
        vornsim::parseArguments(args);
    } catch (const vornsim::UsageError& e) {
        return e.what();
    }
    return "";
}

// Runs the built vorncalv on the day in dir with the day's answers.
ProgramResult calibrate(const TempDir& dir, const DayPlan& day) {
    return runProgram(VORNCALV_BINARY, day.answers(), dir.path(), {}, 120);
}

std::string lastLine(const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.back() == '\n') t.pop_back();
    const std::size_t nl = t.rfind('\n');
    return nl == std::string::npos ? t : t.substr(nl + 1);
}

// An open data file, closed at the end of the scope.
struct Opened {
    explicit Opened(const std::string& path) : f(ZARFopenFileReadable(path.c_str())) {}
    ~Opened() {
        if (f != nullptr) ZARFcloseFile(f);
    }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;
    ZARFFILE* f;
};

std::vector<float> readValues(ZARFFILE* f, int column, int record) {
    EXPECT_NE(ZARFselectData(f, 2, column), 0);
    const int n = ZARFreadRecordSize(f, record);
    std::vector<float> v(static_cast<std::size_t>(std::max(n, 0)));
    EXPECT_EQ(ZARFreadDepValues(f, record, v.data(), n), n);
    return v;
}

// ---- The planned day ----------------------------------------------------------------------

TEST(VornsimPlan, SetsHoldHotAmbientAndFourSkyViewsPlusOneClosingSet) {
    const DayPlan day = planDay(smallDay(3));
    EXPECT_EQ(day.blackbodiesPerSet, 2);
    EXPECT_EQ(day.scenesPerSet, 4);
    ASSERT_EQ(day.recordCount(), 4 * 6);
    std::string views;
    for (const vornsim::ViewRecord& r : day.records) views += r.view;
    EXPECT_EQ(views, "HAZZZSHAZZZSHAZZZSHAZZZS");
    ASSERT_EQ(day.scenes.size(), 12U);
    EXPECT_EQ(day.scenes[0].inputRecord, 3);
    EXPECT_EQ(day.scenes[4].inputRecord, 9);
    EXPECT_EQ(day.scenes[11].inputRecord, 18);
}

TEST(VornsimPlan, RecordsAreTwoMinutesApartFromSixInTheMorning) {
    const DayPlan day = planDay(smallDay(3));
    EXPECT_EQ(day.record(1).hhmmss, 60000.0F);
    EXPECT_EQ(day.record(2).hhmmss, 60200.0F);
    EXPECT_EQ(day.record(24).hhmmss, 64600.0F);  // 23 x 2 minutes later
    EXPECT_FLOAT_EQ(day.record(2).hours, 6.0F + 2.0F / 60.0F);
    EXPECT_EQ(day.record(1).date, 150417.0F);
}

TEST(VornsimPlan, LongDayPassesMidnightWithTheNextDate) {
    DayOptions o = smallDay(100, 16);
    const DayPlan day = planDay(o);
    // Record 541 is 540 x 2 minutes = 18 hours after 06:00.
    EXPECT_EQ(day.record(541).hhmmss, 0.0F);
    EXPECT_EQ(day.record(541).date, 150418.0F);
    EXPECT_EQ(day.record(540).hhmmss, 235800.0F);
    EXPECT_EQ(day.record(540).date, 150417.0F);
}

TEST(VornsimPlan, LateStartCrossesMidnightWithTheDriftCountedFromTheStart) {
    DayOptions o = smallDay(2);
    o.startSeconds = 23 * 3600 + 58 * 60;
    const DayPlan day = planDay(o);
    EXPECT_EQ(day.record(1).hhmmss, 235800.0F);
    EXPECT_EQ(day.record(2).hhmmss, 0.0F);
    EXPECT_EQ(day.record(2).date, 150418.0F);
    EXPECT_EQ(temperaturesAt(o, o.startSeconds).hot, temperaturesAt(smallDay(2), 6 * 3600).hot);
    o.startSeconds = 86400;
    try {
        planDay(o);
        ADD_FAILURE() << "a start time of 24:00:00 was taken";
    } catch (const vornsim::OptionError& e) {
        EXPECT_STREQ(e.what(), "the start time must lie between 00:00:00 and 23:59:59");
    }
}

TEST(VornsimPlan, HeaderValuesOfViews) {
    const DayPlan day = planDay(smallDay(3));
    EXPECT_EQ(day.record(1).coadds, 23.0F);
    EXPECT_EQ(day.record(2).coadds, 23.0F);
    EXPECT_EQ(day.record(3).coadds, 45.0F);
    EXPECT_EQ(day.record(1).channel, 1.0F);
    for (const vornsim::ViewRecord& r : day.records) {
        EXPECT_GE(r.drift, -4.0F);
        EXPECT_LE(r.drift, 4.0F);
        EXPECT_EQ(r.drift, std::floor(r.drift));
    }
    DayOptions two = smallDay(3);
    two.channel = 2;
    EXPECT_EQ(planDay(two).record(5).channel, 2.0F);
}

TEST(VornsimPlan, ThermistorsReduceWithTheParameterWeightsToTheCavityTemperatures) {
    const DayPlan day = planDay(smallDay(3));
    for (int r : {1, 7, 20}) {
        const vornsim::ViewRecord& v = day.record(r);
        const vornsim::Temperatures t = vornsim::temperaturesAt(day.options, v.seconds);
        const float ambient = v.temps[0] * 0.0945F + v.temps[1] * 0.811F + v.temps[2] * 0.0945F;
        const float hot = v.temps[3] * 0.0945F + v.temps[4] * 0.811F + v.temps[5] * 0.0945F;
        EXPECT_NEAR(ambient, t.ambient, 1e-4);
        EXPECT_NEAR(hot, t.hot, 1e-4);
        EXPECT_NEAR(v.temps[6], t.support, 1e-4);
        // A spread below 1 K: no thermistor warning.
        EXPECT_LT(std::fabs(v.temps[0] - v.temps[2]), 1.0F);
        EXPECT_LT(std::fabs(v.temps[3] - v.temps[5]), 1.0F);
    }
}

TEST(VornsimPlan, DriftIsLinearInTime) {
    DayOptions o = smallDay(3);
    o.driftPerHour = 1.5;
    const DayPlan day = planDay(o);
    const double first = day.record(1).temps[1];
    // Record 16 is 30 minutes after record 1.
    EXPECT_NEAR(day.record(16).temps[1] - first, 0.75, 1e-4);
    EXPECT_NEAR(day.record(16).temps[4] - day.record(1).temps[4], 0.75, 1e-4);
    EXPECT_NEAR(day.scenes[0].coldTemp - 293.15, 1.5 * 4.0 / 60.0, 1e-9);
}

TEST(VornsimPlan, RawSpectrumIsResponsivityTimesRadiancePlusOffset) {
    const DayPlan day = planDay(smallDay(2, 16));
    for (int r : {1, 2, 3}) {
        const std::vector<std::complex<float>> raw = day.raw(r);
        const std::vector<float>& l = day.radiance[static_cast<std::size_t>(r - 1)];
        for (std::size_t i = 0; i < raw.size(); ++i) {
            const std::complex<double> want =
                day.instrument.responsivity[i] * (static_cast<double>(l[i]) + day.instrument.offset[i]);
            EXPECT_NEAR(raw[i].real(), want.real(), 1e-6 * std::abs(want));
            EXPECT_NEAR(raw[i].imag(), want.imag(), 1e-6 * std::abs(want));
        }
    }
}

TEST(VornsimPlan, BlackbodyViewsSeeTheCavityWithReflectedSurroundings) {
    const DayPlan day = planDay(smallDay(2, 16));
    const vornsim::Temperatures t = vornsim::temperaturesAt(day.options, day.record(1).seconds);
    for (std::size_t i = 0; i < day.grid.size(); ++i) {
        const double e = day.cavity[i];
        const double want = vornsim::planck(day.grid[i], t.hot) * e + (1.0 - e) * vornsim::planck(day.grid[i], t.support);
        EXPECT_NEAR(day.radiance[0][i], want, 1e-6 * want);
        EXPECT_GT(e, 0.99);
        EXPECT_LT(e, 1.0);
    }
}

TEST(VornsimPlan, SkyStaysBelowTheHotBlackbodyAndAboveZero) {
    for (int channel : {1, 2}) {
        DayOptions o = smallDay(6, 400);
        o.channel = channel;
        const DayPlan day = planDay(o);
        for (const vornsim::SceneTruth& s : day.scenes) {
            if (s.missing) continue;
            const vornsim::Temperatures t = vornsim::temperaturesAt(day.options, 0);
            for (std::size_t i = 0; i < day.grid.size(); ++i) {
                EXPECT_GT(s.radiance[i], 0.0F);
                EXPECT_LT(s.radiance[i], vornsim::planck(day.grid[i], t.hot));
            }
        }
    }
}

TEST(VornsimPlan, CavityEmissivityFollowsTheModelOfThePaint) {
    EXPECT_EQ(vornsim::cavityEmissivity(1.0F, 12.79F), 1.0F);
    EXPECT_NEAR(vornsim::cavityEmissivity(0.9F, 12.79F), 0.99139F, 1e-5);
}

TEST(VornsimPlan, PlanckAtAThousandWavenumbersAndThreeHundredKelvin) {
    EXPECT_NEAR(vornsim::planck(1000.0, 300.0), 99.24, 0.01);
}

TEST(VornsimPlan, ChannelGridsAndPointCount) {
    DayOptions o = smallDay(1, 0);
    DayPlan one = planDay(o);
    EXPECT_EQ(one.grid.size(), 2655U);
    EXPECT_EQ(one.grid.front(), 520.0);
    EXPECT_EQ(one.grid.back(), 1800.0);
    o.channel = 2;
    DayPlan two = planDay(o);
    EXPECT_EQ(two.grid.size(), 2531U);
    EXPECT_EQ(two.grid.front(), 1800.0);
    EXPECT_EQ(two.grid.back(), 3020.0);
    EXPECT_EQ(two.files.input, "150417C2.UVS");
    EXPECT_EQ(two.files.upstreamStatus, "MOBLEX.STA");
    o.points = 2;
    EXPECT_EQ(planDay(o).grid.size(), 2U);
}

TEST(VornsimPlan, TheSameSeedGivesTheSameDayAndAnotherSeedAnotherSky) {
    DayOptions o = smallDay(2, 32);
    const DayPlan a = planDay(o);
    const DayPlan b = planDay(o);
    o.seed = 2;
    const DayPlan c = planDay(o);
    EXPECT_EQ(a.radiance, b.radiance);
    EXPECT_NE(a.radiance[2], c.radiance[2]);
    EXPECT_EQ(a.radiance[0], c.radiance[0]);  // the blackbodies do not depend on the seed
}

double largestDeparture(const DayPlan& day) {
    double worst = 0.0;
    for (const vornsim::SceneTruth& s : day.scenes) {
        if (s.missing) continue;
        double peak = 0.0;
        for (float v : s.radiance) peak = std::max(peak, static_cast<double>(v));
        for (std::size_t i = 0; i < s.radiance.size(); ++i)
            worst = std::max(worst, std::fabs(static_cast<double>(s.expected[i]) - s.radiance[i]) / peak);
    }
    return worst;
}

TEST(VornsimPlan, ExactCalibrationGivesTheSkyWhileTheBlackbodiesHoldStill) {
    DayOptions o = smallDay(3, 200);
    o.driftPerHour = 0.0;
    const DayPlan day = planDay(o);
    EXPECT_LT(largestDeparture(day), 1e-6);
    for (const vornsim::SceneTruth& s : day.scenes) {
        if (s.missing) continue;
        for (std::size_t i = 0; i < s.responsivity.size(); ++i)
            EXPECT_NEAR(s.responsivity[i], std::abs(day.instrument.responsivity[i]), 1e-5 * s.responsivity[i]);
    }
}

TEST(VornsimPlan, DriftingBlackbodiesMoveTheExactCalibrationOffTheSkyByTheInterpolationOnly) {
    DayOptions o = smallDay(3, 200);
    o.channel = 2;
    o.driftPerHour = 3.0;
    const double departure = largestDeparture(planDay(o));
    // The curvature of Planck's law over 0.6 K between hot views, at 3000 cm-1: about 1e-4.
    EXPECT_GT(departure, 1e-5);
    EXPECT_LT(departure, 1e-3);
}

// ---- Missing records and the outputs they spoil ------------------------------------------

TEST(VornsimMissing, FlaggedRecordsHaveNoSpectrumAndNoVariance) {
    const DayPlan day = planDay(smallDay(3, 16));
    EXPECT_TRUE(day.record(16).missing);
    EXPECT_FALSE(day.record(15).missing);
    for (const auto& c : day.raw(16)) EXPECT_TRUE(std::isnan(c.real()) && std::isnan(c.imag()));
    for (float v : day.rawVariance(16)) EXPECT_TRUE(std::isnan(v));
    for (const auto& c : day.raw(15)) EXPECT_TRUE(std::isfinite(c.real()) && std::isfinite(c.imag()));
}

TEST(VornsimMissing, DefaultDaySpoilsOneSceneAndTheSetsAroundAMissingAmbientView) {
    const DayPlan day = planDay(DayOptions{});
    EXPECT_TRUE(day.record(16).missing);
    EXPECT_TRUE(day.record(38).missing);
    EXPECT_EQ(day.record(38).view, 'A');
    EXPECT_EQ(day.missingOutputs(), 9);
    EXPECT_EQ(day.scenes[9].reason, "scene record missing");  // input record 16
    EXPECT_EQ(day.scenes[9].inputRecord, 16);
    for (int j = 21; j <= 24; ++j)
        EXPECT_EQ(day.scenes[static_cast<std::size_t>(j - 1)].reason, "no hot or no ambient view after the scene");
    for (int j = 25; j <= 28; ++j)
        EXPECT_EQ(day.scenes[static_cast<std::size_t>(j - 1)].reason, "no hot or no ambient view before the scene");
    EXPECT_FALSE(day.scenes[19].missing);
    EXPECT_FALSE(day.scenes[28].missing);
}

TEST(VornsimMissing, DefaultsBeyondAShortDayAreDropped) {
    const DayPlan day = planDay(smallDay(2, 16));  // records 1-18: only 16 is in the day
    int flagged = 0;
    for (const vornsim::ViewRecord& r : day.records) flagged += r.missing ? 1 : 0;
    EXPECT_EQ(flagged, 1);
}

TEST(VornsimMissing, AMissingFirstSceneLeavesTheRestOfItsSet) {
    DayOptions o = smallDay(3, 16);
    o.missing = std::vector<int>{3};
    const DayPlan day = planDay(o);
    EXPECT_EQ(day.missingOutputs(), 1);
    EXPECT_TRUE(day.scenes[0].missing);
}

TEST(VornsimMissing, AMissingHotViewSpoilsTheSetBeforeAndItsOwn) {
    DayOptions o = smallDay(4, 16);
    o.missing = std::vector<int>{13};  // the hot view of set 3
    const DayPlan day = planDay(o);
    EXPECT_EQ(day.missingOutputs(), 8);
    EXPECT_FALSE(day.scenes[3].missing);
    EXPECT_TRUE(day.scenes[4].missing);
    EXPECT_TRUE(day.scenes[11].missing);
    EXPECT_FALSE(day.scenes[12].missing);
}

// ---- Files written ------------------------------------------------------------------------

TEST(VornsimFiles, InputRecordsCarryTheFifteenHeaderFieldsAndTwoColumns) {
    TempDir dir;
    const DayPlan day = planDay(smallDay(2, 32));
    vornsim::writeDay(day, dir.path().string());
    Opened in(dir.file("150417C1.UVS"));
    ASSERT_NE(in.f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(in.f), 18);
    EXPECT_EQ(ZARFqueryMaxDataCount(in.f), 2);
    std::vector<int> ids = vornsim::inputHeaderIds();
    std::vector<float> values(ids.size());
    EXPECT_EQ(ZARFreadRealMetadata(in.f, 3, ids.data(), 15, values.data()), 15);
    const vornsim::ViewRecord& r = day.record(3);
    const std::vector<float> want = {150417.0F, 60400.0F, 90.0F, r.temps[0], r.temps[1], r.temps[2], r.temps[3],
                                     r.temps[4], r.temps[5], r.temps[6], 1.0F, 0.0F, 45.0F, r.hours, r.drift};
    EXPECT_EQ(values, want);
    const std::vector<std::complex<float>> raw = day.raw(3);
    const std::vector<float> re = readValues(in.f, 1, 3);
    const std::vector<float> im = readValues(in.f, 2, 3);
    ASSERT_EQ(re.size(), 32U);
    for (std::size_t i = 0; i < 32; ++i) {
        EXPECT_EQ(re[i], raw[i].real());
        EXPECT_EQ(im[i], raw[i].imag());
    }
    // Site and housekeeping fields beside them: unit, latitude, scene-mirror encoder.
    std::vector<int> site = {FIELD_VORNunitNumber, FIELD_Latitude, FIELD_sceneMirPosEncoder};
    std::vector<float> siteValues(3);
    EXPECT_EQ(ZARFreadRealMetadata(in.f, 3, site.data(), 3, siteValues.data()), 3);
    EXPECT_EQ(siteValues, (std::vector<float>{1.0F, 52.21F, 12288.0F + r.drift}));
    std::vector<int> flag = {FIELD_missingDataFlag};
    float missing = 0.0F;
    ZARFreadRealMetadata(in.f, 16, flag.data(), 1, &missing);
    EXPECT_EQ(missing, 1.0F);
}

TEST(VornsimFiles, VarianceAndForwardFilesMatchTheInputRecordForRecord) {
    TempDir dir;
    const DayPlan day = planDay(smallDay(2, 32));
    vornsim::writeDay(day, dir.path().string());
    Opened var(dir.file("150417C1.VAR"));
    Opened fwd(dir.file("150417F1.UVS"));
    ASSERT_NE(var.f, nullptr);
    ASSERT_NE(fwd.f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(var.f), 18);
    EXPECT_EQ(ZARFreadRecordCount(fwd.f), 18);
    EXPECT_EQ(ZARFqueryMaxDataCount(var.f), 1);
    std::vector<int> ids = {FIELD_coadditionsCount, FIELD_missingDataFlag, FIELD_sceneMirrorPosition};
    std::vector<float> values(3);
    EXPECT_EQ(ZARFreadRealMetadata(var.f, 1, ids.data(), 3, values.data()), 3);
    EXPECT_EQ(values, (std::vector<float>{23.0F, 0.0F, 72.0F}));
    EXPECT_EQ(readValues(var.f, 1, 4), day.rawVariance(4));
    const std::vector<std::complex<float>> forward = day.forwardRaw(4);
    const std::vector<std::complex<float>> combined = day.raw(4);
    const std::vector<float> re = readValues(fwd.f, 1, 4);
    for (std::size_t i = 0; i < forward.size(); ++i) {
        EXPECT_EQ(re[i], forward[i].real());
        EXPECT_NEAR(std::abs(forward[i]), std::abs(combined[i]), 1e-6 * std::abs(combined[i]));
        EXPECT_NE(forward[i], combined[i]);
    }
}

TEST(VornsimFiles, TruthHoldsOneRecordPerOutputWithMissingOnesFlagged) {
    TempDir dir;
    const DayPlan day = planDay(smallDay(3, 32));
    vornsim::writeDay(day, dir.path().string());
    Opened truth(dir.file("TRUTH.RGD"));
    ASSERT_NE(truth.f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(truth.f), 12);
    EXPECT_EQ(ZARFqueryMaxDataCount(truth.f), 4);
    std::vector<int> ids = vornsim::truthHeaderIds();
    std::vector<float> values(ids.size());
    ZARFreadRealMetadata(truth.f, 10, ids.data(), static_cast<int>(ids.size()), values.data());
    EXPECT_EQ(values[3], 1.0F);
    EXPECT_TRUE(std::isnan(values[4]));
    for (float v : readValues(truth.f, 1, 10)) EXPECT_TRUE(std::isnan(v));
    ids = vornsim::truthHeaderIds();
    ZARFreadRealMetadata(truth.f, 1, ids.data(), static_cast<int>(ids.size()), values.data());
    EXPECT_EQ(values[0], 60400.0F);
    EXPECT_EQ(values[3], 0.0F);
    EXPECT_EQ(values[7], 90.0F);  // calibratedSceneID: "Z"
    EXPECT_EQ(readValues(truth.f, 1, 1), day.scenes[0].radiance);
    EXPECT_EQ(readValues(truth.f, 2, 1), day.scenes[0].expected);
    EXPECT_EQ(readValues(truth.f, 3, 1), day.scenes[0].responsivity);
    EXPECT_EQ(readValues(truth.f, 4, 1), day.scenes[0].variance);
    const std::string csv = readFile(dir.file("TRUTH.CSV"));
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "record,inputRecord,scene,timeHHMMSS,missing,reason,ambientTemp,coldTemp,hotTemp");
    EXPECT_NE(csv.find("\n10,16,Z,063000,1,scene record missing,"), std::string::npos);
}

TEST(VornsimFiles, TextFilesOfTheRun) {
    TempDir dir;
    const DayPlan day = planDay(smallDay(2, 32));
    vornsim::writeDay(day, dir.path().string());
    EXPECT_EQ(readFile(dir.file("ANSWERS.TXT")),
              "150417C1.UVS\n150417F1.UVS\n150417C1\nY\n150417C1.VAR\nVORNCALV.SIP\nSCENEMIR.POS\nBBPAINT.EMI\nQUINT.STA\n");
    EXPECT_EQ(readFile(dir.file("QUINT.STA")), "150417C1.UVS" + std::string(63, ' ') + "   18");
    const std::string mirror = readFile(dir.file("SCENEMIR.POS"));
    EXPECT_EQ(mirror.substr(0, mirror.find('\n')), "12 0");
    EXPECT_EQ(std::count(mirror.begin(), mirror.end(), '\n'), 25);
    const std::string sip = readFile(dir.file("VORNCALV.SIP"));
    EXPECT_NE(sip.find("\nlastSceneNumber(NLSCN):= 2\n"), std::string::npos);
    const std::string paint = readFile(dir.file("BBPAINT.EMI"));
    EXPECT_EQ(paint.substr(0, paint.find('\n')), "Blackbody paint emissivity (vornsim synthetic day)");
    EXPECT_EQ(std::count(paint.begin(), paint.end(), '\n'), 1 + static_cast<long>(day.paintWavenumbers.size()));
}

TEST(VornsimFiles, RewritingADayReplacesItsFilesAndEarlierOutputs) {
    TempDir dir;
    vornsim::writeDay(planDay(smallDay(3, 16)), dir.path().string());
    testsupport::writeFile(dir.file("150417C1.RLC"), "left over");
    vornsim::writeDay(planDay(smallDay(1, 16)), dir.path().string());
    EXPECT_FALSE(std::filesystem::exists(dir.file("150417C1.RLC")));
    Opened in(dir.file("150417C1.UVS"));
    EXPECT_EQ(ZARFreadRecordCount(in.f), 12);
}

TEST(VornsimFiles, UnwritableDirectoryIsReported) {
    TempDir dir;
    testsupport::writeFile(dir.file("plain"), "x");
    try {
        vornsim::writeDay(planDay(smallDay(1, 8)), dir.file("plain"));
        FAIL() << "no error";
    } catch (const vornsim::WriteError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("cannot create directory " + dir.file("plain") + ": ", 0), 0U);
    }
}

// ---- Command line -------------------------------------------------------------------------

TEST(VornsimOptions, ValuesAreTaken) {
    const vornsim::Options o = vornsim::parseArguments(
        {"--dir", "d", "--channel", "2", "--sets=7", "--points", "100", "--drift", "-1.5", "--missing", "5-7,40", "--seed", "9"});
    EXPECT_EQ(o.mode, vornsim::Mode::Write);
    EXPECT_EQ(o.dir, "d");
    EXPECT_EQ(o.day.channel, 2);
    EXPECT_EQ(o.day.sets, 7);
    EXPECT_EQ(o.day.points, 100);
    EXPECT_EQ(o.day.driftPerHour, -1.5);
    EXPECT_EQ(o.day.missing, (std::vector<int>{5, 6, 7, 40}));
    EXPECT_EQ(o.day.seed, 9U);
    EXPECT_EQ(vornsim::parseArguments({"--compare", "x"}).mode, vornsim::Mode::Compare);
    const vornsim::Options live = vornsim::parseArguments({"--live", "d", "--interval", "250", "--sets", "2"});
    EXPECT_EQ(live.mode, vornsim::Mode::Live);
    EXPECT_EQ(live.intervalMs, 250);
    EXPECT_EQ(live.day.sets, 2);
    EXPECT_EQ(vornsim::parseArguments({"--live", "d"}).intervalMs, 2000);
    EXPECT_EQ(vornsim::parseArguments({"--dir", "d", "--missing", "none"}).day.missing, std::vector<int>{});
    EXPECT_EQ(vornsim::parseArguments({"--dir", "d", "--help"}).mode, vornsim::Mode::Help);
}

TEST(VornsimOptions, BadCommandLinesAreRefusedWithTheReason) {
    EXPECT_EQ(usageError({}), "no directory given (--dir DIR, --live DIR or --compare DIR)");
    EXPECT_EQ(usageError({"--dir"}), "option '--dir' needs a directory");
    EXPECT_EQ(usageError({"--dir", "d", "--sets"}), "option '--sets' needs a whole number");
    EXPECT_EQ(usageError({"--dir", "d", "--channel", "3"}), "the channel must be 1 or 2");
    EXPECT_EQ(usageError({"--dir", "d", "--sets", "0"}), "the number of sets must be between 1 and 100");
    EXPECT_EQ(usageError({"--dir", "d", "--sets", "101"}), "the number of sets must be between 1 and 100");
    EXPECT_EQ(usageError({"--dir", "d", "--sets", "abc"}), "option '--sets' needs a whole number, not 'abc'");
    EXPECT_EQ(usageError({"--dir", "d", "--points", "9001"}), "the number of points must be between 2 and 9000");
    EXPECT_EQ(usageError({"--dir", "d", "--points", "1"}), "the number of points must be between 2 and 9000");
    EXPECT_EQ(usageError({"--dir", "d", "--points", "0"}), "the number of points must be between 2 and 9000");
    EXPECT_EQ(usageError({"--dir", "d", "--drift", "3.5"}), "the drift must lie between -3.0 and 3.0 K per hour");
    EXPECT_EQ(usageError({"--dir", "d", "--drift", "nan"}), "option '--drift' needs a number, not 'nan'");
    EXPECT_EQ(usageError({"--dir", "d", "--missing", "7-5"}), "bad record list '7-5': range 7-5 runs backwards");
    EXPECT_EQ(usageError({"--dir", "d", "--missing", "3,,4"}),
              "bad record list '3,,4': record numbers are whole numbers from 1");
    EXPECT_EQ(usageError({"--dir", "d", "--missing", "127"}), "missing record 127 is not in the day (records 1 to 126)");
    EXPECT_EQ(usageError({"--dir", "d", "--seed", "-1"}), "the seed must not be negative");
    EXPECT_EQ(usageError({"--dir", "d", "--sets", "2", "--sets", "3"}), "option '--sets' is given twice");
    EXPECT_EQ(usageError({"--dir", "d", "--compare", "e"}), "give one of --dir, --live and --compare, once");
    EXPECT_EQ(usageError({"--live", "d", "--dir", "e"}), "give one of --dir, --live and --compare, once");
    EXPECT_EQ(usageError({"--dir", "d", "--interval", "5"}), "option '--interval' applies only to --live");
    EXPECT_EQ(usageError({"--live", "d", "--interval", "-1"}), "the interval must be between 0 and 3600000 milliseconds");
    EXPECT_EQ(usageError({"--live", "d", "--interval", "3600001"}),
              "the interval must be between 0 and 3600000 milliseconds");
    EXPECT_EQ(usageError({"--live", "d", "--interval"}), "option '--interval' needs a number of milliseconds");
    EXPECT_EQ(usageError({"--compare", "e", "--sets", "3"}), "--compare takes no other option");
    EXPECT_EQ(usageError({"--dir", "d", "--colour"}), "unknown option '--colour'");
    EXPECT_EQ(usageError({"--dir", "d", "extra"}), "unexpected argument 'extra'");
    EXPECT_EQ(usageError({"--dir", ""}), "the directory name is empty");
}

TEST(VornsimOptions, UsageErrorExitsWithTwoAndAPointerToHelp) {
    std::ostringstream out, err;
    EXPECT_EQ(vornsim::runVornsim({"--dir", "d", "--channel", "0"}, out, err), vornsim::ExitUsage);
    EXPECT_EQ(err.str(), "vornsim: the channel must be 1 or 2\nTry 'vornsim --help' for more information.\n");
    EXPECT_EQ(out.str(), "");
}

TEST(VornsimOptions, HelpPrintsTheUsage) {
    std::ostringstream out, err;
    EXPECT_EQ(vornsim::runVornsim({"--help"}, out, err), vornsim::ExitOk);
    EXPECT_EQ(out.str(), vornsim::usageText());
    EXPECT_EQ(err.str(), "");
}

TEST(VornsimCompare, DirectoryWithoutADayIsReported) {
    TempDir dir;
    std::ostringstream out, err;
    EXPECT_EQ(vornsim::runVornsim({"--compare", dir.path().string()}, out, err), vornsim::ExitFailure);
    EXPECT_EQ(err.str(), "vornsim: cannot read " + dir.file("ANSWERS.TXT") + " (is this a day written by vornsim?)\n");
}

TEST(VornsimCompare, UncalibratedDayDoesNotMatch) {
    TempDir dir;
    vornsim::writeDay(planDay(smallDay(1, 16)), dir.path().string());
    const vornsim::Comparison c = vornsim::compareDay(dir.path().string());
    EXPECT_FALSE(c.matches());
    EXPECT_FALSE(c.stopSeen);
    ASSERT_GE(c.problems.size(), 2U);
    EXPECT_EQ(c.problems[0], "the log " + dir.file("150417C1.LOG") + " does not end with the end-of-run summary");
    EXPECT_EQ(c.problems[1], "150417C1.RLC was not written");
}

// ---- Calibration runs ---------------------------------------------------------------------

TEST(VornsimEndToEnd, CalibratedRadianceMatchesTheTruthToSinglePrecision) {
    TempDir dir;
    DayOptions o = smallDay(3, 128);
    o.driftPerHour = 1.0;
    const DayPlan day = planDay(o);
    vornsim::writeDay(day, dir.path().string());
    const ProgramResult run = calibrate(dir, day);
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(lastLine(run.err), "STOP *** END VORNCALV.EXE ***");

    Opened rlc(dir.file("150417C1.RLC"));
    ASSERT_NE(rlc.f, nullptr);
    ASSERT_EQ(ZARFreadRecordCount(rlc.f), 12);
    for (int j = 1; j <= 12; ++j) {
        const vornsim::SceneTruth& s = day.scenes[static_cast<std::size_t>(j - 1)];
        const std::vector<float> cal = readValues(rlc.f, 1, j);
        ASSERT_EQ(cal.size(), 128U);
        float peak = 0.0F;
        for (float v : s.radiance) peak = std::max(peak, v);
        for (std::size_t i = 0; i < cal.size(); ++i) {
            if (s.missing) EXPECT_TRUE(std::isnan(cal[i]));
            else EXPECT_NEAR(cal[i], s.expected[i], 1e-5F * peak) << "record " << j << " point " << i;
        }
    }
    EXPECT_TRUE(std::filesystem::exists(dir.file("150417C1.CVS")));
    Opened cvs(dir.file("150417C1.CVS"));
    ASSERT_NE(cvs.f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(cvs.f), 18);  // the variance of every input record of sets 1-3
    const std::vector<float> variance = readValues(cvs.f, 1, 3);
    for (std::size_t i = 0; i < variance.size(); ++i)
        EXPECT_NEAR(variance[i], day.scenes[0].variance[i], 1e-4F * day.scenes[0].variance[i]);

    const vornsim::Comparison c = vornsim::compareDay(dir.path().string());
    EXPECT_TRUE(c.matches()) << c.problems.front();
    EXPECT_EQ(c.compared, 11);
    EXPECT_EQ(c.truthMissing, 1);
    EXPECT_TRUE(c.stopSeen);
}

TEST(VornsimEndToEnd, RealTimeRunFindsEveryRecordCountedByTheUpstreamStatusFile) {
    TempDir dir;
    const DayPlan day = planDay(smallDay(2, 32));
    vornsim::writeDay(day, dir.path().string());
    std::string answers = day.answers();
    answers.replace(answers.find("\nY\n"), 3, "\nN\n");  // real-time mode: waits for what is not counted
    const ProgramResult run = runProgram(VORNCALV_BINARY, answers, dir.path(), {}, 60);
    ASSERT_TRUE(run.exited) << "the run waited for a record the status file does not count";
    EXPECT_EQ(lastLine(run.err), "STOP *** END VORNCALV.EXE ***");
    EXPECT_EQ(run.out.find("Waiting for"), std::string::npos);
    EXPECT_TRUE(vornsim::compareDay(dir.path().string()).matches());
    const std::string status = readFile(dir.file("150417C1.STC"));
    EXPECT_EQ(status.substr(0, 80), "VORNCALV -- LAST SCENE CALIBRATED:" + std::string(41, ' ') + "    8");
}

TEST(VornsimEndToEnd, ToolWritesCalibratesAndComparesAChannelTwoDay) {
    TempDir dir;
    const std::string day = dir.file("day");
    const ProgramResult made =
        runProgram(toolPath("vornsim"), "", dir.path(), {"--dir", day, "--channel", "2", "--sets", "2", "--points", "64"});
    ASSERT_TRUE(made.exited);
    EXPECT_EQ(made.exitStatus, 0) << made.err;
    EXPECT_EQ(made.out.substr(0, made.out.find('\n')), "vornsim: wrote a synthetic channel 2 day into " + day);
    const ProgramResult run = runProgram(VORNCALV_BINARY, readFile(day + "/ANSWERS.TXT"), day, {}, 120);
    EXPECT_EQ(lastLine(run.err), "STOP *** END VORNCALV.EXE ***");
    EXPECT_TRUE(std::filesystem::exists(day + "/CAVEMIS2.MLT"));
    const ProgramResult compared = runProgram(toolPath("vornsim"), "", dir.path(), {"--compare", day});
    ASSERT_TRUE(compared.exited);
    EXPECT_EQ(compared.exitStatus, 0) << compared.out;
    EXPECT_EQ(lastLine(compared.out), "  result: the calibrated day matches the truth");
}

TEST(VornsimEndToEnd, ComparisonCatchesACalibrationOfAnotherSky) {
    TempDir a;
    TempDir b;
    DayOptions o = smallDay(2, 64);
    const DayPlan day = planDay(o);
    vornsim::writeDay(day, a.path().string());
    o.seed = 5;
    vornsim::writeDay(planDay(o), b.path().string());
    calibrate(a, day);
    std::filesystem::copy_file(b.file("TRUTH.RGD"), a.file("TRUTH.RGD"), std::filesystem::copy_options::overwrite_existing);
    const vornsim::Comparison c = vornsim::compareDay(a.path().string());
    EXPECT_FALSE(c.matches());
    EXPECT_GT(c.radianceError, vornsim::RadianceLimit);
    std::ostringstream out;
    vornsim::printComparison(c, out);
    EXPECT_NE(out.str().find("  result: MISMATCH\n"), std::string::npos);
}

TEST(VornsimEndToEnd, ComparisonCatchesRecordsMissingOnOneSideOnly) {
    TempDir a;
    TempDir b;
    DayOptions o = smallDay(3, 32);
    const DayPlan day = planDay(o);  // input record 16 (output record 10) missing
    vornsim::writeDay(day, a.path().string());
    o.missing = std::vector<int>{};
    vornsim::writeDay(planDay(o), b.path().string());
    calibrate(a, day);
    for (const char* name : {"TRUTH.RGD", "TRUTH.CSV"})
        std::filesystem::copy_file(b.file(name), a.file(name), std::filesystem::copy_options::overwrite_existing);
    const vornsim::Comparison c = vornsim::compareDay(a.path().string());
    EXPECT_EQ(c.missingDisagreements, std::vector<int>{10});
    ASSERT_EQ(c.problems.size(), 1U);
    EXPECT_EQ(c.problems[0], "records missing in one of radiance and truth only: 10");
}

TEST(VornsimEndToEnd, ComparisonCatchesARunThatStoppedEarly) {
    TempDir dir;
    const DayPlan day = planDay(smallDay(3, 32));
    vornsim::writeDay(day, dir.path().string());
    // A parameter file that asks for one set more than the input can close.
    std::string sip = readFile(dir.file("VORNCALV.SIP"));
    sip.replace(sip.find("lastSceneNumber(NLSCN):= 3"), 26, "lastSceneNumber(NLSCN):= 4");
    testsupport::writeFile(dir.file("VORNCALV.SIP"), sip);
    calibrate(dir, day);
    const vornsim::Comparison c = vornsim::compareDay(dir.path().string());
    EXPECT_FALSE(c.stopSeen);
    EXPECT_FALSE(c.matches());
    EXPECT_EQ(c.problems[0], "the log " + dir.file("150417C1.LOG") + " does not end with the end-of-run summary");
}

// ---- Playing the upstream program ----------------------------------------------------------

// The sleep of the in-process calibration run: a millisecond of real time whatever it asks
// for, so that it polls the live day quickly; counts the waits.
std::atomic<int> calibrationWaits{0};
void shortSleep(int) {
    ++calibrationWaits;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Every file a calibration run writes, by name, with the creation times in the history
// blocks of its RGD files replaced by x's (the one part that differs between runs).
std::map<std::string, std::string> calibrationOutputs(const TempDir& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("150417C1", 0) != 0 || name.ends_with(".UVS") || name.ends_with(".VAR")) continue;
        if (name.ends_with(".LOG") || name.ends_with(".STC")) continue;  // the run's own record, not a product
        std::string bytes = readFile(entry.path().string());
        const std::string mark = "# time of creation ";
        for (std::size_t at = bytes.find(mark); at != std::string::npos; at = bytes.find(mark, at + 1))
            for (std::size_t i = at + mark.size(); i < bytes.size() && bytes[i] != '\r'; ++i) bytes[i] = 'x';
        files[name] = bytes;
    }
    files["CAVEMIS1.MLT"] = readFile(dir.file("CAVEMIS1.MLT"));
    return files;
}

TEST(VornsimLive, RealTimeRunFollowingTheLiveDayWritesWhatABatchRunWrites) {
    TempDir dir;
    const DayPlan day = planDay(smallDay(2, 40));
    // The upstream program: a record every 10 ms (180 ms for the day's 18 records).
    testsupport::BackgroundProgram upstream(toolPath("vornsim"), "", dir.path(),
                                            {"--live", ".", "--sets", "2", "--points", "40", "--interval", "10"}, 60);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (upstream.out().find("follow it:") == std::string::npos && !upstream.finished() &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_NE(upstream.out().find("follow it: cd . && vorncalv < REALTIME.TXT\n"), std::string::npos) << upstream.err();
    EXPECT_EQ(readFile(dir.file("REALTIME.TXT")), vornsim::realTimeAnswers(day));

    // vorncalv in real-time mode, in this process so that its waits take a millisecond.
    calibrationWaits = 0;
    const RAVLIOSleepFunction realSleep = RAVLIOsetSleepFunction(shortSleep);
    int status = -1;
    std::ostringstream console, stops;
    {
        testsupport::InDirectory cwd(dir.path());
        util::ConsoleRedirect redirect(std::cin, console);
        status = vorncalv::runVorncalv({"--input", "150417C1.UVS", "--source", "150417F1.UVS", "--root", "150417C1",
                                        "--batch=no", "--variance", "150417C1.VAR", "--params", "VORNCALV.SIP",
                                        "--mirrors", "SCENEMIR.POS", "--paint", "BBPAINT.EMI", "--upstream",
                                        "QUINT.STA", "--quiet"},
                                       console, stops);
        util::logmsgReset();
    }
    RAVLIOsetSleepFunction(realSleep);
    const testsupport::ProgramResult played = upstream.wait();
    EXPECT_EQ(status, 0) << stops.str();
    EXPECT_EQ(stops.str(), "STOP *** END VORNCALV.EXE ***\n");
    EXPECT_GT(calibrationWaits.load(), 0) << "the run never waited for the upstream program";
    ASSERT_TRUE(played.exited);
    EXPECT_EQ(played.exitStatus, 0) << played.err;
    EXPECT_EQ(lastLine(played.out), "vornsim: the day is complete; compare the calibration with vornsim --compare .");
    EXPECT_EQ(readFile(dir.file("QUINT.STA")), vornsim::liveStatusText(day, 18));
    EXPECT_EQ(vornsim::liveStatusText(day, 18).substr(80, 80), "150417F1.UVS" + std::string(63, ' ') + "   18");

    // The same day calibrated in batch mode over the finished files.
    const std::map<std::string, std::string> followed = calibrationOutputs(dir);
    for (const auto& [name, bytes] : followed) std::filesystem::remove(dir.file(name));
    std::filesystem::remove(dir.file("150417C1.STC"));
    std::filesystem::remove(dir.file("150417C1.LOG"));
    const ProgramResult batch = calibrate(dir, day);
    EXPECT_EQ(lastLine(batch.err), "STOP *** END VORNCALV.EXE ***");
    const std::map<std::string, std::string> reference = calibrationOutputs(dir);
    EXPECT_EQ(followed.size(), 6U);  // RLC, IMC, RES, CVS, LVF and the cavity emissivity
    for (const auto& [name, bytes] : reference) {
        SCOPED_TRACE(name);
        ASSERT_EQ(followed.count(name), 1U);
        EXPECT_TRUE(followed.at(name) == bytes) << "the real-time product differs from the batch one";
    }
    EXPECT_TRUE(vornsim::compareDay(dir.path().string()).matches());
}

}  // namespace
