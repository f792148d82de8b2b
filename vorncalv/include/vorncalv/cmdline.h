// The vorncalv command line: options that answer the dialogue's questions, --quiet,
// --help and --version, and the run that ends in the program's exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "vorncalv/givenanswers.h"

namespace vorncalv {

struct CommandLine {
    cli::Request request = cli::Request::Run;
    GivenAnswers answers;
    bool quiet = false;
};

// The options of a command line (without the program name). Failure: cli::UsageError.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// The text --help prints.
const char* usageText();

// Runs the program: the calibration run with the console on util::conout() and
// util::conin(), "STOP " and the stop text on err when it stops. Returns the exit status:
// 0 for the normal end and a batch run that reached the end of its input, 1 for every
// other stop, 2 for a bad command line (reported as "vorncalv: <message>").
int runVorncalv(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vorncalv
