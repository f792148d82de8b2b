// Variance calibration: record range, scaling, defaults, missing records and failures.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "libutil/fixedtext.h"
#include "libutil/nrout.h"
#include "libutil/rdsta.h"
#include "ravlio/fields.h"
#include "ravlio/fortjkt.h"
#include "support/logcapture.h"
#include "support/rgdbuilder.h"
#include "support/runprogram.h"
#include "support/syntheticday.h"
#include "support/tempdir.h"
#include "support/vornfiles.h"
#include "vorncalv/calvar.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/runstate.h"

namespace {

using testsupport::HeaderWord;
using testsupport::SpectrumFileSpec;
using testsupport::SpectrumRecord;

constexpr int NPTS = 8;
constexpr int RECORDS = 12;  // two sets of 6 records: 4 blackbody records, 2 scenes

// Records 1..n of a file with constant data and the header words header(record).
std::vector<SpectrumRecord> records(int n, int columns, float value,
                                    const std::function<std::vector<HeaderWord>(int)>& header) {
    std::vector<SpectrumRecord> out;
    for (int r = 1; r <= n; ++r) {
        out.push_back({std::vector<float>(static_cast<std::size_t>(NPTS * columns), value), header(r)});
    }
    return out;
}

class Calvar : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(subheader_, 0) << "no subheader layout holds the header words"; }

    // The bridge keeps its files open for the run; a test ends the run here.
    void TearDown() override {
        for (int* h : {&st_.IHNDL, &st_.IHNDLM, &st_.JHNDL}) {
            int result = 0;
            if (*h != 0) sclose_(h, &result);
        }
    }

    Calvar() : here_(dir_.path()) {
        testsupport::installRgdDriver();
        vorncalv::setUp(run_);
        subheader_ = testsupport::subheaderHolding({FIELD_coadditionsCount, FIELD_sceneMirrorPosition});
        AMDO_.fill(0.0F);
        for (std::size_t i = 0; i < AMDO_.size(); ++i) AMDO_[i] = 100.0F + static_cast<float>(i);
        AMDO_[3] = 0.0F;
    }

    // Complex-spectra (source) file: two columns, every record with coads co-additions
    // and missing flag missingAt(record).
    void writeSource(float coadds, const std::function<float(int)>& missingAt = [](int) { return 0.0F; }) {
        SpectrumFileSpec spec;
        spec.columns = 2;
        spec.subheaders = {subheader_};
        ASSERT_TRUE(testsupport::writeSpectrumFile("CX.RGD", spec, records(RECORDS, 2, 1.0F, [&](int r) {
                                                       return std::vector<HeaderWord>{
                                                           {FIELD_coadditionsCount, coadds},
                                                           {FIELD_missingDataFlag, missingAt(r)},
                                                           {FIELD_sceneMirrorPosition, 72.0F}};
                                                   })));
    }

    // Variance file: one column of value at every point.
    void writeVariance(float value, const std::function<float(int)>& missingAt = [](int) { return 0.0F; },
                       SpectrumFileSpec spec = {}) {
        spec.subheaders = {subheader_};
        std::vector<SpectrumRecord> recs;
        for (int r = 1; r <= RECORDS; ++r) {
            recs.push_back({std::vector<float>(static_cast<std::size_t>(spec.points), value),
                            {{FIELD_coadditionsCount, 45.0F}, {FIELD_missingDataFlag, missingAt(r)}}});
        }
        ASSERT_TRUE(testsupport::writeSpectrumFile("VAR.RGD", spec, recs));
    }

    void call(int NSEQ, int NRCXF, int NRESP = NPTS) {
        const vorncalv::VarianceContext run{.NSMP = 6,
                                            .NBBP = 4,
                                            .IFILE = IFILE_,
                                            .MFILE = MFILE_,
                                            .OFILE = OFILE_,
                                            .STFILE = STFILE_,
                                            .LUS = 21,
                                            .LOG = log_.unit(),
                                            .LOGFIL = log_.name(),
                                            .IWAIT = IWAIT_,
                                            .IDSUBH = run_.IDSUBH,
                                            .NSUBH = run_.NSUBH,
                                            .HISTRY = run_.HISTRY,
                                            .PROGRM = run_.PROGRM,
                                            .VERSION = run_.VERSION};
        const vorncalv::VarianceScene scene{.NSEQ = NSEQ, .NRCXF = NRCXF, .RESP = RESP_, .NRESP = NRESP,
                                            .IDAMD = run_.IDAMD, .AMDO = AMDO_, .NAMD = run_.NAMD};
        vorncalv::calvar(st_, run, scene, WNA_, GOTFIL_);
    }

    testsupport::ProductContent product() const {
        return testsupport::readProduct("V.CVS", std::vector<int>(run_.IDAMD.begin(), run_.IDAMD.end()));
    }

    testsupport::LogCapture log_;
    testsupport::TempDir dir_;
    testsupport::InDirectory here_;
    vorncalv::RunState run_;
    vorncalv::CalvarState st_;
    int subheader_ = 0;
    std::string IFILE_ = util::pad("VAR.RGD", 80);
    std::string MFILE_ = util::pad("CX.RGD", 80);
    std::string OFILE_ = util::pad("V.CVS", 80);
    std::string STFILE_ = util::pad("V.STC", 80);
    std::vector<float> RESP_ = std::vector<float>(NPTS, 2.0F);
    double WNA_ = 0.0;
    int IWAIT_ = 0;
    int GOTFIL_ = 1;
    std::array<float, 15> AMDO_{};
};

}  // namespace

TEST_F(Calvar, FirstSceneOfSetWritesBlackbodyRecordsAndSceneUnderTheirOwnNumbers) {
    writeSource(45.0F);
    writeVariance(450.0F);
    call(1, 5);  // first scene of set 1: records 1..5
    EXPECT_EQ(product().records, 5);
    call(1, 6);  // second scene: only record 6
    EXPECT_EQ(product().records, 6);
    call(2, 11);  // first scene of set 2: records 7..11
    const auto p = product();
    ASSERT_EQ(p.records, 11);
    EXPECT_EQ(st_.NRO, 11);
    EXPECT_EQ(GOTFIL_, 1);
    EXPECT_EQ(log_.log(), "");
}

TEST_F(Calvar, VarianceIsDividedByScansTwiceAndByResponsivitySquared) {
    writeSource(45.0F);
    writeVariance(450.0F);
    call(1, 5);
    const auto p = product();
    ASSERT_EQ(p.records, 5);
    const float expected = 2.5F / 45.0F;  // 450/45/4 = 2.5, then /45
    for (const auto& rec : p.data) {
        ASSERT_EQ(rec.size(), static_cast<std::size_t>(NPTS));
        for (float v : rec) EXPECT_FLOAT_EQ(v, expected);
    }
    EXPECT_NEAR(expected, 0.0556, 5e-5);
}

TEST_F(Calvar, BlackbodyRecordsCarryTheScenesMetadataAndGrid) {
    writeSource(45.0F);
    writeVariance(450.0F);
    call(1, 5);
    const auto p = product();
    ASSERT_EQ(p.records, 5);
    for (int r = 0; r < 5; ++r) {
        for (std::size_t i = 0; i < AMDO_.size(); ++i) EXPECT_EQ(p.metadata[r][i], AMDO_[i]) << r << " " << i;
        ASSERT_EQ(p.grid[r].size(), static_cast<std::size_t>(NPTS));
        EXPECT_DOUBLE_EQ(p.grid[r].front(), 500.0);
        EXPECT_DOUBLE_EQ(p.grid[r].back(), 1500.0);
    }
    EXPECT_EQ(p.descriptions, (std::vector<std::string>{"VarianceOfRadiance", "Variance of Radiance",
                                                         "Variance of radiance during view", "(mw/(m2 sr cm-1))^2"}));
    EXPECT_DOUBLE_EQ(WNA_, 500.0);
}

TEST_F(Calvar, MissingCoadditionCountFallsBackTo23ForBlackbodyAnd45ForScene) {
    writeSource(0.0F);
    writeVariance(450.0F);
    call(1, 5);
    const auto p = product();
    ASSERT_EQ(p.records, 5);
    for (int r = 0; r < 4; ++r) EXPECT_FLOAT_EQ(p.data[r][0], static_cast<float>(450.0 / 23 / 4) / 23.0F);
    EXPECT_FLOAT_EQ(p.data[4][0], 2.5F / 45.0F);
    std::string expected;
    for (int r = 0; r < 4; ++r) expected += "CALVAR using default number of coadds!!\n ... which is 23\n";
    expected += "CALVAR using default number of coadds!!\n ... which is 45\n";
    EXPECT_EQ(log_.log(), expected);
}

TEST_F(Calvar, CoadditionCountAbsentFromHeaderUsesTheDefaults) {
    SpectrumFileSpec spec;
    spec.columns = 2;  // no subheader with coadditionsCount
    ASSERT_TRUE(testsupport::writeSpectrumFile("CX.RGD", spec, records(RECORDS, 2, 1.0F, [](int) {
                                                   return std::vector<HeaderWord>{{FIELD_missingDataFlag, 0.0F}};
                                               })));
    writeVariance(450.0F);
    call(1, 5);
    call(1, 6);
    const auto p = product();
    ASSERT_EQ(p.records, 6);
    for (int r = 0; r < 4; ++r) EXPECT_FLOAT_EQ(p.data[r][0], static_cast<float>(450.0 / 23 / 4) / 23.0F);
    EXPECT_FLOAT_EQ(p.data[4][0], 2.5F / 45.0F);
    EXPECT_FLOAT_EQ(p.data[5][0], 2.5F / 45.0F);
    EXPECT_EQ(GOTFIL_, 1);
}

TEST_F(Calvar, MissingSceneMakesAllItsVarianceRecordsMissing) {
    writeSource(45.0F);
    writeVariance(450.0F);
    AMDO_.fill(std::bit_cast<float>(0x7FC00000U));
    AMDO_[3] = 1.0F;
    call(1, 5);
    const auto p = product();
    ASSERT_EQ(p.records, 5);
    for (int r = 0; r < 5; ++r) {
        for (float v : p.data[r]) EXPECT_TRUE(testsupport::isMissingPattern(v));
        for (std::size_t i = 0; i < AMDO_.size(); ++i) {
            if (i == 3)
                EXPECT_EQ(p.metadata[r][i], 1.0F);
            else
                EXPECT_TRUE(testsupport::isMissingPattern(p.metadata[r][i])) << r << " " << i;
        }
    }
    EXPECT_EQ(log_.log(),
              "CALVAR -- NULL RECORD, NO.     1\nCALVAR -- NULL RECORD, NO.     2\nCALVAR -- NULL RECORD, NO.     3\n"
              "CALVAR -- NULL RECORD, NO.     4\nCALVAR -- NULL RECORD, NO.     5\n");
}

TEST_F(Calvar, MissingVarianceOrSourceRecordIsWrittenMissing) {
    writeSource(45.0F, [](int r) { return r == 2 ? 1.0F : 0.0F; });
    writeVariance(450.0F, [](int r) { return r == 4 ? 1.0F : 0.0F; });
    call(1, 5);
    const auto p = product();
    ASSERT_EQ(p.records, 5);
    for (int r : {1, 3}) {
        EXPECT_TRUE(testsupport::isMissingPattern(p.data[r][0])) << r;
        EXPECT_EQ(p.metadata[r][3], 1.0F);
        EXPECT_TRUE(testsupport::isMissingPattern(p.metadata[r][0]));
    }
    for (int r : {0, 2, 4}) {
        EXPECT_FLOAT_EQ(p.data[r][0], 2.5F / 45.0F) << r;
        EXPECT_EQ(p.metadata[r][0], AMDO_[0]);
    }
    EXPECT_EQ(log_.log(), "CALVAR -- NULL RECORD, NO.     2\nCALVAR -- NULL RECORD, NO.     4\n");
}

TEST_F(Calvar, NonPositiveResponsivityGivesNaNAtThatPoint) {
    writeSource(45.0F);
    writeVariance(450.0F);
    RESP_[2] = 0.0F;
    RESP_[5] = -1.0F;
    call(1, 5);
    const auto p = product();
    ASSERT_EQ(p.records, 5);
    for (int i = 0; i < NPTS; ++i) {
        if (i == 2 || i == 5)
            EXPECT_TRUE(testsupport::isMissingPattern(p.data[4][i])) << i;
        else
            EXPECT_FLOAT_EQ(p.data[4][i], 2.5F / 45.0F) << i;
    }
}


TEST_F(Calvar, QuotientBeyondSinglePrecisionBecomesInfinity) {
    writeSource(45.0F);
    writeVariance(3.0e38F);
    RESP_[3] = 1.0e-20F;  // squared 1E-40: the quotient is far beyond the 32-bit range
    call(1, 5);
    const auto p = product();
    ASSERT_EQ(p.records, 5);
    EXPECT_EQ(p.data[4][3], std::numeric_limits<float>::infinity());
    EXPECT_FLOAT_EQ(p.data[4][2], static_cast<float>(3.0e38 / 45.0 / 4.0) / 45.0F);
}
TEST_F(Calvar, PointsBeyondTheResponsivityGridAreNaNNotStale) {
    writeSource(45.0F);
    SpectrumFileSpec wide;
    wide.last = 1700.0;  // steps of 1200/7 against 1000/7: the last point maps to index 9
    writeVariance(450.0F, [](int) { return 0.0F; }, wide);
    call(1, 5);
    const auto p = product();
    ASSERT_EQ(p.records, 5);
    for (int i = 0; i < NPTS - 1; ++i) EXPECT_FLOAT_EQ(p.data[4][i], 2.5F / 45.0F) << i;
    EXPECT_TRUE(testsupport::isMissingPattern(p.data[4][NPTS - 1]));
}

// Both files on one grid, so every variance point is its own nearest source point; a
// responsivity shorter than the record (after a call with a full one made that map) still
// ends where it ends: NaN beyond, and nothing read past it.
TEST_F(Calvar, SameGridWithShorterResponsivityGivesNaNBeyondIt) {
    writeSource(45.0F);
    writeVariance(450.0F);
    call(1, 5);
    RESP_.resize(NPTS - 3);
    call(1, 6, NPTS - 3);
    const auto p = product();
    ASSERT_EQ(p.records, 6);
    for (int i = 0; i < NPTS; ++i) {
        if (i < NPTS - 3)
            EXPECT_FLOAT_EQ(p.data[5][i], 2.5F / 45.0F) << i;
        else
            EXPECT_TRUE(testsupport::isMissingPattern(p.data[5][i])) << i;
    }
}

TEST_F(Calvar, UnreadableVarianceFileLogsThreeLinesAndKeepsProductOn) {
    writeSource(45.0F);
    IFILE_ = util::pad("NOPE.RGD", 80);
    call(1, 5);
    EXPECT_EQ(log_.log(), "filetype is unknown\nCALVAR -- BAD STATUS FROM RDDMVF, IFILE=NOPE.RGD\nIRDST= 1\n");
    EXPECT_FALSE(std::filesystem::exists("V.CVS"));
    EXPECT_EQ(GOTFIL_, 1);
}

TEST_F(Calvar, UnreadableSourceFileLogsThreeLinesAndReturns) {
    writeVariance(450.0F);
    call(1, 5);
    EXPECT_EQ(log_.log(), "filetype is unknown\nCALVAR -- BAD STATUS FROM RDDMVF, FILE=CX.RGD\nIRDST= 1\n");
    EXPECT_FALSE(std::filesystem::exists("V.CVS"));
    EXPECT_EQ(GOTFIL_, 1);
}

TEST_F(Calvar, VarianceFileEndingInsideTheRangeWritesTheRecordsBefore) {
    writeSource(45.0F);
    SpectrumFileSpec spec;
    spec.subheaders = {subheader_};
    ASSERT_TRUE(testsupport::writeSpectrumFile("VAR.RGD", spec, records(3, 1, 450.0F, [](int) {
                                                   return std::vector<HeaderWord>{{FIELD_missingDataFlag, 0.0F}};
                                               })));
    call(1, 5);
    EXPECT_EQ(product().records, 3);
    EXPECT_EQ(log_.log(), "END-OF-FILE\nCALVAR -- BAD STATUS FROM RDDMVF, IFILE=VAR.RGD\nIRDST= 6\n");
    EXPECT_EQ(GOTFIL_, 1);
}

TEST_F(Calvar, VarianceRecordOfMoreThan9000PointsIsRefused) {
    writeSource(45.0F);
    SpectrumFileSpec big;
    big.points = 9001;
    big.subheaders = {subheader_};
    ASSERT_TRUE(testsupport::writeSpectrumFile(
        "VAR.RGD", big,
        {{std::vector<float>(9001, 450.0F), {{FIELD_missingDataFlag, 0.0F}}}, {std::vector<float>(9001, 1.0F), {}}}));
    call(1, 5);  // record 1 is the first of the range
    EXPECT_EQ(log_.log(), "RECORD SIZE > LIMPTS\nCALVAR -- BAD STATUS FROM RDDMVF, IFILE=VAR.RGD\nIRDST=12\n");
    EXPECT_FALSE(std::filesystem::exists("V.CVS"));
    EXPECT_EQ(GOTFIL_, 1);
}

TEST_F(Calvar, WriteFailureTurnsTheProductOff) {
    writeSource(45.0F);
    writeVariance(450.0F);
    std::filesystem::create_directory("V.CVS");  // a directory cannot be opened as the output
    call(1, 5);
    EXPECT_EQ(GOTFIL_, 0);
    EXPECT_EQ(log_.log(), "filename did not correspond to a regular file\n");  // the library's refusal
    EXPECT_TRUE(std::filesystem::is_directory("V.CVS"));
}

TEST_F(Calvar, RealTimeModeRecordsTheCountInTheStatusFile) {
    writeSource(45.0F);
    writeVariance(450.0F);
    std::string CINFO = run_.CINFO;
    int LSN = -1;
    util::rdsta(21, STFILE_, CINFO, LSN);
    IWAIT_ = 1;
    call(1, 5);
    EXPECT_EQ(util::nrout(OFILE_, STFILE_, 21), 5);
    call(1, 6);
    EXPECT_EQ(util::nrout(OFILE_, STFILE_, 21), 6);
}

TEST_F(Calvar, OutputNameIsTerminatedInPlace) {
    writeSource(45.0F);
    writeVariance(450.0F);
    call(1, 5);
    EXPECT_EQ(OFILE_.substr(0, 6), std::string("V.CVS\0", 6));
    EXPECT_EQ(OFILE_.size(), 80U);
}

TEST_F(Calvar, LayoutWithoutValidRecordNumberIsRefused) {
    EXPECT_THROW(call(0, 5), std::invalid_argument);
    EXPECT_THROW(call(1, 0), std::invalid_argument);
}

// The reader negates identifiers a file lacks; each read asks afresh, so a variance file
// without coadditionsCount does not hide the count of the source record read after it.
TEST_F(Calvar, HeaderWordMissingFromVarianceFileDoesNotHideSourceCount) {
    writeSource(30.0F);
    SpectrumFileSpec spec;  // base subheader only: missingDataFlag
    ASSERT_TRUE(testsupport::writeSpectrumFile("VAR.RGD", spec, records(RECORDS, 1, 450.0F, [](int) {
                                                   return std::vector<HeaderWord>{{FIELD_missingDataFlag, 0.0F}};
                                               })));
    call(1, 5);
    call(1, 6);
    const auto p = product();
    ASSERT_EQ(p.records, 6);
    for (const auto& rec : p.data) EXPECT_FLOAT_EQ(rec[0], static_cast<float>(450.0 / 30 / 4) / 30.0F);
    EXPECT_EQ(log_.log(), "");
}

// Variance value 450*r in input record r: output record r must come from input record r.
TEST_F(Calvar, EachVarianceRecordComesFromTheInputRecordOfItsNumber) {
    writeSource(45.0F);
    SpectrumFileSpec spec;
    spec.subheaders = {subheader_};
    std::vector<SpectrumRecord> recs;
    for (int r = 1; r <= RECORDS; ++r)
        recs.push_back({std::vector<float>(NPTS, 450.0F * static_cast<float>(r)), {{FIELD_missingDataFlag, 0.0F}}});
    ASSERT_TRUE(testsupport::writeSpectrumFile("VAR.RGD", spec, recs));
    call(1, 5);
    call(1, 6);
    call(2, 11);
    call(2, 12);
    const auto p = product();
    ASSERT_EQ(p.records, 12);
    for (int r = 1; r <= 12; ++r) {
        const float perScan = static_cast<float>(450.0 * r / 45 / 4);
        EXPECT_FLOAT_EQ(p.data[static_cast<std::size_t>(r - 1)][0], perScan / 45.0F) << r;
    }
}
