// ravlconvert: converts any data file the RAVLIO library reads to a CF netCDF-4 file or to
// CSV. See `ravlconvert --help`.
#include <iostream>
#include <string>
#include <vector>

#include "convertlib/convertcli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return convert::runRavlconvert(args, std::cout, std::cerr);
}
