#include "vorncalv/vorncalv.h"

#include "vorncalv/dialogue.h"
#include "vorncalv/emissivity.h"
#include "vorncalv/parameters.h"
#include "vorncalv/restart.h"
#include "vorncalv/sceneloop.h"

namespace vorncalv {

void run(RunState& s) {
    openingDialogue(s);
    restartAndFirstRecord(s);
    closingDialogue(s);
    staticParameters(s);
    emissivity(s);
    restartRecordCounts(s);
    sceneLoop(s);
}

}  // namespace vorncalv
