// The raw instrument format driver (read-only): the library's operations on the records of
// the spectrometer's own raw files, and the two maps from metadata field ids to header words.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "driver.h"
#include "formats/common.h"
#include "formats/raw/vornform.h"
#include "ravlio/associa.h"
#include "ravlio/fields.h"

namespace {

using vornform::HeaderWordCount;
using vornform::VOFile;

using formats::MsgRecordUnavailable;
using formats::MsgBadField;
using formats::MsgBadDescriptionType;
constexpr const char* MsgUnsupported = "writing to this file type is unsupported";

// The request for the next available field.
using formats::NextAvailableField;
// Field ids 65537 to 65636 address header words 0 to 99 directly.
constexpr int DirectWordBase = 65537;

using HeaderTable = std::array<int, HeaderWordCount>;

struct WordId {
    int word;
    int id;
};

constexpr HeaderTable tableOf(std::initializer_list<WordId> entries) {
    HeaderTable table{};
    for (const WordId& e : entries) table[static_cast<size_t>(e.word)] = e.id;
    return table;
}

// Field ids of the header words of VORN files (0: the word is not offered). Ids the RGD
// dictionary names are written by name, the others (this format's own fields) as numbers.
constexpr HeaderTable VORNHeaderTable = tableOf({
    {1, FIELD_channelNumber},                {2, FIELD_sceneMirrorPosition},
    {3, FIELD_thermistor0},                  {4, FIELD_thermistor1},
    {5, FIELD_thermistor2},                  {6, FIELD_thermistor3},
    {7, FIELD_thermistor4},                  {8, FIELD_thermistor5},
    {9, FIELD_thermistor6},                  {10, FIELD_thermistor7},
    {11, 0x88007},                           {12, 0x88008},
    {13, 0x88009},                           {14, 0x8800A},
    {15, 0x8800B},                           {21, FIELD_dateYYMMDD},
    {22, FIELD_timeHHMMSS},                  {24, FIELD_missingDataFlag},
    {28, 0x88001},                           {29, FIELD_coadditionsCount},
    {31, 0x88005},                           {39, FIELD_FFOVhalfAngle},
    {40, FIELD_QUINTwgt},                    {41, FIELD_QUINTeff},
    {42, FIELD_QUINTfback},                  {43, FIELD_QUINThzpd0},
    {44, FIELD_QUINTczpd0},                  {45, FIELD_QUINTnmax},
    {46, FIELD_QUINTan1},                    {47, FIELD_QUINTan2},
    {64, 0x8009},                            {69, FIELD_thermistor8},
    {70, FIELD_thermistor9},                 {71, FIELD_thermistor10},
    {72, FIELD_thermistor11},                {73, FIELD_atmosphericPressure},
    {74, FIELD_atmosphericRelativeHumidity}, {75, FIELD_thermistor12},
    {76, FIELD_thermistor13},                {77, FIELD_Latitude},
    {78, FIELD_Longitude},                   {79, FIELD_Altitude},
});

// Field ids of the header words of the other instrument's (ZEPH) files. Words 54 to 64 and
// 80 to 99 carry consecutive ids; words 76 and 77 share one id. Named as in the VORN table.
constexpr HeaderTable zephTable() {
    HeaderTable table = tableOf({
        {1, FIELD_channelNumber},        {2, FIELD_sceneMirrorPosition},  {3, FIELD_scanDirection},
        {4, 0x180002},                   {5, 0x180003},                   {6, 0x180004},
        {9, 0x180005},                   {10, 0x180006},                  {11, 0x88007},
        {12, 0x88008},                   {13, 0x180007},                  {14, 0x180008},
        {15, 0x180009},                  {19, 0x18000A},                  {20, 0x18000B},
        {21, 0x18000C},                  {23, FIELD_timeHHMMSS},          {24, 0x18000D},
        {26, 0x18000E},                  {27, 0x18000F},                  {28, 0x88001},
        {29, 0x180010},                  {31, 0x180011},                  {37, 0x180012},
        {38, 0x180013},                  {40, 0x180014},                  {41, 0x180015},
        {42, 0x180016},                  {43, 0x180017},                  {44, 0x180018},
        {45, 0x180019},                  {47, 0x18001A},                  {48, 0x18001B},
        {49, 0x88005},                   {50, FIELD_Latitude},            {51, FIELD_Longitude},
        {52, FIELD_Altitude},            {53, FIELD_Heading},             {65, 0x180028},
        {66, 0x180029},                  {67, 0x18002A},                  {68, 0x18002B},
        {69, 0x18002C},                  {70, 0x18002D},                  {71, 0x18002E},
        {72, FIELD_atmosphericPressure}, {73, 0x18002F},                  {74, 0x180030},
        {75, 0x180031},                  {76, 0x180032},                  {77, 0x180032},
        {78, 0x180033},                  {79, 0x180034},
    });
    for (int w = 54; w <= 64; ++w) table[static_cast<size_t>(w)] = 0x18001D + (w - 54);
    for (int w = 80; w <= 99; ++w) table[static_cast<size_t>(w)] = 0x180035 + (w - 80);
    return table;
}
constexpr HeaderTable ZEPHHeaderTable = zephTable();

// The two field-id maps (field id -> 1-based word number), for the whole process.
class HeaderMaps {
public:
    HeaderMaps() : vorn_(build(VORNHeaderTable)), zeph_(build(ZEPHHeaderTable)) {}
    ~HeaderMaps() {
        ASSOCdestroy(vorn_);
        ASSOCdestroy(zeph_);
    }
    HeaderMaps(const HeaderMaps&) = delete;
    HeaderMaps& operator=(const HeaderMaps&) = delete;

    const Associations* vorn() const { return vorn_; }
    const Associations* zeph() const { return zeph_; }

private:
    // Id 0 marks a word that is not offered: it is not registered, so no request finds it.
    // Where two words share an id, the later word is kept.
    static Associations* build(const HeaderTable& table) {
        Associations* map = ASSOCcreate(71);
        for (size_t w = 0; w < table.size(); ++w)
            if (table[w] != 0) ASSOCregisterItem(map, table[w], reinterpret_cast<void*>(static_cast<uintptr_t>(w + 1)));
        return map;
    }

    Associations* vorn_;
    Associations* zeph_;
};

// RegisterHeaderForms: the maps, built on first use.
const HeaderMaps& RegisterHeaderForms() {
    static const HeaderMaps maps;
    return maps;
}

VOFile* voFileOf(ZARFFILE* file) {
    if (file == nullptr || file->method != &VORNFORM_Methods || file->handle == nullptr) return nullptr;
    return static_cast<VOFile*>(file->handle);
}

// grabHeaderTables: the map and table for the stamp of the record read last.
std::pair<const Associations*, const HeaderTable*> grabHeaderTables(const VOFile& vo) {
    char stamp[4];
    std::memcpy(stamp, &vo.header.data[vornform::WordInstrumentStamp], sizeof stamp);
    const bool vorn = std::memcmp(stamp, "VORN", 4) == 0 || std::memcmp(stamp, "NROV", 4) == 0;
    const HeaderMaps& maps = RegisterHeaderForms();
    if (vorn) return {maps.vorn(), &VORNHeaderTable};
    return {maps.zeph(), &ZEPHHeaderTable};
}

// The 0-based header word behind a field id in map, or -1.
int wordOf(const Associations* map, int fieldId) {
    const auto number = reinterpret_cast<uintptr_t>(ASSOClookup(map, fieldId));
    return number == 0 ? -1 : static_cast<int>(number) - 1;
}

// fetchORama: the value of one field of the record read last; false when the id is unknown.
bool fetchORama(const VOFile& vo, int fieldId, const Associations* map, float& out) {
    const auto& data = vo.header.data;
    if (fieldId >= DirectWordBase && fieldId < DirectWordBase + HeaderWordCount) {
        out = data[static_cast<size_t>(fieldId - DirectWordBase)];
        return true;
    }
    if (fieldId == FIELD_dateYYMMDD) {  // computed from the year, month and day words
        const long double date = static_cast<long double>(data[vornform::WordYear]) * 10000.0L +
                                 static_cast<long double>(data[vornform::WordMonth]) * 100.0L +
                                 static_cast<long double>(data[vornform::WordDay]);
        out = formats::toFloat(static_cast<double>(date));
        return true;
    }
    const int word = wordOf(map, fieldId);
    if (word < 0) return false;
    out = data[static_cast<size_t>(word)];
    return true;
}

// Reads record (header only, or with the data); null on success, else the message. A
// record other than the one asked for (record 0, or beyond the end) is unavailable.
const char* readRecord(VOFile& vo, int record, bool withData, bool exact) {
    vo.recordNumber = static_cast<uint32_t>(record);
    vo.LoadDataPoints = withData ? 1 : 0;
    if (const char* error = vornform::VOReadRequest(vo)) return error;
    if (exact && vo.recordNumber != static_cast<uint32_t>(record)) return MsgRecordUnavailable;
    return nullptr;
}

int fail(ZARFFILE* file, const char* message) {
    file->lastError = message;
    return 0;
}

}  // namespace

extern "C" {

int VORNisFileReadable(const char* filename) {
    VOFile* vo = vornform::VOOpen(filename, nullptr);
    if (vo == nullptr) return 0;
    vornform::VOClose(vo);
    return 1;
}

fileHANDLE VORNopenFileWritable(const char* /*filename*/, int /*filetype*/, ZARFFILE** /*referenceList*/,
                                int /*referenceCount*/, const char* /*programName*/, const char* /*version*/,
                                const char* /*historyAddition*/, int /*TOCversion*/, va_list /*args*/) {
    lastGenericError = MsgUnsupported;
    return nullptr;
}

fileHANDLE VORNopenFileReadable(const char* filename) {
    RegisterHeaderForms();
    const char* error = nullptr;
    VOFile* vo = vornform::VOOpen(filename, &error);
    if (vo == nullptr) lastGenericError = error;
    return vo;
}

int VORNcloseFile(ZARFFILE* file) {
    VOFile* vo = voFileOf(file);
    if (vo == nullptr) return 0;
    vornform::VOClose(vo);
    file->handle = nullptr;
    return 1;
}

int VORNreadRecordCount(ZARFFILE* file) {
    VOFile* vo = voFileOf(file);
    if (vo == nullptr) return 0;
    return static_cast<int>(vornform::VOFileLength(*vo) / vo->stats.bytesPerRecord);
}

int VORNreadRecordSize(ZARFFILE* file, int record) {
    VOFile* vo = voFileOf(file);
    if (vo == nullptr || record <= 0 || record > VORNreadRecordCount(file)) return 0;
    readRecord(*vo, record, false, false);  // a failed read answers with the last good layout
    return static_cast<int>(vo->stats.pointsPerRecord);
}

int VORNreadDepValues(ZARFFILE* file, int record, float* values, int arraysize) {
    VOFile* vo = voFileOf(file);
    if (vo == nullptr) return 0;
    if (const char* error = readRecord(*vo, record, true, true)) return fail(file, error);
    if (values == nullptr || arraysize <= 0) return 0;
    const unsigned n = std::min(static_cast<unsigned>(arraysize), vo->arrayFilled);
    std::memcpy(values, vo->y.data(), n * sizeof(float));
    return static_cast<int>(n);
}

int VORNreadIndDomain(ZARFFILE* file, int record, float* minimum, float* maximum, float* interval) {
    VOFile* vo = voFileOf(file);
    if (vo == nullptr) return 0;
    if (const char* error = readRecord(*vo, record, false, false)) return fail(file, error);
    if (minimum != nullptr) *minimum = vo->stats.xmin;
    if (maximum != nullptr) *maximum = vo->stats.xmax;
    if (interval != nullptr) *interval = vo->stats.xinc;
    return 1;
}

int VORNqueryMaxMetadataCount(ZARFFILE* /*file*/, int /*record*/) { return HeaderWordCount; }

int VORNreadRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount, float* responselist) {
    VOFile* vo = voFileOf(file);
    if (vo == nullptr) return 0;
    if (const char* error = readRecord(*vo, record, false, true)) return fail(file, error);
    if (requestlist == nullptr || responselist == nullptr) return 0;
    const auto [map, table] = grabHeaderTables(*vo);
    size_t position = 0;  // enumeration position in the table
    int count = 0;
    for (int i = 0; i < requestcount; ++i) {
        int& request = requestlist[i];
        float& response = responselist[i];
        if (request == NextAvailableField && position < table->size()) {
            while (position < table->size() && (*table)[position] == 0) ++position;
            if (position < table->size()) {
                const int id = (*table)[position++];
                request = id;
                if (fetchORama(*vo, id, map, response)) ++count;
                continue;
            }
        }
        if (fetchORama(*vo, request, map, response)) ++count;
        else if (request != INT_MIN) request = -request;  // INT_MIN has no negative; it stays as it is
    }
    return count;
}

int VORNreadMetadataStringDesc(ZARFFILE* file, int /*record*/, int fieldId, int descType, char* text,
                               int textsize) {
    VOFile* vo = voFileOf(file);
    if (vo == nullptr) return 0;
    const int word = wordOf(grabHeaderTables(*vo).first, fieldId);
    if (word < 0) return fail(file, MsgBadField);
    const auto w = static_cast<size_t>(word);
    const vornform::plHeader& h = vo->header;
    switch (descType) {
        case 1: formats::copyText(text, textsize, (*h.identifiers)[w]); return 1;
        case 3: formats::copyText(text, textsize, (*h.longNames)[w]); return 1;
        case 4: formats::copyText(text, textsize, (*h.units)[w]); return 1;
        case 5: {
            char precision[32];
            std::snprintf(precision, sizeof precision, "1e%ld", (*h.precisions)[w]);
            formats::copyText(text, textsize, precision);
            return 1;
        }
        default: return fail(file, MsgBadDescriptionType);
    }
}

int VORNwriteCompleteRecord(ZARFFILE* file, int /*record*/, ZARFFILE** /*originals*/, const int* /*origrecords*/,
                            int /*origcount*/, int* /*requestlist*/, int /*requestcount*/, const float* /*metadata*/,
                            const float* /*data*/, int /*datacount*/) {
    if (file != nullptr) file->lastError = MsgUnsupported;
    return 0;
}

const Methods VORNFORM_Methods = {
    VORNisFileReadable,        VORNopenFileWritable,        VORNopenFileReadable,
    VORNcloseFile,             VORNreadRecordCount,         VORNreadRecordSize,
    VORNreadDepValues,         VORNreadIndDomain,           DEFAULTreadIndValues,
    VORNqueryMaxMetadataCount, VORNreadRealMetadata,        VORNreadMetadataStringDesc,
    DEFAULTwriteDepValues,     DEFAULTwriteRealMetadata,    DEFAULTcopyMetadata,
    VORNwriteCompleteRecord,   DEFAULTwriteStringDesc,      DEFAULTselectData,
    DEFAULTqueryMaxDataCount,  DEFAULTqueryDataTypes,       DEFAULTreadDataStringDesc,
    DEFAULTreadIndDomainDouble, DEFAULTreadIndValuesDouble, DEFAULTqueryVersion,
};

}  // extern "C"
