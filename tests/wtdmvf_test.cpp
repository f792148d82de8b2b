// wtdmvf: creating and reopening output files, writing records, statuses, waiting and the
// console lines.
#include "libutil/wtdmvf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/inputfiles.h"
#include "libutil/logmsg.h"
#include "libutil/stop.h"
#include "ravlio/fields.h"
#include "ravlio/fortjkt.h"
#include "support/rgdbuilder.h"
#include "support/sleeprecorder.h"
#include "support/tempdir.h"

namespace {

using testsupport::RgdMetadata;
using testsupport::RgdSpec;

constexpr int NPTS = 6;
const char* const SHORTNAMES[] = {"atmosphericRadiance"};
const char* const LABELS[] = {"Downwelling Radiance"};
const char* const LONGNAMES[] = {"Downwelling atmospheric radiance spectrum"};
const char* const UNITS[] = {"mW/(m2 sr cm-1)"};

// The caller's side of one wtdmvf call, shaped as the calibration driver makes it: five
// sources, one subheader, 15 metadata values, one column.
struct Call {
    int inito = 1;
    int iwait = 0;
    int nro = 1;
    std::string ofile;
    int file_type = 1;
    std::string progrm = util::pad("VORNCALV", 40);
    std::string version = util::pad("test", 40);
    std::string histry = util::pad("written by wtdmvf_test", 80);
    std::vector<int> idsubh{97122201};
    int nsubh = 1;
    std::vector<int> list = std::vector<int>(5, 0);
    std::vector<int> lrns = std::vector<int>(5, 1);
    int npatopn = 5;
    int npatwrt = 5;
    std::vector<int> idamd{FIELD_missingDataFlag};
    int namd = 1;
    std::vector<float> amd{0.0f};
    std::vector<float> obuf = std::vector<float>(NPTS, 0.0f);
    int ntotal = NPTS;
    int numberofdatatypes = 1;
    std::vector<int> identifierlist{0};
    std::vector<double> minimum{700.0};
    std::vector<double> maximum{1200.0};
    std::vector<int> indPrec{6};
    std::vector<int> points{NPTS};
    std::vector<int> depPrec{4};
    std::vector<const char*> shortnames{SHORTNAMES[0]};
    std::vector<const char*> labels{LABELS[0]};
    std::vector<const char*> longnames{LONGNAMES[0]};
    std::vector<const char*> units{UNITS[0]};
    int jhndl = 0;
    std::string msg;
    int istat = -1;

    void run() {
        const util::ProductDescription product{.file_type = file_type,
                                               .progrm = progrm,
                                               .version = version,
                                               .histry = histry,
                                               .idsubh = idsubh,
                                               .nsubh = nsubh,
                                               .list = list,
                                               .npatopn = npatopn,
                                               .numberofdatatypes = numberofdatatypes,
                                               .identifierlist = identifierlist,
                                               .independentminimumlist = minimum,
                                               .independentmaximumlist = maximum,
                                               .independentprecisionlist = indPrec,
                                               .pointsperrecordlist = points,
                                               .dependentprecisionloglist = depPrec,
                                               .shortnamelist = shortnames,
                                               .labellist = labels,
                                               .longnamelist = longnames,
                                               .unitslist = units};
        const util::RecordContents record{.nro = nro, .list = list, .lrns = lrns, .npatwrt = npatwrt,
                                          .idamd = idamd, .namd = namd, .amd = amd, .obuf = obuf, .ntotal = ntotal};
        util::wtdmvf(inito, iwait, ofile, product, record, jhndl, msg, istat);
    }
    void data(float base) {
        for (int i = 0; i < NPTS; ++i) obuf[static_cast<size_t>(i)] = base + static_cast<float>(i);
    }
};

class Wtdmvf : public ::testing::Test {
protected:
    Wtdmvf() : redirect_(in_, out_) { testsupport::installRgdDriver(); }
    ~Wtdmvf() override {
        for (int h : handles_) {
            int r = 0;
            sclose_(&h, &r);
        }
    }

    // An input file of count records, open through the adapters; its handle.
    int input(int count) {
        RgdSpec spec;
        spec.columns[0].points = NPTS;
        const std::string path = dir_.file("input.rgd");
        std::string error;
        EXPECT_TRUE(testsupport::writeRgdFile(
            path, spec, count,
            [](int r) {
                return RgdMetadata{{FIELD_missingDataFlag}, {static_cast<float>(r)}};
            },
            &error))
            << error;
        return open(path);
    }

    int open(const std::string& path) {
        int h = 0;
        const int length = 0;
        sopenr_(path.c_str(), &length, &h);
        EXPECT_NE(h, 0) << path;
        if (h != 0) handles_.push_back(h);
        return h;
    }

    void close(int& h) {
        int r = 0;
        sclose_(&h, &r);
        std::erase(handles_, h);
        h = 0;
    }

    Call callFor(const std::string& path, int source) {
        Call c;
        c.ofile = util::pad(path, 80);
        c.list.assign(5, source);
        return c;
    }

    void run(Call& c) {
        const bool opening = c.inito == 1;
        c.run();
        if (opening && c.jhndl != 0) handles_.push_back(c.jhndl);
    }

    int records(const std::string& path) {
        int h = open(path);
        int count = -1;
        srrcnt_(&h, &count);
        close(h);
        return count;
    }

    std::vector<float> values(const std::string& path, int record) {
        int h = open(path);
        std::vector<float> v(NPTS, -1.0f);
        const int size = NPTS;
        int got = 0;
        srdval_(&h, &record, v.data(), &size, &got);
        close(h);
        return v;
    }

    std::string console() const { return out_.str(); }

    testsupport::TempDir dir_;
    std::istringstream in_;
    std::ostringstream out_;
    util::ConsoleRedirect redirect_;
    std::vector<int> handles_;
};

TEST_F(Wtdmvf, FirstCallCreatesTheFileAndWritesTheRecord) {
    const int src = input(3);
    const std::string path = dir_.file("out.RLC");
    Call c = callFor(path, src);
    c.lrns = {1, 2, 3, 1, 2};
    c.data(10.0f);
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.msg, util::pad("OK", 80));
    EXPECT_EQ(c.inito, 0);
    EXPECT_NE(c.jhndl, 0);
    EXPECT_EQ(c.ofile[path.size()], '\0');
    EXPECT_EQ(c.ofile.size(), 80u);
    EXPECT_TRUE(console().empty());
    EXPECT_EQ(records(path), 1);
    EXPECT_EQ(values(path, 1), (std::vector<float>{10, 11, 12, 13, 14, 15}));
}

TEST_F(Wtdmvf, LaterCallsAppendThroughTheOpenHandle) {
    const int src = input(2);
    const std::string path = dir_.file("out.RLC");
    Call c = callFor(path, src);
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    const int handle = c.jhndl;
    c.nro = 2;
    c.data(20.0f);
    c.run();
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.jhndl, handle);
    EXPECT_EQ(records(path), 2);
    EXPECT_EQ(values(path, 2)[5], 25.0f);
}

TEST_F(Wtdmvf, SourceHeadersAndMetadataLandInTheRecord) {
    const int src = input(3);
    const std::string path = dir_.file("out.RLC");
    Call c = callFor(path, src);
    c.lrns = {3, 3, 3, 3, 3};
    c.idamd = {FIELD_calibrationAmbientTemp, FIELD_dateYYMMDD};  // dateYYMMDD is in no block of this file
    c.amd = {287.5f, 990101.0f};
    c.namd = 2;
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.idamd, (std::vector<int>{FIELD_calibrationAmbientTemp, -FIELD_dateYYMMDD}));  // not written: negated
    int h = open(path);
    int ids[2] = {FIELD_missingDataFlag, FIELD_calibrationAmbientTemp};
    float md[2] = {0, 0};
    const int record = 1, count = 2;
    int found = 0;
    srrmet_(&h, &record, ids, &count, md, &found);
    EXPECT_EQ(found, 2);
    EXPECT_EQ(md[0], 3.0f);  // from the source blocks: record 3 of the input
    EXPECT_EQ(md[1], 287.5f);
    close(h);
}

TEST_F(Wtdmvf, MissingDirectoryWithoutWaitingIsStatusOne) {
    const int src = input(1);
    const std::string path = dir_.file("nodir/out.RLC");
    Call c = callFor(path, src);
    run(c);
    EXPECT_EQ(c.istat, 1);
    EXPECT_EQ(c.msg, util::pad("filename did not correspond to a writable file", 80));
    EXPECT_EQ(c.inito, 1);
    EXPECT_EQ(c.jhndl, 0);
    EXPECT_EQ(console(), " Zero file handle returned for file " + path + "\n REASON: No such file or directory\n");
}

// A product that exists but is no file the writer can open is waited on with the system's
// reason beside the library's text.
TEST_F(Wtdmvf, WaitForAProductThatCannotBeOpenedGivesTheSystemsReason) {
    testsupport::SleepRecorder sleeps;
    const int src = input(1);
    const std::string path = dir_.file("out.RLC");
    std::filesystem::create_directory(path);
    sleeps.onWait([](int, void* context) { std::filesystem::remove(*static_cast<std::string*>(context)); },
                  const_cast<std::string*>(&path));
    Call c = callFor(path, src);
    c.iwait = 1;
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_NE(console().find("\n REASON: Is a directory\n"), std::string::npos) << console();
    EXPECT_EQ(records(path), 1);
}

TEST_F(Wtdmvf, WaitsForTheDirectoryToAppear) {
    testsupport::SleepRecorder sleeps;
    const int src = input(1);
    const std::string dir = dir_.file("later");
    const std::string path = dir + "/out.RLC";
    struct Maker {
        std::string dir;
        int seen = 0;
        static void hook(int, void* context) {
            auto* m = static_cast<Maker*>(context);
            if (++m->seen == 2) std::filesystem::create_directory(m->dir);
        }
    } maker{dir};
    sleeps.onWait(Maker::hook, &maker);
    Call c = callFor(path, src);
    c.iwait = 1;
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(sleeps.waits(), (std::vector<int>{1024, 2048}));
    const std::string tryLines = " WTDMVF -- waiting to open file " + path + "\n        -- last try was number ";
    const std::string errorLines =
        "\n Error message:\n filename did not correspond to a writable file\n REASON: No such file or directory\n";
    EXPECT_EQ(console(), tryLines + "1" + errorLines + tryLines + "2" + errorLines);
    EXPECT_EQ(records(path), 1);
}

TEST_F(Wtdmvf, RecordBeyondTheEndWithoutWaitingIsStatusTwo) {
    const int src = input(1);
    const std::string path = dir_.file("out.RLC");
    Call c = callFor(path, src);
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    c.nro = 3;
    c.run();
    EXPECT_EQ(c.istat, 2);
    const std::string text = "intermediate record(s) missing - records may not be written beyond the end of the file";
    EXPECT_EQ(c.msg, text.substr(0, 79) + " ");
    EXPECT_EQ(console(), " ZARFLastError Message:\n " + text.substr(0, 79) + "\n REC.NO.     3, FILE: " + path + "\n");
    EXPECT_EQ(records(path), 1);
}

TEST_F(Wtdmvf, WaitsUntilTheMissingRecordIsWritten) {
    testsupport::SleepRecorder sleeps;
    const int src = input(1);
    const std::string path = dir_.file("out.RLC");
    Call c = callFor(path, src);
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    // Another writer supplies record 2 after the first wait.
    struct Filler {
        int handle;
        static void hook(int, void* context) {
            const int h = static_cast<Filler*>(context)->handle;
            std::vector<float> data(NPTS, 2.0f);
            EXPECT_EQ(ZARFwriteCompleteRecord(FORTJKTfileOf(h), 2, nullptr, nullptr, 0, nullptr, 0, nullptr,
                                              data.data(), NPTS),
                      1);
        }
    } filler{c.jhndl};
    sleeps.onWait(Filler::hook, &filler);
    c.iwait = 1;
    c.nro = 3;
    c.run();
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(sleeps.waits(), (std::vector<int>{1024}));
    const std::string text = "intermediate record(s) missing - records may not be written beyond the end of the file";
    EXPECT_EQ(console(), " ZARFLastError Message:\n " + text.substr(0, 79) + "\n WTDMVF -- waiting to write record 3\n" +
                             "        -- FILE: " + path + "\n        -- last try was number 1\n");
    EXPECT_EQ(records(path), 3);
}

TEST_F(Wtdmvf, ReopeningAnOutputOfTheSameShapeKeepsItsRecords) {
    const int src = input(2);
    const std::string path = dir_.file("out.RLC");
    Call first = callFor(path, src);
    run(first);
    first.nro = 2;
    first.run();
    ASSERT_EQ(first.istat, 0) << first.msg;
    close(first.jhndl);

    Call again = callFor(path, src);  // a restarted run
    again.nro = 3;
    again.data(30.0f);
    run(again);
    ASSERT_EQ(again.istat, 0) << again.msg;
    EXPECT_EQ(again.inito, 0);
    EXPECT_EQ(records(path), 3);
    EXPECT_EQ(values(path, 3)[0], 30.0f);
}

TEST_F(Wtdmvf, ReopeningWithAnotherShapeIsStatusOne) {
    const int src = input(1);
    const std::string path = dir_.file("out.RLC");
    Call first = callFor(path, src);
    run(first);
    ASSERT_EQ(first.istat, 0) << first.msg;
    close(first.jhndl);

    Call other = callFor(path, src);
    other.idsubh = {94020101};  // another subheader list
    run(other);
    EXPECT_EQ(other.istat, 1);
    EXPECT_EQ(other.msg, util::pad("parameters for reopen do not match file anatomy", 80));
    EXPECT_EQ(records(path), 1);
}

TEST_F(Wtdmvf, CountBeyondItsArrayIsRefusedBeforeWriting) {
    const int src = input(1);
    const std::string path = dir_.file("out.RLC");
    Call c = callFor(path, src);
    c.namd = 2;  // one identifier and one value only
    run(c);
    EXPECT_EQ(c.istat, 2);
    EXPECT_EQ(c.msg, util::pad("WTDMVF -- COUNT EXCEEDS ITS ARRAY", 80));
    EXPECT_EQ(records(path), 0);
}

TEST_F(Wtdmvf, ColumnCountBeyondItsListsIsRefusedBeforeOpening) {
    const int src = input(1);
    const std::string path = dir_.file("out.RLC");
    Call c = callFor(path, src);
    c.numberofdatatypes = 2;
    run(c);
    EXPECT_EQ(c.istat, 1);
    EXPECT_EQ(c.msg, util::pad("WTDMVF -- COUNT EXCEEDS ITS ARRAY", 80));
    EXPECT_EQ(c.inito, 1);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(Wtdmvf, StaleHandleFailsAtOnceEvenWhenWaiting) {
    testsupport::SleepRecorder sleeps;
    const int src = input(1);
    const std::string path = dir_.file("out.RLC");
    Call c = callFor(path, src);
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    int stale = c.jhndl;
    close(stale);
    c.iwait = 1;
    c.nro = 2;
    c.run();
    EXPECT_EQ(c.istat, 2);
    EXPECT_EQ(c.msg, util::pad("ZARFFILE provided is bad", 80));
    EXPECT_TRUE(sleeps.waits().empty());
}

TEST_F(Wtdmvf, ClosedSourceFailsAtOnceEvenWhenWaiting) {
    testsupport::SleepRecorder sleeps;
    int src = input(1);
    const std::string path = dir_.file("out.RLC");
    Call c = callFor(path, src);
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    close(src);
    c.iwait = 1;
    c.nro = 2;
    c.run();
    EXPECT_EQ(c.istat, 2);
    EXPECT_EQ(c.msg, util::pad("ZARFFILE provided is bad", 80));
    EXPECT_TRUE(sleeps.waits().empty());
    EXPECT_EQ(records(path), 1);
}

// A source cut short under the writer (its record 3 half gone): without waiting the record
// is refused; with waiting the writer waits until the upstream program has written the file
// whole again, and the record carries the source's header data, not NaN.
class WtdmvfCutSource : public Wtdmvf, public ::testing::WithParamInterface<int> {};

TEST_P(WtdmvfCutSource, RecordIsWrittenOnlyFromSourceRecordsWholeInTheirFile) {
    testsupport::SleepRecorder sleeps;
    const int src = input(3);
    const std::string source = dir_.file("input.rgd");
    const std::string path = dir_.file("out.RLC");
    Call c = callFor(path, src);
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    struct Restorer {
        std::string path;
        std::string bytes;
        static void hook(int, void* context) {
            const auto* r = static_cast<Restorer*>(context);
            testsupport::writeFile(r->path, r->bytes);
        }
    } restorer{source, testsupport::readFile(source)};
    std::filesystem::resize_file(source, restorer.bytes.size() - 10);
    sleeps.onWait(Restorer::hook, &restorer);
    c.iwait = GetParam();
    c.nro = 2;
    c.lrns = {3, 3, 3, 3, 3};
    c.idamd = {FIELD_calibrationAmbientTemp};
    c.amd = {287.5f};
    c.run();
    const std::string line = "WTDMVF -- SOURCE RECORD      3 NOT IN " + source;
    if (c.iwait == 0) {
        EXPECT_EQ(c.istat, 2);
        EXPECT_EQ(c.msg, util::pad(line, 80));
        EXPECT_TRUE(sleeps.waits().empty());
        EXPECT_EQ(console(), " " + line + "\n REC.NO.     2, FILE: " + path + "\n");
        EXPECT_EQ(records(path), 1);
        return;
    }
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(sleeps.waits(), (std::vector<int>{1024}));
    EXPECT_EQ(console(), " " + line + "\n WTDMVF -- waiting for source record 3\n        -- file: " + source +
                             "\n        -- last try was number 1\n");
    int h = open(path);
    int id = FIELD_missingDataFlag;
    float md = 0.0f;
    const int record = 2, count = 1;
    int found = 0;
    srrmet_(&h, &record, &id, &count, &md, &found);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(md, 3.0f);  // from the source blocks: record 3 of the input
    close(h);
}

INSTANTIATE_TEST_SUITE_P(WithoutAndWithWaiting, WtdmvfCutSource, ::testing::Values(0, 1));

// The source cut short and then replaced by a new file renamed over its name, as the reader
// opened it: the wait reopens the name for the same handle instead of waiting for ever on
// the old file, says so in the log, and the record is written from the new file.
TEST_F(Wtdmvf, SourceReplacedWhileItsRecordIsAwaitedIsReopenedForTheSameHandle) {
    testsupport::SleepRecorder sleeps;
    input(3);
    const std::string source = dir_.file("input.rgd");
    const std::string whole = testsupport::readFile(source);
    std::string terminated = source;
    int src = util::openInput(terminated, source);
    ASSERT_NE(src, 0);
    const std::string path = dir_.file("out.RLC");
    Call c = callFor(path, src);
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    std::filesystem::resize_file(source, whole.size() - 10);
    // Replaces the file at the first wait; a writer still waiting at the third never would
    // have stopped.
    struct Replacer {
        std::string path;
        std::string bytes;
        int waits = 0;
        static void hook(int, void* context) {
            auto* r = static_cast<Replacer*>(context);
            if (++r->waits == 3) throw util::Stop("STILL WAITING");
            testsupport::writeFile(r->path + ".new", r->bytes);
            std::filesystem::rename(r->path + ".new", r->path);
        }
    } replacer{source, whole};
    sleeps.onWait(Replacer::hook, &replacer);
    util::logmsg(13, dir_.file("run.log"), "RUN");
    c.iwait = 1;
    c.nro = 2;
    c.lrns = {3, 3, 3, 3, 3};
    c.run();
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(sleeps.waits(), (std::vector<int>{1024}));
    util::logFlush();
    util::logmsgReset();
    EXPECT_NE(testsupport::readFile(dir_.file("run.log"))
                  .find("WTDMVF -- SOURCE FILE REPLACED WHILE WAITING FOR RECORD      3; REOPENING\n"),
              std::string::npos);
    int count = 0;
    srrcnt_(&src, &count);
    EXPECT_EQ(count, 3);  // the reader's copy of the handle reads the new file too
    EXPECT_FALSE(util::inputReplaced(source, src));
    EXPECT_EQ(records(path), 2);
    util::closeInput(src);
}

}  // namespace
