// VORNCALV: radiometric calibration of the VORN instrument's complex spectra.
// The console is standard input and output; every end the program decides itself is a
// stop, printed as "STOP " and its text on standard error, with exit status 0.
#include <iostream>
#include <memory>

#include "libutil/stop.h"
#include "vorncalv/runstate.h"
#include "vorncalv/vorncalv.h"

int main() {
    try {
        const auto state = std::make_unique<vorncalv::RunState>();
        vorncalv::run(*state);
    } catch (const util::Stop& stop) {
        std::cout.flush();
        std::cerr << "STOP " << stop.text() << '\n';
    }
    return 0;
}
