/* The driver's adapters used from C: the header compiles as C and the calls behave. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ravlio/fortjkt.h"

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

int main(void) {
    char buffer[64];
    const int zero = 0, size = (int)sizeof buffer, unknown = 123456;
    int handle = 7, count = 0;
    char* copy;

    sopenr_("no such file.rgd", &zero, &handle);
    check(handle == 0, "a missing file gives handle 0");
    slerr_(&zero, buffer, &size);
    check(strcmp(buffer, "filetype is unknown") == 0, "the open error text");

    srrcnt_(&unknown, &count);
    check(count == -1, "an unknown handle is refused");
    slerr_(&unknown, buffer, &size);
    check(strcmp(buffer, "ZARFFILE provided is bad") == 0, "the bad-handle text");

    check(stricpy(buffer, "abcdef", 3) == 3 && strcmp(buffer, "abc") == 0, "stricpy");
    copy = strwithlen("name    ", 4);
    check(copy != NULL && strcmp(copy, "name") == 0, "strwithlen");
    free(copy);

    check(DAIND == 1 && DADEP == 2 && DESHRT == 1 && DECONT == 6, "constants");
    return failures == 0 ? 0 : 1;
}
