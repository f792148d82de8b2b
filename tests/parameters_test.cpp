// The static input-parameter file: decoding, checks, waiting and the template.
#include "vorncalv/parameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/stop.h"
#include "support/runprogram.h"
#include "support/sleeprecorder.h"
#include "support/tempdir.h"
#include "vorncalv/gensip.h"
#include "vorncalv/runstate.h"

namespace {

using testsupport::readFile;
using testsupport::writeFile;
using vorncalv::RunState;

std::string padded(const std::string& text, std::size_t width = 80) { return util::pad(text, width); }

const std::string SIX_POSITIONS =
    "6 0\n0000\nH\n1000\nA\n2000\n1\n3000\nH\n4000\nA\n5000\n2\n";

class StaticParameters : public ::testing::Test {
protected:
    void SetUp() override {
        util::logmsgReset();
        writeFile(dir.file("abc.LOG"), "");  // an existing log: no "Opening NEW" line
        s.BASE = "abc     ";
        s.LOGFIL = padded("abc.LOG");
        s.PFILE = padded("VORNCALV.SIP");
        s.MPFILE = padded("mirror.txt");
        s.IWAIT = 0;
    }
    void TearDown() override { util::logmsgReset(); }

    std::string templateText() {
        const std::string name = dir.file("template.txt");
        std::filesystem::remove(name);
        EXPECT_TRUE(vorncalv::gensip(name));
        const std::string text = readFile(name);
        std::filesystem::remove(name);
        return text;
    }

    // Runs the stage; returns the stop text ("" when it did not stop).
    std::string run() {
        std::istringstream in;
        util::ConsoleRedirect console(in, out);
        try {
            vorncalv::staticParameters(s);
        } catch (const util::Stop& stop) {
            return stop.text();
        }
        return "";
    }

    std::string log() {
        util::logmsgReset();
        return readFile(dir.file("abc.LOG"));
    }

    // The files in the test directory, by name.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    testsupport::TempDir dir;
    testsupport::InDirectory cwd{dir.path()};
    testsupport::SleepRecorder recorder;
    RunState s;
    std::ostringstream out;
};

struct DelayedFile {
    std::string path;
    std::string text;
    int waitsLeft;
};

TEST_F(StaticParameters, RealTimeModeWaitsForTheParameterFileWithGrowingWaits) {
    s.IWAIT = 1;
    writeFile(dir.file("mirror.txt"), SIX_POSITIONS);
    DelayedFile sip{dir.file("VORNCALV.SIP"), templateText(), 6};
    recorder.onWait(
        [](int, void* context) {
            auto* f = static_cast<DelayedFile*>(context);
            if (--f->waitsLeft == 0) writeFile(f->path, f->text);
        },
        &sip);
    EXPECT_EQ(run(), "");
    EXPECT_EQ(recorder.waits(), (std::vector<int>{1024, 2048, 4096, 8192, 16384, 16384}));
    std::string waiting;
    for (int i = 0; i < 6; ++i) waiting += " Waiting for creation of file " + padded("VORNCALV.SIP") + "\n";
    EXPECT_EQ(out.str(), waiting + " GETSMPI -- NMP = NSMPPC = 6\n");
    EXPECT_EQ(s.ARG, 1024);
    EXPECT_EQ(s.IPSTAT, 0);
}

TEST_F(StaticParameters, BatchModeWritesTheTemplateAndStops) {
    s.PFILE = padded("params.sip");
    EXPECT_EQ(run(), "INPUT-PAR. FILE?");
    EXPECT_EQ(readFile(dir.file("PARAMS.IPS")), templateText());
    EXPECT_EQ(out.str(),
              " For input-par. file, edit file: PARAMS.IPS\n"
              " and rename it to VORNCALV.SIP\n");
    EXPECT_EQ(log(),
              "For input-par. file, edit file: PARAMS.IPS\n"
              "and rename it to VORNCALV.SIP\n");
    EXPECT_TRUE(recorder.waits().empty());
}

TEST_F(StaticParameters, BatchModeTemplateKeepsTheDirectoryAsTyped) {
    std::filesystem::create_directory(dir.file("sip"));
    s.PFILE = padded("sip/run.sip");
    EXPECT_EQ(run(), "INPUT-PAR. FILE?");
    EXPECT_EQ(readFile(dir.file("sip/RUN.IPS")), templateText());
    EXPECT_EQ(log(),
              "For input-par. file, edit file: sip/RUN.IPS\n"
              "and rename it to VORNCALV.SIP\n");
}

TEST_F(StaticParameters, NameWithoutSipGetsNoTemplate) {
    s.PFILE = padded("params.txt");
    EXPECT_EQ(run(), "INPUT-PAR. FILE?");
    EXPECT_EQ(files(), (std::vector<std::string>{"abc.LOG"}));
    EXPECT_EQ(out.str(),
              " INPUT-PAR. FILE NOT FOUND: params.txt\n"
              " NO TEMPLATE WRITTEN: THE NAME HOLDS NO \"SIP\"\n");
    EXPECT_EQ(log(),
              "INPUT-PAR. FILE NOT FOUND: params.txt\n"
              "NO TEMPLATE WRITTEN: THE NAME HOLDS NO \"SIP\"\n");
}

TEST_F(StaticParameters, ExistingTemplateIsNotOverwritten) {
    s.PFILE = padded("params.sip");
    writeFile(dir.file("PARAMS.IPS"), "half-edited parameters\n");
    EXPECT_EQ(run(), "INPUT-PAR. FILE?");
    EXPECT_EQ(readFile(dir.file("PARAMS.IPS")), "half-edited parameters\n");
    EXPECT_EQ(log(),
              "TEMPLATE FILE EXISTS ALREADY, NOT OVERWRITTEN:\n"
              "For input-par. file, edit file: PARAMS.IPS\n"
              "and rename it to VORNCALV.SIP\n");
}

TEST_F(StaticParameters, TemplateThatCannotBeCreatedIsReported) {
    s.PFILE = padded("nowhere/params.sip");
    EXPECT_EQ(run(), "INPUT-PAR. FILE?");
    EXPECT_EQ(out.str(), " GENSIP -- UNABLE TO CREATE TEMPLATE FILE: nowhere/PARAMS.IPS\n");
    EXPECT_EQ(log(), "GENSIP -- UNABLE TO CREATE TEMPLATE FILE: nowhere/PARAMS.IPS\n");
}

TEST(TemplateName, ReplacesTheFirstSipOfTheUpperCasedFileName) {
    EXPECT_EQ(vorncalv::templateName(padded("params.sip")), "PARAMS.IPS");
    EXPECT_EQ(vorncalv::templateName(padded("VORNCALV.SIP")), "VORNCALV.IPS");
    EXPECT_EQ(vorncalv::templateName(padded("sip.sip")), "IPS.SIP");
    EXPECT_EQ(vorncalv::templateName(padded("D:\\runs\\vorncalv.sip")), "D:\\runs\\VORNCALV.IPS");
    EXPECT_EQ(vorncalv::templateName(padded("/home/sipuser/day.sip")), "/home/sipuser/DAY.IPS");
    EXPECT_EQ(vorncalv::templateName(padded("/data.sip/params")), "");
    EXPECT_EQ(vorncalv::templateName(padded("")), "");
}

TEST_F(StaticParameters, MissingMirrorFileIsLoggedAndStops) {
    writeFile(dir.file("VORNCALV.SIP"), templateText());
    EXPECT_EQ(run(), "MIR.POS. FILE?");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(log(),
              "SCENE-MIR.POS. FILE:mirror.txt\n"
              "FROM VORNPS: UNABLE TO FIND MIR.POS.FILE\n");
}

// The lines naming the 17 parameters a file holding only hotViewIdentifier lacks.
std::string missingAfterHot(const std::string& lead) {
    std::string lines;
    for (const char* name : {"coldViewIdentifier", "firstSceneNumber", "lastSceneNumber", "outputImaginaryPart", "outputResponsivity", "minValidThermistorCount", "maxValidThermistorCount", "ratioTestFactor", "BBcavityFactor", "ABBtempOffset", "HBBtempOffset", "ABBtopTempWeight", "ABBapexTempWeight", "ABBbottomTempWeight", "HBBtopTempWeight", "HBBapexTempWeight", "HBBbottomTempWeight"}) {
        lines += lead + "VORNPS -- MISSING PARAMETER: " + name + "\n";
    }
    return lines;
}

struct BadStatus {
    const char* name;
    bool onTemplate;     // sip follows the template's lines instead of replacing them
    const char* sip;
    const char* mirror;  // "" for the six-position file
    int status;
    const char* message;
    bool missingAfterHot = false;  // the 17 "MISSING PARAMETER" lines come first
    const char* unknownLine = nullptr;  // the line named first as unknown
};

class StaticParametersBadStatus : public StaticParameters,
                                  public ::testing::WithParamInterface<BadStatus> {};

TEST_P(StaticParametersBadStatus, IsLoggedPrintedAndStops) {
    const BadStatus& c = GetParam();
    writeFile(dir.file("VORNCALV.SIP"), (c.onTemplate ? templateText() : "") + c.sip);
    writeFile(dir.file("mirror.txt"), *c.mirror ? c.mirror : SIX_POSITIONS);
    EXPECT_EQ(run(), "BAD STATUS FROM VORNPS");
    EXPECT_EQ(s.IPSTAT, c.status);
    const std::string message = c.message;
    std::string named = c.missingAfterHot ? missingAfterHot("") : "";
    if (c.unknownLine != nullptr) named = "VORNPS -- UNKNOWN PARAMETER LINE: " + std::string(c.unknownLine) + "\n";
    EXPECT_EQ(log(), named + util::fmt("('VORNPS returned BAD status of',I2)", {c.status}) + "\n" +
                         std::string(util::trim(message)) + "\n");
    const std::string console = out.str();
    const std::string lastLine = " " + message + "\n";
    ASSERT_GE(console.size(), lastLine.size());
    EXPECT_EQ(console.substr(console.size() - lastLine.size()), lastLine);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, StaticParametersBadStatus,
    ::testing::Values(
        BadStatus{"Redundancy", true, "ratioTestFactor(RATFAC):= 2\n", "", 1,
                  "FROM VORNPS: REDUNDANCY IN INPUT PARAMETERS"},
        BadStatus{"NoAssignment", false, "hotViewIdentifier 'H'\n", "", 2,
                  "FROM VORNPS: NO END-OF-STRING IDENTIFIER"},
        BadStatus{"MissingParameter", false, "hotViewIdentifier:= 'H'\n", "", 5,
                  "FROM VORNPS: WRONG NUMBER OF INPUT PARAMETERS", true},
        BadStatus{"UnknownLine", true, "ratioTestFactr(RATFAC):= 2\n", "", 3,
                  "FROM VORNPS: UNKNOWN LINE IN INPUT PARAMETERS", false, "ratioTestFactr(RATFAC):= 2"},
        BadStatus{"ShortMirrorFile", true, "", "6 0\n0000\nH\n", 7,
                  "FROM VORNPS: BAD STATUS FROM \"GETSMPI\" "}),
    [](const ::testing::TestParamInfo<BadStatus>& param) { return std::string(param.param.name); });

TEST_F(StaticParameters, StatusFiveStillCountsTheSets) {
    writeFile(dir.file("VORNCALV.SIP"), "hotViewIdentifier:= 'H'\n");
    writeFile(dir.file("mirror.txt"), SIX_POSITIONS);
    EXPECT_EQ(run(), "BAD STATUS FROM VORNPS");
    EXPECT_EQ(s.IPSTAT, 5);
    EXPECT_EQ(s.NSVP, 1);
    EXPECT_EQ(s.NALL, 3);
    EXPECT_EQ(out.str(),
              " GETSMPI -- NMP = NSMPPC = 6\n"
              " NUMBER OF INPUTS: 1\n"
              "    EXPECTING    : 18\n" +
                  missingAfterHot(" ") + " FROM VORNPS: WRONG NUMBER OF INPUT PARAMETERS\n");
}

TEST_F(StaticParameters, GoodFilesNameTheEnabledOutputs) {
    std::string sip = templateText();
    sip.replace(sip.find("outputResponsivity(OUTOP3):= 'Y'"), 32, "outputResponsivity(OUTOP3):= 'n'");
    writeFile(dir.file("VORNCALV.SIP"), sip);
    writeFile(dir.file("mirror.txt"), SIX_POSITIONS);
    EXPECT_EQ(run(), "");
    EXPECT_EQ(s.IPSTAT, 0);
    EXPECT_EQ(s.OUTOP2, 'Y');
    EXPECT_EQ(s.OUTOP3, 'N');
    EXPECT_EQ(s.OFILE2, padded("abc     .IMC"));
    EXPECT_EQ(s.OFILE3, padded("XXXXXXXX.RES"));
    EXPECT_EQ(s.NSVP, 1);
    EXPECT_EQ(s.NALL, 3);
    EXPECT_EQ(log(), "");
}

}  // namespace
