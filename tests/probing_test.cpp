// The probing order of the format drivers: a file that two drivers could claim is opened by
// the one earlier in the table, and every driver's own smallest file reaches that driver,
// also under a name that a later, name-based driver (MLT) would take.
#include <gtest/gtest.h>

#include <string>

#include "ravlio/ravlio.h"
#include "support/nasaamesbuilder.h"
#include "support/opusbuilder.h"
#include "support/plvsbuilder.h"
#include "support/rawbuilder.h"
#include "support/rgdbuilder.h"
#include "support/spcbuilder.h"
#include "support/tempdir.h"

namespace {

// The format the library picks for the file at path; the library's text when none does.
std::string formatOf(const std::string& path) {
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    if (f == nullptr) return std::string("refused: ") + ZARFlastError(nullptr);
    const char* name = ZARFqueryFormatName(f);
    const std::string format = name != nullptr ? name : "unnamed";
    ZARFcloseFile(f);
    return format;
}

struct Sample {
    const char* format;
    void (*write)(const std::string& path);
};

const Sample kSamples[] = {
    {"PLVS", [](const std::string& p) { testsupport::writeMinimalPlvsFile(p); }},
    {"OPUS", [](const std::string& p) { ASSERT_TRUE(testsupport::writeMinimalOpusFile(p)); }},
    {"SPC", [](const std::string& p) { testsupport::writeMinimalSpcFile(p); }},
    {"NASA Ames", [](const std::string& p) { ASSERT_TRUE(testsupport::writeMinimalNasaAmesFile(p)); }},
    {"RGD", [](const std::string& p) { ASSERT_TRUE(testsupport::writeRgdFile(p, testsupport::RgdSpec{}, 2)); }},
    {"raw instrument", [](const std::string& p) { ASSERT_TRUE(testsupport::writeMinimalRawFile(p)); }},
};

TEST(ProbingOrder, EveryDriversFileReachesItsDriver) {
    testsupport::TempDir dir;
    int n = 0;
    for (const Sample& s : kSamples) {
        const std::string path = dir.file("sample" + std::to_string(++n) + ".bin");
        s.write(path);
        EXPECT_EQ(formatOf(path), s.format);
    }
}

TEST(ProbingOrder, DriversThatLookInsideComeBeforeTheNameClaimOfMlt) {
    // MLT takes any ".dat" name without reading it; every driver before it reads the file
    // and claims its own bytes first. Raw instrument files come after MLT: under ".dat"
    // such a file is MLT's (and an MLT table of its bytes).
    testsupport::TempDir dir;
    int n = 0;
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.format);
        const std::string path = dir.file("sample" + std::to_string(++n) + ".dat");
        s.write(path);
        EXPECT_EQ(formatOf(path), std::string(s.format) == "raw instrument" ? "MLT" : s.format);
    }
}

TEST(ProbingOrder, PlvsTitleThatAlsoReadsAsANasaAmesHeaderIsPlvs) {
    // NASA Ames recognises a text whose first two integers are a line count and a known
    // format index; this PLVS title has both, and PLVS is probed first.
    testsupport::TempDir dir;
    testsupport::PlvsFile file;
    file.title = "14 1001 QX ZEPH retrieval";
    file.vectors = testsupport::minimalPlvsVectors();
    const std::string path = dir.file("both.txt");
    testsupport::writePlvsFile(path, file);
    EXPECT_EQ(formatOf(path), "PLVS");
}

}  // namespace
