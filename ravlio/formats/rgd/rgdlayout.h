// The bytes of an RGD file and the in-memory description built from them (internal).
//
//   history block (text, CR LF lines) | EndOfHistory | TheMagicWord | OrderingSignature |
//   table of contents | header anatomy list | records of (H + D) bytes each ...
//
// Every binary integer and float is little-endian on disk; a big-endian host reverses each
// 4-byte group (8-byte group for the two doubles of a table-of-contents entry) after
// reading and before writing. doc/formats/rgd.md draws the layout.
//
// Readers here never trust a size read from the file: every count and length is checked
// against the bytes that remain in the file and against the limits below before anything
// is allocated, so a hostile file is refused instead of crashing or exhausting memory.
#ifndef RAVLIO_RGDLAYOUT_H
#define RAVLIO_RGDLAYOUT_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "formats/common.h"
#include "ravlio/associa.h"
#include "ravlio/fields.h"
#include "rgdstruc.h"

namespace rgd {

// ---- Constants on disk ---------------------------------------------------------------------

inline constexpr unsigned char EndOfHistory[] = {0x00, 0x1A, 0x04};
inline constexpr int EndOfHistoryLength = 3;
inline constexpr char TheMagicWord[] = "ZARFRGD";  // 7 letters and the NUL: 8 bytes on disk
inline constexpr int TheMagicWordLength = 8;
inline constexpr unsigned char OrderingSignature[] = {0x04, 0x03, 0x02, 0x01};
inline constexpr int OrderingSignatureLength = 4;

// Size of one table-of-contents entry as written; stored entries may be shorter (older
// files), never longer.
inline constexpr int TOCEntrySize = 48;
// Number of descriptor strings after an entry that has them.
inline constexpr int DescriptionStringCount = 4;
// Block size of the end-of-history scan of recognition.
inline constexpr int MagicScanBlock = 32000;
// Quiet-NaN float pattern of a header field or data value that has no value.
using formats::NanqPattern;

// The base subheader every written file receives; its one field is FIELD_missingDataFlag.
inline constexpr int32_t BaseSubheaderId = RGDbaseSubheaderId;

// Limits that keep hostile files from making the library allocate without bound.
inline constexpr int64_t MaxHeaderSize = 4 * 1024 * 1024;         // bytes of one record header
inline constexpr int64_t MaxDataAreaSize = INT32_MAX;             // bytes of one data area
inline constexpr int64_t MaxMagicOffset = int64_t{1} << 40;       // digit run at offset 0

// ---- Streams ---------------------------------------------------------------------------------

using formats::FilePtr;

// Opens with fopen's mode; null on failure.
FilePtr openStream(const char* name, const char* mode);
// Current length of the open stream's file in bytes (-1 when unknown).
int64_t streamLength(std::FILE* fp);
// Positions the stream at an absolute offset; false on failure.
bool seekTo(std::FILE* fp, int64_t offset);
// Current offset (-1 on failure).
int64_t tellOf(std::FILE* fp);
// Reads exactly n bytes; false on a short read.
bool readExact(std::FILE* fp, void* buffer, size_t n);
// Reads up to n bytes at an absolute offset straight from the file, bypassing (and not
// moving) the stream's buffer, so that data rewritten through another handle or process is
// always seen. Returns the number of bytes read.
size_t readAt(std::FILE* fp, int64_t offset, void* buffer, size_t n);
// Writes two byte blocks one after the other at an absolute offset straight to the file in
// one system call (more only after a short write; the stream's buffer must hold no pending
// output).
bool writeAt(std::FILE* fp, int64_t offset, const void* first, size_t firstSize, const void* second,
             size_t secondSize);
// Reads one little-endian 32-bit signed integer.
bool readInt32(std::FILE* fp, int32_t& value);
// Writes n bytes; false on a short write.
bool writeExact(std::FILE* fp, const void* buffer, size_t n);
// Writes one 32-bit signed integer little-endian.
bool writeInt32(std::FILE* fp, int32_t value);

// Converts a block of 4-byte groups between host and disk order (no-op on little-endian).
void swapGroups4(void* buffer, size_t size);

// ---- Table of contents -------------------------------------------------------------------------

// The four descriptor strings of a column. An empty string is an absent one (length 0 on
// disk); `present` tells whether the entry carried strings at all.
struct DescriptionStrings {
    bool present = false;
    std::string shortname;
    std::string label;
    std::string longname;
    std::string units;
};

// One data column. On disk the 48-byte entry; in memory `Continuation` holds the column's
// byte offset within the data area and `description` the strings instead of their count.
struct TOC_version3 {
    int32_t sizeDependentRecord = 0;    // bytes per record (4 x points)
    int32_t formatDependentRecord = 0;  // 0 = 32-bit IEEE floats
    int32_t scalingFactorLog = 0;       // disk value = true value x 10^scalingFactorLog
    int32_t dependentPrecisionLog = 0;
    double independentMinimum = 0.0;
    double independentMaximum = 0.0;
    int32_t independentPrecisionLog = 0;
    int32_t identifier = 0;
    int32_t Continuation = 0;  // in memory: offset of the column in the data area
    DescriptionStrings description;
};

struct TableOfContents {
    std::vector<TOC_version3> column;
    int64_t dataAreaLength = 0;  // D
};

// ---- Header anatomy -------------------------------------------------------------------------

struct AssociationsDeleter {
    void operator()(Associations* a) const { ASSOCdestroy(a); }
};
using AssociationsPtr = std::unique_ptr<Associations, AssociationsDeleter>;

// The layout of a record header: its subheaders in order and, in parallel per-field lists,
// every field's identifier, offset and width. `A` maps a field identifier to its position
// + 1 (a field occurring twice resolves to its later position).
struct RGDheaderAnatomy {
    int32_t size = 0;  // H, bytes
    std::vector<const RGDsubheader*> subheader;
    std::vector<const RGDsubheaderField*> field;
    std::vector<int32_t> fieldid;
    std::vector<int32_t> fieldOffset;
    std::vector<int32_t> fieldWidth;
    AssociationsPtr A;
    // Fields at positions below it were copied from RGD references and are protected from
    // caller metadata when writing.
    int32_t protectionIndex = 0;

    RGDheaderAnatomy();
    int subheaderCount() const { return static_cast<int>(subheader.size()); }
    int fieldCount() const { return static_cast<int>(field.size()); }
    // Position of the field in header order, or -1 when absent.
    int position(int32_t id) const;
    bool hasSubheader(int32_t id) const;
};

// Appends a subheader and its fields. False (nothing appended) when the header would grow
// beyond MaxHeaderSize.
bool RGDHAaddSubheader(RGDheaderAnatomy& anatomy, const RGDsubheader& subheader);
// Same size, subheader count and field count, and the same subheaders in the same order.
bool RGDHAequals(const RGDheaderAnatomy& a, const RGDheaderAnatomy& b);

// ---- Reading the preamble ------------------------------------------------------------------

// Recognises an RGD file on an open stream; on success the stream is left just past the
// ordering signature and magicOffset holds the offset of the magic word.
bool isMagic(std::FILE* fp, int64_t* magicOffset = nullptr);
// Reads the table of contents at the current position; false when it is unreadable,
// exceeds the limits or is cut short.
bool fetchTableOfContents(std::FILE* fp, TableOfContents& toc);
// Reads the header anatomy list at the current position and resolves its subheaders
// through the dictionary; false when unreadable or naming an unknown subheader.
bool generateReadingHeaderAnatomy(std::FILE* fp, RGDheaderAnatomy& anatomy);

// ---- Writing the preamble ------------------------------------------------------------------

// Writes the magic word's offset in decimal digits over the start of the file, then the
// magic word and ordering signature at that offset (the current position).
bool writeMagic(std::FILE* fp);
// Writes the table of contents (entry size 48, every entry with its four strings).
bool writeTableOfContents(std::FILE* fp, const std::vector<TOC_version3>& columns);
// Writes the subheader count and identifiers.
bool writeHeaderAnatomyList(std::FILE* fp, const RGDheaderAnatomy& anatomy);

// ---- Record addressing ---------------------------------------------------------------------

// Offset of record r (from 1) for a given base offset and record stride H + D.
int64_t computeRecordLocation(int64_t baseOffset, int64_t stride, int64_t record);
// Complete records in a file of the given length (0 for a zero stride); at most INT32_MAX.
int computeRecordsInFile(int64_t fileLength, int64_t baseOffset, int64_t stride);

}  // namespace rgd

#endif
