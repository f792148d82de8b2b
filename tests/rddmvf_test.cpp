// rddmvf: opening, waiting, column checks, reading a record, statuses and console lines.
#include "libutil/rddmvf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "ravlio/fields.h"
#include "ravlio/fortjkt.h"
#include "formats/rgd/rgdstruc.h"
#include "support/rgdbuilder.h"
#include "support/sleeprecorder.h"
#include "support/tempdir.h"

namespace {

using testsupport::RgdColumn;
using testsupport::RgdMetadata;
using testsupport::RgdSpec;
using testsupport::rgdPatternValue;

constexpr int LIMPTS = 16;

// Two columns of 8 points each.
RgdSpec twoColumns() {
    RgdSpec spec;
    RgdColumn c;
    c.points = 8;
    spec.columns = {c, c};
    return spec;
}

// The caller's side of one rddmvf call, with the driver's defaults.
struct Call {
    int init = 1;
    int iwait = 0;
    int nrec = 1;
    std::string infile;
    std::vector<int> ihwds{FIELD_missingDataFlag};
    int nhww = 1;
    int limpts = LIMPTS;
    int npts = 0;
    std::vector<double> xin = std::vector<double>(LIMPTS, -1.0);
    std::vector<float> yin = std::vector<float>(LIMPTS, -1.0f);
    int nhwds = 0;
    std::vector<float> hwds = std::vector<float>(15, -1.0f);
    int ncold = 1;
    int ncoli = 1;
    int nvars = 0;
    int istat = -1;
    std::string msg;
    int ihndl = 0;

    void run() {
        util::rddmvf(init, iwait, nrec, infile, ihwds, nhww, limpts, npts, xin, yin, nhwds, hwds, ncold, ncoli,
                     nvars, istat, msg, ihndl);
    }
};

class Rddmvf : public ::testing::Test {
public:
    Rddmvf() : redirect_(in_, out_) { testsupport::installRgdDriver(); }
    ~Rddmvf() override {
        for (int h : opened_) {
            int r = 0;
            sclose_(&h, &r);
        }
    }

    std::string write(const std::string& name, int count, const RgdSpec& spec = twoColumns()) {
        const std::string path = dir_.file(name);
        std::string error;
        EXPECT_TRUE(testsupport::writeRgdFile(
            path, spec, count,
            [](int r) {
                return RgdMetadata{{FIELD_missingDataFlag}, {static_cast<float>(r)}};
            },
            &error))
            << error;
        return path;
    }

protected:
    Call callFor(const std::string& path) {
        Call c;
        c.infile = util::pad(path, 80);
        return c;
    }

    void run(Call& c) {
        c.run();
        if (c.ihndl != 0) opened_.push_back(c.ihndl);
    }

    std::string console() const { return out_.str(); }

    testsupport::TempDir dir_;
    std::istringstream in_;
    std::ostringstream out_;
    util::ConsoleRedirect redirect_;
    std::vector<int> opened_;
};

// Appends a record through the library writer during a given wait (a simulated upstream
// program).
struct Appender {
    std::string path;
    int after = 6;   // the wait during which the record appears
    int record = 5;  // the record appended
    int seen = 0;
    static void hook(int, void* context) {
        auto* a = static_cast<Appender*>(context);
        if (++a->seen != a->after) return;
        const RgdSpec spec = twoColumns();
        ZARFFILE* f = testsupport::openRgdWriter(a->path, spec);
        ASSERT_NE(f, nullptr);
        std::vector<float> data = testsupport::rgdPatternRecord(spec, a->record);
        int ids[1] = {FIELD_missingDataFlag};
        const float md[1] = {static_cast<float>(a->record)};
        EXPECT_EQ(ZARFwriteCompleteRecord(f, a->record, nullptr, nullptr, 0, ids, 1, md, data.data(),
                                          static_cast<int>(data.size())),
                  1);
        ZARFcloseFile(f);
    }
};

// ---- Opening ------------------------------------------------------------------------------------------

TEST_F(Rddmvf, MissingFileWithoutWaitingIsStatusOneWithLibraryText) {
    const std::string path = dir_.file("absent.rgd");
    Call c = callFor(path);
    run(c);
    EXPECT_EQ(c.istat, 1);
    EXPECT_EQ(c.msg, util::pad("filetype is unknown", 80));
    EXPECT_EQ(c.init, 1);
    EXPECT_EQ(c.ihndl, 0);
    EXPECT_EQ(console(), " RDDMVF -- Open error, file " + path + "\n ZARFLastError Message:\n filetype is unknown\n"
                         " REASON: No such file or directory\n");
}

TEST_F(Rddmvf, NameIsTerminatedInPlaceWithinItsEightyCharacters) {
    const std::string path = write("in.rgd", 1);
    Call c = callFor(path);
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    ASSERT_EQ(c.infile.size(), 80u);
    EXPECT_EQ(c.infile[path.size()], '\0');
    EXPECT_EQ(c.infile.substr(0, path.size()), path);
    EXPECT_EQ(c.infile.substr(path.size() + 1), std::string(80 - path.size() - 1, ' '));
}

TEST_F(Rddmvf, NameOfEightyCharactersOpensExactlyThatFile) {
    const std::string dir = dir_.path().string() + "/";
    if (dir.size() > 70) GTEST_SKIP() << "temporary directory name too long for an 80-character path";
    const std::string full = dir + std::string(80 - dir.size(), 'n');
    const std::string cut = full.substr(0, 79);
    ASSERT_EQ(full.size(), 80u);
    write(std::filesystem::path(cut).filename().string(), 2);
    write(std::filesystem::path(full).filename().string(), 3);

    Call c = callFor(full);
    c.nrec = 3;
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.infile, full);  // nothing written into it
    EXPECT_STREQ(FORTJKTfileOf(c.ihndl)->filename, full.c_str());
    EXPECT_EQ(c.yin[0], rgdPatternValue(3, 0, 0));
}

TEST_F(Rddmvf, NameEndingInNulIsLeftAlone) {
    const std::string path = write("in.rgd", 1);
    Call c = callFor(path);
    c.infile[path.size()] = '\0';
    c.infile[path.size() + 1] = '\0';
    const std::string before = c.infile;
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.infile, before);
}

TEST_F(Rddmvf, WaitsForTheFileToAppear) {
    testsupport::SleepRecorder sleeps;
    const std::string path = dir_.file("late.rgd");
    struct Late {
        Rddmvf* self;
        int seen = 0;
        static void hook(int, void* context) {
            auto* l = static_cast<Late*>(context);
            if (++l->seen == 2) l->self->write("late.rgd", 1);
        }
    } late{this};
    sleeps.onWait(Late::hook, &late);
    Call c = callFor(path);
    c.iwait = 1;
    run(c);
    EXPECT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(sleeps.waits(), (std::vector<int>{1024, 2048}));
    const std::string tryLines = " RDDMVF -- Open error, file " + path +
                                 "\n ZARFLastError Message:\n filetype is unknown\n REASON: No such file or directory\n"
                                 " RDDMVF -- waiting to open file " +
                                 path + "\n        -- last try was number ";
    EXPECT_EQ(console(), tryLines + "1\n" + tryLines + "2\n");
}

// ---- Checks after the open ----------------------------------------------------------------------------

TEST_F(Rddmvf, EmptyFileWithoutWaitingIsStatusTwoAndIsClosedAgain) {
    const std::string path = write("empty.rgd", 0);
    Call c = callFor(path);
    run(c);
    EXPECT_EQ(c.istat, 2);
    EXPECT_EQ(c.msg, util::pad("- Mystery Error : go smack Tam around -", 80));
    EXPECT_EQ(c.init, 1);
    EXPECT_EQ(c.ihndl, 0);
}

TEST_F(Rddmvf, WaitsForAFirstRecord) {
    testsupport::SleepRecorder sleeps;
    Appender appender{write("in.rgd", 0), 2, 1};  // record 1 appears during the second wait
    sleeps.onWait(Appender::hook, &appender);
    Call c = callFor(appender.path);
    c.iwait = 1;
    run(c);
    EXPECT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.init, 0);
    EXPECT_EQ(sleeps.waits(), (std::vector<int>{1024, 2048}));
    std::string expected;
    for (int t = 1; t <= 2; ++t)
        expected += " ZARFLastError Message:\n - Mystery Error : go smack Tam around -\n"
                    " RDDMVF -- waiting for nonzero record count\n        -- file: " +
                    appender.path + "\n        -- last try was number " + std::to_string(t) + "\n";
    EXPECT_EQ(console(), expected);
}

TEST_F(Rddmvf, DependentColumnBeyondFileIsStatusTen) {
    Call c = callFor(write("in.rgd", 1));
    c.ncold = 3;
    run(c);
    EXPECT_EQ(c.istat, 10);
    EXPECT_EQ(c.msg, util::pad("DEP.VAR.NO. > NO. VARIABLES", 80));
    EXPECT_EQ(c.nvars, 2);
    EXPECT_EQ(c.init, 1);
    EXPECT_EQ(c.ihndl, 0);
}

TEST_F(Rddmvf, IndependentColumnBeyondFileIsStatusTen) {
    Call c = callFor(write("in.rgd", 1));
    c.ncoli = 3;
    run(c);
    EXPECT_EQ(c.istat, 10);
    EXPECT_EQ(c.msg, util::pad("INDEP.VAR.NO. > NO. VARIABLES", 80));
}

TEST_F(Rddmvf, WhenBothColumnsExceedTheIndependentMessageWins) {
    Call c = callFor(write("in.rgd", 1));
    c.ncold = 4;
    c.ncoli = 3;
    run(c);
    EXPECT_EQ(c.istat, 10);
    EXPECT_EQ(c.msg, util::pad("INDEP.VAR.NO. > NO. VARIABLES", 80));
}

// ---- Waiting for the record ---------------------------------------------------------------------------

TEST_F(Rddmvf, RecordBeyondEndWithoutWaitingIsEndOfFile) {
    Call c = callFor(write("in.rgd", 4));
    c.nrec = 5;
    run(c);
    EXPECT_EQ(c.istat, 6);
    EXPECT_EQ(c.msg, util::pad("END-OF-FILE", 80));
    EXPECT_EQ(c.init, 0);  // the open and its checks succeeded
    EXPECT_NE(c.ihndl, 0);
    EXPECT_EQ(console(), " END-OF-FILE\n");
}

TEST_F(Rddmvf, WaitsWithGrowingSleepsUntilTheRecordIsAppended) {
    testsupport::SleepRecorder sleeps;
    Appender appender{write("in.rgd", 4)};
    sleeps.onWait(Appender::hook, &appender);
    Call c = callFor(appender.path);
    c.iwait = 1;
    c.nrec = 5;
    run(c);
    EXPECT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(sleeps.waits(), (std::vector<int>{1024, 2048, 4096, 8192, 16384, 16384}));
    EXPECT_EQ(c.yin[7], rgdPatternValue(5, 0, 7));
    EXPECT_EQ(c.hwds[0], 5.0f);
    std::string expected;
    for (int t = 1; t <= 6; ++t)
        expected += " RDDMVF -- waiting for record number 5\n        -- file: " + appender.path +
                    "\n        -- last try was number " + std::to_string(t) + "\n";
    EXPECT_EQ(console(), expected);
}

TEST_F(Rddmvf, SecondCallDoesNotReopen) {
    const std::string path = write("in.rgd", 3);
    Call c = callFor(path);
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    const int handle = c.ihndl;
    std::filesystem::remove(path);  // a reopen would now fail
    c.nrec = 3;
    run(c);
    EXPECT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.ihndl, handle);
    EXPECT_EQ(c.init, 0);
    EXPECT_EQ(c.yin[2], rgdPatternValue(3, 0, 2));
}

TEST_F(Rddmvf, StaleHandleFailsAtOnceEvenWhenWaiting) {
    testsupport::SleepRecorder sleeps;
    Call c = callFor(write("in.rgd", 2));
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    int closed = 0;
    sclose_(&c.ihndl, &closed);
    c.iwait = 1;
    c.nrec = 2;
    run(c);
    EXPECT_EQ(c.istat, 2);
    EXPECT_EQ(c.msg, util::pad("ZARFFILE provided is bad", 80));
    EXPECT_TRUE(sleeps.waits().empty());
}

// Puts a new file of 6 records under the name, as an upstream program that writes its file
// again does: either the old file is removed during the first wait and the new one written
// under its name during the second (the wait between finds no file under the name), or the
// new one is written beside it and renamed over it during the first wait. Its records carry
// missingDataFlag 100 + r, so that a value read tells the files apart.
struct Replacer {
    std::string path;
    bool renamed = false;
    int seen = 0;
    static void hook(int, void* context) {
        auto* r = static_cast<Replacer*>(context);
        if (++r->seen > 4) throw std::runtime_error("still waiting on the file that was replaced");
        if (!r->renamed && r->seen == 1) {
            std::filesystem::remove(r->path);
            return;
        }
        if (r->seen != (r->renamed ? 1 : 2)) return;
        const std::string target = r->renamed ? r->path + ".new" : r->path;
        std::string error;
        EXPECT_TRUE(testsupport::writeRgdFile(
            target, twoColumns(), 6,
            [](int n) { return RgdMetadata{{FIELD_missingDataFlag}, {100.0f + static_cast<float>(n)}}; }, &error))
            << error;
        if (r->renamed) std::filesystem::rename(target, r->path);
    }
};

class RddmvfReplaced : public Rddmvf, public ::testing::WithParamInterface<bool> {};

TEST_P(RddmvfReplaced, WaitFollowsAFileReplacedUnderItsName) {
    testsupport::SleepRecorder sleeps;
    Replacer replacer{write("in.rgd", 4), GetParam()};
    sleeps.onWait(Replacer::hook, &replacer);
    Call c = callFor(replacer.path);
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    const int old = c.ihndl;
    c.iwait = 1;
    c.nrec = 5;
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.hwds[0], 105.0f);  // record 5 of the new file
    EXPECT_EQ(c.yin[7], rgdPatternValue(5, 0, 7));
    EXPECT_NE(c.ihndl, old);
    EXPECT_EQ(FORTJKTfileOf(old), nullptr);  // the old file is closed
    EXPECT_EQ(c.init, 0);
    EXPECT_EQ(c.nvars, 2);
    const int waits = GetParam() ? 1 : 2;
    EXPECT_EQ(sleeps.waits(), GetParam() ? (std::vector<int>{1024}) : (std::vector<int>{1024, 2048}));
    std::string expected;
    for (int t = 1; t <= waits; ++t)
        expected += " RDDMVF -- waiting for record number 5\n        -- file: " + replacer.path +
                    "\n        -- last try was number " + std::to_string(t) + "\n";
    expected += " RDDMVF -- file replaced while waiting; reopening it\n        -- file: " + replacer.path + "\n";
    EXPECT_EQ(console(), expected);
}

INSTANTIATE_TEST_SUITE_P(RemovedAndWrittenAgainOrRenamedOver, RddmvfReplaced, ::testing::Bool());

// ---- Reading ------------------------------------------------------------------------------------------

TEST_F(Rddmvf, ReadsAbscissaeValuesAndSize) {
    Call c = callFor(write("in.rgd", 2));
    c.nrec = 2;
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.msg, util::pad("OK", 80));
    EXPECT_EQ(c.npts, 8);
    EXPECT_EQ(c.nvars, 2);
    EXPECT_DOUBLE_EQ(c.xin[0], 500.0);
    EXPECT_DOUBLE_EQ(c.xin[7], 1500.0);
    EXPECT_EQ(c.xin[8], -1.0);  // nothing past the record
    for (int i = 0; i < 8; ++i) EXPECT_EQ(c.yin[static_cast<size_t>(i)], rgdPatternValue(2, 0, i));
    EXPECT_EQ(c.nhwds, 1);
    EXPECT_EQ(c.hwds[0], 2.0f);
    EXPECT_TRUE(console().empty());
}

TEST_F(Rddmvf, SecondColumnIsReadWhenSelected) {
    Call c = callFor(write("in.rgd", 1));
    c.ncold = 2;
    c.ncoli = 2;
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.yin[0], rgdPatternValue(1, 1, 0));
}

TEST_F(Rddmvf, UnselectableColumnIsStatusFourAndReadingGoesOn) {
    Call c = callFor(write("in.rgd", 1));
    c.ncoli = -5;  // no column has the identifier 5
    run(c);
    EXPECT_EQ(c.istat, 4);
    EXPECT_EQ(c.msg, util::pad("data requested is unavailable", 80));
    EXPECT_EQ(c.npts, 8);
    EXPECT_EQ(console(), " ZARFLastError Message:\n data requested is unavailable\n");
}

TEST_F(Rddmvf, UnselectableDependentColumnIsStatusThreeAndReadingGoesOn) {
    Call c = callFor(write("in.rgd", 1));
    c.ncold = -5;  // no column has the identifier 5; the independent selection then succeeds
    run(c);
    EXPECT_EQ(c.istat, 3);
    EXPECT_EQ(c.msg, util::pad("data requested is unavailable", 80));
    EXPECT_EQ(c.npts, 8);
    EXPECT_EQ(c.yin[7], rgdPatternValue(1, 0, 7));  // column 1, chosen by the second selection
    EXPECT_EQ(c.hwds[0], 1.0f);
    EXPECT_EQ(console(), " ZARFLastError Message:\n data requested is unavailable\n");
}

// Fifteen header requests of which one names a field the file does not have.
TEST_F(Rddmvf, MetadataNotInTheFileComesBackNegated) {
    // A subheader layout with at least 14 distinct fields gives the fields that exist.
    std::vector<int> present;
    int subheader = 0;
    for (const RGDsubheader& s : std::span(ALLsubheaders, ALLsubheadersCount)) {
        std::set<int> ids;
        for (int i = 0; i < s.fieldCount; ++i)
            if (s.field[i].id != FIELD_missingDataFlag) ids.insert(s.field[i].id);
        if (ids.size() >= 14) {
            present.assign(ids.begin(), ids.end());
            present.resize(14);
            subheader = s.id;
            break;
        }
    }
    ASSERT_EQ(present.size(), 14u);
    const RGDsubheader* chosen = RGDlookupSubheader(subheader);
    ASSERT_NE(chosen, nullptr);
    int absent = 0;
    for (const RGDstaticField& f : std::span(ALLstaticFields, ALLstaticFieldsCount)) {
        const bool inLayout = std::any_of(chosen->field, chosen->field + chosen->fieldCount,
                                          [&](const RGDsubheaderField& x) { return x.id == f.id; });
        if (f.id != FIELD_missingDataFlag && !inLayout) {
            absent = f.id;
            break;
        }
    }
    ASSERT_NE(absent, 0);

    RgdSpec spec = twoColumns();
    spec.subheaders = {subheader};
    const std::string path = dir_.file("meta.rgd");
    std::string error;
    ASSERT_TRUE(testsupport::writeRgdFile(
        path, spec, 1,
        [&](int) {
            RgdMetadata m;
            for (size_t i = 0; i < present.size(); ++i) {
                m.ids.push_back(present[i]);
                m.values.push_back(static_cast<float>(i) + 0.5f);
            }
            return m;
        },
        &error))
        << error;

    Call c = callFor(path);
    c.ihwds.assign(present.begin(), present.begin() + 7);
    c.ihwds.push_back(absent);
    c.ihwds.insert(c.ihwds.end(), present.begin() + 7, present.end());
    c.nhww = 15;
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.nhwds, 14);
    EXPECT_EQ(c.ihwds[7], -absent);
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(c.ihwds[i], present[i]);
        EXPECT_EQ(c.hwds[i], static_cast<float>(i) + 0.5f);
    }
    for (size_t i = 7; i < 14; ++i) {
        EXPECT_EQ(c.ihwds[i + 1], present[i]);
        EXPECT_EQ(c.hwds[i + 1], static_cast<float>(i) + 0.5f);
    }
}

TEST_F(Rddmvf, RecordLargerThanTheArraysIsNeverWrittenPast) {
    Call c = callFor(write("in.rgd", 1));
    // Arrays of 4 usable entries inside larger vectors whose tail must stay untouched.
    std::vector<double> x(10, -1.0);
    std::vector<float> y(10, -1.0f);
    c.limpts = 100;  // the arrays' own size wins over a larger limit
    util::rddmvf(c.init, c.iwait, c.nrec, c.infile, c.ihwds, c.nhww, c.limpts, c.npts, std::span(x).first(4),
                 std::span(y).first(4), c.nhwds, c.hwds, c.ncold, c.ncoli, c.nvars, c.istat, c.msg, c.ihndl);
    opened_.push_back(c.ihndl);
    EXPECT_EQ(c.istat, 12);
    EXPECT_EQ(c.msg, util::pad("RECORD SIZE > LIMPTS", 80));
    EXPECT_EQ(c.npts, 8);
    EXPECT_EQ(y[3], rgdPatternValue(1, 0, 3));
    for (size_t i = 4; i < 10; ++i) {
        EXPECT_EQ(x[i], -1.0);
        EXPECT_EQ(y[i], -1.0f);
    }
}

TEST_F(Rddmvf, LimitSmallerThanTheRecordLimitsTheRead) {
    Call c = callFor(write("in.rgd", 1));
    c.limpts = 3;
    run(c);
    EXPECT_EQ(c.istat, 12);
    EXPECT_EQ(c.yin[2], rgdPatternValue(1, 0, 2));
    EXPECT_EQ(c.yin[3], -1.0f);
}

TEST_F(Rddmvf, MoreRequestsThanValueSlotsAreCutToTheSlots) {
    Call c = callFor(write("in.rgd", 1));
    c.ihwds = {FIELD_missingDataFlag, FIELD_missingDataFlag, FIELD_missingDataFlag};
    c.hwds.assign(2, -1.0f);
    c.nhww = 3;
    run(c);
    ASSERT_EQ(c.istat, 0) << c.msg;
    EXPECT_EQ(c.nhwds, 2);
    EXPECT_EQ(c.ihwds[2], FIELD_missingDataFlag);  // never requested
}

}  // namespace
