// Writes a planned day into a directory: the input file of complex spectra, the forward-scan
// spectra and the variance file (RGD, through the RAVLIO library), the parameter,
// mirror-position, paint-emissivity and upstream status files, the console answers of a
// batch run, and the truth (TRUTH.RGD: per output record the sky radiance, the expected
// calibrated radiance, responsivity and variance of radiance; TRUTH.CSV: per output record
// the input record, scene, time and whether and why it is missing).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "simlib/dayplan.h"

namespace vornsim {

// A file of the day that cannot be written; the text names the file and the reason.
class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The 15 header fields the calibration requests from every input record, in its order.
const std::vector<int>& inputHeaderIds();
// The header fields of TRUTH.RGD, in the order of its metadata.
const std::vector<int>& truthHeaderIds();

// The text files of the day, as written.
std::string parameterText(const DayPlan& day);
std::string mirrorText(const DayPlan& day);
std::string emissivityText(const DayPlan& day);
std::string upstreamStatusText(const DayPlan& day);
std::string truthTableText(const DayPlan& day);

// Creates dir when needed and writes every file of the day into it, replacing files of the
// same names and removing the calibration outputs an earlier run left under the day's root
// (they would otherwise be appended to). Failure: WriteError.
void writeDay(const DayPlan& day, const std::string& dir);

// The parts of writeDay: the directory made and emptied of earlier outputs, and every file
// but the spectra and the upstream status file (parameters, mirror positions, paint
// emissivity, answers and truth). Failure: WriteError.
void prepareDirectory(const DayPlan& day, const std::string& dir);
void writeSideFiles(const DayPlan& day, const std::string& dir);

// The day's three spectral files (input, forward-scan and variance), created empty and
// then written a record at a time: write(r) writes record r of each, whole, so that a
// reader in another process sees it as soon as it returns. Failure: WriteError.
class SpectralFiles {
public:
    SpectralFiles(const DayPlan& day, const std::string& dir);
    ~SpectralFiles();
    SpectralFiles(const SpectralFiles&) = delete;
    SpectralFiles& operator=(const SpectralFiles&) = delete;

    void write(int record);
    void close();

private:
    struct Files;
    const DayPlan& day_;
    std::unique_ptr<Files> files_;
};

// Names of the calibration's outputs under a root, as the calibration forms them (the
// root blank-padded to 8 characters for the data products, trimmed for the log).
struct OutputNames {
    std::string radiance, imaginary, responsivity, variance, log, marker;
};
OutputNames outputNames(const std::string& root);

}  // namespace vornsim
