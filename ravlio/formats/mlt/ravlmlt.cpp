// The MLT format driver: a read-only whitespace-separated text table of numbers with
// optional "#label n text" column labels. The file is one record; its columns are the
// record's data types and its rows the record's points. The file may still be growing:
// every record-size query reads on from where the previous read stopped, and a row, label
// or first data line that is not yet complete is read again from its start next time.
#include <sys/types.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "driver.h"
#include "formats/common.h"
#include "ravlio/associa.h"

namespace {

using formats::copyText;
using formats::FilePtr;
using formats::nanq;
using formats::toFloat;

using formats::MsgIncomplete;
using formats::MsgRecordUnavailable;
using formats::MsgDataUnavailable;
using formats::MsgAxisUnchangeable;
using formats::MsgBadDescriptionType;
using formats::MsgUnsupported;
using formats::MsgNotReadable;
using formats::MsgNoMemory;
constexpr const char* MsgTooLarge = "file exceeds the size this reader accepts";

// The longest first data line, line feed included, from which the column count is learned.
constexpr size_t LineLimit = 1023;
// The longest token kept; the rest of a longer token is read and dropped.
constexpr size_t TokenLimit = 1023;
// The longest label text kept; the rest of a longer label line is read and dropped.
constexpr size_t LabelLimit = 255;
// Highest column a label may name. A first data line of at most LineLimit characters holds
// fewer columns, so no real column is shut out; a hostile number cannot make the label list
// grow without bound.
constexpr long LabelColumnLimit = 1024;
// Most values (rows times columns) a table may hold: 2^26 floats, 256 MiB. A name that leads
// to an endless stream is refused before it is read, but a regular file can still be grown
// without end by a runaway writer; the reader stops there instead of taking all memory.
constexpr size_t ValueLimit = size_t{1} << 26;

struct Label {
    bool present = false;
    std::string text;
};

struct MLTFile {
    FilePtr f;
    std::vector<std::vector<float>> data;  // one array per column
    uint32_t variableCount = 0;            // columns; 0 until the first data line is complete
    uint32_t recordCount = 0;              // complete rows stored
    uint32_t labelCount = 0;               // label slots
    uint32_t selectedX = 0;                // 0-based independent column
    uint32_t selectedY = 0;                // 0-based dependent column
    std::vector<Label> labels;             // by column, 0-based
    bool full = false;                     // ValueLimit reached: nothing more is read
};

MLTFile* mltFileOf(ZARFFILE* file) {
    if (file == nullptr || file->method != &MLT_Methods || file->handle == nullptr) return nullptr;
    return static_cast<MLTFile*>(file->handle);
}

bool isWhite(int c) { return c != EOF && std::isspace(c) != 0; }

// A decimal integer at p (optional sign) within the int range; advances p past it.
bool scanInt(const char*& p, int& value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(p, &end, 10);
    if (end == p || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    value = static_cast<int>(v);
    p = end;
    return true;
}

// hours:minutes[:seconds] with minutes 0 to 59, as hours; false when the token is no time.
bool timeValue(const char* token, double& hours) {
    const char* p = token;
    int h = 0;
    int m = 0;
    if (std::isspace(static_cast<unsigned char>(*p)) != 0 || !scanInt(p, h) || *p != ':') return false;
    ++p;
    if (std::isspace(static_cast<unsigned char>(*p)) != 0 || !scanInt(p, m) || m < 0 || m > 59) return false;
    double seconds = 0.0;
    if (*p == ':') {
        char* end = nullptr;
        const double s = std::strtod(p + 1, &end);
        if (end != p + 1 && std::isspace(static_cast<unsigned char>(p[1])) == 0) seconds = static_cast<double>(toFloat(s));
    }
    hours = h + m / 60.0 + seconds / 3600.0;
    return true;
}

// A value token as stored: a time in hours, else the leading number, else the quiet NaN.
float tokenValue(const std::string& token) {
    double hours = 0.0;
    if (timeValue(token.c_str(), hours)) return toFloat(hours);
    const char* text = token.c_str();
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    return end == text ? nanq() : toFloat(v);
}

class Reader {
public:
    explicit Reader(MLTFile& it) : it_(it), fp_(it.f.get()) {}

    void run();

private:
    MLTFile& it_;
    std::FILE* fp_;
    std::vector<float> row_;
    bool learning_ = false;
    off_t limit_ = 0;

    off_t tell() const { return ftello(fp_); }
    void seek(off_t at) const { fseeko(fp_, at, SEEK_SET); }

    int skipWhite() const {
        int c = std::getc(fp_);
        while (isWhite(c)) c = std::getc(fp_);
        if (c != EOF) std::ungetc(c, fp_);
        return c;
    }

    // Reads through the next line feed; false when the file ends first.
    bool skipLine() const {
        for (int c = std::getc(fp_); c != EOF; c = std::getc(fp_))
            if (c == '\n') return true;
        return false;
    }

    bool learnFirstLine();
    bool readToken(std::string& token) const;
    bool readSpecial(const std::string& token);
    bool readLabelNumber(long& n) const;
    void setLabel(long n, std::string text);
    bool appendRecord();
};

// Makes sure the first data line, starting at the current position, is complete and marks
// its end as the limit; false (position unchanged) when it is not complete yet.
bool Reader::learnFirstLine() {
    const off_t start = tell();
    size_t n = 0;
    bool complete = false;
    for (int c = std::getc(fp_); c != EOF && n < LineLimit; c = std::getc(fp_)) {
        ++n;
        if (c == '\n') {
            complete = true;
            break;
        }
    }
    limit_ = tell();
    seek(start);
    return complete;
}

// The next whitespace-delimited token; false when none is complete before the end of the
// file (a token is complete only when whitespace follows it).
bool Reader::readToken(std::string& token) const {
    token.clear();
    if (skipWhite() == EOF) return false;
    int c = std::getc(fp_);
    for (; c != EOF && !isWhite(c); c = std::getc(fp_))
        if (token.size() < TokenLimit) token.push_back(static_cast<char>(c));
    if (c == EOF) return false;
    std::ungetc(c, fp_);
    return true;
}

// The column number of a label directive, read like "%d" (leading whitespace, line ends
// included, is skipped). Out-of-range numbers saturate.
bool Reader::readLabelNumber(long& n) const {
    skipWhite();
    int c = std::getc(fp_);
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = std::getc(fp_);
    }
    if (c == EOF || std::isdigit(c) == 0) {
        if (c != EOF) std::ungetc(c, fp_);
        return false;
    }
    long v = 0;
    for (; c != EOF && std::isdigit(c) != 0; c = std::getc(fp_)) v = std::min(v * 10 + (c - '0'), LONG_MAX / 20);
    if (c != EOF) std::ungetc(c, fp_);
    n = negative ? -v : v;
    return true;
}

// Handles a directive whose first token has been read; false when its line is not
// complete yet (the caller then reads it again later).
bool Reader::readSpecial(const std::string& token) {
    const auto letter = std::find_if(token.begin(), token.end(),
                                     [](char ch) { return std::isalpha(static_cast<unsigned char>(ch)) != 0; });
    if (std::string(letter, token.end()) != "label") return skipLine();
    long n = 0;
    if (!readLabelNumber(n)) return skipLine();
    if (skipWhite() == EOF) return false;
    std::string text;
    int c = std::getc(fp_);
    for (; c != EOF && c != '\n'; c = std::getc(fp_))
        if (text.size() < LabelLimit) text.push_back(static_cast<char>(c));
    if (c == EOF) return false;
    const size_t cut = text.find_first_of("\r\n");
    if (cut != std::string::npos) text.erase(cut);
    const size_t last = text.find_last_not_of(" \t");
    text.erase(last == std::string::npos ? 0 : last + 1);
    if (n >= 1 && n <= LabelColumnLimit) setLabel(n, std::move(text));
    return true;
}

void Reader::setLabel(long n, std::string text) {
    const auto need = std::max(static_cast<size_t>(it_.variableCount), static_cast<size_t>(n));
    if (it_.labels.size() < need) it_.labels.resize(need);
    it_.labels[static_cast<size_t>(n) - 1] = Label{true, std::move(text)};
    it_.labelCount = static_cast<uint32_t>(it_.labels.size());
}

// Stores the row; false (nothing stored) when the table would exceed ValueLimit. The columns
// grow by the vectors' own doubling, so reading n rows costs time in proportion to n.
bool Reader::appendRecord() {
    if ((static_cast<size_t>(it_.recordCount) + 1) * it_.variableCount > ValueLimit) {
        it_.full = true;
        return false;
    }
    if (it_.data.size() != it_.variableCount) it_.data.assign(it_.variableCount, {});
    for (size_t i = 0; i < it_.data.size(); ++i) it_.data[i].push_back(row_[i]);
    ++it_.recordCount;
    row_.clear();
    return true;
}

void Reader::run() {
    if (it_.full) return;
    learning_ = it_.variableCount == 0;
    row_.reserve(it_.variableCount);
    // Where the row or directive in progress began: the next read starts there again when
    // the file ends before it is complete.
    off_t resume = tell();
    std::string token;
    for (;;) {
        if (learning_ && row_.empty()) {
            // A directive line is no data line: it may be of any length.
            const int next = skipWhite();
            if (next == EOF) break;
            resume = tell();
            if (next != '#' && !learnFirstLine()) break;
        }
        if (!readToken(token)) break;
        if (row_.empty() && token[0] == '#') {
            if (!readSpecial(token)) break;
            resume = tell();
            continue;
        }
        row_.push_back(tokenValue(token));
        skipWhite();
        if (learning_ && tell() >= limit_) {
            it_.variableCount = static_cast<uint32_t>(row_.size());
            learning_ = false;
        }
        if (!learning_ && row_.size() == it_.variableCount) {
            if (!appendRecord()) break;
            resume = tell();
        }
    }
    row_.clear();
    seek(resume);
}

// Reads on from the current position; false when memory ran out (what was stored stays).
bool readMLTFile(MLTFile& it) {
    try {
        Reader(it).run();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool hasSuffix(const std::string& lowered, const char* suffix) {
    const size_t at = lowered.find(suffix);
    return at != std::string::npos && at + std::strlen(suffix) == lowered.size();
}

int unsupported(ZARFFILE* file) {
    if (file != nullptr) file->lastError = MsgUnsupported;
    return 0;
}

// Copies the first values of the selected column; the record must be 1.
template <typename T>
int copyColumn(ZARFFILE* file, int record, uint32_t MLTFile::*selected, T* values, int arraysize) {
    MLTFile* it = mltFileOf(file);
    if (it == nullptr) return 0;
    const uint32_t column = it->*selected;
    if (record != 1) {
        file->lastError = MsgRecordUnavailable;
        return 0;
    }
    if (values == nullptr || arraysize <= 0 || column >= it->data.size()) return 0;
    const auto n = std::min(static_cast<size_t>(it->recordCount), static_cast<size_t>(arraysize));
    const std::vector<float>& source = it->data[column];
    for (size_t i = 0; i < n; ++i) values[i] = static_cast<T>(source[i]);
    return static_cast<int>(n);
}

}  // namespace

extern "C" {

int MLTisFileReadable(const char* filename) {
    if (filename == nullptr) return 0;
    std::string lowered(filename);
    strlwr(lowered.data());
    for (const char* suffix : {".mlt", ".dat", ".sum", ".asc"})
        if (hasSuffix(lowered, suffix)) return 1;
    FilePtr fp = formats::openRegular(filename, "r");
    if (fp == nullptr) return 0;
    char start[4] = {};
    return std::fread(start, 1, sizeof start, fp.get()) == sizeof start && std::memcmp(start, "#MLT", 4) == 0 ? 1 : 0;
}

fileHANDLE MLTopenFileReadable(const char* filename) {
    if (filename == nullptr) {
        lastGenericError = MsgNotReadable;
        return nullptr;
    }
    try {
        auto it = std::make_unique<MLTFile>();
        it->f = formats::openRegular(filename, "r");
        if (it->f == nullptr) {
            lastGenericError = MsgNotReadable;
            return nullptr;
        }
        if (!readMLTFile(*it)) {
            lastGenericError = MsgNoMemory;
            return nullptr;
        }
        if (it->full) {
            lastGenericError = MsgTooLarge;
            return nullptr;
        }
        return it.release();
    } catch (const std::bad_alloc&) {
        lastGenericError = MsgNoMemory;
        return nullptr;
    }
}

int MLTcloseFile(ZARFFILE* file) {
    MLTFile* it = mltFileOf(file);
    if (it == nullptr) return 0;
    std::unique_ptr<MLTFile> owned(it);
    file->handle = nullptr;
    return 1;
}

int MLTreadRecordCount(ZARFFILE* file) {
    MLTFile* it = mltFileOf(file);
    if (it == nullptr) return 0;
    if (it->variableCount == 0) {
        file->lastError = MsgIncomplete;
        return 0;
    }
    return 1;
}

int MLTreadRecordSize(ZARFFILE* file, int /*record*/) {
    MLTFile* it = mltFileOf(file);
    if (it == nullptr) return 0;
    if (!readMLTFile(*it)) file->lastError = MsgNoMemory;
    if (it->full) file->lastError = MsgTooLarge;
    return static_cast<int>(std::min<uint32_t>(it->recordCount, INT_MAX));
}

int MLTreadDepValues(ZARFFILE* file, int record, float* values, int arraysize) {
    return copyColumn(file, record, &MLTFile::selectedY, values, arraysize);
}

int MLTreadIndValues(ZARFFILE* file, int record, float* values, int arraysize) {
    return copyColumn(file, record, &MLTFile::selectedX, values, arraysize);
}

int MLTreadIndValuesDouble(ZARFFILE* file, int record, double* values, int arraysize) {
    return copyColumn(file, record, &MLTFile::selectedX, values, arraysize);
}

int MLTreadIndDomain(ZARFFILE* file, int /*record*/, float* /*minimum*/, float* /*maximum*/, float* /*interval*/) {
    return unsupported(file);
}

int MLTreadRealMetadata(ZARFFILE* file, int /*record*/, int* /*requestlist*/, int /*requestcount*/,
                        float* /*responselist*/) {
    return unsupported(file);
}

int MLTreadMetadataStringDesc(ZARFFILE* file, int /*record*/, int /*fieldId*/, int /*descType*/, char* /*text*/,
                              int /*textsize*/) {
    return unsupported(file);
}

int MLTqueryMaxMetadataCount(ZARFFILE* /*file*/, int /*record*/) { return 0; }

int MLTqueryMaxDataCount(ZARFFILE* file) {
    MLTFile* it = mltFileOf(file);
    return it == nullptr ? 0 : static_cast<int>(it->variableCount);
}

int MLTqueryDataTypes(ZARFFILE* file, int* dataTypes, int memberCount) {
    MLTFile* it = mltFileOf(file);
    if (it == nullptr || dataTypes == nullptr || memberCount <= 0) return 0;
    const int n = std::min(static_cast<int>(it->variableCount), memberCount);
    for (int i = 0; i < n; ++i) dataTypes[i] = i + 1;
    return n;
}

int MLTselectData(ZARFFILE* file, int axis, int columnId) {
    MLTFile* it = mltFileOf(file);
    if (it == nullptr) return 0;
    if (axis != 1 && axis != 2) {
        file->lastError = MsgAxisUnchangeable;
        return 0;
    }
    if (columnId < 1 || static_cast<uint32_t>(columnId) > it->variableCount) {
        file->lastError = MsgDataUnavailable;
        return 0;
    }
    (axis == 1 ? it->selectedX : it->selectedY) = static_cast<uint32_t>(columnId - 1);
    return 1;
}

int MLTreadDataStringDesc(ZARFFILE* file, int dataId, int descType, char* text, int textsize) {
    MLTFile* it = mltFileOf(file);
    if (it == nullptr) return 0;
    if (dataId < 1 || static_cast<uint32_t>(dataId) > it->labelCount) {
        file->lastError = MsgDataUnavailable;
        return 0;
    }
    if (descType < 1 || descType > 5) {
        file->lastError = MsgBadDescriptionType;
        return 0;
    }
    if (text == nullptr || textsize <= 0) return 0;
    text[0] = '\0';
    const Label& label = it->labels[static_cast<size_t>(dataId) - 1];
    if (descType >= 4) {
        copyText(text, textsize, "n/a");
        return 1;
    }
    if (!label.present) return 0;
    copyText(text, textsize, label.text);
    return 1;
}

const Methods MLT_Methods = {
    MLTisFileReadable,         DEFAULTopenFileWritable,     MLTopenFileReadable,
    MLTcloseFile,              MLTreadRecordCount,          MLTreadRecordSize,
    MLTreadDepValues,          MLTreadIndDomain,            MLTreadIndValues,
    MLTqueryMaxMetadataCount,  MLTreadRealMetadata,         MLTreadMetadataStringDesc,
    DEFAULTwriteDepValues,     DEFAULTwriteRealMetadata,    DEFAULTcopyMetadata,
    DEFAULTwriteCompleteRecord, DEFAULTwriteStringDesc,     MLTselectData,
    MLTqueryMaxDataCount,      MLTqueryDataTypes,           MLTreadDataStringDesc,
    DEFAULTreadIndDomainDouble, MLTreadIndValuesDouble,     DEFAULTqueryVersion,
};

}  // extern "C"
