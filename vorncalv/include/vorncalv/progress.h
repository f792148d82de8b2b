// The quiet console (--quiet): while the scene loop runs, its console lines are dropped and
// each scene gives one progress line instead; the log is written as always.
#pragma once

#include <optional>
#include <ostream>

#include "libutil/console.h"
#include "vorncalv/runstate.h"

namespace vorncalv {

// While it lives and s.QUIET is set, the console goes nowhere and s.PROGRESS names the
// real console for reportScene, which is also util::quietConsole() for the notices and
// waits the operator must still see; without QUIET it changes nothing.
class QuietConsole {
public:
    explicit QuietConsole(RunState& s);
    ~QuietConsole();
    QuietConsole(const QuietConsole&) = delete;
    QuietConsole& operator=(const QuietConsole&) = delete;

private:
    RunState& s_;
    std::ostream nowhere_{nullptr};
    std::optional<util::ConsoleRedirect> redirect_;
};

// After the outputs of a scene: its progress line on s.PROGRESS (nothing when not quiet),
// " SCENE n  INPUT REC. r  TIME hhmmss  CALIBRATED" or "... MISSING", the time read from
// the scene record's own header ("------" when the record has none).
void reportScene(const RunState& s);

}  // namespace vorncalv
