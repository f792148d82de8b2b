// The calibration driver: the stages of one run in order over one run state.
#include "vorncalv/vorncalv.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "libutil/durable.h"
#include "libutil/fixedtext.h"
#include "libutil/stop.h"
#include "ravlio/fortjkt.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/emissivity.h"
#include "vorncalv/parameters.h"
#include "vorncalv/progress.h"
#include "vorncalv/restart.h"
#include "vorncalv/restartcheck.h"
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

// A run that did its work ends only once the products it wrote are on the disk, so that its
// exit status (0, or 3 for an input cut short) means they are there. A product that cannot
// be put there makes the run a failed one.
void syncProducts(RunState& s) {
    const std::pair<const std::string*, int> written[] = {
        {&s.OFILE1, s.NWRIT[0]}, {&s.OFILEV, s.CALVST.NWRIT}, {&s.OFILE2, s.NWRIT[1]}, {&s.OFILE3, s.NWRIT[2]}};
    for (const auto& [file, records] : written) {
        if (records == 0) continue;
        const std::string name(util::trim(std::string_view(*file).substr(0, std::min(file->find('\0'), file->size()))));
        if (const std::string reason = util::syncData(name); !reason.empty()) {
            logLine(s, "VORNCALV -- UNABLE TO PUT " + name + " ON THE DISK: " + reason);
            util::stop("WRITE ERROR!");
        }
    }
}

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
    checkProductsAgainstStatus(s);
    restartRecordCounts(s);
    const QuietConsole quiet(s);
    try {
        sceneLoop(s);
    } catch (const util::Stop& stop) {
        if (stop.exitStatus() != util::EXIT_RUN_STOPPED) syncProducts(s);
        throw;
    }
}

}  // namespace vorncalv
