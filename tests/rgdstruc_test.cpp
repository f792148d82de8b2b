// Tests of the RGD metadata field dictionary: the field table, the subheader layouts and
// their registration into the two process-wide dictionaries.
#include "formats/rgd/rgdstruc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ravlio/associa.h"
#include "ravlio/fields.h"

namespace {

constexpr int32_t kGroupBase = 32768;

int32_t groupOf(int32_t id) { return id / kGroupBase; }
int32_t numberOf(int32_t id) { return id % kGroupBase; }

std::set<int32_t> allFieldIds() {
    std::set<int32_t> ids;
    for (const RGDstaticField& row : ALLstaticFields) ids.insert(row.id);
    return ids;
}

// The names of all fields in table order.
const char* const kNamesInTableOrder =
    "missingDataFlag VORNunitNumber dateYYMMDD timeHHMMSS Time Latitude Longitude Altitude "
    "JulianDay refTimeUsec refTimeSec refTimeDay refTimeMonth refTimeYear refTimeSpanUsec "
    "refTimeSpanSec coadditionsCount sceneMirrorPosition BBsupportStructureTemp "
    "fixed12KohmResistor HBBtopTemp ABBtopTemp HBBapexTemp ABBapexTemp HBBbottomTemp "
    "ABBbottomTemp interferometerSecondPortTemp airNearBBsTemp mirrorMotorTemp dewarTemp "
    "coolerExpanderTemp spareTemp BBcontroller1temp BBcontroller2temp fixed97KohmResistor "
    "motorDriverTemp SCEtemp computerTemp rackAmbientTemp coolerCompressorTemp "
    "coolerPowerSupplyTemp outsideAirTemp fixed2500ohmResistor atmosphericPressure "
    "atmosphericRelativeHumidity detectorTemp coolerCurrent LN2fillLineTemp hatchIndicator "
    "sceneMirPosEncoder channelNumber calibrationAmbientTemp calibrationCBBtemp "
    "calibrationHBBtemp calibrationCBBemissivity calibrationHBBemissivity FFOVhalfAngle "
    "numberOfTerms originalLaserWavenumber outputLaserWavenumber originalInterferogramSize "
    "expandedInterferogramSize apodizationLength apodizationFunction QUINTwgt QUINTeff "
    "QUINTfback QUINThzpd0 QUINTczpd0 QUINTnmax QUINTan1 QUINTan2 surfaceLayerRadiance675_680 "
    "elevatedLayerRadiance700_705 longwaveWindowRadiance985_990 surfaceLayerRadiance2295_2300 "
    "elevatedLayerRadiance2282_2287 shortwaveWindowRadiance2510_2515 "
    "surfaceLayerAirTemp675_680 elevatedLayerAirTemp700_705 longwaveWindowAirTemp985_990 "
    "surfaceLayerAirTemp2295_2300 elevatedLayerAirTemp2282_2287 "
    "shortwaveWindowAirTemp2510_2515 skyViewStdDevRadiance675_680 skyViewStdDevRadiance700_705 "
    "skyViewStdDevRadiance985_990 skyViewStdDevRadiance2295_2300 "
    "skyViewStdDevRadiance2282_2287 skyViewStdDevRadiance2510_2515 "
    "HBBviewStdDevRadiance675_680 HBBviewStdDevRadiance700_705 HBBviewStdDevRadiance985_990 "
    "HBBviewStdDevRadiance2295_2300 HBBviewStdDevRadiance2282_2287 "
    "HBBviewStdDevRadiance2510_2515 ABBviewStdDevRadiance675_680 ABBviewStdDevRadiance700_705 "
    "ABBviewStdDevRadiance985_990 ABBviewStdDevRadiance2295_2300 "
    "ABBviewStdDevRadiance2282_2287 ABBviewStdDevRadiance2510_2515 "
    "twoMinuteNoiseEstimateFactor hatchOpen HBBstable SWskyNENacceptable LWskyNENacceptable "
    "dataAvailable sceneViewDuration nonlinearityCoefficient nonlinearityCoefficientStDev "
    "nonlinearitySampleCount systemReleaseNumber sceneMirPosCount calibratedSceneID "
    "ABBtopTempWeight ABBapexTempWeight ABBbottomTempWeight HBBtopTempWeight HBBapexTempWeight "
    "HBBbottomTempWeight ABBtempOffset HBBtempOffset BBcavityFactor HBBtempDrift "
    "HBBtempDriftLimit LWskyNEN LWskyNENlimit SWskyNEN SWskyNENlimit HBBmaxTempDiff "
    "ABBmaxTempDiff maxSampleStdDev LW_HBB_NEN SW_HBB_NEN "
    "interferometerEnclosureRelativeHumidity stdDevInterferometerEnclosureRelativeHumidity "
    "avgCountsInterferometerEnclosureRelativeHumidity opticsPlateTemp laserTubeHousingExtTemp "
    "laserFringeAmpVoltage motorEncoderTemp beamsplitterBaseTemp detectorDewarExtTemp "
    "interferometerDriveMotorTemp controlBoxCardTemp ZPDindex reducedGainPointCount gainFactor "
    "discardedPointCount maxBBinterferogramLength maxSceneInterferogramLength reductionFactor "
    "detectorCooledVoltage ZPDapodizationFunctionReference ZPDapodizationFunctionHalfWidth "
    "ZPDapodizationFunctionSegmentCount middleSegmentHalfWidth LWresponsivity SWresponsivity "
    "airNearInterferometerTemp rainSensorIntensity interferometerWindowTemp "
    "frontEndFanAirUnheatedTemp frontEndFanAirHeatedTemp sunSensorIntensity sceneMirrorTemp "
    "skyViewImaginaryRadiance675_680 skyViewImaginaryRadiance700_705 "
    "skyViewImaginaryRadiance985_990 skyViewImaginaryRadiance2295_2300 "
    "skyViewImaginaryRadiance2282_2287 skyViewImaginaryRadiance2510_2515 sceneMirrorAngle "
    "sceneMirrorMotorStep frontEndFanAirTempDiff sceneMirPosEncoderDrift "
    "opticsCompartmentRelativeHumidity maxPitch maxRoll NBBtopTemp IBBtopTemp NBBapexTemp "
    "IBBapexTemp NBBbottomTemp IBBbottomTemp positionFixAge calibrationZero calibrationVREF "
    "fixed240KohmResistor fixed30KohmResistor fixed2KohmResistor extwavePreampVoltage "
    "longwavePreampVoltage midwavePreampVoltage shortwavePreampVoltage opticsBenchTemp "
    "apertureStopTemp interferometerMotorTemp interferometerScanMirrorStructureTemp "
    "detectorPreampElectronicsTemp decimationType controlDSPtemp scienceDSPtemp "
    "unassignedElectronicsTemp1 unassignedElectronicsTemp2 unassignedElectronicsTemp3 "
    "unassignedElectronicsTemp4 unassignedElectronicsTemp5 "
    "unassignedInterferometerEnclosureTemp1 unassignedInterferometerEnclosureTemp2 "
    "unassignedInterferometerEnclosureTemp3 unassignedInterferometerEnclosureTemp4 "
    "laserEnclosurePressure interferometerXmotorStep interferometerYmotorStep laserRDCvoltage "
    "laserXDCvoltage laserYDCvoltage laserTxDCvoltage laserTyDCvoltage whiteLightZDCvoltage "
    "laserRACvoltage laserXACvoltage laserYACvoltage laserTxACvoltage laserTyACvoltage "
    "whiteLightZACvoltage errorXphase errorYphase unassignedBusVoltage1 unassignedBusVoltage2 "
    "unassignedTemp1 unassignedTemp2 unassignedTemp3 unassignedTemp4 unassignedTemp5 "
    "unassignedTemp6 unassignedTemp7 unassignedTemp8 unassignedTemp9 unassignedTemp10 "
    "unassignedTemp11 unassignedTemp12 unassignedTemp13 unassignedTemp14 "
    "sceneMirPosEncoderMaxDrift scanLineIndex FOVindex FOVangle BBCstartField BBCopCode "
    "BBClength BBCsoftwareVersion BBCframeCount BBCcalRequest ABBmode ABBsetPointTemp "
    "ABBpwmCount HBBmode HBBsetPointTemp HBBpwmCount BBCboardTemp spare2Temp "
    "fixed1500KohmResistor fixed124KohmResistor fixed26KohmResistor fixed6KohmResistor "
    "BBCgroundOffset BBCreflectedTemp spare3Temp BBC_CRC BBCendField instrumentLatitude "
    "instrumentLongitude navigationSource BBCpacketID scanDirection ABBPIDerror HBBPIDerror "
    "BBCexcitationRange0 BBCexcitationRange1 BBCexcitationRange2 BBCexcitationRange3 Heading "
    "Pitch Roll imaginarySpectrumMean imaginarySpectrumStdDev responsivityMean "
    "responsivityStdDev zpdMagnitude zpdPhase instrumentUnitNumber rawDateYYMMDD rawTimeHHMMSS "
    "rawLatitude rawLongitude rawAltitude rawCoadditionsCount rawSceneMirrorPosition "
    "thermistor0 thermistor1 thermistor2 thermistor3 thermistor4 thermistor5 thermistor6 "
    "thermistor7 thermistor8 thermistor9 thermistor10 thermistor11 thermistor12 thermistor13 "
    "thermistor14 thermistor15 thermistor16 thermistor17 thermistor18 thermistor19 "
    "thermistor20 thermistor21 thermistor22 thermistor23 rawAtmosphericPressure "
    "rawAtmosphericRelativeHumidity parFileDateYYMMDD avgCountsThermistor0 "
    "avgCountsThermistor1 avgCountsThermistor2 avgCountsThermistor3 avgCountsThermistor4 "
    "avgCountsThermistor5 avgCountsThermistor6 avgCountsThermistor7 avgCountsThermistor8 "
    "avgCountsThermistor9 avgCountsThermistor10 avgCountsThermistor11 avgCountsThermistor12 "
    "avgCountsThermistor13 avgCountsThermistor14 avgCountsThermistor15 avgCountsThermistor16 "
    "avgCountsThermistor17 avgCountsThermistor18 avgCountsThermistor19 avgCountsThermistor20 "
    "avgCountsThermistor21 avgCountsThermistor22 avgCountsThermistor23 avgCountsPressure "
    "avgCountsRelativeHumidity tempStdDevThermistor0 tempStdDevThermistor1 "
    "tempStdDevThermistor2 tempStdDevThermistor3 tempStdDevThermistor4 tempStdDevThermistor5 "
    "tempStdDevThermistor6 tempStdDevThermistor7 tempStdDevThermistor8 tempStdDevThermistor9 "
    "tempStdDevThermistor10 tempStdDevThermistor11 tempStdDevThermistor12 "
    "tempStdDevThermistor13 tempStdDevThermistor14 tempStdDevThermistor15 "
    "tempStdDevThermistor16 tempStdDevThermistor17 tempStdDevThermistor18 "
    "tempStdDevThermistor19 tempStdDevThermistor20 tempStdDevThermistor21 "
    "tempStdDevThermistor22 tempStdDevThermistor23 countsStdDevPressure "
    "countsStdDevRelativeHumidity rawMirrorPositionEncoder engineeringChannel0data "
    "engineeringChannel1data engineeringChannel2data engineeringChannel0counts "
    "engineeringChannel1counts engineeringChannel2counts ";

std::vector<std::string> namesInTableOrder() {
    std::istringstream in(kNamesInTableOrder);
    std::vector<std::string> names;
    for (std::string name; in >> name;) names.push_back(name);
    return names;
}

// The subheaders in table order with their field counts.
struct SubheaderCount {
    int32_t id;
    int32_t fieldCount;
};
const SubheaderCount kSubheaderCounts[] = {
    {94011901, 94}, {94012701, 36}, {94091301, 40}, {94020101, 1}, {94020301, 5}, {94030301, 1},
    {94030401, 2}, {94030402, 5}, {94032901, 2}, {94051001, 8}, {94052301, 25}, {94070501, 6},
    {94070502, 61}, {94111501, 36}, {95111401, 47}, {94102101, 3}, {94121201, 42},
    {94121202, 5}, {95020301, 43}, {95020302, 6}, {95052602, 44}, {95052601, 15},
    {95112901, 13}, {96013101, 47}, {96022301, 61}, {96080901, 49}, {96090301, 14},
    {97031201, 58}, {97012301, 55}, {97022102, 1}, {97031002, 55}, {97042801, 65},
    {97050704, 51}, {97050702, 60}, {97050701, 69}, {97122201, 14}, {98062501, 60},
    {97110501, 87}, {99121301, 7}, {12701, 2}, {12702, 4},
};

// One group of identifiers: how many fields it holds, the number range they use, and its first
// and last field in table order.
struct Group {
    int32_t group;
    int count;
    int32_t lowest;
    int32_t highest;
    const char* first;
    const char* last;
};
const Group kGroups[] = {
    {1, 22, 1, 25, "missingDataFlag", "instrumentUnitNumber"},
    {16, 69, 1, 71, "rawDateYYMMDD", "engineeringChannel2counts"},
    {17, 35, 3, 87, "coadditionsCount", "thermistor23"},
    {18, 37, 1, 37, "VORNunitNumber", "avgCountsInterferometerEnclosureRelativeHumidity"},
    {19, 16, 1, 16, "calibrationAmbientTemp", "sceneMirPosEncoderMaxDrift"},
    {21, 1, 1, 1, "numberOfTerms", "numberOfTerms"},
    {22, 4, 1, 4, "originalLaserWavenumber", "expandedInterferogramSize"},
    {24, 2, 1, 2, "apodizationLength", "apodizationFunction"},
    {25, 57, 1, 57, "surfaceLayerRadiance675_680", "sceneMirPosEncoderDrift"},
    {26, 3, 1, 3, "nonlinearityCoefficient", "nonlinearitySampleCount"},
    {27, 20, 1, 20, "opticsPlateTemp", "middleSegmentHalfWidth"},
    {28, 19, 0, 18, "airNearInterferometerTemp", "positionFixAge"},
    {48, 1, 1, 1, "scanDirection", "scanDirection"},
    {52, 42, 0, 41, "scanLineIndex", "zpdPhase"},
    {56, 59, 0, 58, "calibrationZero", "unassignedTemp14"},
};

// Every layout's field identifiers in header order, written as identifiers and ascending
// runs ("a to b" is every identifier from a to b).
struct LayoutText {
    int32_t id;
    int32_t fieldCount;
    const char* fields;
};
const LayoutText kLayouts[] = {
    {94011901, 94, "32779, 524355, 524354, 524351 to 524353, 524356 to 524357, 557120 to 557143, 524358 to "
     "524359, 524289 to 524341, 524348, 524342 to 524347"},
    {94012701, 36, "589825, 32769 to 32773, 557060, 557062, 589826 to 589849, 32775 to 32776, 589850, 32778"},
    {94091301, 40, "589825, 32769 to 32773, 589826 to 589836, 589856, 589838 to 589845, 589852, 589854, "
     "589848 to 589849, 32775 to 32776, 589855, 589853, 589847, 589850, 32778, 589851, 557060, "
     "557062"},
    {94020101, 1, "32780"},
    {94020301, 5, "622593 to 622597"},
    {94030301, 1, "32780"},
    {94030401, 2, "557059, 688129"},
    {94030402, 5, "32778, 720897 to 720900"},
    {94032901, 2, "786433 to 786434"},
    {94051001, 8, "557088 to 557095"},
    {94052301, 25, "32778, 557120 to 557127, 32769 to 32770, 557060, 720897, 557128 to 557131, 32775 to "
     "32776, 557132 to 557133, 32771 to 32773, 557062"},
    {94070501, 6, "622593 to 622597, 32785"},
    {94070502, 61, "32775 to 32776, 589826 to 589846, 589848 to 589849, 819201 to 819234, 819236, 819235"},
    {94111501, 36, "819201 to 819233, 819236, 819234 to 819235"},
    {95111401, 47, "819201 to 819233, 819236, 819234 to 819235, 819237 to 819247"},
    {94102101, 3, "851969 to 851971"},
    {94121201, 42, "589825, 32769 to 32773, 589826 to 589836, 589856, 589838 to 589845, 589852, 589854, "
     "589848 to 589849, 32775 to 32776, 589855, 589853, 589847, 589850, 32778, 589851, 557060, "
     "557062, 32785, 589857"},
    {94121202, 5, "622593 to 622597"},
    {95020301, 43, "589825, 32769 to 32773, 589826 to 589836, 589856, 589838 to 589845, 589852, 589854, "
     "589848 to 589849, 32775 to 32776, 589855, 589853, 589847, 589850, 32778, 589851, 557060, "
     "557062, 32785, 589857 to 589858"},
    {95020302, 6, "622593 to 622598"},
    {95052602, 44, "589825, 32769 to 32773, 589826 to 589836, 589856, 589838 to 589845, 589852, 589854, "
     "589848 to 589849, 32775 to 32776, 589855, 589853, 589847, 589850, 32778, 589851, 557060, "
     "557062, 32785, 589857 to 589858, 32786"},
    {95052601, 15, "622593 to 622607"},
    {95112901, 13, "622593 to 622595, 622598 to 622607"},
    {96013101, 47, "589825, 32769 to 32773, 589826 to 589836, 589856, 589838 to 589845, 589852, 589854, "
     "589848 to 589849, 32775 to 32776, 589855, 589853, 589847, 589850, 32778, 589851, 557060, "
     "557062, 32785, 589857 to 589858, 32786, 589859 to 589861"},
    {96022301, 61, "589825, 32769 to 32773, 32786, 32785, 589857, 32775, 589859, 589832 to 589833, 589830 to "
     "589831, 589836, 884737 to 884751, 720897, 589828 to 589829, 589826 to 589827, 589834 to "
     "589835, 589856, 589838 to 589841, 589844 to 589845, 589852, 589854, 589848 to 589849, "
     "884752, 589853, 589847, 32778, 589851, 557060, 557062, 589850, 589858 to 589861"},
    {96080901, 49, "819201 to 819233, 819236, 819234 to 819235, 819237 to 819247, 819249, 819248"},
    {96090301, 14, "622593 to 622598, 622600 to 622601, 622603 to 622604, 884753 to 884756"},
    {97031201, 58, "32785, 589825, 32779, 32769 to 32773, 589857, 589851, 557060, 557062, 589858, 589850, "
     "32786, 589829, 589831, 589833, 589828, 589830, 589832, 589849, 589841, 589848, 917504, "
     "589834, 589826, 589835 to 589836, 917510, 589827, 589839 to 589840, 589852, 589856, "
     "589854, 589845, 589844, 589842 to 589843, 589853, 589855, 917505 to 917508, 589838, "
     "32776, 589859, 32775, 819245, 917509, 917511 to 917515, 819232"},
    {97012301, 55, "819201 to 819233, 819236, 819234 to 819235, 819237 to 819247, 819249, 819248, 819250 to "
     "819255"},
    {97022102, 1, "32778"},
    {97031002, 55, "819201 to 819231, 819233, 819236, 819234 to 819235, 819237 to 819244, 819246 to 819247, "
     "819249, 819248, 819250 to 819257"},
    {97042801, 65, "32785, 589825, 32779, 32769 to 32773, 589857, 589851, 557060, 557062, 589858, 589850, "
     "32786, 589829, 589831, 589833, 589828, 589830, 589832, 589849, 589841, 589848, 917504, "
     "589834, 589826, 589835 to 589836, 917510, 589827, 589839 to 589840, 589852, 589856, "
     "589854, 589845, 589844, 589842 to 589843, 589853, 589855, 917505 to 917508, 589838, "
     "32776, 589859, 32775, 819245, 917509, 917511 to 917515, 819232, 917520, 917519, 917521, "
     "917517, 917516, 917518, 917522"},
    {97050704, 51, "819201 to 819231, 819233, 819236, 819234 to 819235, 819237 to 819242, 819246 to 819247, "
     "819249, 819248, 819250 to 819255"},
    {97050702, 60, "589825, 32769 to 32773, 589826 to 589833, 917520, 917519, 917521, 917517, 917516, "
     "917518, 589834 to 589836, 589856, 589838 to 589845, 589852, 589854, 589848 to 589849, "
     "32775 to 32776, 589855, 589853, 589847, 917511, 557062, 589850, 917512, 819257, 589858, "
     "32778, 589851, 557060, 32785, 589857, 32786, 589859 to 589861, 819232, 819245, 819243 to "
     "819244"},
    {97050701, 69, "32785, 589825, 32779, 32769 to 32773, 589857, 589851, 557060, 557062, 589858, 589850, "
     "32786, 589829, 589831, 589833, 589828, 589830, 589832, 589849, 589841, 589848, 917504, "
     "589834, 589826, 589835 to 589836, 917510, 589827, 589839 to 589840, 589852, 589856, "
     "589854, 589845, 589844, 589842 to 589843, 589853, 589855, 917505 to 917508, 589838, "
     "32776, 589859, 32775, 819245, 917509, 917511 to 917515, 819232, 917520, 917519, 917521, "
     "917517, 917516, 917518, 917522, 819243 to 819244, 819256 to 819257"},
    {97122201, 14, "622593 to 622595, 622598 to 622608"},
    {98062501, 60, "32769 to 32770, 32785, 32774, 32782 to 32783, 589857, 32771 to 32773, 32778, 557062, "
     "589851, 32786, 720897, 884751, 1572865, 1703936 to 1703939, 1703965, 1703940 to 1703951, "
     "1703967, 1703966, 1703968 to 1703971, 589838, 589830, 589828, 589832, 589831, 589829, "
     "589833, 1703952 to 1703964"},
    {97110501, 87, "1835008 to 1835012, 589856, 589852, 589855, 1835013 to 1835016, 589853, 589848, 917504, "
     "32775 to 32776, 1835017 to 1835020, 884741, 884738, 1835021, 917506, 1835022 to 1835050, "
     "589836, 917510, 1835051 to 1835066, 917511, 557062, 589850, 917512, 819257, 589858, "
     "589851, 557060, 32769, 32786, 32785, 32771 to 32773, 589825"},
    {99121301, 7, "32787 to 32793"},
    {12701, 2, "1703976 to 1703977"},
    {12702, 4, "1703972 to 1703975"},
};

std::vector<int32_t> expandRuns(const std::string& text) {
    std::vector<int32_t> ids;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        const size_t to = item.find(" to ");
        const int32_t first = std::stoi(item);
        const int32_t last = to == std::string::npos ? first : std::stoi(item.substr(to + 4));
        for (int32_t id = first; id <= last; ++id) ids.push_back(id);
    }
    return ids;
}

// Rows whose texts are fixed: the fields the calibration program reads and writes.
const RGDstaticField kFullRows[] = {
    {32780, "missingDataFlag", "Missing Data Flag", "Logical flag indicating that a data record is missing (true/false)", " ", "1E0"},
    {32769, "dateYYMMDD", "DATE", "Observation date", "YYMMDD", "1E0"},
    {32770, "timeHHMMSS", "Time", "Time at center of VORN sky observation period", "HHMMSS", "1E0"},
    {32785, "Time", "Time", "Time at center of VORN sky observation period", "UTC Hours", "1E-4"},
    {32778, "channelNumber", "Channel Number", "VORN instrument data channel number", " ", "1E0"},
    {557060, "coadditionsCount", "Coadditions Count", "Number of complete (forward+backward) interferogram scans in sample average", " ", "1E0"},
    {557062, "sceneMirrorPosition", "Scene Mirror Position", "Instrument scene mirror position identifier", " ", "1E0"},
    {589830, "HBBapexTemp", "HBB Apex Temperature", "Hot blackbody temperature - apex", "K", "1E-3"},
    {819257, "sceneMirPosEncoderDrift", "Scene Mirror Encoder Position Drift", "Difference between actual and ideal motor encoder values for current view; indicative of quality of the mirror positioning.", "steps", "1E0"},
    {622593, "calibrationAmbientTemp", "Calibration Ambient Temperature", "Ambient temperature used in calibration", "K", "1E-3"},
    {622594, "calibrationCBBtemp", "Calibration CBB Temperature", "Cold blackbody temperature used in calibration", "K", "1E-3"},
    {622595, "calibrationHBBtemp", "Calibration HBB Temperature", "Hot blackbody temperature used in calibration", "K", "1E-3"},
    {622598, "calibratedSceneID", "Calibrated Scene Type Identification", "Type of scene that has been calibrated (ASCII character as float)", "", "1E-0"},
    {622599, "ABBtopTempWeight", "Ambient Blackbody top temperature weight", "Weight factor for top used in calculating ambient blackbody temperature average", "/1", "1E-3"},
    {622600, "ABBapexTempWeight", "Ambient Blackbody apex temperature weight", "Weight factor for apex used in calculating ambient blackbody temperature average", "/1", "1E-3"},
    {622601, "ABBbottomTempWeight", "Ambient Blackbody bottom temperature weight", "Weight factor for bottom used in calculating ambient blackbody temperature average", "/1", "1E-3"},
    {622602, "HBBtopTempWeight", "Hot Blackbody top temperature weight", "Weight factor for top used in calculating hot blackbody temperature average", "/1", "1E-3"},
    {622603, "HBBapexTempWeight", "Hot Blackbody apex temperature weight", "Weight factor for apex used in calculating hot blackbody temperature average", "/1", "1E-3"},
    {622604, "HBBbottomTempWeight", "Hot Blackbody bottom temperature weight", "Weight factor for bottom used in calculating hot blackbody temperature average", "/1", "1E-3"},
    {622605, "ABBtempOffset", "Ambient blackbody temperature offset", "Corrective offset for final ambient blackbody average temperature", "K", "1E-3"},
    {622606, "HBBtempOffset", "Hot blackbody temperature offset", "Corrective offset for final hot blackbody average temperature", "K", "1E-3"},
    {622607, "BBcavityFactor", "Blackbody cavity geometry factor", "Blackbody cavity geometry factor", "", "1E-3"},
    {622608, "sceneMirPosEncoderMaxDrift", "Scene Mirror Position Encoder Maximum Drift", "Maximum departure from ideal of the mirror position over the course of all contributing views.  Typically two hot, two ambient, and one scene view are examined.", "steps", "1E-1"},
};

// Every named field identifier of the public header is the dictionary's field of that name,
// and no two names share an identifier.
TEST(FieldNames, EachNamedIdIsTheDictionarysFieldOfThatName) {
    RegisterEverything();
    struct Named {
        int32_t id;
        const char* name;
    };
#define NAMED_FIELD(name, group, number) {FIELD_##name, #name},
    const Named named[] = {RAVLIO_FIELDS(NAMED_FIELD)};
#undef NAMED_FIELD
    std::set<int32_t> seen;
    for (const Named& n : named) {
        SCOPED_TRACE(n.name);
        const RGDstaticField* row = RGDlookupField(n.id);
        ASSERT_NE(row, nullptr);
        EXPECT_STREQ(row->field, n.name);
        EXPECT_TRUE(seen.insert(n.id).second);
    }
}

}  // namespace

TEST(RgdFieldTable, HoldsEveryFieldOnceInTableOrder) {
    ASSERT_EQ(ALLstaticFieldsCount, 387);
    ASSERT_EQ(std::size(ALLstaticFields), 387u);
    const std::vector<std::string> names = namesInTableOrder();
    ASSERT_EQ(names.size(), 387u);
    for (int i = 0; i < ALLstaticFieldsCount; ++i) EXPECT_EQ(names[i], ALLstaticFields[i].field) << "row " << i;
}

TEST(RgdFieldTable, HasNoDuplicateIdentifiersOrNames) {
    std::set<int32_t> ids;
    std::set<std::string> names;
    for (const RGDstaticField& row : ALLstaticFields) {
        EXPECT_TRUE(ids.insert(row.id).second) << row.id;
        EXPECT_TRUE(names.insert(row.field).second) << row.field;
    }
}

TEST(RgdFieldTable, EveryGroupHasItsCountRangeAndEnds) {
    std::map<int32_t, std::vector<const RGDstaticField*>> byGroup;
    for (const RGDstaticField& row : ALLstaticFields) byGroup[groupOf(row.id)].push_back(&row);
    ASSERT_EQ(byGroup.size(), std::size(kGroups));
    for (const Group& g : kGroups) {
        SCOPED_TRACE("group " + std::to_string(g.group));
        const auto& rows = byGroup[g.group];
        ASSERT_EQ(static_cast<int>(rows.size()), g.count);
        for (const RGDstaticField* row : rows) {
            EXPECT_GE(numberOf(row->id), g.lowest) << row->field;
            EXPECT_LE(numberOf(row->id), g.highest) << row->field;
        }
        EXPECT_STREQ(rows.front()->field, g.first);
        EXPECT_STREQ(rows.back()->field, g.last);
    }
}

TEST(RgdFieldTable, EveryGroupUsesItsFirstAndLastNumber) {
    for (const Group& g : kGroups) {
        const std::set<int32_t> ids = allFieldIds();
        EXPECT_TRUE(ids.count(g.group * kGroupBase + g.lowest)) << "group " << g.group;
        EXPECT_TRUE(ids.count(g.group * kGroupBase + g.highest)) << "group " << g.group;
    }
}

TEST(RgdFieldTable, FullRowsHaveTheirExactTexts) {
    for (const RGDstaticField& expected : kFullRows) {
        const RGDstaticField* row = RGDlookupField(expected.id);
        ASSERT_NE(row, nullptr) << expected.id;
        EXPECT_STREQ(row->field, expected.field);
        EXPECT_STREQ(row->shortdesc, expected.shortdesc);
        EXPECT_STREQ(row->longdesc, expected.longdesc);
        EXPECT_STREQ(row->units, expected.units);
        EXPECT_STREQ(row->precision, expected.precision);
    }
}

TEST(RgdFieldTable, EveryRowHasTextsAndADecimalPrecision) {
    for (const RGDstaticField& row : ALLstaticFields) {
        SCOPED_TRACE(row.field);
        ASSERT_NE(row.shortdesc, nullptr);
        ASSERT_NE(row.longdesc, nullptr);
        ASSERT_NE(row.units, nullptr);
        ASSERT_NE(row.precision, nullptr);
        EXPECT_NE(std::string(row.shortdesc), "");
        EXPECT_NE(std::string(row.longdesc), "");
        const std::string precision = row.precision;
        ASSERT_GE(precision.size(), 3u);
        EXPECT_EQ(precision.substr(0, 2), "1E");
        EXPECT_NE(precision.find_first_of("0123456789", 2), std::string::npos);
    }
}

// The identifiers the calibration program asks for in every input record, and those it
// writes into its products, name these fields.
TEST(RgdFieldTable, IdentifiersOtherModulesUseNameTheirFields) {
    const std::pair<int32_t, const char*> used[] = {
        {0x98001, "calibrationAmbientTemp"}, {0x98002, "calibrationCBBtemp"}, {0x98003, "calibrationHBBtemp"},
        {0x800C, "missingDataFlag"}, {0x98006, "calibratedSceneID"}, {0x98007, "ABBtopTempWeight"},
        {0x98008, "ABBapexTempWeight"}, {0x98009, "ABBbottomTempWeight"}, {0x9800A, "HBBtopTempWeight"},
        {0x9800B, "HBBapexTempWeight"}, {0x9800C, "HBBbottomTempWeight"}, {0x9800D, "ABBtempOffset"},
        {0x9800E, "HBBtempOffset"}, {0x9800F, "BBcavityFactor"}, {0x98010, "sceneMirPosEncoderMaxDrift"},
        {0x8001, "dateYYMMDD"}, {0x8002, "timeHHMMSS"}, {0x88006, "sceneMirrorPosition"},
        {0x90005, "ABBtopTemp"}, {0x90007, "ABBapexTemp"}, {0x90009, "ABBbottomTemp"},
        {0x90004, "HBBtopTemp"}, {0x90006, "HBBapexTemp"}, {0x90008, "HBBbottomTemp"},
        {0x90002, "BBsupportStructureTemp"}, {0x800A, "channelNumber"}, {0x88004, "coadditionsCount"},
        {0x8011, "Time"}, {0xC8039, "sceneMirPosEncoderDrift"},
        {0x8003, "Latitude"}, {0x8004, "Longitude"}, {0x8005, "Altitude"}, {0x8006, "Heading"},
        {0x8007, "atmosphericPressure"}, {0x8008, "atmosphericRelativeHumidity"}, {0x800B, "instrumentUnitNumber"},
        {0x800E, "Pitch"}, {0x800F, "Roll"}, {0x88003, "FFOVhalfAngle"}, {0x88020, "QUINTwgt"}, {0x88027, "QUINTan2"},
        {0x88040, "thermistor0"}, {0x88057, "thermistor23"}, {0x80043, "rawDateYYMMDD"}, {0x80001, "parFileDateYYMMDD"},
        {0x8000F, "avgCountsThermistor13"}, {0x80033, "tempStdDevThermistor23"}, {0x8003C, "rawMirrorPositionEncoder"},
        {0x8003B, "engineeringChannel2counts"}, {0x80047, "rawAtmosphericRelativeHumidity"},
    };
    for (const auto& [id, name] : used) {
        const RGDstaticField* row = RGDlookupField(id);
        ASSERT_NE(row, nullptr) << name;
        EXPECT_STREQ(row->field, name);
    }
}

TEST(RgdFieldTable, UnknownIdentifierHasNoRow) {
    EXPECT_EQ(RGDlookupField(32768), nullptr);
    EXPECT_EQ(ASSOClookup(RGDstaticFieldDictionary(), 32768), nullptr);
    EXPECT_EQ(RGDlookupField(0), nullptr);
    EXPECT_EQ(RGDlookupField(-32780), nullptr);
    EXPECT_EQ(RGDlookupField(0x8009), nullptr);  // a raw-header id with no dictionary row
}

TEST(RgdFieldDictionary, MissingDataFlagIdentifierFindsItsRow) {
    const RGDstaticField* row = RGDlookupField(32780);
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->field, "missingDataFlag");
    EXPECT_EQ(row, &ALLstaticFields[0]);
}

TEST(RgdFieldDictionary, EveryRowIsFoundUnderItsIdentifier) {
    for (const RGDstaticField& row : ALLstaticFields)
        EXPECT_EQ(ASSOClookup(RGDstaticFieldDictionary(), row.id), &row) << row.field;
    EXPECT_EQ(RGDstaticFieldDictionary()->N, ALLstaticFieldsCount);
    EXPECT_EQ(RGDstaticFieldDictionary()->numberOfBuckets, 71u);
}

TEST(RgdSubheaderTable, HasEveryLayoutWithItsFieldCountInTableOrder) {
    ASSERT_EQ(ALLsubheadersCount, 41);
    ASSERT_EQ(std::size(ALLsubheaders), std::size(kSubheaderCounts));
    for (int i = 0; i < ALLsubheadersCount; ++i) {
        EXPECT_EQ(ALLsubheaders[i].id, kSubheaderCounts[i].id) << "row " << i;
        EXPECT_EQ(ALLsubheaders[i].fieldCount, kSubheaderCounts[i].fieldCount) << ALLsubheaders[i].id;
    }
}

TEST(RgdSubheaderTable, EveryLayoutListsItsFieldsInHeaderOrder) {
    ASSERT_EQ(std::size(kLayouts), static_cast<size_t>(ALLsubheadersCount));
    for (int i = 0; i < ALLsubheadersCount; ++i) {
        const LayoutText& expected = kLayouts[i];
        SCOPED_TRACE("subheader " + std::to_string(expected.id));
        const std::vector<int32_t> ids = expandRuns(expected.fields);
        ASSERT_EQ(static_cast<int32_t>(ids.size()), expected.fieldCount);
        const RGDsubheader& sh = ALLsubheaders[i];
        ASSERT_EQ(sh.id, expected.id);
        ASSERT_EQ(sh.fieldCount, expected.fieldCount);
        std::vector<int32_t> actual;
        for (int k = 0; k < sh.fieldCount; ++k) actual.push_back(sh.field[k].id);
        EXPECT_EQ(actual, ids);
    }
}

TEST(RgdSubheaderTable, EveryLayoutFieldIsAKnownFloatField) {
    const std::set<int32_t> ids = allFieldIds();
    for (const RGDsubheader& sh : ALLsubheaders) {
        SCOPED_TRACE("subheader " + std::to_string(sh.id));
        ASSERT_NE(sh.field, nullptr);
        for (int k = 0; k < sh.fieldCount; ++k) {
            EXPECT_TRUE(ids.count(sh.field[k].id)) << sh.field[k].id;
            EXPECT_EQ(sh.field[k].format.size, 4);
            EXPECT_EQ(sh.field[k].format.slapsize, 4);
            EXPECT_EQ(sh.field[k].format.type, FLOATINGDATA);
            EXPECT_EQ(sh.field[k].format.scalingFactor, 0);
        }
    }
}

// Layout 96022301 holds 589859 twice (positions 10 and 58 counted from 0; its stated count of 61 includes both);
// the header then has two slots for it and lookups reach the later one. No other layout
// repeats a field.
TEST(RgdSubheaderTable, OnlyLayout96022301RepeatsAField) {
    for (const RGDsubheader& sh : ALLsubheaders) {
        std::vector<int32_t> repeated;
        std::set<int32_t> seen;
        for (int k = 0; k < sh.fieldCount; ++k)
            if (!seen.insert(sh.field[k].id).second) repeated.push_back(sh.field[k].id);
        if (sh.id == 96022301)
            EXPECT_EQ(repeated, std::vector<int32_t>{589859});
        else
            EXPECT_TRUE(repeated.empty()) << sh.id;
    }
    const RGDsubheader* sh = RGDlookupSubheader(96022301);
    ASSERT_NE(sh, nullptr);
    EXPECT_EQ(sh->field[10].id, 589859);
    EXPECT_EQ(sh->field[58].id, 589859);
}

TEST(RgdSubheaderTable, RawLayoutExpandsItsRunsInOrder) {
    const RGDsubheader* sh = RGDlookupSubheader(94011901);
    ASSERT_NE(sh, nullptr);
    ASSERT_EQ(sh->fieldCount, 94);
    EXPECT_EQ(sh->field[0].id, 32779);
    EXPECT_EQ(sh->field[3].id, 524351);
    EXPECT_EQ(sh->field[5].id, 524353);
    EXPECT_EQ(sh->field[8].id, 557120);
    EXPECT_EQ(sh->field[31].id, 557143);
    EXPECT_EQ(sh->field[87].id, 524348);
    EXPECT_EQ(sh->field[93].id, 524347);
}

TEST(RgdSubheaderDictionary, BaseSubheaderHasTheMissingDataFlagOnly) {
    const RGDsubheader* sh = RGDlookupSubheader(RGDbaseSubheaderId);
    ASSERT_NE(sh, nullptr);
    EXPECT_EQ(sh->id, 94020101);
    ASSERT_EQ(sh->fieldCount, 1);
    EXPECT_EQ(sh->field[0].id, 32780);
}

TEST(RgdSubheaderDictionary, CalibrationSubheaderHasFourteenFieldsIn56Bytes) {
    const RGDsubheader* sh = RGDlookupSubheader(97122201);
    ASSERT_NE(sh, nullptr);
    EXPECT_EQ(RGDcalibrationSubheaderId, 97122201);
    const std::vector<int32_t> expected = {622593, 622594, 622595, 622598, 622599, 622600, 622601,
                                           622602, 622603, 622604, 622605, 622606, 622607, 622608};
    ASSERT_EQ(sh->fieldCount, 14);
    int bytes = 0;
    for (int k = 0; k < sh->fieldCount; ++k) {
        EXPECT_EQ(sh->field[k].id, expected[k]) << "field " << k;
        bytes += sh->field[k].format.size;
    }
    EXPECT_EQ(bytes, 56);
}

TEST(RgdSubheaderDictionary, EverySubheaderIsFoundUnderItsIdentifier) {
    for (const RGDsubheader& sh : ALLsubheaders) EXPECT_EQ(RGDlookupSubheader(sh.id), &sh) << sh.id;
    EXPECT_EQ(RGDlookupSubheader(32780), nullptr);
    EXPECT_EQ(RGDlookupSubheader(12703), nullptr);
    EXPECT_EQ(RGDsubheaderDictionary()->N, ALLsubheadersCount);
    EXPECT_EQ(RGDsubheaderDictionary()->numberOfBuckets, 71u);
}

TEST(RgdRegistration, RegisteringAgainChangesNothing) {
    RegisterEverything();
    Associations* fields = RGDstaticFieldDictionary();
    Associations* subheaders = RGDsubheaderDictionary();
    RegisterEverything();
    RegisterRGDFields();
    RegisterSubheaders();
    EXPECT_EQ(RGDstaticFieldDictionary(), fields);
    EXPECT_EQ(RGDsubheaderDictionary(), subheaders);
    EXPECT_EQ(fields->N, ALLstaticFieldsCount);
    EXPECT_EQ(subheaders->N, ALLsubheadersCount);
    EXPECT_NE(fields, subheaders);
}

TEST(RgdRegistration, RevisionTextIsOneLine) {
    const std::string revision = RGDdictionaryRevision;
    EXPECT_FALSE(revision.empty());
    EXPECT_EQ(revision.find_first_of("\r\n"), std::string::npos);
    EXPECT_LT(revision.size(), 80u);
}
