// The RGD metadata field dictionary: every known header field with its texts, every known
// record-header subheader layout, and the two process-wide dictionaries built from them.
#include "rgdstruc.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <new>
#include <vector>

#include "ravlio/associa.h"

// ---- Field table --------------------------------------------------------------------------
//
// Identifier = 32768 * group + number within the group. Groups and the numbers they use:
//   1 (32768): 22 fields, 1 to 25        16 (524288): 69 fields, 1 to 71
//  17 (557056): 35 fields, 3 to 87       18 (589824): 37 fields, 1 to 37
//  19 (622592): 16 fields, 1 to 16       21 (688128): 1 field, 1
//  22 (720896): 4 fields, 1 to 4         24 (786432): 2 fields, 1 to 2
//  25 (819200): 57 fields, 1 to 57       26 (851968): 3 fields, 1 to 3
//  27 (884736): 20 fields, 1 to 20       28 (917504): 19 fields, 0 to 18
//  48 (1572864): 1 field, 1              52 (1703936): 42 fields, 0 to 41
//  56 (1835008): 59 fields, 0 to 58
// Rows are not sorted by identifier; no identifier occurs twice. Where a row's number within
// its group is not fixed by another reader's map or a subheader layout, the comment above it
// says how it was chosen. Texts are never null; "" and " " mark dimensionless fields.

constexpr RGDstaticField ALLstaticFields[] = {
    {32780, "missingDataFlag", "Missing Data Flag", "Logical flag indicating that a data record is missing (true/false)", " ", "1E0"},
    {589825, "VORNunitNumber", "VORN Unit Number", "Serial number of the VORN instrument unit", " ", "1E0"},
    {32769, "dateYYMMDD", "DATE", "Observation date", "YYMMDD", "1E0"},
    {32770, "timeHHMMSS", "Time", "Time at center of VORN sky observation period", "HHMMSS", "1E0"},
    {32785, "Time", "Time", "Time at center of VORN sky observation period", "UTC Hours", "1E-4"},
    {32771, "Latitude", "Latitude", "Site latitude in degrees north", "degrees N", "1E-3"},
    {32772, "Longitude", "Longitude", "Site longitude in degrees east", "degrees E", "1E-3"},
    {32773, "Altitude", "Altitude", "Site altitude above mean sea level", "m", "1E0"},
    // group 1: 18, the one number the other group 1 rows leave
    {32786, "JulianDay", "Julian Day", "Day of the year at center of the observation period, with fraction of the day", "days", "1E-5"},
    // group 1: subheader 99121301 (19 to 25) in table order
    {32787, "refTimeUsec", "Reference Time Microseconds", "Microseconds within the second of the record's reference time", "us", "1E0"},
    {32788, "refTimeSec", "Reference Time Seconds", "Seconds since midnight (UTC) of the record's reference time", "s", "1E0"},
    {32789, "refTimeDay", "Reference Time Day", "Day of the month of the record's reference time", "day", "1E0"},
    {32790, "refTimeMonth", "Reference Time Month", "Month of the record's reference time", "month", "1E0"},
    {32791, "refTimeYear", "Reference Time Year", "Year of the record's reference time", "year", "1E0"},
    {32792, "refTimeSpanUsec", "Reference Time Span Microseconds", "Microseconds part of the time span covered by the record", "us", "1E0"},
    {32793, "refTimeSpanSec", "Reference Time Span Seconds", "Whole seconds of the time span covered by the record", "s", "1E0"},
    {557060, "coadditionsCount", "Coadditions Count", "Number of complete (forward+backward) interferogram scans in sample average", " ", "1E0"},
    {557062, "sceneMirrorPosition", "Scene Mirror Position", "Instrument scene mirror position identifier", " ", "1E0"},
    {589826, "BBsupportStructureTemp", "BB Support Structure Temperature", "Temperature of the blackbody support structure", "K", "1E-3"},
    // group 18: 3, between its table neighbours 2 and 4
    {589827, "fixed12KohmResistor", "Fixed 12 Kohm Resistor", "Equivalent temperature of the fixed 12 kilohm reference resistor", "K", "1E-3"},
    {589828, "HBBtopTemp", "HBB Top Temperature", "Hot blackbody temperature - top", "K", "1E-3"},
    {589829, "ABBtopTemp", "ABB Top Temperature", "Ambient blackbody temperature - top", "K", "1E-3"},
    {589830, "HBBapexTemp", "HBB Apex Temperature", "Hot blackbody temperature - apex", "K", "1E-3"},
    {589831, "ABBapexTemp", "ABB Apex Temperature", "Ambient blackbody temperature - apex", "K", "1E-3"},
    {589832, "HBBbottomTemp", "HBB Bottom Temperature", "Hot blackbody temperature - bottom", "K", "1E-3"},
    {589833, "ABBbottomTemp", "ABB Bottom Temperature", "Ambient blackbody temperature - bottom", "K", "1E-3"},
    // group 18: 10 to 25 in table order (the run 2 to 25 of subheader 94012701)
    {589834, "interferometerSecondPortTemp", "Interferometer Second Port Temperature", "Temperature of the interferometer second input port", "K", "1E-3"},
    {589835, "airNearBBsTemp", "Air Near BBs Temperature", "Temperature of the air near the blackbodies", "K", "1E-3"},
    {589836, "mirrorMotorTemp", "Mirror Motor Temperature", "Temperature of the scene mirror motor", "K", "1E-3"},
    {589837, "dewarTemp", "Dewar Temperature", "Temperature of the detector dewar", "K", "1E-3"},
    {589838, "coolerExpanderTemp", "Cooler Expander Temperature", "Temperature of the detector cooler expander", "K", "1E-3"},
    {589839, "spareTemp", "Spare Temperature", "Spare thermistor channel", "K", "1E-3"},
    {589840, "BBcontroller1temp", "BB Controller 1 Temperature", "Temperature of blackbody controller 1", "K", "1E-3"},
    {589841, "BBcontroller2temp", "BB Controller 2 Temperature", "Temperature of blackbody controller 2", "K", "1E-3"},
    {589842, "fixed97KohmResistor", "Fixed 97 Kohm Resistor", "Equivalent temperature of the fixed 97 kilohm reference resistor", "K", "1E-3"},
    {589843, "motorDriverTemp", "Motor Driver Temperature", "Temperature of the scene mirror motor driver", "K", "1E-3"},
    {589844, "SCEtemp", "SCE Temperature", "Temperature of the signal conditioning electronics", "K", "1E-3"},
    {589845, "computerTemp", "Computer Temperature", "Temperature of the instrument computer", "K", "1E-3"},
    {589846, "rackAmbientTemp", "Rack Ambient Temperature", "Ambient temperature in the electronics rack", "K", "1E-3"},
    {589847, "coolerCompressorTemp", "Cooler Compressor Temperature", "Temperature of the detector cooler compressor", "K", "1E-3"},
    {589848, "coolerPowerSupplyTemp", "Cooler Power Supply Temperature", "Temperature of the detector cooler power supply", "K", "1E-3"},
    {589849, "outsideAirTemp", "Outside Air Temperature", "Temperature of the outside air", "K", "1E-3"},
    // group 18: 32, the layouts list it among the fixed reference resistors
    {589856, "fixed2500ohmResistor", "Fixed 2500 ohm Resistor", "Equivalent temperature of the fixed 2500 ohm reference resistor", "K", "1E-3"},
    {32775, "atmosphericPressure", "Atmospheric Pressure", "Atmospheric pressure at the site", "mb", "1E-1"},
    {32776, "atmosphericRelativeHumidity", "Atmospheric Relative Humidity", "Relative humidity of the air at the site", "%", "1E-1"},
    // group 18: 28 to 31 in table order
    {589852, "detectorTemp", "Detector Temperature", "Temperature of the infrared detector", "K", "1E-3"},
    {589853, "coolerCurrent", "Cooler Current", "Electric current drawn by the detector cooler", "A", "1E-3"},
    {589854, "LN2fillLineTemp", "LN2 Fill Line Temperature", "Temperature of the liquid nitrogen fill line", "K", "1E-3"},
    {589855, "hatchIndicator", "Hatch Indicator", "State of the instrument hatch (open/closed indicator)", " ", "1E0"},
    // group 18: 26, the layouts keep it beside the scene mirror fields
    {589850, "sceneMirPosEncoder", "Scene Mirror Position Encoder", "Scene mirror motor encoder value for the current view", "steps", "1E0"},
    {32778, "channelNumber", "Channel Number", "VORN instrument data channel number", " ", "1E0"},
    {622593, "calibrationAmbientTemp", "Calibration Ambient Temperature", "Ambient temperature used in calibration", "K", "1E-3"},
    {622594, "calibrationCBBtemp", "Calibration CBB Temperature", "Cold blackbody temperature used in calibration", "K", "1E-3"},
    {622595, "calibrationHBBtemp", "Calibration HBB Temperature", "Hot blackbody temperature used in calibration", "K", "1E-3"},
    // group 19: 4 and 5 in table order
    {622596, "calibrationCBBemissivity", "Calibration CBB Emissivity", "Cold blackbody emissivity used in calibration", " ", "1E-4"},
    {622597, "calibrationHBBemissivity", "Calibration HBB Emissivity", "Hot blackbody emissivity used in calibration", " ", "1E-4"},
    {557059, "FFOVhalfAngle", "Field of View Half Angle", "Half angle of the instrument's finite field of view", "radians", "1E-5"},
    {688129, "numberOfTerms", "Number of Terms", "Number of terms used in the finite field of view correction", " ", "1E0"},
    // group 22: 1 to 4 in table order
    {720897, "originalLaserWavenumber", "Original Laser Wavenumber", "Laser wavenumber of the interferogram as sampled", "cm-1", "1E-4"},
    {720898, "outputLaserWavenumber", "Output Laser Wavenumber", "Laser wavenumber of the interferogram after resampling", "cm-1", "1E-4"},
    {720899, "originalInterferogramSize", "Original Interferogram Size", "Number of points of the interferogram as sampled", "points", "1E0"},
    {720900, "expandedInterferogramSize", "Expanded Interferogram Size", "Number of points of the interferogram after expansion", "points", "1E0"},
    // group 24: 1 and 2 in table order
    {786433, "apodizationLength", "Apodization Length", "Length of the apodization function", "points", "1E0"},
    {786434, "apodizationFunction", "Apodization Function", "Identifier of the apodization function applied", " ", "1E0"},
    {557088, "QUINTwgt", "Nonlinearity-wgt", "Nonlinearity correction parameter wgt used by QUINT", " ", "1E0"},
    {557089, "QUINTeff", "Nonlinearity-eff", "Nonlinearity correction parameter eff used by QUINT", " ", "1E-3"},
    {557090, "QUINTfback", "Nonlinearity-fback", "Nonlinearity correction parameter fback used by QUINT", " ", "1E-3"},
    {557091, "QUINThzpd0", "Nonlinearity-hzpd0", "Nonlinearity correction parameter hzpd0 used by QUINT", " ", "1E-2"},
    {557092, "QUINTczpd0", "Nonlinearity-czpd0", "Nonlinearity correction parameter czpd0 used by QUINT", " ", "1E-2"},
    {557093, "QUINTnmax", "Nonlinearity-nmax", "Nonlinearity correction parameter nmax used by QUINT", " ", "1E0"},
    {557094, "QUINTan1", "Nonlinearity-an1", "Nonlinearity correction parameter an1 used by QUINT", " ", "1E-2"},
    {557095, "QUINTan2", "Nonlinearity-an2", "Nonlinearity correction parameter an2 used by QUINT", " ", "1E-9"},
    // group 25: 1 to 32 in table order
    {819201, "surfaceLayerRadiance675_680", "Surface Layer Radiance 675-680 cm-1", "Mean sky view radiance averaged over 675-680 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819202, "elevatedLayerRadiance700_705", "Elevated Layer Radiance 700-705 cm-1", "Mean sky view radiance averaged over 700-705 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819203, "longwaveWindowRadiance985_990", "Longwave Window Radiance 985-990 cm-1", "Mean sky view radiance averaged over 985-990 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819204, "surfaceLayerRadiance2295_2300", "Surface Layer Radiance 2295-2300 cm-1", "Mean sky view radiance averaged over 2295-2300 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819205, "elevatedLayerRadiance2282_2287", "Elevated Layer Radiance 2282-2287 cm-1", "Mean sky view radiance averaged over 2282-2287 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819206, "shortwaveWindowRadiance2510_2515", "Shortwave Window Radiance 2510-2515 cm-1", "Mean sky view radiance averaged over 2510-2515 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819207, "surfaceLayerAirTemp675_680", "Surface Layer Air Temperature 675-680 cm-1", "Brightness temperature of the mean sky view radiance over 675-680 cm-1", "K", "1E-2"},
    {819208, "elevatedLayerAirTemp700_705", "Elevated Layer Air Temperature 700-705 cm-1", "Brightness temperature of the mean sky view radiance over 700-705 cm-1", "K", "1E-2"},
    {819209, "longwaveWindowAirTemp985_990", "Longwave Window Air Temperature 985-990 cm-1", "Brightness temperature of the mean sky view radiance over 985-990 cm-1", "K", "1E-2"},
    {819210, "surfaceLayerAirTemp2295_2300", "Surface Layer Air Temperature 2295-2300 cm-1", "Brightness temperature of the mean sky view radiance over 2295-2300 cm-1", "K", "1E-2"},
    {819211, "elevatedLayerAirTemp2282_2287", "Elevated Layer Air Temperature 2282-2287 cm-1", "Brightness temperature of the mean sky view radiance over 2282-2287 cm-1", "K", "1E-2"},
    {819212, "shortwaveWindowAirTemp2510_2515", "Shortwave Window Air Temperature 2510-2515 cm-1", "Brightness temperature of the mean sky view radiance over 2510-2515 cm-1", "K", "1E-2"},
    {819213, "skyViewStdDevRadiance675_680", "Sky View Radiance Std Dev 675-680 cm-1", "Standard deviation of the sky view radiance over 675-680 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819214, "skyViewStdDevRadiance700_705", "Sky View Radiance Std Dev 700-705 cm-1", "Standard deviation of the sky view radiance over 700-705 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819215, "skyViewStdDevRadiance985_990", "Sky View Radiance Std Dev 985-990 cm-1", "Standard deviation of the sky view radiance over 985-990 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819216, "skyViewStdDevRadiance2295_2300", "Sky View Radiance Std Dev 2295-2300 cm-1", "Standard deviation of the sky view radiance over 2295-2300 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819217, "skyViewStdDevRadiance2282_2287", "Sky View Radiance Std Dev 2282-2287 cm-1", "Standard deviation of the sky view radiance over 2282-2287 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819218, "skyViewStdDevRadiance2510_2515", "Sky View Radiance Std Dev 2510-2515 cm-1", "Standard deviation of the sky view radiance over 2510-2515 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819219, "HBBviewStdDevRadiance675_680", "HBB View Radiance Std Dev 675-680 cm-1", "Standard deviation of the hot blackbody view radiance over 675-680 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819220, "HBBviewStdDevRadiance700_705", "HBB View Radiance Std Dev 700-705 cm-1", "Standard deviation of the hot blackbody view radiance over 700-705 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819221, "HBBviewStdDevRadiance985_990", "HBB View Radiance Std Dev 985-990 cm-1", "Standard deviation of the hot blackbody view radiance over 985-990 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819222, "HBBviewStdDevRadiance2295_2300", "HBB View Radiance Std Dev 2295-2300 cm-1", "Standard deviation of the hot blackbody view radiance over 2295-2300 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819223, "HBBviewStdDevRadiance2282_2287", "HBB View Radiance Std Dev 2282-2287 cm-1", "Standard deviation of the hot blackbody view radiance over 2282-2287 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819224, "HBBviewStdDevRadiance2510_2515", "HBB View Radiance Std Dev 2510-2515 cm-1", "Standard deviation of the hot blackbody view radiance over 2510-2515 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819225, "ABBviewStdDevRadiance675_680", "ABB View Radiance Std Dev 675-680 cm-1", "Standard deviation of the ambient blackbody view radiance over 675-680 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819226, "ABBviewStdDevRadiance700_705", "ABB View Radiance Std Dev 700-705 cm-1", "Standard deviation of the ambient blackbody view radiance over 700-705 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819227, "ABBviewStdDevRadiance985_990", "ABB View Radiance Std Dev 985-990 cm-1", "Standard deviation of the ambient blackbody view radiance over 985-990 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819228, "ABBviewStdDevRadiance2295_2300", "ABB View Radiance Std Dev 2295-2300 cm-1", "Standard deviation of the ambient blackbody view radiance over 2295-2300 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819229, "ABBviewStdDevRadiance2282_2287", "ABB View Radiance Std Dev 2282-2287 cm-1", "Standard deviation of the ambient blackbody view radiance over 2282-2287 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819230, "ABBviewStdDevRadiance2510_2515", "ABB View Radiance Std Dev 2510-2515 cm-1", "Standard deviation of the ambient blackbody view radiance over 2510-2515 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819231, "twoMinuteNoiseEstimateFactor", "Two Minute Noise Estimate Factor", "Factor converting the sample standard deviation to a two minute noise estimate", " ", "1E-3"},
    {819232, "hatchOpen", "Hatch Open", "Flag: the instrument hatch was open during the view (1 true, 0 false)", " ", "1E0"},
    {819233, "HBBstable", "HBB Stable", "Flag: the hot blackbody temperature was stable (1 true, 0 false)", " ", "1E0"},
    // group 25: 33 to 36 in the order of their first layout (33, 36, 34, 35)
    {819236, "SWskyNENacceptable", "SW Sky NEN Acceptable", "Flag: the shortwave sky noise equivalent radiance is below its limit (1 true, 0 false)", " ", "1E0"},
    {819234, "LWskyNENacceptable", "LW Sky NEN Acceptable", "Flag: the longwave sky noise equivalent radiance is below its limit (1 true, 0 false)", " ", "1E0"},
    {819235, "dataAvailable", "Data Available", "Flag: the summary values could be computed for this record (1 true, 0 false)", " ", "1E0"},
    // group 18: 33, the layouts keep it beside the time fields
    {589857, "sceneViewDuration", "Scene View Duration", "Duration of the scene view", "s", "1E-1"},
    // group 26: 1 to 3 in table order
    {851969, "nonlinearityCoefficient", "Nonlinearity Coefficient", "Detector nonlinearity correction coefficient", " ", "1E-6"},
    {851970, "nonlinearityCoefficientStDev", "Nonlinearity Coefficient Std Dev", "Standard deviation of the detector nonlinearity correction coefficient", " ", "1E-6"},
    {851971, "nonlinearitySampleCount", "Nonlinearity Sample Count", "Number of samples used to determine the nonlinearity coefficient", " ", "1E0"},
    // group 18: 27, the layouts keep it beside channel number and coadditions
    {589851, "systemReleaseNumber", "System Release Number", "VORN system software release number", " ", "1E-1"},
    // group 18: 34, the layouts keep it beside the scene mirror fields
    {589858, "sceneMirPosCount", "Scene Mirror Position Count", "Number of scene mirror positions in the observation cycle", " ", "1E0"},
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
    // group 25: 37 to 47 in table order (the eleven fields subheader 95111401 adds)
    {819237, "HBBtempDrift", "HBB Temperature Drift", "Drift of the hot blackbody temperature over the calibration period", "K", "1E-3"},
    {819238, "HBBtempDriftLimit", "HBB Temperature Drift Limit", "Largest acceptable drift of the hot blackbody temperature", "K", "1E-3"},
    {819239, "LWskyNEN", "LW Sky NEN", "Longwave sky noise equivalent radiance", "mW/(m2 sr cm-1)", "1E-3"},
    {819240, "LWskyNENlimit", "LW Sky NEN Limit", "Largest acceptable longwave sky noise equivalent radiance", "mW/(m2 sr cm-1)", "1E-3"},
    {819241, "SWskyNEN", "SW Sky NEN", "Shortwave sky noise equivalent radiance", "mW/(m2 sr cm-1)", "1E-4"},
    {819242, "SWskyNENlimit", "SW Sky NEN Limit", "Largest acceptable shortwave sky noise equivalent radiance", "mW/(m2 sr cm-1)", "1E-4"},
    {819243, "HBBmaxTempDiff", "HBB Maximum Temperature Difference", "Largest difference between the hot blackbody thermistor temperatures", "K", "1E-3"},
    {819244, "ABBmaxTempDiff", "ABB Maximum Temperature Difference", "Largest difference between the ambient blackbody thermistor temperatures", "K", "1E-3"},
    {819245, "maxSampleStdDev", "Maximum Sample Std Dev", "Largest standard deviation of the blackbody thermistor samples", "K", "1E-3"},
    {819246, "LW_HBB_NEN", "LW HBB NEN", "Longwave noise equivalent radiance of the hot blackbody view", "mW/(m2 sr cm-1)", "1E-3"},
    {819247, "SW_HBB_NEN", "SW HBB NEN", "Shortwave noise equivalent radiance of the hot blackbody view", "mW/(m2 sr cm-1)", "1E-4"},
    // group 18: 35 to 37 in table order
    {589859, "interferometerEnclosureRelativeHumidity", "Interferometer Enclosure Relative Humidity", "Relative humidity inside the interferometer enclosure", "%", "1E-1"},
    {589860, "stdDevInterferometerEnclosureRelativeHumidity", "Interferometer Enclosure Relative Humidity Std Dev", "Standard deviation of the relative humidity inside the interferometer enclosure", "%", "1E-2"},
    {589861, "avgCountsInterferometerEnclosureRelativeHumidity", "Interferometer Enclosure Relative Humidity Counts", "Average raw counts of the interferometer enclosure relative humidity sensor", "counts", "1E-1"},
    // group 27: 1 to 20 in table order
    {884737, "opticsPlateTemp", "Optics Plate Temperature", "Temperature of the optics plate", "K", "1E-3"},
    {884738, "laserTubeHousingExtTemp", "Laser Tube Housing External Temperature", "External temperature of the laser tube housing", "K", "1E-3"},
    {884739, "laserFringeAmpVoltage", "Laser Fringe Amplitude Voltage", "Amplitude of the laser fringe signal", "V", "1E-3"},
    {884740, "motorEncoderTemp", "Motor Encoder Temperature", "Temperature of the interferometer motor encoder", "K", "1E-3"},
    {884741, "beamsplitterBaseTemp", "Beamsplitter Base Temperature", "Temperature of the beamsplitter base", "K", "1E-3"},
    {884742, "detectorDewarExtTemp", "Detector Dewar External Temperature", "External temperature of the detector dewar", "K", "1E-3"},
    {884743, "interferometerDriveMotorTemp", "Interferometer Drive Motor Temperature", "Temperature of the interferometer drive motor", "K", "1E-3"},
    {884744, "controlBoxCardTemp", "Control Box Card Temperature", "Temperature of the control box electronics card", "K", "1E-3"},
    {884745, "ZPDindex", "ZPD Index", "Index of the zero path difference point in the interferogram", "points", "1E0"},
    {884746, "reducedGainPointCount", "Reduced Gain Point Count", "Number of interferogram points recorded with reduced gain", "points", "1E0"},
    {884747, "gainFactor", "Gain Factor", "Gain factor applied to the reduced gain points", " ", "1E-3"},
    {884748, "discardedPointCount", "Discarded Point Count", "Number of interferogram points discarded", "points", "1E0"},
    {884749, "maxBBinterferogramLength", "Maximum BB Interferogram Length", "Largest number of points of a blackbody interferogram", "points", "1E0"},
    {884750, "maxSceneInterferogramLength", "Maximum Scene Interferogram Length", "Largest number of points of a scene interferogram", "points", "1E0"},
    {884751, "reductionFactor", "Reduction Factor", "Interferogram data reduction factor", " ", "1E0"},
    {884752, "detectorCooledVoltage", "Detector Cooled Voltage", "Detector voltage indicating the detector is cooled", "V", "1E-3"},
    {884753, "ZPDapodizationFunctionReference", "ZPD Apodization Function Reference", "Identifier of the apodization function applied around zero path difference", " ", "1E0"},
    {884754, "ZPDapodizationFunctionHalfWidth", "ZPD Apodization Function Half Width", "Half width of the apodization function around zero path difference", "points", "1E0"},
    {884755, "ZPDapodizationFunctionSegmentCount", "ZPD Apodization Function Segment Count", "Number of segments of the apodization function around zero path difference", " ", "1E0"},
    {884756, "middleSegmentHalfWidth", "Middle Segment Half Width", "Half width of the middle segment of the apodization function", "points", "1E0"},
    // group 25: 48 and 49 in the order of their first layout (49, 48)
    {819249, "LWresponsivity", "LW Responsivity", "Mean longwave instrument responsivity", "counts/(mW/(m2 sr cm-1))", "1E-3"},
    {819248, "SWresponsivity", "SW Responsivity", "Mean shortwave instrument responsivity", "counts/(mW/(m2 sr cm-1))", "1E-3"},
    // group 28: 0 to 11 in table order
    {917504, "airNearInterferometerTemp", "Air Near Interferometer Temperature", "Temperature of the air near the interferometer", "K", "1E-3"},
    {917505, "rainSensorIntensity", "Rain Sensor Intensity", "Signal of the rain sensor", " ", "1E-3"},
    {917506, "interferometerWindowTemp", "Interferometer Window Temperature", "Temperature of the interferometer window", "K", "1E-3"},
    {917507, "frontEndFanAirUnheatedTemp", "Front End Fan Air Unheated Temperature", "Temperature of the front end fan air before heating", "K", "1E-3"},
    {917508, "frontEndFanAirHeatedTemp", "Front End Fan Air Heated Temperature", "Temperature of the front end fan air after heating", "K", "1E-3"},
    {917509, "sunSensorIntensity", "Sun Sensor Intensity", "Signal of the sun sensor", " ", "1E-3"},
    {917510, "sceneMirrorTemp", "Scene Mirror Temperature", "Temperature of the scene mirror", "K", "1E-3"},
    // group 25: 50 to 55 in table order (the six fields subheader 97012301 adds)
    {819250, "skyViewImaginaryRadiance675_680", "Sky View Imaginary Radiance 675-680 cm-1", "Mean imaginary part of the calibrated sky view radiance over 675-680 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819251, "skyViewImaginaryRadiance700_705", "Sky View Imaginary Radiance 700-705 cm-1", "Mean imaginary part of the calibrated sky view radiance over 700-705 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819252, "skyViewImaginaryRadiance985_990", "Sky View Imaginary Radiance 985-990 cm-1", "Mean imaginary part of the calibrated sky view radiance over 985-990 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819253, "skyViewImaginaryRadiance2295_2300", "Sky View Imaginary Radiance 2295-2300 cm-1", "Mean imaginary part of the calibrated sky view radiance over 2295-2300 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819254, "skyViewImaginaryRadiance2282_2287", "Sky View Imaginary Radiance 2282-2287 cm-1", "Mean imaginary part of the calibrated sky view radiance over 2282-2287 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {819255, "skyViewImaginaryRadiance2510_2515", "Sky View Imaginary Radiance 2510-2515 cm-1", "Mean imaginary part of the calibrated sky view radiance over 2510-2515 cm-1", "mW/(m2 sr cm-1)", "1E-3"},
    {917511, "sceneMirrorAngle", "Scene Mirror Angle", "Pointing angle of the scene mirror", "degrees", "1E-2"},
    {917512, "sceneMirrorMotorStep", "Scene Mirror Motor Step", "Scene mirror motor step position", "steps", "1E0"},
    // group 25: 56, just before sceneMirPosEncoderDrift (57) as in the table
    {819256, "frontEndFanAirTempDiff", "Front End Fan Air Temperature Difference", "Difference between the heated and unheated front end fan air temperatures", "K", "1E-3"},
    {819257, "sceneMirPosEncoderDrift", "Scene Mirror Encoder Position Drift", "Difference between actual and ideal motor encoder values for current view; indicative of quality of the mirror positioning.", "steps", "1E0"},
    {917513, "opticsCompartmentRelativeHumidity", "Optics Compartment Relative Humidity", "Relative humidity inside the optics compartment", "%", "1E-1"},
    {917514, "maxPitch", "Maximum Pitch", "Largest platform pitch angle during the view", "degrees", "1E-2"},
    {917515, "maxRoll", "Maximum Roll", "Largest platform roll angle during the view", "degrees", "1E-2"},
    // group 28: 12 to 17 in the order of their first layout (16, 15, 17, 13, 12, 14)
    {917520, "NBBtopTemp", "NBB Top Temperature", "Blackbody N temperature - top", "K", "1E-3"},
    {917519, "IBBtopTemp", "IBB Top Temperature", "Blackbody I temperature - top", "K", "1E-3"},
    {917521, "NBBapexTemp", "NBB Apex Temperature", "Blackbody N temperature - apex", "K", "1E-3"},
    {917517, "IBBapexTemp", "IBB Apex Temperature", "Blackbody I temperature - apex", "K", "1E-3"},
    {917516, "NBBbottomTemp", "NBB Bottom Temperature", "Blackbody N temperature - bottom", "K", "1E-3"},
    {917518, "IBBbottomTemp", "IBB Bottom Temperature", "Blackbody I temperature - bottom", "K", "1E-3"},
    {917522, "positionFixAge", "Position Fix Age", "Time since the last navigation position fix", "s", "1E0"},
    // group 56: 0 to 58 in table order
    {1835008, "calibrationZero", "Calibration Zero", "Zero reference reading of the housekeeping converter", "counts", "1E0"},
    {1835009, "calibrationVREF", "Calibration VREF", "Voltage reference reading of the housekeeping converter", "V", "1E-4"},
    {1835010, "fixed240KohmResistor", "Fixed 240 Kohm Resistor", "Equivalent temperature of the fixed 240 kilohm reference resistor", "K", "1E-3"},
    {1835011, "fixed30KohmResistor", "Fixed 30 Kohm Resistor", "Equivalent temperature of the fixed 30 kilohm reference resistor", "K", "1E-3"},
    {1835012, "fixed2KohmResistor", "Fixed 2 Kohm Resistor", "Equivalent temperature of the fixed 2 kilohm reference resistor", "K", "1E-3"},
    {1835013, "extwavePreampVoltage", "Extwave Preamp Voltage", "Output voltage of the extwave detector preamplifier", "V", "1E-3"},
    {1835014, "longwavePreampVoltage", "Longwave Preamp Voltage", "Output voltage of the longwave detector preamplifier", "V", "1E-3"},
    {1835015, "midwavePreampVoltage", "Midwave Preamp Voltage", "Output voltage of the midwave detector preamplifier", "V", "1E-3"},
    {1835016, "shortwavePreampVoltage", "Shortwave Preamp Voltage", "Output voltage of the shortwave detector preamplifier", "V", "1E-3"},
    {1835017, "opticsBenchTemp", "Optics Bench Temperature", "Temperature of the optics bench", "K", "1E-3"},
    {1835018, "apertureStopTemp", "Aperture Stop Temperature", "Temperature of the aperture stop", "K", "1E-3"},
    {1835019, "interferometerMotorTemp", "Interferometer Motor Temperature", "Temperature of the interferometer motor", "K", "1E-3"},
    {1835020, "interferometerScanMirrorStructureTemp", "Interferometer Scan Mirror Structure Temperature", "Temperature of the interferometer scan mirror structure", "K", "1E-3"},
    {1835021, "detectorPreampElectronicsTemp", "Detector Preamp Electronics Temperature", "Temperature of the detector preamplifier electronics", "K", "1E-3"},
    {1835022, "decimationType", "Decimation Type", "Identifier of the interferogram decimation applied", " ", "1E0"},
    {1835023, "controlDSPtemp", "Control DSP Temperature", "Temperature of the control signal processor", "K", "1E-3"},
    {1835024, "scienceDSPtemp", "Science DSP Temperature", "Temperature of the science signal processor", "K", "1E-3"},
    {1835025, "unassignedElectronicsTemp1", "Unassigned Electronics Temperature 1", "Unassigned electronics thermistor channel 1", "K", "1E-3"},
    {1835026, "unassignedElectronicsTemp2", "Unassigned Electronics Temperature 2", "Unassigned electronics thermistor channel 2", "K", "1E-3"},
    {1835027, "unassignedElectronicsTemp3", "Unassigned Electronics Temperature 3", "Unassigned electronics thermistor channel 3", "K", "1E-3"},
    {1835028, "unassignedElectronicsTemp4", "Unassigned Electronics Temperature 4", "Unassigned electronics thermistor channel 4", "K", "1E-3"},
    {1835029, "unassignedElectronicsTemp5", "Unassigned Electronics Temperature 5", "Unassigned electronics thermistor channel 5", "K", "1E-3"},
    {1835030, "unassignedInterferometerEnclosureTemp1", "Unassigned Interferometer Enclosure Temperature 1", "Unassigned interferometer enclosure thermistor channel 1", "K", "1E-3"},
    {1835031, "unassignedInterferometerEnclosureTemp2", "Unassigned Interferometer Enclosure Temperature 2", "Unassigned interferometer enclosure thermistor channel 2", "K", "1E-3"},
    {1835032, "unassignedInterferometerEnclosureTemp3", "Unassigned Interferometer Enclosure Temperature 3", "Unassigned interferometer enclosure thermistor channel 3", "K", "1E-3"},
    {1835033, "unassignedInterferometerEnclosureTemp4", "Unassigned Interferometer Enclosure Temperature 4", "Unassigned interferometer enclosure thermistor channel 4", "K", "1E-3"},
    {1835034, "laserEnclosurePressure", "Laser Enclosure Pressure", "Pressure inside the laser enclosure", "mb", "1E-1"},
    {1835035, "interferometerXmotorStep", "Interferometer X Motor Step", "Step position of the interferometer alignment motor X", "steps", "1E0"},
    {1835036, "interferometerYmotorStep", "Interferometer Y Motor Step", "Step position of the interferometer alignment motor Y", "steps", "1E0"},
    {1835037, "laserRDCvoltage", "Laser R DC Voltage", "DC level of the laser R signal", "V", "1E-3"},
    {1835038, "laserXDCvoltage", "Laser X DC Voltage", "DC level of the laser X signal", "V", "1E-3"},
    {1835039, "laserYDCvoltage", "Laser Y DC Voltage", "DC level of the laser Y signal", "V", "1E-3"},
    {1835040, "laserTxDCvoltage", "Laser Tx DC Voltage", "DC level of the laser Tx signal", "V", "1E-3"},
    {1835041, "laserTyDCvoltage", "Laser Ty DC Voltage", "DC level of the laser Ty signal", "V", "1E-3"},
    {1835042, "whiteLightZDCvoltage", "White Light Z DC Voltage", "DC level of the white light Z signal", "V", "1E-3"},
    {1835043, "laserRACvoltage", "Laser R AC Voltage", "AC amplitude of the laser R signal", "V", "1E-3"},
    {1835044, "laserXACvoltage", "Laser X AC Voltage", "AC amplitude of the laser X signal", "V", "1E-3"},
    {1835045, "laserYACvoltage", "Laser Y AC Voltage", "AC amplitude of the laser Y signal", "V", "1E-3"},
    {1835046, "laserTxACvoltage", "Laser Tx AC Voltage", "AC amplitude of the laser Tx signal", "V", "1E-3"},
    {1835047, "laserTyACvoltage", "Laser Ty AC Voltage", "AC amplitude of the laser Ty signal", "V", "1E-3"},
    {1835048, "whiteLightZACvoltage", "White Light Z AC Voltage", "AC amplitude of the white light Z signal", "V", "1E-3"},
    {1835049, "errorXphase", "Error X Phase", "Phase of the X alignment error signal", "radians", "1E-3"},
    {1835050, "errorYphase", "Error Y Phase", "Phase of the Y alignment error signal", "radians", "1E-3"},
    {1835051, "unassignedBusVoltage1", "Unassigned Bus Voltage 1", "Unassigned bus voltage channel 1", "V", "1E-3"},
    {1835052, "unassignedBusVoltage2", "Unassigned Bus Voltage 2", "Unassigned bus voltage channel 2", "V", "1E-3"},
    {1835053, "unassignedTemp1", "Unassigned Temperature 1", "Unassigned thermistor channel 1", "K", "1E-3"},
    {1835054, "unassignedTemp2", "Unassigned Temperature 2", "Unassigned thermistor channel 2", "K", "1E-3"},
    {1835055, "unassignedTemp3", "Unassigned Temperature 3", "Unassigned thermistor channel 3", "K", "1E-3"},
    {1835056, "unassignedTemp4", "Unassigned Temperature 4", "Unassigned thermistor channel 4", "K", "1E-3"},
    {1835057, "unassignedTemp5", "Unassigned Temperature 5", "Unassigned thermistor channel 5", "K", "1E-3"},
    {1835058, "unassignedTemp6", "Unassigned Temperature 6", "Unassigned thermistor channel 6", "K", "1E-3"},
    {1835059, "unassignedTemp7", "Unassigned Temperature 7", "Unassigned thermistor channel 7", "K", "1E-3"},
    {1835060, "unassignedTemp8", "Unassigned Temperature 8", "Unassigned thermistor channel 8", "K", "1E-3"},
    {1835061, "unassignedTemp9", "Unassigned Temperature 9", "Unassigned thermistor channel 9", "K", "1E-3"},
    {1835062, "unassignedTemp10", "Unassigned Temperature 10", "Unassigned thermistor channel 10", "K", "1E-3"},
    {1835063, "unassignedTemp11", "Unassigned Temperature 11", "Unassigned thermistor channel 11", "K", "1E-3"},
    {1835064, "unassignedTemp12", "Unassigned Temperature 12", "Unassigned thermistor channel 12", "K", "1E-3"},
    {1835065, "unassignedTemp13", "Unassigned Temperature 13", "Unassigned thermistor channel 13", "K", "1E-3"},
    {1835066, "unassignedTemp14", "Unassigned Temperature 14", "Unassigned thermistor channel 14", "K", "1E-3"},
    {622608, "sceneMirPosEncoderMaxDrift", "Scene Mirror Position Encoder Maximum Drift", "Maximum departure from ideal of the mirror position over the course of all contributing views.  Typically two hot, two ambient, and one scene view are examined.", "steps", "1E-1"},
    // group 52: 0 to 41 in table order
    {1703936, "scanLineIndex", "Scan Line Index", "Index of the scan line", " ", "1E0"},
    {1703937, "FOVindex", "FOV Index", "Index of the field of view within the scan line", " ", "1E0"},
    {1703938, "FOVangle", "FOV Angle", "Pointing angle of the field of view", "degrees", "1E-2"},
    {1703939, "BBCstartField", "BBC Start Field", "Start field of the blackbody controller packet", " ", "1E0"},
    {1703940, "BBCopCode", "BBC Op Code", "Operation code of the blackbody controller packet", " ", "1E0"},
    {1703941, "BBClength", "BBC Length", "Length of the blackbody controller packet", "bytes", "1E0"},
    {1703942, "BBCsoftwareVersion", "BBC Software Version", "Software version of the blackbody controller", " ", "1E0"},
    {1703943, "BBCframeCount", "BBC Frame Count", "Frame counter of the blackbody controller", " ", "1E0"},
    {1703944, "BBCcalRequest", "BBC Calibration Request", "Calibration request flag of the blackbody controller", " ", "1E0"},
    {1703945, "ABBmode", "ABB Mode", "Operating mode of the ambient blackbody controller", " ", "1E0"},
    {1703946, "ABBsetPointTemp", "ABB Set Point Temperature", "Set point temperature of the ambient blackbody", "K", "1E-3"},
    {1703947, "ABBpwmCount", "ABB PWM Count", "Heater pulse width modulation count of the ambient blackbody", "counts", "1E0"},
    {1703948, "HBBmode", "HBB Mode", "Operating mode of the hot blackbody controller", " ", "1E0"},
    {1703949, "HBBsetPointTemp", "HBB Set Point Temperature", "Set point temperature of the hot blackbody", "K", "1E-3"},
    {1703950, "HBBpwmCount", "HBB PWM Count", "Heater pulse width modulation count of the hot blackbody", "counts", "1E0"},
    {1703951, "BBCboardTemp", "BBC Board Temperature", "Temperature of the blackbody controller board", "K", "1E-3"},
    {1703952, "spare2Temp", "Spare 2 Temperature", "Spare thermistor channel 2 of the blackbody controller", "K", "1E-3"},
    {1703953, "fixed1500KohmResistor", "Fixed 1500 Kohm Resistor", "Equivalent temperature of the fixed 1500 kilohm reference resistor", "K", "1E-3"},
    {1703954, "fixed124KohmResistor", "Fixed 124 Kohm Resistor", "Equivalent temperature of the fixed 124 kilohm reference resistor", "K", "1E-3"},
    {1703955, "fixed26KohmResistor", "Fixed 26 Kohm Resistor", "Equivalent temperature of the fixed 26 kilohm reference resistor", "K", "1E-3"},
    {1703956, "fixed6KohmResistor", "Fixed 6 Kohm Resistor", "Equivalent temperature of the fixed 6 kilohm reference resistor", "K", "1E-3"},
    {1703957, "BBCgroundOffset", "BBC Ground Offset", "Ground offset of the blackbody controller measurements", "counts", "1E0"},
    {1703958, "BBCreflectedTemp", "BBC Reflected Temperature", "Temperature of the surroundings reflected by the blackbodies", "K", "1E-3"},
    {1703959, "spare3Temp", "Spare 3 Temperature", "Spare thermistor channel 3 of the blackbody controller", "K", "1E-3"},
    {1703960, "BBC_CRC", "BBC CRC", "Checksum of the blackbody controller packet", " ", "1E0"},
    {1703961, "BBCendField", "BBC End Field", "End field of the blackbody controller packet", " ", "1E0"},
    {1703962, "instrumentLatitude", "Instrument Latitude", "Latitude of the instrument in degrees north", "degrees N", "1E-4"},
    {1703963, "instrumentLongitude", "Instrument Longitude", "Longitude of the instrument in degrees east", "degrees E", "1E-4"},
    {1703964, "navigationSource", "Navigation Source", "Source of the navigation data", " ", "1E0"},
    {1703965, "BBCpacketID", "BBC Packet ID", "Identifier of the blackbody controller packet", " ", "1E0"},
    {1572865, "scanDirection", "Scan Direction", "Direction of the interferometer scan (forward or backward)", " ", "1E0"},
    {1703966, "ABBPIDerror", "ABB PID Error", "Temperature control error of the ambient blackbody", "K", "1E-3"},
    {1703967, "HBBPIDerror", "HBB PID Error", "Temperature control error of the hot blackbody", "K", "1E-3"},
    {1703968, "BBCexcitationRange0", "BBC Excitation Range 0", "Thermistor excitation range 0 of the blackbody controller", " ", "1E0"},
    {1703969, "BBCexcitationRange1", "BBC Excitation Range 1", "Thermistor excitation range 1 of the blackbody controller", " ", "1E0"},
    {1703970, "BBCexcitationRange2", "BBC Excitation Range 2", "Thermistor excitation range 2 of the blackbody controller", " ", "1E0"},
    {1703971, "BBCexcitationRange3", "BBC Excitation Range 3", "Thermistor excitation range 3 of the blackbody controller", " ", "1E0"},
    {32774, "Heading", "Heading", "Platform heading, clockwise from true north", "degrees", "1E-1"},
    {32782, "Pitch", "Pitch", "Platform pitch angle", "degrees", "1E-2"},
    {32783, "Roll", "Roll", "Platform roll angle", "degrees", "1E-2"},
    {1703972, "imaginarySpectrumMean", "Imaginary Spectrum Mean", "Mean of the imaginary part of the calibrated spectrum", "mW/(m2 sr cm-1)", "1E-3"},
    {1703973, "imaginarySpectrumStdDev", "Imaginary Spectrum Std Dev", "Standard deviation of the imaginary part of the calibrated spectrum", "mW/(m2 sr cm-1)", "1E-3"},
    {1703974, "responsivityMean", "Responsivity Mean", "Mean of the instrument responsivity", "counts/(mW/(m2 sr cm-1))", "1E-3"},
    {1703975, "responsivityStdDev", "Responsivity Std Dev", "Standard deviation of the instrument responsivity", "counts/(mW/(m2 sr cm-1))", "1E-3"},
    {1703976, "zpdMagnitude", "ZPD Magnitude", "Magnitude of the interferogram at zero path difference", "counts", "1E0"},
    {1703977, "zpdPhase", "ZPD Phase", "Phase of the interferogram at zero path difference", "radians", "1E-3"},
    {32779, "instrumentUnitNumber", "Instrument Unit Number", "Unit number of the instrument that recorded the data", " ", "1E0"},
    {524355, "rawDateYYMMDD", "Date of Data Collection", "Date of data collection (year/month/day)", "YYMMDD", "1E0"},
    {524354, "rawTimeHHMMSS", "End of View Time", "Time at end of interferometer data collection", "HHMMSS", "1E0"},
    {524351, "rawLatitude", "Latitude", "Location of data collection in degrees north latitude", "N", "1E-2"},
    {524352, "rawLongitude", "Longitude", "Location of data collection in degrees east longitude", "E", "1E-2"},
    {524353, "rawAltitude", "Altitude", "Location of data collection in meters above mean sea level", "m", "1E-2"},
    {524356, "rawCoadditionsCount", "Number of Coadditions per View", "Number of complete interferometer scans (f+b) averaged in this view", " ", "1E0"},
    {524357, "rawSceneMirrorPosition", "Mirror Position ASCII Character Code", "ASCII character code representing the current instrument mirror position", " ", "1E0"},
    {557120, "thermistor0", "thermistor0", "Thermistor input channel number 0 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557121, "thermistor1", "thermistor1", "Thermistor input channel number 1 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557122, "thermistor2", "thermistor2", "Thermistor input channel number 2 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557123, "thermistor3", "thermistor3", "Thermistor input channel number 3 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557124, "thermistor4", "thermistor4", "Thermistor input channel number 4 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557125, "thermistor5", "thermistor5", "Thermistor input channel number 5 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557126, "thermistor6", "thermistor6", "Thermistor input channel number 6 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557127, "thermistor7", "thermistor7", "Thermistor input channel number 7 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557128, "thermistor8", "thermistor8", "Thermistor input channel number 8 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557129, "thermistor9", "thermistor9", "Thermistor input channel number 9 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557130, "thermistor10", "thermistor10", "Thermistor input channel number 10 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557131, "thermistor11", "thermistor11", "Thermistor input channel number 11 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557132, "thermistor12", "thermistor12", "Thermistor input channel number 12 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557133, "thermistor13", "thermistor13", "Thermistor input channel number 13 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557134, "thermistor14", "thermistor14", "Thermistor input channel number 14 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557135, "thermistor15", "thermistor15", "Thermistor input channel number 15 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557136, "thermistor16", "thermistor16", "Thermistor input channel number 16 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557137, "thermistor17", "thermistor17", "Thermistor input channel number 17 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557138, "thermistor18", "thermistor18", "Thermistor input channel number 18 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557139, "thermistor19", "thermistor19", "Thermistor input channel number 19 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557140, "thermistor20", "thermistor20", "Thermistor input channel number 20 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557141, "thermistor21", "thermistor21", "Thermistor input channel number 21 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557142, "thermistor22", "thermistor22", "Thermistor input channel number 22 (counting from 0) equivalent temperature", "K", "1E-5"},
    {557143, "thermistor23", "thermistor23", "Thermistor input channel number 23 (counting from 0) equivalent temperature", "K", "1E-5"},
    {524358, "rawAtmosphericPressure", "Raw VORN Barometric Pressure", "Barometric Pressure at Site in Millibars", "mb", "1E-1"},
    {524359, "rawAtmosphericRelativeHumidity", "Raw VORN Relative Humidity", "Relative Humidity at Site in Percent", "%", "1E-1"},
    {524289, "parFileDateYYMMDD", "Parameter File Date", "Date of the file containing instrument specific parameters", "YYMMDD", "1E0"},
    {524290, "avgCountsThermistor0", "Average Counts for Thermistor0", "Average counts for thermistor channel 0", "Counts", "1E-5"},
    {524291, "avgCountsThermistor1", "Average Counts for Thermistor1", "Average counts for thermistor channel 1", "Counts", "1E-5"},
    {524292, "avgCountsThermistor2", "Average Counts for Thermistor2", "Average counts for thermistor channel 2", "Counts", "1E-5"},
    {524293, "avgCountsThermistor3", "Average Counts for Thermistor3", "Average counts for thermistor channel 3", "Counts", "1E-5"},
    {524294, "avgCountsThermistor4", "Average Counts for Thermistor4", "Average counts for thermistor channel 4", "Counts", "1E-5"},
    {524295, "avgCountsThermistor5", "Average Counts for Thermistor5", "Average counts for thermistor channel 5", "Counts", "1E-5"},
    {524296, "avgCountsThermistor6", "Average Counts for Thermistor6", "Average counts for thermistor channel 6", "Counts", "1E-5"},
    {524297, "avgCountsThermistor7", "Average Counts for Thermistor7", "Average counts for thermistor channel 7", "Counts", "1E-5"},
    {524298, "avgCountsThermistor8", "Average Counts for Thermistor8", "Average counts for thermistor channel 8", "Counts", "1E-5"},
    {524299, "avgCountsThermistor9", "Average Counts for Thermistor9", "Average counts for thermistor channel 9", "Counts", "1E-5"},
    {524300, "avgCountsThermistor10", "Average Counts for Thermistor10", "Average counts for thermistor channel 10", "Counts", "1E-5"},
    {524301, "avgCountsThermistor11", "Average Counts for Thermistor11", "Average counts for thermistor channel 11", "Counts", "1E-5"},
    {524302, "avgCountsThermistor12", "Average Counts for Thermistor12", "Average counts for thermistor channel 12", "Counts", "1E-5"},
    {524303, "avgCountsThermistor13", "Average Counts for Thermistor13", "Average counts for thermistor channel 13", "Counts", "1E-5"},
    {524304, "avgCountsThermistor14", "Average Counts for Thermistor14", "Average counts for thermistor channel 14", "Counts", "1E-5"},
    {524305, "avgCountsThermistor15", "Average Counts for Thermistor15", "Average counts for thermistor channel 15", "Counts", "1E-5"},
    {524306, "avgCountsThermistor16", "Average Counts for Thermistor16", "Average counts for thermistor channel 16", "Counts", "1E-5"},
    {524307, "avgCountsThermistor17", "Average Counts for Thermistor17", "Average counts for thermistor channel 17", "Counts", "1E-5"},
    {524308, "avgCountsThermistor18", "Average Counts for Thermistor18", "Average counts for thermistor channel 18", "Counts", "1E-5"},
    {524309, "avgCountsThermistor19", "Average Counts for Thermistor19", "Average counts for thermistor channel 19", "Counts", "1E-5"},
    {524310, "avgCountsThermistor20", "Average Counts for Thermistor20", "Average counts for thermistor channel 20", "Counts", "1E-5"},
    {524311, "avgCountsThermistor21", "Average Counts for Thermistor21", "Average counts for thermistor channel 21", "Counts", "1E-5"},
    {524312, "avgCountsThermistor22", "Average Counts for Thermistor22", "Average counts for thermistor channel 22", "Counts", "1E-5"},
    {524313, "avgCountsThermistor23", "Average Counts for Thermistor23", "Average counts for thermistor channel 23", "Counts", "1E-5"},
    {524314, "avgCountsPressure", "Raw Counts of VORN Pressure ", "Average raw counts of VORN pressure sensor", "Counts", "1E-5"},
    {524315, "avgCountsRelativeHumidity", "Raw Counts of VORN Relative Humidity ", "Average raw counts of VORN relative humidity sensor (near BBs)", "Counts", "1E-5"},
    {524316, "tempStdDevThermistor0", "Standard Deviation for Thermistor0", "Temperature standard deviation for thermistor channel 0", "K", "1E-5"},
    {524317, "tempStdDevThermistor1", "Standard Deviation for Thermistor1", "Temperature standard deviation for thermistor channel 1", "K", "1E-5"},
    {524318, "tempStdDevThermistor2", "Standard Deviation for Thermistor2", "Temperature standard deviation for thermistor channel 2", "K", "1E-5"},
    {524319, "tempStdDevThermistor3", "Standard Deviation for Thermistor3", "Temperature standard deviation for thermistor channel 3", "K", "1E-5"},
    {524320, "tempStdDevThermistor4", "Standard Deviation for Thermistor4", "Temperature standard deviation for thermistor channel 4", "K", "1E-5"},
    {524321, "tempStdDevThermistor5", "Standard Deviation for Thermistor5", "Temperature standard deviation for thermistor channel 5", "K", "1E-5"},
    {524322, "tempStdDevThermistor6", "Standard Deviation for Thermistor6", "Temperature standard deviation for thermistor channel 6", "K", "1E-5"},
    {524323, "tempStdDevThermistor7", "Standard Deviation for Thermistor7", "Temperature standard deviation for thermistor channel 7", "K", "1E-5"},
    {524324, "tempStdDevThermistor8", "Standard Deviation for Thermistor8", "Temperature standard deviation for thermistor channel 8", "K", "1E-5"},
    {524325, "tempStdDevThermistor9", "Standard Deviation for Thermistor9", "Temperature standard deviation for thermistor channel 9", "K", "1E-5"},
    {524326, "tempStdDevThermistor10", "Standard Deviation for Thermistor10", "Temperature standard deviation for thermistor channel 10", "K", "1E-5"},
    {524327, "tempStdDevThermistor11", "Standard Deviation for Thermistor11", "Temperature standard deviation for thermistor channel 11", "K", "1E-5"},
    {524328, "tempStdDevThermistor12", "Standard Deviation for Thermistor12", "Temperature standard deviation for thermistor channel 12", "K", "1E-5"},
    {524329, "tempStdDevThermistor13", "Standard Deviation for Thermistor13", "Temperature standard deviation for thermistor channel 13", "K", "1E-5"},
    {524330, "tempStdDevThermistor14", "Standard Deviation for Thermistor14", "Temperature standard deviation for thermistor channel 14", "K", "1E-5"},
    {524331, "tempStdDevThermistor15", "Standard Deviation for Thermistor15", "Temperature standard deviation for thermistor channel 15", "K", "1E-5"},
    {524332, "tempStdDevThermistor16", "Standard Deviation for Thermistor16", "Temperature standard deviation for thermistor channel 16", "K", "1E-5"},
    {524333, "tempStdDevThermistor17", "Standard Deviation for Thermistor17", "Temperature standard deviation for thermistor channel 17", "K", "1E-5"},
    {524334, "tempStdDevThermistor18", "Standard Deviation for Thermistor18", "Temperature standard deviation for thermistor channel 18", "K", "1E-5"},
    {524335, "tempStdDevThermistor19", "Standard Deviation for Thermistor19", "Temperature standard deviation for thermistor channel 19", "K", "1E-5"},
    {524336, "tempStdDevThermistor20", "Standard Deviation for Thermistor20", "Temperature standard deviation for thermistor channel 20", "K", "1E-5"},
    {524337, "tempStdDevThermistor21", "Standard Deviation for Thermistor21", "Temperature standard deviation for thermistor channel 21", "K", "1E-5"},
    {524338, "tempStdDevThermistor22", "Standard Deviation for Thermistor22", "Temperature standard deviation for thermistor channel 22", "K", "1E-5"},
    {524339, "tempStdDevThermistor23", "Standard Deviation for Thermistor23", "Temperature standard deviation for thermistor channel 23", "K", "1E-5"},
    {524340, "countsStdDevPressure", "Standard Deviation of VORN pressure", "Standard deviation of VORN pressure in counts", "Counts", "1E-5"},
    {524341, "countsStdDevRelativeHumidity", "Standard Deviation of VORN Relative Humidity", "Standard deviation of VORN relative humidity in counts", "Counts", "1E-5"},
    {524348, "rawMirrorPositionEncoder", "Raw Mirror Position Encoder", "Mirror position encoder value", "steps", "1E0"},
    {524342, "engineeringChannel0data", "Engineering Channel 0", "Engineering channel 0 data", " ", "1E-5"},
    {524343, "engineeringChannel1data", "Engineering Channel 1", "Engineering channel 1 data", " ", "1E-5"},
    {524344, "engineeringChannel2data", "Engineering Channel 2", "Engineering channel 2 data", " ", "1E-5"},
    {524345, "engineeringChannel0counts", "Engineering Channel 0 Raw Counts", "Engineering channel 0 raw counts", "counts", "1E-5"},
    {524346, "engineeringChannel1counts", "Engineering Channel 1 Raw Counts", "Engineering channel 1 raw counts", "counts", "1E-5"},
    {524347, "engineeringChannel2counts", "Engineering Channel 2 Raw Counts", "Engineering channel 2 raw counts", "counts", "1E-5"},
};

namespace {

// Every row is filled in (a row left out of the initialiser would be all zero) and no two
// rows share an identifier.
constexpr bool fieldTableIsComplete() {
    for (const RGDstaticField& row : ALLstaticFields) {
        if (row.field == nullptr || row.shortdesc == nullptr || row.longdesc == nullptr ||
            row.units == nullptr || row.precision == nullptr)
            return false;
    }
    return true;
}

constexpr bool fieldIdsAreUnique() {
    for (int i = 0; i < ALLstaticFieldsCount; ++i)
        for (int j = i + 1; j < ALLstaticFieldsCount; ++j)
            if (ALLstaticFields[i].id == ALLstaticFields[j].id) return false;
    return true;
}

static_assert(fieldTableIsComplete(), "every field row must be written out");
static_assert(fieldIdsAreUnique(), "field identifiers must be unique");

}  // namespace

// ---- Subheader layouts --------------------------------------------------------------------

namespace {

// One entry of a layout list: a single field identifier, or every identifier from first to
// last.
struct Run {
    int32_t first;
    int32_t last;
    constexpr Run(int32_t id) : first(id), last(id) {}  // implicit: a plain id is a run of one
    constexpr Run(int32_t from, int32_t to) : first(from), last(to) {}
};

// Expands a layout written as runs into its N fields (all fmtReal4). The layouts are
// evaluated at compile time, so a list whose expansion does not give exactly N fields stops
// the build.
template <std::size_t N>
constexpr std::array<RGDsubheaderField, N> layout(std::initializer_list<Run> runs) {
    std::array<RGDsubheaderField, N> fields{};
    std::size_t n = 0;
    for (const Run& run : runs) {
        if (run.first > run.last) throw "descending run in a subheader layout";
        for (int32_t id = run.first; id <= run.last; ++id) {
            if (n == N) throw "subheader layout longer than its field count";
            fields[n++] = RGDsubheaderField{id, fmtReal4};
        }
    }
    if (n != N) throw "subheader layout shorter than its field count";
    return fields;
}

constexpr auto SH_94011901_Layout = layout<94>({32779, 524355, 524354, {524351, 524353},
    {524356, 524357}, {557120, 557143}, {524358, 524359}, {524289, 524341}, 524348, {524342, 524347}});
constexpr auto SH_94012701_Layout = layout<36>({589825, {32769, 32773}, 557060, 557062,
    {589826, 589849}, {32775, 32776}, 589850, 32778});
constexpr auto SH_94091301_Layout = layout<40>({589825, {32769, 32773}, {589826, 589836}, 589856,
    {589838, 589845}, 589852, 589854, {589848, 589849}, {32775, 32776}, 589855, 589853, 589847,
    589850, 32778, 589851, 557060, 557062});
constexpr auto SH_94020101_Layout = layout<1>({32780});
constexpr auto SH_94020301_Layout = layout<5>({{622593, 622597}});
constexpr auto SH_94030301_Layout = layout<1>({32780});
constexpr auto SH_94030401_Layout = layout<2>({557059, 688129});
constexpr auto SH_94030402_Layout = layout<5>({32778, {720897, 720900}});
constexpr auto SH_94032901_Layout = layout<2>({{786433, 786434}});
constexpr auto SH_94051001_Layout = layout<8>({{557088, 557095}});
constexpr auto SH_94052301_Layout = layout<25>({32778, {557120, 557127}, {32769, 32770}, 557060,
    720897, {557128, 557131}, {32775, 32776}, {557132, 557133}, {32771, 32773}, 557062});
constexpr auto SH_94070501_Layout = layout<6>({{622593, 622597}, 32785});
constexpr auto SH_94070502_Layout = layout<61>({{32775, 32776}, {589826, 589846}, {589848, 589849},
    {819201, 819234}, 819236, 819235});
constexpr auto SH_94111501_Layout = layout<36>({{819201, 819233}, 819236, {819234, 819235}});
constexpr auto SH_95111401_Layout = layout<47>({{819201, 819233}, 819236, {819234, 819235},
    {819237, 819247}});
constexpr auto SH_94102101_Layout = layout<3>({{851969, 851971}});
constexpr auto SH_94121201_Layout = layout<42>({589825, {32769, 32773}, {589826, 589836}, 589856,
    {589838, 589845}, 589852, 589854, {589848, 589849}, {32775, 32776}, 589855, 589853, 589847,
    589850, 32778, 589851, 557060, 557062, 32785, 589857});
constexpr auto SH_94121202_Layout = layout<5>({{622593, 622597}});
constexpr auto SH_95020301_Layout = layout<43>({589825, {32769, 32773}, {589826, 589836}, 589856,
    {589838, 589845}, 589852, 589854, {589848, 589849}, {32775, 32776}, 589855, 589853, 589847,
    589850, 32778, 589851, 557060, 557062, 32785, {589857, 589858}});
constexpr auto SH_95020302_Layout = layout<6>({{622593, 622598}});
constexpr auto SH_95052602_Layout = layout<44>({589825, {32769, 32773}, {589826, 589836}, 589856,
    {589838, 589845}, 589852, 589854, {589848, 589849}, {32775, 32776}, 589855, 589853, 589847,
    589850, 32778, 589851, 557060, 557062, 32785, {589857, 589858}, 32786});
constexpr auto SH_95052601_Layout = layout<15>({{622593, 622607}});
constexpr auto SH_95112901_Layout = layout<13>({{622593, 622595}, {622598, 622607}});
constexpr auto SH_96013101_Layout = layout<47>({589825, {32769, 32773}, {589826, 589836}, 589856,
    {589838, 589845}, 589852, 589854, {589848, 589849}, {32775, 32776}, 589855, 589853, 589847,
    589850, 32778, 589851, 557060, 557062, 32785, {589857, 589858}, 32786, {589859, 589861}});
constexpr auto SH_96022301_Layout = layout<61>({589825, {32769, 32773}, 32786, 32785, 589857,
    32775, 589859, {589832, 589833}, {589830, 589831}, 589836, {884737, 884751}, 720897,
    {589828, 589829}, {589826, 589827}, {589834, 589835}, 589856, {589838, 589841},
    {589844, 589845}, 589852, 589854, {589848, 589849}, 884752, 589853, 589847, 32778, 589851,
    557060, 557062, 589850, {589858, 589861}});
constexpr auto SH_96080901_Layout = layout<49>({{819201, 819233}, 819236, {819234, 819235},
    {819237, 819247}, 819249, 819248});
constexpr auto SH_96090301_Layout = layout<14>({{622593, 622598}, {622600, 622601},
    {622603, 622604}, {884753, 884756}});
constexpr auto SH_97031201_Layout = layout<58>({32785, 589825, 32779, {32769, 32773}, 589857,
    589851, 557060, 557062, 589858, 589850, 32786, 589829, 589831, 589833, 589828, 589830, 589832,
    589849, 589841, 589848, 917504, 589834, 589826, {589835, 589836}, 917510, 589827,
    {589839, 589840}, 589852, 589856, 589854, 589845, 589844, {589842, 589843}, 589853, 589855,
    {917505, 917508}, 589838, 32776, 589859, 32775, 819245, 917509, {917511, 917515}, 819232});
constexpr auto SH_97012301_Layout = layout<55>({{819201, 819233}, 819236, {819234, 819235},
    {819237, 819247}, 819249, 819248, {819250, 819255}});
constexpr auto SH_97022102_Layout = layout<1>({32778});
constexpr auto SH_97031002_Layout = layout<55>({{819201, 819231}, 819233, 819236, {819234, 819235},
    {819237, 819244}, {819246, 819247}, 819249, 819248, {819250, 819257}});
constexpr auto SH_97042801_Layout = layout<65>({32785, 589825, 32779, {32769, 32773}, 589857,
    589851, 557060, 557062, 589858, 589850, 32786, 589829, 589831, 589833, 589828, 589830, 589832,
    589849, 589841, 589848, 917504, 589834, 589826, {589835, 589836}, 917510, 589827,
    {589839, 589840}, 589852, 589856, 589854, 589845, 589844, {589842, 589843}, 589853, 589855,
    {917505, 917508}, 589838, 32776, 589859, 32775, 819245, 917509, {917511, 917515}, 819232,
    917520, 917519, 917521, 917517, 917516, 917518, 917522});
constexpr auto SH_97050704_Layout = layout<51>({{819201, 819231}, 819233, 819236, {819234, 819235},
    {819237, 819242}, {819246, 819247}, 819249, 819248, {819250, 819255}});
constexpr auto SH_97050702_Layout = layout<60>({589825, {32769, 32773}, {589826, 589833}, 917520,
    917519, 917521, 917517, 917516, 917518, {589834, 589836}, 589856, {589838, 589845}, 589852,
    589854, {589848, 589849}, {32775, 32776}, 589855, 589853, 589847, 917511, 557062, 589850,
    917512, 819257, 589858, 32778, 589851, 557060, 32785, 589857, 32786, {589859, 589861}, 819232,
    819245, {819243, 819244}});
constexpr auto SH_97050701_Layout = layout<69>({32785, 589825, 32779, {32769, 32773}, 589857,
    589851, 557060, 557062, 589858, 589850, 32786, 589829, 589831, 589833, 589828, 589830, 589832,
    589849, 589841, 589848, 917504, 589834, 589826, {589835, 589836}, 917510, 589827,
    {589839, 589840}, 589852, 589856, 589854, 589845, 589844, {589842, 589843}, 589853, 589855,
    {917505, 917508}, 589838, 32776, 589859, 32775, 819245, 917509, {917511, 917515}, 819232,
    917520, 917519, 917521, 917517, 917516, 917518, 917522, {819243, 819244}, {819256, 819257}});
constexpr auto SH_97122201_Layout = layout<14>({{622593, 622595}, {622598, 622608}});
constexpr auto SH_98062501_Layout = layout<60>({{32769, 32770}, 32785, 32774, {32782, 32783},
    589857, {32771, 32773}, 32778, 557062, 589851, 32786, 720897, 884751, 1572865,
    {1703936, 1703939}, 1703965, {1703940, 1703951}, 1703967, 1703966, {1703968, 1703971}, 589838,
    589830, 589828, 589832, 589831, 589829, 589833, {1703952, 1703964}});
constexpr auto SH_97110501_Layout = layout<87>({{1835008, 1835012}, 589856, 589852, 589855,
    {1835013, 1835016}, 589853, 589848, 917504, {32775, 32776}, {1835017, 1835020}, 884741, 884738,
    1835021, 917506, {1835022, 1835050}, 589836, 917510, {1835051, 1835066}, 917511, 557062,
    589850, 917512, 819257, 589858, 589851, 557060, 32769, 32786, 32785, {32771, 32773}, 589825});
constexpr auto SH_99121301_Layout = layout<7>({{32787, 32793}});
constexpr auto SH_12701_Layout = layout<2>({{1703976, 1703977}});
constexpr auto SH_12702_Layout = layout<4>({{1703972, 1703975}});

template <std::size_t N>
constexpr RGDsubheader subheader(int32_t id, const std::array<RGDsubheaderField, N>& fields) {
    return RGDsubheader{id, static_cast<int32_t>(N), fields.data()};
}

}  // namespace

constinit const RGDsubheader ALLsubheaders[] = {
    subheader(94011901, SH_94011901_Layout),
    subheader(94012701, SH_94012701_Layout),
    subheader(94091301, SH_94091301_Layout),
    subheader(94020101, SH_94020101_Layout),
    subheader(94020301, SH_94020301_Layout),
    subheader(94030301, SH_94030301_Layout),
    subheader(94030401, SH_94030401_Layout),
    subheader(94030402, SH_94030402_Layout),
    subheader(94032901, SH_94032901_Layout),
    subheader(94051001, SH_94051001_Layout),
    subheader(94052301, SH_94052301_Layout),
    subheader(94070501, SH_94070501_Layout),
    subheader(94070502, SH_94070502_Layout),
    subheader(94111501, SH_94111501_Layout),
    subheader(95111401, SH_95111401_Layout),
    subheader(94102101, SH_94102101_Layout),
    subheader(94121201, SH_94121201_Layout),
    subheader(94121202, SH_94121202_Layout),
    subheader(95020301, SH_95020301_Layout),
    subheader(95020302, SH_95020302_Layout),
    subheader(95052602, SH_95052602_Layout),
    subheader(95052601, SH_95052601_Layout),
    subheader(95112901, SH_95112901_Layout),
    subheader(96013101, SH_96013101_Layout),
    subheader(96022301, SH_96022301_Layout),
    subheader(96080901, SH_96080901_Layout),
    subheader(96090301, SH_96090301_Layout),
    subheader(97031201, SH_97031201_Layout),
    subheader(97012301, SH_97012301_Layout),
    subheader(97022102, SH_97022102_Layout),
    subheader(97031002, SH_97031002_Layout),
    subheader(97042801, SH_97042801_Layout),
    subheader(97050704, SH_97050704_Layout),
    subheader(97050702, SH_97050702_Layout),
    subheader(97050701, SH_97050701_Layout),
    subheader(97122201, SH_97122201_Layout),
    subheader(98062501, SH_98062501_Layout),
    subheader(97110501, SH_97110501_Layout),
    subheader(99121301, SH_99121301_Layout),
    subheader(12701, SH_12701_Layout),
    subheader(12702, SH_12702_Layout),
};

const char RGDdictionaryRevision[] = "RGD field dictionary revision 1, 387 fields, 41 subheaders";

// ---- Registration -------------------------------------------------------------------------

namespace {

constexpr int kDictionaryBuckets = 71;

Associations* staticFieldDictionary = nullptr;
Associations* subheaderDictionary = nullptr;
bool everythingRegistered = false;

// A failed allocation or an incomplete registration leaves the library unable to read or
// write any RGD file: stop like a failed assertion, naming where and what.
[[noreturn]] void registrationFailed(const char* function, const char* condition) {
    std::fprintf(stderr, "Assertion failed: %s, module ravlrgd, function %s\n", condition, function);
    std::abort();
}

// Builds a 71-bucket dictionary from identifier to row over the N rows of a table, in one
// bulk registration. dictionaryName names the dictionary in a failure report.
template <typename Row>
Associations* registerTable(const Row* rows, int N, const char* function, const char* dictionaryName) {
    Associations* dictionary = ASSOCcreate(kDictionaryBuckets);
    if (dictionary == nullptr) registrationFailed(function, dictionaryName);
    std::vector<int> ids;
    std::vector<void*> list;
    try {
        ids.reserve(static_cast<std::size_t>(N));
    } catch (const std::bad_alloc&) {
        registrationFailed(function, "ids");
    }
    try {
        list.reserve(static_cast<std::size_t>(N));
    } catch (const std::bad_alloc&) {
        registrationFailed(function, "list");
    }
    for (int i = 0; i < N; ++i) {
        ids.push_back(rows[i].id);
        // The dictionary stores opaque non-const pointers; the rows stay read-only and every
        // lookup here hands them back as const.
        list.push_back(const_cast<Row*>(&rows[i]));
    }
    const int i = ASSOCregisterManyItems(dictionary, N, ids.data(), list.data());
    if (!(N == i)) registrationFailed(function, "N==i");
    return dictionary;
}

}  // namespace

void RegisterRGDFields() {
    if (staticFieldDictionary != nullptr) return;
    staticFieldDictionary =
        registerTable(ALLstaticFields, ALLstaticFieldsCount, "RegisterRGDFields", "staticFieldDictionary");
}

void RegisterSubheaders() {
    if (subheaderDictionary != nullptr) return;
    subheaderDictionary =
        registerTable(ALLsubheaders, ALLsubheadersCount, "RegisterSubheaders", "subheaderDictionary");
}

void RegisterEverything() {
    if (everythingRegistered) return;
    RegisterRGDFields();
    RegisterSubheaders();
    everythingRegistered = true;
}

Associations* RGDstaticFieldDictionary() {
    RegisterEverything();
    return staticFieldDictionary;
}

Associations* RGDsubheaderDictionary() {
    RegisterEverything();
    return subheaderDictionary;
}

const RGDstaticField* RGDlookupField(int32_t id) {
    return static_cast<const RGDstaticField*>(ASSOClookup(RGDstaticFieldDictionary(), id));
}

const RGDsubheader* RGDlookupSubheader(int32_t id) {
    return static_cast<const RGDsubheader*>(ASSOClookup(RGDsubheaderDictionary(), id));
}
