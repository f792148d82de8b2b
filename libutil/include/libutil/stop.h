// The program's stop: every end that the program decides itself carries a stop text and the
// exit status it ends with. main catches it, prints "STOP " and the text on standard error
// and exits with that status; tests run stages in-process and catch it.
#pragma once

#include <stdexcept>
#include <string>

namespace util {

// Exit statuses of the calibration program: the run did its work (the normal end after the
// last scene, or a batch run that reached the end of its input), it stopped for any other
// reason, or a batch run reached an input that ends in an incomplete record (cut short, or
// still being written): the products hold every complete record, the rest is not done.
// 2 is the bad command line of every tool.
inline constexpr int EXIT_RUN_ENDED = 0;
inline constexpr int EXIT_RUN_STOPPED = 1;
inline constexpr int EXIT_INPUT_INCOMPLETE = 3;

class Stop : public std::runtime_error {
public:
    explicit Stop(const std::string& text, int exitStatus = EXIT_RUN_STOPPED)
        : std::runtime_error(text), exitStatus_(exitStatus) {}
    // The stop text, without the word STOP.
    const char* text() const noexcept { return what(); }
    // The exit status the program ends with.
    int exitStatus() const noexcept { return exitStatus_; }

private:
    int exitStatus_;
};

// Throws Stop with the given stop text: a run that could not do its work (exit status 1).
[[noreturn]] inline void stop(const std::string& text) { throw Stop(text); }

// Throws Stop with the given stop text for a run that did its work (exit status 0).
[[noreturn]] inline void endRun(const std::string& text) { throw Stop(text, EXIT_RUN_ENDED); }

// Throws Stop with the given stop text for a batch run whose input ended in an incomplete
// record (exit status 3).
[[noreturn]] inline void endIncomplete(const std::string& text) { throw Stop(text, EXIT_INPUT_INCOMPLETE); }

}  // namespace util
