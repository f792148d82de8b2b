// The rgddump command: argument parsing, usage text and the run.
#include "dumplib/dumpcli.h"

#include <algorithm>

#include "dumplib/datafile.h"
#include "dumplib/recordlist.h"
#include "dumplib/report.h"
#include "dumplib/svgplot.h"
#include "dumplib/textfile.h"
#include "ravlio/ravlio.h"

namespace dump {

namespace {

constexpr const char* Usage =
    "Usage: rgddump FILE                               summary of the file\n"
    "       rgddump FILE --meta [RECORDS] [--fields NAMES] [--format csv|json|table]\n"
    "                                                  header values of records\n"
    "       rgddump FILE --csv RECORD [--column ID]    one record as CSV\n"
    "       rgddump FILE --svg OUT.svg [--records RECORDS] [--column ID] [--title TEXT]\n"
    "       rgddump --help | --version\n"
    "\n"
    "Shows what is in a data file that the RAVLIO library reads (RGD and the other formats).\n"
    "\n"
    "  --meta [RECORDS]    header (metadata) values, one line per record and one column\n"
    "                      per field, headed by the field name; all records by default\n"
    "  --fields NAMES      the fields --meta shows, by name or identifier, separated by\n"
    "                      commas (default: every field of the first record)\n"
    "  --format FORMAT     how --meta writes: table (aligned columns, the default), csv\n"
    "                      (a header line, an empty value where a field has none) or json\n"
    "                      (an array of one object per record, null where there is no value)\n"
    "  --records RECORDS   the records for --meta and --svg, such as 1-5 or 1,3,7-9\n"
    "  --csv RECORD        the record's values as CSV: a header line, then the wavenumber\n"
    "                      and the value of each column per line\n"
    "  --svg OUT.svg       a line plot of the records (record 1 by default, at most 10)\n"
    "                      written to OUT.svg; \"-\" writes it to standard output\n"
    "  --column ID         the data column for --csv and --svg: its number in the summary,\n"
    "                      its data type or its short name as the summary lists them;\n"
    "                      --csv writes every column without it, --svg the first (the\n"
    "                      second when the first holds the wavenumbers themselves)\n"
    "\n"
    "A file whose records hold no data columns (a time series such as NASA Ames FFI 1001)\n"
    "is shown by its header fields: --csv RECORDS writes one line per record with the\n"
    "fields as columns, the time first; --svg plots one field (--column NAME, by default\n"
    "the first after the time) against the time over the records (all by default).\n"
    "  --title TEXT        the plot's title (default: file name and column label)\n"
    "  --help              this text\n"
    "  --version           the program's and the library's version\n"
    "\n"
    "Options may also be written --option=VALUE. Exit status: 0 on success, 1 when the\n"
    "file or a record cannot be read or written, 2 for a bad command line.\n";

// What each option that takes a value expects, for the message when it is missing.
const char* valueNeeded(const std::string& option) {
    if (option == "--csv") return "a record number";
    if (option == "--svg") return "an output file name";
    if (option == "--records") return "a record list";
    if (option == "--column") return "a column number, data type or short name";
    if (option == "--fields") return "a list of field names";
    if (option == "--format") return "csv, json or table";
    if (option == "--title") return "a text";
    return nullptr;
}

std::string parseColumn(const std::string& text) {
    if (text.empty()) throw UsageError("the column is empty");
    return text;
}

MetaFormat parseFormat(const std::string& text) {
    if (text == "table") return MetaFormat::Table;
    if (text == "csv") return MetaFormat::Csv;
    if (text == "json") return MetaFormat::Json;
    throw UsageError("bad format '" + text + "' (choose csv, json or table)");
}

std::string parseFields(const std::string& text) {
    if (text.empty() || text.front() == ',' || text.back() == ',' || text.find(",,") != std::string::npos)
        throw UsageError("bad field list '" + text + "'");
    return text;
}

// Record numbers are checked for their form here, against the file when it is open.
std::string checkedRecordList(const std::string& text) {
    if (!isRecordList(text)) throw UsageError("bad record list '" + text + "'");
    return text;
}

// A record number, or for a file whose records hold no data columns a record list.
std::string checkedCsvRecords(const std::string& text) {
    if (!isRecordNumber(text) && !isRecordList(text)) throw UsageError("bad record number '" + text + "'");
    return text;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    Options run() {
        for (i_ = 0; i_ < args_.size(); ++i_) {
            const std::string& a = args_[i_];
            if (!options_ || a.size() < 2 || a[0] != '-') {
                addFile(a);
            } else if (a == "--") {
                options_ = false;
            } else {
                option(a);
                if (o_.mode == Mode::Help || o_.mode == Mode::Version) return o_;
            }
        }
        check();
        return o_;
    }

private:
    void addFile(const std::string& name) {
        if (!o_.file.empty()) throw UsageError("more than one file given: '" + o_.file + "' and '" + name + "'");
        if (name.empty()) throw UsageError("the file name is empty");
        o_.file = name;
    }

    void setMode(Mode mode) {
        if (o_.mode != Mode::Summary && o_.mode != mode)
            throw UsageError("choose only one of --meta, --csv and --svg");
        o_.mode = mode;
    }

    void setRecords(const std::string& list) {
        if (o_.records) throw UsageError("the records are given twice");
        o_.records = checkedRecordList(list);
    }

    // The value of an option: written after "=" or as the next argument.
    std::string value(const std::string& name, const std::optional<std::string>& inlineValue) {
        if (inlineValue) return *inlineValue;
        if (i_ + 1 >= args_.size()) throw UsageError("option '" + name + "' needs " + valueNeeded(name));
        return args_[++i_];
    }

    void option(const std::string& a) {
        const auto [name, inlineValue] = cli::splitOption(a);
        if (name == "--help" || name == "-h" || name == "--version") {
            if (inlineValue) throw UsageError("option '" + name + "' takes no value");
            o_.mode = name == "--version" ? Mode::Version : Mode::Help;
        } else if (name == "--fields") {
            if (o_.fields) throw UsageError("the fields are given twice");
            o_.fields = parseFields(value(name, inlineValue));
        } else if (name == "--format") {
            if (o_.format) throw UsageError("the format is given twice");
            o_.format = parseFormat(value(name, inlineValue));
        } else if (name == "--meta") {
            setMode(Mode::Meta);
            if (inlineValue) setRecords(*inlineValue);
            else if (i_ + 1 < args_.size() && looksLikeRecordList(args_[i_ + 1])) setRecords(args_[++i_]);
        } else if (name == "--records") {
            setRecords(value(name, inlineValue));
        } else if (name == "--csv") {
            setMode(Mode::Csv);
            o_.csvRecord = checkedCsvRecords(value(name, inlineValue));
        } else if (name == "--svg") {
            setMode(Mode::Svg);
            o_.svgOutput = value(name, inlineValue);
            if (o_.svgOutput.empty()) throw UsageError("the output file name is empty");
        } else if (name == "--column") {
            if (o_.column) throw UsageError("the column is given twice");
            o_.column = parseColumn(value(name, inlineValue));
        } else if (name == "--title") {
            if (o_.title) throw UsageError("the title is given twice");
            o_.title = value(name, inlineValue);
        } else {
            throw UsageError("unknown option '" + a + "'");
        }
    }

    void check() const {
        if (o_.file.empty()) throw UsageError("no input file given");
        if (o_.records && o_.mode != Mode::Meta && o_.mode != Mode::Svg)
            throw UsageError("option '--records' applies only to --meta and --svg");
        if (o_.column && o_.mode != Mode::Csv && o_.mode != Mode::Svg)
            throw UsageError("option '--column' applies only to --csv and --svg");
        if (o_.title && o_.mode != Mode::Svg) throw UsageError("option '--title' applies only to --svg");
        if (o_.fields && o_.mode != Mode::Meta) throw UsageError("option '--fields' applies only to --meta");
        if (o_.format && o_.mode != Mode::Meta) throw UsageError("option '--format' applies only to --meta");
    }

    const std::vector<std::string>& args_;
    size_t i_ = 0;
    bool options_ = true;
    Options o_;
};

std::vector<int> allRecords(int count) {
    std::vector<int> records;
    for (int r = 1; r <= count; ++r) records.push_back(r);
    return records;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
        items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    items.push_back(text.substr(start));
    return items;
}

void writeFile(const std::string& path, const std::string& text) {
    if (const auto error = writeTextFile(path, text)) throw DumpError(*error);
}

// The records of a list on the command line, checked against the file: a record the file
// does not have makes the command line a bad one.
std::vector<int> commandLineRecords(const std::string& list, int recordCount) {
    try {
        return parseRecordList(list, recordCount);
    } catch (const DumpError& e) {
        throw UsageError(e.what());
    }
}

int commandLineRecord(const std::string& text, int recordCount) {
    try {
        return parseRecord(text, recordCount);
    } catch (const DumpError& e) {
        throw UsageError(e.what());
    }
}

// The program's release and the version label of the library it reads through.
void writeVersion(std::ostream& out) {
    const char* library = ZARFqueryVersion(0, nullptr);
    out << cli::versionLine("rgddump") << "library: " << (library != nullptr ? library : "unknown") << '\n';
}

void runMode(const Options& o, std::ostream& out) {
    if (o.mode == Mode::Version) {
        writeVersion(out);
        return;
    }
    DataFile file(o.file);
    switch (o.mode) {
        case Mode::Summary:
            writeSummary(file, out);
            break;
        case Mode::Meta:
            writeMeta(file,
                      o.records ? commandLineRecords(*o.records, file.recordCount()) : allRecords(file.recordCount()),
                      o.fields ? splitList(*o.fields) : std::vector<std::string>{},
                      o.format.value_or(MetaFormat::Table), out);
            break;
        case Mode::Csv:
            if (!file.hasDataColumns()) {
                writeFieldRecordsCsv(file, commandLineRecords(o.csvRecord, file.recordCount()), out);
                break;
            }
            if (!isRecordNumber(o.csvRecord))
                throw DumpError("--csv writes one record of a file with data columns; '" + o.csvRecord +
                                "' is a list (give one record)");
            writeCsv(file, commandLineRecord(o.csvRecord, file.recordCount()), o.column, out);
            break;
        case Mode::Svg: {
            // A file without data columns is a time series: all its records by default.
            const bool series = !file.hasDataColumns();
            const std::string all = "1-" + std::to_string(std::max(1, file.recordCount()));
            const std::vector<int> records =
                commandLineRecords(o.records.value_or(series ? all : "1"), file.recordCount());
            if (!series && records.size() > MaxSeries)
                throw UsageError("at most " + std::to_string(MaxSeries) + " records fit in one plot");
            const std::string svg = series ? plotField(file, records, o.column, o.title.value_or(""))
                                           : plotRecords(file, records, o.column, o.title.value_or(""));
            if (o.svgOutput == "-") out << svg;
            else writeFile(o.svgOutput, svg);
            break;
        }
        case Mode::Help:
        case Mode::Version:
            break;
    }
}

}  // namespace

Options parseArguments(const std::vector<std::string>& args) { return Parser(args).run(); }

const char* usageText() { return Usage; }

int runRgddump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    const auto parse = [&] {
        options = parseArguments(args);
        if (options.mode == Mode::Help) return cli::Request::Help;
        // --version runs: it shows the library's version beside the program's.
        return cli::Request::Run;
    };
    const auto run = [&] {
        runMode(options, out);
        return ExitOk;
    };
    return cli::runTool("rgddump", Usage, parse, run, out, err);
}

}  // namespace dump
