// What the command-line programs share: the usage error, the exit statuses, the split of an
// "--option=VALUE" argument, --help and --version, and the run that reports errors as
// "<program>: <message>".
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

namespace cli {

// A command line the tool cannot act on; reported with a pointer to --help.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Exit statuses: success, a failed run, a bad command line.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

// An option argument split at its first '=': "--name=VALUE" gives "--name" and "VALUE",
// "--name" gives "--name" and no value.
struct OptionArgument {
    std::string name;
    std::optional<std::string> inlineValue;
};
OptionArgument splitOption(const std::string& argument);

// The release of the programs, shown by --version.
inline constexpr const char* Release = "1.0.1 (2015-04-17)";

// What a command line asks for: the work, the usage text or the release.
enum class Request { Run, Help, Version };

// The line --version prints: "<program> <release>".
std::string versionLine(const char* program);

// Runs a tool. parse() reads the command line and tells what it asks for; a UsageError
// from it is reported as "<program>: <message>" with a pointer to --help (ExitUsage). Help
// prints usage on out, Version the version line. Otherwise run() does the work and gives
// the exit status; a UsageError it throws (a command line that does not fit the file it
// names) is reported as one from parse(), any other error as "<program>: <message>"
// (ExitFailure), as is output that cannot be written.
int runTool(const char* program, const char* usage, const std::function<Request()>& parse,
            const std::function<int()>& run, std::ostream& out, std::ostream& err);

}  // namespace cli
