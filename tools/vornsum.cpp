// vornsum: a calibrated day's summary (netCDF-CF and CSV) and its quicklook page. See
// `vornsum --help`.
#include <iostream>
#include <string>
#include <vector>

#include "sumlib/sumcli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return vornsum::runVornsum(args, std::cout, std::cerr);
}
