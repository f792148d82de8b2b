// The plan of a synthetic VORN instrument day: every input record (view, time, header
// values, the radiance it sees), the instrument, and the truth that each calibrated
// output record must reproduce.
//
// The day is a sequence of sets of records, each set beginning with a hot ("H") and an
// ambient ("A") blackbody view followed by four sky views (zenith "Z" three times, then a
// slant path "S"), one record every two minutes. The blackbody and support-structure
// temperatures drift linearly in time, so the straight-line temperature fit of the
// calibration is exact. Every raw spectrum is G x (L + O) with the instrument's complex
// responsivity G and offset O; the blackbody radiance L is formed as the calibration forms
// it (cavity emissivity from the paint emissivity file, reflected surroundings at the
// support-structure temperature). The input holds one set more than is calibrated: its
// blackbody views close the last calibrated set.
//
// The calibration interpolates the blackbody views linearly in time to the scene, while the
// radiance of a drifting blackbody is not linear in time (Planck's law bends); so besides
// the sky radiance the truth holds the radiance an exact calibration of these views gives,
// which differs from the sky by that interpolation alone (a few parts in a million of the
// peak at the default drift, more at large drifts in channel 2).
#pragma once

#include <array>
#include <complex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "simlib/instrument.h"

namespace vornsim {

// Options that make no day (bad channel, counts out of range, ...); the text says which.
class OptionError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

inline constexpr int MaxPoints = 9000;  // the calibration's spectrum capacity
inline constexpr int MinPoints = 2;
inline constexpr int MaxSets = 100;     // sets calibrated (the day stays within 24 hours)
inline constexpr double MaxDrift = 3.0; // kelvin per hour, either sign
inline constexpr int RecordSeconds = 120;

struct DayOptions {
    int channel = 1;               // 1: 520-1800 cm-1, 2: 1800-3020 cm-1
    int sets = 20;                 // sets calibrated
    int points = 0;                // points per spectrum; 0: the channel's own (0.48 cm-1)
    double driftPerHour = 0.25;    // blackbody and support-structure drift (K/h)
    // Input records flagged missing; when not given, a sky view of set 3 and the ambient
    // view of set 7 (which leaves the scenes of sets 6 and 7 without a cold reference),
    // as far as the day has them.
    std::optional<std::vector<int>> missing;
    unsigned seed = 1;             // draws the sky's lines and clouds and the encoder drifts
    int startSeconds = 6 * 3600;   // time of day of the first record (seconds); a late start
                                   // makes a day that crosses midnight
};

// The input records flagged missing when the options name none.
inline constexpr std::array<int, 2> DefaultMissing = {2 * 6 + 4, 6 * 6 + 2};

// The channel's default wavenumber range and point count.
struct ChannelGrid {
    double first = 0.0;
    double last = 0.0;
    int points = 0;
};
ChannelGrid channelGrid(int channel);

// Checks the options; OptionError names the first that is out of range.
void checkOptions(const DayOptions& options);

// One input record.
struct ViewRecord {
    char view = 'H';         // mirror view (sceneMirrorPosition is its character code)
    int seconds = 0;         // seconds since midnight of the day's first date (may pass 86400)
    float date = 0.0F;       // dateYYMMDD
    float hhmmss = 0.0F;     // timeHHMMSS
    float hours = 0.0F;      // Time (UTC hours)
    bool missing = false;    // missingDataFlag set, spectrum not a number
    float drift = 0.0F;      // sceneMirPosEncoderDrift (encoder steps)
    float coadds = 0.0F;     // coadditionsCount
    float channel = 1.0F;    // channelNumber
    std::array<float, 7> temps{};  // ABB top, apex, bottom; HBB top, apex, bottom; support
    float outsideAir = 0.0F;       // outsideAirTemp (K)
    float relativeHumidity = 0.0F; // atmosphericRelativeHumidity (%)
    float encoder = 0.0F;          // sceneMirPosEncoder: the view's position plus the drift
};

// What one output record of the calibration must hold.
struct SceneTruth {
    int inputRecord = 0;     // the scene's record in the input file
    char view = 'Z';
    float hhmmss = 0.0F;
    float hours = 0.0F;
    bool missing = false;    // the calibration writes this record as missing
    std::string reason;      // why it is missing (empty when it is not)
    double ambientTemp = 0.0;  // blackbody and support temperatures at the scene time (K)
    double coldTemp = 0.0;
    double hotTemp = 0.0;
    std::vector<float> radiance;      // the sky radiance the view saw
    std::vector<float> expected;      // an exact calibration of the scene with its views
    std::vector<float> responsivity;  // its responsivity: |G| x interpolated (hot - cold) / (RHBB - RCBB)
    std::vector<float> variance;      // variance of the calibrated radiance
};

// File names inside the day's directory.
struct DayFiles {
    std::string input;           // complex spectra, the calibration's input
    std::string original;        // the same views from the forward scans ("orig. complex sp.")
    std::string variance;        // variance of each raw spectrum over the scans
    std::string parameters = "VORNCALV.SIP";
    std::string mirror = "SCENEMIR.POS";
    std::string emissivity = "BBPAINT.EMI";
    std::string upstreamStatus;  // QUINT.STA (channel 1) or MOBLEX.STA (channel 2)
    std::string answers = "ANSWERS.TXT";
    std::string truth = "TRUTH.RGD";
    std::string truthTable = "TRUTH.CSV";
    std::string root;            // root of the calibration's output names
};

struct DayPlan {
    DayOptions options;
    DayFiles files;
    std::string cycle;              // one mirror cycle (two sets)
    int blackbodiesPerSet = 0;      // NBBP
    int scenesPerSet = 0;           // NSVP
    std::vector<double> grid;       // wavenumbers (cm-1)
    std::vector<double> paintWavenumbers;  // the paint emissivity table as written
    std::vector<float> paintEmissivity;
    float cavityFactor = 12.79F;
    std::vector<float> cavity;      // cavity emissivity on the grid
    Instrument instrument;
    std::vector<ViewRecord> records;               // record r is records[r - 1]
    std::vector<std::vector<float>> radiance;      // per record: the radiance seen
    std::vector<SceneTruth> scenes;                // output record j is scenes[j - 1]

    int recordsPerSet() const { return blackbodiesPerSet + scenesPerSet; }
    int recordCount() const { return static_cast<int>(records.size()); }
    const ViewRecord& record(int r) const { return records.at(static_cast<std::size_t>(r - 1)); }
    // The raw complex spectrum of record r (not a number everywhere for a missing record).
    std::vector<std::complex<float>> raw(int r) const;
    // The same view from the forward scans alone: the same magnitude, a slightly other phase.
    std::vector<std::complex<float>> forwardRaw(int r) const;
    // The variance over the scans of record r's raw spectrum (sum of squared deviations).
    std::vector<float> rawVariance(int r) const;
    // The nine console answers of a batch run in the day's directory.
    std::string answers() const;
    int missingOutputs() const;
};

// Plans the day. Failure: OptionError.
DayPlan planDay(const DayOptions& options);

// Blackbody temperatures at a time (seconds since the first midnight).
struct Temperatures {
    double ambient = 0.0;
    double hot = 0.0;
    double support = 0.0;
};
Temperatures temperaturesAt(const DayOptions& options, int seconds);

// The weather above the instrument: air temperature (K, a few kelvin below the ambient
// blackbody with a swing over the day) and a humidity factor (1: typical) that swings
// slowly.
struct Weather {
    double air = 0.0;
    double humidity = 1.0;
};
Weather weatherAt(const DayOptions& options, int seconds);

// The scene-mirror encoder position of a view, as the mirror-position file lists it.
int encoderOf(char view);

}  // namespace vornsim
