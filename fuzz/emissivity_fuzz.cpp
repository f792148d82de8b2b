// The blackbody paint-emissivity reader (the emissivity stage) under fuzzed emissivity
// files, on a small wavenumber grid. A bad file must end in a stop, never in a crash.
#include <memory>
#include <string>

#include "libutil/fixedtext.h"
#include "libutil/stop.h"
#include "programfile.h"
#include "scratch.h"
#include "vorncalv/emissivity.h"
#include "vorncalv/runstate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::QuietProgram program;
    const std::string paint = fuzzing::scratchFile("BBPAINT.EMI");
    fuzzing::writeBytes(paint, data, size);
    auto s = std::make_unique<vorncalv::RunState>();
    s->LOG = program.logUnit();
    s->LOGFIL = program.logName();
    s->BASE = "fuzz    ";
    s->EMISSFIL = fuzzing::padded(paint);
    s->IFILEV = fuzzing::padded("fuzz.UVS");
    s->STFILE = fuzzing::padded("fuzz.STC");
    s->IWAIT = 0;
    s->CAVFAC = 12.79F;
    s->RATFAC = 1.5F;
    s->XIN = {500.0, 520.5, 900.0, 1799.75};
    s->NPTS = static_cast<int>(s->XIN.size());
    try {
        vorncalv::emissivity(*s);
    } catch (const util::Stop&) {
    }
    return 0;
}
