// The calibration driver: the stages of one run in order over one run state.
#include "vorncalv/vorncalv.h"

#include "ravlio/fortjkt.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/emissivity.h"
#include "vorncalv/parameters.h"
#include "vorncalv/progress.h"
#include "vorncalv/restart.h"
#include "vorncalv/sceneloop.h"

namespace vorncalv {

namespace {

// The input file and the products stay open for the whole run; however the run ends (every
// end is a stop), this closes them, so that the library's records of them are released
// and the files are complete on disk before the process ends.
class OpenDataFiles {
public:
    explicit OpenDataFiles(RunState& s) : s_(s) {}
    ~OpenDataFiles() {
        for (int* handle : {&s_.IHNDL, &s_.JHNDL1, &s_.JHNDL2, &s_.JHNDL3, &s_.CALVST.IHNDL, &s_.CALVST.IHNDLM,
                            &s_.CALVST.JHNDL}) {
            if (*handle == 0) continue;
            int result = 0;
            sclose_(handle, &result);
            *handle = 0;
        }
    }
    OpenDataFiles(const OpenDataFiles&) = delete;
    OpenDataFiles& operator=(const OpenDataFiles&) = delete;

private:
    RunState& s_;
};

}  // namespace

void run(RunState& s) {
    const OpenDataFiles files(s);
    openingDialogue(s);
    restartAndFirstRecord(s);
    logRunStart(s);
    closingDialogue(s);
    staticParameters(s);
    emissivity(s);
    removeCreationLeftovers(s);
    restartRecordCounts(s);
    const QuietConsole quiet(s);
    sceneLoop(s);
}

}  // namespace vorncalv
