// The RGD format driver, writing side: creating a file (history block, magic word, table of
// contents, header anatomy), reopening an existing file of the same shape, and writing
// whole records whose headers are collated from reference files and caller metadata.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <string>

#include "ravlio/fields.h"
#include "ravlio/platform.h"
#include "ravlrgd.h"

namespace rgd {

namespace {

// Largest metadata count taken from a collated source per record.
constexpr int MaxCollatedFields = 1 << 20;
constexpr size_t HistoryBlockSize = 8192;
constexpr const char* HistoryNotice = "# RGD data file: binary preamble and records follow this text";

// Columns and subheaders described by the variable arguments of an open.
struct WriterParameters {
    std::vector<int32_t> subheaders;
    bool subheadersValid = true;
    std::vector<TOC_version3> columns;
    int64_t dataAreaLength = 0;
};

// ---- Table-of-contents parameters ---------------------------------------------------------------

void ingestSubheaders(va_list* ap, WriterParameters& p) {
    const int* list = va_arg(*ap, int*);
    const int count = va_arg(*ap, int);
    if (count < 0 || (count > 0 && list == nullptr)) {
        p.subheadersValid = false;
        return;
    }
    p.subheaders.assign(list, list + count);
}

bool addColumn(WriterParameters& p, TOC_version3 c, int points) {
    if (points < 0 || int64_t{4} * points > MaxDataAreaSize) return false;
    c.sizeDependentRecord = 4 * points;
    c.Continuation = static_cast<int32_t>(p.dataAreaLength);
    c.description.present = true;
    p.dataAreaLength += c.sizeDependentRecord;
    if (p.dataAreaLength > MaxDataAreaSize) return false;
    p.columns.push_back(std::move(c));
    return true;
}

std::string textOrEmpty(char** list, int i) {
    return list != nullptr && list[i] != nullptr ? std::string(list[i]) : std::string();
}

bool ingestVersion36(va_list* ap, WriterParameters& p) {
    ingestSubheaders(ap, p);
    TOC_version3 c;
    c.independentMinimum = va_arg(*ap, double);
    c.independentMaximum = va_arg(*ap, double);
    c.independentPrecisionLog = va_arg(*ap, int);
    const int points = va_arg(*ap, int);
    c.dependentPrecisionLog = va_arg(*ap, int);
    return addColumn(p, c, points);
}

bool ingestVersion44or48(va_list* ap, int TOCversion, WriterParameters& p) {
    ingestSubheaders(ap, p);
    const int n = va_arg(*ap, int);
    const int* ids = va_arg(*ap, int*);
    const double* minima = va_arg(*ap, double*);
    const double* maxima = va_arg(*ap, double*);
    const int* indPrecisions = va_arg(*ap, int*);
    const int* points = va_arg(*ap, int*);
    const int* depPrecisions = va_arg(*ap, int*);
    char** lists[4] = {nullptr, nullptr, nullptr, nullptr};
    if (TOCversion == 48)
        for (auto& l : lists) l = va_arg(*ap, char**);
    if (n <= 0 || ids == nullptr || minima == nullptr || maxima == nullptr || indPrecisions == nullptr ||
        points == nullptr || depPrecisions == nullptr)
        return false;
    for (int i = 0; i < n; ++i) {
        TOC_version3 c;
        c.identifier = ids[i] != 0 ? ids[i] : i + 1;
        c.independentMinimum = minima[i];
        c.independentMaximum = maxima[i];
        c.independentPrecisionLog = indPrecisions[i];
        c.dependentPrecisionLog = depPrecisions[i];
        c.description.shortname = textOrEmpty(lists[0], i);
        c.description.label = textOrEmpty(lists[1], i);
        c.description.longname = textOrEmpty(lists[2], i);
        c.description.units = textOrEmpty(lists[3], i);
        if (!addColumn(p, std::move(c), points[i])) return false;
    }
    return true;
}

bool ingestTableOfContentsParameters(int TOCversion, va_list* ap, WriterParameters& p) {
    if (TOCversion == 36) return ingestVersion36(ap, p);
    if (TOCversion == 44 || TOCversion == 48) return ingestVersion44or48(ap, TOCversion, p);
    return false;
}

// ---- Header anatomy and transfers ------------------------------------------------------------------

std::vector<int32_t> subheaderIds(const RGDheaderAnatomy& anatomy) {
    std::vector<int32_t> ids;
    for (const RGDsubheader* s : anatomy.subheader) ids.push_back(s->id);
    return ids;
}

transferOperation addTransferOperation(ZARFFILE* reference, const RGDheaderAnatomy& anatomy) {
    transferOperation op;
    const RGDFile* rf = rgdFileOf(reference);
    if (rf == nullptr) return op;
    op.type = TRANSCOPY;
    op.source = 0;
    op.target = anatomy.size;
    op.size = rf->anatomy.size;
    op.sourceSubheaders = subheaderIds(rf->anatomy);
    return op;
}

// The anatomy a written file gets: the headers of its RGD references, then the requested
// subheaders, then the base subheader unless already there. False for an unknown subheader.
bool generateWritingHeaderAnatomy(const std::vector<ZARFFILE*>& references, const WriterParameters& p,
                                  RGDheaderAnatomy& anatomy, std::vector<transferOperation>& transfers) {
    if (!p.subheadersValid) return false;
    for (ZARFFILE* reference : references) {
        transfers.push_back(addTransferOperation(reference, anatomy));
        if (const RGDFile* rf = rgdFileOf(reference))
            for (const RGDsubheader* s : rf->anatomy.subheader)
                if (!RGDHAaddSubheader(anatomy, *s)) return false;
    }
    anatomy.protectionIndex = static_cast<int32_t>(anatomy.fieldCount());
    for (int32_t id : p.subheaders) {
        const RGDsubheader* s = RGDlookupSubheader(id);
        if (s == nullptr || !RGDHAaddSubheader(anatomy, *s)) return false;
    }
    if (!anatomy.hasSubheader(BaseSubheaderId)) {
        const RGDsubheader* base = RGDlookupSubheader(BaseSubheaderId);
        if (base == nullptr || !RGDHAaddSubheader(anatomy, *base)) return false;
    }
    return true;
}

// ---- History block -----------------------------------------------------------------------------------

// The local time in the 24-character calendar form followed by a newline.
std::string creationTime() {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", days[t.tm_wday % 7], months[t.tm_mon % 12],
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, 1900 + t.tm_year);
    return text;
}

bool writeText(std::FILE* fp, const std::string& text) { return writeExact(fp, text.data(), text.size()); }

const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

// Copies a parent's history: its bytes from offset 0 up to its first NUL.
bool copyHistory(std::FILE* parent, std::FILE* out) {
    if (!seekTo(parent, 0)) return true;
    std::vector<char> block(HistoryBlockSize);
    for (;;) {
        const size_t got = std::fread(block.data(), 1, block.size(), parent);
        const auto end = std::find(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got), '\0');
        const size_t n = static_cast<size_t>(end - block.begin());
        if (n > 0 && !writeExact(out, block.data(), n)) return false;
        if (n < got || got < block.size()) return true;
    }
}

bool writeParentHistory(std::FILE* out, ZARFFILE* parent, long i, long n, const std::string& name) {
    char line[256];
    if (RGDFile* pf = rgdFileOf(parent)) {
        std::snprintf(line, sizeof line, "## begin History of parent %ld/%ld of ", i, n);
        if (!writeText(out, line + name + "\r\n") || !copyHistory(pf->fp.get(), out)) return false;
        std::snprintf(line, sizeof line, "## end History of parent %d of ", static_cast<int>(i));
        return writeText(out, line + name + "\r\n");
    }
    std::snprintf(line, sizeof line, "## no History available for parent %d/%d of ", static_cast<int>(i),
                  static_cast<int>(n));
    const std::string parentName = parent != nullptr ? orEmpty(parent->filename) : "";
    return writeText(out, line + name + "\r\n") && writeText(out, "## filename is " + parentName + "\r\n");
}

bool makeHistory(std::FILE* out, const std::string& name, const char* program, const char* version,
                 const char* addition, const std::vector<ZARFFILE*>& parents) {
    const std::string blank(79, ' ');
    std::string head = blank + "\r\n" + blank + "\r\n";
    head += "##### begin File " + name + " created by " + orEmpty(program) + " (" + orEmpty(version) + ")\r\n";
    head += "# time of creation " + creationTime() + "\r\n";
    head += std::string(orEmpty(addition)) + "\r\n";
    head += std::string("# RAVLIO Version : ") + RAVLIO_Version + "\r\n";
    head += std::string(HistoryNotice) + "\r\n";
    head += std::string("# RGD data object version : ") + RGDdictionaryRevision + "\r\n";
    if (!writeText(out, head)) return false;
    const long n = static_cast<long>(parents.size());
    for (long i = 0; i < n; ++i)
        if (!writeParentHistory(out, parents[static_cast<size_t>(i)], i + 1, n, name)) return false;
    return writeExact(out, EndOfHistory, EndOfHistoryLength);
}

bool writePreamble(std::FILE* fp, const std::string& name, const char* program, const char* version,
                   const char* addition, const std::vector<ZARFFILE*>& parents, const WriterParameters& p,
                   const RGDheaderAnatomy& anatomy, int64_t& magicOffset) {
    if (!makeHistory(fp, name, program, version, addition, parents)) return false;
    magicOffset = tellOf(fp);
    // On the disk, not only in the system's cache, before the file gets its name: a power cut
    // after the rename must not leave an empty or half-written file under the name.
    return writeMagic(fp) && writeTableOfContents(fp, p.columns) && writeHeaderAnatomyList(fp, anatomy) &&
           std::fflush(fp) == 0 && RAVLIOfsync(fileno(fp)) == 0;
}

std::vector<ZARFFILE*> referenceVector(ZARFFILE** list, int count) {
    if (list == nullptr || count <= 0) return {};
    return std::vector<ZARFFILE*>(list, list + count);
}

// ---- Records ------------------------------------------------------------------------------------------

enum class SourceKind { Caller, Collated };

// Writes each (identifier, value) that the anatomy allows into the header and reports the
// outcome in the identifier list: written identifiers positive, the others negative.
// Caller metadata is looked up by magnitude so that a list passed again (to this file or
// another) is not flipped back and forth; collated sources only offer positive identifiers
// (a negative one is a field their reader could not deliver).
bool collateRealMetadata(const RGDheaderAnatomy& anatomy, unsigned char* header, int* ids, const float* values,
                         int count, SourceKind kind) {
    for (int i = 0; i < count; ++i) {
        const int32_t id = ids[i];
        if (id == INT32_MIN || (kind == SourceKind::Collated && id <= 0)) continue;
        const int32_t key = id < 0 ? -id : id;
        const int position = anatomy.position(key);
        const bool writable = position >= 0 && (key == FIELD_missingDataFlag || position >= anatomy.protectionIndex);
        if (!writable) {
            ids[i] = -key;
            continue;
        }
        const size_t p = static_cast<size_t>(position);
        if (anatomy.fieldWidth[p] != static_cast<int32_t>(sizeof(float))) return false;
        std::memcpy(header + anatomy.fieldOffset[p], &values[i], sizeof(float));
        ids[i] = key;
    }
    return true;
}

// Copies a source's whole header block when the source is an RGD file whose header has
// exactly the layout the block was made for; any other source leaves the block NaN.
void transferCopy(const transferOperation& op, ZARFFILE* source, int record, unsigned char* header) {
    RGDFile* sf = rgdFileOf(source);
    if (sf == nullptr || sf->anatomy.size != op.size || subheaderIds(sf->anatomy) != op.sourceSubheaders) return;
    std::vector<unsigned char> block(static_cast<size_t>(std::max(op.size, 1)));
    const unsigned char* kept = recordHeader(*sf, record, block.data());
    if (kept == nullptr) return;
    std::memcpy(header + op.target, kept + op.source, static_cast<size_t>(op.size));
}

void transferCollate(ZARFFILE* source, int record, RGDFile& f, unsigned char* header, ZARFFILE* target) {
    const int m = ZARFqueryMaxMetadataCount(source, record);
    if (m <= 0 || m > MaxCollatedFields) return;
    std::vector<int> ids(static_cast<size_t>(m), WildcardFieldId);
    std::vector<float> values(static_cast<size_t>(m), nanq());
    if (ZARFreadRealMetadata(source, record, ids.data(), m, values.data()) <= 0) return;
    if (!collateRealMetadata(f.anatomy, header, ids.data(), values.data(), m, SourceKind::Collated))
        target->lastError = MsgCollationSizeMismatch;
}

// Takes one fresh look at each RGD source file, so that the headers a source keeps serve
// only while its file is unchanged (a calibration copies the same few headers into every
// record it writes).
void lookAtSources(ZARFFILE** originals, size_t n) {
    for (size_t k = 0; k < n; ++k) {
        const RGDFile* sf = rgdFileOf(originals[k]);
        if (sf == nullptr || std::find(originals, originals + k, originals[k]) != originals + k) continue;
        computeRecordsInFile(*sf);
    }
}

// Source k is matched with the transfer operation of position k; sources beyond the
// operations are ignored and operations without a source leave their fields NaN.
void executeTransferOperations(RGDFile& f, unsigned char* header, ZARFFILE** originals, const int* origrecords,
                               int count, ZARFFILE* target) {
    if (originals == nullptr || origrecords == nullptr || count <= 0) return;
    const size_t n = std::min(static_cast<size_t>(count), f.transfer.size());
    lookAtSources(originals, n);
    for (size_t k = 0; k < n; ++k) {
        if (originals[k] == nullptr) continue;
        if (f.transfer[k].type == TRANSCOPY)
            transferCopy(f.transfer[k], originals[k], origrecords[k], header);
        else
            transferCollate(originals[k], origrecords[k], f, header, target);
    }
}

// Fills the first `size` bytes of the buffer with the quiet-NaN float pattern.
void fillWithNANQ(std::vector<unsigned char>& buffer, size_t size) {
    const float nan = nanq();
    for (size_t i = 0; i + sizeof nan <= size; i += sizeof nan) std::memcpy(&buffer[i], &nan, sizeof nan);
}

// Bytes of NaN fill held at once when a missing record's data area is written (a multiple
// of the four bytes of a value).
constexpr size_t NAN_FILL_BLOCK = size_t{1} << 20;

// Writes rest more bytes of the NaN fill that follows the header in the record buffer, from
// offset at on, a block at a time.
bool writeNaNRest(RGDFile& f, int64_t at, size_t rest) {
    const unsigned char* block = f.recordBuffer.data() + f.anatomy.size;
    while (rest > 0) {
        const size_t n = std::min(rest, NAN_FILL_BLOCK);
        if (!writeAt(f.fp.get(), at, block, n, nullptr, 0)) return false;
        at += static_cast<int64_t>(n);
        rest -= n;
    }
    return true;
}

fileHANDLE finishHandle(FilePtr fp, const std::string& name, RGDheaderAnatomy anatomy,
                        std::vector<TOC_version3> columns, int64_t dataArea,
                        std::vector<transferOperation> transfers) {
    auto f = std::make_unique<RGDFile>();
    f->filename = name;
    f->baseOffset = tellOf(fp.get());
    f->anatomy = std::move(anatomy);
    f->dataType = std::move(columns);
    f->totalDataAreaLength = static_cast<int32_t>(dataArea);
    f->transfer = std::move(transfers);
    f->workspace.assign(static_cast<size_t>(std::max(f->anatomy.size, 1)), 0);
    f->headers.resize(static_cast<size_t>(f->anatomy.size));
    f->fp = std::move(fp);
    return f.release();
}

// The name a new file is created under before it is renamed to filename: beside it, so that
// the rename replaces nothing and is atomic; empty when something already has the name.
std::string creationName(const char* filename) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(filename, ec))) return {};
    return std::string(filename) + ".new" + std::to_string(static_cast<long>(getpid()));
}

fileHANDLE createFile(const char* filename, const std::vector<ZARFFILE*>& references, const char* program,
                      const char* version, const char* addition, WriterParameters& p) {
    RGDheaderAnatomy anatomy;
    std::vector<transferOperation> transfers;
    // The anatomy is checked before the file is created, so that a refused open leaves no
    // half-written file behind that later opens would take for a damaged one.
    if (!generateWritingHeaderAnatomy(references, p, anatomy, transfers)) {
        lastGenericError = MsgBadAnatomy;
        return nullptr;
    }
    // The preamble is written under a temporary name beside the file and renamed into place
    // once complete, so that a process ended during the creation (killed, out of space)
    // leaves nothing under the name: a half-made file there would be taken for an existing
    // one, every later open would fail to reopen it, and a writer waiting for its output
    // file would wait for ever. An occupied name, or one too long for the temporary name,
    // is created in place as before.
    std::string temporary = creationName(filename);
    FilePtr fp = openStream(temporary.empty() ? filename : temporary.c_str(), "w+b");
    if (fp == nullptr && !temporary.empty()) {
        temporary.clear();
        fp = openStream(filename, "w+b");
    }
    if (fp == nullptr) {
        lastGenericError = MsgNotWritable;
        return nullptr;
    }
    int64_t magicOffset = 0;
    // The new name is made durable before anything is written into the file under it: a
    // power cut must not leave records in a file whose name the directory never kept.
    if (!writePreamble(fp.get(), filename, program, version, addition, references, p, anatomy, magicOffset) ||
        (!temporary.empty() && RAVLIOrename(temporary.c_str(), filename) != 0) ||
        RAVLIOsyncParentDirectory(filename) != 0) {
        if (!temporary.empty()) std::remove(temporary.c_str());
        lastGenericError = MsgNotWritable;
        return nullptr;
    }
    fileHANDLE h = finishHandle(std::move(fp), filename, std::move(anatomy), std::move(p.columns), p.dataAreaLength,
                                std::move(transfers));
    static_cast<RGDFile*>(h)->magicOffset = magicOffset;
    return h;
}

fileHANDLE reopen(const char* filename, const std::vector<ZARFFILE*>& references, const WriterParameters& p,
                  int columnCount, int64_t dataAreaSize) {
    FilePtr fp = openStream(filename, "r+b");
    if (fp == nullptr) {
        lastGenericError = MsgNotReadable;
        return nullptr;
    }
    std::unique_ptr<RGDFile> f = loadPreamble(std::move(fp), filename);
    if (f == nullptr) return nullptr;
    RGDheaderAnatomy wanted;
    std::vector<transferOperation> transfers;
    if (!generateWritingHeaderAnatomy(references, p, wanted, transfers)) {
        lastGenericError = MsgBadAnatomy;
        return nullptr;
    }
    if (!RGDHAequals(f->anatomy, wanted) || columnCount != f->dataTypeCount() ||
        dataAreaSize != f->totalDataAreaLength) {
        lastGenericError = MsgReopenMismatch;
        return nullptr;
    }
    f->anatomy.protectionIndex = wanted.protectionIndex;
    f->transfer = std::move(transfers);
    std::fflush(f->fp.get());
    return f.release();
}

}  // namespace

}  // namespace rgd

using namespace rgd;

fileHANDLE RGDreopenFileWritable(const char* filename, ZARFFILE** referenceList, int referenceCount,
                                 const int* subheaderList, int subheaderCount, int columnCount,
                                 int64_t dataAreaSize) {
    skippy();
    RegisterEverything();
    if (filename == nullptr) {
        lastGenericError = MsgNotReadable;
        return nullptr;
    }
    try {
        WriterParameters p;
        if (subheaderCount < 0 || (subheaderCount > 0 && subheaderList == nullptr))
            p.subheadersValid = false;
        else
            p.subheaders.assign(subheaderList, subheaderList + subheaderCount);
        return reopen(filename, referenceVector(referenceList, referenceCount), p, columnCount, dataAreaSize);
    } catch (const std::bad_alloc&) {
        lastGenericError = MsgNoMemory;
        return nullptr;
    }
}

fileHANDLE RGDopenFileWritable(const char* filename, int /*filetype*/, ZARFFILE** referenceList, int referenceCount,
                               const char* programName, const char* version, const char* historyAddition,
                               int TOCversion, va_list args) {
    skippy();
    RegisterEverything();
    try {
        WriterParameters p;
        va_list ap;
        va_copy(ap, args);
        const bool columnsValid = ingestTableOfContentsParameters(TOCversion, &ap, p);
        va_end(ap);
        if (!columnsValid) {
            lastGenericError = MsgBadTableOfContents;
            return nullptr;
        }
        if (filename == nullptr) {
            lastGenericError = MsgNotWritable;
            return nullptr;
        }
        const std::vector<ZARFFILE*> references = referenceVector(referenceList, referenceCount);
        if (openStream(filename, "rb") != nullptr)
            return reopen(filename, references, p, static_cast<int>(p.columns.size()), p.dataAreaLength);
        return createFile(filename, references, programName, version, historyAddition, p);
    } catch (const std::bad_alloc&) {
        lastGenericError = MsgNoMemory;
        return nullptr;
    }
}

int RGDwriteCompleteRecord(ZARFFILE* file, int record, ZARFFILE** originals, const int* origrecords, int origcount,
                           int* requestlist, int requestcount, const float* metadata, const float* data,
                           int datacount) {
    RGDFile* f = rgdFileOf(file);
    if (f == nullptr) return 0;
    const int64_t r = record < 0 ? -static_cast<int64_t>(record) : record;
    if (r == 0) {
        file->lastError = MsgRecordUnavailable;
        return 0;
    }
    const int64_t start = computeRecordLocation(f->baseOffset, f->stride(), r);
    const int64_t length = f->writtenLength >= 0 ? f->writtenLength : streamLength(f->fp.get());
    f->writtenLength = -1;  // known again only after a write that succeeds
    if (length < 0 || start > length) {
        file->lastError = MsgIntermediateMissing;
        return 0;
    }
    const int64_t bytes = int64_t{4} * datacount;
    if (bytes != 0 && (bytes != f->totalDataAreaLength || data == nullptr)) {
        file->lastError = MsgImproperDataCount;
        return 0;
    }
    // The header, and the data area when it is not the caller's array as it stands (NaN
    // fill, or a big-endian host that must reorder the values). A NaN-filled data area is
    // held once up to NAN_FILL_BLOCK bytes and written as often as the area needs, so that a
    // file whose records are very large (up to 2 GiB) does not make a missing record take
    // that much memory.
    const bool ownDataArea = bytes == 0 || big_endian != 0;
    const auto dataArea = static_cast<size_t>(f->totalDataAreaLength);
    const size_t headerSize = static_cast<size_t>(f->anatomy.size);
    const size_t heldArea = bytes == 0 ? std::min(dataArea, NAN_FILL_BLOCK) : (ownDataArea ? dataArea : 0);
    const size_t nanRest = bytes == 0 ? dataArea - heldArea : 0;
    try {
        std::vector<unsigned char>& buffer = f->recordBuffer;
        buffer.resize(headerSize + heldArea);
        fillWithNANQ(buffer, bytes == 0 ? buffer.size() : headerSize);
        if (bytes != 0 && ownDataArea) std::memcpy(buffer.data() + headerSize, data, static_cast<size_t>(bytes));
        executeTransferOperations(*f, buffer.data(), originals, origrecords, origcount, file);
        if (f->anatomy.fieldCount() > 0 && requestlist != nullptr && metadata != nullptr && requestcount > 0 &&
            !collateRealMetadata(f->anatomy, buffer.data(), requestlist, metadata, requestcount, SourceKind::Caller))
            file->lastError = MsgCollationSizeMismatch;
    } catch (const std::bad_alloc&) {
        file->lastError = MsgCollationFailed;
        return 0;
    }
    std::vector<unsigned char>& buffer = f->recordBuffer;
    swapGroups4(buffer.data(), buffer.size());
    f->workspaceRecord = 0;
    f->headers.forget();
    const size_t callerBytes = ownDataArea ? 0 : static_cast<size_t>(bytes);
    if (!writeAt(f->fp.get(), start, buffer.data(), buffer.size(), data, callerBytes) ||
        !writeNaNRest(*f, start + static_cast<int64_t>(buffer.size()), nanRest)) {
        // An appended record that did not get through whole is cut off again, so that no
        // part of it stays for the next append to find beyond the end.
        if (start == length && ftruncate(fileno(f->fp.get()), static_cast<off_t>(start)) != 0) {
            // Nothing more to do: the part left is shorter than a record, so no reader counts
            // it, and the next append at this record number writes over it.
        }
        file->lastError = MsgWriteFailed;
        return 0;
    }
    f->writtenLength = std::max(length, start + f->stride());
    return 1;
}
