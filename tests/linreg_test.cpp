// linreg: running regression statistics.
#include "vorncalv/linreg.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>

namespace {

using vorncalv::LinregState;
using vorncalv::linreg;

LinregState fit(std::initializer_list<std::pair<float, float>> points) {
    LinregState st;
    linreg(st, 0.0F, 0.0F, -1);
    for (const auto& [x, y] : points) linreg(st, x, y, 0);
    linreg(st, 0.0F, 0.0F, 1);
    return st;
}

TEST(Linreg, FitsAnExactLine) {
    const LinregState st = fit({{1.0F, 5.0F}, {2.0F, 7.0F}, {3.0F, 9.0F}, {4.0F, 11.0F}});
    EXPECT_DOUBLE_EQ(st.SN, 4.0);
    EXPECT_DOUBLE_EQ(st.XBAR, 2.5);
    EXPECT_DOUBLE_EQ(st.YBAR, 8.0);
    EXPECT_DOUBLE_EQ(st.XVAR, 1.25);
    EXPECT_DOUBLE_EQ(st.YVAR, 5.0);
    EXPECT_DOUBLE_EQ(st.CVAR, 2.5);
    EXPECT_DOUBLE_EQ(st.SLOPE, 2.0);
    EXPECT_DOUBLE_EQ(st.YINT, 3.0);
    EXPECT_NEAR(st.CORR, 1.0, 1e-12);
    EXPECT_NEAR(st.EVAR, 1.0, 1e-12);
    EXPECT_NEAR(st.SERR, 0.0, 1e-6);
    EXPECT_DOUBLE_EQ(st.XSIG, std::sqrt(1.25));
    EXPECT_EQ(st.IFLAG, (std::array<int, 3>{0, 0, 0}));
}

TEST(Linreg, FitsAFallingLineAtDayTimes) {
    // Times of the day near midnight, as the temperature fits use them.
    const LinregState st =
        fit({{86280.0F, 300.0F}, {86340.0F, 299.94F}, {86410.0F, 299.87F}, {86460.0F, 299.82F}});
    EXPECT_NEAR(st.SLOPE, -0.001, 1e-6);
    EXPECT_NEAR(st.YINT + st.SLOPE * 86410.0, 299.87, 1e-4);
    EXPECT_NEAR(st.CORR, -1.0, 1e-5);
}

TEST(Linreg, ConstantXGivesNoSlopeAndNoCorrelation) {
    const LinregState st = fit({{5.0F, 1.0F}, {5.0F, 2.0F}, {5.0F, 3.0F}});
    EXPECT_EQ(st.SLOPE, 0.0);
    EXPECT_DOUBLE_EQ(st.YINT, 2.0);
    EXPECT_EQ(st.CORR, 1.0);
    EXPECT_EQ(st.IFLAG, (std::array<int, 3>{1, 1, 0}));
}

TEST(Linreg, ConstantYGivesFlatLineWithoutExplainedVariance) {
    const LinregState st = fit({{1.0F, 7.0F}, {2.0F, 7.0F}, {3.0F, 7.0F}});
    EXPECT_EQ(st.SLOPE, 0.0);
    EXPECT_DOUBLE_EQ(st.YINT, 7.0);
    EXPECT_EQ(st.CORR, 1.0);
    EXPECT_EQ(st.EVAR, 0.0);
    EXPECT_EQ(st.IFLAG, (std::array<int, 3>{0, 1, 1}));
}

TEST(Linreg, VarianceThresholdIsTheSinglePrecisionSmallValue) {
    EXPECT_EQ(vorncalv::SMALL, static_cast<double>(1.0E-5F));
    // Two points 0.004 apart: x variance 4E-6, below the threshold.
    EXPECT_EQ(fit({{0.0F, 1.0F}, {0.004F, 2.0F}}).IFLAG[0], 1);
    // 0.008 apart: 1.6E-5, above it.
    EXPECT_EQ(fit({{0.0F, 1.0F}, {0.008F, 2.0F}}).IFLAG[0], 0);
}

TEST(Linreg, ResetForgetsEarlierPoints) {
    LinregState st;
    linreg(st, 0.0F, 0.0F, -1);
    linreg(st, 100.0F, -40.0F, 0);
    linreg(st, 200.0F, 90.0F, 0);
    linreg(st, 0.0F, 0.0F, 1);
    linreg(st, 0.0F, 0.0F, -1);
    linreg(st, 1.0F, 1.0F, 0);
    linreg(st, 2.0F, 3.0F, 0);
    linreg(st, 0.0F, 0.0F, 1);
    EXPECT_DOUBLE_EQ(st.SN, 2.0);
    EXPECT_DOUBLE_EQ(st.SLOPE, 2.0);
    EXPECT_DOUBLE_EQ(st.YINT, -1.0);
}

TEST(Linreg, FinishingWithoutPointsFlagsEverythingAndStaysFinite) {
    const LinregState st = fit({});
    EXPECT_EQ(st.SN, 0.0);
    EXPECT_EQ(st.SLOPE, 0.0);
    EXPECT_EQ(st.YINT, 0.0);
    EXPECT_EQ(st.CORR, 1.0);
    EXPECT_EQ(st.SERR, 0.0);
    EXPECT_EQ(st.IFLAG, (std::array<int, 3>{1, 1, 1}));
}

}  // namespace
