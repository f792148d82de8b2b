/* fortjkt: the adapters through which the calibration driver's record bridge (rddmvf,
 * wtdmvf) reaches RAVLIO.
 *
 * Convention: every adapter takes all of its arguments by reference (pointers) and stores
 * its result in its last argument. Each one calls the ZARF operation of the same role with
 * the values pointed at and stores that operation's result unchanged; the contract of the
 * result is the ZARF operation's (ravlio.h). Texts handed in are NUL-terminated unless an
 * explicit length is given. Null result pointers are allowed (the result is then dropped);
 * every other pointer must be valid for the element counts passed with it.
 *
 * File handles cross this interface as 32-bit integers; 0 means no file.
 * A ZARFFILE pointer does not fit 32 bits on a 64-bit build, so the integer is not the
 * pointer itself but a key into a small table of the files opened through these adapters:
 *   - sopenr_, sopenw_ and sopnw3_ enter the new file under a fresh integer (1, 2, 3, ...;
 *     an integer is never reissued while it is in use, and only after 2^31 - 1 further
 *     opens at all) and return that integer; a failed open returns 0.
 *   - sclose_ closes the file and removes its integer from the table.
 *   - Every adapter looks its handle up in the table. An integer that was never issued,
 *     or whose file has been closed (a stale handle), is not in the table and is passed to
 *     the library as a null handle: the library refuses it ("ZARFFILE provided is bad",
 *     with the null-handle result of the operation). Nothing is ever dereferenced through
 *     an unknown integer.
 *   - Handle lists (the references of sopenw_, the source files of swcrec_) are mapped
 *     entry by entry: 0 stands for "no file"; any other integer not in the table refuses
 *     the whole call with "ZARFFILE provided is bad" (open: the process-wide error and a
 *     0 result; write: the written file's error and a 0 result), so that no record is
 *     written with silently lost lineage.
 * A file opened here must be closed through sclose_ (not ZARFcloseFile), or the table
 * keeps an entry for it until the process ends.
 *
 * Single-threaded, like the library.
 */
#ifndef RAVLIO_FORTJKT_H
#define RAVLIO_FORTJKT_H

#include "ravlio/ravlio.h"

#ifdef __cplusplus
#include <cstdlib>
#include <memory>
extern "C" {
#endif

/* Axis numbers for sslctd_. */
enum { DAIND = 1 /* independent axis (wavenumber) */, DADEP = 2 /* dependent axis (values) */ };

/* Description types for srmdes_ and srddes_. DECONT asks for a field's text value; no
 * driver of this library answers it, so it fails like any unavailable description. */
enum { DESHRT = 1, DLABL = 2, DELONG = 3, DEUNIT = 4, DEPREC = 5, DECONT = 6 };

/* ---- Handles ----------------------------------------------------------------------------- */

/* The open file of an adapter handle, or null when the integer is 0, unknown or stale. */
ZARFFILE* FORTJKTfileOf(int handle);
/* Opens the file of a handle opened for reading once more, under the name it was opened by,
 * and closes the old one; the integer stays the handle's, so every copy of it now reads the
 * file under the name (a reader follows a file that another program replaced). 1 when
 * reopened; 0 when the integer is 0, unknown or stale, or the name opens no readable file
 * now: then the handle keeps the file it had. */
int FORTJKTreopen(int handle);

/* ---- Reading ------------------------------------------------------------------------------- */

/* ZARFopenFileReadable. *length 0: name is NUL-terminated; *length n > 0: the name is the
 * first n characters of name, or fewer when a NUL comes first (so an 80-character name
 * that fills its variable needs no terminator). A null name or a negative length gives
 * 0 with "invalid filename - null pointer". Result: the new handle, or 0. */
void sopenr_(const char* name, const int* length, int* result);
/* ZARFcloseFile; the handle's integer becomes stale. An unknown handle gives 0 with
 * "ZARFFILE provided is bad". */
void sclose_(const int* handle, int* result);
/* ZARFlastError: copies at most *size - 1 characters of the handle's last error text (the
 * process-wide one for 0 or an unknown handle) and a NUL into buffer. No text yet gives
 * an empty string. Nothing is written when *size < 1. */
void slerr_(const int* handle, char* buffer, const int* size);
/* ZARFreadRecordCount. */
void srrcnt_(const int* handle, int* result);
/* ZARFreadRecordSize. */
void srrsiz_(const int* handle, const int* record, int* result);
/* ZARFreadDepValues: at most *arraysize values. */
void srdval_(const int* handle, const int* record, float* values, const int* arraysize, int* result);
/* ZARFreadIndValues: at most *arraysize values. */
void srival_(const int* handle, const int* record, float* values, const int* arraysize, int* result);
/* ZARFreadIndValuesDouble: at most *arraysize values. */
void srivad_(const int* handle, const int* record, double* values, const int* arraysize, int* result);
/* ZARFreadIndDomain. */
void sridom_(const int* handle, const int* record, float* minimum, float* maximum, float* interval, int* result);
/* ZARFreadIndDomainDouble. */
void sridod_(const int* handle, const int* record, double* minimum, double* maximum, double* interval,
             int* result);
/* ZARFselectData: *axis is DAIND or DADEP. */
void sslctd_(const int* handle, const int* axis, const int* dataTypeId, int* result);
/* ZARFreadRealMetadata: identifiers not found come back negated in requestlist. */
void srrmet_(const int* handle, const int* record, int* requestlist, const int* requestcount, float* responselist,
             int* result);
/* ZARFqueryMaxMetadataCount. */
void sqmcnt_(const int* handle, const int* record, int* result);
/* ZARFreadMetadataStringDesc into text (*textsize bytes). */
void srmdes_(const int* handle, const int* record, const int* fieldId, const int* descType, char* text,
             const int* textsize, int* result);
/* ZARFreadDataStringDesc into text (*textsize bytes). */
void srddes_(const int* handle, const int* dataId, const int* descType, char* text, const int* textsize,
             int* result);
/* ZARFqueryMaxDataCount. */
void sqdcnt_(const int* handle, int* result);
/* ZARFqueryDataTypes: at most *memberCount identifiers. */
void sqdtyp_(const int* handle, int* dataTypes, const int* memberCount, int* result);

/* ---- Writing --------------------------------------------------------------------------------- */

/* ZARFopenFileWritable with table-of-contents version 48, whatever *tocVersion says (it is
 * accepted and ignored). references holds *referenceCount handles (0 = no file; a count
 * of 0 or less means none). The column lists hold *columnCount entries; each description
 * list is an array of *columnCount NUL-terminated texts, or null for none. An existing
 * file of the same shape is reopened with its records. Result: the new handle, or 0 with
 * the library's process-wide error text. */
void sopenw_(const char* name, const int* filetype, const int* references, const int* referenceCount,
             const char* programName, const char* version, const char* historyAddition, const int* tocVersion,
             const int* subheaders, const int* subheaderCount, const int* columnCount, const int* identifiers,
             const double* minima, const double* maxima, const int* independentPrecisions, const int* points,
             const int* dependentPrecisions, const char* const* shortnames, const char* const* labels,
             const char* const* longnames, const char* const* units, int* result);
/* As sopenw_, with the name given by an explicit length (read as sopenr_ reads it) and
 * copied before the open. */
void sopnw3_(const char* name, const int* length, const int* filetype, const int* references,
             const int* referenceCount, const char* programName, const char* version, const char* historyAddition,
             const int* tocVersion, const int* subheaders, const int* subheaderCount, const int* columnCount,
             const int* identifiers, const double* minima, const double* maxima, const int* independentPrecisions,
             const int* points, const int* dependentPrecisions, const char* const* shortnames,
             const char* const* labels, const char* const* longnames, const char* const* units, int* result);
/* ZARFwriteCompleteRecord: record *record of the file, headers from the *origcount source
 * handles in originals at the record numbers in origrecords, *requestcount metadata values,
 * *datacount data values. Result nonzero on success (a null or unknown handle gives the
 * library's -1, which is not a success). */
void swcrec_(const int* handle, const int* record, const int* originals, const int* origrecords,
             const int* origcount, int* requestlist, const int* requestcount, const float* metadata,
             const float* data, const int* datacount, int* result);

/* ---- Text helpers ---------------------------------------------------------------------------- */

/* Copies at most n characters of src into dest, stopping at a NUL, and always terminates:
 * dest must hold n + 1 bytes. Returns the number of characters copied: 0 and an empty
 * dest for a null src or n = 0; 0 and nothing written for a null dest or n < 0. */
int stricpy(char* dest, const char* src, int n);

/* A new NUL-terminated copy of text: length 0 copies up to the NUL, length n > 0 copies
 * at most n characters (fewer when a NUL comes first). Null for a null text, a negative
 * length or no memory. The caller owns the copy and releases it with free(); from C++ use
 * ravlio::ownedStrWithLen, which releases it by itself. */
char* strwithlen(const char* text, int length);

#ifdef __cplusplus
}  // extern "C"

namespace ravlio {
struct FreeText {
    void operator()(char* p) const noexcept { std::free(p); }
};
/* A copy made by strwithlen that frees itself. */
using OwnedText = std::unique_ptr<char, FreeText>;
inline OwnedText ownedStrWithLen(const char* text, int length) { return OwnedText(strwithlen(text, length)); }
}  // namespace ravlio
#endif

#endif
