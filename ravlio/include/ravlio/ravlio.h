/* RAVLIO: one record-oriented interface over several spectral data-file formats.
 *
 * A data file is a sequence of records numbered from 1. Each record holds a vector of
 * dependent values (the spectrum), an independent axis (wavenumber) given by a domain
 * (minimum, maximum, interval) or by explicit values, and real-valued metadata fields
 * identified by integer field identifiers, each with descriptive strings.
 *
 * A file is opened with ZARFopenFileReadable (the format is found by probing) or
 * ZARFopenFileWritable (always the native RGD format), giving a ZARFFILE handle. Every
 * other ZARF operation dispatches through the operation table (Methods) of the format
 * driver that opened the file. The library owns each handle from open to ZARFcloseFile;
 * after the close the pointer is dangling and must not be passed again.
 *
 * Errors: operations report failure by their result (0, -1 or null as documented). The
 * text of the last failure is kept per handle (lastError) and for the whole process
 * (last generic error, for failures without a handle: bad handle, failed open).
 * ZARFlastError returns it. All texts are static: never free or change them.
 *
 * Types: int is a 32-bit signed integer, float a 32-bit IEEE real, double a 64-bit IEEE
 * real. All arrays are owned by the caller. Description types: 1 short name, 2 label,
 * 3 long name, 4 units, 5 precision text, 6 text value. Axis numbers: 1 independent,
 * 2 dependent. A negative record size means a record that is not yet complete.
 *
 * Single-threaded: the registry of open files and the last generic error are unprotected
 * process-wide state.
 */
#ifndef RAVLIO_RAVLIO_H
#define RAVLIO_RAVLIO_H

#include <stdarg.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The library version label: "RAVLIO v20000308 " followed by revision-control keywords. */
extern const char RAVLIO_Version[];

/* A driver's own state for one open file; opaque to everything but that driver. */
typedef void* fileHANDLE;

typedef struct Methods Methods;
typedef struct ZARFFILE ZARFFILE;

/* One open data file. Created by the open operations, destroyed by ZARFcloseFile. */
struct ZARFFILE {
    fileHANDLE handle;      /* driver state returned by the driver's open; never null */
    char* filename;         /* private copy of the name given at open; freed at close */
    void* extra;            /* spare slot for the driver; the core never touches it */
    const char* lastError;  /* static text of the last failure on this file */
    const Methods* method;  /* operation table of the driver that opened the file */
    int referenceCount;     /* spare; the core never touches it */
};

/* The operation table every format driver supplies, 24 slots in this order. Slots a driver
 * does not implement hold the DEFAULT operation of the same name.
 *
 * Slot 1 (openFileWritable) receives the variable arguments of ZARFopenFileWritable as one
 * va_list in its last parameter. The va_list has been started by ZARFopenFileWritable and
 * is ended by it after the slot returns; the driver reads it with va_arg only (it must not
 * call va_end on it, and must va_copy it if it needs to read it twice). */
struct Methods {
    /*  0 */ int (*isFileReadable)(const char* filename);
    /*  1 */ fileHANDLE (*openFileWritable)(const char* filename, int filetype, ZARFFILE** referenceList,
                                            int referenceCount, const char* programName, const char* version,
                                            const char* historyAddition, int TOCversion, va_list args);
    /*  2 */ fileHANDLE (*openFileReadable)(const char* filename);
    /*  3 */ int (*closeFile)(ZARFFILE* file);
    /*  4 */ int (*readRecordCount)(ZARFFILE* file);
    /*  5 */ int (*readRecordSize)(ZARFFILE* file, int record);
    /*  6 */ int (*readDepValues)(ZARFFILE* file, int record, float* values, int arraysize);
    /*  7 */ int (*readIndDomain)(ZARFFILE* file, int record, float* minimum, float* maximum, float* interval);
    /*  8 */ int (*readIndValues)(ZARFFILE* file, int record, float* values, int arraysize);
    /*  9 */ int (*queryMaxMetadataCount)(ZARFFILE* file, int record);
    /* 10 */ int (*readRealMetadata)(ZARFFILE* file, int record, int* requestlist, int requestcount,
                                     float* responselist);
    /* 11 */ int (*readMetadataStringDesc)(ZARFFILE* file, int record, int fieldId, int descType, char* text,
                                           int textsize);
    /* 12 */ int (*writeDepValues)(ZARFFILE* file, int record, const float* values, int count);
    /* 13 */ int (*writeRealMetadata)(ZARFFILE* file, int record, int* requestlist, int requestcount,
                                      const float* valuelist);
    /* 14 */ int (*copyMetadata)(ZARFFILE* destination, int record, ZARFFILE* source, int sourceRecord);
    /* 15 */ int (*writeCompleteRecord)(ZARFFILE* file, int record, ZARFFILE** originals, const int* origrecords,
                                        int origcount, int* requestlist, int requestcount, const float* metadata,
                                        const float* data, int datacount);
    /* 16 */ int (*writeStringDesc)(ZARFFILE* file, int record, int fieldId, int descType, const char* text,
                                    int textsize);
    /* 17 */ int (*selectData)(ZARFFILE* file, int axis, int dataTypeId);
    /* 18 */ int (*queryMaxDataCount)(ZARFFILE* file);
    /* 19 */ int (*queryDataTypes)(ZARFFILE* file, int* dataTypes, int memberCount);
    /* 20 */ int (*readDataStringDesc)(ZARFFILE* file, int dataId, int descType, char* text, int textsize);
    /* 21 */ int (*readIndDomainDouble)(ZARFFILE* file, int record, double* minimum, double* maximum,
                                        double* interval);
    /* 22 */ int (*readIndValuesDouble)(ZARFFILE* file, int record, double* values, int arraysize);
    /* 23 */ const char* (*queryVersion)(ZARFFILE* file, unsigned componentId);
};

/* ---- Open, close and look-up ---------------------------------------------------------- */

/* Opens an existing file for reading. The drivers are asked in their fixed probing order
 * whether they recognise the file; the first that does opens it.
 * Success: a new registered handle (owned by the library until ZARFcloseFile).
 * Failure: null. A null filename sets "invalid filename - null pointer"; no driver
 * recognising the file sets "filetype is unknown"; a recognising driver whose open fails
 * leaves its own message (no other driver is tried). */
ZARFFILE* ZARFopenFileReadable(const char* filename);

/* Creates (or, when it exists, reopens for appending) an RGD file for writing.
 * filetype must be 0 or 1 (both mean RGD); anything else (taken as unsigned, so also any
 * negative value) fails with "filetype requested is not supported". referenceList holds
 * referenceCount open handles whose record headers are copied into the written records.
 * The variable arguments after TOCversion describe the columns; their meaning depends on
 * TOCversion and is fixed by the RGD writer (36, 44 or 48). They are passed on untouched.
 * Success: a new registered handle. Failure: null with the last generic error set. */
ZARFFILE* ZARFopenFileWritable(const char* filename, int filetype, ZARFFILE** referenceList, int referenceCount,
                               const char* programName, const char* version, const char* historyAddition,
                               int TOCversion, ...);

/* Returns the first open handle whose name equals filename byte for byte (case-sensitive).
 * No match (or a null filename): null, and the last generic error becomes
 * "filename did not correspond to an ZARFFILE". */
ZARFFILE* ZARFfileNamed(const char* filename);

/* Closes the file: drops it from the registry, calls the driver's close, frees the handle.
 * Returns the driver's close result. A null file sets "ZARFFILE provided is bad" and
 * returns 0. The handle must not be used afterwards. */
int ZARFcloseFile(ZARFFILE* file);

/* The static text of the last failure: the handle's lastError when file is not null
 * (the catch-all "- Mystery Error : go smack Tam around -" when nothing failed on it yet),
 * else the last generic error, which is null before the first library-wide failure.
 * Texts are never reset on success; they only mean something right after a failure. */
const char* ZARFlastError(ZARFFILE* file);

/* Version texts: component 0 gives RAVLIO_Version, component 1 "$State: Exp $" (neither
 * consults the file); any other component gives null without a file, else the driver's
 * answer (RGD answers 2 and 3 from the file's history; other drivers null). The result is
 * static and may be overwritten by the next call. Note the argument order. */
const char* ZARFqueryVersion(unsigned componentId, ZARFFILE* file);

/* Extension: the name of the format of the driver that opened the file ("RGD", "MLT",
 * "NASA Ames", "raw instrument", ...); null for a driver without a name in the library's
 * table. A null handle sets the last generic error to "ZARFFILE provided is bad" and gives
 * null. The text is static: never free or change it. */
const char* ZARFqueryFormatName(ZARFFILE* file);

/* ---- Dispatching operations -----------------------------------------------------------
 * Each calls the same-named operation of the handle's driver with its arguments unchanged
 * and returns its result. A null handle sets the last generic error to
 * "ZARFFILE provided is bad" and returns -1 (ZARFreadDepValues: 0). Driver failures set
 * the handle's lastError. */

/* Number of records in the file. */
int ZARFreadRecordCount(ZARFFILE* file);
/* Number of points in the record; negative when the record is not yet complete. */
int ZARFreadRecordSize(ZARFFILE* file, int record);
/* Reads at most arraysize dependent values of the record; returns the number stored. */
int ZARFreadDepValues(ZARFFILE* file, int record, float* values, int arraysize);
/* Reads the record's independent domain into the three outputs; nonzero on success. */
int ZARFreadIndDomain(ZARFFILE* file, int record, float* minimum, float* maximum, float* interval);
/* Reads at most arraysize independent values of the record; returns the number stored. */
int ZARFreadIndValues(ZARFFILE* file, int record, float* values, int arraysize);
/* As ZARFreadIndDomain in double precision; nonzero on success. */
int ZARFreadIndDomainDouble(ZARFFILE* file, int record, double* minimum, double* maximum, double* interval);
/* As ZARFreadIndValues in double precision; returns the number stored. */
int ZARFreadIndValuesDouble(ZARFFILE* file, int record, double* values, int arraysize);
/* Writes count dependent values into the record; count or status (0 on failure). */
int ZARFwriteDepValues(ZARFFILE* file, int record, const float* values, int count);
/* Selects the column (data-type identifier) for an axis (1 or 2); nonzero on success. */
int ZARFselectData(ZARFFILE* file, int axis, int dataTypeId);
/* Number of data types (columns) in the file. */
int ZARFqueryMaxDataCount(ZARFFILE* file);
/* Stores at most memberCount data-type identifiers; returns the number stored. */
int ZARFqueryDataTypes(ZARFFILE* file, int* dataTypes, int memberCount);
/* Number of metadata fields of the record (-1 when the format has none). */
int ZARFqueryMaxMetadataCount(ZARFFILE* file, int record);
/* Reads requestcount metadata fields named by requestlist into responselist; returns the
 * count found. Requests that yield no value may come back negated in requestlist;
 * 2000000000 asks for the next available field. */
int ZARFreadRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount, float* responselist);
/* Writes metadata fields of the record; count or status (0 on failure). */
int ZARFwriteRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount, const float* valuelist);
/* Copies the metadata of source's sourceRecord into destination's record; status.
 * Either handle null: "ZARFFILE provided is bad" and -1. Dispatches to destination. */
int ZARFcopyMetadata(ZARFFILE* destination, int record, ZARFFILE* source, int sourceRecord);
/* Writes one whole record: headers copied from originals[i] record origrecords[i]
 * (origcount sources), requestcount metadata values, then datacount data values.
 * Nonzero on success, in which case the "RAVRWRIT" event is signalled for waiting readers. */
int ZARFwriteCompleteRecord(ZARFFILE* file, int record, ZARFFILE** originals, const int* origrecords, int origcount,
                            int* requestlist, int requestcount, const float* metadata, const float* data,
                            int datacount);
/* Copies a description (descType) of metadata field fieldId of the record into text, a
 * buffer of textsize bytes; count or status (0 on failure). */
int ZARFreadMetadataStringDesc(ZARFFILE* file, int record, int fieldId, int descType, char* text, int textsize);
/* Copies a description (descType) of the column dataId into text (textsize bytes); status. */
int ZARFreadDataStringDesc(ZARFFILE* file, int dataId, int descType, char* text, int textsize);
/* Writes a description of a metadata field of the record; status (0 on failure). */
int ZARFwriteStringDesc(ZARFFILE* file, int record, int fieldId, int descType, const char* text, int textsize);

/* ---- Waiting for writers -------------------------------------------------------------- */

/* Waits until each of the filecount files has at least one record more than it had at the
 * call, polling the record counts and sleeping (at most 20000 ms per sleep) until maxwait
 * ms are spent. recordList is accepted and not used. Returns the number of files that
 * gained a record (filecount on full success). Failure: 0 with the last generic error
 * "no files provided" (filecount 0 or less), "ZARFFILE provided is bad" (a null handle or
 * a null files list) or "insufficient memory to complete the operation". */
int ZARFwaitNewRecordsReady(ZARFFILE** files, int* recordList, int filecount, int maxwait);

/* ---- RGD-specific ---------------------------------------------------------------------- */

/* Rewrites metadata fields of an existing record of an RGD file opened for reading with an
 * "@" prefix on its name. Returns the number of fields patched; fields absent from the
 * record's header come back negated in requestlist. Record out of range: -1 with the
 * handle's lastError "record requested is unavailable"; header unreadable: -2; a failed
 * write: 0. Implemented by the RGD driver. */
int ZARFRGDpatchRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount,
                             const float* patchlist);

/* Cuts an RGD file opened for reading with an "@" prefix on its name after its first count
 * records: the records after them, and a record only partly written, are gone, and the cut
 * is on the disk when it returns. count may be 0 (the file keeps its history and preamble)
 * up to the number of whole records. Returns 0. count out of that range: -1 with the
 * handle's lastError "record requested is unavailable"; the cut or its sync failing: -2
 * with lastError "write to file failed" and errno as the failing call left it (the file may
 * then hold more than count records, never fewer). Implemented by the RGD
 * driver. */
int ZARFRGDcutRecords(ZARFFILE* file, int count);

#ifdef __cplusplus
}
#endif

#endif
