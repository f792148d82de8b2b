// Builder of small old-format SPC files for tests: the 256-byte header with its instrument
// block, then the spectrum as 32-bit integers stored with their 16-bit halves exchanged.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct SpcSpec {
    uint8_t flags = 0;                // byte 0
    uint8_t version = 'M';            // byte 1
    int16_t iyexp = 32;               // values are integer * 2^(iyexp - 32)
    std::optional<float> xnpts;       // point count in the header; default: data.size()
    float xmin = 500.0f;
    float xmax = 1500.0f;
    std::map<int, int32_t> words;     // 32-bit integers of the instrument block, by offset
    std::string instrumentName;       // up to 8 characters at offset 64
    std::vector<int32_t> data;        // the spectrum's integers
};

// Size of the old-format header, where the spectrum begins.
inline constexpr int SpcHeaderSize = 256;

// The bytes of a file built from spec.
std::string spcFileBytes(const SpcSpec& spec);
// Writes the file built from spec to path (replacing it).
void writeSpcFile(const std::string& path, const SpcSpec& spec);
// Writes a minimal valid single-spectrum file: 4 points 1, 2, 3, 4 from 500 to 1500.
void writeMinimalSpcFile(const std::string& path);

// The 4 file bytes of a data integer: little-endian with the two 16-bit halves exchanged.
std::string spcDataWord(int32_t value);

}  // namespace testsupport
