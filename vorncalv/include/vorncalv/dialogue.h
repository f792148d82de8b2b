// The opening of the calibration program: identification strings, banner, the console
// dialogue that names every file, the names derived from the output root, the choice of
// real-time or batch mode, and the driver's logging and abort conventions.
//
// Console answers come from util::conin(), prompts and progress lines go to util::conout();
// an answer given on the command line (RunState::GIVEN) is taken instead of asking. File
// names hold at most 80 characters: a longer answer is refused at its prompt ("NAME TOO
// LONG"), never cut. Every failure ends in util::Stop after a log line.
#pragma once

#include <string>
#include <string_view>

#include "vorncalv/messages.h"
#include "vorncalv/runstate.h"

namespace vorncalv {

// Identification of this program, handed to every output writer.
inline constexpr std::string_view PROGRAM_NAME = "VORNCALV.CPP";

// One-time set-up at start: output metadata identifiers (while INIT1 = 1), LIMPTS, and the
// identification strings PROGRM, STAMP, VERSION and HISTRY, each NUL-terminated inside its
// own width right after its last significant character.
void setUp(RunState& s);

// The four-line console banner.
void showBanner(const RunState& s);

// Prompt 1: the input file CXFILE and its short form FILEIN. Both the "." test and FILEIN
// look at the file name after the last "/" or "\" only: a file name without "." or with
// "." first is refused: two console lines, a log line, stop "TRY AGAIN!".
void askInputFile(RunState& s);

// Prompt 2: ORGINP, the path\file of the original complex spectra.
void askOriginalSpectra(RunState& s);

// Prompt 3: the root BASE; forms VMFILE and LOGFIL, takes the root's lock (ROOT.LCK, held
// to the end of the process) and writes the banner into the log (normally the first log
// line, which creates or opens the log named LOGFIL). An empty root is refused (stop
// "EMPTY ROOT"); a longer one is cut to 8 characters, said on the console and in the log;
// a root another run holds stops with "ROOT IN USE".
void askRoot(RunState& s);

// Prompt 4: batch mode (IWAIT = 0) for an answer beginning with "Y" or "y"; real-time mode
// (IWAIT = 1, STFILE formed) for anything else, an empty line included.
void askMode(RunState& s);

// Set-up, banner and prompts 1-4, in that order.
void openingDialogue(RunState& s);

// Prompts 5-9 (IFILEV, PFILE, MPFILE, EMISSFIL, PSTFIL) and the closing console lines.
void closingDialogue(RunState& s);

// The log line that dates the run's start, once its restart point is known:
// "RUN STARTED 2026-12-09 15:04:05 UTC, PID 4711, FRESH START" (or "RESTART AFTER SCENE 12",
// or "BATCH RUN" in batch mode).
void logRunStart(RunState& s);

// The log line that closes every run whose log is open, however it ends:
// "RUN ENDED 2026-12-09 15:10:05 UTC, DURATION 0:06:00".
void logRunEnd(RunState& s);

// The 80-character name made from a template such as "XXXXXXXX.RLC" with BASE (blank-
// padded to 8) in positions 1-8: the root abc gives "abc     .RLC".
std::string outputName(std::string_view BASE, std::string_view nameTemplate);

// Puts text into MSG (blank-padded to 80) and appends it to the log.
void logLine(RunState& s, std::string_view text);

// The same line on the console and in the log, kept in MSG.
void sayAndLog(RunState& s, std::string_view line);

// A free-format message: on the console after one blank, in the log as it stands; kept in MSG.
void tell(RunState& s, std::string_view text);

// The abort path: logs MSG and stops with "ABORT -- CHECK STATUS FILE FOR VORNCALV".
[[noreturn]] void abortRun(RunState& s);

}  // namespace vorncalv
