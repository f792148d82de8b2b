// rgddump: shows what is in a data file the RAVLIO library reads — summary, header values,
// one record as CSV, or records as an SVG plot. See `rgddump --help`.
#include <iostream>
#include <string>
#include <vector>

#include "dumplib/dumpcli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return dump::runRgddump(args, std::cout, std::cerr);
}
