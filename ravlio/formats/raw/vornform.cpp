// The spectrometer's raw record files: header decoding (integer form with divisors, its
// byte-swapped variant, floating form), layout derivation and data conversion.
#include "formats/raw/vornform.h"

#include <sys/types.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

#include "ravlio/associa.h"
#include "ravlio/platform.h"

namespace vornform {

constexpr int donotalter[] = {WordZarfStamp, WordInstrumentStamp, 38, -1};

namespace {

// One named header word and its descriptions.
struct NamedWord {
    int word;
    const char* identifier;
    const char* unit;
    long precision;
    const char* longName;
};

constexpr NamedWord namedWords[] = {
    {0, "originalRecordNumber", "", 0, "Original Record Number"},
    {1, "channelNumber", "", 0, "Channel Number"},
    {2, "mirrorPositionASCIIChar", "", 0, "Mirror Position"},
    {3, "thermistor0", "Celsius", -2, "Ambient Air near BBs"},
    {4, "thermistor1", "Celsius", -2, "MB100 2nd Port"},
    {5, "thermistor2", "Celsius", -2, "Reflected Temperature"},
    {6, "thermistor3", "Celsius", -2, "LN2 Fill Line"},
    {7, "thermistor4", "Celsius", -2, "HBB #1"},
    {8, "thermistor5", "Celsius", -2, "ABB #1"},
    {9, "thermistor6", "Celsius", -2, "HBB #2"},
    {10, "thermistor7", "Celsius", -2, "ABB #2"},
    {11, "hotBBTemp", "Kelvin", -2, "Hot Blackbody Temperature"},
    {12, "coldBBTemp", "Kelvin", -2, "Cold Blackbody Temperature"},
    {13, "reflectedTemp", "Kelvin", -2, "Reflected Temperature"},
    {14, "warmBBEmissivity", "", -3, "Hot Blackbody Emissivity"},
    {15, "coldBBEmissivity", "", -3, "Cold Blackbody Emissivity"},
    {16, "year", "Year", 0, "Year"},
    {17, "month", "Month", 0, "Month"},
    {18, "day", "Day", 0, "Day"},
    {19, "ZARFstampASCII", "", 0, "File Format ID"},
    {20, "ZARFformatVersion", "", -2, "File Format Version Number"},
    {21, "dateYYMMDD", "YYMMDD", 0, "Date (YYMMDD)"},
    {22, "timeHHMMSS", "HHMMSS", 0, "Time (HHMMSS)"},
    {23, "timeBomemHHMM", "HHMMSS", 0, "Bomem Time"},
    {24, "missingDataFlag", "", 0, "Data Type - indicates bad data"},
    {25, "wordType", "", 0, "Word Type"},
    {26, "releaseNumber", "", 0, "VORN System Software Release Number"},
    {27, "dataScaleFactor", "", 0, "Data Scale Factor"},
    {28, "apodization", "", 0, "Apodization Indicator"},
    {29, "coadditionsCount", "Scans", 0, "Sky Sample Number"},
    {30, "spectrumPointCount", "Points", 0, "Spectrum Point Count"},
    {31, "effLaserWavenumber", "cm-1", -1, "Effective Laser Wavenumber"},
    {32, "independentInterval", "cm-1", -7, "Wavenumber Interval"},
    {33, "independentMinimum", "cm-1", -3, "Minimum Wavenumber"},
    {34, "independentMaximum", "cm-1", -3, "Maximum Wavenumber"},
    {35, "wordsPerRecCount", "Words", 0, "Number of Words per Record"},
    {36, "headerWordCount", "Words", 0, "Number of Words in Header"},
    {37, "VORNstampASCII", "", 0, "Instrument ID"},
    {38, "instrumentUnitNumberASCII", "", 0, "Instrument Unit Number"},
    {39, "FFOVHalfAngle", "Radians", -3, "Field of View Half Angle"},
    {40, "QUINT_wgt", "", 0, "Nonlinearity-wgt"},
    {41, "QUINT_eff", "", -3, "Nonlinearity-eff"},
    {42, "QUINT_fback", "", -3, "Nonlinearity-fback"},
    {43, "QUINT_hzpd0", "", -2, "Nonlinearity-hzpd0"},
    {44, "QUINT_czpd0", "", -2, "Nonlinearity-czpd0"},
    {45, "QUINT_nmax", "", 0, "Nonlinearity-nmax"},
    {46, "QUINT_an1", "", -2, "Nonlinearity-an1"},
    {47, "QUINT_an2", "", -9, "Nonlinearity-an2"},
    {64, "ViewAngle", "Degrees", -1, "View Angle from the Vertical"},
    {69, "thermistor8", "Celsius", -2, "Electronics Air"},
    {70, "thermistor9", "Celsius", -2, "Fixed Resistor #1 (2.6774K Ohms)"},
    {71, "thermistor10", "Celsius", -2, "Fixed Resistor #2 (60.461K Ohms)"},
    {72, "thermistor11", "Celsius", -2, "Outside Air"},
    {73, "pressure", "hPa", -2, "Pressure"},
    {74, "relativeHumidity", "Percent", -2, "Relative Humidity"},
    {75, "thermistor12", "", 0, "Spare #1"},
    {76, "thermistor13", "", 0, "Spare #2"},
    {77, "siteLatitude", "Degrees", -5, "Site Latitude  (Positive North)"},
    {78, "siteLongitude", "Degrees", -5, "Site Longitude (Negative West)"},
    {79, "siteAltitude", "Meters", 0, "Site Altitude  (Above MSL)"},
};

// One description table: the given member of every named word, `unnamed` elsewhere.
template <typename T>
constexpr std::array<T, HeaderWordCount> descriptionTable(T NamedWord::*member, T unnamed) {
    std::array<T, HeaderWordCount> table{};
    table.fill(unnamed);
    for (const NamedWord& w : namedWords) table[static_cast<size_t>(w.word)] = w.*member;
    return table;
}

// Integer form: the 1-based numbers of the words divided by a fixed divisor (ended by -1)
// and the matching divisors.
constexpr int tsw[] = {4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,  // thermistors 0-7, blackbody temperatures
                       15, 16,                                      // emissivities
                       21, 27, 32, 33, 34, 35, 40,                  // version, release, laser, grid, FOV
                       42, 43, 44, 45, 48,                          // nonlinearity terms
                       70, 71, 72, 73, 74, 75, 76, 77,              // thermistors 8-11, pressure, humidity, spares
                       78, 79,                                      // latitude, longitude
                       -1};
constexpr double tsd[] = {100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100,
                          10000, 10000,
                          100, 10, 10000, 1e8, 100000, 100000, 100000,
                          100000, 100000, 100, 100, 1e14,
                          100, 100, 100, 100, 10, 100, 100, 100,
                          1000, 1000};
static_assert(sizeof tsw / sizeof tsw[0] == sizeof tsd / sizeof tsd[0] + 1, "one divisor per scaled word");

// The divisor of each word (0-based) in integer form; 0 for words without one.
constexpr std::array<double, HeaderWordCount> divisorTable() {
    std::array<double, HeaderWordCount> table{};
    for (size_t k = 0; tsw[k] != -1; ++k) table[static_cast<size_t>(tsw[k] - 1)] = tsd[k];
    return table;
}
constexpr std::array<double, HeaderWordCount> divisors = divisorTable();

// The words kept as the bytes stored (text stamps), as a table indexed by word.
constexpr std::array<bool, HeaderWordCount> asciiWordTable() {
    std::array<bool, HeaderWordCount> table{};
    for (const int* w = donotalter; *w != -1; ++w) table[static_cast<size_t>(*w)] = true;
    return table;
}
constexpr std::array<bool, HeaderWordCount> asciiWords = asciiWordTable();

bool isAscii(int word) { return asciiWords[static_cast<size_t>(word)]; }

bool hostIsBigEndian() {
    static const bool host = [] {
        skippy();
        return big_endian != 0;
    }();
    return host;
}

// Puts the 4-byte groups of bytes, stored in the given byte order, into the host's order.
void toHostOrder(unsigned char* bytes, size_t size, int grouping, bool storedBigEndian) {
    if (storedBigEndian != hostIsBigEndian()) slappy(bytes, static_cast<int>(size), grouping);
}

template <typename T>
T wordAt(const unsigned char* bytes) {
    T value{};
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// A real truncated toward zero, when it fits a 32-bit integer.
std::optional<int64_t> truncated(double x) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) return std::nullopt;
    return static_cast<int64_t>(x);
}

// Decodes the 100 header words of raw (byte-swapped in place where the file's order is not
// the host's); false when the header is refused (a format version above 1.00).
bool decodeHeader(HeaderBytesArray& raw, DecodedHeader& out) {
    const unsigned char* count = raw.data() + 4 * WordHeaderWordCount;
    const bool integerForm = (count[0] == 100 && count[1] == 0 && count[2] == 0 && count[3] == 0) ||
                             (count[0] == 0 && count[1] == 0 && count[2] == 0 && count[3] == 100);
    out.floatingPoint = integerForm ? 0 : 1;
    out.bigEndian = integerForm && std::memcmp(raw.data() + 4 * WordZarfStamp, "FRAZ", 4) == 0 ? 1 : 0;
    for (int w = 0; w < HeaderWordCount; ++w) {
        unsigned char* bytes = raw.data() + 4 * w;
        float& slot = out.data[static_cast<size_t>(w)];
        if (isAscii(w)) {
            std::memcpy(&slot, bytes, sizeof slot);
            continue;
        }
        toHostOrder(bytes, 4, 4, out.bigEndian != 0);
        if (out.floatingPoint != 0) {
            slot = wordAt<float>(bytes);
            continue;
        }
        // scaleHeader: integer words become reals, divided by their divisor where they have one.
        const double value = wordAt<int32_t>(bytes);
        const double divisor = divisors[static_cast<size_t>(w)];
        slot = static_cast<float>(divisor != 0.0 ? value / divisor : value);
    }
    return out.floatingPoint != 0 || out.data[WordFormatVersion] <= 1.0F;
}

// Reads the header bytes at the file's current position into raw; false when they cannot be
// read whole.
bool readHeaderBytes(std::FILE* fp, HeaderBytesArray& raw) {
    return std::fread(raw.data(), 1, raw.size(), fp) == raw.size();
}

// The header that raw decodes to. A record's header is asked for again and again (at the
// open, then for its size, its domain, its values, its fields): bytes equal to those decoded
// last decode as they did, and are not decoded again.
const DecodedHeader& decoded(VOFile& vo, const HeaderBytesArray& raw) {
    if (vo.lastHeaderBytes != raw) {
        HeaderBytesArray swapped = raw;
        vo.lastHeader = DecodedHeader{};
        vo.lastHeader.accepted = decodeHeader(swapped, vo.lastHeader);
        vo.lastHeaderBytes = raw;
    }
    return vo.lastHeader;
}

// Derives the layout (findType and determineStats) of a decoded header in a file of
// fileBytes bytes; false when the header describes no readable record. Beyond the checks
// of the layout itself, the data words must lie inside the record: a header whose points
// overrun its own record is refused instead of being read from the record after it.
bool determineStats(const DecodedHeader& h, uint32_t fileBytes, VOparams& stats) {
    const auto word = [&h](int w) { return static_cast<double>(h.data[static_cast<size_t>(w)]); };
    const std::optional<int64_t> headerWords = truncated(word(WordHeaderWordCount));
    const std::optional<int64_t> pointWord = truncated(word(WordPointCount));
    const std::optional<int64_t> recordWords = truncated(word(WordWordsPerRecord));
    if (headerWords != HeaderWordCount || !pointWord || !recordWords || word(WordPointCount) <= 0.0) return false;
    const double dataWords = word(WordWordsPerRecord) - 100.0;
    const bool sixteenBit = h.floatingPoint != 0 && dataWords > 0.0 && word(WordPointCount) / dataWords > 1.5;
    int64_t points = *pointWord;
    if (!sixteenBit && 2 * points + 100 == *recordWords) points *= 2;
    const float xmin = h.data[WordMinimum];
    const float xmax = h.data[WordMaximum];
    if (!std::isfinite(xmin) || !std::isfinite(xmax) || !(xmin < xmax) || points <= 0) return false;
    const int64_t bytesPerPoint = sixteenBit ? 2 : 4;
    const int64_t bytesPerRecord = 4 * *recordWords;
    const int64_t bytesOfData = bytesPerPoint * points;
    if (HeaderBytes + bytesOfData > bytesPerRecord || bytesPerRecord > fileBytes) return false;

    stats.type = sixteenBit ? 1 : 0;
    stats.pointsPerRecord = static_cast<uint32_t>(points);
    stats.xmin = xmin;
    stats.xmax = xmax;
    stats.xinc = h.data[WordInterval];
    if (sixteenBit) stats.xinc = points > 1 ? (xmax - xmin) / static_cast<float>(points - 1) : 0.0F;
    stats.bytesPerPoint = static_cast<uint32_t>(bytesPerPoint);
    stats.bytesPerRecord = static_cast<uint32_t>(bytesPerRecord);
    stats.bytesOfData = static_cast<uint32_t>(bytesOfData);
    stats.firstRecord = 1;
    stats.dataScaleFactor = h.floatingPoint != 0 ? 1.0F : h.data[WordDataScaleFactor];
    return true;
}

// The current length of the open file, or -1 when it cannot be measured.
int fileLength(const VOFile& vo) { return vo.fp == nullptr ? -1 : _FileLength(fileno(vo.fp.get())); }

// updateRecordCount: the complete records in a file of `length` bytes, and the requested
// record clamped to them (0 read as 1); false when the length could not be measured (-1).
bool updateRecordCount(VOFile& vo, int length) {
    if (length < 0 || vo.stats.bytesPerRecord == 0) return false;
    vo.stats.recordsInFile = static_cast<uint32_t>(length) / vo.stats.bytesPerRecord;
    if (vo.recordNumber > vo.stats.recordsInFile) vo.recordNumber = vo.stats.recordsInFile;
    if (vo.recordNumber == 0) vo.recordNumber = 1;
    return true;
}

// Whether a record's layout fits the buffers sized from record 1: the same record size
// (every record of a file has one size, and records are found by it) and no more points.
bool fitsBuffers(const VOFile& vo, const VOparams& layout) {
    return layout.bytesPerRecord == vo.stats.bytesPerRecord && layout.pointsPerRecord <= vo.y.size() &&
           layout.bytesOfData <= vo.stats.readInBuffer.size();
}

// Converts the data bytes of the record read last into vo.y (readPoints); false when the
// values would not be numbers (an integer-form scale factor of 0).
bool readPoints(VOFile& vo) {
    const VOparams& s = vo.stats;
    if (vo.floatingPoint == 0 && s.dataScaleFactor == 0.0F) return false;
    unsigned char* bytes = vo.stats.readInBuffer.data();
    for (uint32_t i = 0; i < s.pointsPerRecord; ++i) {
        float& out = vo.y[i];
        if ((s.type & 1) != 0) {
            unsigned char* p = bytes + 2 * static_cast<size_t>(i);
            toHostOrder(p, 2, 2, false);
            out = static_cast<float>(wordAt<int16_t>(p));
            continue;
        }
        unsigned char* p = bytes + 4 * static_cast<size_t>(i);
        toHostOrder(p, 4, 4, vo.big_endian != 0);
        out = vo.floatingPoint != 0 ? wordAt<float>(p) : static_cast<float>(wordAt<int32_t>(p)) / s.dataScaleFactor;
    }
    vo.arrayFilled = s.pointsPerRecord;
    return true;
}

}  // namespace

const std::array<const char*, HeaderWordCount> VORNHeaderIdentifierList = descriptionTable(&NamedWord::identifier, "");
const std::array<const char*, HeaderWordCount> VORNHeaderUnitList = descriptionTable(&NamedWord::unit, "");
const std::array<long, HeaderWordCount> VORNHeaderPrecisionList = descriptionTable(&NamedWord::precision, 0L);
const std::array<const char*, HeaderWordCount> VORNHeaderLongNameList = descriptionTable(&NamedWord::longName, "");

uint32_t VOFileLength(const VOFile& vo) {
    const int length = fileLength(vo);
    return length > 0 ? static_cast<uint32_t>(length) : 0;
}

VOFile* VOOpen(const char* filename, const char** error) {
    const char* ignored = nullptr;
    const char*& message = error != nullptr ? *error : ignored;
    if (filename == nullptr) {
        message = MsgCannotOpen;
        return nullptr;
    }
    try {
        auto vo = std::make_unique<VOFile>();
        vo->filename = filename;
        vo->fp.reset(std::fopen(filename, "rb"));
        if (vo->fp == nullptr) {
            message = MsgCannotOpen;
            return nullptr;
        }
        // Unbuffered: the instrument may still be writing the file, and every read must see
        // its bytes as they are now, not a copy a seek within the stream buffer would reuse.
        std::setvbuf(vo->fp.get(), nullptr, _IONBF, 0);
        HeaderBytesArray raw{};
        if (!readHeaderBytes(vo->fp.get(), raw)) {
            message = MsgCannotReadHeader;
            return nullptr;
        }
        const DecodedHeader& h = decoded(*vo, raw);
        if (!h.accepted) {
            message = MsgCannotReadHeader;
            return nullptr;
        }
        // One measure of the length serves the header's checks and the record count.
        const int length = fileLength(*vo);
        if (length < 0 || !determineStats(h, static_cast<uint32_t>(length), vo->stats)) {
            message = MsgCannotDetermineStats;
            return nullptr;
        }
        vo->header.data = h.data;
        vo->floatingPoint = h.floatingPoint;
        vo->big_endian = h.bigEndian;
        if (!updateRecordCount(*vo, length)) {
            message = MsgCannotDetermineStats;
            return nullptr;
        }
        vo->y.assign(vo->stats.pointsPerRecord, 0.0F);
        vo->stats.readInBuffer.assign(vo->stats.bytesPerRecord, 0);
        return vo.release();
    } catch (const std::bad_alloc&) {
        message = MsgCannotAllocate;
        return nullptr;
    }
}

const char* VOReadRequest(VOFile& vo) {
    // One measure of the length serves the record count and the header's checks.
    const int length = fileLength(vo);
    if (!updateRecordCount(vo, length)) return MsgCannotFindRecordCount;
    const off_t at = static_cast<off_t>(vo.recordNumber + vo.stats.firstRecord - 2) * vo.stats.bytesPerRecord;
    HeaderBytesArray raw{};
    if (fseeko(vo.fp.get(), at, SEEK_SET) != 0 || !readHeaderBytes(vo.fp.get(), raw)) return MsgCannotReadInHeader;
    const DecodedHeader& h = decoded(vo, raw);
    if (!h.accepted) return MsgCannotReadInHeader;
    VOparams layout;
    if (!determineStats(h, static_cast<uint32_t>(length), layout)) return MsgCannotCheckHeader;
    if (!fitsBuffers(vo, layout)) return MsgLayoutDiffers;
    layout.readInBuffer.swap(vo.stats.readInBuffer);
    layout.recordsInFile = vo.stats.recordsInFile;
    vo.stats = std::move(layout);
    vo.header.data = h.data;
    vo.floatingPoint = h.floatingPoint;
    vo.big_endian = h.bigEndian;
    if (vo.LoadDataPoints == 0) return nullptr;
    if (std::fread(vo.stats.readInBuffer.data(), 1, vo.stats.bytesOfData, vo.fp.get()) != vo.stats.bytesOfData)
        return MsgCannotReadData;
    return readPoints(vo) ? nullptr : MsgCannotReadPoints;
}

void VOClose(VOFile* vo) { delete vo; }

void VOGHSF(const int* version, const int* maxTableSize, int* retHeaderWordCount, double* retTableScaleFactors) {
    if (retHeaderWordCount == nullptr) return;
    *retHeaderWordCount = 0;
    if (version == nullptr || maxTableSize == nullptr || retTableScaleFactors == nullptr) return;
    if (*version != 1 || *maxTableSize < HeaderWordCount) return;
    for (size_t w = 0; w < HeaderWordCount; ++w) {
        if (divisors[w] != 0.0) retTableScaleFactors[w] = divisors[w];
        else retTableScaleFactors[w] = VORNHeaderIdentifierList[w][0] != '\0' ? 1.0 : 0.0;
    }
    *retHeaderWordCount = HeaderWordCount;
}

}  // namespace vornform
