// The command-line frame the tools share: usage errors, exit statuses, option splitting.
#include "dumplib/cli.h"

#include <exception>
#include <new>

namespace cli {

OptionArgument splitOption(const std::string& argument) {
    const std::size_t eq = argument.find('=');
    OptionArgument split{argument.substr(0, eq), std::nullopt};
    if (eq != std::string::npos) split.inlineValue = argument.substr(eq + 1);
    return split;
}

int runTool(const char* program, const char* usage, const std::function<bool()>& parse,
            const std::function<int()>& run, std::ostream& out, std::ostream& err) {
    bool help = false;
    try {
        help = parse();
    } catch (const UsageError& e) {
        err << program << ": " << e.what() << "\nTry '" << program << " --help' for more information.\n";
        return ExitUsage;
    }
    if (help) {
        out << usage;
        return out.flush() ? ExitOk : ExitFailure;
    }
    int status = ExitFailure;
    try {
        status = run();
    } catch (const std::bad_alloc&) {
        err << program << ": out of memory\n";
        return ExitFailure;
    } catch (const std::exception& e) {
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
