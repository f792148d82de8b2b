// The table of the SPC reader's 94 public fields (identifiers, file kinds, header offsets,
// divisors, texts) and the process-wide dictionary that finds them by identifier.
#include "spcfields.h"

#include <cassert>

#include "ravlio/associa.h"

namespace spc {

namespace {

// Buckets of the field dictionary.
constexpr int FieldBuckets = 71;

struct Texts {
    std::string name, shortDesc, longDesc, units, precision;
};

void add(std::vector<SPCField>& table, int id, int kind, int offset, Fetch fetch, int divisor, Texts t) {
    table.push_back(SPCField{id, kind, offset, fetch, divisor, std::move(t.name), std::move(t.shortDesc),
                             std::move(t.longDesc), std::move(t.units), std::move(t.precision)});
}

void addInteger(std::vector<SPCField>& table, int id, int kind, int offset, int divisor, Texts t) {
    add(table, id, kind, offset, Fetch::Integer, divisor, std::move(t));
}

Texts averageCountsTexts(int n) {
    const std::string k = std::to_string(n);
    return {"avgCountsThermistor" + k, "Average Counts for Thermistor" + k,
            "Average counts for thermistor channel " + k, "Counts", "1E-5"};
}

// Fields of kind-0 headers, in table order.
void addKindZero(std::vector<SPCField>& t) {
    add(t, InstrumentFieldId, 0, 68, Fetch::InstID, 1,
        {"instrumentUnitNumber", "Instrument Name", "Character string containing instrument name", " ", ""});
    addInteger(t, FIELD_rawDateYYMMDD, 0, 72, 1,
               {"rawDateYYMMDD", "Date of Data Collection", "Date of data collection (year/month/day)", "YYMMDD",
                "1E0"});
    addInteger(t, FIELD_rawTimeHHMMSS, 0, 76, 1,
               {"rawTimeHHMMSS", "End of View Time", "Time at end of interferometer data collection", "HHMMSS",
                "1E0"});
    addInteger(t, FIELD_rawLatitude, 0, 80, 10000,
               {"rawLatitude", "Latitude", "Location of data collection in degrees north latitude", "N", "1E-2"});
    addInteger(t, FIELD_rawLongitude, 0, 84, 10000,
               {"rawLongitude", "Longitude", "Location of data collection in degrees east longitude", "E", "1E-2"});
    addInteger(t, FIELD_rawAltitude, 0, 88, 10000,
               {"rawAltitude", "Altitude", "Location of data collection in meters above mean sea level", "m",
                "1E-2"});
    add(t, FIELD_rawCoadditionsCount, 0, 92, Fetch::Short, 1,
        {"rawCoadditionsCount", "Number of Coadditions per View",
         "Number of complete interferometer scans (f+b) averaged in this view", " ", "1E0"});
    add(t, FIELD_rawSceneMirrorPosition, 0, 94, Fetch::Char, 1,
        {"rawSceneMirrorPosition", "Mirror Position ASCII Character Code",
         "ASCII character code representing the current instrument mirror position", " ", "1E0"});
    for (int n = 0; n <= 23; ++n) {
        const std::string k = std::to_string(n);
        addInteger(t, FIELD_thermistor0 + n, 0, 96 + 4 * n, 10000,
                   {"thermistor" + k, "thermistor" + k,
                    "Thermistor input channel number " + k + " (counting from 0) equivalent temperature", "K",
                    "1E-5"});
    }
    addInteger(t, FIELD_rawAtmosphericPressure, 0, 192, 10000,
               {"rawAtmosphericPressure", "Raw VORN Barometric Pressure", "Barometric Pressure at Site in Millibars",
                "mb", "1E-1"});
    addInteger(t, FIELD_rawAtmosphericRelativeHumidity, 0, 196, 10000,
               {"rawAtmosphericRelativeHumidity", "Raw VORN Relative Humidity",
                "Relative Humidity at Site in Percent", "%", "1E-1"});
    addInteger(t, FIELD_parFileDateYYMMDD, 0, 200, 1,
               {"parFileDateYYMMDD", "Parameter File Date",
                "Date of the file containing instrument specific parameters", "YYMMDD", "1E0"});
    for (int n = 0; n <= 12; ++n)
        addInteger(t, FIELD_avgCountsThermistor0 + n, 0, 204 + 4 * n, 10000, averageCountsTexts(n));
}

// Fields of kind-1 headers, in table order.
void addKindOne(std::vector<SPCField>& t) {
    for (int n = 13; n <= 23; ++n)
        addInteger(t, FIELD_avgCountsThermistor13 + (n - 13), 1, 64 + 4 * (n - 13), 10000, averageCountsTexts(n));
    addInteger(t, FIELD_avgCountsPressure, 1, 108, 10000,
               {"avgCountsPressure", "Raw Counts of VORN Pressure ", "Average raw counts of VORN pressure sensor",
                "Counts", "1E-5"});
    addInteger(t, FIELD_avgCountsRelativeHumidity, 1, 112, 10000,
               {"avgCountsRelativeHumidity", "Raw Counts of VORN Relative Humidity ",
                "Average raw counts of VORN relative humidity sensor (near BBs)", "Counts", "1E-5"});
    for (int n = 0; n <= 23; ++n) {
        const std::string k = std::to_string(n);
        addInteger(t, FIELD_tempStdDevThermistor0 + n, 1, 116 + 4 * n, 10000,
                   {"tempStdDevThermistor" + k, "Standard Deviation for Thermistor" + k,
                    "Temperature standard deviation for thermistor channel " + k, "K", "1E-5"});
    }
    addInteger(t, FIELD_countsStdDevPressure, 1, 212, 10000,
               {"countsStdDevPressure", "Standard Deviation of VORN pressure",
                "Standard deviation of VORN pressure in counts", "Counts", "1E-5"});
    addInteger(t, FIELD_countsStdDevRelativeHumidity, 1, 216, 10000,
               {"countsStdDevRelativeHumidity", "Standard Deviation of VORN Relative Humidity",
                "Standard deviation of VORN relative humidity in counts", "Counts", "1E-5"});
    addInteger(t, FIELD_rawMirrorPositionEncoder, 1, 220, 1,
               {"rawMirrorPositionEncoder", "Raw Mirror Position Encoder", "Mirror position encoder value", "steps",
                "1E0"});
    for (int k = 0; k <= 2; ++k) {
        const std::string c = std::to_string(k);
        addInteger(t, FIELD_engineeringChannel0data + k, 1, 224 + 4 * k, 10000,
                   {"engineeringChannel" + c + "data", "Engineering Channel " + c,
                    "Engineering channel " + c + " data", " ", "1E-5"});
    }
    for (int k = 0; k <= 2; ++k) {
        const std::string c = std::to_string(k);
        addInteger(t, FIELD_engineeringChannel0counts + k, 1, 236 + 4 * k, 10000,
                   {"engineeringChannel" + c + "counts", "Engineering Channel " + c + " Raw Counts",
                    "Engineering channel " + c + " raw counts", "counts", "1E-5"});
    }
}

std::vector<SPCField> buildTable() {
    std::vector<SPCField> table;
    table.reserve(SPC_Field_Count);
    addKindZero(table);
    addKindOne(table);
    assert(table.size() == SPC_Field_Count && "N==SPC_Field_Count");
    return table;
}

// Registers every public field under its identifier in a new dictionary.
Associations* registerPublicSPCFields(const std::vector<SPCField>& table) {
    Associations* A = ASSOCcreate(FieldBuckets);
    std::vector<int> ids;
    std::vector<void*> values;
    for (const SPCField& f : table) {
        ids.push_back(f.id);
        values.push_back(const_cast<SPCField*>(&f));
    }
    ASSOCregisterManyItems(A, static_cast<int>(ids.size()), ids.data(), values.data());
    return A;
}

}  // namespace

const std::vector<SPCField>& publicSPCFields() {
    static const std::vector<SPCField> table = buildTable();
    return table;
}

const SPCField* findPublicSPCField(int id) {
    static Associations* const A = registerPublicSPCFields(publicSPCFields());
    return static_cast<const SPCField*>(ASSOClookup(A, id));
}

}  // namespace spc
