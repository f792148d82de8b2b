// Planck radiances over a grid: the fast path against the direct formula, the fallback, and
// stage 2 of the calibration computed with it against the point-by-point calibration.
#include "vorncalv/planckgrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "libutil/wnplan.h"
#include "support/logcapture.h"
#include "vorncalv/calibration.h"

namespace {

using vorncalv::PlanckGrid;

// n points equally spaced from first to last, each computed from the first point.
std::vector<double> grid(double first, double last, int n) {
    std::vector<double> wn(static_cast<std::size_t>(n));
    const double step = (last - first) / (n - 1);
    for (int i = 0; i < n; ++i) wn[static_cast<std::size_t>(i)] = first + i * step;
    return wn;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(PlanckGrid, FastPathAgreesWithDirectFormulaOverWholeGrid) {
    PlanckGrid planck;
    const std::vector<double> wn = grid(0.1, 5000.0, 9000);
    planck.setGrid(wn);
    std::vector<double> fast(wn.size());
    double worst = 0.0;
    for (double T = 150.0; T <= 400.0; T += 2.5) {
        for (const double t : {T, T + 0.173}) {
            ASSERT_TRUE(planck.fastAt(t)) << "T " << t;
            planck.radiances(t, fast);
            for (std::size_t i = 0; i < wn.size(); ++i) {
                const double direct = util::wnplanDouble(wn[i], t);
                const double relative = std::fabs(fast[i] - direct) / direct;
                worst = std::max(worst, relative);
                ASSERT_LE(relative, 1e-12) << "T " << t << " wn " << wn[i];
            }
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", worst);
    RecordProperty("worst_relative_difference", text);
}

// Grids and temperatures off the fast path get the direct formula, bit for bit.
TEST(PlanckGrid, OtherGridsAndTemperaturesTakeTheDirectFormula) {
    std::vector<double> uneven = grid(500.0, 1500.0, 100);
    uneven[70] += 1e-9;
    std::vector<double> descending = grid(1500.0, 500.0, 100);
    const std::vector<double> throughZero = grid(-10.0, 10.0, 100);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::vector<double> wn;
        double T;
    } cases[] = {{uneven, 300.0},   {descending, 300.0}, {throughZero, 300.0}, {grid(500.0, 1500.0, 100), 0.0},
                 {grid(500.0, 1500.0, 100), -20.0}, {grid(500.0, 1500.0, 100), nan},
                 {grid(500.0, 1500.0, 100), 2.0},   // exp(c2*1500/2) is beyond 64 bits
                 {std::vector<double>{1000.0}, 300.0}};
    for (const auto& c : cases) {
        PlanckGrid planck;
        planck.setGrid(c.wn);
        EXPECT_FALSE(planck.fastAt(c.T)) << "T " << c.T << " first wn " << c.wn[0];
        std::vector<double> out(c.wn.size());
        planck.radiances(c.T, out);
        for (std::size_t i = 0; i < c.wn.size(); ++i) {
            EXPECT_TRUE(sameBits(out[i], util::wnplanDouble(c.wn[i], c.T))) << "T " << c.T << " wn " << c.wn[i];
        }
    }
}

// Stage 2 keeps the grid's Planck terms between calls; a grid changed between two calls
// must be taken afresh. Each point must come out as the point-by-point calibration gives it.
TEST(PlanckGrid, Stage2MatchesPointCalibrationAcrossGridChanges) {
    testsupport::LogCapture cap;
    vorncalv::CalibrationStores cs;
    const int NPTS = 2000;
    const vorncalv::BBTemps temps{288.4F, 331.7F, 294.2F, 0.0F};
    std::vector<float> BBEI(NPTS);
    for (std::size_t i = 0; i < BBEI.size(); ++i) {
        BBEI[i] = 0.999F - 2e-6F * static_cast<float>(i);
        cs.RATIO[i] = {0.3F + 1e-4F * static_cast<float>(i), -0.01F};
        cs.CXSHMC[i] = {1500.0F, 20.0F + static_cast<float>(i % 7)};
    }
    for (const auto& XIN : {grid(520.0, 1800.0, NPTS), grid(1800.0, 3020.0, NPTS), grid(520.0, 1800.0, NPTS)}) {
        ASSERT_EQ(vorncalv::calibrationStage2(cs, NPTS, XIN, BBEI, temps, 1.5F, 'A', cap.unit(), cap.name()),
                  vorncalv::CalStatus::OK);
        for (std::size_t i = 0; i < XIN.size(); ++i) {
            const vorncalv::PointCal p =
                vorncalv::calibratePoint(XIN[i], BBEI[i], cs.RATIO[i], cs.CXSHMC[i], temps, 1.5F, 'A');
            ASSERT_EQ(cs.SPRL[i], p.SPRL) << "wn " << XIN[i];
            ASSERT_EQ(cs.SPIM[i], p.SPIM) << "wn " << XIN[i];
            ASSERT_EQ(cs.RESP[i], p.RESP) << "wn " << XIN[i];
        }
    }
}

}  // namespace
