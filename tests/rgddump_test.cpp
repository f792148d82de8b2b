// The rgddump inspection tool: its views of RGD files written through the library (summary,
// header table, CSV, SVG plot), its errors and exit statuses, run as the built program;
// and its record lists, ticks and plot reduction called in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "dumplib/datafile.h"
#include "dumplib/dumpcli.h"
#include "dumplib/recordlist.h"
#include "dumplib/svgplot.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"
#include "support/rgdbuilder.h"
#include "support/runprogram.h"
#include "support/tempdir.h"
#include "support/vornfiles.h"

using testsupport::ProgramResult;
using testsupport::RgdColumn;
using testsupport::RgdMetadata;
using testsupport::RgdSpec;

namespace {

constexpr int kMissingFlag = FIELD_missingDataFlag;
constexpr int kAmbientTemp = FIELD_calibrationAmbientTemp;
constexpr int kHotTemp = FIELD_calibrationHBBtemp;
// Five calibration fields: ambient, cold and hot temperature, cold and hot emissivity.
constexpr int kCalibrationSubheader = 94020301;

const std::string kTool = std::string(TOOLS_BINARY_DIR) + "/rgddump";

RgdSpec sampleSpec() {
    RgdSpec spec;
    const std::string units = "mW/(m2 sr cm-1)";
    spec.columns = {RgdColumn{0, 500.0, 1500.0, 5, 6, 4, "rad", "Radiance", "Calibrated radiance", units},
                    RgdColumn{0, 500.0, 1500.0, 5, 6, 4, "imag", "Imaginary part", "Imaginary radiance", units}};
    spec.subheaders = {kCalibrationSubheader};
    return spec;
}

RgdMetadata sampleMetadata(int record) {
    RgdMetadata md;
    md.ids = {kAmbientTemp, kHotTemp, kMissingFlag};
    md.values = {290.0f + 0.5f * static_cast<float>(record), 330.25f, 0.0f};
    return md;
}

// Writes records of explicit values (one column) through the library.
void writeValues(const std::string& path, const RgdSpec& spec, const std::vector<std::vector<float>>& records) {
    ZARFFILE* f = testsupport::openRgdWriter(path, spec);
    ASSERT_NE(f, nullptr);
    for (size_t r = 0; r < records.size(); ++r) {
        std::vector<float> data = records[r];
        ASSERT_NE(ZARFwriteCompleteRecord(f, static_cast<int>(r) + 1, nullptr, nullptr, 0, nullptr, 0, nullptr,
                                          data.data(), static_cast<int>(data.size())),
                  0);
    }
    ZARFcloseFile(f);
}

// The version text the library reads from a file's history, as the summary shows it.
std::string writerVersionOf(const std::string& path) {
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    if (f == nullptr) return "(unreadable)";
    const char* v = ZARFqueryVersion(2, f);
    std::string text = v != nullptr ? v : "";
    ZARFcloseFile(f);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

class RgddumpRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(testsupport::writeRgdFile(sample, sampleSpec(), 3, sampleMetadata, &error)) << error;
    }

    ProgramResult run(const std::vector<std::string>& args) {
        return testsupport::runProgram(kTool, "", dir.path(), args);
    }

    // Expects a failure with exactly this error text (one line) and nothing on stdout.
    void expectFailure(const std::vector<std::string>& args, int status, const std::string& message) {
        const ProgramResult r = run(args);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.exitStatus, status);
        EXPECT_EQ(r.err, message);
        EXPECT_EQ(r.out, "");
    }

    testsupport::TempDir dir;
    std::string sample = dir.file("sample.rgd");
};

// ---- A tiny XML reader: enough to prove the SVG well-formed and to query it ------------

struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::vector<size_t> children;
    std::string text;
};

// Parses doc into elements (index 0 is the root); sets *error and returns false when tags do
// not balance, an attribute is malformed, an entity is unknown or there is not one root.
bool parseXml(const std::string& doc, std::vector<Element>& elements, std::string* error) {
    std::vector<size_t> open;
    size_t i = 0;
    const auto fail = [&](const std::string& why) {
        *error = why + " at offset " + std::to_string(i);
        return false;
    };
    while (i < doc.size()) {
        if (doc[i] != '<') {
            const size_t end = doc.find('<', i);
            const std::string text = doc.substr(i, end == std::string::npos ? std::string::npos : end - i);
            for (size_t amp = text.find('&'); amp != std::string::npos; amp = text.find('&', amp + 1)) {
                const std::string rest = text.substr(amp);
                if (rest.rfind("&amp;", 0) != 0 && rest.rfind("&lt;", 0) != 0 && rest.rfind("&gt;", 0) != 0 &&
                    rest.rfind("&quot;", 0) != 0 && rest.rfind("&apos;", 0) != 0)
                    return fail("unknown entity");
            }
            if (open.empty() && text.find_first_not_of(" \n") != std::string::npos) return fail("text outside root");
            if (!open.empty()) elements[open.back()].text += text;
            i = end == std::string::npos ? doc.size() : end;
            continue;
        }
        if (doc.compare(i, 2, "<?") == 0) {
            i = doc.find("?>", i);
            if (i == std::string::npos) return fail("unterminated declaration");
            i += 2;
            continue;
        }
        if (doc.compare(i, 2, "</") == 0) {
            const size_t end = doc.find('>', i);
            if (end == std::string::npos) return fail("unterminated end tag");
            const std::string name = doc.substr(i + 2, end - i - 2);
            if (open.empty() || elements[open.back()].name != name) return fail("unbalanced </" + name + ">");
            open.pop_back();
            i = end + 1;
            continue;
        }
        Element e;
        size_t at = i + 1;
        while (at < doc.size() && (std::isalnum(static_cast<unsigned char>(doc[at])) || doc[at] == '-')) ++at;
        e.name = doc.substr(i + 1, at - i - 1);
        if (e.name.empty()) return fail("empty tag name");
        bool selfClosing = false;
        for (;;) {
            while (at < doc.size() && doc[at] == ' ') ++at;
            if (at >= doc.size()) return fail("unterminated tag");
            if (doc.compare(at, 2, "/>") == 0) {
                selfClosing = true;
                at += 2;
                break;
            }
            if (doc[at] == '>') {
                ++at;
                break;
            }
            const size_t eq = doc.find("=\"", at);
            if (eq == std::string::npos) return fail("malformed attribute");
            const size_t close = doc.find('"', eq + 2);
            if (close == std::string::npos) return fail("unterminated attribute");
            const std::string attrName = doc.substr(at, eq - at);
            const std::string value = doc.substr(eq + 2, close - eq - 2);
            if (attrName.find_first_of(" <>\"") != std::string::npos || value.find('<') != std::string::npos)
                return fail("malformed attribute");
            if (!e.attributes.emplace(attrName, value).second) return fail("repeated attribute " + attrName);
            at = close + 1;
        }
        const size_t index = elements.size();
        if (open.empty() && index != 0) return fail("second root element");
        if (!open.empty()) elements[open.back()].children.push_back(index);
        elements.push_back(std::move(e));
        if (!selfClosing) open.push_back(index);
        i = at;
    }
    if (!open.empty()) return fail("unclosed <" + elements[open.back()].name + ">");
    if (elements.empty()) return fail("no root element");
    return true;
}

std::vector<const Element*> findAll(const std::vector<Element>& elements, const std::string& name,
                                    const std::string& cls = "") {
    std::vector<const Element*> found;
    for (const Element& e : elements) {
        const auto c = e.attributes.find("class");
        if (e.name == name && (cls.empty() || (c != e.attributes.end() && c->second == cls))) found.push_back(&e);
    }
    return found;
}

// Number of polylines drawn for each plotted record, in legend order.
std::vector<size_t> polylinesPerRecord(const std::vector<Element>& elements) {
    std::vector<size_t> counts;
    for (const Element* g : findAll(elements, "g", "record")) {
        size_t n = 0;
        for (size_t child : g->children) n += elements[child].name == "polyline" ? 1 : 0;
        counts.push_back(n);
    }
    return counts;
}

std::vector<std::string> textsOf(const std::vector<Element>& elements, const std::string& cls) {
    std::vector<std::string> texts;
    for (const Element* e : findAll(elements, "text", cls)) texts.push_back(e->text);
    return texts;
}

// ---- Summary ---------------------------------------------------------------------------

// The history of a file written by this library, as the summary shows it (indented).
std::string historyShown(const std::string& name, const std::string& program, const std::string& time,
                         const std::string& addition, const std::string& indent) {
    return indent + "##### begin File " + name + " created by " + program + " (1.0)\n" + indent + time + "\n" +
           indent + addition + "\n" + indent + "# RAVLIO Version : " + std::string(RAVLIO_Version) + "\n" + indent +
           "# RGD data file: binary preamble and records follow this text\n" + indent +
           "# RGD data object version : RGD field dictionary revision 1, 387 fields, 41 subheaders\n";
}

// The creation-time lines of a file's history, in order (they differ from run to run).
std::vector<std::string> creationTimes(const std::string& path) {
    const std::string bytes = testsupport::readFile(path);
    std::vector<std::string> lines;
    for (size_t at = bytes.find("# time of creation "); at != std::string::npos && at < bytes.find('\0');
         at = bytes.find("# time of creation ", at + 1))
        lines.push_back(bytes.substr(at, bytes.find('\n', at) - at));
    return lines;
}

TEST_F(RgddumpRun, SummaryListsRecordsColumnsDomainsAndHeaderFields) {
    const ProgramResult r = run({sample});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "");
    const std::string version = writerVersionOf(sample);
    ASSERT_EQ(version.rfind("RAVLIO v20000308 ", 0), 0u) << version;
    EXPECT_EQ(r.out,
              "File:     " + sample + "\n"
              "Format:   RGD, written by " + version + "\n"
              "Records:  3\n"
              "Columns:  2\n"
              "\n"
              "Column 1 (data type -1)\n"
              "  short name:  rad\n"
              "  label:       Radiance\n"
              "  long name:   Calibrated radiance\n"
              "  units:       mW/(m2 sr cm-1)\n"
              "  points:      5 in record 1\n"
              "  abscissa:    minimum 500, maximum 1500, interval 250 (cm-1)\n"
              "\n"
              "Column 2 (data type -2)\n"
              "  short name:  imag\n"
              "  label:       Imaginary part\n"
              "  long name:   Imaginary radiance\n"
              "  units:       mW/(m2 sr cm-1)\n"
              "  points:      5 in record 1\n"
              "  abscissa:    minimum 500, maximum 1500, interval 250 (cm-1)\n"
              "\n"
              "Header of record 1: 6 fields\n"
              "  identifier  field name                units  label\n"
              "  622593      calibrationAmbientTemp    K      Calibration Ambient Temperature\n"
              "  622594      calibrationCBBtemp        K      Calibration CBB Temperature\n"
              "  622595      calibrationHBBtemp        K      Calibration HBB Temperature\n"
              "  622596      calibrationCBBemissivity         Calibration CBB Emissivity\n"
              "  622597      calibrationHBBemissivity         Calibration HBB Emissivity\n"
              "  32780       missingDataFlag                  Missing Data Flag\n"
              "\n"
              "History:\n" +
                  historyShown(sample, "rgdbuilder", creationTimes(sample).at(0), "written by a test", "  "));
}

TEST_F(RgddumpRun, SummaryOfAProductListsRepeatedParentFieldsAndHistoriesOnce) {
    // A product whose three parents are the same input file, as the calibration writes it.
    const std::string product = dir.file("product.rgd");
    RgdSpec spec = sampleSpec();
    spec.columns.resize(1);
    spec.subheaders = {};
    spec.program = "calibrator";
    spec.history = "product of three records";
    for (int k = 0; k < 3; ++k) spec.references.push_back(ZARFopenFileReadable(sample.c_str()));
    for (ZARFFILE* f : spec.references) ASSERT_NE(f, nullptr);
    std::string error;
    ASSERT_TRUE(testsupport::writeRgdFile(product, spec, 1, {}, &error)) << error;
    for (ZARFFILE* f : spec.references) ZARFcloseFile(f);

    const ProgramResult r = run({"product.rgd"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    const std::vector<std::string> times = creationTimes(product);
    ASSERT_EQ(times.size(), 4u);
    EXPECT_EQ(r.out,
              "File:     product.rgd\n"
              "Format:   RGD, written by " + writerVersionOf(product) + "\n"
              "Records:  1\n"
              "Columns:  1\n"
              "\n"
              "Column 1 (data type -1)\n"
              "  short name:  rad\n"
              "  label:       Radiance\n"
              "  long name:   Calibrated radiance\n"
              "  units:       mW/(m2 sr cm-1)\n"
              "  points:      5 in record 1\n"
              "  abscissa:    minimum 500, maximum 1500, interval 250 (cm-1)\n"
              "\n"
              "Header of record 1: 18 fields, 6 distinct (\"places\": how often the header holds it)\n"
              "  identifier  field name                units  label                            places\n"
              "  622593      calibrationAmbientTemp    K      Calibration Ambient Temperature  3\n"
              "  622594      calibrationCBBtemp        K      Calibration CBB Temperature      3\n"
              "  622595      calibrationHBBtemp        K      Calibration HBB Temperature      3\n"
              "  622596      calibrationCBBemissivity         Calibration CBB Emissivity       3\n"
              "  622597      calibrationHBBemissivity         Calibration HBB Emissivity       3\n"
              "  32780       missingDataFlag                  Missing Data Flag                3\n"
              "\n"
              "History:\n" +
                  historyShown(product, "calibrator", times.at(0), "product of three records", "  ") +
                  "  parents 1-3 of 3, the same history:\n" +
                  historyShown(sample, "rgdbuilder", times.at(1), "written by a test", "    "));
}

TEST_F(RgddumpRun, SummaryOfAFileWithoutRecordsShowsItsHeaderLayout) {
    const std::string empty = dir.file("empty.rgd");
    RgdSpec spec = sampleSpec();
    spec.columns.resize(1);
    ASSERT_TRUE(testsupport::writeRgdFile(empty, spec, 0));
    const ProgramResult r = run({empty});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out,
              "File:     " + empty + "\n"
              "Format:   RGD, written by " + writerVersionOf(empty) + "\n"
              "Records:  0\n"
              "Columns:  1\n"
              "\n"
              "Column 1 (data type -1)\n"
              "  short name:  rad\n"
              "  label:       Radiance\n"
              "  long name:   Calibrated radiance\n"
              "  units:       mW/(m2 sr cm-1)\n"
              "  points:      no complete record yet\n"
              "\n"
              "Header layout: 6 fields\n"
              "  identifier  field name                units  label\n"
              "  622593      calibrationAmbientTemp    K      Calibration Ambient Temperature\n"
              "  622594      calibrationCBBtemp        K      Calibration CBB Temperature\n"
              "  622595      calibrationHBBtemp        K      Calibration HBB Temperature\n"
              "  622596      calibrationCBBemissivity         Calibration CBB Emissivity\n"
              "  622597      calibrationHBBemissivity         Calibration HBB Emissivity\n"
              "  32780       missingDataFlag                  Missing Data Flag\n"
              "\n"
              "History:\n" +
                  historyShown(empty, "rgdbuilder", creationTimes(empty).at(0), "written by a test", "  "));
}

TEST_F(RgddumpRun, NameBeginningWithAtIsReadNotOpenedForUpdate) {
    // "@name" asks the RGD driver for update mode on "name"; the tool reads "@name" itself.
    const std::string atName = dir.file("@sample.rgd");
    std::string error;
    ASSERT_TRUE(testsupport::writeRgdFile(atName, sampleSpec(), 2, sampleMetadata, &error)) << error;
    const ProgramResult r = run({"@sample.rgd", "--csv", "2", "--column", "1"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "wavenumber,rad\n500,2000\n750,2000.5\n1000,2001\n1250,2001.5\n1500,2002\n");
}

// ---- Header table ----------------------------------------------------------------------

TEST_F(RgddumpRun, MetaShowsValuesOfTheChosenRecordsByFieldName) {
    const std::string expected =
        "record  calibrationAmbientTemp  calibrationCBBtemp  calibrationHBBtemp  calibrationCBBemissivity"
        "  calibrationHBBemissivity  missingDataFlag\n"
        "2       291                     NaN                 330.25              NaN"
        "                       NaN                       0\n"
        "3       291.5                   NaN                 330.25              NaN"
        "                       NaN                       0\n";
    for (const std::vector<std::string>& args : {std::vector<std::string>{sample, "--meta", "2-3"},
                                                 std::vector<std::string>{sample, "--meta", "--records", "2,3"},
                                                 std::vector<std::string>{"--meta=2-3", sample}}) {
        const ProgramResult r = run(args);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_EQ(r.out, expected) << args[1];
    }
}

TEST_F(RgddumpRun, MetaWithoutRecordsShowsEveryRecord) {
    const ProgramResult r = run({sample, "--meta"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0);
    const std::string head = r.out.substr(0, r.out.find('\n') + 1);
    std::vector<std::string> firstColumn;
    for (size_t at = 0; at < r.out.size(); at = r.out.find('\n', at) + 1)
        firstColumn.push_back(r.out.substr(at, r.out.find(' ', at) - at));
    EXPECT_EQ(firstColumn, (std::vector<std::string>{"record", "1", "2", "3"}));
}

TEST_F(RgddumpRun, MetaOfAFileWithoutRecordsSaysSo) {
    const std::string empty = dir.file("empty.rgd");
    ASSERT_TRUE(testsupport::writeRgdFile(empty, sampleSpec(), 0));
    const ProgramResult r = run({empty, "--meta"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out, empty + ": no records\n");
}

// ---- CSV -------------------------------------------------------------------------------

TEST_F(RgddumpRun, MetaWritesChosenFieldsAsCsvAndJson) {
    // Fields by name, by name in another case and by identifier (decimal and hexadecimal).
    const std::vector<std::string> fields = {"--fields", "calibrationHBBtemp,CALIBRATIONAMBIENTTEMP,0x800C,622594"};
    std::vector<std::string> args = {sample, "--meta", "1-3", "--format", "csv"};
    args.insert(args.end(), fields.begin(), fields.end());
    ProgramResult r = run(args);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out,
              "record,calibrationHBBtemp,calibrationAmbientTemp,missingDataFlag,calibrationCBBtemp\n"
              "1,330.25,290.5,0,NaN\n"
              "2,330.25,291,0,NaN\n"
              "3,330.25,291.5,0,NaN\n");
    args[4] = "json";
    r = run(args);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out,
              "[\n"
              "  {\"record\": 1, \"calibrationHBBtemp\": 330.25, \"calibrationAmbientTemp\": 290.5, "
              "\"missingDataFlag\": 0, \"calibrationCBBtemp\": null},\n"
              "  {\"record\": 2, \"calibrationHBBtemp\": 330.25, \"calibrationAmbientTemp\": 291, "
              "\"missingDataFlag\": 0, \"calibrationCBBtemp\": null},\n"
              "  {\"record\": 3, \"calibrationHBBtemp\": 330.25, \"calibrationAmbientTemp\": 291.5, "
              "\"missingDataFlag\": 0, \"calibrationCBBtemp\": null}\n"
              "]\n");
    args[4] = "table";
    r = run(args);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.out,
              "record  calibrationHBBtemp  calibrationAmbientTemp  missingDataFlag  calibrationCBBtemp\n"
              "1       330.25              290.5                   0                NaN\n"
              "2       330.25              291                     0                NaN\n"
              "3       330.25              291.5                   0                NaN\n");
}

TEST_F(RgddumpRun, CsvWritesWavenumberAndEveryColumn) {
    const ProgramResult r = run({sample, "--csv", "2"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "wavenumber,rad,imag\n"
              "500,2000,2100\n"
              "750,2000.5,2100.5\n"
              "1000,2001,2101\n"
              "1250,2001.5,2101.5\n"
              "1500,2002,2102\n");
}

TEST_F(RgddumpRun, CsvColumnIsChosenByNumberOrByDataType) {
    const std::string expected = "wavenumber,imag\n500,3100\n750,3100.5\n1000,3101\n1250,3101.5\n1500,3102\n";
    for (const char* column : {"2", "-2", "imag", "IMAG"}) {
        const ProgramResult r = run({sample, "--csv", "3", "--column", column});
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_EQ(r.out, expected) << column;
    }
}

TEST_F(RgddumpRun, CsvKeepsEveryDigitAndQuotesNamesWithCommas) {
    const std::string path = dir.file("digits.rgd");
    RgdSpec spec;
    spec.columns = {RgdColumn{0, 500.0, 501.0, 4, 6, 4, "a,\"b\"", "", "", ""}};
    writeValues(path, spec, {{0.1f, -1.5e-7f, std::nanf(""), 3.4028235e38f}});
    const ProgramResult r = run({path, "--csv", "1"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out,
              "wavenumber,\"a,\"\"b\"\"\"\n"
              "500,0.1\n"
              "500.3333333333333,-1.5e-07\n"
              "500.6666666666667,NaN\n"
              "501,3.4028235e+38\n");
}

TEST_F(RgddumpRun, CsvOfColumnsOnDifferentGridsAsksForOneColumn) {
    const std::string path = dir.file("grids.rgd");
    RgdSpec spec = sampleSpec();
    spec.columns[1].maximum = 1400.0;
    ASSERT_TRUE(testsupport::writeRgdFile(path, spec, 1));
    expectFailure({path, "--csv", "1"}, 1,
                  "rgddump: the columns of record 1 lie on different wavenumber grids; choose one with --column\n");
}

// ---- SVG -------------------------------------------------------------------------------

class RgddumpPlot : public RgddumpRun {
protected:
    void SetUp() override {
        RgddumpRun::SetUp();
        RgdSpec spec;
        spec.columns = {RgdColumn{0, 500.0, 3000.0, 9000, 6, 4, "rad", "Radiance", "Calibrated radiance",
                                  "mW/(m2 sr cm-1)"}};
        std::vector<std::vector<float>> records(3, std::vector<float>(9000));
        for (size_t i = 0; i < 9000; ++i) {
            const float smooth = 100.0f + 50.0f * std::sin(static_cast<float>(i) / 700.0f);
            records[0][i] = smooth;
            records[1][i] = i >= 4000 && i < 4300 ? std::nanf("") : smooth + 10.0f;
            records[2][i] = i < 10 ? std::nanf("") : smooth - 10.0f;
        }
        writeValues(spectra, spec, records);
    }

    std::vector<Element> plot(const std::vector<std::string>& extra) {
        std::vector<std::string> args = {spectra, "--svg", svg};
        args.insert(args.end(), extra.begin(), extra.end());
        const ProgramResult r = run(args);
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_EQ(r.out, "");
        std::vector<Element> elements;
        std::string error;
        EXPECT_TRUE(parseXml(testsupport::readFile(svg), elements, &error)) << error;
        return elements;
    }

    std::string spectra = dir.file("spectra.rgd");
    std::string svg = dir.file("plot.svg");
};

TEST_F(RgddumpPlot, SvgIsWellFormedWithSizeAndViewBox) {
    const std::vector<Element> e = plot({"--records", "1,3"});
    ASSERT_FALSE(e.empty());
    EXPECT_EQ(e[0].name, "svg");
    EXPECT_EQ(e[0].attributes.at("xmlns"), "http://www.w3.org/2000/svg");
    // The two legend entries share the one row under the plot.
    EXPECT_EQ(e[0].attributes.at("width"), "800");
    EXPECT_EQ(e[0].attributes.at("height"), "525");
    EXPECT_EQ(e[0].attributes.at("viewBox"), "0 0 800 525");
}

TEST_F(RgddumpPlot, SvgDrawsOneLinePerRecordWithLegendAndAxisLabels) {
    const std::vector<Element> e = plot({"--records", "1"});
    EXPECT_EQ(polylinesPerRecord(e), (std::vector<size_t>{1}));
    EXPECT_EQ(textsOf(e, "x-label"), (std::vector<std::string>{"Wavenumber (cm-1)"}));
    EXPECT_EQ(textsOf(e, "y-label"), (std::vector<std::string>{"Radiance (mW/(m2 sr cm-1))"}));
    EXPECT_EQ(textsOf(e, "title"), (std::vector<std::string>{"spectra.rgd: Radiance"}));
    std::vector<std::string> legend;
    for (const Element* g : findAll(e, "g", "legend"))
        for (size_t child : g->children)
            if (e[child].name == "text") legend.push_back(e[child].text);
    EXPECT_EQ(legend, (std::vector<std::string>{"Record 1"}));
}

TEST_F(RgddumpPlot, SvgBreaksTheLineAtNaNPoints) {
    // Record 2 has a gap inside, record 3 missing points only at its start.
    const std::vector<Element> e = plot({"--records", "1-3"});
    EXPECT_EQ(polylinesPerRecord(e), (std::vector<size_t>{1, 2, 1}));
    for (const Element* line : findAll(e, "polyline")) {
        const std::string& points = line->attributes.at("points");
        EXPECT_EQ(points.find_first_not_of("0123456789., "), std::string::npos) << points.substr(0, 80);
    }
}

TEST_F(RgddumpPlot, SvgOfLongRecordsIsReducedToThePlotWidth) {
    const std::vector<Element> e = plot({"--records", "1"});
    const std::vector<const Element*> lines = findAll(e, "polyline");
    ASSERT_EQ(lines.size(), 1u);
    const std::string& points = lines[0]->attributes.at("points");
    const size_t pairs = static_cast<size_t>(std::count(points.begin(), points.end(), ','));
    EXPECT_GT(pairs, 690u);  // the plot area's pixel columns
    EXPECT_LE(pairs, 4u * 690u);
}

TEST_F(RgddumpPlot, SvgTitleIsEscapedAndCanGoToStandardOutput) {
    const ProgramResult r = run({spectra, "--svg", "-", "--title", "Sky & <ground>"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    std::vector<Element> e;
    std::string error;
    ASSERT_TRUE(parseXml(r.out, e, &error)) << error;
    EXPECT_EQ(textsOf(e, "title"), (std::vector<std::string>{"Sky &amp; &lt;ground&gt;"}));
}

TEST_F(RgddumpPlot, SvgOfRecordsWithoutFiniteValuesIsRefused) {
    const std::string path = dir.file("nan.rgd");
    RgdSpec spec;
    spec.columns = {RgdColumn{0, 500.0, 501.0, 3, 6, 4, "x", "", "", ""}};
    writeValues(path, spec, {{std::nanf(""), std::nanf(""), std::nanf("")}});
    expectFailure({path, "--svg", svg}, 1, "rgddump: nothing to plot: the records hold no finite values\n");
}

TEST_F(RgddumpPlot, SvgThatCannotBeWrittenIsReported) {
    const std::string out = dir.file("missing-dir/plot.svg");
    expectFailure({spectra, "--svg", out}, 1, "rgddump: cannot write " + out + ": No such file or directory\n");
}

TEST_F(RgddumpPlot, SvgOfMoreThanTenRecordsIsRefused) {
    const std::string path = dir.file("eleven.rgd");
    std::string error;
    ASSERT_TRUE(testsupport::writeRgdFile(path, sampleSpec(), 11, {}, &error)) << error;
    expectFailure({path, "--svg", svg, "--records", "1-11"}, 2,
                  "rgddump: at most 10 records fit in one plot\nTry 'rgddump --help' for more information.\n");
}

// ---- Other formats ---------------------------------------------------------------------

// The cavity-emissivity file as the calibration program writes it: free-format lines, each
// beginning with one blank.
std::string cavityEmissivityFile(const testsupport::TempDir& dir) {
    const std::string path = dir.file("CAVEMIS1.MLT");
    testsupport::writeFile(path,
                           " #MLT Spectrum of VORN Cavity Emissivity\n"
                           " #    Blackbody cavity factor: 12.79\n"
                           " #label 1 Wavenumber\n"
                           " #label 2 Blackbody Cavity Emissivity\n"
                           " 500.0 0.98\n"
                           " 600.0 0.97\n");
    return path;
}

TEST_F(RgddumpRun, MltFileIsSummarisedWithItsLabelledColumns) {
    const std::string mlt = cavityEmissivityFile(dir);
    const ProgramResult r = run({mlt});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "File:     " + mlt + "\n"
              "Format:   MLT\n"
              "Records:  1\n"
              "Columns:  2\n"
              "\n"
              "Column 1 (data type 1)\n"
              "  short name:  Wavenumber\n"
              "  label:       Wavenumber\n"
              "  long name:   Wavenumber\n"
              "  units:       n/a\n"
              "  points:      2 in record 1\n"
              "  abscissa:    explicit values from 500 to 600\n"
              "\n"
              "Column 2 (data type 2)\n"
              "  short name:  Blackbody Cavity Emissivity\n"
              "  label:       Blackbody Cavity Emissivity\n"
              "  long name:   Blackbody Cavity Emissivity\n"
              "  units:       n/a\n"
              "  points:      2 in record 1\n"
              "  abscissa:    explicit values from 500 to 600\n"
              "\n"
              "Header of record 1: no fields\n");
}

TEST_F(RgddumpRun, MltFileGivesItsValuesAsCsv) {
    const std::string mlt = cavityEmissivityFile(dir);
    ProgramResult r = run({mlt, "--csv", "1", "--column", "2"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, "wavenumber,Blackbody Cavity Emissivity\n500,0.98\n600,0.97\n");
    r = run({mlt, "--csv", "1"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, "wavenumber,Wavenumber,Blackbody Cavity Emissivity\n500,500,0.98\n600,600,0.97\n");
}

TEST_F(RgddumpRun, MltFileIsPlottedAsWellFormedSvg) {
    const std::string mlt = cavityEmissivityFile(dir);
    const std::string svg = dir.file("emissivity.svg");
    const ProgramResult r = run({mlt, "--svg", svg, "--column", "2"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, "");
    std::vector<Element> e;
    std::string error;
    ASSERT_TRUE(parseXml(testsupport::readFile(svg), e, &error)) << error;
    ASSERT_FALSE(e.empty());
    EXPECT_EQ(e[0].name, "svg");
    EXPECT_EQ(polylinesPerRecord(e), (std::vector<size_t>{1}));
    EXPECT_EQ(textsOf(e, "title"), (std::vector<std::string>{"CAVEMIS1.MLT: Blackbody Cavity Emissivity"}));
    EXPECT_EQ(textsOf(e, "y-label"), (std::vector<std::string>{"Blackbody Cavity Emissivity"}));
    EXPECT_EQ(textsOf(e, "x-label"), (std::vector<std::string>{"Wavenumber (cm-1)"}));
}

TEST_F(RgddumpRun, MltFileIsPlottedByItsSecondColumnWhenTheFirstIsTheWavenumber) {
    const std::string mlt = cavityEmissivityFile(dir);
    const ProgramResult r = run({mlt, "--svg", "-"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    std::vector<Element> e;
    std::string error;
    ASSERT_TRUE(parseXml(r.out, e, &error)) << error;
    EXPECT_EQ(textsOf(e, "title"), (std::vector<std::string>{"CAVEMIS1.MLT: Blackbody Cavity Emissivity"}));
    EXPECT_EQ(textsOf(e, "y-label"), (std::vector<std::string>{"Blackbody Cavity Emissivity"}));
}

TEST_F(RgddumpRun, LegendNamesEachRecordsDateTimeAndViewAndMarksAMissingOne) {
    // A synthetic instrument day whose record 2 (a view two minutes after the first, at
    // 06:00) is flagged missing and holds no values.
    const ProgramResult sim = testsupport::runProgram(std::string(TOOLS_BINARY_DIR) + "/vornsim", "", dir.path(),
                                                      {"--dir", "day", "--sets", "1", "--points", "6", "--missing", "2"});
    ASSERT_TRUE(sim.exited);
    ASSERT_EQ(sim.exitStatus, 0) << sim.err;
    const ProgramResult r = run({"day/150417C1.UVS", "--svg", "-", "--records", "1-3"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    std::vector<Element> e;
    std::string error;
    ASSERT_TRUE(parseXml(r.out, e, &error)) << error;
    std::vector<std::string> legend;
    for (const Element* g : findAll(e, "g", "legend"))
        for (size_t child : g->children)
            if (e[child].name == "text") legend.push_back(e[child].text);
    EXPECT_EQ(legend, (std::vector<std::string>{"Record 1, 150417 06:00:00, view H",
                                                "Record 2, 150417 06:02:00, view A: missing",
                                                "Record 3, 150417 06:04:00, view Z"}));
    EXPECT_EQ(textsOf(e, "missing"), (std::vector<std::string>{"Record 2, 150417 06:02:00, view A: missing"}));
    EXPECT_EQ(polylinesPerRecord(e), (std::vector<size_t>{1, 0, 1}));
}

TEST_F(RgddumpRun, LegendNamesTheViewWhereTheMirrorPositionGivesOne) {
    const struct {
        float mirror;
        std::string entry;
    } cases[] = {
        {72.0F, "Record 1, view H"},          {90.2F, "Record 2, view Z"},
        {12.5F, "Record 3, mirror position 12.5"}, {32.0F, "Record 4"},  // a blank: no view recorded
        {0.0F, "Record 5"},                   {std::numeric_limits<float>::max(), "Record 6"},
        {std::nanf(""), "Record 7"},
    };
    const int mirrorId = FIELD_sceneMirrorPosition;
    testsupport::SpectrumFileSpec spec;
    spec.subheaders = {testsupport::subheaderHolding({mirrorId})};
    std::vector<testsupport::SpectrumRecord> records;
    for (const auto& c : cases) records.push_back({std::vector<float>(8, 1.0F), {{mirrorId, c.mirror}}});
    const std::string path = dir.file("views.rgd");
    std::string error;
    ASSERT_TRUE(testsupport::writeSpectrumFile(path, spec, records, &error)) << error;
    const ProgramResult r = run({path, "--svg", "-", "--records", "1-7"});
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    std::vector<Element> e;
    ASSERT_TRUE(parseXml(r.out, e, &error)) << error;
    std::vector<std::string> legend, expected;
    for (const Element* g : findAll(e, "g", "legend"))
        for (size_t child : g->children)
            if (e[child].name == "text") legend.push_back(e[child].text);
    for (const auto& c : cases) expected.push_back(c.entry);
    EXPECT_EQ(legend, expected);
}

TEST_F(RgddumpRun, UnrecognisedFileGivesTheLibrarysReason) {
    const std::string notes = dir.file("notes.txt");
    testsupport::writeFile(notes, "just some words\n");
    expectFailure({notes}, 1, "rgddump: cannot open " + notes + ": filetype is unknown\n");
}

// ---- Errors ----------------------------------------------------------------------------

TEST_F(RgddumpRun, MissingFileIsReportedWithTheSystemsReason) {
    const std::string missing = dir.file("missing.rgd");
    expectFailure({missing}, 1, "rgddump: cannot open " + missing + ": No such file or directory\n");
    expectFailure({dir.path().string()}, 1, "rgddump: cannot open " + dir.path().string() + ": Is a directory\n");
}

TEST_F(RgddumpRun, RecordsOutOfRangeAreABadCommandLine) {
    const std::string hint = "Try 'rgddump --help' for more information.\n";
    expectFailure({sample, "--csv", "4"}, 2, "rgddump: record 4 is out of range (the file has 3 records)\n" + hint);
    expectFailure({sample, "--csv", "0"}, 2, "rgddump: record 0 is out of range (the file has 3 records)\n" + hint);
    expectFailure({sample, "--meta", "2-9"}, 2, "rgddump: record 9 is out of range (the file has 3 records)\n" + hint);
    expectFailure({sample, "--svg", "-", "--records", "1-4"}, 2,
                  "rgddump: record 4 is out of range (the file has 3 records)\n" + hint);
}

TEST_F(RgddumpRun, ColumnsAndFieldsTheFileLacksAreRefused) {
    expectFailure({sample, "--csv", "1", "--column", "3"}, 1, "rgddump: there is no column 3 (the file has 2 columns)\n");
    expectFailure({sample, "--csv", "1", "--column", "one"}, 1,
                  "rgddump: there is no column one (the file has 2 columns)\n");
    expectFailure({sample, "--meta", "1", "--fields", "nosuchfield"}, 1,
                  "rgddump: record 1 has no header field 'nosuchfield'\n");
}

TEST_F(RgddumpRun, BadCommandLinesAreRefusedWithAPointerToHelp) {
    const std::string hint = "Try 'rgddump --help' for more information.\n";
    expectFailure({}, 2, "rgddump: no input file given\n" + hint);
    expectFailure({sample, "--frobnicate"}, 2, "rgddump: unknown option '--frobnicate'\n" + hint);
    expectFailure({sample, "--csv"}, 2, "rgddump: option '--csv' needs a record number\n" + hint);
    expectFailure({sample, "--svg"}, 2, "rgddump: option '--svg' needs an output file name\n" + hint);
    expectFailure({sample, "--meta", "--csv", "1"}, 2, "rgddump: choose only one of --meta, --csv and --svg\n" + hint);
    expectFailure({sample, "--title", "T"}, 2, "rgddump: option '--title' applies only to --svg\n" + hint);
    expectFailure({sample, "--column", "1"}, 2, "rgddump: option '--column' applies only to --csv and --svg\n" + hint);
    expectFailure({sample, "--csv", "x"}, 2, "rgddump: bad record number 'x'\n" + hint);
    expectFailure({sample, "--csv", "abc"}, 2, "rgddump: bad record number 'abc'\n" + hint);
    expectFailure({sample, "--meta", "--records", "3-1"}, 2, "rgddump: bad record list '3-1'\n" + hint);
    expectFailure({sample, "--svg", "-", "--records", "1,,2"}, 2, "rgddump: bad record list '1,,2'\n" + hint);
    expectFailure({sample, "--meta", "--format", "xml"}, 2, "rgddump: bad format 'xml' (choose csv, json or table)\n" + hint);
    expectFailure({sample, "--csv", "1", "--format", "csv"}, 2, "rgddump: option '--format' applies only to --meta\n" + hint);
    expectFailure({sample, "--fields", "a"}, 2, "rgddump: option '--fields' applies only to --meta\n" + hint);
    expectFailure({sample, "--meta", "--fields", "a,,b"}, 2, "rgddump: bad field list 'a,,b'\n" + hint);
    expectFailure({sample, sample}, 2, "rgddump: more than one file given: '" + sample + "' and '" + sample + "'\n" + hint);
}

TEST_F(RgddumpRun, HelpPrintsUsageAndSucceeds) {
    const ProgramResult r = run({"--help"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out, dump::usageText());
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("Usage: rgddump FILE", 0), 0u);
}

// ---- Pieces in-process -----------------------------------------------------------------

TEST(RgddumpRecordList, ExpandsItemsAndRangesInOrder) {
    EXPECT_EQ(dump::parseRecordList("3,1,7-9", 9), (std::vector<int>{3, 1, 7, 8, 9}));
    EXPECT_EQ(dump::parseRecordList("2-2", 2), (std::vector<int>{2}));
}

TEST(RgddumpRecordList, RefusesMalformedListsBeforeExpandingThem) {
    for (const char* bad : {"", ",", "1,", "1-", "-1", "1--2", "a", "1-2-3", "99999999999"}) {
        try {
            dump::parseRecordList(bad, 5);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const dump::DumpError& e) {
            EXPECT_EQ(std::string(e.what()), "bad record list '" + std::string(bad) + "'");
        }
    }
    try {
        dump::parseRecordList("1-2000000000", 5);
        ADD_FAILURE() << "accepted a range past the end";
    } catch (const dump::DumpError& e) {
        EXPECT_EQ(std::string(e.what()), "record 2000000000 is out of range (the file has 5 records)");
    }
}

TEST(RgddumpRecordList, TellsAListFromAFileName) {
    EXPECT_TRUE(dump::looksLikeRecordList("1-5"));
    EXPECT_TRUE(dump::looksLikeRecordList("2,4"));
    EXPECT_FALSE(dump::looksLikeRecordList("a.rgd"));
    EXPECT_FALSE(dump::looksLikeRecordList("--csv"));
    EXPECT_FALSE(dump::looksLikeRecordList(""));
}

TEST(RgddumpTicks, AreRoundStepsInsideTheRange) {
    const dump::Ticks t = dump::niceTicks(0.0, 100.0, 6);
    EXPECT_EQ(t.step, 20.0);
    EXPECT_EQ(t.values, (std::vector<double>{0, 20, 40, 60, 80, 100}));
    const dump::Ticks w = dump::niceTicks(520.0, 1790.0, 7);
    EXPECT_EQ(w.step, 200.0);
    EXPECT_EQ(w.values, (std::vector<double>{600, 800, 1000, 1200, 1400, 1600}));
    EXPECT_TRUE(dump::niceTicks(1.0, 1.0, 6).values.empty());
}

TEST(RgddumpTicks, LabelsShowTheDigitsTheStepNeeds) {
    EXPECT_EQ(dump::tickLabel(0.5, 0.1, 1.0), "0.5");
    EXPECT_EQ(dump::tickLabel(1000.0, 200.0, 1800.0), "1000");
    EXPECT_EQ(dump::tickLabel(-1e-17, 0.2, 1.0), "0.0");
    EXPECT_EQ(dump::tickLabel(2e7, 1e7, 3e7), "2e+07");
    EXPECT_EQ(dump::tickLabel(0.0, 1e7, 3e7), "0");
    EXPECT_EQ(dump::tickLabel(2.5e-5, 5e-6, 3e-5), "2.5e-05");
}

TEST(RgddumpDecimate, KeepsThePeakOfEveryPixelColumn) {
    std::vector<double> x(9000);
    std::vector<float> y(9000, 1.0f);
    for (size_t i = 0; i < x.size(); ++i) x[i] = 500.0 + static_cast<double>(i);
    y[4321] = 50.0f;
    y[6000] = -50.0f;
    const auto runs = dump::decimate(x, y, 500.0, 9499.0, 560);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_LE(runs[0].size(), 4u * 560u);
    EXPECT_NE(std::find(runs[0].begin(), runs[0].end(), 4321u), runs[0].end());
    EXPECT_NE(std::find(runs[0].begin(), runs[0].end(), 6000u), runs[0].end());
    EXPECT_EQ(runs[0].front(), 0u);
    EXPECT_EQ(runs[0].back(), 8999u);
    EXPECT_TRUE(std::is_sorted(runs[0].begin(), runs[0].end()));
}

TEST(RgddumpDecimate, SplitsRunsAtNonFiniteValues) {
    const std::vector<double> x = {1, 2, 3, 4, 5, 6};
    const std::vector<float> y = {1, std::nanf(""), 3, 4, std::numeric_limits<float>::infinity(), 6};
    const auto runs = dump::decimate(x, y, 1.0, 6.0, 100);
    EXPECT_EQ(runs, (std::vector<std::vector<size_t>>{{0}, {2, 3}, {5}}));
}

TEST(RgddumpLegend, FitsInsideThePictureWhateverItsEntries) {
    // Entries are laid out two to a row when they fit, one when they do not; an entry wider
    // than the picture is cut. Each legend text must lie inside the picture.
    const struct {
        size_t records;
        size_t nameLength;
        std::string height;
        size_t cut;  // entries ending in "..."
    } cases[] = {{1, 10, "525", 0}, {10, 40, "605", 0}, {9, 60, "685", 0}, {10, 200, "705", 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.records) + " records, names of " + std::to_string(c.nameLength));
        std::vector<dump::Series> series(c.records);
        for (size_t k = 0; k < c.records; ++k) {
            series[k].name = std::string(c.nameLength - 1, '8') + std::to_string(k);
            series[k].x = {500.0, 600.0};
            series[k].y = {1.0F, float(k)};
        }
        std::vector<Element> e;
        std::string error;
        ASSERT_TRUE(parseXml(dump::renderSvg(series, {}), e, &error)) << error;
        EXPECT_EQ(e[0].attributes.at("height"), c.height);
        const double height = std::stod(c.height);
        size_t texts = 0, cut = 0;
        for (const Element* g : findAll(e, "g", "legend")) {
            for (size_t child : g->children) {
                if (e[child].name != "text") continue;
                const std::string& t = e[child].text;
                ++texts;
                cut += t.size() > 3 && t.compare(t.size() - 3, 3, "...") == 0 ? 1 : 0;
                // Digits of common sans-serif faces are at most 0.64 of the 11-pixel size wide.
                EXPECT_LE(std::stod(e[child].attributes.at("x")) + 0.64 * 11 * double(t.size()), 800.0) << t;
                EXPECT_LT(std::stod(e[child].attributes.at("y")), height - 4) << t;
            }
        }
        EXPECT_EQ(texts, c.records);
        EXPECT_EQ(cut, c.cut);
    }
}

}  // namespace
