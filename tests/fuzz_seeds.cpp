// fuzz_seeds: writes the smallest valid file of each reader that the test builders know
// (PLVS, OPUS, SPC, NASA Ames, raw instrument) into the fuzz corpus folder given, one
// folder per target; fuzz/makeseeds.sh runs it.
#include <cstdio>
#include <string>

#include "support/nasaamesbuilder.h"
#include "support/opusbuilder.h"
#include "support/plvsbuilder.h"
#include "support/rawbuilder.h"
#include "support/spcbuilder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds CORPUS_DIR\n");
        return 2;
    }
    const std::string corpus = argv[1];
    testsupport::writeMinimalPlvsFile(corpus + "/plvs/minimal.plv");
    testsupport::writeMinimalSpcFile(corpus + "/spc/minimal.spc");
    const bool written = testsupport::writeMinimalOpusFile(corpus + "/opus/minimal.0") &&
                         testsupport::writeMinimalNasaAmesFile(corpus + "/nasaames/minimal.na") &&
                         testsupport::writeMinimalRawFile(corpus + "/raw/minimal.raw");
    return written ? 0 : 1;
}
