// The rgddump command: its arguments, usage text and the run that prints a view of a data
// file. main() only hands over the arguments and the standard streams.
#pragma once

#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace dump {

// A command line the tool cannot act on; reported with a pointer to --help.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Mode { Summary, Meta, Csv, Svg, Help };

struct Options {
    Mode mode = Mode::Summary;
    std::string file;
    std::optional<std::string> records;  // --records, or the list after --meta
    std::string csvRecord;               // --csv RECORD
    std::string svgOutput;               // --svg OUT ("-": standard output)
    std::optional<int> column;           // --column ID
    std::optional<std::string> title;    // --title TEXT
};

// Exit statuses: success, a file or record that cannot be read, a bad command line.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

// The options of a command line (without the program name). Failure: UsageError.
Options parseArguments(const std::vector<std::string>& args);

// The text --help prints.
const char* usageText();

// Runs rgddump: the view on out, errors as "rgddump: <message>" lines on err. Returns
// the exit status.
int runRgddump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace dump
