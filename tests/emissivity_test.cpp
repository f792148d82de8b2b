// Blackbody emissivity and cavity model: the paint file, the cavity file and its grid.
#include "vorncalv/emissivity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "libutil/fixedtext.h"
#include "libutil/stafile.h"
#include "libutil/stop.h"
#include "support/logcapture.h"
#include "support/runprogram.h"
#include "support/tempdir.h"
#include "vorncalv/runstate.h"

namespace {

using testsupport::readFile;
using testsupport::writeFile;
using vorncalv::RunState;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

// The cavity model of the blackbody cavities for one paint emissivity, in single precision.
float cavity(float paint, float CAVFAC) {
    const float RCF = 1.0F / CAVFAC;
    return paint / (paint + (1.0F - paint) * RCF);
}

// A status-file record holding count for the file named key.
std::string statusRecord(const std::string& key, int count) {
    return util::stafile::record(key, *util::stafile::countField(count));
}

class Emissivity : public ::testing::Test {
protected:
    Emissivity() : inWork(work.path()) {
        s->LOG = capture.unit();
        s->LOGFIL = capture.name();
        s->BASE = "abc     ";
        s->EMISSFIL = util::pad("paint.txt", 80);
        s->IFILEV = util::pad("abc.UVS", 80);
        s->ORGINP = util::pad("abc.UVS", 80);
        s->STFILE = util::pad("abc.STC", 80);
        s->IWAIT = 0;
        s->CAVFAC = 12.79F;
        s->RATFAC = 1.5F;
        s->HWDS[10] = 1.0F;
        setGrid({500.0, 600.0, 700.0});
    }

    void setGrid(const std::vector<double>& grid) {
        s->XIN = grid;
        s->NPTS = static_cast<int>(grid.size());
    }

    void paint(const std::string& text) { writeFile("paint.txt", text); }

    // Runs the stage; returns the stop text ("" when it did not stop).
    std::string run() {
        try {
            vorncalv::emissivity(*s);
        } catch (const util::Stop& stop) {
            return stop.text();
        }
        return "";
    }

    std::vector<std::string> logLines() const { return lines(capture.log()); }

    // The cavity-emissivity files in the working directory.
    std::vector<std::string> cavityFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(work.path())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("CAVEMIS", 0) == 0) names.push_back(name);
        }
        return names;
    }

    testsupport::LogCapture capture;
    testsupport::TempDir work;
    testsupport::InDirectory inWork;
    std::unique_ptr<RunState> s = std::make_unique<RunState>();
};

// ---- Cavity model and interpolation -------------------------------------------------------

TEST_F(Emissivity, PaintEmissivityOneGivesCavityEmissivityOneWhateverTheFactor) {
    paint("black paint\n400 1.0\n800 1.0\n");
    for (const float factor : {12.79F, 1.0F, 0.5F, 1.0e-3F, 1.0e6F}) {
        s->CAVFAC = factor;
        ASSERT_EQ(run(), "") << factor;
        for (int i = 0; i < s->NPTS; ++i) EXPECT_EQ(s->BBEI[static_cast<std::size_t>(i)], 1.0F) << factor;
    }
}

TEST_F(Emissivity, PaintPointNineWithTemplateFactorGivesAbout0_99139) {
    paint("black paint\n400 0.9\n800 0.9\n");
    ASSERT_EQ(run(), "");
    EXPECT_NEAR(s->BBE[0], 0.99139F, 5e-6F);
    for (int i = 0; i < s->NPTS; ++i) EXPECT_NEAR(s->BBEI[static_cast<std::size_t>(i)], 0.99139F, 5e-6F);
}

TEST_F(Emissivity, PaintZeroStaysZero) {
    paint("hdr\n400 0\n800 0\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->BBEI[0], 0.0F);
}

TEST_F(Emissivity, HoldsTheEndValuesOutsideTheTable) {
    setGrid({500.0, 540.0, 700.0, 800.0});
    paint("hdr\n550 0.8\n600 0.9\n650 0.95\n");
    ASSERT_EQ(run(), "");
    ASSERT_EQ(s->NBBE, 3);
    EXPECT_EQ(s->BBEI[0], s->BBE[0]);
    EXPECT_EQ(s->BBEI[1], s->BBE[0]);
    EXPECT_EQ(s->BBEI[2], s->BBE[2]);
    EXPECT_EQ(s->BBEI[3], s->BBE[2]);
}

TEST_F(Emissivity, GridPointOnATableWavenumberTakesItsValueExactly) {
    setGrid({550.0, 600.0, 625.0});
    paint("hdr\n550 0.8\n600 0.9\n650 0.95\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->BBEI[0], s->BBE[0]);
    EXPECT_EQ(s->BBEI[1], s->BBE[1]);
    EXPECT_NEAR(s->BBEI[2], (s->BBE[1] + s->BBE[2]) / 2.0F, 1e-6F);
    EXPECT_EQ(s->BBE[1], cavity(0.9F, 12.79F));
}

TEST_F(Emissivity, DecreasingTableInterpolatesOntoIncreasingGrid) {
    setGrid({450.0, 550.0, 650.0, 750.0});
    paint("hdr\n700 0.95\n600 0.9\n500 0.8\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->BBEI[0], s->BBE[2]);
    EXPECT_NEAR(s->BBEI[1], (s->BBE[2] + s->BBE[1]) / 2.0F, 1e-6F);
    EXPECT_NEAR(s->BBEI[2], (s->BBE[1] + s->BBE[0]) / 2.0F, 1e-6F);
    EXPECT_EQ(s->BBEI[3], s->BBE[0]);
}

TEST_F(Emissivity, OnePointTableGivesItsValueEverywhere) {
    paint("hdr\n600 0.9\n");
    ASSERT_EQ(run(), "");
    for (int i = 0; i < s->NPTS; ++i) EXPECT_EQ(s->BBEI[static_cast<std::size_t>(i)], cavity(0.9F, 12.79F));
}

TEST_F(Emissivity, EqualNeighbouringWavenumbersAreAccepted) {
    paint("hdr\n500 0.8\n600 0.9\n600 0.95\n700 0.97\n");
    EXPECT_EQ(run(), "");
    EXPECT_EQ(s->NBBE, 4);
}

// ---- Reading the paint emissivity file ----------------------------------------------------

TEST_F(Emissivity, ReadsPairsSplitOverLinesSeparatedByCommasAndWithTrailingText) {
    paint("header line\n"
          "\n"
          " 400, 0.9\n"
          "500\n"
          "\n"
          "0.91 trailing words 17\n"
          "600 ,0.92 7 8\n"
          "700\t0.93,99\n"
          "+8.0D2 9.4e-1\r\n"
          "900,\n"
          "0.95/ comment\n"
          "1000 0.96");  // no line end after the last point
    ASSERT_EQ(run(), "");
    ASSERT_EQ(s->NBBE, 7);
    const std::vector<double> wn = {400, 500, 600, 700, 800, 900, 1000};
    const std::vector<float> e = {0.9F, 0.91F, 0.92F, 0.93F, 0.94F, 0.95F, 0.96F};
    for (std::size_t i = 0; i < wn.size(); ++i) {
        EXPECT_EQ(s->BBEWN[i], wn[i]) << i;
        EXPECT_EQ(s->BBE[i], cavity(e[i], 12.79F)) << i;
    }
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "FIRST LINE OF EMISSIVITY-SPECTRUM FILE:", "header line",
                              " RATIO-TEST FACTOR (INPUT): 1.50",
                              " VORNCALV -- UNABLE TO FIND VARIANCE FILE", "   FILE: abc.UVS"}));
}

TEST_F(Emissivity, WavenumbersAreReadInSinglePrecision) {
    paint("hdr\n600.123456789 0.9\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->BBEWN[0], static_cast<double>(600.123456789F));
}

TEST_F(Emissivity, TextOnTheThirdLineKeepsOnePointAndWarns) {
    paint("PAINT SPECTRUM 2026\n500 0.9\nnot a number\n600 0.95\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->NBBE, 1);
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "FIRST LINE OF EMISSIVITY-SPECTRUM FILE:", "PAINT SPECTRUM 2026",
                              "WARNING -- ERROR READING EMISSIVITY SPECTRUM:",
                              " READ ERROR, after reading BBE #    1",
                              " RATIO-TEST FACTOR (INPUT): 1.50",
                              " VORNCALV -- UNABLE TO FIND VARIANCE FILE", "   FILE: abc.UVS"}));
}

TEST_F(Emissivity, NullValuesRepeatCountsAndEarlySlashesAreReadErrors) {
    for (const std::string bad : {"600,,0.95", ",600 0.95", "600 / 0.95", "2*0.95", "600 0.95x",
                                  "600 nan", "600 1e39", "600 0x1p-1"}) {
        const std::size_t before = logLines().size();
        paint("hdr\n500 0.9\n" + bad + "\n700 0.97\n");
        ASSERT_EQ(run(), "") << bad;
        EXPECT_EQ(s->NBBE, 1) << bad;
        const std::vector<std::string> log = logLines();
        ASSERT_GE(log.size(), before + 4U) << bad;
        EXPECT_EQ(log[before + 3], " READ ERROR, after reading BBE #    1") << bad;
    }
}

TEST_F(Emissivity, LoneNumberAtTheEndIsDroppedWithoutWarning) {
    paint("hdr\n500 0.9\n600\n\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->NBBE, 1);
    EXPECT_EQ(logLines().size(), 5U);
}

TEST_F(Emissivity, OverlongHeaderIsLoggedCutAndPointsFollowIt) {
    const std::string header(120, 'H');
    paint(header + "\n500 0.9\n600 0.9\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->NBBE, 2);
    EXPECT_EQ(logLines().at(1), std::string(79, 'H'));
}

// ---- Failures of the emissivity file and of the parameters --------------------------------

TEST_F(Emissivity, MissingFileStopsWithEmissivityFile) {
    EXPECT_EQ(run(), "EMISSIVITY FILE?");
    EXPECT_EQ(logLines(), (std::vector<std::string>{"UNABLE TO OPEN EMISSIVITY-SPECTRUM FILE",
                                                    "REASON: No such file or directory"}));
    EXPECT_TRUE(cavityFiles().empty());
}

TEST_F(Emissivity, EmptyFileStopsWithCheckEmissivityFile) {
    paint("");
    EXPECT_EQ(run(), "CHECK EMISSIVITY FILE");
    EXPECT_EQ(logLines(), (std::vector<std::string>{"FIRST LINE OF EMISSIVITY-SPECTRUM FILE:",
                                                    "READ ERROR ON REC.1, EMISSIVITY SPECTRUM",
                                                    "REASON: empty file"}));
}

TEST_F(Emissivity, HeaderWithoutPointsStops) {
    paint("only a header\n\n\n");
    EXPECT_EQ(run(), "CHECK EMISSIVITY FILE");
    EXPECT_EQ(logLines(), (std::vector<std::string>{"FIRST LINE OF EMISSIVITY-SPECTRUM FILE:",
                                                    "only a header",
                                                    "VORNCALV -- NO POINTS IN EMISSIVITY SPECTRUM"}));
    EXPECT_TRUE(cavityFiles().empty());
}

TEST_F(Emissivity, UnreadableFirstPointWarnsThenStopsForNoPoints) {
    paint("hdr\nabc 0.9\n");
    EXPECT_EQ(run(), "CHECK EMISSIVITY FILE");
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "FIRST LINE OF EMISSIVITY-SPECTRUM FILE:", "hdr",
                              "WARNING -- ERROR READING EMISSIVITY SPECTRUM:",
                              " READ ERROR, after reading BBE #    0",
                              "VORNCALV -- NO POINTS IN EMISSIVITY SPECTRUM"}));
}

std::string manyPoints(int n) {
    std::string text = "hdr\n";
    for (int i = 0; i < n; ++i) text += std::to_string(100 + i) + " 0.9\n";
    return text;
}

TEST_F(Emissivity, NineThousandPointsFit) {
    paint(manyPoints(9000) + "\n\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->NBBE, 9000);
    EXPECT_EQ(s->BBEWN[8999], 9099.0);
}

TEST_F(Emissivity, MoreThanNineThousandPointsStop) {
    paint(manyPoints(9001));
    EXPECT_EQ(run(), "CHECK EMISSIVITY FILE");
    EXPECT_EQ(s->NBBE, 9000);
    EXPECT_EQ(logLines().back(), "VORNCALV -- EMISSIVITY SPECTRUM HAS MORE THAN 9000 POINTS");
    EXPECT_TRUE(cavityFiles().empty());
}

TEST_F(Emissivity, UnreadableLineAfterNineThousandPointsOnlyWarns) {
    paint(manyPoints(9000) + "end of table\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(logLines().at(3), " READ ERROR, after reading BBE # 9000");
}

TEST_F(Emissivity, WavenumbersTurningBackStop) {
    paint("hdr\n500 0.9\n600 0.9\n550 0.9\n");
    EXPECT_EQ(run(), "CHECK EMISSIVITY FILE");
    const std::vector<std::string> log = logLines();
    ASSERT_EQ(log.size(), 4U);
    EXPECT_EQ(log[2], "VORNCALV -- EMISSIVITY WAVENUMBERS NOT MONOTONIC");
    EXPECT_EQ(log[3], "   AT BBE #    3, WAVENUMBER    550.0000");
    EXPECT_TRUE(cavityFiles().empty());
}

TEST_F(Emissivity, DecreasingWavenumbersTurningBackStop) {
    paint("hdr\n700 0.9\n600 0.9\n600 0.9\n650 0.9\n");
    EXPECT_EQ(run(), "CHECK EMISSIVITY FILE");
    EXPECT_EQ(logLines().back(), "   AT BBE #    4, WAVENUMBER    650.0000");
}

TEST_F(Emissivity, PaintEmissivityOutsideZeroToOneStops) {
    paint("hdr\n500 0.9\n600 1.2\n");
    EXPECT_EQ(run(), "CHECK EMISSIVITY FILE");
    const std::vector<std::string> log = logLines();
    ASSERT_EQ(log.size(), 4U);
    EXPECT_EQ(log[2], "VORNCALV -- PAINT EMISSIVITY OUTSIDE 0 TO 1");
    EXPECT_EQ(log[3], "   AT BBE #    2, EMISSIVITY  0.1200E+01");
}

TEST_F(Emissivity, NegativePaintEmissivityStops) {
    paint("hdr\n500 -0.1\n600 0.9\n");
    EXPECT_EQ(run(), "CHECK EMISSIVITY FILE");
    EXPECT_EQ(logLines().back(), "   AT BBE #    1, EMISSIVITY -0.1000E+00");
}

TEST_F(Emissivity, CavityFactorZeroOrNegativeStops) {
    paint("hdr\n500 0.9\n");
    for (const float factor : {0.0F, -12.79F, std::numeric_limits<float>::denorm_min()}) {
        s->CAVFAC = factor;
        EXPECT_EQ(run(), "BAD VALUE IN INPUT-PAR. FILE") << factor;
        const std::vector<std::string> log = logLines();
        ASSERT_GE(log.size(), 2U);
        EXPECT_EQ(log[log.size() - 2], "VORNCALV -- BBcavityFactor MUST BE POSITIVE");
    }
    EXPECT_EQ(logLines()[3], "   BBcavityFactor =  0.0000E+00");
    EXPECT_TRUE(cavityFiles().empty());
}

TEST_F(Emissivity, GridLargerThanTheEmissivityStoreStops) {
    std::vector<double> grid(9001);
    for (std::size_t i = 0; i < grid.size(); ++i) grid[i] = 500.0 + static_cast<double>(i);
    setGrid(grid);
    paint("hdr\n500 0.9\n");
    EXPECT_EQ(run(), "BAD INPUT?");
    EXPECT_EQ(logLines().back(), "VORNCALV -- INPUT GRID OF    9001 POINTS DOES NOT FIT  9000");
}

TEST_F(Emissivity, PointCountBeyondTheGridStops) {
    s->NPTS = 4;  // the grid holds 3 values
    paint("hdr\n500 0.9\n");
    EXPECT_EQ(run(), "BAD INPUT?");
}

TEST_F(Emissivity, GridHoldingNaNStopsInTheInterpolation) {
    setGrid({500.0, std::numeric_limits<double>::quiet_NaN()});
    paint("hdr\n400 0.9\n800 0.9\n");
    EXPECT_EQ(run(), "?????");
}

// ---- The cavity-emissivity file -----------------------------------------------------------

TEST_F(Emissivity, CavityFileHoldsFourHeaderLinesAndOneLinePerGridPoint) {
    setGrid({500.0, 600.5, 700.25, 800.125, 900.0625});
    paint("hdr\n400 0.9\n1000 1.0\n");
    ASSERT_EQ(run(), "");
    ASSERT_EQ(cavityFiles(), (std::vector<std::string>{"CAVEMIS1.MLT"}));
    const std::vector<std::string> file = lines(readFile("CAVEMIS1.MLT"));
    ASSERT_EQ(file.size(), 4U + 5U);
    EXPECT_EQ(file[0], " #MLT Spectrum of VORN Cavity Emissivity");
    EXPECT_EQ(file[1], " #    Blackbody cavity factor: 12.79");
    EXPECT_EQ(file[2], " #label 1 Wavenumber");
    EXPECT_EQ(file[3], " #label 2 Blackbody Cavity Emissivity");
    for (std::size_t i = 0; i < 5; ++i) {
        std::istringstream in(file[4 + i]);
        double wn = 0.0;
        float e = 0.0F;
        std::string rest;
        ASSERT_EQ(file[4 + i].front(), ' ');
        ASSERT_TRUE(in >> wn >> e) << file[4 + i];
        EXPECT_FALSE(in >> rest) << file[4 + i];
        EXPECT_NEAR(wn, s->XIN[i], 1e-3);
        EXPECT_NEAR(e, s->BBEI[i], 1e-6F);
    }
}


TEST_F(Emissivity, CavityFileShowsAWavenumberBeyondSinglePrecisionAsInfinity) {
    setGrid({500.0, 1.0e300});
    paint("hdr\n400 0.9\n1000 1.0\n");
    ASSERT_EQ(run(), "");
    const std::vector<std::string> file = lines(readFile("CAVEMIS1.MLT"));
    ASSERT_EQ(file.size(), 4U + 2U);
    EXPECT_EQ(file[5], " Infinity 1.0");
}
TEST_F(Emissivity, CavityFileIsRewrittenOnEveryRun) {
    writeFile("CAVEMIS1.MLT", std::string(5000, 'x') + "\n");
    setGrid({500.0});
    paint("hdr\n400 1\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(readFile("CAVEMIS1.MLT"),
              " #MLT Spectrum of VORN Cavity Emissivity\n"
              " #    Blackbody cavity factor: 12.79\n"
              " #label 1 Wavenumber\n"
              " #label 2 Blackbody Cavity Emissivity\n"
              " 500.0 1.0\n");
}

TEST_F(Emissivity, CavityFileThatCannotBeWrittenStops) {
    std::filesystem::create_directory("CAVEMIS1.MLT");
    paint("hdr\n400 1\n");
    EXPECT_EQ(run(), "CAVITY-EMISSIVITY FILE?");
    const std::vector<std::string> log = logLines();
    ASSERT_EQ(log.size(), 4U);
    EXPECT_EQ(log[2], "VORNCALV -- UNABLE TO WRITE CAVITY-EMISSIVITY FILE");
    EXPECT_EQ(log[3], "   FILE: CAVEMIS1.MLT");
}

TEST_F(Emissivity, ChannelNumberIsRoundedHalfAwayFromZeroIntoTheFileName) {
    paint("hdr\n400 1\n");
    const std::vector<std::pair<float, std::string>> cases = {
        {2.4F, "CAVEMIS2.MLT"},  {2.5F, "CAVEMIS3.MLT"},  {12.0F, "CAVEMIS*.MLT"},
        {-0.4F, "CAVEMIS0.MLT"}, {-0.5F, "CAVEMIS*.MLT"}, {9.49F, "CAVEMIS9.MLT"},
        {9.5F, "CAVEMIS*.MLT"},  {-999.0F, "CAVEMIS*.MLT"},
        {std::numeric_limits<float>::quiet_NaN(), "CAVEMIS*.MLT"},
        {std::numeric_limits<float>::infinity(), "CAVEMIS*.MLT"}};
    for (const auto& [channel, name] : cases) {
        for (const std::string& old : cavityFiles()) std::filesystem::remove(old);
        s->HWDS[10] = channel;
        ASSERT_EQ(run(), "") << channel;
        EXPECT_EQ(cavityFiles(), std::vector<std::string>{name}) << channel;
    }
}

// ---- Ratio-test factor and variance file --------------------------------------------------

TEST_F(Emissivity, RatioTestFactorGoesToConsoleAndLog) {
    paint("hdr\n400 1\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(capture.console(), " RATIO-TEST FACTOR (INPUT): 1.50\n");
    EXPECT_EQ(logLines().at(2), " RATIO-TEST FACTOR (INPUT): 1.50");
}

TEST_F(Emissivity, MissingVarianceFileIsLoggedAndSwitchesTheProductOff) {
    s->GOTFIL = 1;
    paint("hdr\n400 1\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->GOTFIL, 0);
    EXPECT_EQ(s->OFILEV, std::string(80, ' '));
    const std::vector<std::string> log = logLines();
    ASSERT_EQ(log.size(), 5U);
    EXPECT_EQ(log[3], " VORNCALV -- UNABLE TO FIND VARIANCE FILE");
    EXPECT_EQ(log[4], "   FILE: abc.UVS");
}

TEST_F(Emissivity, BlankVarianceNameCountsAsMissing) {
    s->IFILEV = std::string(80, ' ');
    paint("hdr\n400 1\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->GOTFIL, 0);
    EXPECT_EQ(logLines().back(), "   FILE:");
}

TEST_F(Emissivity, VarianceFileInBatchModeStartsWithNoRecords) {
    writeFile("abc.UVS", "variance");
    writeFile("abc.STC", statusRecord("abc     .CVS", 17));  // ignored in batch mode
    paint("hdr\n400 1\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->GOTFIL, 1);
    EXPECT_EQ(s->OFILEV, util::pad("abc     .CVS", 80));
    EXPECT_EQ(s->NROV, 0);
    EXPECT_EQ(logLines().size(), 3U);
}

TEST_F(Emissivity, VarianceFileInRealTimeModeTakesTheRecordedCount) {
    s->IWAIT = 1;
    writeFile("abc.UVS", "variance");
    writeFile("abc.STC", statusRecord("abc     .RLC", 5) + statusRecord("abc     .CVS", 17));
    paint("hdr\n400 1\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->GOTFIL, 1);
    EXPECT_EQ(s->NROV, 17);
}

TEST_F(Emissivity, VarianceFileUnknownToTheStatusFileHasNoRecords) {
    s->IWAIT = 1;
    writeFile("abc.UVS", "variance");
    writeFile("abc.STC", statusRecord("abc     .RLC", 5));
    paint("hdr\n400 1\n");
    ASSERT_EQ(run(), "");
    EXPECT_EQ(s->NROV, 0);
}

TEST_F(Emissivity, NegativeVarianceCountAborts) {
    s->IWAIT = 1;
    writeFile("abc.UVS", "variance");
    writeFile("abc.STC", statusRecord("abc     .CVS", -3));
    paint("hdr\n400 1\n");
    EXPECT_EQ(run(), "ABORT -- CHECK STATUS FILE FOR VORNCALV");
    EXPECT_EQ(logLines().back(), "NROUT RETURNED NEGATIVE NROV");
}

}  // namespace
