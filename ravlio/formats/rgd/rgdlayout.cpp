// The bytes of an RGD file: recognition, table of contents, header anatomy, addressing.
#include "rgdlayout.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "ravlio/platform.h"

namespace rgd {

namespace {

void toHostOrder(void* buffer, size_t size, int grouping) {
    if (big_endian != 0) slappy(buffer, static_cast<int>(size), grouping);
}

int32_t int32At(const unsigned char* entry, size_t offset) {
    int32_t v = 0;
    std::memcpy(&v, entry + offset, sizeof v);
    toHostOrder(&v, sizeof v, 4);
    return v;
}

double doubleAt(const unsigned char* entry, size_t offset) {
    double v = 0.0;
    std::memcpy(&v, entry + offset, sizeof v);
    toHostOrder(&v, sizeof v, 8);
    return v;
}

void putInt32(unsigned char* entry, size_t offset, int32_t v) {
    toHostOrder(&v, sizeof v, 4);
    std::memcpy(entry + offset, &v, sizeof v);
}

void putDouble(unsigned char* entry, size_t offset, double v) {
    toHostOrder(&v, sizeof v, 8);
    std::memcpy(entry + offset, &v, sizeof v);
}

// Bytes between the current position and the end of the file (0 when unknown).
int64_t remainingBytes(std::FILE* fp) {
    const int64_t length = streamLength(fp);
    const int64_t here = tellOf(fp);
    if (length < 0 || here < 0 || here > length) return 0;
    return length - here;
}

bool isTextByte(unsigned char c) {
    const bool printable = c >= 0x20 && c <= 0x7E;
    const bool whiteSpace = c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    return printable || whiteSpace;
}

// The decimal digits at offset 0 as a number; 0 when there are none, -1 when the run is
// too long to be an offset in any file.
int64_t leadingDigits(std::FILE* fp) {
    if (!seekTo(fp, 0)) return -1;
    int64_t number = 0;
    for (int c = std::fgetc(fp); c >= '0' && c <= '9'; c = std::fgetc(fp)) {
        number = number * 10 + (c - '0');
        if (number > MaxMagicOffset) return -1;
    }
    return number;
}

// Offset just past the end-of-history marker, or -1 when the text before it is not a
// history block or there is no marker.
int64_t scanForEndOfHistory(std::FILE* fp) {
    if (!seekTo(fp, 0)) return -1;
    std::vector<unsigned char> block(MagicScanBlock);
    int match = 0;
    int64_t base = 0;
    for (;;) {
        const size_t got = std::fread(block.data(), 1, block.size(), fp);
        if (got == 0 || tellOf(fp) <= base) return -1;
        for (size_t i = 0; i < got; ++i) {
            const unsigned char c = block[i];
            if (c == EndOfHistory[match]) {
                if (++match == EndOfHistoryLength) return base + static_cast<int64_t>(i) + 1;
                continue;
            }
            match = 0;
            if (!isTextByte(c)) return -1;
        }
        base += static_cast<int64_t>(got);
    }
}

bool readDescriptorString(std::FILE* fp, std::string& text) {
    int32_t length = 0;
    if (!readInt32(fp, length) || length < 0 || length > remainingBytes(fp)) return false;
    text.assign(static_cast<size_t>(length), '\0');
    return length == 0 || readExact(fp, text.data(), text.size());
}

bool readDescriptorStrings(std::FILE* fp, DescriptionStrings& d) {
    d.present = true;
    return readDescriptorString(fp, d.shortname) && readDescriptorString(fp, d.label) &&
           readDescriptorString(fp, d.longname) && readDescriptorString(fp, d.units);
}

TOC_version3 decodeEntry(const unsigned char* e) {
    TOC_version3 c;
    c.sizeDependentRecord = int32At(e, 0);
    c.formatDependentRecord = int32At(e, 4);
    c.scalingFactorLog = int32At(e, 8);
    c.dependentPrecisionLog = int32At(e, 12);
    c.independentMinimum = doubleAt(e, 16);
    c.independentMaximum = doubleAt(e, 24);
    c.independentPrecisionLog = int32At(e, 32);
    c.identifier = int32At(e, 36);
    c.Continuation = int32At(e, 40);
    return c;
}

std::array<unsigned char, TOCEntrySize> encodeEntry(const TOC_version3& c, int32_t continuation) {
    std::array<unsigned char, TOCEntrySize> e{};
    putInt32(e.data(), 0, c.sizeDependentRecord);
    putInt32(e.data(), 4, c.formatDependentRecord);
    putInt32(e.data(), 8, c.scalingFactorLog);
    putInt32(e.data(), 12, c.dependentPrecisionLog);
    putDouble(e.data(), 16, c.independentMinimum);
    putDouble(e.data(), 24, c.independentMaximum);
    putInt32(e.data(), 32, c.independentPrecisionLog);
    putInt32(e.data(), 36, c.identifier);
    putInt32(e.data(), 40, continuation);
    putInt32(e.data(), 44, DescriptionStringCount);
    return e;
}

bool writeDescriptorString(std::FILE* fp, const std::string& text) {
    if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
    return writeInt32(fp, static_cast<int32_t>(text.size())) &&
           (text.empty() || writeExact(fp, text.data(), text.size()));
}

}  // namespace

// ---- Streams ---------------------------------------------------------------------------------

FilePtr openStream(const char* name, const char* mode) { return formats::openRegular(name, mode); }

int64_t streamLength(std::FILE* fp) {
    struct stat status {};
    if (fp == nullptr || fstat(fileno(fp), &status) != 0) return -1;
    return static_cast<int64_t>(status.st_size);
}

bool seekTo(std::FILE* fp, int64_t offset) {
    if (offset < 0 || offset > std::numeric_limits<off_t>::max()) return false;
    return fseeko(fp, static_cast<off_t>(offset), SEEK_SET) == 0;
}

int64_t tellOf(std::FILE* fp) { return static_cast<int64_t>(ftello(fp)); }

bool readExact(std::FILE* fp, void* buffer, size_t n) { return std::fread(buffer, 1, n, fp) == n; }

size_t readAt(std::FILE* fp, int64_t offset, void* buffer, size_t n) {
    if (fp == nullptr || offset < 0) return 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < n) {
        const off_t at = static_cast<off_t>(offset) + static_cast<off_t>(done);
        const ssize_t got = RAVLIOpread(fileno(fp), bytes + done, n - done, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

bool writeAt(std::FILE* fp, int64_t offset, const void* first, size_t firstSize, const void* second,
             size_t secondSize) {
    if (fp == nullptr || offset < 0) return false;
    const int fd = fileno(fp);
    // pwritev only reads from the blocks; iovec has no const base.
    std::array<iovec, 2> blocks{iovec{const_cast<void*>(first), firstSize},
                                iovec{const_cast<void*>(second), secondSize}};
    size_t next = 0;  // the first block with bytes left
    off_t at = static_cast<off_t>(offset);
    for (;;) {
        while (next < blocks.size() && blocks[next].iov_len == 0) ++next;
        if (next == blocks.size()) return true;
        const ssize_t put = RAVLIOpwritev(fd, &blocks[next], static_cast<int>(blocks.size() - next), at);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        at += static_cast<off_t>(put);
        // A short write goes on after the bytes that got through.
        for (size_t done = static_cast<size_t>(put); done > 0 && next < blocks.size();) {
            const size_t n = std::min(done, blocks[next].iov_len);
            blocks[next].iov_base = static_cast<unsigned char*>(blocks[next].iov_base) + n;
            blocks[next].iov_len -= n;
            done -= n;
            if (blocks[next].iov_len == 0) ++next;
        }
    }
}

bool readInt32(std::FILE* fp, int32_t& value) {
    if (!readExact(fp, &value, sizeof value)) return false;
    toHostOrder(&value, sizeof value, 4);
    return true;
}

bool writeExact(std::FILE* fp, const void* buffer, size_t n) {
    return RAVLIOioFault(RAVLIO_IO_WRITE, n) == 0 && std::fwrite(buffer, 1, n, fp) == n;
}

bool writeInt32(std::FILE* fp, int32_t value) {
    toHostOrder(&value, sizeof value, 4);
    return writeExact(fp, &value, sizeof value);
}

void swapGroups4(void* buffer, size_t size) {
    if (big_endian == 0 || size == 0) return;
    // slappy takes an int size: swap in chunks that fit (multiples of 4).
    auto* bytes = static_cast<unsigned char*>(buffer);
    constexpr size_t chunk = size_t{1} << 30;
    for (size_t done = 0; done < size; done += chunk) {
        const size_t n = size - done < chunk ? size - done : chunk;
        slappy(bytes + done, static_cast<int>(n), 4);
    }
}

// ---- Header anatomy ----------------------------------------------------------------------------

RGDheaderAnatomy::RGDheaderAnatomy() : A(ASSOCcreate(71)) {}

int RGDheaderAnatomy::position(int32_t id) const {
    void* v = ASSOClookup(A.get(), id);
    return static_cast<int>(reinterpret_cast<intptr_t>(v)) - 1;
}

bool RGDheaderAnatomy::hasSubheader(int32_t id) const {
    for (const RGDsubheader* s : subheader)
        if (s->id == id) return true;
    return false;
}

bool RGDHAaddSubheader(RGDheaderAnatomy& anatomy, const RGDsubheader& subheader) {
    int64_t grown = anatomy.size;
    for (int32_t i = 0; i < subheader.fieldCount; ++i) grown += subheader.field[i].format.size;
    if (subheader.fieldCount < 0 || grown > MaxHeaderSize) return false;
    anatomy.subheader.push_back(&subheader);
    for (int32_t i = 0; i < subheader.fieldCount; ++i) {
        const RGDsubheaderField& f = subheader.field[i];
        anatomy.field.push_back(&f);
        anatomy.fieldid.push_back(f.id);
        anatomy.fieldOffset.push_back(anatomy.size);
        anatomy.fieldWidth.push_back(f.format.size);
        anatomy.size += f.format.size;
        const intptr_t positionPlusOne = static_cast<intptr_t>(anatomy.field.size());
        ASSOCregisterItem(anatomy.A.get(), f.id, reinterpret_cast<void*>(positionPlusOne));
    }
    return true;
}

bool RGDHAequals(const RGDheaderAnatomy& a, const RGDheaderAnatomy& b) {
    if (a.size != b.size || a.subheaderCount() != b.subheaderCount() || a.fieldCount() != b.fieldCount())
        return false;
    for (size_t i = 0; i < a.subheader.size(); ++i)
        if (a.subheader[i]->id != b.subheader[i]->id) return false;
    return true;
}

// ---- Reading the preamble ----------------------------------------------------------------------

bool isMagic(std::FILE* fp, int64_t* magicOffset) {
    if (fp == nullptr) return false;
    int64_t offset = leadingDigits(fp);
    if (offset < 0) return false;
    if (offset == 0) offset = scanForEndOfHistory(fp);
    if (offset <= 0 || !seekTo(fp, offset)) return false;
    char word[TheMagicWordLength];
    unsigned char signature[OrderingSignatureLength];
    if (!readExact(fp, word, sizeof word) || std::memcmp(word, TheMagicWord, TheMagicWordLength) != 0)
        return false;
    // The ordering signature is always written as 04 03 02 01 but carries nothing a reader
    // needs (the byte order is fixed); it is read past, not compared.
    if (!readExact(fp, signature, sizeof signature)) return false;
    if (magicOffset != nullptr) *magicOffset = offset;
    return true;
}

bool fetchTableOfContents(std::FILE* fp, TableOfContents& toc) {
    int32_t entrySize = 0;
    if (!readInt32(fp, entrySize) || entrySize < 0 || entrySize > TOCEntrySize) return false;
    toc = TableOfContents{};
    for (;;) {
        std::array<unsigned char, TOCEntrySize> raw{};
        if (!readExact(fp, raw.data(), static_cast<size_t>(entrySize))) return false;
        TOC_version3 column = decodeEntry(raw.data());
        const int32_t stringCount = int32At(raw.data(), 44);
        const bool more = column.Continuation != 0;
        if (column.sizeDependentRecord < 0) return false;
        column.Continuation = static_cast<int32_t>(toc.dataAreaLength);
        toc.dataAreaLength += column.sizeDependentRecord;
        if (toc.dataAreaLength > MaxDataAreaSize) return false;
        if (stringCount == DescriptionStringCount && !readDescriptorStrings(fp, column.description)) return false;
        toc.column.push_back(std::move(column));
        if (!more) return true;
    }
}

bool generateReadingHeaderAnatomy(std::FILE* fp, RGDheaderAnatomy& anatomy) {
    int32_t count = 0;
    if (!readInt32(fp, count) || count < 0 || count > remainingBytes(fp) / 4) return false;
    // Every subheader is resolved and the header size checked before anything is built.
    std::vector<const RGDsubheader*> list;
    int64_t size = anatomy.size;
    for (int32_t i = 0; i < count; ++i) {
        int32_t id = 0;
        if (!readInt32(fp, id)) return false;
        const RGDsubheader* s = RGDlookupSubheader(id);
        if (s == nullptr) return false;
        for (int32_t k = 0; k < s->fieldCount; ++k) size += s->field[k].format.size;
        if (size > MaxHeaderSize) return false;
        list.push_back(s);
    }
    for (const RGDsubheader* s : list)
        if (!RGDHAaddSubheader(anatomy, *s)) return false;
    anatomy.protectionIndex = static_cast<int32_t>(anatomy.fieldCount());
    return true;
}

// ---- Writing the preamble ----------------------------------------------------------------------

bool writeMagic(std::FILE* fp) {
    const int64_t offset = tellOf(fp);
    if (offset <= 0) return false;
    const std::string digits = std::to_string(offset);
    return seekTo(fp, 0) && writeExact(fp, digits.data(), digits.size()) && seekTo(fp, offset) &&
           writeExact(fp, TheMagicWord, TheMagicWordLength) &&
           writeExact(fp, OrderingSignature, OrderingSignatureLength);
}

bool writeTableOfContents(std::FILE* fp, const std::vector<TOC_version3>& columns) {
    if (!writeInt32(fp, TOCEntrySize)) return false;
    for (size_t i = 0; i < columns.size(); ++i) {
        const int32_t continuation = i + 1 < columns.size() ? 1 : 0;
        const auto entry = encodeEntry(columns[i], continuation);
        const DescriptionStrings& d = columns[i].description;
        if (!writeExact(fp, entry.data(), entry.size()) || !writeDescriptorString(fp, d.shortname) ||
            !writeDescriptorString(fp, d.label) || !writeDescriptorString(fp, d.longname) ||
            !writeDescriptorString(fp, d.units))
            return false;
    }
    return true;
}

bool writeHeaderAnatomyList(std::FILE* fp, const RGDheaderAnatomy& anatomy) {
    if (!writeInt32(fp, anatomy.subheaderCount())) return false;
    for (const RGDsubheader* s : anatomy.subheader)
        if (!writeInt32(fp, s->id)) return false;
    return true;
}

// ---- Record addressing ---------------------------------------------------------------------------

int64_t computeRecordLocation(int64_t baseOffset, int64_t stride, int64_t record) {
    return baseOffset + (record - 1) * stride;
}

int computeRecordsInFile(int64_t fileLength, int64_t baseOffset, int64_t stride) {
    if (stride <= 0 || fileLength <= baseOffset) return 0;
    const int64_t count = (fileLength - baseOffset) / stride;
    return count > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                       : static_cast<int>(count);
}

}  // namespace rgd
