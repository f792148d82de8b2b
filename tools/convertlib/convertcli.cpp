// The ravlconvert command: options, usage text, provenance and the run.
#include "convertlib/convertcli.h"

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>

#include "cli/cli.h"
#include "convertlib/csvout.h"
#include "convertlib/netcdfout.h"

namespace convert {

namespace {

constexpr const char* Usage =
    "Usage: ravlconvert IN OUT.nc [--records RECORDS] [--columns COLUMNS] [--fields FIELDS]\n"
    "       ravlconvert IN OUT.csv --csv [--records ...] [--columns ...] [--fields ...]\n"
    "       ravlconvert --help | --version\n"
    "\n"
    "Converts any data file the RAVLIO library reads (RGD, MLT and the other formats) to\n"
    "a netCDF-4 file following the CF conventions: a record dimension, the abscissa as a\n"
    "coordinate variable, a time coordinate when the records carry dateYYMMDD and\n"
    "timeHHMMSS, one (record, point) variable per data column named by its short name and\n"
    "one (record) variable per header field named by its field name (a field that occurs\n"
    "again, as in a product's several parent headers, gets \"_2\", \"_3\", ...).\n"
    "\n"
    "Variable names: a column's short name that is a legal netCDF name is its\n"
    "variable's name as it is. Any other is mended: \"/\", control characters and bytes\n"
    "that are not UTF-8 become \"_\", spaces at either end are dropped, \"v\" goes\n"
    "before a first character other than a letter, digit or \"_\", and the name is cut\n"
    "to 255 bytes; the short name as the file gives it is kept in the attribute\n"
    "short_name (and in long_name when the file has no long name or label for it). A\n"
    "field's name keeps its letters, digits and \"_\", any other character becomes \"_\",\n"
    "\"v\" goes before a first character other than a letter, and it is cut to 255\n"
    "bytes too. A name that an earlier variable has (in the order abscissa,\n"
    "record_number, time, columns, fields) gets \"_v2\", \"_v3\", ...\n"
    "\n"
    "A file whose records hold no data columns (a time series such as NASA Ames FFI 1001)\n"
    "gives the (record) variables of its header fields only; without dateYYMMDD its\n"
    "timeHHMMSS field, as the file gives it, is the time coordinate.\n"
    "\n"
    "  --records RECORDS   the records to convert, such as 1-5 or 1,3,7-9 (default all);\n"
    "                      they must all have the same length and grid\n"
    "  --columns COLUMNS   data columns by short name or number, comma-separated\n"
    "  --fields FIELDS     header fields by name or identifier, comma-separated, or\n"
    "                      \"none\" (default all)\n"
    "  --csv               write the same selection as CSV, one line per record and\n"
    "                      point (\"-\" as OUT writes to standard output)\n"
    "  --help              this text\n"
    "  --version           the program's version\n"
    "\n"
    "Options may also be written --option=VALUE. Exit status: 0 on success, 1 when a file\n"
    "cannot be read or written (or its records lie on different grids), 2 for a bad\n"
    "command line.\n";

// Files of more records than this report their progress on the error stream.
constexpr size_t ProgressThreshold = 300;
constexpr size_t ProgressStep = 100;
// The longest history block looked for at the start of an RGD file.
constexpr size_t HistoryLimit = 64 * 1024;

enum class Mode { Netcdf, Csv, Help, Version };

struct Options {
    Mode mode = Mode::Netcdf;
    std::vector<std::string> files;
    Choice choice;
};

std::string value(const std::vector<std::string>& args, size_t& i, const cli::OptionArgument& option) {
    if (option.inlineValue) return *option.inlineValue;
    if (i + 1 >= args.size()) throw cli::UsageError("option '" + option.name + "' needs a value");
    return args[++i];
}

void setOnce(std::optional<std::string>& slot, const std::string& name, std::string text) {
    if (slot) throw cli::UsageError("option '" + name + "' is given twice");
    if (text.empty()) throw cli::UsageError("option '" + name + "' needs a value");
    slot = std::move(text);
}

Options parse(const std::vector<std::string>& args) {
    Options o;
    bool options = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!options || a.size() < 2 || a[0] != '-') {
            o.files.push_back(a);
            continue;
        }
        const cli::OptionArgument option = cli::splitOption(a);
        const bool flag = option.name == "--help" || option.name == "-h" || option.name == "--version" ||
                          option.name == "--csv";
        if (flag && option.inlineValue) throw cli::UsageError("option '" + option.name + "' takes no value");
        if (a == "--") options = false;
        else if (option.name == "--help" || option.name == "-h") return Options{Mode::Help, {}, {}};
        else if (option.name == "--version") return Options{Mode::Version, {}, {}};
        else if (option.name == "--csv") o.mode = Mode::Csv;
        else if (option.name == "--records") setOnce(o.choice.records, option.name, value(args, i, option));
        else if (option.name == "--columns") setOnce(o.choice.columns, option.name, value(args, i, option));
        else if (option.name == "--fields") setOnce(o.choice.fields, option.name, value(args, i, option));
        else throw cli::UsageError("unknown option '" + a + "'");
    }
    if (o.files.size() != 2) throw cli::UsageError("give one input file and one output file");
    for (const std::string& f : o.files)
        if (f.empty()) throw cli::UsageError("a file name is empty");
    return o;
}

// The free-text history block at the start of an RGD file (the lines before its end mark
// 00 1A 04), line ends made plain; empty for a file without one.
std::string fileHistory(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(HistoryLimit, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    const size_t end = head.find(std::string("\0\x1A\x04", 3));
    if (end == std::string::npos) return {};
    std::string text;
    for (char c : head.substr(0, end)) {
        if (c == '\r') continue;
        if (c != '\n' && c != '\t' && (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E))
            return {};  // not a text block: no history
        text += c;
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string nowUtc() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

Provenance provenanceOf(const Options& o, const Selection& s) {
    Provenance p;
    p.source = std::filesystem::path(o.files[0]).filename().string();
    const std::string line = nowUtc() + " ravlconvert " + o.files[0] + " " + o.files[1];
    const std::string earlier = fileHistory(o.files[0]);
    p.history = earlier.empty() ? line : line + "\n" + earlier;
    if (s.fieldsOnly()) {
        p.title = "Header fields from " + p.source;
        return p;
    }
    const dump::ColumnInfo& c = s.columns().front();
    const std::string what = !c.longName.empty() ? c.longName : !c.label.empty() ? c.label : "Data";
    p.title = what + " from " + p.source;
    return p;
}

int convert(const Options& o, std::ostream& out, std::ostream& err) {
    dump::DataFile file(o.files[0]);
    Selection selection(file, o.choice);
    if (o.mode == Mode::Csv) {
        if (o.files[1] == "-") {
            writeCsv(selection, out);
            return cli::ExitOk;
        }
        // Written under a temporary name and renamed when complete, so a failure leaves no
        // partial file.
        const std::string temporary = o.files[1] + ".new";
        try {
            std::ofstream csv(temporary, std::ios::binary);
            if (!csv) throw dump::DumpError("cannot write " + o.files[1] + ": " + std::strerror(errno));
            writeCsv(selection, csv);
            if (!csv.flush()) throw dump::DumpError("cannot write " + o.files[1] + ": " + std::strerror(errno));
            csv.close();
            std::filesystem::rename(temporary, o.files[1]);
        } catch (...) {
            std::remove(temporary.c_str());
            throw;
        }
        return cli::ExitOk;
    }
    const size_t total = selection.records().size();
    const Progress progress = [&](size_t written, size_t all) {
        if (all > ProgressThreshold && (written % ProgressStep == 0 || written == all))
            err << "ravlconvert: " << written << " of " << all << " records\n" << std::flush;
    };
    writeNetcdf(selection, provenanceOf(o, selection), o.files[1], total > ProgressThreshold ? progress : Progress{});
    return cli::ExitOk;
}

}  // namespace

const char* usageText() { return Usage; }

int runRavlconvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    const auto parseAll = [&] {
        options = parse(args);
        if (options.mode == Mode::Help) return cli::Request::Help;
        if (options.mode == Mode::Version) return cli::Request::Version;
        return cli::Request::Run;
    };
    const auto run = [&] { return convert(options, out, err); };
    return cli::runTool("ravlconvert", Usage, parseAll, run, out, err);
}

}  // namespace convert
