// The OPUS format driver: reads the binary spectrum files of Bruker's OPUS software, one
// record per spectral data block, with the point count, abscissa range, date and time taken
// from the block's data-status parameters. Read-only; follows a file that is still growing;
// prints a running diagnostic trace on standard output.
#include <sys/types.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "driver.h"
#include "formats/common.h"
#include "ravlio/associa.h"
#include "ravlio/fields.h"
#include "ravlio/platform.h"

namespace {

using formats::FilePtr;
using formats::toFloat;

using formats::MsgRecordUnavailable;
using formats::MsgWritingUnsupported;
constexpr const char* MsgHeaderIncomplete = "OPUS file header is incomplete";
constexpr const char* MsgBadMagic = "bad magic number in OPUS file";
using formats::MsgNoMemory;

// File bytes 0A 0A FE FE read as a little-endian 32-bit value.
constexpr uint32_t MagicNumber = 0xFEFE0A0Au;

// The header as the OPUS software writes it: magic (0), program version as a double (4),
// directory offset (12), most directory entries (16), entries in use (20).
constexpr size_t HeaderSize = 24;
constexpr size_t EntrySize = 12;
constexpr size_t ParameterHeadSize = 8;

// Block type bits.
constexpr uint32_t ComplexPartMask = 0x3u;
constexpr uint32_t ParameterKindMask = 0x3F0u;
constexpr uint32_t DataStatusKind = 0x10u;
constexpr int DataTypeShift = 10;
constexpr uint32_t DataTypeMask = 0x7Fu;
// Data types that are spectra: 1-6, 10-12, 14, 16, 17 (one bit per type).
constexpr uint32_t SpectralDataTypes = 0x35C7Eu;
constexpr uint32_t HighestSpectralDataType = 17;

// Metadata this driver offers.
using formats::NextAvailableField;
constexpr int OfferedFields[] = {FIELD_dateYYMMDD, FIELD_timeHHMMSS};
constexpr int MetadataFieldCount = 15;

struct BlockTypeName {
    unsigned long type;
    const char* name;
};

// Printed at every open.
constexpr BlockTypeName typeList[] = {
    {0x1, "DBBREAL"},        {0x2, "DBBIMAG"},      {0x3, "DBBAMPL"},      {0x4, "DBBSAMP"},
    {0x8, "DBBREF"},         {0xC, "DBBRATIO"},     {0x1, "DBBREAL"},      {0x2, "DBBIMAG"},
    {0x3, "DBBAMPL"},        {0x10, "DBBDSTAT"},    {0x20, "DBBINSTR"},    {0x30, "DBBAQPAR"},
    {0x40, "DBBFTPAR"},      {0x50, "DBBPLTPAR"},   {0x60, "DBBPRCPAR"},   {0x70, "DBBGCPAR"},
    {0x80, "DBBLIBPAR"},     {0x90, "DBBCOMPAR"},   {0xA0, "DBBORGPAR"},   {0x400, "DBBSPEC"},
    {0x800, "DBBIGRM"},      {0xC00, "DBBPHAS"},    {0x1000, "DBBAB"},     {0x1400, "DBBTR"},
    {0x1800, "DBBKM"},       {0x1C00, "DBBTRACE"},  {0x2000, "DBBGCIG"},   {0x2400, "DBBGCSP"},
    {0x2800, "DBBRAMAN"},    {0x2C00, "DBBEMIS"},   {0x3000, "DBBREFL"},   {0x3400, "DBBDIR"},
    {0x3800, "DBBPOWER"},    {0x3C00, "DBBLOGREFL"}, {0x4000, "DBBATR"},   {0x4400, "DBBPAS"},
    {0x4800, "DBBARITR"},    {0x4C00, "DBBARIAB"},  {0x20000, "DBB1DERIV"}, {0x40000, "DBB2DERIV"},
    {0x60000, "DBBNDERIV"},  {0x20000, "DBBINFO"},  {0x40000, "DBBPEAK"},  {0x60000, "DBBSTRC"},
    {0x80000, "DBBMACRO"},   {0xA0000, "DBBLOG"},   {0, nullptr},
};

struct OPUS_Header {
    uint32_t magicNumber = 0;
    double programVersionNumber = 0.0;
    int32_t pFirstDirectoryEntry = 0;
    int32_t nMaxDirectoryBlock = 0;
    int32_t nCurrentDirectoryBlock = 0;
};

struct OPUS_Directory_Entry {
    uint32_t type = 0;
    int32_t nWords = 0;     // block length in 4-byte words
    int32_t pLocation = 0;  // file offset of the block
};

// The metadata of one record; the blank status has pointFormat 1 and all else 0 or empty.
struct OPUS_Data_Status {
    int32_t pointFormat = 1;
    int32_t nPoints = 0;
    double minX = 0.0;
    double maxX = 0.0;
    double commonYFactor = 0.0;
    double maxY = 0.0;
    double minY = 0.0;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::string xLabel;
    std::string yLabel;
    std::string xUnits;
    std::string yUnits;
};

struct OPUSFile {
    OPUS_Header header;
    std::vector<OPUS_Directory_Entry> directory;
    std::vector<int> recordDirectory;            // directory index of each record's data block
    std::vector<int> recordDataStatusDirectory;  // directory index of each record's status, -1 none
    OPUS_Data_Status odsCache;
    int odsCacheIndex = -1;        // record (from 0) the cache belongs to, -1 none
    int odsCacheStatus = -1;       // the status block it was read from
    std::string filename;
    FilePtr file;
    long lastFileLength = 0;
};

OPUSFile* opusFileOf(ZARFFILE* file) {
    if (file == nullptr || file->method != &OPUS_Methods || file->handle == nullptr) return nullptr;
    return static_cast<OPUSFile*>(file->handle);
}

// ---- Little-endian values from file bytes --------------------------------------------------

template <typename T>
T littleEndian(const unsigned char* bytes) {
    T value{};
    std::memcpy(&value, bytes, sizeof value);
    if (big_endian != 0) slappy(&value, static_cast<int>(sizeof value), static_cast<int>(sizeof value));
    return value;
}

bool readAt(std::FILE* fp, long offset, void* buffer, size_t size) {
    if (offset < 0 || fseeko(fp, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    return std::fread(buffer, 1, size, fp) == size;
}

long currentLength(const OPUSFile& o) { return _FileLength(fileno(o.file.get())); }

// ---- Block types ---------------------------------------------------------------------------

uint32_t complexPart(uint32_t type) { return type & ComplexPartMask; }
bool isDataStatus(uint32_t type) { return complexPart(type) != 0 && (type & ParameterKindMask) == DataStatusKind; }
uint32_t dataType(uint32_t type) { return (type >> DataTypeShift) & DataTypeMask; }

bool isSpectralBlock(uint32_t type) {
    const uint32_t kind = dataType(type);
    return complexPart(type) != 0 && !isDataStatus(type) && kind <= HighestSpectralDataType &&
           ((SpectralDataTypes >> kind) & 1u) != 0;
}

// The status block type that belongs to a data block type: the same type with the
// parameter-block kind 1.
uint32_t pairedStatusType(uint32_t type) { return (type & ~ParameterKindMask) | DataStatusKind; }

// ---- Directory -----------------------------------------------------------------------------

// Whether the entry's block lies wholly inside a file of the given length.
bool blockInFile(const OPUS_Directory_Entry& e, long length) {
    if (e.pLocation <= 0 || e.pLocation >= length || e.nWords < 0) return false;
    return static_cast<long long>(e.pLocation) + 4LL * e.nWords <= length;
}

// Reads the directory entries up to the first one whose block does not lie wholly inside
// the file (not written yet, or damaged), the end of the file or the header's most entries.
std::vector<OPUS_Directory_Entry> readEntries(OPUSFile& o, long length) {
    std::vector<OPUS_Directory_Entry> entries;
    const long long most = o.header.nMaxDirectoryBlock > 0 ? o.header.nMaxDirectoryBlock : LLONG_MAX;
    long long at = o.header.pFirstDirectoryEntry;
    while (at >= 0 && at + static_cast<long long>(EntrySize) <= length &&
           static_cast<long long>(entries.size()) < most) {
        unsigned char bytes[EntrySize];
        if (!readAt(o.file.get(), static_cast<long>(at), bytes, sizeof bytes)) break;
        OPUS_Directory_Entry e;
        e.type = littleEndian<uint32_t>(bytes);
        e.nWords = littleEndian<int32_t>(bytes + 4);
        e.pLocation = littleEndian<int32_t>(bytes + 8);
        if (!blockInFile(e, length)) break;
        entries.push_back(e);
        at += static_cast<long long>(EntrySize);
    }
    return entries;
}

void rebuildRecords(OPUSFile& o) {
    // Status blocks by type, in directory order: the n-th data block of a type takes the
    // n-th status of the paired type.
    std::map<uint32_t, std::vector<int>> statusesOfType;
    for (size_t i = 0; i < o.directory.size(); ++i)
        if (isDataStatus(o.directory[i].type)) statusesOfType[o.directory[i].type].push_back(static_cast<int>(i));
    std::map<uint32_t, size_t> dataBlocksOfType;
    std::vector<int> records;
    std::vector<int> statuses;
    int lastStatus = -1;
    for (size_t i = 0; i < o.directory.size(); ++i) {
        const OPUS_Directory_Entry& e = o.directory[i];
        if (complexPart(e.type) == 0) continue;
        if (isDataStatus(e.type)) {
            std::puts("STATUS found");
            std::printf(" DATA STATUS at %08lx length %08lx\n", static_cast<unsigned long>(e.pLocation),
                        4UL * static_cast<unsigned long>(e.nWords));
            lastStatus = static_cast<int>(i);
            continue;
        }
        if (!isSpectralBlock(e.type)) continue;
        const auto own = statusesOfType.find(pairedStatusType(e.type));
        std::printf(" RECORD at %08lx length %08lx\n", static_cast<unsigned long>(e.pLocation),
                    4UL * static_cast<unsigned long>(e.nWords));
        const size_t nth = dataBlocksOfType[e.type]++;
        // Without a status of its own type: the last status before it, or none (-1).
        const bool paired = own != statusesOfType.end() && nth < own->second.size();
        records.push_back(static_cast<int>(i));
        statuses.push_back(paired ? own->second[nth] : lastStatus);
    }
    // The cached status stays valid while its record keeps the same status block.
    const auto cached = static_cast<size_t>(o.odsCacheIndex);
    if (o.odsCacheIndex >= 0 && (cached >= statuses.size() || statuses[cached] != o.odsCacheStatus ||
                                 records[cached] != o.recordDirectory[cached]))
        o.odsCacheIndex = -1;
    o.recordDirectory = std::move(records);
    o.recordDataStatusDirectory = std::move(statuses);
    std::printf("%ld records\n", static_cast<long>(o.recordDirectory.size()));
}

void updateDirectory(OPUSFile& o, long length) {
    std::puts("updateDirectory");
    o.directory = readEntries(o, length);
    for (const OPUS_Directory_Entry& e : o.directory)
        std::printf(" directory block type %08lx -  %08lx bytes located at %08lx\n", static_cast<unsigned long>(e.type),
                    4UL * static_cast<unsigned long>(e.nWords), static_cast<unsigned long>(e.pLocation));
    std::printf("%ld directory entries\n", static_cast<long>(o.directory.size()));
    rebuildRecords(o);
    o.lastFileLength = length;
}

// Reads the directory again when the file length changed since the last look; true when
// it did.
bool refreshDirectory(OPUSFile& o) {
    const long length = currentLength(o);
    if (length == o.lastFileLength) return false;
    updateDirectory(o, length);
    return true;
}

// ---- Data status ---------------------------------------------------------------------------

// Three calendar or clock numbers from a DAT or TIM text.
struct Triple {
    int first = 0;
    int second = 0;
    int third = 0;
};

// A number of 1 to `most` digits at text[at]; advances at past it.
bool digits(const std::string& text, size_t& at, size_t most, int& value) {
    size_t n = 0;
    value = 0;
    while (at < text.size() && n < most && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++n;
    }
    return n > 0;
}

// "a<sep>b<sep>c" at the start of text, a and b of at most two digits, c of at most
// `lastDigits`; anything may follow.
bool separatedTriple(const std::string& text, const char* separators, size_t lastDigits, Triple& t) {
    size_t at = 0;
    if (!digits(text, at, 2, t.first) || at >= text.size() || std::strchr(separators, text[at]) == nullptr) return false;
    const char separator = text[at++];
    if (!digits(text, at, 2, t.second) || at >= text.size() || text[at] != separator) return false;
    ++at;
    return digits(text, at, lastDigits, t.third);
}

// Two-digit fields read one after the other (a compact "HHMMSS" text).
Triple twoDigitFields(const std::string& text) {
    Triple t;
    std::sscanf(text.c_str(), "%2d%2d%2d", &t.first, &t.second, &t.third);
    return t;
}

// The digits at text[at] (at most 9 kept, so the value fits); advances at past all of them
// and gives how many there were.
size_t digitRun(const std::string& text, size_t& at, int& value) {
    const size_t start = at;
    value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (at - start < 9) value = value * 10 + (text[at] - '0');
        ++at;
    }
    return at - start;
}

// A calendar date: the year as written (two or four digits), month and day.
struct Date {
    int year = 0;
    size_t yearDigits = 0;
    int month = 0;
    int day = 0;
};

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// True when the date can be one: a month from 1 to 12 and a day that month has. A year of
// two digits does not say its century, so 29 February is allowed in every fourth one.
bool isPossible(const Date& d) {
    constexpr int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > days[d.month - 1]) return false;
    if (d.month != 2 || d.day != 29) return true;
    return d.yearDigits == 4 ? isLeapYear(d.year) : d.year % 4 == 0;
}

// The date a DAT text gives, in the forms real files carry: day first "DD/MM/YYYY" or
// "DD/MM/YY" (the OPUS software's), year first "YYYY/MM/DD" (other instrument software),
// each with "/", "." or "-" (the same twice) and anything after it (a time, a zone), or
// compact "YYMMDD" or "YYYYMMDD" digits. False for any other text.
bool readDate(const std::string& text, Date& d) {
    size_t at = 0;
    int part[3] = {};
    size_t length[3] = {};
    length[0] = digitRun(text, at, part[0]);
    if (at >= text.size() || std::strchr("/.-", text[at]) == nullptr || text[at] == '\0') {
        // Compact digits, ended by the text or by something that is not a digit.
        if (length[0] == 6) d = Date{part[0] / 10000, 2, part[0] / 100 % 100, part[0] % 100};
        else if (length[0] == 8) d = Date{part[0] / 10000, 4, part[0] / 100 % 100, part[0] % 100};
        else return false;
        return true;
    }
    const char separator = text[at++];
    length[1] = digitRun(text, at, part[1]);
    if (at >= text.size() || text[at] != separator) return false;
    ++at;
    length[2] = digitRun(text, at, part[2]);
    if (length[0] == 4 && length[1] >= 1 && length[1] <= 2 && length[2] >= 1 && length[2] <= 2)
        d = Date{part[0], 4, part[1], part[2]};
    else if (length[0] >= 1 && length[0] <= 2 && length[1] >= 1 && length[1] <= 2 && (length[2] == 2 || length[2] == 4))
        d = Date{part[2], length[2], part[1], part[0]};
    else
        return false;
    return true;
}

// Year (two digits), month and day of a DAT text; all 0 when the text is no date or an
// impossible one (month 13, 31 April), so that the date is delivered as missing rather
// than as a wrong number.
Triple parseDate(const std::string& text) {
    Date d;
    if (!readDate(text, d) || !isPossible(d)) return Triple{};
    return Triple{d.year % 100, d.month, d.day};
}

// Hour, minute and second of a TIM text: "HH:MM:SS" (fractions and a zone may follow), or
// a compact "HHMMSS".
Triple parseTime(const std::string& text) {
    Triple hms;
    return separatedTriple(text, ":", 2, hms) ? hms : twoDigitFields(text);
}

bool nameIs(const unsigned char* name, const char* wanted) { return std::memcmp(name, wanted, 4) == 0; }

std::string textValue(const std::vector<unsigned char>& value) {
    const auto end = std::find(value.begin(), value.end(), '\0');
    return std::string(value.begin(), end);
}

// Stores one parameter of a data-status block; values too short for their kind are ignored.
void storeParameter(const unsigned char* name, const std::vector<unsigned char>& value, OPUS_Data_Status& s) {
    const auto integer = [&value](int32_t& into) {
        if (value.size() >= 4) into = littleEndian<int32_t>(value.data());
        return value.size() >= 4;
    };
    const auto real = [&value](double& into) {
        if (value.size() >= 8) into = littleEndian<double>(value.data());
        return value.size() >= 8;
    };
    if (nameIs(name, "NPT")) {
        if (integer(s.nPoints)) std::printf("NPT (num Points)=%ld\n", static_cast<long>(s.nPoints));
    } else if (nameIs(name, "FXV")) {
        if (real(s.minX)) std::printf("FXV (first X)=%lf\n", s.minX);
    } else if (nameIs(name, "LXV")) {
        if (real(s.maxX)) std::printf("LXV (last X) =%lf\n", s.maxX);
    } else if (nameIs(name, "MXY")) {
        if (real(s.maxY)) std::printf("MXY (max Y)  =%lf\n", s.maxY);
    } else if (nameIs(name, "MNY")) {
        if (real(s.minY)) std::printf("MNY (min Y)  =%lf\n", s.minY);
    } else if (nameIs(name, "DPF")) {
        if (integer(s.pointFormat)) std::printf("DPF=%ld\n", static_cast<long>(s.pointFormat));
    } else if (nameIs(name, "DAT")) {
        const Triple d = parseDate(textValue(value));
        s.year = d.first;
        s.month = d.second;
        s.day = d.third;
    } else if (nameIs(name, "TIM")) {
        const Triple t = parseTime(textValue(value));
        s.hour = t.first;
        s.minute = t.second;
        s.second = t.third;
    } else if (nameIs(name, "XTX")) {
        s.xLabel = textValue(value);
    } else if (nameIs(name, "YTX")) {
        s.yLabel = textValue(value);
    } else if (nameIs(name, "DXU")) {
        s.xUnits = textValue(value);
    } else if (nameIs(name, "DYU")) {
        s.yUnits = textValue(value);
    }
}

// Reads the parameters of a status block into s, never past the end of the block.
void readStatusBlock(OPUSFile& o, const OPUS_Directory_Entry& e, OPUS_Data_Status& s) {
    long at = e.pLocation;
    const long end = e.pLocation + 4L * e.nWords;
    std::vector<unsigned char> value;
    while (at + static_cast<long>(ParameterHeadSize) <= end) {
        unsigned char head[ParameterHeadSize];
        if (!readAt(o.file.get(), at, head, sizeof head)) break;
        std::printf("%08lx comparison\n", static_cast<unsigned long>(littleEndian<uint32_t>(head)));
        if (nameIs(head, "END")) {
            std::puts("END found..");
            break;
        }
        const long valueSize = 2L * littleEndian<uint16_t>(head + 6);
        at += static_cast<long>(ParameterHeadSize);
        if (at + valueSize > end) break;
        value.resize(static_cast<size_t>(valueSize));
        if (valueSize > 0 && !readAt(o.file.get(), at, value.data(), value.size())) break;
        char name[5] = {};
        std::memcpy(name, head, 4);
        std::printf("%s %ld halfwords\n", name, valueSize / 2);
        std::printf("%08lx value\n", value.size() >= 4 ? static_cast<unsigned long>(littleEndian<uint32_t>(value.data())) : 0UL);
        storeParameter(head, value, s);
        at += valueSize;
    }
}

// The status of record index (from 0): the cached one, or read from its status block (the
// blank status when the record has none).
void readMetaRecord(OPUSFile& o, int index, OPUS_Data_Status& ret) {
    if (index == o.odsCacheIndex) {
        std::printf("using metadata cache\n");
        ret = o.odsCache;
        return;
    }
    o.odsCacheIndex = -1;
    ret = OPUS_Data_Status{};
    const int status = o.recordDataStatusDirectory[static_cast<size_t>(index)];
    for (size_t i = status < 0 ? o.directory.size() : static_cast<size_t>(status); i < o.directory.size(); ++i) {
        if (!isDataStatus(o.directory[i].type)) continue;
        readStatusBlock(o, o.directory[i], ret);
        break;
    }
    std::puts("- done reading ODS record -");
    std::printf("DPF2=%ld\n", static_cast<long>(ret.pointFormat));
    o.odsCache = ret;
    o.odsCacheIndex = index;
    o.odsCacheStatus = status;
}

bool inRange(const OPUSFile& o, int record) {
    return record >= 1 && static_cast<size_t>(record) <= o.recordDirectory.size();
}

// The OPUS file of a handle with its directory brought up to date, or null.
OPUSFile* refreshed(ZARFFILE* file) {
    OPUSFile* o = opusFileOf(file);
    if (o != nullptr) refreshDirectory(*o);
    return o;
}

// The OPUS file of a handle when record is in range; else null (with the message when the
// handle is an OPUS one).
OPUSFile* refreshedWithRecord(ZARFFILE* file, int record) {
    OPUSFile* o = refreshed(file);
    if (o == nullptr) return nullptr;
    if (!inRange(*o, record)) {
        file->lastError = MsgRecordUnavailable;
        return nullptr;
    }
    return o;
}

bool readHeader(OPUSFile& o) {
    unsigned char bytes[HeaderSize];
    if (!readAt(o.file.get(), 0, bytes, sizeof bytes)) {
        lastGenericError = MsgHeaderIncomplete;
        return false;
    }
    o.header.magicNumber = littleEndian<uint32_t>(bytes);
    o.header.programVersionNumber = littleEndian<double>(bytes + 4);
    o.header.pFirstDirectoryEntry = littleEndian<int32_t>(bytes + 12);
    o.header.nMaxDirectoryBlock = littleEndian<int32_t>(bytes + 16);
    o.header.nCurrentDirectoryBlock = littleEndian<int32_t>(bytes + 20);
    if (o.header.magicNumber != MagicNumber) {
        lastGenericError = MsgBadMagic;
        return false;
    }
    return true;
}

int negated(int id) { return id == INT_MIN ? id : -id; }

}  // namespace

extern "C" {

int OPUSisFileReadable(const char* filename) {
    if (filename == nullptr) return 0;
    FilePtr fp(std::fopen(filename, "r"));
    if (fp == nullptr) return 0;
    unsigned char start[4] = {};
    if (std::fread(start, 1, sizeof start, fp.get()) != sizeof start) return 0;
    return littleEndian<uint32_t>(start) == MagicNumber ? 1 : 0;
}

fileHANDLE OPUSopenFileWritable(const char* /*filename*/, int /*filetype*/, ZARFFILE** /*referenceList*/,
                                int /*referenceCount*/, const char* /*programName*/, const char* /*version*/,
                                const char* /*historyAddition*/, int /*TOCversion*/, va_list /*args*/) {
    lastGenericError = MsgWritingUnsupported;
    return nullptr;
}

fileHANDLE OPUSopenFileReadable(const char* filename) {
    if (filename == nullptr) return nullptr;
    try {
        skippy();
        auto o = std::make_unique<OPUSFile>();
        o->file.reset(std::fopen(filename, "rb"));
        if (o->file == nullptr) return nullptr;
        o->filename = filename;
        if (!readHeader(*o)) return nullptr;
        updateDirectory(*o, currentLength(*o));
        for (const BlockTypeName* t = typeList; t->name != nullptr; ++t) std::printf("%10lx %s\n", t->type, t->name);
        return o.release();
    } catch (const std::bad_alloc&) {
        lastGenericError = MsgNoMemory;
        return nullptr;
    }
}

int OPUScloseFile(ZARFFILE* file) {
    OPUSFile* o = opusFileOf(file);
    if (o == nullptr) return 0;
    std::unique_ptr<OPUSFile> owned(o);
    file->handle = nullptr;
    return 1;
}

int OPUSreadRecordCount(ZARFFILE* file) {
    OPUSFile* o = opusFileOf(file);
    if (o == nullptr) return 0;
    std::puts(" readrecordcount");
    const long length = currentLength(*o);
    if (length != o->lastFileLength) {
        std::puts("opusupdatedirectory");
        updateDirectory(*o, length);
    }
    const auto count = static_cast<long>(o->recordDirectory.size());
    std::printf(" returning record count of %ld\n", count);
    return static_cast<int>(count);
}

int OPUSreadRecordSize(ZARFFILE* file, int record) {
    OPUSFile* o = refreshed(file);
    if (o == nullptr) return 0;
    if (record <= 0) record = 1;
    if (!inRange(*o, record)) return 0;
    OPUS_Data_Status s;
    readMetaRecord(*o, record - 1, s);
    // A status borrowed from another block (a block without a status of its own type, such
    // as a peak table after a spectrum) may count more points than the block holds.
    const OPUS_Directory_Entry& e = o->directory[static_cast<size_t>(o->recordDirectory[static_cast<size_t>(record - 1)])];
    return std::min(s.nPoints, e.nWords);
}

int OPUSreadDepValues(ZARFFILE* file, int record, float* values, int arraysize) {
    OPUSFile* o = refreshedWithRecord(file, record);
    if (o == nullptr) return 0;
    OPUS_Data_Status s;
    readMetaRecord(*o, record - 1, s);
    std::printf("%ld DPF3=%ld\n", static_cast<long>(record), static_cast<long>(s.pointFormat));
    if (s.pointFormat != 1) {
        std::printf("%ld NOT IN FLOAT FORMAT\n", static_cast<long>(record));
        return 0;
    }
    if (values == nullptr || arraysize <= 0) return 0;
    const OPUS_Directory_Entry& e = o->directory[static_cast<size_t>(o->recordDirectory[static_cast<size_t>(record - 1)])];
    const auto count = static_cast<size_t>(std::min(arraysize, e.nWords));
    if (count == 0 || fseeko(o->file.get(), static_cast<off_t>(e.pLocation), SEEK_SET) != 0) return 0;
    // A file cut short since the directory was read delivers the whole values still there.
    const size_t got = std::fread(values, sizeof(float), count, o->file.get());
    if (big_endian != 0) slappy(values, static_cast<int>(got * sizeof(float)), 4);
    return static_cast<int>(got);
}

int OPUSreadIndDomain(ZARFFILE* file, int record, float* minimum, float* maximum, float* interval) {
    OPUSFile* o = refreshedWithRecord(file, record);
    if (o == nullptr) return 0;
    OPUS_Data_Status s;
    readMetaRecord(*o, record - 1, s);
    // One point (or none) spans no interval.
    const double step = s.nPoints > 1 ? (s.maxX - s.minX) / (static_cast<double>(s.nPoints) - 1.0) : 0.0;
    if (minimum != nullptr) *minimum = toFloat(s.minX);
    if (maximum != nullptr) *maximum = toFloat(s.maxX);
    if (interval != nullptr) *interval = toFloat(step);
    return 1;
}

int OPUSqueryMaxMetadataCount(ZARFFILE* file, int record) {
    OPUSFile* o = opusFileOf(file);
    if (o == nullptr) return 0;
    if (!inRange(*o, record)) {
        file->lastError = MsgRecordUnavailable;
        return 0;
    }
    return MetadataFieldCount;
}

int OPUSreadRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount, float* responselist) {
    OPUSFile* o = refreshedWithRecord(file, record);
    if (o == nullptr) return 0;
    if (requestlist == nullptr || responselist == nullptr || requestcount <= 0) return 0;
    OPUS_Data_Status s;
    readMetaRecord(*o, record - 1, s);
    size_t nextOffered = 0;
    int refused = 0;
    for (int i = 0; i < requestcount; ++i) {
        int& id = requestlist[i];
        if (id == NextAvailableField && nextOffered < std::size(OfferedFields)) id = OfferedFields[nextOffered++];
        float& response = responselist[i];
        if (id == FIELD_timeHHMMSS) {
            response = static_cast<float>(s.hour * 10000 + s.minute * 100 + s.second);
            std::printf("hhmmss : %02d%02d%02d", s.hour, s.minute, s.second);
        } else if (id == FIELD_sceneMirrorPosition) {
            response = 32.0f;
        } else if (id == FIELD_dateYYMMDD) {
            // A record without a readable date has month 0: its date is missing.
            response = s.month == 0 ? formats::nanq() : static_cast<float>(s.year * 10000 + s.month * 100 + s.day);
        } else {
            response = 0.0f;
            id = negated(id);
            ++refused;
        }
    }
    return requestcount - refused;
}

const Methods OPUS_Methods = {
    OPUSisFileReadable,         OPUSopenFileWritable,       OPUSopenFileReadable,
    OPUScloseFile,              OPUSreadRecordCount,        OPUSreadRecordSize,
    OPUSreadDepValues,          OPUSreadIndDomain,          DEFAULTreadIndValues,
    OPUSqueryMaxMetadataCount,  OPUSreadRealMetadata,       DEFAULTreadMetadataStringDesc,
    DEFAULTwriteDepValues,      DEFAULTwriteRealMetadata,   DEFAULTcopyMetadata,
    DEFAULTwriteCompleteRecord, DEFAULTwriteStringDesc,     DEFAULTselectData,
    DEFAULTqueryMaxDataCount,   DEFAULTqueryDataTypes,      DEFAULTreadDataStringDesc,
    DEFAULTreadIndDomainDouble, DEFAULTreadIndValuesDouble, DEFAULTqueryVersion,
};

}  // extern "C"
