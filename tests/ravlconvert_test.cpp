// ravlconvert: data files to CF netCDF-4 and CSV, read back through the netCDF C library.
#include <fcntl.h>
#include <netcdf.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "convertlib/convertcli.h"
#include "convertlib/ncnames.h"
#include "convertlib/timeaxis.h"
#include "dumplib/numtext.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"
#include "support/nasaamesbuilder.h"
#include "support/rgdbuilder.h"
#include "support/runprogram.h"
#include "support/tempdir.h"
#include "support/vornfiles.h"

namespace {

using testsupport::HeaderWord;
using testsupport::SpectrumRecord;

constexpr int DateId = FIELD_dateYYMMDD;
constexpr int TimeId = FIELD_timeHHMMSS;
constexpr int MissingId = FIELD_missingDataFlag;

struct Conversion {
    int status = -1;
    std::string out, err;
};

Conversion convertFile(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Conversion r;
    r.status = convert::runRavlconvert(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

// A netCDF file opened for reading in a test; every call must succeed.
class NcReader {
public:
    explicit NcReader(const std::string& path) { EXPECT_EQ(nc_open(path.c_str(), NC_NOWRITE, &id_), NC_NOERR) << path; }
    ~NcReader() { nc_close(id_); }
    int id() const { return id_; }
    size_t dim(const char* name) const {
        int d = -1;
        size_t n = 0;
        EXPECT_EQ(nc_inq_dimid(id_, name, &d), NC_NOERR) << name;
        nc_inq_dimlen(id_, d, &n);
        return n;
    }
    int var(const char* name) const {
        int v = -1;
        EXPECT_EQ(nc_inq_varid(id_, name, &v), NC_NOERR) << name;
        return v;
    }
    std::vector<float> floats(const char* name, size_t n) const {
        std::vector<float> v(n);
        EXPECT_EQ(nc_get_var_float(id_, var(name), v.data()), NC_NOERR) << name;
        return v;
    }
    std::vector<double> doubles(const char* name, size_t n) const {
        std::vector<double> v(n);
        EXPECT_EQ(nc_get_var_double(id_, var(name), v.data()), NC_NOERR) << name;
        return v;
    }
    std::string text(const char* variable, const char* attribute) const {
        const int v = variable == nullptr ? NC_GLOBAL : var(variable);
        size_t n = 0;
        if (nc_inq_attlen(id_, v, attribute, &n) != NC_NOERR) return "<none>";
        std::string s(n, '\0');
        nc_get_att_text(id_, v, attribute, s.data());
        return s;
    }

private:
    int id_ = -1;
};

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class Ravlconvert : public ::testing::Test {
protected:
    // Four records of 8 points around midnight: the third has the date of the day before
    // (a day file dated by its start) and is missing (NaN values, flag 1).
    std::string writeDay(const std::string& name, double last = 1500.0) {
        testsupport::SpectrumFileSpec spec;
        spec.last = last;
        spec.subheaders = {testsupport::subheaderHolding({DateId, TimeId})};
        const float dates[] = {150417, 150417, 150417, 150418};
        const float times[] = {235800, 235930, 100, 200};
        std::vector<SpectrumRecord> records;
        for (int r = 0; r < 4; ++r) {
            SpectrumRecord rec;
            for (int i = 0; i < spec.points; ++i) rec.data.push_back(r == 2 ? std::nanf("") : 0.25F * float(r * 10 + i));
            rec.header = {{DateId, dates[r]}, {TimeId, times[r]}, {MissingId, r == 2 ? 1.0F : 0.0F}};
            records.push_back(rec);
        }
        const std::string path = dir_.file(name);
        std::string error;
        EXPECT_TRUE(testsupport::writeSpectrumFile(path, spec, records, &error)) << error;
        return path;
    }

    testsupport::TempDir dir_;
};

TEST_F(Ravlconvert, WritesValuesFieldsTimesAndAttributesOfEveryRecord) {
    const std::string in = writeDay("DAY.RGD");
    const std::string out = dir_.file("day.nc");
    const Conversion run = convertFile({in, out});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");

    NcReader nc(out);
    ASSERT_EQ(nc.dim("record"), 4U);
    ASSERT_EQ(nc.dim("wavenumber"), 8U);
    const std::vector<double> grid = nc.doubles("wavenumber", 8);
    EXPECT_EQ(grid.front(), 500.0);
    EXPECT_EQ(grid.back(), 1500.0);
    EXPECT_EQ(nc.text("wavenumber", "units"), "cm-1");

    const testsupport::ProductContent source = testsupport::readProduct(in, {MissingId});
    // A column without a short name is named by its number.
    const std::vector<float> values = nc.floats("column1", 32);
    for (size_t r = 0; r < 4; ++r)
        for (size_t i = 0; i < 8; ++i)
            EXPECT_TRUE(sameBits(values[r * 8 + i], source.data[r][i])) << "record " << r + 1 << " point " << i;
    EXPECT_TRUE(std::isnan(values[2 * 8]));

    // Midnight passed between records 2 and 3 although the date stayed the same.
    EXPECT_EQ(nc.doubles("time", 4), (std::vector<double>{86280, 86370, 86460, 86520}));
    EXPECT_EQ(nc.text("time", "units"), "seconds since 2015-04-17 00:00:00");
    EXPECT_EQ(nc.floats("missingDataFlag", 4), (std::vector<float>{0, 0, 1, 0}));
    EXPECT_EQ(nc.floats("dateYYMMDD", 4), (std::vector<float>{150417, 150417, 150417, 150418}));
    EXPECT_EQ(nc.text("dateYYMMDD", "units"), "YYMMDD");
    EXPECT_EQ(nc.text("dateYYMMDD", "long_name"), "Observation date");
    EXPECT_EQ(nc.text(nullptr, "Conventions"), "CF-1.8");
    EXPECT_EQ(nc.text(nullptr, "source"), "DAY.RGD");
    EXPECT_NE(nc.text(nullptr, "history").find("written by a test"), std::string::npos) << nc.text(nullptr, "history");
}

TEST_F(Ravlconvert, SelectionPicksRecordsColumnsAndFields) {
    const std::string in = writeDay("DAY.RGD");
    const std::string out = dir_.file("part.nc");
    ASSERT_EQ(convertFile({in, out, "--records", "2-3", "--fields", "missingDataFlag"}).status, 0);
    NcReader nc(out);
    EXPECT_EQ(nc.dim("record"), 2U);
    EXPECT_EQ(nc.floats("missingDataFlag", 2), (std::vector<float>{0, 1}));
    int v = -1;
    EXPECT_NE(nc_inq_varid(0, "dateYYMMDD", &v), NC_NOERR);
}

TEST_F(Ravlconvert, CsvHoldsTheSameSelection) {
    const std::string in = writeDay("DAY.RGD");
    const Conversion run = convertFile({in, "-", "--csv", "--records", "2-3", "--fields", "missingDataFlag"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::string header, first, ninth;
    std::getline(lines, header);
    std::getline(lines, first);
    for (int i = 0; i < 8; ++i) std::getline(lines, ninth);
    EXPECT_EQ(header.substr(0, header.rfind(',')), "record,time,missingDataFlag,wavenumber");
    EXPECT_EQ(first.substr(0, first.rfind(',')), "2,2015-04-17T23:59:30Z,0,500");
    EXPECT_EQ(ninth, "3,2015-04-18T00:01:00Z,1,500,NaN");
}

TEST_F(Ravlconvert, RefusesColumnsOnDifferentGridsNamingTheFirstThatDiffers) {
    testsupport::RgdSpec spec;
    spec.columns = {testsupport::RgdColumn{}, testsupport::RgdColumn{}};
    spec.columns[1].points = 4;
    spec.columns[1].maximum = 1000.0;
    const std::string in = dir_.file("TWO.RGD");
    ASSERT_TRUE(testsupport::writeRgdFile(in, spec, 2));
    const Conversion refused = convertFile({in, dir_.file("two.nc")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "ravlconvert: record 1 column 2 has 4 points where record 1 column 1 has 8: one netCDF variable holds "
              "values on one grid; choose consistent records and columns with --records and --columns\n");
    EXPECT_FALSE(std::filesystem::exists(dir_.file("two.nc")));
    EXPECT_EQ(convertFile({in, dir_.file("two.nc"), "--columns", "2"}).status, 0);
    EXPECT_EQ(NcReader(dir_.file("two.nc")).dim("wavenumber"), 4U);
}

TEST_F(Ravlconvert, AnUnwritableDestinationGivesTheSystemsReason) {
    const std::string in = writeDay("DAY.RGD");
    std::filesystem::create_directory(dir_.file("taken.nc"));
    const struct {
        std::string out, reason;
    } cases[] = {
        {dir_.file("nosuchdir/x.nc"), "No such file or directory"},
        {dir_.file("DAY.RGD/x.nc"), "Not a directory"},
        {dir_.file("taken.nc"), "Is a directory"},
    };
    for (const auto& c : cases) {
        const Conversion refused = convertFile({in, c.out});
        EXPECT_EQ(refused.status, 1) << c.out;
        EXPECT_EQ(refused.err, "ravlconvert: cannot write " + c.out + ": " + c.reason + "\n");
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir_.file("taken.nc")));
}

// A data column of a NASA Ames FFI 2010 file of one record, whose values are the
// column's place in the list times 1, 2 and 3.
struct NamedColumn {
    std::string shortName;  // the variable name line of the file
    std::string variable;   // the netCDF variable it becomes
};

TEST_F(Ravlconvert, ShortNamesBecomeLegalUniqueVariableNamesAndLegalOnesStayAsTheyAre) {
    // The reader keeps 256 characters of a name line.
    const std::string longest(256, 'x');
    const std::vector<NamedColumn> columns = {
        {"Temperature (K)", "Temperature (K)"},
        {"Wind (m/s)", "Wind (m_s)"},
        {"T (\xB0" "C) in Latin-1", "T (_C) in Latin-1"},
        {"T (\xC2\xB0" "C)", "T (\xC2\xB0" "C)"},
        {"(K) brightness", "v(K) brightness"},
        {"_reserved", "_reserved"},
        {"record_number", "record_number_v2"},
        {"Wind (m_s)", "Wind (m_s)_v2"},
        {"timeHHMMSS", "timeHHMMSS"},
        {longest, std::string(255, 'x')},
        {longest, std::string(252, 'x') + "_v2"},
    };
    testsupport::NasaAmesSpec spec;
    spec.ffi = 2010;
    spec.dx = "10 0";
    spec.nx = 3;
    spec.boundedValues = {"500", "510", "520"};
    spec.xNames = {"Wavenumber (cm-1)", "Time (seconds)"};
    spec.data = "0\n";
    for (size_t k = 0; k < columns.size(); ++k) {
        spec.primary.push_back(testsupport::NasaVariable{"1", "-9999", columns[k].shortName});
        for (int i = 1; i <= 3; ++i) spec.data += std::to_string((k + 1) * i) + (i == 3 ? "\n" : " ");
    }
    const std::string in = dir_.file("names.na");
    ASSERT_TRUE(testsupport::writeNasaAmesFile(in, spec));
    const std::string out = dir_.file("names.nc");
    const Conversion run = convertFile({in, out});
    ASSERT_EQ(run.status, 0) << run.err;
    NcReader nc(out);
    for (size_t k = 0; k < columns.size(); ++k) {
        const NamedColumn& c = columns[k];
        const float n = static_cast<float>(k + 1);
        EXPECT_EQ(nc.floats(c.variable.c_str(), 3), (std::vector<float>{n, 2 * n, 3 * n})) << c.variable;
        EXPECT_EQ(nc.text(c.variable.c_str(), "long_name"), c.shortName) << c.variable;
        EXPECT_EQ(nc.text(c.variable.c_str(), "short_name"), c.variable == c.shortName ? "<none>" : c.shortName);
    }
    // The field that a column's name came before yields to it.
    EXPECT_EQ(nc.text("timeHHMMSS_v2", "field_name"), "timeHHMMSS");
}

// The two NASA Ames fixtures whose variable names hold "/": legal names unchanged, the
// others mended, every column's values those the library gives.
TEST_F(Ravlconvert, NasaAmesFixturesWithSlashesInTheirNamesConvert) {
    const struct {
        const char* file;
        std::vector<std::string> variables;  // per column, in the file's order
    } cases[] = {
        {"2010a.na", {"Latitude (degrees North)", "Mean zonal wind (m_s)"}},
        {"2010GH.na",
         {"Pressure levels (mb)", "Geopotential height (gpm)", "Temperature (K)", "Potential vorticity (K m**2_(kg s))"}},
    };
    for (const auto& c : cases) {
        const std::string in = std::string(EXTERNAL_FIXTURES_DIR) + "/nasa-ames/" + c.file;
        if (!std::filesystem::exists(in)) GTEST_SKIP() << "the external NASA Ames fixtures are not present: " << in;
        ZARFFILE* source = ZARFopenFileReadable(in.c_str());
        ASSERT_NE(source, nullptr);
        const int records = ZARFreadRecordCount(source);
        const std::string out = dir_.file(std::string(c.file) + ".nc");
        const Conversion run = convertFile({in, out});
        ASSERT_EQ(run.status, 0) << c.file << ": " << run.err;
        NcReader nc(out);
        const size_t points = nc.dim("abscissa");
        for (size_t k = 0; k < c.variables.size(); ++k) {
            const std::vector<float> stored = nc.floats(c.variables[k].c_str(), static_cast<size_t>(records) * points);
            for (int r = 1; r <= records; ++r) {
                std::vector<float> expected(points);
                ASSERT_NE(ZARFselectData(source, 2, static_cast<int>(k) + 1), 0);
                ASSERT_EQ(ZARFreadDepValues(source, r, expected.data(), static_cast<int>(points)), static_cast<int>(points));
                for (size_t i = 0; i < points; ++i)
                    EXPECT_TRUE(sameBits(stored[static_cast<size_t>(r - 1) * points + i], expected[i])) << c.file << " " << k << " " << r;
            }
        }
        ZARFcloseFile(source);
    }
}

// A write the disk refuses (here a file-size limit, set in a child so the test process
// keeps its own) is an ordinary failure: exit status 1 with the system's reason, no file
// or temporary file left, an earlier file of the name as it was.
TEST_F(Ravlconvert, AWriteCutShortOnDiskExitsOneAndLeavesNoFile) {
    const std::string in = writeDay("DAY.RGD");
    const std::string errors = dir_.file("errors.txt");
    for (const bool earlier : {false, true}) {
        const std::string out = dir_.file(earlier ? "kept.nc" : "none.nc");
        if (earlier) testsupport::writeFile(out, "earlier file");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit small{4096, 4096};
            const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || dup2(fd, 2) < 0 || setrlimit(RLIMIT_FSIZE, &small) != 0) _exit(99);
            std::signal(SIGXFSZ, SIG_IGN);
            const std::string binary = std::string(TOOLS_BINARY_DIR) + "/ravlconvert";
            execl(binary.c_str(), binary.c_str(), in.c_str(), out.c_str(), static_cast<char*>(nullptr));
            _exit(98);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(testsupport::readFile(errors), "ravlconvert: cannot write " + out + ": File too large\n");
        if (earlier) EXPECT_EQ(testsupport::readFile(out), "earlier file");
        else EXPECT_FALSE(std::filesystem::exists(out));
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"DAY.RGD", "errors.txt", "kept.nc"}));
}

TEST_F(Ravlconvert, ConvertsACalibratedDayAndItsCavityEmissivityTable) {
    const std::string tools = TOOLS_BINARY_DIR;
    const auto day = dir_.path() / "day";
    ASSERT_EQ(testsupport::runProgram(tools + "/vornsim", "", dir_.path(), {"--dir", "day", "--sets", "2", "--points", "40"}).exitStatus, 0);
    const testsupport::ProgramResult calibration =
        testsupport::runProgram(VORNCALV_BINARY, testsupport::readFile((day / "ANSWERS.TXT").string()), day);
    ASSERT_TRUE(calibration.exited) << calibration.err;
    std::string product;
    for (const auto& entry : std::filesystem::directory_iterator(day))
        if (entry.path().extension() == ".RLC") product = entry.path().string();
    ASSERT_FALSE(product.empty()) << calibration.err;

    ASSERT_EQ(convertFile({product, dir_.file("rlc.nc")}).status, 0);
    const testsupport::ProductContent source = testsupport::readProduct(product, {TimeId});
    NcReader nc(dir_.file("rlc.nc"));
    const size_t records = static_cast<size_t>(source.records);
    ASSERT_EQ(nc.dim("record"), records);
    const std::vector<float> radiance = nc.floats(source.descriptions[0].c_str(), records * 40);
    for (size_t r = 0; r < records; ++r)
        for (size_t i = 0; i < 40; ++i) ASSERT_TRUE(sameBits(radiance[r * 40 + i], source.data[r][i])) << r << " " << i;
    // The product's five parent headers: each field once per parent, the repeats numbered.
    EXPECT_EQ(nc.floats("timeHHMMSS", records).front(), source.metadata[0][0]);
    EXPECT_EQ(nc.floats("timeHHMMSS_5", records).size(), records);
    EXPECT_EQ(nc.text("time", "units").rfind("seconds since 20", 0), 0U);

    ASSERT_EQ(convertFile({(day / "CAVEMIS1.MLT").string(), dir_.file("cav.nc")}).status, 0);
    EXPECT_EQ(NcReader(dir_.file("cav.nc")).dim("record"), 1U);
}

TEST_F(Ravlconvert, NcdumpShowsTheLayoutAsAUserSeesIt) {
    if (!std::filesystem::exists("/usr/bin/ncdump")) GTEST_SKIP() << "ncdump (Debian netcdf-bin) is not installed";
    ASSERT_EQ(convertFile({writeDay("DAY.RGD"), dir_.file("day.nc"), "--fields", "missingDataFlag"}).status, 0);
    testsupport::ProgramResult dump = testsupport::runProgram("/usr/bin/ncdump", "", dir_.path(), {"-h", "day.nc"});
    ASSERT_EQ(dump.exitStatus, 0) << dump.err;
    // The history line starts with the moment of the conversion and names the paths.
    const size_t history = dump.out.find(":history = \"");
    ASSERT_NE(history, std::string::npos);
    const size_t end = dump.out.find('\n', history);
    dump.out.replace(history, end - history, ":history = <conversion line and the file's own history>");
    // The file is made in memory, where the netCDF library keeps no creation order: the
    // variables come in the order of their names.
    EXPECT_EQ(dump.out,
              "netcdf day {\n"
              "dimensions:\n"
              "\trecord = UNLIMITED ; // (4 currently)\n"
              "\twavenumber = 8 ;\n"
              "variables:\n"
              "\tfloat column1(record, wavenumber) ;\n"
              "\t\tcolumn1:_FillValue = NaNf ;\n"
              "\t\tcolumn1:coordinates = \"time\" ;\n"
              "\tfloat missingDataFlag(record) ;\n"
              "\t\tmissingDataFlag:_FillValue = NaNf ;\n"
              "\t\tmissingDataFlag:long_name = \"Logical flag indicating that a data record is missing (true/false)\" ;\n"
              "\t\tmissingDataFlag:label = \"Missing Data Flag\" ;\n"
              "\t\tmissingDataFlag:field_name = \"missingDataFlag\" ;\n"
              "\t\tmissingDataFlag:field_identifier = 32780 ;\n"
              "\tint record_number(record) ;\n"
              "\t\trecord_number:long_name = \"record number in the source file\" ;\n"
              "\tdouble time(record) ;\n"
              "\t\ttime:standard_name = \"time\" ;\n"
              "\t\ttime:long_name = \"time of the record (from dateYYMMDD and timeHHMMSS)\" ;\n"
              "\t\ttime:units = \"seconds since 2015-04-17 00:00:00\" ;\n"
              "\t\ttime:calendar = \"standard\" ;\n"
              "\t\ttime:_FillValue = NaN ;\n"
              "\tdouble wavenumber(wavenumber) ;\n"
              "\t\twavenumber:long_name = \"wavenumber\" ;\n"
              "\t\twavenumber:units = \"cm-1\" ;\n"
              "\n"
              "// global attributes:\n"
              "\t\t:Conventions = \"CF-1.8\" ;\n"
              "\t\t:title = \"Data from DAY.RGD\" ;\n"
              "\t\t:source = \"DAY.RGD\" ;\n"
              "\t\t:history = <conversion line and the file's own history>\n"
              "}\n");
}

// A NASA Ames FFI 1001 file: a time series whose records hold header fields only.
TEST_F(Ravlconvert, RecordsWithoutDataColumnsBecomeOneVariablePerFieldOnTheTimeCoordinate) {
    const std::string in = std::string(EXTERNAL_FIXTURES_DIR) + "/nasa-ames/1001.na";
    if (!std::filesystem::exists(in)) GTEST_SKIP() << "the external NASA Ames fixtures are not present: " << in;
    // The values the library gives, record by record: the time (hours) and the pressure.
    ZARFFILE* source = ZARFopenFileReadable(in.c_str());
    ASSERT_NE(source, nullptr);
    std::vector<float> times, pressures;
    for (int r = 1; r <= 3; ++r) {
        int ids[] = {TimeId, FIELD_atmosphericPressure};
        float values[2] = {};
        ASSERT_EQ(ZARFreadRealMetadata(source, r, ids, 2, values), 2);
        times.push_back(values[0]);
        pressures.push_back(values[1]);
    }
    ZARFcloseFile(source);

    const std::string out = dir_.file("series.nc");
    const Conversion run = convertFile({in, out});
    ASSERT_EQ(run.status, 0) << run.err;
    NcReader nc(out);
    int dims = 0;
    ASSERT_EQ(nc_inq_ndims(nc.id(), &dims), NC_NOERR);
    EXPECT_EQ(dims, 1) << "the record dimension only: there is no grid";
    EXPECT_EQ(nc.dim("record"), 3u);
    const std::vector<double> time = nc.doubles("time", 3);
    for (size_t r = 0; r < 3; ++r) EXPECT_EQ(time[r], static_cast<double>(times[r])) << r;
    EXPECT_EQ(nc.text("time", "long_name"), "Time in hours GMT");
    EXPECT_EQ(nc.text("time", "units"), "<none>");
    EXPECT_EQ(nc.floats("timeHHMMSS", 3), times);
    EXPECT_EQ(nc.floats("atmosphericPressure", 3), pressures);
    EXPECT_EQ(nc.text("atmosphericPressure", "coordinates"), "time");
    EXPECT_EQ(nc.text(nullptr, "title"), "Header fields from 1001.na");

    const Conversion csv = convertFile({in, "-", "--csv", "--records", "2-3"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, "record,timeHHMMSS,atmosphericPressure\n2," + dump::formatFloat(times[1]) + "," +
                           dump::formatFloat(pressures[1]) + "\n3," + dump::formatFloat(times[2]) + "," +
                           dump::formatFloat(pressures[2]) + "\n");
    const Conversion columns = convertFile({in, out, "--columns", "1"});
    EXPECT_EQ(columns.status, 1);
    EXPECT_EQ(columns.err, "ravlconvert: the records hold no data columns to choose (only header fields)\n");
}

TEST(RavlconvertNames, TextsAreMendedIntoNetcdfNamesByOneRule) {
    const std::string as(200, 'a');
    const struct {
        std::string text, name;
    } cases[] = {
        {"Temperature (K)", "Temperature (K)"},
        {"1st", "1st"},
        {"_x", "_x"},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
        {"a/b", "a_b"},
        {"a\tb\x7F", "a_b_"},
        {"\x01x", "_x"},
        {"  padded  ", "padded"},
        {"   ", ""},
        {"", ""},
        {"(K)", "v(K)"},
        {"-x", "v-x"},
        {"caf\xE9", "caf_"},                // Latin-1
        {"\xC3", "_"},                      // cut short
        {"\xC0\xAF", "__"},                 // overlong "/"
        {"\xED\xA0\x80z", "___z"},          // a surrogate
        {"\xF4\x90\x80\x80", "____"},       // beyond U+10FFFF
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {std::string(300, 'x'), std::string(255, 'x')},
        {as + std::string(60, ' ') + "z", as},                                  // cut in spaces
        {std::string(254, 'a') + "\xC3\xA9", std::string(254, 'a')},             // not in a character
    };
    for (const auto& c : cases) {
        EXPECT_EQ(convert::netcdfName(c.text), c.name) << c.text;
        EXPECT_EQ(convert::netcdfName(c.name), c.name) << "a mended name is legal: " << c.name;
    }
    EXPECT_EQ(convert::numberedName("wind", 2), "wind_v2");
    EXPECT_EQ(convert::numberedName(std::string(255, 'x'), 12), std::string(251, 'x') + "_v12");
}

TEST(RavlconvertCommandLine, BadCommandLinesExitTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"only-one"}, {"a", "b", "c"}, {"a", "b", "--records"}, {"a", "b", "--bogus"}, {"a", "b", "--csv=1"}}) {
        const Conversion r = convertFile(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_NE(r.err.find("Try 'ravlconvert --help'"), std::string::npos) << r.err;
    }
    EXPECT_EQ(convertFile({"--help"}).status, 0);
}

TEST(RavlconvertTimeAxis, DatesAndTimesBecomeSecondsSinceTheFirstDate) {
    EXPECT_EQ(convert::daysSinceEpoch({1970, 1, 1}), 0);
    EXPECT_EQ(convert::daysSinceEpoch({2000, 3, 1}), 11017);
    EXPECT_FALSE(convert::dateOf(150231));  // no 31 February
    EXPECT_EQ(convert::dateOf(991231)->year, 1999);
    EXPECT_EQ(convert::dateOf(20240229)->day, 29);
    EXPECT_FALSE(convert::secondsOfDay(126000));  // 60 minutes
    convert::TimeAxis axis;
    EXPECT_FALSE(axis.next(NAN, 120000));          // no date yet: no time
    EXPECT_EQ(*axis.next(151231, 235959), 86399);
    EXPECT_EQ(*axis.next(160101, 1), 86401);       // the date moved on at midnight
    EXPECT_EQ(*axis.next(160101, 120000), 86400 + 43200);
    EXPECT_EQ(convert::isoTime(*convert::dateOf(151231), 86401), "2016-01-01T00:00:01Z");
}

}  // namespace
