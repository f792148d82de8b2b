// The opening dialogue: prompts, answers, derived names and refusals.
#include "vorncalv/dialogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/logmsg.h"
#include "libutil/rootlock.h"
#include "libutil/stop.h"
#include "ravlio/fields.h"
#include "support/runprogram.h"
#include "support/tempdir.h"

namespace {

using vorncalv::RunState;

const std::string HYPHENS(52, '-');

std::string padded(const std::string& text, std::size_t width = 80) { return util::pad(text, width); }

// Runs one dialogue step in a fresh directory with the given console input.
class Dialogue : public ::testing::Test {
protected:
    void SetUp() override { util::logmsgReset(); }
    void TearDown() override {
        util::logmsgReset();
        util::unlockRoot();  // askRoot takes the root's lock
    }

    // Runs step with input as the console; returns the stop text ("" when it did not stop).
    template <typename Step>
    std::string run(const std::string& input, Step step) {
        std::istringstream in(input);
        util::ConsoleRedirect console(in, out);
        try {
            step(s);
        } catch (const util::Stop& stop) {
            return stop.text();
        }
        return "";
    }

    // The whole log file (closed first, so everything is on disk).
    std::string log(const std::string& name) {
        util::logmsgReset();
        return testsupport::readFile(dir.file(name));
    }

    std::string banner() const {
        return " " + HYPHENS + "\n               ***** VORNCALV  *****\n " +
               std::string(util::trim(s.STAMP)) + "\n " + HYPHENS + "\n";
    }

    testsupport::TempDir dir;
    testsupport::InDirectory cwd{dir.path()};
    RunState s;
    std::ostringstream out;
};

TEST_F(Dialogue, SetUpFillsTheOutputMetadataIdentifiers) {
    vorncalv::setUp(s);
    EXPECT_EQ(s.NSUBH, 1);
    EXPECT_EQ(s.IDSUBH[0], 97122201);
    EXPECT_EQ(s.NAMD, 15);
    const std::array<int, 15> expected = {
        FIELD_calibrationAmbientTemp, FIELD_calibrationCBBtemp,  FIELD_calibrationHBBtemp,
        FIELD_missingDataFlag,        FIELD_calibratedSceneID,   FIELD_ABBtopTempWeight,
        FIELD_ABBapexTempWeight,      FIELD_ABBbottomTempWeight, FIELD_HBBtopTempWeight,
        FIELD_HBBapexTempWeight,      FIELD_HBBbottomTempWeight, FIELD_ABBtempOffset,
        FIELD_HBBtempOffset,          FIELD_BBcavityFactor,      FIELD_sceneMirPosEncoderMaxDrift};
    EXPECT_EQ(s.IDAMD, expected);
    EXPECT_EQ(s.NRO1TS, 0);
    EXPECT_EQ(s.LIMPTS, 18000);
}

TEST_F(Dialogue, RunStartsWithTheDriversInitialValues) {
    EXPECT_EQ(s.CINFO, padded("VORNCALV -- LAST SCENE CALIBRATED:"));
    EXPECT_EQ(s.LOGFIL, padded("VORNCALV.LOG"));
    EXPECT_EQ(s.OFILE1, padded("XXXXXXXX.RLC"));
    EXPECT_EQ(s.OFILE2, padded("XXXXXXXX.IMC"));
    EXPECT_EQ(s.OFILE3, padded("XXXXXXXX.RES"));
    EXPECT_EQ(s.INIARG, 1024);
    EXPECT_EQ(s.NPATOPN, 5);
    EXPECT_EQ(s.LOG, 13);
    EXPECT_EQ(s.LUP, 11);
    EXPECT_EQ(s.LUS, 21);
    EXPECT_EQ(s.INITI + s.INIT1 + s.INIT2 + s.INIT3, 4);
}

TEST_F(Dialogue, SetUpLeavesMetadataAloneOnceTheWriterHasStarted) {
    s.INIT1 = 0;
    vorncalv::setUp(s);
    EXPECT_EQ(s.NAMD, 0);
    EXPECT_EQ(s.IDSUBH[0], 0);
}

TEST_F(Dialogue, ProgramNameIsTwelveCharactersEndedByNul) {
    vorncalv::setUp(s);
    ASSERT_EQ(s.PROGRM.size(), 40u);
    EXPECT_EQ(s.PROGRM.substr(0, 8), "VORNCALV");
    EXPECT_EQ(s.PROGRM.find('\0'), 12u);
    EXPECT_EQ(s.PROGRM.substr(13), std::string(27, ' '));
}

TEST_F(Dialogue, StampNamesModuleReleaseAndDate) {
    vorncalv::setUp(s);
    ASSERT_EQ(s.STAMP.size(), 80u);
    EXPECT_NE(s.STAMP.find("vorncalv"), std::string::npos);
    EXPECT_NE(s.STAMP.find(" 1.0.1 "), std::string::npos);
    EXPECT_NE(s.STAMP.find(" 2015-04-17 "), std::string::npos);
    EXPECT_EQ(s.STAMP.find('\0'), std::string::npos);
}

TEST_F(Dialogue, VersionIsTheStampsFirst39CharactersEndedByNul) {
    vorncalv::setUp(s);
    ASSERT_EQ(s.VERSION.size(), 40u);
    const std::size_t nul = s.VERSION.find('\0');
    ASSERT_NE(nul, std::string::npos);
    EXPECT_LE(nul, 39u);
    EXPECT_EQ(s.VERSION.substr(0, nul), std::string(util::trim(s.STAMP.substr(0, 39))));
}

TEST_F(Dialogue, HistoryKeeps79CharactersBeforeItsNul) {
    vorncalv::setUp(s);
    ASSERT_EQ(s.HISTRY.size(), 80u);
    EXPECT_EQ(s.HISTRY.find('\0'), 79u);
    EXPECT_EQ(s.HISTRY.find(' '), 8u);  // significant text right up to the NUL
    EXPECT_NE(s.HISTRY[78], ' ');
}

TEST_F(Dialogue, BannerHasFourFreeFormatLines) {
    vorncalv::setUp(s);
    {
        std::istringstream in;
        util::ConsoleRedirect console(in, out);
        vorncalv::showBanner(s);
    }
    EXPECT_EQ(out.str(), banner());
}

TEST_F(Dialogue, InputNameWithoutDotIsRefused) {
    EXPECT_EQ(run("abc\n", vorncalv::askInputFile), "TRY AGAIN!");
    EXPECT_EQ(out.str(),
              " ENTER Input File Name:  INPUT FILE NAME IS TOO SHORT\n"
              "    CXFILE= abc\n"
              " Opening NEW log file VORNCALV.LOG\n");
    EXPECT_EQ(log("VORNCALV.LOG"), "NAME MUST HAVE AT LEAST 1 CHAR & \".\"\n");
}

TEST_F(Dialogue, InputNameStartingWithDotIsRefused) {
    EXPECT_EQ(run(".abc\n", vorncalv::askInputFile), "TRY AGAIN!");
    EXPECT_EQ(log("VORNCALV.LOG"), "NAME MUST HAVE AT LEAST 1 CHAR & \".\"\n");
}

TEST_F(Dialogue, DotInSecondPlaceIsAccepted) {
    EXPECT_EQ(run("a.b\n", vorncalv::askInputFile), "");
    EXPECT_EQ(s.CXFILE, padded("a.b"));
    EXPECT_EQ(s.FILEIN, padded("a.b"));
    EXPECT_EQ(out.str(), " ENTER Input File Name: ");
}

TEST_F(Dialogue, ShortInputNameKeepsEightCharactersBeforeTheDot) {
    EXPECT_EQ(run("D:\\data\\150417C1.UVS\n", vorncalv::askInputFile), "");
    EXPECT_EQ(s.FILEIN, padded("150417C1.UVS"));
}

// The "." test and the short name look at the file name only: dots of directories before it
// ("../", "./", "v1.2/") say nothing about the file, and a directory alone is no file name.
TEST_F(Dialogue, DotsOfDirectoriesBeforeTheFileNameAreNotLookedAt) {
    const struct {
        const char* answer;
        const char* FILEIN;  // nullptr: refused with "TRY AGAIN!"
    } cases[] = {
        {"/data/run.2/150417C1.UVS", "150417C1.UVS"},
        {"../day/150417C1.UVS", "150417C1.UVS"},
        {"./150417C1.UVS", "150417C1.UVS"},
        {"/srv/v1.2/a.b", "a.b"},
        {"D:\\v1.2\\LONGNAME123.UVS", "GNAME123.UVS"},
        {"/srv/v1.2/NODOT", nullptr},
        {"../day/.hidden", nullptr},
        {"../day.1/", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        s = vorncalv::RunState{};
        EXPECT_EQ(run(std::string(c.answer) + "\n", vorncalv::askInputFile), c.FILEIN ? "" : "TRY AGAIN!");
        if (c.FILEIN) {
            EXPECT_EQ(s.FILEIN, padded(c.FILEIN));
        }
    }
}

TEST_F(Dialogue, ShortInputNameStopsAtTheEndOfTheName) {
    const std::string name = std::string(78, 'x') + ".U";  // dot at position 79
    EXPECT_EQ(run(name + "\n", vorncalv::askInputFile), "");
    EXPECT_EQ(s.FILEIN, padded(std::string(8, 'x') + ".U"));
}

// A name is never cut: beyond 80 characters only blanks may follow it, wherever in the line
// the rest lies (a blank at 81 and a letter after it count as 84 characters).
TEST_F(Dialogue, AnswerLongerThanANameIsRefusedUnlessOnlyBlanksFollow) {
    const std::string name80 = "a." + std::string(78, 'b');
    EXPECT_EQ(run(name80 + std::string(30, ' ') + "\n", vorncalv::askInputFile), "");
    EXPECT_EQ(s.CXFILE, name80);
    EXPECT_EQ(run(name80 + "   c\n", vorncalv::askOriginalSpectra), "NAME TOO LONG");
    EXPECT_EQ(out.str().substr(out.str().find(" (used")),
              " (used for variance comp., \"forward\" cases)\n"
              " NAME TOO LONG AT PROMPT FOR PATH NAME OF COMPLEX SP.\n"
              " Opening NEW log file VORNCALV.LOG\n"
              " NAMES HAVE AT MOST 80 CHARACTERS; THIS ONE HAS 84\n");
    EXPECT_EQ(log("VORNCALV.LOG"),
              "NAME TOO LONG AT PROMPT FOR PATH NAME OF COMPLEX SP.\n"
              "NAMES HAVE AT MOST 80 CHARACTERS; THIS ONE HAS 84\n");
}

TEST_F(Dialogue, CarriageReturnBeforeTheLineEndIsNotPartOfTheAnswer) {
    EXPECT_EQ(run("a.b\r\n", vorncalv::askInputFile), "");
    EXPECT_EQ(s.CXFILE, padded("a.b"));
}

TEST_F(Dialogue, EndOfInputAtInputNameLogsAndStops) {
    EXPECT_EQ(run("", vorncalv::askInputFile), "READ ERROR;FILE NAME");
    EXPECT_EQ(log("VORNCALV.LOG"), "READ ERROR AT PROMPT FOR INPUT FILE NAME\n");
}

TEST_F(Dialogue, OriginalSpectraPromptEndsItsLineAndExplains) {
    EXPECT_EQ(run("D:\\orig\\x.uvs\n", vorncalv::askOriginalSpectra), "");
    EXPECT_EQ(out.str(),
              " ENTER path\\file of orig. complex sp.: \n"
              " (used for variance comp., \"forward\" cases)\n");
    EXPECT_EQ(s.ORGINP, padded("D:\\orig\\x.uvs"));
}

TEST_F(Dialogue, EndOfInputAtPathPromptLogsIntoDefaultLog) {
    EXPECT_EQ(run("", vorncalv::askOriginalSpectra), "READ ERROR; PATH?");
    EXPECT_EQ(log("VORNCALV.LOG"), "READ ERROR AT PROMPT FOR PATH NAME OF COMPLEX SP.\n");
}

TEST_F(Dialogue, RootNamesLogMarkerAndOutputFiles) {
    vorncalv::setUp(s);
    EXPECT_EQ(run("abc\n", vorncalv::askRoot), "");
    EXPECT_EQ(s.BASE, "abc     ");
    EXPECT_EQ(s.LOGFIL, padded("abc.LOG"));
    EXPECT_EQ(s.VMFILE, padded("abc     .LVF"));
    EXPECT_EQ(vorncalv::outputName(s.BASE, "XXXXXXXX.RLC"), padded("abc     .RLC"));
    EXPECT_EQ(out.str(),
              " ENTER FIRST 8 CHARS. FOR OUTPUT FILE NAMES:  Opening NEW log file abc.LOG\n");
    EXPECT_EQ(log("abc.LOG"), HYPHENS + "\n                ***** VORNCALV *****\n" +
                                  std::string(util::trim(s.STAMP)) + "\n" + HYPHENS + "\n");
}

TEST_F(Dialogue, RootKeepsTheFirstEightCharacters) {
    EXPECT_EQ(run("150417C1_extra\n", vorncalv::askRoot), "");
    EXPECT_EQ(out.str(),
              " ENTER FIRST 8 CHARS. FOR OUTPUT FILE NAMES:  ROOT OF FILE NAMES CUT TO 8 CHARACTERS: 150417C1\n"
              " Opening NEW log file 150417C1.LOG\n");
    EXPECT_EQ(s.BASE, "150417C1");
    EXPECT_EQ(s.LOGFIL, padded("150417C1.LOG"));
    EXPECT_EQ(vorncalv::outputName(s.BASE, "XXXXXXXX.RES"), padded("150417C1.RES"));
}

// A root whose first 8 characters are blank is refused like an empty one.
TEST_F(Dialogue, BlankRootIsRefused) {
    for (const char* typed : {"\n", "   \n", "         x\n"}) {
        util::logmsgReset();
        std::filesystem::remove(dir.file("VORNCALV.LOG"));
        EXPECT_EQ(run(typed, vorncalv::askRoot), "EMPTY ROOT") << typed;
        EXPECT_EQ(log("VORNCALV.LOG"), "EMPTY ANSWER AT PROMPT FOR 8-CHAR. ROOT OF FILE NAMES.\n") << typed;
    }
}

TEST_F(Dialogue, EndOfInputAtRootPromptLogsAndStops) {
    EXPECT_EQ(run("", vorncalv::askRoot), "READ ERROR; ROOT?");
    EXPECT_EQ(log("VORNCALV.LOG"), "READ ERROR AT PROMPT FOR 8-CHAR. ROOT OF FILE NAMES.\n");
}

TEST_F(Dialogue, AnswerBeginningWithYChoosesBatchMode) {
    s.BASE = "abc     ";
    for (const char* answer : {"y\n", "Y\n", "yes please\n"}) {
        s.IWAIT = 1;
        EXPECT_EQ(run(answer, vorncalv::askMode), "") << answer;
        EXPECT_EQ(s.IWAIT, 0) << answer;
        EXPECT_EQ(s.STFILE, padded("")) << answer;
    }
    EXPECT_EQ(out.str(), " DISABLE REAL-TIME MODE? [Y/N]  DISABLE REAL-TIME MODE? [Y/N] "
                         " DISABLE REAL-TIME MODE? [Y/N] ");
}

TEST_F(Dialogue, AnyOtherAnswerChoosesRealTimeMode) {
    s.BASE = "abc     ";
    for (const char* answer : {"N\n", "n\n", "x\n", "\n", " y\n"}) {
        s.IWAIT = 0;
        s.STFILE = padded("");
        EXPECT_EQ(run(answer, vorncalv::askMode), "") << answer;
        EXPECT_EQ(s.IWAIT, 1) << answer;
        EXPECT_EQ(s.STFILE, padded("abc.STC")) << answer;
    }
}

TEST_F(Dialogue, EndOfInputAtModePromptLogsAndStops) {
    EXPECT_EQ(run("", vorncalv::askMode), "READ ERROR; DISABLE?");
    EXPECT_EQ(log("VORNCALV.LOG"), "READ ERROR AT PROMPT FOR DISABLE OPTION\n");
}

TEST_F(Dialogue, OpeningDialogueRunsBannerAndFourPrompts) {
    EXPECT_EQ(run("in.uvs\norig.uvs\nabc\nN\n", vorncalv::openingDialogue), "");
    EXPECT_EQ(out.str(), banner() +
                             " ENTER Input File Name: "
                             " ENTER path\\file of orig. complex sp.: \n"
                             " (used for variance comp., \"forward\" cases)\n"
                             " ENTER FIRST 8 CHARS. FOR OUTPUT FILE NAMES: "
                             " Opening NEW log file abc.LOG\n"
                             " DISABLE REAL-TIME MODE? [Y/N] ");
    EXPECT_EQ(s.FILEIN, padded("in.uvs"));
    EXPECT_EQ(s.ORGINP, padded("orig.uvs"));
    EXPECT_EQ(s.IWAIT, 1);
    EXPECT_EQ(s.STFILE, padded("abc.STC"));
}

TEST_F(Dialogue, ClosingDialogueAsksForTheFiveFiles) {
    EXPECT_EQ(run("var.cvs\nVORNCALV.SIP\nmirror.txt\npaint.txt\nquint.sta\n",
                  vorncalv::closingDialogue),
              "");
    EXPECT_EQ(s.IFILEV, padded("var.cvs"));
    EXPECT_EQ(s.PFILE, padded("VORNCALV.SIP"));
    EXPECT_EQ(s.MPFILE, padded("mirror.txt"));
    EXPECT_EQ(s.EMISSFIL, padded("paint.txt"));
    EXPECT_EQ(s.PSTFIL, padded("quint.sta"));
    EXPECT_EQ(out.str(),
              " ENTER NAME OF \"VARIANCE\" INPUT FILE: "
              " ENTER NAME OF \"STATIC-PARS.\" INPUT FILE: "
              " ENTER NAME OF SCENE-MIRROR-POSITION FILE: "
              " ENTER NAME OF BB PAINT EMISSIVITY FILE: "
              " ENTER NAME OF PREVIOUS-PROGRAM STATUS FILE,\n"
              " (PREVIOUS PROGRAM: QUINT(CH.1) OR MOBLEX(CH.2)"
              "  \n"
              " LAST \"KEYBOARD\" INPUT HAS BEEN READ.\n");
}

struct ReadFailure {
    const char* input;
    const char* logged;
};

class ClosingDialogueReadFailure : public Dialogue,
                                   public ::testing::WithParamInterface<ReadFailure> {};

TEST_P(ClosingDialogueReadFailure, LogsItsPromptAndStops) {
    s.LOGFIL = padded("abc.LOG");
    EXPECT_EQ(run(GetParam().input, vorncalv::closingDialogue), "READ ERROR");
    EXPECT_EQ(log("abc.LOG"), std::string(GetParam().logged) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    EachPrompt, ClosingDialogueReadFailure,
    ::testing::Values(
        ReadFailure{"", "READ ERROR AT PROMPT FOR NAME OF VARIANCE INPUT FILE"},
        ReadFailure{"v\n", "READ ERROR AT PROMPT FOR NAME OF STATIC-PARS. INPUT FILE"},
        ReadFailure{"v\np\n", "READ ERROR AT PROMPT FOR NAME OF MIR.POS. FILE"},
        ReadFailure{"v\np\nm\n", "READ ERROR AT PROMPT FOR NAME OF EMISSIVITY FILE"},
        ReadFailure{"v\np\nm\ne\n", "READ ERROR AT PROMPT FOR NAME OF QUINT STATUS FILE"}));

TEST_F(Dialogue, OutputNameFillsTheTemplatesRoot) {
    EXPECT_EQ(vorncalv::outputName("abc", "XXXXXXXX.CVS"), padded("abc     .CVS"));
    EXPECT_EQ(vorncalv::outputName("ABCDEFGH", "XXXXXXXX.IMC"), padded("ABCDEFGH.IMC"));
}

TEST_F(Dialogue, AbortPathLogsTheMessageAndStops) {
    s.LOGFIL = padded("abc.LOG");
    s.MSG = padded("NROUT RETURNED NEGATIVE NRO1");
    EXPECT_EQ(run("", vorncalv::abortRun), "ABORT -- CHECK STATUS FILE FOR VORNCALV");
    EXPECT_EQ(log("abc.LOG"), "NROUT RETURNED NEGATIVE NRO1\n");
}

TEST_F(Dialogue, LogLineKeepsTheMessageInTheBuffer) {
    s.LOGFIL = padded("abc.LOG");
    EXPECT_EQ(run("", [](RunState& st) { vorncalv::logLine(st, "SOMETHING HAPPENED"); }), "");
    EXPECT_EQ(s.MSG, padded("SOMETHING HAPPENED"));
    EXPECT_EQ(log("abc.LOG"), "SOMETHING HAPPENED\n");
}

}  // namespace
