// A fresh log and a captured console for one test of a stage that logs through
// util::logmsg and prints through util::conout().
#pragma once

#include <sstream>
#include <string>

#include "libutil/console.h"
#include "support/tempdir.h"

namespace testsupport {

// While alive: logmsg starts from its first-call state with an existing, empty log file in
// a temporary directory (so opening it prints nothing), and the console is captured.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The log unit and the 80-character blank-padded log name to hand to the stage.
    int unit() const { return 13; }
    const std::string& name() const { return name_; }
    // Everything logged and printed so far.
    std::string log() const;
    std::string console() const { return out_.str(); }

private:
    TempDir dir_;
    std::string path_;
    std::string name_;
    std::istringstream in_;
    std::ostringstream out_;
    util::ConsoleRedirect redirect_;
};

}  // namespace testsupport
