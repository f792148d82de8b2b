// The spectrometer's raw record files (module vornform): opening, decoding the 100-word
// header of any record, deriving the record layout from it and converting the data words.
// Private to the raw instrument driver (ravlvorn.cpp) and its white-box tests.
#ifndef RAVLIO_FORMATS_RAW_VORNFORM_H
#define RAVLIO_FORMATS_RAW_VORNFORM_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/common.h"

namespace vornform {

// Every record begins with this many 4-byte header words.
inline constexpr int HeaderWordCount = 100;
inline constexpr int HeaderBytes = 4 * HeaderWordCount;

// Header words (0-based) the reader itself interprets.
inline constexpr int WordYear = 16;
inline constexpr int WordMonth = 17;
inline constexpr int WordDay = 18;
inline constexpr int WordZarfStamp = 19;     // "ZARF", or "FRAZ" in a byte-swapped file
inline constexpr int WordFormatVersion = 20;  // 100 x version in integer form
inline constexpr int WordDataScaleFactor = 27;
inline constexpr int WordPointCount = 30;
inline constexpr int WordInterval = 32;
inline constexpr int WordMinimum = 33;
inline constexpr int WordMaximum = 34;
inline constexpr int WordWordsPerRecord = 35;
inline constexpr int WordHeaderWordCount = 36;
inline constexpr int WordInstrumentStamp = 37;  // "VORN" (or "NROV") selects the VORN field map

// The four description tables, word by word: identifier, unit, precision exponent, long name.
// Unnamed words have empty texts and precision 0.
extern const std::array<const char*, HeaderWordCount> VORNHeaderIdentifierList;
extern const std::array<const char*, HeaderWordCount> VORNHeaderUnitList;
extern const std::array<long, HeaderWordCount> VORNHeaderPrecisionList;
extern const std::array<const char*, HeaderWordCount> VORNHeaderLongNameList;

// The words stored as four ASCII characters (never swapped or converted), ended by -1.
extern const int donotalter[];

// The description tables and the decoded header of the record read last.
struct plHeader {
    const std::array<const char*, HeaderWordCount>* identifiers = &VORNHeaderIdentifierList;
    const std::array<const char*, HeaderWordCount>* units = &VORNHeaderUnitList;
    const std::array<long, HeaderWordCount>* precisions = &VORNHeaderPrecisionList;
    const std::array<const char*, HeaderWordCount>* longNames = &VORNHeaderLongNameList;
    // The 100 words as 32-bit reals; an ASCII word holds its four file bytes unchanged.
    std::array<float, HeaderWordCount> data{};
};

// The layout of the record read last.
struct VOparams {
    int type = 0;                             // bit 0: data points are 16-bit integers
    std::vector<unsigned char> readInBuffer;  // the record's raw data bytes
    uint32_t firstRecord = 1;
    uint32_t bytesPerPoint = 4;
    uint32_t bytesOfData = 0;  // bytesPerPoint x pointsPerRecord
    uint32_t bytesPerRecord = 0;
    uint32_t pointsPerRecord = 0;
    uint32_t recordsInFile = 0;
    float dataScaleFactor = 1.0F;
    float xmin = 0.0F;
    float xinc = 0.0F;
    float xmax = 0.0F;
};

// One record header as stored.
using HeaderBytesArray = std::array<unsigned char, HeaderBytes>;

// One record header as decoded from the file.
struct DecodedHeader {
    std::array<float, HeaderWordCount> data{};
    int floatingPoint = 0;
    int bigEndian = 0;
    bool accepted = false;  // false: refused (a format version above 1.00)
};

// The state of one open raw file (the driver's handle).
struct VOFile {
    plHeader header;  // the header accepted last, decoded
    int big_endian = 0;       // 1: the file's integer words are byte-swapped (stamp "FRAZ")
    int floatingPoint = 0;    // 1: floating form, 0: integer form
    int LoadDataPoints = 1;   // 1: the next read request reads and converts the data too
    uint32_t recordNumber = 0;  // the record to read next, from 1
    formats::FilePtr fp;
    std::string filename;  // kept whole, whatever its length
    VOparams stats;
    std::vector<float> y;  // the converted data of the record read last
    unsigned arrayFilled = 0;
    // The header bytes decoded last (at the open or a read request), as stored, and what they
    // decoded to: the next request whose header bytes equal them needs no decoding.
    std::optional<HeaderBytesArray> lastHeaderBytes;
    DecodedHeader lastHeader;
};

// Messages (static texts).
inline constexpr const char* MsgCannotOpen = "could not open the file";
inline constexpr const char* MsgCannotReadHeader = "could not read header";
inline constexpr const char* MsgCannotDetermineStats = "could not determine stats";
inline constexpr const char* MsgCannotAllocate = "could not allocate storage buffers";
inline constexpr const char* MsgCannotReadInHeader = "could not read in the header";
inline constexpr const char* MsgCannotCheckHeader = "could not check header information";
inline constexpr const char* MsgCannotReadData = "could not read in data portion of record";
inline constexpr const char* MsgCannotFindRecordCount = "could not find new record count";
inline constexpr const char* MsgCannotReadPoints = "could not read points";
// A record whose size or point layout does not fit what was sized from record 1.
inline constexpr const char* MsgLayoutDiffers = "record layout differs from that of record 1";

// Opens filename, reads record 1's header, derives the layout and sizes the buffers.
// Success: the state (owned by the caller, released with VOClose). Failure: null, and the
// message in *error (when error is not null); nothing stays open.
VOFile* VOOpen(const char* filename, const char** error);

// Reads record vo.recordNumber (clamped to the file's complete records, 0 read as 1): its
// header and, when vo.LoadDataPoints is 1, its data. Null on success, else the message; the
// file stays usable and the layout of the last good record stays in force.
const char* VOReadRequest(VOFile& vo);

// Releases the state and closes the file; null is ignored.
void VOClose(VOFile* vo);

// The current length of the open file in bytes (0 when it cannot be measured).
uint32_t VOFileLength(const VOFile& vo);

// The header scale factors: for version 1 and a table of at least 100 entries, fills 100
// values (the word's divisor, else 1.0 for a named word, else 0.0) and sets the count to
// 100; otherwise sets the count to 0.
void VOGHSF(const int* version, const int* maxTableSize, int* retHeaderWordCount, double* retTableScaleFactors);

}  // namespace vornform

#endif
