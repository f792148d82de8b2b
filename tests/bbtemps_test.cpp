// Blackbody temperatures of one scene: thermistor reduction and the fits in time.
#include "vorncalv/bbtemps.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "support/logcapture.h"

namespace {

using vorncalv::BBTemps;
using vorncalv::BBTempStatus;
using vorncalv::SeriesFits;
using vorncalv::TempRow;
using vorncalv::TempSettings;
using vorncalv::ThermistorReadings;
using vorncalv::ThermistorWarnings;
using vorncalv::ThermistorWeights;
using vorncalv::TimePoints;

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

class BBTempsTest : public ::testing::Test {
protected:
    TempRow reduce(const ThermistorReadings& T, const ThermistorWeights& W) {
        return vorncalv::reduceThermistors(T, W, warn, cap.unit(), cap.name());
    }

    testsupport::LogCapture cap;
    ThermistorWarnings warn;
    // Equal weights on every thermistor.
    ThermistorWeights thirds{1.0F / 3, 1.0F / 3, 1.0F / 3, 1.0F / 3, 1.0F / 3, 1.0F / 3};
};

// Readings with both blackbodies in order: ambient 300, hot 330, structure 295.
ThermistorReadings calm() { return {300.0F, 300.0F, 300.0F, 330.0F, 330.0F, 330.0F, 295.0F}; }

TEST_F(BBTempsTest, AmbientSpreadAboveOneKelvinWarnsOncePerRun) {
    ThermistorReadings T = calm();
    T.T4 = 300.0F;
    T.T5 = 301.5F;
    T.T6 = 300.2F;
    reduce(T, thirds);
    reduce(T, thirds);
    EXPECT_EQ(cap.log(),
              "WARNING -- bad Ambient BB thermistor!\n"
              "Temperature at \"Top\"   :  300.00\n"
              "Temperature at \"Apex\"  :  301.50\n"
              "Temperature at \"Bottom\":  300.20\n");
    EXPECT_EQ(warn.IWARNA, 0);
    EXPECT_EQ(warn.IWARNH, 1);
    EXPECT_EQ(cap.console(), "");
}

TEST_F(BBTempsTest, HotSpreadWarnsOnItsOwnFlag) {
    ThermistorReadings T = calm();
    T.T7 = 331.25F;
    T.T8 = 330.0F;
    T.T9 = 329.5F;
    warn.IWARNA = 0;
    reduce(T, thirds);
    T.T4 = 280.0F;  // the ambient warning was already given
    reduce(T, thirds);
    EXPECT_EQ(cap.log(),
              "WARNING -- bad Hot BB thermistor!\n"
              "Temperature at \"Top\"   :  331.25\n"
              "Temperature at \"Apex\"  :  330.00\n"
              "Temperature at \"Bottom\":  329.50\n");
    EXPECT_EQ(warn.IWARNH, 0);
}

TEST_F(BBTempsTest, SpreadOfExactlyOneKelvinIsNoWarning) {
    ThermistorReadings T = calm();
    T.T6 = 301.0F;
    T.T9 = 329.0F;
    reduce(T, thirds);
    EXPECT_EQ(cap.log(), "");
    EXPECT_EQ(warn.IWARNA, 1);
    EXPECT_EQ(warn.IWARNH, 1);
}

TEST_F(BBTempsTest, MissingApexWithZeroWeightGivesMeanOfTopAndBottom) {
    ThermistorReadings T = calm();
    T.T4 = 299.0F;
    T.T5 = -999.0F;
    T.T6 = 301.0F;
    const ThermistorWeights W{0.5F, 0.0F, 0.5F, 1.0F / 3, 1.0F / 3, 1.0F / 3};
    EXPECT_FLOAT_EQ(reduce(T, W)[0], 300.0F);
    // The spread still sees the missing reading.
    EXPECT_EQ(warn.IWARNA, 0);
    T.T5 = NaN;
    EXPECT_FLOAT_EQ(reduce(T, W)[0], 300.0F);
}

TEST_F(BBTempsTest, HotSumKeepsZeroWeightTerms) {
    ThermistorReadings T = calm();
    T.T8 = NaN;
    const ThermistorWeights W{1.0F / 3, 1.0F / 3, 1.0F / 3, 0.5F, 0.0F, 0.5F};
    EXPECT_TRUE(std::isnan(reduce(T, W)[1]));
    T.T8 = 330.0F;
    EXPECT_FLOAT_EQ(reduce(T, W)[1], 330.0F);
}

TEST_F(BBTempsTest, RecordReducesToAmbientHotAndStructure) {
    const ThermistorReadings T{299.0F, 300.0F, 301.0F, 329.0F, 330.0F, 331.0F, 296.5F};
    const ThermistorWeights W{0.25F, 0.5F, 0.25F, 0.5F, 0.25F, 0.25F};
    const TempRow row = reduce(T, W);
    EXPECT_FLOAT_EQ(row[0], 300.0F);
    EXPECT_FLOAT_EQ(row[1], 329.75F);
    EXPECT_EQ(row[2], 296.5F);
}

TEST(BBTemps, LargestOfTakesTheNextValueOverNaN) {
    EXPECT_EQ(vorncalv::largestOf(1.0F, 3.0F, 2.0F), 3.0F);
    EXPECT_EQ(vorncalv::largestOf(NaN, 2.0F, 1.0F), 2.0F);
    EXPECT_EQ(vorncalv::largestOf(1.0F, NaN, 3.0F), 3.0F);
    EXPECT_EQ(vorncalv::largestOf(1.0F, 5.0F, NaN), 5.0F);
}

TEST(BBTemps, ReadingsComeFromHeaderWordsFourToTen) {
    std::array<float, 15> HWDS{};
    for (std::size_t i = 0; i < HWDS.size(); ++i) HWDS[i] = static_cast<float>(i + 1);
    const ThermistorReadings T = vorncalv::thermistorReadings(HWDS);
    EXPECT_EQ(T.T4, 4.0F);
    EXPECT_EQ(T.T5, 5.0F);
    EXPECT_EQ(T.T9, 9.0F);
    EXPECT_EQ(T.T10, 10.0F);
    const std::array<float, 9> tooFew{};
    EXPECT_THROW(vorncalv::thermistorReadings(tooFew), std::invalid_argument);
}

TEST(BBTemps, TimePointTableRefusesTheTwentyFirstPoint) {
    TimePoints tp;
    for (int i = 0; i < vorncalv::MAXTIM; ++i) {
        EXPECT_TRUE(vorncalv::addTimePoint(tp, 120000 + i, 43200 + i, 1.0F, {1, 2, 3}));
    }
    EXPECT_FALSE(vorncalv::addTimePoint(tp, 999999, 99999, 5.0F, {7, 8, 9}));
    EXPECT_EQ(tp.NTIMES, 20);
    EXPECT_EQ(tp.IHMS[19], 120019);
    EXPECT_EQ(tp.ISECS[19], 43219);
    EXPECT_EQ(tp.TMT[19], (TempRow{1, 2, 3}));
}

// Time points 1..n with the given drifts.
TimePoints withDrifts(std::initializer_list<float> drifts) {
    TimePoints tp;
    for (float d : drifts) vorncalv::addTimePoint(tp, 120000, 43200, d, {300, 330, 295});
    return tp;
}

TEST_F(BBTempsTest, DriftBeyond900IsReportedOnce) {
    const TimePoints tp = withDrifts({3.0F, -950.0F, 2.0F});
    EXPECT_EQ(vorncalv::largestDrift(tp, cap.unit(), cap.name()), 950.0F);
    EXPECT_EQ(cap.log(), "MIRROR SAFED DURING SEQUENCE\n");
    EXPECT_EQ(cap.console(), " MIRROR SAFED DURING SEQUENCE\n");
}

TEST_F(BBTempsTest, DriftScanEndsAtTheFirstSafedPoint) {
    const TimePoints tp = withDrifts({3.0F, -950.0F, 2000.0F});
    EXPECT_EQ(vorncalv::largestDrift(tp, cap.unit(), cap.name()), 950.0F);
    EXPECT_EQ(cap.log(), "MIRROR SAFED DURING SEQUENCE\n");
}

TEST_F(BBTempsTest, SmallDriftsGiveTheirLargestMagnitudeQuietly) {
    const TimePoints tp = withDrifts({3.0F, -7.5F, 900.0F, 2.0F});
    EXPECT_EQ(vorncalv::largestDrift(tp, cap.unit(), cap.name()), 900.0F);
    EXPECT_EQ(cap.log(), "");
}

// Lines through 290 K (ambient), 330 K (hot) and 295 K (structure), flat in time.
SeriesFits flat() {
    SeriesFits fits;
    fits.TINT = {290.0F, 330.0F, 295.0F};
    fits.TSLP = {0.0F, 0.0F, 0.0F};
    return fits;
}

TEST(BBTemps, LiquidNitrogenColdViewUsesFixedTemperature) {
    SeriesFits fits = flat();
    fits.TINT[0] = 301.0F;
    const BBTemps t = vorncalv::evaluateTemps(fits, 43200, TempSettings{'C', 2.5F, 0.0F});
    EXPECT_EQ(t.TC, 77.4F);
    EXPECT_FLOAT_EQ(t.TH, 330.0F);
}

TEST(BBTemps, AmbientOffsetIsAddedToTheColdLine) {
    SeriesFits fits = flat();
    fits.TSLP[0] = 0.0001F;
    const BBTemps t = vorncalv::evaluateTemps(fits, 10000, TempSettings{'A', 0.25F, 0.0F});
    EXPECT_FLOAT_EQ(t.TC, 291.25F);
    EXPECT_FLOAT_EQ(t.TAMB, 295.0F);
}

TEST(BBTemps, HotOffsetAppliesInFullAtFortyKelvinDifference) {
    const BBTemps t = vorncalv::evaluateTemps(flat(), 43200, TempSettings{'A', 0.0F, -0.18864F});
    EXPECT_FLOAT_EQ(t.TC, 290.0F);
    EXPECT_FLOAT_EQ(t.TH, 330.0F - 0.18864F);
    EXPECT_NEAR(static_cast<double>(t.TH), 330.0 - 0.18864, 3e-5);
}

TEST(BBTemps, HotOffsetScalesWithTheDifference) {
    SeriesFits fits = flat();
    fits.TINT[1] = 310.0F;  // 20 K above cold: half the offset
    const BBTemps t = vorncalv::evaluateTemps(fits, 0, TempSettings{'A', 0.0F, -0.2F});
    EXPECT_FLOAT_EQ(t.TH, 309.9F);
}

TEST_F(BBTempsTest, FourOrFewerTimePointsAbortTheScene) {
    TimePoints tp = withDrifts({1.0F, 2.0F, 3.0F, 4.0F});
    tp.ISECS[0] = 5;
    const auto r = vorncalv::bbtemps(tp, 86280, TempSettings{}, vorncalv::ViewCounts{1, 1, 1, 0},
                                     cap.unit(), cap.name());
    EXPECT_EQ(r.status, BBTempStatus::INSUFFICIENT_DATA);
    EXPECT_EQ(cap.log(),
              "ABORTING JOB, INSUFFICIENT BB DATA\n"
              "NTIMES= 4\n"
              "NHB,NCB,NHF,NCF= 1 1 1 0\n");
    EXPECT_EQ(cap.console(), "");
    EXPECT_EQ(tp.ISECS[0], 5);  // no fit, no midnight shift
}

TEST_F(BBTempsTest, SceneTemperaturesAreFittedEvaluatedAndReported) {
    TimePoints tp;
    const int secs[] = {43210, 43150, 43170, 43250, 43270};
    // Steady temperatures, so the report shows them exactly.
    for (int s : secs) vorncalv::addTimePoint(tp, 120000, s, 0.0F, {290.0F, 330.0F, 295.0F});
    tp.ENDRFT[2] = -12.5F;
    const auto r = vorncalv::bbtemps(tp, 43150, TempSettings{'A', 0.0F, 0.0F},
                                     vorncalv::ViewCounts{1, 1, 1, 1}, cap.unit(), cap.name());
    ASSERT_EQ(r.status, BBTempStatus::OK);
    EXPECT_EQ(r.IST, 43210);
    EXPECT_EQ(r.temps.TC, 290.0F);
    EXPECT_EQ(r.temps.TH, 330.0F);
    EXPECT_EQ(r.temps.TAMB, 295.0F);
    EXPECT_EQ(r.temps.ENDRMX, 12.5F);
    EXPECT_EQ(cap.log(),
              " IST,TAMB= 43210  295.0000\n"
              "FOR CALIBRATION, COLD, HOT AND AMB. TEMPS:\n"
              "      TC   =  290.00000\n"
              "      TH   =  330.00000\n"
              "      TAMB =  295.00000\n"
              "     ENDRMX=   12.50000\n");
    EXPECT_EQ(cap.console(),
              " FOR CALIBRATION, COLD, HOT AND AMB. TEMPS:\n"
              "      TC   =  290.00000\n"
              "      TH   =  330.00000\n"
              "      TAMB =  295.00000\n"
              "     ENDRMX=   12.50000\n");
}

TEST_F(BBTempsTest, SceneAfterMidnightIsEvaluatedOnTheContinuedTimeAxis) {
    // First blackbody record of the run at 23:58:00; the scene at 00:00:10.
    TimePoints tp;
    const int secs[] = {10, 86280, 86340, 60, 120};
    const int continuous[] = {86410, 86280, 86340, 86460, 86520};
    for (std::size_t i = 0; i < 5; ++i) {
        const auto dt = static_cast<float>(continuous[i] - 86280);
        vorncalv::addTimePoint(tp, 0, secs[i], 0.0F, {290.0F + 0.001F * dt, 330.0F, 295.0F});
    }
    const auto r = vorncalv::bbtemps(tp, 86280, TempSettings{'A', 0.0F, 0.0F},
                                     vorncalv::ViewCounts{1, 1, 1, 1}, cap.unit(), cap.name());
    ASSERT_EQ(r.status, BBTempStatus::OK);
    EXPECT_EQ(r.IST, 86410);
    EXPECT_NEAR(r.temps.TC, 290.13F, 2e-3F);
    EXPECT_EQ(tp.ISECS[1], 86280);
    EXPECT_EQ(tp.ISECS[3], 86460);
}

TEST_F(BBTempsTest, RefusesAnOverfullTable) {
    TimePoints tp;
    tp.NTIMES = 21;
    EXPECT_THROW(vorncalv::bbtemps(tp, 0, TempSettings{}, vorncalv::ViewCounts{}, cap.unit(),
                                   cap.name()),
                 std::invalid_argument);
    EXPECT_THROW(vorncalv::largestDrift(tp, cap.unit(), cap.name()), std::invalid_argument);
}

}  // namespace
