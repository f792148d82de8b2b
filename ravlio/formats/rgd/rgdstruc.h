// The RGD metadata field dictionary (internal to the library).
//
// RGD files carry their per-record metadata as numbered 4-byte float fields; the file itself
// names only the subheaders (groups of fields) its record header is made of. This module holds
// the built-in knowledge every RGD reader and writer shares:
//   - ALLstaticFields: every known metadata field with its name, label, long description,
//     units and precision text;
//   - ALLsubheaders: every known record-header subheader layout (ordered field lists);
//   - the two process-wide association dictionaries built from them (identifier -> row).
//
// Field identifiers are composed as 32768 * group + number within the group.
// The tables are constant data; the dictionaries are built once per process on first use
// (RegisterEverything) and never freed. Not thread-safe, like the rest of the library.
#ifndef RAVLIO_RGDSTRUC_H
#define RAVLIO_RGDSTRUC_H

#include <cstdint>

struct Associations;

// Storage types of a header field.
enum : int32_t {
    CHARDATA = 0,
    FIXEDDATA = 1,
    FLOATINGDATA = 2,
};

// How one header field is stored.
struct RGDstorageFormat {
    int32_t size;           // bytes
    int32_t slapsize;       // byte-swap group in bytes
    int32_t type;           // CHARDATA, FIXEDDATA or FLOATINGDATA
    int32_t scalingFactor;  // decimal exponent applied on disk; 0 for all known fields
};

// The format of every known header field: one 32-bit IEEE float, swapped as a 4-byte group.
inline constexpr RGDstorageFormat fmtReal4{4, 4, FLOATINGDATA, 0};

// One field of a subheader layout.
struct RGDsubheaderField {
    int32_t id;               // field identifier (a row of ALLstaticFields)
    RGDstorageFormat format;  // its storage format
};

// One subheader: an ordered list of fields, identified by (usually) an eight-digit number.
struct RGDsubheader {
    int32_t id;
    int32_t fieldCount;
    const RGDsubheaderField* field;  // fieldCount entries, in header order
};

// One known metadata field with its description texts (never null; possibly empty).
struct RGDstaticField {
    int32_t id;             // field identifier
    const char* field;      // identifier-style field name    (description type 1)
    const char* shortdesc;  // label                          (description type 2)
    const char* longdesc;   // long description               (description type 3)
    const char* units;      // units                          (description type 4)
    const char* precision;  // decimal precision, e.g. "1E-3" (description type 5)
};

inline constexpr int ALLstaticFieldsCount = 387;
inline constexpr int ALLsubheadersCount = 41;

// The field table, in table order (not sorted by identifier; identifiers are unique).
extern const RGDstaticField ALLstaticFields[ALLstaticFieldsCount];
// The subheader table, in table order. Layout 96022301 lists field 589859 twice (a header
// built from it has two slots for it); every other layout names each field once.
extern const RGDsubheader ALLsubheaders[ALLsubheadersCount];

// Identifier of the base subheader every written file receives (the single field
// missingDataFlag) and of the subheader the calibration program writes its products with.
inline constexpr int32_t RGDbaseSubheaderId = 94020101;
inline constexpr int32_t RGDcalibrationSubheaderId = 97122201;

// One-line revision identification of this dictionary (no line break), written into the
// history block of every RGD file created.
extern const char RGDdictionaryRevision[];

// Builds both dictionaries on the first call in the process (fields first, then subheaders);
// later calls do nothing. Every RGD open and recognise operation calls it. A failed
// allocation or an incomplete registration stops the process with an assertion report on
// standard error ("Assertion failed: <condition>, module ravlrgd, function <function>").
void RegisterEverything();
// Creates the static field dictionary (71 buckets): field identifier -> const RGDstaticField*,
// in one bulk registration of all rows. Once it exists, further calls do nothing.
void RegisterRGDFields();
// Creates the subheader dictionary (71 buckets): subheader identifier -> const RGDsubheader*,
// in one bulk registration of all rows. Once it exists, further calls do nothing.
void RegisterSubheaders();

// The process-wide dictionaries (after RegisterEverything). Values are const RGDstaticField*
// and const RGDsubheader* respectively, stored as opaque pointers; do not modify or destroy.
Associations* RGDstaticFieldDictionary();
Associations* RGDsubheaderDictionary();

// Convenience lookups through the dictionaries; null when the identifier is unknown.
const RGDstaticField* RGDlookupField(int32_t id);
const RGDsubheader* RGDlookupSubheader(int32_t id);

#endif
