// Field-description tables of the output products: for the single data column of each
// product a short name (an identifier), a label (a caption for plots), a long name (a
// sentence-like description) and a unit. The record writer stores them in the file's
// column descriptions on the first write of a product in a run.
//
// Each table is a constant array of NUL-terminated texts with one entry per data type of
// the product; every product here has one data type, so every table has one entry. The
// tables and their texts are never modified; every table whose unit is "mW/(m2 sr cm-1)"
// points to one shared string.
//
// Table references: an accessor returns the address of its table as `const char* const*`,
// the type the record writer takes for a list of column descriptions. The reference is
// kept as a pointer on purpose: an address does not fit a 32-bit integer on a 64-bit
// build, and holding it in one would cut it. Every call returns the same address.
#pragma once

namespace vorncalv {

// A table of column descriptions: its entries are NUL-terminated texts.
using DescTable = const char* const*;

// Number of entries (data types) of every table.
inline constexpr int NTABLE_ENTRIES = 1;

// Calibrated radiance, real part (".RLC").
extern const char* const tableOfShortNames[NTABLE_ENTRIES];
extern const char* const tableOfLabels[NTABLE_ENTRIES];
extern const char* const tableOfLongNames[NTABLE_ENTRIES];
extern const char* const tableOfUnits[NTABLE_ENTRIES];
// Imaginary part of the calibrated radiance (".IMC").
extern const char* const DFtableOfShortNames[NTABLE_ENTRIES];
extern const char* const DFtableOfLabels[NTABLE_ENTRIES];
extern const char* const DFtableOfLongNames[NTABLE_ENTRIES];
extern const char* const DFtableOfUnits[NTABLE_ENTRIES];
// Instrument responsivity (".RES").
extern const char* const REtableOfShortNames[NTABLE_ENTRIES];
extern const char* const REtableOfLabels[NTABLE_ENTRIES];
extern const char* const REtableOfLongNames[NTABLE_ENTRIES];
extern const char* const REtableOfUnits[NTABLE_ENTRIES];
// Offset, real part (no product of this program writes it).
extern const char* const ORtableOfShortNames[NTABLE_ENTRIES];
extern const char* const ORtableOfLabels[NTABLE_ENTRIES];
extern const char* const ORtableOfLongNames[NTABLE_ENTRIES];
extern const char* const ORtableOfUnits[NTABLE_ENTRIES];
// Offset, imaginary part (no product of this program writes it).
extern const char* const OItableOfShortNames[NTABLE_ENTRIES];
extern const char* const OItableOfLabels[NTABLE_ENTRIES];
extern const char* const OItableOfLongNames[NTABLE_ENTRIES];
extern const char* const OItableOfUnits[NTABLE_ENTRIES];
// Variance of the calibrated radiance (".CVS").
extern const char* const varianceTableOfShortNames[NTABLE_ENTRIES];
extern const char* const varianceTableOfLabels[NTABLE_ENTRIES];
extern const char* const varianceTableOfLongNames[NTABLE_ENTRIES];
extern const char* const varianceTableOfUnits[NTABLE_ENTRIES];

// Accessors: short names, labels, long names, units of each family.
DescTable gettablesn();
DescTable gettablel();
DescTable gettableln();
DescTable gettableu();

DescTable getdftablesn();
DescTable getdftablel();
DescTable getdftableln();
DescTable getdftableu();

DescTable getretablesn();
DescTable getretablel();
DescTable getretableln();
DescTable getretableu();

DescTable getortablesn();
DescTable getortablel();
DescTable getortableln();
DescTable getortableu();

DescTable getoitablesn();
DescTable getoitablel();
DescTable getoitableln();
DescTable getoitableu();

DescTable getvariancetablesn();
DescTable getvariancetablel();
DescTable getvariancetableln();
DescTable getvariancetableu();

}  // namespace vorncalv
