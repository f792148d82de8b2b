// VORNCALV: radiometric calibration of the VORN instrument's complex spectra.
// The console is standard input and output; every end the program decides itself is a
// stop, printed as "STOP " and its text on standard error. Exit status: 0 for the normal
// end, 1 for every other stop, 2 for a bad command line (see vorncalv --help).
#include <iostream>
#include <string>
#include <vector>

#include "vorncalv/cmdline.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return vorncalv::runVorncalv(args, std::cout, std::cerr);
}
