// The program's stop: every end that the program decides itself carries a stop text.
// main catches it, prints "STOP " and the text on standard error and exits with status 0;
// tests run stages in-process and catch it.
#pragma once

#include <stdexcept>
#include <string>

namespace util {

class Stop : public std::runtime_error {
public:
    explicit Stop(const std::string& text) : std::runtime_error(text) {}
    // The stop text, without the word STOP.
    const char* text() const noexcept { return what(); }
};

// Throws Stop with the given stop text.
[[noreturn]] inline void stop(const std::string& text) { throw Stop(text); }

}  // namespace util
