// A synthetic instrument day for calibration runs: an input RGD file of complex spectra in
// the set layout (hot, ambient and sky views with the 15 header fields the calibration
// reads), the parameter, mirror-position, paint-emissivity and upstream status files, and
// the truth every calibrated scene must reproduce.
//
// Every view is raw = G x (L + O): G a complex responsivity, O a complex instrument offset,
// L the radiance the view sees. The blackbody radiances are formed exactly as the
// calibration forms them (cavity emissivity from the paint emissivity and the cavity
// factor, the reflected surroundings term), with blackbody temperatures that stay constant
// over the day and thermistor weights that reduce them exactly; so the calibrated real
// part of a scene is its truth radiance, the imaginary part is zero and the responsivity
// is |G|, up to single-precision rounding.
#pragma once

#include <array>
#include <complex>
#include <string>
#include <vector>

namespace testsupport {

// Header values of one input record.
struct DayRecord {
    char view = 'H';            // mirror view character (sceneMirrorPosition is its code)
    float date = 150417.0F;     // dateYYMMDD
    float hhmmss = 0.0F;        // timeHHMMSS
    float hours = 0.0F;         // Time (UTC hours)
    float missing = 0.0F;       // missingDataFlag
    float drift = 3.0F;         // sceneMirPosEncoderDrift
    float coadds = 45.0F;       // coadditionsCount
    float channel = 1.0F;       // channelNumber
    std::array<float, 7> temps{};  // ABB top, apex, bottom; HBB top, apex, bottom; support
};

struct DayConfig {
    // One mirror cycle (two sets) in record order; H, A and C are blackbody views.
    std::string cycle = "HASSHAZZ";
    int sets = 6;               // sets planned (records = sets x records per set)
    int points = 64;            // spectral points per record
    int imaginaryPoints = 0;    // points of the imaginary column when not `points` (a file
                                // whose every record is of another size at its second read)
    double wnMin = 500.0;       // first and last wavenumber (cm-1)
    double wnMax = 1800.0;
    int firstTime = 100000;     // time of record 1 (HHMMSS); records follow every `step` s
    int step = 60;
    float ambientTemp = 290.5F;  // blackbody and support-structure temperatures (K)
    float hotTemp = 330.25F;
    float supportTemp = 291.0F;
    float paintEmissivity = 0.9375F;  // the same at every wavenumber
    float cavityFactor = 12.5F;
    int lastSceneNumber = 999;  // lastSceneNumber of the parameter file
    char outputImaginary = 'Y';
    char outputResponsivity = 'Y';
};

struct SyntheticDay {
    DayConfig config;
    int blackbodiesPerSet = 0;  // NBBP
    int scenesPerSet = 0;       // NSVP
    std::vector<DayRecord> records;       // record r is records[r - 1]
    std::vector<double> grid;             // wavenumbers
    std::vector<float> cavityEmissivity;  // on the grid
    std::vector<float> hotRadiance;       // blackbody radiances on the grid
    std::vector<float> coldRadiance;
    std::vector<std::vector<float>> truth;         // per record: the radiance the view sees
    std::vector<std::complex<float>> responsivity;  // G
    std::vector<std::complex<float>> offset;        // O

    int recordsPerSet() const { return blackbodiesPerSet + scenesPerSet; }
    // Input record number of scene position p (from 1) of set k (from 1).
    int sceneRecord(int set, int position) const;
    // The raw complex spectrum of record r as written (from its truth radiance).
    std::vector<std::complex<float>> raw(int record) const;

    // File names inside the directory the day is written to.
    std::string inputName = "150417C1.UVS";
    std::string parameterName = "VORNCALV.SIP";
    std::string mirrorName = "MIRROR.POS";
    std::string emissivityName = "PAINT.EMI";
    std::string upstreamStatusName = "QUINT.STA";

    // The nine console answers of a run: input, original spectra (the input), root, the
    // real-time answer ("Y" disables it), a variance file that does not exist, and the
    // four files above.
    std::string answers(const std::string& root, bool batch) const;
};

// Plans a day: header values of every record and every radiance.
SyntheticDay planDay(const DayConfig& config = {});

// Writes records 1..count of the input file into dir through the library (a new file),
// plus the parameter, mirror-position and paint-emissivity files and the upstream status
// file counting `count` records.
void writeDay(const std::string& dir, const SyntheticDay& day, int count);

// Appends records first..last to the input file in dir (reopened through the library) and
// sets the upstream status count to last.
void appendDayRecords(const std::string& dir, const SyntheticDay& day, int first, int last);

// Rewrites the upstream status file of dir so that it counts `count` records of the input.
void writeUpstreamStatus(const std::string& dir, const SyntheticDay& day, int count);

// The records of an output product as the library reads them: data, missingDataFlag and
// sceneMirPosEncoderMaxDrift of every record (count -1 when the file cannot be opened).
struct Product {
    int count = -1;
    std::vector<std::vector<float>> data;
    std::vector<float> missing;
    std::vector<float> maxDrift;
};
Product readProduct(const std::string& path);

// True for the quiet-NaN pattern 0x7FC00000 that marks a missing value.
bool isMissingPattern(float value);

// Largest deviation of a calibrated spectrum from the truth of input record `record`,
// relative to the hot blackbody radiance at each point.
double calibrationError(const SyntheticDay& day, const std::vector<float>& calibrated, int record);

}  // namespace testsupport
