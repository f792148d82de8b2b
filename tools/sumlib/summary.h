// The summary of a calibrated day: one record per scene of the radiance product with its
// time, mirror position, missing flag, the calibration values the product carries, the
// band means, brightness temperatures and standard deviations of the standard bands and
// the mean and spread of the responsivity and the imaginary part over the whole grid;
// besides, what the quicklook page draws (responsivity band means, the day's sky spectra
// reduced to their median and 10th-90th percentile band).
//
// The products are read one record at a time, each at most once; only the summary itself
// and the sky spectra reduced to at most SpectrumBins points grow with the day.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "convertlib/timeaxis.h"
#include "dumplib/datafile.h"
#include "ravlio/fields.h"
#include "sumlib/bands.h"
#include "sumlib/products.h"

namespace vornsum {

// Header fields of the product that identify a scene and say how it was calibrated.
inline constexpr int DateId = FIELD_dateYYMMDD;
inline constexpr int TimeId = FIELD_timeHHMMSS;
inline constexpr int MirrorId = FIELD_sceneMirrorPosition;
inline constexpr int MissingId = FIELD_missingDataFlag;
inline constexpr int CalibrationHotId = FIELD_calibrationHBBtemp;
inline constexpr int CalibrationColdId = FIELD_calibrationCBBtemp;  // the ambient blackbody

// Mirror positions (character codes) of the hot and the ambient blackbody views.
inline constexpr float HotView = 72.0F;      // 'H'
inline constexpr float AmbientView = 65.0F;  // 'A'

// The sky spectrum panel reduces each spectrum to at most this many bin means.
inline constexpr std::size_t SpectrumBins = 900;

struct SceneSummary {
    int record = 0;                 // the scene's record in the radiance product
    std::optional<double> time;     // seconds since midnight of the reference date
    bool missing = false;
    std::vector<float> values;      // one per field of the summary, NaN when missing
    std::array<float, BandCount> responsivityBands{};  // band means of the responsivity
};

// The sky spectra of the day at each bin: its mean wavenumber and the 10th, 50th and 90th
// percentiles over the scenes not missing.
struct SpectrumBand {
    std::vector<double> wavenumber;
    std::vector<float> p10, p50, p90;
    int scenes = 0;
};

struct DaySummary {
    DayProducts products;
    std::vector<std::string> productsRead;  // file names of the products used
    int channel = 0;                        // from the products' headers; 0 when unknown
    std::vector<double> grid;               // the radiance product's wavenumbers
    std::optional<convert::CivilDate> reference;  // date of the time axis
    std::vector<dump::FieldInfo> fields;    // the summary's fields, dictionary texts
    std::vector<SceneSummary> scenes;
    SpectrumBand spectrum;
    std::vector<std::string> problems;      // what could not be summarised, and why

    // Position of a field in `fields`, or -1.
    int fieldIndex(int identifier) const;
    int missingScenes() const;
};

// The identifiers of the summary's fields, in the order of its files.
const std::vector<int>& summaryFieldIds();

// Summarises the day. Problems that leave the rest of the day readable (a product cut
// short or on another grid, a scene without its variance record) are listed in problems;
// a radiance product that cannot be read at all throws dump::DumpError.
DaySummary summariseDay(const DayProducts& products);

}  // namespace vornsum
