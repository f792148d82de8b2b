// The console of the program: the stream pair that progress lines, prompts and answers use.
#include "libutil/console.h"

#include <iostream>

namespace util {
namespace {
std::istream* currentIn = &std::cin;
std::ostream* currentOut = &std::cout;
std::ostream* currentQuiet = nullptr;
}  // namespace

std::ostream* quietConsole() { return currentQuiet; }
void setQuietConsole(std::ostream* console) { currentQuiet = console; }

std::ostream& conout() { return *currentOut; }
std::istream& conin() { return *currentIn; }

ConsoleRedirect::ConsoleRedirect(std::istream& in, std::ostream& out)
    : previousIn_(currentIn), previousOut_(currentOut) {
    currentIn = &in;
    currentOut = &out;
}

ConsoleRedirect::~ConsoleRedirect() {
    currentIn = previousIn_;
    currentOut = previousOut_;
}

}  // namespace util
