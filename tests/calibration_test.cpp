// Radiometric calibration of one scene: interpolation, radiance, imaginary part, responsivity.
#include "vorncalv/calibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <string>
#include <vector>

#include "libutil/wnplan.h"
#include "support/logcapture.h"
#include "vorncalv/single.h"

namespace {

using vorncalv::BBTemps;
using vorncalv::CalibrationStores;
using vorncalv::CalStatus;
using vorncalv::PointCal;
using vorncalv::SceneIdent;
using vorncalv::ViewTimes;
using Cx = std::complex<float>;

// Cold 290 K, hot 330 K, surroundings 295 K.
const BBTemps TEMPS{290.0F, 330.0F, 295.0F, 0.0F};

// Blackbody radiance with emissivity e and reflected surroundings, in 64 bits.
double radiance(double wn, float T, double e, float Tamb) {
    return static_cast<double>(util::wnplan(wn, T)) * e +
           (1.0 - e) * static_cast<double>(util::wnplan(wn, Tamb));
}

double relativeError(double got, double want) { return std::fabs(got - want) / std::fabs(want); }

TEST(Calibration, StoresHoldNineThousandPoints) {
    const CalibrationStores cs;
    EXPECT_EQ(cs.SCNSPM.size(), 9000U);
    EXPECT_EQ(cs.RATIO.size(), 9000U);
    EXPECT_EQ(cs.SPRL.size(), 9000U);
    EXPECT_EQ(cs.RESP.size(), 9000U);
}

TEST(Calibration, ComplexRatioHasSinglePrecisionAccuracy) {
    const Cx cases[][2] = {{{3.0F, -2.0F}, {0.5F, 4.0F}},
                           {{1e-30F, 2e-30F}, {3e-30F, -1e-30F}},
                           {{3e30F, 1e30F}, {2e30F, 2e30F}},
                           {{-7.25F, 0.0F}, {0.0F, 1e-20F}}};
    for (const auto& c : cases) {
        const std::complex<double> want =
            std::complex<double>(c[0]) / std::complex<double>(c[1]);
        const Cx got = vorncalv::complexRatio(c[0], c[1]);
        EXPECT_LE(std::abs(std::complex<double>(got) - want), 1.2e-7 * std::abs(want));
    }
}

TEST(Calibration, ComplexRatioOverZeroIsZero) {
    EXPECT_EQ(vorncalv::complexRatio({5.0F, -1.0F}, {0.0F, 0.0F}), Cx(0.0F, 0.0F));
    EXPECT_EQ(vorncalv::complexRatio({5.0F, -1.0F}, {-0.0F, 0.0F}), Cx(0.0F, 0.0F));
}

TEST(Calibration, ResultsBeyondSinglePrecisionRangeBecomeInfinite) {
    EXPECT_EQ(vorncalv::complexRatio({3e38F, -3e38F}, {1e-30F, 0.0F}),
              Cx(std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()));
    EXPECT_EQ(vorncalv::toSingle(static_cast<double>(std::numeric_limits<float>::max())),
              std::numeric_limits<float>::max());
    EXPECT_TRUE(std::isnan(vorncalv::toSingle(std::nan(""))));
}

TEST(Calibration, HalfwaySceneGetsEqualWeights) {
    const ViewTimes t{43230, 43200, 43260, 43210, 43250, 60.0F, 40.0F};
    const auto w = vorncalv::interpWeights(t);
    EXPECT_EQ(w.WT1H, 0.5F);
    EXPECT_EQ(w.WT2H, 0.5F);
    EXPECT_EQ(w.WT1C, 0.5F);
    EXPECT_EQ(w.WT2C, 0.5F);
    const ViewTimes q{43215, 43200, 43260, 43200, 43260, 60.0F, 60.0F};
    EXPECT_EQ(vorncalv::interpWeights(q).WT1H, 0.75F);
    EXPECT_EQ(vorncalv::interpWeights(q).WT2C, 0.25F);
}

class Stage1 : public ::testing::Test {
protected:
    Stage1() {
        cs.AVGHBS[0] = {10.0F, 2.0F};
        cs.CXSPMH[0] = {14.0F, 4.0F};
        cs.AVGCBS[0] = {2.0F, 1.0F};
        cs.CXSPMC[0] = {4.0F, 1.0F};
        cs.SCNSPM[0] = {9.0F, 2.5F};
        cs.AVGHBS[1] = cs.CXSPMH[1] = cs.AVGCBS[1] = cs.CXSPMC[1] = {1.5F, -0.5F};
        cs.SCNSPM[1] = {3.0F, 3.0F};
        cs.RATIO[0] = cs.RATIO[1] = cs.RATIO[2] = {-7.0F, -7.0F};
    }
    CalStatus run(int NPTS, const ViewTimes& t) {
        return vorncalv::calibrationStage1(cs, NPTS, t, SceneIdent{12, '1', 120005.0F}, cap.unit(),
                                           cap.name());
    }

    testsupport::LogCapture cap;
    CalibrationStores cs;
    // Scene halfway between the hot and between the cold views.
    ViewTimes halfway{43230, 43200, 43260, 43210, 43250, 60.0F, 40.0F};
};

TEST_F(Stage1, InterpolatesViewsAndFormsTheRatio) {
    ASSERT_EQ(run(2, halfway), CalStatus::OK);
    EXPECT_EQ(cs.HOTINT[0], Cx(12.0F, 3.0F));
    EXPECT_EQ(cs.CLDINT[0], Cx(3.0F, 1.0F));
    EXPECT_EQ(cs.CXSHMC[0], Cx(9.0F, 2.0F));
    EXPECT_EQ(cs.CXSSMC[0], Cx(6.0F, 1.5F));
    const std::complex<double> want = std::complex<double>(6.0, 1.5) / std::complex<double>(9.0, 2.0);
    EXPECT_FLOAT_EQ(cs.RATIO[0].real(), static_cast<float>(want.real()));
    EXPECT_FLOAT_EQ(cs.RATIO[0].imag(), static_cast<float>(want.imag()));
    // Equal hot and cold: zero difference, zero ratio.
    EXPECT_EQ(cs.CXSHMC[1], Cx(0.0F, 0.0F));
    EXPECT_EQ(cs.RATIO[1], Cx(0.0F, 0.0F));
    // Points beyond NPTS are left alone; the views stay as read.
    EXPECT_EQ(cs.RATIO[2], Cx(-7.0F, -7.0F));
    EXPECT_EQ(cs.AVGHBS[0], Cx(10.0F, 2.0F));
    EXPECT_EQ(cs.CXSPMC[0], Cx(4.0F, 1.0F));
}

TEST_F(Stage1, ReportsTheSceneOnConsoleAndLog) {
    ASSERT_EQ(run(2, halfway), CalStatus::OK);
    const std::string lines =
        " CALIBRATING SCENE, REC.NO.    12\n"
        "      SCENE IDENTIFIER   : 1\n"
        "      SCENE TIME (HHMMSS): 120005.\n";
    EXPECT_EQ(cap.console(), lines);
    EXPECT_EQ(cap.log(), lines);
}

TEST_F(Stage1, ViewsAtTheSameSecondAreReportedNotCalibrated) {
    ViewTimes t = halfway;
    t.NSECH = t.MSECH = 43230;
    t.DELTH = 0.0F;
    EXPECT_EQ(run(2, t), CalStatus::ZERO_TIME_SPAN);
    const std::string line =
        " ABORT SCENE -- ZERO BB TIME SPAN, REC.NO.    12 DELTH,DELTC=     0.    40.\n";
    EXPECT_EQ(cap.console(), line);
    EXPECT_EQ(cap.log(), line);
    EXPECT_EQ(cs.RATIO[0], Cx(-7.0F, -7.0F));
}

TEST_F(Stage1, ColdViewsAtTheSameSecondAreReportedToo) {
    ViewTimes t = halfway;
    t.DELTC = 0.0F;
    EXPECT_EQ(run(2, t), CalStatus::ZERO_TIME_SPAN);
    EXPECT_EQ(cap.log(),
              " ABORT SCENE -- ZERO BB TIME SPAN, REC.NO.    12 DELTH,DELTC=    60.     0.\n");
    ViewTimes n = halfway;
    n.DELTH = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(run(2, n), CalStatus::ZERO_TIME_SPAN);
}

TEST_F(Stage1, RefusesMoreThanNineThousandPoints) {
    EXPECT_EQ(run(9001, halfway), CalStatus::BAD_POINT_COUNT);
    EXPECT_EQ(run(-1, halfway), CalStatus::BAD_POINT_COUNT);
    EXPECT_EQ(cap.log(),
              " ABORT SCENE -- POINT COUNT OUT OF RANGE, NPTS=       9001\n"
              " ABORT SCENE -- POINT COUNT OUT OF RANGE, NPTS=         -1\n");
    EXPECT_EQ(cs.RATIO[0], Cx(-7.0F, -7.0F));
    EXPECT_EQ(run(9000, halfway), CalStatus::OK);
}

PointCal point(double wn, Cx ratio, float RATFAC = 1.5F, char MPCOLD = 'A', float BBEI = 0.99F) {
    return vorncalv::calibratePoint(wn, BBEI, ratio, Cx(3.0F, 4.0F), TEMPS, RATFAC, MPCOLD);
}

TEST(Calibration, BlackbodyRadiancesIncludeReflectedSurroundings) {
    const PointCal p = point(1000.0, Cx(0.5F, 0.0F));
    EXPECT_FLOAT_EQ(p.RA, util::wnplan(1000.0, 295.0F));
    EXPECT_FLOAT_EQ(p.RHBB, static_cast<float>(radiance(1000.0, 330.0F, 0.99, 295.0F)));
    EXPECT_FLOAT_EQ(p.RCBB, static_cast<float>(radiance(1000.0, 290.0F, 0.99, 295.0F)));
    EXPECT_FLOAT_EQ(p.RHMC, p.RHBB - p.RCBB);
}

TEST(Calibration, RatioOneGivesHotAndZeroGivesColdRadiance) {
    const PointCal hot = point(1000.0, Cx(1.0F, 0.0F));
    EXPECT_FLOAT_EQ(hot.SPRL, hot.RHBB);
    const PointCal cold = point(1000.0, Cx(0.0F, 0.0F));
    EXPECT_EQ(cold.SPRL, cold.RCBB);
}

TEST(Calibration, RatioAboveOneIsReplacedBelow2387Only) {
    const PointCal low = point(1000.0, Cx(1.2F, 0.1F));
    EXPECT_EQ(low.RPR, 0.0F);
    EXPECT_EQ(low.SPRL, low.RCBB);
    EXPECT_FLOAT_EQ(low.SPIM, 0.1F * low.RHMC);  // the imaginary part is not tested
    const PointCal high = point(2500.0, Cx(1.2F, 0.0F));
    EXPECT_EQ(high.RPR, 1.2F);
    EXPECT_FLOAT_EQ(high.SPRL, 1.2F * high.RHMC + high.RCBB);
    const PointCal edge = point(2387.0, Cx(1.2F, 0.0F));
    EXPECT_EQ(edge.RPR, 0.0F);
}

TEST(Calibration, RatioOfExactlyOnePassesTheTest) {
    EXPECT_EQ(point(1000.0, Cx(1.0F, 0.0F)).RPR, 1.0F);
}

TEST(Calibration, RatioTestIsOffWithZeroFactor) {
    EXPECT_EQ(point(1000.0, Cx(1.2F, 0.0F), 0.0F).RPR, 1.2F);
    EXPECT_EQ(point(1000.0, Cx(-500.0F, 0.0F), 0.0F).RPR, -500.0F);
}

TEST(Calibration, LowerBoundOfTheRatioTest) {
    EXPECT_EQ(vorncalv::ratioLowerBound(1.5F, 100.0F, 0.05F), -1.5F);
    EXPECT_EQ(vorncalv::ratioLowerBound(1.5F, 100.0F, 0.1F), -1.5F);
    EXPECT_EQ(vorncalv::ratioLowerBound(1.5F, 100.0F, 10.0F), -15.0F);
}

TEST(Calibration, RatioBelowTheLowerBoundGivesColdRadiance) {
    const PointCal ok = point(1000.0, Cx(0.0F, 0.0F));
    const float RLO = ok.RLO;
    EXPECT_FLOAT_EQ(RLO, -1.5F * ok.RCBB / ok.RHMC);
    EXPECT_EQ(point(1000.0, Cx(RLO * 1.01F, 0.0F)).SPRL, ok.RCBB);
    EXPECT_EQ(point(1000.0, Cx(RLO * 0.99F, 0.0F)).RPR, RLO * 0.99F);
}

TEST(Calibration, PointsAtOrBelowTenthOfAWavenumberCarryNothing) {
    for (double wn : {0.1, 0.05, 0.0, -3.0}) {
        const PointCal p = point(wn, Cx(0.5F, 0.3F));
        EXPECT_EQ(p.SPRL, 0.0F) << wn;
        EXPECT_EQ(p.SPIM, 0.0F) << wn;
        EXPECT_EQ(p.RESP, 1.0F) << wn;
        EXPECT_EQ(p.RLO, -1.5F) << wn;
    }
    EXPECT_GT(point(0.2, Cx(0.5F, 0.3F)).RHBB, 0.0F);
}

TEST(Calibration, NonAmbientColdViewUsesFixedEmissivity) {
    const BBTemps ln2{77.4F, 330.0F, 295.0F, 0.0F};
    const PointCal p = vorncalv::calibratePoint(1000.0, 0.9F, Cx(0.0F, 0.0F), Cx(1.0F, 0.0F), ln2,
                                                1.5F, 'C');
    EXPECT_FLOAT_EQ(p.RCBB, static_cast<float>(radiance(1000.0, 77.4F, 0.987F, 295.0F)));
    EXPECT_FLOAT_EQ(p.RHBB, static_cast<float>(radiance(1000.0, 330.0F, 0.9, 295.0F)));
}

TEST(Calibration, ResponsivityIsAmplitudeOverRadianceDifference) {
    const PointCal p = point(1000.0, Cx(0.5F, 0.0F));
    EXPECT_FLOAT_EQ(p.RESP, 5.0F / p.RHMC);
    const BBTemps reversed{330.0F, 290.0F, 295.0F, 0.0F};
    const PointCal r = vorncalv::calibratePoint(1000.0, 0.99F, Cx(0.5F, 0.0F), Cx(3.0F, 4.0F),
                                                reversed, 1.5F, 'A');
    EXPECT_LT(r.RHMC, 0.0F);
    EXPECT_EQ(r.RESP, 1.0F);
}

// A synthetic instrument: every view v records raw = R(t) x (L + offset) with a complex
// responsivity R drifting linearly in time and a complex instrument offset.
struct Instrument {
    std::vector<double> XIN;
    std::vector<float> BBEI;
    Cx R(std::size_t i, double t) const {
        const double wn = XIN[i];
        return Cx(static_cast<float>(2.0e3 * (1.0 + 1e-4 * t) * (1.0 + wn / 4000.0)),
                  static_cast<float>(-0.7e3 * (1.0 - 2e-4 * t) * (wn / 3000.0)));
    }
    Cx offset(std::size_t i) const {
        return Cx(static_cast<float>(0.2 * util::wnplan(XIN[i], 280.0F)), 0.05F);
    }
    Cx raw(std::size_t i, double t, double L) const {
        return R(i, t) * (Cx(static_cast<float>(L), 0.0F) + offset(i));
    }
};

TEST(Calibration, SyntheticSceneCalibratesBackToItsRadiance) {
    testsupport::LogCapture cap;
    Instrument inst;
    const int NPTS = 601;
    for (int i = 0; i < NPTS; ++i) {
        inst.XIN.push_back(500.0 + 5.0 * i);
        inst.BBEI.push_back(0.995F - 0.00001F * static_cast<float>(i));
    }
    // Hot and cold views 40 s before and 120 s after the scene (weights 0.75 and 0.25).
    const ViewTimes t{40, 0, 160, 0, 160, 160.0F, 160.0F};
    CalibrationStores cs;
    std::vector<double> L(NPTS);
    for (std::size_t i = 0; i < static_cast<std::size_t>(NPTS); ++i) {
        const double wn = inst.XIN[i];
        const double e = inst.BBEI[i];
        const double Lh = radiance(wn, TEMPS.TH, e, TEMPS.TAMB);
        const double Lc = radiance(wn, TEMPS.TC, e, TEMPS.TAMB);
        L[i] = util::wnplan(wn, 265.0F);  // a sky colder than the ambient blackbody
        cs.AVGHBS[i] = inst.raw(i, 0.0, Lh);
        cs.CXSPMH[i] = inst.raw(i, 160.0, Lh);
        cs.AVGCBS[i] = inst.raw(i, 0.0, Lc);
        cs.CXSPMC[i] = inst.raw(i, 160.0, Lc);
        cs.SCNSPM[i] = inst.raw(i, 40.0, L[i]);
    }
    ASSERT_EQ(vorncalv::calibrationStage1(cs, NPTS, t, SceneIdent{7, '1', 0.0F}, cap.unit(),
                                          cap.name()),
              CalStatus::OK);
    ASSERT_EQ(vorncalv::calibrationStage2(cs, NPTS, inst.XIN, inst.BBEI, TEMPS, 1.5F, 'A',
                                          cap.unit(), cap.name()),
              CalStatus::OK);
    for (std::size_t i = 0; i < static_cast<std::size_t>(NPTS); ++i) {
        const double wn = inst.XIN[i];
        const double Lh = radiance(wn, TEMPS.TH, inst.BBEI[i], TEMPS.TAMB);
        // Single precision of the blackbody spectra, carried through the differences.
        EXPECT_LE(std::fabs(cs.SPRL[i] - L[i]), 2e-6 * Lh) << "wn " << wn;
        EXPECT_LE(std::fabs(cs.SPIM[i]), 2e-6 * Lh) << "wn " << wn;
        EXPECT_LE(relativeError(cs.RESP[i], std::abs(std::complex<double>(inst.R(i, 40.0)))), 1e-5)
            << "wn " << wn;
    }
}

TEST(Calibration, Stage2RefusesPointsBeyondGridOrEmissivity) {
    testsupport::LogCapture cap;
    CalibrationStores cs;
    cs.SPRL[0] = -3.0F;
    const std::vector<double> XIN(10, 1000.0);
    const std::vector<float> BBEI(9, 0.99F);
    EXPECT_EQ(vorncalv::calibrationStage2(cs, 10, XIN, BBEI, TEMPS, 1.5F, 'A', cap.unit(),
                                          cap.name()),
              CalStatus::BAD_POINT_COUNT);
    EXPECT_EQ(cap.log(), " ABORT SCENE -- POINT COUNT OUT OF RANGE, NPTS=         10\n");
    EXPECT_EQ(cs.SPRL[0], -3.0F);
    EXPECT_EQ(vorncalv::calibrationStage2(cs, 9, XIN, BBEI, TEMPS, 1.5F, 'A', cap.unit(),
                                          cap.name()),
              CalStatus::OK);
    EXPECT_EQ(cs.SPRL[0], point(1000.0, Cx(0.0F, 0.0F)).RCBB);
}

}  // namespace
