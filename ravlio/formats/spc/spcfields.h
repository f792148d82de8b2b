// The public metadata fields of the SPC reader: the instrument values that the acquisition
// software keeps in the reserved part of the 256-byte SPC header, with their texts.
#ifndef RAVLIO_FORMATS_SPC_SPCFIELDS_H
#define RAVLIO_FORMATS_SPC_SPCFIELDS_H

#include <string>
#include <vector>

#include "formats/common.h"
#include "ravlio/fields.h"

namespace spc {

// How a field's value is taken from the header.
enum class Fetch {
    Integer,  // signed 32-bit integer divided by the divisor
    InstID,   // realFetchInstID: the number in the 4 characters at the offset, made positive
    Short,    // realFetchShort: signed 16-bit integer
    Char,     // realFetchChar: signed 8-bit integer
};

// One public field: where it is, which file kind holds it, and its description texts.
struct SPCField {
    int id = 0;         // metadata field identifier
    int kind = 0;       // the file kind (whichFile) whose header holds it
    int offset = 0;     // byte offset in the 256-byte header
    Fetch fetch = Fetch::Integer;
    int divisor = 1;    // for Fetch::Integer
    std::string name;       // description type 1
    std::string shortDesc;  // type 2
    std::string longDesc;   // type 3
    std::string units;      // type 4
    std::string precision;  // type 5
};

// Number of public fields.
inline constexpr int SPC_Field_Count = 94;

// Field id that asks for the next available field.
using formats::NextAvailableField;

// The public fields in enumeration order (SPC_Field_Count entries), built on first use.
const std::vector<SPCField>& publicSPCFields();

// The public field with this identifier, or null. The first call registers the table in
// a process-wide dictionary (registerPublicSPCFields); it is never freed.
const SPCField* findPublicSPCField(int id);

// The 8-character instrument name a kind-0 header keeps at this offset.
inline constexpr int InstrumentNameOffset = 64;
inline constexpr int InstrumentNameLength = 8;

// Identifier of the field that also offers the instrument name as a text value.
inline constexpr int InstrumentFieldId = FIELD_instrumentUnitNumber;

}  // namespace spc

#endif
