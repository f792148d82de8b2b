// vornps: mirror positions and static parameters together.
#include "vorncalv/vornps.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/logmsg.h"
#include "libutil/stop.h"
#include "support/runprogram.h"
#include "support/sleeprecorder.h"
#include "support/tempdir.h"
#include "vorncalv/gensip.h"
#include "vorncalv/getsmpi.h"
#include "vorncalv/runstate.h"

namespace {

using testsupport::writeFile;
using vorncalv::RunState;

std::string padded(const std::string& text, std::size_t width = 80) { return util::pad(text, width); }

// The six-position cycle H, A, 1, H, A, 2: two sets of three records.
const std::string SIX_POSITIONS =
    "6 0\n0000\nH\n1000\nA\n2000\n1\n3000\nH\n4000\nA\n5000\n2\n";

// A mirror-position file of the given view characters.
std::string mirrorFile(const std::string& views) {
    std::string text = std::to_string(views.size()) + " 0\n";
    for (char view : views) text += "1234\n" + std::string(1, view) + "\n";
    return text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += part + "\n";
    return text;
}

class Vornps : public ::testing::Test {
protected:
    void SetUp() override { util::logmsgReset(); }
    void TearDown() override { util::logmsgReset(); }

    // The template as gensip writes it.
    std::string templateText() {
        const std::string name = dir.file("template.ips");
        std::filesystem::remove(name);
        EXPECT_TRUE(vorncalv::gensip(name));
        return testsupport::readFile(name);
    }

    // The template's lines with line number lineNo (1-based) replaced by replacement.
    std::vector<std::string> templateWith(int lineNo, const std::string& replacement) {
        std::vector<std::string> all = lines(templateText());
        all.at(static_cast<std::size_t>(lineNo - 1)) = replacement;
        return all;
    }

    // Runs vornps on VORNCALV.SIP and mirror.txt in the test directory; returns the stop
    // text ("" when it did not stop).
    std::string read(int IWAIT = 0) {
        std::istringstream in;
        util::ConsoleRedirect console(in, out);
        vorncalv::StaticParameters read;
        try {
            vorncalv::vornps(IWAIT, r.LOG, r.LOGFIL, padded("VORNCALV.SIP"), padded("mirror.txt"), read, r.IPSTAT);
        } catch (const util::Stop& stop) {
            vorncalv::takeStaticParameters(read, r);
            return stop.text();
        }
        vorncalv::takeStaticParameters(read, r);
        return "";
    }

    void writeSip(const std::string& text) { writeFile(dir.file("VORNCALV.SIP"), text); }
    void writeMirror(const std::string& text) { writeFile(dir.file("mirror.txt"), text); }

    std::string log() {
        util::logmsgReset();
        return testsupport::readFile(dir.file("VORNCALV.LOG"));
    }

    testsupport::TempDir dir;
    testsupport::InDirectory cwd{dir.path()};
    RunState r;
    std::ostringstream out;
};

// ---- gensip ----

TEST_F(Vornps, TemplateHasThirtyLinesOfNinetyCharacters) {
    const std::vector<std::string> all = lines(templateText());
    ASSERT_EQ(all.size(), 30u);
    for (const std::string& line : all) EXPECT_EQ(line.size(), 90u) << line;
    EXPECT_EQ(all[0], padded("(File: VORNCALV.SIP -- \"static\" input parameters for VORNCALV)", 90));
    EXPECT_EQ(all[1], padded("(Note: blank lines, and lines with \"(\" in col.1, are ignored.)", 90));
    EXPECT_EQ(all[9], padded("maxValidThermistorCount(CTMAX):=  32767", 90));
    EXPECT_EQ(all[23], padded("(HBBtempOffset(HBTOFF):= -0.18864", 90));
    EXPECT_EQ(all[29], padded("(HBBbottomTempWeight(WTHBBB):= 0.5", 90));
}

TEST_F(Vornps, TemplateWritesApostrophesAroundCharacterValues) {
    const std::vector<std::string> all = lines(templateText());
    ASSERT_EQ(all.size(), 30u);
    EXPECT_EQ(all[2], padded("hotViewIdentifier(MPHOT):= 'H'", 90));
    EXPECT_EQ(all[3], padded("coldViewIdentifier(MPCOLD):= 'A'", 90));
    EXPECT_EQ(all[6], padded("outputImaginaryPart(OUTOP2):= 'Y'", 90));
    EXPECT_EQ(all[7], padded("outputResponsivity(OUTOP3):= 'Y'", 90));
    for (const std::string& line : all) EXPECT_EQ(line.find('|'), std::string::npos) << line;
}

TEST_F(Vornps, TemplateIsNotWrittenOverAnExistingFile) {
    writeFile(dir.file("PARAMS.IPS"), "my own parameters\n");
    EXPECT_FALSE(vorncalv::gensip(padded("PARAMS.IPS")));
    EXPECT_EQ(testsupport::readFile(dir.file("PARAMS.IPS")), "my own parameters\n");
}

TEST_F(Vornps, TemplateInAMissingDirectoryFails) { EXPECT_FALSE(vorncalv::gensip(padded("nowhere/PARAMS.IPS"))); }

// ---- vornps ----

TEST_F(Vornps, TemplateReadBackGivesAllEighteenValues) {
    writeSip(templateText());
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 0);
    EXPECT_EQ(r.MPHOT, 'H');
    EXPECT_EQ(r.MPCOLD, 'A');
    EXPECT_EQ(r.NFSET, 1);
    EXPECT_EQ(r.NLSET, 999);
    EXPECT_EQ(r.OUTOP2, 'Y');
    EXPECT_EQ(r.OUTOP3, 'Y');
    EXPECT_EQ(r.CTMIN, -32767.0F);
    EXPECT_EQ(r.CTMAX, 32767.0F);
    EXPECT_EQ(r.RATFAC, 1.5F);
    EXPECT_EQ(r.CAVFAC, 12.79F);
    EXPECT_EQ(r.ABTOFF, 0.0F);
    EXPECT_EQ(r.HBTOFF, 0.0F);  // the VORN-00 value -0.18864 is a comment
    EXPECT_EQ(r.WTABBT, 0.0945F);
    EXPECT_EQ(r.WTABBA, 0.811F);
    EXPECT_EQ(r.WTABBB, 0.0945F);
    EXPECT_EQ(r.WTHBBT, 0.0945F);
    EXPECT_EQ(r.WTHBBA, 0.811F);
    EXPECT_EQ(r.WTHBBB, 0.0945F);
    EXPECT_EQ(out.str(), " GETSMPI -- NMP = NSMPPC = 6\n");
}

TEST_F(Vornps, SixPositionCycleGivesTwoSetsOfThree) {
    writeSip(templateText());
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.NSMP, 3);
    EXPECT_EQ(r.NBBP, 2);
    EXPECT_EQ(r.NSVIDS, 2);
    EXPECT_EQ(r.SVIDS, padded("12", 50));
}

TEST_F(Vornps, LowerCaseViewCharactersAreScenes) {
    writeSip(templateText());
    writeMirror(mirrorFile("hac1"));
    // The cycle has no blackbody view at all, so the run stops after counting.
    EXPECT_EQ(read(), "VIEW IDENTIFIERS?");
    EXPECT_EQ(r.NBBP, 0);
    EXPECT_EQ(r.NSVIDS, 4);
    EXPECT_EQ(r.SVIDS, padded("hac1", 50));
}

TEST_F(Vornps, ColdBlackbodyCharacterCountsAsBlackbody) {
    writeSip(templateText());
    writeMirror(mirrorFile("HCAS"));
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.NBBP, 1);  // three blackbody views / 2
    EXPECT_EQ(r.NSVIDS, 1);
    EXPECT_EQ(r.NSMP, 2);
}

TEST_F(Vornps, LowerCaseCharacterValueIsUpperCased) {
    writeSip(joined(templateWith(3, "hotViewIdentifier(MPHOT):= 'h'")));
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 0);
    EXPECT_EQ(r.MPHOT, 'H');
}

TEST_F(Vornps, CharacterValueMayBeDoubleQuotedOrBare) {
    std::vector<std::string> sip = templateWith(7, "outputImaginaryPart(OUTOP2):= \"n\"");
    sip[7] = "outputResponsivity(OUTOP3):= no";
    writeSip(joined(sip));
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.OUTOP2, 'N');
    EXPECT_EQ(r.OUTOP3, 'N');
}

TEST_F(Vornps, CommentedParameterIsNotASecondOccurrence) {
    // The template holds "(ABBtempOffset(ABTOFF):= 0" as a comment beside the active line.
    writeSip(templateText());
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 0);
}

TEST_F(Vornps, MissingParameterLineGivesStatus5) {
    std::vector<std::string> sip = lines(templateText());
    sip.erase(sip.begin() + 10);  // ratioTestFactor
    writeSip(joined(sip));
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 5);
    EXPECT_EQ(out.str(),
              " GETSMPI -- NMP = NSMPPC = 6\n"
              " NUMBER OF INPUTS: 17\n"
              "    EXPECTING    : 18\n"
              " VORNPS -- MISSING PARAMETER: ratioTestFactor\n"
              " Opening NEW log file VORNCALV.LOG\n");
}

TEST_F(Vornps, SecondRatioTestFactorGivesStatus1) {
    std::vector<std::string> sip = lines(templateText());
    sip.push_back("ratioTestFactor(RATFAC):= 2.0   ");
    writeSip(joined(sip));
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 1);
    EXPECT_EQ(out.str(),
              " GETSMPI -- NMP = NSMPPC = 6\n"
              " ratioTestFactor(RATFAC):= 2.0\n"
              " VORNPS; REDUNDANCY\n");
}

TEST_F(Vornps, ParameterLineWithoutAssignmentGivesStatus2) {
    writeSip(joined(templateWith(12, "BBcavityFactor(CAVFAC)= 12.79")));
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 2);
    EXPECT_EQ(out.str(),
              " GETSMPI -- NMP = NSMPPC = 6\n"
              " CBUF: BBcavityFactor(CAVFAC)= 12.79\n"
              " VORNPS ERROR -- NO END-OF-STRING-IDENTIFIER\n");
}

TEST_F(Vornps, LineNamingTwoParametersSetsBoth) {
    std::vector<std::string> sip = templateWith(14, "ABBtempOffset and HBBtempOffset := 0.25");
    sip.erase(sip.begin() + 14);  // the separate HBBtempOffset line
    writeSip(joined(sip));
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 0);
    EXPECT_EQ(r.ABTOFF, 0.25F);
    EXPECT_EQ(r.HBTOFF, 0.25F);
}

TEST_F(Vornps, ValueEndsAtBlankCommaOrSlash) {
    std::vector<std::string> sip = templateWith(11, "ratioTestFactor(RATFAC):= 2.5, was 1.5");
    sip[5] = "lastSceneNumber(NLSCN):= +12/ end of day";
    sip[13] = "ABBtempOffset(ABTOFF):= -1.25D-1 kelvin";
    writeSip(joined(sip));
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 0);
    EXPECT_EQ(r.RATFAC, 2.5F);
    EXPECT_EQ(r.NLSET, 12);
    EXPECT_EQ(r.ABTOFF, -0.125F);
}

TEST_F(Vornps, WindowsLineEndsAreRead) {
    std::string sip;
    for (const std::string& line : lines(templateText())) sip += line + "\r\n";
    writeSip(sip);
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 0);
    EXPECT_EQ(r.WTHBBB, 0.0945F);
}

struct BadValue {
    int lineNo;
    const char* line;
    const char* longName;
};

class VornpsBadValue : public Vornps, public ::testing::WithParamInterface<BadValue> {};

TEST_P(VornpsBadValue, StopsWithAClearMessage) {
    writeSip(joined(templateWith(GetParam().lineNo, GetParam().line)));
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "BAD VALUE IN INPUT-PAR. FILE");
    const std::string message = std::string("VORNPS -- BAD VALUE FOR ") + GetParam().longName;
    EXPECT_EQ(out.str(), std::string(" GETSMPI -- NMP = NSMPPC = 6\n CBUF: ") + GetParam().line +
                             "\n " + message + "\n Opening NEW log file VORNCALV.LOG\n");
    EXPECT_EQ(log(), message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Values, VornpsBadValue,
    ::testing::Values(BadValue{6, "lastSceneNumber(NLSCN):= abc", "lastSceneNumber"},
                      BadValue{5, "firstSceneNumber(NFSCN):= 1.0", "firstSceneNumber"},
                      BadValue{6, "lastSceneNumber(NLSCN):= 99999999999", "lastSceneNumber"},
                      BadValue{11, "ratioTestFactor(RATFAC):=", "ratioTestFactor"},
                      BadValue{11, "ratioTestFactor(RATFAC):= , 1.5", "ratioTestFactor"},
                      BadValue{11, "ratioTestFactor(RATFAC):= nan", "ratioTestFactor"},
                      BadValue{12, "BBcavityFactor(CAVFAC):= 1e99", "BBcavityFactor"},
                      BadValue{12, "BBcavityFactor(CAVFAC):= '12.79'", "BBcavityFactor"},
                      BadValue{3, "hotViewIdentifier(MPHOT):= 'H", "hotViewIdentifier"}));

TEST_F(Vornps, MissingParameterFileGivesStatus6) {
    writeMirror(SIX_POSITIONS);
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 6);
    EXPECT_EQ(out.str(), " GETSMPI -- NMP = NSMPPC = 6\n VORNPS -- unable to find file " +
                             padded("VORNCALV.SIP") + "\n");
    EXPECT_EQ(r.NSVIDS, 2);  // the mirror positions were read before
}

TEST_F(Vornps, MissingMirrorFileGivesStatus8) {
    writeSip(templateText());
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 8);
    EXPECT_EQ(out.str(), "");
}

TEST_F(Vornps, ShortMirrorFileGivesStatus7) {
    writeSip(templateText());
    writeMirror("6 0\n0000\nH\n1000\nA\n");
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.IPSTAT, 7);
    EXPECT_EQ(out.str(), " GETSMPI -- End of file mirror.txt\n ...reading line 4\n");
}

TEST_F(Vornps, MoreThan52PositionsStop) {
    writeSip(templateText());
    writeMirror(mirrorFile(std::string(53, 'H')));
    EXPECT_EQ(read(), "NUMBER OF MIR.POS.?");
    EXPECT_EQ(out.str(), " GETSMPI -- NMP = NSMPPC = 53\n VORNPS -- NSMP, MAXSMP: 53 52\n");
}

TEST_F(Vornps, FiftyTwoPositionsAreAccepted) {
    writeSip(templateText());
    writeMirror(mirrorFile("HA" + std::string(50, 'S')));
    EXPECT_EQ(read(), "");
    EXPECT_EQ(r.NSVIDS, 50);
    EXPECT_EQ(r.SVIDS, std::string(50, 'S'));
    EXPECT_EQ(r.NSMP, 26);
}

TEST_F(Vornps, MoreThan50ScenePositionsStop) {
    writeSip(templateText());
    writeMirror(mirrorFile("H" + std::string(51, 'S')));
    EXPECT_EQ(read(), "NUMBER OF MIR.POS.?");
    EXPECT_EQ(out.str(), " GETSMPI -- NMP = NSMPPC = 52\n VORNPS -- NSVIDS, MAXSV: 51 50\n");
}

TEST_F(Vornps, CycleWithoutPositionsStops) {
    writeSip(templateText());
    writeMirror("0 0\n0000\nH\n");
    EXPECT_EQ(read(), "NUMBER OF MIR.POS.?");
    EXPECT_EQ(out.str(), " GETSMPI -- NMP = NSMPPC = 1\n VORNPS -- NSMP, MAXSMP: 0 52\n");
}

// ---- getsmpi ----

class Getsmpi : public Vornps {
protected:
    std::string readMirror(int IWAIT = 0) {
        std::istringstream in;
        util::ConsoleRedirect console(in, out);
        vorncalv::getsmpi(IWAIT, r.LOG, r.LOGFIL, padded("mirror.txt"), NSMPPC, SMPI, ISTAT);
        return out.str();
    }
    int NSMPPC = -1;
    std::string SMPI;
    int ISTAT = -1;
};

TEST_F(Getsmpi, HeaderWithOneNumberIsCompletedFromTheNextLine) {
    writeMirror("2\n0\n0000\nH\n1000\n1\n");
    EXPECT_EQ(readMirror(), " GETSMPI -- NMP = NSMPPC = 2\n");
    EXPECT_EQ(ISTAT, 0);
    EXPECT_EQ(NSMPPC, 2);
    EXPECT_EQ(SMPI, padded("H1", 52));
}

TEST_F(Getsmpi, HeaderNumbersMayBeSeparatedByAComma) {
    writeMirror("2,7\n0000\nA\n1000\nH\n");
    readMirror();
    EXPECT_EQ(ISTAT, 0);
    EXPECT_EQ(SMPI, padded("AH", 52));
}

TEST_F(Getsmpi, UnreadableHeaderIsAReadError) {
    writeMirror("six 0\n0000\nH\n");
    EXPECT_EQ(readMirror(),
              " GETSMPI -- Read error, line 1 file mirror.txt\n"
              " Opening NEW log file VORNCALV.LOG\n");
    EXPECT_EQ(ISTAT, 2);
    EXPECT_EQ(log(), " GETSMPI -- Read error, line 1 file mirror.txt\n");
}

TEST_F(Getsmpi, EmptyFileEndsAtTheHeader) {
    writeMirror("");
    EXPECT_EQ(readMirror(), " GETSMPI -- End of file mirror.txt\n ...reading line 1\n");
    EXPECT_EQ(ISTAT, 3);
}

TEST_F(Getsmpi, KeepsOnlyTheFirst52ViewCharacters) {
    writeMirror(mirrorFile(std::string(52, 'H') + "XYZ"));
    EXPECT_EQ(readMirror(), " GETSMPI -- NMP = NSMPPC = 55\n");
    EXPECT_EQ(ISTAT, 0);
    EXPECT_EQ(NSMPPC, 55);
    EXPECT_EQ(SMPI, std::string(52, 'H'));
}

TEST_F(Getsmpi, EmptyViewLineGivesABlankIdentifier) {
    writeMirror("1 0\n0000\n\n");
    readMirror();
    EXPECT_EQ(ISTAT, 0);
    EXPECT_EQ(SMPI[0], ' ');
}

struct MirrorWriter {
    std::string path;
    int after;
};

TEST_F(Getsmpi, RealTimeModeWaitsForTheFile) {
    testsupport::SleepRecorder recorder;
    MirrorWriter writer{dir.file("mirror.txt"), 3};
    recorder.onWait(
        [](int, void* context) {
            auto* w = static_cast<MirrorWriter*>(context);
            if (--w->after == 0) writeFile(w->path, SIX_POSITIONS);
        },
        &writer);
    const std::string console = readMirror(1);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{1024, 2048, 4096}));
    const std::string waiting = " GETSMPI -- waiting for file: mirror.txt\n";
    EXPECT_EQ(console, waiting + waiting + waiting + " GETSMPI -- NMP = NSMPPC = 6\n");
    EXPECT_EQ(ISTAT, 0);
}

}  // namespace
