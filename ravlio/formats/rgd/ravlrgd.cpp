// The RGD format driver: recognition, opening for reading and every read operation, the
// in-place metadata patch, the cut after a number of records, and the driver's operation
// table. Writing is in rgdwrite.cpp.
#include "ravlrgd.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include <unistd.h>

#include "ravlio/platform.h"

namespace rgd {

namespace {

using formats::copyText;
using formats::toFloat;

constexpr const char* VersionLinePrefix = "# RAVLIO Version : ";
// How far past the version line prefix a version text is looked for.
constexpr int64_t VersionWindow = 4096;
constexpr size_t VersionAreaSize = 128;
char versionArea[VersionAreaSize];

// 0 (the file as a whole) or a complete record.
bool recordOrZero(const RGDFile& f, int record) { return record == 0 || recordInFile(f, record); }

int recordError(ZARFFILE* file, int result) {
    file->lastError = MsgRecordUnavailable;
    return result;
}

const TOC_version3& currentColumn(const RGDFile& f) { return f.dataType[static_cast<size_t>(f.tableOfContents)]; }

// Column index for a selection value: 0 is the first column, 1 to count the column at
// that position, and a negative value the column whose identifier is its negation (the
// form RGDqueryDataTypes reports). -1 when none.
int dataTypeWithID(const RGDFile& f, int value) {
    if (value == 0) return 0;
    if (value >= 1 && value <= f.dataTypeCount()) return value - 1;
    if (value < 0 && value != INT32_MIN) {
        for (int i = 0; i < f.dataTypeCount(); ++i)
            if (f.dataType[static_cast<size_t>(i)].identifier == -value) return i;
    }
    return -1;
}

// Column index for a description request: resolved from the magnitude as in selection.
int columnForDescription(const RGDFile& f, int value) {
    if (value == INT32_MIN) return -1;
    const int magnitude = value < 0 ? -value : value;
    if (magnitude == 0) return 0;
    return magnitude <= f.dataTypeCount() ? magnitude - 1 : -1;
}

// Makes sure the workspace holds record's header.
bool loadWorkspace(RGDFile& f, int record) {
    if (f.workspaceRecord == record) return true;
    f.workspaceRecord = 0;
    if (!RGDfetchHeader(f, record, f.workspace.data())) return false;
    f.headers.keep(record, f.workspace.data());
    f.workspaceRecord = record;
    return true;
}

// The value of the header field at a position of record (no scaling).
bool fetchRealField(RGDFile& f, int record, int position, float& value) {
    const size_t p = static_cast<size_t>(position);
    if (f.anatomy.fieldWidth[p] != static_cast<int32_t>(sizeof(float)) || !loadWorkspace(f, record)) return false;
    std::memcpy(&value, f.workspace.data() + f.anatomy.fieldOffset[p], sizeof value);
    return true;
}

int enumerateFields(const RGDFile& f, int* requestlist, int requestcount) {
    int stored = 0;
    for (int i = 0; i < requestcount; ++i) {
        if (i < f.anatomy.fieldCount()) {
            requestlist[i] = f.anatomy.fieldid[static_cast<size_t>(i)];
            ++stored;
        } else {
            requestlist[i] = WildcardFieldId;
        }
    }
    return stored;
}

// Offset of the first occurrence of needle in [begin, end) of the stream, or -1.
int64_t findInStream(std::FILE* fp, int64_t begin, int64_t end, const std::string& needle) {
    constexpr int64_t chunk = 65536;
    std::string window;
    int64_t windowStart = begin;
    for (int64_t at = begin; at < end; at += chunk) {
        const int64_t n = std::min(chunk, end - at);
        std::string block(static_cast<size_t>(n), '\0');
        if (!seekTo(fp, at) || !readExact(fp, block.data(), block.size())) return -1;
        window += block;
        const size_t hit = window.find(needle);
        if (hit != std::string::npos) return windowStart + static_cast<int64_t>(hit);
        const size_t keep = std::min(window.size(), needle.size() - 1);
        windowStart += static_cast<int64_t>(window.size() - keep);
        window.erase(0, window.size() - keep);
    }
    return -1;
}

// The text from `from` up to and including the first `to` after it, searched in the
// window following the version line prefix; empty when absent.
std::string versionText(RGDFile& f, const std::string& from, char to) {
    const int64_t line = findInStream(f.fp.get(), 0, f.magicOffset, VersionLinePrefix);
    if (line < 0) return {};
    const int64_t start = line + static_cast<int64_t>(std::strlen(VersionLinePrefix));
    const int64_t n = std::min(VersionWindow, f.magicOffset - start);
    std::string window(static_cast<size_t>(std::max<int64_t>(n, 0)), '\0');
    if (!seekTo(f.fp.get(), start) || !readExact(f.fp.get(), window.data(), window.size())) return {};
    const size_t b = window.find(from);
    if (b == std::string::npos) return {};
    const size_t e = window.find(to, b + 1);
    if (e == std::string::npos) return {};
    return window.substr(b, e - b + 1);
}

}  // namespace

RGDFile* rgdFileOf(ZARFFILE* file) {
    if (file == nullptr || file->method != &RGD_Methods || file->handle == nullptr) return nullptr;
    return static_cast<RGDFile*>(file->handle);
}

int computeRecordsInFile(const RGDFile& f) {
    const FileLook look = lookAt(f.fp.get());
    f.headers.look(look);
    f.knownRecords = computeRecordsInFile(look.length, f.baseOffset, f.stride());
    return f.knownRecords;
}

bool recordInFile(const RGDFile& f, int record) {
    return record >= 1 && (record <= f.knownRecords || record <= computeRecordsInFile(f));
}

bool RGDfetchHeader(RGDFile& f, int record, unsigned char* buffer) {
    if (!recordInFile(f, record)) return false;
    const int64_t at = computeRecordLocation(f.baseOffset, f.stride(), record);
    const size_t n = static_cast<size_t>(f.anatomy.size);
    if (readAt(f.fp.get(), at, buffer, n) != n) return false;
    swapGroups4(buffer, static_cast<size_t>(f.anatomy.size));
    return true;
}

const unsigned char* recordHeader(RGDFile& f, int record, unsigned char* buffer) {
    // A header is kept only for a record complete in the file, and dropped when the length
    // changes.
    if (const unsigned char* kept = f.headers.find(record)) return kept;
    if (!RGDfetchHeader(f, record, buffer)) return nullptr;
    f.headers.keep(record, buffer);
    return buffer;
}

std::unique_ptr<RGDFile> loadPreamble(FilePtr fp, const std::string& name) {
    auto f = std::make_unique<RGDFile>();
    TableOfContents toc;
    if (!isMagic(fp.get(), &f->magicOffset)) {
        lastGenericError = MsgBadMagic;
        return nullptr;
    }
    if (!fetchTableOfContents(fp.get(), toc)) {
        lastGenericError = MsgBadTableOfContents;
        return nullptr;
    }
    if (!generateReadingHeaderAnatomy(fp.get(), f->anatomy)) {
        lastGenericError = MsgBadAnatomy;
        return nullptr;
    }
    f->filename = name;
    f->dataType = std::move(toc.column);
    f->totalDataAreaLength = static_cast<int32_t>(toc.dataAreaLength);
    f->baseOffset = tellOf(fp.get());
    f->workspace.assign(static_cast<size_t>(std::max(f->anatomy.size, 1)), 0);
    f->headers.resize(static_cast<size_t>(f->anatomy.size));
    f->fp = std::move(fp);
    return f;
}

}  // namespace rgd

using namespace rgd;

int RGDisFileReadable(const char* filename) {
    skippy();
    RegisterEverything();
    if (filename == nullptr) return 0;
    if (filename[0] == '@') ++filename;
    FilePtr fp = openStream(filename, "rb");
    return fp != nullptr && isMagic(fp.get()) ? 1 : 0;
}

fileHANDLE RGDopenFileReadable(const char* filename) {
    skippy();
    RegisterEverything();
    if (filename == nullptr) {
        lastGenericError = MsgNotReadable;
        return nullptr;
    }
    const bool update = filename[0] == '@';
    if (update) ++filename;
    try {
        FilePtr fp = openStream(filename, update ? "r+b" : "rb");
        if (fp == nullptr) {
            lastGenericError = MsgNotReadable;
            return nullptr;
        }
        return loadPreamble(std::move(fp), filename).release();
    } catch (const std::bad_alloc&) {
        lastGenericError = MsgNoMemory;
        return nullptr;
    }
}

int RGDcloseFile(ZARFFILE* file) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr) return 0;
    std::unique_ptr<RGDFile> owned(f);
    file->handle = nullptr;
    return 1;
}

int RGDreadRecordCount(ZARFFILE* file) {
    RGDFile* f = rgdFileOf(file);
    return f == nullptr ? -1 : computeRecordsInFile(*f);
}

// True when the file holds part of record `record` after its last complete one: a file cut
// short, or a record its writer has not finished.
bool partialRecordAt(const RGDFile& f, int record) {
    const int complete = computeRecordsInFile(f);
    if (record != complete + 1 || complete == std::numeric_limits<int32_t>::max()) return false;
    const int64_t completeEnd = f.baseOffset + f.stride() * int64_t{complete};
    return lookAt(f.fp.get()).length > completeEnd;
}

int RGDreadRecordSize(ZARFFILE* file, int record) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr) return 0;
    // The record after the last complete one, begun but not whole, has the negative size of
    // a record not yet complete; its values cannot be read.
    if (partialRecordAt(*f, record)) return -(currentColumn(*f).sizeDependentRecord / 4);
    if (!recordInFile(*f, record)) return recordError(file, 0);
    return currentColumn(*f).sizeDependentRecord / 4;
}

int RGDreadDepValues(ZARFFILE* file, int record, float* values, int arraysize) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr) return 0;
    const TOC_version3& c = currentColumn(*f);
    const int64_t n = std::min<int64_t>(int64_t{4} * arraysize, c.sizeDependentRecord) / 4;
    if (values == nullptr || n <= 0 || !recordInFile(*f, record)) return recordError(file, 0);
    const int64_t at = computeRecordLocation(f->baseOffset, f->stride(), record) + f->anatomy.size + c.Continuation;
    const size_t got = readAt(f->fp.get(), at, values, static_cast<size_t>(n) * sizeof(float)) / sizeof(float);
    if (got == 0) return recordError(file, 0);
    swapGroups4(values, got * sizeof(float));
    if (c.scalingFactorLog != 0) {
        const double scale = std::pow(10.0, c.scalingFactorLog);
        for (size_t i = 0; i < got; ++i) values[i] = toFloat(values[i] / scale);
    }
    return static_cast<int>(got);
}

int RGDreadIndDomainDouble(ZARFFILE* file, int record, double* minimum, double* maximum, double* interval) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr) return 0;
    if (!recordInFile(*f, record)) return recordError(file, 0);
    const TOC_version3& c = currentColumn(*f);
    // A column of one point has no interval: the division gives infinity or NaN.
    const double steps = static_cast<double>((c.sizeDependentRecord - 1) / 4);
    if (minimum != nullptr) *minimum = c.independentMinimum;
    if (maximum != nullptr) *maximum = c.independentMaximum;
    if (interval != nullptr) *interval = (c.independentMaximum - c.independentMinimum) / steps;
    return 1;
}

int RGDreadIndDomain(ZARFFILE* file, int record, float* minimum, float* maximum, float* interval) {
    double lo = 0.0;
    double hi = 0.0;
    double step = 0.0;
    if (RGDreadIndDomainDouble(file, record, &lo, &hi, &step) == 0) return 0;
    if (minimum != nullptr) *minimum = toFloat(lo);
    if (maximum != nullptr) *maximum = toFloat(hi);
    if (interval != nullptr) *interval = toFloat(step);
    return 1;
}

int RGDqueryMaxMetadataCount(ZARFFILE* file, int record) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr) return 0;
    if (!recordOrZero(*f, record)) return recordError(file, 0);
    return f->anatomy.fieldCount();
}

int RGDreadRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount, float* responselist) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr) return -1;
    if (record == 0) return requestlist != nullptr ? enumerateFields(*f, requestlist, requestcount) : 0;
    if (!recordInFile(*f, record)) return recordError(file, -1);
    if (f->anatomy.size == 0 || requestlist == nullptr || requestcount <= 0 || responselist == nullptr) return 0;
    // The header is read afresh once per call: another handle may have rewritten the record.
    f->workspaceRecord = 0;
    int count = 0;
    int nextWildcard = 0;
    for (int i = 0; i < requestcount; ++i) {
        const int32_t id = requestlist[i];
        if (id == WildcardFieldId) {
            requestlist[i] = -WildcardFieldId;
            for (; nextWildcard < f->anatomy.fieldCount(); ++nextWildcard) {
                if (fetchRealField(*f, record, nextWildcard, responselist[i])) {
                    requestlist[i] = f->anatomy.fieldid[static_cast<size_t>(nextWildcard++)];
                    ++count;
                    break;
                }
            }
            continue;
        }
        const int position = f->anatomy.position(id);
        if (position >= 0 && fetchRealField(*f, record, position, responselist[i])) {
            ++count;
        } else if (id > 0) {
            requestlist[i] = -id;
        }
    }
    return count;
}

int RGDreadMetadataStringDesc(ZARFFILE* file, int record, int fieldId, int descType, char* text, int textsize) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr || text == nullptr || textsize <= 0) return 0;
    text[0] = '\0';
    int result = 1;
    if (!recordOrZero(*f, record)) result = recordError(file, 0);
    if (f->anatomy.fieldCount() == 0 || f->anatomy.position(fieldId) < 0) {
        file->lastError = MsgFieldUnavailable;
        result = 0;
    }
    const RGDstaticField* entry = RGDlookupField(fieldId);
    if (entry == nullptr) {
        file->lastError = MsgFieldUnavailable;
        return 0;
    }
    const char* chosen = nullptr;
    switch (descType) {
        case 1: chosen = entry->field; break;
        case 2: chosen = entry->shortdesc; break;
        case 3: chosen = entry->longdesc; break;
        case 4: chosen = entry->units; break;
        case 5: chosen = entry->precision; break;
        default: file->lastError = MsgBadDescriptionType; return 0;
    }
    copyText(text, textsize, chosen != nullptr ? chosen : "");
    return result;
}

int RGDselectData(ZARFFILE* file, int axis, int dataTypeId) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr) return 0;
    if (axis != 1 && axis != 2) {
        file->lastError = MsgAxisUnchangeable;
        return 0;
    }
    const int column = dataTypeWithID(*f, dataTypeId);
    if (column < 0) {
        file->lastError = MsgDataUnavailable;
        return 0;
    }
    f->tableOfContents = column;
    return 1;
}

int RGDqueryMaxDataCount(ZARFFILE* file) {
    RGDFile* f = rgdFileOf(file);
    return f == nullptr ? 0 : f->dataTypeCount();
}

int RGDqueryDataTypes(ZARFFILE* file, int* dataTypes, int memberCount) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr || dataTypes == nullptr) return 0;
    int stored = 0;
    for (; stored < memberCount && stored < f->dataTypeCount(); ++stored) {
        const int32_t id = f->dataType[static_cast<size_t>(stored)].identifier;
        dataTypes[stored] = id == INT32_MIN ? id : -id;
    }
    return stored;
}

int RGDreadDataStringDesc(ZARFFILE* file, int dataId, int descType, char* text, int textsize) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr || text == nullptr || textsize <= 0) return 0;
    text[0] = '\0';
    const int column = columnForDescription(*f, dataId);
    if (column < 0) {
        file->lastError = MsgDataUnavailable;
        return 0;
    }
    const TOC_version3& c = f->dataType[static_cast<size_t>(column)];
    std::string chosen;
    if (dataId < 0) {
        switch (descType) {
            case 1: chosen = "wnum" + std::to_string(-static_cast<long>(dataId)); break;
            case 2: chosen = "Wavenumber"; break;
            case 3: chosen = "Wave number in reciprocal centimeters"; break;
            case 4: chosen = "cm-1"; break;
            case 5: chosen = "1E" + std::to_string(static_cast<long>(c.independentPrecisionLog)); break;
            default: file->lastError = MsgBadDescriptionType; return 0;
        }
    } else {
        const DescriptionStrings& d = c.description;
        switch (descType) {
            case 1: chosen = d.shortname; break;
            case 2: chosen = d.label; break;
            case 3: chosen = d.longname; break;
            case 4: chosen = d.units; break;
            case 5: chosen = "1E" + std::to_string(static_cast<long>(c.dependentPrecisionLog)); break;
            default: file->lastError = MsgBadDescriptionType; return 0;
        }
        if (!d.present && descType != 5) return 1;
    }
    if (chosen.empty()) return 0;
    copyText(text, textsize, chosen);
    return 1;
}

const char* RGDqueryVersion(ZARFFILE* file, unsigned componentId) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr || (componentId != 2 && componentId != 3)) return nullptr;
    const std::string found = componentId == 2 ? versionText(*f, "RAVLIO", '\n') : versionText(*f, "$State", '$');
    if (found.empty()) return nullptr;
    const size_t n = std::min(found.size(), VersionAreaSize - 1);
    std::memcpy(versionArea, found.data(), n);
    versionArea[n] = '\0';
    return versionArea;
}

namespace {

// The RGD file behind a handle that an in-place change is asked of; null (with the error
// set) for no handle or a file of another driver.
RGDFile* changeableFile(ZARFFILE* file) {
    if (file == nullptr) {
        lastGenericError = "ZARFFILE provided is bad";
        return nullptr;
    }
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr) file->lastError = MsgWritingUnsupported;
    return f;
}

}  // namespace

extern "C" int ZARFRGDpatchRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount,
                                        const float* patchlist) {
    RGDFile* f = changeableFile(file);
    if (f == nullptr) return -1;
    if (!recordInFile(*f, record)) return recordError(file, -1);
    if (f->anatomy.fieldCount() == 0 || requestcount <= 0 || requestlist == nullptr || patchlist == nullptr) return 0;
    // A patch starts from the header read afresh and changes it on disk: the header kept with
    // that read must not stay.
    f->workspaceRecord = 0;
    const bool loaded = loadWorkspace(*f, record);
    f->headers.forget();
    if (!loaded) return -2;
    int patched = 0;
    for (int i = 0; i < requestcount; ++i) {
        const int position = f->anatomy.position(requestlist[i]);
        if (position < 0 || f->anatomy.fieldWidth[static_cast<size_t>(position)] != 4) {
            if (requestlist[i] > 0) requestlist[i] = -requestlist[i];
            continue;
        }
        std::memcpy(f->workspace.data() + f->anatomy.fieldOffset[static_cast<size_t>(position)], &patchlist[i], 4);
        ++patched;
    }
    std::vector<unsigned char> disk(f->workspace.begin(), f->workspace.begin() + f->anatomy.size);
    swapGroups4(disk.data(), disk.size());
    const int64_t at = computeRecordLocation(f->baseOffset, f->stride(), record);
    if (!seekTo(f->fp.get(), at) || !writeExact(f->fp.get(), disk.data(), disk.size()) ||
        std::fflush(f->fp.get()) != 0) {
        std::clearerr(f->fp.get());
        f->workspaceRecord = 0;
        return 0;
    }
    return patched;
}

extern "C" int ZARFRGDcutRecords(ZARFFILE* file, int count) {
    RGDFile* f = changeableFile(file);
    if (f == nullptr) return -1;
    if (count < 0 || (count > 0 && !recordInFile(*f, count))) return recordError(file, -1);
    std::fflush(f->fp.get());
    const int fd = fileno(f->fp.get());
    const int64_t end = computeRecordLocation(f->baseOffset, f->stride(), int64_t{count} + 1);
    f->workspaceRecord = 0;
    f->headers.forget();
    if (::ftruncate(fd, static_cast<off_t>(end)) != 0 || RAVLIOfsync(fd) != 0) {
        file->lastError = MsgWriteFailed;
        return -2;
    }
    f->knownRecords = count;
    return 0;
}

const Methods RGD_Methods = {
    RGDisFileReadable,         RGDopenFileWritable,        RGDopenFileReadable,
    RGDcloseFile,              RGDreadRecordCount,         RGDreadRecordSize,
    RGDreadDepValues,          RGDreadIndDomain,           DEFAULTreadIndValues,
    RGDqueryMaxMetadataCount,  RGDreadRealMetadata,        RGDreadMetadataStringDesc,
    DEFAULTwriteDepValues,     DEFAULTwriteRealMetadata,   DEFAULTcopyMetadata,
    RGDwriteCompleteRecord,    DEFAULTwriteStringDesc,     RGDselectData,
    RGDqueryMaxDataCount,      RGDqueryDataTypes,          RGDreadDataStringDesc,
    RGDreadIndDomainDouble,    DEFAULTreadIndValuesDouble, RGDqueryVersion,
};
