// The scene-mirror-position reader getsmpi under fuzzed position files. A bad file must end
// in a status or a stop, never in a crash.
#include <string>

#include "libutil/stop.h"
#include "programfile.h"
#include "scratch.h"
#include "vorncalv/getsmpi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::QuietProgram program;
    const std::string mirror = fuzzing::scratchFile("SCENEMIR.POS");
    fuzzing::writeBytes(mirror, data, size);
    int NSMPPC = 0, ISTAT = 0;
    std::string SMPI;
    try {
        vorncalv::getsmpi(0, program.logUnit(), program.logName(), fuzzing::padded(mirror), NSMPPC, SMPI, ISTAT);
    } catch (const util::Stop&) {
    }
    return 0;
}
