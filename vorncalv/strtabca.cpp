// The field-description tables of the output products and their accessors.
#include "vorncalv/strtabca.h"

namespace vorncalv {
namespace {

// The radiance unit, shared by every table that gives it.
constexpr char RADIANCE_UNIT[] = "mW/(m2 sr cm-1)";

}  // namespace

const char* const tableOfShortNames[NTABLE_ENTRIES] = {"atmosphericRadiance"};
const char* const tableOfLabels[NTABLE_ENTRIES] = {"Downwelling Radiance"};
const char* const tableOfLongNames[NTABLE_ENTRIES] = {"Downwelling atmospheric radiance spectrum"};
const char* const tableOfUnits[NTABLE_ENTRIES] = {RADIANCE_UNIT};

const char* const DFtableOfShortNames[NTABLE_ENTRIES] = {"DiagnosticFunction"};
const char* const DFtableOfLabels[NTABLE_ENTRIES] = {"Calibration Diagnostic Function"};
const char* const DFtableOfLongNames[NTABLE_ENTRIES] = {"Imaginary part of calibrated radiance"};
const char* const DFtableOfUnits[NTABLE_ENTRIES] = {RADIANCE_UNIT};

const char* const REtableOfShortNames[NTABLE_ENTRIES] = {"responsivity"};
const char* const REtableOfLabels[NTABLE_ENTRIES] = {"Responsivity"};
const char* const REtableOfLongNames[NTABLE_ENTRIES] = {"VORN Instrument Responsivity"};
const char* const REtableOfUnits[NTABLE_ENTRIES] = {"counts/[mW/(m2 sr cm-1)]"};

const char* const ORtableOfShortNames[NTABLE_ENTRIES] = {"RealPartOffset"};
const char* const ORtableOfLabels[NTABLE_ENTRIES] = {"Offset, Real Part"};
const char* const ORtableOfLongNames[NTABLE_ENTRIES] = {"Real Part of Offset"};
const char* const ORtableOfUnits[NTABLE_ENTRIES] = {RADIANCE_UNIT};

const char* const OItableOfShortNames[NTABLE_ENTRIES] = {"ImaginaryPartOffset"};
const char* const OItableOfLabels[NTABLE_ENTRIES] = {"Offset, Imaginary Part"};
const char* const OItableOfLongNames[NTABLE_ENTRIES] = {"Imaginary Part of Offset"};
const char* const OItableOfUnits[NTABLE_ENTRIES] = {RADIANCE_UNIT};

// The variance unit is spelled with a lower-case "mw", as the product has always carried it.
const char* const varianceTableOfShortNames[NTABLE_ENTRIES] = {"VarianceOfRadiance"};
const char* const varianceTableOfLabels[NTABLE_ENTRIES] = {"Variance of Radiance"};
const char* const varianceTableOfLongNames[NTABLE_ENTRIES] = {"Variance of radiance during view"};
const char* const varianceTableOfUnits[NTABLE_ENTRIES] = {"(mw/(m2 sr cm-1))^2"};

DescTable gettablesn() { return tableOfShortNames; }
DescTable gettablel() { return tableOfLabels; }
DescTable gettableln() { return tableOfLongNames; }
DescTable gettableu() { return tableOfUnits; }

DescTable getdftablesn() { return DFtableOfShortNames; }
DescTable getdftablel() { return DFtableOfLabels; }
DescTable getdftableln() { return DFtableOfLongNames; }
DescTable getdftableu() { return DFtableOfUnits; }

DescTable getretablesn() { return REtableOfShortNames; }
DescTable getretablel() { return REtableOfLabels; }
DescTable getretableln() { return REtableOfLongNames; }
DescTable getretableu() { return REtableOfUnits; }

DescTable getortablesn() { return ORtableOfShortNames; }
DescTable getortablel() { return ORtableOfLabels; }
DescTable getortableln() { return ORtableOfLongNames; }
DescTable getortableu() { return ORtableOfUnits; }

DescTable getoitablesn() { return OItableOfShortNames; }
DescTable getoitablel() { return OItableOfLabels; }
DescTable getoitableln() { return OItableOfLongNames; }
DescTable getoitableu() { return OItableOfUnits; }

DescTable getvariancetablesn() { return varianceTableOfShortNames; }
DescTable getvariancetablel() { return varianceTableOfLabels; }
DescTable getvariancetableln() { return varianceTableOfLongNames; }
DescTable getvariancetableu() { return varianceTableOfUnits; }

}  // namespace vorncalv
