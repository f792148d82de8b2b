// The SPC format driver: reads single-spectrum old-format SPC files (bytes 0x00 "M") as one
// record, with the instrument values kept in the header's reserved part as metadata fields.
#include <sys/types.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "driver.h"
#include "formats/common.h"
#include "formats/spc/spcfields.h"
#include "ravlio/associa.h"
#include "ravlio/platform.h"

namespace {

using formats::copyText;
using formats::FilePtr;
using formats::toFloat;
using spc::SPCField;

constexpr const char* MsgUnknownType = "filetype is unknown";
using formats::MsgRecordUnavailable;
using formats::MsgFieldUnavailable;
using formats::MsgBadDescriptionType;
using formats::MsgNoMemory;
// Refusals of files that are SPC but not of the single-spectrum old-format variant, and of
// old-format headers that cannot be read.
constexpr const char* MsgFlaggedVariant = "unsupported SPC variant: multifile or flagged file (flags byte is not 0)";
constexpr const char* MsgNewFormat = "unsupported SPC variant: new-format file (version byte K or L)";
constexpr const char* MsgShortHeader = "SPC header is incomplete (the file is shorter than 256 bytes)";
constexpr const char* MsgBadPointCount = "bad point count in SPC header";

// The old-format header and where the spectrum starts.
constexpr size_t HeaderSize = 256;
constexpr int64_t DataOffset = 256;
constexpr unsigned char OldFormatVersion = 'M';
// The newer SPC formats: version byte for little-endian and big-endian numbers, header size.
constexpr unsigned char NewFormatLittle = 'K';
constexpr unsigned char NewFormatBig = 'L';
constexpr size_t NewHeaderSize = 512;
// Bytes the recogniser reads: enough to tell every variant apart.
constexpr size_t ProbeSize = NewHeaderSize;
// The most points a record can have: the record size is a 32-bit count and the whole
// spectrum must fit below 2 GiB of file.
constexpr double MaxPoints = static_cast<double>((INT_MAX - DataOffset) / 4);
// The most points a header of another variant may announce for the recogniser to claim the
// file (far above any real spectrum, below what text bytes read as a count give).
constexpr double PlausibleVariantPoints = 1 << 24;

// The header fields the reader uses (the first 16 bytes of the header).
struct BomemHeader {
    unsigned char nver = 0;  // flags; 0 in a single-spectrum file
    unsigned char ichk = 0;  // version byte, "M"
    int16_t iyexp = 0;       // Y exponent
    float xnpts = 0.0f;      // number of points
    float xmin = 0.0f;       // first abscissa
    float xmax = 0.0f;       // last abscissa
};

struct SPCFile {
    std::string filename;
    int whichFile = -1;  // file kind: 0 or 1 from the name, -1 without public fields
    FilePtr fp;
    std::array<unsigned char, HeaderSize> header{};
    BomemHeader bomem;
    int points = 0;  // xnpts as an integer
};

SPCFile* spcFileOf(ZARFFILE* file) {
    if (file == nullptr || file->method != &SPC_Methods || file->handle == nullptr) return nullptr;
    return static_cast<SPCFile*>(file->handle);
}

// The little-endian number of type T at offset of the bytes, in host order.
template <typename T>
T littleEndian(const unsigned char* bytes, size_t offset) {
    T v{};
    std::memcpy(&v, bytes + offset, sizeof v);
    if (big_endian != 0) slappy(&v, static_cast<int>(sizeof v), static_cast<int>(sizeof v));
    return v;
}

BomemHeader parseHeader(const unsigned char* bytes) {
    BomemHeader h;
    h.nver = bytes[0];
    h.ichk = bytes[1];
    h.iyexp = littleEndian<int16_t>(bytes, 2);
    h.xnpts = littleEndian<float>(bytes, 4);
    h.xmin = littleEndian<float>(bytes, 8);
    h.xmax = littleEndian<float>(bytes, 12);
    return h;
}

bool isSingleOldFormat(const unsigned char* bytes) { return bytes[0] == 0 && bytes[1] == OldFormatVersion; }

bool isNewFormat(const unsigned char* bytes) { return bytes[1] == NewFormatLittle || bytes[1] == NewFormatBig; }

bool hasSpcSuffix(const char* filename) {
    std::string lowered(filename);
    strlwr(lowered.data());
    return lowered.size() >= 4 && lowered.compare(lowered.size() - 4, 4, ".spc") == 0;
}

// True when bytes (got of them) are the header of another SPC variant, plausibly enough
// that a file named *.spc is claimed in order to be refused with the variant named.
bool isOtherVariant(const unsigned char* bytes, size_t got) {
    if (bytes[1] == OldFormatVersion && bytes[0] != 0) {
        if (got < HeaderSize) return false;
        const float n = littleEndian<float>(bytes, 4);
        return n >= 0.0f && n <= PlausibleVariantPoints && n == std::floor(n);
    }
    if (isNewFormat(bytes)) {
        if (got < NewHeaderSize) return false;
        uint32_t raw = littleEndian<uint32_t>(bytes, 4);
        if (bytes[1] == NewFormatBig) slappy(&raw, 4, 4);
        return raw <= static_cast<uint32_t>(PlausibleVariantPoints);
    }
    return false;
}

// Why the header bytes (got of them) cannot be read as a single-spectrum old-format file;
// null when they can.
const char* headerRefusal(const unsigned char* bytes, size_t got) {
    if (got < 2) return MsgUnknownType;
    if (!isSingleOldFormat(bytes)) {
        if (bytes[1] == OldFormatVersion) return MsgFlaggedVariant;
        return isNewFormat(bytes) ? MsgNewFormat : MsgUnknownType;
    }
    if (got < HeaderSize) return MsgShortHeader;
    const float n = parseHeader(bytes).xnpts;
    if (!(n >= 0.0f && n <= MaxPoints)) return MsgBadPointCount;
    return nullptr;
}

// The file kind from the name: the two characters before the first ".spc" (else the first
// ".SPC") are "m" or "M" and a decimal digit d: d modulo 2; otherwise -1.
int whichFile(const std::string& name) {
    size_t at = name.find(".spc");
    if (at == std::string::npos) at = name.find(".SPC");
    if (at == std::string::npos || at < 2) return -1;
    const char m = name[at - 2];
    const char d = name[at - 1];
    if ((m != 'm' && m != 'M') || d < '0' || d > '9') return -1;
    return (d - '0') % 2;
}

int64_t fileLength(const SPCFile& it) { return _FileLength(fileno(it.fp.get())); }

// Points of the record, negative while the file is shorter than the spectrum it announces.
int recordSize(const SPCFile& it) {
    const int64_t needed = DataOffset + 4 * static_cast<int64_t>(it.points);
    return fileLength(it) >= needed ? it.points : -it.points;
}

// The data word as the integer it stores: its two 16-bit halves exchanged.
int32_t strangeFlip(uint32_t word) {
    if (big_endian != 0) slappy(&word, 4, 4);
    return static_cast<int32_t>((word >> 16) | (word << 16));
}

float scaledValue(int32_t integer, int iyexp) { return toFloat(std::ldexp(static_cast<double>(integer), iyexp - 32)); }

// realFetchInstID: the number written in the 4 characters at offset (as atoi reads it),
// made positive.
float realFetchInstID(const SPCFile& it, int offset) {
    char text[5] = "0000";
    std::memcpy(text, it.header.data() + offset, 4);
    return static_cast<float>(std::labs(std::strtol(text, nullptr, 10)));
}

float realFetchShort(const SPCFile& it, int offset) {
    return static_cast<float>(littleEndian<int16_t>(it.header.data(), static_cast<size_t>(offset)));
}

float realFetchChar(const SPCFile& it, int offset) {
    return static_cast<float>(static_cast<signed char>(it.header[static_cast<size_t>(offset)]));
}

// The field's value in this file; false when the field belongs to the other file kind.
bool fetchRealField(const SPCFile& it, const SPCField& field, float& value) {
    if (field.kind != it.whichFile) return false;
    switch (field.fetch) {
        case spc::Fetch::InstID: value = realFetchInstID(it, field.offset); break;
        case spc::Fetch::Short: value = realFetchShort(it, field.offset); break;
        case spc::Fetch::Char: value = realFetchChar(it, field.offset); break;
        case spc::Fetch::Integer: {
            const auto integer = littleEndian<int32_t>(it.header.data(), static_cast<size_t>(field.offset));
            value = toFloat(static_cast<double>(integer) / field.divisor);
            break;
        }
    }
    return true;
}

// Answers a next-available-field request at entry i from the table position on; advances
// the position. A request that finds no further field comes back negated.
bool nextAvailableField(const SPCFile& it, size_t& position, int& request, float& response) {
    const std::vector<SPCField>& table = spc::publicSPCFields();
    while (position < table.size()) {
        const SPCField& field = table[position++];
        if (fetchRealField(it, field, response)) {
            request = field.id;
            return true;
        }
    }
    request = -spc::NextAvailableField;
    return false;
}

// True for record 1; otherwise sets the record error.
bool isRecordOne(ZARFFILE* file, int record) {
    if (record == 1) return true;
    file->lastError = MsgRecordUnavailable;
    return false;
}

std::string instrumentName(const SPCFile& it) {
    const char* start = reinterpret_cast<const char*>(it.header.data()) + spc::InstrumentNameOffset;
    const auto* end = std::find(start, start + spc::InstrumentNameLength, '\0');
    return std::string(start, end);
}

}  // namespace

extern "C" {

int SPCisFileReadable(const char* filename) {
    skippy();
    if (filename == nullptr) return 0;
    FilePtr fp(std::fopen(filename, "rb"));
    if (fp == nullptr) return 0;
    std::array<unsigned char, ProbeSize> bytes{};
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), fp.get());
    if (got < 8) return 0;
    if (isSingleOldFormat(bytes.data())) return 1;
    return hasSpcSuffix(filename) && isOtherVariant(bytes.data(), got) ? 1 : 0;
}

fileHANDLE SPCopenFileReadable(const char* filename) {
    skippy();
    if (filename == nullptr) return nullptr;
    try {
        auto it = std::make_unique<SPCFile>();
        it->fp.reset(std::fopen(filename, "rb"));
        if (it->fp == nullptr) return nullptr;
        const size_t got = std::fread(it->header.data(), 1, it->header.size(), it->fp.get());
        if (const char* refusal = headerRefusal(it->header.data(), got)) {
            lastGenericError = refusal;
            return nullptr;
        }
        it->bomem = parseHeader(it->header.data());
        it->points = static_cast<int>(it->bomem.xnpts);
        it->filename = filename;
        it->whichFile = whichFile(it->filename);
        spc::findPublicSPCField(spc::InstrumentFieldId);  // registers the public fields once
        return it.release();
    } catch (const std::bad_alloc&) {
        lastGenericError = MsgNoMemory;
        return nullptr;
    }
}

int SPCcloseFile(ZARFFILE* file) {
    SPCFile* it = spcFileOf(file);
    if (it == nullptr) return 0;
    std::unique_ptr<SPCFile> owned(it);
    file->handle = nullptr;
    return 1;
}

int SPCreadRecordCount(ZARFFILE* file) { return spcFileOf(file) != nullptr ? 1 : 0; }

int SPCreadRecordSize(ZARFFILE* file, int record) {
    SPCFile* it = spcFileOf(file);
    if (it == nullptr || !isRecordOne(file, record)) return 0;
    return recordSize(*it);
}

int SPCreadDepValues(ZARFFILE* file, int record, float* values, int arraysize) {
    SPCFile* it = spcFileOf(file);
    if (it == nullptr || !isRecordOne(file, record)) return 0;
    if (values == nullptr || arraysize <= 0) return 0;
    const int64_t available = std::max<int64_t>(0, (fileLength(*it) - DataOffset) / 4);
    const int64_t wanted = std::min({static_cast<int64_t>(std::abs(recordSize(*it))), available,
                                     static_cast<int64_t>(arraysize)});
    if (wanted <= 0 || fseeko(it->fp.get(), DataOffset, SEEK_SET) != 0) return 0;
    // The words are read into the caller's array and converted there, one by one.
    const size_t got = std::fread(values, 4, static_cast<size_t>(wanted), it->fp.get());
    for (size_t i = 0; i < got; ++i) {
        uint32_t word = 0;
        std::memcpy(&word, &values[i], sizeof word);
        values[i] = scaledValue(strangeFlip(word), it->bomem.iyexp);
    }
    return static_cast<int>(got);
}

int SPCreadIndDomain(ZARFFILE* file, int record, float* minimum, float* maximum, float* interval) {
    SPCFile* it = spcFileOf(file);
    if (it == nullptr || !isRecordOne(file, record)) return 0;
    const BomemHeader& h = it->bomem;
    // One point (or none) has no spacing: 0 rather than a division by zero.
    const double step = h.xnpts <= 1.0f ? 0.0 : (static_cast<double>(h.xmax) - h.xmin) / (h.xnpts - 1.0);
    if (minimum != nullptr) *minimum = h.xmin;
    if (maximum != nullptr) *maximum = h.xmax;
    if (interval != nullptr) *interval = toFloat(step);
    return 1;
}

int SPCqueryMaxMetadataCount(ZARFFILE* file, int record) {
    if (spcFileOf(file) == nullptr || !isRecordOne(file, record)) return 0;
    return spc::SPC_Field_Count;
}

int SPCreadRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount, float* responselist) {
    SPCFile* it = spcFileOf(file);
    if (it == nullptr || !isRecordOne(file, record)) return 0;
    if (requestlist == nullptr || responselist == nullptr || requestcount <= 0) return 0;
    size_t position = 0;  // enumeration position in the public table
    int delivered = 0;
    for (int i = 0; i < requestcount; ++i) {
        int& request = requestlist[i];
        if (request == spc::NextAvailableField) {
            if (nextAvailableField(*it, position, request, responselist[i])) ++delivered;
            continue;
        }
        const SPCField* field = spc::findPublicSPCField(request);
        if (field == nullptr) {
            // Negated whatever its sign, as every reader answers a request it cannot
            // serve; INT_MIN has no negation and stays as it is.
            if (request != INT_MIN) request = -request;
        } else if (fetchRealField(*it, *field, responselist[i])) {
            ++delivered;
        }
    }
    return delivered;
}

int SPCreadMetadataStringDesc(ZARFFILE* file, int record, int fieldId, int descType, char* text, int textsize) {
    SPCFile* it = spcFileOf(file);
    if (it == nullptr || !isRecordOne(file, record)) return 0;
    const SPCField* field = spc::findPublicSPCField(fieldId);
    if (field == nullptr) {
        file->lastError = MsgFieldUnavailable;
        return 0;
    }
    const std::string* chosen = nullptr;
    switch (descType) {
        case 1: chosen = &field->name; break;
        case 2: chosen = &field->shortDesc; break;
        case 3: chosen = &field->longDesc; break;
        case 4: chosen = &field->units; break;
        case 5: chosen = &field->precision; break;
        case 6:
            if (fieldId == spc::InstrumentFieldId && it->whichFile == 0) {
                copyText(text, textsize, instrumentName(*it));
                return 1;
            }
            [[fallthrough]];
        default: file->lastError = MsgBadDescriptionType; return 0;
    }
    copyText(text, textsize, *chosen);
    return 1;
}

const Methods SPC_Methods = {
    SPCisFileReadable,          DEFAULTopenFileWritable,     SPCopenFileReadable,
    SPCcloseFile,               SPCreadRecordCount,          SPCreadRecordSize,
    SPCreadDepValues,           SPCreadIndDomain,            DEFAULTreadIndValues,
    SPCqueryMaxMetadataCount,   SPCreadRealMetadata,         SPCreadMetadataStringDesc,
    DEFAULTwriteDepValues,      DEFAULTwriteRealMetadata,    DEFAULTcopyMetadata,
    DEFAULTwriteCompleteRecord, DEFAULTwriteStringDesc,      DEFAULTselectData,
    DEFAULTqueryMaxDataCount,   DEFAULTqueryDataTypes,       DEFAULTreadDataStringDesc,
    DEFAULTreadIndDomainDouble, DEFAULTreadIndValuesDouble,  DEFAULTqueryVersion,
};

}  // extern "C"
