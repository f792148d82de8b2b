// The vorncalv command line: parsing, usage text and the run with its exit status.
#include "vorncalv/cmdline.h"

#include <memory>
#include <optional>
#include <utility>

#include "libutil/logmsg.h"
#include "libutil/rootlock.h"
#include "libutil/stop.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/runstate.h"
#include "vorncalv/vorncalv.h"

namespace vorncalv {
namespace {

constexpr const char* Usage =
    "Usage: vorncalv [OPTIONS]\n"
    "       vorncalv --help | --version\n"
    "\n"
    "Calibrates the complex spectra of the VORN spectrometer. Without options it asks\n"
    "its nine questions on the console (the answers may come from a file:\n"
    "vorncalv < ANSWERS.TXT); each option below answers one of them, and the program\n"
    "asks only for the others.\n"
    "\n"
    "  --input FILE      input file of uncalibrated complex spectra (its name holds a \".\")\n"
    "  --source FILE     path\\file of the original complex spectra (variance product)\n"
    "  --root ROOT       root of every output file name, at most 8 characters\n"
    "  --batch[=yes|no]  batch mode: no waiting for files and records (--batch=no:\n"
    "                    real-time mode)\n"
    "  --variance FILE   variance input file\n"
    "  --params FILE     static input-parameter file (.SIP)\n"
    "  --mirrors FILE    scene-mirror-position file\n"
    "  --paint FILE      blackbody paint emissivity file\n"
    "  --upstream FILE   status file of the upstream program (QUINT or MOBLEX)\n"
    "  --quiet           one progress line per scene instead of the scene loop's\n"
    "                    console lines; the log is written in full as always\n"
    "  --help            this text\n"
    "  --version         the program's release\n"
    "\n"
    "File names hold at most 80 characters. Options may also be written --option=VALUE.\n"
    "Exit status: 0 when the run ends normally (STOP *** END VORNCALV.EXE ***), also\n"
    "when a batch run has calibrated its input to the end; 1 for every other stop (STOP\n"
    "and its reason on standard error, the log ROOT.LOG says why); 2 for a bad command\n"
    "line; 3 when a batch run's input ends in an incomplete record (input incomplete;\n"
    "the products hold every complete record).\n";

// The options that answer a question, with the member of GivenAnswers each one fills.
struct AnswerOption {
    const char* name;
    std::optional<std::string> GivenAnswers::*answer;
};
constexpr AnswerOption ANSWER_OPTIONS[] = {
    {"--input", &GivenAnswers::input},       {"--source", &GivenAnswers::source},
    {"--root", &GivenAnswers::root},         {"--variance", &GivenAnswers::variance},
    {"--params", &GivenAnswers::params},     {"--mirrors", &GivenAnswers::mirrors},
    {"--paint", &GivenAnswers::paint},       {"--upstream", &GivenAnswers::upstream},
};

// The answer to "DISABLE REAL-TIME MODE?" that --batch gives.
std::string batchAnswer(const std::optional<std::string>& value) {
    if (!value || *value == "yes" || *value == "y" || *value == "Y") return "Y";
    if (*value == "no" || *value == "n" || *value == "N") return "N";
    throw cli::UsageError("option '--batch' takes yes or no, not '" + *value + "'");
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    CommandLine run() {
        for (i_ = 0; i_ < args_.size(); ++i_) {
            const std::string& a = args_[i_];
            if (a.size() < 2 || a[0] != '-') throw cli::UsageError("unexpected argument '" + a + "'");
            option(a);
            if (c_.request != cli::Request::Run) return c_;
        }
        return c_;
    }

private:
    void flag(const std::string& name, const std::optional<std::string>& inlineValue) const {
        if (inlineValue) throw cli::UsageError("option '" + name + "' takes no value");
    }

    void set(std::optional<std::string>& answer, const std::string& name, std::string value) {
        if (answer) throw cli::UsageError("option '" + name + "' is given twice");
        answer = std::move(value);
    }

    void option(const std::string& a) {
        const auto [name, inlineValue] = cli::splitOption(a);
        if (name == "--help" || name == "-h" || name == "--version") {
            flag(name, inlineValue);
            c_.request = name == "--version" ? cli::Request::Version : cli::Request::Help;
        } else if (name == "--quiet") {
            flag(name, inlineValue);
            if (c_.quiet) throw cli::UsageError("option '--quiet' is given twice");
            c_.quiet = true;
        } else if (name == "--batch") {
            set(c_.answers.batch, name, batchAnswer(inlineValue));
        } else {
            for (const AnswerOption& o : ANSWER_OPTIONS) {
                if (name != o.name) continue;
                if (!inlineValue && i_ + 1 >= args_.size())
                    throw cli::UsageError("option '" + name + "' needs a value");
                set(c_.answers.*o.answer, name, inlineValue ? *inlineValue : args_[++i_]);
                return;
            }
            throw cli::UsageError("unknown option '" + a + "'");
        }
    }

    const std::vector<std::string>& args_;
    std::size_t i_ = 0;
    CommandLine c_;
};

// The calibration run: its exit status, "STOP " and the stop text on err when it stops.
int calibrate(const CommandLine& command, std::ostream& out, std::ostream& err) {
    // However the run ends, it no longer holds its root: the lock file goes with the lock.
    struct RootRelease {
        ~RootRelease() { util::unlockRoot(); }
    } release;
    int status = util::EXIT_RUN_STOPPED;
    const auto state = std::make_unique<RunState>();
    try {
        state->GIVEN = command.answers;
        state->QUIET = command.quiet;
        run(*state);
    } catch (const util::Stop& stop) {
        out.flush();
        err << "STOP " << stop.text() << '\n';
        status = stop.exitStatus();
    }
    if (util::logOpen()) logRunEnd(*state);
    util::logFlush();
    return status;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) { return Parser(args).run(); }

const char* usageText() { return Usage; }

int runVorncalv(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommandLine command;
    const auto parse = [&] {
        command = parseCommandLine(args);
        return command.request;
    };
    return cli::runTool("vorncalv", Usage, parse, [&] { return calibrate(command, out, err); }, out, err);
}

}  // namespace vorncalv
