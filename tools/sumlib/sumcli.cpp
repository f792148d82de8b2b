// The vornsum command: options, usage text and the run.
#include "sumlib/sumcli.h"

#include <optional>

#include "cli/cli.h"
#include "sumlib/quicklook.h"
#include "sumlib/summary.h"
#include "sumlib/summaryout.h"

namespace vornsum {

namespace {

constexpr const char* Program = "vornsum";

constexpr const char* Usage =
    "Usage: vornsum ROOT [--output STEM]\n"
    "       vornsum ROOT.RLC [--output STEM]\n"
    "       vornsum --help | --version\n"
    "\n"
    "Summarises a day calibrated by vorncalv: reads its products ROOT.RLC (radiance,\n"
    "required) and ROOT.IMC, ROOT.RES and ROOT.CVS (imaginary part, responsivity,\n"
    "variance of radiance) when they are there, and writes one summary record per\n"
    "scene: time, mirror position, missing flag, the calibration's temperatures, and for\n"
    "each standard band on the grid (675-680, 700-705, 985-990 cm-1 on channel 1;\n"
    "2282-2287, 2295-2300, 2510-2515 cm-1 on channel 2) the mean radiance, its\n"
    "brightness temperature, the mean imaginary part and the standard deviations of the\n"
    "scene and its blackbody views, with the responsivity's and the imaginary part's\n"
    "mean and spread over the whole grid. Three files, each written under a temporary\n"
    "name and renamed when whole:\n"
    "  STEM.summary.nc     netCDF-4 (CF conventions), dimension time, one variable per\n"
    "                      field named and described as the field dictionary does\n"
    "  STEM.summary.csv    the same values, one line per scene\n"
    "  STEM.quicklook.html the day at a glance: a page any browser opens from disk\n"
    "\n"
    "  --output STEM       where the files go (default: the root without its blanks)\n"
    "  --help              this text\n"
    "  --version           the program's version\n"
    "\n"
    "Options may also be written --option=VALUE. Exit status: 0 when every scene was\n"
    "summarised from every product found, 1 when the day cannot be read or the files\n"
    "cannot be written, or when part of the day could not be summarised (the files are\n"
    "written; the messages say what is missing and why), 2 for a bad command line.\n";

struct Options {
    std::optional<std::string> day;
    std::optional<std::string> output;
};

cli::Request parse(const std::vector<std::string>& args, Options& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') {
            if (o.day) throw cli::UsageError("only one day at a time: '" + a + "' follows '" + *o.day + "'");
            o.day = a;
            continue;
        }
        const cli::OptionArgument option = cli::splitOption(a);
        if (option.name == "--help" && !option.inlineValue) return cli::Request::Help;
        if (option.name == "--version" && !option.inlineValue) return cli::Request::Version;
        if (option.name != "--output") throw cli::UsageError("unknown option '" + a + "'");
        if (o.output) throw cli::UsageError("option '--output' is given twice");
        if (option.inlineValue) o.output = *option.inlineValue;
        else if (i + 1 < args.size()) o.output = args[++i];
        if (!o.output || o.output->empty()) throw cli::UsageError("option '--output' needs a value");
    }
    if (!o.day) throw cli::UsageError("no day given (the root of its products or its .RLC file)");
    return cli::Request::Run;
}

int run(const Options& o, std::ostream& out, std::ostream& err) {
    const DayProducts products = findProducts(*o.day);
    const DaySummary day = summariseDay(products);
    const SummaryFiles files = summaryFiles(o.output.value_or(products.stem()));
    writeSummaryNetcdf(day, files.netcdf);
    replaceTextFile(files.csv, summaryCsv(day));
    replaceTextFile(files.html, quicklookHtml(day));
    out << day.scenes.size() << " scenes (" << day.missingScenes() << " missing) from";
    for (const std::string& name : day.productsRead) out << ' ' << name;
    out << "\nsummary:   " << files.netcdf << "\n           " << files.csv << "\nquicklook: " << files.html << '\n';
    for (const std::string& problem : day.problems) err << Program << ": " << problem << '\n';
    return day.problems.empty() ? cli::ExitOk : cli::ExitFailure;
}

}  // namespace

const char* usageText() { return Usage; }

SummaryFiles summaryFiles(const std::string& stem) {
    return {stem + ".summary.nc", stem + ".summary.csv", stem + ".quicklook.html"};
}

int runVornsum(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    return cli::runTool(
        Program, Usage, [&] { return parse(args, options); }, [&] { return run(options, out, err); }, out, err);
}

}  // namespace vornsum
