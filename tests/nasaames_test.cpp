// The NASA Ames reader behind the library's handle API: real files written by other software
// read with their independently computed values, the header and data rules of the four file
// format indices, the field dictionary, the operations and their messages, hostile input, and
// rgddump's views of a real file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dumplib/dumpcli.h"
#include "dumplib/numtext.h"
#include "formats/nasaames/nasafile.h"
#include "driver.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"
#include "support/nasaamesbuilder.h"
#include "support/tempdir.h"

namespace {

using testsupport::NasaAmesSpec;
using testsupport::NasaVariable;

constexpr float Missing = 3.4028235e38f;
constexpr int Wildcard = 2000000000;
constexpr int TimeId = FIELD_timeHHMMSS;

struct Closer {
    void operator()(ZARFFILE* f) const { ZARFcloseFile(f); }
};
using Handle = std::unique_ptr<ZARFFILE, Closer>;

const nasaames::NASAfile& tablesOf(ZARFFILE* f) { return *static_cast<const nasaames::NASAfile*>(f->handle); }

std::vector<float> depValues(ZARFFILE* f, int record) {
    std::vector<float> v(static_cast<size_t>(std::max(ZARFreadRecordSize(f, record), 0)) + 2, -1.0f);
    v.resize(static_cast<size_t>(std::max(ZARFreadDepValues(f, record, v.data(), static_cast<int>(v.size())), 0)));
    return v;
}

std::vector<float> indValues(ZARFFILE* f, int record) {
    std::vector<float> v(static_cast<size_t>(std::max(ZARFreadRecordSize(f, record), 0)) + 2, -1.0f);
    v.resize(static_cast<size_t>(std::max(ZARFreadIndValues(f, record, v.data(), static_cast<int>(v.size())), 0)));
    return v;
}

// Every field the record offers, in order, with its value.
std::vector<std::pair<int, float>> offeredFields(ZARFFILE* f, int record) {
    const int n = ZARFqueryMaxMetadataCount(f, record);
    std::vector<int> requests(static_cast<size_t>(std::max(n, 0)) + 1, Wildcard);
    std::vector<float> values(requests.size(), 0.0f);
    ZARFreadRealMetadata(f, record, requests.data(), static_cast<int>(requests.size()), values.data());
    std::vector<std::pair<int, float>> offered;
    for (size_t i = 0; i < requests.size(); ++i)
        if (requests[i] > 0) offered.emplace_back(requests[i], values[i]);
    return offered;
}

// One metadata value by field id; NaN when it is not delivered.
float metadataValue(ZARFFILE* f, int record, int id) {
    int request = id;
    float value = std::nanf("");
    return ZARFreadRealMetadata(f, record, &request, 1, &value) == 1 ? value : std::nanf("");
}

std::string metadataText(ZARFFILE* f, int record, int id, int type) {
    char text[256] = {};
    if (ZARFreadMetadataStringDesc(f, record, id, type, text, sizeof text - 1) == 0) return "(none)";
    return text;
}

std::string dataText(ZARFFILE* f, int dataId, int type) {
    char text[256] = {};
    if (ZARFreadDataStringDesc(f, dataId, type, text, sizeof text - 1) == 0) return "(none)";
    return text;
}

// ---- A small JSON reader: enough for the fixtures' expected values ------------------------

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const {
        static const Json none;
        const auto it = members.find(key);
        return it == members.end() ? none : it->second;
    }
    const Json& operator[](size_t i) const { return items.at(i); }
    long integer() const { return std::lround(number); }
};

class JsonParser {
public:
    explicit JsonParser(const std::string& doc) : doc_(doc) {}

    Json parse() {
        Json value = parseValue();
        skipWhite();
        if (pos_ != doc_.size()) fail("trailing text");
        return value;
    }

private:
    const std::string& doc_;
    size_t pos_ = 0;

    [[noreturn]] void fail(const std::string& why) const {
        throw std::runtime_error("expected.json: " + why + " at offset " + std::to_string(pos_));
    }
    void skipWhite() {
        while (pos_ < doc_.size() && std::strchr(" \t\r\n", doc_[pos_]) != nullptr) ++pos_;
    }
    bool take(const char* word) {
        if (doc_.compare(pos_, std::strlen(word), word) != 0) return false;
        pos_ += std::strlen(word);
        return true;
    }
    std::string parseString() {
        if (!take("\"")) fail("string expected");
        std::string s;
        while (pos_ < doc_.size() && doc_[pos_] != '"') {
            char c = doc_[pos_++];
            if (c == '\\' && pos_ < doc_.size()) {
                c = doc_[pos_++];
                if (c == 'n') c = '\n';
                if (c == 't') c = '\t';
                if (c == 'u') fail("\\u escapes are not needed here");
            }
            s.push_back(c);
        }
        if (!take("\"")) fail("unterminated string");
        return s;
    }
    Json parseValue() {
        skipWhite();
        Json v;
        if (pos_ >= doc_.size()) fail("value expected");
        const char c = doc_[pos_];
        if (c == '{') {
            v.kind = Json::Object;
            ++pos_;
            skipWhite();
            while (!take("}")) {
                skipWhite();
                const std::string key = parseString();
                skipWhite();
                if (!take(":")) fail("colon expected");
                v.members[key] = parseValue();
                skipWhite();
                take(",");
                skipWhite();
            }
        } else if (c == '[') {
            v.kind = Json::Array;
            ++pos_;
            skipWhite();
            while (!take("]")) {
                v.items.push_back(parseValue());
                skipWhite();
                take(",");
                skipWhite();
            }
        } else if (c == '"') {
            v.kind = Json::String;
            v.text = parseString();
        } else if (take("true") || take("false")) {
            v.kind = Json::Bool;
            v.boolean = doc_[pos_ - 1] == 'e' && doc_[pos_ - 2] == 'u';
        } else if (take("null")) {
            v.kind = Json::Null;
        } else {
            char* end = nullptr;
            v.kind = Json::Number;
            v.number = std::strtod(doc_.c_str() + pos_, &end);
            if (end == doc_.c_str() + pos_) fail("number expected");
            pos_ = static_cast<size_t>(end - doc_.c_str());
        }
        return v;
    }
};

// ---- Real files written by other software -------------------------------------------------

const std::filesystem::path FixtureDir = std::filesystem::path(EXTERNAL_FIXTURES_DIR) / "nasa-ames";

const Json& expectedValues() {
    static const Json all = [] {
        std::ifstream in(FixtureDir / "expected.json", std::ios::binary);
        std::stringstream doc;
        doc << in.rdbuf();
        return JsonParser(doc.str()).parse();
    }();
    return all;
}

// A value as the reader must deliver it: the missing marker when the rule of the file's
// format index calls it missing, else the scaled value as a 32-bit real.
float deliveredValue(const Json& v, bool numericRule) {
    const bool missing = numericRule ? v["missing_numeric"].boolean : v["missing_exact_text"].boolean;
    return missing ? Missing : static_cast<float>(v["scaled"].number);
}

float scaled(const std::string& raw, const std::string& scale, const std::string& missing) {
    if (raw == missing) return Missing;
    return static_cast<float>(std::strtod(raw.c_str(), nullptr) * std::strtod(scale.c_str(), nullptr));
}

float hours(const std::string& raw) { return static_cast<float>(std::strtod(raw.c_str(), nullptr) * (1.0 / 3600.0)); }

// The fields each fixture offers, by our reading of its variable names against the
// dictionary: (field id, auxiliary column).
const std::map<std::string, std::vector<std::pair<int, int>>> OfferedByFixture = {
    {"1001.na", {{TimeId, 0}, {FIELD_atmosphericPressure, 3}}},
    {"1001a.na", {{TimeId, 0}}},
    {"OM_20200304_591_CPT_MUC_V01_valid0.txt", {{TimeId, 0}}},
    {"1020a.na", {{TimeId, 0}, {FIELD_atmosphericPressure, 1}}},
    {"1020b.na", {{TimeId, 0}}},
    {"2010a.na", {{TimeId, 0}, {FIELD_atmosphericPressure, 1}}},
    {"2010GH.na", {{TimeId, 0}, {0x800D, 2}}},
    {"2110.na", {{TimeId, 0}, {FIELD_Latitude, 1}, {FIELD_atmosphericPressure, 2}}},
    {"2110GH.na", {{TimeId, 0}, {FIELD_Altitude, 5}, {FIELD_Pitch, 6}, {FIELD_Roll, 7}, {0x800D, 9}}},
};

class NasaFixture : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(FixtureDir / "expected.json"))
            GTEST_SKIP() << "the external NASA Ames fixtures are not present at " << FixtureDir;
        e = &expectedValues()["files"][GetParam()];
        ASSERT_EQ((*e)["file"].text, GetParam()) << "expected.json has no entry for this file";
        file.reset(ZARFopenFileReadable((FixtureDir / GetParam()).string().c_str()));
        ASSERT_NE(file, nullptr) << ZARFlastError(nullptr);
        ASSERT_EQ(file->method, &NASA_Methods);
        ffi = (*e)["ffi"].integer();
    }

    // The values one record must have, from expected.json's first_record or last_record.
    void expectRecord(int record, const Json& r) {
        SCOPED_TRACE("record " + std::to_string(record));
        const Json& x = (*e);
        const std::vector<float>& row = tablesOf(file.get()).a[static_cast<size_t>(record) - 1];
        if (ffi == 1001) {
            ASSERT_EQ(row.size(), static_cast<size_t>(x["nv"].integer()) + 1);
            EXPECT_EQ(row[1], deliveredValue(r["v1_first"], true));
            return;
        }
        // The auxiliary values, scaled, the missing marker by exact text only.
        ASSERT_EQ(row.size(), x["ascal"].items.size() + 1);
        for (size_t i = 0; i < x["ascal"].items.size(); ++i)
            EXPECT_EQ(row[i + 1], scaled(r["aux_raw"][i].text, x["ascal"][i].text, x["amiss"][i].text)) << i;
        // By default FFI 1020 shows V1 against point numbers, FFI 2010 and 2110 the bounded
        // variable X(1) against V1.
        const int points = static_cast<int>(r["v1_point_count"].integer());
        EXPECT_EQ(ZARFreadRecordSize(file.get(), record), points);
        const std::vector<float> v1 = ffi == 1020 ? depValues(file.get(), record) : indValues(file.get(), record);
        ASSERT_EQ(v1.size(), static_cast<size_t>(points));
        EXPECT_EQ(v1.front(), deliveredValue(r["v1_first"], false));
        EXPECT_EQ(v1.back(), deliveredValue(r["v1_last"], false));
        EXPECT_EQ(std::count(v1.begin(), v1.end(), Missing), r["v1_missing_count_exact_text"].integer());
        const std::vector<float> abscissa = ffi == 1020 ? indValues(file.get(), record) : depValues(file.get(), record);
        ASSERT_EQ(abscissa.size(), static_cast<size_t>(points));
        if (ffi == 1020) {
            EXPECT_EQ(abscissa.front(), 1.0f);
            EXPECT_EQ(abscissa.back(), static_cast<float>(points));
        } else if (ffi == 2010) {
            const Json& grid = x["x1_defined_values_raw"];
            for (size_t i = 0; i < grid.items.size(); ++i)
                EXPECT_EQ(abscissa[i], std::strtof(grid[i].text.c_str(), nullptr)) << i;
        } else {
            EXPECT_EQ(abscissa.front(), std::strtof(r["x1_first_raw"].text.c_str(), nullptr));
            EXPECT_EQ(abscissa.back(), std::strtof(r["x1_last_raw"].text.c_str(), nullptr));
        }
        // The last primary variable, once selected.
        const int last = ZARFqueryMaxDataCount(file.get());
        const size_t nv = x["vscal"].items.size();
        ASSERT_EQ(ZARFselectData(file.get(), 2, last), 1);
        const std::vector<float> vn = depValues(file.get(), record);
        ASSERT_EQ(vn.size(), static_cast<size_t>(points));
        EXPECT_EQ(vn.front(), scaled(r["v_last_var_first_raw"].text, x["vscal"][nv - 1].text, x["vmiss"][nv - 1].text));
        EXPECT_EQ(vn.back(), scaled(r["v_last_var_last_raw"].text, x["vscal"][nv - 1].text, x["vmiss"][nv - 1].text));
        ASSERT_EQ(ZARFselectData(file.get(), 2, 1), 1);
    }

    const Json* e = nullptr;
    Handle file;
    long ffi = 0;
};

TEST_P(NasaFixture, RecordCountAndEveryRecordsIndependentValue) {
    const Json& x = (*e);
    const Json& xs = x["record_x_raw"];
    ASSERT_EQ(ZARFreadRecordCount(file.get()), x["n_records"].integer());
    ASSERT_EQ(xs.items.size(), static_cast<size_t>(x["n_records"].integer()));
    for (size_t r = 0; r < xs.items.size(); ++r) {
        const bool timeIsMissing = ffi == 1001 && std::strtod(xs[r].text.c_str(), nullptr) == 0.0;
        EXPECT_EQ(metadataValue(file.get(), static_cast<int>(r) + 1, TimeId), timeIsMissing ? Missing : hours(xs[r].text))
            << "record " << r + 1;
    }
}

TEST_P(NasaFixture, FirstAndLastRecordHoldTheExpectedValues) {
    const int n = ZARFreadRecordCount(file.get());
    expectRecord(1, (*e)["first_record"]);
    expectRecord(n, (*e)["last_record"]);
    if (ffi == 2110) {
        const Json& sizes = (*e)["points_per_record"];
        for (int r = 1; r <= n; ++r)
            EXPECT_EQ(ZARFreadRecordSize(file.get(), r), sizes[static_cast<size_t>(r) - 1].integer()) << r;
    }
}

TEST_P(NasaFixture, MissingValuesFollowTheRuleOfTheFormatIndex) {
    const Json& x = (*e);
    const auto& t = tablesOf(file.get());
    if (ffi == 1001) {
        // FFI 1001 counts a value missing also when it equals the missing-value text as a number.
        const Json& counts = x["missing_counts_per_variable_numeric"];
        for (size_t k = 0; k < counts.items.size(); ++k) {
            long missing = 0;
            for (const auto& row : t.a) missing += row[k + 1] == Missing ? 1 : 0;
            EXPECT_EQ(missing, counts[k].integer()) << "variable " << k + 1;
        }
        EXPECT_EQ(t.a.front()[1], deliveredValue(x["v1_over_records_first"], true));
        EXPECT_EQ(t.a.back()[1], deliveredValue(x["v1_over_records_last"], true));
        EXPECT_EQ(ZARFreadRecordSize(file.get(), 1), 0);
        EXPECT_STREQ(ZARFlastError(file.get()), "this operation is not supported with this filetype");
        return;
    }
    // The other indices count only the exact text: V1 of the first and the last record.
    for (const char* which : {"first_record", "last_record"}) {
        const Json& r = x[which];
        const int record = std::string(which) == "first_record" ? 1 : ZARFreadRecordCount(file.get());
        const std::vector<float> v1 = depValues(file.get(), record);
        EXPECT_EQ(std::count(v1.begin(), v1.end(), Missing), r["v1_missing_count_exact_text"].integer()) << which;
    }
}

TEST_P(NasaFixture, OffersTheFieldsItsVariableNamesIdentifyWithTheirDescriptions) {
    const Json& x = (*e);
    const std::vector<std::pair<int, int>>& expected = OfferedByFixture.at(GetParam());
    const auto offered = offeredFields(file.get(), 1);
    ASSERT_EQ(offered.size(), expected.size());
    const Json& names = ffi == 1001 ? x["vnames"] : x["anames"];
    const std::vector<float>& row = tablesOf(file.get()).a.front();
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto [id, column] = expected[i];
        SCOPED_TRACE("field " + std::to_string(id));
        EXPECT_EQ(offered[i].first, id);
        EXPECT_EQ(offered[i].second, row[static_cast<size_t>(column)]);
        const std::string name = column == 0 ? "Time" : names[static_cast<size_t>(column) - 1].text;
        EXPECT_EQ(metadataText(file.get(), 1, id, 2), name);
        EXPECT_EQ(metadataText(file.get(), 1, id, 4), "n/a");
    }
    EXPECT_EQ(metadataText(file.get(), 1, TimeId, 1), "timeHHMMSS");
    EXPECT_EQ(metadataText(file.get(), 1, TimeId, 3), "Time in hours GMT");
}

TEST_P(NasaFixture, PrimaryVariablesAreNamedFromTheHeader) {
    const Json& x = (*e);
    const int expectedCount =
        ffi == 1001 ? 0 : static_cast<int>(x["vnames"].items.size()) + (ffi == 1020 ? 0 : 1);
    ASSERT_EQ(ZARFqueryMaxDataCount(file.get()), expectedCount);
    if (ffi == 1001) return;
    const int first = ffi == 1020 ? 1 : 2;
    for (size_t k = 0; k < x["vnames"].items.size(); ++k)
        EXPECT_EQ(dataText(file.get(), first + static_cast<int>(k), 2), x["vnames"][k].text);
    if (ffi != 1020) {
        EXPECT_EQ(dataText(file.get(), 1, 1), x["xname"][0].text);
        EXPECT_EQ(dataText(file.get(), 1, 3), x["xname"][0].text);
    }
}

std::string fixtureTestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name)
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(External, NasaFixture,
                         ::testing::Values("1001.na", "1001a.na", "OM_20200304_591_CPT_MUC_V01_valid0.txt",
                                           "1020a.na", "1020b.na", "2010a.na", "2010GH.na", "2110.na",
                                           "2110GH.na"),
                         fixtureTestName);

// ---- Files the tests write ----------------------------------------------------------------

class NasaReader : public ::testing::Test {
protected:
    Handle open(const NasaAmesSpec& spec, const std::string& name = "test.na") {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testsupport::writeNasaAmesFile(path, spec));
        return Handle(ZARFopenFileReadable(path.c_str()));
    }
    Handle openText(const std::string& text, const std::string& name = "test.na") {
        const std::string path = dir.file(name);
        testsupport::writeFile(path, text);
        return Handle(ZARFopenFileReadable(path.c_str()));
    }
    // The failure text of opening text directly with the NASA Ames driver (no probing).
    std::string openFailure(const std::string& text) {
        const std::string path = dir.file("direct.na");
        testsupport::writeFile(path, text);
        lastGenericError = nullptr;
        fileHANDLE h = NASA_Methods.openFileReadable(path.c_str());
        EXPECT_EQ(h, nullptr);
        if (h != nullptr) {
            ZARFFILE* f = newZARFFILE(&NASA_Methods, path.c_str(), h);
            NASA_Methods.closeFile(f);
            deleteZARFFILE(f);
        }
        return lastGenericError == nullptr ? "(none)" : lastGenericError;
    }

    testsupport::TempDir dir;
};

NasaAmesSpec spec1020() {
    NasaAmesSpec s;
    s.ffi = 1020;
    s.dx = "5";
    s.nvpm = 3;
    s.xNames = {"Altitude (km)"};
    s.primary = {NasaVariable{"2", "-9999", "Ozone"}, NasaVariable{"1", "-9999", "Water"}};
    s.aux = {NasaVariable{"1", "-9999", "Latitude"}};
    s.data = "10 45\n1 -9999 -9999.0\n4 5 6\n20 46\n7 8 9\n10 11 12\n";
    return s;
}

NasaAmesSpec spec2010() {
    NasaAmesSpec s;
    s.ffi = 2010;
    s.dx = "10 30";
    s.nx = 3;
    s.boundedValues = {"500", "510", "520"};
    s.xNames = {"Wavenumber (cm-1)", "Time (seconds)"};
    s.primary = {NasaVariable{"0.5", "-9999", "Radiance"}};
    s.aux = {NasaVariable{"1", "-9999", "Latitude"}};
    s.data = "0 45\n2 4 6\n30 46\n8 10 -9999\n";
    return s;
}

NasaAmesSpec spec2110() {
    NasaAmesSpec s;
    s.ffi = 2110;
    s.dx = "0 0";
    s.xNames = {"Altitude (m)", "Time (seconds)"};
    s.primary = {NasaVariable{"0.1", "99", "Temperature"}};
    s.aux = {NasaVariable{"1", "-1", "Point count"}, NasaVariable{"1", "-9999", "Roll"}};
    s.data = "3600 2 5\n100 10 extra\n200 20\n7200 1 6\n300 30\n";
    return s;
}

TEST_F(NasaReader, RecognisesALineCountAndASupportedFormatIndexOnly) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"5 1001\n", 1}, {"5 1020\n", 1}, {"5 2010\n", 1}, {"5 2110\n", 1}, {"\n  -3\t2110 extra\n", 1},
        {"0 1001\n", 0}, {"5 3010\n", 0}, {"5 1001.5\n", 1}, {"5\n", 0}, {"five 1001\n", 0},
        {"99999999999 1001\n", 0}, {"", 0},
    };
    for (const auto& [text, recognised] : cases) {
        const std::string path = dir.file("probe.na");
        testsupport::writeFile(path, text);
        EXPECT_EQ(NASA_Methods.isFileReadable(path.c_str()), recognised) << '"' << text << '"';
    }
    EXPECT_EQ(NASA_Methods.isFileReadable(dir.file("absent.na").c_str()), 0);
}

TEST_F(NasaReader, IsProbedBeforeRgdAndMlt) {
    // A ".dat" name would be claimed by the MLT driver if NASA Ames were not asked first.
    const std::string path = dir.file("flight.dat");
    ASSERT_TRUE(testsupport::writeMinimalNasaAmesFile(path));
    Handle f(ZARFopenFileReadable(path.c_str()));
    ASSERT_NE(f, nullptr) << ZARFlastError(nullptr);
    EXPECT_EQ(f->method, &NASA_Methods);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 2);
}

TEST_F(NasaReader, OpenFailuresSayWhy) {
    const std::string full = testsupport::nasaAmesText(testsupport::minimalNasaAmesSpec());
    EXPECT_EQ(openFailure("12\n"), "filename did not correspond to a readable file");
    EXPECT_EQ(openFailure("12 3010\n1\n2\n3\n4\n5\n6\n"), "filetype requested is not supported");
    // The line holding NV is cut to a word.
    std::string noCount = full;
    noCount.replace(noCount.find("\n1\n0.1") + 1, 1, "one");
    EXPECT_EQ(openFailure(noCount), "file is incomplete");
    NasaAmesSpec negative = testsupport::minimalNasaAmesSpec();
    negative.primary.clear();
    std::string negativeText = testsupport::nasaAmesText(negative);
    negativeText.replace(negativeText.find("Time (seconds)\n0\n") + 15, 1, "-2");
    EXPECT_EQ(openFailure(negativeText), "file is incomplete");
    NasaAmesSpec noAux = spec2110();
    noAux.aux.clear();
    EXPECT_EQ(openFailure(testsupport::nasaAmesText(noAux)), "file has no auxiliary variable holding the point count");
    EXPECT_EQ(openFailure(""), "filename did not correspond to a readable file");
    lastGenericError = nullptr;
    EXPECT_EQ(NASA_Methods.openFileReadable(dir.file("absent.na").c_str()), nullptr);
    EXPECT_STREQ(lastGenericError, "filename did not correspond to a readable file");
}

TEST_F(NasaReader, PlainNasaAmesFilesOfAVariantNotReadAreRefusedWithTheVariantNamed) {
    const std::string full = testsupport::nasaAmesText(testsupport::minimalNasaAmesSpec());
    const std::string body = full.substr(full.find('\n'));
    const auto withFirstLine = [&body](const std::string& first) { return first + body; };
    const auto index = [](const char* ffi) {
        return std::string("unsupported NASA Ames file format index ") + ffi + " (1001, 1020, 2010 and 2110 are read)";
    };
    const std::string commas =
        "unsupported NASA Ames variant: comma-separated values (values separated by blanks are read)";
    std::string commaDates = withFirstLine("14, 1001, V02_2016");
    commaDates.replace(commaDates.find("1 1\n"), 4, "1, 1\n");
    commaDates.replace(commaDates.find("2024 01 02 2024 01 03"), 21, "2024, 01, 02, 2024, 01, 03");
    std::string crlf = withFirstLine("14 2160");
    for (size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2)) crlf.insert(at, "\r");
    const struct {
        const char* what;
        std::string text;
        std::string failure;
    } cases[] = {
        {"index 1010", withFirstLine("14 1010"), index("1010")},
        {"index 2160", withFirstLine("14 2160"), index("2160")},
        {"index 4010", withFirstLine("\t14\t4010  "), index("4010")},
        {"index 2101", withFirstLine("14 2101"), index("2101")},
        {"CRLF line ends", crlf, index("2160")},
        {"comma-separated", withFirstLine("14,1001"), commas},
        {"comma-separated throughout", commaDates, commas},
        {"comma-separated, index not read", withFirstLine("14, 3010"), index("3010")},
        // Not plainly NASA Ames: nothing claims them.
        {"one line", "5 3010\n", "filetype is unknown"},
        {"a line count below 7", withFirstLine("6 2160"), "filetype is unknown"},
        {"no four-digit index", withFirstLine("14 999"), "filetype is unknown"},
        {"more on line 1", withFirstLine("14 2160 x"), "filetype is unknown"},
        {"a comma only after the index", withFirstLine("14 2160,x"), "filetype is unknown"},
        {"no dates on line 7", [&] {
             std::string t = withFirstLine("14 2160");
             t.replace(t.find("2024 01 02 2024 01 03"), 21, "January 2024");
             return t;
         }(), "filetype is unknown"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file("variant.txt");
        testsupport::writeFile(path, c.text);
        lastGenericError = nullptr;
        EXPECT_EQ(ZARFopenFileReadable(path.c_str()), nullptr) << c.what;
        EXPECT_STREQ(ZARFlastError(nullptr), c.failure.c_str()) << c.what;
    }
    // The variants read are still read, whatever their name and whatever follows a comma
    // after the index.
    for (const std::string& text : {full, withFirstLine("14 1001,V2")}) {
        Handle f = openText(text, "flight.dat");
        ASSERT_NE(f, nullptr) << ZARFlastError(nullptr);
        EXPECT_EQ(f->method, &NASA_Methods);
        EXPECT_EQ(ZARFreadRecordCount(f.get()), 2);
    }
}

// Found by fuzzing: an FFI 1020 file that declares no primary variable has records without
// vectors, and reading its default dependent column indexed past them.
TEST_F(NasaReader, Ffi1020WithoutPrimaryVariablesHasNoValuesToRead) {
    NasaAmesSpec s = spec1020();
    s.primary.clear();
    s.data = "10 45\n20 46\n";
    Handle f = open(s);
    ASSERT_NE(f, nullptr) << ZARFlastError(nullptr);
    ASSERT_EQ(ZARFreadRecordCount(f.get()), 2);
    std::vector<float> values(8, -1.0F);
    EXPECT_EQ(ZARFreadDepValues(f.get(), 1, values.data(), 8), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "data requested is unavailable");
    EXPECT_EQ(values[0], -1.0F);
}

TEST_F(NasaReader, Ffi1001TimeZeroAndNumericallyEqualFlagsAreMissing) {
    NasaAmesSpec s = testsupport::minimalNasaAmesSpec();
    s.data = "0 1\n3600 -9999\n7200 -9999.0\n10800 -9.999e3\n14400 -99990e-1x\n18000 12\n";
    Handle f = open(s);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ZARFreadRecordCount(f.get()), 6);
    const auto& rows = tablesOf(f.get()).a;
    EXPECT_EQ(rows[0][0], Missing);  // 0 equals atof of the time column's missing text
    EXPECT_EQ(rows[1][0], 1.0f);
    for (size_t r = 1; r <= 4; ++r) EXPECT_EQ(rows[r][1], Missing) << r;
    EXPECT_EQ(rows[5][1], static_cast<float>(12 * 0.1));
    EXPECT_EQ(rows[5][0], 5.0f);
}

TEST_F(NasaReader, Ffi1020CountsOnlyTheExactTextAsMissingAndNumbersItsPoints) {
    Handle f = open(spec1020());
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ZARFreadRecordCount(f.get()), 2);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 3);
    EXPECT_EQ(depValues(f.get(), 1), (std::vector<float>{2.0f, Missing, -19998.0f}));
    EXPECT_EQ(indValues(f.get(), 1), (std::vector<float>{1.0f, 2.0f, 3.0f}));
    ASSERT_EQ(ZARFselectData(f.get(), 2, 2), 1);
    EXPECT_EQ(depValues(f.get(), 2), (std::vector<float>{10.0f, 11.0f, 12.0f}));
    ASSERT_EQ(ZARFselectData(f.get(), 1, 1), 1);
    EXPECT_EQ(indValues(f.get(), 2), (std::vector<float>{14.0f, 16.0f, 18.0f}));
    double wide[4] = {};
    EXPECT_EQ(ZARFreadIndValuesDouble(f.get(), 2, wide, 4), 3);
    EXPECT_EQ(wide[2], 18.0);
    EXPECT_EQ(metadataValue(f.get(), 2, FIELD_Latitude), 46.0f);
    EXPECT_EQ(metadataValue(f.get(), 2, TimeId), static_cast<float>(20 * (1.0 / 3600.0)));
}

TEST_F(NasaReader, Ffi1020SkipsTheRestOfEachVectorsLine) {
    NasaAmesSpec s = spec1020();
    s.data = "10 45\n1 2 3 4 5\n4 5 6 junk\n20 46\n7 8 9\n10 11 12\n";
    Handle f = open(s);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ZARFreadRecordCount(f.get()), 2);
    EXPECT_EQ(metadataValue(f.get(), 2, FIELD_Latitude), 46.0f);
}

TEST_F(NasaReader, Ffi2010ShowsTheBoundedGridAgainstV1ByDefault) {
    Handle f = open(spec2010());
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ZARFreadRecordCount(f.get()), 2);
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 2);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 2), 3);
    EXPECT_EQ(depValues(f.get(), 2), (std::vector<float>{500.0f, 510.0f, 520.0f}));
    EXPECT_EQ(indValues(f.get(), 2), (std::vector<float>{4.0f, 5.0f, Missing}));
    EXPECT_EQ(dataText(f.get(), 1, 2), "Wavenumber (cm-1)");
    EXPECT_EQ(dataText(f.get(), 2, 2), "Radiance");
    EXPECT_EQ(dataText(f.get(), 2, 3), "(none)");
    // The other orientation is one selection away.
    ASSERT_EQ(ZARFselectData(f.get(), 1, 1), 1);
    ASSERT_EQ(ZARFselectData(f.get(), 2, 2), 1);
    EXPECT_EQ(indValues(f.get(), 2), (std::vector<float>{500.0f, 510.0f, 520.0f}));
    EXPECT_EQ(depValues(f.get(), 2), (std::vector<float>{4.0f, 5.0f, Missing}));
}

TEST_F(NasaReader, WithoutPrimaryVariablesBothAxesShowTheBoundedVariable) {
    NasaAmesSpec s2010 = spec2010();
    s2010.primary.clear();
    s2010.data = "0 45\n30 46\n";
    NasaAmesSpec s2110 = spec2110();
    s2110.primary.clear();
    s2110.data = "3600 2 5\n100\n200\n7200 1 6\n300\n";
    struct Case {
        const char* name;
        NasaAmesSpec spec;
        std::vector<float> bounded;
    };
    for (const Case& c : {Case{"2010", s2010, {500.0f, 510.0f, 520.0f}}, Case{"2110", s2110, {100.0f, 200.0f}}}) {
        Handle f = open(c.spec);
        ASSERT_NE(f, nullptr) << c.name << ": " << ZARFlastError(nullptr);
        EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 1) << c.name;
        EXPECT_EQ(indValues(f.get(), 1), c.bounded) << c.name;
        EXPECT_EQ(depValues(f.get(), 1), c.bounded) << c.name;
    }
}

TEST_F(NasaReader, Ffi2010GeneratesUngivenGridValuesFromTheIncrement) {
    NasaAmesSpec s = spec2010();
    s.nx = 4;
    s.boundedValues = {"500", "510"};
    s.data = "0 45\n2 4 6 8\n";
    Handle f = open(s);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(depValues(f.get(), 1), (std::vector<float>{500.0f, 510.0f, 520.0f, 530.0f}));
    s.dx = "0 30";  // no increment: the ungiven values cannot be known
    EXPECT_EQ(open(s), nullptr);
    EXPECT_STREQ(ZARFlastError(nullptr), "file is incomplete");
    s.dx = "10 30";
    s.boundedValues = {"500", "510", "520", "530", "540", "550"};  // more than NX: the first NX
    Handle g = open(s);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(depValues(g.get(), 1), (std::vector<float>{500.0f, 510.0f, 520.0f, 530.0f}));
}

TEST_F(NasaReader, Ffi2010DropsALastRecordThatEndsTheFileWithoutALineEnd) {
    NasaAmesSpec s = spec2010();
    s.data = "0 45\n2 4 6\n30 46\n8 10 12";
    Handle f = open(s);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 1);
    s.data += " ";
    Handle g = open(s);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(g.get()), 2);
}

TEST_F(NasaReader, Ffi2110ReadsThePointCountFromTheFirstAuxiliaryValue) {
    NasaAmesSpec s = spec2110();
    Handle f = open(s);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ZARFreadRecordCount(f.get()), 2);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 2);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 2), 1);
    // By default the bounded variable against V1.
    EXPECT_EQ(depValues(f.get(), 1), (std::vector<float>{100.0f, 200.0f}));
    EXPECT_EQ(indValues(f.get(), 1), (std::vector<float>{1.0f, 2.0f}));
    EXPECT_EQ(metadataValue(f.get(), 2, FIELD_Roll), 6.0f);
    // No final line end: the last record is still whole.
    s.data.pop_back();
    Handle g = open(s);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(g.get()), 2);
    EXPECT_EQ(indValues(g.get(), 2), (std::vector<float>{3.0f}));
}

TEST_F(NasaReader, RecordsCutByTheEndOfTheFileAreDropped) {
    NasaAmesSpec s = spec2110();
    s.data = "3600 2 5\n100 10\n200 20\n7200 3 6\n300 30\n";  // promises 3 points, holds 1
    Handle f = open(s);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 1);
    NasaAmesSpec t = spec1020();
    t.data = "10 45\n1 2 3\n4 5 6\n20 46\n7 8 9\n10 11\n";
    Handle g = open(t);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(g.get()), 1);
    NasaAmesSpec u = testsupport::minimalNasaAmesSpec();
    u.data = "3600 1\n7200\n";
    Handle h = open(u);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(h.get()), 1);
}

TEST_F(NasaReader, DictionaryPicksTheFirstMatchingPatternInOrder) {
    NasaAmesSpec s = spec1020();
    s.aux = {NasaVariable{"1", "-1", "Static Pressure (mb)"}, NasaVariable{"1", "-1", "Pressure Altitude (km) of ER-2, PALT"},
             NasaVariable{"1", "-1", "Static Temperature (K)"}, NasaVariable{"1", "-1", "Latitude (deg)"},
             NasaVariable{"1", "-1", "GPS latitude"}, NasaVariable{"1", "-1", "Ozone"},
             NasaVariable{"1", "-1", "N2O  Volume Mixing Ratio"}};
    s.data = "10 1 2 3 4 5 6 7\n1 2 3\n4 5 6\n";
    Handle f = open(s);
    ASSERT_NE(f, nullptr);
    const std::vector<std::pair<int, float>> expected = {
        {TimeId, static_cast<float>(10 * (1.0 / 3600.0))}, {FIELD_atmosphericPressure, 1.0f}, {FIELD_Altitude, 2.0f},
        {0x800D, 3.0f}, {FIELD_Latitude, 4.0f}, {FIELD_Latitude, 5.0f}, {0xB800A, 7.0f}};
    EXPECT_EQ(offeredFields(f.get(), 1), expected);
    EXPECT_EQ(ZARFqueryMaxMetadataCount(f.get(), 1), 8);
    EXPECT_EQ(metadataText(f.get(), 1, FIELD_Altitude, 1), "Altitude");
    EXPECT_EQ(metadataText(f.get(), 1, 0x800D, 1), "atmosphericTemperature");
    EXPECT_EQ(metadataText(f.get(), 1, 0xB800A, 2), "N2O  Volume Mixing Ratio");
    // Both latitude columns are registered under one id; a lookup finds the later one.
    EXPECT_EQ(metadataValue(f.get(), 1, FIELD_Latitude), 5.0f);
}

TEST_F(NasaReader, EveryDictionaryEntryOffersItsFieldUnderItsName) {
    struct Case {
        const char* variable;
        int id;
        const char* fieldName;
    };
    const std::vector<Case> cases = {
        {"INVALID FIELD", FIELD_timeHHMMSS, "timeHHMMSS"},
        {"GOES cloud top", FIELD_rawTimeHHMMSS, "rawTimeHHMMSS"},
        {"UT time", FIELD_timeHHMMSS, "timeHHMMSS"},
        {"Horizon Brightness Temperature (K)", 0xB8006, "horizonBrightnessTemp"},
        {"Tropopause (km)", 0xB8007, "tropopause"},
        {"Pressure altitude whose temperature is closest to ice production (km)", 0xB8008,
         "pressureAltitudeICEproduction"},
        {"Ice saturation temp minus air temp, for above altitude, assuming 4 ppmv H2O", 0xB8009, "saturationTempICE"},
        {"Atmospheric temperature (K) below aircraft", 0x18004A, "atmosphericTemperatureBelowAC"},
        {"Ozone transmittance", 0x18004B, "ozoneTransmittance"},
        {"Surface brightness temp", 0x18004C, "surfaceBrightnessTemp"},
        {"Skin temperature", 0x180049, "tSkin"},
        {"Aircraft pressure", FIELD_atmosphericPressure, "atmosphericPressure"},
        {"Longitude", FIELD_Longitude, "Longitude"},
        {"Heading", FIELD_Heading, "Heading"},
        {"Pitch", FIELD_Pitch, "Pitch"},
        {"Roll", FIELD_Roll, "Roll"},
        {"True air speed", 0x8010, "Speed"},
        {"CO2 volume mixing ratio", 0xB8001, "CO2mixingRatioPPM"},
        {"H2O volume mixing ratio", 0xB8002, "H2OmixingRatioPPM"},
        {"Static temperature", 0x800D, "atmosphericTemperature"},
        {"Horizontal E-W wind speed", 0xB8003, "horizontalEWwindSpeed"},
        {"Horizontal N-S wind speed", 0xB8004, "horizontalNSwindSpeed"},
        {"Vertical wind speed", 0xB8005, "verticalWindSpeed"},
        {"CH4  volume mixing ratio", 0xB800B, "CH4mixingRatioPPM"},
        {"NO2 volume mixing ratio", 0xB800C, "NO2mixingRatioPPM"},
        {"HCl  volume mixing ratio", 0xB800D, "HClMixingRatioPPM"},
        {"CO  volume mixing ratio", 0xB800E, "COmixingRatioPPM"},
        {"N2O volume mixing ratio", 0, ""},  // one blank: the pattern has two
        {"X", 0, ""},
    };
    for (const Case& c : cases) {
        NasaAmesSpec s = spec1020();
        s.aux = {NasaVariable{"1", "-1", c.variable}};
        s.data = "0 7\n1 2 3\n4 5 6\n";
        Handle f = open(s);
        ASSERT_NE(f, nullptr) << c.variable;
        const auto offered = offeredFields(f.get(), 1);
        if (c.id == 0) {
            EXPECT_EQ(offered.size(), 1u) << c.variable;
            continue;
        }
        ASSERT_EQ(offered.size(), 2u) << c.variable;
        EXPECT_EQ(offered[1], std::make_pair(c.id, 7.0f)) << c.variable;
        EXPECT_EQ(metadataText(f.get(), 1, c.id, 1), c.fieldName) << c.variable;
    }
}

TEST_F(NasaReader, MetadataRequestsAnswerPerRequestAndNegateWhatIsNotThere) {
    Handle f = open(spec1020());
    ASSERT_NE(f, nullptr);
    int requests[] = {0x8010, Wildcard, FIELD_Latitude, Wildcard, Wildcard, INT_MIN, -0x8010};
    float values[7] = {};
    EXPECT_EQ(ZARFreadRealMetadata(f.get(), 1, requests, 7, values), 3);
    EXPECT_EQ(requests[0], -0x8010);
    // INT_MIN has no negation and stays; any other unknown id is negated, whatever its sign.
    EXPECT_EQ(requests[5], INT_MIN);
    EXPECT_EQ(requests[6], 0x8010);
    EXPECT_EQ(requests[1], TimeId);
    EXPECT_EQ(requests[2], FIELD_Latitude);
    EXPECT_EQ(requests[3], FIELD_Latitude);
    EXPECT_EQ(requests[4], -Wildcard);
    EXPECT_EQ(values[2], 45.0f);
    EXPECT_EQ(values[3], 45.0f);
    EXPECT_EQ(ZARFreadRealMetadata(f.get(), 0, requests, 1, values), -1);
    EXPECT_STREQ(ZARFlastError(f.get()), "record requested is unavailable");
    EXPECT_EQ(ZARFreadRealMetadata(f.get(), 3, requests, 1, values), -1);
    EXPECT_EQ(ZARFqueryMaxMetadataCount(f.get(), 3), 0);
}

TEST_F(NasaReader, DescriptionsByTypeAndTheirFailures) {
    Handle f = open(spec2010());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(metadataText(f.get(), 1, FIELD_Latitude, 1), "Latitude");
    EXPECT_EQ(metadataText(f.get(), 1, FIELD_Latitude, 2), "Latitude");
    EXPECT_EQ(metadataText(f.get(), 1, FIELD_Latitude, 3), "(none)");
    EXPECT_EQ(metadataText(f.get(), 1, FIELD_Latitude, 5), "n/a");
    EXPECT_EQ(metadataText(f.get(), 1, FIELD_Latitude, 6), "(none)");
    EXPECT_STREQ(ZARFlastError(f.get()), "description type requested is bad or unavailable");
    EXPECT_EQ(metadataText(f.get(), 1, FIELD_atmosphericPressure, 1), "(none)");
    EXPECT_STREQ(ZARFlastError(f.get()), "field provided is bad or unavailable");
    EXPECT_EQ(metadataText(f.get(), 9, TimeId, 1), "(none)");
    EXPECT_EQ(dataText(f.get(), 1, 3), "Wavenumber (cm-1)");
    EXPECT_EQ(dataText(f.get(), 1, 4), "n/a");
    EXPECT_EQ(dataText(f.get(), 3, 1), "(none)");
    EXPECT_EQ(dataText(f.get(), 1, 0), "(none)");
    EXPECT_STREQ(ZARFlastError(f.get()), "description type requested is bad or unavailable");
    // A bounded copy: a full buffer is not terminated and nothing past it is touched.
    char text[8];
    std::memset(text, '#', sizeof text);
    ASSERT_EQ(ZARFreadDataStringDesc(f.get(), 1, 2, text, 4), 1);
    EXPECT_EQ(std::string(text, 8), "Wave####");
}

TEST_F(NasaReader, SelectionAndDataTypeQueries) {
    NasaAmesSpec s = spec2110();
    s.primary.assign(4, NasaVariable{"1", "99", "V"});
    s.data = "3600 1 5\n100 1 2 3 4\n";
    Handle f = open(s);
    ASSERT_NE(f, nullptr);
    int types[3] = {0, 0, -7};
    EXPECT_EQ(ZARFqueryDataTypes(f.get(), types, 2), 5);
    EXPECT_EQ(types[0], 1);
    EXPECT_EQ(types[1], 2);
    EXPECT_EQ(types[2], -7);
    EXPECT_EQ(ZARFqueryDataTypes(f.get(), nullptr, 2), 5);
    EXPECT_EQ(ZARFselectData(f.get(), 2, 6), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "data requested is unavailable");
    EXPECT_EQ(ZARFselectData(f.get(), 2, 0), 0);
    EXPECT_EQ(ZARFselectData(f.get(), 3, 5), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "requested axis cannot be changed");
    ASSERT_EQ(ZARFselectData(f.get(), 2, 5), 1);
    EXPECT_EQ(depValues(f.get(), 1), (std::vector<float>{4.0f}));
}

TEST_F(NasaReader, Ffi1001OffersNoDataVectors) {
    Handle f = open(testsupport::minimalNasaAmesSpec());
    ASSERT_NE(f, nullptr);
    float v[4] = {};
    EXPECT_EQ(ZARFreadDepValues(f.get(), 1, v, 4), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "this operation is not supported with this filetype");
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 0);
    float lo = 0, hi = 0, step = 0;
    EXPECT_EQ(ZARFreadIndDomain(f.get(), 1, &lo, &hi, &step), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "filetype requested is not supported");
    EXPECT_EQ(ZARFselectData(f.get(), 2, 1), 0);
    EXPECT_EQ(metadataValue(f.get(), 2, FIELD_atmosphericPressure), Missing);
}

TEST_F(NasaReader, OverlongNameLinesAndTokensAreCutNotOverrun) {
    NasaAmesSpec s = spec1020();
    const std::string longName = "Latitude " + std::string(5000, 'n');
    const std::string longMissing(3000, '9');
    s.aux = {NasaVariable{"1", longMissing, longName}};
    s.normalComments = {std::string(10000, 'c')};
    s.data = "10 " + longMissing + "\n1 2 3\n4 5 6\n20 " + std::string(2000, '7') + "\n7 8 9\n10 11 12\n";
    Handle f = open(s);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ZARFreadRecordCount(f.get()), 2);
    EXPECT_EQ(tablesOf(f.get()).field[1].nameFromFile, longName.substr(0, 1023));
    EXPECT_EQ(metadataValue(f.get(), 1, FIELD_Latitude), Missing);  // both texts cut alike
    EXPECT_EQ(metadataValue(f.get(), 2, FIELD_Latitude), std::numeric_limits<float>::infinity());
    EXPECT_EQ(depValues(f.get(), 2), (std::vector<float>{14.0f, 16.0f, 18.0f}));
}

// ---- Hostile input -------------------------------------------------------------------------

// Calls every operation on every record (and one past the end) of an open file.
void exerciseEverything(ZARFFILE* f) {
    const int n = ZARFreadRecordCount(f);
    const int types = ZARFqueryMaxDataCount(f);
    for (int r = 0; r <= n + 1; ++r) {
        for (int t = 1; t <= types; ++t) {
            ZARFselectData(f, 1, t);
            ZARFselectData(f, 2, types + 1 - t);
            depValues(f, r);
            indValues(f, r);
            dataText(f, t, 2);
        }
        for (const auto& [id, value] : offeredFields(f, r)) metadataText(f, r, id, 1);
    }
}

TEST_F(NasaReader, EveryTruncationOfEveryFormatIndexIsHandled) {
    for (const NasaAmesSpec& s : {testsupport::minimalNasaAmesSpec(), spec1020(), spec2010(), spec2110()}) {
        const std::string full = testsupport::nasaAmesText(s);
        int opened = 0;
        for (size_t cut = 0; cut <= full.size(); ++cut) {
            const std::string path = dir.file("cut.na");
            testsupport::writeFile(path, full.substr(0, cut));
            lastGenericError = nullptr;
            fileHANDLE h = NASA_Methods.openFileReadable(path.c_str());
            if (h == nullptr) {
                ASSERT_NE(lastGenericError, nullptr) << s.ffi << " cut at " << cut;
                continue;
            }
            ++opened;
            ZARFFILE* f = newZARFFILE(&NASA_Methods, path.c_str(), h);
            ASSERT_NE(f, nullptr);
            EXPECT_LE(ZARFreadRecordCount(f), 2);
            exerciseEverything(f);
            NASA_Methods.closeFile(f);
            deleteZARFFILE(f);
        }
        EXPECT_GT(opened, 0) << s.ffi;
    }
}

TEST_F(NasaReader, AbsurdCountsAreRefusedOrReadWithoutHugeAllocations) {
    const auto withCount = [](NasaAmesSpec s, const std::string& from, const std::string& to) {
        std::string text = testsupport::nasaAmesText(s);
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    // Counts that the rest of the file cannot hold refuse the open.
    EXPECT_EQ(openFailure(withCount(spec1020(), "\n3\nAltitude", "\n2147483647\nAltitude")), "file is incomplete");
    EXPECT_EQ(openFailure(withCount(spec1020(), "\n2\n2 1", "\n999999999999999999999\n2 1")), "file is incomplete");
    EXPECT_EQ(openFailure(withCount(spec2010(), "\n3\n3\n", "\n3\n-3\n")), "file is incomplete");
    EXPECT_EQ(openFailure(withCount(spec2010(), "\n3\n3\n", "\n4000000000\n3\n")), "file is incomplete");
    // Comment counts past the end of the file.
    EXPECT_EQ(openFailure(withCount(spec1020(), "\n0\n0\n10 45", "\n0\n99999999999999999999\n10 45")),
              "file is incomplete");
    // A 2110 point count far beyond the data drops the record; a negative one gives no points.
    NasaAmesSpec s = spec2110();
    s.data = "3600 99999999999999999999 5\n100 10\n";
    Handle f = open(s);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 0);
    s.data = "3600 -4 5\n7200 1 6\n300 30\n";
    Handle g = open(s);
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(ZARFreadRecordCount(g.get()), 2);
    EXPECT_EQ(ZARFreadRecordSize(g.get(), 1), 0);
    EXPECT_EQ(depValues(g.get(), 1), std::vector<float>{});
    EXPECT_EQ(indValues(g.get(), 2), std::vector<float>{3.0f});
}

// ---- rgddump on a real file ------------------------------------------------------------------

class NasaRgddump : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(FixtureDir / "2010GH.na"))
            GTEST_SKIP() << "the external NASA Ames fixtures are not present at " << FixtureDir;
    }
    int run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return dump::runRgddump(args, out, err);
    }
    const std::string path = (FixtureDir / "2010GH.na").string();
    std::ostringstream out;
    std::ostringstream err;
    testsupport::TempDir dir;
};

TEST_F(NasaRgddump, SummaryShowsColumnsAndTheOfferedHeaderFields) {
    ASSERT_EQ(run({path}), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    const std::string s = out.str();
    EXPECT_NE(s.find("Format:   NASA Ames\n"), std::string::npos) << s;
    EXPECT_NE(s.find("Records:  3\n"), std::string::npos) << s;
    EXPECT_NE(s.find("Columns:  4\n"), std::string::npos) << s;
    EXPECT_NE(s.find("  label:       Geopotential height (gpm)\n"), std::string::npos) << s;
    EXPECT_NE(s.find("  label:       Pressure levels (mb)\n"), std::string::npos) << s;
    EXPECT_NE(s.find("  points:      8 in record 1\n"), std::string::npos) << s;
    EXPECT_NE(s.find("explicit values from 250 to 10"), std::string::npos) << s;
    const std::string header =
        "Header of record 1: 2 fields\n"
        "  identifier  field name              units  label\n"
        "  32770       timeHHMMSS              n/a    Time\n"
        "  32781       atmosphericTemperature  n/a    Temperature (K) at DC-8's position\n";
    ASSERT_GE(s.size(), header.size());
    EXPECT_EQ(s.substr(s.size() - header.size()), header);
}

TEST_F(NasaRgddump, CsvGivesTheGridAndTheChosenVariable) {
    ASSERT_EQ(run({path, "--csv", "1", "--column", "2"}), 0) << err.str();
    const std::string csv = out.str();
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "wavenumber,Geopotential height (gpm)");
    EXPECT_NE(csv.find("\n250,9994\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n10,29411\n"), std::string::npos) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 9);
}

TEST_F(NasaRgddump, SvgPlotsEveryRecord) {
    const std::string svg = dir.file("gh.svg");
    ASSERT_EQ(run({path, "--svg", svg, "--records", "1-3", "--column", "3"}), 0) << err.str();
    const std::string doc = testsupport::readFile(svg);
    EXPECT_EQ(doc.rfind("<?xml", 0), 0u);
    EXPECT_NE(doc.find("Temperature (K)"), std::string::npos);
    EXPECT_NE(doc.find("</svg>"), std::string::npos);
    size_t lines = 0;
    for (size_t at = doc.find("<polyline"); at != std::string::npos; at = doc.find("<polyline", at + 1)) ++lines;
    EXPECT_EQ(lines, 3u);
}

// ---- rgddump on FFI 1001 files: records without data columns ------------------------------

class NasaRgddumpFieldsOnly : public NasaRgddump {
protected:
    const std::string series = (FixtureDir / "1001.na").string();
};

TEST_F(NasaRgddumpFieldsOnly, SummaryListsTheFieldsOfTheRecords) {
    ASSERT_EQ(run({series}), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(out.str(),
              "File:     " + series +
                  "\n"
                  "Format:   NASA Ames\n"
                  "Records:  3\n"
                  "Columns:  0\n"
                  "\n"
                  "The records hold no data columns: their values are the header fields.\n"
                  "\n"
                  "Header of record 1: 2 fields\n"
                  "  identifier  field name           units  label\n"
                  "  32770       timeHHMMSS           n/a    Time\n"
                  "  32775       atmosphericPressure  n/a    Pressure (hPa)\n");
}

TEST_F(NasaRgddumpFieldsOnly, CsvWritesOneLinePerRecordWithTheTimeFirst) {
    const Json& e = expectedValues()["files"]["1001.na"];
    Handle f(ZARFopenFileReadable(series.c_str()));
    ASSERT_NE(f, nullptr);
    std::string expected = "timeHHMMSS,atmosphericPressure\n";
    for (size_t r = 0; r < e["record_x_raw"].items.size(); ++r)
        expected += dump::formatFloat(hours(e["record_x_raw"][r].text)) + "," +
                    dump::formatFloat(metadataValue(f.get(), static_cast<int>(r) + 1, FIELD_atmosphericPressure)) +
                    "\n";
    ASSERT_EQ(run({series, "--csv", "1-3"}), 0) << err.str();
    EXPECT_EQ(out.str(), expected);
    ASSERT_EQ(run({series, "--csv", "3"}), 0) << err.str();
    EXPECT_EQ(out.str(), "timeHHMMSS,atmosphericPressure\n" + expected.substr(expected.rfind('\n', expected.size() - 2) + 1));
    EXPECT_EQ(run({series, "--csv", "2-4"}), 2);  // a record the file does not have: a bad command line
    EXPECT_EQ(err.str(), "rgddump: record 4 is out of range (the file has 3 records)\n"
                         "Try 'rgddump --help' for more information.\n");
}

TEST_F(NasaRgddumpFieldsOnly, CsvLeavesAMissingValueEmptyAndAListIsOnlyForSuchFiles) {
    const std::string missing = dir.file("missing.na");
    ASSERT_TRUE(testsupport::writeMinimalNasaAmesFile(missing));  // pressure of record 2 missing
    ASSERT_EQ(run({missing, "--csv", "1,2"}), 0) << err.str();
    EXPECT_EQ(out.str(), "timeHHMMSS,atmosphericPressure\n1,1013.2\n2,\n");
    EXPECT_EQ(run({path, "--csv", "1-2"}), 1);
    EXPECT_EQ(err.str(), "rgddump: --csv writes one record of a file with data columns; '1-2' is a list (give one record)\n");
}

TEST_F(NasaRgddumpFieldsOnly, SvgPlotsAChosenFieldAgainstTheTimeOverEveryRecord) {
    struct Case {
        std::string file;
        std::vector<std::string> options;
        std::string title, xLabel;
    };
    const std::string om = (FixtureDir / "OM_20200304_591_CPT_MUC_V01_valid0.txt").string();
    const Case cases[] = {
        {series, {}, "1001.na: Pressure (hPa)", "Time in hours GMT"},
        {series, {"--column", "atmosphericPressure", "--records", "1-2"}, "1001.na: Pressure (hPa)", "Time in hours GMT"},
        {series, {"--column", "0x8002"}, "1001.na: Time in hours GMT", "Record"},
        // Only the time is offered: the time against the record number.
        {om, {}, "OM_20200304_591_CPT_MUC_V01_valid0.txt: Time in hours GMT", "Record"},
    };
    for (const Case& c : cases) {
        const std::string svg = dir.file("series.svg");
        std::vector<std::string> args = {c.file, "--svg", svg};
        args.insert(args.end(), c.options.begin(), c.options.end());
        ASSERT_EQ(run(args), 0) << c.title << ": " << err.str();
        const std::string doc = testsupport::readFile(svg);
        EXPECT_NE(doc.find(">" + c.title + "</text>"), std::string::npos) << c.title;
        EXPECT_NE(doc.find(">" + c.xLabel + "</text>"), std::string::npos) << c.title;
        EXPECT_EQ(doc.find("<polyline"), doc.rfind("<polyline")) << "one line: " << c.title;
    }
    EXPECT_EQ(run({series, "--svg", dir.file("x.svg"), "--column", "Latitude"}), 1);
    EXPECT_EQ(err.str(), "rgddump: record 1 has no header field 'Latitude'\n");
}

}  // namespace
