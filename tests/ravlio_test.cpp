// The format-neutral layer: registry, probing, dispatch, null handles, fallbacks, waiting.
#include "ravlio/ravlio.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "driver.h"
#include "support/nasaamesbuilder.h"
#include "support/rawbuilder.h"
#include "support/sleeprecorder.h"
#include "support/tempdir.h"

namespace {

// State of one file of the fake drivers, keyed by name.
struct FakeFile {
    int records = 3;
    int growPerRead = 0;  // records added by each record-count read
    int recordSize = 5;
    bool domainOk = true;
    float minimum = 1000.0F;
    float interval = 0.5F;
};

std::map<std::string, FakeFile> fakeFiles;
int closes = 0;
int probesOfB = 0;
// What the writing fake read from its variable arguments.
int writerFiletype = -1;
int writerArgInt = 0;
double writerArgDouble = 0.0;
std::string writerProgram;

FakeFile& stateOf(ZARFFILE* file) { return *static_cast<FakeFile*>(file->handle); }

bool nameHas(const char* filename, const char* part) { return std::strstr(filename, part) != nullptr; }

int readableByA(const char* filename) { return nameHas(filename, "a-") || nameHas(filename, "both") ? 1 : 0; }
int readableByB(const char* filename) {
    ++probesOfB;
    return nameHas(filename, "b-") || nameHas(filename, "both") ? 1 : 0;
}

fileHANDLE openFake(const char* filename) {
    if (nameHas(filename, "broken")) return nullptr;
    return &fakeFiles[filename];
}

fileHANDLE openFakeWritable(const char* filename, int filetype, ZARFFILE** /*referenceList*/, int /*referenceCount*/,
                            const char* programName, const char* /*version*/, const char* /*historyAddition*/,
                            int /*TOCversion*/, va_list args) {
    writerFiletype = filetype;
    writerProgram = programName;
    writerArgInt = va_arg(args, int);
    writerArgDouble = va_arg(args, double);
    return &fakeFiles[filename];
}

int closeFake(ZARFFILE* /*file*/) {
    ++closes;
    return 7;
}

int recordCountFake(ZARFFILE* file) {
    FakeFile& state = stateOf(file);
    state.records += state.growPerRead;
    return state.records;
}

int recordSizeFake(ZARFFILE* file, int /*record*/) { return stateOf(file).recordSize; }

int readDepFake(ZARFFILE* /*file*/, int /*record*/, float* values, int arraysize) {
    if (arraysize > 0) values[0] = 42.0F;
    return arraysize > 0 ? 1 : 0;
}

int domainFake(ZARFFILE* file, int /*record*/, float* minimum, float* maximum, float* interval) {
    const FakeFile& state = stateOf(file);
    if (!state.domainOk) return 0;
    *minimum = state.minimum;
    *maximum = state.minimum + state.interval * static_cast<float>(state.recordSize - 1);
    *interval = state.interval;
    return 1;
}

int noDomainDouble(ZARFFILE* /*file*/, int /*record*/, double* /*minimum*/, double* /*maximum*/,
                   double* /*interval*/) {
    return 0;
}

int ownIndValues(ZARFFILE* /*file*/, int /*record*/, float* values, int arraysize) {
    const float own[] = {1.5F, 2.5F, 4.5F};
    int stored = 0;
    for (; stored < arraysize && stored < 3; ++stored) values[stored] = own[stored];
    return stored;
}

int writeCompleteFake(ZARFFILE* /*file*/, int record, ZARFFILE** /*originals*/, const int* /*origrecords*/,
                      int /*origcount*/, int* /*requestlist*/, int /*requestcount*/, const float* /*metadata*/,
                      const float* /*data*/, int /*datacount*/) {
    return record > 0 ? 1 : 0;
}

const char* versionFake(ZARFFILE* /*file*/, unsigned componentId) { return componentId == 2 ? "fake 2" : nullptr; }

Methods fakeMethods(int (*recognise)(const char*)) {
    return Methods{recognise,
                   DEFAULTopenFileWritable,
                   openFake,
                   closeFake,
                   recordCountFake,
                   recordSizeFake,
                   readDepFake,
                   domainFake,
                   DEFAULTreadIndValues,
                   DEFAULTqueryMaxMetadataCount,
                   DEFAULTreadRealMetadata,
                   DEFAULTreadMetadataStringDesc,
                   DEFAULTwriteDepValues,
                   DEFAULTwriteRealMetadata,
                   DEFAULTcopyMetadata,
                   DEFAULTwriteCompleteRecord,
                   DEFAULTwriteStringDesc,
                   DEFAULTselectData,
                   DEFAULTqueryMaxDataCount,
                   DEFAULTqueryDataTypes,
                   DEFAULTreadDataStringDesc,
                   DEFAULTreadIndDomainDouble,
                   DEFAULTreadIndValuesDouble,
                   DEFAULTqueryVersion};
}

const Methods fakeA = fakeMethods(readableByA);
const Methods fakeB = fakeMethods(readableByB);

Methods makeWriter() {
    Methods writer = fakeMethods(readableByA);
    writer.openFileWritable = openFakeWritable;
    writer.writeCompleteRecord = writeCompleteFake;
    writer.queryVersion = versionFake;
    return writer;
}
const Methods fakeWriter = makeWriter();

Methods makeOwnValues() {
    Methods own = fakeMethods(readableByA);
    own.readIndDomainDouble = noDomainDouble;
    own.readIndValues = ownIndValues;
    return own;
}
const Methods fakeOwnValues = makeOwnValues();

const Methods* const orderAB[] = {&fakeA, &fakeB, nullptr};
const Methods* const orderBA[] = {&fakeB, &fakeA, nullptr};

const char* const kBadHandle = "ZARFFILE provided is bad";
const char* const kUnsupportedWrite = "writing to this file type is unsupported";
const char* const kBadDescription = "description type requested is bad or unavailable";

class ZarfLayer : public ::testing::Test {
protected:
    void SetUp() override {
        fakeFiles.clear();
        closes = 0;
        probesOfB = 0;
        writerFiletype = -1;
        lastGenericError = nullptr;
        ZARFinstallFileTypes(orderAB, 2, &fakeWriter);
    }
    void TearDown() override {
        for (ZARFFILE* file : open_) ZARFcloseFile(file);
        ZARFinstallFileTypes(nullptr, 0, nullptr);
    }
    ZARFFILE* openReadable(const char* name) {
        ZARFFILE* file = ZARFopenFileReadable(name);
        if (file != nullptr) open_.push_back(file);
        return file;
    }
    void closeKept(ZARFFILE* file) {
        std::erase(open_, file);
        ZARFcloseFile(file);
    }
    std::vector<ZARFFILE*> open_;
};

std::string text(const char* s) { return s != nullptr ? s : "(null)"; }

}  // namespace

// ---- Opening and probing ------------------------------------------------------------------

TEST_F(ZarfLayer, OpenReadableWrapsTheDriverHandle) {
    ZARFFILE* file = openReadable("a-one");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->method, &fakeA);
    EXPECT_EQ(file->handle, &fakeFiles["a-one"]);
    EXPECT_STREQ(file->filename, "a-one");
    EXPECT_EQ(text(file->lastError), "- Mystery Error : go smack Tam around -");
    EXPECT_EQ(text(ZARFlastError(file)), "- Mystery Error : go smack Tam around -");
}

TEST_F(ZarfLayer, FormatNameOfADriverOutsideTheTableIsNull) {
    ZARFFILE* file = openReadable("a-one");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ZARFqueryFormatName(file), nullptr);
}

TEST_F(ZarfLayer, FileTwoDriversRecogniseGoesToTheEarlierOne) {
    ZARFFILE* first = openReadable("both-x");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->method, &fakeA);
    EXPECT_EQ(probesOfB, 0);

    ZARFinstallFileTypes(orderBA, 2, &fakeWriter);
    ZARFFILE* second = openReadable("both-y");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->method, &fakeB);
}

TEST_F(ZarfLayer, LaterDriverIsAskedWhenEarlierDeclines) {
    ZARFFILE* file = openReadable("b-only");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->method, &fakeB);
    EXPECT_EQ(lastGenericError, nullptr);
}

TEST_F(ZarfLayer, FailedOpenOfRecognisedFileTriesNoOtherDriver) {
    lastGenericError = "left by the driver";
    EXPECT_EQ(openReadable("both-broken"), nullptr);
    EXPECT_EQ(probesOfB, 0);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "left by the driver");
}

TEST_F(ZarfLayer, UnrecognisedFileIsUnknownFiletype) {
    EXPECT_EQ(openReadable("c-neither"), nullptr);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "filetype is unknown");
}

TEST_F(ZarfLayer, NullFilenameIsRefused) {
    EXPECT_EQ(ZARFopenFileReadable(nullptr), nullptr);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "invalid filename - null pointer");
}

TEST(ZarfDriverTable, ListsOnlyLiveDriversAndEndsWithNull) {
    ASSERT_GE(FileTypesSupportedCount, 0);
    for (int i = 0; i < FileTypesSupportedCount; ++i) EXPECT_NE(FileType[i], nullptr);
    EXPECT_EQ(FileType[FileTypesSupportedCount], nullptr);
}

TEST(ZarfDriverTable, RgdReadsAndWritesThroughTheBuiltInTable) {
    EXPECT_EQ(WritableFileType, &RGD_Methods);
    EXPECT_NE(std::find(FileType, FileType + FileTypesSupportedCount, &RGD_Methods),
              FileType + FileTypesSupportedCount);

    testsupport::TempDir dir;
    const std::string name = dir.file("round.rgd");
    ZARFFILE* out = ZARFopenFileWritable(name.c_str(), 0, nullptr, 0, "ZARFTEST", "V1", "", 36, nullptr, 0, 500.0,
                                         502.0, -2, 5, -3);
    ASSERT_NE(out, nullptr) << text(ZARFlastError(nullptr));
    EXPECT_EQ(out->method, &RGD_Methods);
    EXPECT_EQ(ZARFfileNamed(name.c_str()), out);
    const float data[5] = {1.0F, 2.0F, 3.0F, 4.0F, 5.0F};
    EXPECT_EQ(ZARFwriteCompleteRecord(out, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, data, 5), 1);
    EXPECT_EQ(ZARFwriteCompleteRecord(out, 3, nullptr, nullptr, 0, nullptr, 0, nullptr, data, 5), 0);
    EXPECT_EQ(text(ZARFlastError(out)),
              "intermediate record(s) missing - records may not be written beyond the end of the file");
    ZARFcloseFile(out);

    ZARFFILE* in = ZARFopenFileReadable(name.c_str());
    ASSERT_NE(in, nullptr) << text(ZARFlastError(nullptr));
    EXPECT_EQ(in->method, &RGD_Methods);
    EXPECT_EQ(ZARFreadRecordCount(in), 1);
    float values[5] = {};
    EXPECT_EQ(ZARFreadDepValues(in, 1, values, 5), 5);
    EXPECT_EQ((std::vector<float>(values, values + 5)), (std::vector<float>(data, data + 5)));
    EXPECT_EQ(text(ZARFqueryVersion(3, in)), "$State: Exp $");
    ZARFcloseFile(in);
}

TEST(ZarfDriverTable, FormatNameIsTheReadingDriversName) {
    for (int i = 0; i < FileTypesSupportedCount; ++i) EXPECT_NE(FileTypeName[i], nullptr) << i;
    testsupport::TempDir dir;
    const std::string rgd = dir.file("named.rgd");
    ZARFFILE* out = ZARFopenFileWritable(rgd.c_str(), 0, nullptr, 0, "ZARFTEST", "V1", "", 36, nullptr, 0, 500.0,
                                         502.0, -2, 5, -3);
    ASSERT_NE(out, nullptr) << text(ZARFlastError(nullptr));
    EXPECT_EQ(text(ZARFqueryFormatName(out)), "RGD");
    ZARFcloseFile(out);
    const std::string mlt = dir.file("named.mlt");
    testsupport::writeFile(mlt, "500.0 0.98\n600.0 0.97\n");
    const std::string nasa = dir.file("named.na");
    ASSERT_TRUE(testsupport::writeMinimalNasaAmesFile(nasa));
    const std::string raw = dir.file("named.raw");
    ASSERT_TRUE(testsupport::writeMinimalRawFile(raw));
    for (const auto& [name, format] : std::vector<std::pair<std::string, std::string>>{
             {rgd, "RGD"}, {mlt, "MLT"}, {nasa, "NASA Ames"}, {raw, "raw instrument"}}) {
        ZARFFILE* in = ZARFopenFileReadable(name.c_str());
        ASSERT_NE(in, nullptr) << name << ": " << text(ZARFlastError(nullptr));
        EXPECT_EQ(text(ZARFqueryFormatName(in)), format);
        ZARFcloseFile(in);
    }
}

TEST(ZarfDriverTable, PlainTextIsOfUnknownType) {
    testsupport::TempDir dir;
    const std::string name = dir.file("notes.txt");
    testsupport::writeFile(name, "just some notes\n");
    lastGenericError = nullptr;
    EXPECT_EQ(ZARFopenFileReadable(name.c_str()), nullptr);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "filetype is unknown");
}

// ---- Only regular files are opened --------------------------------------------------------------

// Names that lead to something other than a regular file, each under a data-file name that
// a driver would claim by its suffix alone, made in a fresh directory.
class ZarfNonRegular : public ::testing::Test {
protected:
    void SetUp() override {
        lastGenericError = nullptr;
        // A regression would block in the first read of a FIFO: end the suite instead.
        alarm(60);
    }
    void TearDown() override { alarm(0); }

    std::vector<std::string> makeAll() {
        std::vector<std::string> names;
        names.push_back(dir.file("folder.MLT"));
        std::filesystem::create_directory(names.back());
        names.push_back(dir.file("pipe.MLT"));
        EXPECT_EQ(mkfifo(names.back().c_str(), 0600), 0);
        for (const char* device : {"/dev/null", "/dev/zero", "/dev/urandom"}) {
            names.push_back(dir.file(std::string("device") + std::to_string(names.size()) + ".MLT"));
            std::filesystem::create_symlink(device, names.back());
        }
        names.push_back(dir.file("sock.RGD"));
        const int s = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, names.back().c_str(), sizeof address.sun_path - 1);
        if (names.back().size() < sizeof address.sun_path)
            EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        else
            names.pop_back();
        sockets.push_back(s);
        names.push_back(dir.file("folder.RGD"));
        std::filesystem::create_directory(names.back());
        return names;
    }
    ~ZarfNonRegular() override {
        for (int s : sockets) close(s);
    }

    testsupport::TempDir dir;
    std::vector<int> sockets;
};

TEST_F(ZarfNonRegular, ReadableOpenRefusesWithoutReading) {
    for (const std::string& name : makeAll()) {
        lastGenericError = nullptr;
        ZARFFILE* file = ZARFopenFileReadable(name.c_str());
        EXPECT_EQ(file, nullptr) << name;
        if (file != nullptr) ZARFcloseFile(file);
        EXPECT_EQ(text(ZARFlastError(nullptr)), "filename did not correspond to a regular file") << name;
        // The update prefix of the RGD driver is looked through.
        EXPECT_EQ(ZARFopenFileReadable(("@" + name).c_str()), nullptr) << name;
        EXPECT_EQ(text(ZARFlastError(nullptr)), "filename did not correspond to a regular file") << name;
    }
}

TEST_F(ZarfNonRegular, WritableOpenRefusesAndChangesNothing) {
    const std::vector<std::string> names = makeAll();
    for (const std::string& name : names) {
        lastGenericError = nullptr;
        ZARFFILE* file = ZARFopenFileWritable(name.c_str(), 0, nullptr, 0, "ZARFTEST", "V1", "", 36, nullptr, 0,
                                              500.0, 502.0, -2, 5, -3);
        EXPECT_EQ(file, nullptr) << name;
        if (file != nullptr) ZARFcloseFile(file);
        EXPECT_EQ(text(ZARFlastError(nullptr)), "filename did not correspond to a regular file") << name;
    }
    // Nothing was created beside the names either (no temporary left behind).
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, static_cast<int>(names.size()));
}

TEST(ZarfSymlinks, WritableOpenNeverCreatesThroughADanglingLink) {
    testsupport::TempDir dir;
    const std::string link = dir.file("out.RGD");
    const std::string target = dir.file("elsewhere.RGD");
    std::filesystem::create_symlink(target, link);
    lastGenericError = nullptr;
    EXPECT_EQ(ZARFopenFileWritable(link.c_str(), 0, nullptr, 0, "ZARFTEST", "V1", "", 36, nullptr, 0, 500.0, 502.0,
                                   -2, 5, -3),
              nullptr);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "filename is a symbolic link to a file that does not exist");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(target)));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
}

TEST(ZarfSymlinks, WritableOpenThroughALinkToAnExistingFileAppendsToThatFile) {
    testsupport::TempDir dir;
    const std::string target = dir.file("product.RGD");
    const std::string link = dir.file("out.RGD");
    const float data[5] = {1.0F, 2.0F, 3.0F, 4.0F, 5.0F};
    auto openWriter = [](const std::string& name) {
        return ZARFopenFileWritable(name.c_str(), 0, nullptr, 0, "ZARFTEST", "V1", "", 36, nullptr, 0, 500.0, 502.0,
                                    -2, 5, -3);
    };
    ZARFFILE* first = openWriter(target);
    ASSERT_NE(first, nullptr) << text(ZARFlastError(nullptr));
    EXPECT_EQ(ZARFwriteCompleteRecord(first, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, data, 5), 1);
    ZARFcloseFile(first);
    std::filesystem::create_symlink(target, link);

    ZARFFILE* second = openWriter(link);
    ASSERT_NE(second, nullptr) << text(ZARFlastError(nullptr));
    EXPECT_EQ(ZARFwriteCompleteRecord(second, 2, nullptr, nullptr, 0, nullptr, 0, nullptr, data, 5), 1);
    ZARFcloseFile(second);

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    ZARFFILE* in = ZARFopenFileReadable(target.c_str());
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(in), 2);
    ZARFcloseFile(in);
}

// ---- Opening for writing ------------------------------------------------------------------------

TEST_F(ZarfLayer, WritableFiletypeZeroPassesEverythingToTheWriter) {
    ZARFFILE* file = ZARFopenFileWritable("out-0", 0, nullptr, 0, "PROG", "V1", "", 36, 17, 2.5);
    ASSERT_NE(file, nullptr);
    open_.push_back(file);
    EXPECT_EQ(file->method, &fakeWriter);
    EXPECT_EQ(writerFiletype, 0);
    EXPECT_EQ(writerProgram, "PROG");
    EXPECT_EQ(writerArgInt, 17);
    EXPECT_EQ(writerArgDouble, 2.5);
    EXPECT_EQ(ZARFfileNamed("out-0"), file);
}

TEST_F(ZarfLayer, WritableFiletypeOneBehavesLikeZero) {
    ZARFFILE* file = ZARFopenFileWritable("out-1", 1, nullptr, 0, "PROG", "V1", "", 36, 23, -1.25);
    ASSERT_NE(file, nullptr);
    open_.push_back(file);
    EXPECT_EQ(file->method, &fakeWriter);
    EXPECT_EQ(writerFiletype, 1);
    EXPECT_EQ(writerArgInt, 23);
    EXPECT_EQ(writerArgDouble, -1.25);
}

TEST_F(ZarfLayer, WritableFiletypeTwoOrNegativeIsRefused) {
    EXPECT_EQ(ZARFopenFileWritable("out-2", 2, nullptr, 0, "P", "V", "", 36), nullptr);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "filetype requested is not supported");
    lastGenericError = nullptr;
    EXPECT_EQ(ZARFopenFileWritable("out-m", -1, nullptr, 0, "P", "V", "", 36), nullptr);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "filetype requested is not supported");
    EXPECT_EQ(writerFiletype, -1);
}

TEST_F(ZarfLayer, WritingWithoutAWritingDriverIsUnsupported) {
    ZARFinstallFileTypes(orderAB, 2, nullptr);
    EXPECT_EQ(ZARFopenFileWritable("out-n", 0, nullptr, 0, "P", "V", "", 36), nullptr);
    EXPECT_EQ(text(ZARFlastError(nullptr)), kUnsupportedWrite);
}

// ---- Registry -------------------------------------------------------------------------------------

TEST_F(ZarfLayer, ClosedSlotIsReusedByTheNextOpen) {
    ZARFFILE* a = openReadable("a-first");
    ZARFFILE* b = openReadable("a-second");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    closeKept(a);
    // C carries B's name: the look-up scans slots in order, so it finds C first only
    // when C took A's slot, ahead of B.
    ZARFFILE* c = openReadable("a-second");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ZARFfileNamed("a-second"), c);
    closeKept(c);
    EXPECT_EQ(ZARFfileNamed("a-second"), b);
}

TEST_F(ZarfLayer, FileNamedFindsOnlyOpenFiles) {
    ZARFFILE* a = openReadable("a-A");
    ZARFFILE* b = openReadable("a-B");
    ASSERT_NE(b, nullptr);
    closeKept(a);
    ZARFFILE* c = openReadable("a-C");
    EXPECT_EQ(ZARFfileNamed("a-C"), c);
    EXPECT_EQ(ZARFfileNamed("a-B"), b);
    lastGenericError = nullptr;
    EXPECT_EQ(ZARFfileNamed("a-A"), nullptr);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "filename did not correspond to an ZARFFILE");
}

TEST_F(ZarfLayer, FileNamedComparesCaseSensitively) {
    ASSERT_NE(openReadable("a-Name"), nullptr);
    EXPECT_EQ(ZARFfileNamed("a-name"), nullptr);
    EXPECT_EQ(ZARFfileNamed(nullptr), nullptr);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "filename did not correspond to an ZARFFILE");
}

TEST_F(ZarfLayer, CloseReturnsTheDriverResult) {
    ZARFFILE* file = ZARFopenFileReadable("a-close");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ZARFcloseFile(file), 7);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(ZARFfileNamed("a-close"), nullptr);
}

// ---- Null handles -----------------------------------------------------------------------------------

TEST_F(ZarfLayer, LastErrorIsNullBeforeAnyFailure) { EXPECT_EQ(ZARFlastError(nullptr), nullptr); }

TEST_F(ZarfLayer, NullHandleCloseReturnsZero) {
    EXPECT_EQ(ZARFcloseFile(nullptr), 0);
    EXPECT_EQ(text(ZARFlastError(nullptr)), kBadHandle);
}

TEST_F(ZarfLayer, NullHandleReadDepValuesReturnsZero) {
    float values[2] = {};
    EXPECT_EQ(ZARFreadDepValues(nullptr, 1, values, 2), 0);
    EXPECT_EQ(text(ZARFlastError(nullptr)), kBadHandle);
}

TEST_F(ZarfLayer, EveryOtherDispatchWithNullHandleReturnsMinusOne) {
    float f[4] = {};
    double d[4] = {};
    int ids[2] = {1, 2};
    char buffer[8] = {};
    const std::vector<int> results = {
        ZARFreadRecordCount(nullptr),
        ZARFreadRecordSize(nullptr, 1),
        ZARFreadIndDomain(nullptr, 1, &f[0], &f[1], &f[2]),
        ZARFreadIndValues(nullptr, 1, f, 4),
        ZARFreadIndDomainDouble(nullptr, 1, &d[0], &d[1], &d[2]),
        ZARFreadIndValuesDouble(nullptr, 1, d, 4),
        ZARFwriteDepValues(nullptr, 1, f, 4),
        ZARFselectData(nullptr, 2, 0),
        ZARFqueryMaxDataCount(nullptr),
        ZARFqueryDataTypes(nullptr, ids, 2),
        ZARFqueryMaxMetadataCount(nullptr, 1),
        ZARFreadRealMetadata(nullptr, 1, ids, 2, f),
        ZARFwriteRealMetadata(nullptr, 1, ids, 2, f),
        ZARFcopyMetadata(nullptr, 1, nullptr, 1),
        ZARFwriteCompleteRecord(nullptr, 1, nullptr, nullptr, 0, ids, 2, f, f, 4),
        ZARFreadMetadataStringDesc(nullptr, 1, 1, 1, buffer, 8),
        ZARFreadDataStringDesc(nullptr, 1, 1, buffer, 8),
        ZARFwriteStringDesc(nullptr, 1, 1, 1, "x", 1),
    };
    EXPECT_EQ(results, std::vector<int>(results.size(), -1));
    EXPECT_EQ(text(ZARFlastError(nullptr)), kBadHandle);
}

TEST_F(ZarfLayer, CopyMetadataWithEitherHandleNullIsBad) {
    ZARFFILE* file = openReadable("a-copy");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ZARFcopyMetadata(file, 1, nullptr, 1), -1);
    EXPECT_EQ(text(ZARFlastError(nullptr)), kBadHandle);
    lastGenericError = nullptr;
    EXPECT_EQ(ZARFcopyMetadata(nullptr, 1, file, 1), -1);
    EXPECT_EQ(text(ZARFlastError(nullptr)), kBadHandle);
    EXPECT_EQ(text(ZARFlastError(file)), "- Mystery Error : go smack Tam around -");
}

// ---- Dispatch and version -------------------------------------------------------------------

TEST_F(ZarfLayer, DispatchPassesArgumentsAndResults) {
    ZARFFILE* file = openReadable("a-dispatch");
    ASSERT_NE(file, nullptr);
    fakeFiles["a-dispatch"].records = 12;
    EXPECT_EQ(ZARFreadRecordCount(file), 12);
    EXPECT_EQ(ZARFreadRecordSize(file, 1), 5);
    float values[3] = {};
    EXPECT_EQ(ZARFreadDepValues(file, 1, values, 3), 1);
    EXPECT_EQ(values[0], 42.0F);
}

TEST_F(ZarfLayer, WriteCompleteRecordReturnsTheDriverResult) {
    ZARFFILE* file = ZARFopenFileWritable("out-w", 0, nullptr, 0, "P", "V", "", 36, 0, 0.0);
    ASSERT_NE(file, nullptr);
    open_.push_back(file);
    float data[2] = {1.0F, 2.0F};
    EXPECT_EQ(ZARFwriteCompleteRecord(file, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, data, 2), 1);
    EXPECT_EQ(ZARFwriteCompleteRecord(file, 0, nullptr, nullptr, 0, nullptr, 0, nullptr, data, 2), 0);
}

TEST_F(ZarfLayer, VersionComponentsZeroAndOneNeedNoFile) {
    const std::string label = text(ZARFqueryVersion(0, nullptr));
    EXPECT_EQ(label.substr(0, 17), "RAVLIO v20000308 ");
    EXPECT_NE(label.find("$State: Exp $"), std::string::npos);
    EXPECT_EQ(text(ZARFqueryVersion(1, nullptr)), "$State: Exp $");
    EXPECT_EQ(ZARFqueryVersion(2, nullptr), nullptr);
    EXPECT_EQ(ZARFlastError(nullptr), nullptr);
}

TEST_F(ZarfLayer, VersionComponentsFromTwoAskTheDriver) {
    ZARFFILE* file = ZARFopenFileWritable("out-v", 0, nullptr, 0, "P", "V", "", 36, 0, 0.0);
    ASSERT_NE(file, nullptr);
    open_.push_back(file);
    EXPECT_EQ(text(ZARFqueryVersion(2, file)), "fake 2");
    EXPECT_EQ(ZARFqueryVersion(3, file), nullptr);
    EXPECT_EQ(text(ZARFqueryVersion(1, file)), "$State: Exp $");
    ZARFFILE* other = openReadable("a-v");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(ZARFqueryVersion(2, other), nullptr);
}

// ---- Fallback operations ------------------------------------------------------------------------

TEST_F(ZarfLayer, DefaultIndValuesUseTheMagnitudeOfANegativeRecordSize) {
    ZARFFILE* file = openReadable("a-ind");
    ASSERT_NE(file, nullptr);
    fakeFiles["a-ind"].recordSize = -4;
    float values[6] = {-1.0F, -1.0F, -1.0F, -1.0F, -1.0F, -1.0F};
    EXPECT_EQ(ZARFreadIndValues(file, 1, values, 6), 4);
    EXPECT_EQ((std::vector<float>(values, values + 6)),
              (std::vector<float>{1000.0F, 1000.5F, 1001.0F, 1001.5F, -1.0F, -1.0F}));
}

TEST_F(ZarfLayer, DefaultIndValuesStopAtTheArraySize) {
    ZARFFILE* file = openReadable("a-small");
    ASSERT_NE(file, nullptr);
    float values[3] = {};
    EXPECT_EQ(ZARFreadIndValues(file, 1, values, 2), 2);
    EXPECT_EQ(values[0], 1000.0F);
    EXPECT_EQ(values[1], 1000.5F);
    EXPECT_EQ(values[2], 0.0F);
    EXPECT_EQ(ZARFreadIndValues(file, 1, values, 0), 0);
}

TEST_F(ZarfLayer, DefaultIndValuesGiveNothingWithoutDomainOrPoints) {
    ZARFFILE* file = openReadable("a-none");
    ASSERT_NE(file, nullptr);
    float values[3] = {};
    fakeFiles["a-none"].recordSize = 0;
    EXPECT_EQ(ZARFreadIndValues(file, 1, values, 3), 0);
    fakeFiles["a-none"].recordSize = 3;
    fakeFiles["a-none"].domainOk = false;
    EXPECT_EQ(ZARFreadIndValues(file, 1, values, 3), 0);
    EXPECT_EQ(values[0], 0.0F);
}

TEST_F(ZarfLayer, DefaultIndDomainDoubleWidensTheFloatDomain) {
    ZARFFILE* file = openReadable("a-dd");
    ASSERT_NE(file, nullptr);
    double minimum = 0.0;
    double maximum = 0.0;
    double interval = 0.0;
    EXPECT_EQ(ZARFreadIndDomainDouble(file, 1, &minimum, &maximum, &interval), 1);
    EXPECT_EQ(minimum, 1000.0);
    EXPECT_EQ(maximum, 1002.0);
    EXPECT_EQ(interval, 0.5);
}

TEST_F(ZarfLayer, DefaultIndValuesDoubleComputeFromTheDomain) {
    ZARFFILE* file = openReadable("a-vd");
    ASSERT_NE(file, nullptr);
    fakeFiles["a-vd"].recordSize = -3;
    fakeFiles["a-vd"].interval = 0.25F;
    double values[5] = {};
    EXPECT_EQ(ZARFreadIndValuesDouble(file, 1, values, 5), 3);
    EXPECT_EQ((std::vector<double>(values, values + 4)), (std::vector<double>{1000.0, 1000.25, 1000.5, 0.0}));
    EXPECT_EQ(ZARFreadIndValuesDouble(file, 1, values, 2), 2);
}

TEST_F(ZarfLayer, DefaultIndValuesDoubleWidenTheDriverValuesWithoutADomain) {
    static const Methods* const ownOnly[] = {&fakeOwnValues, nullptr};
    ZARFinstallFileTypes(ownOnly, 1, nullptr);
    ZARFFILE* file = openReadable("a-own");
    ASSERT_NE(file, nullptr);
    double values[4] = {};
    EXPECT_EQ(ZARFreadIndValuesDouble(file, 1, values, 4), 3);
    EXPECT_EQ((std::vector<double>(values, values + 4)), (std::vector<double>{1.5, 2.5, 4.5, 0.0}));
    EXPECT_EQ(ZARFreadIndValuesDouble(file, 1, values, 2), 2);
}

TEST_F(ZarfLayer, DefaultWriteOperationsAreUnsupported) {
    ZARFFILE* file = openReadable("a-ro");
    ASSERT_NE(file, nullptr);
    float values[2] = {};
    int ids[1] = {1};
    EXPECT_EQ(ZARFwriteDepValues(file, 1, values, 2), 0);
    EXPECT_EQ(text(ZARFlastError(file)), kUnsupportedWrite);
    file->lastError = ZARFcatchAllError;
    EXPECT_EQ(ZARFwriteRealMetadata(file, 1, ids, 1, values), 0);
    EXPECT_EQ(text(ZARFlastError(file)), kUnsupportedWrite);
    file->lastError = ZARFcatchAllError;
    EXPECT_EQ(ZARFwriteCompleteRecord(file, 1, nullptr, nullptr, 0, ids, 1, values, values, 2), 0);
    EXPECT_EQ(text(ZARFlastError(file)), kUnsupportedWrite);
    file->lastError = ZARFcatchAllError;
    EXPECT_EQ(ZARFwriteStringDesc(file, 1, 1, 1, "x", 1), 0);
    EXPECT_EQ(text(ZARFlastError(file)), kUnsupportedWrite);
    EXPECT_EQ(ZARFlastError(nullptr), nullptr);
}

TEST_F(ZarfLayer, DefaultCopyMetadataMarksTheDestination) {
    ZARFFILE* destination = openReadable("a-dst");
    ZARFFILE* source = openReadable("a-src");
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(ZARFcopyMetadata(destination, 1, source, 1), 0);
    EXPECT_EQ(text(ZARFlastError(destination)), kUnsupportedWrite);
    EXPECT_EQ(text(ZARFlastError(source)), "- Mystery Error : go smack Tam around -");
}

TEST_F(ZarfLayer, DefaultDescriptionsAreUnavailable) {
    ZARFFILE* file = openReadable("a-desc");
    ASSERT_NE(file, nullptr);
    char buffer[8] = {};
    EXPECT_EQ(ZARFreadMetadataStringDesc(file, 1, 1, 1, buffer, 8), 0);
    EXPECT_EQ(text(ZARFlastError(file)), kBadDescription);
    file->lastError = ZARFcatchAllError;
    EXPECT_EQ(ZARFreadDataStringDesc(file, 0, 1, buffer, 8), 0);
    EXPECT_EQ(text(ZARFlastError(file)), kBadDescription);
}

TEST_F(ZarfLayer, DefaultSelectDataAcceptsOnlyTheSingleColumn) {
    ZARFFILE* file = openReadable("a-sel");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ZARFselectData(file, 2, 0), 1);
    EXPECT_EQ(text(ZARFlastError(file)), "- Mystery Error : go smack Tam around -");
    EXPECT_EQ(ZARFselectData(file, 2, 1), 0);
    EXPECT_EQ(text(ZARFlastError(file)), "multiple data types are not supported by this filetype");
}

TEST_F(ZarfLayer, DefaultDataTypesAndMetadataCounts) {
    ZARFFILE* file = openReadable("a-types");
    ASSERT_NE(file, nullptr);
    int types[2] = {9, 9};
    EXPECT_EQ(ZARFqueryMaxDataCount(file), 1);
    EXPECT_EQ(ZARFqueryDataTypes(file, types, 0), 0);
    EXPECT_EQ(types[0], 9);
    EXPECT_EQ(ZARFqueryDataTypes(file, types, 2), 1);
    EXPECT_EQ(types[0], 0);
    EXPECT_EQ(types[1], 9);
    int ids[1] = {5};
    float values[1] = {};
    EXPECT_EQ(ZARFqueryMaxMetadataCount(file, 1), -1);
    EXPECT_EQ(ZARFreadRealMetadata(file, 1, ids, 1, values), -1);
}

// ---- Waiting for new records ----------------------------------------------------------------------

TEST_F(ZarfLayer, WaitReturnsAtOnceWhenEveryFileHasGrown) {
    testsupport::SleepRecorder recorder;
    ZARFFILE* a = openReadable("a-g1");
    ZARFFILE* b = openReadable("a-g2");
    ASSERT_NE(b, nullptr);
    fakeFiles["a-g1"].growPerRead = 1;
    fakeFiles["a-g2"].growPerRead = 2;
    ZARFFILE* files[] = {a, b};
    EXPECT_EQ(ZARFwaitNewRecordsReady(files, nullptr, 2, 60000), 2);
    EXPECT_TRUE(recorder.waits().empty());
}

TEST_F(ZarfLayer, WaitGivesUpAfterBoundedSleepsWhenNothingGrows) {
    testsupport::SleepRecorder recorder;
    ZARFFILE* a = openReadable("a-s1");
    ZARFFILE* b = openReadable("a-s2");
    ASSERT_NE(b, nullptr);
    fakeFiles["a-s1"].growPerRead = 1;
    ZARFFILE* files[] = {a, b};
    EXPECT_EQ(ZARFwaitNewRecordsReady(files, nullptr, 2, 50000), 1);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{20000, 20000, 10000}));
}

TEST_F(ZarfLayer, WaitEndsWhenTheWriterAppendsDuringASleep) {
    testsupport::SleepRecorder recorder;
    ZARFFILE* a = openReadable("a-late");
    ASSERT_NE(a, nullptr);
    recorder.onWait([](int, void* context) { ++static_cast<FakeFile*>(context)->records; }, &fakeFiles["a-late"]);
    ZARFFILE* files[] = {a};
    EXPECT_EQ(ZARFwaitNewRecordsReady(files, nullptr, 1, 100000), 1);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{20000}));
}

TEST_F(ZarfLayer, WaitWithNoFilesOrNullHandleFails) {
    testsupport::SleepRecorder recorder;
    EXPECT_EQ(ZARFwaitNewRecordsReady(nullptr, nullptr, 0, 1000), 0);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "no files provided");
    ZARFFILE* a = openReadable("a-n");
    ZARFFILE* files[] = {a, nullptr};
    EXPECT_EQ(ZARFwaitNewRecordsReady(files, nullptr, 2, 1000), 0);
    EXPECT_EQ(text(ZARFlastError(nullptr)), kBadHandle);
    EXPECT_TRUE(recorder.waits().empty());
}

TEST_F(ZarfLayer, WaitWithoutTimeLeftPollsOnceAndDoesNotSleep) {
    testsupport::SleepRecorder recorder;
    ZARFFILE* a = openReadable("a-zero");
    ASSERT_NE(a, nullptr);
    ZARFFILE* files[] = {a};
    EXPECT_EQ(ZARFwaitNewRecordsReady(files, nullptr, 1, 0), 0);
    EXPECT_EQ(ZARFwaitNewRecordsReady(files, nullptr, 1, -5), 0);
    EXPECT_TRUE(recorder.waits().empty());
}
