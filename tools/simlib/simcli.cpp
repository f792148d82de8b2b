// The vornsim command: options, usage text and its runs.
#include "simlib/simcli.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

#include "simlib/compare.h"
#include "simlib/daywriter.h"
#include "simlib/liveplay.h"

namespace vornsim {

namespace {

constexpr const char* Usage =
    "Usage: vornsim --dir DIR [--channel N] [--sets N] [--points N] [--drift K]\n"
    "               [--missing RECORDS] [--seed N]\n"
    "       vornsim --live DIR [--interval MS] [day options as for --dir]\n"
    "       vornsim --compare DIR\n"
    "       vornsim --help\n"
    "\n"
    "Writes a synthetic VORN instrument day into DIR: the complex spectra of hot,\n"
    "ambient and sky views as the upstream program delivers them, every other file\n"
    "a vorncalv run needs, and the truth the calibration must reproduce. Calibrate\n"
    "it with\n"
    "    cd DIR && vorncalv < ANSWERS.TXT\n"
    "and compare the outputs with the truth with vornsim --compare DIR.\n"
    "\n"
    "  --dir DIR          directory to write the day into, created when needed;\n"
    "                     files of an earlier day there and its calibration\n"
    "                     outputs are replaced\n"
    "  --channel N        1: 520-1800 cm-1 (default), 2: 1800-3020 cm-1\n"
    "  --sets N           sets of views to calibrate, 1-100 (default 20); a set is a\n"
    "                     hot and an ambient blackbody view and four sky views, two\n"
    "                     minutes apart from 06:00:00; the file holds one set more,\n"
    "                     whose blackbody views close the last calibrated set\n"
    "  --points N         points per spectrum, 2-9000 (default about 0.48 cm-1\n"
    "                     apart: 2655 for channel 1, 2531 for channel 2)\n"
    "  --drift K          linear drift of the blackbody and support-structure\n"
    "                     temperatures, kelvin per hour, -3 to 3 (default 0.25)\n"
    "  --missing RECORDS  input records flagged missing, such as 16,38 or 5-7;\n"
    "                     none for no record (default 16,38: a sky view of set 3\n"
    "                     and the ambient view of set 7)\n"
    "  --seed N           seed of the sky's absorption lines, clouds and encoder\n"
    "                     drifts (default 1)\n"
    "  --live DIR         play the upstream program for the day in DIR: write the\n"
    "                     other files at once, then the records of the input,\n"
    "                     forward-scan and variance files one at a time, each\n"
    "                     followed by its count in the upstream status file, so\n"
    "                     that vorncalv in real-time mode follows the day:\n"
    "                         cd DIR && vorncalv < REALTIME.TXT\n"
    "                     (REALTIME.TXT: the answers of a real-time run)\n"
    "  --interval MS      milliseconds between two records of --live, 0-3600000\n"
    "                     (default 2000)\n"
    "  --compare DIR      compare the calibration outputs in DIR with the truth\n"
    "  --help             this text\n"
    "\n"
    "Files written (channel 1 names): 150417C1.UVS (input spectra), 150417F1.UVS\n"
    "(forward-scan spectra), 150417C1.VAR (their variance over the scans),\n"
    "VORNCALV.SIP, SCENEMIR.POS, BBPAINT.EMI, QUINT.STA (MOBLEX.STA for channel 2),\n"
    "ANSWERS.TXT (the nine console answers of a batch run), TRUTH.RGD (per output\n"
    "record: sky radiance, the radiance an exact calibration of the scene's views\n"
    "gives, responsivity and variance of radiance, with the temperatures) and\n"
    "TRUTH.CSV (per output record: input record, scene, time, whether and why it\n"
    "is missing).\n"
    "\n"
    "Options may also be written --option=VALUE. Exit status: 0 on success, 1 when\n"
    "the day cannot be written or the calibration does not match the truth, 2 for\n"
    "a bad command line.\n";

const char* valueNeeded(const std::string& option) {
    if (option == "--dir" || option == "--compare" || option == "--live") return "a directory";
    if (option == "--interval") return "a number of milliseconds";
    if (option == "--drift") return "a number of kelvin per hour";
    if (option == "--missing") return "a record list";
    return "a whole number";
}

int parseInt(const std::string& option, const std::string& text) {
    long long value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (!text.empty() && text[0] == '+') ++begin;
    const auto result = std::from_chars(begin, end, value);
    if (text.empty() || result.ec != std::errc{} || result.ptr != end || value < -2147483647LL || value > 2147483647LL)
        throw UsageError("option '" + option + "' needs a whole number, not '" + text + "'");
    return static_cast<int>(value);
}

double parseReal(const std::string& option, const std::string& text) {
    double value = 0.0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (!text.empty() && text[0] == '+') ++begin;
    const auto result = std::from_chars(begin, end, value);
    if (text.empty() || result.ec != std::errc{} || result.ptr != end || !std::isfinite(value))
        throw UsageError("option '" + option + "' needs a number, not '" + text + "'");
    return value;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    Options run() {
        for (i_ = 0; i_ < args_.size(); ++i_) {
            const std::string& a = args_[i_];
            if (a.size() < 2 || a[0] != '-') throw UsageError("unexpected argument '" + a + "'");
            option(a);
            if (o_.mode == Mode::Help || o_.mode == Mode::Version) return o_;
        }
        check();
        return o_;
    }

private:
    std::string value(const std::string& name, const std::optional<std::string>& inlineValue) {
        if (inlineValue) return *inlineValue;
        if (i_ + 1 >= args_.size()) throw UsageError("option '" + name + "' needs " + valueNeeded(name));
        return args_[++i_];
    }

    bool given(const std::string& name) const {
        return std::find(seen_.begin(), seen_.end(), name) != seen_.end();
    }

    void once(const std::string& name) {
        if (given(name)) throw UsageError("option '" + name + "' is given twice");
        seen_.push_back(name);
    }

    void option(const std::string& a) {
        const auto [name, inlineValue] = cli::splitOption(a);
        if (name == "--help" || name == "-h" || name == "--version") {
            if (inlineValue) throw UsageError("option '" + name + "' takes no value");
            o_.mode = name == "--version" ? Mode::Version : Mode::Help;
            return;
        }
        if (name != "--dir" && name != "--compare" && name != "--live" && name != "--interval" && name != "--channel" &&
            name != "--sets" && name != "--points" && name != "--drift" && name != "--missing" && name != "--seed")
            throw UsageError("unknown option '" + a + "'");
        once(name);
        const std::string v = value(name, inlineValue);
        if (name == "--dir" || name == "--compare" || name == "--live") {
            if (!o_.dir.empty()) throw UsageError("give one of --dir, --live and --compare, once");
            if (v.empty()) throw UsageError("the directory name is empty");
            o_.dir = v;
            if (name == "--compare") o_.mode = Mode::Compare;
            if (name == "--live") o_.mode = Mode::Live;
        } else if (name == "--interval") {
            o_.intervalMs = parseInt(name, v);
            if (o_.intervalMs < 0 || o_.intervalMs > MaxIntervalMs)
                throw UsageError("the interval must be between 0 and " + std::to_string(MaxIntervalMs) +
                                 " milliseconds");
        } else if (name == "--channel") {
            o_.day.channel = parseInt(name, v);
        } else if (name == "--sets") {
            o_.day.sets = parseInt(name, v);
        } else if (name == "--points") {
            o_.day.points = parseInt(name, v);
            if (o_.day.points == 0) throw UsageError("the number of points must be between 2 and 9000");
        } else if (name == "--drift") {
            o_.day.driftPerHour = parseReal(name, v);
        } else if (name == "--missing") {
            o_.day.missing = parseRecordList(v);
        } else {
            const int seed = parseInt(name, v);
            if (seed < 0) throw UsageError("the seed must not be negative");
            o_.day.seed = static_cast<unsigned>(seed);
        }
    }

    void check() {
        if (o_.dir.empty()) throw UsageError("no directory given (--dir DIR, --live DIR or --compare DIR)");
        if (o_.mode == Mode::Compare && seen_.size() > 1)
            throw UsageError("--compare takes no other option");
        if (o_.mode != Mode::Live && given("--interval"))
            throw UsageError("option '--interval' applies only to --live");
        try {
            checkOptions(o_.day);
        } catch (const OptionError& e) {
            throw UsageError(e.what());
        }
    }

    const std::vector<std::string>& args_;
    std::size_t i_ = 0;
    std::vector<std::string> seen_;
    Options o_;
};

void describeDay(const DayPlan& day, const std::string& dir, std::ostream& out) {
    const DayFiles& f = day.files;
    char line[256];
    std::snprintf(line, sizeof line, "vornsim: wrote a synthetic channel %d day into %s\n", day.options.channel,
                  dir.c_str());
    out << line;
    std::snprintf(line, sizeof line,
                  "  %s: %d records, %d sets of %d views (hot, ambient, 4 sky),\n"
                  "    %zu points from %.1f to %.1f cm-1\n",
                  f.input.c_str(), day.recordCount(), day.options.sets + 1, day.recordsPerSet(), day.grid.size(),
                  day.grid.front(), day.grid.back());
    out << line;
    std::string missing;
    for (const ViewRecord& r : day.records)
        if (r.missing) missing += (missing.empty() ? "" : ",") + std::to_string(&r - day.records.data() + 1);
    out << "  records flagged missing: " << (missing.empty() ? "none" : missing) << "\n";
    std::snprintf(line, sizeof line,
                  "  blackbody drift %.3g K per hour; %d scenes to calibrate, %d of them to be\n"
                  "  written as missing\n",
                  day.options.driftPerHour, static_cast<int>(day.scenes.size()), day.missingOutputs());
    out << line;
    out << "  also: " << f.original << " " << f.variance << " " << f.parameters << " " << f.mirror << " " << f.emissivity
        << "\n        " << f.upstreamStatus << " " << f.answers << " " << f.truth << " " << f.truthTable << "\n";
    out << "  calibrate: cd " << dir << " && vorncalv < " << f.answers << "\n";
    out << "  compare:   vornsim --compare " << dir << "\n";
}

int run(const Options& o, std::ostream& out) {
    if (o.mode == Mode::Compare) {
        const Comparison c = compareDay(o.dir);
        printComparison(c, out);
        return c.matches() ? ExitOk : ExitFailure;
    }
    const DayPlan day = planDay(o.day);
    if (o.mode == Mode::Live) {
        playDay(day, o.dir, o.intervalMs, out);
        return ExitOk;
    }
    writeDay(day, o.dir);
    describeDay(day, o.dir, out);
    return ExitOk;
}

}  // namespace

std::vector<int> parseRecordList(const std::string& text) {
    std::vector<int> records;
    if (text.empty() || text == "none") return records;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t dash = item.find('-', 1);
        const auto number = [&text](const std::string& s) {
            int v = 0;
            const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
            if (s.empty() || r.ec != std::errc{} || r.ptr != s.data() + s.size() || v < 1)
                throw UsageError("bad record list '" + text + "': record numbers are whole numbers from 1");
            return v;
        };
        if (dash == std::string::npos) {
            records.push_back(number(item));
        } else {
            const int first = number(item.substr(0, dash));
            const int last = number(item.substr(dash + 1));
            if (last < first) throw UsageError("bad record list '" + text + "': range " + item + " runs backwards");
            if (last - first > 100000) throw UsageError("bad record list '" + text + "': range " + item + " is too long");
            for (int r = first; r <= last; ++r) records.push_back(r);
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return records;
}

Options parseArguments(const std::vector<std::string>& args) { return Parser(args).run(); }

const char* usageText() { return Usage; }

int runVornsim(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    const auto parse = [&] {
        options = parseArguments(args);
        if (options.mode == Mode::Help) return cli::Request::Help;
        return options.mode == Mode::Version ? cli::Request::Version : cli::Request::Run;
    };
    return cli::runTool("vornsim", Usage, parse, [&] { return run(options, out); }, out, err);
}

}  // namespace vornsim
