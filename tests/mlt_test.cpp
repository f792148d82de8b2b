// The MLT text-table reader behind the library's handle API: recognition, the grammar of
// values, rows and labels, growing files, the operations it refuses, hostile input, its
// place in the probing order, and the program's own cavity-emissivity file read back.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "libutil/fixedtext.h"
#include "driver.h"
#include "ravlio/ravlio.h"
#include "support/allocations.h"
#include "support/logcapture.h"
#include "support/rgdbuilder.h"
#include "support/runprogram.h"
#include "support/tempdir.h"
#include "vorncalv/emissivity.h"
#include "vorncalv/runstate.h"

namespace {

using testsupport::writeFile;

struct Closer {
    void operator()(ZARFFILE* f) const { ZARFcloseFile(f); }
};
using Handle = std::unique_ptr<ZARFFILE, Closer>;

uint32_t bits(float v) {
    uint32_t b = 0;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

class MltReader : public ::testing::Test {
protected:
    // Writes text under name in the temporary directory and opens it.
    Handle open(const std::string& name, const std::string& text) {
        const std::string path = dir.file(name);
        writeFile(path, text);
        return Handle(ZARFopenFileReadable(path.c_str()));
    }

    static std::vector<float> dep(ZARFFILE* f) {
        std::vector<float> v(static_cast<size_t>(std::max(ZARFreadRecordSize(f, 1), 0)) + 1, -1.0f);
        v.resize(static_cast<size_t>(ZARFreadDepValues(f, 1, v.data(), static_cast<int>(v.size()))));
        return v;
    }

    static std::vector<float> ind(ZARFFILE* f) {
        std::vector<float> v(static_cast<size_t>(std::max(ZARFreadRecordSize(f, 1), 0)) + 1, -1.0f);
        v.resize(static_cast<size_t>(ZARFreadIndValues(f, 1, v.data(), static_cast<int>(v.size()))));
        return v;
    }

    static std::string desc(ZARFFILE* f, int column, int type, int* result = nullptr) {
        char text[300] = "unchanged";
        const int r = ZARFreadDataStringDesc(f, column, type, text, sizeof text);
        if (result != nullptr) *result = r;
        return r == 1 ? std::string(text) : std::string("<") + std::to_string(r) + ">";
    }

    // Column 1 of a one-column file holding the tokens, one per line.
    std::vector<float> values(const std::string& lines) {
        Handle f = open("v.mlt", lines);
        EXPECT_NE(f, nullptr);
        return f ? dep(f.get()) : std::vector<float>{};
    }

    testsupport::TempDir dir;
};

// ---- Recognition ---------------------------------------------------------------------------

TEST_F(MltReader, SuffixAloneClaimsTheFileInLowerCase) {
    Handle f = open("X.DAT", "just words, no numbers\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->method, &MLT_Methods);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 1);
    for (const char* name : {"a.MLT", "b.Sum", "c.asc", "d.x.dat"}) {
        Handle g = open(name, "1\n");
        EXPECT_NE(g, nullptr) << name;
    }
}

TEST_F(MltReader, SuffixMustFirstOccurAtTheEnd) {
    writeFile(dir.file("a.dat.dat"), "1 2\n");
    EXPECT_EQ(ZARFopenFileReadable(dir.file("a.dat.dat").c_str()), nullptr);
    EXPECT_STREQ(ZARFlastError(nullptr), "filetype is unknown");
    Handle f = open("b.dat.dat", "#MLT table\n1 2\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 2);
}

TEST_F(MltReader, MltStartIsRecognisedButNotAfterALeadingBlank) {
    Handle f = open("table.txt", "#MLT x\n1\n");
    ASSERT_NE(f, nullptr);
    writeFile(dir.file("blank.txt"), " #MLT x\n1\n");
    EXPECT_EQ(ZARFopenFileReadable(dir.file("blank.txt").c_str()), nullptr);
    EXPECT_STREQ(ZARFlastError(nullptr), "filetype is unknown");
}

TEST_F(MltReader, MissingFileWithTheSuffixFailsLoudly) {
    EXPECT_EQ(ZARFopenFileReadable(dir.file("absent.mlt").c_str()), nullptr);
    EXPECT_STREQ(ZARFlastError(nullptr), "filename did not correspond to a readable file");
}

// ---- Values, rows, labels --------------------------------------------------------------------

TEST_F(MltReader, TimesNumbersAndTextAreConvertedByTheirForm) {
    const std::vector<float> v = values("12:30\n12:30:36\n12:75\n-5:30\nabc\n1e5\n7x\n");
    ASSERT_EQ(v.size(), 7u);
    EXPECT_EQ(v[0], 12.5f);
    EXPECT_EQ(v[1], static_cast<float>(12.0 + 30 / 60.0 + 36 / 3600.0));
    EXPECT_EQ(v[2], 12.0f);
    EXPECT_EQ(v[3], -4.5f);
    EXPECT_EQ(bits(v[4]), 0x7FC00000u);
    EXPECT_EQ(v[5], 100000.0f);
    EXPECT_EQ(v[6], 7.0f);
}

TEST_F(MltReader, RowsFollowTheColumnCountNotTheLineBreaks) {
    Handle f = open("r.mlt", "#label 1 x\n5 6\n1 2 3\n4\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 3);
    ASSERT_EQ(ZARFselectData(f.get(), 2, 2), 1);
    EXPECT_EQ(ind(f.get()), (std::vector<float>{5, 1, 3}));
    EXPECT_EQ(dep(f.get()), (std::vector<float>{6, 2, 4}));
}

TEST_F(MltReader, WithoutSelectionBothAxesAreColumnOne) {
    Handle f = open("s.mlt", "1 10\n2 20\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ind(f.get()), (std::vector<float>{1, 2}));
    EXPECT_EQ(dep(f.get()), (std::vector<float>{1, 2}));
    std::vector<double> d(3, -1.0);
    ASSERT_EQ(ZARFselectData(f.get(), 1, 2), 1);
    ASSERT_EQ(ZARFreadIndValuesDouble(f.get(), 1, d.data(), 3), 2);
    EXPECT_EQ(d[0], 10.0);
    EXPECT_EQ(d[1], 20.0);
    float small[1] = {0};
    EXPECT_EQ(ZARFreadDepValues(f.get(), 1, small, 1), 1);
}

TEST_F(MltReader, LabelTextIsCutAtTheLineEndAndTrimmed) {
    Handle f = open("l.mlt", "#label 1 Wavenumber\n#label 2 Blackbody Cavity Emissivity  \r\n1 2\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(desc(f.get(), 2, 2), "Blackbody Cavity Emissivity");
    EXPECT_EQ(desc(f.get(), 1, 1), "Wavenumber");
    EXPECT_EQ(desc(f.get(), 1, 3), "Wavenumber");
    EXPECT_EQ(desc(f.get(), 1, 4), "n/a");
    EXPECT_EQ(desc(f.get(), 2, 5), "n/a");
}

TEST_F(MltReader, LabelWithNothingAfterTheNumberTakesTheNextLine) {
    Handle f = open("n.mlt", "#label 3\nThird one\n1 2 3\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(desc(f.get(), 3, 2), "Third one");
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 1);
}

TEST_F(MltReader, CapitalLabelIsAComment) {
    Handle f = open("c.mlt", "#Label 1 Wavenumber\n1\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(desc(f.get(), 1, 2), "<0>");
    EXPECT_STREQ(ZARFlastError(f.get()), "data requested is unavailable");
}

TEST_F(MltReader, DescriptionBeyondTheLastLabelledColumnIsUnavailable) {
    Handle f = open("d.mlt", "#label 1 x\n1 2\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(desc(f.get(), 2, 2), "<0>");
    EXPECT_STREQ(ZARFlastError(f.get()), "data requested is unavailable");
    EXPECT_EQ(desc(f.get(), 0, 2), "<0>");
    EXPECT_STREQ(ZARFlastError(f.get()), "data requested is unavailable");
    EXPECT_EQ(desc(f.get(), 1, 6), "<0>");
    EXPECT_STREQ(ZARFlastError(f.get()), "description type requested is bad or unavailable");
}

TEST_F(MltReader, LabelAfterTheDataGivesEveryColumnASlot) {
    Handle f = open("a.mlt", "1 2\n#label 2 second\n3 4\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(desc(f.get(), 2, 2), "second");
    int r = -1;
    const char* before = ZARFlastError(f.get());
    EXPECT_EQ(desc(f.get(), 1, 2, &r), "<0>");
    EXPECT_EQ(ZARFlastError(f.get()), before);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 2);
}

TEST_F(MltReader, DescriptionIsCopiedWithinTheBuffer) {
    Handle f = open("b.mlt", "#label 1 Wavenumber\n1\n");
    ASSERT_NE(f, nullptr);
    char text[5] = {'x', 'x', 'x', 'x', 'x'};
    ASSERT_EQ(ZARFreadDataStringDesc(f.get(), 1, 2, text, 4), 1);
    EXPECT_EQ(std::string(text, 5), "Wavex");
}

// ---- Refusals ----------------------------------------------------------------------------------

TEST_F(MltReader, OnlyDirectivesMeansIncomplete) {
    Handle f = open("h.mlt", "#MLT head\n#label 1 x\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "file is incomplete");
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 0);
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 0);
}

TEST_F(MltReader, SelectionRefusesOtherAxesAndColumns) {
    Handle f = open("sel.mlt", "1 2\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFselectData(f.get(), 1, 0), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "data requested is unavailable");
    EXPECT_EQ(ZARFselectData(f.get(), 2, 3), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "data requested is unavailable");
    EXPECT_EQ(ZARFselectData(f.get(), 3, 1), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "requested axis cannot be changed");
    int types[3] = {0, 0, 0};
    EXPECT_EQ(ZARFqueryDataTypes(f.get(), types, 3), 2);
    EXPECT_EQ(types[0], 1);
    EXPECT_EQ(types[1], 2);
    EXPECT_EQ(ZARFqueryDataTypes(f.get(), types, 1), 1);
}

TEST_F(MltReader, UnsupportedOperationsAndOtherRecords) {
    Handle f = open("u.mlt", "1 2\n");
    ASSERT_NE(f, nullptr);
    float a = 0, b = 0, c = 0;
    EXPECT_EQ(ZARFreadIndDomain(f.get(), 1, &a, &b, &c), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "this operation is not supported with this filetype");
    int req[1] = {1};
    EXPECT_EQ(ZARFreadRealMetadata(f.get(), 1, req, 1, &a), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "this operation is not supported with this filetype");
    char text[8];
    EXPECT_EQ(ZARFreadMetadataStringDesc(f.get(), 1, 1, 1, text, 8), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "this operation is not supported with this filetype");
    EXPECT_EQ(ZARFqueryMaxMetadataCount(f.get(), 1), 0);
    double da = 0, db = 0, dc = 0;
    EXPECT_EQ(ZARFreadIndDomainDouble(f.get(), 1, &da, &db, &dc), 0);
    EXPECT_EQ(ZARFreadDepValues(f.get(), 2, &a, 1), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "record requested is unavailable");
    EXPECT_EQ(ZARFwriteDepValues(f.get(), 1, &a, 1), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "writing to this file type is unsupported");
    EXPECT_EQ(ZARFqueryVersion(2, f.get()), nullptr);
}

// ---- A file still being written ------------------------------------------------------------

TEST_F(MltReader, IncompleteFirstLineIsUsedOnceComplete) {
    const std::string path = dir.file("g.mlt");
    writeFile(path, "#label 1 w\n1 2");
    Handle f(ZARFopenFileReadable(path.c_str()));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "file is incomplete");
    writeFile(path, "#label 1 w\n1 2 3\n4 5");
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 1);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 1);
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 3);
    writeFile(path, "#label 1 w\n1 2 3\n4 56 7\n");
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 2);
    ASSERT_EQ(ZARFselectData(f.get(), 2, 2), 1);
    EXPECT_EQ(dep(f.get()), (std::vector<float>{2, 56}));
}

TEST_F(MltReader, LastRowWithoutLineFeedWaitsForIt) {
    const std::string path = dir.file("t.mlt");
    writeFile(path, "1 2\n3 4");
    Handle f(ZARFopenFileReadable(path.c_str()));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 1);
    std::ofstream(path, std::ios::app) << "5\n#label 2 late\n";
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 2);
    EXPECT_EQ(dep(f.get()), (std::vector<float>{1, 3}));
    EXPECT_EQ(desc(f.get(), 2, 2), "late");
}

// ---- Hostile input -------------------------------------------------------------------------

TEST_F(MltReader, OverlongFirstLineNeverGivesColumns) {
    std::string line;
    while (line.size() < 1023) line += "1 ";
    Handle f = open("long.mlt", line + "\n2 3\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 0);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "file is incomplete");
    std::string fits(1022, '7');
    Handle g = open("fits.mlt", fits + "\n");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(g.get()), 1);
}

TEST_F(MltReader, ManyColumnsWithinTheLineAreAccepted) {
    std::string line;
    for (int i = 0; i < 511; ++i) line += "1 ";
    Handle f = open("wide.mlt", line + "\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 511);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 1);
}

TEST_F(MltReader, LongCommentBeforeTheDataIsSkipped) {
    Handle f = open("cm.mlt", "#" + std::string(5000, 'c') + "\n1 2\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 2);
}

TEST_F(MltReader, BlankLinesBeforeTheFirstRowDoNotCutItsCount) {
    Handle f = open("bl.mlt", "#MLT\n\n   \n 1 2\n3 4\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 2);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 2);
}

TEST_F(MltReader, OverlongTokensAndLabelsAreCutNotSplit) {
    const std::string big = "9" + std::string(3000, '0');
    const std::string label(400, 'L');
    Handle f = open("tok.mlt", "#label 1 " + label + "tail\n1 2\n" + big + " 5\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 2);
    const std::vector<float> v = ind(f.get());
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[1], INFINITY);
    EXPECT_EQ(desc(f.get(), 1, 2), std::string(255, 'L'));
}

TEST_F(MltReader, HostileLabelNumbersStoreNothing) {
    Handle f = open("hl.mlt", "#label 0 zero\n#label -3 neg\n#label 99999999999999999999 huge\n#label 5000 far\n1\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 1);
    EXPECT_EQ(desc(f.get(), 1, 2), "<0>");
    EXPECT_STREQ(ZARFlastError(f.get()), "data requested is unavailable");
}

TEST_F(MltReader, LabelAtTheEndOfTheFileStoresNothing) {
    for (const char* tail : {"#label", "#label 2", "#label 2 ", "#label 2 text-without-line-feed"}) {
        Handle f = open("e.mlt", std::string("1 2\n") + tail);
        ASSERT_NE(f, nullptr) << tail;
        EXPECT_EQ(desc(f.get(), 2, 2), "<0>") << tail;
        EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 1) << tail;
    }
}

TEST_F(MltReader, EmptyFileNulBytesAndBinaryAreReadSafely) {
    Handle e = open("empty.mlt", "");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(e.get()), 0);
    Handle n = open("nul.mlt", std::string("1\0002 3\n4 \0 5\n", 13));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(ZARFqueryMaxDataCount(n.get()), 2);
    EXPECT_EQ(ZARFreadRecordSize(n.get(), 1), 2);
    std::string noise;
    for (int i = 0; i < 20000; ++i) noise.push_back(static_cast<char>((i * 7919) % 256));
    Handle b = open("noise.mlt", noise);
    ASSERT_NE(b, nullptr);
    const int size = ZARFreadRecordSize(b.get(), 1);
    EXPECT_GE(size, 0);
    std::vector<float> v(static_cast<size_t>(size) + 1);
    EXPECT_EQ(ZARFreadDepValues(b.get(), 1, v.data(), static_cast<int>(v.size())), size);
}

TEST_F(MltReader, MutatedTablesAreReadWithinBoundsOrRefused) {
    const std::string base =
        " #MLT Spectrum of VORN Cavity Emissivity\n #    Blackbody cavity factor: 12.79\n"
        " #label 1 Wavenumber\n #label 2 Blackbody Cavity Emissivity\n 500.0 0.98\n 600.0 0.97\n 700.0 0.96\n";
    static constexpr char bytes[] = "#:\r\n\t -.e0123456789labelL\0\xff";
    const std::string alphabet(bytes, sizeof bytes - 1);
    uint32_t seed = 12345u;
    const auto next = [&seed](uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    for (int variant = 0; variant < 400; ++variant) {
        std::string text = base;
        for (uint32_t edits = 1 + next(6); edits > 0 && !text.empty(); --edits) {
            const size_t at = next(static_cast<uint32_t>(text.size()));
            const char ch = alphabet[next(static_cast<uint32_t>(alphabet.size()))];
            switch (next(4)) {
                case 0: text[at] = ch; break;
                case 1: text.insert(at, 1 + next(40), ch); break;
                case 2: text.erase(at, 1 + next(20)); break;
                default: text.resize(at); break;
            }
        }
        Handle f = open("m.mlt", text);
        ASSERT_NE(f, nullptr) << variant;
        const int columns = ZARFqueryMaxDataCount(f.get());
        EXPECT_GE(columns, 0) << variant;
        EXPECT_LE(columns, 512) << variant;
        EXPECT_EQ(ZARFreadRecordCount(f.get()), columns > 0 ? 1 : 0) << variant;
        const int size = ZARFreadRecordSize(f.get(), 1);
        ASSERT_GE(size, 0) << variant;
        std::vector<float> v(static_cast<size_t>(size) + 2);
        for (int c = 1; c <= columns; ++c) {
            ASSERT_EQ(ZARFselectData(f.get(), 2, c), 1) << variant;
            EXPECT_EQ(ZARFreadDepValues(f.get(), 1, v.data(), static_cast<int>(v.size())), size) << variant;
            char label[8];
            const int r = ZARFreadDataStringDesc(f.get(), c, 2, label, sizeof label);
            EXPECT_TRUE(r == 0 || r == 1) << variant;
        }
    }
}

// ---- Probing order ---------------------------------------------------------------------------

TEST_F(MltReader, RgdFileStillOpensAsRgdWhateverItsName) {
    testsupport::RgdSpec spec;
    spec.columns = {testsupport::RgdColumn{0, 500.0, 600.0, 2, 6, 4, "e", "E", "Emissivity", "1"}};
    for (const char* name : {"x.rgd", "x.dat"}) {
        const std::string path = dir.file(name);
        ZARFFILE* w = testsupport::openRgdWriter(path, spec);
        ASSERT_NE(w, nullptr);
        float data[2] = {0.5f, 0.25f};
        ASSERT_NE(ZARFwriteCompleteRecord(w, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, data, 2), 0);
        ZARFcloseFile(w);
        Handle f(ZARFopenFileReadable(path.c_str()));
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(f->method, &RGD_Methods) << name;
        float lo = 0, hi = 0, step = 0;
        EXPECT_NE(ZARFreadIndDomain(f.get(), 1, &lo, &hi, &step), 0) << name;
        EXPECT_EQ(hi, 600.0f) << name;
    }
}

// ---- The program's cavity-emissivity file ---------------------------------------------------

TEST_F(MltReader, CavityEmissivityFileOfTheProgramReadsBack) {
    testsupport::LogCapture capture;
    testsupport::InDirectory inDir(dir.path());
    auto s = std::make_unique<vorncalv::RunState>();
    s->LOG = capture.unit();
    s->LOGFIL = capture.name();
    s->BASE = "abc     ";
    s->EMISSFIL = util::pad("paint.txt", 80);
    s->IFILEV = util::pad("abc.UVS", 80);
    s->STFILE = util::pad("abc.STC", 80);
    s->CAVFAC = 12.79F;
    s->RATFAC = 1.5F;
    s->HWDS[10] = 1.0F;
    s->XIN = {500.0, 600.5, 700.25};
    s->NPTS = 3;
    writeFile("paint.txt", "paint\n400 0.9\n800 0.8\n");
    vorncalv::emissivity(*s);
    const std::string text = testsupport::readFile("CAVEMIS1.MLT");
    ASSERT_EQ(text.rfind(" #MLT Spectrum of VORN Cavity Emissivity\n #    Blackbody cavity factor:", 0), 0u);

    Handle f(ZARFopenFileReadable("CAVEMIS1.MLT"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->method, &MLT_Methods);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 1);
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 2);
    ASSERT_EQ(ZARFreadRecordSize(f.get(), 1), 3);
    ASSERT_EQ(ZARFselectData(f.get(), 1, 1), 1);
    ASSERT_EQ(ZARFselectData(f.get(), 2, 2), 1);
    EXPECT_EQ(ind(f.get()), (std::vector<float>{500.0f, 600.5f, 700.25f}));
    const std::vector<float> e = dep(f.get());
    ASSERT_EQ(e.size(), 3u);
    // The stage writes each emissivity with a few digits fewer than a float holds: the
    // reader gives the value written, which is the stage's own to that precision.
    std::vector<float> written;
    std::istringstream lines(text);
    std::string line;
    for (int header = 0; header < 4; ++header) std::getline(lines, line);
    for (float w = 0, v = 0; lines >> w >> v;) written.push_back(v);
    ASSERT_EQ(written.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(e[i], written[i]) << i;
        EXPECT_NEAR(e[i], s->BBEI[i], 1e-6f) << i;
    }
    EXPECT_EQ(desc(f.get(), 1, 2), "Wavenumber");
    EXPECT_EQ(desc(f.get(), 2, 2), "Blackbody Cavity Emissivity");
    EXPECT_EQ(desc(f.get(), 2, 4), "n/a");
    EXPECT_EQ(desc(f.get(), 3, 2), "<0>");
}

// Reading a table allocates memory in proportion to its rows: the columns grow by doubling.
// Grown by a fixed step instead (an exact reserve every 16 rows), opening 20000 rows would
// copy about 100 MB; the doubling copies less than twice what is stored.
TEST_F(MltReader, OpeningATableAllocatesInProportionToItsRows) {
    constexpr size_t rows = 20000;
    std::string table = "#MLT growth\n";
    for (size_t i = 0; i < rows; ++i) table += std::to_string(i) + " 0.5\n";
    const std::string path = dir.file("growth.MLT");
    writeFile(path, table);
    const std::size_t before = testsupport::allocatedBytes();
    Handle f(ZARFopenFileReadable(path.c_str()));
    const std::size_t used = testsupport::allocatedBytes() - before;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), static_cast<int>(rows));
    const std::size_t stored = rows * 2 * sizeof(float);
    EXPECT_LT(used, 4 * stored) << used << " bytes allocated to store " << stored;
}

}  // namespace
