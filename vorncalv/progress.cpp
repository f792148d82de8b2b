// The quiet console: one progress line per scene in place of the scene loop's lines.
#include "vorncalv/progress.h"

#include <cmath>
#include <string>

#include "libutil/fortfmt.h"
#include "ravlio/fields.h"
#include "ravlio/fortjkt.h"

namespace vorncalv {
namespace {

// The scene record's time as six digits, read again from its header: the run state holds
// the header of whatever record was read last, which after a blackbody search is not the
// scene's.
std::string sceneTime(const RunState& s) {
    int request[1] = {FIELD_timeHHMMSS};
    const int count = 1;
    float value[1] = {0.0F};
    int got = 0;
    srrmet_(&s.IHNDL, &s.NSVR, request, &count, value, &got);
    const float t = value[0];
    if (got < 1 || request[0] != FIELD_timeHHMMSS || !std::isfinite(t) || t < 0.0F || t >= 1.0e6F) return "------";
    return util::fmt("(I6.6)", {static_cast<int>(std::lround(t))});
}

}  // namespace

QuietConsole::QuietConsole(RunState& s) : s_(s) {
    if (!s_.QUIET) return;
    s_.PROGRESS = &util::conout();
    util::setQuietConsole(s_.PROGRESS);
    redirect_.emplace(util::conin(), nowhere_);
}

QuietConsole::~QuietConsole() {
    redirect_.reset();
    util::setQuietConsole(nullptr);
    s_.PROGRESS = nullptr;
}

void reportScene(const RunState& s) {
    if (s.PROGRESS == nullptr) return;
    // The scene counter has already moved on to the next scene.
    *s.PROGRESS << util::fmt("(' SCENE',I6,'  INPUT REC.',I7,'  TIME ',A,2X,A)",
                             {s.NSV - 1, s.NSVR, sceneTime(s), s.NULL_ == 1 ? "MISSING" : "CALIBRATED"})
                << '\n'
                << std::flush;
}

}  // namespace vorncalv
