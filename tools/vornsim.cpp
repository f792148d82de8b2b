// vornsim: writes a synthetic VORN instrument day for vorncalv and compares a calibrated day
// with its truth. See `vornsim --help`.
#include <iostream>
#include <string>
#include <vector>

#include "simlib/simcli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return vornsim::runVornsim(args, std::cout, std::cerr);
}
