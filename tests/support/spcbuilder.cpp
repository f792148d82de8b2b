// Builder of small SPC files for tests (see spcbuilder.h).
#include "support/spcbuilder.h"

#include <algorithm>
#include <cstring>

#include "support/tempdir.h"

namespace testsupport {

namespace {

void putLe(std::string& bytes, size_t offset, uint32_t value, int width) {
    for (int k = 0; k < width; ++k) bytes[offset + static_cast<size_t>(k)] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

void putFloat(std::string& bytes, size_t offset, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    putLe(bytes, offset, bits, 4);
}

}  // namespace

std::string spcDataWord(int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    std::string word(4, '\0');
    putLe(word, 0, (u >> 16) | (u << 16), 4);
    return word;
}

std::string spcFileBytes(const SpcSpec& spec) {
    std::string bytes(SpcHeaderSize, '\0');
    bytes[0] = static_cast<char>(spec.flags);
    bytes[1] = static_cast<char>(spec.version);
    putLe(bytes, 2, static_cast<uint16_t>(spec.iyexp), 2);
    putFloat(bytes, 4, spec.xnpts.value_or(static_cast<float>(spec.data.size())));
    putFloat(bytes, 8, spec.xmin);
    putFloat(bytes, 12, spec.xmax);
    for (const auto& [offset, value] : spec.words) putLe(bytes, static_cast<size_t>(offset), static_cast<uint32_t>(value), 4);
    bytes.replace(64, std::min<size_t>(spec.instrumentName.size(), 8), spec.instrumentName, 0, 8);
    for (int32_t v : spec.data) bytes += spcDataWord(v);
    return bytes;
}

void writeSpcFile(const std::string& path, const SpcSpec& spec) { writeFile(path, spcFileBytes(spec)); }

void writeMinimalSpcFile(const std::string& path) {
    SpcSpec spec;
    spec.data = {1, 2, 3, 4};
    writeSpcFile(path, spec);
}

}  // namespace testsupport
