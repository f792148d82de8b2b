// Output products of one scene and the per-scene status update.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "libutil/fixedtext.h"
#include "libutil/nrout.h"
#include "libutil/rdsta.h"
#include "libutil/stop.h"
#include "ravlio/fields.h"
#include "ravlio/fortjkt.h"
#include "ravlio/platform.h"
#include "support/logcapture.h"
#include "support/rgdbuilder.h"
#include "support/runprogram.h"
#include "support/syntheticday.h"
#include "support/tempdir.h"
#include "support/vornfiles.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/outputs.h"
#include "vorncalv/runstate.h"

namespace {

using testsupport::HeaderWord;
using testsupport::SpectrumFileSpec;
using testsupport::SpectrumRecord;

constexpr int NPTS = 8;
constexpr int RECORDS = 12;  // two sets of 6 records: 4 blackbody records, 2 scenes

const std::string RLC = "T       .RLC";
const std::string IMC = "T       .IMC";
const std::string RES = "T       .RES";
const std::string CVS = "T       .CVS";
const std::string LVF = "T       .LVF";
const std::string STC = "T       .STC";

std::string stopText(const std::function<void()>& call) {
    try {
        call();
    } catch (const util::Stop& s) {
        return s.text();
    }
    return "(no stop)";
}

class Outputs : public ::testing::Test {
protected:
    Outputs() : here_(dir_.path()) {
        testsupport::installRgdDriver();
        vorncalv::setUp(s);
        s.LOG = log_.unit();
        s.LOGFIL = log_.name();
        s.BASE = util::pad("T", 8);
        s.OFILE1 = vorncalv::outputName(s.BASE, "XXXXXXXX.RLC");
        s.OFILE2 = vorncalv::outputName(s.BASE, "XXXXXXXX.IMC");
        s.OFILE3 = vorncalv::outputName(s.BASE, "XXXXXXXX.RES");
        s.OFILEV = vorncalv::outputName(s.BASE, "XXXXXXXX.CVS");
        s.VMFILE = vorncalv::outputName(s.BASE, "XXXXXXXX.LVF");
        s.STFILE = vorncalv::outputName(s.BASE, "XXXXXXXX.STC");
        s.IFILEV = util::pad("VAR.RGD", 80);
        s.ORGINP = util::pad("CX.RGD", 80);
        s.IWAIT = 0;
        s.OUTOP2 = 'N';
        s.OUTOP3 = 'N';
        s.NBBP = 4;
        s.NSVP = 2;
        s.NALL = 6;
        s.NSMP = 6;
        s.NPTS = NPTS;
        s.XMIN = 500.0;
        s.XMAX = 1500.0;
        s.WNA = 500.0;
        s.WTABBT = 0.25F;
        s.WTABBA = 0.5F;
        s.WTABBB = 0.25F;
        s.WTHBBT = 0.2F;
        s.WTHBBA = 0.6F;
        s.WTHBBB = 0.2F;
        s.ABTOFF = 0.1F;
        s.HBTOFF = 0.3F;
        s.CAVFAC = 12.0F;
        writeInputs();
    }

    // The complex-spectra input (also the source of the variance product) and a variance
    // file, and the input handle in LIST as the scene loop keeps it.
    void writeInputs() {
        SpectrumFileSpec cx;
        cx.columns = 2;
        cx.subheaders = {testsupport::subheaderHolding({FIELD_coadditionsCount})};
        std::vector<SpectrumRecord> recs;
        for (int r = 1; r <= RECORDS; ++r)
            recs.push_back(
                {std::vector<float>(2 * NPTS, 1.0F), {{FIELD_coadditionsCount, 45.0F}, {FIELD_missingDataFlag, 0.0F}}});
        ASSERT_TRUE(testsupport::writeSpectrumFile("CX.RGD", cx, recs));
        SpectrumFileSpec var;
        var.subheaders = cx.subheaders;
        for (auto& r : recs) r.data.assign(NPTS, 450.0F);
        ASSERT_TRUE(testsupport::writeSpectrumFile("VAR.RGD", var, recs));
        const int length = 0;
        int handle = 0;
        sopenr_("CX.RGD", &length, &handle);
        ASSERT_NE(handle, 0);
        s.IHNDL = handle;
        s.LIST.fill(handle);
    }

    // The bookkeeping of a calibrated scene at input record NSVR of set KSET.
    void calibratedScene(int KSET, int NSVR, char MPCAL = 'S') {
        s.NULL_ = 0;
        s.KSET = KSET;
        s.NSVR = NSVR;
        s.MPCAL = MPCAL;
        s.CALTIM = 12.5F;
        s.TAMB = 281.5F;
        s.TC = 290.25F;
        s.TH = 330.75F;
        s.ENDRMX = 17.0F;
        const int base = (KSET - 1) * s.NALL;
        s.LRNS = {base + 1, base + 2, base + 7, base + 8, NSVR};
        s.NPATWRT = 5;
        for (int i = 0; i < NPTS; ++i) {
            s.CS.SPRL[static_cast<std::size_t>(i)] = 50.0F + static_cast<float>(i);
            s.CS.SPIM[static_cast<std::size_t>(i)] = 0.5F - static_cast<float>(i);
            s.CS.RESP[static_cast<std::size_t>(i)] = 2.0F;
        }
    }

    void missingScene(int KSET, int NSVR) {
        calibratedScene(KSET, NSVR);
        s.NULL_ = 1;
        s.NPATWRT = 0;
    }

    // The bridge keeps its files open for the run; a test ends the run here.
    void TearDown() override {
        for (int* h : {&s.IHNDL, &s.JHNDL1, &s.JHNDL2, &s.JHNDL3, &s.CALVST.IHNDL, &s.CALVST.IHNDLM,
                       &s.CALVST.JHNDL}) {
            int result = 0;
            if (*h != 0) sclose_(h, &result);
        }
    }

    void run() { vorncalv::outputs(s, s.CS.SPRL, s.CS.SPIM, s.CS.RESP); }

    testsupport::ProductContent product(const std::string& name) const {
        return testsupport::readProduct(name, std::vector<int>(s.IDAMD.begin(), s.IDAMD.end()));
    }

    // Real-time mode with the driver's status file in place.
    void realTime() {
        s.IWAIT = 1;
        int LSN = -1;
        util::rdsta(s.LUS, s.STFILE, s.CINFO, LSN);
        ASSERT_EQ(LSN, 0);
    }

    testsupport::LogCapture log_;
    testsupport::TempDir dir_;
    testsupport::InDirectory here_;
    vorncalv::RunState s;
};

void expectAllMissing(const std::vector<float>& values, const std::string& what) {
    ASSERT_FALSE(values.empty()) << what;
    for (float v : values) EXPECT_TRUE(testsupport::isMissingPattern(v)) << what;
}

void expectMissingMetadata(const std::vector<float>& amd, const std::string& what) {
    ASSERT_EQ(amd.size(), 15U) << what;
    for (std::size_t i = 0; i < amd.size(); ++i) {
        if (i == 3)
            EXPECT_EQ(amd[i], 1.0F) << what;
        else
            EXPECT_TRUE(testsupport::isMissingPattern(amd[i])) << what << " AMD(" << i + 1 << ")";
    }
}

}  // namespace

TEST_F(Outputs, CalibratedSceneWritesRealPartWithItsMetadata) {
    calibratedScene(1, 5);
    run();
    const auto p = product(RLC);
    ASSERT_TRUE(p.opened);
    ASSERT_EQ(p.records, 1);
    EXPECT_EQ(p.data[0], std::vector<float>(s.CS.SPRL.begin(), s.CS.SPRL.begin() + NPTS));
    const std::vector<float> expected = {281.5F, 290.25F, 330.75F, 0.0F, 83.0F, 0.25F, 0.5F, 0.25F,
                                         0.2F,   0.6F,    0.2F,    0.1F, 0.3F,  12.0F, 17.0F};
    EXPECT_EQ(p.metadata[0], expected);
    EXPECT_EQ(s.NRO1, 1);
    EXPECT_EQ(s.NRO1TS, 1);
    EXPECT_EQ(s.INIT1, 0);
    EXPECT_EQ(log_.log(), " OUTPUT REC.NO.     1 AT  12.50000\n");
    EXPECT_EQ(log_.console(), " OUTPUT REC.NO. 1  AT 12.5\n OUTPUT REAL-PART SPECTRUM, REC.NO.     1\n"
                              " ... could NOT find variance file VAR.RGD\n");
}

TEST_F(Outputs, CalibratedSceneIDIsTheCodeOfTheExpectedIdentifier) {
    calibratedScene(1, 5, 'S');
    run();
    EXPECT_EQ(s.AMD[4], 83.0F);
    calibratedScene(1, 6, 'Z');
    run();
    EXPECT_EQ(s.AMD[4], 90.0F);
    const auto p = product(RLC);
    ASSERT_EQ(p.records, 2);
    EXPECT_EQ(p.metadata[0][4], 83.0F);
    EXPECT_EQ(p.metadata[1][4], 90.0F);
}

TEST_F(Outputs, RecordLevelDescriptionOfEachProduct) {
    s.OUTOP2 = 'Y';
    s.OUTOP3 = 'Y';
    calibratedScene(1, 5);
    run();
    const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
        {RLC,
         {"atmosphericRadiance", "Downwelling Radiance", "Downwelling atmospheric radiance spectrum",
          "mW/(m2 sr cm-1)"}},
        {IMC,
         {"DiagnosticFunction", "Calibration Diagnostic Function", "Imaginary part of calibrated radiance",
          "mW/(m2 sr cm-1)"}},
        {RES, {"responsivity", "Responsivity", "VORN Instrument Responsivity", "counts/[mW/(m2 sr cm-1)]"}},
    };
    for (const auto& [name, texts] : expected) {
        const auto p = product(name);
        ASSERT_EQ(p.records, 1) << name;
        EXPECT_EQ(p.descriptions, texts) << name;
        ASSERT_EQ(p.grid[0].size(), static_cast<std::size_t>(NPTS)) << name;
        EXPECT_DOUBLE_EQ(p.grid[0].front(), 500.0) << name;
        EXPECT_DOUBLE_EQ(p.grid[0].back(), 1500.0) << name;
    }
    EXPECT_EQ(product(IMC).data[0], std::vector<float>(s.CS.SPIM.begin(), s.CS.SPIM.begin() + NPTS));
    EXPECT_EQ(product(RES).data[0], std::vector<float>(NPTS, 2.0F));
    EXPECT_EQ(s.FILE_TYPE, 1);
    EXPECT_EQ(s.NUMBEROFDATATYPES, 1);
    EXPECT_EQ(s.IDENTIFIERLIST[0], 0);
    EXPECT_EQ(s.POINTSPERRECORDLIST[0], NPTS);
    EXPECT_EQ(s.INDEPENDENTPRECISIONLIST[0], 6);
    EXPECT_EQ(s.DEPENDENTPRECISIONLOGLIST[0], 4);
    EXPECT_EQ(s.SHORTNAMELIST, vorncalv::getretablesn());  // the product described last
}

TEST_F(Outputs, MissingSceneGivesOneAllNaNRecordInEveryEnabledProduct) {
    s.OUTOP2 = 'Y';
    s.OUTOP3 = 'Y';
    s.GOTFIL = 1;
    missingScene(1, 5);
    run();
    for (const std::string& name : {RLC, IMC, RES}) {
        const auto p = product(name);
        ASSERT_EQ(p.records, 1) << name;
        expectAllMissing(p.data[0], name);
        expectMissingMetadata(p.metadata[0], name);
    }
    const auto v = product(CVS);
    ASSERT_EQ(v.records, 5);  // the set's blackbody records and the scene, all missing
    for (int r = 0; r < 5; ++r) {
        expectAllMissing(v.data[static_cast<std::size_t>(r)], CVS);
        expectMissingMetadata(v.metadata[static_cast<std::size_t>(r)], CVS);
    }
    EXPECT_EQ(s.NRO1, 1);
    EXPECT_EQ(s.NRO2, 1);
    EXPECT_EQ(s.NRO3, 1);
}

TEST_F(Outputs, WithoutOptionalProductsOnlyTheRealPartIsWritten) {
    calibratedScene(1, 5);
    run();
    calibratedScene(1, 6);
    run();
    EXPECT_EQ(product(RLC).records, 2);
    for (const std::string& name : {IMC, RES, CVS, STC}) EXPECT_FALSE(std::filesystem::exists(name)) << name;
    EXPECT_EQ(s.NRO1, 2);
    EXPECT_EQ(s.NRO2, 0);
    EXPECT_EQ(s.NRO3, 0);
}

TEST_F(Outputs, ThreeSpectraOfOneSceneShareTheRecordNumber) {
    s.OUTOP2 = 'Y';
    s.OUTOP3 = 'Y';
    for (int nsvr : {5, 6}) {
        calibratedScene(1, nsvr);
        run();
    }
    missingScene(2, 11);
    run();
    for (const std::string& name : {RLC, IMC, RES}) {
        const auto p = product(name);
        ASSERT_EQ(p.records, 3) << name;
        expectAllMissing(p.data[2], name);
        EXPECT_FALSE(testsupport::isMissingPattern(p.data[1][0])) << name;
    }
    EXPECT_EQ(s.NRO1, 3);
    EXPECT_EQ(s.NRO2, 3);
    EXPECT_EQ(s.NRO3, 3);
}

TEST_F(Outputs, BatchModeWritesNoStatusFileAndKeepsLsnZero) {
    s.OUTOP2 = 'Y';
    calibratedScene(1, 5);
    run();
    EXPECT_FALSE(std::filesystem::exists(STC));
    EXPECT_EQ(s.LSN, 0);
    EXPECT_EQ(log_.console().find("UPDATE OF STATUS FILE"), std::string::npos);
}

TEST_F(Outputs, RealTimeModeRecordsEveryProductAndTheLastScene) {
    s.OUTOP2 = 'Y';
    s.OUTOP3 = 'Y';
    realTime();
    calibratedScene(1, 5);
    run();
    calibratedScene(1, 6);
    run();
    EXPECT_EQ(util::nrout(s.OFILE1, s.STFILE, s.LUS), 2);
    EXPECT_EQ(util::nrout(s.OFILE2, s.STFILE, s.LUS), 2);
    EXPECT_EQ(util::nrout(s.OFILE3, s.STFILE, s.LUS), 2);
    EXPECT_EQ(s.LSN, 2);
    std::string CINFO = s.CINFO;
    int LSN = -1;
    util::rdsta(s.LUS, s.STFILE, CINFO, LSN);
    EXPECT_EQ(LSN, 2);
    const std::string bytes = testsupport::readFile(STC);
    ASSERT_EQ(bytes.size(), 4U * 80U);
    EXPECT_EQ(bytes.substr(0, 80), util::pad("VORNCALV -- LAST SCENE CALIBRATED:", 75) + "    2");
    EXPECT_EQ(bytes.substr(80, 80), util::pad(RLC, 75) + "    2");
    EXPECT_EQ(bytes.substr(160, 80), util::pad(IMC, 75) + "    2");
    EXPECT_EQ(bytes.substr(240, 80), util::pad(RES, 75) + "    2");
    EXPECT_EQ(log_.log(),
              " OUTPUT REC.NO.     1 AT  12.50000\n UPDATED STATUS FILE, LAST SCENE:    1\n"
              " OUTPUT REC.NO.     2 AT  12.50000\n UPDATED STATUS FILE, LAST SCENE:    2\n");
}

TEST_F(Outputs, RealTimeConsoleEndsEachSceneWithTheStatusLine) {
    realTime();
    calibratedScene(1, 5);
    run();
    const std::string console = log_.console();
    const std::string tail = " =>=> UPDATE OF STATUS FILE COMPLETED <=<=\n";
    ASSERT_GE(console.size(), tail.size());
    EXPECT_EQ(console.substr(console.size() - tail.size()), tail);
}

TEST_F(Outputs, VarianceProductAndMarkerFileWhenVarianceFileFound) {
    s.GOTFIL = 1;
    calibratedScene(1, 5);
    run();
    const auto v = product(CVS);
    ASSERT_EQ(v.records, 5);
    EXPECT_FLOAT_EQ(v.data[4][0], 2.5F / 45.0F);
    EXPECT_EQ(testsupport::readFile(LVF), " ... FOUND variance file VAR.RGD\n");
    EXPECT_EQ(s.IGOTM, 1);
    EXPECT_EQ(s.GOTFIL, 1);
    EXPECT_NE(log_.console().find(" ... FOUND variance file VAR.RGD\n"), std::string::npos);
}

TEST_F(Outputs, MarkerFileIsWrittenOncePerRun) {
    s.GOTFIL = 1;
    calibratedScene(1, 5);
    run();
    std::filesystem::remove(LVF);
    calibratedScene(1, 6);
    run();
    EXPECT_FALSE(std::filesystem::exists(LVF));
    EXPECT_EQ(product(CVS).records, 6);
}

TEST_F(Outputs, MarkerSaysNotFoundWhenVarianceProductFailsOnItsFirstRecord) {
    s.GOTFIL = 1;
    std::filesystem::create_directory(CVS);  // the variance output cannot be created
    calibratedScene(1, 5);
    run();
    EXPECT_EQ(s.GOTFIL, 0);
    EXPECT_EQ(testsupport::readFile(LVF), " could NOT find variance file VAR.RGD\n");
    EXPECT_NE(log_.console().find(" ... could NOT find variance file VAR.RGD\n"), std::string::npos);
    EXPECT_EQ(log_.log(),
              " OUTPUT REC.NO.     1 AT  12.50000\nfilename did not correspond to a regular file\n");
    // The product stays off: the next scene writes no variance record and no marker.
    std::filesystem::remove(LVF);
    calibratedScene(1, 6);
    run();
    EXPECT_FALSE(std::filesystem::exists(LVF));
    EXPECT_EQ(product(RLC).records, 2);
}

// Every run writes the marker, so that a marker of an earlier run never speaks for this one.
TEST_F(Outputs, WithoutVarianceFileTheMarkerSaysSo) {
    calibratedScene(1, 5);
    run();
    EXPECT_EQ(testsupport::readFile(LVF), " could NOT find variance file VAR.RGD\n");
    EXPECT_EQ(s.IGOTM, 1);
}

TEST_F(Outputs, RealPartWriteFailureStops) {
    std::filesystem::create_directory(RLC);
    calibratedScene(1, 5);
    EXPECT_EQ(stopText([&] { run(); }), "WRITE ERROR!");
    EXPECT_EQ(log_.log(),
              " OUTPUT REC.NO.     1 AT  12.50000\nfilename did not correspond to a regular file\n");
}

// A full disk while a record of the real part is written: the library's text ends the log,
// the program stops with its stop text, and the product keeps exactly the records before.
TEST_F(Outputs, FullDiskWhileWritingARecordStopsAndLeavesNoPartialRecord) {
    calibratedScene(1, 5);
    run();
    ASSERT_EQ(product(RLC).records, 1);
    calibratedScene(1, 6);  // the second scene of set 1: every source record is in the input
    struct DiskFull {
        static long fault(RAVLIOIoCall call, size_t) { return call == RAVLIO_IO_WRITE ? -ENOSPC : 0; }
        DiskFull() : previous(RAVLIOsetIoFaultFunction(fault)) {}
        ~DiskFull() { RAVLIOsetIoFaultFunction(previous); }
        RAVLIOIoFaultFunction previous;
    };
    std::string stopped;
    {
        DiskFull full;
        stopped = stopText([&] { run(); });
    }
    EXPECT_EQ(stopped, "WRITE ERROR!");
    const std::string log = log_.log();
    EXPECT_EQ(log.substr(log.size() - std::string("write to file failed\n").size()), "write to file failed\n");
    EXPECT_EQ(product(RLC).records, 1);
}

TEST_F(Outputs, ImaginaryPartWriteFailureStops) {
    s.OUTOP2 = 'Y';
    std::filesystem::create_directory(IMC);
    calibratedScene(1, 5);
    EXPECT_EQ(stopText([&] { run(); }), "WRITE ERROR!");
    EXPECT_EQ(s.NRO2, 1);
    EXPECT_EQ(product(RLC).records, 1);
}

TEST_F(Outputs, ResponsivityWriteFailureStops) {
    s.OUTOP3 = 'Y';
    std::filesystem::create_directory(RES);
    calibratedScene(1, 5);
    EXPECT_EQ(stopText([&] { run(); }), "WRITE ERROR!");
}

TEST_F(Outputs, MarkerFileThatCannotBeOpenedStops) {
    s.GOTFIL = 1;
    std::filesystem::create_directory(LVF);
    calibratedScene(1, 5);
    EXPECT_EQ(stopText([&] { run(); }), "OPEN ERROR (VMFILE)");
    const std::string log = log_.log();
    const std::string last = " UNABLE TO OPEN FILE T       .LVF\n";
    ASSERT_GE(log.size(), last.size());
    EXPECT_EQ(log.substr(log.size() - last.size()), last);
}

TEST_F(Outputs, MarkerFileThatCannotBeWrittenStops) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to make writes fail";
    s.GOTFIL = 1;
    std::filesystem::create_symlink("/dev/full", LVF);
    calibratedScene(1, 5);
    EXPECT_EQ(stopText([&] { run(); }), "WRITE ERROR");
    const std::string log = log_.log();
    const std::string last = " WRITE ERROR TO FILE T       .LVF\n";
    ASSERT_GE(log.size(), last.size());
    EXPECT_EQ(log.substr(log.size() - last.size()), last);
    EXPECT_EQ(s.IGOTM, 0);
}

TEST_F(Outputs, LastSceneCountThatCannotBeRecordedStops) {
    realTime();
    s.LSN = 99999;  // the next count does not fit the status file's field
    calibratedScene(1, 5);
    EXPECT_EQ(stopText([&] { run(); }), "BAD STATUS FROM WRTSTA");
    EXPECT_EQ(log_.log(), " OUTPUT REC.NO.     1 AT  12.50000\nWRTSTA RETURNED BAD STATUS; UPDATING LSN\n");
}

TEST_F(Outputs, OutputNamesAreTerminatedInPlace) {
    s.OUTOP2 = 'Y';
    calibratedScene(1, 5);
    run();
    EXPECT_EQ(s.OFILE1.substr(0, 13), RLC + '\0');
    EXPECT_EQ(s.OFILE2.substr(0, 13), IMC + '\0');
    EXPECT_EQ(s.OFILE1.size(), 80U);
}

TEST_F(Outputs, PointCountBeyondTheSpectraIsRefused) {
    calibratedScene(1, 5);
    s.NPTS = 9001;
    EXPECT_THROW(run(), std::invalid_argument);
    s.NPTS = 0;
    EXPECT_THROW(run(), std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(RLC));
}
