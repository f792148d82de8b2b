// gettfs: temperature fits in time over a scene sequence.
#include "vorncalv/gettfs.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

namespace {

using vorncalv::MAXTIM;
using vorncalv::SeriesFits;
using vorncalv::TempRow;
using vorncalv::gettfs;

// Temperatures that rise 0.001 K/s on a continuous time axis starting at 23:58:00.
TempRow rising(int continuousSecs) {
    const auto t = static_cast<float>(continuousSecs - 86280);
    return TempRow{290.0F + 0.001F * t, 330.0F + 0.002F * t, 295.0F - 0.0005F * t};
}

TEST(Gettfs, ShiftsTimesAfterMidnightAndFitsAContinuousLine) {
    const int MINSEC = 86280;  // first blackbody record of the run at 23:58:00
    // Scene at 00:00:10, views at 23:58:00, 23:59:00, 00:01:00, 00:02:00.
    std::array<int, MAXTIM> ISECS{10, 86280, 86340, 60, 120};
    const std::array<int, 5> continuous{86410, 86280, 86340, 86460, 86520};
    std::array<TempRow, MAXTIM> TMT{};
    for (std::size_t i = 0; i < continuous.size(); ++i) TMT[i] = rising(continuous[i]);
    SeriesFits fits;
    gettfs(MINSEC, 5, 3, ISECS, TMT, fits);

    // Entries before midnight stay; the scene's and the later ones are shifted once only,
    // although all three series passed over them.
    for (std::size_t i = 0; i < continuous.size(); ++i) EXPECT_EQ(ISECS[i], continuous[i]);
    EXPECT_EQ(ISECS[5], 0);
    const double IST = 86410.0;
    const TempRow expected = rising(86410);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(fits.TINT[k] + fits.TSLP[k] * IST, expected[k], 2e-3) << "series " << k;
        EXPECT_EQ(fits.IFLGS[k], (std::array<int, 3>{0, 0, 0}));
    }
    EXPECT_NEAR(fits.TSLP[0], 0.001, 1e-6);
    EXPECT_NEAR(fits.TSLP[1], 0.002, 1e-6);
    EXPECT_NEAR(fits.TSLP[2], -0.0005, 1e-6);
}

TEST(Gettfs, LeavesTimesAloneBeforeTheFirstBlackbodyTimeIsKnown) {
    std::array<int, MAXTIM> ISECS{43200, 43100, 43150, 43250, 43300};
    std::array<TempRow, MAXTIM> TMT{};
    for (std::size_t i = 0; i < 5; ++i) {
        TMT[i] = TempRow{300.0F, 330.0F, 295.0F};
    }
    SeriesFits fits;
    gettfs(-1, 5, 3, ISECS, TMT, fits);
    EXPECT_EQ(ISECS[0], 43200);
    EXPECT_EQ(ISECS[1], 43100);
    EXPECT_FLOAT_EQ(fits.TINT[0], 300.0F);
    EXPECT_EQ(fits.TSLP[0], 0.0F);
    // Constant temperatures: no correlation and no explained variance.
    EXPECT_EQ(fits.IFLGS[0], (std::array<int, 3>{0, 1, 1}));
}

TEST(Gettfs, FewerThanFourSamplesGive999) {
    std::array<int, MAXTIM> ISECS{100, 200, 300};
    std::array<TempRow, MAXTIM> TMT{};
    TMT[0] = TMT[1] = TMT[2] = TempRow{300.0F, 330.0F, 295.0F};
    SeriesFits fits;
    gettfs(0, 3, 3, ISECS, TMT, fits);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(fits.TINT[k], 999.0F);
        EXPECT_EQ(fits.TSLP[k], 999.0F);
        EXPECT_EQ(fits.IFLGS[k], (std::array<int, 3>{1, 1, 1}));
    }
}

TEST(Gettfs, FitsOnlyTheSeriesAsked) {
    std::array<int, MAXTIM> ISECS{100, 200, 300, 400};
    std::array<TempRow, MAXTIM> TMT{};
    for (std::size_t i = 0; i < 4; ++i) TMT[i] = TempRow{1.0F, 2.0F, 3.0F};
    SeriesFits fits;
    fits.TINT[2] = -5.0F;
    gettfs(0, 4, 2, ISECS, TMT, fits);
    EXPECT_FLOAT_EQ(fits.TINT[0], 1.0F);
    EXPECT_FLOAT_EQ(fits.TINT[1], 2.0F);
    EXPECT_EQ(fits.TINT[2], -5.0F);
}

TEST(Gettfs, RefusesCountsBeyondTheTables) {
    std::array<int, MAXTIM> ISECS{};
    std::array<TempRow, MAXTIM> TMT{};
    SeriesFits fits;
    EXPECT_THROW(gettfs(0, MAXTIM + 1, 3, ISECS, TMT, fits), std::invalid_argument);
    EXPECT_THROW(gettfs(0, -1, 3, ISECS, TMT, fits), std::invalid_argument);
    EXPECT_THROW(gettfs(0, 5, 4, ISECS, TMT, fits), std::invalid_argument);
    std::array<TempRow, 4> shortTMT{};
    EXPECT_THROW(gettfs(0, 5, 3, ISECS, shortTMT, fits), std::invalid_argument);
}

}  // namespace
