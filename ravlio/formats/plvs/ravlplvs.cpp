// The PLVS format driver: a read-only text file of vertical profiles (a title line naming
// "ZEPH" and "QX", a level count, then vectors of that many numbers with optional text
// lines between them). The file is one record whose points are the levels; each vector is
// a data type the caller selects as the independent or the dependent values.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "driver.h"
#include "formats/common.h"

namespace {

using formats::FilePtr;

using formats::MsgRecordUnavailable;
using formats::MsgBadField;
using formats::MsgDataUnavailable;
using formats::MsgAxisUnchangeable;
using formats::MsgUnsupported;
using formats::MsgWritingUnsupported;
constexpr const char* MsgNoMemory = "insufficient memory to complete the operation";

// Both must appear in the title line, case-sensitive.
constexpr std::string_view TitleMarkerZeph = "ZEPH";
constexpr std::string_view TitleMarkerQx = "QX";
// The largest level count and the most vectors: both are reported through int results.
constexpr long long LevelLimit = INT_MAX;
constexpr unsigned VectorLimit = INT_MAX;
// The file is read in pieces of this size.
constexpr size_t ReadChunk = 65536;

// The driver's state for one open file.
struct VSFile {
    std::vector<float> data;  // the vectors one after another, each nlevels values
    unsigned nlevels = 0;     // values per vector (the record's points)
    unsigned dataN = 0;       // number of complete vectors
    unsigned selectedX = 1;   // 0-based vector of the independent values
    unsigned selectedY = 0;   // 0-based vector of the dependent values
};

VSFile* vsFileOf(ZARFFILE* file) {
    if (file == nullptr || file->method != &PLOVS_Methods || file->handle == nullptr) return nullptr;
    return static_cast<VSFile*>(file->handle);
}

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isPrintable(char c) { return c >= ' ' && c <= '~'; }

// The test of the title line, fed its characters one at a time (the line feed excluded):
// printable and whitespace characters only, and both markers somewhere in the line. Only
// the last few characters are kept, so a line of any length is examined in full.
class TitleTest {
public:
    // False as soon as a character that cannot be in a title arrives.
    bool feed(char c) {
        if (!isPrintable(c) && !isWhite(c)) return false;
        tail_.push_back(c);
        if (tail_.size() > TitleMarkerZeph.size()) tail_.erase(0, 1);
        const std::string_view tail(tail_);
        zeph_ = zeph_ || tail.ends_with(TitleMarkerZeph);
        qx_ = qx_ || tail.ends_with(TitleMarkerQx);
        return true;
    }
    bool passed() const { return zeph_ && qx_; }

private:
    std::string tail_;
    bool zeph_ = false;
    bool qx_ = false;
};

// Length of the decimal number at the start of a token ("12", "-0.5", "1.2E-06"), 0 when
// the token does not begin with one.
size_t decimalLength(std::string_view token) {
    size_t i = 0;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    size_t digits = 0;
    for (; i < token.size() && isDigit(token[i]); ++i) ++digits;
    if (i < token.size() && token[i] == '.')
        for (++i; i < token.size() && isDigit(token[i]); ++i) ++digits;
    if (digits == 0) return 0;
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        size_t j = i + 1;
        if (j < token.size() && (token[j] == '+' || token[j] == '-')) ++j;
        const size_t exponentStart = j;
        while (j < token.size() && isDigit(token[j])) ++j;
        if (j > exponentStart) i = j;
    }
    return i;
}

// True when the line holds a letter that is not the exponent letter of a number beginning
// a token: such a line is text, not numbers.
bool hasLetter(std::string_view line) {
    size_t i = 0;
    while (i < line.size()) {
        if (isWhite(line[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < line.size() && !isWhite(line[end])) ++end;
        const std::string_view token = line.substr(i, end - i);
        for (size_t k = decimalLength(token); k < token.size(); ++k)
            if (isLetter(token[k])) return true;
        i = end;
    }
    return false;
}

bool isBlank(std::string_view line) {
    for (char c : line)
        if (!isWhite(c)) return false;
    return true;
}

// A reading position in the file's text.
class Cursor {
public:
    explicit Cursor(const std::string& text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }

    // Moves past the next line feed (or to the end of the text).
    void skipLine() {
        const size_t feed = text_.find('\n', pos_);
        pos_ = feed == std::string::npos ? text_.size() : feed + 1;
    }

    // The line starting here, without its line feed.
    std::string_view line() const {
        const size_t feed = text_.find('\n', pos_);
        const size_t end = feed == std::string::npos ? text_.size() : feed;
        return std::string_view(text_).substr(pos_, end - pos_);
    }

    // A decimal integer after any whitespace (line ends included): optional sign, digits.
    // Anything else reads as 0; a value beyond LevelLimit stays beyond it.
    long long readInteger() {
        skipWhite();
        bool negative = false;
        if (!atEnd() && (text_[pos_] == '+' || text_[pos_] == '-')) {
            negative = text_[pos_] == '-';
            ++pos_;
        }
        long long value = 0;
        for (; !atEnd() && isDigit(text_[pos_]); ++pos_)
            if (value <= LevelLimit) value = value * 10 + (text_[pos_] - '0');
        return negative ? -value : value;
    }

    // Appends n numbers read across line ends; false (nothing appended) when a token is not
    // a number or the text ends first.
    bool readVector(unsigned n, std::vector<float>& data) {
        const size_t start = data.size();
        for (unsigned i = 0; i < n; ++i) {
            float value = 0.0F;
            if (!readNumber(value)) {
                data.resize(start);
                return false;
            }
            data.push_back(value);
        }
        return true;
    }

private:
    void skipWhite() {
        while (!atEnd() && isWhite(text_[pos_])) ++pos_;
    }

    // The longest number at the next token's start, as a 32-bit real (too large a magnitude
    // gives an infinity); the rest of the token stays to be read.
    bool readNumber(float& value) {
        skipWhite();
        if (atEnd()) return false;
        const char* start = text_.c_str() + pos_;
        char* end = nullptr;
        value = std::strtof(start, &end);
        if (end == start) return false;
        pos_ += static_cast<size_t>(end - start);
        return true;
    }

    const std::string& text_;
    size_t pos_ = 0;
};

// Reads the whole file; false when it cannot be read.
bool readWholeFile(const char* filename, std::string& text) {
    FilePtr fp(std::fopen(filename, "r"));
    if (fp == nullptr) return false;
    std::vector<char> chunk(ReadChunk);
    for (;;) {
        const size_t got = std::fread(chunk.data(), 1, chunk.size(), fp.get());
        text.append(chunk.data(), got);
        if (got < chunk.size()) return std::ferror(fp.get()) == 0;
    }
}

// Parses the file's text into the vectors; false when the level count is not at least 1
// (or beyond LevelLimit) or the first vector is incomplete.
bool VSFileRead(const std::string& text, VSFile& vs) {
    Cursor cursor(text);
    cursor.skipLine();  // the title
    const long long levels = cursor.readInteger();
    if (levels < 1 || levels > LevelLimit) return false;
    vs.nlevels = static_cast<unsigned>(levels);
    cursor.skipLine();
    if (!cursor.readVector(vs.nlevels, vs.data)) return false;
    vs.dataN = 1;
    cursor.skipLine();
    while (!cursor.atEnd() && vs.dataN < VectorLimit) {
        const std::string_view line = cursor.line();
        if (isBlank(line) || hasLetter(line)) {
            cursor.skipLine();
            continue;
        }
        if (!cursor.readVector(vs.nlevels, vs.data)) break;  // an incomplete vector ends the data
        ++vs.dataN;
        cursor.skipLine();
    }
    return true;
}

// Copies the first values of a vector for record 1.
template <typename T>
int copyDataValues(ZARFFILE* file, int record, unsigned VSFile::*selected, T* values, int arraysize) {
    VSFile* vs = vsFileOf(file);
    if (vs == nullptr) return 0;
    if (record != 1) {
        file->lastError = MsgRecordUnavailable;
        return 0;
    }
    const unsigned vector = vs->*selected;
    if (vector >= vs->dataN || values == nullptr || arraysize <= 0) {
        file->lastError = MsgBadField;
        return 0;
    }
    const unsigned count = std::min(vs->nlevels, static_cast<unsigned>(arraysize));
    const float* source = vs->data.data() + static_cast<size_t>(vector) * vs->nlevels;
    for (unsigned i = 0; i < count; ++i) values[i] = static_cast<T>(source[i]);
    return static_cast<int>(count);
}

int unsupported(ZARFFILE* file) {
    if (file != nullptr) file->lastError = MsgUnsupported;
    return 0;
}

}  // namespace

extern "C" {

int PLOVSisFileReadable(const char* filename) {
    if (filename == nullptr) return 0;
    FilePtr fp(std::fopen(filename, "r"));
    if (fp == nullptr) return 0;
    TitleTest title;
    for (int c = std::getc(fp.get()); c != EOF && c != '\n'; c = std::getc(fp.get()))
        if (!title.feed(static_cast<char>(c))) return 0;
    return title.passed() ? 1 : 0;
}

fileHANDLE PLOVSopenFileWritable(const char* /*filename*/, int /*filetype*/, ZARFFILE** /*referenceList*/,
                                 int /*referenceCount*/, const char* /*programName*/, const char* /*version*/,
                                 const char* /*historyAddition*/, int /*TOCversion*/, va_list /*args*/) {
    lastGenericError = MsgWritingUnsupported;
    return nullptr;
}

fileHANDLE PLOVSopenFileReadable(const char* filename) {
    if (filename == nullptr) return nullptr;
    try {
        std::string text;
        if (!readWholeFile(filename, text)) return nullptr;
        auto vs = std::make_unique<VSFile>();
        if (!VSFileRead(text, *vs)) return nullptr;
        return vs.release();
    } catch (const std::bad_alloc&) {
        lastGenericError = MsgNoMemory;
        return nullptr;
    }
}

int PLOVScloseFile(ZARFFILE* file) {
    VSFile* vs = vsFileOf(file);
    if (vs == nullptr) return 0;
    std::unique_ptr<VSFile> owned(vs);
    file->handle = nullptr;
    return 1;
}

int PLOVSreadRecordCount(ZARFFILE* /*file*/) { return 1; }

int PLOVSreadRecordSize(ZARFFILE* file, int /*record*/) {
    VSFile* vs = vsFileOf(file);
    return vs == nullptr ? 0 : static_cast<int>(vs->nlevels);
}

int PLOVSreadDepValues(ZARFFILE* file, int record, float* values, int arraysize) {
    return copyDataValues(file, record, &VSFile::selectedY, values, arraysize);
}

int PLOVSreadIndValues(ZARFFILE* file, int record, float* values, int arraysize) {
    return copyDataValues(file, record, &VSFile::selectedX, values, arraysize);
}

int PLOVSreadIndDomain(ZARFFILE* file, int /*record*/, float* /*minimum*/, float* /*maximum*/,
                       float* /*interval*/) {
    return unsupported(file);
}

int PLOVSqueryMaxMetadataCount(ZARFFILE* /*file*/, int /*record*/) { return 0; }

int PLOVSreadRealMetadata(ZARFFILE* file, int /*record*/, int* /*requestlist*/, int /*requestcount*/,
                          float* /*responselist*/) {
    return unsupported(file);
}

int PLOVSreadMetadataStringDesc(ZARFFILE* file, int /*record*/, int /*fieldId*/, int /*descType*/,
                                char* /*text*/, int /*textsize*/) {
    return unsupported(file);
}

int PLOVSselectData(ZARFFILE* file, int axis, int columnId) {
    VSFile* vs = vsFileOf(file);
    if (vs == nullptr) return 0;
    if (columnId < 1 || static_cast<unsigned>(columnId) > vs->dataN) {
        file->lastError = MsgDataUnavailable;
        return 0;
    }
    if (axis != 1 && axis != 2) {
        file->lastError = MsgAxisUnchangeable;
        return 0;
    }
    (axis == 1 ? vs->selectedX : vs->selectedY) = static_cast<unsigned>(columnId - 1);
    return 1;
}

int PLOVSqueryMaxDataCount(ZARFFILE* file) {
    VSFile* vs = vsFileOf(file);
    return vs == nullptr ? 0 : static_cast<int>(vs->dataN);
}

int PLOVSqueryDataTypes(ZARFFILE* file, int* dataTypes, int memberCount) {
    VSFile* vs = vsFileOf(file);
    if (vs == nullptr || dataTypes == nullptr || memberCount <= 0) return 0;
    const int n = std::min(static_cast<int>(vs->dataN), memberCount);
    for (int i = 0; i < n; ++i) dataTypes[i] = i + 1;
    return n;
}

const Methods PLOVS_Methods = {
    PLOVSisFileReadable,        PLOVSopenFileWritable,       PLOVSopenFileReadable,
    PLOVScloseFile,             PLOVSreadRecordCount,        PLOVSreadRecordSize,
    PLOVSreadDepValues,         PLOVSreadIndDomain,          PLOVSreadIndValues,
    PLOVSqueryMaxMetadataCount, PLOVSreadRealMetadata,       PLOVSreadMetadataStringDesc,
    DEFAULTwriteDepValues,      DEFAULTwriteRealMetadata,    DEFAULTcopyMetadata,
    DEFAULTwriteCompleteRecord, DEFAULTwriteStringDesc,      PLOVSselectData,
    PLOVSqueryMaxDataCount,     PLOVSqueryDataTypes,         DEFAULTreadDataStringDesc,
    DEFAULTreadIndDomainDouble, DEFAULTreadIndValuesDouble,  DEFAULTqueryVersion,
};

}  // extern "C"
