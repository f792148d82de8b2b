// The products of one calibrated day, found from their root or from the radiance product's
// name: ROOT.RLC (required) and ROOT.IMC, ROOT.RES, ROOT.CVS when they are there.
#pragma once

#include <optional>
#include <string>

namespace vornsum {

struct DayProducts {
    std::string root;       // the root as the files are named (may end in blanks)
    std::string radiance;   // ROOT.RLC
    std::optional<std::string> imaginary;     // ROOT.IMC
    std::optional<std::string> responsivity;  // ROOT.RES
    std::optional<std::string> variance;      // ROOT.CVS
    // The root without trailing blanks, the stem of the summary's own files.
    std::string stem() const;
};

// Finds the products of what the user named: the .RLC file itself or its root. The
// calibration pads a short root with blanks to 8 characters, so "dir/abc" also finds
// "dir/abc     .RLC". Failure: dump::DumpError "no radiance product: cannot find NAME".
DayProducts findProducts(const std::string& name);

}  // namespace vornsum
