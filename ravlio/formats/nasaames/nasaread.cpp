// Reading a NASA Ames file at open: the header items of the four supported file format
// indices (1001, 1020, 2010, 2110), the two comment blocks and every data record, converted
// to scaled 32-bit values with the missing-value marker where a value is missing.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "formats/common.h"
#include "formats/nasaames/nasafile.h"
#include "ravlio/fields.h"

namespace nasaames {

namespace {

using formats::FilePtr;
using formats::toFloat;

using formats::MsgNotReadable;
using formats::MsgIncomplete;
using formats::MsgUnsupportedType;
constexpr const char* MsgNoPointCount = "file has no auxiliary variable holding the point count";
constexpr const char* MsgCommaSeparated =
    "unsupported NASA Ames variant: comma-separated values (values separated by blanks are read)";

// The format's indices are four digits, the first the number of independent variables.
constexpr long LowestFormatIndex = 1000;
constexpr long HighestFormatIndex = 4999;
// Lines 1 to 7 are in every header; line 6 holds IVOL NVOL, line 7 the two dates (0-based
// indices below).
constexpr long MandatoryHeaderLines = 7;
constexpr size_t VolumeLine = 5;
constexpr size_t DateLine = 6;

// Lines 2 to 7 of the header (names, organisation, source, mission, volumes, dates).
constexpr int SkippedHeaderLines = 6;
// Bytes probed for the first two integers when a file is only being recognised.
constexpr size_t ProbeSize = 4096;

// What every record's independent value X is described as: its seconds delivered as hours.
NASAfield prototypicalTimeField() {
    NASAfield f;
    f.hasLongDesc = true;
    f.longDesc = "Time in hours GMT";
    f.nameFromFile = "Time";
    f.fieldID = FIELD_timeHHMMSS;
    f.scalingFactor = 1.0 / 3600.0;
    f.whenMissing = "would anyone care for some SPAM?";
    return f;
}

// The bounded independent variable X(1) of FFI 2010 and 2110, named by the first XNAME line.
NASAfield prototypicalXField(const std::string& xName) {
    NASAfield f;
    f.hasLongDesc = true;
    f.longDesc = xName;
    f.nameFromFile = xName;
    f.fieldID = 0;
    f.scalingFactor = 1.0;
    f.whenMissing = "would anyone care for some SPAM?";
    return f;
}

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Reads through a text held in memory the way the format is read with formatted input:
// whitespace-delimited tokens, numbers with an optional sign, whole lines. Never reads past
// the end; remembers when a read reached it.
class Cursor {
public:
    explicit Cursor(const std::string& text) : text_(text) {}

    bool reachedEnd() const { return reachedEnd_; }
    size_t remaining() const { return text_.size() - pos_; }

    // The next token, at most TextLimit characters kept; false when there is none.
    bool token(std::string& out) {
        out.clear();
        if (!skipWhite()) return false;
        const size_t start = pos_;
        while (pos_ < text_.size() && !isWhite(text_[pos_])) ++pos_;
        out.assign(text_, start, std::min(pos_ - start, TextLimit));
        if (pos_ == text_.size()) reachedEnd_ = true;
        return true;
    }

    // A decimal integer (optional sign) within the long range; false when there is none.
    bool integer(long& value) {
        if (!skipWhite()) return false;
        const char* start = text_.c_str() + pos_;
        if (*start != '+' && *start != '-' && (*start < '0' || *start > '9')) return false;
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(start, &end, 10);
        if (end == start || errno == ERANGE) return false;
        pos_ += static_cast<size_t>(end - start);
        value = v;
        return true;
    }

    // A real number; false when there is none.
    bool real(double& value) {
        if (!skipWhite()) return false;
        const char* start = text_.c_str() + pos_;
        char* end = nullptr;
        const double v = std::strtod(start, &end);
        if (end == start) return false;
        pos_ += static_cast<size_t>(end - start);
        value = v;
        return true;
    }

    // Moves past the next line feed (or to the end); false when nothing was left.
    bool skipLine() {
        if (pos_ >= text_.size()) {
            reachedEnd_ = true;
            return false;
        }
        const size_t lf = text_.find('\n', pos_);
        pos_ = lf == std::string::npos ? text_.size() : lf + 1;
        return true;
    }

    // The rest of the current line without its carriage returns and line feeds, at most
    // TextLimit characters kept; false when nothing was left.
    bool line(std::string& out) {
        const size_t start = pos_;
        if (!skipLine()) return false;
        out.clear();
        for (size_t i = start; i < pos_ && out.size() < TextLimit; ++i)
            if (text_[i] != '\r' && text_[i] != '\n') out.push_back(text_[i]);
        return true;
    }

private:
    const std::string& text_;
    size_t pos_ = 0;
    bool reachedEnd_ = false;

    bool skipWhite() {
        while (pos_ < text_.size() && isWhite(text_[pos_])) ++pos_;
        if (pos_ < text_.size()) return true;
        reachedEnd_ = true;
        return false;
    }
};

// Reads the whole file; false when it cannot be opened or read.
bool readWholeFile(const char* filename, std::string& text, size_t limit = SIZE_MAX) {
    FilePtr fp(std::fopen(filename, "r"));
    if (fp == nullptr) return false;
    char chunk[65536];
    while (text.size() < limit) {
        const size_t want = std::min(sizeof chunk, limit - text.size());
        const size_t got = std::fread(chunk, 1, want, fp.get());
        text.append(chunk, got);
        if (got < want) break;
    }
    return std::ferror(fp.get()) == 0;
}

// The items of a header line separated by blanks, tabs or commas.
std::vector<std::string> headerItems(const std::string& line) {
    std::vector<std::string> items;
    std::string item;
    for (char c : line + " ") {
        if (c == ',' || c == ' ' || c == '\t' || c == '\r') {
            if (!item.empty()) items.push_back(item);
            item.clear();
        } else {
            item.push_back(c);
        }
    }
    return items;
}

// True when the item is a decimal integer within the long range; its value in value.
bool isInteger(const std::string& item, long& value) {
    const char* start = item.c_str();
    char* end = nullptr;
    errno = 0;
    value = std::strtol(start, &end, 10);
    return end != start && *end == '\0' && errno != ERANGE;
}

// True when the first n items of a line are integers.
bool leadingIntegers(const std::vector<std::string>& items, size_t n) {
    long value = 0;
    if (items.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (!isInteger(items[i], value)) return false;
    return true;
}

// The header as its first lines show it, when they are plainly those of a NASA Ames file:
// line 1 a line count of at least 7 and a four-digit format index (blank- or
// comma-separated, anything after a comma allowed), line 6 two volume numbers, line 7 the
// six numbers of two dates.
struct HeaderStart {
    long formatIndex = 0;
    bool commaSeparated = false;
};

bool plainHeaderStart(const std::string& text, HeaderStart& header) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (lines.size() <= DateLine) {
        const size_t lf = text.find('\n', at);
        if (lf == std::string::npos) return false;
        lines.push_back(text.substr(at, lf - at));
        at = lf + 1;
    }
    // Comma-separated when a comma parts the line count from the index; then more items (a
    // format revision) may follow. Separated by blanks, the line holds the two alone.
    const size_t comma = lines[0].find(',');
    header.commaSeparated = comma != std::string::npos && headerItems(lines[0].substr(0, comma)).size() == 1;
    const std::vector<std::string> first = headerItems(lines[0]);
    if (first.size() < 2 || (!header.commaSeparated && first.size() != 2)) return false;
    long lineCount = 0;
    if (!isInteger(first[0], lineCount) || !isInteger(first[1], header.formatIndex)) return false;
    if (lineCount < MandatoryHeaderLines || header.formatIndex < LowestFormatIndex ||
        header.formatIndex > HighestFormatIndex)
        return false;
    return leadingIntegers(headerItems(lines[VolumeLine]), 2) &&
           leadingIntegers(headerItems(lines[DateLine]), 6);
}

// The text (kept for the rest of the process, as every library message is) that refuses a
// format index this reader does not read.
const char* unsupportedIndexText(long formatIndex) {
    static std::map<long, std::string> texts;
    std::string& text = texts[formatIndex];
    if (text.empty())
        text = "unsupported NASA Ames file format index " + std::to_string(formatIndex) +
               " (1001, 1020, 2010 and 2110 are read)";
    return text.c_str();
}

// Why a file that begins with text is refused although it is plainly NASA Ames; null when
// it is not such a file or is of a variant this reader reads.
const char* variantRefusal(const std::string& text) {
    HeaderStart header;
    if (!plainHeaderStart(text, header)) return nullptr;
    if (!isSupportedIndex(header.formatIndex)) return unsupportedIndexText(header.formatIndex);
    return header.commaSeparated ? MsgCommaSeparated : nullptr;
}

// The first two integers of the text; false when they are not there.
bool firstTwoIntegers(Cursor& in, long& first, long& second) { return in.integer(first) && in.integer(second); }

// A value token of a variable: the missing marker when it is the variable's missing-value
// text (or, with the numeric rule, equal to it as a number), else its value times the scale.
float convert(const std::string& token, const NASAfield& f, bool numericMissingRule) {
    if (token == f.whenMissing) return MissingMarker;
    const double value = std::strtod(token.c_str(), nullptr);
    if (numericMissingRule && value == std::strtod(f.whenMissing.c_str(), nullptr)) return MissingMarker;
    return toFloat(value * f.scalingFactor);
}

// Reads the header of one file format index and then its data.
class Ingest {
public:
    Ingest(const std::string& text, NASAfile& file) : text_(text), in_(text), it_(file) {}

    const char* run();

private:
    const std::string& text_;
    Cursor in_;
    NASAfile& it_;
    std::vector<NASAfield> primary_;  // V1..VNV as read
    std::vector<NASAfield> aux_;      // A1..ANAUXV as read (FFI 1001: V1..VNV)

    bool count(long& n);
    bool real(float& value);
    bool variables(long n, std::vector<NASAfield>& fields);
    bool auxiliaryVariables();
    bool boundedGrid(long nx, long nxdef);
    bool skipCommentBlock();
    const char* readHeader();
    void buildColumns();

    bool auxRow(std::vector<float>& row, std::string* firstAux);
    bool values(size_t n, const NASAfield& f, std::vector<float>& out);
    void readData();
    void keep(std::vector<float> row, std::vector<std::vector<float>> vectors, size_t points);
};

// A count item (one integer, then the rest of its line); false when it is unreadable or
// cannot be satisfied by what is left of the file.
bool Ingest::count(long& n) {
    if (!in_.integer(n) || n < 0 || static_cast<unsigned long>(n) > in_.remaining() || n > INT_MAX - 1) return false;
    in_.skipLine();
    return true;
}

bool Ingest::real(float& value) {
    double v = 0.0;
    if (!in_.real(v)) return false;
    value = toFloat(v);
    return true;
}

// The scale factors, missing-value texts and names of n variables; no lines at all when n
// is 0.
bool Ingest::variables(long n, std::vector<NASAfield>& fields) {
    fields.assign(static_cast<size_t>(n), NASAfield{});
    if (n == 0) return true;
    for (NASAfield& f : fields)
        if (!in_.real(f.scalingFactor)) return false;
    in_.skipLine();
    for (NASAfield& f : fields)
        if (!in_.token(f.whenMissing)) return false;
    in_.skipLine();
    for (NASAfield& f : fields)
        if (!in_.line(f.nameFromFile)) return false;
    return true;
}

// NAUXV and, when positive, the auxiliary variables.
bool Ingest::auxiliaryVariables() {
    long nauxv = 0;
    if (!count(nauxv)) return false;
    return variables(nauxv, aux_);
}

// The NXDEF values of X(1) given in the header; when fewer than NX are given the rest
// continue from the last one by the increment DX(1), which must then be non-zero.
bool Ingest::boundedGrid(long nx, long nxdef) {
    for (long i = 0; i < nxdef; ++i) {
        float x = 0.0f;
        if (!real(x)) return false;
        if (i < nx) it_.boundedValues.push_back(x);
    }
    in_.skipLine();
    if (nxdef >= nx) return true;
    if (nxdef == 0 || it_.dx == 0.0f) return false;
    const double last = it_.boundedValues.back();
    for (long i = 1; nxdef - 1 + i < nx; ++i)
        it_.boundedValues.push_back(toFloat(last + static_cast<double>(i) * static_cast<double>(it_.dx)));
    return true;
}

// A line whose leading integer counts the comment lines that follow it, then those lines.
bool Ingest::skipCommentBlock() {
    std::string countLine;
    if (!in_.line(countLine)) return false;
    const long n = std::strtol(countLine.c_str(), nullptr, 10);
    for (long i = 0; i < n; ++i)
        if (!in_.skipLine()) return false;
    return true;
}

const char* Ingest::readHeader() {
    const long ffi = it_.fileFormatIndex;
    long nv = 0;
    if (ffi == 1001) {
        if (!real(it_.dx)) return MsgIncomplete;
        in_.skipLine();
        if (!in_.line(it_.xName) || !count(nv) || !variables(nv, aux_)) return MsgIncomplete;
    } else if (ffi == 1020) {
        if (!real(it_.dx)) return MsgIncomplete;
        in_.skipLine();
        if (!count(it_.nvpm) || !in_.line(it_.xName) || !count(nv) || !variables(nv, primary_) ||
            !auxiliaryVariables())
            return MsgIncomplete;
        it_.pointsPerVector = static_cast<size_t>(it_.nvpm);
    } else if (ffi == 2010) {
        long nx = 0;
        long nxdef = 0;
        if (!real(it_.dx) || !real(it_.dx2)) return MsgIncomplete;
        in_.skipLine();
        if (!count(nx) || !count(nxdef) || !boundedGrid(nx, nxdef) || !in_.line(it_.xName) ||
            !in_.line(it_.xName2) || !count(nv) || !variables(nv, primary_) || !auxiliaryVariables())
            return MsgIncomplete;
        it_.pointsPerVector = static_cast<size_t>(nx);
    } else {
        if (!real(it_.dx) || !real(it_.dx2)) return MsgIncomplete;
        in_.skipLine();
        if (!in_.line(it_.xName) || !in_.line(it_.xName2) || !count(nv) || !variables(nv, primary_) ||
            !auxiliaryVariables())
            return MsgIncomplete;
        if (aux_.empty()) return MsgNoPointCount;
    }
    if (!skipCommentBlock() || !skipCommentBlock()) return MsgIncomplete;
    return nullptr;
}

// The auxiliary columns (X first) and the primary variables of the handle.
void Ingest::buildColumns() {
    it_.field.clear();
    it_.field.push_back(prototypicalTimeField());
    for (NASAfield& f : aux_) it_.field.push_back(std::move(f));
    it_.auxColumnCount = it_.field.size();
    it_.primaryField.clear();
    if (it_.fileFormatIndex == 2010 || it_.fileFormatIndex == 2110)
        it_.primaryField.push_back(prototypicalXField(it_.xName));
    for (NASAfield& f : primary_) it_.primaryField.push_back(std::move(f));
    it_.primaryVariableCount = static_cast<int>(it_.primaryField.size());
    identifyFields(it_.field);
    createFieldAssociations(it_);
}

// The auxiliary row of the next record; the raw text of A(1) when asked for. False when the
// file ends before the row is complete.
bool Ingest::auxRow(std::vector<float>& row, std::string* firstAux) {
    const bool numericRule = it_.fileFormatIndex == 1001;
    std::string token;
    row.clear();
    for (const NASAfield& f : it_.field) {
        if (!in_.token(token)) return false;
        if (firstAux != nullptr && row.size() == 1) *firstAux = token;
        row.push_back(convert(token, f, numericRule));
    }
    return true;
}

// n values of one variable; false when the file ends first.
bool Ingest::values(size_t n, const NASAfield& f, std::vector<float>& out) {
    std::string token;
    for (size_t i = 0; i < n; ++i) {
        if (!in_.token(token)) return false;
        out.push_back(convert(token, f, false));
    }
    return true;
}

void Ingest::keep(std::vector<float> row, std::vector<std::vector<float>> vectors, size_t points) {
    it_.a.push_back(std::move(row));
    it_.v.push_back(std::move(vectors));
    it_.recordSize.push_back(static_cast<int>(std::min<size_t>(points, INT_MAX)));
}

// Every record up to the end of the file. A record is kept only when all its values are
// there; FFI 2010 also drops a last record whose final token ends the file.
void Ingest::readData() {
    const long ffi = it_.fileFormatIndex;
    const size_t nv = primary_.size();
    std::vector<float> row;
    std::string firstAux;
    while (it_.a.size() < static_cast<size_t>(INT_MAX)) {
        if (!auxRow(row, ffi == 2110 ? &firstAux : nullptr)) return;
        std::vector<std::vector<float>> vectors(it_.primaryField.size());
        if (ffi == 1001) {
            keep(row, {}, 0);
        } else if (ffi == 1020) {
            for (size_t k = 0; k < nv; ++k) {
                if (!values(it_.pointsPerVector, it_.primaryField[k], vectors[k])) return;
                in_.skipLine();
            }
            keep(row, std::move(vectors), it_.pointsPerVector);
        } else if (ffi == 2010) {
            for (size_t k = 1; k <= nv; ++k)
                if (!values(it_.pointsPerVector, it_.primaryField[k], vectors[k])) return;
            if (in_.reachedEnd()) return;
            keep(row, std::move(vectors), it_.pointsPerVector);
        } else {
            const long n = std::strtol(firstAux.c_str(), nullptr, 10);
            const size_t points = n > 0 ? static_cast<size_t>(n) : 0;
            for (size_t j = 0; j < points; ++j) {
                for (size_t k = 0; k <= nv; ++k)
                    if (!values(1, it_.primaryField[k], vectors[k])) return;
                in_.skipLine();
            }
            keep(row, std::move(vectors), points);
        }
    }
}

const char* Ingest::run() {
    if (const char* refusal = variantRefusal(text_)) return refusal;
    if (!firstTwoIntegers(in_, it_.headerLineCount, it_.fileFormatIndex)) return MsgNotReadable;
    in_.skipLine();
    for (int i = 0; i < SkippedHeaderLines; ++i) in_.skipLine();
    if (!isSupportedIndex(it_.fileFormatIndex)) return MsgUnsupportedType;
    if (const char* failure = readHeader()) return failure;
    buildColumns();
    readData();
    return nullptr;
}

}  // namespace

bool readFirstTwoIntegers(const char* filename, long& first, long& second) {
    std::string text;
    if (!readWholeFile(filename, text, ProbeSize)) return false;
    Cursor in(text);
    return firstTwoIntegers(in, first, second);
}

bool isRefusedVariant(const char* filename) {
    std::string text;
    return readWholeFile(filename, text, ProbeSize) && variantRefusal(text) != nullptr;
}

const char* ingestFile(const std::string& filename, NASAfile& file) {
    std::string text;
    if (!readWholeFile(filename.c_str(), text)) return MsgNotReadable;
    return Ingest(text, file).run();
}

}  // namespace nasaames
