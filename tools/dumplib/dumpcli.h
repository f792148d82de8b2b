// The rgddump command: its arguments, usage text and the run that prints a view of a data
// file. main() only hands over the arguments and the standard streams.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "dumplib/report.h"

namespace dump {

// A command line the tool cannot act on; reported with a pointer to --help.
using cli::UsageError;

enum class Mode { Summary, Meta, Csv, Svg, Help, Version };

struct Options {
    Mode mode = Mode::Summary;
    std::string file;
    std::optional<std::string> records;  // --records, or the list after --meta
    std::string csvRecord;               // --csv RECORD
    std::string svgOutput;               // --svg OUT ("-": standard output)
    std::optional<std::string> column;   // --column ID: a number, data type or short name
    std::optional<std::string> fields;   // --fields NAME,... for --meta
    std::optional<MetaFormat> format;    // --format for --meta (table when not given)
    std::optional<std::string> title;    // --title TEXT
};

// Exit statuses: success, a file or record that cannot be read, a bad command line.
using cli::ExitOk;
using cli::ExitFailure;
using cli::ExitUsage;

// The options of a command line (without the program name). Failure: UsageError.
Options parseArguments(const std::vector<std::string>& args);

// The text --help prints.
const char* usageText();

// Runs rgddump: the view on out, errors as "rgddump: <message>" lines on err. Returns
// the exit status.
int runRgddump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace dump
