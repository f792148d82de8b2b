// The console answers given on the command line: the dialogue asks only for the others.
#pragma once

#include <optional>
#include <string>

namespace vorncalv {

// One member per prompt of the dialogue, in the order they are asked; an answer that is
// set is taken as if typed at its prompt (the same checks, the same log).
struct GivenAnswers {
    std::optional<std::string> input;     // --input: the input file of complex spectra
    std::optional<std::string> source;    // --source: path\file of the original complex spectra
    std::optional<std::string> root;      // --root: root of the output file names
    std::optional<std::string> batch;     // --batch: the answer to "DISABLE REAL-TIME MODE?"
    std::optional<std::string> variance;  // --variance: the variance input file
    std::optional<std::string> params;    // --params: the static input-parameter file
    std::optional<std::string> mirrors;   // --mirrors: the scene-mirror-position file
    std::optional<std::string> paint;     // --paint: the blackbody paint emissivity file
    std::optional<std::string> upstream;  // --upstream: the previous program's status file
};

}  // namespace vorncalv
