// One data file seen through the RAVLIO handle API the way the dump tools need it.
#include "dumplib/datafile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "dumplib/numtext.h"

namespace dump {

namespace {

constexpr int WildcardFieldId = 2000000000;
// Bounds on what a file may make the tool allocate: far above any real file, far below
// what would exhaust memory.
constexpr int MaxColumns = 4096;
constexpr int MaxFields = 100000;
constexpr int MaxPoints = 1 << 24;
// Description buffers: the library copies at most TextSize bytes, the last byte stays NUL.
constexpr int TextSize = 256;

// Why the file cannot be read at all, in the system's words; empty when it can.
std::string unreadableReason(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return std::strerror(EISDIR);
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr) return std::strerror(errno);
    std::fclose(fp);
    return {};
}

// The name handed to the library. A leading "@" asks the RGD driver to open the file for
// update; the dump tools only read, so such a name is passed as "./@...".
std::string libraryName(const std::string& path) { return !path.empty() && path[0] == '@' ? "./" + path : path; }

std::string plural(int count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// A whole decimal integer with an optional sign; empty for any other text.
std::optional<int> integerText(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (!text.empty() && text[0] == '+') ++begin;
    int value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (begin == end || result.ec != std::errc{} || result.ptr != end) return std::nullopt;
    return value;
}

}  // namespace

DumpError recordOutOfRange(int record, int recordCount) {
    return DumpError("record " + std::to_string(record) + " is out of range (the file has " +
                     plural(recordCount, "record") + ")");
}

DataFile::DataFile(const std::string& path) : path_(path) {
    const std::string reason = unreadableReason(path);
    if (!reason.empty()) throw DumpError("cannot open " + path + ": " + reason);
    file_ = ZARFopenFileReadable(libraryName(path).c_str());
    if (file_ == nullptr) {
        const char* text = ZARFlastError(nullptr);
        throw DumpError("cannot open " + path + ": " + (text != nullptr ? text : "the library gave no reason"));
    }
    selectBoundedAbscissa();
}

// The NASA Ames reader describes only the bounded independent variable X(1) with a long
// name (FFI 2010 and 2110, always their first column); the V columns and every column of
// FFI 1020 have none. That column becomes the abscissa.
void DataFile::selectBoundedAbscissa() {
    if (formatName() != "NASA Ames" || ZARFqueryMaxDataCount(file_) < 1) return;
    std::array<char, TextSize + 1> text{};
    if (ZARFreadDataStringDesc(file_, 1, 3, text.data(), TextSize) == 1) ZARFselectData(file_, 1, 1);
}

DataFile::~DataFile() { ZARFcloseFile(file_); }

std::string DataFile::lastError() const {
    const char* text = ZARFlastError(file_);
    return text != nullptr ? text : "the library gave no reason";
}

int DataFile::recordCount() const { return std::max(0, ZARFreadRecordCount(file_)); }

void DataFile::checkRecord(int record) const {
    const int count = recordCount();
    if (record < 1 || record > count) throw recordOutOfRange(record, count);
}

std::string DataFile::writerVersion() const {
    const char* text = ZARFqueryVersion(2, file_);
    if (text == nullptr) return {};
    std::string version(text);
    while (!version.empty() && (version.back() == '\n' || version.back() == '\r')) version.pop_back();
    return cleanText(version);
}

std::string DataFile::formatName() const {
    const char* name = ZARFqueryFormatName(file_);
    return name != nullptr ? name : "";
}

std::string DataFile::historyText() const {
    if (!isRgd()) return {};
    std::FILE* fp = std::fopen(path_.c_str(), "rb");
    if (fp == nullptr) return {};
    std::string text;
    char block[8192];
    size_t got = 0;
    while (text.size() < MaxHistoryBytes && (got = std::fread(block, 1, sizeof block, fp)) > 0) {
        const size_t nul = std::string_view(block, got).find('\0');
        text.append(block, nul == std::string_view::npos ? got : nul);
        if (nul != std::string_view::npos) break;
    }
    std::fclose(fp);
    if (text.size() > MaxHistoryBytes) text.resize(MaxHistoryBytes);
    return text;
}

bool DataFile::isRgd() const { return formatName() == "RGD"; }

std::string DataFile::dataText(int dataId, int type) const {
    std::array<char, TextSize + 1> text{};
    ZARFreadDataStringDesc(file_, dataId, type, text.data(), TextSize);
    return cleanText(std::string_view(text.data()));
}

std::string DataFile::fieldText(int record, int identifier, int type) const {
    std::array<char, TextSize + 1> text{};
    ZARFreadMetadataStringDesc(file_, record, identifier, type, text.data(), TextSize);
    return cleanText(std::string_view(text.data()));
}

bool DataFile::hasDataColumns() const { return ZARFqueryMaxDataCount(file_) != 0; }

std::vector<ColumnInfo> DataFile::columns() const {
    const int count = std::clamp(ZARFqueryMaxDataCount(file_), 0, MaxColumns);
    std::vector<int> types(static_cast<size_t>(std::max(count, 1)), 0);
    const int stored = count > 0 ? std::min(ZARFqueryDataTypes(file_, types.data(), count), count) : 0;
    if (stored <= 0) types.assign(1, 0);  // the single default column
    else types.resize(static_cast<size_t>(stored));
    std::vector<ColumnInfo> result;
    for (size_t k = 0; k < types.size(); ++k) {
        ColumnInfo c;
        c.number = static_cast<int>(k) + 1;
        c.dataType = types[k];
        c.shortName = dataText(c.number, 1);
        c.label = dataText(c.number, 2);
        c.longName = dataText(c.number, 3);
        c.units = dataText(c.number, 4);
        result.push_back(std::move(c));
    }
    return result;
}

ColumnInfo DataFile::findColumn(const std::string& choice) const {
    const std::vector<ColumnInfo> all = columns();
    if (const std::optional<int> number = integerText(choice)) {
        for (const ColumnInfo& c : all)
            if (c.dataType == *number) return c;
        for (const ColumnInfo& c : all)
            if (c.number == *number) return c;
    } else {
        for (const ColumnInfo& c : all)
            if (c.shortName == choice) return c;
        for (const ColumnInfo& c : all)
            if (sameIgnoringCase(c.shortName, choice)) return c;
    }
    throw DumpError("there is no column " + choice + " (the file has " +
                    plural(static_cast<int>(all.size()), "column") + ")");
}

void DataFile::selectColumn(const ColumnInfo& column) {
    if (ZARFselectData(file_, 2, column.dataType) != 0) return;
    if (column.number != column.dataType && ZARFselectData(file_, 2, column.number) != 0) return;
    throw DumpError("cannot select column " + std::to_string(column.number) + ": " + lastError());
}

int DataFile::recordSize(int record) const {
    checkRecord(record);
    return ZARFreadRecordSize(file_, record);
}

std::optional<Domain> DataFile::domain(int record) const {
    Domain d;
    if (ZARFreadIndDomainDouble(file_, record, &d.minimum, &d.maximum, &d.interval) == 0) return std::nullopt;
    return d;
}

std::vector<float> DataFile::values(int record) const {
    const int size = recordSize(record);
    const std::string which = "record " + std::to_string(record);
    if (size < 0) throw DumpError(which + " is not complete yet");
    if (size > MaxPoints)
        throw DumpError(which + " has " + std::to_string(size) + " points, more than this tool handles (" +
                        std::to_string(MaxPoints) + ")");
    if (size == 0) return {};
    std::vector<float> v(static_cast<size_t>(size));
    const int got = ZARFreadDepValues(file_, record, v.data(), size);
    if (got <= 0) throw DumpError("cannot read the values of " + which + ": " + lastError());
    v.resize(static_cast<size_t>(std::min(got, size)));
    return v;
}

std::vector<double> DataFile::abscissa(int record, size_t count) const {
    if (count == 0) return {};
    std::vector<double> x(count);
    const int got = ZARFreadIndValuesDouble(file_, record, x.data(), static_cast<int>(count));
    if (got < static_cast<int>(count))
        throw DumpError("cannot read the wavenumbers of record " + std::to_string(record) + ": " + lastError());
    return x;
}

std::vector<std::pair<int, float>> DataFile::headerValues(int record) const {
    // Record 0 lists the header layout itself, which only RGD offers; other records are
    // enumerated with wildcard requests, each answered by the next field of the header.
    if (record == 0 && !isRgd()) return {};
    const int count = std::min(ZARFqueryMaxMetadataCount(file_, record), MaxFields);
    if (count <= 0) return {};
    std::vector<int> requests(static_cast<size_t>(count), WildcardFieldId);
    std::vector<float> responses(static_cast<size_t>(count), 0.0f);
    const int result = ZARFreadRealMetadata(file_, record, requests.data(), count, responses.data());
    if (result < 0)
        throw DumpError("cannot read the header of record " + std::to_string(record) + ": " + lastError());
    std::vector<std::pair<int, float>> values;
    for (size_t i = 0; i < requests.size(); ++i)
        if (requests[i] > 0 && requests[i] != WildcardFieldId) values.emplace_back(requests[i], responses[i]);
    return values;
}

std::vector<int> DataFile::fieldIdentifiers(int record) const {
    std::vector<int> ids;
    for (const auto& [id, value] : headerValues(record)) ids.push_back(id);
    return ids;
}

std::string DataFile::abscissaText(int type) const { return dataText(-1, type); }

std::vector<FieldInfo> DataFile::fields(int record) const {
    std::vector<FieldInfo> result;
    for (int id : fieldIdentifiers(record)) result.push_back(describeField(record, id));
    return result;
}

FieldInfo DataFile::describeField(int record, int identifier) const {
    FieldInfo f;
    f.identifier = identifier;
    f.name = fieldText(record, identifier, 1);
    f.label = fieldText(record, identifier, 2);
    f.longName = fieldText(record, identifier, 3);
    f.units = fieldText(record, identifier, 4);
    return f;
}

std::vector<FieldValue> DataFile::metadata(int record, const std::vector<int>& identifiers) const {
    checkRecord(record);
    std::vector<FieldValue> result(identifiers.size());
    if (identifiers.empty()) return result;
    std::vector<int> requests = identifiers;
    std::vector<float> responses(identifiers.size(), std::nanf(""));
    const int n = static_cast<int>(identifiers.size());
    const int found = ZARFreadRealMetadata(file_, record, requests.data(), n, responses.data());
    if (found < 0)
        throw DumpError("cannot read the header of record " + std::to_string(record) + ": " + lastError());
    for (size_t i = 0; i < identifiers.size(); ++i) {
        // A request that produced no value comes back negated.
        const bool delivered = found == n || (found > 0 && identifiers[i] > 0 && requests[i] == identifiers[i]);
        if (delivered) result[i] = responses[i];
    }
    return result;
}

}  // namespace dump
