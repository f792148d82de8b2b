// The format-neutral layer of RAVLIO: handles, the registry of open files, error texts,
// format dispatch and the waiting operation.
#include "driver.h"
#include "ravlio/platform.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

static_assert(sizeof(int) == 4, "RAVLIO needs a 32-bit int");
static_assert(sizeof(float) == 4 && sizeof(double) == 8, "RAVLIO needs IEEE float and double");

extern "C" {

const char RAVLIO_Version[] =
    "RAVLIO v20000308 $State: Exp $ $Source: ravlio/ravlio.cpp $ $Name: release $";

const char* lastGenericError = nullptr;

const char* const ZARFcatchAllError = "- Mystery Error : go smack Tam around -";

}  // extern "C"

namespace {

const char* const kInvalidFilename = "invalid filename - null pointer";
const char* const kUnknownFiletype = "filetype is unknown";
const char* const kUnsupportedFiletype = "filetype requested is not supported";
const char* const kNoSuchName = "filename did not correspond to an ZARFFILE";
const char* const kBadHandle = "ZARFFILE provided is bad";
const char* const kNoFiles = "no files provided";
const char* const kNoMemory = "insufficient memory to complete the operation";
const char* const kNotRegular = "filename did not correspond to a regular file";
const char* const kDanglingLink = "filename is a symbolic link to a file that does not exist";
const char* const kStateLabel = "$State: Exp $";
const char* const kWriteEvent = "RAVRWRIT";

// Longest single sleep of the waiting operation, so a long wait is spent in bounded steps.
constexpr int kMaxSingleWait = 20000;

// A handle record together with the storage of its name copy.
struct ZarfRecord : ZARFFILE {
    std::string name;
};

// The registry of open files: an empty slot holds null; it grows by one slot when full and
// never shrinks, so a slot freed by a close is reused by the next open.
std::vector<ZARFFILE*> zarffilelist;

// Drivers probed for reading and the writing driver; null means the built-in tables.
const Methods* const* installedTable = nullptr;
int installedCount = 0;
const Methods* installedWriter = nullptr;

const Methods* const* probeTable() { return installedTable != nullptr ? installedTable : FileType; }
int probeCount() { return installedTable != nullptr ? installedCount : FileTypesSupportedCount; }
const Methods* writer() { return installedTable != nullptr ? installedWriter : WritableFileType; }

// Wraps a driver handle into a registered ZARFFILE. On allocation failure the driver's file
// is closed again so nothing leaks, and null is returned.
ZARFFILE* wrapAndRegister(const Methods* methods, const char* filename, fileHANDLE handle) {
    ZARFFILE* file = newZARFFILE(methods, filename, handle);
    if (file != nullptr && zarfaddfile(file) == file) return file;
    lastGenericError = kNoMemory;
    if (file != nullptr) {
        methods->closeFile(file);
        deleteZARFFILE(file);
    }
    return nullptr;
}

// Why a name may not be opened for reading, or null. Only regular files are data files: a
// directory would read as empty, a FIFO without a writer blocks the first open for ever, and
// a device or FIFO behind a data-file name (/dev/zero, /dev/urandom, a pipe fed by a program)
// is an endless stream. The test comes before any driver probes, so every driver is covered.
// A name that names nothing is left to the drivers (they report it as they always have); an
// update open's "@" prefix is looked through when the name with it names nothing.
const char* readableRefusal(const char* filename) {
    struct stat status {};
    if (stat(filename, &status) != 0 && (filename[0] != '@' || stat(filename + 1, &status) != 0)) return nullptr;
    return S_ISREG(status.st_mode) ? nullptr : kNotRegular;
}

// Why a name may not be opened for writing, or null. Besides what is refused for reading, a
// symbolic link whose target does not exist is refused: creating the file would create it
// wherever the link points. A link to an existing regular file is followed (the file is
// reopened and appended to, as under its own name): such links are made on purpose, to put
// products on another disk, and nothing new is created through them.
const char* writableRefusal(const char* filename) {
    if (filename == nullptr) return nullptr;
    struct stat link {};
    if (lstat(filename, &link) != 0) return nullptr;
    struct stat target {};
    if (stat(filename, &target) != 0) return S_ISLNK(link.st_mode) ? kDanglingLink : nullptr;
    return S_ISREG(target.st_mode) ? nullptr : kNotRegular;
}

template <typename Slot, typename... Args>
int dispatch(ZARFFILE* file, int nullResult, Slot Methods::*slot, Args... args) {
    if (file == nullptr) {
        lastGenericError = kBadHandle;
        return nullResult;
    }
    return (file->method->*slot)(file, args...);
}

// Record count of a file as a wide integer, so "one more than now" cannot overflow.
long long recordCountOf(ZARFFILE* file) { return file->method->readRecordCount(file); }

}  // namespace

extern "C" {

// ---- Handle records and the registry ------------------------------------------------------

ZARFFILE* newZARFFILE(const Methods* methods, const char* filename, fileHANDLE handle) {
    if (handle == nullptr) return nullptr;
    try {
        auto record = std::make_unique<ZarfRecord>();
        record->name = filename != nullptr ? filename : "";
        record->handle = handle;
        record->filename = record->name.data();
        record->extra = nullptr;
        record->lastError = ZARFcatchAllError;
        record->method = methods;
        record->referenceCount = 0;
        return record.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void deleteZARFFILE(ZARFFILE* file) {
    std::unique_ptr<ZarfRecord> owned(static_cast<ZarfRecord*>(file));
}

ZARFFILE* zarfaddfile(ZARFFILE* file) {
    if (file == nullptr) return nullptr;
    auto empty = std::find(zarffilelist.begin(), zarffilelist.end(), nullptr);
    if (empty != zarffilelist.end()) {
        *empty = file;
        return file;
    }
    try {
        zarffilelist.push_back(file);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return file;
}

void zarfdropfile(ZARFFILE* file) { std::replace(zarffilelist.begin(), zarffilelist.end(), file, static_cast<ZARFFILE*>(nullptr)); }

ZARFFILE* zarffindfile(const char* filename) {
    if (filename == nullptr) return nullptr;
    for (ZARFFILE* file : zarffilelist) {
        if (file != nullptr && std::strcmp(file->filename, filename) == 0) return file;
    }
    return nullptr;
}

void ZARFinstallFileTypes(const Methods* const* table, int count, const Methods* writerMethods) {
    installedTable = table;
    installedCount = table != nullptr ? std::max(count, 0) : 0;
    installedWriter = table != nullptr ? writerMethods : nullptr;
}

// ---- Open, close and look-up ------------------------------------------------------------------

ZARFFILE* ZARFopenFileReadable(const char* filename) {
    if (filename == nullptr) {
        lastGenericError = kInvalidFilename;
        return nullptr;
    }
    if (const char* refusal = readableRefusal(filename)) {
        lastGenericError = refusal;
        return nullptr;
    }
    const Methods* const* table = probeTable();
    const int count = probeCount();
    for (int index = 0; index < count && table[index] != nullptr; ++index) {
        const Methods* methods = table[index];
        if (methods->isFileReadable(filename) == 0) continue;
        fileHANDLE handle = methods->openFileReadable(filename);
        if (handle == nullptr) return nullptr;
        return wrapAndRegister(methods, filename, handle);
    }
    lastGenericError = kUnknownFiletype;
    return nullptr;
}

ZARFFILE* ZARFopenFileWritable(const char* filename, int filetype, ZARFFILE** referenceList, int referenceCount,
                               const char* programName, const char* version, const char* historyAddition,
                               int TOCversion, ...) {
    if (static_cast<unsigned>(filetype) > 1U) {
        lastGenericError = kUnsupportedFiletype;
        return nullptr;
    }
    if (const char* refusal = writableRefusal(filename)) {
        lastGenericError = refusal;
        return nullptr;
    }
    const Methods* methods = writer();
    va_list args;
    va_start(args, TOCversion);
    fileHANDLE handle = methods != nullptr
                            ? methods->openFileWritable(filename, filetype, referenceList, referenceCount, programName,
                                                        version, historyAddition, TOCversion, args)
                            : DEFAULTopenFileWritable(filename, filetype, referenceList, referenceCount,
                                                      programName, version, historyAddition, TOCversion, args);
    va_end(args);
    if (handle == nullptr) return nullptr;
    return wrapAndRegister(methods, filename, handle);
}

ZARFFILE* ZARFfileNamed(const char* filename) {
    ZARFFILE* file = zarffindfile(filename);
    if (file == nullptr) lastGenericError = kNoSuchName;
    return file;
}

int ZARFcloseFile(ZARFFILE* file) {
    if (file == nullptr) {
        lastGenericError = kBadHandle;
        return 0;
    }
    zarfdropfile(file);
    const int result = file->method->closeFile(file);
    deleteZARFFILE(file);
    return result;
}

const char* ZARFlastError(ZARFFILE* file) { return file != nullptr ? file->lastError : lastGenericError; }

const char* ZARFqueryVersion(unsigned componentId, ZARFFILE* file) {
    if (componentId == 0) return RAVLIO_Version;
    if (componentId == 1) return kStateLabel;
    if (file == nullptr) return nullptr;
    return file->method->queryVersion(file, componentId);
}

const char* ZARFqueryFormatName(ZARFFILE* file) {
    if (file == nullptr) {
        lastGenericError = kBadHandle;
        return nullptr;
    }
    for (int index = 0; index < FileTypesSupportedCount; ++index) {
        if (FileType[index] == file->method) return FileTypeName[index];
    }
    return nullptr;
}

// ---- Dispatching operations -------------------------------------------------------------------

int ZARFreadRecordCount(ZARFFILE* file) { return dispatch(file, -1, &Methods::readRecordCount); }

int ZARFreadRecordSize(ZARFFILE* file, int record) { return dispatch(file, -1, &Methods::readRecordSize, record); }

int ZARFreadDepValues(ZARFFILE* file, int record, float* values, int arraysize) {
    return dispatch(file, 0, &Methods::readDepValues, record, values, arraysize);
}

int ZARFreadIndDomain(ZARFFILE* file, int record, float* minimum, float* maximum, float* interval) {
    return dispatch(file, -1, &Methods::readIndDomain, record, minimum, maximum, interval);
}

int ZARFreadIndValues(ZARFFILE* file, int record, float* values, int arraysize) {
    return dispatch(file, -1, &Methods::readIndValues, record, values, arraysize);
}

int ZARFreadIndDomainDouble(ZARFFILE* file, int record, double* minimum, double* maximum, double* interval) {
    return dispatch(file, -1, &Methods::readIndDomainDouble, record, minimum, maximum, interval);
}

int ZARFreadIndValuesDouble(ZARFFILE* file, int record, double* values, int arraysize) {
    return dispatch(file, -1, &Methods::readIndValuesDouble, record, values, arraysize);
}

int ZARFwriteDepValues(ZARFFILE* file, int record, const float* values, int count) {
    return dispatch(file, -1, &Methods::writeDepValues, record, values, count);
}

int ZARFselectData(ZARFFILE* file, int axis, int dataTypeId) {
    return dispatch(file, -1, &Methods::selectData, axis, dataTypeId);
}

int ZARFqueryMaxDataCount(ZARFFILE* file) { return dispatch(file, -1, &Methods::queryMaxDataCount); }

int ZARFqueryDataTypes(ZARFFILE* file, int* dataTypes, int memberCount) {
    return dispatch(file, -1, &Methods::queryDataTypes, dataTypes, memberCount);
}

int ZARFqueryMaxMetadataCount(ZARFFILE* file, int record) {
    return dispatch(file, -1, &Methods::queryMaxMetadataCount, record);
}

int ZARFreadRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount, float* responselist) {
    return dispatch(file, -1, &Methods::readRealMetadata, record, requestlist, requestcount, responselist);
}

int ZARFwriteRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount, const float* valuelist) {
    return dispatch(file, -1, &Methods::writeRealMetadata, record, requestlist, requestcount, valuelist);
}

int ZARFcopyMetadata(ZARFFILE* destination, int record, ZARFFILE* source, int sourceRecord) {
    if (source == nullptr) {
        lastGenericError = kBadHandle;
        return -1;
    }
    return dispatch(destination, -1, &Methods::copyMetadata, record, source, sourceRecord);
}

int ZARFwriteCompleteRecord(ZARFFILE* file, int record, ZARFFILE** originals, const int* origrecords, int origcount,
                            int* requestlist, int requestcount, const float* metadata, const float* data,
                            int datacount) {
    const int result = dispatch(file, -1, &Methods::writeCompleteRecord, record, originals, origrecords, origcount,
                                requestlist, requestcount, metadata, data, datacount);
    if (file != nullptr && result != 0) sysevent(kWriteEvent);
    return result;
}

int ZARFreadMetadataStringDesc(ZARFFILE* file, int record, int fieldId, int descType, char* text, int textsize) {
    return dispatch(file, -1, &Methods::readMetadataStringDesc, record, fieldId, descType, text, textsize);
}

int ZARFreadDataStringDesc(ZARFFILE* file, int dataId, int descType, char* text, int textsize) {
    return dispatch(file, -1, &Methods::readDataStringDesc, dataId, descType, text, textsize);
}

int ZARFwriteStringDesc(ZARFFILE* file, int record, int fieldId, int descType, const char* text, int textsize) {
    return dispatch(file, -1, &Methods::writeStringDesc, record, fieldId, descType, text, textsize);
}

// ---- Waiting for writers ----------------------------------------------------------------------

int ZARFwaitNewRecordsReady(ZARFFILE** files, int* /*recordList*/, int filecount, int maxwait) {
    if (filecount <= 0) {
        lastGenericError = kNoFiles;
        return 0;
    }
    if (files == nullptr) {
        lastGenericError = kBadHandle;
        return 0;
    }
    const auto count = static_cast<std::size_t>(filecount);
    std::vector<long long> target;
    std::vector<long long> observed;
    try {
        target.resize(count);
        observed.resize(count);
    } catch (const std::bad_alloc&) {
        lastGenericError = kNoMemory;
        return 0;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (files[i] == nullptr) {
            lastGenericError = kBadHandle;
            return 0;
        }
        target[i] = recordCountOf(files[i]) + 1;
        observed[i] = target[i] - 1;
    }
    int done = 0;
    do {
        done = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (observed[i] < target[i]) observed[i] = recordCountOf(files[i]);
            if (observed[i] >= target[i]) ++done;
        }
        if (done < filecount) {
            const int step = std::min(maxwait, kMaxSingleWait);
            if (step <= 0) break;
            const int waited = syssleep(kWriteEvent, step);
            // A sleep that reports no time spent still uses up its step: the wait stays
            // bounded even when no real sleep happens.
            maxwait -= waited > 0 ? waited : step;
        }
    } while (done < filecount && maxwait > 0);
    return done;
}

}  // extern "C"
