// The vornsim command: its options, usage text and the runs that write a day or compare a
// calibrated day with its truth. main() only hands over the arguments and the streams.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "simlib/dayplan.h"

namespace vornsim {

// A command line the tool cannot act on; reported with a pointer to --help.
using cli::UsageError;

enum class Mode { Write, Compare, Live, Help, Version };

struct Options {
    Mode mode = Mode::Write;
    std::string dir;  // --dir DIR, or the directory after --compare or --live
    DayOptions day;
    int intervalMs = 2000;  // --interval: milliseconds between the records of --live
};

// Exit statuses: success, a day that cannot be written or does not match, a bad command line.
using cli::ExitOk;
using cli::ExitFailure;
using cli::ExitUsage;

// The options of a command line (without the program name). Failure: UsageError.
Options parseArguments(const std::vector<std::string>& args);

// A record list such as "16,38" or "5-7,40"; "none" or an empty text is no record.
// Failure: UsageError.
std::vector<int> parseRecordList(const std::string& text);

const char* usageText();

// Runs vornsim: reports on out, errors as "vornsim: <message>" lines on err. Returns the
// exit status.
int runVornsim(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vornsim
