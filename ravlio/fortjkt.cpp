// Adapters between the driver's by-reference calling convention and the ZARF operations,
// and the table that maps the driver's 32-bit file integers to open ZARFFILE handles.
#include "ravlio/fortjkt.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver.h"

namespace {

const char* const kBadHandle = "ZARFFILE provided is bad";
const char* const kInvalidFilename = "invalid filename - null pointer";
const char* const kNoMemory = "insufficient memory to complete the operation";

// The table-of-contents version every open for writing uses.
constexpr int kTocVersion = 48;

// ---- Handle table ------------------------------------------------------------------------------------

struct OpenHandle {
    int32_t id;
    ZARFFILE* file;
};

// The files opened through the adapters. A handful at a time, so a flat list searched
// linearly; integers are issued in increasing order and never reused while in use.
std::vector<OpenHandle> openHandles;
int32_t lastIssued = 0;

// The table's entry of an integer; null for 0 and for an unknown or stale integer.
OpenHandle* entryOf(int id) {
    if (id == 0) return nullptr;
    for (OpenHandle& h : openHandles)
        if (h.id == id) return &h;
    return nullptr;
}

bool inUse(int32_t id) { return entryOf(id) != nullptr; }

int32_t nextId() {
    do {
        lastIssued = lastIssued == std::numeric_limits<int32_t>::max() ? 1 : lastIssued + 1;
    } while (inUse(lastIssued));
    return lastIssued;
}

// Enters an open file into the table and returns its integer; 0 for a null file.
int enter(ZARFFILE* file) {
    if (file == nullptr) return 0;
    const int32_t id = nextId();
    try {
        openHandles.push_back({id, file});
    } catch (const std::bad_alloc&) {
        ZARFcloseFile(file);  // a file nobody could reach again would stay open
        lastGenericError = kNoMemory;
        return 0;
    }
    return id;
}

ZARFFILE* lookup(int id) {
    const OpenHandle* entry = entryOf(id);
    return entry != nullptr ? entry->file : nullptr;
}

void forget(int id) {
    for (auto it = openHandles.begin(); it != openHandles.end(); ++it) {
        if (it->id == id) {
            openHandles.erase(it);
            return;
        }
    }
}

ZARFFILE* fileAt(const int* handle) { return handle != nullptr ? lookup(*handle) : nullptr; }

// Maps count integers to files: 0 to null, a known integer to its file. Empty optional when
// an entry is neither (unknown or stale).
std::optional<std::vector<ZARFFILE*>> mapList(const int* handles, int count) {
    std::vector<ZARFFILE*> files;
    if (handles == nullptr || count <= 0) return files;
    files.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (handles[i] == 0) {
            files.push_back(nullptr);
            continue;
        }
        ZARFFILE* f = lookup(handles[i]);
        if (f == nullptr) return std::nullopt;
        files.push_back(f);
    }
    return files;
}

// ---- Values by reference -----------------------------------------------------------------------------

int valueOf(const int* p) { return p != nullptr ? *p : 0; }

void store(int* result, int value) {
    if (result != nullptr) *result = value;
}

// Length of a name as sopenr_ takes it: up to the NUL when length is 0, else at most
// length characters stopping at a NUL. The name is never read past its NUL or its length.
size_t nameLength(const char* name, int length) {
    if (length == 0) return std::strlen(name);
    const void* nul = std::memchr(name, '\0', static_cast<size_t>(length));
    return nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - name) : static_cast<size_t>(length);
}

// The name as sopenr_ takes it; empty optional for a null name or a negative length.
std::optional<std::string> nameCopy(const char* name, int length) {
    if (name == nullptr || length < 0) return std::nullopt;
    return std::string(name, nameLength(name, length));
}

// Stores in result the integer that open (name copy -> integer) returns for the name as
// sopenr_ takes it; 0 with the generic error set for a refused name or when memory runs out.
template <typename Open>
void openNamed(const char* name, const int* length, int* result, Open open) {
    store(result, 0);
    try {
        const std::optional<std::string> copy = nameCopy(name, valueOf(length));
        if (!copy) {
            lastGenericError = kInvalidFilename;
            return;
        }
        store(result, open(*copy));
    } catch (const std::bad_alloc&) {
        lastGenericError = kNoMemory;
    }
}

// The column parameters of an open for writing, as they pass through the variable
// arguments of ZARFopenFileWritable.
struct WriteOpen {
    int filetype;
    const int* references;
    int referenceCount;
    const char* programName;
    const char* version;
    const char* historyAddition;
    const int* subheaders;
    int subheaderCount;
    int columnCount;
    const int* identifiers;
    const double* minima;
    const double* maxima;
    const int* independentPrecisions;
    const int* points;
    const int* dependentPrecisions;
    const char* const* shortnames;
    const char* const* labels;
    const char* const* longnames;
    const char* const* units;
};

// The writer only reads the description texts; the variable argument list carries them as
// plain char** because that is the type it reads them back with.
char** textList(const char* const* list) { return const_cast<char**>(list); }

int openWritable(const std::string& name, const WriteOpen& w) {
    auto references = mapList(w.references, w.referenceCount);
    if (!references) {
        lastGenericError = kBadHandle;
        return 0;
    }
    ZARFFILE** refs = references->empty() ? nullptr : references->data();
    ZARFFILE* file = ZARFopenFileWritable(
        name.c_str(), w.filetype, refs, static_cast<int>(references->size()), w.programName, w.version,
        w.historyAddition, kTocVersion, w.subheaders, w.subheaderCount, w.columnCount, w.identifiers, w.minima,
        w.maxima, w.independentPrecisions, w.points, w.dependentPrecisions, textList(w.shortnames),
        textList(w.labels), textList(w.longnames), textList(w.units));
    return enter(file);
}

}  // namespace

extern "C" {

ZARFFILE* FORTJKTfileOf(int handle) { return lookup(handle); }

int FORTJKTreopen(int handle) {
    OpenHandle* entry = entryOf(handle);
    if (entry == nullptr || entry->file->filename == nullptr) return 0;
    ZARFFILE* fresh = ZARFopenFileReadable(entry->file->filename);
    if (fresh == nullptr) return 0;
    ZARFcloseFile(std::exchange(entry->file, fresh));
    return 1;
}

// ---- Reading --------------------------------------------------------------------------------------------

void sopenr_(const char* name, const int* length, int* result) {
    openNamed(name, length, result,
              [](const std::string& copy) { return enter(ZARFopenFileReadable(copy.c_str())); });
}

void sclose_(const int* handle, int* result) {
    ZARFFILE* file = fileAt(handle);
    if (file != nullptr) forget(*handle);
    store(result, ZARFcloseFile(file));
}

void slerr_(const int* handle, char* buffer, const int* size) {
    const int n = valueOf(size);
    if (buffer == nullptr || n < 1) return;
    const char* text = ZARFlastError(fileAt(handle));
    stricpy(buffer, text != nullptr ? text : "", n - 1);
}

void srrcnt_(const int* handle, int* result) { store(result, ZARFreadRecordCount(fileAt(handle))); }

void srrsiz_(const int* handle, const int* record, int* result) {
    store(result, ZARFreadRecordSize(fileAt(handle), valueOf(record)));
}

void srdval_(const int* handle, const int* record, float* values, const int* arraysize, int* result) {
    store(result, ZARFreadDepValues(fileAt(handle), valueOf(record), values, valueOf(arraysize)));
}

void srival_(const int* handle, const int* record, float* values, const int* arraysize, int* result) {
    store(result, ZARFreadIndValues(fileAt(handle), valueOf(record), values, valueOf(arraysize)));
}

void srivad_(const int* handle, const int* record, double* values, const int* arraysize, int* result) {
    store(result, ZARFreadIndValuesDouble(fileAt(handle), valueOf(record), values, valueOf(arraysize)));
}

void sridom_(const int* handle, const int* record, float* minimum, float* maximum, float* interval, int* result) {
    store(result, ZARFreadIndDomain(fileAt(handle), valueOf(record), minimum, maximum, interval));
}

void sridod_(const int* handle, const int* record, double* minimum, double* maximum, double* interval,
             int* result) {
    store(result, ZARFreadIndDomainDouble(fileAt(handle), valueOf(record), minimum, maximum, interval));
}

void sslctd_(const int* handle, const int* axis, const int* dataTypeId, int* result) {
    store(result, ZARFselectData(fileAt(handle), valueOf(axis), valueOf(dataTypeId)));
}

void srrmet_(const int* handle, const int* record, int* requestlist, const int* requestcount, float* responselist,
             int* result) {
    store(result,
          ZARFreadRealMetadata(fileAt(handle), valueOf(record), requestlist, valueOf(requestcount), responselist));
}

void sqmcnt_(const int* handle, const int* record, int* result) {
    store(result, ZARFqueryMaxMetadataCount(fileAt(handle), valueOf(record)));
}

void srmdes_(const int* handle, const int* record, const int* fieldId, const int* descType, char* text,
             const int* textsize, int* result) {
    store(result, ZARFreadMetadataStringDesc(fileAt(handle), valueOf(record), valueOf(fieldId), valueOf(descType),
                                             text, valueOf(textsize)));
}

void srddes_(const int* handle, const int* dataId, const int* descType, char* text, const int* textsize,
             int* result) {
    store(result,
          ZARFreadDataStringDesc(fileAt(handle), valueOf(dataId), valueOf(descType), text, valueOf(textsize)));
}

void sqdcnt_(const int* handle, int* result) { store(result, ZARFqueryMaxDataCount(fileAt(handle))); }

void sqdtyp_(const int* handle, int* dataTypes, const int* memberCount, int* result) {
    store(result, ZARFqueryDataTypes(fileAt(handle), dataTypes, valueOf(memberCount)));
}

// ---- Writing --------------------------------------------------------------------------------------------

void sopenw_(const char* name, const int* filetype, const int* references, const int* referenceCount,
             const char* programName, const char* version, const char* historyAddition, const int* /*tocVersion*/,
             const int* subheaders, const int* subheaderCount, const int* columnCount, const int* identifiers,
             const double* minima, const double* maxima, const int* independentPrecisions, const int* points,
             const int* dependentPrecisions, const char* const* shortnames, const char* const* labels,
             const char* const* longnames, const char* const* units, int* result) {
    const int zero = 0;
    sopnw3_(name, &zero, filetype, references, referenceCount, programName, version, historyAddition, nullptr,
            subheaders, subheaderCount, columnCount, identifiers, minima, maxima, independentPrecisions, points,
            dependentPrecisions, shortnames, labels, longnames, units, result);
}

void sopnw3_(const char* name, const int* length, const int* filetype, const int* references,
             const int* referenceCount, const char* programName, const char* version, const char* historyAddition,
             const int* /*tocVersion*/, const int* subheaders, const int* subheaderCount, const int* columnCount,
             const int* identifiers, const double* minima, const double* maxima, const int* independentPrecisions,
             const int* points, const int* dependentPrecisions, const char* const* shortnames,
             const char* const* labels, const char* const* longnames, const char* const* units, int* result) {
    const WriteOpen w{valueOf(filetype), references, valueOf(referenceCount), programName, version,
                      historyAddition,   subheaders, valueOf(subheaderCount), valueOf(columnCount),
                      identifiers,       minima,     maxima,                  independentPrecisions,
                      points,            dependentPrecisions, shortnames,     labels,
                      longnames,         units};
    openNamed(name, length, result, [&w](const std::string& copy) { return openWritable(copy, w); });
}

void swcrec_(const int* handle, const int* record, const int* originals, const int* origrecords,
             const int* origcount, int* requestlist, const int* requestcount, const float* metadata,
             const float* data, const int* datacount, int* result) {
    ZARFFILE* file = fileAt(handle);
    std::optional<std::vector<ZARFFILE*>> sources;
    try {
        sources = mapList(originals, valueOf(origcount));
    } catch (const std::bad_alloc&) {
        if (file != nullptr) file->lastError = kNoMemory;
        store(result, 0);
        return;
    }
    if (file != nullptr && !sources) {
        file->lastError = kBadHandle;
        store(result, 0);
        return;
    }
    ZARFFILE** list = sources && !sources->empty() ? sources->data() : nullptr;
    const int count = sources ? static_cast<int>(sources->size()) : 0;
    store(result, ZARFwriteCompleteRecord(file, valueOf(record), list, origrecords, count, requestlist,
                                          valueOf(requestcount), metadata, data, valueOf(datacount)));
}

// ---- Text helpers ---------------------------------------------------------------------------------------

int stricpy(char* dest, const char* src, int n) {
    if (dest == nullptr || n < 0) return 0;
    int i = 0;
    if (src != nullptr)
        for (; i < n && src[i] != '\0'; ++i) dest[i] = src[i];
    dest[i] = '\0';
    return i;
}

char* strwithlen(const char* text, int length) {
    if (text == nullptr || length < 0) return nullptr;
    const size_t n = nameLength(text, length);
    auto* out = static_cast<char*>(std::malloc(n + 1));
    if (out == nullptr) return nullptr;
    std::memcpy(out, text, n);
    out[n] = '\0';
    return out;
}

}  // extern "C"
