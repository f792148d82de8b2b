// What the targets of the program's text-file readers share: a fresh log and a silent
// console for each input, and the blank-padded names the readers take.
#pragma once

#include <sstream>
#include <string>

#include "libutil/console.h"

namespace fuzzing {

// While alive: the log starts empty from its first-call state and the console reads
// nothing and prints into a string that is thrown away.
class QuietProgram {
public:
    QuietProgram();
    ~QuietProgram();
    QuietProgram(const QuietProgram&) = delete;
    QuietProgram& operator=(const QuietProgram&) = delete;

    int logUnit() const { return 13; }
    // The log name, blank-padded to 80 characters.
    const std::string& logName() const { return logName_; }

private:
    std::istringstream in_;
    std::ostringstream out_;
    util::ConsoleRedirect redirect_;
    std::string logName_;
};

// name blank-padded to 80 characters, as the readers receive file names.
std::string padded(const std::string& name);

}  // namespace fuzzing
