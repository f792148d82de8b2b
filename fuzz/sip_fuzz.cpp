// The static input-parameter (.SIP) reader vornps under fuzzed parameter files, with a valid
// scene-mirror-position file beside it. A bad file must end in a status or a stop, never
// in a crash.
#include <string>

#include "libutil/stop.h"
#include "programfile.h"
#include "scratch.h"
#include "vorncalv/vornps.h"

namespace {

constexpr char kMirrorFile[] =
    "  6  0\n 1000\nH hot blackbody\n 2000\nA ambient blackbody\n 3000\nS sky 1\n 4000\nS sky 2\n"
    " 5000\nS sky 3\n 6000\nS sky 4\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::QuietProgram program;
    const std::string mirror = fuzzing::scratchFile("SCENEMIR.POS");
    const std::string parameters = fuzzing::scratchFile("VORNCALV.SIP");
    fuzzing::writeBytes(mirror, reinterpret_cast<const uint8_t*>(kMirrorFile), sizeof kMirrorFile - 1);
    fuzzing::writeBytes(parameters, data, size);
    vorncalv::StaticParameters read;
    int ISTAT = 0;
    try {
        vorncalv::vornps(0, program.logUnit(), program.logName(), fuzzing::padded(parameters), fuzzing::padded(mirror),
                         read, ISTAT);
    } catch (const util::Stop&) {
    }
    return 0;
}
