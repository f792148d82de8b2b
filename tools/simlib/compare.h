// Compares what the calibration wrote into a day's directory with the day's truth: records
// per product, missing records, calibrated radiance, responsivity and variance of radiance
// against the truth, imaginary part against zero.
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vornsim {

// A day directory whose truth or outputs cannot be read; the text says which and why.
class CompareError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Agreement limits, relative to the peak of each record's sky radiance (radiance, imaginary
// part) or to the truth at each point (responsivity, variance). The calibrated radiance is
// held against the exact calibration of the scene's views (TRUTH.RGD column 2); single-
// precision spectra through a complex ratio keep about six digits.
inline constexpr double RadianceLimit = 2e-5;
inline constexpr double ResponsivityLimit = 1e-4;
inline constexpr double VarianceLimit = 1e-3;

struct ProductSummary {
    std::string label;  // "radiance", ...
    std::string name;   // file name in the directory
    bool present = false;
    int records = 0;
    int missing = 0;    // records flagged missing (missingDataFlag 1)
};

struct SamplePoint {
    double wavenumber = 0.0;
    float calibrated = 0.0F;
    float truth = 0.0F;
};

struct Comparison {
    std::string dir;
    std::string root;
    std::vector<ProductSummary> products;  // radiance, imaginary part, responsivity, variance
    int truthRecords = 0;
    int truthMissing = 0;
    std::vector<int> missingDisagreements;  // output records missing in one and not the other
    int sampleRecord = 0;                   // output record of the sample points (0: none)
    std::string sampleScene;                // its scene and time
    std::vector<SamplePoint> sample;
    int compared = 0;                       // scenes compared
    double radianceError = 0.0;             // largest difference from the expected calibration over the sky's peak
    double skyError = 0.0;                  // largest difference from the sky radiance over its peak
    int radianceWorstRecord = 0;
    double radianceWorstWavenumber = 0.0;
    double imaginaryError = 0.0;            // largest |imaginary part| over the radiance peak
    double responsivityError = 0.0;
    double varianceError = 0.0;
    int varianceCompared = 0;
    bool stopSeen = false;                  // the log ends with the normal end of run
    std::vector<std::string> problems;      // what does not match, one line each

    bool matches() const { return problems.empty(); }
};

// Reads the day in dir and the calibration's outputs there. Failure: CompareError (no
// truth, no answers file, unreadable products).
Comparison compareDay(const std::string& dir);

// The report a user reads.
void printComparison(const Comparison& c, std::ostream& out);

}  // namespace vornsim
