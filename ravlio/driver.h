/* What a RAVLIO format driver needs from the core; not part of the public API.
 *
 * A driver lives in its own folder under formats/ and defines exactly one operation table,
 * e.g. in formats/rgd/ravlrgd.cpp after including this header:
 *     const Methods RGD_Methods = { RGDisFileReadable, RGDopenFileWritable, ... };
 * (the extern declaration below gives the const table external linkage). Slots it does not
 * implement hold the DEFAULT operation of the same name. A driver reports failures without
 * a handle (a failed open) through lastGenericError and failures on a file through
 * file->lastError, always with static texts.
 *
 * The ordered driver table FileType lives in methtabl.cpp, the only place that lists
 * drivers: a new driver adds its table there, in its probing position.
 */
#ifndef RAVLIO_DRIVER_H
#define RAVLIO_DRIVER_H

#include "ravlio/ravlio.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Library-wide state ---------------------------------------------------------------- */

/* Static text of the last failure without a handle; null until the first one. Drivers
 * set it when an open fails. */
extern const char* lastGenericError;

/* The catch-all text every new handle's lastError starts with. */
extern const char* const ZARFcatchAllError;

/* ---- Driver tables ---------------------------------------------------------------------- */

/* Each driver's operation table (defined in its own source file). */
extern const Methods RGD_Methods;
extern const Methods PLOVS_Methods;
extern const Methods OPUS_Methods;
extern const Methods SPC_Methods;
extern const Methods NASA_Methods;
extern const Methods MLT_Methods;
extern const Methods VORNFORM_Methods;

/* The drivers in probing order, terminated by a null entry after FileTypesSupportedCount
 * live entries (methtabl.cpp). */
extern const Methods* const FileType[];
extern const int FileTypesSupportedCount;
/* The format name of each driver in FileType, same order and length (methtabl.cpp). */
extern const char* const FileTypeName[];

/* The driver that writes files (RGD), or null while no writing driver is built in. */
extern const Methods* const WritableFileType;

/* Test seam: makes the open operations probe `table` (count entries, in order) and write
 * with `writer` instead of FileType and WritableFileType. A null table restores both.
 * Production code never calls it. */
void ZARFinstallFileTypes(const Methods* const* table, int count, const Methods* writer);

/* ---- Registry and handle records --------------------------------------------------------- */

/* Builds a handle: copies filename, stores driver handle and methods, lastError set to the
 * catch-all text. Null when handle is null (or memory runs out). Not registered. */
ZARFFILE* newZARFFILE(const Methods* methods, const char* filename, fileHANDLE handle);
/* Frees the name copy and the handle record. Null is ignored. */
void deleteZARFFILE(ZARFFILE* file);
/* Registers file in the first empty registry slot (growing by one slot when none is
 * empty) and returns it; null in, null out. */
ZARFFILE* zarfaddfile(ZARFFILE* file);
/* Empties every registry slot that holds file. */
void zarfdropfile(ZARFFILE* file);
/* The first registered handle named filename, or null (sets no error). */
ZARFFILE* zarffindfile(const char* filename);

/* ---- Fallback operations (one per slot, except 0 and 2 to 7) ----------------------------- */

/* Sets lastGenericError "writing to this file type is unsupported"; returns null. */
fileHANDLE DEFAULTopenFileWritable(const char* filename, int filetype, ZARFFILE** referenceList, int referenceCount,
                                   const char* programName, const char* version, const char* historyAddition,
                                   int TOCversion, va_list args);
/* value[i] = minimum + i * interval from ZARFreadIndDomain for i < |record size| and
 * i < arraysize; returns the number stored (0 when the domain or the size is unavailable). */
int DEFAULTreadIndValues(ZARFFILE* file, int record, float* values, int arraysize);
/* Returns -1. */
int DEFAULTqueryMaxMetadataCount(ZARFFILE* file, int record);
/* Returns -1. */
int DEFAULTreadRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount, float* responselist);
/* Sets lastError "description type requested is bad or unavailable"; returns 0. */
int DEFAULTreadMetadataStringDesc(ZARFFILE* file, int record, int fieldId, int descType, char* text,
                                  int textsize);
/* The write fallbacks set lastError "writing to this file type is unsupported"; return 0. */
int DEFAULTwriteDepValues(ZARFFILE* file, int record, const float* values, int count);
int DEFAULTwriteRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount,
                             const float* valuelist);
/* Sets the destination's lastError "writing to this file type is unsupported"; returns 0. */
int DEFAULTcopyMetadata(ZARFFILE* destination, int record, ZARFFILE* source, int sourceRecord);
int DEFAULTwriteCompleteRecord(ZARFFILE* file, int record, ZARFFILE** originals, const int* origrecords,
                               int origcount, int* requestlist, int requestcount, const float* metadata,
                               const float* data, int datacount);
int DEFAULTwriteStringDesc(ZARFFILE* file, int record, int fieldId, int descType, const char* text, int textsize);
/* 1 for data type 0 (the single column); otherwise lastError
 * "multiple data types are not supported by this filetype" and 0. */
int DEFAULTselectData(ZARFFILE* file, int axis, int dataTypeId);
/* Returns 1. */
int DEFAULTqueryMaxDataCount(ZARFFILE* file);
/* Stores 0 in the first element and returns 1 when memberCount is positive; else 0. */
int DEFAULTqueryDataTypes(ZARFFILE* file, int* dataTypes, int memberCount);
/* Sets lastError "description type requested is bad or unavailable"; returns 0. */
int DEFAULTreadDataStringDesc(ZARFFILE* file, int dataId, int descType, char* text, int textsize);
/* ZARFreadIndDomain widened to double; returns its result. */
int DEFAULTreadIndDomainDouble(ZARFFILE* file, int record, double* minimum, double* maximum, double* interval);
/* From the double domain when available, else ZARFreadIndValues widened; count stored. */
int DEFAULTreadIndValuesDouble(ZARFFILE* file, int record, double* values, int arraysize);
/* Returns null. */
const char* DEFAULTqueryVersion(ZARFFILE* file, unsigned componentId);

#ifdef __cplusplus
}
#endif

#endif
