// The command-line frame the calibration program and the tools share: usage errors, exit
// statuses, option splitting, --help and --version.
#include "cli/cli.h"

#include <exception>
#include <new>
#include <string>

namespace cli {

OptionArgument splitOption(const std::string& argument) {
    const std::size_t eq = argument.find('=');
    OptionArgument split{argument.substr(0, eq), std::nullopt};
    if (eq != std::string::npos) split.inlineValue = argument.substr(eq + 1);
    return split;
}

std::string versionLine(const char* program) { return std::string(program) + " " + Release + "\n"; }

int runTool(const char* program, const char* usage, const std::function<Request()>& parse,
            const std::function<int()>& run, std::ostream& out, std::ostream& err) {
    Request request = Request::Run;
    try {
        request = parse();
    } catch (const UsageError& e) {
        err << program << ": " << e.what() << "\nTry '" << program << " --help' for more information.\n";
        return ExitUsage;
    }
    if (request != Request::Run) {
        out << (request == Request::Help ? std::string(usage) : versionLine(program));
        return out.flush() ? ExitOk : ExitFailure;
    }
    int status = ExitFailure;
    try {
        status = run();
    } catch (const UsageError& e) {
        // A command line that proves bad only against its file (a record beyond its end).
        out.flush();
        err << program << ": " << e.what() << "\nTry '" << program << " --help' for more information.\n";
        return ExitUsage;
    } catch (const std::bad_alloc&) {
        out.flush();  // what the run printed comes before the reason it ended
        err << program << ": out of memory\n";
        return ExitFailure;
    } catch (const std::exception& e) {
        out.flush();
        err << program << ": " << e.what() << '\n';
        return ExitFailure;
    }
    if (!out.flush()) {
        err << program << ": cannot write to standard output\n";
        return ExitFailure;
    }
    return status;
}

}  // namespace cli
