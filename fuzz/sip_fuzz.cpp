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
    int NSMP = 0, NBBP = 0, NSVIDS = 0, NFSET = 0, NLSET = 0, ISTAT = 0;
    std::string SVIDS;
    char MPHOT = ' ', MPCOLD = ' ', OUTOP2 = ' ', OUTOP3 = ' ';
    float CTMIN = 0, CTMAX = 0, RATFAC = 0, CAVFAC = 0, ABTOFF = 0, HBTOFF = 0;
    float WTABBT = 0, WTABBA = 0, WTABBB = 0, WTHBBT = 0, WTHBBA = 0, WTHBBB = 0;
    try {
        vorncalv::vornps(0, program.logUnit(), program.logName(), fuzzing::padded(parameters), fuzzing::padded(mirror),
                         NSMP, NBBP, NSVIDS, SVIDS, MPHOT, MPCOLD, NFSET, NLSET, OUTOP2, OUTOP3, CTMIN, CTMAX, RATFAC,
                         CAVFAC, ABTOFF, HBTOFF, WTABBT, WTABBA, WTABBB, WTHBBT, WTHBBA, WTHBBB, ISTAT);
    } catch (const util::Stop&) {
    }
    return 0;
}
