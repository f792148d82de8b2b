// The RGD format driver (internal): the driver state of one open RGD file and the
// operations of RGD_Methods. Reading lives in ravlrgd.cpp, writing in rgdwrite.cpp, the
// bytes on disk in rgdlayout.cpp.
#ifndef RAVLIO_RAVLRGD_H
#define RAVLIO_RAVLRGD_H

#include <cstdint>
#include <string>
#include <vector>

#include "driver.h"
#include "rgdheaders.h"
#include "rgdlayout.h"

namespace rgd {

// Request identifier that asks for the next field of the header, whichever it is.
inline constexpr int32_t WildcardFieldId = 2000000000;

// Library-wide (open) and per-file texts of the driver.
using formats::MsgNotReadable;
inline constexpr const char* MsgNotWritable = "filename did not correspond to a writable file";
inline constexpr const char* MsgBadMagic = "bad magic number in RGD file";
inline constexpr const char* MsgBadTableOfContents =
    "bad table of contents in RGD file - may be newer version file than this loader can handle";
inline constexpr const char* MsgBadAnatomy = "bad header anatomy in RGD file - look for newer RAVLIO?";
using formats::MsgNoMemory;
using formats::MsgRecordUnavailable;
using formats::MsgFieldUnavailable;
using formats::MsgBadDescriptionType;
using formats::MsgAxisUnchangeable;
using formats::MsgDataUnavailable;
inline constexpr const char* MsgReopenMismatch = "parameters for reopen do not match file anatomy";
inline constexpr const char* MsgIntermediateMissing =
    "intermediate record(s) missing - records may not be written beyond the end of the file";
inline constexpr const char* MsgImproperDataCount = "improper number of data were provided in the outgoing array";
inline constexpr const char* MsgCollationFailed = "collation of new header did not succeed";
inline constexpr const char* MsgWriteFailed = "write to file failed";
inline constexpr const char* MsgCollationSizeMismatch =
    "collateRealMetadata: size of target and size of source do not match!";
using formats::MsgWritingUnsupported;

// How a record header receives the header data of one reference file.
enum TransferType : int32_t {
    TRANSCOPY = 0,     // copy the reference's whole record header as one block
    TRANSCOLLATE = 1,  // collect the reference's metadata field by field identifier
};

// The references are looked at only while the file is opened: a record takes its header data
// from the sources given at write time, so a reference may be closed while the file is open.
struct transferOperation {
    TransferType type = TRANSCOLLATE;
    int32_t source = 0;  // byte offset in the reference header
    int32_t target = 0;  // byte offset in the new header
    int32_t size = 0;    // bytes copied
    // TRANSCOPY: the subheaders of the copied block, so that a source file given at write
    // time is only copied from when its header has exactly this layout.
    std::vector<int32_t> sourceSubheaders;
};

// Driver state of one open RGD file (the ZARFFILE's handle).
struct RGDFile {
    std::string filename;  // without a leading "@"
    FilePtr fp;
    int tableOfContents = 0;  // index of the current column in dataType
    RGDheaderAnatomy anatomy;
    int64_t magicOffset = 0;
    int64_t baseOffset = 0;
    int32_t totalDataAreaLength = 0;  // D
    std::vector<TOC_version3> dataType;
    std::vector<transferOperation> transfer;
    std::vector<unsigned char> workspace;  // one record header (H bytes, at least 1)
    int workspaceRecord = 0;               // record held in workspace; 0 = none
    // Records known complete at the last look at the file length. Records never shrink
    // away under a reader (a truncated file shows in the reads themselves), so a record
    // up to this number needs no new look.
    mutable int knownRecords = 0;
    // Headers read last, kept while the looks at the file show it unchanged and at rest.
    mutable HeaderCache headers;
    std::vector<unsigned char> recordBuffer;  // writer: one whole record
    // Writer: the file's length as this handle's writes left it (a file has one writer), so
    // that appending a record needs no look at the file; -1 while not known.
    int64_t writtenLength = -1;

    int dataTypeCount() const { return static_cast<int>(dataType.size()); }
    int64_t stride() const { return static_cast<int64_t>(anatomy.size) + totalDataAreaLength; }
};

// The driver state of an RGD handle, or null when the handle is not an open RGD file.
RGDFile* rgdFileOf(ZARFFILE* file);
// Records complete in the file now: a look at the file, which the kept headers also take.
int computeRecordsInFile(const RGDFile& f);
// 1 <= record <= records complete in the file.
bool recordInFile(const RGDFile& f, int record);
// Reads record's header into buffer (H bytes) in host order; false for a record that is
// not complete in the file.
bool RGDfetchHeader(RGDFile& f, int record, unsigned char* buffer);
// Record's header in host order, for a caller that has just looked at the file
// (computeRecordsInFile): the one the handle keeps, or else read into buffer (H bytes) and
// kept. Null for a record that is not complete in the file.
const unsigned char* recordHeader(RGDFile& f, int record, unsigned char* buffer);
// Builds the driver state from a stream positioned at offset 0 (preamble read and checked).
// On failure returns null with the library-wide error set and the stream closed.
std::unique_ptr<RGDFile> loadPreamble(FilePtr fp, const std::string& name);
// The quiet-NaN float.
using formats::nanq;

}  // namespace rgd

// ---- RGD_Methods operations ----------------------------------------------------------------

int RGDisFileReadable(const char* filename);
// Creates an RGD file, or reopens an existing one of the same shape. The variable arguments
// by TOCversion (int = 32-bit, lists are caller arrays of n elements):
//   36: int* subheaders, int subheaderCount, double minimum, double maximum,
//       int independentPrecision, int points, int dependentPrecision        (one column, id 0)
//   44: int* subheaders, int subheaderCount, int n, int* identifiers, double* minima,
//       double* maxima, int* independentPrecisions, int* points, int* dependentPrecisions
//       (an identifier 0 becomes the column's position 1..n)
//   48: as 44, then char** shortnames, char** labels, char** longnames, char** units
//       (a null list or element is an absent string)
fileHANDLE RGDopenFileWritable(const char* filename, int filetype, ZARFFILE** referenceList, int referenceCount,
                               const char* programName, const char* version, const char* historyAddition,
                               int TOCversion, va_list args);
fileHANDLE RGDreopenFileWritable(const char* filename, ZARFFILE** referenceList, int referenceCount,
                                 const int* subheaderList, int subheaderCount, int columnCount,
                                 int64_t dataAreaSize);
fileHANDLE RGDopenFileReadable(const char* filename);
int RGDcloseFile(ZARFFILE* file);
int RGDreadRecordCount(ZARFFILE* file);
int RGDreadRecordSize(ZARFFILE* file, int record);
int RGDreadDepValues(ZARFFILE* file, int record, float* values, int arraysize);
int RGDreadIndDomain(ZARFFILE* file, int record, float* minimum, float* maximum, float* interval);
int RGDqueryMaxMetadataCount(ZARFFILE* file, int record);
int RGDreadRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount, float* responselist);
int RGDreadMetadataStringDesc(ZARFFILE* file, int record, int fieldId, int descType, char* text, int textsize);
int RGDwriteCompleteRecord(ZARFFILE* file, int record, ZARFFILE** originals, const int* origrecords, int origcount,
                           int* requestlist, int requestcount, const float* metadata, const float* data,
                           int datacount);
int RGDselectData(ZARFFILE* file, int axis, int dataTypeId);
int RGDqueryMaxDataCount(ZARFFILE* file);
int RGDqueryDataTypes(ZARFFILE* file, int* dataTypes, int memberCount);
int RGDreadDataStringDesc(ZARFFILE* file, int dataId, int descType, char* text, int textsize);
int RGDreadIndDomainDouble(ZARFFILE* file, int record, double* minimum, double* maximum, double* interval);
const char* RGDqueryVersion(ZARFFILE* file, unsigned componentId);

#endif
