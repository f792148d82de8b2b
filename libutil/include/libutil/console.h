// The console of the program: where progress lines and prompts go, and where dialogue
// answers come from. main wires them to the standard streams; tests redirect them to
// string streams with ConsoleRedirect.
#pragma once

#include <iosfwd>

namespace util {

// The console output stream (standard output unless redirected).
std::ostream& conout();
// The console input stream (standard input unless redirected).
std::istream& conin();

// The console that notices go to while the console's ordinary lines are dropped (vorncalv
// --quiet in its scene loop): what the operator must still see, such as a wait beginning
// and ending or an earlier run's product replaced. Null while nothing is dropped.
std::ostream* quietConsole();
void setQuietConsole(std::ostream* console);

// Redirects console input and output for its lifetime; restores the previous streams after.
class ConsoleRedirect {
public:
    ConsoleRedirect(std::istream& in, std::ostream& out);
    ~ConsoleRedirect();
    ConsoleRedirect(const ConsoleRedirect&) = delete;
    ConsoleRedirect& operator=(const ConsoleRedirect&) = delete;

private:
    std::istream* previousIn_;
    std::ostream* previousOut_;
};

}  // namespace util
