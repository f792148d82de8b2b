// The NASA Ames field dictionary: which variable names are offered as which metadata field,
// and the field-id lookup of the auxiliary columns of an open file.
#include <cstdint>
#include <string>
#include <vector>

#include "formats/nasaames/nasafile.h"
#include "ravlio/associa.h"
#include "ravlio/fields.h"

namespace nasaames {

namespace {

// Searched in this order; the first pattern that occurs in the lower-cased name wins, so a
// longer, more specific pattern must come before any pattern it contains.
const fieldMapEntry tableOfKnownFields[] = {
    {FIELD_timeHHMMSS, "timeHHMMSS", "invalid field"},
    {0, "0", "X"},  // upper case: never occurs in a lower-cased name
    {FIELD_rawTimeHHMMSS, "rawTimeHHMMSS", "goes cl"},
    {FIELD_timeHHMMSS, "timeHHMMSS", "time"},
    {FIELD_Altitude, "Altitude", "pressure altitude (km) of er-2, palt"},
    {0xB8006, "horizonBrightnessTemp", "horizon brightness temperature (k)"},
    {0xB8007, "tropopause", "tropopause (km)"},
    {0xB8008, "pressureAltitudeICEproduction",
     "pressure altitude whose temperature is closest to ice production (km)"},
    {0xB8009, "saturationTempICE",
     "ice saturation temp minus air temp, for above altitude, assuming 4 ppmv h2o"},
    {0x18004A, "atmosphericTemperatureBelowAC", "atmospheric temperature (k) below aircraft"},
    {0x18004B, "ozoneTransmittance", "ozone transmittance"},
    {0x18004C, "surfaceBrightnessTemp", "surface brightness temp"},
    {0x180049, "tSkin", "skin temperature"},
    {FIELD_atmosphericPressure, "atmosphericPressure", "aircraft pressure"},
    {FIELD_atmosphericPressure, "atmosphericPressure", "pressure (hpa)"},
    {0x800D, "atmosphericTemperature", "temperature (k)"},
    {FIELD_Latitude, "Latitude", "latitude"},
    {FIELD_Longitude, "Longitude", "longitude"},
    {FIELD_Altitude, "Altitude", "pressure altitude"},
    {FIELD_Heading, "Heading", "heading"},
    {FIELD_Pitch, "Pitch", "pitch"},
    {FIELD_Roll, "Roll", "roll"},
    {0x8010, "Speed", "true air speed"},
    {0xB8001, "CO2mixingRatioPPM", "co2 volume mixing ratio"},
    {0xB8002, "H2OmixingRatioPPM", "h2o volume mixing ratio"},
    {FIELD_atmosphericPressure, "atmosphericPressure", "static pressure (mb)"},
    {0x800D, "atmosphericTemperature", "static temperature"},
    {0xB8003, "horizontalEWwindSpeed", "horizontal e-w wind speed"},
    {0xB8004, "horizontalNSwindSpeed", "horizontal n-s wind speed"},
    {0xB8005, "verticalWindSpeed", "vertical wind speed"},
    {0xB800A, "N2OmixingRatioPPM", "n2o  volume mixing ratio"},
    {0xB800B, "CH4mixingRatioPPM", "ch4  volume mixing ratio"},
    {0xB800C, "NO2mixingRatioPPM", "no2 volume mixing ratio"},
    {0xB800D, "HClMixingRatioPPM", "hcl  volume mixing ratio"},
    {0xB800E, "COmixingRatioPPM", "co  volume mixing ratio"},
};

// What a name that matches no pattern is mapped to; never offered.
const fieldMapEntry unknownField = {0, "arbitraryMetadata", "unidentified field"};

// Buckets of each file's field-id dictionary.
constexpr int FieldLibraryBuckets = 31;

const fieldMapEntry& entryForName(const std::string& name) {
    std::string lowered = name;
    strlwr(lowered.data());
    for (const fieldMapEntry& entry : tableOfKnownFields)
        if (lowered.find(entry.nameFromFile) != std::string::npos) return entry;
    return unknownField;
}

}  // namespace

void identifyFields(std::vector<NASAfield>& fields) {
    for (NASAfield& f : fields) {
        const fieldMapEntry& entry = entryForName(f.nameFromFile);
        f.fieldID = entry.fieldID;
        f.map = &entry;
    }
}

void createFieldAssociations(NASAfile& file) {
    file.fieldLibrary.reset(ASSOCcreate(FieldLibraryBuckets));
    for (size_t column = 0; column < file.field.size(); ++column) {
        NASAfield& f = file.field[column];
        if (f.fieldID == 0) continue;
        f.index = static_cast<int>(column);
        // The value is the 1-based column, so that it is never null.
        ASSOCregisterItem(file.fieldLibrary.get(), f.fieldID, reinterpret_cast<void*>(static_cast<intptr_t>(column + 1)));
    }
}

}  // namespace nasaames
