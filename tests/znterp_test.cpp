// znterp: interpolation, table direction, end values and the stop on a NaN.
#include "libutil/znterp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "libutil/console.h"
#include "libutil/stop.h"

namespace {

std::vector<float> interpolate(const std::vector<double>& X, const std::vector<float>& Y,
                               const std::vector<double>& XO) {
    std::vector<float> YO(XO.size(), -1.0f);
    util::znterp(X.data(), Y.data(), static_cast<int>(X.size()), XO.data(), YO.data(),
                 static_cast<int>(XO.size()));
    return YO;
}

// Runs znterp expecting its stop; returns the console text it printed.
std::string consoleOfFailure(const std::vector<double>& X, const std::vector<float>& Y,
                             const std::vector<double>& XO) {
    std::istringstream in;
    std::ostringstream out;
    util::ConsoleRedirect redirect(in, out);
    try {
        interpolate(X, Y, XO);
        ADD_FAILURE() << "znterp did not stop";
    } catch (const util::Stop& s) {
        EXPECT_STREQ(s.text(), "?????");
    }
    return out.str();
}

}  // namespace

TEST(Znterp, IncreasingTableHoldsEndValuesAndInterpolates) {
    EXPECT_EQ(interpolate({1, 2, 3}, {10, 20, 30}, {0.5, 1, 1.5, 3, 4}),
              (std::vector<float>{10, 10, 15, 30, 30}));
}

TEST(Znterp, DecreasingTableMirrorsTheIncreasingCase) {
    EXPECT_EQ(interpolate({3, 2, 1}, {30, 20, 10}, {4, 2.5, 0}),
              (std::vector<float>{30, 25, 10}));
}

TEST(Znterp, ExactAbscissaReturnsTheTableValueExactly) {
    const std::vector<float> Y{0.1f, 0.7f, 0.3f, 0.9f};
    EXPECT_EQ(interpolate({1, 2, 3, 4}, Y, {2, 3}), (std::vector<float>{0.7f, 0.3f}));
    EXPECT_EQ(interpolate({4, 3, 2, 1}, Y, {3, 2}), (std::vector<float>{0.7f, 0.3f}));
}

TEST(Znterp, InterpolatesInDoubleAndRoundsToSingle) {
    // A fine grid far from zero, as wavenumbers are: differences must be taken in double.
    const std::vector<double> X{1000.0, 1000.0000001};
    const auto YO = interpolate(X, {1.0f, 2.0f}, {1000.00000005});
    EXPECT_NEAR(YO[0], 1.5f, 1e-6f);
}

TEST(Znterp, SinglePointTableGivesItsValueEverywhere) {
    EXPECT_EQ(interpolate({5}, {7}, {-1, 5, 99}), (std::vector<float>{7, 7, 7}));
}

TEST(Znterp, OutputAgainstTheTableOrderIsStillInterpolated) {
    // The search restarts instead of extrapolating from the previous interval.
    EXPECT_EQ(interpolate({1, 2, 3, 4}, {10, 20, 30, 40}, {3.5, 1.5}),
              (std::vector<float>{35, 15}));
}

TEST(Znterp, TableEndingInNaNPrintsItsNumbersAndStops) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::string out = consoleOfFailure({1, 2, 3, nan}, {1, 2, 3, 4}, {-2.5, 3.5});
    EXPECT_EQ(out,
              " ZNTERP -- ?????\n"
              " NX,XIN,X(1),X(NX):    4  0.3500E+01  0.1000E+01         NaN\n");
}

TEST(Znterp, NaNAbscissaStopsInsteadOfReadingPastTheTable) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::string out = consoleOfFailure({1, 2, 3}, {1, 2, 3}, {nan});
    EXPECT_EQ(out,
              " ZNTERP -- ?????\n"
              " NX,XIN,X(1),X(NX):    3         NaN  0.1000E+01  0.3000E+01\n");
}

TEST(Znterp, EmptyTableStops) {
    const std::string out = consoleOfFailure({}, {}, {1.0});
    EXPECT_EQ(out, " ZNTERP -- ?????\n NX:    0\n");
}
