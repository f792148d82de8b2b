/* The RAVLIO public API used from C: null-handle rules, error texts, version labels and an
 * association dictionary round trip. Exits with 0 when every check holds. */
#include <stdio.h>
#include <string.h>

#include "ravlio/associa.h"
#include "ravlio/platform.h"
#include "ravlio/ravlio.h"

static int failures = 0;

static void check(int condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

static int textIs(const char* actual, const char* expected) {
    return actual != NULL && strcmp(actual, expected) == 0;
}

static void checkNullHandles(void) {
    float values[4] = {0};
    int ids[2] = {1, 2};
    check(ZARFlastError(NULL) == NULL, "no generic error before the first failure");
    check(ZARFreadRecordCount(NULL) == -1, "record count of a null handle is -1");
    check(textIs(ZARFlastError(NULL), "ZARFFILE provided is bad"), "null handle sets the bad-handle text");
    check(ZARFreadDepValues(NULL, 1, values, 4) == 0, "dependent values of a null handle are 0");
    check(ZARFreadRealMetadata(NULL, 1, ids, 2, values) == -1, "metadata of a null handle is -1");
    check(ZARFcopyMetadata(NULL, 1, NULL, 1) == -1, "copy between null handles is -1");
    check(ZARFRGDcutRecords(NULL, 0) == -1, "cutting a null handle is -1");
    check(ZARFcloseFile(NULL) == 0, "closing a null handle gives 0");
    ZARFopenFileReadable(NULL);
    check(ZARFqueryFormatName(NULL) == NULL, "format name of a null handle is null");
    check(textIs(ZARFlastError(NULL), "ZARFFILE provided is bad"), "format name of a null handle sets the bad-handle text");
}

static void checkOpenFailures(void) {
    check(ZARFopenFileReadable(NULL) == NULL, "null filename is refused");
    check(textIs(ZARFlastError(NULL), "invalid filename - null pointer"), "null filename text");
    check(ZARFopenFileWritable("x.rgd", 2, NULL, 0, "P", "V", "", 48) == NULL, "filetype 2 is refused");
    check(textIs(ZARFlastError(NULL), "filetype requested is not supported"), "unsupported filetype text");
    check(ZARFfileNamed("never-opened") == NULL, "unknown name gives no handle");
    check(textIs(ZARFlastError(NULL), "filename did not correspond to an ZARFFILE"), "unknown name text");
    check(ZARFwaitNewRecordsReady(NULL, NULL, 0, 100) == 0, "waiting on no files gives 0");
    check(textIs(ZARFlastError(NULL), "no files provided"), "no files text");
}

static void checkVersions(void) {
    check(strncmp(ZARFqueryVersion(0, NULL), "RAVLIO v20000308 ", 17) == 0, "library version label");
    check(ZARFqueryVersion(0, NULL) == RAVLIO_Version, "component 0 is the label itself");
    check(textIs(ZARFqueryVersion(1, NULL), "$State: Exp $"), "component 1 is the state keyword");
    check(ZARFqueryVersion(2, NULL) == NULL, "component 2 needs a file");
}

static void checkAssociations(void) {
    int first = 1;
    int second = 2;
    int ids[2] = {-1, 1000};
    void* results[2] = {NULL, NULL};
    Associations* it = ASSOCcreate(0);
    check(it != NULL && it->numberOfBuckets == 29, "default bucket count");
    check(ASSOCregisterItem(it, -1, &first) == 1, "first item counted");
    check(ASSOCregisterItem(it, 1000, &second) == 2, "second item counted");
    check(ASSOClookup(it, -1) == &first, "identifier -1 found again");
    check(ASSOClookup(it, 7) == NULL, "absent identifier gives null");
    check(ASSOClookupMany(it, 2, ids, results) == 2, "bulk lookup finds both");
    check(results[0] == &first && results[1] == &second, "bulk lookup results");
    ASSOCdestroy(it);
}

static void checkByteOrder(void) {
    unsigned char bytes[4] = {1, 2, 3, 4};
    char text[] = "RGD File";
    skippy();
    check(big_endian == 0 || big_endian == 1, "byte order flag set");
    slappy(bytes, 4, 4);
    check(bytes[0] == 4 && bytes[3] == 1, "four bytes reversed");
    check(strlwr(text) == 0 && strcmp(text, "rgd file") == 0, "text lower-cased");
}

int main(void) {
    checkNullHandles();
    checkOpenFailures();
    checkVersions();
    checkAssociations();
    checkByteOrder();
    if (failures != 0) fprintf(stderr, "%d check(s) failed\n", failures);
    return failures == 0 ? 0 : 1;
}
